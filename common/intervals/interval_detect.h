// Finding the interval that dates, datetimes or observation numbers follow, and checking a
// data set variable against an interval: from three values, an array, or an open data set.
#pragma once
#include <cstdint>

#include "common/intervals/interval_check.h"
#include "common/intervals/interval_formats.h"
#include "common/intervals/interval_spec.h"
#include "host/dataset.h"

// Results of zintget.
enum : int {
    INTERVAL_GET_FOUND = 0,
    INTERVAL_GET_NONE = 1,          // the values follow no interval that is tried
    INTERVAL_GET_MISSING = 2,       // a value is missing
    INTERVAL_GET_BAD_VALUES = 3,    // steps below 1, or values outside the valid dates
};

// Further results of the series and data set routines (beside the INTERVAL_CHECK_* codes).
enum : int {
    INTERVAL_SERIES_TOO_SHORT = 30,    // fewer than three values
    INTERVAL_DS_BAD_NAME = 102,        // empty, not libref.member, or a libref above 8
    INTERVAL_DS_NOT_OPENED = 103,
    INTERVAL_DS_NO_VARIABLE = 104,
    INTERVAL_DS_NOT_NUMERIC = 105,
    INTERVAL_DS_READ_ERROR = 106,
};

// What detection knows beside the interval: its season and default display format. Zeroed
// by every routine that takes one.
struct interval_guess {
    interval_spec season;       // the season interval (zintsea), zeroed when none
    int32_t seasons;            // intervals per season, 0 if none
    uint16_t format_width;      // default format width with four-digit years
    int16_t format_name_length;
    char format_name[INTERVAL_FORMAT_NAME_MAX];   // not terminated
};

// Interval of three increasing values. On any non-zero result the record is zeroed with kind
// 'u', code 0 and multiplier 1. guess may be null. 1001 for a null spec.
int zintget(double x0, double x1, double x2, interval_spec* spec, interval_guess* guess);

// Detection over a whole series: 0 contiguous, 1 gaps, 2 no consistent interval, 10 missing,
// 20 descending, 21 duplicate, 30 fewer than three values (106 read error, data sets only).
// spec is zeroed ('u') first and holds the interval found; guess may be null.
int zintdgv(const double* values, int count, interval_spec* spec, interval_guess* guess);
// The same over numeric variable varnum (1-based) of a data set open for input; the data set
// is rewound before and after. 104 for no such variable, 105 when it is not numeric.
int zintdgp(qor_dataset* handle, int varnum, interval_spec* spec, interval_guess* guess);
// Opens "libref.member" (or "member" in WORK; a negative length means NUL-terminated), finds
// the variable by name and detects its interval; 102 to 105 as above; the data set is closed.
int zintdgd(const char* name, int namelen, const char* varname, int varnamelen,
            interval_spec* spec, interval_guess* guess);

// Checks every value of variable varnum against spec (results as zintdcv, 104 to 106 as
// above). firstlast, when given, receives the first and the last value read (missing when
// none was read).
int zintdcp(qor_dataset* handle, int varnum, const interval_spec* spec, double* firstlast);
// Opens by name as zintdgd, then zintdcp.
int zintdcd(const char* name, int namelen, const char* varname, int varnamelen,
            const interval_spec* spec, double* firstlast);
