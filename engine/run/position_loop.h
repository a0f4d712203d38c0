// The position loop of a project run and the phases after it: the instrument cache key, the
// leading statistics every cell record starts with, progress notes, portfolio-part ranges, and
// the routines that deliver positions to the cells and roll, finish and write the cells.
#pragma once
#include <cstddef>
#include <cstdint>

#include "engine/tables/control_structure.h"

struct RSKANLPROC;
struct RSKINSTTYPE;
struct RSKTRANFILE;
struct RSKPORTENTRY;
struct RSKRUNBLOCK;
struct RSKVARIABLE;

// The key of the last fully priced position: a following position equal to it re-uses its
// prices instead of pricing every state again.
struct RSKINSTCACHE {
    uint8_t valid;                   // 0: the key is empty and matches nothing
    RSKOBJNAME type_name;
    char identifiers[3][256];        // counterparty identifier and the two further identifiers
    double numbers[3];               // three numeric system variables (missing when absent)
    char text[256];                  // a further character system variable (blanks when absent)
    double quantity;
    uint8_t short_position;
    int32_t sign;
    uint8_t* values;                 // concatenated pricing-input values of the type
    size_t values_capacity;
    uint8_t** pointers;              // one pointer into `values` per pricing-input variable
    int32_t pointer_capacity;
    int32_t pointer_count;
};

// The leading statistics of a cell record: a cross-classification cell, the portfolio record
// and one position's record share them (88 bytes, then the analyses' head areas).
struct RSKCELLHEAD {
    int32_t positions;
    int32_t missing;                 // positions without value
    double value_sum;
    double exposure_sum;
    double positive_exposure;
    double subtracted_exposure;
    double nonnegative_sum;
    double negative_sum;
    double minimum;
    double maximum;
    double statistics_sum;           // the mean after the finish
    double squares_sum;              // the standard deviation after the finish
};
static_assert(sizeof(RSKCELLHEAD) == 88, "the cell record's leading statistics are 88 bytes");

// A post-processed output variable of the run: a double at `offset` in every cell record.
struct RSKPPVAR {
    int32_t offset;
    int32_t sum_kind;                // 1 value-weighted, 2 exposure-weighted, other plain
    int32_t code;                    // post-processing: 0 none, 1 marked, 2 post-priced
    uint8_t for_exposure;            // post-priced for the exposure
};

// Progress notes of the position loop.
struct RSKPROGRESS {
    int64_t every;                   // positions between notes (0 or less: no notes)
    int64_t since_note;              // positions counted since the last note
    int32_t notes;                   // notes given
    double reference;                // clock reading of the last note (or of the loop's start)
};

// What the position loop and the phases after it keep in the run block.
struct RSKLOOPRUN {
    RSKINSTCACHE cache;
    RSKPROGRESS progress;
    double positions_in_file;        // of the current instrument file
    int64_t instrument_errors;
    int64_t first_position;          // the range of the current portfolio part
    int64_t last_position;
    uint8_t range_on;
    uint8_t reading_prices;          // the entry's prices are read back, not computed
    uint8_t base_failed;
    uint8_t prices_reused;
    uint8_t signed_exposure;         // the run subtracts exposures
    uint8_t value_weighted;
    uint8_t exposure_option;         // exposure-weighted variables divide by the exposure sum
    int32_t missing_values_reported; // 598/2733 cases (50 printed)
    struct RSKINSTTYPE* class_reported[10];   // types named by 598/1165 (10 at most)
    RSKPPVAR* ppvars;                // the run's post-processed output variables
    int32_t ppvar_count;
    uint8_t* portfolio_record;       // the one cell of a run without a cross-classification
    double base_value_copy;          // the second copy of the base value the analyses read
    // Clock of the progress notes and the loop timers (seconds); null: the host's clock.
    double (*clock)();
    // ---- the position loop over one instrument file (position_loop*.cpp) ----
    double valued;                   // positions valued from the current file (zero positions too)
    int64_t positions_counted;       // positions read from the current file
    uint8_t position_changed;        // the reader passed over records before this position
    uint8_t counterparty_on;         // counterparty methods run for the current file
    uint8_t mitigation_on;           // the file's positions wait for the mitigation pass
    int32_t class_reports;           // 598/1165 given (10 at most)
    int64_t counted_priced;          // block counters already added to the run's totals
    int64_t counted_delivered;
    int64_t reused_delivered;        // state values delivered from the prices of a cached position
    double* cf_places[3];            // where the programs read _CFCUR_, _CFDATE_ and _CFAMNT_
    double loop_seconds;             // the last loop's time, for 598/2818
};

