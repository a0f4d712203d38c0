// Statement tracing: compiled in only when the trace option is set before generation; option 2
// writes a line per statement run, option 3 also the value each assignment stored.
#include "tests/compiler/compiler_fixture.h"

namespace {

const std::vector<std::string> kProgram = {
    "x = 2;", "if x > 1 then y = x * 3;", "else y = 0;", "length t $ 4;", "t = 'ab';",
};

TEST(Trace, OffByDefaultAndCostsNothing) {
    Compiled plain;
    ASSERT_TRUE(plain.build(kProgram));
    ASSERT_EQ(plain.run(), 0);
    EXPECT_TRUE(plain.printed.empty());
}

TEST(Trace, StatementsAndAssignedValues) {
    struct Case { int option; std::vector<std::string> lines; };
    const Case cases[] = {
        {2, {"TRACE: statement 1", "TRACE: statement 2", "TRACE: statement 5"}},
        {3, {"TRACE: statement 1", "TRACE: X=2", "TRACE: statement 2", "TRACE: Y=6",
             "TRACE: statement 5", "TRACE: T=ab"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.option);
        Compiled traced;
        ASSERT_EQ(cmpopt2(traced.session, c.option, 1), 0);
        ASSERT_TRUE(traced.build(kProgram));
        ASSERT_EQ(traced.run(), 0);
        EXPECT_EQ(*traced.num("y"), 6.0);
        EXPECT_EQ(traced.printed, c.lines);
    }
}

}  // namespace
