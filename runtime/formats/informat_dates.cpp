// Date, date-time and time informats: DATE, MONYY, YYMMDD, MMDDYY, DDMMYY, DATETIME, E8601DT
// and TIME, with two-digit years read through the YEARCUTOFF window.
#include <cctype>
#include <cmath>

#include "host/dates.h"
#include "host/missing.h"
#include "runtime/formats/informat_internal.h"
#include "runtime/literals/two_digit_year.h"

namespace qor::informats {

bool cursor::take(char c) {
    if (at < end && *at == c) {
        ++at;
        return true;
    }
    return false;
}

bool cursor::take_any(const char* set) {
    if (at >= end) return false;
    for (const char* s = set; *s; ++s) {
        if (*at == *s) {
            ++at;
            return true;
        }
    }
    return false;
}

bool cursor::digits(int most, long long* value, int* count) {
    *value = 0;
    *count = 0;
    while (at < end && *count < most && std::isdigit(static_cast<unsigned char>(*at))) {
        *value = *value * 10 + (*at - '0');
        ++*count;
        ++at;
    }
    return *count > 0;
}

bool year_of(long long digits_value, int digit_count, int* year) {
    if (digit_count == 4 || digit_count == 5) {
        *year = static_cast<int>(digits_value);
        return true;
    }
    if (digit_count != 2) return false;
    *year = literals::year_of_two_digits(static_cast<int>(digits_value));
    return true;
}

namespace {

const char* const kSeparators = "-/. ";
const char* const kMonths = "JANFEBMARAPRMAYJUNJULAUGSEPOCTNOVDEC";

bool month_name(cursor* c, int* month) {
    if (c->end - c->at < 3) return false;
    char name[3];
    for (int i = 0; i < 3; ++i) name[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(c->at[i])));
    for (int m = 0; m < 12; ++m) {
        if (name[0] == kMonths[3 * m] && name[1] == kMonths[3 * m + 1] && name[2] == kMonths[3 * m + 2]) {
            *month = m + 1;
            c->at += 3;
            return true;
        }
    }
    return false;
}

bool year_part(cursor* c, int* year) {
    long long v = 0;
    int n = 0;
    return c->digits(5, &v, &n) && year_of(v, n, year);
}

bool small_part(cursor* c, int* part) {
    long long v = 0;
    int n = 0;
    if (!c->digits(2, &v, &n)) return false;
    *part = static_cast<int>(v);
    return true;
}

bool date_value(int month, int day, int year, double* value) {
    const double d = ziddmdy(month, day, year);
    if (qor::is_missing(d)) return false;
    *value = d;
    return true;
}

// ddMONyy, ddMONyyyy, with or without a separator on either side of the month.
bool scan_date(cursor* c, double* value) {
    int day = 0, month = 0, year = 0;
    if (!small_part(c, &day)) return false;
    c->take_any(kSeparators);
    if (!month_name(c, &month)) return false;
    c->take_any(kSeparators);
    return year_part(c, &year) && date_value(month, day, year, value);
}

// Three numbers in the order given ("YMD", "MDY", "DMY"): with one kind of separator between
// them, or run together as six digits (two-digit year) or eight (four-digit year).
bool read_ordered(std::string_view text, const char* order, double* value) {
    int year = 0, month = 0, day = 0;
    bool all_digits = true;
    for (char ch : text) all_digits = all_digits && std::isdigit(static_cast<unsigned char>(ch));
    if (all_digits) {
        if (text.size() != 6 && text.size() != 8) return false;
        const int year_digits = static_cast<int>(text.size()) - 4;
        size_t at = 0;
        for (int i = 0; i < 3; ++i) {
            const int n = order[i] == 'Y' ? year_digits : 2;
            long long v = 0;
            for (int k = 0; k < n; ++k) v = v * 10 + (text[at + k] - '0');
            at += n;
            if (order[i] == 'Y' && !year_of(v, n, &year)) return false;
            if (order[i] == 'M') month = static_cast<int>(v);
            if (order[i] == 'D') day = static_cast<int>(v);
        }
        return date_value(month, day, year, value);
    }
    cursor c{text.data(), text.data() + text.size()};
    char separator = 0;
    for (int i = 0; i < 3; ++i) {
        if (i > 0) {
            if (separator == 0) {
                separator = c.peek();
                if (!c.take_any(kSeparators)) return false;
            } else if (!c.take(separator)) {
                return false;
            }
        }
        const bool ok = order[i] == 'Y' ? year_part(&c, &year)
                        : order[i] == 'M' ? small_part(&c, &month)
                                          : small_part(&c, &day);
        if (!ok) return false;
    }
    return c.done() && date_value(month, day, year, value);
}

// h[:mm[:ss[.fff]]] with an optional AM or PM; minutes_required asks for at least h:mm.
bool scan_clock(cursor* c, bool minutes_required, double* seconds) {
    long long h = 0, m = 0, s = 0;
    int n = 0;
    if (!c->digits(9, &h, &n)) return false;
    bool has_minutes = false;
    double fraction = 0;
    if (c->take(':')) {
        has_minutes = true;
        if (!c->digits(2, &m, &n) || m > 59) return false;
        if (c->take(':')) {
            if (!c->digits(2, &s, &n) || s > 59) return false;
            if (c->take('.')) {
                double scale = 0.1;
                while (!c->done() && std::isdigit(static_cast<unsigned char>(c->peek()))) {
                    fraction += (*c->at++ - '0') * scale;
                    scale /= 10;
                }
            }
        }
    }
    if (minutes_required && !has_minutes) return false;
    c->take(' ');
    if (c->end - c->at >= 2) {
        const char a = static_cast<char>(std::toupper(static_cast<unsigned char>(c->at[0])));
        const char b = static_cast<char>(std::toupper(static_cast<unsigned char>(c->at[1])));
        if ((a == 'A' || a == 'P') && b == 'M') {
            if (h < 1 || h > 12) return false;
            h = h % 12 + (a == 'P' ? 12 : 0);
            c->at += 2;
        }
    }
    *seconds = static_cast<double>(h * 3600 + m * 60 + s) + fraction;
    return true;
}

}  // namespace

