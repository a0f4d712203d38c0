// The interval-name parser: optional DT/T prefix, base name, weekend list for WEEKDAY,
// multiplier and shift. Pure: it touches nothing but the caller's record.
#include <cstring>

#include "common/intervals/interval_spec.h"

namespace {

struct spelling {
    const char* name;
    uint8_t code;
};

// Every accepted spelling of every base interval; NONE is known but names no interval.
const spelling kSpellings[] = {
    {"OBS", INTERVAL_OBS},
    {"SECOND", INTERVAL_SECOND}, {"SECONDS", INTERVAL_SECOND}, {"SEC", INTERVAL_SECOND},
    {"MINUTE", INTERVAL_MINUTE}, {"MINUTES", INTERVAL_MINUTE}, {"MIN", INTERVAL_MINUTE},
    {"HOUR", INTERVAL_HOUR}, {"HOURS", INTERVAL_HOUR}, {"HOURLY", INTERVAL_HOUR},
    {"HR", INTERVAL_HOUR},
    {"DAY", INTERVAL_DAY}, {"DAYS", INTERVAL_DAY}, {"DAILY", INTERVAL_DAY},
    {"WEEKDAY", INTERVAL_WEEKDAY}, {"WEEKDAYS", INTERVAL_WEEKDAY},
    {"WEEK", INTERVAL_WEEK}, {"WEEKS", INTERVAL_WEEK}, {"WEEKLY", INTERVAL_WEEK},
    {"TENDAY", INTERVAL_TENDAY},
    {"SEMIMONTH", INTERVAL_SEMIMONTH}, {"SEMIMONTHS", INTERVAL_SEMIMONTH},
    {"SEMIMONTHLY", INTERVAL_SEMIMONTH}, {"SEMIMON", INTERVAL_SEMIMONTH},
    {"MONTH", INTERVAL_MONTH}, {"MONTHS", INTERVAL_MONTH}, {"MONTHLY", INTERVAL_MONTH},
    {"MON", INTERVAL_MONTH},
    {"QTR", INTERVAL_QTR}, {"QTRS", INTERVAL_QTR}, {"QTRLY", INTERVAL_QTR},
    {"QUARTER", INTERVAL_QTR}, {"QUARTERS", INTERVAL_QTR}, {"QUARTERLY", INTERVAL_QTR},
    {"SEMIYEAR", INTERVAL_SEMIYEAR}, {"SEMIYEARS", INTERVAL_SEMIYEAR},
    {"SEMIYEARLY", INTERVAL_SEMIYEAR}, {"SEMIYR", INTERVAL_SEMIYEAR},
    {"SEMIANNUAL", INTERVAL_SEMIYEAR}, {"SEMIANN", INTERVAL_SEMIYEAR},
    {"YEAR", INTERVAL_YEAR}, {"YEARS", INTERVAL_YEAR}, {"YEARLY", INTERVAL_YEAR},
    {"YR", INTERVAL_YEAR}, {"ANNUAL", INTERVAL_YEAR}, {"ANNUALLY", INTERVAL_YEAR},
    {"ANNUALS", INTERVAL_YEAR},
    {"NONE", INTERVAL_NONE},
};

bool is_letter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool is_digit(char c) { return c >= '0' && c <= '9'; }
char upper_ascii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }

int code_of(const char* letters, int count) {
    for (const spelling& s : kSpellings) {
        if (static_cast<int>(std::strlen(s.name)) == count &&
            std::memcmp(s.name, letters, count) == 0)
            return s.code;
    }
    return INTERVAL_NONE;
}

char default_kind(int code) {
    if (code <= INTERVAL_OBS) return INTERVAL_KIND_OBS;
    if (code < INTERVAL_DAY) return INTERVAL_KIND_SECONDS;
    return INTERVAL_KIND_DAYS;
}

// Largest written shift per multiplier: weeks count days, quarters and longer count months,
// everything else counts base intervals.
int shift_base(int code) {
    switch (code) {
        case INTERVAL_WEEK: return 7;
        case INTERVAL_QTR: return 3;
        case INTERVAL_SEMIYEAR: return 6;
        case INTERVAL_YEAR: return 12;
        default: return 1;
    }
}

// Decimal digits [from, to) into *value. Returns false above 32767.
bool read_number(const char* text, int from, int to, long* value) {
    long n = 0;
    for (int i = from; i < to; ++i) {
        n = n * 10 + (text[i] - '0');
        if (n > 32767) return false;
    }
    *value = n;
    return true;
}

