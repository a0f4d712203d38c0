// Incomplete beta ratio by its continued fraction (with the complement and shift rules), Paulson's
// normal approximation where the fraction is too slow, the beta quantile and the log density.
#include "common/distributions/beta.h"

#include <cmath>
#include <limits>

#include "common/distributions/beta_fraction.h"
#include "common/distributions/log_helpers.h"
#include "common/distributions/normal.h"
#include "host/missing.h"

namespace {
constexpr double kLargestShape = 2147483647.0;
constexpr double kExpFloor = -708.3964185;
}  // namespace

bool beta_use_complement(double x, double a, double b) {
    double c = (a + b) * x;
    double s = 2.0 * std::sqrt(a * b / (a + b + 1.0));
    return c > a + s || c + 6.0 * x > a + 3.0;
}

int beta_fraction(double x, double a, double b, double* value) {
    // I_x(a, b) = x^a (1 - x)^b / (a B(a, b)) / (1 + d1 / (1 + d2 / (1 + ...))), convergents by the
    // forward three-term recurrence, rescaled by powers of two to keep them in range.
    double a_prev = 1.0, b_prev = 0.0;   // convergent -1
    double a_cur = 0.0, b_cur = 1.0;     // convergent 0
    double previous = std::numeric_limits<double>::max();
    for (int n = 1; n <= 399; ++n) {
        double d;
        if (n == 1) {
            d = 1.0;
        } else {
            int k = n - 1;   // partial numerator d_k of the fraction
            int m = k / 2;
            if (k % 2 == 1)
                d = -(a + m) * (a + b + m) * x / ((a + 2 * m) * (a + 2 * m + 1));
            else
                d = m * (b - m) * x / ((a + 2 * m - 1) * (a + 2 * m));
        }
        double a_next = a_cur + d * a_prev;
        double b_next = b_cur + d * b_prev;
        a_prev = a_cur;
        b_prev = b_cur;
        a_cur = a_next;
        b_cur = b_next;
        int e;
        std::frexp(b_cur, &e);
        if (e > 354 || e < -354) {
            a_prev = std::ldexp(a_prev, -e);
            b_prev = std::ldexp(b_prev, -e);
            a_cur = std::ldexp(a_cur, -e);
            b_cur = std::ldexp(b_cur, -e);
        }
        double current = b_cur == 0.0 ? std::numeric_limits<double>::max() : a_cur / b_cur;
        if (n > 1 && std::fabs(current - previous) < 8.881784197001256e-16 * std::fabs(current)) {
            *value = current;
            return 0;
        }
        previous = current;
    }
    return 1;
}

int beta_side(double x, double a, double b, double ln_t, double* ln_side) {
    // ln I_x(a, b) given ln T, the density at x; a below 1 is raised by one and the shift undone.
    bool shifted = a < 1.0;
    double aw = shifted ? a + 1.0 : a;
    double ln_prefactor = ln_t + std::log(x) - std::log(aw);
    if (shifted) ln_prefactor += std::log(x) + std::log((a + b) / a);   // T(a + 1, b) / T(a, b)
    double fraction;
    if (beta_fraction(x, aw, b, &fraction) != 0) return 1;
    // The fraction above carries (1 - x)^b; the prefactor holds (1 - x)^(b - 1).
    double ln_value = std::log(fraction) + zln1px(-x) + ln_prefactor;
    if (shifted) ln_value = zlnSumOfExp(ln_value, ln_t + std::log(x) + zln1px(-x) - std::log(a));
    *ln_side = ln_value;
    return 0;
}

double beta_paulson(double x, double a, double b) {
    double w = std::cbrt(b * x / (a * (1.0 - x)));
    double z = (w * (1.0 - 1.0 / (9.0 * b)) - (1.0 - 1.0 / (9.0 * a))) / std::sqrt(w * w / (9.0 * b) + 1.0 / (9.0 * a));
    return z;
}

