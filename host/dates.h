// Host date services: host date values (whole days from 1 January 1960, proleptic Gregorian)
// to and from month, day and year, weekdays and today's date.
#pragma once
#include "host/export.h"

// Host date values are valid from 1 January 1582 (-138061) to 26 December 20000 (6589335).
constexpr int QOR_DATE_MIN = -138061;
constexpr int QOR_DATE_MAX = 6589335;

// Split a date into month (1-12), day (1-31) and year. 0 on success; 1 for a missing,
// non-number or out-of-range date (the out-arguments are then left untouched).
// Any null out-argument gives 2. The date is floored first, so 0.5 is 1 January 1960.
QOR_HOST_API int zidmdyd(int* month, int* day, int* year, double date);

// The date of month, day and year; the host missing value for an impossible date
// (month outside 1-12, day outside its month) or one outside the valid range.
QOR_HOST_API double ziddmdy(int month, int day, int year);

// Same service under the name the engine's run set-up uses.
QOR_HOST_API double zmdy(int month, int day, int year);

// Day of the week of a date, 0 = Sunday ... 6 = Saturday; -1 for a missing or invalid date.
QOR_HOST_API int zweekdy(double date);

// Today's date in local time, as a host date value.
QOR_HOST_API double ztoday();
