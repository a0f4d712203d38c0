// Position sources: look-up in the position table, definition on a catalog object of kind 9, and
// the list of position data set definitions a READ reads together.
#include <strings.h>

#include <cstring>

#include "engine/model/control/out_of_memory.h"
#include "engine/model/names/name_records.h"
#include "engine/model/positions/position_definitions.h"
#include "engine/model/services/catalog.h"
#include "engine/model/symbols/symbol_table.h"
#include "engine/tables/object_tables.h"

namespace {

constexpr int kSourceChunk = 10;
constexpr int kNameCellChunk = 10;

}  // namespace

RSKCATOBJ* rskpos(RSKCON* con, const RSKNAMEREC* name) {
    if (con == nullptr || con->current_tables == nullptr || name == nullptr) return nullptr;
    return static_cast<RSKCATOBJ*>(rsksym(con, &con->current_tables->tables[RSKTAB_TSOURCES], name));
}

int rskposd(RSKCON* con, RSKCATOBJ** out, const RSKNAMEREC* name, RSKCATOBJ* object) {
    if (out != nullptr) *out = nullptr;
    if (name == nullptr || name->text == nullptr || name->length == 0) return 1;
    RSKOBJNAME new_name{};
    rskname(con, &new_name, name->text, name->length);
    RSKCATOBJ* header = object;
    if (header == nullptr && (rssofid(con, &header, name, nullptr, RSKKIND_TSOURCE) != 0 || header == nullptr))
        return 1;
    auto* source = static_cast<RSKTSOURCE*>(header->object);
    if (source != nullptr) {
        rskposc(con, source);
    } else {
        source = rsk_take_record(con, con->free_lists->position_sources, kSourceChunk, "position sources");
        if (source == nullptr) return 1;
        header->object = source;
    }
    rskname(con, &source->name, new_name.buffer, new_name.name.length);
    if (out != nullptr) *out = header;
    return 0;
}

int rskpdsd(RSKCON* con, RSKCATOBJ* object, const RSKNAMEREC* dataset) {
    if (object == nullptr || object->object == nullptr || dataset == nullptr || dataset->text == nullptr ||
        dataset->length == 0)
        return 1;
    auto* source = static_cast<RSKTSOURCE*>(object->object);
    RSKNAMECELL* cell = rsk_take_record(con, con->free_lists->name_cells, kNameCellChunk, "add elements to a list");
    if (cell == nullptr) return 1;
    rskname(con, &cell->name, dataset->text, dataset->length);
    if (source->tail != nullptr)
        source->tail->next = cell;
    else
        source->head = cell;
    source->tail = cell;
    ++source->count;
    return 0;
}

int rskpdsr(RSKCON* con, RSKCATOBJ* object, const RSKNAMEREC* dataset) {
    if (object == nullptr || object->object == nullptr || dataset == nullptr || dataset->text == nullptr) return 1;
    auto* source = static_cast<RSKTSOURCE*>(object->object);
    RSKNAMECELL* previous = nullptr;
    for (RSKNAMECELL* cell = source->head; cell != nullptr; previous = cell, cell = cell->next) {
        if (cell->name.name.length != dataset->length ||
            strncasecmp(cell->name.buffer, dataset->text, dataset->length) != 0)
            continue;
        if (previous != nullptr)
            previous->next = cell->next;
        else
            source->head = cell->next;
        if (source->tail == cell) source->tail = previous;
        --source->count;
        rsk_give_free(con->free_lists->name_cells, cell);
        return 0;
    }
    return 1;
}

int rskposc(RSKCON* con, RSKTSOURCE* source) {
    if (source == nullptr) return 0;
    while (source->head != nullptr) {
        RSKNAMECELL* cell = source->head;
        source->head = cell->next;
        rsk_give_free(con->free_lists->name_cells, cell);
    }
    source->tail = nullptr;
    source->count = 0;
    return 0;
}

int rskposf(RSKCON* con, RSKTSOURCE* source) {
    if (source == nullptr) return 0;
    rskposc(con, source);
    std::memset(static_cast<void*>(source), 0, sizeof *source);
    rsk_give_free(con->free_lists->position_sources, source);
    return 0;
}
