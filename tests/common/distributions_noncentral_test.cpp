// Noncentral t density (series and integral), moments and the log-scale quantile, against the
// double-exponential quadrature of tests/reference/noncentral_t_density_reference.py.
#include <gtest/gtest.h>

#include <cmath>

#include "common/distributions/student_t.h"
#include "common/statistics/frequency_quantiles.h"
#include "host/missing.h"

namespace {

TEST(NoncentralTDensity, SeriesAndIntegralAgainstQuadrature) {
    struct Case {
        double t, nu, delta, density;
    } cases[] = {
        {1.5, 3, 1, 2.7706823481639242e-01},
        {-2, 5, 1.5, 2.5155525469862210e-03},    // t and delta of opposite signs: alternating terms
        {-3, 10, 1.9, 3.9877201842137796e-05},
        {4, 0.3, 1, 3.3484382785518262e-02},     // nu < 0.5: only the series exists
        {-1, 0.3, 0.5, 5.3201007789960231e-02},
        {0.5, 1, -1.2, 6.6999474563394890e-02},
        {50, 4, 1.8, 8.3570793345731783e-07},
        {1.5, 3, 0, 1.2001717451358739e-01},     // central closed form
    };
    for (const auto& c : cases) {
        double ln_f;
        ASSERT_EQ(zldntnc(c.t, c.nu, c.delta, &ln_f), 0) << c.t << " " << c.nu << " " << c.delta;
        EXPECT_NEAR(std::exp(ln_f) / c.density, 1.0, 2e-13) << c.t << " " << c.nu << " " << c.delta;
    }
    // Beyond |delta| = 2 the integral answers, and nu < 0.5 fails there.
    double ln_f;
    EXPECT_EQ(zldntnc(1.0, 0.3, 3.0, &ln_f), 1);
    EXPECT_EQ(zldntnc(1.0, 4.0, qor::missing(), &ln_f), 1);
}

TEST(NoncentralTLog, MomentsAndQuantile) {
    tnc_request r{};
    r.operation = 1;
    r.x = 1.0;
    r.nu = 5;
    r.delta = 1;
    ASSERT_EQ(zlogtnc(&r), 0);
    EXPECT_EQ(r.moments_known, 1);
    EXPECT_NEAR(r.mean, 1.1894160774351803, 1e-14);
    EXPECT_NEAR(r.std_dev, 1.3851435766995575, 1e-14);
    // No variance at two degrees of freedom, no mean at one.
    r.nu = 2;
    ASSERT_EQ(zlogtnc(&r), 0);
    EXPECT_FALSE(qor::is_missing(r.mean));
    EXPECT_TRUE(qor::is_missing(r.std_dev));
    r.nu = 1;
    ASSERT_EQ(zlogtnc(&r), 0);
    EXPECT_TRUE(qor::is_missing(r.mean));

    struct Case {
        double p, nu, delta, quantile;
    } cases[] = {
        {0.05, 5, 1, -0.718283271876}, {0.5, 5, 1, 1.052851040947},   {0.99, 5, 1, 5.447455513102},
        {0.1, 20, -3, -4.638987269138}, {0.9, 2.5, 4, 10.599412932988},
    };
    for (const auto& c : cases) {
        tnc_request q{};
        q.operation = 4;
        q.p = c.p;
        q.nu = c.nu;
        q.delta = c.delta;
        q.tolerance = 1e-14;
        ASSERT_EQ(zlogtnc(&q), 0) << c.p << " " << c.nu << " " << c.delta;
        EXPECT_NEAR(q.x, c.quantile, 1e-9 * std::fmax(1.0, std::fabs(c.quantile))) << c.p << " " << c.nu;
        // The frequency-list routine reaches the same quantile (zqtnc within its 1e-6 rule in p).
        double t;
        ASSERT_EQ(zuniqnc(c.p, c.nu, c.delta, &t), 0);
        EXPECT_NEAR(t, c.quantile, 1e-4 * std::fmax(1.0, std::fabs(c.quantile)));
    }
    tnc_request bad{};
    bad.operation = 4;
    bad.nu = 5;
    bad.p = 0.0;
    EXPECT_EQ(zlogtnc(&bad), 1);
    bad.p = 0.99999999999;
    EXPECT_EQ(zlogtnc(&bad), 1);
}

}  // namespace
