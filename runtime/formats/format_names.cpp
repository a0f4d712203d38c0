// The registry of host format names with their width and decimal limits, and the splitter of
// written format texts. Metadata only: rendering values through formats lives elsewhere.
#include "host/formats.h"
#include "runtime/core/service_guard.h"
#include "runtime/formats/format_registry.h"

#include <cstring>

namespace {

struct format_row {
    const char* name;
    int16_t min_width, max_width, default_width;
    int16_t min_decimals, max_decimals, default_decimals;
    int16_t format_class;
};

// Widths are the usual ones for each format; date-time (DT) forms of date formats show the
// date part of a date-time value and share the date form's widths. Formats with a four-digit
// year allow one more column so that years above 9999 (up to 20000) can be shown in full.
// Rows are only ever appended: a format's code is its row number and callers store codes.
const format_row kFormats[] = {
    {"F", 1, 32, 12, 0, 31, 0, QOR_FORMAT_NUMERIC},
    {"BEST", 1, 32, 12, 0, 0, 0, QOR_FORMAT_NUMERIC},
    {"D", 1, 32, 12, 0, 31, 0, QOR_FORMAT_NUMERIC},
    {"COMMA", 1, 32, 6, 0, 31, 0, QOR_FORMAT_NUMERIC},
    {"NLNUM", 1, 32, 6, 0, 31, 0, QOR_FORMAT_NUMERIC},
    {"PERCENT", 4, 32, 6, 0, 31, 0, QOR_FORMAT_NUMERIC},
    {"$", 1, 32767, 8, 0, 0, 0, QOR_FORMAT_CHARACTER},
    {"$CHAR", 1, 32767, 8, 0, 0, 0, QOR_FORMAT_CHARACTER},
    {"DATE", 5, 11, 7, 0, 0, 0, QOR_FORMAT_DATE},
    {"MONYY", 5, 8, 5, 0, 0, 0, QOR_FORMAT_DATE},
    {"YEAR", 2, 5, 4, 0, 0, 0, QOR_FORMAT_DATE},
    {"YYQC", 4, 7, 6, 0, 0, 0, QOR_FORMAT_DATE},
    {"WEEKDATX", 3, 37, 29, 0, 0, 0, QOR_FORMAT_DATE},
    {"YYMMDD", 2, 11, 8, 0, 0, 0, QOR_FORMAT_DATE},
    {"MMDDYY", 2, 11, 8, 0, 0, 0, QOR_FORMAT_DATE},
    {"DDMMYY", 2, 11, 8, 0, 0, 0, QOR_FORMAT_DATE},
    {"DATETIME", 7, 40, 16, 0, 39, 0, QOR_FORMAT_DATETIME},
    {"DTDATE", 5, 11, 7, 0, 0, 0, QOR_FORMAT_DATETIME},
    {"DTMONYY", 5, 8, 5, 0, 0, 0, QOR_FORMAT_DATETIME},
    {"DTYEAR", 2, 5, 4, 0, 0, 0, QOR_FORMAT_DATETIME},
    {"DTYYQC", 4, 7, 6, 0, 0, 0, QOR_FORMAT_DATETIME},
    {"DTWKDATX", 3, 37, 29, 0, 0, 0, QOR_FORMAT_DATETIME},
    {"DTYYMMDD", 2, 11, 8, 0, 0, 0, QOR_FORMAT_DATETIME},
    {"DTMMDDYY", 2, 11, 8, 0, 0, 0, QOR_FORMAT_DATETIME},
    {"DTDDMMYY", 2, 11, 8, 0, 0, 0, QOR_FORMAT_DATETIME},
    {"TIME", 2, 20, 8, 0, 19, 0, QOR_FORMAT_TIME},
    {"TOD", 2, 20, 8, 0, 19, 0, QOR_FORMAT_TIME},
    {"HHMM", 2, 20, 5, 0, 19, 0, QOR_FORMAT_TIME},
    {"HOUR", 2, 20, 2, 0, 19, 0, QOR_FORMAT_TIME},
    {"MMSS", 2, 20, 5, 0, 19, 0, QOR_FORMAT_TIME},
    {"E8601DT", 16, 26, 19, 0, 6, 0, QOR_FORMAT_DATETIME},
};

constexpr int kFormatCount = static_cast<int>(sizeof kFormats / sizeof kFormats[0]);

char upper_ascii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }
bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool is_name_char(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || is_digit(c) || c == '_';
}

