// Log tail probabilities of the standard normal law, the Mills ratio and its continued fraction,
// and the inverse Gaussian distribution function.
#include <cmath>

#include "common/distributions/log_helpers.h"
#include "common/distributions/normal.h"

double erfc_asymptotic_term(double y);   // erf.cpp

namespace {
constexpr double kLnSqrt2Pi = 0.9189385332046728;
constexpr double kInvSqrt2 = 0.7071067811865476;
constexpr double kExpFloor = -708.3964185;
}  // namespace

int zlognrm(double z, double* ln_lower, double* ln_upper, double* ln_density) {
    *ln_density = -0.5 * z * z - kLnSqrt2Pi;
    double az = std::fabs(z);
    double tail;   // ln of the smaller tail probability, at |z|
    if (az < 5.0) {
        tail = std::log(0.5 * zferfc(az * kInvSqrt2));
    } else {
        double ratio;
        if (zmillsr(az, &ratio) != 0) return 1;
        tail = std::log(ratio) + *ln_density;
    }
    if (z > 0.0) {
        *ln_upper = tail;
        *ln_lower = zln1px(-std::exp(tail));
    } else {
        *ln_lower = tail;
        *ln_upper = zln1px(-std::exp(tail));
    }
    return 0;
}

int zmillsr(double x, double* ratio) {
    if (x >= 5.0) return zcnfmill(x, ratio);
    *ratio = std::exp(0.5 * x * x + kLnSqrt2Pi);
    if (x >= -10.0) *ratio *= zprbnrm(-x);
    return 0;
}

int zcnfmill(double x, double* ratio) {
    // R(x) = 1/x * 1/(1 + (1/x^2)/(1 + (2/x^2)/(1 + ...))), convergents by forward recurrence.
    double w = 1.0 / (x * x);
    double a_prev = 1.0, b_prev = 1.0;       // convergent 0: 1
    double a_cur = 1.0, b_cur = 1.0 + w;     // convergent 1: 1 / (1 + w)
    double previous = a_prev / b_prev;
    double current = a_cur / b_cur;
    for (int k = 2; k <= 100; ++k) {
        if (std::fabs(current - previous) <= 5.551115123125785e-16 * std::fabs(current)) {
            *ratio = current / x;
            return 0;
        }
        double a_next = a_cur + k * w * a_prev;
        double b_next = b_cur + k * w * b_prev;
        a_prev = a_cur;
        b_prev = b_cur;
        a_cur = a_next;
        b_cur = b_next;
        previous = current;
        current = a_cur / b_cur;
    }
    if (std::fabs(current - previous) <= 5.551115123125785e-16 * std::fabs(current)) {
        *ratio = current / x;
        return 0;
    }
    *ratio = current / x;
    return 1;
}

double zprbigs(double x, double lambda) {
    if (x == 0.0) return 0.0;
    double root_lambda = std::sqrt(lambda);
    double root_x = std::sqrt(x);
    double u = root_lambda * (root_x + 1.0 / root_x) * kInvSqrt2;
    double second;
    if (u <= 4.0) {
        second = std::exp(2.0 * lambda) * 0.5 * zferfc(u);
    } else {
        double r = erfc_asymptotic_term(u);
        double exponent = 2.0 * lambda - u * u;
        second = exponent < kExpFloor ? 0.0 : 0.5 * std::exp(exponent) / u * (0.5641895835477563 - r);
    }
    return zprbnrm(root_lambda * (root_x - 1.0 / root_x)) + second;
}
