// Name lists: cells taken from the name-cell free list (refilled 100 at a time from the current
// pool) and given back to it whole; cells are never returned to the pool one by one.
#include <cstring>

#include "common/strings/pool_memory.h"
#include "engine/model/rskname.h"
#include "engine/model/rsknomem.h"

namespace {

constexpr int kCellChunk = 100;

// Threads a new chunk of cells onto the free list; 1 when the pool is exhausted.
int refill_cells(RSKCON* con) {
    const size_t bytes = sizeof(RSKNAMECELL) * kCellChunk;
    auto* chunk = static_cast<RSKNAMECELL*>(vmalcp_handler(con->current_pool, bytes, QOR_ALLOC_ZERO));
    if (chunk == nullptr) {
        rsknomem(con, bytes, "add elements to a list");
        return 1;
    }
    for (int i = 0; i < kCellChunk - 1; ++i) chunk[i].next = &chunk[i + 1];
    chunk[kCellChunk - 1].next = con->free_lists->name_cells;
    con->free_lists->name_cells = chunk;
    return 0;
}

}  // namespace

int rsklsta(RSKCON* con, RSKNAMECELL** head, RSKNAMECELL** tail, const char* text, int length) {
    if (con->free_lists->name_cells == nullptr && refill_cells(con) != 0) return 1;
    RSKNAMECELL* cell = con->free_lists->name_cells;
    con->free_lists->name_cells = cell->next;
    std::memset(cell, 0, sizeof *cell);
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
