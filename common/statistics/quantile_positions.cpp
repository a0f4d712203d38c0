// Order-statistic positions that bound distribution-free confidence intervals for a quantile,
// found by searches over binomial tail probabilities (incomplete beta ratios).
#include <cfloat>
#include <cmath>

#include "common/distributions/beta.h"
#include "common/statistics/tail_index.h"

namespace {

// I_x(a, b) through the library's incomplete beta; false when it cannot be computed.
bool incomplete_beta(double x, double a, double b, double* out) {
    double density = 0.0;
    return zibeta(x, a, b, out, &density) == 0;
}

// P(B <= m) for B binomial(n, p), m possibly fractional: I_(1-p)(n - m, m + 1).
bool binomial_cdf(int32_t n, double p, double m, double* out) {
    if (m < 0.0) { *out = 0.0; return true; }
    if (m >= n) { *out = 1.0; return true; }
    return incomplete_beta(1.0 - p, n - m, m + 1.0, out);
}

bool coverage_of(int32_t j, int32_t n, double p, double* out) {
    double np = n * p, upper, lower;
    if (np + j - 1.0 >= n) upper = 1.0;
    else if (!binomial_cdf(n, p, np + j - 1.0, &upper)) return false;
    if (!binomial_cdf(n, p, np - j - 1.0, &lower)) return false;
    *out = upper - lower;
    return true;
}

}  // namespace

double minf2(double level, int32_t j, int32_t n, double p) {
    double q = 1.0 - static_cast<double>(j) / n;
    double np = n * p, value;
    if (q <= 0.0) return 0.0 - level;   // success probability 1: no count stays at or below n p < n
    if (!incomplete_beta(q, n - np, np + 1.0, &value)) return DBL_MAX;
    return value - level;
}

double minf(double level, int32_t j, int32_t n, double p) {
    double c;
    return coverage_of(j, n, p, &c) ? c - level : DBL_MAX;
}

int32_t binsearch(tail_search_fn fn, int32_t upper, double level, double p, int32_t n) {
    int32_t lo = 1, hi = upper, mid = (hi + 1) / 2;
    while (mid != lo && mid != hi) {
        if (fn(level, mid, n, p) < 0.0) hi = mid;
        else lo = mid;
        mid = (lo + hi) / 2;
    }
    return mid;
}

int ztvar2(int32_t n, double p, double level, int32_t* lower, int32_t* upper) {
    if (n < 2 || !(p > 0.0 && p < 1.0) || !(level > 0.0 && level < 1.0) || !lower || !upper) return 1;
    int32_t j1 = binsearch(minf2, n, level, p, n);
    if (j1 > 1 && minf2(level, j1, n, p) < 0.01) --j1;
    if (minf2(level, j1, n, p) < 0.0 && j1 == 1) return 1;
    int32_t j2 = binsearch(minf2, n, 1.0 - level, p, n);
    if (j2 - n * p > 1.0 && minf2(1.0 - level, j2, n, p) > 0.01) ++j2;
    if (j2 > n) j2 = n;   // a position beyond the sample does not exist
    if (minf2(1.0 - level, j2, n, p) > 0.0 && j2 == n) return 1;
    *lower = j1;
    *upper = j2;
    return 0;
}

int ztvar(int32_t n, double p, double level, int32_t* lower, int32_t* upper) {
    if (n < 4 || !(p > 0.0 && p < 1.0) || !(level > 0.0 && level < 1.0) || !lower || !upper) return 1;
    const int32_t i = static_cast<int32_t>(n * p);
    const int32_t jmax = (p > 0.5 ? n - i : i) - 1;
    if (jmax < 1) return 1;
    // Coverage grows with the half-width: the smallest j that reaches the level, by bisection.
    int32_t lo = 1, hi = jmax;
    while (lo < hi) {
        int32_t mid = (lo + hi) / 2;
        double m = minf(level, mid, n, p);
        if (m == DBL_MAX) return 1;
        if (m >= 0.0) hi = mid;
        else lo = mid + 1;
    }
    int32_t j = lo;
    if (i - j > 1 && minf(level, j, n, p) < 0.0) ++j;
    double excess = minf(level, j, n, p);
    if (i - j < 1 || i + j > n || !(excess >= 0.0 && excess <= 0.05)) return 1;
    *lower = i - j;
    *upper = i + j;
    return 0;
}
