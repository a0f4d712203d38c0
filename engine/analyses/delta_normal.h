// Delta-normal value at risk (kind 10): per cell the deltas of the factors of a covariance or
// correlation market data set and z * sqrt(d' C d) * horizon scale, unconditional and per
// category (conditional: the category's factors; marginal: all others).
#pragma once
#include <cstdint>

#include "engine/analyses/analysis_phases.h"
#include "engine/model/services/files.h"

constexpr int kRskCategoryNameWidth = 32;

// The run's work area of a delta-normal analysis (from the run pool).
struct RSKDVRWORK {
    interval_spec interval;          // the analysis' interval (WEEKDAY when none and no INPUTDS)
    mds market;                      // the market data set while it is open
    int32_t open_type;               // 6 covariance, 10 correlation
    int32_t columns;                 // risk-factor columns of the market data (m)
    int32_t n;                       // run factors
    RSKVARIABLE** factors;           // n, in list order
    double* base_values;             // n
    double* shifts;                  // n
    double* matrix;                  // packed n(n+1)/2, then a second copy to test it
    double* volatilities;            // correlation: n volatilities, then n weighted deltas
    int32_t results;                 // r: 1 + usable categories
    int32_t conditional;             // how many of them are conditional
    int32_t marginal;
    uint8_t multi;                   // r > 1
    char* category_names;            // (r - 1) x 32, blank-padded
    uint8_t* category_masks;         // (r - 1) x n; 1 = the factor takes part
    double* weights;                 // n: scratch of the finish phase
};

// The finish of one cell: z * sqrt(w' C w) * k over the factors whose mask byte is 1 (mask null:
// all), w = deltas (times the volatilities for a correlation); missing when any delta,
// volatility or matrix element is missing. Exposed for the benchmark and the tests.
double rsadvr_value_at_risk(const RSKDVRWORK* work, const double* deltas, const uint8_t* mask, double z,
                            double horizon_scale);
// -probit(ALPHA) with ALPHA 0 or negative taken as 0.05.
double rsadvr_quantile(double alpha);
// The horizon scale k of the analysis from the run's base date.
double rsadvr_horizon_scale(const RSKANALYSIS* analysis, const interval_spec* interval, double base_date);

// Steps of the build, each 0 or 1: the work area in the run record; the factor table of the run
// factor list; the matrix test (Cholesky pivots; a matrix that is not semidefinite is repaired
// after 598/2649); the category names and masks of lists 0 and 1.
RSKDVRWORK* rsadvr_work(RSKCON* con, RSKANLPROC* run);
int rsadvr_factors(RSKCON* con, RSKANLPROC* run, RSKDVRWORK* work);
int rsadvr_test_matrix(RSKCON* con, RSKDVRWORK* work);
int rsadvr_categories(RSKCON* con, RSKANLPROC* run, RSKDVRWORK* work);

int rsadvr0(RSKCON* con, RSKANLPROC* run, RSKANALYSIS* analysis);
int rsadvr1(RSKCON* con, RSKANLPROC* run);
int rsadvr2(RSKCON* con, RSKANLPROC* run, void* area, int64_t first, int64_t last);
int rsadvr3(RSKCON* con, RSKANLPROC* run, void* parent, void* child, int mode, int count);
int rsadvr4(RSKCON* con, RSKANLPROC* run, void* area);
int rsadvr5(RSKCON* con, RSKANLPROC* run, void* area, RSKROWWRITER writer, RSKRESDS* resds);
