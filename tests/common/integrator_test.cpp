// Trapezoidal integrator: exponent jumps of +-1000 under log scaling, and points of the half-line
// mapping that collapse onto its end (harmless when the tail is negligible, else the caller's code).
#include <gtest/gtest.h>

#include <cmath>

#include "common/distributions/integrate.h"

namespace {

// The centre value 1 is carried at exponent 0; every other point is e^(1000 - x^2), carried as the
// mantissa e^(-x^2) at exponent 1000 (or at exponent 0 when `drop` is set, a fall of 1000).
struct jump_data {
    trapezoid_context* context;
    bool fall;
};

int jumping(double x, void* raw, double* value) {
    auto* d = static_cast<jump_data*>(raw);
    if (x == 0.0) {
        d->context->exponent = d->fall ? 1000 : 0;
        *value = 1.0;
        return 0;
    }
    d->context->exponent = d->fall ? 0 : 1000;
    *value = std::exp(-x * x);
    return 0;
}

trapezoid_context jump_context(jump_data* data) {
    trapezoid_context c{};
    c.tolerance = 1e-8;   // log-scale convergence: |change| < 1e-4 x (about 1000)
    c.initial_step = 1.0;
    c.max_halvings = 10;
    c.mapping = 1;
    c.log_scaling = 1;
    c.log_base = M_E;
    c.previous_exponent = c.exponent = -2147483647;
    c.integrand = jumping;
    c.integrand_data = data;
    return c;
}

TEST(IntegratorLogScaling, ExponentRiseOf1000DropsTheEarlierSums) {
    trapezoid_context c{};
    jump_data data{&c, false};
    c = jump_context(&data);
    double mantissa = 0.0;
    ASSERT_EQ(zhrdys(&c, &mantissa), 0);
    EXPECT_EQ(c.previous_exponent, 1000);
    // The centre's 1 was scaled by e^-1000 (below e^-708.4, so exactly 0): the estimate is the
    // trapezoid sum of e^(-x^2) without its centre point, sqrt(pi) - h (exact for h <= 1/2).
    EXPECT_LE(c.step, 0.5);
    EXPECT_NEAR(mantissa, std::sqrt(M_PI) - c.step, 1e-14);
}

TEST(IntegratorLogScaling, ExponentFallOf1000Fails) {
    trapezoid_context c{};
    jump_data data{&c, true};
    c = jump_context(&data);
    double mantissa = -1.0;
    EXPECT_EQ(zhrdys(&c, &mantissa), 1);   // rescaling by e^+1000 would overflow
    EXPECT_EQ(mantissa, -1.0);
}

// f(x) = (x - a)^power e^-(x - a) over (a, inf), with a = 1e10 so that points of the log-spaced grid
// reach a (x - a below half an ulp of a) after a few steps below the centre.
struct collapse_data {
    double a, power;
};

int shifted_gamma(double x, void* raw, double* value) {
    auto* d = static_cast<collapse_data*>(raw);
    double u = x - d->a;
    *value = std::pow(u, d->power) * std::exp(-u);
    return 0;
}

trapezoid_context collapse_context(collapse_data* data, double h0) {
    trapezoid_context c{};
    c.tolerance = 1e-8;
    c.lower = data->a;
    c.centre = data->a + 1.0;
    c.initial_step = h0;
    c.max_halvings = 12;
    c.mapping = 2;
    c.collapse_code = 5;
    c.integrand = shifted_gamma;
    c.integrand_data = data;
    return c;
}

TEST(IntegratorCollapse, NegligibleTailCountsAsZeroElseTheCallersCode) {
    // u^2 e^-u: at the collapse the last weighted term (u^3 e^-u, u = e^-12) is below 1e-13 of the
    // upper side, so the point counts as 0 and the integral Gamma(3) = 2 comes out (x - a keeps
    // about 1e-6 of rounding at a = 1e10).
    collapse_data smooth{1e10, 2.0};
    trapezoid_context c = collapse_context(&smooth, 3.0);
    double r = 0.0;
    ASSERT_EQ(zhrdys(&c, &r), 0);
    EXPECT_NEAR(r, 2.0, 1e-4);
    // u^-1/2 e^-u still carries mass where the grid reaches a: the caller's collapse code.
    collapse_data singular{1e10, -0.5};
    c = collapse_context(&singular, 1.0);
    EXPECT_EQ(zhrdys(&c, &r), 5);
    // A collapse code of 0 asks to go on: the collapsed points add nothing, so the estimate lacks
    // the mass 2 sqrt(u) within the last representable u (about 1e-6) of a: about 2e-3 below sqrt(pi).
    c = collapse_context(&singular, 1.0);
    c.collapse_code = 0;
    ASSERT_EQ(zhrdys(&c, &r), 0);
    EXPECT_LT(r, std::sqrt(M_PI) - 1e-3);
    EXPECT_GT(r, std::sqrt(M_PI) - 5e-3);
}

}  // namespace
