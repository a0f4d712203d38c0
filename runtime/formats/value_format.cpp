// The formatting services: xpfs, xfxpn and xpfmt write a number through a format, right-aligned
// in its width (missing values and asterisks included); xpfc writes a character value through $w.
#include <cmath>
#include <cstring>
#include <string>

#include "host/formats.h"
#include "host/missing.h"
#include "runtime/core/service_guard.h"
#include "runtime/formats/format_registry.h"
#include "runtime/formats/value_format_internal.h"

namespace qor::values {

renderer renderer_for(const char* name) {
    struct entry {
        const char* name;
        renderer render;
    };
    static const entry kRenderers[] = {
        {"F", render_fixed},         {"BEST", render_best},         {"D", render_d},
        {"COMMA", render_comma},     {"NLNUM", render_comma},       {"PERCENT", render_percent},
        {"DATE", render_date},       {"MONYY", render_monyy},       {"YEAR", render_year},
        {"YYQC", render_yyqc},       {"WEEKDATX", render_weekdatx}, {"YYMMDD", render_yymmdd},
        {"MMDDYY", render_mmddyy},   {"DDMMYY", render_ddmmyy},     {"DATETIME", render_datetime},
        {"E8601DT", render_e8601dt}, {"TIME", render_time},         {"TOD", render_tod},
        {"HHMM", render_hhmm},       {"HOUR", render_hour},         {"MMSS", render_mmss},
    };
    for (const entry& e : kRenderers)
        if (std::strcmp(e.name, name) == 0) return e.render;
    return nullptr;
}

}  // namespace qor::values

namespace {

using qor::values::renderer;

constexpr int kLargestWidth = 32767;

// Text of a missing value: "." for the ordinary one, "_" or the letter for special ones.
char missing_mark(double value) {
    const int code = qor::missing_code(value);
    if (code == 95) return '_';
    if (code >= 'A' && code <= 'Z') return static_cast<char>(code);
    return '.';
}

// The date-time forms of date formats show the date of a date-time value; the date format
// that each one uses, or null for any other name.
const char* date_form_of(const char* name) {
    static const char* const kForms[][2] = {
        {"DTDATE", "DATE"},     {"DTMONYY", "MONYY"},   {"DTYEAR", "YEAR"},
        {"DTYYQC", "YYQC"},     {"DTWKDATX", "WEEKDATX"}, {"DTYYMMDD", "YYMMDD"},
        {"DTMMDDYY", "MMDDYY"}, {"DTDDMMYY", "DDMMYY"},
    };
    for (const auto& form : kForms)
        if (std::strcmp(form[0], name) == 0) return form[1];
    return nullptr;
}

// The text of value for a registry format name, width and decimals, exactly w characters.
std::string formatted(double value, const char* name, int w, int d) {
    std::string text;
    bool fits = true;
    if (qor::is_missing(value)) {
        text.assign(1, missing_mark(value));
    } else if (std::isnan(value)) {
        text = ".";   // a NaN that is no host missing value has no number to show either
    } else if (std::isinf(value)) {
        fits = false;   // no format has a text for an infinity
    } else if (const char* date_name = date_form_of(name)) {
        const double days = std::floor(value / 86400.0);
        fits = qor::values::renderer_for(date_name)(days, w, d, &text);
    } else {
        renderer render = qor::values::renderer_for(name);
        if (!render) render = qor::values::render_best;   // character formats and no format
        fits = render(value, w, d, &text);
    }
    if (!fits || static_cast<int>(text.size()) > w) return std::string(w, '*');
    return std::string(w - text.size(), ' ') + text;
}

// Registry name and decimals of a format code; codes that name no format are BEST.
const char* name_of_code(int code, int* default_decimals, int* max_decimals) {
    const char* name = "BEST";
    qor_format_info info{};
    if (qor_format_by_code(code, &name, &info) != 0) {
        *default_decimals = 0;
        *max_decimals = 0;
        return "BEST";
    }
    *default_decimals = info.default_decimals;
    *max_decimals = info.max_decimals;
    return name;
}

}  // namespace

int xpfs(double value, int width, int format_code, char* dest) try {
    if (!dest) return QOR_FORMAT_NULL_ARGUMENT;
    if (width < 1 || width > kLargestWidth) return QOR_FORMAT_BAD_WIDTH;
    int decimals = 0, max_decimals = 0;
    const char* name = name_of_code(format_code, &decimals, &max_decimals);
    const std::string text = formatted(value, name, width, decimals);
    std::memcpy(dest, text.data(), static_cast<size_t>(width));
    return 0;
}
QOR_SERVICE_CATCH(QOR_FORMAT_NO_MEMORY)

int xfxpn(double value, int format_code, int width, int decimals, char* dest, int field_length) try {
    if (!dest) return QOR_FORMAT_NULL_ARGUMENT;
    if (field_length < 1 || field_length > kLargestWidth || width < 1 || width > kLargestWidth)
        return QOR_FORMAT_BAD_WIDTH;
    int default_decimals = 0, max_decimals = 0;
    const char* name = name_of_code(format_code, &default_decimals, &max_decimals);
    if (decimals < 0 || decimals > max_decimals) return QOR_FORMAT_BAD_WIDTH;
    const int w = width < field_length ? width : field_length;
    const std::string text = formatted(value, name, w, decimals);
    std::memset(dest, ' ', static_cast<size_t>(field_length - w));
    std::memcpy(dest + (field_length - w), text.data(), static_cast<size_t>(w));
    return 0;
}
QOR_SERVICE_CATCH(QOR_FORMAT_NO_MEMORY)

int xpfmt(double value, const char* format, int format_length, char* dest, int size, int* length) try {
    if (length) *length = 0;
    if (!format || !dest) return QOR_FORMAT_NULL_ARGUMENT;
    char name[QOR_FORMAT_NAME_MAX + 1];
    int name_length = 0;
    uint16_t width = 0, decimals = 0;
    int rc = zspltfm(format, format_length, name, &name_length, &width, &decimals);
    if (rc != 0) return rc;
    qor_format_info info{};
    int code = 0;
    rc = xfrname(nullptr, name, name_length, 70, &info, &code);
    if (rc != 0) return rc;
    const int w = width == QOR_FORMAT_ABSENT ? info.default_width : width;
    const int d = decimals == QOR_FORMAT_ABSENT ? info.default_decimals : decimals;
    if (w < info.min_width || w > info.max_width || d < info.min_decimals || d > info.max_decimals)
        return QOR_FORMAT_BAD_WIDTH;
    if (size < w + 1) return QOR_FORMAT_BUFFER_SMALL;
    const char* registry_name = "BEST";
    qor_format_by_code(code, &registry_name, nullptr);
    const std::string text = formatted(value, registry_name, w, d);
    std::memcpy(dest, text.data(), static_cast<size_t>(w));
    dest[w] = '\0';
    if (length) *length = w;
    return 0;
}
QOR_SERVICE_CATCH(QOR_FORMAT_NO_MEMORY)

int xpfc(const char* text, int length, int width, char* dest) try {
    if (!dest || (!text && length != 0)) return QOR_FORMAT_NULL_ARGUMENT;
    if (width < 1 || width > kLargestWidth) return QOR_FORMAT_BAD_WIDTH;
    if (length < 0) length = static_cast<int>(std::strlen(text));
    const int n = length < width ? length : width;
    if (n > 0) std::memcpy(dest, text, static_cast<size_t>(n));
    std::memset(dest + n, ' ', static_cast<size_t>(width - n));
    return 0;
}
QOR_SERVICE_CATCH(QOR_FORMAT_NO_MEMORY)
