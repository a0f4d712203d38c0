// Beta distribution on the log scale: ln P and ln Q by the continued fraction, by integration of
// the density or by Paulson's approximation; the log density; and the quantile by log-scale search.
#include <cmath>
#include <limits>

#include "common/distributions/beta.h"
#include "common/distributions/beta_fraction.h"
#include "common/distributions/log_helpers.h"
#include "common/distributions/log_integral.h"
#include "common/distributions/normal.h"

namespace {

constexpr double kLargestShape = 2147483647.0;
constexpr double kLowEnd = 2.225073858507202e-293;
constexpr double kHighEnd = 0.9999999999999889;
constexpr double kLnZero = -std::numeric_limits<double>::max();

struct beta_shape {
    double a, b;
};

int ln_beta_density(double t, void* data, double* ln_value) {
    auto* s = static_cast<beta_shape*>(data);
    if (t <= 0.0 || t >= 1.0) {
        *ln_value = -INFINITY;
        return 0;
    }
    *ln_value = beta_ln_density(t, s->a, s->b);
    return 0;
}

// ln P(X <= x) and ln P(X > x) for 0 < x < 1.
int beta_log_tails(double x, double a, double b, double* ln_lower, double* ln_upper) {
    double lower, upper;
    if (beta_large_shapes(x, a, b, &lower, &upper)) {
        // The same values as zibeta: the smaller tail directly, the larger as its complement.
        *ln_lower = lower <= upper ? std::log(lower) : zln1px(-upper);
        *ln_upper = lower <= upper ? zln1px(-lower) : std::log(upper);
        return 0;
    }
    double ln_t = beta_ln_density(x, a, b);
    bool complement = beta_use_complement(x, a, b);
    double ln_side;
    int rc = complement ? beta_side(1.0 - x, b, a, ln_t, &ln_side) : beta_side(x, a, b, ln_t, &ln_side);
    if (rc != 0) {
        // The fraction did not settle: integrate the density over the smaller tail.
        beta_shape shape{a, b};
        double lo = complement ? x : 0.0;
        double hi = complement ? 1.0 : x;
        double ln_integral;
        rc = log_scale_integral(ln_beta_density, &shape, 3, lo, hi, 0.5 * (lo + hi), 0.5, 1e-13, &ln_integral);
        if (rc == 0) ln_side = ln_integral;   // the integrator already multiplies by the width
    }
    if (rc != 0) {
        if (!((a > 5000.0 && b > 100.0) || (b > 5000.0 && a > 100.0))) return 1;
        double ln_p, ln_q, ln_d;
        if (zlognrm(beta_paulson(x, a, b), &ln_p, &ln_q, &ln_d) != 0) return 1;
        *ln_lower = ln_p;
        *ln_upper = ln_q;
        return 0;
    }
    if (ln_side > 0.0) ln_side = 0.0;
    double other = zln1px(-std::exp(ln_side));
    *ln_lower = complement ? other : ln_side;
    *ln_upper = complement ? ln_side : other;
    return 0;
}

int beta_log_probability(beta_request* r) {
    if (r->a > kLargestShape || r->b > kLargestShape) return 1;
    if (r->x == 0.0 || r->x == 1.0) {
        // Only the ends at which the density is finite and non-zero are accepted.
        if (r->x == 0.0 && r->a != 1.0) return 1;
        if (r->x == 1.0 && r->b != 1.0) return 1;
        r->ln_lower = r->x == 0.0 ? kLnZero : 0.0;
        r->ln_upper = r->x == 0.0 ? 0.0 : kLnZero;
        return 0;
    }
    return beta_log_tails(r->x, r->a, r->b, &r->ln_lower, &r->ln_upper);
}

// ln P at x on the side of the target: lower tail for p <= 0.5, upper tail otherwise.
int side_value(const beta_request* r, bool upper, double x, double* ln_side, double* ln_density) {
    double lo, up;
    if (beta_log_tails(x, r->a, r->b, &lo, &up) != 0) return 1;
    *ln_side = upper ? up : lo;
    *ln_density = beta_ln_density(x, r->a, r->b);
    return 0;
}

int beta_log_newton(beta_request* r, bool upper, double target, double x) {
    for (int step = 0; step < 29; ++step) {
        double ln_side, ln_f;
        if (side_value(r, upper, x, &ln_side, &ln_f) != 0) return 1;
        double gap = ln_side - target;
        if (std::fabs(gap) < 1e-7) {
            r->x = x;
            return 0;
        }
        // d ln P / dx = f / P; d ln Q / dx = -f / Q.
        double move = gap * std::exp(ln_side - ln_f);
        double candidate = upper ? x + move : x - move;
        if (candidate >= 1.0) candidate = 0.5 * (1.0 + x);
        if (candidate <= 0.0) candidate = 0.5 * x;
        x = candidate;
    }
    return 1;
}

// Secant search on y = ln(-ln x), where the lower tail falls monotonically in y.
int beta_log_secant(beta_request* r, double ln_p, double x_start) {
    auto gap_at = [&](double y, double* gap) {
        double x = std::exp(-std::exp(y));
        if (!(x > 0.0 && x < 1.0)) return 1;
        double lo, up;
        if (beta_log_tails(x, r->a, r->b, &lo, &up) != 0) return 1;
        *gap = lo - ln_p;
        return 0;
    };
    double y0 = std::log(-std::log(x_start)), g0;
    if (gap_at(y0, &g0) != 0) return 1;
    double y1 = y0, g1 = g0;
    for (int i = 0; i < 30 && (g0 > 0.0) == (g1 > 0.0); ++i) {
        y0 = y1;
        g0 = g1;
        y1 = g0 > 0.0 ? y1 + 1.0 : y1 - 1.0;
        if (gap_at(y1, &g1) != 0) return 1;
    }
    if ((g0 > 0.0) == (g1 > 0.0)) return 1;
    const double logit = std::fabs(ln_p - zln1px(-std::exp(ln_p)));
    for (int i = 0; i < 30; ++i) {
        double y = y1 - g1 * (y1 - y0) / (g1 - g0);
        double g;
        if (gap_at(y, &g) != 0) return 1;
        bool small_change = std::fabs(g - g1) < r->tolerance * logit || std::fabs(y - y1) < 1e-12 * std::fabs(y);
        // Keep a bracket (Illinois rule) so the search cannot wander off.
        if ((g > 0.0) != (g1 > 0.0)) {
            y0 = y1;
            g0 = g1;
        } else {
            g0 *= 0.5;
        }
        y1 = y;
        g1 = g;
        if (small_change || g == 0.0) {
            r->x = std::exp(-std::exp(y));
            return 0;
        }
    }
    return 1;
}

int beta_log_quantile(beta_request* r) {
    if (r->p == 0.0 || r->p == 1.0) {
        r->x = r->p;
        return 0;
    }
    double ln_p = std::log(r->p);
    double lo_l, lo_u, hi_l, hi_u;
    if (beta_log_tails(kLowEnd, r->a, r->b, &lo_l, &lo_u) != 0) return 1;
    if (beta_log_tails(kHighEnd, r->a, r->b, &hi_l, &hi_u) != 0) return 1;
    if (ln_p < lo_l) return 2;
    if (ln_p > hi_l) return 3;
    bool upper = r->p > 0.5;
    double start = upper ? 1.0 - beta_quantile_start(1.0 - r->p, r->b, r->a) : beta_quantile_start(r->p, r->a, r->b);
    if (!(start > 0.0 && start < 1.0)) start = 0.5;
    double target = upper ? zln1px(-r->p) : ln_p;
    if (beta_log_newton(r, upper, target, start) == 0) return 0;
    if (r->a >= 0.001 && r->b >= 0.001 && r->p < 0.9999999894632878) return beta_log_secant(r, ln_p, start);
    return 1;
}

}  // namespace

int zlogbet(beta_request* r) {
    if (r->operation == 0) r->operation = 1;
    if (r->tolerance < 5.551115123125785e-16) r->tolerance = 5.551115123125785e-16;
    if (!(r->a > 0.0 && r->b > 0.0)) return 1;
    if (r->operation & 1) {
        if (!(r->x >= 0.0 && r->x <= 1.0)) return 1;
        return beta_log_probability(r);
    }
    if (r->operation & 4) {
        if (!(r->p >= 0.0 && r->p <= 1.0)) return 1;
        return beta_log_quantile(r);
    }
    if (r->operation & 2) {
        if (!(r->x >= 0.0 && r->x <= 1.0)) return 1;
        return zldnbet(r->x, r->a, r->b, &r->ln_density);
    }
    return 1;
}
