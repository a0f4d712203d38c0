// Unit indexes and period arithmetic shared by interval counting, advancing and alignment.
// Everything is integer arithmetic with floor division so negative dates align like positive.
#include "common/intervals/interval_units.h"

#include "host/print.h"

#include <cmath>

#include "common/module/anchors.h"
#include "host/dates.h"
#include "host/missing.h"

int64_t interval_floordiv(int64_t a, int64_t b) {
    int64_t q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
    return q;
}

int64_t interval_floormod(int64_t a, int64_t b) { return a - interval_floordiv(a, b) * b; }

double interval_missing() {
    const qor_gcb* gcb = common_gcb();
    if (gcb && qor::is_missing(gcb->missing)) return gcb->missing;
    return qor::missing();
}

bool interval_is_missing(double x) { return std::isnan(x); }

int interval_multiplier(const interval_spec* spec) {
    return spec->multiplier > 0 ? spec->multiplier : 1;
}

bool interval_day_of(const interval_spec* spec, double value, int64_t* day) {
    double d;
    if (spec->kind == INTERVAL_KIND_SECONDS)
        d = std::floor(value / 86400.0);
    else if (spec->kind == INTERVAL_KIND_DAYS)
        d = std::floor(value);
    else
        return false;
    if (!(d >= INTERVAL_DATE_MIN && d <= INTERVAL_DATE_MAX)) return false;
    *day = static_cast<int64_t>(d);
    return true;
}

bool interval_month_unit(int code, int64_t day, int64_t* unit) {
    int month = 0, mday = 0, year = 0;
    if (zidmdyd(&month, &mday, &year, static_cast<double>(day)) != 0) return false;
    const int64_t month_index = (static_cast<int64_t>(year) - 1960) * 12 + (month - 1);
    if (code == INTERVAL_TENDAY)
        *unit = 3 * month_index + (mday > 10) + (mday > 20);
    else if (code == INTERVAL_SEMIMONTH)
        *unit = 2 * month_index + (mday > 15);
    else
        *unit = month_index;
    return true;
}

int interval_workdays(const interval_spec* spec) {
    int count = 0;
    for (uint8_t day : spec->weekend) count += day ? 0 : 1;
    return count;
}

bool interval_is_workday(const interval_spec* spec, int64_t day) {
    // Day 0 was a Friday; weekday index 0 = Sunday.
    return spec->weekend[interval_floormod(day + 5, 7)] == 0;
}

int64_t interval_workday_on_or_before(const interval_spec* spec, int64_t day) {
    // The parser leaves at least one working day, so a week back always finds one.
    for (int i = 0; i < 7 && !interval_is_workday(spec, day); ++i) --day;
    return day;
}

int64_t interval_workday_number(const interval_spec* spec, int64_t day) {
    // Seven-day blocks start after a Friday; count working days of the block's first r days,
    // which run Saturday, Sunday, Monday, ...
    const int64_t r = interval_floormod(day, 7);
    int64_t count = interval_floordiv(day, 7) * interval_workdays(spec);
    for (int64_t k = 1; k <= r; ++k)
        if (interval_is_workday(spec, day - r + k)) ++count;
    return count;
}

void interval_date_period(const interval_spec* spec, int64_t* period, int64_t* offset) {
    const int64_t m = interval_multiplier(spec);
    int64_t s = spec->shift;
    switch (spec->code) {
        case INTERVAL_WEEK: *period = 7 * m; s -= 5; break;   // shift 0 = Sunday
        case INTERVAL_QTR: *period = 3 * m; break;
        case INTERVAL_SEMIYEAR: *period = 6 * m; break;
        case INTERVAL_YEAR: *period = 12 * m; break;
        default: *period = m; break;
    }
    *offset = s == 0 ? 0 : *period - s;
}

bool interval_time_period(const interval_spec* spec, const char* routine, double* period,
                          double* offset) {
    if (spec->code != INTERVAL_SECOND && spec->code != INTERVAL_MINUTE &&
        spec->code != INTERVAL_HOUR) {
        xebug("%s: bad intcode=%i", routine, static_cast<int>(spec->code));
        return false;
    }
    double unit = 1.0;
    if (spec->code == INTERVAL_MINUTE) unit = 60.0;
    if (spec->code == INTERVAL_HOUR) unit = 3600.0;
    *period = interval_multiplier(spec) * unit;
    *offset = spec->shift == 0 ? 0.0 : *period - spec->shift * unit;
    return true;
}
