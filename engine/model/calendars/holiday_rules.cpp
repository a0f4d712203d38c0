// Expansion of holiday data sets into a calendar's bitmap: one observation per rule, the rule
// kind in TYPE, checked before use so that a bad or missing value never reaches the dates.
#include <cmath>
#include <cstring>

#include "engine/model/calendars/calendars.h"
#include "host/dataset.h"
#include "host/dates.h"
#include "host/missing.h"
#include "host/print.h"

namespace {

enum { V_TYPE, V_ABSDATE, V_MONTH, V_DAY, V_NTH, V_DAOFWK, V_COUNT };
constexpr const char* kVariableNames[V_COUNT] = {"TYPE", "ABSDATE", "MONTH", "DAY", "NTH", "DAOFWK"};

// One observation's values; missing values stay missing until a rule has checked them.
struct Rule {
    double v[V_COUNT];
};

// Years of the calendar's window.
struct Years {
    int first;
    int last;
};

// A value as the rule messages show it: an integer, or the missing value's code.
void value_text(double value, char* text, int size) {
    if (!std::isnan(value) && value > -2147483648.0 && value < 2147483648.0)
        xpsstr(text, size, "%d", static_cast<int>(value));
    else
        xpsstr(text, size, "%g", value);
}

// A rule that cannot be applied is always reported: a silently lost holiday would move
// payment dates without a trace.
void reject(const char* what, double value) {
    char text[40];
    value_text(value, text, sizeof text);
    xpslog("%2zrskcal: %s (%s).", what, text);
}

// The value cut to an integer when that lies within [low, high]; false for a missing value or
// one outside, so nothing out of range is ever converted.
bool whole_in(double value, int low, int high, int* out) {
    if (std::isnan(value)) return false;
    double cut = std::trunc(value);
    if (cut < low || cut > high) return false;
    *out = static_cast<int>(cut);
    return true;
}

// The NTH occurrence of the weekday on or after the anchor day of the month; the last
// occurrence inside the month when there are fewer. Missing when the anchor does not exist.
double nth_weekday(int year, int month, int anchor, int nth, int weekday) {
    double day = ziddmdy(month, anchor, year);
    if (qor::is_missing(day)) return day;
    day += (weekday - rskcal_weekday(day) + 7) % 7;
    for (int k = 1; k < nth && k < 6; ++k) {   // no month has more than five of a weekday
        int m = 0, d = 0, y = 0;
        if (zidmdyd(&m, &d, &y, day + 7) != 0 || m != month) break;
        day += 7;
    }
    return day;
}

// Applies rules 3 to 5 after their checks; false when a check failed (reported).
bool apply_weekday_rule(RSKCALENDAR* cal, const Rule& r, int type, Years years) {
    int nth = 1, weekday = 0, month = 1, anchor = 1;
    if (type != RSKCAL_WEEKEND && !whole_in(r.v[V_NTH], 1, 2147483647, &nth)) {
        reject("invalid day instance number", r.v[V_NTH]);
        return false;
    }
    if (!whole_in(r.v[V_DAOFWK], 0, 6, &weekday)) {
        reject("invalid day of week", r.v[V_DAOFWK]);
        return false;
    }
    if (type == RSKCAL_WEEKEND) {
        double first = cal->first_day + (weekday - rskcal_weekday(cal->first_day) + 7) % 7;
        for (double d = first; d < cal->end_day; d += 7) rskcal_set_holiday(cal, d);
        return true;
    }
    if (!whole_in(r.v[V_MONTH], 1, 12, &month)) {
        reject("invalid month number", r.v[V_MONTH]);
        return false;
    }
    if (type == RSKCAL_ANCHORED && !whole_in(r.v[V_DAY], 1, 31, &anchor)) {
        reject("invalid day number", r.v[V_DAY]);
        return false;
    }
    for (int y = years.first; y <= years.last; ++y)
        rskcal_set_holiday(cal, nth_weekday(y, month, anchor, nth, weekday));
    return true;
}

// Applies one rule; false when it was rejected (reported).
bool apply_rule(RSKCALENDAR* cal, const Rule& r, Years years) {
    int type = 0;
    if (!whole_in(r.v[V_TYPE], RSKCAL_ABSOLUTE, RSKCAL_WEEKEND, &type)) {
        reject("unknown calculation type", r.v[V_TYPE]);
        return false;
    }
    if (type == RSKCAL_ABSOLUTE) {
        if (std::isnan(r.v[V_ABSDATE])) {
            reject("missing absolute date", r.v[V_ABSDATE]);
            return false;
        }
        rskcal_set_holiday(cal, r.v[V_ABSDATE]);   // outside the window: ignored
        return true;
    }
    if (type == RSKCAL_PERIODIC) {
        int month = 0, day = 0;
        if (!whole_in(r.v[V_MONTH], 1, 12, &month)) {
            reject("invalid month number", r.v[V_MONTH]);
            return false;
        }
        if (!whole_in(r.v[V_DAY], 1, 31, &day)) {
            reject("invalid day number", r.v[V_DAY]);
            return false;
        }
        // A day the year lacks (29 February, 31 April) is no date and marks nothing.
        for (int y = years.first; y <= years.last; ++y) rskcal_set_holiday(cal, ziddmdy(month, day, y));
        return true;
    }
    return apply_weekday_rule(cal, r, type, years);
}

Years window_years(const RSKCALENDAR* cal) {
    int m = 0, d = 0, first = 0, last = 0;
    zidmdyd(&m, &d, &first, cal->first_day);
    zidmdyd(&m, &d, &last, cal->end_day - 1);
    return Years{first, last};
}

}  // namespace

