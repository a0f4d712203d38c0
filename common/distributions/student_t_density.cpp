// Noncentral t log density: the Poisson-weighted series of beta densities for small noncentrality,
// and otherwise the integral over the chi variable; plus the moments of the distribution.
#include <cmath>

#include "common/distributions/gamma.h"
#include "common/distributions/log_helpers.h"
#include "common/distributions/student_t.h"
#include "common/distributions/student_t_internal.h"
#include "host/missing.h"

namespace {

constexpr double kSeriesTolerance = 2e-15;
constexpr int kSeriesTerms = 1000;

// ln of the gamma density of shape a at lambda (the Poisson-type weight); -inf where it vanishes.
double ln_weight(double lambda, double a) {
    double value;
    if (zldngam(lambda, a, &value) != 0 || qor::is_missing(value)) return -INFINITY;
    return value;
}

}  // namespace

// With lambda = delta^2/2 and x = t^2/(t^2 + nu), differentiating the Poisson mixture of beta ratios
// gives f(t) = 1/2 dx/d|t| sum_j [G(lambda; j + 1) b(x; j + 1/2, nu/2) + s G(lambda; j + 3/2) b(x; j + 1, nu/2)]
// where G is the gamma density, b the beta density and s the sign of t delta. Terms are carried in
// logarithms relative to the first one, so neither huge |t| nor tiny nu overflows. Returns 0 with
// *ln_density, 1 when the sum does not settle or cancels too far (*loss = sum |terms| / |sum|).
int tnc_density_series(double t, double nu, double delta, double* ln_density, double* loss) {
    const double lambda = 0.5 * delta * delta, b = 0.5 * nu;
    const double ln_t = std::log(std::fabs(t));
    const double ln_sum_sq = 2.0 * ln_t + zln1px(nu * std::exp(-2.0 * ln_t));   // ln(t^2 + nu)
    const double ln_x = 2.0 * ln_t - ln_sum_sq, ln_1mx = std::log(nu) - ln_sum_sq;
    const double sign = (t > 0.0) == (delta > 0.0) ? 1.0 : -1.0;
    auto ln_beta_density = [&](double a) { return (a - 1.0) * ln_x + (b - 1.0) * ln_1mx - zlbeta(a, b); };
    const double ln_ref = ln_weight(lambda, 1.0) + ln_beta_density(0.5);
    double sum = 0.0, absolute = 0.0;
    for (int j = 0; j < kSeriesTerms; ++j) {
        double even = std::exp(ln_weight(lambda, j + 1.0) + ln_beta_density(j + 0.5) - ln_ref);
        double odd = lambda > 0.0 ? std::exp(ln_weight(lambda, j + 1.5) + ln_beta_density(j + 1.0) - ln_ref) : 0.0;
        sum += even + sign * odd;
        absolute += even + odd;
        if (!std::isfinite(absolute)) return 1;
        if (j >= lambda && even + odd <= kSeriesTolerance * std::fabs(sum)) {
            *loss = sum > 0.0 ? absolute / sum : INFINITY;
            if (!(sum > 0.0)) return 1;
            // f = 1/2 * 2 |t| nu / (t^2 + nu)^2 * sum.
            *ln_density = ln_t + std::log(nu) - 2.0 * ln_sum_sq + ln_ref + std::log(sum);
            return 0;
        }
    }
    return 1;
}

void tnc_moments(double nu, double delta, double* mean, double* std_dev) {
    *mean = *std_dev = qor::missing();
    if (!(nu > 1.0) || std::isnan(delta)) return;
    double m = delta == 0.0 ? 0.0 : delta * std::sqrt(0.5 * nu) * std::exp(zlgamma(0.5 * (nu - 1.0)) - zlgamma(0.5 * nu));
    *mean = m;
    if (!(nu > 2.0)) return;
    double variance = nu * (1.0 + delta * delta) / (nu - 2.0) - m * m;
    if (variance >= 1.110223024625157e-16) *std_dev = std::sqrt(variance);
}
