// Date-time and time formats: DATETIME, E8601DT, TIME, TOD, HHMM, HOUR and MMSS. Seconds are
// rounded to the decimals shown; parts that a shorter layout leaves out are dropped, not rounded.
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "host/dates.h"
#include "runtime/formats/value_format_internal.h"

namespace qor::values {
namespace {

const char* const kMon[12] = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                              "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};

// Beyond this many seconds (about 285 million years) no time layout is meaningful.
constexpr double kLargestSeconds = 9.0e15;

std::string two(int64_t n) {
    std::string s = std::to_string(n % 100);
    return s.size() < 2 ? "0" + s : s;
}

// A non-negative amount split into whole units and the fraction's digits at decimals places
// (rounded, carrying into the whole units). With decimals 0 the fraction is dropped, or rounded
// into the whole units when round_whole is set.
struct split {
    int64_t whole = 0;
    std::string fraction;   // decimals digits, empty for 0 decimals
};

split split_amount(double amount, int decimals, bool round_whole) {
    split s;
    const double whole = std::floor(amount);
    s.whole = static_cast<int64_t>(whole);
    const double rest = amount - whole;
    if (decimals > 0 || round_whole) {
        const std::string t = fixed_text(rest, decimals);   // "0.25", "1.00", "0" or "1"
        if (t[0] == '1') s.whole += 1;
        if (decimals > 0) s.fraction = t[0] == '1' ? std::string(decimals, '0') : t.substr(2);
    }
    return s;
}

bool first_fitting(const std::vector<std::string>& layouts, int w, std::string* out) {
    for (const std::string& t : layouts) {
        if (!t.empty() && static_cast<int>(t.size()) <= w) {
            *out = t;
            return true;
        }
    }
    return false;
}

// A date-time value as its date and seconds of the day (seconds rounded to decimals).
struct stamp {
    int year, month, day;
    int64_t seconds;
    std::string fraction;
};

bool stamp_of(double value, int decimals, stamp* t) {
    if (!std::isfinite(value) || std::fabs(value) > kLargestSeconds) return false;
    double days = std::floor(value / 86400.0);
    split s = split_amount(value - days * 86400.0, decimals, false);
    if (s.whole >= 86400) {
        s.whole -= 86400;
        days += 1;
    }
    if (zidmdyd(&t->month, &t->day, &t->year, days) != 0) return false;
    t->seconds = s.whole;
    t->fraction = s.fraction;
    return true;
}

std::string clock(int64_t seconds, int parts) {
    std::string s = two(seconds / 3600);
    if (parts > 1) s += ":" + two(seconds / 60 % 60);
    if (parts > 2) s += ":" + two(seconds % 60);
    return s;
}

}  // namespace

// DATETIMEw.d: 10DEC2026:13:45:00 (18), 10DEC26:13:45:00 (16), 10DEC26:13:45 (13),
// 10DEC26:13 (10), 10DEC26 (7); with decimals the seconds carry a fraction when it fits.
bool render_datetime(double value, int w, int d, std::string* out) {
    stamp t{};
    if (!stamp_of(value, d, &t)) return false;
    const std::string date2 = two(t.day) + kMon[t.month - 1] + two(t.year);
    const std::string date4 = two(t.day) + kMon[t.month - 1] + std::to_string(t.year);
    const std::string full = ":" + clock(t.seconds, 3);
    const std::string frac = d > 0 ? full + "." + t.fraction : std::string();
    return first_fitting({d > 0 ? date4 + frac : "", d > 0 ? date2 + frac : "", date4 + full,
                          date2 + full, date2 + ":" + clock(t.seconds, 2),
                          date2 + ":" + clock(t.seconds, 1), date2},
                         w, out);
}

// E8601DTw.d: 2026-12-10T13:45:00 (19), with a fraction of the second when decimals are asked,
// 2026-12-10T13:45 (16).
bool render_e8601dt(double value, int w, int d, std::string* out) {
    stamp t{};
    if (!stamp_of(value, d, &t)) return false;
    const std::string date = std::to_string(t.year) + "-" + two(t.month) + "-" + two(t.day) + "T";
    const std::string full = date + clock(t.seconds, 3);
    return first_fitting({d > 0 ? full + "." + t.fraction : "", full, date + clock(t.seconds, 2)},
                         w, out);
}

// TIMEw.d: hours (not padded, beyond 24 for durations), minutes and seconds: 13:45:00,
// -1:30:00, 100:00:00; shorter widths drop the seconds, then the minutes.
bool render_time(double value, int w, int d, std::string* out) {
    if (!std::isfinite(value) || std::fabs(value) > kLargestSeconds) return false;
    const split s = split_amount(std::fabs(value), d, false);
    const bool negative = value < 0 && (s.whole > 0 || s.fraction.find_first_not_of('0') != std::string::npos);
    const std::string h = (negative ? "-" : "") + std::to_string(s.whole / 3600);
    const std::string hm = h + ":" + two(s.whole / 60 % 60);
    const std::string hms = hm + ":" + two(s.whole % 60);
    return first_fitting({d > 0 ? hms + "." + s.fraction : "", hms, hm, h}, w, out);
}

// TODw.d: the time of day of a time or date-time value, hours padded: 09:05:00.
bool render_tod(double value, int w, int d, std::string* out) {
    if (!std::isfinite(value) || std::fabs(value) > kLargestSeconds) return false;
    double of_day = std::fmod(value, 86400.0);
    if (of_day < 0) of_day += 86400.0;
    split s = split_amount(of_day, d, false);
    if (s.whole >= 86400) s.whole -= 86400;
    const std::string hms = clock(s.whole, 3);
    return first_fitting({d > 0 ? hms + "." + s.fraction : "", hms, clock(s.whole, 2),
                          clock(s.whole, 1)},
                         w, out);
}

// HHMMw.d: hours and minutes rounded to the nearest minute (or to d decimals of a minute).
bool render_hhmm(double value, int w, int d, std::string* out) {
    if (!std::isfinite(value) || std::fabs(value) > kLargestSeconds) return false;
    const std::string sign = value < 0 ? "-" : "";
    const split exact = split_amount(std::fabs(value) / 60.0, d, true);
    const split whole = split_amount(std::fabs(value) / 60.0, 0, true);
    auto hm = [&](const split& s) {
        if (s.whole == 0 && s.fraction.find_first_not_of('0') == std::string::npos)
            return std::to_string(0) + ":00" + (s.fraction.empty() ? "" : "." + s.fraction);
        return sign + std::to_string(s.whole / 60) + ":" + two(s.whole % 60) +
               (s.fraction.empty() ? "" : "." + s.fraction);
    };
    return first_fitting({hm(exact), hm(whole), sign + std::to_string(whole.whole / 60)}, w, out);
}

// HOURw.d: hours as a decimal number.
bool render_hour(double value, int w, int d, std::string* out) {
    if (!std::isfinite(value)) return false;
    for (int k = d; k >= 0; --k) {
        const std::string t = fixed_text(value / 3600.0, k);
        if (static_cast<int>(t.size()) <= w) {
            *out = t;
            return true;
        }
    }
    return false;
}

// MMSSw.d: minutes (not padded) and seconds: 75:30.
bool render_mmss(double value, int w, int d, std::string* out) {
    if (!std::isfinite(value) || std::fabs(value) > kLargestSeconds) return false;
    const split s = split_amount(std::fabs(value), d, false);
    const std::string m = (value < 0 && s.whole > 0 ? "-" : "") + std::to_string(s.whole / 60);
    const std::string ms = m + ":" + two(s.whole % 60);
    return first_fitting({d > 0 ? ms + "." + s.fraction : "", ms, m}, w, out);
}

}  // namespace qor::values
