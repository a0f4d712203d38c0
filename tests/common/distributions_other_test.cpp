// Integrator, incomplete beta and gamma, Student and noncentral t, normal mixture and quantile
// intervals: closed forms (integer shapes, Cauchy, two degrees of freedom) and published values.
#include <gtest/gtest.h>

#include <cmath>

#include "common/distributions/beta.h"
#include "common/distributions/gamma.h"
#include "common/distributions/integrate.h"
#include "common/distributions/normal.h"
#include "common/distributions/normal_mixture.h"
#include "common/distributions/quantile_ci.h"
#include "common/distributions/student_t.h"
#include "host/missing.h"

namespace {

int bell(double x, void*, double* v) {
    *v = std::exp(-x * x);
    return 0;
}
int aborting(double x, void* raw, double* v) {
    *v = std::exp(-x * x);
    if (x > 1.0) static_cast<trapezoid_context*>(raw)->abort = 1;
    return 0;
}

trapezoid_context bell_context() {
    trapezoid_context c{};
    c.tolerance = 1e-13;
    c.initial_step = 1.0;
    c.max_halvings = 10;
    c.mapping = 1;
    c.integrand = bell;
    return c;
}

TEST(Integrator, GaussianBellAndFailures) {
    trapezoid_context c = bell_context();
    double r = 0.0;
    ASSERT_EQ(zhrdys(&c, &r), 0);
    EXPECT_NEAR(r, std::sqrt(M_PI), 1e-14);
    c = bell_context();
    c.max_halvings = 0;
    EXPECT_EQ(zhrdys(&c, &r), 1);
    c = bell_context();
    c.centre = 40.0;   // e^-1600 vanishes at the centre
    EXPECT_EQ(zhrdys(&c, &r), 1);
    c = bell_context();
    c.integrand = aborting;
    c.integrand_data = &c;
    EXPECT_EQ(zhrdys(&c, &r), 1);
}

TEST(IncompleteBeta, ClosedFormsAndErrors) {
    double p, f;
    ASSERT_EQ(zibeta(0.5, 2, 2, &p, &f), 0);
    EXPECT_DOUBLE_EQ(p, 0.5);
    EXPECT_DOUBLE_EQ(f, 1.5);
    for (double x : {1e-6, 0.05, 0.3, 0.7, 0.999}) {
        ASSERT_EQ(zibeta(x, 2, 2, &p, &f), 0);
        EXPECT_NEAR(p, 3 * x * x - 2 * x * x * x, 1e-15) << x;
        ASSERT_EQ(zibeta(x, 1, 30, &p, &f), 0);
        EXPECT_NEAR(p, -std::expm1(30 * std::log1p(-x)), 1e-14) << x;
        ASSERT_EQ(zibeta(x, 0.5, 0.5, &p, &f), 0);   // arcsine law
        EXPECT_NEAR(p, 2 / M_PI * std::asin(std::sqrt(x)), 1e-14) << x;
    }
    ASSERT_EQ(zibeta(0.01, 500, 500, &p, &f), 0);
    EXPECT_EQ(p, 0.0);
    EXPECT_EQ(f, 0.0);
    p = f = 7.0;
    EXPECT_EQ(zibeta(0.5, 3e9, 2, &p, &f), 1);
    EXPECT_EQ(p, 7.0);
    EXPECT_EQ(zibeta(0.5, 0, 1, &p, &f), -1);
    EXPECT_EQ(p, -1.0);
    EXPECT_EQ(f, 0.0);
    // Large shapes past the fraction's reach: Paulson's approximation around the mean.
    ASSERT_EQ(zibeta(0.5, 1e7, 1e7, &p, &f), 0);
    EXPECT_NEAR(p, 0.5, 1e-3);
    double x;
    ASSERT_EQ(zprobin(0.5, 3, 3, &x), 0);
    EXPECT_NEAR(x, 0.5, 1e-7);
    for (double q : {1e-10, 0.01, 0.5, 0.9}) {
        ASSERT_EQ(zprobin(q, 2.5, 7, &x), 0);
        ASSERT_EQ(zibeta(x, 2.5, 7, &p, &f), 0);
        EXPECT_NEAR(p / q, 1.0, 2e-7) << q;
    }
    double ld;
    ASSERT_EQ(zldnbet(0, 1, 4, &ld), 0);
    EXPECT_DOUBLE_EQ(ld, std::log(4.0));
    ASSERT_EQ(zldnbet(0, 2, 4, &ld), 0);
    EXPECT_TRUE(qor::is_missing(ld));
    EXPECT_EQ(zldnbet(1.5, 2, 4, &ld), 1);
}

TEST(IncompleteBeta, LogScaleRequest) {
    beta_request r{};
    r.x = 1e-5;
    r.a = 3;
    r.b = 2;   // I_x(3, 2) = 4x^3 - 3x^4
    ASSERT_EQ(zlogbet(&r), 0);
    EXPECT_NEAR(r.ln_lower, std::log(4e-15 - 3e-20), 1e-13);
    beta_request q{};
    q.operation = 4;
    q.a = 2;
    q.b = 2;
    q.p = 0.5;
    ASSERT_EQ(zlogbet(&q), 0);
    EXPECT_NEAR(q.x, 0.5, 1e-7);
    q.a = -1;
    EXPECT_EQ(zlogbet(&q), 1);
}

TEST(IncompleteGamma, ClosedFormsTailsAndErrors) {
    double p, q, f;
    ASSERT_EQ(zigamma(1, 1, &p, &q, &f), 0);
    EXPECT_NEAR(p, 0.6321205588285577, 3e-16);
    for (double x : {0.01, 0.5, 3.0, 20.0}) {
        ASSERT_EQ(zigamma(x, 2, &p, &q, &f), 0);
        EXPECT_NEAR(q / ((1 + x) * std::exp(-x)), 1.0, 1e-14) << x;
        ASSERT_EQ(zigamma(x, 0.5, &p, &q, &f), 0);   // P(1/2, x) = erf(sqrt x)
        EXPECT_NEAR(p, std::erf(std::sqrt(x)), 1e-15) << x;
    }
    // The upper tail keeps its relative accuracy far out (it is not 1 - P).
    ASSERT_EQ(zigamma(100, 1, &p, &q, &f), 0);
    EXPECT_NEAR(q / std::exp(-100.0), 1.0, 1e-13);
    ASSERT_EQ(zigamma(0, 3, &p, &q, &f), 0);
    EXPECT_EQ(p, 0.0);
    EXPECT_EQ(q, 1.0);
    ASSERT_EQ(zigamma(4, 0, &p, &q, &f), 0);
    EXPECT_EQ(p, 1.0);
    EXPECT_EQ(zigamma(-1, 2, &p, &q, &f), 1);
    EXPECT_EQ(p, -2.0);
    EXPECT_EQ(q, -2.0);
    double ld;
    ASSERT_EQ(zldngam(0, 1, &ld), 0);
    EXPECT_EQ(ld, 0.0);
    ASSERT_EQ(zldngam(0, 2, &ld), 0);
    EXPECT_TRUE(qor::is_missing(ld));
    gamma_request r{};
    r.operation = 1;
    r.x = 800;
    r.a = 1;   // ln Q = -800, beyond double range as a plain probability
    ASSERT_EQ(zloggam(&r), 0);
    EXPECT_NEAR(r.ln_upper, -800.0, 1e-10);
    gamma_request qr{};
    qr.operation = 4;
    qr.a = 2;
    qr.p = 1 - 3 * std::exp(-2.0);   // P(2, 2)
    ASSERT_EQ(zloggam(&qr), 0);
    EXPECT_NEAR(qr.x, 2.0, 1e-9);
    gamma_request bad{};
    bad.operation = 8;
    EXPECT_EQ(zloggam(&bad), 1);
}

TEST(StudentT, QuantilesAgainstClosedFormsAndTables) {
    double t;
    ASSERT_EQ(zqt(0.975, 10, &t), 0);
    EXPECT_NEAR(t, 2.228139, 1e-6);
    ASSERT_EQ(zqt(0.995, 30, &t), 0);
    EXPECT_NEAR(t, 2.749996, 1e-6);
    for (double p : {1e-8, 0.01, 0.3, 0.5005, 0.9}) {
        ASSERT_EQ(zqt(p, 1, &t), 0);   // Cauchy
        EXPECT_NEAR(t / std::tan(M_PI * (p - 0.5)), 1.0, 2e-7) << p;
        ASSERT_EQ(zqt(p, 2, &t), 0);
        EXPECT_NEAR(t / ((2 * p - 1) / std::sqrt(2 * p * (1 - p))), 1.0, 2e-7) << p;
    }
    ASSERT_EQ(zqt(0.5, 7, &t), 0);
    EXPECT_EQ(t, 0.0);
    EXPECT_EQ(zqt(0.0, 5, &t), 1);
    EXPECT_EQ(zqt(0.5, 0, &t), 1);
}

TEST(StudentT, NoncentralDistributionAndQuantile) {
    double f;
    ASSERT_EQ(zplbtnc(0, 5, 1.5, &f), 0);
    EXPECT_DOUBLE_EQ(f, zprbnrm(-1.5));
    ASSERT_EQ(zplbtnc(1.0, 1, 0, &f), 0);
    EXPECT_NEAR(f, 0.75, 1e-14);   // Cauchy at 1
    // Series and integral forms must agree with the t = 0 anchor and with each other.
    double a, b;
    ASSERT_EQ(zplbtnc(-1, 10, 1, &a), 0);     // integral branch
    ASSERT_EQ(zplbtnc(2, 10, 25, &b), 0);     // integral branch, delta > 20
    EXPECT_GT(a, 0.0);
    EXPECT_LT(a, zprbnrm(-1.0));
    EXPECT_NEAR(b / 5.214259648903874908e-92, 1.0, 1e-12);   // precision_points_reference.py
    // References from tests/reference/noncentral_t_reference.py (Simpson quadrature).
    ASSERT_EQ(zplbtnc(2, 10, 1, &f), 0);   // series branch
    EXPECT_NEAR(f, 0.807611562530324, 1e-11);
    EXPECT_NEAR(a / 2.680185676947810e-02, 1.0, 1e-10);   // integral branch
    EXPECT_EQ(zplbtnc(1, -1, 1, &f), 1);
    EXPECT_TRUE(qor::is_missing(f));
    double t, tq;
    ASSERT_EQ(zqtnc(0.9, 8, 0, &t), 0);
    ASSERT_EQ(zqt(0.9, 8, &tq), 0);
    EXPECT_EQ(t, tq);
    for (double p : {0.05, 0.5, 0.95}) {
        ASSERT_EQ(zqtnc(p, 12, 2, &t), 0) << p;
        ASSERT_EQ(zplbtnc(t, 12, 2, &f), 0);
        EXPECT_NEAR(f, p, 1e-6 * std::fmin(p, 1 - p)) << p;
    }
    tnc_request bad{};
    EXPECT_EQ(zlogtnc(&bad), 1);
    bad.operation = 8;
    EXPECT_EQ(zlogtnc(&bad), 1);
    tnc_request r{};
    r.operation = 1;
    r.x = 2;
    r.nu = 10;
    r.delta = 1;
    ASSERT_EQ(zlogtnc(&r), 0);
    ASSERT_EQ(zplbtnc(2, 10, 1, &f), 0);
    EXPECT_NEAR(std::exp(r.ln_lower), f, 1e-9);
}

TEST(NormalMixture, ValidationProbabilityAndQuantile) {
    double w[2] = {0.5, 0.6}, m[2] = {-1, 1}, s[2] = {1, 1};
    mixture_request r{};
    r.n = 2;
    r.weights = w;
    r.means = m;
    r.std_devs = s;
    EXPECT_EQ(zmxnorm(&r), 20);
    w[0] = 0;
    EXPECT_EQ(zmxnorm(&r), 2);
    w[0] = 0.5;
    w[1] = 0.5;
    s[1] = -1;
    EXPECT_EQ(zmxnorm(&r), 3 + 2);
    s[1] = 1;
    r.operation = 2;
    r.p = 0.5;
    ASSERT_EQ(zmxnorm(&r), 0);
    EXPECT_NEAR(r.x, 0.0, 1e-5);
    double one_w = 1, one_m = 3, one_s = 2;
    mixture_request single{};
    single.n = 1;
    single.weights = &one_w;
    single.means = &one_m;
    single.std_devs = &one_s;
    single.x = 0.0;
    ASSERT_EQ(zmxnorm(&single), 0);
    double lp, lq, ld;
    zlognrm(-1.5, &lp, &lq, &ld);
    EXPECT_NEAR(single.ln_lower, lp, 1e-14);
    EXPECT_NEAR(single.ln_density, ld - std::log(2.0), 1e-14);
}

TEST(QuantileInterval, PositionsAndCoverage) {
    struct row {
        int kind;
        double n, alpha, p;
        int rc;
        double lower, upper, coverage;
    } rows[] = {
        {1, 20, 0.05, 0.5, 0, 6, 15, 0.9586},   // P(6 <= B <= 14), B ~ binomial(20, 1/2)
        {1, 5, 0.01, 0.5, 1, 1, 5, 0.9375},
        {3, 10, 0.05, 0.9, 0, 7, 10, 0.9872},
        {4, 10, 0.05, 0.1, 0, 1, 4, 0.9872},
        // Exact values from tests/reference/binomial_coverage_reference.py.
        // n p < 1/2: positions start at 1 (never 0), and the whole sample is the best reachable.
        {1, 10, 0.05, 0.02, 1, 1, 10, 0.182927193112453},
        {1, 10, 0.05, 0.98, 1, 1, 10, 0.182927193112453},
        // With the minimum as lower end the upper end keeps widening until the level is reached.
        {1, 30, 0.05, 0.1, 0, 1, 9, 0.955589012719525},
        // Anchored at the minimum, the coverage counts both ends: C(1, s), not P(B <= s - 1).
        {2, 30, 0.05, 0.1, 0, 1, 9, 0.955589012719525},
        {2, 30, 0.05, 0.9, 0, 22, 30, 0.955589012719525},
    };
    for (const auto& r : rows) {
        double lo, up, cov;
        EXPECT_EQ(zdfciqt(r.kind, r.n, r.alpha, r.p, &lo, &up, &cov), r.rc) << r.kind << " " << r.n;
        EXPECT_EQ(lo, r.lower);
        EXPECT_EQ(up, r.upper);
        EXPECT_NEAR(cov, r.coverage, 5e-5);
        if (r.coverage != std::round(r.coverage * 1e4) / 1e4) {
            EXPECT_NEAR(cov, r.coverage, 1e-13);   // exact references
        }
    }
    double lo, up, cov;
    EXPECT_EQ(zdfciqt(1, 1, 0.6, 0.5, &lo, &up, &cov), 2);
    EXPECT_TRUE(qor::is_missing(lo) && qor::is_missing(up) && qor::is_missing(cov));
    EXPECT_EQ(zdfciqt(5, 20, 0.05, 0.5, &lo, &up, &cov), 2);
    ASSERT_EQ(zdfciqt(2, 30, 0.05, 0.2, &lo, &up, &cov), 0);
    EXPECT_EQ(lo, 1.0);
}

}  // namespace
