// Where the counterparty run keeps values: the pool it takes buffers from, the bytes a variable
// occupies, the length of one state's row worked out from the output variables, and binding
// every counterparty variable to its storage.
#pragma once
#include <cstdint>

#include "engine/tables/control_structure.h"
#include "engine/tables/counterparty_records.h"

// The pool of the run's buffers: the kit pool, else the current pool.
qor_pool* cpty_run_pool(RSKCON* con);
// True when the variable's value is a number (stored as a double in memory).
bool cpty_numeric_storage(const RSKCPTYVAR* variable);
// Bytes the variable's value occupies in memory: 8 for a number, its declared length for text.
int32_t cpty_value_bytes(const RSKCPTYVAR* variable);
// The bytes of one state's row: the end of the furthest output variable, at least the stored
// state length. 0; 1 after naming an output variable that lies outside the row or over another.
int cpty_state_length(const RSKCPTYCON* container, int32_t* length);
// Output variables into the value vector at their offsets, the others into one zero-filled
// block of their own; every environment variable marked bound. 0, or 1 when out of memory.
int cpty_bind_variables(RSKCON* con);
// The value buffer for the run's current number of states: kept when it has that many rows,
// made again (its contents lost) when the number changed. 0, or 1 when out of memory.
int cpty_value_rows(RSKCON* con);
