// Host format names: splitting written formats and looking names up with their width limits.
#include <gtest/gtest.h>

#include <string>

#include "host/formats.h"

TEST(FormatSplit, NameWidthAndDecimals) {
    struct row { const char* text; int rc; const char* name; int width, decimals; };
    const row rows[] = {
        {"COMMA16.2", 0, "COMMA", 16, 2},   {"date9.", 0, "DATE", 9, 65535},
        {"$10.", 0, "$", 10, 65535},         {"8.2", 0, "", 8, 2},
        {"BEST", 0, "BEST", 65535, 65535},   {"  YYMMDD10.  ", 0, "YYMMDD", 10, 65535},
        {"DATETIME.", 0, "DATETIME", 65535, 65535},
        {"COMMA16.2.", 1, "", 65535, 65535}, {"DA TE9.", 1, "", 65535, 65535},
        {"X.2a", 1, "", 65535, 65535},       {"F99999.", 1, "", 65535, 65535},
        {"", 1, "", 65535, 65535},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZABCDEFG.", 1, "", 65535, 65535},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.text);
        char name[QOR_FORMAT_NAME_MAX + 1];
        int length = -1;
        uint16_t width = 0, decimals = 0;
        ASSERT_EQ(zspltfm(r.text, -1, name, &length, &width, &decimals), r.rc);
        if (r.rc != 0) continue;
        EXPECT_EQ(std::string(name, length), r.name);
        EXPECT_EQ(width, r.width);
        EXPECT_EQ(decimals, r.decimals);
    }
    char name[QOR_FORMAT_NAME_MAX + 1];
    int length;
    uint16_t w, d;
    EXPECT_EQ(zspltfm("DATE9.", 4, name, &length, &w, &d), 0);   // only "DATE" is given
    EXPECT_EQ(w, 65535);
    EXPECT_EQ(zspltfm(nullptr, -1, name, &length, &w, &d), QOR_FORMAT_NULL_ARGUMENT);
}

TEST(FormatLookup, KnownFormatsCarryTheirLimits) {
    struct row { const char* name; int lo, hi, def; int klass; };
    const row rows[] = {
        {"DATE", 5, 11, 7, QOR_FORMAT_DATE},         {"datetime", 7, 40, 16, QOR_FORMAT_DATETIME},
        {"MONYY", 5, 8, 5, QOR_FORMAT_DATE},         {"YYQC", 4, 7, 6, QOR_FORMAT_DATE},
        {"YEAR", 2, 5, 4, QOR_FORMAT_DATE},          {"DTMONYY", 5, 8, 5, QOR_FORMAT_DATETIME},
        {"TIME", 2, 20, 8, QOR_FORMAT_TIME},         {"$", 1, 32767, 8, QOR_FORMAT_CHARACTER},
        {"", 1, 32, 12, QOR_FORMAT_NUMERIC},         {"WEEKDATX  ", 3, 37, 29, QOR_FORMAT_DATE},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.name);
        qor_format_info info;
        int code = 0;
        ASSERT_EQ(xfrname(nullptr, r.name, -1, 70, &info, &code), 0);
        EXPECT_EQ(info.min_width, r.lo);
        EXPECT_EQ(info.max_width, r.hi);
        EXPECT_EQ(info.default_width, r.def);
        EXPECT_EQ(info.format_class, r.klass);
        EXPECT_GT(code, 0);
        EXPECT_EQ(info.code, code);
    }
    qor_format_info info;
    int code = 99;
    EXPECT_EQ(xfrname(nullptr, "NOSUCHFMT", -1, 70, &info, &code), QOR_FORMAT_UNKNOWN);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(info.max_width, 0);
    EXPECT_EQ(xfrname(nullptr, "DATEX", 4, 70, nullptr, nullptr), 0);   // length honoured
    EXPECT_EQ(xfrname(nullptr, nullptr, 3, 70, nullptr, nullptr), QOR_FORMAT_NULL_ARGUMENT);
}
