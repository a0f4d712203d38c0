// Interval detection from three values and from whole series: the intervals found, their
// names, shifts and guesses, and the codes for bad series. Day numbers count from 1 Jan 1960
// and were computed with Python's datetime.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/intervals/interval_detect.h"
#include "host/missing.h"

namespace {

std::string text_of(const interval_spec& spec) { return std::string(spec.text, spec.text_length); }

void expect_unknown(const interval_spec& spec) {
    EXPECT_EQ(spec.kind, INTERVAL_KIND_UNKNOWN);
    EXPECT_EQ(spec.code, 0);
    EXPECT_EQ(spec.multiplier, 1);
    EXPECT_EQ(spec.text_length, 0);
}

}  // namespace

TEST(IntervalDetect, ThreeValues) {
    const double day = 86400;
    struct row {
        double x0, x1, x2;
        const char* text;
        char kind;
        int multiplier, shift;
    };
    const std::vector<row> rows = {
        {0, 31, 60, "MONTH", 'd', 1, 0},               // 1 Jan, 1 Feb, 1 Mar 1960
        {14, 105, 196, "QTR", 'd', 1, 0},              // 15 Jan, 15 Apr, 15 Jul 1960
        {396, 424, 455, "MONTH", 'd', 1, 0},           // 31 Jan, 28 Feb, 31 Mar 1961
        {21975, 22340, 22705, "YEAR.3", 'd', 1, 2},    // 1 March 2020, 2021, 2022
        {23565, 23572, 23579, "WEEK.2", 'd', 1, 1},    // Mondays 8, 15, 22 July 2024
        {23562, 23565, 23566, "DAY", 'd', 1, 0},       // Friday 5, Monday 8, Tuesday 9 July 2024
        {23376, 23391, 23407, "SEMIMONTH", 'd', 1, 0}, // 1 Jan, 16 Jan, 1 Feb 2024
        {23376, 23386, 23396, "TENDAY", 'd', 1, 0},    // 1, 11, 21 Jan 2024
        {23391, 23436, 23482, "SEMIMONTH3.2", 'd', 3, 1},   // 16 Jan, 1 Mar, 16 Apr 2024
        {0, 60, 120, "DAY60", 'd', 60, 0},
        {1, 2, 3, "1", 'o', 1, 0},                     // small day numbers are observations
        {3, 5, 9, "2", 'o', 2, 0},
        {0, 3600, 7200, "HOUR", 's', 1, 0},
        {0, 5400, 10800, "DAY5400", 'd', 5400, 0},      // not whole hours: dates
        {day, day + 5400, day + 10800, "MINUTE90", 's', 90, 0},
        {10, 20, 40, "10", 'o', 10, 0},
        {23376 * day, 23407 * day, 23436 * day, "DTMONTH", 's', 1, 0},
        // 4, 5, 6 March 2024 at 09:00: whole days apart, same hour.
        {2025162000, 2025162000 + day, 2025162000 + 2 * day, "DTDAY", 's', 1, 0},
        // The same three datetimes ten minutes apart.
        {2025162000, 2025162600, 2025163200, "MINUTE10", 's', 10, 0},
        // Seconds below 1000 stepping by whole days are datetimes, not observations.
        {500, 500 + day, 500 + 2 * day, "DTDAY", 's', 1, 0},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.text);
        interval_spec spec;
        ASSERT_EQ(zintget(r.x0, r.x1, r.x2, &spec, nullptr), INTERVAL_GET_FOUND);
        EXPECT_EQ(text_of(spec), r.text);
        EXPECT_EQ(spec.kind, r.kind);
        EXPECT_EQ(spec.multiplier, r.multiplier);
        EXPECT_EQ(spec.shift, r.shift);
        // The name found means the same interval when parsed again.
        interval_spec parsed;
        ASSERT_EQ(zintstr(spec.text, spec.text_length, &parsed), 0);
        EXPECT_EQ(parsed.code, spec.code);
        EXPECT_EQ(parsed.shift, spec.shift);
    }
}

TEST(IntervalDetect, ThreeValuesRefused) {
    const double m = qor::missing();
    struct row {
        double x0, x1, x2;
        int expected;
    };
    const std::vector<row> rows = {
        {0, m, 2, INTERVAL_GET_MISSING},
        {5, 5, 6, INTERVAL_GET_BAD_VALUES},
        {1.2, 1.5, 1.9, INTERVAL_GET_BAD_VALUES},      // whole steps below 1
        {3, 2, 1, INTERVAL_GET_BAD_VALUES},
        {0, 86400, 6e11, INTERVAL_GET_BAD_VALUES},     // beyond 6589335 days in seconds
        {-1.2e10, 0, 86400, INTERVAL_GET_BAD_VALUES},  // before 1 January 1582
        {2, 4, 7, INTERVAL_GET_NONE},                  // days 2 and 3 apart
        {0, 40000, 80000, INTERVAL_GET_NONE},          // DAY40000 is no interval name
        {23407, 23436, 23437, INTERVAL_GET_FOUND},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.x0);
        interval_spec spec;
        spec.kind = 'x';   // stale content must not survive a failure
        spec.text_length = 5;
        EXPECT_EQ(zintget(r.x0, r.x1, r.x2, &spec, nullptr), r.expected);
        if (r.expected != INTERVAL_GET_FOUND) expect_unknown(spec);
    }
    EXPECT_EQ(zintget(0, 31, 60, nullptr, nullptr), INTERVAL_CHECK_NULL);
}

