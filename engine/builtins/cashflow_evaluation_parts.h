// The pieces of the per-state cash-flow evaluation that its files share: the yield that prices a
// position's remaining flows, the rate of a date on a registered exchange-rate curve and the
// placing of amounts into the time buckets of the gap report.
#pragma once
#include <cstdint>

#include "engine/builtins/cashflow_evaluation.h"

// Amounts below this size count as zero (the double just above 2^-53).
constexpr double kRskCfTiny = 1.110223024625157e-16;
// Yields at or above this bound are no yields: (1 + y)^t overflows for t of one year.
constexpr double kRskCfYieldLimit = 709.78271289339;

// The annual effective yield y (above -1) with sum of amounts_i (1 + y)^-times_i = target over
// the n flows (all times above 0). 0 with *yield set; 1 when no such yield exists (*yield is then
// missing). No flow gives yield 0.
int rskcf_yield(int n, const double* times, const double* amounts, double target, double* yield);

// The conversion rate of a date: the state's single rate for a missing date, a date on or before
// the state date or no curve; else the curve's rate at its time (first point's rate up to the
// first point, last point's beyond the last, linear between).
double rskcf_rate_at(double date, double state_date, double rate, const RSKCFCURVE* curve);

// The cut points of the state: the run's fixed ones, or, when the buckets move with the horizon
// and the state is not the base state, the state date advanced by each bucket's interval. Writes
// into `out` (B values) and answers the vector to use.
const double* rskcf_cut_points(const RSKCFSETTINGS* settings, double state_date, int32_t state_index, double* out);

// Places an amount dated `date` into the buckets: bucket 0 collects what lies on or before cut
// point 0 (and undated amounts) in *bucket0; a date after the last cut point is dropped. `hint`
// keeps the bucket of the previous date so the search goes forward.
void rskcf_place(const RSKCFSETTINGS* settings, const double* cuts, double date, double amount, double* buckets,
                 double* bucket0, int32_t* hint, double* previous_date);
