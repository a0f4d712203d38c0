// Tests of numbered messages: texts from the shipped tables with their arguments, the message-id
// test mode, a missing entry, malformed table files and the buffer form.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>

#include "host/print.h"
#include "runtime/core/print_internal.h"

namespace {

std::string read_file(const std::string& path) {
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

class Messages : public ::testing::Test {
protected:
    void SetUp() override {
        base = ::testing::TempDir() + "/qor_msg_" + std::to_string(::getpid()) + "_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name();
        ASSERT_EQ(qor_print_set_log_file((base + ".log").c_str()), 0);
        ASSERT_EQ(qor_print_set_print_file((base + ".lst").c_str()), 0);
    }
    void TearDown() override {
        qor_print_set_msgids(false);
        qor_print_set_log_file(nullptr);
        qor_print_set_print_file(nullptr);
        std::remove((base + ".log").c_str());
        std::remove((base + ".lst").c_str());
        unsetenv("QOR_MESSAGES");
        qor_message_tables_reset();
    }
    std::string log() { xpoflsh(0); return read_file(base + ".log"); }
    std::string listing() { xpoflsh(0); return read_file(base + ".lst"); }
    std::string base;
};

TEST_F(Messages, ShippedTextsTakeTheirArguments) {
    xpmlog(598, 2797, 4400L, "symbol structure");
    xpmlog(166, 33, 2, "X1", 2, "Y3");
    xpmlog(598, 502, -1, "Statement parsing", 0.25);
    xpmout(598, 1456, 3, "a-b", 6, "member");
    EXPECT_EQ(log(),
              "ERROR: Out of memory: 4400 bytes could not be allocated for the symbol structure.\n"
              "ERROR: The name range X1 - Y3 is not valid: the names differ before their numbers.\n"
              "NOTE: Statement parsing took 0.25 seconds.\n");
    EXPECT_EQ(listing(),
              "ERROR: a-b is not a valid member name: use 1 to 32 letters, digits or underscores.\n");
}

TEST_F(Messages, MessageIdModePrefixesTableAndNumber) {
    qor_print_set_msgids(true);
    xpmlog(423, 301, 2, 5);
    xpmlog(598, 9999);
    char buffer[64];
    EXPECT_EQ(xpmstr(buffer, sizeof buffer, 670, 1013), 46);
    EXPECT_STREQ(buffer, "670/1013 ERROR: The environment name is empty.");
    EXPECT_EQ(log(),
              "423/301 NOTE: The covariance matrix repair took 2 minutes and 5 seconds.\n"
              "598/9999 Message 598/9999 is not in the message tables.\n");
}

TEST_F(Messages, MissingEntriesAndTablesSayWhichMessage) {
    xpmlog(598, 9999, 1, "never read");
    xpmlog(4242, 1);
    xpmlog(-3, 1);
    EXPECT_EQ(log(),
              "Message 598/9999 is not in the message tables.\n"
              "Message 4242/1 is not in the message tables.\n"
              "Message -3/1 is not in the message tables.\n");
}

TEST_F(Messages, ContinuedMessageJoinsTheLineStream) {
    xps("%+2t");
    xpm(598, 96, 5, "RATES");
    xpsout(" (%i)", 3);
    EXPECT_EQ(listing(), "      RATES (3)\n");
}

TEST_F(Messages, BufferFormIsCutToItsSize) {
    char buffer[12];
    EXPECT_EQ(xpmstr(buffer, sizeof buffer, 598, 1455, 4, "MYLB"), 11);
    EXPECT_STREQ(buffer, "ERROR: Libr");
    EXPECT_EQ(xpmstr(buffer, 0, 598, 1455, 4, "MYLB"), 0);
}

TEST_F(Messages, TablesComeFromTheConfiguredDirectoryAndBadLinesAreSkipped) {
    std::string dir = base + "_tables";
    ASSERT_EQ(system(("mkdir -p '" + dir + "'").c_str()), 0);
    {
        std::ofstream t(dir + "/598.msg");
        t << "# comment\n\n"
          << "not a number\tignored\n"
          << "12 no tab here\n"
          << "7\tSeven %*s.\r\n"          // a file saved with CR LF still reads
          << "8\t%3zEight %i%n  second line\n"
          << "99999999\ttoo large\n";
    }
    setenv("QOR_MESSAGES", dir.c_str(), 1);
    qor_message_tables_reset();
    EXPECT_EQ(qor_message_directory(), dir);
    xpmlog(598, 7, 3, "abc");
    xpmlog(598, 8, 42);
    xpmlog(598, 2797, 1L, "x");   // not in this directory's table
    EXPECT_EQ(log(),
              "Seven abc.\n"
              "NOTE: Eight 42\n  second line\n"
              "Message 598/2797 is not in the message tables.\n");
    std::remove((dir + "/598.msg").c_str());
    std::remove(dir.c_str());
}

TEST(MessageTables, EveryShippedTextFormatsWithoutUnknownDirectives) {
    const int tables[] = {598, 670, 672, 673, 166, 421, 423, 129, 150, 167, 235};
    for (int table : tables) {
        std::ifstream in(std::string(QOR_SOURCE_DIR) + "/runtime/messages/" + std::to_string(table) + ".msg");
        ASSERT_TRUE(in.good()) << table;
        std::string line;
        int entries = 0;
        while (std::getline(in, line)) {
            if (line.empty() || line[0] == '#') continue;
            size_t tab = line.find('\t');
            ASSERT_NE(tab, std::string::npos) << line;
            int number = std::atoi(line.c_str());
            ASSERT_NE(qor_message_text(table, number), nullptr) << table << "/" << number;
            // Every directive must be one the formatter knows: an unknown one would show as written.
            std::string text = line.substr(tab + 1);
            for (size_t p = text.find('%'); p != std::string::npos; p = text.find('%', p + 1)) {
                // The directive grammar of docs/runtime-printing.md: flags, width, precision, the
                // l/ll size and one conversion letter.
                static const std::regex directive(R"(^%(%|[-+]?(\d+|\*)?(\.(\d+|\*))?(l|ll)?[idxXocgfepsbuvqtnmwz]))");
                std::smatch m;
                const std::string rest = text.substr(p);
                const bool known = std::regex_search(rest, m, directive) &&
                                   (m.str().back() != 'z' || m.str() == "%1z" || m.str() == "%2z" || m.str() == "%3z");
                EXPECT_TRUE(known) << table << "/" << number << ": " << text;
                if (rest.rfind("%%", 0) == 0) ++p;
            }
            ++entries;
        }
        EXPECT_GT(entries, 0) << table;
    }
}

}  // namespace
