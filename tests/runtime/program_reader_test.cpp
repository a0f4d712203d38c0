// The program reader: statements, comments, quotes, positions and unclosed constructs.
#include <gtest/gtest.h>

#include "runtime/submit/program_reader.h"

using qor::runtime::first_word;
using qor::runtime::read_program;

TEST(ProgramReader, SplitsStatementsWithPositions) {
    auto p = read_program("options generic;\n  proc zozu data=a;\n declare x; run;");
    ASSERT_EQ(p.statements.size(), 4u);
    EXPECT_EQ(p.statements[0].text, "options generic");
    EXPECT_EQ(p.statements[1].text, "proc zozu data=a");
    EXPECT_EQ(p.statements[1].line, 2);
    EXPECT_EQ(p.statements[1].column, 3);
    EXPECT_EQ(p.statements[3].text, "run");
    EXPECT_EQ(p.statements[3].line, 3);
    EXPECT_TRUE(p.errors.empty());
}

TEST(ProgramReader, CommentsAreBlankedAndQuotesKept) {
    auto p = read_program("/* one; two */ proc a; x = 'a;b' \"it\"\"s;\" /* c; */;\n* star comment;\nrun;");
    ASSERT_EQ(p.statements.size(), 3u);
    EXPECT_EQ(first_word(p.statements[0].text), "PROC");
    EXPECT_EQ(p.statements[1].text, "x = 'a;b' \"it\"\"s;\"         ");
    EXPECT_EQ(first_word(p.statements[2].text), "RUN");
    EXPECT_EQ(p.statements[2].line, 3);
    // The cleaned text keeps every position: the comments became blanks.
    EXPECT_EQ(p.cleaned.size(), std::string("/* one; two */ proc a; x = 'a;b' \"it\"\"s;\" /* c; */;\n* star comment;\nrun;").size());
    EXPECT_EQ(p.cleaned.find("star"), std::string::npos);
}

TEST(ProgramReader, ProblemsAreReportedNotFatal) {
    struct Case { const char* text; const char* error_part; };
    const Case cases[] = {
        {"proc a; /* never closed", "comment that starts on line 1"},
        {"proc a;\n x = 'open;\n run;", "quoted text that starts on line 2"},
    };
    for (const Case& c : cases) {
        auto p = read_program(c.text);
        ASSERT_EQ(p.errors.size(), 1u) << c.text;
        EXPECT_NE(p.errors[0].find(c.error_part), std::string::npos) << p.errors[0];
    }
    auto p = read_program("proc a");   // no ';' at the end
    ASSERT_EQ(p.statements.size(), 1u);
    EXPECT_FALSE(p.statements[0].terminated);
}

TEST(ProgramReader, FirstWordStopsAtPunctuation) {
    EXPECT_EQ(first_word("  options=1"), "OPTIONS");
    EXPECT_EQ(first_word("run"), "RUN");
    EXPECT_EQ(first_word(""), "");
    EXPECT_EQ(first_word("Data'x'"), "DATA");
}
