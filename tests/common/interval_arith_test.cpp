// Interval arithmetic: counting, advancing and aligning dates, datetimes and observation
// numbers, and seasons. Reference dates are Python datetime ordinals less that of 1960-01-01
// (day 0 is Friday 1 January 1960).
#include <gtest/gtest.h>

#include <cmath>

#include "common/intervals/interval_arith.h"
#include "host/missing.h"

namespace {

interval_spec parsed(const char* name) {
    interval_spec spec;
    EXPECT_EQ(zintstr(name, -1, &spec), 0) << name;
    return spec;
}

bool missing(double x) { return qor::is_missing(x); }

// Dates of 1959 to 1961 used below.
constexpr double kJan31_1960 = 30, kFeb1_1960 = 31, kMar15_1960 = 74, kFeb15_1960 = 45,
                 kFeb29_1960 = 59, kMay15_1960 = 135, kJan31_2001 = 15006, kFeb28_2001 = 15034,
                 kFeb14_2001 = 15020, kJan15_2001 = 14990, kFeb15_2001 = 15021;

}  // namespace

TEST(IntervalAdvance, DatesWeeksAndWorkingDays) {
    struct row { const char* name; double start, n, expected; };
    const row rows[] = {
        {"QTR.2", kMar15_1960, 0, kFeb1_1960},   // quarters from Feb, May, Aug, Nov
        {"QTR", 74, 1, 91},                      // 1 April 1960
        {"QTR", -17, 0, -92},                    // 15 Dec 1959 -> 1 Oct 1959 (negative dates)
        {"MONTH", -17, 0, -31},
        {"MONTH", -17, -12, -396},               // 1 Dec 1958
        {"YEAR", -730, 1, -365},
        {"MONTH", kJan31_1960, 1, kFeb1_1960},
        {"MONTH", 2.9999999999999, 0, 0},        // a hair below 3 counts as 3 (still January)
        {"WEEK", 5, 0, 2},                       // Wednesday -> Sunday
        {"WEEK.2", 5, 0, 3},                     // -> Monday
        {"WEEK", -1, 0, -5},                     // Thursday 31 Dec 1959 -> Sunday 27 Dec
        {"WEEK", 2, 2, 16},
        {"DAY", 10, -3, 7},
        {"DAY3", 10, 0, 9},
        {"WEEKDAY", 0, 1, 3},                    // Friday + 1 -> Monday
        {"WEEKDAY", 1, 0, 0},                    // Saturday -> Friday
        {"WEEKDAY", 2, 0, 0},                    // Sunday -> Friday
        {"WEEKDAY", 3, -1, 0},                   // Monday - 1 -> Friday
        {"WEEKDAY", 0, 10, 14},                  // two whole weeks
        {"WEEKDAY2", 3, 0, 0},                   // pairs of working days start Fri, Tue, ...
        {"WEEKDAY2", 3, 1, 4},
        {"WEEKDAY67W", 0, 0, -1},                // Friday off -> Thursday
        {"WEEKDAY67W", -1, 1, 2},                // Thursday + 1 -> Sunday
        {"TENDAY", 55, 1, 60},                   // 25 Feb 1960 -> 1 Mar 1960
        {"TENDAY", kMay15_1960, 0, 131},         // -> 11 May
        {"SEMIMONTH", 140, 0, 136},              // 20 May -> 16 May
        {"SEMIYEAR", 200, 0, 182},               // 1 July 1960
        {"3", 7, 0, 6},                          // every third observation
        {"3", 7, 2, 12},
        {"OBS", 7, -2, 5},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(testing::Message() << r.name << " " << r.start << " " << r.n);
        const interval_spec spec = parsed(r.name);
        EXPECT_EQ(zintnx2(&spec, r.start, r.n), r.expected);
    }
}

TEST(IntervalAdvance, TimesAndDatetimes) {
    const interval_spec dtday = parsed("DTDAY");
    EXPECT_EQ(zintnx2(&dtday, 43200, 1), 86400);
    EXPECT_EQ(zintnx2(&dtday, -1, 0), -86400);   // one second before 1960 is the previous day
    const interval_spec hour22 = parsed("HOUR2.2");   // two-hour intervals from odd hours
    EXPECT_EQ(zintnx2(&hour22, 9000, 0), 3600);
    EXPECT_EQ(zintnx2(&hour22, 9000, 1), 10800);
    const interval_spec minute15 = parsed("MINUTE15");
    EXPECT_EQ(zintnx2(&minute15, 1000, 0), 900);
    const interval_spec dtmonth = parsed("DTMONTH");
    EXPECT_EQ(zintnx2(&dtmonth, kJan31_1960 * 86400 + 43200, 1), kFeb1_1960 * 86400);
    EXPECT_EQ(zintck2(&dtmonth, kJan31_1960 * 86400, kFeb1_1960 * 86400 + 5), 1);
}

