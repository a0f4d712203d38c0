// Shared helpers of the interval arithmetic: floor division, the host missing value, unit
// indexes of dates (months, sub-month periods, working days) and the period/offset of a spec.
#pragma once
#include <cstdint>

#include "common/intervals/interval_spec.h"

constexpr int64_t INTERVAL_DATE_MIN = -138061;
constexpr int64_t INTERVAL_DATE_MAX = 6589335;

int64_t interval_floordiv(int64_t a, int64_t b);   // rounds toward minus infinity, b > 0
int64_t interval_floormod(int64_t a, int64_t b);   // in 0 .. b - 1, b > 0

double interval_missing();                  // the host's missing value
bool interval_is_missing(double x);         // any NaN, the host's missing values included

int interval_multiplier(const interval_spec* spec);   // the multiplier, at least 1

// Whole day of a value under the interval's kind (seconds are floored to days); false for a kind
// that holds no dates or a day outside the valid range.
bool interval_day_of(const interval_spec* spec, double value, int64_t* day);

// Month index (year - 1960) * 12 + month - 1, or the ten-day / half-month index, of a day.
// False when the host date service refuses the day.
bool interval_month_unit(int code, int64_t day, int64_t* unit);

// Working-day helpers of WEEKDAY specs. interval_workdays counts the working days of the week
// from the weekend list (0 when a hand-made record leaves none: callers then give missing).
int interval_workdays(const interval_spec* spec);
bool interval_is_workday(const interval_spec* spec, int64_t day);
int64_t interval_workday_on_or_before(const interval_spec* spec, int64_t day);
int64_t interval_workday_number(const interval_spec* spec, int64_t day);

// Period M and offset S of a date spec in its own units (days, working days, months or
// sub-month units): boundaries are the units i with floormod(i + S, M) = 0.
void interval_date_period(const interval_spec* spec, int64_t* period, int64_t* offset);
// Period and offset in seconds of a time spec (second, minute, hour). False, with an internal
// error line naming the routine, when the interval is not one of them.
bool interval_time_period(const interval_spec* spec, const char* routine, double* period,
                          double* offset);
