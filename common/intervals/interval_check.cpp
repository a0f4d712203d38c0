// zintdcv: walks an array of dates, datetimes or observation numbers and tells whether they
// follow an interval contiguously, with gaps, or not at all.
#include <cmath>

#include "common/intervals/interval_arith.h"
#include "common/intervals/interval_check.h"
#include "common/intervals/interval_units.h"

namespace {

// Under a working-day interval every value must be the start of a working day.
bool on_working_day(const interval_spec* spec, double x) {
    if (spec->kind == INTERVAL_KIND_DAYS && x > 86400) return false;   // datetimes read as dates
    const double day_start =
        spec->kind == INTERVAL_KIND_SECONDS ? std::floor(x / 86400) * 86400 : std::floor(x);
    const double start = zintnx2(spec, x, 0);
    return !interval_is_missing(start) && start == day_start;
}

}  // namespace

int zintdcv(const double* values, int count, const interval_spec* spec) {
    if (!spec || (!values && count > 0)) return INTERVAL_CHECK_NULL;
    int result = INTERVAL_CHECK_CONTIGUOUS;
    for (int i = 0; i < count; ++i) {
        const double x = values[i];
        if (interval_is_missing(x)) return INTERVAL_CHECK_MISSING;
        if (i > 0) {
            const double previous = values[i - 1];
            if (x < previous) return INTERVAL_CHECK_DESCENDING;
            if (x == previous) return INTERVAL_CHECK_DUPLICATE;
            const double steps = zintck2(spec, previous, x);
            if (interval_is_missing(steps)) return INTERVAL_CHECK_MISSING;
            if (steps < 1) return INTERVAL_CHECK_INCONSISTENT;
            if (steps > 1) result = INTERVAL_CHECK_GAPS;
        }
        if (spec->code == INTERVAL_WEEKDAY && !on_working_day(spec, x))
            return INTERVAL_CHECK_INCONSISTENT;
    }
    return result;
}
