// Shared steps of the statement parser: reading the next token (with the SYN trace), token
// texts, syntax errors with line, column and expected words, the SEM trace, and single values.
#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>

#include "host/print.h"
#include "runtime/parser/parser_internal.h"

namespace qor::parser {

void advance(ParseState& s) {
    s.previous = s.token;
    s.token = s.tokenizer->next();
    if (s.request->trace & QOR_PARSE_TRACE_SYNTAX) {
        const Token& t = s.token;
        xpslog("SYN: line %i column %i %s \"%.*s\"", t.line, t.column, token_type_name(t.type),
               static_cast<int>(t.length > 60 ? 60 : t.length), s.tokenizer->text() + t.start);
    }
}

size_t token_text(const ParseState& s, const Token& t, char* buffer, size_t size, bool upper) {
    if (size == 0) return 0;
    const char* p = s.tokenizer->text() + t.start;
    size_t n = 0;
    if (t.type == kText) {
        char q = p[0];
        for (size_t i = 1; i + 1 < t.length && n + 1 < size; ++i) {
            if (p[i] == q) ++i;   // a doubled quote stands for one
            buffer[n++] = p[i];
        }
    } else {
        for (size_t i = 0; i < t.length && n + 1 < size; ++i)
            buffer[n++] = upper ? static_cast<char>(std::toupper(static_cast<unsigned char>(p[i]))) : p[i];
    }
    buffer[n] = '\0';
    return n;
}

bool is_punct(const Token& t, char c) { return t.type == kPunct && t.punct == c; }

bool is_word(const ParseState& s, const Token& t, const char* words) {
    return t.type == kName && word_in(words, s.tokenizer->text() + t.start, t.length);
}

void syntax_error(ParseState& s, const Token& at, const char* what, const char* expected) {
    if (s.failed) return;
    std::string bad;
    if (at.type == kBad) {
        // An unreadable token says itself what is wrong with it.
        bad = std::string("found ") + at.error + ":";
        what = bad.c_str();
        expected = nullptr;
    }   // one message per statement: the rest of it is skipped
    s.failed = true;
    std::string found;
    if (at.type == kEnd) {
        found = "the end of the step";
    } else {
        size_t n = at.length > 40 ? 40 : at.length;
        const char* nl = static_cast<const char*>(std::memchr(s.tokenizer->text() + at.start, '\n', n));
        if (nl) n = static_cast<size_t>(nl - (s.tokenizer->text() + at.start));
        found = "\"" + std::string(s.tokenizer->text() + at.start, n) + (at.length > n ? "...\"" : "\"");
    }
    // Errors before a statement is known (the PROC statement, an unknown statement) have no name.
    const char* name = s.node ? s.node->name : "";
    int name_length = s.node ? static_cast<int>(sizeof s.node->name) : 0;
    while (name_length > 0 && name[name_length - 1] == ' ') --name_length;
    if (name_length > 0)
        xpslog("%1zSyntax error in the %*s statement at line %i, column %i: %s %s.", name_length,
               name, at.line, at.column, what, found.c_str());
    else
        xpslog("%1zSyntax error at line %i, column %i: %s %s.", at.line, at.column, what,
               found.c_str());
    if (expected && *expected) xpslog("       Expected one of: %s.", expected);
}

void semantic_trace(const ParseState& s, const char* format, ...) {
    if (!(s.request->trace & QOR_PARSE_TRACE_SEMANTIC)) return;
    char line[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    xpslog("SEM: %s", line);
}

bool value_fits(const Token& t, uint8_t type) {
    switch (type) {
        case QOR_VALUE_NAME: return t.type == kName;
        case QOR_VALUE_TEXT: return t.type == kText;
        case QOR_VALUE_INTEGER: return t.type == kInteger || t.type == kMissing || is_punct(t, '-');
        case QOR_VALUE_NUMBER:
            return t.type == kInteger || t.type == kNumber || t.type == kMissing || t.type == kDate ||
                   t.type == kTime || t.type == kDateTime || is_punct(t, '-');
        case QOR_VALUE_DATASET: return t.type == kName || t.type == kCompound || t.type == kText;
        case QOR_VALUE_FORMAT: return t.type == kFormat;
        case QOR_VALUE_ANY:
            return t.type == kName || t.type == kCompound || t.type == kText || t.type == kFormat;
    }
    return false;
}

static const char* value_words(uint8_t type) {
    switch (type) {
        case QOR_VALUE_NAME: return "a name";
        case QOR_VALUE_TEXT: return "a quoted string";
        case QOR_VALUE_INTEGER: return "an integer";
        case QOR_VALUE_NUMBER: return "a number";
        case QOR_VALUE_DATASET: return "a data set name";
        case QOR_VALUE_FORMAT: return "a format name";
        default: return "a name or a quoted string";
    }
}

bool read_number(ParseState& s, double* value) {
    bool negative = false;
    Token first = s.token;
    if (is_punct(s.token, '-')) {
        negative = true;
        advance(s);
    }
    const Token& t = s.token;
    if (t.type == kInteger || t.type == kNumber || t.type == kDate || t.type == kTime ||
        t.type == kDateTime || (t.type == kMissing && !negative)) {
        *value = negative ? -t.number : t.number;
        advance(s);
        return true;
    }
    syntax_error(s, negative ? t : first, "expected a number, found", nullptr);
    return false;
}

bool parse_value(ParseState& s, uint8_t type, int field, bool append) {
    if (s.token.type == kBad) {
        syntax_error(s, s.token, "cannot read", s.token.error);
        return false;
    }
    if (!value_fits(s.token, type)) {
        std::string what = std::string("expected ") + value_words(type) + ", found";
        syntax_error(s, s.token, what.c_str(), nullptr);
        return false;
    }
    if (type == QOR_VALUE_NUMBER || type == QOR_VALUE_INTEGER) {
        Token at = s.token;
        double v = 0;
        if (!read_number(s, &v)) return false;
        if (type == QOR_VALUE_INTEGER && at.type != kMissing &&
            (s.previous.type != kInteger || v != static_cast<double>(static_cast<long long>(v)))) {
            syntax_error(s, s.previous, "expected an integer, found", nullptr);
            return false;
        }
        return append ? append_number(s, field, v) : set_number(s, field, v);
    }
    std::string text(s.token.length + 1, '\0');
    size_t n = token_text(s, s.token, text.data(), text.size());
    advance(s);
    return append ? append_name(s, field, text.data(), n) : set_text(s, field, text.data(), n);
}

}  // namespace qor::parser
