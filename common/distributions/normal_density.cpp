// The standard normal density phi(x) = exp(-x^2 / 2) / sqrt(2 pi), kept to full relative
// accuracy in the tails by carrying the rounding error of x^2 into the exponential.
#include <cmath>

#include "common/distributions/normal.h"

double zdnsnrm(double x) {
    if (std::isnan(x)) return x;   // missing values pass through unchanged
    constexpr double kOneOverSqrtTwoPi = 0.398942280401432677939946059934381868;
    double sq = x * x;
    if (sq > 1500.0) return 0.0;   // exp(-750) underflows; also covers infinite x
    // x^2 = sq + err exactly; exp(-(sq + err)/2) = exp(-sq/2) * (1 - err/2) to first order,
    // where |err| <= ulp(sq) / 2 makes the dropped terms negligible.
    double err = std::fma(x, x, -sq);
    return kOneOverSqrtTwoPi * std::exp(-0.5 * sq) * (1.0 - 0.5 * err);
}
