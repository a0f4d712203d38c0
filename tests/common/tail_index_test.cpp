// Tests of the percentile definitions, Hill tail indices, extreme quantiles and quantile positions
// against tests/reference/tail_reference.py and hand-worked cases.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "common/statistics/tail_index.h"
#include "host/missing.h"

namespace {

// The fixed sample of tail_reference.py: asymmetric tails of index about 3, sorted ascending.
std::vector<double> reference_sample() {
    std::vector<double> out;
    for (int i = 0; i < 200; ++i) {
        double u = (i + 0.5) / 200, m = std::min(u, 1 - u);
        double x = std::pow(1 / (2 * m), 1.0 / 3.0) - 1;
        out.push_back(u > 0.5 ? x : -1.5 * x);
    }
    std::sort(out.begin(), out.end());
    return out;
}

tail_sample record(const std::vector<double>& x, uint8_t flags) {
    tail_sample ts{};
    ts.sample = x.data();
    ts.n = static_cast<int32_t>(x.size());
    ts.flags = flags;
    ts.definition = 1;
    ts.left_tail_percent = ts.right_tail_percent = qor::missing();
    return ts;
}

}  // namespace

TEST(PercentileDefinitions, WeightsAndPositions) {
    struct Case { int def; double n, p, weight, lower, upper; } cases[] = {
        {1, 10, 0.25, 0.5, 1, 2},   // t = 2.5
        {2, 10, 0.25, 0.0, 1, 1},   // tie at 2.5 goes to the even position 2
        {2, 10, 0.35, 0.0, 3, 3},   // tie at 3.5 goes to 4
        {2, 10, 0.27, 0.0, 2, 2},   // 2.7 rounds to 3
        {3, 10, 0.2, 0.0, 1, 2},    // t = 2 exactly: position 2
        {3, 10, 0.25, 1.0, 1, 2},
        {4, 9, 0.25, 0.5, 1, 2},    // (n + 1) p = 2.5
        {5, 10, 0.2, 0.5, 1, 2},    // average at a whole t
        {5, 10, 0.25, 1.0, 1, 2},
        {1, 10, 1.0, 0.0, 9, 9},    // clamped to the last element
        {1, 10, 0.01, 0.1, 0, 0},   // raised to the first element
    };
    for (const auto& c : cases) {
        double lo, hi;
        double w = zunifct(c.def, c.n, c.p, &lo, &hi);
        EXPECT_DOUBLE_EQ(w, c.weight) << c.def << " " << c.p;
        EXPECT_EQ(lo, c.lower) << c.def << " " << c.p;
        EXPECT_EQ(hi, c.upper) << c.def << " " << c.p;
    }
    double lo, hi;
    EXPECT_EQ(zunifct(6, 10, 0.25, &lo, &hi), 0.5);
    EXPECT_NEAR(lo, 2.5 - 1.110223024625157e-12, 1e-15);   // eps = n x 1.11e-13
    EXPECT_NEAR(hi, 2.5 + 1.110223024625157e-12, 1e-15);
}

TEST(TailIndex, HillEstimatesAndExtremeQuantilesMatchHandComputation) {
    const std::vector<double> x = reference_sample();
    tail_sample ts = record(x, TAIL_CENTRE_KNOWN | TAIL_MEAN_KNOWN | TAIL_SD_KNOWN);
    ts.centre = 0.25;
    ts.sd = 2.0;
    ts.k = 20;
    double q, es;
    ASSERT_EQ(zextqua(&ts, 0.001, &q, &es), 0);
    EXPECT_NEAR(ts.left_alpha, 1.8316274479713577, 1e-12);
    EXPECT_EQ(ts.left_position, 20);
    EXPECT_NEAR(q, -15.739644351090824, 1e-10);
    EXPECT_NEAR(es, -34.9665763025258, 1e-9);
    EXPECT_TRUE(ts.flags & TAIL_LEFT_DONE);
    EXPECT_FALSE(ts.flags & TAIL_RIGHT_DONE);
    EXPECT_DOUBLE_EQ(ts.left_tail_percent, 10.0);
    EXPECT_TRUE(qor::is_missing(ts.right_tail_percent));
    ASSERT_EQ(zextqua(&ts, 0.999, &q, &es), 0);
    EXPECT_NEAR(ts.right_alpha, 1.2041188958679339, 1e-12);
    EXPECT_EQ(ts.right_position, 179);
    EXPECT_NEAR(q, 20.679634474010527, 1e-10);
    EXPECT_NEAR(es, 120.76656854810341, 1e-8);

    // The same sample stored descending gives the same tails (modes 2 and 3).
    std::vector<double> down(x.rbegin(), x.rend());
    tail_sample td = record(down, TAIL_CENTRE_KNOWN | TAIL_MEAN_KNOWN | TAIL_SD_KNOWN | TAIL_DESCENDING |
                                      TAIL_LEFT_WANTED | TAIL_RIGHT_WANTED);
    td.centre = 0.25;
    td.sd = 2.0;
    td.k = 20;
    ASSERT_EQ(zextalf(&td), 0);
    EXPECT_NEAR(td.left_alpha, 1.8316274479713577, 1e-12);
    EXPECT_NEAR(td.right_alpha, 1.2041188958679339, 1e-12);
}

