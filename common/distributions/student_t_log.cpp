// Noncentral t on the log scale: ln P and ln Q by integration over the chi-square variable, the
// log density, and the quantile by bracketing and logit secant steps from a Cornish-Fisher start.
#include <cmath>

#include "common/distributions/beta.h"
#include "common/distributions/log_helpers.h"
#include "common/distributions/log_integral.h"
#include "common/distributions/normal.h"
#include "common/distributions/student_t.h"
#include "common/distributions/student_t_internal.h"
#include "host/missing.h"

namespace {

constexpr double kSqrtEps = 1.053671212772351e-8;

struct chi_data {
    double t, nu, delta, ln_gamma_half_nu;
    int part;   // 0 lower tail, 1 upper tail, 2 density
};

// ln of the integrand over u, the gamma(nu/2) variable: the conditional normal probability or
// density of t given u, times the gamma density.
int ln_chi_integrand(double u, void* raw, double* ln_value) {
    auto* d = static_cast<chi_data*>(raw);
    if (!(u > 0.0)) {
        *ln_value = -INFINITY;
        return 0;
    }
    double scale = std::sqrt(2.0 * u / d->nu);
    double ln_lower, ln_upper, ln_phi;
    if (zlognrm(d->t * scale - d->delta, &ln_lower, &ln_upper, &ln_phi) != 0) return 1;
    double ln_g = (0.5 * d->nu - 1.0) * std::log(u) - u - d->ln_gamma_half_nu;
    double ln_conditional = d->part == 0 ? ln_lower : (d->part == 1 ? ln_upper : ln_phi + std::log(scale));
    *ln_value = ln_conditional + ln_g;
    return 0;
}

int chi_log_integral(double t, double nu, double delta, int part, double tolerance, double* ln_result) {
    chi_data data{t, nu, delta, zlgamma(0.5 * nu), part};
    double centre = 0.5 * nu > 1.0 ? 0.5 * nu - 0.5 : 0.5;
    double h0 = 0.5 / std::sqrt(0.5 * nu > 1.0 ? 0.5 * nu : 1.0);
    return log_scale_integral(ln_chi_integrand, &data, 2, 0.0, 0.0, centre, h0, tolerance, ln_result);
}

int tnc_log_tails(double x, double nu, double delta, double tolerance, double* ln_lower, double* ln_upper) {
    if (nu > 2147483647.0 || !(nu > 0.0)) return 1;
    if (x == 0.0) {
        double ln_d;
        return zlognrm(-delta, ln_lower, ln_upper, &ln_d);
    }
    if (delta == 0.0) {
        double ratio = x * x / nu;
        beta_request b{};
        b.operation = 1;
        b.tolerance = tolerance;
        if (ratio <= 1.0) {
            b.x = ratio / (ratio + 1.0);
            b.a = 0.5;
            b.b = 0.5 * nu;
        } else {
            b.x = 1.0 / (ratio + 1.0);
            b.a = 0.5 * nu;
            b.b = 0.5;
        }
        if (zlogbet(&b) != 0) return 1;
        // The smaller tail, P(|T| > |x|) / 2, and its complement.
        double ln_far = (ratio <= 1.0 ? b.ln_upper : b.ln_lower) - 0.6931471805599453;
        double ln_near = zln1px(-std::exp(ln_far));
        *ln_lower = x < 0.0 ? ln_far : ln_near;
        *ln_upper = x < 0.0 ? ln_near : ln_far;
        return 0;
    }
    if (nu < 0.5) return 1;
    bool reflect = delta < 0.0;
    double xs = reflect ? -x : x, ds = reflect ? -delta : delta;
    double lo, up;
    if (chi_log_integral(xs, nu, ds, 0, tolerance, &lo) != 0) return 1;
    if (chi_log_integral(xs, nu, ds, 1, tolerance, &up) != 0) return 1;
    // Each side from its own integral keeps its relative accuracy; the larger is checked by the smaller.
    if (lo < up) up = zln1px(-std::exp(lo));
    else lo = zln1px(-std::exp(up));
    *ln_lower = reflect ? up : lo;
    *ln_upper = reflect ? lo : up;
    return 0;
}

int tnc_log_quantile(tnc_request* r) {
    const double nu = r->nu, delta = r->delta, p = r->p;
    if (!(nu >= kSqrtEps) || !(p > 0.0) || !(p <= 0.9999999894632878)) return 1;
    double z = zprobit(p), z2 = z * z, d2 = delta * delta;
    double x = z + delta + (1.0 / (4.0 * nu)) * ((z2 + 1.0) * z + (2.0 * z2 + 1.0) * delta + z * d2) +
               (1.0 / (96.0 * nu * nu)) * ((5.0 * z2 * z2 + 16.0 * z2 + 3.0) * z + (12.0 * z2 * z2 + 36.0 * z2 + 3.0) * delta +
                                          (6.0 * z2 + 24.0) * z * d2 - 4.0 * (z2 - 1.0) * d2 * delta - 3.0 * z * d2 * d2);
    // The expansion in 1/nu runs away for few degrees of freedom; where the moments exist, a start
    // more than 20 standard deviations from the mean is replaced by the normal-scaled mean + z sd.
    if (!qor::is_missing(r->std_dev) && (!std::isfinite(x) || std::fabs(x - r->mean) > 20.0 * r->std_dev))
        x = r->mean + z * r->std_dev;
    double up_factor, down_factor;
    if (p >= zprbnrm(-delta)) {
        up_factor = 1.5;
        down_factor = 0.7;
        if (!(x > 0.0)) x = 1.0;
    } else {
        up_factor = 0.7;
        down_factor = 1.5;
        if (!(x < 0.0)) x = -1.0;
    }
    double ln_p = std::log(p), target = ln_p - zln1px(-p);
    double lo, up;
    if (tnc_log_tails(x, nu, delta, r->tolerance, &lo, &up) != 0) return 1;
    for (int i = 0; i < 50 && lo < ln_p; ++i) {
        x *= up_factor;
        if (tnc_log_tails(x, nu, delta, r->tolerance, &lo, &up) != 0) return 1;
    }
    for (int i = 0; i < 50 && lo > ln_p; ++i) {
        x *= down_factor;
        if (tnc_log_tails(x, nu, delta, r->tolerance, &lo, &up) != 0) return 1;
    }
    double x0 = x, g0 = lo - up - target;
    double x1 = x + (std::fabs(x) > 1.0 ? 0.01 * x : 0.01), g1;
    if (tnc_log_tails(x1, nu, delta, r->tolerance, &lo, &up) != 0) return 1;
    g1 = lo - up - target;
    for (int step = 0; step < 70; ++step) {
        r->x = x1;
        if (g1 == g0) return std::fabs(g1) <= r->tolerance * std::fabs(target) + 1e-12 ? 0 : 1;
        double next = x1 - g1 * (x1 - x0) / (g1 - g0);
        double change = std::fabs(next - x1);
        x0 = x1;
        g0 = g1;
        x1 = next;
        r->x = x1;
        if (tnc_log_tails(x1, nu, delta, r->tolerance, &lo, &up) != 0) return 1;
        g1 = lo - up - target;
        if (std::fabs(g1 - g0) < r->tolerance * std::fabs(target) ||
            change < std::fmax(std::fabs(x1), r->absolute_step) * r->relative_step)
            return 0;
    }
    return 1;
}

}  // namespace

