// Incomplete gamma ratio by the lower series or the upper continued fraction (the side computed is
// kept at full relative accuracy, the other is its complement), Wilson-Hilferty for huge shapes.
#include "common/distributions/gamma.h"

#include <cmath>
#include <limits>

#include "common/distributions/gamma_side.h"
#include "common/distributions/log_helpers.h"
#include "common/distributions/normal.h"
#include "host/missing.h"

namespace {
constexpr double kLnSqrt2Pi = 0.9189385332046728;
constexpr double kTiny = 5.551115123125785e-16;

// S = x sum_n x^n / (a (a + 1) ... (a + n)); P = e^L S.
int lower_series(double x, double a, double* sum) {
    double term = x / a;
    double s = term;
    // Near x = a the terms fall like e^(-n^2 / 2a): about 8.5 sqrt(a) of them reach the tolerance,
    // so large shapes get more than the 2000 that suffice below a = 5e4.
    const int limit = 2000 + static_cast<int>(10.0 * std::sqrt(a < 1e9 ? a : 1e9));
    for (int n = 1; n < limit; ++n) {
        term *= x / (a + n);
        s += term;
        if (term <= kTiny * s) {
            *sum = s;
            return 0;
        }
    }
    return 1;
}

// C with Q = e^L x C: C = 1/(x + 1 - a - 1 (1 - a)/(x + 3 - a - 2 (2 - a)/(x + 5 - a - ...))).
int upper_fraction(double x, double a, double* value) {
    double a_prev = 1.0, b_prev = 0.0;
    double a_cur = 0.0, b_cur = 1.0;
    double previous = std::numeric_limits<double>::max();
    for (int n = 1; n <= 1000; ++n) {
        double num = n == 1 ? 1.0 : -(n - 1.0) * (n - 1.0 - a);
        double den = x + 2.0 * n - 1.0 - a;
        double a_next = den * a_cur + num * a_prev;
        double b_next = den * b_cur + num * b_prev;
        a_prev = a_cur;
        b_prev = b_cur;
        a_cur = a_next;
        b_cur = b_next;
        double scale = std::fabs(b_cur);
        if (scale != 0.0 && (scale < 1.491668147e-154 || scale > 1.3407807929943e154)) {
            int e;
            std::frexp(b_cur, &e);
            a_prev = std::ldexp(a_prev, -e);
            b_prev = std::ldexp(b_prev, -e);
            a_cur = std::ldexp(a_cur, -e);
            b_cur = std::ldexp(b_cur, -e);
        }
        if (b_cur == 0.0) continue;
        double current = a_cur / b_cur;
        if (std::fabs(current - previous) <= kTiny * std::fabs(current)) {
            *value = current;
            return 0;
        }
        previous = current;
    }
    return 1;
}

}  // namespace

double gamma_log_density(double x, double a) {
    if (a >= 10.0 && std::fabs(x / a - 1.0) <= 0.3)
        return (a - 1.0) * std::log(x / a) - 0.5 * std::log(a) + (a - x) - zlgbern(a) - kLnSqrt2Pi;
    return (a - 1.0) * std::log(x) - x - zlgamma(a);
}

int gamma_log_side(double x, double a, double* ln_side, bool* is_lower) {
    bool shifted = a < 1.0;
    double aw = shifted ? a + 1.0 : a;
    double ln_f = gamma_log_density(x, aw);
    *is_lower = x <= aw || x <= 1.0;
    double value;
    if (*is_lower) {
        if (lower_series(x, aw, &value) != 0) return 1;
        *ln_side = ln_f + std::log(value);
        if (shifted) *ln_side = zlnSumOfExp(*ln_side, ln_f);   // P(a) = P(a + 1) + f_(a+1)
    } else {
        if (upper_fraction(x, aw, &value) != 0) return 1;
        double ln_q = ln_f + std::log(x) + std::log(value);
        if (shifted) ln_q += zln1px(-std::exp(ln_f - ln_q));    // Q(a) = Q(a + 1) - f_(a+1)
        *ln_side = ln_q;
    }
    return 0;
}

double wilhil(double a, double x, double* upper) {
    double r = x / a;
    if (r > 1000.0) {
        *upper = 0.0;
        return 1.0;
    }
    if (r < 0.001) {
        *upper = 1.0;
        return 0.0;
    }
    double nine_a = 9.0 * a;
    double w = (std::cbrt(r) - (1.0 - 1.0 / nine_a)) * std::sqrt(nine_a);
    double w2 = w * w;
    double phi = std::exp(-0.5 * w2 - kLnSqrt2Pi);
    double c = phi * ((w2 / 3.0 - 1.0) * w / 4.0 - (7.0 - (w2 + 4.0) * w2) / (15.0 * std::sqrt(nine_a))) / nine_a;
    double small_tail = zprbnrm(-std::fabs(w));
    double p, q;
    if (w > 0.0) {
        q = small_tail - c;
        p = 1.0 - q;
    } else {
        p = small_tail + c;
        q = 1.0 - p;
    }
    *upper = q;
    return p;
}

int zigamma(double x, double a, double* lower, double* upper, double* density) {
    if (!(x >= 0.0 && a >= 0.0)) {
        *lower = *upper = -2.0;
        *density = 0.0;
        return 1;
    }
    if (a == 0.0) {
        *lower = 1.0;
        *upper = 0.0;
        *density = 0.0;
        return 0;
    }
    if (x == 0.0) {
        *lower = 0.0;
        *upper = 1.0;
        *density = a == 1.0 ? 1.0 : (a < 1.0 ? std::numeric_limits<double>::max() : 0.0);
        return 0;
    }
    double ln_f = gamma_log_density(x, a);
    *density = ln_f < -709.78271289339 ? 0.0
               : ln_f > 709.78271289339 ? std::numeric_limits<double>::max() : std::exp(ln_f);
    if (a >= 1e9 && std::fabs(x - a) <= 0.7 * std::sqrt(a) + 0.02 * a) {
        *lower = wilhil(a, x, upper);
        return 0;
    }
    double ln_side;
    bool is_lower;
    if (gamma_log_side(x, a, &ln_side, &is_lower) != 0) {
        *lower = *upper = -2.0;
        *density = 0.0;
        return 1;
    }
    double side = std::exp(ln_side);
    if (side > 1.0) side = 1.0;
    // The computed side keeps its full relative accuracy; only the other one is a complement.
    *lower = is_lower ? side : 1.0 - side;
    *upper = is_lower ? 1.0 - side : side;
    return 0;
}

int zldngam(double x, double a, double* ln_density) {
    if (!(x >= 0.0 && a > 0.0)) return 1;
    if (x == 0.0) {
        *ln_density = a == 1.0 ? 0.0 : qor::missing();
        return 0;
    }
    *ln_density = gamma_log_density(x, a);
    return 0;
}
