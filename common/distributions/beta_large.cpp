// The incomplete beta ratio when both shapes are large: the density factor x^a (1 - x)^b / B(a, b)
// without the cancellation of its logarithms, and the uniform asymptotic expansion near the mean.
#include "common/distributions/beta_fraction.h"

#include <cmath>

#include "common/distributions/log_helpers.h"
#include "common/distributions/normal.h"

namespace {

constexpr double kLnSqrt2Pi = 0.9189385332046728;
constexpr double kTwoOverSqrtPi = 1.1283791670955126;   // 2 / sqrt(pi)
constexpr double kInvTwoSqrtTwo = 0.35355339059327373;  // 2^(-3/2)
constexpr double kSqrtTwo = 1.4142135623730951;
constexpr double kSqrtTwoOverPi = 0.7978845608028654;

// Shapes from which Stirling's series (through zlgbern) replaces ln Gamma in the density factor,
// and from which the expansion is used near the mean.
constexpr double kStirlingShape = 15.0;
constexpr double kExpansionShape = 100.0;
constexpr int kExpansionTerms = 20;

// x - ln(1 + x) for x > -1, without the cancellation of the two terms near 0: with u = x / (2 + x),
// x - ln(1 + x) = u x - 2 (u^3 / 3 + u^5 / 5 + ...).
double x_minus_ln1px(double x) {
    if (std::fabs(x) > 0.5) return x - std::log1p(x);
    double u = x / (2.0 + x);
    double u2 = u * u;
    double power = u * u2;
    double series = 0.0;
    for (int k = 3; k < 80; k += 2) {
        double term = power / k;
        series += term;
        if (std::fabs(term) <= 1e-17 * std::fabs(series)) break;
        power *= u2;
    }
    return u * x - 2.0 * series;
}

// ln Gamma(a) + ln Gamma(b) - ln Gamma(a + b) less its Stirling main terms.
double stirling_beta_correction(double a, double b) { return zlgbern(a) + zlgbern(b) - zlgbern(a + b); }

// e^(z^2) erfc(z) for z >= 0 through the Mills ratio: erfc(z) = 2 (1 - Phi(z sqrt 2)).
double scaled_erfc(double z) {
    double ratio;
    if (zmillsr(z * kSqrtTwo, &ratio) != 0) return std::exp(z * z) * std::erfc(z);
    return kSqrtTwoOverPi * ratio;
}

// I_x(a, b) for lambda = a - (a + b) x >= 0 with a and b large: the expansion in incomplete gamma
// terms around the normal limit (powers of 1 / sqrt(min(a, b))); terms stop below eps of the sum.
double beta_expansion(double a, double b, double lambda, double eps) {
    double h, r0, r1, w0;
    if (a < b) {
        h = a / b;
        r0 = 1.0 / (1.0 + h);
        r1 = (b - a) / b;
        w0 = 1.0 / std::sqrt(a * (1.0 + h));
    } else {
        h = b / a;
        r0 = 1.0 / (1.0 + h);
        r1 = (b - a) / a;
        w0 = 1.0 / std::sqrt(b * (1.0 + h));
    }
    double f = a * x_minus_ln1px(-lambda / a) + b * x_minus_ln1px(lambda / b);
    double t = std::exp(-f);
    if (t == 0.0) return 0.0;
    double z0 = std::sqrt(f);
    double z = 0.5 * (z0 / kInvTwoSqrtTwo);
    double z2 = f + f;

    double a0[kExpansionTerms + 2], b0[kExpansionTerms + 2], c[kExpansionTerms + 2], d[kExpansionTerms + 2];
    a0[0] = (2.0 / 3.0) * r1;
    c[0] = -0.5 * a0[0];
    d[0] = -c[0];
    double j0 = (0.5 / kTwoOverSqrtPi) * scaled_erfc(z0);
    double j1 = kInvTwoSqrtTwo;
    double sum = j0 + d[0] * w0 * j1;

    double s = 1.0, h2 = h * h, hn = 1.0, w = w0, znm1 = z, zn = z2;
    for (int n = 2; n <= kExpansionTerms; n += 2) {
        hn *= h2;
        a0[n - 1] = 2.0 * r0 * (1.0 + h * hn) / (n + 2.0);
        int np1 = n + 1;
        s += hn;
        a0[np1 - 1] = 2.0 * r1 * s / (n + 3.0);
        for (int i = n; i <= np1; ++i) {
            double r = -0.5 * (i + 1.0);
            b0[0] = r * a0[0];
            for (int m = 2; m <= i; ++m) {
                double bsum = 0.0;
                for (int j = 1; j <= m - 1; ++j) bsum += (j * r - (m - j)) * a0[j - 1] * b0[m - j - 1];
                b0[m - 1] = r * a0[m - 1] + bsum / m;
            }
            c[i - 1] = b0[i - 1] / (i + 1.0);
            double dsum = 0.0;
            for (int j = 1; j <= i - 1; ++j) dsum += d[i - j - 1] * c[j - 1];
            d[i - 1] = -(dsum + c[i - 1]);
        }
        j0 = kInvTwoSqrtTwo * znm1 + (n - 1.0) * j0;
        j1 = kInvTwoSqrtTwo * zn + n * j1;
        znm1 *= z2;
        zn *= z2;
        w *= w0;
        double t0 = d[n - 1] * w * j0;
        w *= w0;
        double t1 = d[np1 - 1] * w * j1;
        sum += t0 + t1;
        if (std::fabs(t0) + std::fabs(t1) <= eps * sum) break;
    }
    return kTwoOverSqrtPi * t * std::exp(-stirling_beta_correction(a, b)) * sum;
}

// a - (a + b) x to the last bit: the product's rounding error is recovered by a fused multiply-add
// and the difference with a, close to the product, is exact. Far out in a tail of shapes near 1e6
// the plain difference would cost twelve digits of the result.
double distance_from_mean(double x, double a, double b) {
    double sum = a + b;
    double product = sum * x;
    double error = std::fma(sum, x, -product);
    return (a - product) - error;
}


// ln(x^a y^b / B(a, b)) for a, b >= 15 given lambda = a - (a + b) x = (a + b) y - b:
// x^a y^b / B(a, b) = sqrt(a b / (2 pi (a + b))) exp(-(a u + b v) - c), where u and v measure how far
// x and y lie from a / (a + b) and b / (a + b), and c is the Stirling correction. Nothing of size
// a ln x is formed, so the factor keeps its relative accuracy; it depends on x through lambda alone,
// so either orientation of the shapes gives the same bits.
double ln_front_from_lambda(double a, double b, double lambda) {
    double u = x_minus_ln1px(-lambda / a);
    double v = x_minus_ln1px(lambda / b);
    return -(a * u + b * v) + 0.5 * std::log(a * b / (a + b)) - kLnSqrt2Pi - stirling_beta_correction(a, b);
}

// I_x(a, b) for lambda = a - (a + b) x >= 0 and a, b > 1 by the continued fraction written in lambda,
// which converges in few terms even close to the mean, times the density factor; x and y = 1 - x are
// passed apart so that the small one keeps its last bits. 1 when 2,000 terms do not settle.
int fraction_from_mean(double x, double y, double a, double b, double lambda, double eps, double* value) {
    double front = std::exp(ln_front_from_lambda(a, b, lambda));
    if (front == 0.0) {
        *value = 0.0;
        return 0;
    }
    double c = 1.0 + lambda, c0 = b / a, c1 = 1.0 + 1.0 / a, yp1 = y + 1.0;
    double p = 1.0, s = a + 1.0;
    double an = 0.0, bn = 1.0, anp1 = 1.0, bnp1 = c / c1;
    double r = c1 / c;
    for (int n = 1; n <= 2000; ++n) {
        double t = n / a;
        double w = n * (b - n) * x;
        double e = a / s;
        double alpha = (p * (p + c0) * e * e) * (w * x);
        e = (1.0 + t) / (c1 + t + t);
        double beta = n + w / s + e * (c + n * yp1);
        p = 1.0 + t;
        s += 2.0;
        t = alpha * an + beta * anp1;
        an = anp1;
        anp1 = t;
        t = alpha * bn + beta * bnp1;
        bn = bnp1;
        bnp1 = t;
        double r0 = r;
        r = anp1 / bnp1;
        if (std::fabs(r - r0) <= eps * r) {
            *value = front * r;
            return 0;
        }
        // Rescale so the recurrence cannot overflow.
        an /= bnp1;
        bn /= bnp1;
        anp1 = r;
        bnp1 = 1.0;
    }
    return 1;
}
}  // namespace

