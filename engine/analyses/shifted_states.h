// Scenario, P/L curve and P/L surface analyses: their cell records, work areas and phase routines,
// and the helpers the three share to shift risk factors, number their states and append them.
#pragma once
#include <cstddef>
#include <cstdint>

#include "engine/analyses/analysis_phases.h"
#include "engine/model/analyses/analysis_record.h"
#include "engine/output/result_datasets.h"
#include "engine/tables/control_structure.h"

struct RSKVARIABLE;

// Perturbation types of the registry.
enum : uint32_t { RSKSHIFT_VALUE = 1, RSKSHIFT_ABSOLUTE = 2, RSKSHIFT_RELATIVE = 3, RSKSHIFT_VOLATILITY = 4 };

// exp(x) is taken only strictly inside this window; outside it the shifted value is missing.
constexpr double kRskExpLow = -708.3964185;
constexpr double kRskExpHigh = 709.78271289339;
// Divisors at or below this magnitude make a relative result missing.
constexpr double kRskSmallDivisor = 1.110223024625157e-16;

// ---- Scenario (kind 5) ----

// One output variable's sums in a cell (48 bytes, at 4-byte aligned offsets in the cell: read
// and written with memcpy). Losses and negative values are positive magnitudes for priced
// variables, negative numbers for post-pricing and post-valuation variables.
struct RSKSCNVAL {
    double pl;
    double gain;
    double loss;
    double value;
    double positive_value;
    double negative_value;
};
static_assert(sizeof(RSKSCNVAL) == 48, "a scenario record is six doubles");

// What an output variable of a scenario is.
enum : uint8_t { RSKSCNROLE_OTHER = 0, RSKSCNROLE_PL = 1, RSKSCNROLE_EXPOSURE = 2 };
// Its computation: priced, or left to the post-pricing or post-valuation methods.
enum : uint8_t { RSKSCNPOST_NONE = 0, RSKSCNPOST_PRICING = 1, RSKSCNPOST_VALUATION = 2 };

// One output variable of a scenario run.
struct RSKSCNOUTV {
    RSKVARIABLE* variable;           // null for the P/L and exposure values of the price row
    int32_t column;                  // without a variable: the column of the price row; with one:
                                     // the element within the variable's columns
    int32_t offset;                  // its record in the analysis area of a cell
    int32_t size;                    // 48
    uint8_t role;                    // RSKSCNROLE_*
    uint8_t scaling;                 // 0 none, 1 scaled by the value, 2 by the exposure
    uint8_t post;                    // RSKSCNPOST_*
    uint8_t post_rolls_up;           // a post-pricing variable rolled up by exposure roll-ups
    int16_t name_length;
    char name[32];
};

// The work area of a scenario run.
struct RSKSCNWORK {
    int32_t count;
    RSKSCNOUTV* entries;
    int32_t pl_entry;                // index of the P/L entry
    int32_t exposure_entry;          // index of the exposure entry; -1 when the run has none
    int32_t exposure_slot;           // offset of the exposure slot in the area; 0 none
};

// ---- P/L curve (kind 3) and P/L surface (kind 4) ----

// One curve point's sums in a cell. Losses and negative values are negative numbers.
struct RSKPLPOINT {
    double pl;
    double value;
    double gain;
    double loss;
    double positive_value;
    double negative_value;
};
static_assert(sizeof(RSKPLPOINT) == 48, "a curve point record is six doubles");

// What phase 1 decided for a factor (curve) or a pair (surface); phases 2 and 5 follow it.
enum : uint8_t {
    RSKGRID_STATES = 0,              // states were made
    RSKGRID_MISSING = 1,             // no value: the records are missing, no rows
    RSKGRID_SKIPPED = 2,             // no volatility or no grid: records carry the base value, no rows
};

