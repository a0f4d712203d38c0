// Calls from the procedure into the engine (vector 381) and catalog storage (vector 383): one
// forwarding routine per slot, named after the slot's routine; an absent table is a failure.
#pragma once
#include <cstdint>

#include "engine/tables/control_structure.h"
#include "host/parser.h"

namespace zozu {

// Slot 2: builds the control structure in *out (0, or 1 with *out null).
int rskinit(RSKCON** out, int client_kind, uint32_t function_manager, uint32_t manager);
// Slot 3: rebuilds the run-time variables.
int rsk0(RSKCON* con);
// Slot 4: ends the engine instance and frees the control structure.
int rskterm(RSKCON* con);
// Slot 6: opens the audit file.
int rskadti(RSKCON* con);
// Slot 7: one audit line, message table/number with a date-time text and the user's name.
int rskadtp(RSKCON* con, int table, int number, int stamp_length, const char* stamp,
            int name_length, const char* name);
// Slot 95: rebuilds the instrument-type classes.
int rskclbi(RSKCON* con);
// Slot 270: compiles the environment's methods and transformations.
int rsktrn0(RSKCON* con);
// Slot 376: the UNITTEST statement.
int unittest_stmt(RSKCON* con, statement_node* node);
// Vector 383 slot 25: sets up the temporary environment.
int rssenvt(RSKCON* con);

}  // namespace zozu
