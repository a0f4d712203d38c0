// Date and time built-ins over host date values (days from 1 January 1960) and datetime
// values (seconds from midnight of that day).
#include <cmath>

#include "host/dates.h"
#include "host/missing.h"
#include "runtime/compiler/functions.h"

namespace qor::cmp {

namespace {
bool split(double date, int& m, int& d, int& y) { return !std::isnan(date) && zidmdyd(&m, &d, &y, date) == 0; }
}  // namespace

double fn_day(double date) {
    int m, d, y;
    return split(date, m, d, y) ? d : missing();
}
double fn_month(double date) {
    int m, d, y;
    return split(date, m, d, y) ? m : missing();
}
double fn_year(double date) {
    int m, d, y;
    return split(date, m, d, y) ? y : missing();
}
// WEEKDAY: 1 = Sunday .. 7 = Saturday.
double fn_weekday(double date) {
    int w = std::isnan(date) ? -1 : zweekdy(date);
    return w < 0 ? missing() : w + 1;
}
double fn_datepart(double dt) { return std::floor(dt / 86400.0); }
double fn_timepart(double dt) { return dt - std::floor(dt / 86400.0) * 86400.0; }

void fn_mdy(const GenArg* a, int, GenResult& out) {
    for (int i = 0; i < 3; ++i)
        if (std::isnan(a[i].num) || a[i].num != std::floor(a[i].num)) { out.num = missing(); return; }
    out.num = ziddmdy(static_cast<int>(a[0].num), static_cast<int>(a[1].num), static_cast<int>(a[2].num));
}

void fn_dhms(const GenArg* a, int, GenResult& out) {
    out.num = a[0].num * 86400.0 + a[1].num * 3600.0 + a[2].num * 60.0 + a[3].num;
}

void fn_today(const GenArg*, int, GenResult& out) { out.num = ztoday(); }

}  // namespace qor::cmp
