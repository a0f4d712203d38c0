// Confidence limits of frequency-list quantiles: the noncentral t quantile with its log-scale
// fall-back, normal-model limits for x_p, and order-statistic limits chosen by zdfciqt.
#include "common/statistics/frequency_limits.h"

#include <cmath>

#include "common/distributions/normal.h"
#include "common/distributions/quantile_ci.h"
#include "common/distributions/student_t.h"
#include "host/missing.h"

namespace {

// Value of the j-th smallest observation (1-based), walking the counts; missing past the list.
double value_at_position(const frequency_node* first, double position) {
    double cum = 0.0;
    for (const frequency_node* node = first; node != nullptr; node = node->next) {
        if (node->count <= 0) continue;
        cum += node->count;
        if (cum >= position) return node->value;
    }
    return qor::missing();
}

}  // namespace

int zuniqnc(double p, double nu, double delta, double* quantile) {
    double t;
    if (zqtnc(p, nu, delta, &t) == 0) {
        *quantile = t;
        return 0;
    }
    tnc_request r{};
    r.operation = 4;
    r.nu = nu;
    r.delta = delta;
    r.p = p;
    r.tolerance = 1e-14;
    int rc = zlogtnc(&r);
    if (rc == 0) *quantile = r.x;
    return rc;
}

void frequency_clear_limits(quantile_request* r, int k) {
    const double missing = qor::missing();
    if (r->normal_kind == NORMAL_CI_LOWER || r->normal_kind == NORMAL_CI_BOTH) r->normal_lower[k] = missing;
    if (r->normal_kind == NORMAL_CI_UPPER || r->normal_kind == NORMAL_CI_BOTH) r->normal_upper[k] = missing;
    if (r->df_kind != DFCI_NONE) {
        r->df_lower_value[k] = r->df_upper_value[k] = missing;
        r->df_lower_position[k] = r->df_upper_position[k] = r->df_coverage[k] = missing;
    }
}

void frequency_normal_limits(const frequency_summary* s, quantile_request* r, double p, int k) {
    const int kind = r->normal_kind;
    const bool want_lower = kind == NORMAL_CI_LOWER || kind == NORMAL_CI_BOTH;
    const bool want_upper = kind == NORMAL_CI_UPPER || kind == NORMAL_CI_BOTH;
    const double missing = qor::missing();
    if (want_lower) r->normal_lower[k] = missing;
    if (want_upper) r->normal_upper[k] = missing;
    const double n = s->count;
    // The normal p-quantile does not exist at p = 0 or 1; nothing to bound without a mean and deviation.
    if (!(n > 1.0) || !(p > 0.0 && p < 1.0) || std::isnan(s->mean) || std::isnan(s->std_dev)) return;
    const double a = kind == NORMAL_CI_BOTH ? 0.5 * r->normal_alpha : r->normal_alpha;
    double z = 0.0;
    if (p < 0.5) z = zprobit(1.0 - p);
    if (p > 0.5) z = zprobit(p);
    const double root_n = std::sqrt(n);
    const double delta = z * root_n, nu = n - 1.0, scale = s->std_dev / root_n;
    double t;
    if (p < 0.5) {
        // x_p = mean - z sd: the larger t quantile gives the lower limit.
        if (want_lower && zuniqnc(1.0 - a, nu, delta, &t) == 0) r->normal_lower[k] = s->mean - scale * t;
        if (want_upper && zuniqnc(a, nu, delta, &t) == 0) r->normal_upper[k] = s->mean - scale * t;
    } else {
        if (want_lower && zuniqnc(a, nu, delta, &t) == 0) r->normal_lower[k] = s->mean + scale * t;
        if (want_upper && zuniqnc(1.0 - a, nu, delta, &t) == 0) r->normal_upper[k] = s->mean + scale * t;
    }
}

void frequency_df_limits(const frequency_summary* s, const frequency_node* first, quantile_request* r, double p,
                         int k) {
    const double missing = qor::missing();
    r->df_lower_value[k] = r->df_upper_value[k] = missing;
    r->df_lower_position[k] = r->df_upper_position[k] = r->df_coverage[k] = missing;
    if (!(s->count > 1.0)) return;
    const int kind = r->df_kind;
    const int search = kind == DFCI_LOWER ? 3 : (kind == DFCI_UPPER ? 4 : 1);
    double lower, upper, coverage;
    int rc = zdfciqt(search, s->count, r->df_alpha, p, &lower, &upper, &coverage);
    if (kind == DFCI_TWO_OR_ONE && rc == 1) rc = zdfciqt(2, s->count, r->df_alpha, p, &lower, &upper, &coverage);
    if ((rc != 0 && rc != 1) || qor::is_missing(lower)) return;
    r->df_lower_position[k] = lower;
    r->df_upper_position[k] = upper;
    r->df_coverage[k] = coverage * 100.0;
    if (kind == DFCI_LOWER || kind == DFCI_TWO_SIDED || kind == DFCI_TWO_OR_ONE)
        r->df_lower_value[k] = value_at_position(first, lower);
    if (kind == DFCI_UPPER || kind == DFCI_TWO_SIDED || kind == DFCI_TWO_OR_ONE)
        r->df_upper_value[k] = value_at_position(first, upper);
}
