// The state generators of covariance, historical and series simulation: their contexts (held in
// the simulation work area's generator word), phases, and the factor helpers they share.
#pragma once
#include <cstddef>
#include <cstdint>

#include "engine/analyses/simulation_run.h"
#include "engine/model/services/files.h"
#include "engine/tables/control_structure.h"

struct RSKVARIABLE;

// Adjustment modes for a factor value that cannot be computed.
enum : int32_t { RSKADJUST_MISSING = 0, RSKADJUST_BASE = 1 };

// The tolerance under which a Cholesky diagonal counts as zero (a dependent factor).
constexpr double kRskCholeskyTolerance = 1e-8;
// Internal-error lines a generator prints per run.
constexpr int32_t kRskGeneratorErrorLines = 10;

// One simulated risk factor and what a generator keeps of it.
struct RSKSIMFACTOR {
    RSKVARIABLE* variable;
    double saved;                    // an observation kept while other horizons are built
    int32_t adjustments;             // values replaced by the base value in the current case
};

// What every generator keeps: its factors, options and the adjustments per case and horizon.
struct RSKSIMGEN {
    RSKSIMFACTOR* factors;
    int32_t factor_count;
    int32_t adjust_mode;             // RSKADJUST_*
    double scale;                    // shock scale s (1 when missing or not above 0)
    int32_t cases;                   // simulation cases (VaR types)
    int32_t horizon_count;
    const int32_t* horizons;
    int32_t* adjusted;               // cases x horizons: states with an adjusted factor
    int32_t part, parts;             // analysis part p of P (1 of 1 when the run is whole)
    int64_t highest_skipped;         // the highest replication left to another part (-1 none)
    int32_t replications;            // R as handed to the simulation core
    mds reader;                      // the market data the generator reads
    int32_t open_type;
    uint8_t reader_open;
    int32_t error_lines;             // internal-error lines of the generator (ten are printed)
};

// Covariance simulation (kind 6).
struct RSKCOVSIM {
    RSKSIMGEN gen;
    uint8_t* block;                  // one allocation: matrix triangle, copy triangle, flags
    size_t block_bytes;              // n + 8 n (n + 1)
    double* matrix;                  // packed lower triangle: the matrix, then its factor L
    double* copy;                    // the matrix as read (and the Wishart work triangle)
    uint8_t* flags;                  // per row of L: 1 for a dependent factor
    int32_t rank;
    double* volatilities;            // correlation input: one per factor, else null
    int32_t* pivots;                 // row i of L is factor pivots[i]; null without PIVOT
    double* work;                    // normals then shocks: n x horizons x 2
    size_t work_count;
    int32_t generator_code;          // random stream kind
    int32_t seed;
    uint8_t wishart;                 // Wishart factors are drawn
    double wishart_df;
};

// Historical simulation (kind 8).
struct RSKHISTSIM {
    RSKSIMGEN gen;
    double start_date, end_date;     // missing: the history's first or last observation
    int32_t window;                  // H: the largest horizon, in observations
    uint8_t overlap;                 // windows start one observation apart
    int32_t observations;            // usable observations counted by the build
    double* ring;                    // H slots of one value per factor, then the closing values
    int32_t position;                // ring slot of the current window's first observation
};

// Series simulation (kind 9).
struct RSKSERSIM {
    RSKSIMGEN gen;
    int32_t match;                   // 0 by order, 1 by date, 2 by horizon number
    uint8_t changes;                 // the data set holds changes ("Changes"), else levels
    double* targets;                 // MATCH 1: the date of each horizon
};

// ---- Shared factor helpers (simulation_factors.cpp) ----