// One factor of a curve, or one pair of a surface, in a run.
struct RSKGRIDITEM {
    const RSKANLFACTOR* grid[2];     // the definition entries (second null for a curve)
    RSKVARIABLE* variable[2];
    int32_t points[2];               // m and n (n = 1 for a curve)
    int32_t amounts[2];              // where its grid amounts start in the amount table
    int32_t record;                  // its first point record in the cell area
    int64_t first, end;              // local range over the first factor's points
    uint8_t status;                  // RSKGRID_*
};

struct RSKGRIDWORK {
    int32_t count;                   // factors (curve) or pairs (surface)
    RSKGRIDITEM* items;
    double* amounts;                 // the grid amount table
    int32_t amount_count;
    int32_t records;                 // point records per cell
};

// ---- Shared helpers ----

// The current value of a factor (or array element) in the run's current market; missing when
// the variable has no place there.
double rsk_shift_get(const RSKVARIABLE* v);
void rsk_shift_set(RSKVARIABLE* v, double value);
// Elements of an array factor (0 for a plain one).
int32_t rsk_shift_elements(const RSKVARIABLE* v);
// exp(x) * base inside the window, else missing.
double rsk_shift_exp(double x, double base);
// Zero-filled bytes of the run pool; null after 598/2797 (once per run) with the label.
void* rsk_shift_alloc(RSKCON* con, size_t bytes, const char* label);
// The analysis part k of K of the run (1 of 1 when the run is whole).
void rsk_shift_part(RSKCON* con, int32_t* part, int32_t* parts);
// The run's global state counter: the states of this part plus those counted for other parts.
int64_t rsk_global_states(RSKCON* con);
// Counts states made by other parts of a divided run.
void rsk_count_elsewhere(RSKCON* con, int64_t states);
// The local range [first, end) of part k of K over n points.
void rsk_part_points(int32_t part, int32_t parts, int64_t n, int64_t* first, int64_t* end);
// Names the current factors and their index in the current state's header and writes the
// STATES_A row when the run writes states.
void rsk_note_factors(RSKCON* con, RSKANLPROC* run, RSKVARIABLE* first, RSKVARIABLE* second, int32_t index);
// Appends the current state (flag 0: derived market variables recomputed). 0 or 1.
int rsk_append_state(RSKCON* con, int flag);
// Adds `states` to the run's planned state count; 1 (with an internal error naming `routine`)
// when the count would pass what a state number holds.
int rsk_plan_states(RSKCON* con, const char* routine, int64_t states);
// The pricing results row of state `state` (absolute), null when outside the results.
const double* rsk_state_row(RSKCON* con, int64_t state);
// The position's base-case value and exposure as the run block holds them.
double rsk_position_base_value(RSKCON* con);
double rsk_position_base_exposure(RSKCON* con);
// Message 598/2690 for a factor without a usable volatility.
void rsk_report_volatility(RSKCON* con, const RSKANLPROC* run, const RSKVARIABLE* factor);

// The factor's volatility: 1 (with 598/2690 when `report`) when missing or not above 0, else 0
// and *volatility.
int check_missing_vol(RSKCON* con, const RSKANLPROC* run, const RSKVARIABLE* factor, double* volatility, int report);
// Start and step of a grid of n points from a to z of perturbation type `type` around base b.
// 0; 1 when the volatility is missing (start b, step 0); 2 for an unknown type.
int get_x_inc(RSKCON* con, const RSKANLPROC* run, const RSKVARIABLE* factor, uint32_t type, double a, double z,
              int64_t n, double base, double* start, double* step, int element);

// ---- Phases ----

int rsascn0(RSKCON* con, RSKANLPROC* run, RSKANALYSIS* analysis);
int rsascn1(RSKCON* con, RSKANLPROC* run);
int rsascn2(RSKCON* con, RSKANLPROC* run, void* area, int64_t first, int64_t last);
// The value-weighting step (flag as the run engine passes it); rsascn_step is it with flag 0.
int scen_process_vw(RSKCON* con, RSKANLPROC* run, void* area, int flag);
int rsascn_step(RSKCON* con, RSKANLPROC* run, void* area);
int rsascn3(RSKCON* con, RSKANLPROC* run, void* target, void* source, int mode, int keep);
// The post-pricing methods on one rolled-up cell: the records of the post-pricing variables.
int postprice_scn_run(RSKCON* con, RSKANLPROC* run, void* area);
// The post-valuation methods on one finished cell (nothing without them): the records of the
// post-valuation variables. 0, or the program's code after 670/3623.
int rsascn4(RSKCON* con, RSKANLPROC* run, void* area);
int rsascn5(RSKCON* con, RSKANLPROC* run, void* area, RSKROWWRITER writer, RSKRESDS* resds);