TEST(IntervalAdvance, MissingForBadInputAndOverflow) {
    const interval_spec month = parsed("MONTH"), day = parsed("DAY"), week = parsed("WEEK");
    const interval_spec hour = parsed("HOUR"), obs = parsed("5");
    EXPECT_TRUE(missing(zintnx2(&month, 0, 3e9)));
    EXPECT_TRUE(missing(zintnx2(&month, qor::missing(), 1)));
    EXPECT_TRUE(missing(zintnx2(&month, 0, qor::make_missing('A'))));
    EXPECT_TRUE(missing(zintnx2(&month, -138062, 0)));
    EXPECT_TRUE(missing(zintnx2(&month, 6589336, 0)));
    EXPECT_TRUE(missing(zintnx2(&month, 6589335, 1)));    // result beyond the valid range
    EXPECT_TRUE(missing(zintnx2(&month, 0, 2000000000)));  // guarded before any arithmetic
    EXPECT_TRUE(missing(zintnx2(&day, 0, 2147483647)));
    EXPECT_TRUE(missing(zintnx2(&week, 0, 305842045)));    // 7 steps each overflow the guard
    EXPECT_TRUE(missing(zintnx2(&hour, 0, 1)) == false);
    EXPECT_TRUE(missing(zintnx2(&hour, INFINITY, 1)));
    EXPECT_TRUE(missing(zintnx2(&obs, 10, 2147483648.0)));
    EXPECT_TRUE(missing(zintnx2(nullptr, 0, 0)));
    // Kinds that do not suit the code.
    const interval_spec dtobs = parsed("DTOBS");
    EXPECT_TRUE(missing(zintnx2(&dtobs, 3, 1)));
    interval_spec hour_as_date = hour;
    hour_as_date.kind = 'd';
    EXPECT_TRUE(missing(zintnx2(&hour_as_date, 3, 1)));
    EXPECT_TRUE(missing(zintck2(&hour_as_date, 3, 7200)));
    // A hand-made working-day record with no working day gives missing, not a hang.
    interval_spec no_workdays = parsed("WEEKDAY");
    for (uint8_t& d : no_workdays.weekend) d = 1;
    EXPECT_TRUE(missing(zintnx2(&no_workdays, 0, 1)));
    EXPECT_TRUE(missing(zintck2(&no_workdays, 0, 7)));
}

TEST(IntervalCount, BoundariesCrossed) {
    struct row { const char* name; double from, to, expected; };
    const row rows[] = {
        {"MONTH", kJan31_1960, kFeb1_1960, 1},   {"MONTH", kFeb1_1960, kJan31_1960, -1},
        {"MONTH", kFeb1_1960, kFeb29_1960, 0},   {"MONTH", -17, 0, 1},
        {"QTR.2", kJan31_1960, kFeb1_1960, 1},   {"QTR", kJan31_1960, kFeb1_1960, 0},
        {"YEAR", -1, 0, 1},                      {"YEAR", -730, 370, 3},
        {"WEEKDAY", 0, 3, 1},                    {"WEEKDAY", 0, 2, 0},
        {"WEEKDAY", 1, 10, 6},                   {"WEEK", 1, 2, 1},
        {"WEEK.2", 2, 3, 1},                     {"DAY", -3, 4, 7},
        {"TENDAY", 9, 10, 1},                    {"SEMIMONTH", 0, 59, 3},
        {"3", 2, 7, 2},                          {"3", -1, 0, 1},
        {"HOUR", 3599, 3600, 1},                 {"HOUR2.2", 3599, 3600, 1},
        {"HOUR2.2", 3600, 10799, 0},             {"SECOND", 0.5, 2.5, 2},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(testing::Message() << r.name << " " << r.from << " " << r.to);
        const interval_spec spec = parsed(r.name);
        EXPECT_EQ(zintck2(&spec, r.from, r.to), r.expected);
    }
    const interval_spec month = parsed("MONTH");
    EXPECT_TRUE(missing(zintck2(&month, qor::missing(), 0)));
    EXPECT_TRUE(missing(zintck2(&month, 0, 1e200)));
    EXPECT_TRUE(missing(zintck2(&month, 0, 6589336)));
    EXPECT_TRUE(missing(zintck2(nullptr, 0, 1)));
}