// The slot of a factor's current value in the run's market, and its base-case value.
double* rsasim_current(RSKVARIABLE* variable);
double rsasim_base(RSKVARIABLE* variable);
// Restores the run's current market from its base-case copy, and every generator factor.
void rsasim_restore(RSKCON* con, RSKSIMGEN* gen);
// Writes case, replication and horizon (as numbered in results) into the run's row record.
void rsasim_row_ids(RSKCON* con, int32_t k, int32_t replication, int32_t horizon);
// Clears the lag positions of the run (start of a replication) / advances them between horizons.
void rsasim_lags_clear(RSKCON* con);
void rsasim_lags_advance(RSKCON* con);
// The run's analysis part p of P into the generator (1 of 1 when the run is whole).
void rsasim_parts(RSKCON* con, RSKSIMGEN* gen);
// The factor list of the run record into gen->factors (from the run pool). 0, or 1 (598/2797).
int rsasim_take_factors(RSKCON* con, RSKANLPROC* run, RSKSIMGEN* gen);
// Adjustment counters: cases x horizons, zeroed (598/2797 on failure, 1).
int rsasim_take_counters(RSKCON* con, RSKSIMGEN* gen);
// After the core's build: the generator joins the work area, which deals the replications to
// the parts round robin (replication j belongs to part (j mod P) + 1), and the adjustment
// counters are taken. 0, or 1 (598/2797).
int rsasim_deal_replications(RSKCON* con, RSKSIMGEN* gen, RSKSIMWORK* work, void* generator);
// Phase 1 of a generator that reads market data: the lag history is opened, the core makes the
// states with `generator`, then the history and the generator's market data are closed. The
// core's code (its failures are reported by the core).
int rsasim_generate_from_data(RSKCON* con, RSKANLPROC* run, RSKSIMGEN* gen, RSKSTATEGEN generator);
// The adjustments report of case k (598/2660, 8100 to 8106) when mode 1 adjusted anything.
void rsasim_report_adjustments(RSKCON* con, RSKANLPROC* run, RSKSIMGEN* gen, int32_t k);
// Message 598/2614: the analysis's factors could not be listed (analysis and project names).
void rsasim_factor_list_failed(RSKANLPROC* run);
// Memory from the run pool, counted against the run; null after 598/2797 with the label.
void* rsasim_allocate(RSKCON* con, size_t bytes, const char* label);

// ---- Covariance simulation (covariance_simulation.cpp, covariance_factor.cpp) ----

int rsacsm0(RSKCON* con, RSKANLPROC* run, RSKANALYSIS* analysis);
int rsacsm1(RSKCON* con, RSKANLPROC* run);
int rsacsmg(RSKCON* con, RSKANLPROC* run, RSKSTATECALLBACK callback, int32_t k);
// The replications of analysis part p of P: (p - 1) R / P up to p R / P, contiguous.
void rsacsm_parts(RSKSIMWORK* work, const RSKSIMGEN& gen);
// Factorises the context's matrix (n = gen.factor_count) with or without pivoting, repairs a
// matrix that is not semidefinite once (note 598/2649, method `psd_method`), sets the rank and
// the flags. `source` names the market data in messages. 0, or 1 after 598/2648 or 2644.
int rsacsm_factor(RSKCON* con, RSKCOVSIM* cov, int32_t psd_method, const RSKNAMEREC* source,
                  const RSKNAMEREC* analysis_name);
// The shocks of one horizon: x = s L y (through the pivots), times the volatilities.
void rsacsm_shocks(const RSKCOVSIM* cov, const double* normals, double step, double* shocks);
// Applies shock x to a factor's value v (additive for distribution code 2, else v e^x). False
// when the value cannot be computed.
bool rsacsm_apply(double v, double x, bool additive, double* out);

// ---- Historical simulation (historical_simulation.cpp) ----

int rsahsm0(RSKCON* con, RSKANLPROC* run, RSKANALYSIS* analysis);
int rsahsm1(RSKCON* con, RSKANLPROC* run);
int rsahsmg(RSKCON* con, RSKANLPROC* run, RSKSTATECALLBACK callback, int32_t k);
// The state value of a factor with base b over a window from x0 to x1 (mode 0 or 1; scale s).
// 0 computed, 1 missing under mode 0 / kept base under mode 1 (adjusted).
int rsahsm_value(double b, double x0, double x1, bool additive, double s, int32_t mode, double* out);
// The windows a history of `count` observations gives for window length H: count - H when they
// overlap, else one per H observations after the first.
int32_t rsahsm_windows(int32_t count, int32_t window, bool overlap);

// ---- Series simulation (series_simulation.cpp) ----

int rsassm0(RSKCON* con, RSKANLPROC* run, RSKANALYSIS* analysis);
int rsassm1(RSKCON* con, RSKANLPROC* run);
int rsassmg(RSKCON* con, RSKANLPROC* run, RSKSTATECALLBACK callback, int32_t k);
// The state value of a factor with base b and observation c (levels or changes; scale s).
// 0 computed, 1 missing under mode 0 / kept base under mode 1 (adjusted).
int rsassm_value(double b, double c, bool changes, bool additive, double s, int32_t mode, double* out);
// Counts the replications of the open scenario data (at most `most` when positive): every H
// observations by order, else a date or horizon number not beyond the previous one starts the
// next. 0, or 1 after 598/2617 or 2618 (a missing, non-positive or fractional key) or a read error.
int rsassm_count(RSKCON* con, RSKSERSIM* ser, RSKANALYSIS* analysis, int32_t most, int32_t* count);
int updateRiskFactors(RSKCON* con, RSKANLPROC* run, RSKSTATECALLBACK callback, int32_t k, int32_t replication,
                      int32_t horizon, int fill, int* adjusted);

