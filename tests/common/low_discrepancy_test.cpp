// Tests of the Sobol and Faure sequences and the Wishart factor generator: published first
// points, the primitive polynomial table, limits, and tests/reference/low_discrepancy_reference.py.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "common/numeric/zisub.h"
#include "common/random/low_discrepancy.h"

namespace {
struct Pool {
    qor_pool* p = xmpoolc(2828, 1024, 6);
    ~Pool() { xmpoold(p); }
};
}  // namespace

TEST(SobolPolynomials, AreThePrimitivePolynomialsByDegree) {
    const sobol_polynomial* t = sobol_polynomials();
    // Number of primitive polynomials of degree d: phi(2^d - 1) / d.
    const int per_degree[] = {1, 1, 2, 2, 6, 6, 18, 16, 48, 60, 176, 144, 630, 756, 1800};
    int index = 0;
    for (int d = 1; d <= 15; ++d) {
        for (int k = 0; k < per_degree[d - 1]; ++k, ++index) ASSERT_EQ(t[index].degree, static_cast<uint32_t>(d));
    }
    EXPECT_EQ(index, 3666);
    EXPECT_EQ(t[3999].degree, 16u);
    EXPECT_EQ(t[3999].inner, 0x156Cu);
    const uint32_t first[][2] = {{1, 0}, {2, 1}, {3, 1}, {3, 2}, {4, 1}, {4, 4}, {5, 2}, {5, 4}, {5, 7}, {5, 11}, {5, 13}, {5, 14}};
    for (int i = 0; i < 12; ++i) {
        EXPECT_EQ(t[i].degree, first[i][0]) << i;
        EXPECT_EQ(t[i].inner, first[i][1]) << i;
    }
}

TEST(Sobol, FirstPointsOfTheFirstDimensions) {
    Pool pool;
    sobol_generator* g = zsoboli(8, pool.p);
    ASSERT_NE(g, nullptr);
    const double expect[3][6] = {
        {0.5, 0.25, 0.75, 0.375, 0.875, 0.125},
        {0.5, 0.75, 0.25, 0.625, 0.125, 0.375},
        {0.5, 0.25, 0.75, 0.125, 0.625, 0.375},
    };
    double out[8];
    for (int n = 0; n < 6; ++n) {
        ASSERT_EQ(zsobol(out, g), 0);
        for (int d = 0; d < 3; ++d) EXPECT_EQ(out[d], expect[d][n]) << "dimension " << d + 1 << " point " << n;
    }
    // Dimensions 7 and 8 (degree 5): odd starting numbers below 2^(i+1), not the same for both.
    bool differ = false;
    for (int i = 0; i < 5; ++i) {
        for (int d : {6, 7}) {
            uint32_t m = g->rows[i][d] >> (29 - i);
            EXPECT_EQ(g->rows[i][d] & ((1u << (29 - i)) - 1u), 0u);
            EXPECT_TRUE(m % 2 == 1 && m < (2u << i)) << "dimension " << d + 1 << " row " << i;
        }
        differ = differ || g->rows[i][6] != g->rows[i][7];
    }
    EXPECT_TRUE(differ);
}

TEST(Sobol, AllFourThousandDimensionsAreWrittenWithinTheUnitInterval) {
    Pool pool;
    sobol_generator* g = zsoboli(4000, pool.p);
    ASSERT_NE(g, nullptr);
    std::vector<double> out(4001, -1.0);
    for (int n = 0; n < 64; ++n) {
        ASSERT_EQ(zsobol(out.data(), g), 0);
        for (int k = 0; k < 4000; ++k) ASSERT_TRUE(out[k] >= 0.0 && out[k] < 1.0) << k;
    }
    EXPECT_EQ(out[4000], -1.0);
}

// In every dimension the first 2^k - 1 points, with the origin, are exactly the multiples of
// 2^-k: no coordinate is 0 and none repeats; and no dimension copies another.
TEST(Sobol, EveryDimensionIsANetAndNoneRepeatsAnother) {
    Pool pool;
    constexpr int kPoints = 1023;
    sobol_generator* g = zsoboli(4000, pool.p);
    ASSERT_NE(g, nullptr);
    std::vector<std::vector<uint32_t>> columns(4000, std::vector<uint32_t>(kPoints));
    std::vector<double> out(4000);
    for (int n = 0; n < kPoints; ++n) {
        ASSERT_EQ(zsobol(out.data(), g), 0);
        for (int k = 0; k < 4000; ++k) columns[k][n] = static_cast<uint32_t>(out[k] * 1024.0);
    }
    for (int k = 0; k < 4000; ++k) {
        std::vector<bool> seen(1024, false);
        for (uint32_t v : columns[k]) {
            ASSERT_TRUE(v > 0 && v < 1024 && !seen[v]) << "dimension " << k + 1 << " value " << v;
            seen[v] = true;
        }
    }
    std::vector<std::vector<uint32_t>> sorted = columns;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(std::adjacent_find(sorted.begin(), sorted.end()), sorted.end());
}