// The record helpers of the scenario cells.
void set_scenval(RSKSCNVAL* record, double value);
void addValueToResult(RSKSCNVAL* record, double value, double base, int scaled);
// mode 0 adds, 1 divides by |divisor field|, 2 by the divisor field (above the small divisor).
void aggregateResults(RSKSCNVAL* target, const RSKSCNVAL* source, int mode, const RSKSCNVAL* divisor);
// The record of a variable a method computed as p, against base value `base`: value sums from
// p (negative values as negative numbers), P/L, gain and loss (negative) when the base is present.
void set_postvars(RSKSCNVAL* record, double p, double base);
// The records of the post-valuation variables from the program's values after its run.
void save_postvars(RSKCON* con, RSKANLPROC* run, void* area);

int rsaplc0(RSKCON* con, RSKANLPROC* run, RSKANALYSIS* analysis);
int rsaplc1(RSKCON* con, RSKANLPROC* run);
int rsaplc2(RSKCON* con, RSKANLPROC* run, void* area, int64_t first, int64_t last);
int rsaplc5(RSKCON* con, RSKANLPROC* run, void* area, RSKROWWRITER writer, RSKRESDS* resds);
// The records of a factor without states: each takes the base value into its value sums (when
// its P/L is not missing).
void skip_curve(RSKCON* con, void* cursor, int32_t doubles_per_point, int64_t points, double base);

int rsapls0(RSKCON* con, RSKANLPROC* run, RSKANALYSIS* analysis);
int rsapls1(RSKCON* con, RSKANLPROC* run);
int rsapls2(RSKCON* con, RSKANLPROC* run, void* area, int64_t first, int64_t last);
int rsapls5(RSKCON* con, RSKANLPROC* run, void* area, RSKROWWRITER writer, RSKRESDS* resds);
void skip_surface(RSKCON* con, void* cursor, int32_t doubles_per_point, int64_t points, double base);

// Point records of curve and surface cells, by record number from the start of the area.
RSKPLPOINT rsk_point_load(const void* area, int64_t record);
void rsk_point_store(void* area, int64_t record, const RSKPLPOINT& point);
void rsk_points_missing(void* area, int64_t record, int64_t count);
// Adds a position's value v in a point's state against its base value b (a missing one makes
// the P/L missing; a missing P/L stays so).
void rsk_point_add(RSKPLPOINT* point, double v, double b);
// Phase 2 over one curve factor or surface pair: its records missing, carrying the base value, or
// summed over its states from *state on (advanced). 1 once a state passes `last`.
int rsk_grid_range(RSKCON* con, RSKANLPROC* run, const RSKGRIDITEM& item, int64_t first, int64_t last, void* area,
                   int64_t* state);
// Row fields: a variable's name (blank padded), its label, and a point's sums with Return.
void rsk_put_name(char* field, size_t capacity, const RSKVARIABLE* v);
void rsk_put_label(char* field, size_t capacity, const RSKVARIABLE* v);
void rsk_put_point(RSKROWVALUES* row, const RSKPLPOINT& point);

// The roll-up of curve and surface cells: the shared additive roll-up (mode 0 only).
int plgrid_rollup(RSKCON* con, RSKANLPROC* run, void* parent, void* child, int mode, int count);
// The per-position phase of the P/L curve and surface: the position's values in the states
// `first` to `last` of the analysis go to each grid item's records. 0, or 1 without work area.
int plgrid_positions(RSKCON* con, RSKANLPROC* run, void* area, int64_t first, int64_t last);