TEST(IntervalAlign, BeginningMiddleEndAndSameOffset) {
    struct row { const char* name; double start, n; const char* how; double expected; };
    const row rows[] = {
        {"MONTH", kJan31_1960, 1, "B", kFeb1_1960},
        {"MONTH", kJan31_1960, 1, "E", kFeb29_1960},
        {"MONTH", kJan31_1960, 1, "M", kFeb15_1960},      // leap February: the 15th
        {"MONTH", kJan31_1960, 1, "S", kFeb29_1960},      // offset 30 cut to the month
        {"MONTH", kJan31_2001, 1, "E", kFeb28_2001},
        {"MONTH", kJan31_2001, 1, "M", kFeb14_2001},
        {"MONTH", kJan31_2001, 1, "Same", kFeb28_2001},
        {"MONTH", kJan15_2001, 1, "S", kFeb15_2001},
        {"QTR", kFeb15_1960, 1, "S", kMay15_1960},
        {"YEAR", kFeb29_1960, 1, "S", 424},               // 28 Feb 1961: cut to the month
        {"WEEK", 5, 1, "S", 12},                          // Wednesday + 1 week
        {"DAY", 5, 1, "S", 6},
        {"MONTH", kJan31_1960, 1, "x", kFeb1_1960},
        {"MONTH", kJan31_1960, 1, nullptr, kFeb1_1960},
        {"3", 7, 1, "E", 11},                             // [9, 12) ends at 11
    };
    for (const row& r : rows) {
        SCOPED_TRACE(testing::Message() << r.name << " " << r.start << " " << (r.how ? r.how : "-"));
        const interval_spec spec = parsed(r.name);
        EXPECT_EQ(zintnx3(&spec, r.start, r.n, r.how), r.expected);
    }
    // Datetime quarters keep the offset in seconds.
    const interval_spec dtqtr = parsed("DTQTR");
    EXPECT_EQ(zintnx3(&dtqtr, kFeb15_1960 * 86400 + 3600, 1, "S"), kMay15_1960 * 86400 + 3600);
    const interval_spec month = parsed("MONTH");
    EXPECT_TRUE(missing(zintnx3(&month, 0, qor::missing(), "E")));
    EXPECT_TRUE(missing(zintnx3(&month, 6589330, 0, "M")));   // the next month is out of range
    EXPECT_TRUE(missing(zintnx3(&month, 6589330, 0, "S")));
}

TEST(IntervalSeason, FixedAndMeasuredSeasons) {
    struct row { const char* name; int rc; const char* season; int seasons; };
    const row rows[] = {
        {"MONTH", 0, "YEAR", 12},   {"MONTH5", 1, nullptr, 0},  {"DTQTR", 0, "DTYEAR", 4},
        {"WEEKDAY", 0, "WEEK", 5},  {"WEEKDAY1W2", 0, "WEEK", 6}, {"DAY2", 1, nullptr, 0},
        {"OBS", 1, nullptr, 0},     {"MONTH12", 0, "YEAR", 1},  {"MINUTE4", 0, "DTHOUR", 15},
        {"WEEK13", 0, "YEAR", 4},   {"SECOND", 0, "DTMINUTE", 60}, {"DTHOUR", 0, "DTDAY", 24},
        {"DAY", 0, "WEEK", 7},      {"YEAR", 0, "YEAR", 1},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.name);
        const interval_spec spec = parsed(r.name);
        interval_spec season;
        int seasons = -1;
        ASSERT_EQ(zintsea(&spec, 100, &season, &seasons), r.rc);
        EXPECT_EQ(seasons, r.seasons);
        if (r.season) {
            EXPECT_STREQ(season.text, r.season);
            EXPECT_EQ(season.kind, spec.kind == 's' ? 's' : 'd');
        } else {
            EXPECT_EQ(season.code, 0);
        }
    }
    interval_spec season;
    int seasons = 0;
    EXPECT_EQ(zintsea(nullptr, 0, &season, &seasons), SEASON_NO_INTERVAL);
    interval_spec zeroed{};
    EXPECT_EQ(zintsea(&zeroed, 0, &season, &seasons), SEASON_NO_INTERVAL);
}
