// Number informats: w.d and BEST (a decimal number, optionally in E notation; without a point,
// d implied decimals), COMMA and NLNUM (commas, currency signs and parentheses), PERCENT.
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <string>

#include "runtime/formats/informat_internal.h"

namespace qor::informats {
namespace {

// Parses [sign] digits [. digits] [E [sign] digits] strictly, and hands the double nearest to
// the number times 10^shift; decimals apply when the text has neither point nor exponent.
bool parse_decimal(std::string_view text, int decimals, int shift, double* value) {
    size_t i = 0;
    std::string mantissa;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) mantissa += text[i++];
    int figures = 0;
    bool point = false;
    while (i < text.size() && (std::isdigit(static_cast<unsigned char>(text[i])) || text[i] == '.')) {
        if (text[i] == '.') {
            if (point) return false;
            point = true;
        } else {
            ++figures;
        }
        mantissa += text[i++];
    }
    if (figures == 0) return false;
    long long exponent = 0;
    bool has_exponent = false;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        has_exponent = true;
        ++i;
        bool negative = false;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
        const size_t first = i;
        while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) {
            if (exponent < 100000) exponent = exponent * 10 + (text[i] - '0');
            ++i;
        }
        if (i == first) return false;
        if (negative) exponent = -exponent;
    }
    if (i != text.size()) return false;
    if (!point && !has_exponent) exponent -= decimals;
    exponent += shift;
    const std::string canonical = mantissa + "e" + std::to_string(exponent);
    const double v = std::strtod(canonical.c_str(), nullptr);
    if (!std::isfinite(v)) return false;
    *value = v;
    return true;
}

bool starts_with(std::string_view text, size_t at, std::string_view piece) {
    return text.substr(at, piece.size()) == piece;
}

// The text without grouping commas, blanks and currency signs ($, and the UTF-8 pound, euro
// and yen signs); a text wrapped in parentheses is negative.
bool strip_money(std::string_view text, std::string* plain, bool* negative) {
    *negative = false;
    if (!text.empty() && text.front() == '(') {
        if (text.size() < 2 || text.back() != ')') return false;
        *negative = true;
        text = text.substr(1, text.size() - 2);
    }
    static const std::string_view kSigns[] = {"\xE2\x82\xAC", "\xC2\xA3", "\xC2\xA5", "$", ",", " "};
    for (size_t i = 0; i < text.size();) {
        bool skipped = false;
        for (std::string_view sign : kSigns) {
            if (starts_with(text, i, sign)) {
                i += sign.size();
                skipped = true;
                break;
            }
        }
        if (!skipped) *plain += text[i++];
    }
    if (*negative && !plain->empty() && (plain->front() == '-' || plain->front() == '+'))
        return false;   // "(-5)" says negative twice
    return !plain->empty();
}

}  // namespace

bool read_number(std::string_view text, int decimals, double* value) {
    return parse_decimal(text, decimals, 0, value);
}

bool read_comma(std::string_view text, int decimals, double* value) {
    std::string plain;
    bool negative = false;
    if (!strip_money(text, &plain, &negative)) return false;
    if (!parse_decimal(plain, decimals, 0, value)) return false;
    if (negative) *value = -*value;
    return true;
}

// A trailing percent sign divides by 100 (exactly, by moving the decimal exponent).
bool read_percent(std::string_view text, int decimals, double* value) {
    bool negative = false;
    if (text.size() >= 2 && text.front() == '(' && text.back() == ')') {
        negative = true;
        text = text.substr(1, text.size() - 2);
    }
    int shift = 0;
    if (!text.empty() && text.back() == '%') {
        shift = -2;
        text.remove_suffix(1);
    }
    std::string plain;
    bool inner_negative = false;
    if (!strip_money(text, &plain, &inner_negative) || inner_negative) return false;
    if (negative && (plain.front() == '-' || plain.front() == '+')) return false;
    if (!parse_decimal(plain, decimals, shift, value)) return false;
    if (negative) *value = -*value;
    return true;
}

}  // namespace qor::informats