// Multiplier and shift from the digits after the name (and weekend list): [from, point) and,
// when point >= 0, (point, end).
int read_multiplier_and_shift(const char* name, int from, int point, int end,
                              interval_spec* spec) {
    const int multiplier_end = point >= 0 ? point : end;
    long multiplier = 0;
    if (!read_number(name, from, multiplier_end, &multiplier)) return INTERVAL_BAD_MULTIPLIER;
    spec->multiplier = multiplier == 0 ? 1 : static_cast<int32_t>(multiplier);
    if (point < 0 || point + 1 == end) return 0;   // no shift, or a trailing point
    long shift = 0;
    if (!read_number(name, point + 1, end, &shift) || shift == 0) return INTERVAL_BAD_SHIFT;
    if (shift > static_cast<long>(shift_base(spec->code)) * spec->multiplier)
        return INTERVAL_BAD_SHIFT;
    spec->shift = static_cast<int32_t>(shift - 1);
    return 0;
}

// WEEKDAY's weekend list: digits 1 (Sunday) to 7 (Saturday) in [from, w).
int read_weekend(const char* name, int from, int w, interval_spec* spec) {
    const int count = w - from;
    if (count < 1 || count > 6) return INTERVAL_BAD_CHARACTER;
    for (int i = from; i < w; ++i) {
        if (name[i] < '1' || name[i] > '7') return INTERVAL_BAD_CHARACTER;
        spec->weekend[name[i] - '1'] = 1;
    }
    int workdays = 0;
    for (uint8_t day : spec->weekend) workdays += day ? 0 : 1;
    if (workdays == 0) return INTERVAL_BAD_CHARACTER;
    spec->workdays = static_cast<uint8_t>(workdays);
    return 0;
}

}  // namespace

int zintstr(const char* name, int length, interval_spec* spec) {
    if (!name || !spec) return INTERVAL_NULL_ARGUMENT;
    if (length < 0) length = static_cast<int>(strnlen(name, INTERVAL_TEXT_MAX + 1));
    if (length < 1 || length > INTERVAL_TEXT_MAX) return INTERVAL_BAD_LENGTH;

    std::memset(spec, 0, sizeof *spec);
    std::memcpy(spec->text, name, length);
    spec->text[length] = '\0';
    spec->text_length = static_cast<int16_t>(length);
    spec->multiplier = 1;

    char letters[INTERVAL_TEXT_MAX + 1];
    int letter_count = 0;
    while (letter_count < length && is_letter(name[letter_count])) {
        letters[letter_count] = upper_ascii(name[letter_count]);
        ++letter_count;
    }
    int point = -1, w = -1;
    for (int i = letter_count; i < length; ++i) {
        const char c = name[i];
        if (is_digit(c)) continue;
        if (c == '.' && point < 0) { point = i; continue; }
        if ((c == 'W' || c == 'w') && w < 0 && point < 0) { w = i; continue; }
        return INTERVAL_BAD_CHARACTER;
    }

    if (letter_count == 0) {   // a plain number: every that many observations
        if (w >= 0) return INTERVAL_BAD_CHARACTER;
        long multiplier = 0;
        if (!read_number(name, 0, point >= 0 ? point : length, &multiplier))
            return INTERVAL_BAD_MULTIPLIER;
        if (point >= 0 && point + 1 < length) return INTERVAL_BAD_SHIFT;
        spec->kind = INTERVAL_KIND_OBS;
        spec->code = INTERVAL_OBS;
        spec->multiplier = multiplier == 0 ? 1 : static_cast<int32_t>(multiplier);
        return 0;
    }

    const char* base = letters;
    int base_count = letter_count;
    if (base_count > 1 && base[0] == 'D' && base[1] == 'T') {
        base += 2;
        base_count -= 2;
        spec->kind = INTERVAL_KIND_SECONDS;
    } else if (base[0] == 'T' && !(base_count > 1 && base[1] == 'E')) {
        base += 1;
        base_count -= 1;
        spec->kind = INTERVAL_KIND_SECONDS;
    }
    if (base_count < 2) return INTERVAL_UNKNOWN_NAME;
    const int code = code_of(base, base_count);
    if (code == INTERVAL_NONE) return INTERVAL_UNKNOWN_NAME;
    spec->code = static_cast<uint8_t>(code);
    if (!spec->kind) spec->kind = default_kind(code);

    int rest = letter_count;
    if (code == INTERVAL_WEEKDAY) {
        if (w >= 0) {
            const int rc = read_weekend(name, letter_count, w, spec);
            if (rc) return rc;
            rest = w + 1;
        } else {
            spec->weekend[0] = 1;   // Sunday
            spec->weekend[6] = 1;   // Saturday
            spec->workdays = 5;
        }
    } else if (w >= 0) {
        return INTERVAL_BAD_CHARACTER;
    }
    return read_multiplier_and_shift(name, rest, point, length, spec);
}
