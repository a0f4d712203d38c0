// Normal mixture: verification of the description, log tail probabilities and log density summed
// in logarithms, and the quantile by safeguarded Newton steps inside a bracket.
#include "common/distributions/normal_mixture.h"

#include <cmath>
#include <limits>

#include "common/distributions/log_helpers.h"
#include "common/distributions/normal.h"
#include "host/missing.h"

namespace {

constexpr double kLnZero = -9007199254740992.0;   // -2^53 stands for ln 0

int verify(mixture_request* r) {
    const int n = r->n;
    if (n < 1 || !r->weights || !r->means || !r->std_devs) return 1;
    double total = 0.0;
    for (int i = 0; i < n; ++i) {
        if (!(r->weights[i] > 0.0 && r->weights[i] <= 1.0)) return i + n;
        if (!(r->std_devs[i] >= 0.0)) return i + 2 * n;
        total += r->weights[i];
        if (total > 1.000000000000001) return 10 * n;
    }
    if (total < 0.9999999999999989) return 10 * n;
    if (r->operation & 2) {
        for (int gap = n / 2; gap > 0; gap /= 2) {   // shell sort by mean
            for (int i = gap; i < n; ++i) {
                for (int j = i; j >= gap && r->means[j - gap] > r->means[j]; j -= gap) {
                    std::swap(r->means[j], r->means[j - gap]);
                    std::swap(r->weights[j], r->weights[j - gap]);
                    std::swap(r->std_devs[j], r->std_devs[j - gap]);
                }
            }
        }
    }
    r->state_flags |= 1;
    return 0;
}

double log_add(double a, double b) {
    if (a == kLnZero) return b;
    if (b == kLnZero) return a;
    return zlnSumOfExp(a, b);
}

int evaluate(const mixture_request* r, double x, double* ln_lower, double* ln_upper, double* ln_density) {
    *ln_lower = *ln_upper = *ln_density = kLnZero;
    for (int i = 0; i < r->n; ++i) {
        double sd = std::fmax(r->std_devs[i], 1.053671212772351e-8);
        double lp, lq, ld;
        if (zlognrm((x - r->means[i]) / sd, &lp, &lq, &ld) != 0) return 1;
        double lw = std::log(r->weights[i]);
        *ln_lower = log_add(*ln_lower, lp + lw);
        *ln_upper = log_add(*ln_upper, lq + lw);
        *ln_density = log_add(*ln_density, ld + lw - std::log(sd));
    }
    if (*ln_lower > 0.0) *ln_lower = 0.0;
    if (*ln_upper > 0.0) *ln_upper = 0.0;
    return 0;
}

int quantile(mixture_request* r) {
    const double p = r->p;
    if (!(p > 0.0 && p < 1.0)) return 1;
    const bool upper = p > 0.5;   // search on the smaller tail for accuracy
    r->target = upper ? zln1px(-p) : std::log(p);
    double lo = r->means[0], hi = r->means[r->n - 1];
    for (int i = 0; i < r->n; ++i) {
        double sd = std::fmax(r->std_devs[i], 1.053671212772351e-8);
        double z = zprobit(p);
        lo = std::fmin(lo, r->means[i] + sd * std::fmin(z, -1.0) * 1.1);
        hi = std::fmax(hi, r->means[i] + sd * std::fmax(z, 1.0) * 1.1);
    }
    r->search_state = 2;
    double x = 0.5 * (lo + hi), previous = std::numeric_limits<double>::max();
    for (int step = 0; step < 200; ++step) {
        double lp, lq, ld;
        if (evaluate(r, x, &lp, &lq, &ld) != 0) return 1;
        double value = upper ? lq : lp;
        double gap = value - r->target;
        if (std::fabs(gap) < 1e-10 && std::fabs(x - previous) < 1e-9 * std::fmax(1.0, std::fabs(x))) {
            r->x = x;
            return 0;
        }
        // Lower tail rises with x, upper tail falls.
        if ((gap < 0.0) != upper) lo = x; else hi = x;
        double slope = std::exp(ld - value);   // d ln P / dx (negated for the upper tail)
        double next = upper ? x + gap / slope : x - gap / slope;
        if (!(next > lo && next < hi)) next = 0.5 * (lo + hi);
        previous = x;
        x = next;
    }
    r->x = x;
    return 1;
}

}  // namespace

int zmxnorm(mixture_request* r) {
    if (!(r->state_flags & 1)) {
        int rc = verify(r);
        if (rc != 0) return rc;
    }
    if (r->operation & 2) return quantile(r);
    if (evaluate(r, r->x, &r->ln_lower, &r->ln_upper, &r->ln_density) != 0) {
        r->ln_lower = r->ln_upper = r->ln_density = qor::missing();
        return 1;
    }
    return 0;
}