int zldntnc(double t, double nu, double delta, double* ln_density) {
    if (!(nu > 0.0) || std::isnan(t) || std::isnan(delta)) return 1;
    if (t == 0.0) {
        *ln_density = 0.5 * (-delta * delta + 2.0 * (zlgamma(0.5 * (nu + 1.0)) - zlgamma(0.5 * nu)) -
                             std::log(3.141592653589793 * nu));
        return 0;
    }
    if (std::fabs(delta) < 2.0) {
        // The series is exact apart from rounding; opposite signs of t and delta make its terms
        // alternate, so a sum that lost more than a digit goes to the integral when that exists.
        double ln_series, loss;
        if (tnc_density_series(t, nu, delta, &ln_series, &loss) == 0 && (loss <= 10.0 || (nu < 0.5 && loss < 1e6))) {
            *ln_density = ln_series;
            return 0;
        }
    }
    if (nu < 0.5) return 1;
    return chi_log_integral(t, nu, delta, 2, 2e-15, ln_density);
}

int zlogtnc(tnc_request* r) {
    if (r->operation < 1 || r->operation > 7) return 1;
    if (r->tolerance < 8.881784197001256e-16) r->tolerance = 8.881784197001256e-16;
    if (r->absolute_step < kSqrtEps) r->absolute_step = kSqrtEps;
    if (r->relative_step < kSqrtEps) r->relative_step = kSqrtEps;
    // Recomputed on every call (two log-gamma values), so a reused request never keeps stale moments.
    tnc_moments(r->nu, r->delta, &r->mean, &r->std_dev);
    r->moments_known = 1;
    if (r->operation & 4) return tnc_log_quantile(r);
    if (r->operation & 1) {
        if (tnc_log_tails(r->x, r->nu, r->delta, r->tolerance, &r->ln_lower, &r->ln_upper) != 0) return 1;
    }
    if (r->operation & 2) return zldntnc(r->x, r->nu, r->delta, &r->ln_density);
    return 0;
}