TEST(Sobol, RefusesDimensionsItCannotFillAndReportsExhaustion) {
    Pool pool;
    EXPECT_EQ(zsoboli(4001, pool.p), nullptr);
    EXPECT_EQ(zsoboli(0, pool.p), nullptr);
    EXPECT_EQ(zsoboli(3, nullptr), nullptr);
    sobol_generator* g = zsoboli(2, pool.p);
    ASSERT_NE(g, nullptr);
    g->counter = (1u << 30) - 1;
    double out[2] = {-1, -1};
    testing::internal::CaptureStderr();
    EXPECT_EQ(zsobol(out, g), 1);
    std::string log = testing::internal::GetCapturedStderr();
    EXPECT_NE(log.find("zsobol: MAXBIT too small"), std::string::npos);
    EXPECT_EQ(out[0], -1.0);
}

TEST(Faure, BasesAndFirstPoints) {
    EXPECT_EQ(IsPrime(2), 1);
    EXPECT_EQ(IsPrime(9), 0);
    EXPECT_EQ(IsPrime(1), 1);
    EXPECT_EQ(IsPrime(257), 1);
    Pool pool;
    struct Case { int dimension; uint32_t base; int digits; } cases[] = {
        {1, 2, 63}, {2, 2, 63}, {3, 3, 39}, {4, 5, 26}, {6, 7, 22}, {256, 257, 7},
    };
    for (const auto& c : cases) {
        faure_generator* g = zfaurei(c.dimension, pool.p);
        ASSERT_NE(g, nullptr);
        EXPECT_EQ(g->base, c.base) << c.dimension;
        EXPECT_EQ(g->digits, c.digits) << c.dimension;
    }
    double out[256];
    faure_generator* g1 = zfaurei(2, pool.p);
    zfaure(out, g1);
    EXPECT_EQ(out[0], 0.9375);
    EXPECT_EQ(out[1], 0.0625);

    // Reference values from tests/reference/low_discrepancy_reference.py.
    faure_generator* g4 = zfaurei(4, pool.p);
    const double p624[] = {0.9984000000000001, 0.3744, 0.15039999999999998, 0.046400000000000004};
    const double p625[] = {0.00032, 0.37472, 0.31712000000000007, 0.35551999999999995};
    zfaure(out, g4);
    for (int k = 0; k < 4; ++k) EXPECT_NEAR(out[k], p624[k], 1e-14);
    zfaure(out, g4);
    for (int k = 0; k < 4; ++k) EXPECT_NEAR(out[k], p625[k], 1e-14);

    faure_generator* g256 = zfaurei(256, pool.p);
    EXPECT_EQ(g256->start, 4294967293u);
    zfaure(out, g256);
    EXPECT_NEAR(out[0], 0.9999246511793124, 1e-14);
    EXPECT_NEAR(out[1], 0.9843446016311436, 1e-14);
    EXPECT_EQ(zfaurei(3, nullptr), nullptr);
}

TEST(Wishart, FactorsHaveTheBartlettLaw) {
    Pool pool;
    wishart_generator* one = zwishin(1, 7.0, 99, pool.p);
    ASSERT_NE(one, nullptr);
    random_stream* twin = zrndalo(99);
    double out[6] = {-1, -1, -1, -1, -1, -1};
    zwishr2(out, one);
    EXPECT_DOUBLE_EQ(out[0], std::sqrt(2.0 * zrndgam(3.5, twin) / 7.0));
    EXPECT_EQ(out[1], -1.0);   // p = 1 writes one element
    zrndfre(twin);
    zrndfre(one->stream);

    // E[L L'] is the identity for the Bartlett factor of a Wishart(df, I) over df.
    const int p = 3, draws = 40000;
    const double df = 6.0;
    wishart_generator* w = zwishin(p, df, 5, pool.p);
    ASSERT_NE(w, nullptr);
    double sum[p][p] = {};
    for (int n = 0; n < draws; ++n) {
        zwishr2(out, w);
        for (int i = 0; i < p; ++i)
            for (int j = 0; j < p; ++j) {
                double s = 0.0;
                for (int k = 0; k <= std::min(i, j); ++k) s += out[zisub(i, k)] * out[zisub(j, k)];
                sum[i][j] += s;
            }
    }
    for (int i = 0; i < p; ++i)
        for (int j = 0; j < p; ++j) EXPECT_NEAR(sum[i][j] / draws, i == j ? 1.0 : 0.0, 0.02) << i << j;
    zrndfre(w->stream);
    testing::internal::CaptureStderr();
    EXPECT_EQ(zwishin(4, 2.5, 1, pool.p), nullptr);   // df - 3 would not be positive
    testing::internal::GetCapturedStderr();
}
