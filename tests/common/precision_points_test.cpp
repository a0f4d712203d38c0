// Accuracy where cancellation used to cost digits: ln Gamma just below and above 1 and 2, the
// incomplete beta with both shapes large (value and log-scale routine, which must agree), the
// Student t quantile around its median, and far lower tails of the noncentral t distribution;
// against the 40-digit values of tests/reference/precision_points_reference.py.
#include <gtest/gtest.h>

#include <cmath>

#include "common/distributions/beta.h"
#include "common/distributions/log_helpers.h"
#include "common/distributions/student_t.h"
#include "tests/common/precision_points_values.h"

namespace {

double relative(double value, double reference) { return std::fabs(value - reference) / std::fabs(reference); }

TEST(PrecisionPoints, LnGammaAroundOneAndTwo) {
    for (const auto& g : kLnGammaPoints) EXPECT_LT(relative(zlgamma(g.x), g.value), 4e-15) << g.x;
}

TEST(PrecisionPoints, IncompleteBetaWithLargeShapes) {
    for (const auto& g : kLargeShapeBeta) {
        double p, f;
        ASSERT_EQ(zibeta(g.x, g.a, g.b, &p, &f), 0) << g.x << " " << g.a << " " << g.b;
        // The lower side keeps relative accuracy; above 1/2 the value is 1 - Q.
        if (g.lower <= 0.5)
            EXPECT_LT(relative(p, g.lower), 1e-13) << g.x << " " << g.a << " " << g.b;
        else
            EXPECT_LT(std::fabs(p - g.lower), 1e-15) << g.x << " " << g.a << " " << g.b;
        beta_request r{};
        r.operation = 1;
        r.x = g.x;
        r.a = g.a;
        r.b = g.b;
        ASSERT_EQ(zlogbet(&r), 0) << g.x << " " << g.a << " " << g.b;
        // Both tails on the log scale; the smaller one to full relative accuracy.
        double smaller = g.lower < g.upper ? g.lower : g.upper;
        double ln_smaller = g.lower < g.upper ? r.ln_lower : r.ln_upper;
        EXPECT_LT(std::fabs(std::expm1(ln_smaller - std::log(smaller))), 1e-13) << g.x << " " << g.a << " " << g.b;
        // The two routines agree on the probability itself.
        EXPECT_LT(std::fabs(std::exp(r.ln_lower) - p), 1e-15 + 1e-13 * p) << g.x << " " << g.a << " " << g.b;
    }
    // Symmetric shapes at the midpoint give exactly one half.
    for (double a : {1e3, 1e4, 1e5, 1e6}) {
        double p, f;
        ASSERT_EQ(zibeta(0.5, a, a, &p, &f), 0);
        EXPECT_EQ(p, 0.5) << a;
    }
}

TEST(PrecisionPoints, StudentTQuantileNearTheMedian) {
    for (const auto& g : kTNearMedian) {
        double t;
        ASSERT_EQ(zqt(g.p, g.nu, &t), 0) << g.p << " " << g.nu;
        EXPECT_LT(relative(t, g.t), 4e-12) << g.p << " " << g.nu;
    }
}

TEST(PrecisionPoints, NoncentralTFarLowerTail) {
    for (const auto& g : kNoncentralTTail) {
        double f;
        ASSERT_EQ(zplbtnc(g.t, g.nu, g.delta, &f), 0) << g.t << " " << g.nu << " " << g.delta;
        EXPECT_LT(relative(f, g.lower), 1e-12) << g.t << " " << g.nu << " " << g.delta;
    }
}

}  // namespace
