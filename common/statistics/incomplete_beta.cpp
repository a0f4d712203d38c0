// Regularised incomplete beta by the continued fraction (modified Lentz), with the symmetry
// I_x(a,b) = 1 - I_(1-x)(b,a) to stay in the fast-converging region. To be replaced by zibeta.
#include <cmath>

#include "common/statistics/incomplete_beta.h"

namespace {

bool continued_fraction(double x, double a, double b, double* value) {
    const double tiny = 1e-300, eps = 1e-16;
    double c = 1.0, d = 1.0 - (a + b) * x / (a + 1.0);
    if (std::fabs(d) < tiny) d = tiny;
    d = 1.0 / d;
    double h = d;
    for (int m = 1; m <= 10000; ++m) {
        double m2 = 2.0 * m;
        double aa = m * (b - m) * x / ((a + m2 - 1.0) * (a + m2));
        d = 1.0 + aa * d;
        if (std::fabs(d) < tiny) d = tiny;
        c = 1.0 + aa / c;
        if (std::fabs(c) < tiny) c = tiny;
        d = 1.0 / d;
        h *= d * c;
        aa = -(a + m) * (a + b + m) * x / ((a + m2) * (a + m2 + 1.0));
        d = 1.0 + aa * d;
        if (std::fabs(d) < tiny) d = tiny;
        c = 1.0 + aa / c;
        if (std::fabs(c) < tiny) c = tiny;
        d = 1.0 / d;
        double delta = d * c;
        h *= delta;
        if (std::fabs(delta - 1.0) < eps) {
            *value = h;
            return true;
        }
    }
    return false;
}

}  // namespace

int stat_incomplete_beta(double x, double a, double b, double* result) {
    if (!(a > 0.0) || !(b > 0.0) || !(x >= 0.0 && x <= 1.0)) return 1;
    if (x == 0.0 || x == 1.0) {
        *result = x;
        return 0;
    }
    double log_front = std::lgamma(a + b) - std::lgamma(a) - std::lgamma(b) + a * std::log(x) + b * std::log1p(-x);
    double front = std::exp(log_front);
    double cf;
    if (x < (a + 1.0) / (a + b + 2.0)) {
        if (!continued_fraction(x, a, b, &cf)) return 1;
        *result = front * cf / a;
    } else {
        if (!continued_fraction(1.0 - x, b, a, &cf)) return 1;
        *result = 1.0 - front * cf / b;
    }
    if (*result < 0.0) *result = 0.0;
    if (*result > 1.0) *result = 1.0;
    return 0;
}
