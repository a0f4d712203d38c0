// Interval names: spellings, prefixes, weekend lists, multipliers, shifts and every refusal.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>

#include "common/intervals/interval_spec.h"

namespace {

struct parse_case {
    const char* name;
    int rc;
    char kind;
    int code, multiplier, shift;
};

}  // namespace

TEST(IntervalParse, AcceptedNames) {
    const parse_case cases[] = {
        {"month", 0, 'd', 45, 1, 0},     {"Month", 0, 'd', 45, 1, 0},
        {"MONTHLY", 0, 'd', 45, 1, 0},   {"MON", 0, 'd', 45, 1, 0},
        {"DTMONTH", 0, 's', 45, 1, 0},   {"THOUR", 0, 's', 20, 1, 0},
        {"TENDAY", 0, 'd', 35, 1, 0},    {"hr", 0, 's', 20, 1, 0},
        {"QTR.3", 0, 'd', 50, 1, 2},     {"QTR2.6", 0, 'd', 50, 2, 5},
        {"WEEK.7", 0, 'd', 30, 1, 6},    {"MONTH.1", 0, 'd', 45, 1, 0},
        {"MONTH0", 0, 'd', 45, 1, 0},    {"MONTH.", 0, 'd', 45, 1, 0},
        {"YEAR2.7", 0, 'd', 60, 2, 6},   {"MONTH32767", 0, 'd', 45, 32767, 0},
        {"12", 0, 'o', 1, 12, 0},        {"12.", 0, 'o', 1, 12, 0},
        {"OBS", 0, 'o', 1, 1, 0},        {"SEMIANN", 0, 'd', 55, 1, 0},
        {"DTSECOND", 0, 's', 10, 1, 0},  {"HOUR2.2", 0, 's', 20, 2, 1},
        {"annuals", 0, 'd', 60, 1, 0},   {"SEMIMON3", 0, 'd', 40, 3, 0},
    };
    for (const parse_case& c : cases) {
        SCOPED_TRACE(c.name);
        interval_spec spec;
        ASSERT_EQ(zintstr(c.name, -1, &spec), 0);
        EXPECT_EQ(spec.kind, c.kind);
        EXPECT_EQ(spec.code, c.code);
        EXPECT_EQ(spec.multiplier, c.multiplier);
        EXPECT_EQ(spec.shift, c.shift);
        EXPECT_EQ(std::string(spec.text), c.name);   // kept as written
        EXPECT_EQ(spec.text_length, static_cast<int>(std::string(c.name).size()));
    }
}

TEST(IntervalParse, RefusedNames) {
    const std::pair<const char*, int> cases[] = {
        {"QTR.4", 2},        {"QTR.5", 2},        {"WEEK.8", 2},           {"MONTH.2", 2},     {"MONTH.0", 2},
        {"MONTH32768", 1},   {"12.1", 2},             {"12W", 102},       {"", 101},
        {"MONTHMONTHMONTHMONTHM", 103},                {"MONTHMONTHMONTHMONTHMO", 101},
        {"NONE", 103},       {"X", 103},              {"DT", 103},        {"T", 103},
        {"MONTH-1", 102},    {"MONTH..", 102},        {"MONTH1.2.3", 102},
        {"WEEKDAY1234567W", 102},                     {"WEEKDAY8W", 102}, {"WEEKDAY0W", 102},
        {"WEEKDAYW", 103},   {"WEEK17W", 102},        {"WEEKDAY17W2.3", 2},
        {"MONTH2X", 102},    {"WEEKDAY1.2W", 102},    {"WEEKDAY1W2W", 102},
        {"MONTH.99999", 2},  {"DAY 1", 102},          {"DTNONE", 103},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.first);
        interval_spec spec;
        EXPECT_EQ(zintstr(c.first, -1, &spec), c.second);
    }
    interval_spec spec;
    EXPECT_EQ(zintstr(nullptr, 5, &spec), INTERVAL_NULL_ARGUMENT);
    EXPECT_EQ(zintstr("MONTH", 5, nullptr), INTERVAL_NULL_ARGUMENT);
    EXPECT_EQ(zintstr("MONTHLY", 3, &spec), 0);   // the length given is honoured: MON
    EXPECT_EQ(std::string(spec.text), "MON");
}

TEST(IntervalParse, WeekendLists) {
    interval_spec spec;
    ASSERT_EQ(zintstr("WEEKDAY", -1, &spec), 0);
    EXPECT_EQ(spec.workdays, 5);
    const uint8_t sat_sun[7] = {1, 0, 0, 0, 0, 0, 1};
    EXPECT_EQ(std::memcmp(spec.weekend, sat_sun, 7), 0);

    ASSERT_EQ(zintstr("weekday67w", -1, &spec), 0);   // Friday and Saturday off
    const uint8_t fri_sat[7] = {0, 0, 0, 0, 0, 1, 1};
    EXPECT_EQ(std::memcmp(spec.weekend, fri_sat, 7), 0);
    EXPECT_EQ(spec.workdays, 5);

    ASSERT_EQ(zintstr("WEEKDAY1W3", -1, &spec), 0);   // Sunday off, three working days each
    EXPECT_EQ(spec.workdays, 6);
    EXPECT_EQ(spec.multiplier, 3);

    ASSERT_EQ(zintstr("WEEKDAY112W2.2", -1, &spec), 0);   // repeats allowed
    EXPECT_EQ(spec.workdays, 5);
    EXPECT_EQ(spec.shift, 1);
    ASSERT_EQ(zintstr("WEEKDAY123456W", -1, &spec), 0);   // Saturday alone works
    EXPECT_EQ(spec.workdays, 1);
}
