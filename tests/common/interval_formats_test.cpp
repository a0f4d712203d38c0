// Default formats of intervals and resolution of written format names.
#include <gtest/gtest.h>

#include <string>

#include "common/intervals/interval_formats.h"
#include "host/formats.h"
#include "host/missing.h"

namespace {

struct chosen {
    std::string name;
    int width, short_width;
};

interval_spec parsed(const char* name) {
    interval_spec spec;
    EXPECT_EQ(zintstr(name, -1, &spec), 0) << name;
    return spec;
}

chosen default_of(const interval_spec* spec) {
    char name[INTERVAL_FORMAT_NAME_MAX];
    int16_t length = 0;
    uint16_t width = 0, short_width = 0;
    zintfmt(spec, name, &length, &width, &short_width);
    return {std::string(name, length), width, short_width};
}

void expect(const chosen& got, const char* name, int width, int short_width) {
    EXPECT_EQ(got.name, name);
    EXPECT_EQ(got.width, width);
    EXPECT_EQ(got.short_width, short_width);
}

}  // namespace

TEST(IntervalFormat, DefaultsByInterval) {
    struct row { const char* interval; const char* name; int width, short_width; };
    const row rows[] = {
        {"MONTH", "MONYY", 7, 5},        {"DTMONTH", "DTMONYY", 7, 5},
        {"QTR.2", "MONYY", 7, 5},        {"QTR", "YYQC", 6, 4},
        {"DTQTR", "DTYYQC", 6, 4},       {"YEAR", "YEAR", 4, 2},
        {"YEAR.7", "MONYY", 7, 5},       {"WEEK", "WEEKDATX", 17, 15},
        {"DTWEEK", "DTWKDATX", 17, 15},  {"DAY", "DATE", 9, 7},
        {"WEEKDAY", "DATE", 9, 7},       {"DTTENDAY", "DTDATE", 9, 7},
        {"SEMIYEAR", "MONYY", 7, 5},     {"DTHOUR", "DATETIME", 10, 10},
        {"HOUR.1", "DATETIME", 10, 10},  {"HOUR2.2", "DATETIME", 13, 13},
        {"MINUTE", "DATETIME", 13, 13},  {"MINUTE2.2", "DATETIME", 16, 16},
        {"SECOND", "DATETIME", 16, 16},  {"OBS", "F", 6, 4},
        {"12", "F", 6, 4},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.interval);
        const interval_spec spec = parsed(r.interval);
        expect(default_of(&spec), r.name, r.width, r.short_width);
    }
    expect(default_of(nullptr), "D", 9, 7);
    interval_spec undetected{};
    undetected.kind = INTERVAL_KIND_UNKNOWN;
    undetected.code = INTERVAL_MONTH;
    expect(default_of(&undetected), "F", 6, 4);
}

TEST(IntervalFormat, TimeOfDayDurationAndSpan) {
    char name[INTERVAL_FORMAT_NAME_MAX];
    int16_t length;
    uint16_t width, short_width;
    auto got = [&] { return chosen{std::string(name, length), width, short_width}; };

    const interval_spec hour = parsed("HOUR");
    zintfmm(&hour, 3600, name, &length, &width, &short_width);
    expect(got(), "TIME", 10, 8);
    zintfmm(&hour, 90000, name, &length, &width, &short_width);
    expect(got(), "DATETIME", 10, 10);
    zintfmm(&hour, qor::missing(), name, &length, &width, &short_width);
    expect(got(), "DATETIME", 10, 10);

    struct row { const char* interval; const char* name; int width, short_width; };
    const row durations[] = {
        {"MINUTE30", "HHMM", 7, 5},    {"SECOND20", "TIME", 8, 5},   {"HOUR24", "DATETIME", 10, 10},
        {"HOUR4", "HHMM", 10, 8},      {"HOUR5", "HHMM", 11, 8},     {"MINUTE15", "HHMM", 6, 5},
        {"MINUTE61", "HHMM", 7, 6},    {"SECOND5", "MMSS", 5, 5},    {"SECOND6", "MMSS", 6, 5},
        {"DTMINUTE", "DATETIME", 13, 13}, {"MONTH", "MONYY", 7, 5},
    };
    for (const row& r : durations) {
        SCOPED_TRACE(r.interval);
        const interval_spec spec = parsed(r.interval);
        zintfmd(&spec, name, &length, &width, &short_width);
        expect(got(), r.name, r.width, r.short_width);
    }

    // Spans: the widths fit the longest value shown ("10:00" is 5, "1:23:20" is 7).
    zintfmp(&hour, 0, 36000, name, &length, &width, &short_width);
    expect(got(), "HHMM", 5, 2);
    const interval_spec second = parsed("SECOND");
    zintfmp(&second, 0, 5000, name, &length, &width, &short_width);
    expect(got(), "TIME", 7, 7);
    zintfmp(&second, 0, 300, name, &length, &width, &short_width);   // "5:00"
    expect(got(), "MMSS", 5, 5);
    zintfmp(&second, 0, 7000, name, &length, &width, &short_width);  // "1:56:40"
    expect(got(), "TIME", 7, 7);   // more than 1000 seconds: hours shown
    zintfmp(&hour, -1, 36000, name, &length, &width, &short_width);  // negative: default
    expect(got(), "DATETIME", 10, 10);
    const interval_spec dthour = parsed("DTHOUR");
    zintfmp(&dthour, 0, 36000, name, &length, &width, &short_width);
    expect(got(), "DATETIME", 10, 10);
}

TEST(FormatWidth, ResolvesAgainstTheRegistry) {
    struct row { const char* text; int rc; int width; };
    const row rows[] = {
        {"DATE9.", 0, 9},    {"COMMA", 0, 6},     {"DATE20.", 0, 11},  {"DATE2.", 0, 5},
        {"date.", 0, 7},     {"8.2", 0, 8},       {"$12.", 0, 12},     {"YYQC.", 0, 6},
        {"NOSUCH8.", QOR_FORMAT_UNKNOWN, 8},      {"NOSUCH", QOR_FORMAT_UNKNOWN, 0},
        {"BAD..", QOR_FORMAT_BAD_TEXT, 0},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.text);
        int extra = -1, width = -1;
        EXPECT_EQ(zldfmt(r.text, &extra, &width), r.rc);
        EXPECT_EQ(width, r.width);
        if (r.rc != 0) {
            EXPECT_EQ(extra, 0);
        }
    }
    int code = 0, extra = 0, width = 0;
    ASSERT_EQ(xfrname(nullptr, "COMMA", -1, 70, nullptr, &code), 0);
    ASSERT_EQ(zldfmt("COMMA16.2", &extra, &width), 0);
    EXPECT_EQ(extra, code + 2);   // the registry code plus the resolved decimals
    EXPECT_EQ(zldfmt(nullptr, &extra, &width), QOR_FORMAT_NULL_ARGUMENT);
}
