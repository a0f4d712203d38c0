// The executor's fast paths: fused instructions, member operands, compare-and-branch, loop
// steps and constant folding give exactly the values and missing-value counts of plain steps.
#include <cfloat>
#include <cmath>
#include <cstring>

#include "common/distributions/normal.h"
#include "host/missing.h"
#include "tests/compiler/compiler_fixture.h"
#include "tests/compiler/pricing_in_cpp.h"
#include "tests/compiler/pricing_methods.h"

namespace {

const double M = qor::missing();
const double INF = HUGE_VAL;
double code(char c) { return qor::make_missing(c); }

TEST(FastPaths, PricingMethodsGiveTheBitsOfTheSameFormulasInCpp) {
    Compiled p;
    declare_pricing_structures(p.session);
    std::vector<std::string> prog = pricing_program();
    prog.insert(prog.end(), {"runmethod black_scholes;", "runmethod bond;"});
    ASSERT_TRUE(p.build(prog));
    Instrument inst{100, 1.5, 2.5, 100};
    MarketState st{};
    cmpbasev(p.instance())[cmpbasei(p.session, "_ZOZU_VALUE_INST_", -1)] = &inst;
    cmpbasev(p.instance())[cmpbasei(p.session, "_ZOZU_MKT_INST_", -1)] = &st;
    int differ = 0;
    for (long i = 0; i < 20000; ++i) {
        st = state_of(i);
        ASSERT_EQ(p.run(0, static_cast<double>(i)), 0);
        double call = baseline_black_scholes(st, inst), bond = baseline_bond(st, inst);
        differ += std::memcmp(p.num("CALL_VALUE"), &call, sizeof call) != 0;
        differ += std::memcmp(p.num("BOND_VALUE"), &bond, sizeof bond) != 0;
    }
    EXPECT_EQ(differ, 0);
    EXPECT_EQ(cmpmissn(p.instance()), 0);
}

// x, y, z are locals; a and b are members of a structure with bare names.
struct ShapeCase {
    const char* expr;
    double x, y, z, a, b;
    double expected;    // NaN: the standard missing value
    long generated;     // missing values made from numbers
};

TEST(FastPaths, FusedShapesKeepValuesAndMissingCounts) {
    const ShapeCase cases[] = {
        // multiply-add and multiply-subtract, either side
        {"x + y * z", 1, 2, 3, 0, 0, 7, 0}, {"y * z + x", 1, 2, 3, 0, 0, 7, 0}, {"x - y * z", 1, 2, 3, 0, 0, -5, 0},
        {"x + y * z", code('A'), 2, 3, 0, 0, M, 0}, {"x - y * z", 1, M, 3, 0, 0, M, 0},
        {"x + y * z", 1, 1e200, 1e200, 0, 0, M, 1},      // the product overflows: one value made
        {"x + y * z", 1e308, 1e308, 1, 0, 0, M, 1},      // the sum overflows
        {"x - y * z", -INF, 1, 1, 0, 0, M, 1},
        // a chain of products: (x * y) * z
        {"x * y * z", 2, 3, 4, 0, 0, 24, 0}, {"x * y * z", 1e200, 1e200, 0, 0, 0, M, 1},
        {"x * y * z", 1e200, 1e200, M, 0, 0, M, 1}, {"x * y * z", M, 1e200, 1e200, 0, 0, M, 0},
        // one operand read from a structure member
        {"a * x", 2, 0, 0, 3, 0, 6, 0}, {"x * a", 2, 0, 0, 3, 0, 6, 0}, {"a - x", 2, 0, 0, 3, 0, 1, 0},
        {"x - a", 2, 0, 0, 3, 0, -1, 0}, {"a / x", 2, 0, 0, 3, 0, 1.5, 0}, {"x / a", 3, 0, 0, 2, 0, 1.5, 0},
        {"x + a", 2, 0, 0, 3, 0, 5, 0}, {"-a", 0, 0, 0, 3, 0, -3, 0}, {"-a", 0, 0, 0, code('Z'), 0, M, 0},
        {"a / x", 0, 0, 0, 3, 0, M, 1}, {"x / a", 1, 0, 0, 0, 0, M, 1}, {"a * x", 0, 0, 0, INF, 0, M, 1},
        {"a + x", 1, 0, 0, code('B'), 0, M, 0}, {"a * b", 0, 0, 0, 1e300, 1e300, M, 1},
        {"a * b + a * x", 2, 0, 0, 3, 4, 18, 0}, {"b - a * x", 2, 0, 0, 3, 4, -2, 0},
        // constants folded when the program is made keep run-time counting
        {"2 * 3 + x", 1, 0, 0, 0, 0, 7, 0}, {"1 / 0", 0, 0, 0, 0, 0, M, 1}, {"10 ** 400 + x", 1, 0, 0, 0, 0, M, 1},
        {"-(2 ** 0.5) * x", 2, 0, 0, 0, 0, -2 * std::sqrt(2.0), 0}, {"exp(1) * x", 1, 0, 0, 0, 0, std::exp(1.0), 0},
    };
    for (const ShapeCase& c : cases) {
        Compiled prog;
        const cmp_member members[] = {{"A", CMP_MEMBER_NUMBER, 0}, {"B", CMP_MEMBER_NUMBER, 8}};
        ASSERT_EQ(cmpinss(prog.session, "S", -1, members, 2, 16), 0);
        ASSERT_EQ(cmpstri(prog.session, "S", -1, "SI", -1, 1), 0);
        ASSERT_TRUE(prog.build({"x = x; y = y; z = z;", "r = " + std::string(c.expr) + ";"})) << c.expr;
        double rec[2] = {c.a, c.b};
        cmpbasev(prog.instance())[cmpbasei(prog.session, "SI", -1)] = rec;
        *prog.num("x") = c.x;
        *prog.num("y") = c.y;
        *prog.num("z") = c.z;
        ASSERT_EQ(prog.run(), 0) << c.expr;
        double r = *prog.num("r");
        if (std::isnan(c.expected)) {
            EXPECT_TRUE(qor::is_missing(r)) << c.expr << " gave " << r;
            EXPECT_EQ(qor::missing_code(r), 0) << c.expr;
        } else {
            EXPECT_EQ(r, c.expected) << c.expr;
        }
        EXPECT_EQ(cmpmissn(prog.instance()), c.generated) << c.expr;
        // each run makes its missing values again
        ASSERT_EQ(prog.run(), 0);
        EXPECT_EQ(cmpmissn(prog.instance()), 2 * c.generated) << c.expr;
    }
}

TEST(FastPaths, ConditionsOrderMissingValuesBelowNumbers) {
    struct Case { const char* cond; double x, y; int taken; };
    const Case cases[] = {
        {"x < y", 1, 2, 1}, {"x < y", 2, 1, 0}, {"x < y", code('_'), M, 1}, {"x < y", M, code('A'), 1},
        {"x < y", code('Z'), -1e300, 1}, {"x > y", M, -1e300, 0}, {"x = y", code('A'), code('A'), 1},
        {"x = y", code('A'), code('B'), 0}, {"x ^= y", M, M, 0}, {"x <= y", M, M, 1}, {"x >= y", 3, 3, 1},
        {"x", M, 0, 0}, {"x", 0, 0, 0}, {"x", -0.5, 0, 1}, {"x < y and y", 1, 2, 1},
    };
    for (const Case& c : cases) {
        Compiled prog;
        ASSERT_TRUE(prog.build({"x = x; y = y;", std::string("if ") + c.cond + " then r = 1; else r = 0;",
                                std::string("n = 0; do while (n < 3 and (") + c.cond + ")); n = n + 1; end;",
                                std::string("u = 0; do until (") + c.cond + " or u >= 3); u = u + 1; end;"}))
            << c.cond;
        *prog.num("x") = c.x;
        *prog.num("y") = c.y;
        ASSERT_EQ(prog.run(), 0) << c.cond;
        EXPECT_EQ(*prog.num("r"), c.taken) << c.cond;
        EXPECT_EQ(*prog.num("n"), c.taken ? 3 : 0) << c.cond;
        EXPECT_EQ(*prog.num("u"), c.taken ? 1 : 3) << c.cond;
    }
}

TEST(FastPaths, IterativeLoopsStepExactly) {
    struct Case { const char* head; double passes, last; };
    const Case cases[] = {
        {"k = 1 to 20", 20, 21}, {"k = 5 to 1 by -2", 3, -1}, {"k = 1 to 0", 0, 1},
        {"k = 0 to 1 by 0.25", 5, 1.25}, {"k = 1 to 3 by s", 2, 5}, {"k = 3 to 1 by -s", 2, -1},
    };
    for (const Case& c : cases) {
        Compiled prog;
        ASSERT_TRUE(prog.build({"s = 2;", "n = 0;", std::string("do ") + c.head + ";", "n = n + 1;", "end;"}))
            << c.head;
        ASSERT_EQ(prog.run(), 0) << c.head;
        EXPECT_EQ(*prog.num("n"), c.passes) << c.head;
        EXPECT_EQ(*prog.num("k"), c.last) << c.head;
    }
}

}  // namespace
