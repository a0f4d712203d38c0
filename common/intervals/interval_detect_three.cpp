// zintget: the interval that three increasing values follow (dates, datetimes or observation
// numbers), with the guess record of its season and default format.
#include <cmath>
#include <cstdio>
#include <cstring>

#include "common/intervals/interval_arith.h"
#include "common/intervals/interval_detect_internal.h"
#include "common/intervals/interval_units.h"

namespace {

// frac(v + 1e-9) below 1e-6: used where a step must be whole hours or whole days.
bool whole_below(double v) {
    const double shifted = v + 1e-9;
    return shifted - std::floor(shifted) < 1e-6;
}

// The record of a date-family name, with "DT" in front for datetimes.
bool date_name(bool datetime, const char* base, interval_spec* spec) {
    char text[INTERVAL_TEXT_MAX + 1];
    std::snprintf(text, sizeof text, "%s%s", datetime ? "DT" : "", base);
    return interval_named(text, spec);
}

// Small whole day numbers that step like days are observation numbers: the interval is every
// g observations, g being the smaller step.
int observations(const interval_triple* t, interval_spec* out) {
    const double a = std::floor(t->x[1]) - std::floor(t->x[0]);
    const double b = std::floor(t->x[2]) - std::floor(t->x[1]);
    const double g = std::fmin(a, b), larger = std::fmax(a, b);
    if (g < 1 || g > 999999) return INTERVAL_GET_NONE;
    std::memset(out, 0, sizeof *out);
    out->kind = INTERVAL_KIND_OBS;
    out->code = INTERVAL_OBS;
    out->multiplier = std::fmod(larger, g) == 0 ? static_cast<int32_t>(g) : 1;
    out->text_length = static_cast<int16_t>(
        std::snprintf(out->text, sizeof out->text, "%d", out->multiplier));
    return INTERVAL_GET_FOUND;
}

// Tries names in order as candidates over base (a record of its own: a candidate's multiplier
// must not change the unit its shift is counted in) with their k; the first accepted wins.
struct tried {
    const char* name;
    int k;
};
bool first_accepted(bool datetime, const tried* list, int count, const interval_spec* base,
                    const interval_triple* t, interval_spec* out) {
    for (int i = 0; i < count; ++i) {
        interval_spec c;
        if (date_name(datetime, list[i].name, &c) &&
            interval_candidate(&c, base, list[i].k, t)) {
            *out = c;
            return true;
        }
    }
    return false;
}

// Month family, half months, ten-day periods, weeks, days and working days.
int detect_dates(bool datetime, const interval_triple* t, interval_spec* out) {
    interval_spec month, day, semimonth, tenday;
    if (!date_name(datetime, "MONTH", &month) || !date_name(datetime, "DAY", &day) ||
        !date_name(datetime, "SEMIMONTH", &semimonth) || !date_name(datetime, "TENDAY", &tenday))
        return INTERVAL_GET_NONE;

    static const tried kMonthFamily[] = {{"YEAR", 12}, {"SEMIYEAR", 6}, {"QTR", 3}, {"MONTH", 1}};
    if (interval_month_test(&month, &day, t) && first_accepted(datetime, kMonthFamily, 4, &month, t, out))
        return INTERVAL_GET_FOUND;
    static const tried kSemimonth[] = {{"SEMIMONTH", 1}};
    static const tried kTenday[] = {{"TENDAY", 1}};
    if (interval_same_offset(&semimonth, &day, 15, t) &&
        first_accepted(datetime, kSemimonth, 1, &semimonth, t, out))
        return INTERVAL_GET_FOUND;
    if (interval_same_offset(&tenday, &day, 10, t) &&
        first_accepted(datetime, kTenday, 1, &tenday, t, out))
        return INTERVAL_GET_FOUND;

    // Below a month every value must sit at the same time of day (datetimes) or be a whole
    // day (dates).
    if (datetime) {
        interval_spec hour;
        if (!interval_named("HOUR", &hour) || !interval_same_offset(&day, &hour, 24, t))
            return INTERVAL_GET_NONE;
    } else if (!interval_all_starts(&day, t)) {
        return INTERVAL_GET_NONE;
    }
    static const tried kWeek[] = {{"WEEK", 7}};
    static const tried kDay[] = {{"DAY", 1}};
    if (first_accepted(datetime, kWeek, 1, &day, t, out)) return INTERVAL_GET_FOUND;
    if (first_accepted(datetime, kDay, 1, &day, t, out)) {
        // Datetimes a day apart stay datetimes: seconds below 1000 are not observation numbers.
        if (!datetime && t->x[0] > 0 && t->x[0] < 1000) return observations(t, out);
        return INTERVAL_GET_FOUND;
    }
    // A working-day interval must not be reported for values that fall on its weekend: the
    // check of the same values would call them inconsistent.
    for (const char* name : kIntervalWorkdayNames) {
        const tried candidate[] = {{name, 1}};
        interval_spec plain;
        if (!date_name(datetime, name, &plain)) continue;
        bool working = true;
        for (double x : t->x) working = working && interval_on_working_day(&plain, x);
        if (working && first_accepted(datetime, candidate, 1, &day, t, out))
            return INTERVAL_GET_FOUND;
    }
    return INTERVAL_GET_NONE;
}

// Hours, minutes and seconds of datetimes.
int detect_times(const interval_triple* t, interval_spec* out) {
    interval_spec hour, minute, second;
    if (!interval_named("HOUR", &hour) || !interval_named("MINUTE", &minute) ||
        !interval_named("SECOND", &second))
        return INTERVAL_GET_NONE;
    const struct {
        const interval_spec* unit;
        bool admitted;
    } steps[] = {
        {&hour, interval_same_offset(&hour, &minute, 60, t)},
        {&minute, interval_same_offset(&minute, &second, 60, t)},
        {&second, interval_all_starts(&second, t)},
    };
    for (const auto& step : steps) {
        interval_spec c = *step.unit;
        if (step.admitted && interval_candidate(&c, step.unit, 1, t)) {
            *out = c;
            return INTERVAL_GET_FOUND;
        }
    }
    return INTERVAL_GET_NONE;
}

}  // namespace