// ---- Leading statistics ----

// Adds one position (value and exposure, either may be missing) to a cell's statistics.
void rsk_cell_add_position(RSKCELLHEAD* cell, double value, double exposure, int signed_exposure);
// Rolls record `added` into `cell`: roll-up mode 0 (add), 1 (value-weighted returns) or 2
// (exposure-weighted sums), `again` 0 for the first contribution to the cell. The post-processed
// output variables sit at their offsets after both heads. Always 0.
int roll_up_head(RSKCON* con, RSKCELLHEAD* cell, const RSKCELLHEAD* added, int mode, int again);
// The head part of the finish of one cell: mean and standard deviation in place (divisor by the
// run's VARDEF), missing minimum and maximum without a valued position, a negative exposure sum
// floored at 0.
void rsk_cell_finish_head(RSKCON* con, RSKCELLHEAD* cell);
// The value-weighted step of one record: output variables divided by the record's value sum
// or exposure basis (exposure_only: only exposure-weighted ones). 0.
int process_vw_head(RSKCON* con, RSKCELLHEAD* record, int exposure_only);

// ---- Progress notes, ranges ----

// Seconds between time-driven notes after `notes` notes: 5, 30 from 10 notes, 60 from 50, 300
// from 100, 900 from 200.
double rsk_progress_interval(int32_t notes);
// Counts one position at clock reading `now`; 1 when a note is to be given now (then the note is
// counted, the count restarts, the reference time becomes `now` and every tenth note doubles the
// spacing), else 0. A note is due when the count reaches the spacing, or, unless generic, when
// more than the interval has passed since the reference; never once every position is valued.
int rsk_progress_due(RSKPROGRESS* progress, double now, int generic, double valued, double in_file);
// The positions of part p of n over N positions: first = trunc((p-1) N / n + 1), last =
// trunc(min(p N / n, N)); one part covers 1..N with the range off. 0, or 1 for a part number
// outside 1..n.
int rsk_part_range(int32_t part, int32_t parts, double positions, int64_t* first, int64_t* last, uint8_t* range_on);
// The analysis's state range relative to its first state: 0 and states - 1. 0, or 1 when the
// range lies outside the `generated` states of the run.
int get_range(RSKCON* con, const RSKANLPROC* result, int64_t generated, int64_t* first, int64_t* last);

// ---- Instrument cache ----

// 1 when the current position's instrument equals the cached key, else 0.
int same_instru(RSKCON* con);
// Stores the current position as the cache key (an allocation failure empties the key).
void cache_instru(RSKCON* con);


// ---- The position loop ----

// Prices the states of the current position (reuse 0), or delivers again the prices kept from
// the cached identical position, scaled to the current quantity (reuse 1). 0 or 1.
int price_states(RSKCON* con, int reuse);
// Hands the current valued position to its aggregation cell (or the run's single cell) and
// writes its instrument-values row. 0, or the first failing code.
int run_analysis(RSKCON* con, RSKINSTTYPE* type, int32_t* class_reports);
// Adds the current position to one cell: its statistics, the aggregated output variables, and
// the per-position phase of every enabled analysis. 0 or the largest phase code.
int perform_analysis(RSKCON* con, RSKINSTTYPE* type, void* cell);
// Adds the blocks' counters of states priced and values delivered to the run's totals.
int get_counts(RSKCON* con);
// Finds where the programs read the cash-flow system variables: 0, or 1 after 670/3561.
int get_cf_sym(RSKCON* con);
// The positions of the run's portfolio part in the entry's file; the reader is set to skip the
// others. 0, or 1 for a part outside its count.
int reset_positions(RSKRUNBLOCK* run, RSKPORTENTRY* entry);
// Copies the current instrument's values from where the reader put them into the instrument
// record the programs read.
void rsk_expand_instrument(RSKCON* con, RSKINSTTYPE* type);

// ---- Counterparty and mitigation around the loop ----

// Counterparty processing of the file: the counterparty methods for the entry. 0 or 1.
int start_cpty_stuff(RSKCON* con, RSKPORTENTRY* entry);
// The current position's counterparty. 0 or 1.
int read_class_cpty(RSKCON* con, RSKINSTTYPE* type);
// Mitigation processing of the file. The pass needs the container's position store, which is not
// part of this build: with an active container that lists types the run ends here (1), else 0.
int initialize_mit_stuff(RSKCON* con, RSKPORTENTRY* entry);
void cleanup_cpty_stuff(RSKCON* con);
void cleanup_mit_stuff(RSKCON* con);
