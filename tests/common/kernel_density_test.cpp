// Tests of the kernel density estimate: transform layout against a direct DFT, the round trip,
// total mass (plain and weighted), agreement with a direct kernel sum, and the boundary folding.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "common/random/random_stream.h"
#include "common/statistics/kernel_density.h"
#include "host/missing.h"

namespace {
std::vector<double> normal_sample(int n, uint32_t seed) {
    random_stream* s = zrndalo(seed);
    std::vector<double> x(n);
    for (double& v : x) v = zrndnor(s);
    zrndfre(s);
    return x;
}
}  // namespace

TEST(KernelTransforms, LayoutMatchesDirectTransformAndRoundTrips) {
    const int N = 16;
    std::vector<double> x(N), t(N);
    for (int i = 0; i < N; ++i) x[i] = std::sin(0.7 * i) + 0.1 * i * i;
    t = x;
    zkerft(t.data(), N, 4);
    for (int k = 0; k <= N / 2; ++k) {
        double re = 0, im = 0;
        for (int j = 0; j < N; ++j) {
            re += x[j] * std::cos(2 * M_PI * j * k / N);
            im -= x[j] * std::sin(2 * M_PI * j * k / N);
        }
        EXPECT_NEAR(t[k], re, 1e-12) << k;
        if (k > 0 && k < N / 2) {
            EXPECT_NEAR(t[N / 2 + k], im, 1e-12) << k;
        }
    }
    zkerfti(t.data(), N, 4);
    for (int i = 0; i < N; ++i) EXPECT_NEAR(t[i], x[i], 1e-12);
}

TEST(KernelDensity, RejectsBadGridsAndOutsideObservations) {
    double data[] = {0.5, 1.5, 2.0}, t[128];
    EXPECT_EQ(zkerset(data, nullptr, nullptr, 3, 0, 2, nullptr, t, 4), 1);
    EXPECT_EQ(zkerset(data, nullptr, nullptr, 3, 0, 2, nullptr, t, 100), 1);
    EXPECT_EQ(zkerset(data, nullptr, nullptr, 3, 2, 2, nullptr, t, 8), 3);
    EXPECT_EQ(zkerset(data, nullptr, nullptr, 3, 0, 1.9, nullptr, t, 8), 2);
    EXPECT_EQ(zkerset(data, nullptr, nullptr, 3, 0.6, 2, nullptr, t, 8), 2);
    EXPECT_EQ(zkerfit(KERNEL_NORMAL, 0.3, 0, 2, t, t, 12), 1);
    // An observation at hi, or in the last cell, keeps its mass.
    double grid[8];
    ASSERT_EQ(zkerset(data, nullptr, nullptr, 3, 0, 2, grid, t, 8), 0);
    EXPECT_DOUBLE_EQ(grid[7], 1.75);
    zkerfti(t, 8, 3);
    double mass = 0;
    for (int i = 0; i < 8; ++i) mass += t[i] * 0.25;
    EXPECT_NEAR(mass, 1.0, 1e-12);
    EXPECT_NEAR(t[7] * 0.25, 1.0 / 3.0, 1e-12);   // the point at hi sits in the last cell
}

TEST(KernelDensity, IntegratesToOneAndMatchesADirectKernelSum) {
    const int n = 1000, N = 512;
    const double lo = -6, hi = 6, h = 0.3, delta = (hi - lo) / N;
    std::vector<double> x = normal_sample(n, 17), w(n), grid(N), t(N), f(N);
    for (int i = 0; i < n; ++i) w[i] = 0.5 + (i % 4);   // unequal weights
    for (int weighted = 0; weighted < 2; ++weighted) {
        const double* weights = weighted ? w.data() : nullptr;
        ASSERT_EQ(zkerset(x.data(), weights, nullptr, n, lo, hi, grid.data(), t.data(), N), 0);
        ASSERT_EQ(zkerfit(KERNEL_NORMAL, h, lo, hi, t.data(), f.data(), N), 0);
        double mass = 0;
        for (double v : f) mass += v * delta;
        EXPECT_NEAR(mass, 1.0, 1e-3) << weighted;
        double total = 0;
        for (int i = 0; i < n; ++i) total += weighted ? w[i] : 1.0;
        for (int g = 0; g < N; g += 8) {
            double direct = 0;
            for (int i = 0; i < n; ++i) {
                double z = (grid[g] - x[i]) / h;
                direct += (weighted ? w[i] : 1.0) * std::exp(-0.5 * z * z) / (h * std::sqrt(2 * M_PI));
            }
            EXPECT_NEAR(f[g], direct / total, 3e-3) << grid[g];
        }
    }
    // Weights of 2 on every observation give the same density as no weights.
    std::vector<double> two(n, 2.0), f2(N);
    zkerset(x.data(), two.data(), nullptr, n, lo, hi, nullptr, t.data(), N);
    zkerfit(KERNEL_NORMAL, h, lo, hi, t.data(), f2.data(), N);
    zkerset(x.data(), nullptr, nullptr, n, lo, hi, nullptr, t.data(), N);
    zkerfit(KERNEL_NORMAL, h, lo, hi, t.data(), f.data(), N);
    for (int i = 0; i < N; ++i) EXPECT_NEAR(f2[i], f[i], 1e-12);
    // The other kernels keep the mass too; an unknown kernel gives the flat density.
    for (int kernel : {int(KERNEL_TRIANGULAR), int(KERNEL_EPANECHNIKOV), 9}) {
        zkerfit(kernel, 0.5, lo, hi, t.data(), f.data(), N);
        double mass = 0;
        for (double v : f) mass += v * delta;
        EXPECT_NEAR(mass, 1.0, 2e-3) << kernel;
    }
    EXPECT_NEAR(f[0], 1.0 / (hi - lo), 1e-12);
}

TEST(KernelDensity, BoundaryFoldingDoublesOnGridLimitAndStaysInRange) {
    const int N = 16;
    std::vector<double> x(N), f(N, 1.0);
    for (int i = 0; i < N; ++i) x[i] = i;
    // Lower limit on grid point 4, data down to 2 with reach 1: f[4] doubled, f[5] gains f[3], ...
    ASSERT_EQ(zkermod(KERNEL_TRIANGULAR, 1.0, 2.0, 20.0, 4.0, qor::missing(), x.data(), f.data(), N), 0);
    EXPECT_EQ(f[4], 2.0);
    EXPECT_EQ(f[5], 2.0);
    EXPECT_EQ(f[7], 2.0);   // j = 1 is the last folded (i0 = 1)
    EXPECT_EQ(f[8], 1.0);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(f[i], 0.0);
    // Data reaching far beyond the grid on either side: indices are clamped, nothing is written outside.
    std::vector<double> g(N + 2, 1.0);
    ASSERT_EQ(zkermod(KERNEL_NORMAL, 5.0, -50.0, 80.0, 0.5, qor::missing(), x.data(), g.data() + 1, N), 0);
    ASSERT_EQ(zkermod(KERNEL_NORMAL, 5.0, -50.0, 80.0, qor::missing(), 14.5, x.data(), g.data() + 1, N), 0);
    EXPECT_EQ(g[0], 1.0);
    EXPECT_EQ(g[N + 1], 1.0);
    // Both limits too close for their reflections.
    std::vector<double> e(N, 1.0);
    EXPECT_EQ(zkermod(KERNEL_TRIANGULAR, 2.0, 5.0, 9.0, 5.5, 7.5, x.data(), e.data(), N), 1);
}
