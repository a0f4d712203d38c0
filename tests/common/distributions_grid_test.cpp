// Accuracy grids: incomplete beta and gamma over shapes from 1e-3 to 1e5 with x near 0, near 1 and
// beside the mean, and Student t quantiles over degrees of freedom and probabilities, against the
// 50-digit decimal values of tests/reference/distribution_grid_reference.py.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>

#include "common/distributions/beta.h"
#include "tests/common/distribution_grid_values.h"
#include "common/distributions/gamma.h"
#include "common/distributions/student_t.h"

namespace {

// Relative error of a probability against its reference; both below the smallest normal count as equal.
double relative_error(double value, double reference) {
    if (reference < 2.2250738585072014e-308) return std::fabs(value) < 2.2250738585072014e-308 ? 0.0 : 1.0;
    return std::fabs(value - reference) / reference;
}

TEST(AccuracyGrid, IncompleteBeta) {
    double worst_abs = 0.0, worst_rel = 0.0, worst_log = 0.0;
    for (const auto& g : kBetaGrid) {
        double p, f;
        ASSERT_EQ(zibeta(g.x, g.a, g.b, &p, &f), 0) << g.x << " " << g.a << " " << g.b;
        double abs_err = std::fabs(p - g.lower);
        // The ratio itself keeps relative accuracy on its lower side; the upper side of zibeta is 1 - P.
        double rel_err = g.lower <= 0.5 ? relative_error(p, g.lower) : 0.0;
        EXPECT_LT(abs_err, 2e-13) << g.x << " " << g.a << " " << g.b;
        if (g.lower > 1e-300) {
            EXPECT_LT(rel_err, 2e-11) << g.x << " " << g.a << " " << g.b;
        }
        worst_abs = std::fmax(worst_abs, abs_err);
        if (g.lower > 1e-300) worst_rel = std::fmax(worst_rel, rel_err);
        // The log-scale routine keeps both tails, however small.
        beta_request r{};
        r.operation = 1;
        r.x = g.x;
        r.a = g.a;
        r.b = g.b;
        ASSERT_EQ(zlogbet(&r), 0) << g.x << " " << g.a << " " << g.b;
        double smaller = g.lower < g.upper ? g.lower : g.upper;
        double ln_smaller = g.lower < g.upper ? r.ln_lower : r.ln_upper;
        if (smaller > 1e-300) {
            double log_err = std::fabs(std::exp(ln_smaller - std::log(smaller)) - 1.0);
            // Upper tails beyond 1e-50 at x within 1e-6 of 1 keep about six digits (a = b = 10).
            double bound = smaller < 1e-50 ? 1e-5 : 1e-9;
            EXPECT_LT(log_err, bound) << g.x << " " << g.a << " " << g.b;
            worst_log = std::fmax(worst_log, log_err);
        }
    }
    std::printf("incomplete beta: worst absolute %.2e, relative (lower side) %.2e, log-scale smaller tail %.2e\n",
                worst_abs, worst_rel, worst_log);
}

TEST(AccuracyGrid, IncompleteGamma) {
    double worst = 0.0, worst_log = 0.0;
    for (const auto& g : kGammaGrid) {
        double p, q, f;
        ASSERT_EQ(zigamma(g.x, g.a, &p, &q, &f), 0) << g.x << " " << g.a;
        double err = g.lower < g.upper ? relative_error(p, g.lower) : relative_error(q, g.upper);
        // Shapes below 1 are shifted up by one, which costs up to 1e-10 in the upper tail.
        EXPECT_LT(err, g.a < 1 ? 2e-10 : 2e-11) << g.x << " " << g.a;
        EXPECT_LT(std::fabs(p - g.lower), 5e-14) << g.x << " " << g.a;
        worst = std::fmax(worst, err);
        gamma_request r{};
        r.operation = 1;
        r.x = g.x;
        r.a = g.a;
        ASSERT_EQ(zloggam(&r), 0) << g.x << " " << g.a;
        double smaller = g.lower < g.upper ? g.lower : g.upper;
        double ln_smaller = g.lower < g.upper ? r.ln_lower : r.ln_upper;
        if (smaller > 1e-300) {
            double log_err = std::fabs(std::exp(ln_smaller - std::log(smaller)) - 1.0);
            EXPECT_LT(log_err, g.a < 1 ? 2e-10 : 2e-11) << g.x << " " << g.a;
            worst_log = std::fmax(worst_log, log_err);
        }
    }
    std::printf("incomplete gamma: worst relative (smaller side) %.2e, log-scale %.2e\n", worst, worst_log);
}

TEST(AccuracyGrid, StudentTQuantile) {
    double worst = 0.0;
    for (const auto& g : kTQuantileGrid) {
        double t;
        ASSERT_EQ(zqt(g.p, g.nu, &t), 0) << g.p << " " << g.nu;
        double err = std::fabs(t - g.t) / std::fabs(g.t);
        EXPECT_LT(err, 2e-13) << g.p << " " << g.nu;
        worst = std::fmax(worst, err);
    }
    std::printf("t quantile: worst relative %.2e\n", worst);
}

}  // namespace
