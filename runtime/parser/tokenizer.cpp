// The statement tokenizer: names, quoted strings, numbers, compound and format names, date,
// time and date-time literals, missing values and punctuation, each with its line and column.
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string>
#include <strings.h>

#include "host/dates.h"
#include "host/missing.h"
#include "runtime/parser/parser_internal.h"

namespace qor::parser {

namespace {

bool name_start(char c) { return std::isalpha(static_cast<unsigned char>(c)) || c == '_'; }
bool name_char(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }
bool digit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }

const char* const kMonths[] = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                               "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};

// Reads an unsigned integer of at most max_digits at p; -1 when there is none.
long read_digits(const std::string& s, size_t& p, int max_digits) {
    long v = 0;
    int n = 0;
    while (p < s.size() && digit(s[p]) && n < max_digits) v = v * 10 + (s[p++] - '0'), ++n;
    return n == 0 ? -1 : v;
}

// ddMONyy(yy): days since 1 January 1960; false when it is not a valid date.
bool parse_date(const std::string& s, size_t& p, double* days) {
    long day = read_digits(s, p, 2);
    if (day < 1 || p + 3 > s.size()) return false;
    int month = 0;
    for (int m = 0; m < 12; ++m)
        if (strncasecmp(s.c_str() + p, kMonths[m], 3) == 0) month = m + 1;
    if (!month) return false;
    p += 3;
    size_t before = p;
    long year = read_digits(s, p, 4);
    if (year < 0 || (p - before != 2 && p - before != 4)) return false;
    if (p - before == 2) year += year < 40 ? 2000 : 1900;
    double d = ziddmdy(month, static_cast<int>(day), static_cast<int>(year));
    if (is_missing(d)) return false;
    *days = d;
    return true;
}

// hh:mm[:ss[.fff]]: seconds since midnight; false when it is not a valid time.
bool parse_time(const std::string& s, size_t& p, double* seconds) {
    long h = read_digits(s, p, 2);
    if (h < 0 || h > 24 || p >= s.size() || s[p] != ':') return false;
    ++p;
    long m = read_digits(s, p, 2);
    if (m < 0 || m > 59) return false;
    double sec = 0;
    if (p < s.size() && s[p] == ':') {
        ++p;
        size_t from = p;
        while (p < s.size() && (digit(s[p]) || s[p] == '.')) ++p;
        if (p == from) return false;
        char* end = nullptr;
        std::string part = s.substr(from, p - from);
        sec = std::strtod(part.c_str(), &end);
        if (*end || sec >= 60) return false;
    }
    *seconds = h * 3600.0 + m * 60.0 + sec;
    return true;
}

}  // namespace

Tokenizer::Tokenizer(const char* text, size_t length, int first_line)
    : text_(text), length_(text ? length : 0), line_(first_line) {}

void Tokenizer::skip_blanks() {
    while (pos_ < length_) {
        char c = text_[pos_];
        if (c == '\n') {
            ++line_;
            line_start_ = pos_ + 1;
        } else if (!std::isspace(static_cast<unsigned char>(c)) && c != '\0') {
            return;
        }
        ++pos_;
    }
}

Token Tokenizer::next() {
    skip_blanks();
    Token t;
    t.start = pos_;
    t.line = line_;
    t.column = static_cast<int>(pos_ - line_start_) + 1;
    if (pos_ >= length_) return t;
    char c = text_[pos_];
    if (c == '\'' || c == '"') return quoted(t);
    if (digit(c) || (c == '.' && pos_ + 1 < length_ && digit(text_[pos_ + 1]))) return number(t);
    if (name_start(c) || c == '$') return name(t);
    if (c == '.') {
        // A missing value: "." alone, or "._" / ".A" to ".Z" not followed by a name character.
        t.type = kMissing;
        size_t n = 1;
        int code = 0;
        if (pos_ + 1 < length_ && (text_[pos_ + 1] == '_' || std::isalpha(static_cast<unsigned char>(text_[pos_ + 1]))) &&
            !(pos_ + 2 < length_ && name_char(text_[pos_ + 2]))) {
            char m = static_cast<char>(std::toupper(static_cast<unsigned char>(text_[pos_ + 1])));
            code = m;
            n = 2;
        }
        t.number = make_missing(code);
        t.length = n;
        pos_ += n;
        return t;
    }
    pos_ += 1;
    t.length = 1;
    if (c == ';') {
        t.type = kSemicolon;
    } else if (std::strchr("()*+,-:<=>[]/", c)) {
        t.type = kPunct;
        t.punct = c;
    } else {
        t.type = kBad;
        t.error = "a character that is not part of the statement syntax";
    }
    return t;
}

