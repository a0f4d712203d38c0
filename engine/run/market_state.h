// The market states of a run: completing the current state (derived market variables, exchange
// rates, change flags), appending it to the state buffer and fetching a state by number.
#pragma once
#include <cstddef>
#include <cstdint>
#include "engine/run/run_block.h"
#include "engine/tables/control_structure.h"

// The address of state `state` in the buffer; -1 gives the base state. A number outside the
// appended states counts an internal error (10 printed per run) and gives null.
uint8_t* rskmkti(RSKCON* con, int32_t state);
// Completes the current state and appends it to the buffer (and the state data sets). `resolve`
// 0 resolves the market actions again. 0, or 1 when a step fails (nothing is appended).
int rskmktu(RSKCON* con, int resolve);
// Computes the derived market variables of the current state and checks the exchange rates:
// the market program's result (0 success).
int rskmktx(RSKCON* con);
// Rebuilds the current state's header from the values read back with it (the state buffer's
// read_values and read_names) and checks the exchange rates. 0.
int rskmktx1(RSKCON* con);
// Fills the second change mask: the variables of the current state that differ from the base.
int set_change_flags(RSKCON* con);

// Bytes of a buffer of `count` states, computed in 64 bits; 0 when it does not fit a size_t.
size_t rskmkt_buffer_bytes(const RSKCON* con, int64_t count);
// Points the state buffer at `states` (bytes for `count` states, kept by the caller) and empties
// it. 0; 1 for a null control structure or run block.
int rskmkt_attach(RSKCON* con, uint8_t* states, int64_t count);
