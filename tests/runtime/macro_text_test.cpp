// Resolution of &name references in program text: the bounds on the number of resolutions and
// on the growth of the text, each reported by one error line.
#include <gtest/gtest.h>

#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>

#include "host/macro.h"
#include "runtime/core/print_internal.h"
#include "runtime/submit/macro_text.h"

namespace {

class MacroText : public ::testing::Test {
protected:
    std::string log_path = "/tmp/qor_macro_text_" + std::to_string(getpid()) + ".log";
    void SetUp() override { ASSERT_EQ(qor_print_set_log_file(log_path.c_str()), 0); }
    void TearDown() override {
        qor_print_set_log_file(nullptr);
        std::remove(log_path.c_str());
    }
    std::string log() {
        qor_print_set_log_file(nullptr);   // closes the file, so everything written is there
        std::ifstream in(log_path);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    static void set(const char* name, const std::string& value) {
        ASSERT_EQ(xjsympc(xalanch(), name, -1, value.data(), static_cast<int>(value.size())), 0);
    }
    static std::string repeated(const std::string& piece, size_t times) {
        std::string s;
        for (size_t i = 0; i < times; ++i) s += piece;
        return s;
    }
};

size_t lines_in(const std::string& text) {
    size_t n = 0;
    for (char c : text) n += c == '\n';
    return n;
}

TEST_F(MacroText, ResolutionsAreCountedOverTheWholeText) {
    set("MTONE", "1");
    std::string out;
    ASSERT_TRUE(qor::runtime::resolve_macro_references(repeated("&mtone ", 100000), 7, &out));
    EXPECT_EQ(out, repeated("1 ", 100000));
    EXPECT_FALSE(qor::runtime::resolve_macro_references(repeated("&mtone ", 100001), 7, &out));
    std::string text = log();
    EXPECT_EQ(lines_in(text), 1u) << text;
    EXPECT_NE(text.find("on line 7 need more than 100000 resolutions"), std::string::npos) << text;
}

TEST_F(MacroText, GrowthIsBoundedAndSelfReferenceStopsAtOnce) {
    // Each level holds eight references to the one below, the lowest 4,096 characters.
    set("MTL0", repeated("12345678", 512));
    for (int level = 1; level <= 3; ++level)
        set(("MTL" + std::to_string(level)).c_str(), repeated("&mtl" + std::to_string(level - 1), 8));
    std::string out;
    ASSERT_TRUE(qor::runtime::resolve_macro_references("x=&mtl2;", 1, &out));   // 4,096 * 64 characters
    EXPECT_EQ(out.size(), 262144u + 3u);
    EXPECT_FALSE(qor::runtime::resolve_macro_references("x=&mtl3;", 2, &out));  // 2 MiB
    // Eight references to itself: without a bound, 8^10 warnings.
    set("MTSELF", repeated("&mtself", 8));
    EXPECT_FALSE(qor::runtime::resolve_macro_references("&mtself", 3, &out));
    std::string text = log();
    EXPECT_EQ(lines_in(text), 2u) << text;
    EXPECT_NE(text.find("on line 2 make the text more than 1048576 characters longer"), std::string::npos) << text;
    EXPECT_NE(text.find("mtself on line 3 refers to itself too deeply"), std::string::npos) << text;
}

}  // namespace