void interval_unknown(interval_spec* spec) {
    std::memset(spec, 0, sizeof *spec);
    spec->kind = INTERVAL_KIND_UNKNOWN;
    spec->multiplier = 1;
}

void interval_fill_guess(const interval_spec* spec, double x0, interval_guess* guess) {
    if (!guess) return;
    std::memset(guess, 0, sizeof *guess);
    interval_spec season;
    int seasons = 0;
    if (zintsea(spec, x0, &season, &seasons) == SEASON_FOUND) {
        guess->season = season;
        guess->seasons = seasons;
    }
    int16_t length = 0;
    uint16_t width = 0, short_width = 0;
    zintfmt(spec, guess->format_name, &length, &width, &short_width);
    guess->format_name_length = length;
    guess->format_width = width;
}

int zintget(double x0, double x1, double x2, interval_spec* spec, interval_guess* guess) {
    if (!spec) return INTERVAL_CHECK_NULL;
    if (guess) std::memset(guess, 0, sizeof *guess);
    // Every failure leaves the "no interval" record, so a caller that misses the code still
    // reads a defined spec.
    interval_unknown(spec);
    if (interval_is_missing(x0) || interval_is_missing(x1) || interval_is_missing(x2))
        return INTERVAL_GET_MISSING;
    if (!(std::floor(x1) - std::floor(x0) >= 1) || !(std::floor(x2) - std::floor(x1) >= 1))
        return INTERVAL_GET_BAD_VALUES;

    const double smaller = std::fmin(x1 - x0, x2 - x1);
    const bool datetime = x2 >= 86400 || x0 <= -86400 ||
                          (smaller >= 3600 && whole_below(smaller / 3600));
    const double unit = datetime ? 86400 : 1;
    if (!(x0 / unit >= INTERVAL_DATE_MIN) || !(x2 / unit <= INTERVAL_DATE_MAX))
        return INTERVAL_GET_BAD_VALUES;

    const interval_triple t = {{x0, x1, x2}};
    interval_spec found;
    int rc = INTERVAL_GET_NONE;
    if (!datetime || whole_below((x1 - x0) / 86400)) rc = detect_dates(datetime, &t, &found);
    if (rc != INTERVAL_GET_FOUND && datetime) rc = detect_times(&t, &found);
    if (rc != INTERVAL_GET_FOUND) return INTERVAL_GET_NONE;
    *spec = found;
    interval_fill_guess(spec, x0, guess);
    return INTERVAL_GET_FOUND;
}
