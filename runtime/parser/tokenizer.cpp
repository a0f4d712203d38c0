// The statement tokenizer: names, compound and format names and punctuation, each with its line
// and column; numbers, quoted strings, date/time literals and missing values by the shared scanner.
#include <cctype>
#include <cstring>
#include <string>
#include <string_view>
#include <strings.h>

#include "host/missing.h"
#include "runtime/literals/literal_scanner.h"
#include "runtime/parser/parser_internal.h"

namespace qor::parser {

namespace {

bool name_start(char c) { return literals::is_name_start(c); }
bool name_char(char c) { return literals::is_name_char(c); }
bool digit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }

std::string_view rest_of(const char* text, size_t length) { return std::string_view(text, length); }

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
    literals::MissingScan mis;
    if (literals::scan_missing(rest_of(text_, length_), pos_, &mis)) {
        // A missing value: "." alone, or "._" / ".A" to ".Z" not followed by a name character.
        t.type = kMissing;
        t.number = make_missing(mis.code);
        t.length = mis.end - pos_;
        pos_ = mis.end;
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
    literals::QuotedScan q;
    literals::scan_quoted(rest_of(text_, length_), pos_, &q);
    for (size_t p = pos_; p < q.quote_end; ++p)
        if (text_[p] == '\n') {
            ++line_;
            line_start_ = p + 1;
        }
    static const TokenType kTypes[] = {kText, kDate, kTime, kDateTime};
    t.type = kTypes[static_cast<int>(q.kind)];
    t.number = q.value;
    switch (q.error) {
        case literals::QuotedError::None: break;
        case literals::QuotedError::NotClosed:
            // The rest of the step belongs to the string: nothing after it can be read.
            t.type = kBad;
            t.error = "a quoted string that is not closed";
            break;
        case literals::QuotedError::UnknownSuffix:
            t.type = kBad;
            t.error = "a quoted string followed by an unknown literal suffix";
            break;
        case literals::QuotedError::BadValue:
            t.type = kBad;
            t.error = "a date, time or date-time literal that is not valid";
            break;
    }
    t.length = q.end - pos_;
    pos_ = q.end;
    return t;
}

Token Tokenizer::number(Token t) {
    literals::NumberScan num;
    literals::scan_number(rest_of(text_, length_), pos_, &num);
    t.number = num.value;
    t.type = num.real ? kNumber : kInteger;
    if (num.error != literals::NumberError::None) {
        t.type = kBad;
        t.error = "a number followed by letters";
    }
    t.length = num.end - pos_;
    pos_ = num.end;
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

bool Tokenizer::raw_statement(size_t* start, size_t* end, int* line) {
    skip_blanks();
    if (pos_ >= length_) return false;
    *start = pos_;
    *line = line_;
    size_t p = pos_;
    auto step = [&](size_t to) {
        for (; p < to && p < length_; ++p)
            if (text_[p] == '\n') {
                ++line_;
                line_start_ = p + 1;
            }
    };
    while (p < length_) {
        char c = text_[p];
        if (c == ';') {
            *end = p;
            pos_ = p + 1;
            return true;
        }
        if (c == '\'' || c == '"') {
            // A doubled quote closes and reopens the string: the scan comes back here.
            size_t close = p + 1;
            while (close < length_ && text_[close] != c) ++close;
            step(close + 1);
            continue;
        }
        if (c == '/' && p + 1 < length_ && text_[p + 1] == '*') {
            size_t close = p + 2;
            while (close + 1 < length_ && !(text_[close] == '*' && text_[close + 1] == '/')) ++close;
            step(close + 2);
            continue;
        }
        step(p + 1);
    }
    pos_ = length_;
    return false;
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
