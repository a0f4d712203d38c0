// Date formats: DATE, MONYY, YEAR, YYQC, WEEKDATX, YYMMDD, MMDDYY and DDMMYY. Each lists its
// layouts from the longest; the first that fits the width is written.
#include <cmath>
#include <string>
#include <vector>

#include "host/dates.h"
#include "runtime/formats/value_format_internal.h"

namespace qor::values {
namespace {

const char* const kMonths[12] = {"January", "February", "March",     "April",   "May",      "June",
                                 "July",    "August",   "September", "October", "November", "December"};
const char* const kWeekdays[7] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                  "Thursday", "Friday", "Saturday"};

struct civil {
    int year, month, day, weekday;
};

bool civil_of(double value, civil* c) {
    if (zidmdyd(&c->month, &c->day, &c->year, value) != 0) return false;
    c->weekday = zweekdy(value);
    return true;
}

std::string two(int n) {
    std::string s = std::to_string(n % 100);
    return s.size() < 2 ? "0" + s : s;
}

std::string upper3(const char* name) {
    std::string s(name, 3);
    for (char& ch : s) ch = static_cast<char>(ch >= 'a' ? ch - 32 : ch);
    return s;
}

bool first_fitting(const std::vector<std::string>& layouts, int w, std::string* out) {
    for (const std::string& t : layouts) {
        if (static_cast<int>(t.size()) <= w) {
            *out = t;
            return true;
        }
    }
    return false;
}

// Day, month and year in the order given by order ("YMD", "MDY", "DMY") with a separator.
std::string joined(const civil& c, const char* order, bool full_year, const char* sep, int parts) {
    std::string s;
    for (int i = 0; i < parts; ++i) {
        if (i > 0) s += sep;
        const char f = order[i];
        if (f == 'Y') s += full_year ? std::to_string(c.year) : two(c.year);
        if (f == 'M') s += two(c.month);
        if (f == 'D') s += two(c.day);
    }
    return s;
}

bool render_ordered(double value, int w, const char* order, const char* sep, std::string* out) {
    civil c{};
    if (!civil_of(value, &c)) return false;
    return first_fitting({joined(c, order, true, sep, 3), joined(c, order, false, sep, 3),
                          joined(c, order, false, "", 3), joined(c, order, false, sep, 2),
                          joined(c, order, false, "", 2), joined(c, order, false, "", 1)},
                         w, out);
}

}  // namespace

// DATEw.: 10-DEC-2026 (11), 10DEC2026 (9), 10DEC26 (7), 10DEC (5).
bool render_date(double value, int w, int d, std::string* out) {
    (void)d;
    civil c{};
    if (!civil_of(value, &c)) return false;
    const std::string dd = two(c.day), mon = upper3(kMonths[c.month - 1]);
    const std::string yyyy = std::to_string(c.year);
    return first_fitting({dd + "-" + mon + "-" + yyyy, dd + mon + yyyy, dd + mon + two(c.year),
                          dd + mon},
                         w, out);
}

// MONYYw.: DEC2026 (7), DEC26 (5).
bool render_monyy(double value, int w, int d, std::string* out) {
    (void)d;
    civil c{};
    if (!civil_of(value, &c)) return false;
    const std::string mon = upper3(kMonths[c.month - 1]);
    return first_fitting({mon + std::to_string(c.year), mon + two(c.year)}, w, out);
}

// YEARw.: 2026 (4), 26 (2).
bool render_year(double value, int w, int d, std::string* out) {
    (void)d;
    civil c{};
    if (!civil_of(value, &c)) return false;
    return first_fitting({std::to_string(c.year), two(c.year)}, w, out);
}

// YYQCw.: 2026:4 (6), 26:4 (4).
bool render_yyqc(double value, int w, int d, std::string* out) {
    (void)d;
    civil c{};
    if (!civil_of(value, &c)) return false;
    const std::string q = ":" + std::to_string((c.month - 1) / 3 + 1);
    return first_fitting({std::to_string(c.year) + q, two(c.year) + q}, w, out);
}

// WEEKDATXw.: Thursday, 10 December 2026; then shorter names, then the weekday alone.
bool render_weekdatx(double value, int w, int d, std::string* out) {
    (void)d;
    civil c{};
    if (!civil_of(value, &c)) return false;
    const std::string day = std::to_string(c.day), year = std::to_string(c.year);
    const std::string wd = kWeekdays[c.weekday], wd3 = wd.substr(0, 3);
    const std::string month = kMonths[c.month - 1], mon3 = month.substr(0, 3);
    return first_fitting({wd + ", " + day + " " + month + " " + year,
                          wd + ", " + day + " " + mon3 + " " + year,
                          wd3 + ", " + day + " " + mon3 + " " + year, wd, wd3},
                         w, out);
}

// YYMMDDw.: 2026-12-10 (10), 26-12-10 (8), 261210 (6), 26-12 (5), 2612 (4), 26 (2).
bool render_yymmdd(double value, int w, int d, std::string* out) {
    (void)d;
    return render_ordered(value, w, "YMD", "-", out);
}

// MMDDYYw.: 12/10/2026 (10), 12/10/26 (8), 121026 (6), 12/10 (5), 1210 (4), 12 (2).
bool render_mmddyy(double value, int w, int d, std::string* out) {
    (void)d;
    return render_ordered(value, w, "MDY", "/", out);
}

// DDMMYYw.: 10/12/2026 (10), 10/12/26 (8), 101226 (6), 10/12 (5), 1012 (4), 10 (2).
bool render_ddmmyy(double value, int w, int d, std::string* out) {
    (void)d;
    return render_ordered(value, w, "DMY", "/", out);
}

}  // namespace qor::values