double beta_ln_front(double x, double a, double b) {
    if (a < kStirlingShape || b < kStirlingShape) return a * std::log(x) + b * zln1px(-x) - zlbeta(a, b);
    return ln_front_from_lambda(a, b, distance_from_mean(x, a, b));
}

double beta_ln_density(double x, double a, double b) {
    return beta_ln_front(x, a, b) - std::log(x) - zln1px(-x);
}

bool beta_large_shapes(double x, double a, double b, double* lower, double* upper) {
    if (!(a > kExpansionShape && b > kExpansionShape)) return false;
    double lambda = distance_from_mean(x, a, b);
    if (lambda == 0.0 && a == b) {
        // I_x(a, a) = 1 - I_(1-x)(a, a): exactly one half at the midpoint.
        *lower = *upper = 0.5;
        return true;
    }
    // Each method gives the tail on the side of x away from the mean; the other is its complement.
    // Near the mean the expansion converges fastest, further out the fraction in lambda.
    constexpr double eps = 1e-15;
    double smaller = a < b ? a : b;
    bool expansion = std::fabs(lambda) <= 0.03 * smaller;
    double tail;
    if (lambda >= 0.0) {
        if (expansion) {
            tail = beta_expansion(a, b, lambda, eps);
        } else if (fraction_from_mean(x, 1.0 - x, a, b, lambda, eps, &tail) != 0) {
            return false;
        }
        *lower = tail;
        *upper = 0.5 + (0.5 - tail);
    } else {
        if (expansion) {
            tail = beta_expansion(b, a, -lambda, eps);
        } else if (fraction_from_mean(1.0 - x, x, b, a, -lambda, eps, &tail) != 0) {
            return false;
        }
        *upper = tail;
        *lower = 0.5 + (0.5 - tail);
    }
    return true;
}
