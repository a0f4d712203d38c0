// The evaluation of a position's cash flows in one market state (times to payment, yield, present
// values, conversion into the reporting currency, gap buckets, duration and convexity) and the
// rows of the cash-flow result data set, kept per pricing block and written in state order.
#pragma once
#include <cstddef>
#include <cstdint>

struct RSKCON;
struct RSKRESDS;
struct RSKCFWORK;
struct RSKBUCKETNAME;

// One cash-flow leg of the position in the block's own storage: its amounts are converted in
// place. A missing count counts as 0.
struct RSKCFLEG {
    double count;
    double* dates;
    double* amounts;
    double* third;                   // the leg's third vector (notes), written out as it is
};

// The flows of one position in one state as the caller resolved them: from the method's cash-flow
// variables (source 0) or from the instrument's cash-flow block (source 1). Absent vectors are
// null. The vectors are only read.
struct RSKCFFLOWS {
    double count;                    // missing or negative: a counted failure
    const double* dates;             // payment dates (host dates)
    const double* amounts;
    const double* repricing;         // repricing dates, or null
    const double* second;            // second amounts, or null
    const double* sum_values;        // values to sum, or null
    const double* pass_through;      // pass-through values (notes), or null
    double switch_value;             // only its sign is used: positive places second amounts
    RSKCFLEG* legs;                  // leg_count legs (the run's), or null
    int32_t leg_count;
};

// An exchange-rate curve registered for the position: N points, their times in years and the
// rates of the state being priced.
struct RSKCFCURVE {
    int32_t points;
    const double* times;
    const double* values;
};

// A cash-flow row of the result data set, kept until the calling thread writes it.
struct RSKCFROW {
    double cf_number;                // CFNumber
    double yield;                    // _Yield_
    double state_number;             // 0 base, s + 1 state s
    double date;                     // the state date
    double mat_date, mat_amount, disc_amount, rep_date, rep_amount, cf_note, ret_mat_amt, ret_rep_amt;
};

// The rows of one block: `count` rows, and per row three values per leg (date, amount, note) in
// `legs` (count x leg_count x 3). The memory is the general pool's and grows as rows are added.
struct RSKCFROWS {
    RSKCFROW* rows;
    double* legs;
    int32_t count;
    int32_t capacity;
    int32_t leg_count;
    uint8_t failed;                  // a row could not be kept (598/2797 given)
};

// The base state's evaluated flows, kept for the states that reuse the base value.
struct RSKCFBASE {
    int32_t capacity;                // flows each vector holds
    int32_t count;                   // flows kept (0: none)
    double yield;
    double rate;                     // the base state's conversion rate
    double quantity;                 // the position's quantity
    double* dates;
    double* amounts;
    double* present_values;
    double* converted;
    double* converted_second;
    double* repricing;
    double* second;
    double* pass_through;
    int32_t leg_count;
    int32_t* leg_counts;             // flows of each leg
    double* legs;                    // per leg three vectors of `capacity` values
};

// The run's cash-flow evaluation settings. The run driver fills them before pricing; pricing
// threads only read them, except `failures` (updated atomically) and `base` (written while the
// base state is priced, on the calling thread).
struct RSKCFSETTINGS {
    const double* cut_points;        // B cut points of the time buckets (null: no buckets)
    int32_t bucket_count;            // B
    const RSKBUCKETNAME* intervals;  // B - 1 intervals when the buckets move with the horizon
    uint8_t moving_buckets;          // cut points follow the state date (not in the base state)
    uint8_t convert;                 // amounts are converted into the reporting currency
    uint8_t use_repricing;           // second amounts are placed at their repricing dates
    uint8_t gap;                     // the gap buckets are wanted
    uint8_t duration;                // duration is wanted
    uint8_t convexity;               // convexity is wanted
    double split_ratio;              // share of the later bucket; missing: linear in the date
    int32_t failures;                // missing or negative counts of the run (670/3556, 40 given)
    RSKCFBASE* base;                 // the base state's record, or null
    double position_count;           // the current position's flow count, set by base pricing
};

