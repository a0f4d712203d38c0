// The catalog object and record of a definition that a define routine works on: found or made
// with the record taken first, so running out of memory never leaves an object without a record.
#pragma once
#include <cstdint>

#include "engine/model/control/out_of_memory.h"
#include "engine/model/services/catalog.h"
#include "engine/tables/free_lists.h"

// `object` when the caller has it, else the object of that kind and name found or made through
// catalog storage (`argument` as catalog storage takes it). 0 with *header and *record; *reused
// says whether the record was the object's already (the caller empties it before refilling).
// 1 when no record or object could be had: nothing is made and the control structure's error
// flag is set when memory ran out.
template <typename Record>
int rsk_definition_object(RSKCON* con, RSKCATOBJ* object, const RSKNAMEREC* name, const RSKNAMEREC* argument,
                          int32_t kind, Record*& free_list, int chunk, const char* label, RSKCATOBJ** header,
                          Record** record, bool* reused) {
    *header = object;
    Record* fresh = nullptr;
    if (object == nullptr || object->object == nullptr) {
        fresh = rsk_take_record(con, free_list, chunk, label);
        if (fresh == nullptr) {
            con->error = 1;
            return 1;
        }
    }
    if (*header == nullptr && (rssofid(con, header, name, argument, kind) != 0 || *header == nullptr)) {
        if (fresh != nullptr) rsk_give_free(free_list, fresh);
        return 1;
    }
    auto* existing = static_cast<Record*>((*header)->object);
    *reused = existing != nullptr;
    if (existing != nullptr) {
        if (fresh != nullptr) rsk_give_free(free_list, fresh);
        *record = existing;
    } else {
        (*header)->object = fresh;
        *record = fresh;
    }
    return 0;
}
