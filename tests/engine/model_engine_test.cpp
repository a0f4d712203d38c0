// The model engine's innovations of one step against hand-worked products and published values
// of the normal distribution.
#include <gtest/gtest.h>

#include <vector>

#include "engine/analyses/model_engine.h"
#include "host/missing.h"

namespace {

// L = [[2], [1, 3], [0.5, -1, 4]] packed by rows.
const double kFactor[] = {2, 1, 3, 0.5, -1, 4};

TEST(ModelEngine, MultCholIsTheLowerTriangularProductInPlace) {
    std::vector<double> x = {1, 2, 3};
    mult_chol(3, kFactor, x.data());
    EXPECT_EQ(x, (std::vector<double>{2, 7, 10.5}));
    std::vector<double> one = {-3};
    mult_chol(1, kFactor, one.data());
    EXPECT_EQ(one[0], -6);
}

// L z = (2, 7, 10.5) goes to innovations (2, 0, 1) through the pivot vector; the first block
// takes its innovation as it is, the second loads its two innovations onto three equations.
TEST(ModelEngine, GenRanCorrelatesThroughThePivotAndLoadsEachBlock) {
    const double z[] = {1, 2, 3};
    const int32_t pivot[] = {2, 0, 1};
    const double loading[] = {1, 0, 0, 1, 1, -1};
    const RSKMODBLOCK blocks[] = {{1, 1, nullptr}, {3, 2, loading}};
    double work[3], out[4];
    gen_ran(kFactor, z, 3, blocks, 2, work, out, pivot);
    EXPECT_EQ(std::vector<double>(work, work + 3), (std::vector<double>{7, 10.5, 2}));
    EXPECT_EQ(std::vector<double>(out, out + 4), (std::vector<double>{7, 10.5, 2, 8.5}));

    gen_ran(kFactor, z, 3, blocks, 1, work, out, nullptr);
    EXPECT_EQ(out[0], 2) << "without a pivot vector row i is innovation i";
}

// An innovation whose factor diagonal is 0 (a deficient pivot) receives no draw: the draws go in
// order to the others.
TEST(ModelEngine, DrawsSkipInnovationsWithAZeroDiagonal) {
    const double factor[] = {1, 0, 0, 0.3, 0, 2};
    const double draws[] = {5, 6, 7};
    double z[3];
    EXPECT_EQ(place_draws(3, factor, draws, 3, z), 2);
    EXPECT_EQ(std::vector<double>(z, z + 3), (std::vector<double>{5, 0, 6}));
    EXPECT_EQ(place_draws(3, factor, draws, 1, z), 1);
    EXPECT_EQ(std::vector<double>(z, z + 3), (std::vector<double>{5, 0, 0})) << "too few draws leave zeros";
}

TEST(ModelEngine, NormalDistributionOfAnInnovation) {
    struct Case {
        double sigma, x, p;
    } cases[] = {
        {1, 0, 0.5},
        {1, 1.959963984540054, 0.975},
        {1, -1.6448536269514722, 0.05},
        {2, 2 * 2.3263478740408408, 0.99},
        {0.5, -0.5 * 3.090232306167813, 0.001},
    };
    for (const Case& c : cases) {
        EXPECT_NEAR(innovation_cdf(c.sigma, c.x), c.p, 1e-13) << c.x;
        EXPECT_NEAR(innovation_quantile(c.sigma, c.p), c.x, 1e-9 * c.sigma) << c.p;
    }
    EXPECT_NEAR(probnorm(-8), 6.220960574271785e-16, 1e-25) << "the lower tail keeps its precision";
    EXPECT_TRUE(qor::is_missing(innovation_cdf(0, 1)));
    EXPECT_TRUE(qor::is_missing(innovation_quantile(-1, 0.5)));
    EXPECT_TRUE(qor::is_missing(innovation_cdf(qor::missing(), 1)));
}

}  // namespace