// What one evaluation reads and where it writes, in the order the pricing hands them over.
struct RSKCFCALL {
    double state_date;
    double price;                    // the position's value in the state
    double* yield;                   // out: the discount base v = 1 / (1 + y) (missing with y)
    double* duration;                // in/out: Macaulay duration (years)
    double* convexity;               // in/out: second moment of payment times (years^2)
    double* sum;                     // out: the converted values to sum (0 without them)
    double* gap;                     // out: B simple bucket amounts, or null
    double* cumulative_gap;          // out: B running sums, or null
    int32_t state_index;             // the state's row in the market-state buffer, -1 the base
    double rate;                     // the state's conversion rate into the reporting currency
    int32_t source;                  // 0 the method's variables, 1 the instrument's cash-flow block
    RSKCFROWS* rows;                 // rows are kept here when not null
    double quantity;                 // the position's quantity, for the rows
    const RSKCFCURVE* fx_curve;      // the exchange-rate curve registered for the position, or null
    const char* type_name;           // the instrument type, for 670/3556
    int32_t type_name_length;
};

// The evaluation of one position in one state, with the block's work section. 0, or 1 after the
// counted failure of a missing or negative count.
int process_cashflow(RSKCFSETTINGS* settings, RSKCFWORK* work, const RSKCFCALL* call, RSKCFFLOWS* flows);
// Converts each leg's amounts in place by the rate of its date: the curve's rate for a date after
// the state date, else the state's single rate. Each leg's count is stored in `numbers`.
int process_cf_legs(RSKCFLEG* legs, int32_t leg_count, int32_t* numbers, double state_date, double rate,
                    const RSKCFCURVE* fx_curve);
// Keeps the rows of evaluated flows (R = the larger of the flow count and the largest leg count).
// Legs are read from `legs` with `leg_counts`, or from the base record when `legs_from_base`.
int output_cashflow(const RSKCFSETTINGS* settings, double yield, int32_t count, const double* dates,
                    const double* amounts, const double* present_values, const double* repricing,
                    const double* second, const double* converted, const double* converted_second,
                    const double* pass_through, double rate, int32_t state_index, double state_date,
                    const RSKCFLEG* legs, int32_t leg_count, int legs_from_base, double quantity, RSKCFROWS* rows);
// Keeps the rows of the base record for a state that reuses the base value.
int output_baseCF(const RSKCFSETTINGS* settings, int32_t state_index, double state_date, RSKCFROWS* rows);

// The base record for `flows` flows and `legs` legs from the general pool (598/2797 on failure).
RSKCFBASE* rskcf_base_alloc(RSKCON* con, int32_t flows, int32_t legs);
void rskcf_base_free(RSKCFBASE* base);
// Writes the kept rows through the result writer in the order they were kept and empties the list.
int rskcf_write_rows(RSKCON* con, RSKCFROWS* rows, RSKRESDS* resds);
// Gives the rows' memory back.
void rskcf_rows_free(RSKCFROWS* rows);
// The cash-flow year fraction of a date: (date - state date) / 365.25.
double rskcf_years(double date, double state_date);

// ---- the run's side ----

// Completes the run's settings once the "_cashflow_ buffer" exists: the cut points and intervals
// of the time buckets, each block's rows and the base record. 0, or 1 after 598/2797.
int rskcf_prepare(RSKCON* con);
// Gives back what rskcf_prepare and the blocks' rows took from the general pool.
void rskcf_release(RSKCON* con);
// The work section of an execution block (the base state is priced with block 0's), or null.
RSKCFWORK* rskcf_section(RSKCON* con, int block);

// ---- the pricing's side (the position's flows are the instrument's cash-flow block) ----

struct RSKTHREADCTL;
// A new position: no block keeps an exchange-rate curve registered by the previous one.
void rskcf_position_start(RSKCON* con);
// After base pricing: evaluates the base state into row 0 when the run asks for cash flows and
// the position has flows, and writes its rows. The result is the evaluation's.
int rskcf_price_base(RSKCON* con);
// After a state is priced on `block`: evaluates it into the block's current row (the cash-flow
// outputs become the sums, or 0.0 and factor 1.0 without an evaluation) and keeps its rows.
void rskcf_price_state(RSKCON* con, RSKTHREADCTL* block);
// A state of `block` that reuses the base value keeps the base record's rows for itself.
void rskcf_reuse_state(RSKCON* con, RSKTHREADCTL* block);
// After the wait: writes the kept rows of the first `blocks` blocks, in block (state) order.
int rskcf_write_blocks(RSKCON* con, int32_t blocks);
