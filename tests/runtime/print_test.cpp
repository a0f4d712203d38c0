// Tests of the print-directive formatter and of the print destinations: each directive, tab
// stops, fields, cutting at the buffer size, unknown directives, continued lines and wrapping.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <thread>
#include <vector>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

#include "host/missing.h"
#include "host/print.h"
#include "runtime/core/print_internal.h"

namespace {

std::string fmt(const char* format, ...) {
    char buffer[512];
    va_list args;
    va_start(args, format);
    qor_vformat(buffer, sizeof buffer, format, args);
    va_end(args);
    return buffer;
}

std::string read_file(const std::string& path) {
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST(Format, DirectivesOneByOne) {
    char field8[8] = {'A', 'B', 'C', ' ', ' ', ' ', ' ', ' '};
    char name_text[] = "RATEX_LONGER";
    qor_namerec name{32, 5, name_text};
    struct { std::string got, want; } cases[] = {
        {fmt("[%*s]", 3, "abcdef"), "[abc]"},
        {fmt("[%*s]", 0, "abc"), "[]"},
        {fmt("[%*s]", -1, "nul-ended"), "[nul-ended]"},
        {fmt("[%*s]", 5, "ab"), "[ab]"},                 // a NUL inside the length ends the text
        {fmt("[%*.6s]", 3, "abcdef"), "[abc   ]"},      // column of exactly 6
        {fmt("[%*.2s]", 4, "abcdef"), "[ab]"},
        {fmt("[%s|%5s|%-4s|%.2s]", "x", "ab", "c", "long"), "[x|   ab|c   |lo]"},
        {fmt("[%Ws]", "wide"), "[wide]"},
        {fmt("%i %d %2i %-6i| %*i", 42, -7, 3, 5, 4, 9), "42 -7  3 5     |    9"},
        {fmt("%li %5li", 1234567890123L, 42L), "1234567890123    42"},
        {fmt("%q %1q", 9007199254740993LL, -2LL), "9007199254740993 -2"},
        {fmt("%x %c", 255, 'Z'), "ff Z"},
        {fmt("%g %8.3f %*.*f", 0.5, 3.14159, 7, 2, 2.5), "0.5    3.142    2.50"},
        {fmt("%.99f|%10.98f|%.73f", 0.1, 2.5, 1e-7), "0.1|       2.5|1e-07"},
        {fmt("%g %5g %g %f", qor::missing(), qor::make_missing('A'), qor::make_missing(95), qor::make_missing(0)), ".    .A ._ ."},
        {fmt("%u|", &name), "RATEX|"},
        {fmt("%-8u|", &name), "RATEX   |"},
        {fmt("%8b|", field8), "ABC|"},
        {fmt("%8b|", "ENV"), "ENV|"},                   // a short C string: stop at its NUL
        {fmt("%8b|", "RUNPROJECT"), "RUNPROJE|"},       // a field never reads past its width
        {fmt("%*b|", 5, "WORK  xx"), "WORK|"},
        {fmt("%8v.%v %*v", "WORK    ", &name, 6, "my v'r"), "WORK.RATEX 'my v''r'n"},
        {fmt("100%% %n%1zx %2zy %3zz %zw"), "100% \nERROR: x WARNING: y NOTE: z ERROR: w"},
        {fmt("0x%p", reinterpret_cast<void*>(0xABCDEF)), "0x0000000000ABCDEF"},
    };
    for (const auto& c : cases) EXPECT_EQ(c.got, c.want);
}

TEST(Format, TabStopsMarginsAndBreaks) {
    EXPECT_EQ(fmt("%5li%5li (%1q)%21t_RESET", 1L, 22L, 3LL), "    1   22 (3)      _RESET");
    EXPECT_EQ(fmt("ab%+12tX"), "ab            X");
    EXPECT_EQ(fmt("%+*t%3i. %m", 10, 7), "            7. ");
    EXPECT_EQ(fmt("%tOwner"), "        Owner");
    EXPECT_EQ(fmt("abcdefghij%5tX"), "abcdefghij X");   // already past: one blank keeps them apart
    EXPECT_EQ(fmt("a%nbc%4tX"), "a\nbc X");              // columns count from the last new line
    EXPECT_EQ(fmt("a%wb%mc"), "abc");                    // layout marks print nothing
}

TEST(Format, UnknownDirectivesPrintVisiblyAndReadNoArgument) {
    EXPECT_EQ(fmt("%y %i", 5), "%y 5");
    EXPECT_EQ(fmt("%REGISTER_FX %*s", 2, "ab"), "%REGISTER_FX ab");
    EXPECT_EQ(fmt("%7z %4b", "never read"), "%7z neve");  // %7z reads nothing, %4b its field
    EXPECT_EQ(fmt("%*k %i", 3), "%*k 3");
    EXPECT_EQ(fmt("tail %"), "tail %");
    EXPECT_EQ(fmt("%.*t|%i", 4), "%.*t|4");
}

TEST(Format, BufferIsCutAndNulTerminated) {
    char buffer[8];
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(xpsstr(buffer, 6, "%s-%i", "abcdef", 12), 5);
    EXPECT_STREQ(buffer, "abcde");
    EXPECT_EQ(buffer[6], 'x');
    EXPECT_EQ(xpsstr(buffer, 0, "%s", "abc"), 0);   // no room: nothing written
    EXPECT_EQ(buffer[0], 'a');
    EXPECT_EQ(xpsstr(buffer, 8, "%s", "ab"), 2);
}

// Redirects both destinations to temporary files for one test and restores them after.
class Destinations : public ::testing::Test {
protected:
    void SetUp() override {
        std::string base = ::testing::TempDir() + "/qor_print_" + std::to_string(::getpid()) + "_" +
                           ::testing::UnitTest::GetInstance()->current_test_info()->name();
        log_path = base + ".log";
        print_path = base + ".lst";
        ASSERT_EQ(qor_print_set_log_file(log_path.c_str()), 0);
        ASSERT_EQ(qor_print_set_print_file(print_path.c_str()), 0);
        xpselec(0, 0);
    }
    void TearDown() override {
        xpselec(0, 0);
        xplogl(132);
        xpprnl(132);
        qor_print_set_log_file(nullptr);
        qor_print_set_print_file(nullptr);
        std::remove(log_path.c_str());
        std::remove(print_path.c_str());
    }
    std::string log() { xpoflsh(0); return read_file(log_path); }
    std::string listing() { xpoflsh(0); return read_file(print_path); }
    std::string log_path, print_path;
};

TEST_F(Destinations, ContinuedLinesJoinUntilTheLineEnds) {
    xps("%3i. ", 1);
    xps("%*s", 4, "name");
    xpsout("=%g", 2.5);
    xps("a%nb");            // a new line inside a continued text ends the first line at once
    xpoflsh(0);             // the flush ends the pending rest
    xpslog("to the log %i", 7);
    xps("ab");
    xpsout("%5tX%+2tY");   // tab stops of a piece count from the start of the whole line
    EXPECT_EQ(listing(), "  1. name=2.5\na\nb\nab  X  Y\n");
    EXPECT_EQ(log(), "to the log 7\n");
}

TEST_F(Destinations, SelectionRoutesTheLineStream) {
    EXPECT_EQ(xpselec(0, -2), QOR_DEST_PRINT);   // all but the lowest bit: the print file
    xpsout("one");
    EXPECT_EQ(xpselec(0, -1), QOR_DEST_PRINT);   // both
    xpsout("two");
    xps("half");
    EXPECT_EQ(xpselec(0, QOR_DEST_LOG), QOR_DEST_LOG | QOR_DEST_PRINT);   // ends "half" on both
    xpsout("three");
    xpskip(2);
    EXPECT_EQ(xpselec(0, 0), QOR_DEST_LOG);
    EXPECT_EQ(xpselec(7, 1), -1);
    EXPECT_EQ(listing(), "one\ntwo\nhalf\n");
    EXPECT_EQ(log(), "two\nhalf\nthree\n\n\n");
}

TEST_F(Destinations, LongLinesWrapAtTheMarginAndBreaks) {
    EXPECT_EQ(xpprnl(40), 132);
    EXPECT_EQ(xpprnl(0), 40);
    xpsout("Label: %mone two three four five six seven eight nine");
    xpsout("%*s%w%*s", 30, "AAAAAAAAAAAAAAAAAAAAAAAAAAAAAA", 30, "BBBBBBBBBBBBBBBBBBBBBBBBBBBBBB");
    xpsout("%*s", 45, "CCCCCCCCCCCCCCCCCCCCCCCCCCCCCCCCCCCCCCCCCCCCC");
    EXPECT_EQ(listing(),
              "Label: one two three four five six seven\n"
              "       eight nine\n"
              "AAAAAAAAAAAAAAAAAAAAAAAAAAAAAA\n"
              "BBBBBBBBBBBBBBBBBBBBBBBBBBBBBB\n"
              "CCCCCCCCCCCCCCCCCCCCCCCCCCCCCCCCCCCCCCCC\n"
              "CCCCC\n");
}

// Lines split into `\n`-ended pieces.
std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

TEST_F(Destinations, HugeLinesWrapCompletely) {
    // One word of 10,000,000 characters is cut hard at the log's 132: 75,757 full lines and 76
    // characters left.
    std::string word(10000000, 'x');
    for (size_t i = 0; i < word.size(); i += 997) word[i] = static_cast<char>('a' + i % 26);
    xpslog("%s", word.c_str());
    std::vector<std::string> lines = lines_of(log());
    ASSERT_EQ(lines.size(), 75758u);
    std::string joined;
    for (size_t i = 0; i < lines.size(); ++i) {
        ASSERT_EQ(lines[i].size(), i + 1 < lines.size() ? 132u : 76u) << i;
        joined += lines[i];
    }
    EXPECT_TRUE(joined == word);

    // 200,000 words of nine letters after a margin of 7: twelve words fill a line (7 + 119
    // columns; a thirteenth would reach column 136), so 16,666 full lines and 8 words left.
    std::string words;
    for (int i = 0; i < 200000; ++i) {
        if (i) words += ' ';
        words.append("abcdefgh").push_back(static_cast<char>('a' + i % 26));
    }
    qor_print_set_log_file(log_path.c_str());
    xpslog("Label: %m%s", words.c_str());
    lines = lines_of(log());
    ASSERT_EQ(lines.size(), 16667u);
    std::string rejoined;
    for (size_t i = 0; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        ASSERT_EQ(line.substr(0, 7), i == 0 ? "Label: " : "       ") << i;
        ASSERT_EQ(line.size(), i + 1 < lines.size() ? 126u : 86u) << i;
        if (i) rejoined += ' ';
        rejoined.append(line, 7);
    }
    EXPECT_TRUE(rejoined == words);
}

TEST_F(Destinations, ContinuedLineOfManyPiecesWraps) {
    // 100,000 words of nine letters given one by one: ten words fill a line of 100 (99 columns),
    // so 10,000 lines of 99 characters.
    xpprnl(100);
    std::string words;
    for (int i = 0; i < 100000; ++i) {
        std::string word = i ? " abcdefgh" : "abcdefgh";
        word.push_back(static_cast<char>('a' + i % 26));
        xps("%s", word.c_str());
        words += word;
    }
    xpsout("");
    std::vector<std::string> lines = lines_of(listing());
    ASSERT_EQ(lines.size(), 10000u);
    std::string rejoined;
    for (size_t i = 0; i < lines.size(); ++i) {
        ASSERT_EQ(lines[i].size(), 99u) << i;
        if (i) rejoined += ' ';
        rejoined += lines[i];
    }
    EXPECT_TRUE(rejoined == words);
}

TEST_F(Destinations, InternalErrorsAndReturnCodesGoToTheLog) {
    xebug("rskexec: %s: invalid iflag=%i at %li.", "process_prices", 3, 12L);
    xprrlog(0, static_cast<int>(0x80001015));
    xprrlog(2, 2049);
    xprrlog(0, static_cast<int>(0x80FF0001));
    xprrlog(0, 0);
    EXPECT_EQ(log(),
              "ERROR: Internal: rskexec: process_prices: invalid iflag=3 at 12.\n"
              "ERROR: The member type is not known.\n"
              "WARNING: End of data.\n"
              "ERROR: The host service failed with return code 0x80FF0001 (-2130771967).\n");
}

TEST_F(Destinations, OutputLineBufferHoldsTheLastPrintLine) {
    char line[8];
    xpopen(nullptr);
    xpoutl(line, sizeof line);
    xpsout("first line");
    EXPECT_STREQ(line, "first l");
    qor_print_end_step();          // the buffer belongs to the step: never written after it
    std::strcpy(line, "kept");
    xpsout("second");
    EXPECT_STREQ(line, "kept");
}

TEST_F(Destinations, ThreadsWriteWholeLines) {
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([t] { for (int i = 0; i < 200; ++i) xpslog("thread %i line %3i end", t, i); });
    for (auto& th : threads) th.join();
    std::istringstream lines(log());
    std::string line;
    int count = 0;
    while (std::getline(lines, line)) {
        ++count;
        EXPECT_EQ(line.size(), std::string("thread 0 line   0 end").size()) << line;
    }
    EXPECT_EQ(count, 800);
}

TEST(Xpis, RightAlignedDecimal) {
    char buffer[8] = "xxxxxxx";
    EXPECT_EQ(xpis(buffer, 6, 12), 6);
    EXPECT_EQ(std::string(buffer, 7), "    12x");
    EXPECT_EQ(xpis(buffer, 3, -1234), -1);
    EXPECT_EQ(std::string(buffer, 3), "***");
    EXPECT_EQ(xpis(buffer, 0, 1), -1);
    EXPECT_EQ(xpis(nullptr, 4, 1), -1);
}

}  // namespace
