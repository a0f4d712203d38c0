// The simulation core shared by covariance, model Monte Carlo, historical and series simulation:
// the work area, the state generator contract, the cell blocks and their statistics record.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "common/intervals/interval_spec.h"
#include "engine/analyses/analysis_phases.h"
#include "engine/model/analyses/analysis_record.h"
#include "engine/output/result_datasets.h"
#include "engine/run/analysis_processing.h"
#include "engine/tables/control_structure.h"

struct RSKANLPROC;
struct RSKVARIABLE;
struct RSKBOOTCTL;

// ---- Statistics of one cell, VaR type, horizon and output variable ----

constexpr int kRskLadderSize = 21;
// The quantile ladder: 0, 0.005, 0.01, 0.025, 0.05, 0.1, 0.2, ..., 0.995, 1 (the median is entry 10).
extern const double kRskQuantileLadder[kRskLadderSize];
constexpr int kRskLadderMedian = 10;

// Every double starts missing; a statistic that cannot be computed stays missing. The record sits
// in cell areas that may be only 4-byte aligned: copy it in and out with rsasim_get_stats and
// rsasim_put_stats, never through a cast pointer.
struct RSKSIMSTATS {
    int32_t total;                   // replications
    int32_t valid;                   // non-missing values
    double reserved1;
    double mean, std, skewness, kurtosis;
    double minimum, maximum, median;
    double var, es, var_l, var_u;
    double reserved2;
    double evt_percent, evt_var, evt_es;
    double quantiles[kRskLadderSize];
};

// ---- Output variables (one entry per value the simulation accumulates) ----

// Where an output variable's replication values come from.
enum : int32_t {
    RSKSIMSRC_PRICED = 0,            // the position's priced value (P/L: value minus base)
    RSKSIMSRC_POSTVALUATION = 1,     // computed by the post-valuation methods (second pass)
    RSKSIMSRC_POSTPRICING = 2,       // computed by the post-pricing methods
};

struct RSKSIMOUTV {
    RSKOBJNAME name;                 // "P/L", "Return", "Exposure", "Cash" or the variable's
    char label[kRskLabelCapacity];   // blank-padded
    int32_t label_length;
    RSKVARIABLE* variable;           // null for the built-in ones
    int32_t element;                 // array element (1-based), 0 for a scalar
    int32_t order;                   // position in the table: the block index within a horizon
    int32_t source_kind;             // RSKSIMSRC_*
    int32_t kind;                    // value kind: 0, 4 no fold; 1, 3, 5 fold >= 0 (3: upper tail);
                                     // 2, 6 fold <= 0
    int32_t conversion;              // 0 as priced, 1 times |first pricing result|, 2 times second
    uint8_t is_pl, is_return, is_exposure, is_cash;
    uint8_t postvar_marked;          // its statistics are offered to the post-valuation methods
    int32_t column;                  // its double offset in a pricing results row (0 the value);
                                     // -2 not priced
};

// ---- The state generator contract ----

// The generator sets the risk factors of a state in the run's current market and then calls the
// callback, which appends the state (rskmktu) and files it: simulation
// case k (0 unconditional, then one per conditional and marginal category), replication r and
// horizon index h, all 0-based. The largest code is kept.
using RSKSTATECALLBACK = int (*)(RSKCON* con, RSKANLPROC* run, int32_t k, int32_t r, int32_t h);
// A kind's state generator: produces every replication and horizon of case k, calling `callback`
// after each state, and returns the largest code it met (0 success).
using RSKSTATEGEN = int (*)(RSKCON* con, RSKANLPROC* run, RSKSTATECALLBACK callback, int32_t k);

// ---- The simulation work area (RSKANLPROC::work of a simulation analysis) ----

struct RSKSIMWORK {
    RSKANALYSIS* analysis;
    int32_t kind;                    // the analysis kind (6 to 9, 13, 15, 17)
    int32_t replications;            // R
    int32_t horizon_count;           // H (at least 1)
    const int32_t* horizons;         // ascending
    int32_t var_types;               // 1 + conditional + marginal
    int32_t conditional;             // categories taken from list 0
    int32_t marginal;                // categories taken from list 1
    char (*categories)[32];          // conditional rows first, blank-padded
    int32_t var_type;                // current VaR type (set_output_ids)
    char var_type_label[32];         // "Unconditional", "Conditional", "Marginal", "**Error**"

