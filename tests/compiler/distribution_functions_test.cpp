// The distribution functions of the methods language against closed forms, published table values
// and 40-digit values (tests/reference/methods_distributions_reference.py), and a Black-Scholes
// gamma and vega written with them against the textbook formulas.
#include <cmath>
#include <string>

#include "common/distributions/normal.h"
#include "host/missing.h"
#include "tests/compiler/compiler_fixture.h"

namespace {

const double M = qor::missing();
const double kPi = 3.14159265358979323846;

struct Case {
    const char* expr;
    double x;
    double expected;   // missing: the result must be the standard missing value
    double tolerance;  // relative
};

// r = expr with x given; compared relative to the expected value.
void check_cases(const Case* cases, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        const Case& c = cases[i];
        Compiled prog;
        ASSERT_TRUE(prog.build({"r = " + std::string(c.expr) + ";"}))
            << c.expr << ": " << (prog.errors.empty() ? "" : prog.errors[0]);
        if (double* x = prog.num("x")) *x = c.x;
        ASSERT_EQ(prog.run(), 0) << c.expr;
        double r = *prog.num("r");
        if (std::isnan(c.expected)) {
            EXPECT_TRUE(qor::is_missing(r) && qor::missing_code(r) == 0) << c.expr << " at " << c.x << " gave " << r;
        } else {
            EXPECT_NEAR(r, c.expected, c.tolerance * std::fabs(c.expected)) << c.expr << " at " << c.x;
        }
    }
}

TEST(DistributionFunctions, ClosedForms) {
    const double x = 0.7;
    const Case cases[] = {
        // normal: location-scale and the standard law
        {"pdf('normal', x)", x, std::exp(-x * x / 2) / std::sqrt(2 * kPi), 1e-15},
        {"pdf('Normal', x, 1, 2)", x, std::exp(-0.15 * 0.15 / 2) / std::sqrt(2 * kPi) / 2, 1e-15},
        {"cdf('NORMAL', x, 1, 2)", x, 0.5 * std::erfc(0.15 / std::sqrt(2.0)), 1e-15},
        {"quantile('normal', x, 1, 2)", 0.975, 1 + 2 * 1.959963984540054, 1e-15},
        // t with 1 degree of freedom (Cauchy) and 2 degrees
        {"pdf('T', x, 1)", x, 1 / (kPi * (1 + x * x)), 1e-13},
        {"cdf('t', x, 1)", x, 0.5 + std::atan(x) / kPi, 1e-14},
        {"quantile('t', x, 1)", 0.9, std::tan(kPi * 0.4), 1e-12},
        {"probt(x, 2)", -x, 0.5 - x / (2 * std::sqrt(2 + x * x)), 1e-14},
        {"pdf('t', x, 2)", x, std::pow(2 + x * x, -1.5), 1e-13},
        {"tinv(x, 2)", 0.2, -0.6 / std::sqrt(2 * 0.2 * 0.8), 1e-12},
        // gamma of shape 1 (exponential, scale 3) and shape 2
        {"pdf('gamma', x, 1, 3)", x, std::exp(-x / 3) / 3, 1e-14},
        {"cdf('gamma', x, 1, 3)", x, -std::expm1(-x / 3), 1e-14},
        {"quantile('gamma', x, 1, 3)", 0.3, -3 * std::log1p(-0.3), 1e-12},
        {"probgam(x, 2)", x, 1 - std::exp(-x) * (1 + x), 1e-14},
        {"gaminv(x, 1)", 0.99, -std::log(0.01), 1e-12},
        // chi-square with 2 degrees (exponential of mean 2) and 1 degree
        {"probchi(x, 2)", x, -std::expm1(-x / 2), 1e-14},
        {"cdf('chisq', x, 1)", x, std::erf(std::sqrt(x / 2)), 1e-14},
        {"pdf('chisquare', x, 1)", x, std::exp(-x / 2) / std::sqrt(2 * kPi * x), 1e-14},
        {"cinv(x, 2)", 0.5, 2 * std::log(2.0), 1e-12},
        // beta(2, 3): density 12 x (1-x)^2; beta(1/2, 1/2): the arcsine law
        {"pdf('beta', x, 2, 3)", x, 12 * x * (1 - x) * (1 - x), 1e-14},
        {"cdf('beta', x, 2, 3)", x, 6 * x * x - 8 * x * x * x + 3 * x * x * x * x, 1e-14},
        {"probbeta(x, .5, .5)", x, 2 / kPi * std::asin(std::sqrt(x)), 1e-14},
        {"betainv(x, .5, .5)", 0.3, std::pow(std::sin(kPi * 0.3 / 2), 2), 1e-12},
        {"betainv(x, 1, 1)", 0.3, 0.3, 1e-14},
        // the error functions and ln Gamma at whole and half numbers
        {"erf(x) + erfc(x)", x, 1, 1e-15},
        {"lgamma(x)", 6, std::log(120.0), 1e-15},
        {"lgamma(x)", 1.5, std::log(std::sqrt(kPi) / 2), 1e-15},
    };
    check_cases(cases, sizeof cases / sizeof cases[0]);
}

