// Default formats of intervals: dates by their interval's grain, datetimes by the DT forms,
// times of day and durations by the span they must show.
#include "common/intervals/interval_formats.h"

#include <cmath>
#include <cstring>

#include "common/intervals/interval_arith.h"
#include "common/intervals/interval_units.h"

namespace {

void put(const char* chosen, int w, int short_w, char* name, int16_t* name_length,
         uint16_t* width, uint16_t* short_width) {
    const int n = static_cast<int>(std::strlen(chosen));
    if (name) std::memcpy(name, chosen, n);
    if (name_length) *name_length = static_cast<int16_t>(n);
    if (width) *width = static_cast<uint16_t>(w);
    if (short_width) *short_width = static_cast<uint16_t>(short_w);
}

bool is_time_code(int code) {
    return code == INTERVAL_SECOND || code == INTERVAL_MINUTE || code == INTERVAL_HOUR;
}

bool is_value_kind(const interval_spec* spec) {
    return spec->kind != INTERVAL_KIND_OBS && spec->kind != INTERVAL_KIND_UNKNOWN;
}

// Time intervals written without a D (so not DTHOUR, DTMINUTE, ...) that hold values.
bool admits_time_format(const interval_spec* spec) {
    if (!spec || !is_time_code(spec->code) || !is_value_kind(spec)) return false;
    return !(spec->text_length > 0 && (spec->text[0] == 'D' || spec->text[0] == 'd'));
}

// floor(log10(value)), 0 when value is below 1: the thresholds between formats.
int magnitude_of(double value) {
    if (!(value >= 1)) return 0;
    return static_cast<int>(std::floor(std::log10(value)));
}

}  // namespace

void zintfmt(const interval_spec* spec, char* name, int16_t* name_length, uint16_t* width,
             uint16_t* short_width) {
    auto out = [&](const char* chosen, int w, int s) {
        put(chosen, w, s, name, name_length, width, short_width);
    };
    if (!spec || spec->code == INTERVAL_NONE) return out("D", 9, 7);
    if (!is_value_kind(spec)) return out("F", 6, 4);
    const bool dates = spec->kind == INTERVAL_KIND_DAYS;
    const bool shifted = spec->shift != 0;
    switch (spec->code) {
        case INTERVAL_SECOND: return out("DATETIME", 16, 16);
        case INTERVAL_MINUTE: return shifted ? out("DATETIME", 16, 16) : out("DATETIME", 13, 13);
        case INTERVAL_HOUR: return shifted ? out("DATETIME", 13, 13) : out("DATETIME", 10, 10);
        case INTERVAL_DAY:
        case INTERVAL_WEEKDAY:
        case INTERVAL_TENDAY:
        case INTERVAL_SEMIMONTH: return out(dates ? "DATE" : "DTDATE", 9, 7);
        case INTERVAL_WEEK: return out(dates ? "WEEKDATX" : "DTWKDATX", 17, 15);
        case INTERVAL_MONTH:
        case INTERVAL_SEMIYEAR: return out(dates ? "MONYY" : "DTMONYY", 7, 5);
        case INTERVAL_QTR:
            if (shifted) return out(dates ? "MONYY" : "DTMONYY", 7, 5);
            return out(dates ? "YYQC" : "DTYYQC", 6, 4);
        case INTERVAL_YEAR:
            if (shifted) return out(dates ? "MONYY" : "DTMONYY", 7, 5);
            return out(dates ? "YEAR" : "DTYEAR", 4, 2);
        default: return dates ? out("DATE", 9, 7) : out("DATETIME", 16, 16);
    }
}

void zintfmm(const interval_spec* spec, double largest, char* name, int16_t* name_length,
             uint16_t* width, uint16_t* short_width) {
    if (spec && is_time_code(spec->code) && is_value_kind(spec) && !interval_is_missing(largest)) {
        const double limit = 86400.0 * interval_multiplier(spec) + spec->shift;
        if (largest >= 0 && largest <= limit) {
            put("TIME", spec->shift ? 13 : 10, 8, name, name_length, width, short_width);
            return;
        }
    }
    zintfmt(spec, name, name_length, width, short_width);
}

void zintfmp(const interval_spec* spec, double smallest, double largest, char* name,
             int16_t* name_length, uint16_t* width, uint16_t* short_width) {
    const bool admitted = admits_time_format(spec) && !interval_is_missing(smallest) &&
                          !interval_is_missing(largest);
    const double count = admitted ? zintck2(spec, smallest, largest) : 0;
    const double limit = admitted ? 2 * (86400.0 * interval_multiplier(spec) + spec->shift) : 0;
    if (!admitted || !(smallest >= 0 && smallest <= limit) || interval_is_missing(count)) {
        zintfmt(spec, name, name_length, width, short_width);
        return;
    }
    const double unit = spec->code == INTERVAL_HOUR ? 3600 : spec->code == INTERVAL_MINUTE ? 60 : 1;
    const double span = count * unit * interval_multiplier(spec);
    // Magnitudes of the whole hours and minutes of the span choose the format; the widths
    // take one digit more than the magnitude so that the leading field fits ("10:00" is 5).
    const int h = magnitude_of(std::floor(span / 3600));
    const int mi = magnitude_of(std::floor(span / 60));
    const int hd = h + 1, mid = mi + 1;
    const char* chosen;
    int w, s = -1;
    if (spec->code == INTERVAL_HOUR) {
        if (count > 1000) { chosen = "HOUR"; w = hd; }
        else { chosen = "HHMM"; w = hd + 3; s = hd; }
    } else if (spec->code == INTERVAL_MINUTE) {
        chosen = "HHMM";
        w = (count > 1000 || h > 1) ? hd + 3 : mid + 3;
    } else {
        if (count > 1000 || h > 1) { chosen = "TIME"; w = hd + 6; }
        else if (mi > 1) { chosen = "MMSS"; w = mid + 3; }
        else { chosen = "MMSS"; w = 5; }
    }
    if (s < 0) s = w;
    put(chosen, w > 20 ? 20 : w, s > 20 ? 20 : s, name, name_length, width, short_width);
}

void zintfmd(const interval_spec* spec, char* name, int16_t* name_length, uint16_t* width,
             uint16_t* short_width) {
    auto out = [&](const char* chosen, int w, int s) {
        put(chosen, w, s, name, name_length, width, short_width);
    };
    if (admits_time_format(spec)) {
        const int m = interval_multiplier(spec);
        if (spec->code == INTERVAL_HOUR) {
            if (m <= 4) return out("HHMM", 10, 8);
            if (m <= 23) return out("HHMM", 11, 8);
        } else if (spec->code == INTERVAL_MINUTE) {
            if (m <= 15) return out("HHMM", 6, 5);
            if (m <= 60) return out("HHMM", 7, 5);
            if (m <= 1439) return out("HHMM", 7, 6);
        } else {
            if (m <= 5) return out("MMSS", 5, 5);
            if (m <= 15) return out("MMSS", 6, 5);
            if (m <= 86399) return out("TIME", 8, 5);
        }
    }
    zintfmt(spec, name, name_length, width, short_width);
}
