// Date, time and date-time literals read the same way by every entry point: the methods lexer,
// the statement tokenizer, the statement splitter of global statements and procedures, and the
// informats, with two-digit years following YEARCUTOFF in all of them.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "host/formats.h"
#include "host/options.h"
#include "runtime/compiler/lexer.h"
#include "runtime/parser/parser_internal.h"
#include "runtime/submit/statement_tokens.h"

namespace {

// Days from 1 January 1960 to a civil date (proleptic Gregorian; Hinnant's days-from-civil).
double days_of(long y, long m, long d) {
    auto from_epoch = [](long yy, long mm, long dd) {
        yy -= mm <= 2;
        long era = (yy >= 0 ? yy : yy - 399) / 400;
        long yoe = yy - era * 400;
        long doy = (153 * (mm + (mm > 2 ? -3 : 9)) + 2) / 5 + dd - 1;
        long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
        return era * 146097 + doe;
    };
    return static_cast<double>(from_epoch(y, m, d) - from_epoch(1960, 1, 1));
}

const double kRefused = std::nan("");

struct cutoff_guard {
    long saved = 0;
    cutoff_guard() { xoptigt("YEARCUTOFF", &saved); }
    ~cutoff_guard() { xoptist("YEARCUTOFF", saved); }
};

// The value each entry point gives a literal; false when it refuses it.
bool methods_value(const std::string& literal, double* v) {
    std::vector<qor::cmp::Token> tokens;
    std::string error;
    int at = 0;
    if (!qor::cmp::tokenize(literal, tokens, error, at) || tokens.size() != 2) return false;
    if (tokens[0].kind != qor::cmp::Tok::Number) return false;
    *v = tokens[0].number;
    return true;
}

bool statement_value(const std::string& literal, double* v) {
    qor::parser::Tokenizer tokenizer(literal.c_str(), literal.size(), 1);
    qor::parser::Token t = tokenizer.next();
    if (t.type != qor::parser::kDate && t.type != qor::parser::kTime && t.type != qor::parser::kDateTime) return false;
    if (tokenizer.next().type != qor::parser::kEnd) return false;
    *v = t.number;
    return true;
}

bool split_value(const std::string& literal, double* v) {
    std::vector<qor::runtime::StatementToken> tokens;
    if (!qor::runtime::split_statement_tokens("option=" + literal, true, &tokens) || tokens.size() != 3) return false;
    if (tokens[2].literal == qor::runtime::StatementLiteral::None || tokens[2].quoted) return false;
    *v = tokens[2].number;
    return true;
}

TEST(DateLiterals, EveryEntryPointReadsTheSameValue) {
    cutoff_guard guard;
    struct Row {
        long cutoff;
        const char* literal;
        const char* informat;   // the text through an informat, or null
        double expected;        // kRefused: every entry point refuses the literal
    };
    const Row rows[] = {
        // the default window 1940-2039
        {1940, "'01JAN45'd", "DATE7.", days_of(1945, 1, 1)},
        {1940, "'31dec39'D", "DATE7.", days_of(2039, 12, 31)},
        {1940, "'01JAN40'd", "DATE7.", days_of(1940, 1, 1)},
        {1940, "'1jan2045'd", "DATE9.", days_of(2045, 1, 1)},   // four digits are what they say
        // moved windows
        {1950, "'01JAN45'd", "DATE7.", days_of(2045, 1, 1)},
        {1950, "'01JAN50'd", "DATE7.", days_of(1950, 1, 1)},
        {1900, "'29FEB00'd", "DATE7.", kRefused},   // 1900 is no leap year
        {2000, "'29FEB00'd", "DATE7.", days_of(2000, 2, 29)},
        {2000, "'01JAN99'd", "DATE7.", days_of(2099, 1, 1)},
        {1925, "' 15JUN24 'd", nullptr, days_of(2024, 6, 15)},   // blanks inside the quotes
        // date-times and times
        {1940, "'01JAN45:12:30'dt", "DATETIME14.", days_of(1945, 1, 1) * 86400 + 45000},
        {1950, "'01JAN45:00:00:01.5'DT", "DATETIME20.", days_of(2045, 1, 1) * 86400 + 1.5},
        {1940, "'09:30't", "TIME5.", 34200},
        {1940, "'23:59:59.25'T", "TIME11.", 86399.25},
    };
    for (const Row& r : rows) {
        ASSERT_EQ(xoptist("YEARCUTOFF", r.cutoff), 0);
        std::string lit = r.literal;
        bool valid = !std::isnan(r.expected);
        double v = 0;
        SCOPED_TRACE(lit + " with YEARCUTOFF=" + std::to_string(r.cutoff));
        const double expected = valid ? r.expected : 0;
        v = 0;
        ASSERT_EQ(methods_value(lit, &v), valid);
        EXPECT_EQ(v, expected) << "methods";
        v = 0;
        ASSERT_EQ(statement_value(lit, &v), valid);
        EXPECT_EQ(v, expected) << "statements";
        v = 0;
        ASSERT_EQ(split_value(lit, &v), valid);
        EXPECT_EQ(v, expected) << "global statements and procedures";
        if (r.informat) {
            std::string body = lit.substr(1, lit.rfind(lit[0]) - 1);
            int rc = xfin(body.c_str(), -1, r.informat, -1, &v);
            EXPECT_EQ(rc == 0, valid) << "informat";
            if (rc == 0) {
                EXPECT_EQ(v, expected) << "informat " << r.informat;
            }
        }
    }
}

TEST(DateLiterals, MalformedLiteralsAreRefusedEverywhere) {
    const char* bad[] = {"'32FEB2000'd", "'01XYZ45'd", "'01JAN045'd", "'1JAN'd", "'25:00't", "'12:60't",
                         "'10:30:60't", "'01JAN2000 10:00'dt", "'01JAN2000'dt", "'10:30'd", "'x'q"};
    for (const char* lit : bad) {
        double v = 0;
        EXPECT_FALSE(methods_value(lit, &v)) << lit;
        EXPECT_FALSE(statement_value(lit, &v)) << lit;
        std::vector<qor::runtime::StatementToken> tokens;
        bool split = qor::runtime::split_statement_tokens(lit, false, &tokens);
        // letters other than d, t, dt after a quote stay a word of their own there
        EXPECT_TRUE(!split || (tokens.size() == 2 && tokens[0].quoted)) << lit;
    }
}

TEST(DateLiterals, StatementSplitterKeepsTextsAndWords) {
    std::vector<qor::runtime::StatementToken> t;
    std::string error;
    ASSERT_TRUE(qor::runtime::split_statement_tokens("a='it''s' b=2.5e1 c=12x d 'x'", true, &t, &error));
    ASSERT_EQ(t.size(), 11u);
    EXPECT_TRUE(t[2].quoted);
    EXPECT_EQ(t[2].text, "it's");
    EXPECT_EQ(t[5].literal, qor::runtime::StatementLiteral::Number);
    EXPECT_EQ(t[5].number, 25);
    EXPECT_EQ(t[8].literal, qor::runtime::StatementLiteral::None);   // 12x is a word
    EXPECT_EQ(t[9].text, "d");
    EXPECT_FALSE(qor::runtime::split_statement_tokens("a='31JUN2020'd", true, &t, &error));
    EXPECT_NE(error.find("not valid"), std::string::npos);
    EXPECT_FALSE(qor::runtime::split_statement_tokens("a='open", true, &t, &error));
    EXPECT_NE(error.find("not closed"), std::string::npos);
}

}  // namespace
