// Conversion notes: a character value used where a number is needed (598/3105) or a number
// used where text is needed (598/3106) is converted, and the accepted push says so in its log.
#include <cmath>
#include <string>

#include "tests/compiler/compiler_fixture.h"

namespace {

// The log of one push (after the setup statements).
std::string log_of(Compiled& p, const std::string& stmt, int* rc = nullptr) {
    char log[512], err[512];
    int r = cmpprss(p.session, stmt.c_str(), -1, log, sizeof log, err, sizeof err);
    if (rc) *rc = r;
    return log;
}

TEST(Conversions, NotesNameTheConvertedValue) {
    const char* kToNumber = "WARNING: Character values have been converted to numeric values: ";
    const char* kToText = "WARNING: Numeric values have been converted to character values: ";
    struct Case {
        const char* stmt;
        const char* expected;   // empty: no note
    } cases[] = {
        {"x = '12';", "X (statement 4, column 5)."},
        {"s = 5;", "S (statement 4, column 5)."},
        {"z = c + 1;", "C (statement 4, column 5)."},
        {"if c then w = 1;", "C (statement 4, column 4)."},
        {"t = abs(c);", "C (statement 4, column 9)."},
        {"y = 'a' || 1;", "a numeric expression (statement 4, column 12)."},
        {"q = ('a' = 'b');", ""},
        {"r = x + 2;", ""},
        {"s = 'ab' || c;", ""},
    };
    for (const Case& c : cases) {
        Compiled p;
        ASSERT_EQ(p.push({"x = 1;", "length s $ 4;", "c = 'abc';"}), 0);
        int rc = -9;
        std::string log = log_of(p, c.stmt, &rc);
        EXPECT_EQ(rc, CMP_ACCEPTED) << c.stmt;
        if (!*c.expected) {
            EXPECT_EQ(log, "") << c.stmt;
            continue;
        }
        bool to_number = std::string(c.stmt) != "s = 5;" && std::string(c.stmt) != "y = 'a' || 1;";
        EXPECT_EQ(log, std::string(to_number ? kToNumber : kToText) + c.expected) << c.stmt;
    }
}

TEST(Conversions, ConvertedValuesAtRunTime) {
    Compiled p;
    ASSERT_TRUE(p.build({"x = 1;", "length s $ 4;", "x = '12';", "s = 5;", "c = 'abc';", "n = c + 1;"}));
    ASSERT_EQ(p.run(), 0);
    EXPECT_EQ(*p.num("x"), 12);
    EXPECT_EQ(p.text("s"), "5");
    EXPECT_TRUE(std::isnan(*p.num("n")));   // 'abc' is not a number: missing
}

}  // namespace
