// Interval detection over a whole series: the closest run of three values names a candidate,
// the whole series is checked against it, and daily data with gaps may prove working days.
#include <cstring>

#include "common/intervals/interval_arith.h"
#include "common/intervals/interval_detect_internal.h"
#include "common/intervals/interval_units.h"

namespace {

// Reads the series once: every value present and strictly ascending, and the run of three
// consecutive values with the smallest span (the earliest on a tie) into best.
int closest_run(interval_source* source, interval_triple* best) {
    if (source->rewind(source) != 0) return INTERVAL_DS_READ_ERROR;
    double before = 0, last = 0, best_span = 0;
    int n = 0;
    for (;; ++n) {
        double x;
        const int rc = source->next(source, &x);
        if (rc == 1) break;
        if (rc != 0) return INTERVAL_DS_READ_ERROR;
        if (interval_is_missing(x)) return INTERVAL_CHECK_MISSING;
        if (n >= 1 && x < last) return INTERVAL_CHECK_DESCENDING;
        if (n >= 1 && x == last) return INTERVAL_CHECK_DUPLICATE;
        if (n >= 2 && (n == 2 || x - before < best_span)) {
            best_span = x - before;
            *best = interval_triple{{before, last, x}};
        }
        before = last;
        last = x;
    }
    return n < 3 ? INTERVAL_SERIES_TOO_SHORT : 0;
}

// Daily data (or observations one apart) with gaps: the first working-day interval that
// fits the whole series contiguously or with gaps replaces the plain days.
int try_working_days(interval_source* source, interval_spec* spec, interval_guess* guess,
                     double x0) {
    const bool datetime = spec->kind == INTERVAL_KIND_SECONDS;
    for (const char* name : kIntervalWorkdayNames) {
        char text[INTERVAL_TEXT_MAX + 1] = "DT";
        std::strcpy(datetime ? text + 2 : text, name);
        interval_spec candidate;
        if (!interval_named(text, &candidate)) continue;
        const int rc = interval_check_source(source, &candidate, nullptr);
        if (rc == INTERVAL_DS_READ_ERROR) return rc;
        if (rc <= INTERVAL_CHECK_GAPS) {
            *spec = candidate;
            interval_fill_guess(spec, x0, guess);
            return rc;
        }
    }
    return INTERVAL_CHECK_GAPS;
}

}  // namespace

int interval_detect_source(interval_source* source, interval_spec* spec, interval_guess* guess) {
    interval_unknown(spec);
    if (guess) std::memset(guess, 0, sizeof *guess);
    interval_triple run{};
    const int rc = closest_run(source, &run);
    if (rc != 0) return rc;
    if (zintget(run.x[0], run.x[1], run.x[2], spec, guess) != INTERVAL_GET_FOUND)
        return INTERVAL_CHECK_INCONSISTENT;
    const int check = interval_check_source(source, spec, nullptr);
    if (check == INTERVAL_DS_READ_ERROR) return check;
    if (check > INTERVAL_CHECK_GAPS) return INTERVAL_CHECK_INCONSISTENT;
    if (check == INTERVAL_CHECK_CONTIGUOUS) return check;
    const bool daily = (spec->code == INTERVAL_DAY || spec->code == INTERVAL_OBS) &&
                       interval_multiplier(spec) == 1;
    return daily ? try_working_days(source, spec, guess, run.x[0]) : INTERVAL_CHECK_GAPS;
}

int zintdgv(const double* values, int count, interval_spec* spec, interval_guess* guess) {
    if (!spec || (!values && count > 0)) return INTERVAL_CHECK_NULL;
    interval_source source;
    interval_array_source(&source, values, count);
    return interval_detect_source(&source, spec, guess);
}
