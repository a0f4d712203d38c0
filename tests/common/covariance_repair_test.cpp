// Covariance repair: each method on a matrix with a known repaired form (closed forms), the
// variances kept, the rank handed back, bad input refused and the change logged.
#include <gtest/gtest.h>

#include "host/options.h"
#include "runtime/core/print_internal.h"

#include <cmath>
#include <string>
#include <vector>

#include "common/numeric/general_pool.h"
#include "common/numeric/linalg.h"

namespace {

// The correlation matrix with eigenvalues 1.9, 1.9, -0.8; the negative one has the vector
// (1, -1, -1)/sqrt(3), so flooring it and restoring the unit diagonal gives 1.5 (I - v v^T):
// off-diagonal elements 0.5, 0.5, -0.5.
const std::vector<double> kIndefinite = {1, .9, 1, .9, -.9, 1};
const std::vector<double> kRepaired = {1, .5, 1, .5, -.5, 1};

// Principal minors of a 3-by-3 packed matrix: all non-negative for a semidefinite matrix.
double smallest_minor(const std::vector<double>& a) {
    auto m = [&](int i, int j) { return a[zisub(i, j)]; };
    double det = m(0, 0) * (m(1, 1) * m(2, 2) - m(1, 2) * m(2, 1)) -
                 m(0, 1) * (m(1, 0) * m(2, 2) - m(1, 2) * m(2, 0)) +
                 m(0, 2) * (m(1, 0) * m(2, 1) - m(1, 1) * m(2, 0));
    double minors[] = {m(0, 0), m(1, 1), m(2, 2), m(0, 0) * m(1, 1) - m(0, 1) * m(0, 1),
                       m(0, 0) * m(2, 2) - m(0, 2) * m(0, 2), m(1, 1) * m(2, 2) - m(1, 2) * m(1, 2), det};
    double low = minors[0];
    for (double x : minors) low = std::fmin(low, x);
    return low;
}

TEST(CovarianceRepair, EveryMethodRepairsTheIndefiniteCorrelationMatrix) {
    for (int method : {1, 2, 3, 0}) {
        std::vector<double> a = kIndefinite;
        double value = -1.0;
        ASSERT_EQ(zfxmat(3, nullptr, a.data(), method, &value), 0) << method;
        for (int i = 0; i < 6; ++i) EXPECT_NEAR(a[i], kRepaired[i], 1e-13) << method << " " << i;
        EXPECT_GE(smallest_minor(a), -1e-12) << method;
        if (method == 2) EXPECT_NEAR(value, std::sqrt(1 / 1.8), 1e-15);   // the smallest factor
        else EXPECT_NEAR(value, 0.4 / 0.7, 1e-12);                       // |.9 - .5| / ((.9 + .5) / 2)
    }
}

TEST(CovarianceRepair, WfxmatKeepsVariancesHandsBackTheRankAndLogs) {
    // Variances 4, 1, 9 around the same correlations.
    const double sd[] = {2, 1, 3};
    std::vector<double> a(6), expected(6);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j <= i; ++j) {
            a[zisub(i, j)] = kIndefinite[zisub(i, j)] * sd[i] * sd[j];
            expected[zisub(i, j)] = kRepaired[zisub(i, j)] * sd[i] * sd[j];
        }
    int rank = 3;
    qor_print_set_msgids(true);
    xoptbst("STIMER", 1);
    testing::internal::CaptureStderr();
    ASSERT_EQ(wfxmat(3, &rank, a.data(), 1), 0);
    std::string log = testing::internal::GetCapturedStderr();
    xoptbst("STIMER", 0);
    testing::internal::CaptureStderr();
    std::vector<double> quiet = kIndefinite;
    ASSERT_EQ(wfxmat(3, nullptr, quiet.data(), 1), 0);
    std::string quiet_log = testing::internal::GetCapturedStderr();
    qor_print_set_msgids(false);
    EXPECT_NE(log.find("423/301 "), std::string::npos) << log;   // timing, with STIMER
    EXPECT_NE(log.find("423/302 "), std::string::npos) << log;   // the change, always
    EXPECT_EQ(quiet_log.find("423/301 "), std::string::npos) << quiet_log;
    EXPECT_NE(quiet_log.find("423/302 "), std::string::npos) << quiet_log;
    EXPECT_EQ(rank, 2);
    for (int i = 0; i < 6; ++i) EXPECT_NEAR(a[i], expected[i], 1e-12);
    // Method 3 computes the vectors of positive eigenvalues only and reports their number.
    rank = 0;
    std::vector<double> b = kIndefinite;
    ASSERT_EQ(wfxmat(3, &rank, b.data(), 3), 0);
    EXPECT_EQ(rank, 2);
}

TEST(CovarianceRepair, SemidefiniteMatricesAreKept) {
    std::vector<double> a = {2, 1, 2, .5, 1, 2}, orig = a;   // irreducibly dominant: definite
    double value = -1;
    ASSERT_EQ(zfxmat(3, nullptr, a.data(), 1, &value), 0);
    for (int i = 0; i < 6; ++i) EXPECT_NEAR(a[i], orig[i], 1e-14);
    EXPECT_LT(value, 1e-14);
    // A zero variance row stays zero and does not poison the others (no 0/0).
    std::vector<double> z = {0, 0, 1, 0, 0.5, 1};
    ASSERT_EQ(zfxmat(3, nullptr, z.data(), 2, &value), 0);
    EXPECT_EQ(z[0], 0.0);
    EXPECT_EQ(z[4], 0.5);
    ASSERT_EQ(zfxmat(3, nullptr, z.data(), 1, &value), 0);
    EXPECT_EQ(z[0], 0.0);
    EXPECT_NEAR(z[4], 0.5, 1e-14);
}

TEST(CovarianceRepair, BadInputIsRefusedAndLeftAlone) {
    std::vector<double> a = {1, NAN, 1};
    double value;
    EXPECT_EQ(zfxmat(2, nullptr, a.data(), 1, &value), 1);
    EXPECT_TRUE(std::isnan(a[1]));
    EXPECT_EQ(zfxmat(0, nullptr, a.data(), 1, &value), 1);
    EXPECT_EQ(zfxmat(2, nullptr, nullptr, 1, &value), 1);
    // No memory for the work block: failure, matrix untouched.
    std::vector<double> b = kIndefinite;
    zgenpool();                      // the pool exists before the failure is armed
    qor_pool_fail_nth(1);
    EXPECT_EQ(zfxmat(3, nullptr, b.data(), 1, &value), 1);
    qor_pool_fail_nth(0);
    EXPECT_EQ(b, kIndefinite);
}

TEST(CovarianceRepair, RelativeChangeSkipsNegligibleElements) {
    double a[] = {1, 1e-17, 2}, b[] = {1.5, -1e-17, 2};
    EXPECT_DOUBLE_EQ(get_diff(2, a, b), 0.4);
}

}  // namespace
