// Checking series against an interval: contiguous, gaps, inconsistent and bad series.
#include <gtest/gtest.h>

#include <vector>

#include "common/intervals/interval_check.h"
#include "host/missing.h"

TEST(IntervalCheck, SeriesAgainstIntervals) {
    // Month starts of 1960 (Python ordinals less that of 1960-01-01): Jan 0, Feb 31, Mar 60,
    // Apr 91, May 121; 4 Jan 1960 is a Monday (3), Friday 1 Jan is 0.
    struct row { const char* interval; std::vector<double> values; int expected; };
    const double m = qor::missing();
    const std::vector<row> rows = {
        {"MONTH", {0, 31, 60, 91}, 0},
        {"MONTH", {0, 31, 91, 121}, 1},          // March absent
        {"QTR", {0, 31, 60, 91}, 2},             // two months in one quarter
        {"MONTH", {0, 31, m, 91}, 10},
        {"MONTH", {0, 60, 31}, 20},
        {"MONTH", {0, 31, 31}, 21},
        {"WEEKDAY", {0, 3, 4, 5, 6, 7, 10}, 0},  // Friday, then Monday to Friday, Monday
        {"WEEKDAY", {0, 3, 5}, 1},
        {"WEEKDAY", {0, 1, 3}, 2},               // a Saturday
        {"WEEKDAY", {0, 3 * 86400.0}, 2},        // a datetime under a date interval
        {"DTWEEKDAY", {0, 3 * 86400.0, 4 * 86400.0}, 0},
        {"DTWEEKDAY", {-86400.0 * 3, 86400.0 + 60}, 2},   // Tuesday, then a Saturday
        {"3", {0, 3, 9}, 1},
        {"DAY", {}, 0},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.interval);
        interval_spec spec;
        ASSERT_EQ(zintstr(r.interval, -1, &spec), 0);
        EXPECT_EQ(zintdcv(r.values.data(), static_cast<int>(r.values.size()), &spec), r.expected);
    }
    interval_spec spec;
    ASSERT_EQ(zintstr("MONTH", -1, &spec), 0);
    EXPECT_EQ(zintdcv(nullptr, 3, &spec), INTERVAL_CHECK_NULL);
    const double values[] = {0, 31};
    EXPECT_EQ(zintdcv(values, 2, nullptr), INTERVAL_CHECK_NULL);
    const double far[] = {0, 7e6};
    EXPECT_EQ(zintdcv(far, 2, &spec), INTERVAL_CHECK_MISSING);   // beyond the valid dates
}
