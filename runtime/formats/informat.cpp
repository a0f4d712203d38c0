// The informat services: xffmt and xfin read a text into a number through a numeric, date,
// date-time or time informat (missing marks and blank text handled here); xfinc reads $w.
#include <cstring>
#include <string_view>

#include "host/formats.h"
#include "host/missing.h"
#include "runtime/core/service_guard.h"
#include "runtime/formats/format_registry.h"
#include "runtime/formats/informat_internal.h"

namespace qor::informats {

reader reader_for(const char* name) {
    struct entry {
        const char* name;
        reader read;
    };
    static const entry kReaders[] = {
        {"F", read_number},       {"BEST", read_number},     {"D", read_number},
        {"COMMA", read_comma},    {"NLNUM", read_comma},     {"PERCENT", read_percent},
        {"DATE", read_date},      {"MONYY", read_monyy},     {"YYMMDD", read_yymmdd},
        {"MMDDYY", read_mmddyy},  {"DDMMYY", read_ddmmyy},   {"DATETIME", read_datetime},
        {"E8601DT", read_e8601dt}, {"TIME", read_time},
    };
    for (const entry& e : kReaders)
        if (std::strcmp(e.name, name) == 0) return e.read;
    return nullptr;
}

}  // namespace qor::informats

namespace {

constexpr int kLargestWidth = 32767;

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\0'))
        text.remove_suffix(1);
    return text;
}

// "." and the special missing marks "._", ".A" .. ".Z" (either case): true with the value.
bool missing_mark(std::string_view text, double* value) {
    if (text == ".") {
        *value = qor::missing();
        return true;
    }
    if (text.size() != 2 || text[0] != '.') return false;
    const char c = text[1];
    if (c == '_') *value = qor::make_missing(95);
    else if (c >= 'A' && c <= 'Z') *value = qor::make_missing(c);
    else if (c >= 'a' && c <= 'z') *value = qor::make_missing(c - 32);
    else return false;
    return true;
}

// Reads at most width characters of the text (all when width is 0) with the reader.
int read_with(qor::informats::reader read, int width, int decimals, const char* text, int length,
              double* value) {
    std::string_view whole(text ? text : "", static_cast<size_t>(length));
    if (width > 0 && whole.size() > static_cast<size_t>(width)) whole = whole.substr(0, width);
    const std::string_view t = trimmed(whole);
    *value = qor::missing();
    if (t.empty() || missing_mark(t, value)) return 0;
    double v = 0;
    if (!read(t, decimals, &v)) return QOR_INFORMAT_INVALID;
    *value = v;
    return 0;
}

}  // namespace

int xffmt(int informat_code, int width, int decimals, const char* text, int length,
          double* value) try {
    if (!value) return QOR_FORMAT_NULL_ARGUMENT;
    *value = qor::missing();
    if (!text && length != 0) return QOR_FORMAT_NULL_ARGUMENT;
    if (length < 0) length = static_cast<int>(std::strlen(text));
    const char* name = nullptr;
    qor_format_info info{};
    if (qor_format_by_code(informat_code, &name, &info) != 0) return QOR_FORMAT_UNKNOWN;
    const qor::informats::reader read = qor::informats::reader_for(name);
    if (!read) return QOR_FORMAT_UNKNOWN;
    if (width < 0 || width > kLargestWidth || decimals < 0 || decimals > info.max_decimals)
        return QOR_FORMAT_BAD_WIDTH;
    return read_with(read, width, decimals, text, length, value);
}
QOR_SERVICE_CATCH(QOR_FORMAT_NO_MEMORY)

int xfin(const char* text, int length, const char* informat, int informat_length, double* value) try {
    if (!value) return QOR_FORMAT_NULL_ARGUMENT;
    *value = qor::missing();
    if (!informat || (!text && length != 0)) return QOR_FORMAT_NULL_ARGUMENT;
    char name[QOR_FORMAT_NAME_MAX + 1];
    int name_length = 0;
    uint16_t width = 0, decimals = 0;
    int rc = zspltfm(informat, informat_length, name, &name_length, &width, &decimals);
    if (rc != 0) return rc;
    int code = 0;
    rc = xfrname(nullptr, name, name_length, 70, nullptr, &code);
    if (rc != 0) return rc;
    return xffmt(code, width == QOR_FORMAT_ABSENT ? 0 : width,
                 decimals == QOR_FORMAT_ABSENT ? 0 : decimals, text, length, value);
}
QOR_SERVICE_CATCH(QOR_FORMAT_NO_MEMORY)

int xfinc(const char* text, int length, int width, int keep_blanks, char* dest, int size,
          int* out_length) try {
    if (out_length) *out_length = 0;
    if (!dest || (!text && length != 0)) return QOR_FORMAT_NULL_ARGUMENT;
    if (width < 1 || width > kLargestWidth) return QOR_FORMAT_BAD_WIDTH;
    if (length < 0) length = static_cast<int>(std::strlen(text));
    std::string_view t(text ? text : "", static_cast<size_t>(length < width ? length : width));
    if (!keep_blanks) {
        while (!t.empty() && t.front() == ' ') t.remove_prefix(1);
        if (trimmed(t) == ".") t = std::string_view();   // a lone "." is the blank value
    }
    if (size < static_cast<int>(t.size()) + 1) return QOR_FORMAT_BUFFER_SMALL;
    if (!t.empty()) std::memcpy(dest, t.data(), t.size());
    dest[t.size()] = '\0';
    if (out_length) *out_length = static_cast<int>(t.size());
    return 0;
}
QOR_SERVICE_CATCH(QOR_FORMAT_NO_MEMORY)
