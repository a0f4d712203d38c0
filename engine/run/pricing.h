// Pricing of one position: in the base state (rskexpr), in every state of the run on the
// calling thread or the worker team (rskexec, rskex1), the price post-processing and valuation
// output, action groups run once, and the state numbering with re-pricing avoidance (rskex0).
#pragma once
#include <cstdint>

#include "engine/run/run_block.h"
#include "engine/tables/control_structure.h"

struct RSKACTION;
struct RSKINSTTYPE;
struct RSKRESDS;
struct RSKANLPROC;

// ---- Pricing (all return 0, 1 after a reported failure, or a larger code passed up) ----------
// Prices the current position in the base state on the calling thread (master block, row 0).
int rskexpr(RSKCON* con);
// Prices the current position in every state of the run: decisions (rskex0), the blocks on the
// calling thread (threading off) or on the worker team, then the blocks' lines written in state
// order, the counters added up and the valuation output (rskex2).
int rskexec(RSKCON* con);
// The pricing loop over one block; its running byte is its result. Writes only its own block.
void rskex1(RSKCON* con, RSKTHREADCTL* block);
// The worker team's task: block `index` of the run of `context` (the control structure).
void qk_rskex1(void* context, int index);
// Valuation output of all states after the blocks.
int rskex2(RSKCON* con);
// Post-processing of one block's rows; sets the block's failed byte when it fails.
int rsktdPP(RSKCON* con, RSKTHREADCTL* block);
// Post-processes `count` consecutive states: rows of `row_stride` doubles starting at values
// (second values and elements in the same rows), status bytes one per state, weights every
// `weight_stride` bytes when weight_present, raw values (null: none) in the rows' last column.
int process_prices(RSKCON* con, int32_t count, double* values, double* second_values, double* elements,
                   int32_t element_count, int32_t row_stride, int32_t state_offset, int weight_present,
                   const uint8_t* weights, int32_t weight_stride, uint8_t* status, double* raw_values);
// Writes the valuation observations of `count` consecutive states (first_state -1: the base).
int output_prices(RSKCON* con, int32_t count, const double* values, const double* second_values,
                  const double* raw_values, int32_t row_stride, int32_t first_state, int weight_present,
                  const uint8_t* weights, int32_t weight_stride, const uint8_t* status, RSKRESDS* dataset);
// Fills one valuation observation and writes it (when the data set is open).
int output_obs(RSKCON* con, RSKRESDS* dataset, int32_t state, double unit_value, double value, double quantity,
               double raw_value, double weight);

// ---- Action groups run once ------------------------------------------------------------------
// The type's actions of a phase (1 before, 3 after a position): always 0 unless aborted.
int rskexab(RSKCON* con, RSKINSTTYPE* type, int phase);
// One action list with phase 2.
int rskexac(RSKCON* con, RSKACTION* list);
// rskexab for every instrument type of the run in use with actions; the largest code.
int rskexaz(RSKCON* con, int phase);
// The environment-level method lists, the flagged type actions, the second list chain (project
// methods): the program's own result.
int rskexay(RSKCON* con, int phase);
int rskexax(RSKCON* con, int phase);
int rskexaw(RSKCON* con, int phase);

// ---- State numbering and re-pricing avoidance ------------------------------------------------
// Fills the decision vector for the current position: 0, or 1 when the run is aborted.
int rskex0(RSKCON* con);
// Points the pricing's needed-factor mask at the one of the position's type, built on first use
// in the run: 0, or 1 (no memory; the run is aborted).
int rskex_needed_mask(RSKCON* con, const struct RSKINSTTYPE* type);
// The result owning a state: the first with first + count > state; null past the last.
RSKANLPROC* get_res_from_num(RSKCON* con, int32_t state);
// Case, draw and horizon of a state of a simulation result (-1 when undefined).
int32_t get_case_from_num(const RSKANLPROC* result, int32_t state);
int32_t get_draw_from_num(const RSKANLPROC* result, int32_t simulation_case, int32_t state);
int32_t get_hor_from_num(const RSKANLPROC* result, int32_t simulation_case, int32_t draw, int32_t state);
// Rows of the unconditional (case 0) and representative (draw 0) states of the same horizon;
// 0 (the base row) for a negative argument.
int32_t get_uncondstate_from_num(const RSKANLPROC* result, int32_t horizon, int32_t draw);
int32_t get_condstate_from_num(const RSKANLPROC* result, int32_t simulation_case, int32_t horizon);
// The case's unconditional and representative change masks (null when the result has none).
const uint8_t* get_uncondmask_from_res(RSKCON* con, const RSKANLPROC* result, int32_t simulation_case);
const uint8_t* get_repmask_from_res(RSKCON* con, const RSKANLPROC* result, int32_t simulation_case);
// A state in the run's market-state buffer, reached through block 0's view (the blocks take
// consecutive ranges of the one buffer from state 0); null without one.
uint8_t* rskex_state(RSKRUNBLOCK* run, int32_t state);
// Address of a row of the pricing results vector; a negative row gives row 0.
double* get_state_value(RSKRUNBLOCK* run, int32_t row);
// Whether an analysis kind orders its states as a simulation (6, 7, 8, 9, 15).
bool rsk_simulation_kind(uint32_t kind);

