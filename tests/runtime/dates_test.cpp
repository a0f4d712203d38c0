// Host date services: civil dates against values from an independent calendar (Python's
// datetime ordinals less that of 1 January 1960), a day-by-day walk of the whole valid range,
// weekdays, and refusals of impossible dates.
#include <gtest/gtest.h>

#include <cmath>

#include "host/dates.h"
#include "host/missing.h"

namespace {

struct civil_case {
    int year, month, day;
    double value;
    int weekday;   // 0 = Sunday
};

// Values: date(y, m, d).toordinal() - date(1960, 1, 1).toordinal(); the last two by whole
// 400-year cycles of 146097 days beyond the library's year 9999.
const civil_case kCivil[] = {
    {1582, 1, 1, -138061, 5},   {1600, 2, 29, -131428, 2},  {1700, 3, 1, -94903, 1},
    {1899, 12, 31, -21915, 0},  {1959, 12, 31, -1, 4},      {1960, 1, 1, 0, 5},
    {1960, 2, 29, 59, 1},       {2000, 2, 29, 14669, 2},    {2100, 2, 28, 51193, 0},
    {2100, 3, 1, 51194, 1},     {2400, 2, 29, 160766, 2},   {9999, 12, 31, 2936549, 5},
    {19999, 12, 31, 6588974, -1}, {20000, 12, 26, 6589335, -1},
};

}  // namespace

TEST(HostDates, CivilDatesMatchIndependentCalendar) {
    for (const civil_case& c : kCivil) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(ziddmdy(c.month, c.day, c.year), c.value);
        EXPECT_EQ(zmdy(c.month, c.day, c.year), c.value);
        int m = 0, d = 0, y = 0;
        ASSERT_EQ(zidmdyd(&m, &d, &y, c.value), 0);
        EXPECT_EQ(y, c.year);
        EXPECT_EQ(m, c.month);
        EXPECT_EQ(d, c.day);
        if (c.weekday >= 0) {
            EXPECT_EQ(zweekdy(c.value), c.weekday);
        }
    }
}

TEST(HostDates, EveryDayOfTheValidRangeFollowsItsPredecessor) {
    // Walk with the plain calendar rules, independent of the era arithmetic under test.
    auto leap = [](int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; };
    const int lengths[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    int y = 1582, m = 1, d = 1;
    for (int value = QOR_DATE_MIN; value <= QOR_DATE_MAX; ++value) {
        int gm, gd, gy;
        ASSERT_EQ(zidmdyd(&gm, &gd, &gy, value), 0) << value;
        ASSERT_TRUE(gy == y && gm == m && gd == d) << value << ": " << gy << "-" << gm << "-" << gd;
        if (value % 997 == 0) {
            ASSERT_EQ(ziddmdy(m, d, y), value);
        }
        const int length = (m == 2 && leap(y)) ? 29 : lengths[m - 1];
        if (++d > length) { d = 1; if (++m > 12) { m = 1; ++y; } }
    }
}

TEST(HostDates, RefusesImpossibleAndOutOfRangeDates) {
    int m = 7, d = 7, y = 7;
    EXPECT_EQ(zidmdyd(&m, &d, &y, QOR_DATE_MIN - 1), 1);
    EXPECT_EQ(zidmdyd(&m, &d, &y, QOR_DATE_MAX + 1), 1);
    EXPECT_EQ(zidmdyd(&m, &d, &y, qor::missing()), 1);
    EXPECT_EQ(zidmdyd(&m, &d, &y, INFINITY), 1);
    EXPECT_EQ(m + d + y, 21);   // untouched on failure
    EXPECT_EQ(zidmdyd(nullptr, &d, &y, 0), 2);
    ASSERT_EQ(zidmdyd(&m, &d, &y, -0.5), 0);   // floored: 31 December 1959
    EXPECT_EQ(d, 31);

    EXPECT_TRUE(qor::is_missing(ziddmdy(2, 29, 1900)));
    EXPECT_TRUE(qor::is_missing(ziddmdy(2, 30, 2000)));
    EXPECT_TRUE(qor::is_missing(ziddmdy(13, 1, 2000)));
    EXPECT_TRUE(qor::is_missing(ziddmdy(0, 1, 2000)));
    EXPECT_TRUE(qor::is_missing(ziddmdy(4, 31, 2000)));
    EXPECT_TRUE(qor::is_missing(ziddmdy(12, 31, 1581)));
    EXPECT_TRUE(qor::is_missing(ziddmdy(12, 27, 20000)));
    EXPECT_TRUE(qor::is_missing(ziddmdy(1, 1, 2147483647)));
    EXPECT_EQ(zweekdy(qor::missing()), -1);
}

TEST(HostDates, TodayIsAValidDate) {
    const double today = ztoday();
    ASSERT_FALSE(qor::is_missing(today));
    EXPECT_GT(today, ziddmdy(1, 1, 2020));   // a clock before 2020 is a broken clock
}
