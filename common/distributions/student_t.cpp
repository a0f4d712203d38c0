// Student t quantile through the beta quantile, and the noncentral t distribution function by the
// Poisson-mixture series of beta ratios or, far out, by integration over the chi-square variable.
#include "common/distributions/student_t.h"

#include <cmath>

#include "common/distributions/beta.h"
#include "common/distributions/integrate.h"
#include "common/distributions/log_helpers.h"
#include "common/distributions/normal.h"
#include "host/missing.h"

namespace {

constexpr double kSqrtEps = 1.053671212772351e-8;
constexpr double kInvSqrt2 = 0.7071067811865476;

// F = Phi(-delta) + 1/2 sum_j [P_j I_x(j + 1/2, nu/2) + delta/sqrt2 Q_j I_x(j + 1, nu/2)] for t >= 0,
// P_j, Q_j the Poisson(delta^2/2) weights over j! and Gamma(j + 3/2); walked both ways from the mode.
int series_upper_half(double t, double nu, double delta, double* f) {
    double x = t * t / (t * t + nu);
    if (1.0 - x < 1e-15) return 1;
    double lambda = 0.5 * delta * delta;
    double b = 0.5 * nu;
    int mode = static_cast<int>(std::floor(lambda));
    double ln_weight_p = mode * std::log(lambda > 0 ? lambda : 1.0) - lambda - zlgamma(mode + 1.0);
    double ln_weight_q = mode * std::log(lambda > 0 ? lambda : 1.0) - lambda - zlgamma(mode + 1.5);
    if (lambda == 0.0) ln_weight_p = ln_weight_q = -INFINITY;
    if (ln_weight_p < -708.3964185 && lambda > 0.0) return 1;
    double p_start = std::exp(ln_weight_p), q_start = std::exp(ln_weight_q) * delta * kInvSqrt2;
    double ip, iq, dens;
    if (zibeta(x, mode + 0.5, b, &ip, &dens) != 0) return 1;
    if (zibeta(x, mode + 1.0, b, &iq, &dens) != 0) return 1;
    // g(a) = x^a (1 - x)^b / (a B(a, b)): I_x(a + 1, b) = I_x(a, b) - g(a).
    auto ln_g = [&](double a) { return a * std::log(x) + b * zln1px(-x) - std::log(a) - zlbeta(a, b); };
    double gp_start = std::exp(ln_g(mode + 0.5)), gq_start = std::exp(ln_g(mode + 1.0));
    double sum = p_start * ip + q_start * iq;

    // Upward walk.
    double wp = p_start, wq = q_start, i1 = ip, i2 = iq, g1 = gp_start, g2 = gq_start;
    bool settled = false;
    for (int j = mode + 1; j <= mode + 1000; ++j) {
        double a1 = j - 0.5, a2 = j;   // previous shapes
        i1 -= g1;
        i2 -= g2;
        g1 *= x * (a1 + b) / (a1 + 1.0);
        g2 *= x * (a2 + b) / (a2 + 1.0);
        wp *= lambda / j;
        wq *= lambda / (j + 0.5);
        double term = wp * i1 + wq * i2;
        sum += term;
        if (std::fabs(term) <= 2e-15 * std::fabs(sum) && wp <= 2e-15) {
            settled = true;
            break;
        }
    }
    if (!settled && sum != 0.0) return 1;
    // Downward walk.
    wp = p_start, wq = q_start, i1 = ip, i2 = iq, g1 = gp_start, g2 = gq_start;
    for (int j = mode - 1; j >= 0 && j >= mode - 1000; --j) {
        double a1 = j + 0.5, a2 = j + 1.0;   // new shapes
        g1 *= (a1 + 1.0) / (x * (a1 + b));
        g2 *= (a2 + 1.0) / (x * (a2 + b));
        i1 += g1;
        i2 += g2;
        wp *= (j + 1.0) / lambda;
        wq *= (j + 1.5) / lambda;
        double term = wp * i1 + wq * i2;
        sum += term;
        if (std::fabs(term) <= 2e-15 * std::fabs(sum)) break;
    }
    *f = zprbnrm(-delta) + 0.5 * sum;
    return 0;
}

struct tnc_integrand {
    double t, nu, delta, ln_gamma_half_nu;
};

// Phi(t sqrt(2u/nu) - delta) times the gamma density of shape nu/2 at u.
int chi_integrand(double u, void* raw, double* value) {
    auto* d = static_cast<tnc_integrand*>(raw);
    if (!(u > 0.0)) {
        *value = 0.0;
        return 0;
    }
    double ln_g = (0.5 * d->nu - 1.0) * std::log(u) - u - d->ln_gamma_half_nu;
    *value = zprbnrm(d->t * std::sqrt(2.0 * u / d->nu) - d->delta) * std::exp(ln_g);
    return 0;
}

int integral_form(double t, double nu, double delta, double* f) {
    if (nu < 0.5) return 1;
    tnc_integrand data{t, nu, delta, zlgamma(0.5 * nu)};
    double u = 1.0, value = 0.0;
    int doublings = 0;
    chi_integrand(u, &data, &value);
    while (value < 4.0083367200179447e-292 && doublings < 10) {
        u *= 2.0;
        ++doublings;
        chi_integrand(u, &data, &value);
    }
    if (value < 4.0083367200179447e-292) {
        // Large degrees of freedom: the mass sits near the gamma mode, beyond ten doublings.
        u = 0.5 * nu - 1.0;
        chi_integrand(u, &data, &value);
        if (!(value >= 4.0083367200179447e-292)) return 1;
    }
    trapezoid_context c{};
    c.tolerance = 2e-15;
    c.lower = 0.0;
    c.centre = u;
    c.initial_step = 0.5 / std::sqrt(0.5 * nu > 1.0 ? 0.5 * nu : 1.0);
    c.max_halvings = 12;
    c.mapping = 2;
    // A relative test: far lower tails are tiny, and an absolute floor would stop after one halving.
    c.convergence_test = 1;
    c.integrand = chi_integrand;
    c.integrand_data = &data;
    return zhrdys(&c, f);
}

// A first t quantile: the odd series near the median, else through the beta quantile; good to
// about seven digits near the median with many degrees of freedom, where 1 - x cancels.
int t_quantile_start(double p, double nu, double* t) {
    if (std::fabs(p - 0.5) < 0.001 && nu >= 1.0) {
        double t0 = (p - 0.5) * std::exp(zlbeta(0.5, 0.5 * nu) + 0.5 * std::log(nu));
        if (std::fabs(t0) < kSqrtEps) {
            *t = t0;
            return 0;
        }
        // Newton steps on the odd series of the distribution function near 0.
        double c = 1.0 / nu;
        double x = t0, x0 = t0;
        for (int i = 0; i < 50; ++i) {
            double x2 = x * x;
            double u = (1.0 - c) * (1.0 + c) * x2;
            double next = x - ((1.0 - (u / 40.0 + (1.0 + c) / 6.0) * x2) * x - x0) / (1.0 - x2 * (u / 8.0 + (1.0 + c) / 2.0));
            bool done = std::fabs(next - x) <= 1e-7 * std::fabs(next);
            x = next;
            if (done) break;
        }
        *t = x;
        return 0;
    }
    double q = 2.0 * (p < 1.0 - p ? p : 1.0 - p);
    double x;
    if (zprobin(q, 0.5 * nu, 0.5, &x) != 0) return 1;
    double value = std::sqrt((1.0 - x) * nu / x);
    *t = p <= 0.5 ? -value : value;
    return 0;
}

// For t > 0: ln of the central probability P(0 < T <= t) and of the tail P(T > t), each computed on
// its own (the smaller to full relative accuracy), and ln of the density at t. With y = t^2/(nu + t^2)
// and x = 1 - y, both formed from t, the central part is I_y(1/2, nu/2) / 2 and the tail I_x(nu/2, 1/2) / 2;
// the beta routine is handed whichever of x and y is smaller, so that its complement never cancels.
int t_central_and_tail(double t, double nu, double* ln_central, double* ln_tail, double* ln_density) {
    double t2 = t * t;
    if (!std::isfinite(t2) || !(t2 > 0.0)) return 1;
    double y = t2 / (nu + t2), x = nu / (nu + t2);
    beta_request r{};
    r.operation = 1;
    if (y < x) {
        r.x = y;
        r.a = 0.5;
        r.b = 0.5 * nu;
    } else {
        r.x = x;
        r.a = 0.5 * nu;
        r.b = 0.5;
    }
    if (zlogbet(&r) != 0) return 1;
    constexpr double kLnHalf = -0.6931471805599453;
    *ln_central = (y < x ? r.ln_lower : r.ln_upper) + kLnHalf;
    *ln_tail = (y < x ? r.ln_upper : r.ln_lower) + kLnHalf;
    *ln_density = -0.5 * (nu + 1.0) * zln1px(t2 / nu) - 0.5 * std::log(nu) - zlbeta(0.5, 0.5 * nu);
    return 0;
}

}  // namespace