// ---- Shared by the pricing files ----------------------------------------------------------------
// Passes of the post-processing: every state, the priced states only (inside a block's thread),
// the reused states only (on the calling thread after the wait, in state order, because their
// reference rows may belong to other blocks).
enum : int { RSKPP_ALL = 0, RSKPP_PRICED = 1, RSKPP_REUSED = 2 };
int rskex_postprocess(RSKCON* con, int32_t count, double* values, double* second_values, double* elements,
                      int32_t element_count, int32_t row_stride, int32_t state_offset, int weight_present,
                      const uint8_t* weights, int32_t weight_stride, uint8_t* status, double* raw_values, int pass);
int rskex_block_postprocess(RSKCON* con, RSKTHREADCTL* block, int pass);
// The columns of a row: value, second value (the value's column without the second-value flag),
// the first element, the element count and the raw column (null without the raw-value option).
struct RSKROWCOLUMNS {
    double* values;
    double* second_values;
    double* elements;
    int32_t element_count;
    double* raw_values;
};
void rskex_columns(const RSKRUNBLOCK* run, double* row, RSKROWCOLUMNS* out);

// Lines a block keeps for the calling thread (pricing_lines.cpp).
enum : int { RSKLINE_TEXT = 1, RSKLINE_FAILURE = 2 };
struct RSKLINESINK {
    RSKCON* con;
    RSKTHREADCTL* block;
};
void rskex_keep_line(RSKCON* con, RSKTHREADCTL* block, int kind, const char* text, int length);
void rskex_error_line(void* user, const char* line, int length);
// Sends the PUT lines of the block's instance and the run errors of this thread to the block.
void rskex_capture(RSKCON* con, RSKTHREADCTL* block, RSKLINESINK* sink);
void rskex_release(RSKTHREADCTL* block);
// Writes and empties the block's lines (calling thread): texts as they are, each failed state
// as 598/3404 and the action print while the run's failure count is below the cap.
void rskex_write_lines(RSKCON* con, RSKTHREADCTL* block);

// ---- Set-up ---------------------------------------------------------------------------------
// Allocates the decision vector and status bytes for the run's states, gives each block its
// program record and line buffer, and checks that the states hold what the pricing actions
// read (else each block prices on a full vector of its own). 0, or 1 after 598/2797.
// Call it once the thread control vector is allocated and before the pricing program is
// generated (it sets the number of execution blocks). A run that asks for cash flows fails here
// until the cash-flow built-ins exist.
int rskex_alloc(RSKCON* con);
// Binds the blocks to their program instances after generation (once per run; the pricing
// entries call it).
int rskex_bind(RSKCON* con);
// Before a state is priced: the block's instance back to the data phase 1 and the base state
// left (pricing_instances.cpp).
void rskex_restore(RSKCON* con, RSKTHREADCTL* block);
// After base pricing: block 0's instance data (locals and the matrices it owns, never bindings
// or run lists) copied into the snapshot instance and every block's instance; 0, or 1 (run
// aborted) without memory.
int rskex_spread(RSKCON* con);
// Blocks that take states: max(1, min(thread count, state count)).
int32_t rskex_blocks_in_use(const RSKRUNBLOCK* run);
