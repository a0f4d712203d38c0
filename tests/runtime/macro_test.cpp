// Tests of the global macro symbol table: names, numbers as round-trip text, threads.
// Values are read back through xjsymget.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "host/macro.h"
#include "host/missing.h"

namespace {
std::string get(const char* name) {
    char buffer[128];
    int n = xjsymget(xalanch(), name, -1, buffer, sizeof buffer);
    return n < 0 ? std::string("<") + std::to_string(-n) + ">" : std::string(buffer);
}
}  // namespace

TEST(MacroTable, NumbersAreShortestRoundTripText) {
    struct Case { double value; const char* text; } cases[] = {
        {1.0, "1"}, {1e9, "1000000000"}, {4294967295.0, "4294967295"}, {-3.0, "-3"},
        {0.1, "0.1"}, {1.0 / 3.0, "0.3333333333333333"}, {1e300, "1e+300"}, {qor::missing(), "."},
    };
    for (const auto& c : cases) {
        ASSERT_EQ(xjsympn(xalanch(), "numtest", 7, c.value), 0);
        EXPECT_EQ(get("NUMTEST"), c.text);
        if (c.text[0] != '.') {
            EXPECT_EQ(std::strtod(get("numtest").c_str(), nullptr), c.value);
        }
    }
}

TEST(MacroTable, NamesAreCaseInsensitiveAndValidated) {
    EXPECT_EQ(xjsympc(xalanch(), "MyVar  ", 7, "hello world", -1), 0);   // trailing blanks ignored
    EXPECT_EQ(get("MYVAR"), "hello world");
    EXPECT_EQ(get("myvar"), "hello world");
    EXPECT_EQ(xjsympc(xalanch(), "1abc", 4, "x", 1), QOR_MACRO_BAD_NAME);
    EXPECT_EQ(xjsympc(xalanch(), "a-b", 3, "x", 1), QOR_MACRO_BAD_NAME);
    EXPECT_EQ(xjsympc(xalanch(), "", 0, "x", 1), QOR_MACRO_BAD_NAME);
    EXPECT_EQ(xjsympc(xalanch(), "ABCDEFGHIJKLMNOPQRSTUVWXYZABCDEFG", -1, "x", 1), QOR_MACRO_BAD_NAME);
    EXPECT_EQ(xjsympc(nullptr, "A", 1, "x", 1), QOR_MACRO_BAD_TABLE);
    EXPECT_EQ(get("NEVERSET"), "<2>");
    // A short buffer is cut but the full length is reported.
    char small[4];
    EXPECT_EQ(xjsymget(xalanch(), "myvar", 5, small, sizeof small), 11);
    EXPECT_STREQ(small, "hel");
    EXPECT_EQ(xjsymdel(xalanch(), "MYVAR", 5), 0);
    EXPECT_EQ(get("MYVAR"), "<2>");
}

TEST(MacroTable, ConcurrentWritersKeepTheTableConsistent) {
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([t] {
            std::string name = "T" + std::to_string(t);
            for (int i = 0; i < 2000; ++i) xjsympn(xalanch(), name.c_str(), -1, i);
        });
    }
    for (auto& th : threads) th.join();
    for (int t = 0; t < 4; ++t) EXPECT_EQ(get(("t" + std::to_string(t)).c_str()), "1999");
}
