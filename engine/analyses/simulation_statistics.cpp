// Moments of a simulation cell, the gathering of its valid values, and the small sorting and
// order-statistic helpers the statistics, the replication rows and the optimisation share.
#include <cmath>

#include "engine/analyses/simulation_run.h"
#include "host/missing.h"
#include "host/print.h"

const double kRskQuantileLadder[kRskLadderSize] = {0,   0.005, 0.01, 0.025, 0.05, 0.1, 0.2,  0.25, 0.3,  0.4,  0.5,
                                                   0.6, 0.7,   0.75, 0.8,   0.9,  0.95, 0.975, 0.99, 0.995, 1};

namespace {

constexpr double kEps13 = 1.110223024625157e-13;

void clear_stats(RSKSIMSTATS* s, int32_t total) {
    const double m = qor::missing();
    s->total = total;
    s->valid = 0;
    s->reserved1 = s->reserved2 = m;
    s->mean = s->std = s->skewness = s->kurtosis = m;
    s->minimum = s->maximum = s->median = m;
    s->var = s->es = s->var_l = s->var_u = m;
    s->evt_percent = s->evt_var = s->evt_es = m;
    for (double& q : s->quantiles) q = m;
}

}  // namespace

int dshell(double* values, int64_t n) {
    int moved = 0;
    for (int64_t gap = n / 2; gap > 0; gap /= 2)
        for (int64_t i = gap; i < n; ++i)
            for (int64_t j = i - gap; j >= 0 && values[j] > values[j + gap]; j -= gap) {
                const double t = values[j];
                values[j] = values[j + gap];
                values[j + gap] = t;
                moved = 1;
            }
    return moved ? 0 : 1;
}

int isort(int32_t* values, int64_t n) {
    int moved = 0;
    for (int64_t gap = n / 2; gap > 0; gap /= 2)
        for (int64_t i = gap; i < n; ++i)
            for (int64_t j = i - gap; j >= 0 && values[j] > values[j + gap]; j -= gap) {
                const int32_t t = values[j];
                values[j] = values[j + gap];
                values[j + gap] = t;
                moved = 1;
            }
    return moved ? 0 : 1;
}

void get_order_stat(const double* values, int32_t n, int32_t i, int32_t j, double* lower, double* upper) {
    *lower = values[i];
    *upper = j < n ? values[j] : values[i];
}

double get_quantile(double w, double a, double b) { return (1.0 - w) * a + w * b; }

int64_t get1stLargerElement(const double* sorted, int64_t n, double x) {
    int64_t lo = 0, hi = n;
    while (lo < hi) {
        const int64_t mid = lo + (hi - lo - 1) / 2;   // the lower-middle element
        if (sorted[mid] <= x) lo = mid + 1;
        else hi = mid;
    }
    return lo;
}

void get_cutpoints(RSKCON*, RSKSIMWORK*, const RSKSIMSTATS* stats, double* quintiles, double* deciles) {
    // Ladder entries 6, 9, 11, 14 are 0.2, 0.4, 0.6, 0.8; entries 5, 6, 8 .. 12, 14, 15 the deciles.
    static constexpr int kQuintiles[4] = {6, 9, 11, 14};
    static constexpr int kDeciles[9] = {5, 6, 8, 9, 10, 11, 12, 14, 15};
    for (int i = 0; i < 4; ++i) quintiles[i] = stats->quantiles[kQuintiles[i]];
    for (int i = 0; i < 9; ++i) deciles[i] = stats->quantiles[kDeciles[i]];
}

void get_quant_index(RSKCON*, double value, const double* quintiles, const double* deciles, double* quintile,
                     double* decile) {
    if (qor::is_missing(value)) {
        *quintile = *decile = qor::missing();
        return;
    }
    int q = 0;
    while (q < 4 && !(quintiles[q] > value)) ++q;
    int d = 0;
    while (d < 9 && !(deciles[d] > value)) ++d;
    *quintile = 1 + q;
    *decile = 1 + d;
}

int compute_moments(RSKCON*, RSKSIMWORK* work, RSKSIMSTATS* stats) {
    const double m = qor::missing();
    stats->mean = stats->std = stats->skewness = stats->kurtosis = m;
    const int32_t n = stats->valid;
    const double* x = work->sorted;
    if (n < 1) return 1;
    if (n == 1) {
        stats->mean = x[0];
        return 0;
    }
    // Two passes: the spread is summed about the mean, so a narrow spread far from 0 keeps its
    // digits. Only a vector whose values are all equal has deviation 0.
    bool constant = true;
    double sum = 0.0;
    for (int32_t i = 0; i < n; ++i) {
        sum += x[i];
        if (x[i] != x[0]) constant = false;
    }
    if (constant) {
        stats->mean = x[0];
        stats->std = 0.0;
        return 0;
    }
    double mean = sum / n;
    double squares = 0.0;
    for (int32_t i = 0; i < n; ++i) squares += (x[i] - mean) * (x[i] - mean);
    const int vardef = work->vardef == 2 ? 2 : 1;
    const double divisor = vardef == 2 ? n - 1.0 : static_cast<double>(n);
    const double std = std::sqrt(squares / divisor);
    if (std::fabs(mean) <= std * kEps13) mean = 0.0;
    stats->mean = mean;
    stats->std = std;
    if (n < 5 || std < kEps13) return 0;
    double s3 = 0.0, s4 = 0.0;
    for (int32_t i = 0; i < n; ++i) {
        const double z = (x[i] - mean) / std;
        s3 += z * z * z;
        s4 += z * z * z * z;
    }
    const double dn = n;
    if (vardef == 1) {
        stats->skewness = s3 / dn;
        stats->kurtosis = s4 / dn - 3.0;
    } else {
        const double c = dn / ((dn - 1.0) * (dn - 2.0));
        stats->skewness = c * s3;
        stats->kurtosis = (dn + 1.0) / (dn - 3.0) * c * s4 - 3.0 * (dn - 1.0) * (dn - 1.0) / ((dn - 2.0) * (dn - 3.0));
    }
    if (std::fabs(s3) <= dn * kEps13) stats->skewness = 0.0;
    return 0;
}

int get_simulation_results(RSKCON* con, RSKSIMWORK* work, uint8_t* block) {
    RSKSIMSTATS stats;
    clear_stats(&stats, work->replications);
    // Cells of variables the post-valuation methods compute are done in the second pass only.
    const bool second = work->current != nullptr && work->current->source_kind == RSKSIMSRC_POSTVALUATION;
    if ((work->statistics_pass == 2) != second) return 0;
    const uint8_t* values = rsasim_values(work, block);
    int32_t valid = 0;
    for (int32_t r = 0; r < work->replications; ++r) {
        const double v = rsasim_get(values, r);
        if (!qor::is_missing(v)) work->sorted[valid++] = v;
    }
    stats.valid = valid;
    if (valid < 1 && !work->empty_suppressed)
        xpmlog(598, 2680, work->current_ids[0], work->current_ids[1], work->analysis->name.name.length,
               work->analysis->name.name.text);
    int rc = 0;
    compute_moments(con, work, &stats);
    rc = compute_quantiles(con, work, &stats);
    if (rc == 0 && work->density_on) compute_density(con, work, rsasim_density(work, block), &stats);
    rsasim_put_stats(block, &stats);
    return rc;
}
