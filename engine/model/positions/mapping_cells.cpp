// Mapping cells of position data set and market data set definitions: appending a column
// mapping to a list and giving a list's cells back to their shared free list.
#include "engine/model/positions/mapping_cells.h"

#include <cstring>

#include "engine/model/control/out_of_memory.h"
#include "engine/model/names/name_records.h"

namespace {

constexpr int kMappingCellChunk = 10;

}  // namespace

int rsk_map_append(RSKCON* con, RSKMAPLIST* list, const RSKNAMEREC* variable, const RSKNAMEREC* column) {
    if (list == nullptr || variable == nullptr || column == nullptr) return 1;
    RSKMAPCELL* cell = rsk_take_record(con, con->free_lists->mapping_cells, kMappingCellChunk,
                                       "add elements to a list");
    if (cell == nullptr) return 1;
    int length = column->text != nullptr ? column->length : 0;
    if (length > kRskColumnNameCapacity) length = kRskColumnNameCapacity;
    std::memcpy(cell->column, column->text, static_cast<size_t>(length));
    cell->column_length = static_cast<int16_t>(length);
    rskname(con, &cell->variable, variable->text, variable->length);
    if (list->tail != nullptr)
        list->tail->next = cell;
    else
        list->head = cell;
    list->tail = cell;
    ++list->count;
    return 0;
}

void rsk_map_clear(RSKCON* con, RSKMAPLIST* list) {
    if (list == nullptr) return;
    while (list->head != nullptr) {
        RSKMAPCELL* cell = list->head;
        list->head = cell->next;
        rsk_give_free(con->free_lists->mapping_cells, cell);
    }
    list->tail = nullptr;
    list->count = 0;
}
