// The PROC SQL tokenizer: the runtime's literal scanner reads numbers, quoted strings and
// missing values; a point right after a name is always the qualifier of a two-level name.
#include "runtime/sql/sql_tokens.h"

#include <strings.h>

#include <cctype>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "runtime/literals/literal_scanner.h"

namespace qor::runtime::sql {

namespace {

// Two-character symbols first, so that "<=" is not read as "<" and "=".
const char* const kSymbols[] = {"**", "||", "^=", "~=", "<>", "<=", ">=", "!=", ";", ",", "(",
                                ")",  ".",  "*",  "+",  "-",  "/",  "=",  "<",  ">", "^", "~",
                                "&",  "|",  "$"};

std::string line_error(int line, const std::string& what) {
    return "line " + std::to_string(line) + ": " + what;
}

}  // namespace

bool is_word(const Token& token, const char* word) {
    return token.kind == TokenKind::Name && token.text.size() == std::strlen(word) &&
           strncasecmp(token.text.c_str(), word, token.text.size()) == 0;
}

bool is_symbol(const Token& token, const char* symbol) {
    return token.kind == TokenKind::Symbol && token.text == symbol;
}

bool tokenize(const std::string& text, int first_line, std::vector<Token>* tokens,
              std::string* error) {
    tokens->clear();
    std::string_view s(text);
    size_t i = 0;
    int line = first_line;
    while (true) {
        // Blanks and block comments.
        while (i < s.size()) {
            if (s[i] == '\n') {
                ++line;
                ++i;
            } else if (std::isspace(static_cast<unsigned char>(s[i]))) {
                ++i;
            } else if (s.compare(i, 2, "/*") == 0) {
                size_t close = s.find("*/", i + 2);
                if (close == std::string_view::npos) {
                    *error = line_error(line, "a comment is not closed");
                    return false;
                }
                for (size_t k = i; k < close; ++k) line += s[k] == '\n';
                i = close + 2;
            } else {
                break;
            }
        }
        Token t;
        t.offset = i;
        t.line = line;
        if (i >= s.size()) {
            t.end = i;
            tokens->push_back(t);
            return true;
        }
        char c = s[i];
        bool after_name = !tokens->empty() && tokens->back().kind == TokenKind::Name &&
                          tokens->back().end == i;
        literals::NumberScan number;
        literals::QuotedScan quoted;
        literals::MissingScan missing;
        if (literals::is_name_start(c)) {
            size_t j = i + 1;
            while (j < s.size() && literals::is_name_char(s[j])) ++j;
            t.kind = TokenKind::Name;
            t.text = std::string(s.substr(i, j - i));
            t.end = j;
        } else if (literals::scan_number(s, i, &number)) {
            if (number.error != literals::NumberError::None) {
                *error = line_error(line, "the number \"" + std::string(s.substr(i, number.end - i)) +
                                              "\" is not valid");
                return false;
            }
            t.kind = TokenKind::Number;
            t.value = number.value;
            t.end = number.end;
        } else if ((c == '\'' || c == '"') && literals::scan_quoted(s, i, &quoted)) {
            if (quoted.error == literals::QuotedError::NotClosed) {
                *error = line_error(line, "a quoted string is not closed");
                return false;
            }
            // A name literal: 'any text'n.
            bool name_literal = quoted.error == literals::QuotedError::UnknownSuffix &&
                                quoted.quote_end < s.size() &&
                                (s[quoted.quote_end] == 'n' || s[quoted.quote_end] == 'N') &&
                                (quoted.quote_end + 1 >= s.size() ||
                                 !literals::is_name_char(s[quoted.quote_end + 1]));
            if (name_literal) {
                t.kind = TokenKind::Name;
                t.text = quoted.body;
                t.end = quoted.quote_end + 1;
            } else if (quoted.error != literals::QuotedError::None) {
                *error = line_error(line, "the literal " + std::string(s.substr(i, quoted.end - i)) +
                                              " is not valid");
                return false;
            } else if (quoted.kind == literals::LiteralKind::Text) {
                t.end = quoted.end;
                t.kind = TokenKind::String;
                t.text = quoted.body;
            } else {
                t.end = quoted.end;
                t.kind = TokenKind::Number;
                t.value = quoted.value;
            }
        } else if (!after_name && literals::scan_missing(s, i, &missing) && !missing.name_follows) {
            t.kind = TokenKind::Missing;
            t.missing = missing.code == 0 ? '.' : missing.code;
            t.end = missing.end;
        } else {
            for (const char* sym : kSymbols) {
                size_t n = std::strlen(sym);
                if (s.compare(i, n, sym) == 0) {
                    t.kind = TokenKind::Symbol;
                    t.text = sym;
                    t.end = i + n;
                    break;
                }
            }
            if (t.kind != TokenKind::Symbol) {
                char shown[8];
                if (std::isprint(static_cast<unsigned char>(c)))
                    std::snprintf(shown, sizeof shown, "\"%c\"", c);
                else
                    std::snprintf(shown, sizeof shown, "0x%02X", static_cast<unsigned char>(c));
                *error = line_error(line, std::string("the character ") + shown +
                                              " is not part of the language");
                return false;
            }
        }
        for (size_t k = i; k < t.end; ++k) line += s[k] == '\n';
        i = t.end;
        tokens->push_back(std::move(t));
    }
}

}  // namespace qor::runtime::sql
