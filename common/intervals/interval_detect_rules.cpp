// The rules that three increasing values must pass for a candidate interval during detection:
// interval starts, a common offset inside a unit, the month family, and the candidate test.
#include <cmath>
#include <cstdio>
#include <cstring>

#include "common/intervals/interval_arith.h"
#include "common/intervals/interval_detect_internal.h"
#include "common/intervals/interval_units.h"

const char* const kIntervalWorkdayNames[4] = {"WEEKDAY", "WEEKDAY56W", "WEEKDAY1W", "WEEKDAY7W"};

namespace {

bool is_start(const interval_spec* spec, double x) {
    const double start = zintnx2(spec, x, 0);
    return !interval_is_missing(start) && start == x;
}

// Counts in sub-units that are present, below the limit, whole and equal for all three.
bool same_whole_counts(const double counts[3], int limit) {
    for (int i = 0; i < 3; ++i) {
        if (interval_is_missing(counts[i]) || counts[i] >= limit || counts[i] < 0) return false;
        if (!interval_nearly_whole(counts[i]) || counts[i] != counts[0]) return false;
    }
    return true;
}

bool strictly_increasing(const double v[3]) {
    for (int i = 0; i < 3; ++i)
        if (interval_is_missing(v[i])) return false;
    return v[0] < v[1] && v[1] < v[2];
}

// Appends text to the candidate's name; false when the name would not fit.
bool append_text(interval_spec* c, const char* text) {
    const size_t have = static_cast<size_t>(c->text_length);
    const size_t more = std::strlen(text);
    if (have + more > INTERVAL_TEXT_MAX) return false;
    std::memcpy(c->text + have, text, more + 1);
    c->text_length = static_cast<int16_t>(have + more);
    return true;
}

// The name given to a detected interval must parse back to the same interval: a multiplier
// above the parser's limit or a shift it refuses would hand callers a name they cannot use.
bool names_itself(const interval_spec* c) {
    interval_spec parsed;
    if (zintstr(c->text, c->text_length, &parsed) != 0) return false;
    return parsed.kind == c->kind && parsed.code == c->code &&
           interval_multiplier(&parsed) == interval_multiplier(c) && parsed.shift == c->shift;
}

}  // namespace

bool interval_nearly_whole(double v) {
    const double shifted = v + 1e-9;
    return shifted - std::floor(shifted) <= 1e-6;
}

bool interval_named(const char* name, interval_spec* spec) {
    return zintstr(name, -1, spec) == 0;
}

bool interval_all_starts(const interval_spec* spec, const interval_triple* t) {
    return is_start(spec, t->x[0]) && is_start(spec, t->x[1]) && is_start(spec, t->x[2]);
}

bool interval_same_offset(const interval_spec* a, const interval_spec* b, int limit,
                          const interval_triple* t) {
    if (interval_all_starts(a, t)) return true;
    double starts[3], counts[3];
    for (int i = 0; i < 3; ++i) starts[i] = zintnx2(a, t->x[i], 0);
    if (!strictly_increasing(starts)) return false;
    for (int i = 0; i < 3; ++i) counts[i] = zintck2(b, starts[i], t->x[i]);
    return same_whole_counts(counts, limit);
}

bool interval_month_test(const interval_spec* month, const interval_spec* day,
                         const interval_triple* t) {
    if (interval_same_offset(month, day, 31, t)) return true;
    double next[3], before[3];
    for (int i = 0; i < 3; ++i) {
        next[i] = zintnx2(month, t->x[i], 1);
        before[i] = interval_is_missing(next[i]) ? next[i] : zintck2(day, t->x[i], next[i]);
    }
    const bool last_days = before[0] == 1 && before[1] == 1 && before[2] == 1;
    if (last_days) return true;
    return strictly_increasing(next) && same_whole_counts(before, 31);
}

bool interval_candidate(interval_spec* c, const interval_spec* b, int k, const interval_triple* t) {
    const double s1 = zintck2(b, t->x[0], t->x[1]);
    const double s2 = zintck2(b, t->x[1], t->x[2]);
    if (interval_is_missing(s1) || interval_is_missing(s2)) return false;
    const double u1 = s1 / k, u2 = s2 / k;
    if (!interval_nearly_whole(u1) || !interval_nearly_whole(u2)) return false;
    const double small = std::round(std::fmin(u1, u2)), large = std::round(std::fmax(u1, u2));
    if (small < 1 || !interval_nearly_whole(large / small)) return false;

    const double c1 = zintck2(c, t->x[0], t->x[1]);
    const double c2 = zintck2(c, t->x[1], t->x[2]);
    if (interval_is_missing(c1) || interval_is_missing(c2)) return false;
    const double m = std::fmin(c1, c2);
    if (m < 1) return false;
    if (m > 1) {
        if (m > 32767) return false;   // beyond any interval name
        c->multiplier = static_cast<int32_t>(m);
        char digits[16];
        std::snprintf(digits, sizeof digits, "%d", c->multiplier);
        if (!append_text(c, digits)) return false;
    }
    if (!is_start(c, t->x[0])) {
        // Not aligned: accepted when all three sit the same number of base units into their
        // intervals, which then becomes the shift.
        double offsets[3];
        for (int i = 0; i < 3; ++i) {
            const double start = zintnx2(c, t->x[i], 0);
            offsets[i] = interval_is_missing(start) ? start : zintck2(b, start, t->x[i]);
            if (interval_is_missing(offsets[i]) || offsets[i] != offsets[0]) return false;
        }
        const double s = offsets[0];
        if (s < 0 || s > 32767 * 12.0) return false;
        c->shift = static_cast<int32_t>(s);
        if (c->shift != 0) {
            char digits[16];
            std::snprintf(digits, sizeof digits, ".%d", c->shift + 1);
            if (!append_text(c, digits)) return false;
        }
    }
    return names_itself(c);
}
