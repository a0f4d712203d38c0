// The literal scanner: one reading of numbers, quoted strings, date, time and date-time literals
// and missing values for every tokenizer of the runtime.
#include "runtime/literals/literal_scanner.h"

#include <cctype>
#include <cstdlib>

#include "host/dates.h"
#include "host/missing.h"
#include "runtime/literals/two_digit_year.h"

namespace qor::literals {

namespace {

bool digit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }

// An unsigned run of 1 to most digits at s[p]; -1 when there is none.
long read_digits(std::string_view s, size_t& p, int most) {
    long v = 0;
    int n = 0;
    while (p < s.size() && n < most && digit(s[p])) v = v * 10 + (s[p++] - '0'), ++n;
    return n == 0 ? -1 : v;
}

int month_of(std::string_view s, size_t p) {
    static const char kMonths[] = "JANFEBMARAPRMAYJUNJULAUGSEPOCTNOVDEC";
    if (p + 3 > s.size()) return 0;
    for (int m = 0; m < 12; ++m) {
        bool same = true;
        for (int i = 0; i < 3; ++i)
            if (std::toupper(static_cast<unsigned char>(s[p + i])) != kMonths[3 * m + i]) same = false;
        if (same) return m + 1;
    }
    return 0;
}

// ddMONyy or ddMONyyyy at s[p]: days since 1 January 1960.
bool read_date(std::string_view s, size_t& p, double* days) {
    long day = read_digits(s, p, 2);
    int month = day < 1 ? 0 : month_of(s, p);
    if (month == 0) return false;
    p += 3;
    size_t before = p;
    long year = read_digits(s, p, 4);
    if (year < 0 || (p - before != 2 && p - before != 4)) return false;
    if (p - before == 2) year = year_of_two_digits(static_cast<int>(year));
    double d = ziddmdy(month, static_cast<int>(day), static_cast<int>(year));
    if (is_missing(d)) return false;
    *days = d;
    return true;
}

// hh:mm[:ss[.fff]] at s[p]: seconds since midnight (hours 0 to 24).
bool read_time(std::string_view s, size_t& p, double* seconds) {
    long h = read_digits(s, p, 2);
    if (h < 0 || h > 24 || p >= s.size() || s[p] != ':') return false;
    ++p;
    long m = read_digits(s, p, 2);
    if (m < 0 || m > 59) return false;
    double sec = 0;
    if (p < s.size() && s[p] == ':') {
        size_t from = ++p;
        while (p < s.size() && digit(s[p])) ++p;
        if (p < s.size() && s[p] == '.') {
            ++p;
            while (p < s.size() && digit(s[p])) ++p;
        }
        std::string part(s.substr(from, p - from));
        if (part.empty() || part == ".") return false;
        sec = std::strtod(part.c_str(), nullptr);
        if (sec >= 60) return false;
    }
    *seconds = h * 3600.0 + m * 60.0 + sec;
    return true;
}

}  // namespace

bool is_name_start(char c) { return std::isalpha(static_cast<unsigned char>(c)) || c == '_'; }
bool is_name_char(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

bool scan_number(std::string_view s, size_t pos, NumberScan* out) {
    const size_t n = s.size();
    if (pos >= n || !(digit(s[pos]) || (s[pos] == '.' && pos + 1 < n && digit(s[pos + 1])))) return false;
    *out = NumberScan{};
    size_t p = pos;
    while (p < n && digit(s[p])) ++p;
    if (p < n && s[p] == '.') {
        out->real = true;
        ++p;
        while (p < n && digit(s[p])) ++p;
    }
    if (p < n && (s[p] == 'e' || s[p] == 'E')) {
        size_t q = p + 1;
        if (q < n && (s[q] == '+' || s[q] == '-')) ++q;
        if (q < n && digit(s[q])) {
            out->real = true;
            p = q;
            while (p < n && digit(s[p])) ++p;
        } else {
            out->error = NumberError::ExponentWithoutDigits;
            out->error_at = p;
        }
    }
    std::string written(s.substr(pos, p - pos));
    out->value = std::strtod(written.c_str(), nullptr);
    if (p < n && is_name_start(s[p])) {
        if (out->error == NumberError::None) {
            out->error = NumberError::FollowedByLetters;
            out->error_at = p;
        }
        while (p < n && is_name_char(s[p])) ++p;
    }
    out->end = p;
    return true;
}

bool literal_value(std::string_view body, LiteralKind kind, double* value) {
    size_t i = 0;
    while (i < body.size() && body[i] == ' ') ++i;
    size_t last = body.size();
    while (last > i && body[last - 1] == ' ') --last;
    body = body.substr(0, last);
    double days = 0, secs = 0;
    bool ok = false;
    switch (kind) {
        case LiteralKind::Date: ok = read_date(body, i, &days); *value = days; break;
        case LiteralKind::Time: ok = read_time(body, i, &secs); *value = secs; break;
        case LiteralKind::DateTime:
            ok = read_date(body, i, &days) && i < body.size() && body[i++] == ':' && read_time(body, i, &secs);
            *value = days * 86400.0 + secs;
            break;
        case LiteralKind::Text: return false;
    }
    return ok && i == body.size();
}

bool scan_quoted(std::string_view s, size_t pos, QuotedScan* out) {
    const size_t n = s.size();
    if (pos >= n || (s[pos] != '\'' && s[pos] != '"')) return false;
    *out = QuotedScan{};
    const char q = s[pos];
    size_t p = pos + 1;
    for (;;) {
        if (p >= n) {
            out->error = QuotedError::NotClosed;
            out->end = out->quote_end = n;
            return true;
        }
        if (s[p] == q) {
            if (p + 1 < n && s[p + 1] == q) {
                out->body += q;
                p += 2;
                continue;
            }
            ++p;
            break;
        }
        out->body += s[p++];
    }
    out->quote_end = p;
    size_t e = p;
    while (e < n && is_name_char(s[e])) ++e;
    out->end = e;
    std::string_view suffix = s.substr(p, e - p);
    if (suffix.empty()) return true;
    auto is = [&](const char* word) {
        if (suffix.size() != std::char_traits<char>::length(word)) return false;
        for (size_t i = 0; i < suffix.size(); ++i)
            if (std::toupper(static_cast<unsigned char>(suffix[i])) != word[i]) return false;
        return true;
    };
    if (is("D")) out->kind = LiteralKind::Date;
    else if (is("T")) out->kind = LiteralKind::Time;
    else if (is("DT")) out->kind = LiteralKind::DateTime;
    else {
        out->error = QuotedError::UnknownSuffix;
        return true;
    }
    if (!literal_value(out->body, out->kind, &out->value)) out->error = QuotedError::BadValue;
    return true;
}

bool scan_missing(std::string_view s, size_t pos, MissingScan* out) {
    const size_t n = s.size();
    if (pos >= n || s[pos] != '.' || (pos + 1 < n && digit(s[pos + 1]))) return false;
    *out = MissingScan{};
    out->end = pos + 1;
    if (pos + 1 < n && (s[pos + 1] == '_' || std::isalpha(static_cast<unsigned char>(s[pos + 1])))) {
        if (pos + 2 < n && is_name_char(s[pos + 2])) {
            out->name_follows = true;
        } else {
            out->code = static_cast<char>(std::toupper(static_cast<unsigned char>(s[pos + 1])));
            out->end = pos + 2;
        }
    }
    return true;
}

}  // namespace qor::literals
