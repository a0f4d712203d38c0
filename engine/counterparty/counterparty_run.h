// The counterparty run of a project: the types' methods resolved and generated, the value buffer,
// every counterparty of an input source run in the base case and each market state, and a
// counterparty's stored values read back while positions are priced.
#pragma once
#include <cstdint>

#include "common/files/dataset.h"
#include "engine/tables/control_structure.h"
#include "engine/tables/counterparty_records.h"

struct RSKGENTRANS;

// Longest counterparty identifier and type name the run reads from a data set.
constexpr int kRskCptyIdLimit = 32;
// Most messages of one kind a run logs for its counterparties (the rest are counted).
constexpr int kRskCptyMessageCap = 10;

// ---- Preparation and generation ----

// Fetches and compiles each type's method and enters its action in the run (vector 381, slot
// 377): 0; 1 after 598/7700 (no types); a compile failure's code.
int rskrsvcpty(RSKCON* con);
// Generation phase: the value buffer, then each type's action generated. 0; 1 after a message.
int rskgencpty(RSKCON* con);
// The value vector (statelength bytes) and value buffer ((state count + 1) rows) from the kit
// pool, every counterparty variable bound to its storage. 0; 1 after 598/7702.
int create_cpty_buffer(RSKCON* con);
// Gives back what create_cpty_buffer took; the variables are no longer bound to it.
void free_cpty_buffer(RSKCON* con);

// ---- The run over an input source ----

// Runs every counterparty of the data sets of the input source `source` (the portfolio file's
// name): 0 (also without a container or that input source); 1 after a message.
int rskruncpty(RSKCON* con, const char* source);
// Opens the data set's input read-only (slot 369) or its output member in WORK (slot 370):
// 0; 1 when the library cannot be resolved (598/7738); 2 when the open fails.
int open_cpty_input(RSKCON* con, RSKCPTYDS* set);
int open_cpty_output(RSKCON* con, RSKCPTYDS* set);
// Closes the data set's input and output (slot 339): 0; 2 when either is missing or fails.
int close_cpty_ds(RSKCPTYDS* set);
// End of a run: closes the data sets of every input source, frees the counterparty table and
// the buffers. 0, or 2 when a close failed.
int close_cpty_run(RSKCON* con);
// Gives back the recorded counterparties; the table is made again by the next run.
void free_cpty_table(RSKCON* con);
// The output member's name for an input member and the run's two part numbers: the member
// (cut to fit), "_", first, "_", second; at most 32 characters. 0, or 1 when it cannot fit.
int cpty_output_member(const char* input_member, int32_t first, int32_t second, char out[33]);

// ---- Observations and counterparties ----

// The data set's observation record over its input columns (the column table bound first
// unless the definition gave it); null after 598/7718 naming the column.
dataset_obs* build_input_obs(RSKCON* con, RSKCPTYDS* set);
// Clears every counterparty variable: numeric storage to the missing value, text to zero bytes.
int cpty_zero_vars(RSKCPTYCON* container);
// Reads the observation and makes its counterparty: null after 598/7713-7717.
RSKCPTY* get_cpty(RSKCON* con, RSKCPTYDS* set, dataset_obs* observation);
// The stored counterparty of an identifier with its input variables read again, its value
// block in the value buffer and its base-case row in the value vector; null after 598/7719
// (unknown; at most kRskCptyMessageCap messages a run) or 598/7713 (not read).
RSKCPTY* read_cpty(RSKCPTYCON* container, const char* identifier);
// 1 when a counterparty variable the method reads is not a variable of the counterparty's type
// (598/7754 naming variable, type and method when a counterparty is given); else 0.
int cpty_compare_cptyvars_args(const RSKGENTRANS* method, const RSKCPTY* counterparty,
                               const RSKCPTYCON* container);

// ---- The value buffer, for pricing ----

// Row `state` of the value buffer (0 the base case, k market state k), statelength bytes; null
// outside the rows the buffer holds. Output variable v of the row is at v's offset.
void* cpty_state_row(const RSKCPTYCON* container, int32_t state);