    // The replications this run part prices: the generator sets them in its build phase (after
    // rsasim0, which starts them at 0, 1 and R). The states of case k are numbered
    // (k * part_count + i) * H + h for the i-th replication of the part, whose number is
    // part_first + i * part_step.
    int32_t part_first;
    int32_t part_step;
    int32_t part_count;

    // Settings read from the analysis and the options (rsasim0).
    int32_t seed;
    int32_t generator_code;          // random stream kind
    double scale;                    // 1 when missing or not above 0
    double alpha;                    // ALPHA
    int32_t vardef;                  // 1 or 2
    int32_t pctldef;                 // 1 to 5
    int32_t evt_cutoff;              // EVTCUTOFF percentage
    uint8_t evt_stats;               // EVTSTATS
    uint8_t density_on;              // the run writes SIMDENS
    int32_t kernel;                  // 1 normal, 2 triangular, 3 quadratic
    double bandwidth;
    int32_t nboot;
    interval_spec interval;          // the horizon interval ("WEEKDAY" when none was given)
    uint8_t datetime;                // the interval counts date-times
    double analysis_date;            // the date horizons are counted from
    double horizon_date;             // the date of the horizon being written

    // Output variables and the cell layout.
    RSKSIMOUTV* outv;
    int32_t outv_count;
    int32_t density_points;          // m (0 when SIMDENS is off)
    int64_t block_bytes;             // one cell block: statistics, density, R values
    int64_t area_bytes;              // the analysis area of a cell: var_types x H x outv blocks

    // Scratch of the finish phase (one double per replication each) and of the density.
    double* sorted;                  // the valid values of the cell being computed, ascending
    double* resample;                // the values a bootstrap resample delivers
    double* density_scratch;         // 6 m doubles: grid, transform and fit of a folded grid
    double* fold_values;             // 2 R doubles: the values and their mirror images
    int32_t* slots;                  // one 32-bit slot per replication
    RSKBOOTCTL* boot;                // null without bootstrap
    int32_t statistics_pass;         // 1 or 2 (source kind 1 cells are computed in pass 2)
    uint8_t few_values_reported;     // 598/2681 given in this analysis
    uint8_t boot_reported;           // 598/2683 given in this analysis
    int32_t bound_warnings;          // 598/2684 given (at most 2)
    uint8_t empty_suppressed;        // 598/2680 is not given
    // The current cell's identity while it is computed: value label and kind, and the two
    // numbers messages 598/2680 and 2684 carry (VaR type and horizon number).
    const RSKSIMOUTV* current;
    int32_t current_ids[2];

    // Generation.
    int32_t generated;               // replications generated so far (r + 1 of the last state)
    int32_t last_replication;        // -1 before the first state
    int64_t states_before;           // the run's state count when the case began
    int32_t state_count;             // states this analysis appended
    void* generator;                 // the kind's own context, set by its build phase
    uint8_t generating;              // states are generated here (not read back)
    int32_t setup_lines;             // "bad rc from rskrsvx" lines given (10 at most)

    // Risk-factor statistics per VaR type, horizon and factor (accumulate_rf_stats).
    struct RSKSIMRFSTAT* rf_stats;
    int32_t rf_count;
    uint8_t* factor_weights;         // per run factor: 1 changes in the current case, 0 keeps its base
    // With SIMRFIM: every factor's change per case, horizon and replication (null without),
    // index ((k * H + h) * factors + f) * R + r.
    double* rf_values;

    // Post-valuation and post-pricing bindings (simulation_postvars.h), built on first use.
    struct RSKPOSTVARS* postvars;
    struct RSKPOSTPRICE* postprice;
};

// One risk factor's change statistics for a VaR type and horizon.
struct RSKSIMRFSTAT {
    int32_t count;                   // -1: invalid values met
    double sum;                      // the mean after rsasimf
    double squares;                  // the standard deviation after rsasimf
    double minimum, maximum;
    double base;                     // the factor's base value
    double cuts[4];                  // quintile cut points (missing when not computed)
};

