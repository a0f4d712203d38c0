// Tests of formatting values: a table of expected texts from Python's datetime and decimal
// modules, values that do not fit their width, missing values and the code-based services.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

#include "host/formats.h"
#include "host/missing.h"

namespace {

struct format_case {
    double value;
    const char* format;
    const char* expected;
};

const format_case kCases[] = {
#include "data/format_cases.inc"
};

std::string formatted(double value, const char* format) {
    char buf[64];
    int length = -1;
    const int rc = xpfmt(value, format, -1, buf, sizeof buf, &length);
    if (rc != 0) return "rc=" + std::to_string(rc);
    EXPECT_EQ(length, static_cast<int>(std::strlen(buf)));
    return buf;
}

int code_of(const char* name) {
    int code = 0;
    EXPECT_EQ(xfrname(nullptr, name, -1, 70, nullptr, &code), 0);
    return code;
}

TEST(ValueFormat, MatchesIndependentReferenceTexts) {
    for (const format_case& c : kCases) {
        SCOPED_TRACE(std::string(c.format) + " of " + std::to_string(c.value));
        EXPECT_EQ(formatted(c.value, c.format), c.expected);
    }
}

// Values that do not fit take the shorter form of their format, else asterisks.
TEST(ValueFormat, ValuesThatDoNotFit) {
    const format_case cases[] = {
        {1234.5678, "6.2", "1234.6"},             // fewer decimals first
        {123456.0, "5.", "1.2E5"},                // then E notation
        {123456.0, "2.", "**"},                   // then asterisks
        {-1234567.891, "COMMA12.2", " -1234567.89"},   // commas dropped
        {12.34, "PERCENT4.0", "****"},
        {0.1234, "PERCENT5.2", "12.3%"},
        {1e20, "BEST12.", "        1E20"},
        {123456789012345.0, "BEST12.", "1.2345679E14"},
        {1.234e-10, "BEST12.", "   1.234E-10"},
        {0.3333333333333333, "BEST12.", "0.3333333333"},
        {0.5, "BEST2.", ".5"},
        {99999.5, "BEST5.", "  1E5"},
        {1234567.0, "D10.3", "   1234567"},
        {0.0012345, "D10.3", "   0.00123"},
        {12.345, "D10.3", "      12.3"},
        {360000.0, "TIME2.", "**"},
        {360000.0, "TIME8.", "  100:00"},
        {49500.0, "TIME2.", "13"},
        {6589335.0, "DATE9.", "  26DEC00"},         // year 20000: two-digit form
        {6589335.0, "DATE10.", "26DEC20000"},
        {6589335.0, "YEAR4.", "  00"},
        {6589335.0, "YEAR5.", "20000"},
        {6589335.0, "YYMMDD11.", "20000-12-26"},
        {6589336.0, "DATE9.", "*********"},         // outside the valid range
        {-138062.0, "YYMMDD10.", "**********"},
        {6589336.0 * 86400, "DATETIME20.", "********************"},
        {1e300, "DATE9.", "*********"},
        {INFINITY, "BEST8.", "********"},
        {-INFINITY, "COMMA6.2", "******"},
        {INFINITY, "DATETIME16.", "****************"},
        {-INFINITY, "TIME8.", "********"},
        {24450.0, "WEEKDATX8.", "Thursday"},
        {24450.0, "WEEKDATX5.", "  Thu"},
        {24450.0, "YYMMDD5.", "26-12"},
        {24450.0, "MMDDYY4.", "1210"},
        {2112529500.0, "DATETIME10.", "10DEC26:13"},
        {2112529500.0, "E8601DT16.", "2026-12-10T13:45"},
    };
    for (const format_case& c : cases) {
        SCOPED_TRACE(std::string(c.format) + " of " + std::to_string(c.value));
        EXPECT_EQ(formatted(c.value, c.format), c.expected);
    }
}

TEST(ValueFormat, RoundingCarriesIntoLargerUnits) {
    EXPECT_EQ(formatted(86399.999, "TOD11.2"), "00:00:00.00");   // wraps to the next day
    EXPECT_EQ(formatted(2112529500.0 - 0.001, "DATETIME22.2"), " 10DEC2026:13:45:00.00");
    EXPECT_EQ(formatted(59.996, "TIME11.2"), " 0:01:00.00");
    EXPECT_EQ(formatted(89.0, "HHMM5."), " 0:01");
    EXPECT_EQ(formatted(90.0, "HHMM5."), " 0:02");
    EXPECT_EQ(formatted(9.995, "5.2"), " 9.99");   // the double nearest 9.995 lies below it
}

TEST(ValueFormat, MissingValuesInEveryNumericFormat) {
    const char* formats[] = {"8.2", "BEST6.", "COMMA9.2", "PERCENT7.1", "DATE9.", "DATETIME20.",
                             "TIME8.", "YYMMDD10.", "D8."};
    for (const char* f : formats) {
        SCOPED_TRACE(f);
        const std::string plain = formatted(qor::missing(), f);
        const size_t w = plain.size();
        EXPECT_EQ(plain, std::string(w - 1, ' ') + ".");
        EXPECT_EQ(formatted(qor::make_missing(95), f), std::string(w - 1, ' ') + "_");
        EXPECT_EQ(formatted(qor::make_missing('A'), f), std::string(w - 1, ' ') + "A");
        EXPECT_EQ(formatted(qor::make_missing('Z'), f), std::string(w - 1, ' ') + "Z");
    }
}

TEST(ValueFormat, ServicesByCode) {
    char buf[32];
    std::memset(buf, '#', sizeof buf);
    ASSERT_EQ(xpfs(1234.5, 12, code_of("COMMA"), buf), 0);   // default decimals: 0
    EXPECT_EQ(std::string(buf, 12), "       1,235");
    EXPECT_EQ(buf[12], '#');                                  // exactly the width written
    ASSERT_EQ(xpfs(0.1, 16, 99, buf), 0);                     // no format: BEST
    EXPECT_EQ(std::string(buf, 16), std::string(13, ' ') + "0.1");
    ASSERT_EQ(xpfs(24450, 9, code_of("DATE"), buf), 0);
    EXPECT_EQ(std::string(buf, 9), "10DEC2026");
    ASSERT_EQ(xpfs(-2.5, 4, code_of("$"), buf), 0);           // a number through $: BEST
    EXPECT_EQ(std::string(buf, 4), "-2.5");
    EXPECT_EQ(xpfs(1.0, 0, 1, buf), QOR_FORMAT_BAD_WIDTH);
    EXPECT_EQ(xpfs(1.0, 8, 1, nullptr), QOR_FORMAT_NULL_ARGUMENT);

    std::memset(buf, '#', sizeof buf);
    ASSERT_EQ(xfxpn(-1234.567, code_of("COMMA"), 10, 2, buf, 20), 0);
    EXPECT_EQ(std::string(buf, 20), std::string(10, ' ') + " -1,234.57");
    EXPECT_EQ(buf[20], '#');
    ASSERT_EQ(xfxpn(1234.567, code_of("F"), 10, 2, buf, 5), 0);   // field narrower than width
    EXPECT_EQ(std::string(buf, 5), " 1235");
    EXPECT_EQ(xfxpn(1.0, code_of("F"), 10, 32, buf, 20), QOR_FORMAT_BAD_WIDTH);
}

TEST(ValueFormat, WrittenFormatErrors) {
    char buf[8];
    int length = -1;
    EXPECT_EQ(xpfmt(1.0, "NOSUCH8.", -1, buf, sizeof buf, &length), QOR_FORMAT_UNKNOWN);
    EXPECT_EQ(xpfmt(1.0, "8..2", -1, buf, sizeof buf, &length), QOR_FORMAT_BAD_TEXT);
    EXPECT_EQ(xpfmt(1.0, "DATE12.", -1, buf, sizeof buf, &length), QOR_FORMAT_BAD_WIDTH);
    EXPECT_EQ(xpfmt(1.0, "8.32", -1, buf, sizeof buf, &length), QOR_FORMAT_BAD_WIDTH);
    EXPECT_EQ(xpfmt(1.0, "BEST8.", -1, buf, sizeof buf, &length), QOR_FORMAT_BUFFER_SMALL);
    EXPECT_EQ(xpfmt(1.0, nullptr, -1, buf, sizeof buf, &length), QOR_FORMAT_NULL_ARGUMENT);
    ASSERT_EQ(xpfmt(24450, "date.", -1, buf, sizeof buf, &length), 0);   // default width 7
    EXPECT_STREQ(buf, "10DEC26");
    EXPECT_EQ(length, 7);
}

TEST(ValueFormat, CharacterFormat) {
    char buf[8];
    ASSERT_EQ(xpfc("abc", -1, 6, buf), 0);
    EXPECT_EQ(std::string(buf, 6), "abc   ");
    ASSERT_EQ(xpfc("abcdefgh", 8, 4, buf), 0);
    EXPECT_EQ(std::string(buf, 4), "abcd");
    ASSERT_EQ(xpfc(nullptr, 0, 3, buf), 0);
    EXPECT_EQ(std::string(buf, 3), "   ");
    EXPECT_EQ(xpfc(nullptr, 2, 3, buf), QOR_FORMAT_NULL_ARGUMENT);
    EXPECT_EQ(xpfc("a", 1, 0, buf), QOR_FORMAT_BAD_WIDTH);
}

}  // namespace