int rskcal_apply_rules(RSKCON*, RSKCALENDAR* calendar, const char* libref, const char* member,
                       int member_length) {
    qor_open_request open{};
    std::memcpy(open.libref, libref, sizeof open.libref);
    int kept = member_length < 32 ? member_length : 32;
    open.member.length = static_cast<int16_t>(kept);
    std::memcpy(open.member.text, member, static_cast<size_t>(kept));
    std::memset(open.member_type, ' ', sizeof open.member_type);
    open.mode = QOR_OPEN_INPUT;
    qor_namerec member_rec{0, static_cast<uint16_t>(kept), open.member.text};

    qor_dataset* ds = nullptr;
    int rc = xoopen(&ds, &open);
    if (rc != 0) {
        xpslog("%1zrskcal: Return code %d from xoopen of %*s.%u", rc, 8, libref, &member_rec);
        return 1;
    }
    int64_t observations = 0;
    rc = xoinfo(ds, QOR_INFO_OBSERVATIONS, &observations);
    if (rc != 0) {
        xpslog("%1zrskcal: Return code %d from xoinfo", rc);
        xoclose(ds, 0);
        return 1;
    }
    int numbers[V_COUNT] = {};
    for (int v = 0; v < V_COUNT; ++v) {
        rc = xvfind(ds, kVariableNames[v], static_cast<int>(std::strlen(kVariableNames[v])), &numbers[v], 0);
        if (rc != 0) {
            xpslog("%1zrskcal: Return code %d from xvfind of %*s", rc, -1, kVariableNames[v]);
            xoclose(ds, 0);
            return 1;
        }
    }
    const Years years = window_years(calendar);
    qor_obs_request request{};
    request.dataset = ds;
    int result = 0;
    while ((rc = xoget(&request, QOR_GET_NEXT)) == 0) {
        Rule rule{};
        for (int v = 0; v < V_COUNT && rc == 0; ++v) rc = xvget1f(ds, numbers[v], &rule.v[v]);
        if (rc != 0) break;
        apply_rule(calendar, rule, years);   // a rejected rule is reported; the others still apply
    }
    if (rc != QOR_DS_END_OF_DATA) {
        xofprc(&request, rc);
        result = 1;
    }
    xoclose(ds, 0);
    return result;
}
