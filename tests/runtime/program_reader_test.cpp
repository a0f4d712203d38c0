// The program reader: statements, comments, quotes, positions and unclosed constructs.
#include <gtest/gtest.h>

#include "runtime/submit/program_reader.h"

#include <string>
#include <vector>

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

// The statements a program yields, each trimmed and with runs of blanks shown as one blank, so
// that a case shows at a glance which text survived the comments.
static std::vector<std::string> statement_texts(const std::string& source) {
    std::vector<std::string> out;
    for (const auto& st : read_program(source).statements) {
        std::string t;
        for (char c : st.text) {
            bool blank = c == ' ' || c == '\n' || c == '\t';
            if (blank && (t.empty() || t.back() == ' ')) continue;
            t += blank ? ' ' : c;
        }
        if (!t.empty() && t.back() == ' ') t.pop_back();
        out.push_back(t);
    }
    return out;
}

TEST(ProgramReader, CommentsAndQuotesInOnePass) {
    struct Case { const char* text; std::vector<std::string> statements; };
    const Case cases[] = {
        // An apostrophe in a comment statement opens no quote: the block comment after it is blanked.
        {"* Don't run the reload below;\n/* reload;\nproc import out=a replace;\nrun;\n*/\nproc print;",
         {"proc print"}},
        {"* an \"odd quote;\nproc a;", {"proc a"}},
        // A block comment inside a comment statement hides its ';'.
        {"* a /* ; */ still comment; proc b;", {"proc b"}},
        {"/* a */ * star after a block comment; proc c;", {"proc c"}},
        {"*/ a; b;", {"b"}},
        // Quoted text hides comment marks and ';'; a doubled quote stands for itself.
        {"x = 'a /* b */ c';", {"x = 'a /* b */ c'"}},
        {"x = \"it's /* no */;\";", {"x = \"it's /* no */;\""}},
        {"x = 'it''s;'; y;", {"x = 'it''s;'", "y"}},
        // An apostrophe in a block comment opens no quote.
        {"a /* it's */ b; c;", {"a b", "c"}},
        {"/*/ still a comment */ a;", {"a"}},
        {"/**/a;/***/b;", {"a", "b"}},
        // A '*' is a comment only at the start of a statement.
        {"a*b; *c; d;", {"a*b", "d"}},
        {"x; ; y;", {"x", "", "y"}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(statement_texts(c.text), c.statements) << c.text;
        EXPECT_TRUE(read_program(c.text).errors.empty()) << c.text;
    }
}

TEST(ProgramReader, ProblemsAreReportedNotFatal) {
    struct Case { const char* text; const char* error_part; };
    const Case cases[] = {
        {"proc a; /* never closed", "comment that starts on line 1"},
        {"proc a;\n x = 'open;\n run;", "quoted text that starts on line 2"},
        {"* it's fine;\n/* but this\n is not closed", "comment that starts on line 2"},
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