int zqt(double p, double nu, double* t) {
    *t = 0.0;
    if (!(p > 0.0 && p < 1.0 && nu > 0.0)) return 1;
    double start;
    if (t_quantile_start(p, nu, &start) != 0) return 1;
    *t = start;
    if (p == 0.5) return 0;
    // Newton steps on |t| against whichever of P(0 < T <= |t|) = |p - 1/2| and P(T > |t|) = min(p, 1 - p)
    // is smaller; both targets are exact in binary (p - 1/2 and 1 - p by Sterbenz's lemma near 1/2).
    double central_target = std::fabs(p - 0.5);
    double tail_target = p < 0.5 ? p : 1.0 - p;
    bool central = central_target <= tail_target;
    double ln_target = std::log(central ? central_target : tail_target);
    double value = std::fabs(start);
    for (int step = 0; step < 8; ++step) {
        double ln_central, ln_tail, ln_density;
        if (t_central_and_tail(value, nu, &ln_central, &ln_tail, &ln_density) != 0) break;
        double ln_side = central ? ln_central : ln_tail;
        // d ln S / dt = +-f / S; one Newton step on ln S.
        double move = (ln_side - ln_target) * std::exp(ln_side - ln_density);
        double next = central ? value - move : value + move;
        if (!(next > 0.0) || !std::isfinite(next)) break;
        bool settled = std::fabs(next - value) <= 4e-16 * next;
        value = next;
        if (settled) break;
    }
    *t = p < 0.5 ? -value : value;
    return 0;
}

