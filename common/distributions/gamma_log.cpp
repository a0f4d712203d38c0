// Gamma distribution on the log scale: ln P and ln Q by the asymptotic expansion, the series or
// fraction carried in logarithms, or integration of the density; the quantile by a logit secant.
#include <cmath>
#include <limits>

#include "common/distributions/gamma.h"
#include "common/distributions/gamma_side.h"
#include "common/distributions/log_helpers.h"
#include "common/distributions/log_integral.h"
#include "common/distributions/normal.h"

namespace {

constexpr double kMostNegative = -std::numeric_limits<double>::max();

int ln_gamma_density(double t, void* data, double* ln_value) {
    double a = *static_cast<double*>(data);
    *ln_value = t > 0.0 ? gamma_log_density(t, a) : -INFINITY;
    return 0;
}

// ln Q for x much larger than a: Q = f(x) (1 + (a-1)/x + (a-1)(a-2)/x^2 + ...).
int asymptotic_upper(double x, double a, double* ln_upper) {
    double term = 1.0, sum = 1.0;
    for (int k = 1; k < 100; ++k) {
        term *= (a - k) / x;
        sum += term;
        if (std::fabs(term) < 1e-12 * std::fabs(sum)) {
            *ln_upper = gamma_log_density(x, a) + std::log(sum);
            return 0;
        }
    }
    return 1;
}

int gamma_log_tails(double x, double a, double* ln_lower, double* ln_upper) {
    double ln_side = 0.0;
    bool is_lower = false;
    int rc = 1;
    if (x / a >= 100.0 && a >= 0.5) rc = asymptotic_upper(x, a, &ln_side);
    if (rc != 0 && a >= 1e9 && std::fabs(x - a) <= 0.7 * std::sqrt(a) + 0.02 * a) {
        double q;
        double p = wilhil(a, x, &q);
        if (p > 0.0 && q > 0.0) {
            *ln_lower = std::log(p);
            *ln_upper = std::log(q);
            return 0;
        }
    }
    if (rc != 0) rc = gamma_log_side(x, a, &ln_side, &is_lower);
    if (rc != 0) {
        // Integrate the density over the smaller tail on the log scale.
        is_lower = x <= a;
        double shape = a;
        rc = is_lower ? log_scale_integral(ln_gamma_density, &shape, 3, 0.0, x, 0.5 * x, 0.5, 1e-13, &ln_side)
                      : log_scale_integral(ln_gamma_density, &shape, 2, x, 0.0, x + 1.0, 0.5, 1e-13, &ln_side);
        if (rc != 0) return 1;   // mapping 3 already carries the width x
    }
    if (ln_side > 0.0) return 1;
    double other = zln1px(-std::exp(ln_side));
    *ln_lower = is_lower ? ln_side : other;
    *ln_upper = is_lower ? other : ln_side;
    return 0;
}

int gamma_log_probability(gamma_request* r) {
    if (!(r->x >= 0.0) || !(r->a > 1e-9)) return 1;
    if (r->x == 0.0) {
        r->ln_lower = kMostNegative;
        r->ln_upper = 0.0;
        return 0;
    }
    return gamma_log_tails(r->x, r->a, &r->ln_lower, &r->ln_upper);
}

int gamma_log_quantile(gamma_request* r) {
    const double a = r->a, p = r->p;
    if (!(a > 1e-9) || !(p > 0.0) || !(p <= 0.9999999894632878)) return 1;
    double ln_p = std::log(p);
    double target = ln_p - zln1px(-p);   // ln(p / (1 - p))
    double z = zprobit(p);
    double base = 1.0 - 1.0 / (9.0 * a) + z / (3.0 * std::sqrt(a));
    double x = base > 0.0 ? a * base * base * base : 1.0;
    double lo, up;
    if (gamma_log_tails(x, a, &lo, &up) != 0) return 1;
    for (int i = 0; i < 50 && lo < ln_p; ++i) {
        x *= 1.5;
        if (gamma_log_tails(x, a, &lo, &up) != 0) return 1;
    }
    for (int i = 0; i < 50 && lo > ln_p; ++i) {
        x *= 0.7;
        if (gamma_log_tails(x, a, &lo, &up) != 0) return 1;
    }
    // Secant steps on the logit ln P - ln Q, from x and a neighbour.
    double x0 = x, g0 = lo - up - target;
    double x1 = x * 1.01, g1;
    if (gamma_log_tails(x1, a, &lo, &up) != 0) return 1;
    g1 = lo - up - target;
    for (int step = 0; step < 70; ++step) {
        if (g1 == g0) break;
        double next = x1 - g1 * (x1 - x0) / (g1 - g0);
        if (!(next > 0.0)) next = 0.5 * x1;
        if (std::fabs(next - x1) <= r->tolerance * std::fabs(x1) + r->step_floor) {
            r->x = next;
            return 0;
        }
        x0 = x1;
        g0 = g1;
        x1 = next;
        if (gamma_log_tails(x1, a, &lo, &up) != 0) return 1;
        g1 = lo - up - target;
        if (std::fabs(g1) <= r->tolerance * std::fabs(target)) {
            r->x = x1;
            return 0;
        }
    }
    r->x = x1;
    return 1;
}

}  // namespace

int zloggam(gamma_request* r) {
    if (r->operation < 1 || r->operation > 7) return 1;
    if (r->tolerance < 8.881784197001256e-16) r->tolerance = 8.881784197001256e-16;
    if (r->step_floor < 2.225073858507202e-305) r->step_floor = 2.225073858507202e-305;
    if (r->operation & 4) return gamma_log_quantile(r);
    if (r->operation & 1) {
        if (gamma_log_probability(r) != 0) return 1;
    }
    if (r->operation & 2) {
        if (!(r->x >= 0.0) || !(r->a > 0.0)) return 1;
        if (r->x == 0.0) {
            // The density at 0: zero for a > 1, one for a = 1, unbounded for a < 1.
            r->ln_density = r->a > 1.0 ? kMostNegative : (r->a == 1.0 ? 0.0 : std::numeric_limits<double>::max());
            return 0;
        }
        return zldngam(r->x, r->a, &r->ln_density);
    }
    return 0;
}
