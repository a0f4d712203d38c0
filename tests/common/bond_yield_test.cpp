// Present values, durations and the yield to maturity against closed forms.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "common/numeric/bond_yield.h"
#include "host/missing.h"

namespace {

TEST(BondYield, SingleFlowAndParBond) {
    double t[] = {1}, c[] = {110}, price = 100, y = -1;
    int error = -1;
    zytm(&y, YIELD_EFFECTIVE, 1, t, c, &price, &error);
    EXPECT_EQ(error, 0);
    EXPECT_NEAR(y, 0.1, 1e-10);
    zytm(&y, YIELD_CONTINUOUS, 1, t, c, &price, &error);
    EXPECT_EQ(error, 0);
    EXPECT_NEAR(y, 0.0953101798043249, 1e-10);
    // A 10-year 5% annual coupon bond at par yields 5% (continuously ln 1.05).
    std::vector<double> times, flows;
    for (int i = 1; i <= 10; ++i) { times.push_back(i); flows.push_back(i == 10 ? 105 : 5); }
    zytm(&y, YIELD_EFFECTIVE, 10, times.data(), flows.data(), &price, &error);
    EXPECT_EQ(error, 0);
    EXPECT_NEAR(y, 0.05, 1e-10);
    zytm(&y, YIELD_CONTINUOUS, 10, times.data(), flows.data(), &price, &error);
    EXPECT_NEAR(y, std::log(1.05), 1e-10);
    // Missing times skip a flow; missing amounts count as 0.
    double t2[] = {1, qor::missing(), 2}, c2[] = {110, 1000, qor::missing()};
    zytm(&y, YIELD_EFFECTIVE, 3, t2, c2, &price, &error);
    EXPECT_EQ(error, 0);
    EXPECT_NEAR(y, 0.1, 1e-10);
}

TEST(BondYield, ErrorsLeaveTheYieldUnwritten) {
    double t[] = {1, -1}, c[] = {110, 5}, price = 100, missing_price = qor::missing(), y = 7;
    int error = 0;
    zytm(&y, 1, 2, t, c, &price, &error);
    EXPECT_EQ(error, 2);
    zytm(&y, 1, 1, t, c, &missing_price, &error);
    EXPECT_EQ(error, 2);
    zytm(&y, 3, 1, t, c, &price, &error);
    EXPECT_EQ(error, 2);
    zytm(&y, 1, 0, t, c, &price, &error);
    EXPECT_EQ(error, 2);
    double high = 111;                      // above the undiscounted flows: no yield >= 0
    zytm(&y, 1, 1, t, c, &high, &error);
    EXPECT_EQ(error, 3);
    EXPECT_EQ(y, 7.0);
}

TEST(BondYield, PriceEqualToTheUndiscountedFlowsYieldsZero) {
    double t[] = {1, 2}, c[] = {50, 60}, price = 110, y = -1;
    int error = -1;
    zytm(&y, 1, 2, t, c, &price, &error);
    EXPECT_EQ(error, 0);
    EXPECT_NEAR(y, 0.0, 1e-10);
}

TEST(BondYield, SlopeIsTheDerivativeAndNewtonConverges) {
    double t[] = {0.5, 1, 1.5, 2, 2.5, 3}, c[] = {3, 3, 3, 3, 3, 103}, price = 97;
    for (int kind : {1, 2}) {
        zyield_data data{kind, 6, t, c, &price};
        zobjective o{0, 0, 0, &data, 0};
        for (double x : {0.01, 0.05, 0.3}) {
            const double h = 1e-6;
            o.x = x + h; zytmfun(&o); double up = o.fx;
            o.x = x - h; zytmfun(&o); double down = o.fx;
            o.x = x; zytmfun(&o);
            ASSERT_EQ(o.error, 0);
            EXPECT_NEAR(o.slope, (up - down) / (2 * h), 1e-6 * std::fabs(o.slope)) << kind << " " << x;
        }
        // A true slope lets Newton steps through: far fewer than the ~32 halvings bisection
        // needs to shrink the bracket [0, 0.5] to 1e-10. The root (by exact bisection in Python)
        // is 0.0725541932654058 effective, 0.07004290039463917 continuous.
        zsolver s{0.0, 0.5, 1e-10, zytmfun, 1000, 0, &o, 0};
        ASSERT_EQ(znrbis(&s), 0);
        EXPECT_LE(s.iterations, 8) << kind;
        EXPECT_NEAR(s.root, kind == 1 ? 0.0725541932654058 : 0.07004290039463917, 1e-10);
    }
}

TEST(BondYield, SolverCodes) {
    double t[] = {1}, c[] = {110}, price = 100;
    zyield_data data{1, 1, t, c, &price};
    zobjective o{0, 0, 0, &data, 0};
    zsolver s{0.2, 0.3, 1e-10, zytmfun, 1000, 0, &o, 0};
    EXPECT_EQ(znrbis(&s), 2);                     // no sign change
    s.x1 = -2; s.x2 = 0.3;
    EXPECT_EQ(znrbis(&s), 3);                     // negative rate
    s.x1 = 0.1; s.x2 = 0.3;
    EXPECT_EQ(znrbis(&s), 0);                     // an end is the root
    EXPECT_NEAR(s.root, 0.1, 1e-15);
    s.x1 = 0.0; s.x2 = 0.5; s.max_iterations = 1;
    EXPECT_EQ(znrbis(&s), 1);
}

TEST(BondYield, PureBisectionDoesNotStopAtTheFirstMidpoint) {
    // A slope of 0 rejects every Newton step: the first bisection lands on the starting midpoint,
    // which must not be taken for convergence.
    zobjective o{0, 0, 0, nullptr, 0};
    zsolver s{0.0, 1.0, 1e-12, [](zobjective* ob) { ob->fx = ob->x - 0.3; ob->slope = 0.0; ob->error = 0; },
              1000, 0, &o, 0};
    ASSERT_EQ(znrbis(&s), 0);
    EXPECT_NEAR(s.root, 0.3, 1e-11);
    EXPECT_GT(s.iterations, 30);
}

TEST(Duration, SumsAndErrors) {
    // Flows 10 at 1 and 110 at 2 at 10%: PV = 100, sum t c d = 10/1.1 + 220/1.21.
    double t[] = {1, 2}, c[] = {10, 110}, tcd = 0, cd = 0, d = 0;
    int error = -1;
    EXPECT_EQ(zduracc(&tcd, &cd, 2, t, c, 0.1, &error), 0);
    EXPECT_NEAR(cd, 100.0, 1e-12);
    EXPECT_NEAR(tcd, 10 / 1.1 + 220 / 1.21, 1e-12);
    zdurmac(&d, tcd, cd, &error);
    EXPECT_EQ(error, 0);
    EXPECT_NEAR(d, (10 / 1.1 + 220 / 1.21) / 100, 1e-14);
    zdurmod(&d, tcd, cd, 0.1, &error);
    EXPECT_NEAR(d, (10 / 1.1 + 220 / 1.21) / 110, 1e-14);
    zdurmac(&d, 5, 0, &error);
    EXPECT_EQ(error, 1);
    zdurmod(&d, 5, 0, 0.1, &error);
    EXPECT_EQ(error, 2);
    zdurmod(&d, 5, -1, 0.1, &error);
    EXPECT_EQ(error, 1);
    double before = tcd;
    zduracc(&tcd, &cd, 2, t, c, 709.78271289339, &error);
    EXPECT_EQ(error, 1);
    zduracc(&tcd, &cd, 2, t, c, -0.01, &error);
    EXPECT_EQ(error, 1);
    double bad_t[] = {1, -2};
    zduracc(&tcd, &cd, 2, bad_t, c, 0.1, &error);
    EXPECT_EQ(error, 1);
    EXPECT_EQ(tcd, before);                       // failures add nothing
}

}  // namespace
