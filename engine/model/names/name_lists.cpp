// Name lists: cells taken from the name-cell free list (refilled 100 at a time from the current
// pool) and given back to it whole; cells are never returned to the pool one by one.
#include <cstring>

#include "common/memory/pool_memory.h"
#include "engine/model/names/name_records.h"
#include "engine/tables/free_lists.h"
#include "engine/model/control/out_of_memory.h"

namespace {

constexpr int kCellChunk = 100;

// A zeroed name cell from the control structure's free list; null after reporting no memory.
RSKNAMECELL* take_name_cell(RSKCON* con) {
    RSKNAMECELL* cell = rsk_take_record(con, con->free_lists->name_cells, kCellChunk, "add elements to a list");
    return cell;
}

}  // namespace

int rsklsta(RSKCON* con, RSKNAMECELL** head, RSKNAMECELL** tail, const char* text, int length) {
    RSKNAMECELL* cell = take_name_cell(con);
    if (cell == nullptr) return 1;
    rskname(con, &cell->name, text, length);   // an empty or cut name is still a list entry
    if (*tail == nullptr) *head = cell;
    else (*tail)->next = cell;
    *tail = cell;
    return 0;
}

int rsklstf(RSKCON* con, RSKNAMECELL** head, RSKNAMECELL** tail) {
    if (*head != nullptr && *tail != nullptr) {
        (*tail)->next = con->free_lists->name_cells;
        con->free_lists->name_cells = *head;
    }
    *head = nullptr;
    *tail = nullptr;
    return 0;
}
