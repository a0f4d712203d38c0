// The quantiles of a simulation cell: the ladder of 21, the median, value at risk with its
// confidence bounds, expected shortfall and the extreme-value estimates, reported as losses.
#include <cmath>
#include <cstring>

#include "common/statistics/tail_index.h"
#include "engine/analyses/simulation_run.h"
#include "host/missing.h"
#include "host/print.h"

namespace {

// The p-quantile of n ascending values under quantile definition `definition` (1 to 5).
double quantile_of(const double* x, int32_t n, double p, int definition) {
    double lower = 0.0, upper = 0.0;
    const double w = zunifct(definition, n, p, &lower, &upper);
    double a = 0.0, b = 0.0;
    get_order_stat(x, n, static_cast<int32_t>(lower), static_cast<int32_t>(upper), &a, &b);
    return get_quantile(w, a, b);
}

bool name_is(const RSKSIMOUTV* v, const char* text) {
    if (v == nullptr) return false;
    const int length = static_cast<int>(std::strlen(text));
    int own = v->name.name.length;
    while (own > 0 && v->name.name.text[own - 1] == ' ') --own;
    return own == length && std::memcmp(v->name.name.text, text, static_cast<size_t>(length)) == 0;
}

// Exposures (and value kind 3) are judged in the upper tail.
bool upper_tail(const RSKSIMOUTV* v) { return v != nullptr && (name_is(v, "Exposure") || v->kind == 3); }

// Durations and convexities keep their sign; every other lower-tail quantile is a loss.
bool keeps_sign(const RSKSIMOUTV* v) {
    return name_is(v, "MacaulayDur") || name_is(v, "MacaulayCnvx") || name_is(v, "ModifiedDur") ||
           name_is(v, "ModifiedCnvx");
}

void negate(double* value) {
    if (!qor::is_missing(*value)) *value = -*value;
}

void extreme_values(RSKSIMWORK* work, RSKSIMSTATS* stats, double p, bool upper) {
    const int32_t n = stats->valid;
    tail_sample ts{};
    ts.sample = work->sorted;
    ts.n = n;
    ts.k = work->evt_cutoff >= 1 ? static_cast<int32_t>(static_cast<int64_t>(n) * work->evt_cutoff / 100)
                                 : static_cast<int32_t>(0.05 * n);
    ts.centre = stats->median;
    ts.mean = stats->mean;
    ts.sd = stats->std;
    ts.flags = TAIL_CENTRE_KNOWN | TAIL_MEAN_KNOWN;
    if (!qor::is_missing(stats->std) && stats->std > 0.0) ts.flags |= TAIL_SD_KNOWN;
    ts.definition = work->pctldef;
    ts.left_tail_percent = ts.right_tail_percent = qor::missing();
    double quantile = qor::missing(), tail_mean = qor::missing();
    if (zextqua(&ts, p, &quantile, &tail_mean) != 0) return;
    const double percent = upper ? ts.right_tail_percent : ts.left_tail_percent;
    if (qor::is_missing(percent) || !(percent > 0.0 && percent < 100.0)) return;
    stats->evt_percent = percent;
    stats->evt_var = quantile;
    stats->evt_es = tail_mean;
}

void order_statistic_bounds(RSKSIMWORK* work, RSKSIMSTATS* stats, double p) {
    const int32_t n = stats->valid;
    int32_t lower = 0, upper = 0;
    if (ztvar2(n, p, 0.95, &lower, &upper) != 0) return;
    if (lower - 1 >= 0 && upper - 1 < n) {
        stats->var_l = work->sorted[lower - 1];
        stats->var_u = work->sorted[upper - 1];
    }
}

}  // namespace

int compute_quantiles(RSKCON* con, RSKSIMWORK* work, RSKSIMSTATS* stats) {
    const int32_t n = stats->valid;
    double* x = work->sorted;
    if (n <= 2) {
        if (n == 2) {
            stats->minimum = x[0] < x[1] ? x[0] : x[1];
            stats->maximum = x[0] < x[1] ? x[1] : x[0];
            stats->median = (x[0] + x[1]) / 2.0;
        } else if (n == 1) {
            stats->minimum = stats->maximum = stats->median = x[0];
        }
        return 0;
    }
    dshell(x, n);
    const RSKSIMOUTV* v = work->current;
    const bool upper = upper_tail(v);
    const double alpha = work->alpha;
    const double p = upper ? 1.0 - alpha : alpha;
    const int definition = work->pctldef >= 1 && work->pctldef <= 5 ? work->pctldef : 1;
    const int64_t k = static_cast<int64_t>(alpha * n);
    if (k < 1) {
        if (!work->few_values_reported) {
            xpmlog(598, 2681, n, work->analysis->name.name.length, work->analysis->name.name.text,
                   (1.0 - alpha) * 100.0);
            work->few_values_reported = 1;
        }
    } else {
        stats->var = quantile_of(x, n, p, definition);
        if (k > 1) {
            double sum = 0.0;
            int32_t count = 0;
            if (!upper) {
                for (int32_t i = 0; i < n && x[i] < stats->var; ++i, ++count) sum += x[i];
            } else {
                for (int32_t i = n - 1; i >= 0 && x[i] > stats->var; --i, ++count) sum += x[i];
            }
            if (count > 0) stats->es = sum / count;
        }
    }
    for (int q = 0; q < kRskLadderSize; ++q) stats->quantiles[q] = quantile_of(x, n, kRskQuantileLadder[q], definition);
    stats->minimum = x[0];
    stats->maximum = x[n - 1];
    stats->median = stats->quantiles[kRskLadderMedian];
    if (work->evt_stats) extreme_values(work, stats, p, upper);

    if (!qor::is_missing(stats->var)) {
        if (work->boot != nullptr) boot_strap(con, work, stats, p, definition);
        else order_statistic_bounds(work, stats, p);
        if ((qor::is_missing(stats->var_l) || qor::is_missing(stats->var_u)) && work->bound_warnings < 2) {
            ++work->bound_warnings;
            xpmlog(598, 2684, static_cast<int>(k), work->current_ids[0], work->current_ids[1],
                   work->analysis->name.name.length, work->analysis->name.name.text,
                   v != nullptr ? v->name.name.length : 0, v != nullptr ? v->name.name.text : "");
        }
    }
    if (!upper && !keeps_sign(v)) {
        negate(&stats->var);
        negate(&stats->es);
        negate(&stats->var_l);
        negate(&stats->var_u);
        negate(&stats->evt_var);
        negate(&stats->evt_es);
    }
    // The first bound is the larger loss of a P/L value.
    if (v != nullptr && v->is_pl && !qor::is_missing(stats->var_l) && !qor::is_missing(stats->var_u) &&
        stats->var_l < stats->var_u) {
        const double t = stats->var_l;
        stats->var_l = stats->var_u;
        stats->var_u = t;
    }
    return 0;
}
