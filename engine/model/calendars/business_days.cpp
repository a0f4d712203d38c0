// Business-day tests and moves over a calendar's holiday bitmap, calendar month arithmetic,
// and the date helpers that the holiday rules share.
#include <cmath>

#include "engine/model/calendars/calendars.h"
#include "host/dates.h"
#include "host/missing.h"

namespace {

// Bit index of a day in the window, or -1 when the day lies outside it (or is missing).
long bit_index(const RSKCALENDAR* calendar, double day) {
    if (calendar == nullptr || qor::is_missing(day) || std::isnan(day)) return -1;
    double d = std::floor(day);
    if (!(d >= calendar->first_day && d < calendar->end_day)) return -1;
    long i = static_cast<long>(d - calendar->first_day);
    return i < static_cast<long>(kRskCalendarBytes) * 8 ? i : -1;
}

}  // namespace

int rskcal_leap_year(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0 ? 1 : 0;
}

int rskcal_last_day(int year, int month) {
    switch (month) {
    case 4: case 6: case 9: case 11: return 30;
    case 2: return rskcal_leap_year(year) ? 29 : 28;
    default: return 31;
    }
}

int rskcal_weekday(double day) {
    // Day 0, 1 January 1960, was a Friday (5).
    long w = (static_cast<long>(std::floor(day)) + 5) % 7;
    return static_cast<int>(w < 0 ? w + 7 : w);
}

void rskcal_set_holiday(RSKCALENDAR* calendar, double day) {
    long i = bit_index(calendar, day);
    if (i < 0) return;
    calendar->holidays[i / 8] |= static_cast<uint8_t>(0x80u >> (i % 8));
}

int rskcabd(const RSKCALENDAR* calendar, double day) {
    long i = bit_index(calendar, day);
    if (i < 0) return 1;
    return (calendar->holidays[i / 8] & (0x80u >> (i % 8))) != 0 ? 0 : 1;
}

double rskcanb(const RSKCALENDAR* calendar, double day) {
    if (std::isnan(day)) return day;
    // Ends at the latest one day past the window, where every day is a business day.
    double d = day + 1;
    while (rskcabd(calendar, d) == 0) d += 1;
    return d;
}

double rskcapb(const RSKCALENDAR* calendar, double day) {
    if (std::isnan(day)) return day;
    double d = day - 1;
    while (rskcabd(calendar, d) == 0) d -= 1;
    return d;
}

double rskcaad(const RSKCALENDAR* calendar, double day, int n) {
    for (int k = 0; k < n; ++k) day = rskcanb(calendar, day);
    for (int k = 0; k > n; --k) day = rskcapb(calendar, day);
    return day;
}

double rskcaam(double day, int n) {
    int month = 0, mday = 0, year = 0;
    if (zidmdyd(&month, &mday, &year, day) != 0) return qor::missing();
    // Months counted from year 0 so that negative moves carry the year as well.
    long long total = static_cast<long long>(year) * 12 + (month - 1) + n;
    long long new_year = total >= 0 ? total / 12 : -((-total + 11) / 12);
    int new_month = static_cast<int>(total - new_year * 12) + 1;
    if (new_year < 1582 || new_year > 20000) return qor::missing();
    int y = static_cast<int>(new_year);
    int last = rskcal_last_day(y, new_month);
    if (mday == rskcal_last_day(year, month) || mday > last) mday = last;
    return ziddmdy(new_month, mday, y);
}
