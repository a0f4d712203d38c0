// Tests of reading texts through informats (numbers, dates, date-times, times, $), the
// YEARCUTOFF window, round trips from every date format, and guessing a column's type.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "host/dates.h"
#include "host/formats.h"
#include "host/missing.h"
#include "host/options.h"

namespace {

constexpr double kInvalid = -999999.25;   // marks a row whose text must be refused

struct read_case {
    const char* text;
    const char* informat;
    double expected;
};

void expect_read(const read_case& c) {
    SCOPED_TRACE(std::string(c.informat) + " of \"" + c.text + "\"");
    double v = 0;
    const int rc = xfin(c.text, -1, c.informat, -1, &v);
    if (c.expected == kInvalid) {
        EXPECT_EQ(rc, QOR_INFORMAT_INVALID);
        EXPECT_TRUE(qor::is_missing(v));
    } else {
        EXPECT_EQ(rc, 0);
        EXPECT_EQ(v, c.expected);
    }
}

// Day numbers and seconds below come from Python's datetime (days from 1960-01-01).
TEST(Informat, Numbers) {
    const read_case cases[] = {
        {"123.45", "BEST32.", 123.45},      {"  -7 ", "BEST.", -7},
        {"1e3", "BEST.", 1000},             {"+.5", "8.", 0.5},
        {"12345", "8.2", 123.45},           {"12345.", "8.2", 12345},   // a point overrides d
        {"1.5E2", "8.2", 150},              {"12a", "BEST.", kInvalid},
        {"1.2.3", "BEST.", kInvalid},       {"-", "BEST.", kInvalid},
        {"1e", "BEST.", kInvalid},          {"inf", "BEST.", kInvalid},
        {"nan", "BEST.", kInvalid},         {"0x10", "BEST.", kInvalid},
        {"1e999", "BEST.", kInvalid},       {"1,234", "BEST.", kInvalid},
        {"$1,234.50", "COMMA32.", 1234.5},  {"(1,234)", "COMMA.", -1234},
        {"-$5", "COMMA.", -5},              {"\xE2\x82\xAC" "12", "COMMA.", 12},
        {"\xC2\xA3" "3.5", "COMMA.", 3.5},  {"1 000", "NLNUM.", 1000},
        {"(-5)", "COMMA.", kInvalid},       {"(5", "COMMA.", kInvalid},
        {"$", "COMMA.", kInvalid},          {"12.5%", "PERCENT.", 0.125},
        {"(5%)", "PERCENT.", -0.05},        {"0.3%", "PERCENT.", 0.003},
        {"25", "PERCENT.", 25},             {"5%%", "PERCENT.", kInvalid},
    };
    for (const read_case& c : cases) expect_read(c);
}

TEST(Informat, DatesTimesAndDateTimes) {
    const read_case cases[] = {
        {"10DEC2026", "DATE11.", 24450},      {"10dec2026", "DATE.", 24450},
        {"10-DEC-2026", "DATE11.", 24450},    {"1/dec/2026", "DATE.", 24441},
        {"10DEC26", "DATE7.", 24450},         {"31FEB2026", "DATE.", kInvalid},
        {"10XYZ2026", "DATE.", kInvalid},     {"10DEC202", "DATE.", kInvalid},
        {"29FEB2100", "DATE.", kInvalid},     {"29FEB2000", "DATE.", 14669},
        {"31DEC1581", "DATE.", kInvalid},     {"10DEC2026", "DATE7.", 22259},   // reads "10DEC20"
        {"2026-12-10", "YYMMDD10.", 24450},   {"2026/12/10", "YYMMDD.", 24450},
        {"26-12-10", "YYMMDD.", 24450},       {"261210", "YYMMDD.", 24450},
        {"20261210", "YYMMDD.", 24450},       {"2026-12/10", "YYMMDD.", kInvalid},
        {"2026-13-10", "YYMMDD.", kInvalid},  {"2026121", "YYMMDD.", kInvalid},
        {"12/10/2026", "MMDDYY10.", 24450},   {"12102026", "MMDDYY.", 24450},
        {"12/10/26", "MMDDYY.", 24450},       {"10/12/2026", "DDMMYY10.", 24450},
        {"101226", "DDMMYY.", 24450},         {"13/10/2026", "MMDDYY.", kInvalid},
        {"DEC2026", "MONYY.", 24441},         {"dec26", "MONYY.", 24441},
        {"FEB-2026", "MONYY.", 24138},        {"DEC", "MONYY.", kInvalid},
        {"10DEC2026:13:45:00", "DATETIME.", 2112529500},
        {"10DEC2026 13:45", "DATETIME.", 2112529500},
        {"10DEC2026:13:45:00.5", "DATETIME.", 2112529500.5},
        {"10DEC2026", "DATETIME.", kInvalid}, {"10DEC2026:24:00", "DATETIME.", kInvalid},
        {"2026-12-10T13:45:00", "E8601DT.", 2112529500},
        {"2026-12-10 13:45", "E8601DT.", 2112529500},
        {"26-12-10T13:45", "E8601DT.", kInvalid},
        {"13:45", "TIME.", 49500},            {"13:45:30.25", "TIME.", 49530.25},
        {"1:30 PM", "TIME.", 48600},          {"12:00 am", "TIME.", 0},
        {"25:00:00", "TIME.", 90000},         {"-1:30", "TIME.", -5400},
        {"7", "TIME.", 25200},                {"12:60", "TIME.", kInvalid},
        {"13:00 PM", "TIME.", kInvalid},      {"1::00", "TIME.", kInvalid},
    };
    for (const read_case& c : cases) expect_read(c);
}

TEST(Informat, EmptyAndMissingTexts) {
    for (const char* text : {"", "   ", ".", " . "}) {
        double v = 0;
        EXPECT_EQ(xfin(text, -1, "DATE9.", -1, &v), 0) << text;
        EXPECT_TRUE(qor::is_missing(v));
        EXPECT_EQ(qor::missing_code(v), 0);
    }
    double v = 0;
    ASSERT_EQ(xfin("._", -1, "BEST.", -1, &v), 0);
    EXPECT_EQ(qor::missing_code(v), 95);
    ASSERT_EQ(xfin(".b", -1, "COMMA.", -1, &v), 0);
    EXPECT_EQ(qor::missing_code(v), 'B');
    EXPECT_EQ(xfin(".BB", -1, "BEST.", -1, &v), QOR_INFORMAT_INVALID);
}

TEST(Informat, ArgumentsAndCodes) {
    double v = 1;
    int date_code = 0, char_code = 0, time_code = 0;
    ASSERT_EQ(xfrname(nullptr, "DATE", -1, 70, nullptr, &date_code), 0);
    ASSERT_EQ(xfrname(nullptr, "$", -1, 70, nullptr, &char_code), 0);
    ASSERT_EQ(xfrname(nullptr, "WEEKDATX", -1, 70, nullptr, &time_code), 0);
    EXPECT_EQ(xffmt(date_code, 9, 0, "10DEC2026xyz", 9, &v), 0);   // length honoured
    EXPECT_EQ(v, 24450);
    EXPECT_EQ(xffmt(char_code, 8, 0, "1", 1, &v), QOR_FORMAT_UNKNOWN);
    EXPECT_EQ(xffmt(time_code, 8, 0, "1", 1, &v), QOR_FORMAT_UNKNOWN);   // format only
    EXPECT_EQ(xffmt(0, 8, 0, "1", 1, &v), QOR_FORMAT_UNKNOWN);
    EXPECT_EQ(xffmt(date_code, -1, 0, "1", 1, &v), QOR_FORMAT_BAD_WIDTH);
    EXPECT_EQ(xffmt(date_code, 9, 0, nullptr, 3, &v), QOR_FORMAT_NULL_ARGUMENT);
    EXPECT_EQ(xffmt(date_code, 9, 0, "1", 1, nullptr), QOR_FORMAT_NULL_ARGUMENT);
    EXPECT_EQ(xfin("1", -1, "NOSUCH.", -1, &v), QOR_FORMAT_UNKNOWN);
    EXPECT_EQ(xfin("1", -1, "8..", -1, &v), QOR_FORMAT_BAD_TEXT);
    EXPECT_TRUE(qor::is_missing(v));
}

TEST(Informat, CharacterInformat) {
    char buf[8];
    int n = -1;
    ASSERT_EQ(xfinc("  abc ", -1, 8, 0, buf, sizeof buf, &n), 0);
    EXPECT_STREQ(buf, "abc ");
    EXPECT_EQ(n, 4);
    ASSERT_EQ(xfinc("  abc", -1, 8, 1, buf, sizeof buf, &n), 0);   // $CHAR keeps blanks
    EXPECT_STREQ(buf, "  abc");
    ASSERT_EQ(xfinc(" . ", -1, 8, 0, buf, sizeof buf, &n), 0);
    EXPECT_EQ(n, 0);
    ASSERT_EQ(xfinc("abcdefgh", -1, 3, 0, buf, sizeof buf, &n), 0);
    EXPECT_STREQ(buf, "abc");
    EXPECT_EQ(xfinc("abcdefgh", -1, 8, 0, buf, 8, &n), QOR_FORMAT_BUFFER_SMALL);
    EXPECT_EQ(xfinc("a", -1, 0, 0, buf, 8, &n), QOR_FORMAT_BAD_WIDTH);
    EXPECT_EQ(xfinc(nullptr, 2, 8, 0, buf, 8, &n), QOR_FORMAT_NULL_ARGUMENT);
}

// Restores YEARCUTOFF after a test that changes it.
struct cutoff_guard {
    long saved = 0;
    cutoff_guard() { xoptigt("YEARCUTOFF", &saved); }
    ~cutoff_guard() { xoptist("YEARCUTOFF", saved); }
};

TEST(Informat, TwoDigitYearsFollowTheCutoffWindow) {
    cutoff_guard guard;
    struct row { long cutoff; const char* text; double expected; };
    const row rows[] = {
        {1950, "01JAN49", 32508},    {1950, "01JAN50", -3652},   // 2049, 1950
        {1940, "01JAN40", -7305},    {1940, "31DEC39", 29219},   // 1940, 2039
    };
    for (const row& r : rows) {
        ASSERT_EQ(xoptist("YEARCUTOFF", r.cutoff), 0);
        double v = 0;
        ASSERT_EQ(xfin(r.text, -1, "DATE7.", -1, &v), 0);
        EXPECT_EQ(v, r.expected) << r.cutoff << " " << r.text;
    }
}

std::string format_of(double value, const std::string& format) {
    char buf[64];
    int n = 0;
    EXPECT_EQ(xpfmt(value, format.c_str(), -1, buf, sizeof buf, &n), 0) << format;
    return buf;
}

double read_back(const std::string& text, const std::string& informat) {
    double v = 0;
    EXPECT_EQ(xfin(text.c_str(), -1, informat.c_str(), -1, &v), 0) << informat << " " << text;
    return v;
}

// Dates from 1582 to 20000 (Python datetime: 15 October 1582 is -137774, 29 February 2000 is
// 14669, 28 February and 1 March 2100 are 51193 and 51194).
std::vector<double> sample_dates() {
    std::vector<double> days = {-138061, -137774, -1, 0, 14669, 14670, 51193, 51194, 6589335};
    for (double d = -138061; d <= 6589335; d += 9973) days.push_back(d);
    return days;
}

TEST(Informat, EveryDateFormRoundTrips) {
    struct form { const char* format; const char* informat; bool first_of_month; };
    const form forms[] = {
        {"DATE11.", "DATE.", false},    {"DATE10.", "DATE.", false},
        {"YYMMDD11.", "YYMMDD.", false}, {"MMDDYY11.", "MMDDYY.", false},
        {"DDMMYY11.", "DDMMYY.", false}, {"MONYY8.", "MONYY.", true},
    };
    for (double day : sample_dates()) {
        int m = 0, d = 0, y = 0;
        ASSERT_EQ(zidmdyd(&m, &d, &y, day), 0);
        const double month_start = ziddmdy(m, 1, y);
        for (const form& f : forms) {
            const double want = f.first_of_month ? month_start : day;
            EXPECT_EQ(read_back(format_of(day, f.format), f.informat), want) << f.format;
        }
        const double stamp = day * 86400 + 49530.5;
        EXPECT_EQ(read_back(format_of(stamp, "DATETIME23.1"), "DATETIME."), stamp);
        EXPECT_EQ(read_back(format_of(stamp, "E8601DT23.1"), "E8601DT."), stamp);
        EXPECT_EQ(read_back(format_of(stamp, "DTDATE10."), "DATE."), day);
        EXPECT_EQ(read_back(format_of(stamp, "DTYYMMDD11."), "YYMMDD."), day);
        EXPECT_EQ(read_back(format_of(stamp, "DTMMDDYY11."), "MMDDYY."), day);
        EXPECT_EQ(read_back(format_of(stamp, "DTDDMMYY11."), "DDMMYY."), day);
        EXPECT_EQ(read_back(format_of(stamp, "DTMONYY8."), "MONYY."), month_start);
    }
}

TEST(Informat, TwoDigitYearFormsRoundTripInsideTheWindow) {
    cutoff_guard guard;
    ASSERT_EQ(xoptist("YEARCUTOFF", 1950), 0);
    const char* pairs[][2] = {{"DATE7.", "DATE."},     {"YYMMDD8.", "YYMMDD."},
                              {"MMDDYY6.", "MMDDYY."}, {"DDMMYY8.", "DDMMYY."},
                              {"YYMMDD6.", "YYMMDD."}};
    for (double day = ziddmdy(1, 1, 1950); day <= ziddmdy(12, 31, 2049); day += 97) {
        for (const auto& p : pairs) EXPECT_EQ(read_back(format_of(day, p[0]), p[1]), day) << p[0];
    }
}

TEST(Informat, TimesRoundTrip) {
    for (double s : {0.0, 59.0, 3599.0, 49530.0, 86399.0, 90000.0, -5400.0}) {
        EXPECT_EQ(read_back(format_of(s, "TIME10."), "TIME."), s);
        EXPECT_EQ(read_back(format_of(s, "TIME13.2"), "TIME."), s);
    }
}

qor_guess guessed(const std::vector<const char*>& texts) {
    std::vector<int> lengths(texts.size(), -1);
    qor_guess g{};
    EXPECT_EQ(xfguess(texts.data(), lengths.data(), static_cast<int>(texts.size()), &g), 0);
    return g;
}

TEST(Informat, GuessesAColumnsType) {
    struct row { std::vector<const char*> texts; int klass; const char* informat; };
    const row rows[] = {
        {{"1", " 2.5", "", "-3e2", "."}, QOR_FORMAT_NUMERIC, "BEST32."},
        {{"1,234.50", "$7"}, QOR_FORMAT_NUMERIC, "COMMA32."},
        {{"2026-12-10", "2000-02-29"}, QOR_FORMAT_DATE, "YYMMDD11."},
        {{"10DEC2026", "1-jan-1999"}, QOR_FORMAT_DATE, "DATE11."},
        {{"12/10/2026", "01/31/2026"}, QOR_FORMAT_DATE, "MMDDYY10."},
        {{"12/10/2026", "31/01/2026"}, QOR_FORMAT_DATE, "DDMMYY10."},
        {{"2026-12-10T13:45:00", "2026-12-10 08:00"}, QOR_FORMAT_DATETIME, "E8601DT26."},
        {{"10DEC2026:13:45:00"}, QOR_FORMAT_DATETIME, "DATETIME40."},
        {{"2026-12-10", "10DEC2026"}, QOR_FORMAT_CHARACTER, "$10."},
        {{"2026-02-30"}, QOR_FORMAT_CHARACTER, "$10."},
        {{"13/13/2026"}, QOR_FORMAT_CHARACTER, "$10."},
        {{"1", "abc"}, QOR_FORMAT_CHARACTER, "$3."},
        {{"", " "}, QOR_FORMAT_CHARACTER, "$1."},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.texts.empty() ? "" : r.texts[0]);
        const qor_guess g = guessed(r.texts);
        EXPECT_EQ(g.format_class, r.klass);
        EXPECT_STREQ(g.informat, r.informat);
    }
    EXPECT_EQ(guessed({"abc", "abcdef "}).length, 6);
    EXPECT_EQ(xfguess(nullptr, nullptr, 0, nullptr), QOR_FORMAT_NULL_ARGUMENT);
    EXPECT_EQ(xfguess(nullptr, nullptr, 2, nullptr), QOR_FORMAT_NULL_ARGUMENT);
}

}  // namespace
