// Transformation sets: look-up in the transformation-set table, definition on a catalog object
// of kind 36, emptying and release of the set and its members.
#include "engine/model/market/transformation_sets.h"

#include <cstring>

#include "engine/model/control/out_of_memory.h"
#include "engine/model/names/name_records.h"
#include "engine/model/services/catalog.h"
#include "engine/model/symbols/symbol_table.h"
#include "engine/tables/object_tables.h"

namespace {

constexpr int kSetChunk = 10;

}  // namespace

RSKCATOBJ* rskprs(RSKCON* con, const RSKNAMEREC* name) {
    if (con == nullptr || con->current_tables == nullptr || name == nullptr) return nullptr;
    return static_cast<RSKCATOBJ*>(rsksym(con, &con->current_tables->tables[RSKTAB_PRATESETS], name));
}

int rskprsd(RSKCON* con, RSKCATOBJ** out, const RSKNAMEREC* name, const RSKNAMEREC* description,
            RSKCATOBJ* object) {
    if (out != nullptr) *out = nullptr;
    if (name == nullptr || name->text == nullptr || name->length == 0) return 1;
    RSKOBJNAME new_name{};
    rskname(con, &new_name, name->text, name->length);
    RSKCATOBJ* header = object;
    if (header == nullptr &&
        (rssofid(con, &header, name, description, RSKKIND_PRATESET) != 0 || header == nullptr))
        return 1;
    auto* set = static_cast<RSKPRATESET*>(header->object);
    if (set != nullptr) {
        rskprsc(con, set);
    } else {
        set = rsk_take_record(con, con->free_lists->transformation_sets, kSetChunk, "add elements to a list");
        if (set == nullptr) return 1;
        header->object = set;
    }
    rskname(con, &set->name, new_name.buffer, new_name.name.length);
    if (out != nullptr) *out = header;
    return 0;
}

int rskprsc(RSKCON* con, RSKPRATESET* set) {
    if (set == nullptr) return 0;
    while (set->head != nullptr) {
        RSKPRSMEMBER* member = set->head;
        set->head = member->next;
        rsk_give_free(con->free_lists->transformation_members, member);
    }
    set->tail = nullptr;
    set->count = 0;
    return 0;
}

int rskprsf(RSKCON* con, RSKPRATESET* set) {
    if (set == nullptr) return 0;
    rskprsc(con, set);
    std::memset(static_cast<void*>(set), 0, sizeof *set);
    rsk_give_free(con->free_lists->transformation_sets, set);
    return 0;
}
