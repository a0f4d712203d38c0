// Guessing a text column's type for CSV import: the first of number, ISO date, DATE form,
// slash date (month first, else day first), ISO date-time and DATETIME form whose informat reads
// every text of the column, else character.
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "host/formats.h"
#include "runtime/core/service_guard.h"
#include "runtime/formats/informat_internal.h"

namespace {

using qor::informats::reader;

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
        text.remove_suffix(1);
    return text;
}

bool has(std::string_view text, char c) { return text.find(c) != std::string_view::npos; }

bool has_letter(std::string_view text) {
    for (char c : text)
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) return true;
    return false;
}

// A candidate type: a shape test that tells the form apart from the others (the informats
// alone are lenient, e.g. YYMMDD also reads "261210") and the informat that must read it.
struct candidate {
    int format_class;
    const char* informat;
    const char* format;
    bool (*shape)(std::string_view);
    reader read;
};

bool any_shape(std::string_view) { return true; }
bool iso_date_shape(std::string_view t) {
    return t.size() >= 8 && has(t, '-') && t.find('-') >= 4 && !has(t, ':');
}
bool month_date_shape(std::string_view t) { return has_letter(t) && !has(t, ':'); }
bool slash_date_shape(std::string_view t) {
    return has(t, '/') && t.size() >= 8 && t.size() - t.rfind('/') - 1 == 4;
}
bool iso_datetime_shape(std::string_view t) { return t.size() >= 16 && t.find('-') == 4 && has(t, ':'); }
bool month_datetime_shape(std::string_view t) { return has_letter(t) && has(t, ':'); }

bool all_read(const std::vector<std::string_view>& texts, const candidate& c) {
    for (std::string_view t : texts) {
        double v = 0;
        if (!c.shape(t) || !c.read(t, 0, &v)) return false;
    }
    return true;
}

void set(qor_guess* guess, int format_class, const char* informat, const char* format) {
    guess->format_class = format_class;
    std::snprintf(guess->informat, sizeof guess->informat, "%s", informat);
    std::snprintf(guess->format, sizeof guess->format, "%s", format);
}

}  // namespace

int xfguess(const char* const* texts, const int* lengths, int count, qor_guess* guess) try {
    if (!guess || (count > 0 && (!texts || !lengths))) return QOR_FORMAT_NULL_ARGUMENT;
    std::memset(guess, 0, sizeof *guess);
    std::vector<std::string_view> present;
    int longest = 1;
    for (int i = 0; i < count; ++i) {
        if (!texts[i]) continue;
        const size_t n = lengths[i] < 0 ? std::strlen(texts[i]) : static_cast<size_t>(lengths[i]);
        const std::string_view t = trimmed(std::string_view(texts[i], n));
        if (t.empty() || t == ".") continue;
        present.push_back(t);
        if (static_cast<int>(t.size()) > longest) longest = static_cast<int>(t.size());
    }
    guess->length = longest;
    using namespace qor::informats;
    const candidate kCandidates[] = {
        {QOR_FORMAT_NUMERIC, "BEST32.", "BEST12.", any_shape, read_number},
        {QOR_FORMAT_NUMERIC, "COMMA32.", "COMMA20.2", any_shape, read_comma},
        {QOR_FORMAT_DATE, "YYMMDD11.", "YYMMDD10.", iso_date_shape, read_yymmdd},
        {QOR_FORMAT_DATE, "DATE11.", "DATE9.", month_date_shape, read_date},
        {QOR_FORMAT_DATE, "MMDDYY10.", "MMDDYY10.", slash_date_shape, read_mmddyy},
        {QOR_FORMAT_DATE, "DDMMYY10.", "DDMMYY10.", slash_date_shape, read_ddmmyy},
        {QOR_FORMAT_DATETIME, "E8601DT26.", "DATETIME20.", iso_datetime_shape, read_e8601dt},
        {QOR_FORMAT_DATETIME, "DATETIME40.", "DATETIME20.", month_datetime_shape, read_datetime},
    };
    if (!present.empty()) {
        for (const candidate& c : kCandidates) {
            if (!all_read(present, c)) continue;
            set(guess, c.format_class, c.informat, c.format);
            return 0;
        }
    }
    char character[24];
    std::snprintf(character, sizeof character, "$%d.", longest);
    set(guess, QOR_FORMAT_CHARACTER, character, character);
    return 0;
}
QOR_SERVICE_CATCH(QOR_FORMAT_NO_MEMORY)