// ---- Cell blocks ----

// The block of VaR type k, horizon index h and output variable v in an analysis area.
inline uint8_t* rsasim_block(const RSKSIMWORK* w, void* area, int32_t k, int32_t h, int32_t v) {
    const int64_t index = (static_cast<int64_t>(k) * w->horizon_count + h) * w->outv_count + v;
    return static_cast<uint8_t*>(area) + index * w->block_bytes;
}
inline void rsasim_get_stats(const uint8_t* block, RSKSIMSTATS* out) { std::memcpy(out, block, sizeof *out); }
inline void rsasim_put_stats(uint8_t* block, const RSKSIMSTATS* in) { std::memcpy(block, in, sizeof *in); }
// The density area (m grid points, m densities, m + 1 cumulative values) follows the record.
inline uint8_t* rsasim_density(const RSKSIMWORK*, uint8_t* block) { return block + sizeof(RSKSIMSTATS); }
// Replication value r of a block.
inline uint8_t* rsasim_values(const RSKSIMWORK* w, uint8_t* block) {
    return block + sizeof(RSKSIMSTATS) + static_cast<size_t>(w->density_points) * 3 * 8 + (w->density_points ? 8 : 0);
}
inline double rsasim_get(const uint8_t* values, int64_t i) {
    double x;
    std::memcpy(&x, values + i * 8, 8);
    return x;
}
inline void rsasim_set(uint8_t* values, int64_t i, double x) { std::memcpy(values + i * 8, &x, 8); }

// ---- Options and lists (simulation_options.cpp) ----
// rsasima and rsasimb are declared in analysis_definitions.h.

// ---- Phases (simulation_build.cpp, simulation_states.cpp, simulation_cells.cpp,
// simulation_finish.cpp) ----

// Build: options, output variables, category table, cell layout, scratch. The kind's build
// phase calls it first, with its replication count, and then sets its part fields and context.
// 0, or 1 with the analysis marked failed.
int rsasim0(RSKCON* con, RSKANLPROC* run, RSKANALYSIS* analysis, int32_t replications);
// Generate: runs `generator` once per simulation case with rsasimx as callback, then rsasimf.
int rsasim1(RSKCON* con, RSKANLPROC* run, RSKSTATEGEN generator);
// Per state (the generators' callback).
int rsasimx(RSKCON* con, RSKANLPROC* run, int32_t k, int32_t r, int32_t h);
// After all states: the risk-factor statistics and the note of factors without variation.
int rsasimf(RSKCON* con, RSKANLPROC* run);
// Per position: adds the position's state values into the replication slots of the cell.
int rsasim2(RSKCON* con, RSKANLPROC* run, void* area, int64_t first, int64_t last);
// Roll-up of a child area into its parent; count 0 marks the parent's first child.
int rsasim3(RSKCON* con, RSKANLPROC* run, void* parent, void* child, int mode, int count);
// Finish of one cell: bootstrap set-up, statistics passes, post-valuation variables.
int rsasim4(RSKCON* con, RSKANLPROC* run, void* area);
// The base value of the cell an analysis area lies in (its positions' summed value), or missing
// when the area is not inside a cell record.
double rsasim_cell_base(RSKANLPROC* run, void* area);
// The per-position step of the simulation kinds.
int sim_process_vw(RSKCON* con, RSKANLPROC* run, void* area);
// Output of one cell into a result data set of kind 3, 4, 21, 22, 24 or 26 (direct output) and
// the level pass of the result writer.
int rsasim_output(RSKCON* con, RSKANLPROC* run, void* area, RSKROWWRITER writer, RSKRESDS* resds);
int rsasiml(RSKCON* con, RSKANLPROC* run, void* area, RSKROWWRITER writer, RSKRESDS* resds);

// The phase-table row of a simulation kind with its own build and generate phases.
constexpr RSKPHASES rsasim_phases(RskBuildPhase build, RskGeneratePhase generate) {
    return RSKPHASES{1, 1, 0, 0, build, generate, &rsasim2, &sim_process_vw, &rsasim3, &rsasim4,
                     &rsasim_output, &rsasiml};
}

