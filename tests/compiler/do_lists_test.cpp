// Iterative DO with value lists, several ranges and WHILE / UNTIL conditions: the values the
// loop variable takes, when the condition is tested, LEAVE and CONTINUE, and the value left
// in the loop variable, worked out by hand for each case.
#include <string>
#include <vector>

#include "tests/compiler/compiler_fixture.h"

namespace {

struct Case {
    std::vector<std::string> program;
    const char* variable;
    double expected;
};

TEST(DoLists, ValuesRangesAndConditions) {
    const Case cases[] = {
        {{"s = 0;", "do i = 1, 3, 5; s = s + i; end;"}, "s", 9},
        {{"s = 0;", "do i = 1, 3, 5; s = s + i; end;"}, "i", 5},
        // 1, 2, 3, 10, 20, 25, 30
        {{"c = 0; s = 0;", "do i = 1 to 3, 10, 20 to 30 by 5; c = c + 1; s = s + i; end;"}, "c", 7},
        {{"c = 0; s = 0;", "do i = 1 to 3, 10, 20 to 30 by 5; c = c + 1; s = s + i; end;"}, "s", 91},
        {{"do i = 1 to 3, 10, 20 to 30 by 5; end;"}, "i", 35},
        // WHILE is tested before each pass: p = 1, 3, 6, 10, then i = 5 fails the test
        {{"p = 0;", "do i = 1 to 10 while (p < 10); p = p + i; end;"}, "p", 10},
        {{"p = 0;", "do i = 1 to 10 while (p < 10); p = p + i; end;"}, "i", 5},
        // UNTIL is tested after each pass, before the step
        {{"q = 0;", "do i = 1 to 10 until (q >= 10); q = q + i; end;"}, "i", 4},
        {{"u = 0;", "do j = 5, 6, 7 until (j = 6); u = u + j; end;"}, "u", 11},
        {{"w = 0;", "do k = 1, 2, 3, 4; if k = 2 then continue; if k = 4 then leave; w = w + k; end;"}, "w", 4},
        // an empty range is skipped, the list goes on
        {{"e = 0;", "do m = 5 to 1, 7; e = e + m; end;"}, "e", 7},
        // a descending range, a label in the body (generated once), nested lists
        {{"t = 0;", "do a = 3 to 1 by -1, 10;", "inner: do b = 1, 2; t = t + a * b; end;", "end;"}, "t", 48},
        // one value: one pass
        {{"n = 0;", "do i = 4; n = n + i; end;"}, "n", 4},
    };
    for (const Case& c : cases) {
        Compiled p;
        ASSERT_TRUE(p.build(c.program)) << c.program.back() << (p.errors.empty() ? "" : p.errors[0]);
        ASSERT_EQ(p.run(), 0) << c.program.back();
        EXPECT_EQ(*p.num(c.variable), c.expected) << c.program.back() << " -> " << c.variable;
    }
}

TEST(DoLists, RefusedAndFailingForms) {
    Compiled p;
    EXPECT_EQ(p.push({"do i = 'a', 'b'; end;"}), 1);
    EXPECT_EQ(p.push({"do i = 1, 2 while x; end;"}), 1);     // the condition needs parentheses
    Compiled q;
    ASSERT_TRUE(q.build({"do i = 1, 2 to lim; x = i; end;"}));
    EXPECT_NE(q.run(), 0);                                     // a missing bound stops the run
    EXPECT_EQ(*q.num("x"), 1);                                 // after the first item's pass
}

}  // namespace