// Digits [from, to) as a number; false when it does not fit a width (above 32767).
bool parse_digits(const char* text, int from, int to, uint16_t* value) {
    long n = 0;
    for (int i = from; i < to; ++i) {
        n = n * 10 + (text[i] - '0');
        if (n > 32767) return false;
    }
    *value = static_cast<uint16_t>(n);
    return true;
}

}  // namespace

int zspltfm(const char* text, int length, char* name, int* name_length, uint16_t* width,
            uint16_t* decimals) try {
    if (!text || !name || !name_length || !width || !decimals) return QOR_FORMAT_NULL_ARGUMENT;
    if (length < 0) length = static_cast<int>(std::strlen(text));
    name[0] = '\0';
    *name_length = 0;
    *width = QOR_FORMAT_ABSENT;
    *decimals = QOR_FORMAT_ABSENT;
    int begin = 0, end = length;
    while (begin < end && text[begin] == ' ') ++begin;
    while (end > begin && (text[end - 1] == ' ' || text[end - 1] == '\0')) --end;

    int point = -1;
    for (int i = begin; i < end; ++i) {
        if (text[i] == '.') {
            if (point >= 0) return QOR_FORMAT_BAD_TEXT;
            point = i;
        }
    }
    int name_end = point >= 0 ? point : end;
    if (point >= 0) {
        // The decimals follow the point; the width is the run of digits that ends the name.
        for (int i = point + 1; i < end; ++i)
            if (!is_digit(text[i])) return QOR_FORMAT_BAD_TEXT;
        if (point + 1 < end && !parse_digits(text, point + 1, end, decimals))
            return QOR_FORMAT_BAD_TEXT;
        int digits_begin = point;
        while (digits_begin > begin && is_digit(text[digits_begin - 1])) --digits_begin;
        if (digits_begin < point && !parse_digits(text, digits_begin, point, width))
            return QOR_FORMAT_BAD_TEXT;
        name_end = digits_begin;
    }
    int n = 0;
    for (int i = begin; i < name_end; ++i) {
        const bool dollar_first = (i == begin && text[i] == '$');
        if (!dollar_first && !is_name_char(text[i])) return QOR_FORMAT_BAD_TEXT;
        if (n >= QOR_FORMAT_NAME_MAX) return QOR_FORMAT_BAD_TEXT;
        name[n++] = upper_ascii(text[i]);
    }
    name[n] = '\0';
    *name_length = n;
    if (n == 0 && point < 0) return QOR_FORMAT_BAD_TEXT;   // nothing written at all
    return 0;
}
QOR_SERVICE_CATCH(QOR_FORMAT_NO_MEMORY)

// The registry row of a format as the services hand it out.
static void describe(const format_row& f, int code, qor_format_info* info) {
    info->min_width = f.min_width;
    info->max_width = f.max_width;
    info->default_width = f.default_width;
    info->min_decimals = f.min_decimals;
    info->max_decimals = f.max_decimals;
    info->default_decimals = f.default_decimals;
    info->format_class = f.format_class;
    info->code = static_cast<int16_t>(code);
}

int xfrname(void* context, const char* name, int name_length, int flags, qor_format_info* info,
            int* code) try {
    (void)context;
    (void)flags;
    if (info) std::memset(info, 0, sizeof *info);
    if (code) *code = 0;
    if (!name && name_length != 0) return QOR_FORMAT_NULL_ARGUMENT;
    if (name_length < 0) name_length = static_cast<int>(std::strlen(name));
    while (name_length > 0 && (name[name_length - 1] == ' ' || name[name_length - 1] == '\0'))
        --name_length;
    if (name_length > QOR_FORMAT_NAME_MAX) return QOR_FORMAT_UNKNOWN;
    char wanted[QOR_FORMAT_NAME_MAX + 1];
    for (int i = 0; i < name_length; ++i) wanted[i] = upper_ascii(name[i]);
    wanted[name_length] = '\0';
    const char* key = name_length == 0 ? "F" : wanted;   // "8.2" names the plain number format
    for (int row = 0; row < kFormatCount; ++row) {
        const format_row& f = kFormats[row];
        if (std::strcmp(f.name, key) != 0) continue;
        if (info) describe(f, row + 1, info);
        if (code) *code = row + 1;
        return 0;
    }
    return QOR_FORMAT_UNKNOWN;
}
QOR_SERVICE_CATCH(QOR_FORMAT_NO_MEMORY)

int qor_format_by_code(int code, const char** name, qor_format_info* info) {
    if (code < 1 || code > kFormatCount) return QOR_FORMAT_UNKNOWN;
    const format_row& f = kFormats[code - 1];
    if (name) *name = f.name;
    if (info) describe(f, code, info);
    return 0;
}
