// zintnx2: move a value by whole intervals to the start of the target interval, for
// observation, time, day, week, working-day and month-based intervals, with overflow guards.
#include <cmath>

#include "common/intervals/interval_arith.h"
#include "common/intervals/interval_units.h"
#include "host/dates.h"
#include "host/print.h"

namespace {

// Steps times period beyond this could leave the int32 day range of the host (2^31 - 1 less
// the largest valid date).
constexpr int64_t kStepLimit = 2140894312;

bool step_overflows(int64_t n, int64_t period) {
    return n != 0 && kStepLimit / (n < 0 ? -n : n) < period;
}

double advance_observations(const interval_spec* spec, double start, double n) {
    if (spec->kind != INTERVAL_KIND_OBS) return interval_missing();
    const double m = interval_multiplier(spec);
    if (m == 1) return start + n;
    return std::floor(start / m) * m + m * n;
}

double advance_times(const interval_spec* spec, double start, double n) {
    if (spec->kind != INTERVAL_KIND_SECONDS) return interval_missing();
    double period, offset;
    if (!interval_time_period(spec, "zintnx2", &period, &offset)) return interval_missing();
    return period * (std::floor((start + offset) / period) + n) - offset;
}

bool advance_workdays(const interval_spec* spec, int64_t day, int64_t n, int64_t* result) {
    const int64_t m = interval_multiplier(spec);
    const int64_t workdays = interval_workdays(spec);
    if (workdays == 0 || step_overflows(n, m)) return false;
    day = interval_workday_on_or_before(spec, day);
    if (m > 1) {
        n *= m;
        int64_t period, offset;
        interval_date_period(spec, &period, &offset);
        const int64_t w = interval_workday_number(spec, day);
        int64_t back = w - (interval_floordiv(w + offset, m) * m - offset);
        while (back-- > 0) {
            --day;
            while (!interval_is_workday(spec, day)) --day;
        }
    }
    day += 7 * interval_floordiv(n, workdays);
    for (int64_t k = interval_floormod(n, workdays); k > 0; --k) {
        ++day;
        while (!interval_is_workday(spec, day)) ++day;
    }
    *result = day;
    return true;
}

bool advance_months(const interval_spec* spec, int64_t day, int64_t n, int64_t* result) {
    int64_t units_per_year = 12, days_per_unit = 31;
    if (spec->code == INTERVAL_TENDAY) { units_per_year = 36; days_per_unit = 11; }
    if (spec->code == INTERVAL_SEMIMONTH) { units_per_year = 24; days_per_unit = 16; }
    int64_t period, offset;
    interval_date_period(spec, &period, &offset);
    if (step_overflows(n, period * days_per_unit)) return false;
    int64_t unit;
    if (!interval_month_unit(spec->code, day, &unit)) return false;
    const int64_t target =
        period == 1 ? unit + n : (interval_floordiv(unit + offset, period) + n) * period - offset;
    const int64_t year = interval_floordiv(target, units_per_year) + 1960;
    const int64_t in_year = interval_floormod(target, units_per_year);
    int month, mday = 1;
    if (spec->code == INTERVAL_TENDAY) {
        month = static_cast<int>(in_year / 3) + 1;
        mday = 1 + 10 * static_cast<int>(in_year % 3);
    } else if (spec->code == INTERVAL_SEMIMONTH) {
        month = static_cast<int>(in_year / 2) + 1;
        mday = in_year % 2 ? 16 : 1;
    } else {
        month = static_cast<int>(in_year) + 1;
    }
    if (year < 1000 || year > 99999) return false;   // far outside the valid range
    const double date = ziddmdy(month, mday, static_cast<int>(year));
    if (std::isnan(date)) return false;
    *result = static_cast<int64_t>(date);
    return true;
}

double advance_dates(const interval_spec* spec, double start, int64_t n) {
    int64_t day;
    if (!interval_day_of(spec, start, &day)) return interval_missing();
    int64_t result;
    switch (spec->code) {
        case INTERVAL_DAY:
        case INTERVAL_WEEK: {
            int64_t period, offset;
            interval_date_period(spec, &period, &offset);
            if (step_overflows(n, period)) return interval_missing();
            result = period == 1 ? day + n
                                 : (interval_floordiv(day + offset, period) + n) * period - offset;
            break;
        }
        case INTERVAL_WEEKDAY:
            if (!advance_workdays(spec, day, n, &result)) return interval_missing();
            break;
        case INTERVAL_TENDAY:
        case INTERVAL_SEMIMONTH:
        case INTERVAL_MONTH:
        case INTERVAL_QTR:
        case INTERVAL_SEMIYEAR:
        case INTERVAL_YEAR:
            if (!advance_months(spec, day, n, &result)) return interval_missing();
            break;
        default:
            xebug("zintnx2: yearbase: bad intcode=%i", static_cast<int>(spec->code));
            return interval_missing();
    }
    if (result < INTERVAL_DATE_MIN || result > INTERVAL_DATE_MAX) return interval_missing();
    const double value = static_cast<double>(result);
    return spec->kind == INTERVAL_KIND_SECONDS ? value * 86400.0 : value;
}

}  // namespace

double zintnx2(const interval_spec* spec, double start, double n) {
    if (!spec) return interval_missing();
    if (interval_is_missing(start) || interval_is_missing(n)) return interval_missing();
    if (n > 2147483647.0 || n < -2147483647.0) return interval_missing();
    if (std::isinf(start)) return interval_missing();
    // A hair above the value so that 2.9999999999999 computed upstream counts as 3.
    start = std::floor(start + 1e-12);
    n = std::floor(n + 1e-12);
    if (spec->code == INTERVAL_OBS) return advance_observations(spec, start, n);
    if (spec->code < INTERVAL_DAY) return advance_times(spec, start, n);
    return advance_dates(spec, start, static_cast<int64_t>(n));
}
