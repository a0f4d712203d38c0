// Splitting a statement's text into words, quoted texts and '=' signs.
// Quoted texts keep their blanks; a doubled quote inside them stands for one quote.
#include "runtime/submit/statement_tokens.h"

#include <cctype>

namespace qor::runtime {

namespace {
bool is_space(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }
}  // namespace

bool split_statement_tokens(const std::string& text, bool equals_is_token,
                            std::vector<StatementToken>* out) {
    size_t i = 0;
    while (i < text.size()) {
        char c = text[i];
        if (is_space(c)) { ++i; continue; }
        if (equals_is_token && c == '=') { out->push_back({"=", false}); ++i; continue; }
        if (c == '\'' || c == '"') {
            std::string value;
            ++i;
            for (;;) {
                if (i >= text.size()) return false;
                if (text[i] == c) {
                    if (i + 1 < text.size() && text[i + 1] == c) { value += c; i += 2; continue; }
                    ++i;
                    break;
                }
                value += text[i++];
            }
            out->push_back({value, true});
            continue;
        }
        size_t start = i;
        while (i < text.size() && !is_space(text[i]) && !(equals_is_token && text[i] == '=') &&
               text[i] != '\'' && text[i] != '"')
            ++i;
        out->push_back({text.substr(start, i - start), false});
    }
    return true;
}

}  // namespace qor::runtime
