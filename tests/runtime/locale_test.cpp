// UTF-8 locale services: case-insensitive comparison by character and single-byte positions.
#include <gtest/gtest.h>

#include "host/locale.h"

TEST(Locale, CompareFoldsCaseByCharacter) {
    struct Case { const char* a; int la; const char* b; int lb; int expected; };
    const Case cases[] = {
        {"abc", 3, "ABC", 3, 0},
        {"stra\xC3\x9F" "e", 7, "STRA\xC3\x9F" "E", 7, 0},          // ß has no single upper form here
        {"\xD0\xB4\xD0\xB0", 4, "\xD0\x94\xD0\x90", 4, 0},          // да / ДА
        {"\xCE\xB1", 2, "\xCE\x91  ", 4, 0},                        // α / Α and trailing blanks
        {"\xC3\xA9t\xC3\xA9", 5, "\xC3\x89T\xC3\x88", 5, 3},       // third character: é after È
        {"ab", 2, "abc", 3, -3},
        {"abc", 3, "ab", 2, 3},
        {"ab", 2, "ab\t", 3, 3},
        {nullptr, 5, "  ", 2, 0},
        {"\xC3", 1, "\xC3\xA9", 2, -1},                             // a cut sequence is a byte
    };
    for (const Case& c : cases) {
        EXPECT_EQ(wzsxcmn(c.a, c.la, c.b, c.lb, nullptr), c.expected) << (c.a ? c.a : "(null)");
    }
}

TEST(Locale, SingleBytePositions) {
    const char* text = "a\xC3\xA9" "b\xE2\x82\xAC";   // a é b €
    const int expected[] = {1, 0, 0, 1, 0, 0, 0};
    for (int i = 0; i < 7; ++i) EXPECT_EQ(wzsxoff(text, 7, i), expected[i]) << i;
    EXPECT_EQ(wzsxoff(text, 7, 7), 0);
    EXPECT_EQ(wzsxoff(text, 7, -1), 0);
    EXPECT_EQ(wzsxoff(nullptr, 7, 0), 0);
}
