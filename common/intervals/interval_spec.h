// The interval record that every time-axis routine takes, its codes, and the parser zintstr
// that fills it from an interval name such as MONTH, QTR3.2, DTHOUR or WEEKDAY17W.
#pragma once
#include <cstdint>

// Interval codes (0 = none).
enum : uint8_t {
    INTERVAL_NONE = 0,
    INTERVAL_OBS = 1,
    INTERVAL_SECOND = 10,
    INTERVAL_MINUTE = 15,
    INTERVAL_HOUR = 20,
    INTERVAL_DAY = 25,
    INTERVAL_WEEKDAY = 27,
    INTERVAL_WEEK = 30,
    INTERVAL_TENDAY = 35,
    INTERVAL_SEMIMONTH = 40,
    INTERVAL_MONTH = 45,
    INTERVAL_QTR = 50,
    INTERVAL_SEMIYEAR = 55,
    INTERVAL_YEAR = 60
};

// Kinds of values an interval applies to.
enum : char {
    INTERVAL_KIND_OBS = 'o',        // observation numbers
    INTERVAL_KIND_SECONDS = 's',    // datetimes and times of day, in seconds
    INTERVAL_KIND_DAYS = 'd',       // dates, in days
    INTERVAL_KIND_UNKNOWN = 'u'     // detection found no interval
};

// Return codes of zintstr.
enum : int {
    INTERVAL_BAD_MULTIPLIER = 1,
    INTERVAL_BAD_SHIFT = 2,
    INTERVAL_BAD_LENGTH = 101,
    INTERVAL_BAD_CHARACTER = 102,
    INTERVAL_UNKNOWN_NAME = 103,
    INTERVAL_NULL_ARGUMENT = 1001
};

enum : int { INTERVAL_TEXT_MAX = 21 };

// A parsed interval. Callers own it (zeroed by zintstr first). 48 bytes, the size that
// records embedding an interval copy.
struct interval_spec {
    char kind;                  // INTERVAL_KIND_*, 0 in a zeroed record
    uint8_t code;               // INTERVAL_* code
    uint8_t reserved_a[2];
    int32_t multiplier;         // base intervals per interval, 1 to 32767
    int32_t shift;              // zero-based starting sub-period (written shift minus 1)
    uint8_t workdays;           // WEEKDAY only: working days per week
    uint8_t weekend[7];         // WEEKDAY only: 1 for a weekend day, 0 = Sunday ... 6 = Saturday
    char text[INTERVAL_TEXT_MAX + 1];   // the name as written, NUL-terminated
    int16_t text_length;
    uint8_t reserved_b[4];
};
static_assert(sizeof(interval_spec) == 48, "interval records are copied as 48 bytes");

// Parse an interval name (length, or negative for NUL-terminated) into spec.
// 0 on success, else one of the codes above; on failure spec must not be used.
int zintstr(const char* name, int length, interval_spec* spec);