int zplbtnc(double t, double nu, double delta, double* f) {
    *f = qor::missing();
    if (std::isnan(t) || std::isnan(nu) || std::isnan(delta) || !(nu > 0.0)) return 1;
    double result;
    if (t == 0.0) {
        result = zprbnrm(-delta);
    } else if (delta == 0.0) {
        double i_value, dens;
        if (zibeta(nu / (t * t + nu), 0.5 * nu, 0.5, &i_value, &dens) != 0) return 1;
        result = 0.5 * i_value;
        if (t > 0.0) result = 1.0 - result;
    } else if ((t < 0.0 && delta > 0.0) || delta > 20.0) {
        if (integral_form(t, nu, delta, &result) != 0) return 1;
    } else {
        // t > 0 directly; t < 0 (then delta < 0) by reflection F(t, delta) = 1 - F(-t, -delta).
        int rc = t > 0.0 ? series_upper_half(t, nu, delta, &result) : series_upper_half(-t, nu, -delta, &result);
        if (rc == 0 && t < 0.0) result = 1.0 - result;
        // The series fails where x = t^2/(t^2 + nu) rounds to 1; the integral form still holds there.
        if (rc != 0 && integral_form(t, nu, delta, &result) != 0) return 1;
    }
    *f = result < 0.0 ? 0.0 : (result > 1.0 ? 1.0 : result);
    return 0;
}

int zqtnc(double p, double nu, double delta, double* t) {
    if (zqt(p, nu, t) != 0) return 1;
    if (delta == 0.0) return 0;
    double x0, x1;
    if (nu > 10.0) {
        x0 = delta + *t;
        x1 = x0 + 0.1;
    } else if (p < zprbnrm(-delta)) {
        x0 = -1.0;
        x1 = -(std::fabs(delta) + 1.0);
    } else {
        x1 = std::fabs(delta) + 1.0;
        x0 = 0.5 * x1;
    }
    if (std::fabs(x1 - x0) < kSqrtEps) x1 = x0 + 0.1;
    double f1, f0 = 10.0;
    if (zplbtnc(x1, nu, delta, &f1) != 0 || f1 < 4.450147717014404e-306) return 1;
    const double tolerance = 1e-6 * (p < 1.0 - p ? p : 1.0 - p);
    for (int evaluations = 0;; ++evaluations) {
        if (std::fabs(f0 - p) <= tolerance) {
            *t = x0;
            return 0;
        }
        if (evaluations >= 71) return 1;
        if (zplbtnc(x0, nu, delta, &f0) != 0 || f0 < 4.450147717014404e-306) return 1;
        if (std::fabs(f0 - p) <= tolerance) continue;
        if (f0 <= 0.999999999999) {
            double denominator = std::log((1.0 - f1) / (1.0 - f0) * f0 / f1);
            if (denominator == 0.0 || !std::isfinite(denominator)) return 1;
            double next = x0 + (x1 - x0) * std::log((1.0 - p) / (1.0 - f0) * f0 / p) / denominator;
            x1 = x0;
            f1 = f0;
            x0 = next;
        } else {
            x0 = x0 <= 0.0 ? 2.0 * x0 : 0.5 * x0;
        }
    }
}
