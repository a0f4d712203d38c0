// Sample quantile positions under the percentile definitions, Hill estimates of tail indices,
// extreme quantiles and tail means, and order-statistic positions for quantile confidence limits.
#pragma once
#include <cstdint>

struct tail_sample {
    const double* sample;    // n values, ascending (descending with TAIL_DESCENDING)
    int32_t n;               // at least 100 for the tail routines
    int32_t k;               // tail size; outside [2, n/2) it becomes trunc(0.1 n)
    double centre;           // median unless TAIL_CENTRE_KNOWN
    double mean;
    double sd;
    uint8_t flags;
    int32_t definition;      // percentile definition 1 to 5 for the centre (others: 1)
    double left_alpha;
    double right_alpha;
    int32_t left_position;   // 0-based index of the threshold order statistic
    int32_t right_position;
    // Percentage of the sample in each estimated tail (100 k / n), missing until that tail is done.
    double left_tail_percent;
    double right_tail_percent;
};

enum : uint8_t {
    TAIL_CENTRE_KNOWN = 0x80,
    TAIL_MEAN_KNOWN = 0x40,
    TAIL_LEFT_WANTED = 0x20,
    TAIL_RIGHT_WANTED = 0x10,
    TAIL_SD_KNOWN = 0x08,
    TAIL_LEFT_DONE = 0x04,
    TAIL_RIGHT_DONE = 0x02,
    TAIL_DESCENDING = 0x01,
};

// Weight g of the upper element of the p-quantile: g x[upper] + (1 - g) x[lower], 0-based.
double zunifct(int definition, double n, double p, double* lower, double* upper);
// Tail indices of the wanted tails: 0; 1 when n < 100; 2 when the sample allows no estimate.
int zextalf(tail_sample* ts);
// Hill estimate of one tail (mode 0 to 3): 0, or 2 when a logarithm or the scale is unusable.
int calcHillAlpha(const double* x, int32_t n, int32_t k, double centre, double scale, int mode,
                  double* alpha, int32_t* position);
// Extreme p-quantile and tail mean: 0; 1 n < 100; 3 p outside (0,1) or 0.5; 4 power overflow;
// or a code of zextalf.
int zextqua(tail_sample* ts, double p, double* quantile, double* tail_mean);
// 1-based order-statistic positions bracketing the p-quantile at level L: 0, or 1 when too small.
int ztvar2(int32_t n, double p, double level, int32_t* lower, int32_t* upper);
// Two-sided positions whose coverage reaches the level (within 0.05): 0, else 1.
int ztvar(int32_t n, double p, double level, int32_t* lower, int32_t* upper);

using tail_search_fn = double (*)(double level, int32_t j, int32_t n, double p);
// Largest j in 1 .. upper with fn(level, j, n, p) not negative, for fn falling in j (within one step).
int32_t binsearch(tail_search_fn fn, int32_t upper, double level, double p, int32_t n);
// Coverage of the half-width j minus the level (the largest double when it cannot be computed).
double minf(double level, int32_t j, int32_t n, double p);
// P(Bin(n, j/n) <= n p) minus the level (the largest double when it cannot be computed).
double minf2(double level, int32_t j, int32_t n, double p);