bool read_date(std::string_view text, int decimals, double* value) {
    (void)decimals;
    cursor c{text.data(), text.data() + text.size()};
    return scan_date(&c, value) && c.done();
}

// MONyy, MONyyyy: the first day of the month.
bool read_monyy(std::string_view text, int decimals, double* value) {
    (void)decimals;
    cursor c{text.data(), text.data() + text.size()};
    int month = 0, year = 0;
    if (!month_name(&c, &month)) return false;
    c.take_any(kSeparators);
    return year_part(&c, &year) && c.done() && date_value(month, 1, year, value);
}

bool read_yymmdd(std::string_view text, int decimals, double* value) {
    (void)decimals;
    return read_ordered(text, "YMD", value);
}

bool read_mmddyy(std::string_view text, int decimals, double* value) {
    (void)decimals;
    return read_ordered(text, "MDY", value);
}

bool read_ddmmyy(std::string_view text, int decimals, double* value) {
    (void)decimals;
    return read_ordered(text, "DMY", value);
}

// ddMONyy[yy]:hh:mm[:ss[.fff]], the date and time parted by ":", a blank or "T".
bool read_datetime(std::string_view text, int decimals, double* value) {
    (void)decimals;
    cursor c{text.data(), text.data() + text.size()};
    double date = 0, seconds = 0;
    if (!scan_date(&c, &date) || !c.take_any(":T ")) return false;
    if (!scan_clock(&c, true, &seconds) || !c.done() || seconds >= 86400) return false;
    *value = date * 86400 + seconds;
    return true;
}

// yyyy-mm-ddThh:mm[:ss[.fff]] (a blank may stand for the "T").
bool read_e8601dt(std::string_view text, int decimals, double* value) {
    (void)decimals;
    cursor c{text.data(), text.data() + text.size()};
    long long y = 0;
    int n = 0, month = 0, day = 0;
    if (!c.digits(5, &y, &n) || n < 4 || !c.take('-') || !small_part(&c, &month) || !c.take('-') ||
        !small_part(&c, &day) || !c.take_any("T "))
        return false;
    double date = 0, seconds = 0;
    if (!date_value(month, day, static_cast<int>(y), &date)) return false;
    if (!scan_clock(&c, true, &seconds) || !c.done() || seconds >= 86400) return false;
    *value = date * 86400 + seconds;
    return true;
}

// [-]h[:mm[:ss[.fff]]] [AM|PM]: seconds.
bool read_time(std::string_view text, int decimals, double* value) {
    (void)decimals;
    cursor c{text.data(), text.data() + text.size()};
    const bool negative = c.take('-');
    double seconds = 0;
    if (!scan_clock(&c, false, &seconds) || !c.done()) return false;
    *value = negative ? -seconds : seconds;
    return true;
}

}  // namespace qor::informats