TEST(IntervalDetect, GuessHoldsSeasonAndFormat) {
    struct row {
        double x0, x1, x2;
        const char* season;
        int seasons;
        const char* format;
        int width;
    };
    const std::vector<row> rows = {
        {0, 31, 60, "YEAR", 12, "MONYY", 7},
        {23565, 23572, 23579, "YEAR", 52, "WEEKDATX", 17},
        {0, 3600, 7200, "DTDAY", 24, "DATETIME", 10},
        {1, 2, 3, "", 0, "F", 6},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.format);
        interval_spec spec;
        interval_guess guess;
        ASSERT_EQ(zintget(r.x0, r.x1, r.x2, &spec, &guess), INTERVAL_GET_FOUND);
        EXPECT_EQ(text_of(guess.season), r.season);
        EXPECT_EQ(guess.seasons, r.seasons);
        EXPECT_EQ(std::string(guess.format_name, guess.format_name_length), r.format);
        EXPECT_EQ(guess.format_width, r.width);
    }
    interval_spec spec;
    interval_guess guess;
    guess.seasons = 99;
    EXPECT_EQ(zintget(2, 4, 7, &spec, &guess), INTERVAL_GET_NONE);
    EXPECT_EQ(guess.seasons, 0);
    EXPECT_EQ(guess.format_name_length, 0);
}

TEST(IntervalDetect, Series) {
    const double m = qor::missing();
    // 2024 month starts: Jan 23376, Feb 23407, Mar 23436, Apr 23467, May 23497, Jun 23528.
    // Friday 5 July 2024 is 23562; Monday 8 July 23565.
    struct row {
        std::vector<double> values;
        int expected;
        const char* text;
    };
    const std::vector<row> rows = {
        {{23376, 23407, 23436, 23467, 23497}, 0, "MONTH"},
        {{23376, 23407, 23436, 23497, 23528}, 1, "MONTH"},       // April absent
        {{23562, 23565, 23566, 23567, 23568, 23569, 23572}, 0, "WEEKDAY"},
        {{23562, 23565, 23567, 23568, 23569, 23572}, 1, "WEEKDAY"},   // a Tuesday absent
        {{0, 100, 200, 1000, 1050, 2000}, 2, "DAY100"},          // 1000 and 1050 share one
        {{2, 4, 7, 20}, 2, ""},                                  // closest run has no interval
        {{0, 31}, 30, ""},
        {{0, 31, 31, 60}, 21, ""},
        {{0, 60, 31}, 20, ""},
        {{0, 31, m, 91}, 10, ""},
        {{10, 20, 30, 40, 50, 60}, 0, "10"},
        {{0, 10, 20, 30}, 2, "TENDAY"},                           // 1 Jan 1960 on; 21 and 31 share one
        {{1000, 1010, 1020, 1030}, 0, "TENDAY"},                 // 27 Sep 1962: 6 days in
        {{1120, 1130, 1140, 1150}, 0, "DAY10"},                  // 25 Jan 1963 on
        // The closest run (0, 1, 2) finds days; Friday 1 and Saturday 2 January 1960 rule
        // out every working-day interval.
        {{0, 1, 2, 5, 10, 20}, 1, "DAY"},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(::testing::PrintToString(r.values));
        interval_spec spec;
        EXPECT_EQ(zintdgv(r.values.data(), static_cast<int>(r.values.size()), &spec, nullptr),
                  r.expected);
        EXPECT_EQ(text_of(spec), r.text);
        if (r.expected >= 10) expect_unknown(spec);
    }
    interval_spec spec;
    EXPECT_EQ(zintdgv(nullptr, 3, &spec, nullptr), INTERVAL_CHECK_NULL);
    EXPECT_EQ(zintdgv(nullptr, 0, &spec, nullptr), INTERVAL_SERIES_TOO_SHORT);
}

TEST(IntervalDetect, WorkingDaysReplaceTheGuess) {
    const double values[] = {23562, 23565, 23566, 23567, 23568, 23569, 23572};
    interval_spec spec;
    interval_guess guess;
    ASSERT_EQ(zintdgv(values, 7, &spec, &guess), 0);
    EXPECT_EQ(spec.code, INTERVAL_WEEKDAY);
    EXPECT_EQ(text_of(guess.season), "WEEK");
    EXPECT_EQ(guess.seasons, 5);
    EXPECT_EQ(std::string(guess.format_name, guess.format_name_length), "DATE");
    // Saturday-to-Wednesday data fits the Thursday/Friday weekend (5 and 6 in WEEKDAY56W):
    // Saturday 6 July 2024 is 23563.
    const double gulf[] = {23563, 23564, 23565, 23566, 23567, 23570, 23571};
    ASSERT_EQ(zintdgv(gulf, 7, &spec, &guess), 0);
    EXPECT_EQ(text_of(spec), "WEEKDAY56W");
}
