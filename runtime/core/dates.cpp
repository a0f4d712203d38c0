// Host date services: conversions between host date values and civil dates, exact over the
// whole valid range by integer arithmetic on 400-year cycles (no tables, no floating point).
#include "host/dates.h"

#include <cmath>
#include <cstdint>
#include <ctime>

#include "host/missing.h"

namespace {

// Days from 1 January 1970 of a proleptic Gregorian civil date (years counted from March so
// that the leap day ends the year; eras are 400-year cycles of 146097 days).
int64_t days_from_civil(int64_t y, int64_t m, int64_t d) {
    y -= m <= 2 ? 1 : 0;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void civil_from_days(int64_t z, int64_t* y, int64_t* m, int64_t* d) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    *d = doy - (153 * mp + 2) / 5 + 1;
    *m = mp < 10 ? mp + 3 : mp - 9;
    *y = yoe + era * 400 + (*m <= 2 ? 1 : 0);
}

// 1 January 1960 is day -3653 counted from 1 January 1970.
constexpr int64_t kEpochShift = 3653;

bool leap_year(int64_t y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int days_in_month(int64_t y, int m) {
    static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && leap_year(y) ? 29 : kDays[m - 1];
}

bool valid_date_value(double date) {
    return !std::isnan(date) && date >= QOR_DATE_MIN && date < QOR_DATE_MAX + 1.0;
}

}  // namespace

int zidmdyd(int* month, int* day, int* year, double date) {
    if (!month || !day || !year) return 2;
    if (!valid_date_value(date)) return 1;
    int64_t y, m, d;
    civil_from_days(static_cast<int64_t>(std::floor(date)) - kEpochShift, &y, &m, &d);
    *month = static_cast<int>(m);
    *day = static_cast<int>(d);
    *year = static_cast<int>(y);
    return 0;
}

double ziddmdy(int month, int day, int year) {
    if (month < 1 || month > 12 || day < 1) return qor::missing();
    if (year < 1582 || year > 20000) return qor::missing();
    if (day > days_in_month(year, month)) return qor::missing();
    const int64_t value = days_from_civil(year, month, day) + kEpochShift;
    if (value < QOR_DATE_MIN || value > QOR_DATE_MAX) return qor::missing();
    return static_cast<double>(value);
}

double zmdy(int month, int day, int year) { return ziddmdy(month, day, year); }

int zweekdy(double date) {
    if (!valid_date_value(date)) return -1;
    // Day 0 (1 January 1960) was a Friday.
    const int64_t r = (static_cast<int64_t>(std::floor(date)) + 5) % 7;
    return static_cast<int>(r < 0 ? r + 7 : r);
}

double ztoday() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    if (!localtime_r(&now, &local)) return qor::missing();
    return ziddmdy(local.tm_mon + 1, local.tm_mday, local.tm_year + 1900);
}
