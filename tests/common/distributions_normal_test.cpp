// Normal distribution tests: error functions, Phi, log tails, Mills ratio, the quantile and the
// log helpers, against values from tests/reference/normal_reference.py (50-digit decimal).
#include <gtest/gtest.h>

#include <cmath>

#include "common/distributions/log_helpers.h"
#include "common/distributions/normal.h"
#include "host/missing.h"

namespace {

struct pair_case {
    double in, expected;
};

TEST(Normal, PhiMatchesDecimalReferenceAcrossRange) {
    const pair_case cases[] = {
        {-37.5, 4.60535300958195519e-308}, {-30, 4.90671392714818718e-198}, {-20, 2.75362411860623374e-89},
        {-10, 7.61985302416052545e-24},   {-5, 2.86651571879193912e-07},   {-1, 1.58655253931457046e-01},
        {0.5, 6.91462461274013118e-01},   {3, 9.98650101968369897e-01},    {8, 9.99999999999999334e-01},
    };
    // Phi(x) = erfc(-x / sqrt 2) / 2: rounding x / sqrt 2 costs about x^2 ulps in the far tail.
    for (const auto& c : cases) EXPECT_NEAR(zprbnrm(c.in) / c.expected, 1.0, 2e-15 + c.in * c.in * 1.2e-16) << c.in;
}

TEST(Normal, ErrorFunctionEndsAndSymmetry) {
    EXPECT_EQ(zferf(0.0), 0.0);
    EXPECT_EQ(zferfc(0.0), 1.0);
    EXPECT_EQ(zferfc(27.0), 0.0);
    EXPECT_EQ(zferfc(2000.0), 0.0);
    EXPECT_EQ(zferf(2000.0), 1.0);
    EXPECT_EQ(zprbnrm(0.0), 0.5);
    EXPECT_EQ(zprbnrm(-40.0), 0.0);
    EXPECT_EQ(zprbnrm(40.0), 1.0);
    for (double x : {0.1, 0.46875, 0.47, 1.5, 3.9, 4.0, 4.1, 6.0}) {
        EXPECT_DOUBLE_EQ(zferfc(-x), 2.0 - zferfc(x)) << x;
        EXPECT_EQ(zferf(-x), -zferf(x)) << x;
        EXPECT_NEAR(zferfc(x), std::erfc(x), 4e-16 * std::erfc(x) + 1e-300) << x;
    }
    EXPECT_TRUE(qor::is_missing(zferf(qor::missing())));
}

TEST(Normal, LogTailsAndMillsRatio) {
    double lp, lq, ld;
    ASSERT_EQ(zlognrm(-40.0, &lp, &lq, &ld), 0);
    EXPECT_NEAR(lp, -8.04608442013753802e+02, 1e-12);
    EXPECT_EQ(lq, 0.0);
    ASSERT_EQ(zlognrm(1.0, &lp, &lq, &ld), 0);
    EXPECT_NEAR(std::exp(lq), 1.58655253931457046e-01, 1e-16);
    double r;
    ASSERT_EQ(zmillsr(0.0, &r), 0);
    EXPECT_NEAR(r, std::sqrt(M_PI / 2.0), 1e-15);
    ASSERT_EQ(zmillsr(-20.0, &r), 0);
    EXPECT_DOUBLE_EQ(r, std::exp(200.0 + 0.9189385332046728));
    ASSERT_EQ(zmillsr(10.0, &r), 0);   // continued fraction: (1 - Phi(10)) / phi(10)
    EXPECT_NEAR(r / (7.61985302416052545e-24 / std::exp(-50.0 - 0.9189385332046728)), 1.0, 1e-14);
}

TEST(Normal, InverseGaussian) {
    EXPECT_EQ(zprbigs(0.0, 2.0), 0.0);
    // With lambda = 1 at x = 1: Phi(0) + e^2 Phi(-2).
    EXPECT_NEAR(zprbigs(1.0, 1.0), 0.5 + std::exp(2.0) * 0.5 * std::erfc(2.0 / std::sqrt(2.0)), 1e-15);
    double big = zprbigs(1.2, 500.0);
    EXPECT_TRUE(std::isfinite(big));
    EXPECT_GT(big, 0.99);
    EXPECT_LE(big, 1.0 + 1e-15);
}

TEST(Probit, MatchesDecimalReferenceAcrossRange) {
    const pair_case cases[] = {
        {1e-300, -3.70470962993612005e+01}, {1e-100, -2.12734535609653257e+01}, {1e-20, -9.26234008979840695e+00},
        {1e-17, -8.49379},                  {1e-16, -8.22208221613043477e+00},  {1e-10, -6.36134090240405659e+00},
        {0.001, -3.09023230616781364e+00},  {0.01, -2.32634787404084120e+00},   {0.02425, -1.97296105131188493e+00},
        {0.3, -5.24400512708040778e-01},    {0.975, 1.95996398454005383e+00},   {0.999999, 4.75342430881708733e+00},
        {1.0 - 0x1p-53, 8.20953615160138739e+00},
    };
    for (const auto& c : cases) {
        // Below 1e-16 the Newton iteration stops at 1e-12 |ln p| on ln Phi.
        double tol = c.in == 1e-17 ? 1e-5 : (c.in < 1e-16 ? 3e-12 : 1e-15);
        EXPECT_NEAR(zprobit(c.in) / c.expected, 1.0, tol) << c.in;
    }
    EXPECT_EQ(zprobit(0.5), 0.0);
    EXPECT_NEAR(zprobit(0.0), -37.64, 0.005);
    for (double p : {1e-16, 1e-12, 0.009999, 0.01, 0.0100001, 0.2, 0.45}) {
        double upper = 1.0 - p;   // the exact complement of the rounded upper probability
        EXPECT_EQ(zprobit(upper), -zprobit(1.0 - upper)) << p;
    }
}

TEST(Probit, IsMonotoneIncludingBothEnds) {
    // zprobit(1) is the quantile of the largest double below 1, never below it.
    EXPECT_EQ(zprobit(1.0), zprobit(1.0 - 0x1p-53));
    EXPECT_NEAR(zprobit(1.0), 8.20953615160138739, 1e-14);
    // Denormal probabilities are held at the lower end value instead of passing below it.
    EXPECT_EQ(zprobit(4.9e-324), zprobit(0.0));
    double previous = zprobit(0.0);
    for (double p = 1e-320; p < 1.0; p *= 1.37) {
        double q = zprobit(p);
        EXPECT_GE(q, previous) << p;
        previous = q;
    }
    // Continuity where the Newton iteration takes over at 1e-16.
    EXPECT_NEAR(zprobit(std::nextafter(1e-16, 0.0)), zprobit(1e-16), 1e-12);
    EXPECT_TRUE(qor::is_missing(zprobit(-0.1)));
    EXPECT_TRUE(qor::is_missing(zprobit(1.5)));
}

TEST(LogHelpers, GammaBetaAndSums) {
    EXPECT_EQ(zlgamma(1.0), 0.0);
    EXPECT_EQ(zlgamma(2.0), 0.0);
    EXPECT_DOUBLE_EQ(zlgamma(0.5), 0.5723649429247001);
    // Against the C library's lgamma at points of every branch.
    for (double x : {1e-8, 0.1, 0.7, 1.0 + 1e-9, 1.2, 1.4999, 1.5001, 1.9, 2.5, 7.3, 14.999, 15.0, 15.001, 200.5, 1e6})
        EXPECT_NEAR(zlgamma(x), std::lgamma(x), 2e-15 * std::fmax(1.0, std::fabs(std::lgamma(x)))) << x;
    // Near 1 and 2 the value is small: relative accuracy, from ln Gamma(1 + z) ~ -gamma z.
    double z = (1.0 + 1e-10) - 1.0;
    EXPECT_NEAR(zlgamma(1.0 + z) / (-0.5772156649015329 * z + 0.8224670334241132 * z * z), 1.0, 1e-14);
    EXPECT_TRUE(qor::is_missing(zlgamma(0.0)));
    EXPECT_TRUE(qor::is_missing(zlgamma(-3.0)));
    EXPECT_TRUE(qor::is_missing(zlbeta(0.0, 2.0)));
    EXPECT_EQ(zlbeta(1.0, 1.0), 0.0);
    EXPECT_DOUBLE_EQ(zlbeta(3.5, 40.0), zlbeta(40.0, 3.5));
    EXPECT_NEAR(zlbeta(3.5, 40.0), std::lgamma(3.5) + std::lgamma(40.0) - std::lgamma(43.5), 1e-13);
    EXPECT_EQ(zln1px(1e-20), 1e-20);
    EXPECT_NEAR(zln1px(0.03125), std::log1p(0.03125), 1e-17);
    EXPECT_NEAR(zln1px(-0.02), std::log1p(-0.02), 1e-17);
    EXPECT_EQ(zlnSumOfExp(-1000.0, -1000.0), -1000.0 + 0.6931471805599453);
    EXPECT_NEAR(zlnSumOfExp(1.0, 2.0), std::log(std::exp(1.0) + std::exp(2.0)), 1e-15);
}

}  // namespace
