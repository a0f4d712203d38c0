// Checking a series of dates, datetimes or observation numbers against an interval:
// contiguous, with gaps, or not at all; zintdcv over an array, the reader shared with data sets.
#include <cmath>

#include "common/intervals/interval_arith.h"
#include "common/intervals/interval_check.h"
#include "common/intervals/interval_detect_internal.h"
#include "common/intervals/interval_units.h"

// Under a working-day interval every value must be the start of a working day.
bool interval_on_working_day(const interval_spec* spec, double x) {
    if (spec->kind == INTERVAL_KIND_DAYS && x > 86400) return false;   // datetimes read as dates
    const double day_start =
        spec->kind == INTERVAL_KIND_SECONDS ? std::floor(x / 86400) * 86400 : std::floor(x);
    const double start = zintnx2(spec, x, 0);
    return !interval_is_missing(start) && start == day_start;
}

int interval_check_source(interval_source* source, const interval_spec* spec, double* firstlast) {
    if (firstlast) firstlast[0] = firstlast[1] = interval_missing();
    if (source->rewind(source) != 0) return INTERVAL_DS_READ_ERROR;
    int result = INTERVAL_CHECK_CONTIGUOUS;
    double previous = 0;
    for (bool first = true;; first = false) {
        double x;
        const int rc = source->next(source, &x);
        if (rc == 1) break;
        if (rc != 0) return INTERVAL_DS_READ_ERROR;
        if (firstlast) {
            if (first) firstlast[0] = x;
            firstlast[1] = x;
        }
        if (interval_is_missing(x)) return INTERVAL_CHECK_MISSING;
        if (!first) {
            if (x < previous) return INTERVAL_CHECK_DESCENDING;
            if (x == previous) return INTERVAL_CHECK_DUPLICATE;
            const double steps = zintck2(spec, previous, x);
            if (interval_is_missing(steps)) return INTERVAL_CHECK_MISSING;
            if (steps < 1) return INTERVAL_CHECK_INCONSISTENT;
            if (steps > 1) result = INTERVAL_CHECK_GAPS;
        }
        if (spec->code == INTERVAL_WEEKDAY && !interval_on_working_day(spec, x))
            return INTERVAL_CHECK_INCONSISTENT;
        previous = x;
    }
    return result;
}

int zintdcv(const double* values, int count, const interval_spec* spec) {
    if (!spec || (!values && count > 0)) return INTERVAL_CHECK_NULL;
    interval_source source;
    interval_array_source(&source, values, count);
    return interval_check_source(&source, spec, nullptr);
}
