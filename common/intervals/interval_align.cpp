// zintnx3: advance by whole intervals and place the result at the beginning, middle or end of
// the target interval, or at the same offset into it as the start had in its own interval.
#include <cmath>

#include "common/intervals/interval_arith.h"
#include "common/intervals/interval_units.h"

namespace {

// Same offset into the target interval r as start has into its own, cut to r's length.
double same_offset(const interval_spec* spec, double start, double n, double r) {
    const double b = zintnx2(spec, start, 0);
    const double e = zintnx2(spec, start, n + 1);
    if (interval_is_missing(b) || interval_is_missing(e)) return interval_missing();
    const double offset = std::floor(start + 1e-12) - b;
    return offset < e - r ? r + offset : e - 1;
}

}  // namespace

double zintnx3(const interval_spec* spec, double start, double n, const char* alignment) {
    const char how = alignment ? alignment[0] : '\0';
    if (how == 'E') {
        if (interval_is_missing(n)) return interval_missing();
        const double r = zintnx2(spec, start, n + 1);
        return interval_is_missing(r) ? r : r - 1;
    }
    const double r = zintnx2(spec, start, n);
    if (interval_is_missing(r)) return r;
    if (how == 'M') {
        const double e = zintnx2(spec, r, 1);
        if (interval_is_missing(e)) return e;
        return std::floor((r + e - 1) * 0.5);
    }
    if (how != 'S' || spec->code < INTERVAL_WEEK) return r;
    if (spec->code <= INTERVAL_MONTH) return same_offset(spec, start, n, r);

    // Quarters and longer keep the day of the month: count in months. A datetime interval
    // counts in datetime months, so the offset stays in seconds.
    interval_spec month;
    zintstr(spec->kind == INTERVAL_KIND_SECONDS ? "DTMONTH" : "MONTH", -1, &month);
    const int months_per = spec->code == INTERVAL_QTR ? 3 : spec->code == INTERVAL_SEMIYEAR ? 6 : 12;
    const double months = std::floor(n + 1e-12) * interval_multiplier(spec) * months_per;
    const double rm = zintnx2(&month, start, months);
    if (interval_is_missing(rm)) return rm;
    return same_offset(&month, start, months, rm);
}
