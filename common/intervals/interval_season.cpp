// zintsea: the natural season of an interval (minutes within an hour, days within a week,
// months within a year, ...) and how many intervals make one season.
#include <cmath>
#include <cstring>
#include <initializer_list>

#include "common/intervals/interval_arith.h"
#include "common/intervals/interval_units.h"

namespace {

bool one_of(int m, std::initializer_list<int> allowed) {
    for (int a : allowed)
        if (a == m) return true;
    return false;
}

// The season's name and, when the multiplier divides it evenly, the intervals per season
// (0 when it has to be measured). False for intervals without a season.
bool season_of(const interval_spec* spec, const char** name, int* count) {
    const int m = interval_multiplier(spec);
    *count = 0;
    switch (spec->code) {
        case INTERVAL_SECOND:
            *name = "MINUTE";
            if (m <= 6 || one_of(m, {10, 12, 15, 20, 30})) *count = 60 / m;
            return true;
        case INTERVAL_MINUTE:
            *name = "HOUR";
            if (m <= 6 || one_of(m, {10, 12, 15, 20, 30})) *count = 60 / m;
            return true;
        case INTERVAL_HOUR:
            *name = "DAY";
            if (m <= 4 || one_of(m, {6, 8, 12})) *count = 24 / m;
            return true;
        case INTERVAL_DAY:
            *name = "WEEK";
            if (m == 1) *count = 7;
            return true;
        case INTERVAL_WEEKDAY:
            *name = "WEEK";
            *count = interval_workdays(spec);
            return true;
        case INTERVAL_WEEK:
            *name = "YEAR";
            if (m <= 2 || one_of(m, {4, 13, 26})) *count = 52 / m;
            return true;
        case INTERVAL_TENDAY:
            *name = "YEAR";
            if (m <= 4 || one_of(m, {6, 9, 12, 18})) *count = 36 / m;
            return true;
        case INTERVAL_SEMIMONTH:
            *name = "YEAR";
            if (m <= 4 || one_of(m, {6, 8, 12})) *count = 24 / m;
            return true;
        case INTERVAL_MONTH:
            *name = "YEAR";
            if (m <= 4 || m == 6) *count = 12 / m;
            return true;
        case INTERVAL_QTR:
            *name = "YEAR";
            if (m <= 2) *count = 4 / m;
            return true;
        case INTERVAL_SEMIYEAR:
            *name = "YEAR";
            if (m == 1) *count = 2;
            return true;
        case INTERVAL_YEAR:
            *name = "YEAR";
            if (m == 1) *count = 1;
            return true;
        default:
            return false;
    }
}

bool is_start(const interval_spec* spec, double x) {
    const double b = zintnx2(spec, x, 0);
    return !interval_is_missing(b) && b == x;
}

}  // namespace

int zintsea(const interval_spec* spec, double date, interval_spec* season, int* nseasons) {
    if (!season || !nseasons) return SEASON_NO_INTERVAL;
    std::memset(season, 0, sizeof *season);
    *nseasons = 0;
    if (!spec || spec->code == INTERVAL_NONE) return SEASON_NO_INTERVAL;

    const char* name = nullptr;
    int count = 0;
    if (!season_of(spec, &name, &count)) return SEASON_NONE;
    char text[16] = "DT";
    std::strcpy(spec->kind == INTERVAL_KIND_SECONDS ? text + 2 : text, name);
    if (zintstr(text, -1, season) != 0) {   // cannot happen: the names are fixed
        std::memset(season, 0, sizeof *season);
        return SEASON_NONE;
    }
    if (count > 0) {
        *nseasons = count;
        return SEASON_FOUND;
    }

    // Measure: count the intervals in the season that contains date, when the season's ends
    // are boundaries of the interval.
    const double b = zintnx2(season, date, 0);
    if (interval_is_missing(b)) return SEASON_FOUND;
    const double e = zintnx2(season, b, 1);
    if (!is_start(spec, b) || !is_start(spec, e)) {
        std::memset(season, 0, sizeof *season);
        return SEASON_NONE;
    }
    const double counted = zintck2(spec, b, e);
    const double whole = interval_is_missing(counted) ? 0.0 : std::trunc(counted);
    if (whole >= 1 && whole <= 100) {
        *nseasons = static_cast<int>(whole);
        return SEASON_FOUND;
    }
    std::memset(season, 0, sizeof *season);
    return SEASON_NONE;
}
