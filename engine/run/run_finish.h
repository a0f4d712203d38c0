// The phases after the position loop: the roll-up of the cells with the post-pricing step, the
// finish of every cell with the post-valuation step, and the output of the cells' results.
#pragma once
#include <cstdint>

#include "engine/tables/control_structure.h"

struct RSKANLPROC;
struct RSKCELLHEAD;
struct RSKPPVAR;
struct RSKRESDS;
struct RSKRUNBLOCK;

// One entry of a post-pricing table: an output variable handed to the post-pricing methods, the
// value it was given and the program symbol it is bound to.
struct RSKPPENTRY {
    RSKPPVAR* variable;
    double value;
    double* symbol;
};
static_assert(sizeof(RSKPPENTRY) == 24, "a post-pricing table entry is 24 bytes");

// One entry of the post-valuation head table: as a post-pricing entry, with the name it is
// bound under.
struct RSKPVENTRY {
    RSKPPVAR* variable;
    double value;
    double* symbol;
    char name[32];
};
static_assert(sizeof(RSKPVENTRY) == 56, "a post-valuation table entry is 56 bytes");

// What the roll-up, finish and output phases keep in the run block.
struct RSKCELLPHASES {
    uint8_t* current_cell;           // the cell record being processed, or null
    RSKANLPROC* current_result;      // the result being processed, or null
    int32_t cells_finished;          // cells the finish has completed
    uint8_t postprice;               // the run has post-pricing methods
    uint8_t postvar;                 // the run has post-valuation methods
    uint8_t postprice_thread;        // the post-pricing methods need a thread block
    uint8_t postvar_thread;          // the post-valuation methods need a thread block
    uint8_t cumulative_cf;           // the run carries the cumulative cash-flow vector
    int32_t cashflow_dates;          // dates of that vector
    RSKPPENTRY* postprice_head;      // run-level post-pricing table
    int32_t postprice_head_entries;
    int32_t postprice_head_count;    // post-priced variables
    double** postprice_outvars;
    void* postprice_block;           // "thread for postprice method"
    RSKPVENTRY* postvar_head;        // run-level post-valuation table
    int32_t postvar_head_entries;
    int32_t postvar_head_count;      // variables marked for the post-valuation methods
    double** postvar_outvars;
    void* postvar_block;             // "thread for postvar method"
};

// Bytes of the thread block the post-pricing and post-valuation methods run in.
constexpr int32_t kRskMethodThreadBytes = 2148;

// The record a run without a cross-classification gathers its positions in.
uint8_t* rsk_portfolio_record(RSKRUNBLOCK* run);

// ---- roll-up (rskrun3) ----

// Rolls record `added` into `cell`: the leading statistics, then every result not failed by
// its kind. mode 0 adds, 1 turns value-weighted variables into returns, 2 rebuilds exposure-
// weighted sums; `again` 0 for the first contribution to the cell. The largest code.
int roll_up_analysis(RSKCON* con, void* cell, void* added, int mode, int again);
// The value-weighted step of one record and of its results. The largest code.
int process_vw(RSKCON* con, void* record, int exposure_only);
// The post-pricing methods on one record (nothing without them). The largest code.
int postprice_run(RSKCON* con, void* record);
// The post-pricing tables of the run and of its results. 0 or 1.
int prepare_postprc(RSKCON* con);

// ---- finish (rskrun4) ----

// Finishes one cell: statistics in place, then every result not failed by its kind.
int complete_analysis(RSKCON* con, void* record);

// ---- output (rskrun5) ----

// Defines the run's result data sets in their order; stops at the run's abort flag. 0 or the
// largest code.
int open_analysis_output(RSKCON* con);
// Writes one cell's results into every open result data set. The largest code.
int output_results(RSKCON* con, void* record);
// Writes every result not failed of one cell into one result data set. The largest code.
int output_datafile(RSKCON* con, void* record, RSKRESDS* resds);
// Writes one result of one cell into one result data set by its kind.
int output_analysis(RSKCON* con, RSKANLPROC* result, void* record, RSKRESDS* resds);
// The marking passes of the multidimensional databases around each page of the output.
int mddb_mark1(RSKCON* con);
int mddb_mark2(RSKCON* con);