TEST(TailIndex, ComputesCentreMomentsAndDefaultTailSize) {
    std::vector<double> x(1000);
    for (int i = 0; i < 1000; ++i) x[i] = i - 500.0;   // symmetric, ascending
    tail_sample ts = record(x, TAIL_LEFT_WANTED);
    ts.k = 0;
    ASSERT_EQ(zextalf(&ts), 0);
    EXPECT_EQ(ts.k, 100);
    EXPECT_DOUBLE_EQ(ts.centre, -1.0);   // definition 1: x(500), 0-based 499
    EXPECT_DOUBLE_EQ(ts.mean, -0.5);
    EXPECT_NEAR(ts.sd, std::sqrt((1000.0 * 1000.0 - 1.0) / 12.0), 1e-9);   // population sd of 1000 consecutive
    EXPECT_EQ(ts.left_position, 100);
}

TEST(TailIndex, RejectsSmallConstantAndBadRequests) {
    std::vector<double> x99(99, 1.0), constant(500, 3.0), x(200);
    for (int i = 0; i < 200; ++i) x[i] = i;
    double q = -7, es = -7;
    tail_sample small = record(x99, TAIL_LEFT_WANTED);
    EXPECT_EQ(zextalf(&small), 1);
    EXPECT_EQ(zextqua(&small, 0.01, &q, &es), 1);
    tail_sample flat = record(constant, TAIL_LEFT_WANTED);
    EXPECT_EQ(zextalf(&flat), 2);
    tail_sample ts = record(x, 0);
    EXPECT_EQ(zextqua(&ts, 0.5, &q, &es), 3);
    EXPECT_EQ(zextqua(&ts, 0.0, &q, &es), 3);
    EXPECT_EQ(zextqua(&ts, 1.0, &q, &es), 3);
    EXPECT_EQ(q, -7.0);
    double alpha;
    int32_t pos;
    EXPECT_EQ(calcHillAlpha(x.data(), 200, 20, 100.0, 1e-14, 0, &alpha, &pos), 2);   // scale too small
    EXPECT_EQ(calcHillAlpha(x.data(), 200, 20, 5.0, 1.0, 0, &alpha, &pos), 2);       // centre inside the tail
}

TEST(TailIndex, TailMeanIsMissingWhenAlphaIsAtMostOne) {
    // A right tail x = centre + c/u^2 has index 1/2: the tail mean does not exist.
    std::vector<double> x(200);
    for (int i = 0; i < 200; ++i) x[i] = 1.0 / std::pow((200.0 - i) / 200.0, 2.0);
    tail_sample ts = record(x, TAIL_CENTRE_KNOWN | TAIL_MEAN_KNOWN | TAIL_SD_KNOWN);
    ts.centre = 0.0;
    ts.sd = 1.0;
    double q, es;
    ASSERT_EQ(zextqua(&ts, 0.995, &q, &es), 0);
    EXPECT_LT(ts.right_alpha, 1.0);
    EXPECT_TRUE(std::isfinite(q));
    EXPECT_TRUE(qor::is_missing(es));
}

TEST(QuantilePositions, BracketTheQuantile) {
    int32_t lo = -1, hi = -1;
    ASSERT_EQ(ztvar2(1000, 0.5, 0.975, &lo, &hi), 0);
    EXPECT_EQ(lo, 468);   // tail_reference.py, by an exhaustive scan of exact binomial sums
    EXPECT_EQ(hi, 531);
    EXPECT_LT(lo, 500);
    EXPECT_GT(hi, 500);
    lo = hi = -1;
    EXPECT_EQ(ztvar2(10, 0.01, 0.999, &lo, &hi), 1);   // too small for the level
    EXPECT_EQ(lo, -1);

    // Two-sided: the coverage of the chosen positions reaches the level by at most 0.05.
    ASSERT_EQ(ztvar(1000, 0.5, 0.95, &lo, &hi), 0);
    EXPECT_EQ(lo + hi, 1000);
    EXPECT_LT(lo, 500);
    EXPECT_GE(minf(0.95, 500 - lo, 1000, 0.5), 0.0);
    EXPECT_LT(minf(0.95, 500 - lo - 1, 1000, 0.5), 0.0);
    EXPECT_EQ(ztvar(3, 0.5, 0.9, &lo, &hi), 1);
    EXPECT_EQ(ztvar(100, 1.5, 0.9, &lo, &hi), 1);
    EXPECT_EQ(ztvar(100, 0.5, 0.9, nullptr, &hi), 1);
}