TEST(DistributionFunctions, ReferenceValues) {
    // 40-digit values; the library's documented accuracies bound the tolerances
    const Case cases[] = {
        {"pdf('normal', x)", 1.3, 0.1713685920478073470702539563384591907894, 2e-16},
        {"pdf('normal', x)", -8.25, 6.627137455968751535612295803915445356495e-16, 1e-15},
        {"pdf('normal', x)", 37.1, 5.215262198831984248618064973081300469869e-300, 1e-15},
        {"pdf('t', x, 5)", 1.5, 0.1245173446463551375415496365570363583645, 1e-13},
        {"probt(x, 7.5)", -2.5, 0.01941012913681277859169977468873809502309, 1e-13},
        {"tinv(x, 10)", 0.975, 2.228138851986274224519861931065781147461, 4e-12},   // tables: 2.228
        {"cdf('gamma', x, 2.5)", 3, 0.6937810815867215991206097089033596897593, 1e-13},
        {"pdf('gamma', x, 2.5)", 3, 0.1946086933185658409023616564495930777781, 1e-13},
        {"gaminv(x, 2.5)", 0.9, 4.618178449890559527032288803458047899157, 1e-12},
        {"cinv(x, 10)", 0.95, 18.30703805327514400312434042032540781426, 1e-12},   // tables: 18.307
        {"quantile('chisq', x, 10)", 0.95, 18.30703805327514400312434042032540781426, 1e-12},
        {"probchi(x, 4)", 7.5, 0.8882907071839567358782818707729435375172, 1e-13},
        {"probbeta(x, 2.5, 4)", 0.3, 0.3521975859067672138766600155723980838426, 1e-13},
        {"betainv(x, 2.5, 4)", 0.25, 0.2482814567935645861959735553196838733325, 1e-12},
        {"lgamma(x)", 0.5, 0.5723649429247000870717136756765293558236, 2e-15},
        {"lgamma(x)", 123.25, 468.6144829505166442280587255749525369509, 2e-15},
        {"erf(x)", 0.3, 0.3286267594591274161896179853182030332585, 1e-15},
        {"erfc(x)", 5.5, 7.357847917974398063068362398570090208223e-15, 1e-15},
    };
    check_cases(cases, sizeof cases / sizeof cases[0]);
}

TEST(DistributionFunctions, OutsideTheirDomainsGiveMissing) {
    const Case cases[] = {
        {"pdf('normal', x, 0, 0)", 1, M, 0},   {"pdf('normal', x, 0, -1)", 1, M, 0},
        {"quantile('normal', x)", 0, M, 0},    {"quantile('normal', x)", 1, M, 0},
        {"cdf('normal', x)", M, M, 0},         {"cdf('normal', 1, x)", M, M, 0},
        {"tinv(x, 3)", 1, M, 0},               {"probt(1, x)", 0, M, 0},
        {"probt(1, x)", -2, M, 0},             {"lgamma(x)", 0, M, 0},
        {"lgamma(x)", -1, M, 0},               {"pdf('gamma', x, .5)", 0, M, 0},   // unbounded at 0
        {"gaminv(x, 2)", 1, M, 0},             {"gaminv(0.5, x)", 0, M, 0},
        {"probbeta(0.5, x, 1)", 0, M, 0},      {"betainv(x, 2, 2)", 1.5, M, 0},
        {"pdf('beta', x, .5, 2)", 0, M, 0},    {"cinv(x, 0)", 0.5, M, 0},
        // the edges that are finite
        {"cdf('gamma', x, 2)", -1, 0, 0},      {"gaminv(x, 2)", 0, 0, 0},
        {"cdf('beta', x, 2, 3)", 1.5, 1, 0},   {"pdf('beta', x, 2, 3)", -0.5, 0, 0},
        {"betainv(x, 2, 3)", 1, 1, 0},         {"pdf('normal', x)", 40, 0, 0},
    };
    check_cases(cases, sizeof cases / sizeof cases[0]);
}