Token Tokenizer::quoted(Token t) {
    char q = text_[pos_];
    size_t p = pos_ + 1;
    std::string body;
    for (;;) {
        if (p >= length_) {
            // The rest of the step belongs to the string: nothing after it can be read.
            t.type = kBad;
            t.error = "a quoted string that is not closed";
            t.length = length_ - pos_;
            pos_ = length_;
            return t;
        }
        if (text_[p] == q) {
            if (p + 1 < length_ && text_[p + 1] == q) {
                body += q;
                p += 2;
                continue;
            }
            ++p;
            break;
        }
        if (text_[p] == '\n') {
            ++line_;
            line_start_ = p + 1;
        }
        body += text_[p++];
    }
    t.type = kText;
    // A letter suffix makes a literal: d date, t time, dt date-time.
    size_t suffix = 0;
    while (p + suffix < length_ && name_char(text_[p + suffix])) ++suffix;
    std::string kind(text_ + p, suffix);
    for (char& ch : kind) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    if (!kind.empty()) {
        size_t i = 0;
        bool ok = false;
        double days = 0, secs = 0;
        while (i < body.size() && body[i] == ' ') ++i;
        if (kind == "D") {
            t.type = kDate;
            ok = parse_date(body, i, &days);
            t.number = days;
        } else if (kind == "T") {
            t.type = kTime;
            ok = parse_time(body, i, &secs);
            t.number = secs;
        } else if (kind == "DT") {
            t.type = kDateTime;
            ok = parse_date(body, i, &days) && i < body.size() && body[i++] == ':' &&
                 parse_time(body, i, &secs);
            t.number = days * 86400.0 + secs;
        } else {
            t.type = kBad;
            t.error = "a quoted string followed by an unknown literal suffix";
        }
        while (i < body.size() && body[i] == ' ') ++i;
        if (t.type != kBad && (!ok || i != body.size())) {
            t.type = kBad;
            t.error = "a date, time or date-time literal that is not valid";
        }
        p += suffix;
    }
    t.length = p - pos_;
    pos_ = p;
    return t;
}

Token Tokenizer::number(Token t) {
    size_t p = pos_;
    bool real = false;
    while (p < length_ && digit(text_[p])) ++p;
    if (p < length_ && text_[p] == '.') {
        real = true;
        ++p;
        while (p < length_ && digit(text_[p])) ++p;
    }
    if (p < length_ && (text_[p] == 'e' || text_[p] == 'E')) {
        size_t q = p + 1;
        if (q < length_ && (text_[q] == '+' || text_[q] == '-')) ++q;
        if (q < length_ && digit(text_[q])) {
            real = true;
            p = q;
            while (p < length_ && digit(text_[p])) ++p;
        }
    }
    std::string s(text_ + pos_, p - pos_);
    t.number = std::strtod(s.c_str(), nullptr);
    t.type = real ? kNumber : kInteger;
    if (p < length_ && name_start(text_[p])) {
        t.type = kBad;
        t.error = "a number followed by letters";
        while (p < length_ && name_char(text_[p])) ++p;
    }
    t.length = p - pos_;
    pos_ = p;
    return t;
}

Token Tokenizer::name(Token t) {
    size_t p = pos_;
    bool dollar = text_[p] == '$';
    if (dollar) ++p;
    while (p < length_ && name_char(text_[p])) ++p;
    t.type = kName;
    if (p < length_ && text_[p] == '.') {
        if (!dollar && p + 1 < length_ && name_start(text_[p + 1])) {
            // lib.member, or up to four levels (lib.catalog.entry.type).
            int levels = 1;
            while (p < length_ && text_[p] == '.' && p + 1 < length_ && name_start(text_[p + 1]) && levels < 4) {
                p += 1;
                while (p < length_ && name_char(text_[p])) ++p;
                ++levels;
            }
            t.type = kCompound;
        } else {
            // A format name: the dot, then an optional number of decimals.
            ++p;
            while (p < length_ && digit(text_[p])) ++p;
            t.type = kFormat;
        }
    } else if (dollar) {
        t.type = kBad;
        t.error = "a '$' that does not begin a format name";
    }
    t.length = p - pos_;
    pos_ = p;
    return t;
}

const char* token_type_name(TokenType type) {
    switch (type) {
        case kEnd: return "the end of the step";
        case kName: return "name";
        case kText: return "quoted string";
        case kInteger: return "integer";
        case kNumber: return "number";
        case kCompound: return "compound name";
        case kFormat: return "format name";
        case kDate: return "date literal";
        case kTime: return "time literal";
        case kDateTime: return "date-time literal";
        case kMissing: return "missing value";
        case kPunct: return "punctuation";
        case kSemicolon: return "';'";
        case kBad: return "unreadable text";
    }
    return "token";
}

bool word_in(const char* words, const char* word, size_t n) {
    if (!words || n == 0) return false;
    const char* p = words;
    while (*p) {
        while (*p == ' ' || *p == '|') ++p;
        const char* e = p;
        while (*e && *e != ' ' && *e != '|') ++e;
        if (static_cast<size_t>(e - p) == n && strncasecmp(p, word, n) == 0) return true;
        p = e;
    }
    return false;
}

int alternative_of(const char* alternatives, const char* word, size_t n) {
    if (!alternatives || n == 0) return -1;
    int index = 0;
    const char* p = alternatives;
    while (*p) {
        if (*p == '|') {
            ++index;
            ++p;
            continue;
        }
        if (*p == ' ') {
            ++p;
            continue;
        }
        const char* e = p;
        while (*e && *e != ' ' && *e != '|') ++e;
        if (static_cast<size_t>(e - p) == n && strncasecmp(p, word, n) == 0) return index;
        p = e;
    }
    return -1;
}

}  // namespace qor::parser