// Builds the output-variable table from the three value flags and list 2 of the analysis.
// 0, or 1 out of memory.
int rsaoutv(RSKCON* con, RSKSIMWORK* work, RSKANALYSIS* analysis, int pl, int exposure, int returns);

// The date of horizon value h: the analysis date advanced by h intervals ("Same" alignment;
// date-time intervals count seconds).
double rskincValDate(RSKCON* con, const RSKSIMWORK* work, int32_t h);

// Makes VaR type t current: the work area's number and label, and the row's case, mode and
// category fields.
void set_output_ids(RSKCON* con, RSKSIMWORK* work, int32_t t);

// ---- Statistics (simulation_statistics.cpp, simulation_quantiles.cpp) ----

// Statistics of one cell block: gathers the valid values, moments, quantiles, density. 0.
int get_simulation_results(RSKCON* con, RSKSIMWORK* work, uint8_t* block);
// Moments of the work area's sorted vector of stats->valid values. 1 when there is none, else 0.
int compute_moments(RSKCON* con, RSKSIMWORK* work, RSKSIMSTATS* stats);
// Ladder, median, VaR, ES, bounds and extreme values of the same vector. 0, or 1 out of memory.
int compute_quantiles(RSKCON* con, RSKSIMWORK* work, RSKSIMSTATS* stats);
void get_order_stat(const double* values, int32_t n, int32_t i, int32_t j, double* lower, double* upper);
double get_quantile(double w, double a, double b);
// Shell sorts ascending in place; 1 when nothing moved (also n < 2), else 0.
int dshell(double* values, int64_t n);
int isort(int32_t* values, int64_t n);
void get_cutpoints(RSKCON* con, RSKSIMWORK* work, const RSKSIMSTATS* stats, double* quintiles, double* deciles);
void get_quant_index(RSKCON* con, double value, const double* quintiles, const double* deciles, double* quintile,
                     double* decile);
int64_t get1stLargerElement(const double* sorted, int64_t n, double x);

// ---- Risk-factor importance (simulation_importance.cpp) ----

// The replication values of one cell and the changes of one risk factor, with their summaries.
struct RSKRFPAIRS {
    const double* values;            // n cell values (missing allowed)
    const double* changes;           // n factor changes against the base value
    int64_t n;
    int64_t value_valid, factor_valid;
    double value_mean, value_std, factor_mean, factor_std;
    double value_cuts[4], factor_cuts[4];   // quintile cut points, ascending
};
// Four quintile cut points of `count` ascending values at equal steps, each raised by a few ulps.
// 1 (all missing) below five values, else 0.
int rf_cutpoints(const double* sorted, int64_t count, double* cuts);
// Information of the joint quintile classes over ln 5 (1: full dependence) and the correlation.
// Both missing and 1 when the cell or the factor gives no usable classes, else 0.
int rf_importance(const RSKRFPAIRS* pairs, double* information, double* correlation);
// The factor changes of case k, horizon h and factor f (R values), or null without SIMRFIM.
inline double* rsasim_rf_values(const RSKSIMWORK* w, int32_t k, int32_t h, int32_t f) {
    if (w->rf_values == nullptr) return nullptr;
    return w->rf_values + ((static_cast<int64_t>(k) * w->horizon_count + h) * w->rf_count + f) * w->replications;
}
// SIMRFIM rows of one cell: the factors by importance, largest first. The largest code.
int rsasim_importance_rows(RSKCON* con, RSKSIMWORK* work, RSKANLPROC* run, void* area, RSKROWWRITER writer,
                           RSKRESDS* resds);

// ---- Bootstrap and density (simulation_bootstrap.cpp, simulation_density.cpp) ----

int init_boot_strap(RSKCON* con, RSKSIMWORK* work);
int boot_strap(RSKCON* con, RSKSIMWORK* work, RSKSIMSTATS* stats, double p, int definition);
void free_boot_strap(RSKCON* con, RSKSIMWORK* work);
int compute_density(RSKCON* con, RSKSIMWORK* work, uint8_t* density, const RSKSIMSTATS* stats);

// The work area of a simulation run record, null when there is none.
inline RSKSIMWORK* rsasim_work(RSKANLPROC* run) {
    return run != nullptr ? static_cast<RSKSIMWORK*>(run->work) : nullptr;
}