TEST(DistributionFunctions, CallsThatCannotWorkAreRefusedAtCompileTime) {
    const char* refused[] = {
        "r = pdf('lognormal', 1);",   // unknown law
        "r = cdf('t', 1);",           // t needs its degrees of freedom
        "r = pdf('normal', 1, 0, 1, 2);",
        "r = quantile(1, 0.5);",      // the law is named by text
        "r = cdf('beta', 'x', 1, 2);",
        "r = pdf('normal');",
    };
    for (const char* stmt : refused) {
        Compiled prog;
        EXPECT_EQ(prog.push({stmt}), 1) << stmt;
    }
}

TEST(DistributionFunctions, LawNamedByAVariable) {
    Compiled prog;
    ASSERT_TRUE(prog.build({"length law $ 8;", "r = cdf(law, 0.7, 1);"}));
    *cmppdvp(prog.instance(), cmpsyms(prog.session, "LAW", -1)) = qor_namerec{8, 8, const_cast<char*>("t       ")};
    ASSERT_EQ(prog.run(), 0);
    EXPECT_NEAR(*prog.num("r"), 0.5 + std::atan(0.7) / kPi, 1e-14);
}

// Black-Scholes gamma and vega of a call through PDF('NORMAL', d1) against the textbook closed
// forms written out with exp (gamma = phi(d1) / (S sigma sqrt(T)), vega = S phi(d1) sqrt(T)).
TEST(DistributionFunctions, BlackScholesGammaAndVega) {
    Compiled prog;
    ASSERT_TRUE(prog.build({
        "method greeks kind=price 'call gamma and vega';",
        "d1 = (log(spot / strike) + (rate + 0.5 * vol * vol) * t) / (vol * sqrt(t));",
        "gamma = pdf('NORMAL', d1) / (spot * vol * sqrt(t));",
        "vega = spot * pdf('NORMAL', d1) * sqrt(t);",
        "endmethod;",
        "runmethod greeks;",
    })) << (prog.errors.empty() ? "" : prog.errors[0]);
    const struct { double spot, strike, rate, vol, t; } markets[] = {
        {100, 100, 0.05, 0.2, 1}, {49, 50, 0.05, 0.2, 0.3846}, {80, 120, 0.01, 0.45, 2.5}, {150, 100, 0.03, 0.1, 0.25}};
    for (const auto& m : markets) {
        *prog.num("spot") = m.spot;
        *prog.num("strike") = m.strike;
        *prog.num("rate") = m.rate;
        *prog.num("vol") = m.vol;
        *prog.num("t") = m.t;
        ASSERT_EQ(prog.run(), 0);
        double d1 = (std::log(m.spot / m.strike) + (m.rate + 0.5 * m.vol * m.vol) * m.t) / (m.vol * std::sqrt(m.t));
        double phi = std::exp(-0.5 * d1 * d1) / std::sqrt(2 * kPi);
        EXPECT_NEAR(*prog.num("gamma"), phi / (m.spot * m.vol * std::sqrt(m.t)), 1e-14 * phi);
        EXPECT_NEAR(*prog.num("vega"), m.spot * phi * std::sqrt(m.t), 1e-13 * m.spot * phi);
    }
    // the textbook example (S 49, K 50, r 5%, sigma 20%, 20 weeks): gamma 0.066, vega 12.1
    *prog.num("spot") = 49;
    *prog.num("strike") = 50;
    *prog.num("rate") = 0.05;
    *prog.num("vol") = 0.2;
    *prog.num("t") = 0.3846;
    ASSERT_EQ(prog.run(), 0);
    EXPECT_NEAR(*prog.num("gamma"), 0.066, 0.0005);
    EXPECT_NEAR(*prog.num("vega"), 12.1, 0.05);
}

}  // namespace
