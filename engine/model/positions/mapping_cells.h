// Mapping cells: one data set column mapped to one variable or risk factor. Position data set
// definitions and market data set definitions keep their mappings in cells of one free list.
#pragma once
#include <cstdint>
#include "engine/tables/control_structure.h"

constexpr int kRskColumnNameCapacity = 32;

struct RSKMAPCELL {
    RSKMAPCELL* next;                // list link; also the free-list link
    int16_t column_length;           // the data set column, cut to 32 characters
    char column[kRskColumnNameCapacity];
    RSKOBJNAME variable;             // the variable or risk factor the column feeds
};

// A list of mapping cells with its count, as the definitions hold it.
struct RSKMAPLIST {
    RSKMAPCELL* head;
    RSKMAPCELL* tail;
    uint32_t count;
};

// Appends a cell mapping `column` to `variable` (the column cut to 32 characters). 0, or 1 when no
// cell can be had (598/2797 once).
int rsk_map_append(RSKCON* con, RSKMAPLIST* list, const RSKNAMEREC* variable, const RSKNAMEREC* column);
// Gives every cell back to the free list and empties the list.
void rsk_map_clear(RSKCON* con, RSKMAPLIST* list);
