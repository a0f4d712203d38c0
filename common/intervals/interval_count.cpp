// zintck2: the number of interval boundaries crossed between two values, for observation,
// time and date intervals, with floor division so counts are exact across day zero.
#include <cmath>

#include "common/intervals/interval_arith.h"
#include "common/intervals/interval_units.h"
#include "host/print.h"

namespace {

constexpr double kValueLimit = 1.3407807929942597e152;

double count_dates(const interval_spec* spec, double from, double to) {
    int64_t day_from, day_to;
    if (!interval_day_of(spec, from, &day_from) || !interval_day_of(spec, to, &day_to)) return interval_missing();
    int64_t unit_from, unit_to;
    switch (spec->code) {
        case INTERVAL_DAY:
        case INTERVAL_WEEK:
            unit_from = day_from;
            unit_to = day_to;
            break;
        case INTERVAL_WEEKDAY:
            if (interval_workdays(spec) == 0) return interval_missing();
            unit_from = interval_workday_number(spec, interval_workday_on_or_before(spec, day_from));
            unit_to = interval_workday_number(spec, interval_workday_on_or_before(spec, day_to));
            break;
        case INTERVAL_TENDAY:
        case INTERVAL_SEMIMONTH:
        case INTERVAL_MONTH:
        case INTERVAL_QTR:
        case INTERVAL_SEMIYEAR:
        case INTERVAL_YEAR:
            if (!interval_month_unit(spec->code, day_from, &unit_from) ||
                !interval_month_unit(spec->code, day_to, &unit_to))
                return interval_missing();
            break;
        default:
            xebug("zintck2: invalid intcode=%i", static_cast<int>(spec->code));
            return interval_missing();
    }
    int64_t period, offset;
    interval_date_period(spec, &period, &offset);
    if (period == 1) return static_cast<double>(unit_to - unit_from);
    return static_cast<double>(interval_floordiv(unit_to + offset, period) -
                               interval_floordiv(unit_from + offset, period));
}

double count_times(const interval_spec* spec, double from, double to) {
    if (spec->kind != INTERVAL_KIND_SECONDS) return interval_missing();
    double period, offset;
    if (!interval_time_period(spec, "zintck2", &period, &offset)) return interval_missing();
    return std::floor((to + offset) / period) - std::floor((from + offset) / period);
}

}  // namespace

double zintck2(const interval_spec* spec, double from, double to) {
    if (!spec) return interval_missing();
    if (interval_is_missing(from) || interval_is_missing(to)) return interval_missing();
    if (std::fabs(from) > kValueLimit || std::fabs(to) > kValueLimit) return interval_missing();
    from = std::floor(from);
    to = std::floor(to);
    if (spec->code == INTERVAL_OBS) {
        if (spec->kind != INTERVAL_KIND_OBS) return interval_missing();
        const double m = interval_multiplier(spec);
        return std::floor(to / m) - std::floor(from / m);
    }
    if (spec->code >= INTERVAL_DAY) return count_dates(spec, from, to);
    return count_times(spec, from, to);
}
