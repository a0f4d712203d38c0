// Expressions: operators, precedence, missing-value propagation and ordering, literals,
// numeric and character built-ins, checked against hand-computed values.
#include <cmath>

#include "host/missing.h"
#include "tests/compiler/compiler_fixture.h"

namespace {

const double M = qor::missing();
double code(char c) { return qor::make_missing(c); }

struct NumCase {
    const char* expr;
    double x, y;
    double expected;    // a missing value means: missing with that code
};

TEST(Expressions, NumericTable) {
    const NumCase cases[] = {
        {"x + y", 1, 2, 3}, {"x + y", code('A'), 2, M}, {"x / y", 1, 0, M}, {"-x", code('B'), 0, M},
        {"x - y * 2", 10, 3, 4}, {"(x - y) * 2", 10, 3, 14}, {"-2 ** 2", 0, 0, -4}, {"2 ** -1", 0, 0, 0.5},
        {"2 ** 3 ** 2", 0, 0, 512}, {"x ** y", -8, 0.5, M}, {"1e3 + .5", 0, 0, 1000.5},
        {"x < y", code('_'), M, 1}, {"x < y", M, code('A'), 1}, {"x < y", code('Z'), -1e300, 1},
        {"x = y", code('A'), code('A'), 1}, {"x = y", code('A'), code('B'), 0}, {"x = .", M, 0, 1},
        {"x > .z", -5, 0, 1}, {"x ^= y", 1, 2, 1}, {"x ne y", 2, 2, 0}, {"x le y", 2, 2, 1},
        {"x and y", M, 1, 0}, {"x or y", M, 1, 1}, {"not x", M, 0, 1}, {"not x", 2, 0, 0}, {"x & 0 | 1", 1, 0, 1},
        {"x in (1, 2, 3)", 2, 0, 1}, {"x in (1, 2, 3)", 4, 0, 0}, {"x in (., 1)", M, 0, 1},
        {"sum(x, y, .)", 1, M, 1}, {"mean(x, y)", 2, M, 2}, {"n(x, y, .)", 1, M, 1}, {"nmiss(x, y, .)", 1, M, 2},
        {"min(x, y)", M, 3, 3}, {"max(x, y)", M, M, M}, {"coalesce(., x, y)", 4, 5, 4}, {"sum(x, y)", 1e308, 1e308, M},
        {"mod(x, y)", 7, 3, 1}, {"mod(x, y)", -7, 3, -1}, {"mod(x, y)", 5, 0, M},
        {"round(x)", 2.5, 0, 3}, {"round(x)", -2.5, 0, -3}, {"round(x, 0.25)", 1.3, 0, 1.25}, {"round(x, .01)", 2.346, 0, 2.35},
        {"int(x) + floor(y)", -2.7, -2.2, -5}, {"ceil(x)", 1.1, 0, 2}, {"abs(x)", -3, 0, 3}, {"abs(x)", code('C'), 0, M},
        {"sign(x) + sign(y)", -4, 0, -1}, {"log(x)", 0, 0, M}, {"sqrt(x)", -1, 0, M}, {"exp(x)", 1000, 0, M},
        {"log10(x) + log2(y)", 1000, 8, 6}, {"atan2(x, y)", 1, 1, M_PI / 4}, {"cosh(x) - sinh(x)", 0, 0, 1},
        {"'01JAN1960'd", 0, 0, 0}, {"'02JAN2000'd", 0, 0, 14611}, {"'12:30't", 0, 0, 45000},
        {"'02JAN1960:00:01:00'dt", 0, 0, 86460}, {"mdy(1, 2, 2000)", 0, 0, 14611}, {"mdy(2, 30, 2000)", 0, 0, M},
        {"year(x) * 10000 + month(x) * 100 + day(x)", 14611, 0, 20000102}, {"weekday(x)", 14611, 0, 1},
        {"dhms(x, 1, 2, 3)", 1, 0, 86400 + 3723}, {"datepart(x) + timepart(x)", 90061, 0, 1 + 3661},
        {"probnorm(x)", 0, 0, 0.5}, {"probnorm(x)", 1.959963984540054, 0, 0.975}, {"probit(x)", 0.975, 0, 1.959963984540054},
        {"probit(x)", 1, 0, M}, {"intnx('MONTH', x, 1)", 14610, 0, 14641}, {"intck('YEAR', x, y)", 14610, 14975, 0}, {"intck('YEAR', x, y)", 14610, 14976, 1},
        {"missing(x) + missing(y)", code('A'), 0, 1}
    };
    for (const NumCase& c : cases) {
        Compiled prog;
        ASSERT_TRUE(prog.build({"r = " + std::string(c.expr) + ";"})) << c.expr << ": " << (prog.errors.empty() ? "" : prog.errors[0]);
        if (double* x = prog.num("x")) *x = c.x;
        if (double* y = prog.num("y")) *y = c.y;
        ASSERT_EQ(prog.run(), 0) << c.expr;
        ASSERT_NE(prog.num("r"), nullptr) << c.expr;
        double r = *prog.num("r");
        if (std::isnan(c.expected)) {
            EXPECT_TRUE(qor::is_missing(r)) << c.expr << " gave " << r;
            EXPECT_EQ(qor::missing_code(r), 0) << c.expr << ": computed missing values are the standard '.'";
        } else {
            EXPECT_NEAR(r, c.expected, 1e-9 * std::max(1.0, std::fabs(c.expected))) << c.expr;
        }
    }
}

TEST(Expressions, MissingValuesGeneratedAreCounted) {
    Compiled prog;
    ASSERT_TRUE(prog.build({"a = x / 0;", "b = . + 1;", "c = log(-1);"}));
    *prog.num("x") = 1;
    ASSERT_EQ(prog.run(), 0);
    // x/0 and log(-1) make missing values from numbers; . + 1 only propagates one
    EXPECT_EQ(cmpmissn(prog.instance()), 2);
}

TEST(Expressions, MissingLiteralsKeepTheirCode) {
    Compiled prog;
    ASSERT_TRUE(prog.build({"a = .A;", "b = ._;", "c = a;"}));
    ASSERT_EQ(prog.run(), 0);
    EXPECT_EQ(qor::missing_code(*prog.num("a")), 'A');
    EXPECT_EQ(qor::missing_code(*prog.num("b")), '_');
    EXPECT_EQ(qor::missing_code(*prog.num("c")), 'A');
}

struct TextCase {
    const char* expr;
    const char* expected;
};

TEST(Expressions, CharacterTable) {
    const TextCase cases[] = {
        {"upcase('aBc')", "ABC"}, {"lowcase('aBc')", "abc"}, {"substr('hello', 2, 3)", "ell"}, {"substr('hello', 4)", "lo"},
        {"trim('ab  ') || 'c'", "abc"}, {"'ab  ' || 'c'", "ab  c"}, {"strip('  a  ') || '|'", "a|"},
        {"left('  ab') || '|'", "ab  |"}, {"compress(' a b c ')", "abc"}, {"compress('a-b_c', '-_')", "abc"},
        {"cat('a ', 1)", "a 1"}, {"cats(' a ', 1, ' b')", "a1b"}, {"catx('-', 'a', ' ', 'b', 2.5)", "a-b-2.5"},
        {"put(3.5, '8.2')", "    3.50"}, {"put(x, 'DATE9.')", "02JAN2000"}, {"put(x)", "14611"}, {"put(.A)", ".A"},
        {"put(1/3)", "0.3333333333"}, {"1 || 2", "12"}, {"put(123456789012345)", "1.2345679E14"},
    };
    for (const TextCase& c : cases) {
        Compiled prog;
        ASSERT_TRUE(prog.build({"x = 14611;", "length r $ 40;", "r = " + std::string(c.expr) + ";"})) << c.expr;
        ASSERT_EQ(prog.run(), 0);
        EXPECT_EQ(prog.text("r"), c.expected) << c.expr;
    }
}

TEST(Expressions, CharacterComparisonsAndNumbers) {
    const NumCase cases[] = {
        {"'ab' = 'ab   '", 0, 0, 1}, {"'ab' < 'abc'", 0, 0, 1}, {"'B' > 'A'", 0, 0, 1}, {"'a' in ('b', 'a ')", 0, 0, 1},
        {"index('abcabc', 'ca')", 0, 0, 3}, {"index('abc', 'x')", 0, 0, 0}, {"length('ab  ')", 0, 0, 2},
        {"length('')", 0, 0, 1}, {"input('12.5')", 0, 0, 12.5}, {"input(' 7 ')", 0, 0, 7}, {"input('x1')", 0, 0, M},
        {"input('02JAN2000', 'DATE9.')", 0, 0, 14611}, {"missing('  ')", 0, 0, 1},
    };
    for (const NumCase& c : cases) {
        Compiled prog;
        ASSERT_TRUE(prog.build({"r = " + std::string(c.expr) + ";"})) << c.expr;
        ASSERT_EQ(prog.run(), 0);
        ASSERT_NE(prog.num("r"), nullptr) << c.expr;
        double r = *prog.num("r");
        if (std::isnan(c.expected)) EXPECT_TRUE(qor::is_missing(r)) << c.expr;
        else EXPECT_EQ(r, c.expected) << c.expr;
    }
}

TEST(Expressions, CharacterLengths) {
    Compiled prog;
    ASSERT_TRUE(prog.build({"length s $ 3;", "s = 'abcdef';", "t = 'ab';", "t = 'abcd';", "u = s || t;"}));
    ASSERT_EQ(prog.run(), 0);
    EXPECT_EQ(prog.text("s"), "abc");   // declared length cuts
    EXPECT_EQ(prog.text("t"), "ab");    // length of the first assignment
    EXPECT_EQ(prog.text("u"), "abcab"); // 3 + 2, both full (no blanks to keep)
}

}  // namespace