int zibeta(double x, double a, double b, double* probability, double* density) {
    if (a > kLargestShape || b > kLargestShape) return 1;
    if (!(x >= 0.0 && x <= 1.0 && a > 0.0 && b > 0.0)) {
        *probability = -1.0;
        *density = 0.0;
        return -1;
    }
    if (x == 0.0 || x == 1.0) {
        *probability = x;
        *density = 0.0;
        return 0;
    }
    double ln_t = beta_ln_density(x, a, b);
    double lower, upper;
    if (beta_large_shapes(x, a, b, &lower, &upper)) {
        *density = std::exp(ln_t);
        *probability = lower;
        return 0;
    }
    if (ln_t < kExpFloor) {
        *density = 0.0;
        *probability = x <= a / (a + b) ? 0.0 : 1.0;
        return 0;
    }
    *density = std::exp(ln_t);
    bool complement = beta_use_complement(x, a, b);
    double ln_side;
    int rc = complement ? beta_side(1.0 - x, b, a, ln_t, &ln_side) : beta_side(x, a, b, ln_t, &ln_side);
    double p;
    if (rc == 0) {
        p = std::exp(ln_side);
        if (complement) p = 1.0 - p;
    } else if ((a > 5000.0 && b > 100.0) || (b > 5000.0 && a > 100.0)) {
        p = zprbnrm(beta_paulson(x, a, b));
    } else {
        *probability = -1.0;
        *density = 0.0;
        return -1;
    }
    *probability = p < 0.0 ? 0.0 : (p > 1.0 ? 1.0 : p);
    return 0;
}

int zprobin(double p, double a, double b, double* x) {
    if (!(p >= 0.0 && p <= 1.0 && a > 0.0 && b > 0.0)) return 1;
    if (p == 0.0 || p == 1.0) {
        *x = p;
        return 0;
    }
    bool reflected = p > 0.5;
    double pp = reflected ? 1.0 - p : p;
    double aa = reflected ? b : a;
    double bb = reflected ? a : b;
    double xx = beta_quantile_start(pp, aa, bb);
    for (int step = 0; step < 30; ++step) {
        double i_value, f;
        if (zibeta(xx, aa, bb, &i_value, &f) != 0) return 1;
        double candidate;
        if (f < 5.562684646268004e-305) {
            candidate = i_value <= pp ? 1.0 : 0.0;
        } else if (aa > 1.0 && bb > 1.0) {
            candidate = xx - (i_value - pp) / (f + (pp - i_value) * 0.5 * ((aa - 1.0) / xx - (bb - 1.0) / (1.0 - xx)));
        } else {
            candidate = xx - (i_value - pp) / f;
        }
        if (candidate >= 1.0) candidate = 0.5 * (1.0 + xx);
        if (candidate <= 0.0) candidate = 0.5 * xx;
        bool done = std::fabs(pp - i_value) < 1e-7 * pp;
        xx = candidate;
        if (done) {
            *x = reflected ? 1.0 - xx : xx;
            return 0;
        }
    }
    return 1;
}

double beta_quantile_start(double p, double a, double b) {
    double r = std::sqrt(-2.0 * std::log(p));
    double y = r - (2.30753 + 0.27061 * r) / (1.0 + (0.99229 + 0.04481 * r) * r);
    double x;
    if (a > 1.0 && b > 1.0) {
        double h = 2.0 / (1.0 / (2.0 * a - 1.0) + 1.0 / (2.0 * b - 1.0));
        double lambda = (y * y - 3.0) / 6.0;
        double w = y * std::sqrt(h + lambda) / h -
                   (1.0 / (2.0 * b - 1.0) - 1.0 / (2.0 * a - 1.0)) * (lambda + 0.8333 - 0.6666 / h);
        x = a / (a + b * std::exp(2.0 * w));
    } else {
        x = a / (a + b) - y * std::sqrt(a * b / ((a + b + 1.0) * (a + b)));
        if (x < 1e-9) x = std::exp(std::log(p) / a);
    }
    // A start on or beyond an end cannot be improved by Newton steps.
    if (!(x > 0.0)) x = 1e-9;
    if (!(x < 1.0)) x = 0.5;
    return x;
}

int zldnbet(double x, double a, double b, double* ln_density) {
    if (!(x >= 0.0 && x <= 1.0 && a > 0.0 && b > 0.0)) return 1;
    if (x == 0.0) {
        *ln_density = a == 1.0 ? std::log(b) : qor::missing();
    } else if (x == 1.0) {
        *ln_density = b == 1.0 ? std::log(a) : qor::missing();
    } else {
        *ln_density = beta_ln_density(x, a, b);
    }
    return 0;
}
