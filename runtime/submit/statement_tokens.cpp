// Splitting a statement's text into words, quoted texts and '=' signs. Quoted texts keep their
// blanks; quotes and literals are read by the shared literal scanner.
#include "runtime/submit/statement_tokens.h"

#include <cctype>

#include "runtime/literals/literal_scanner.h"

namespace qor::runtime {

namespace {

bool is_space(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

bool failed(std::string* error, const char* message) {
    if (error) *error = message;
    return false;
}

}  // namespace

bool split_statement_tokens(const std::string& text, bool equals_is_token,
                            std::vector<StatementToken>* out, std::string* error) {
    size_t i = 0;
    while (i < text.size()) {
        char c = text[i];
        if (is_space(c)) { ++i; continue; }
        if (equals_is_token && c == '=') {
            out->push_back({"=", false, StatementLiteral::None, 0});
            ++i;
            continue;
        }
        literals::QuotedScan q;
        if (literals::scan_quoted(text, i, &q)) {
            if (q.error == literals::QuotedError::NotClosed) return failed(error, "a quote is not closed");
            if (q.error == literals::QuotedError::BadValue)
                return failed(error, "a date, time or date-time literal is not valid");
            if (q.kind == literals::LiteralKind::Text || q.error == literals::QuotedError::UnknownSuffix) {
                // letters after the quote other than d, t or dt make a word of their own
                out->push_back({std::move(q.body), true, StatementLiteral::None, 0});
                i = q.quote_end;
                continue;
            }
            static const StatementLiteral kLiteral[] = {StatementLiteral::None, StatementLiteral::Date,
                                                        StatementLiteral::Time, StatementLiteral::DateTime};
            out->push_back({text.substr(i, q.end - i), false, kLiteral[static_cast<int>(q.kind)], q.value});
            i = q.end;
            continue;
        }
        size_t start = i;
        while (i < text.size() && !is_space(text[i]) && !(equals_is_token && text[i] == '=') &&
               text[i] != '\'' && text[i] != '"')
            ++i;
        StatementToken word{text.substr(start, i - start), false, StatementLiteral::None, 0};
        literals::NumberScan num;
        if (literals::scan_number(word.text, 0, &num) && num.error == literals::NumberError::None &&
            num.end == word.text.size()) {
            word.literal = StatementLiteral::Number;
            word.number = num.value;
        }
        out->push_back(std::move(word));
    }
    return true;
}

}  // namespace qor::runtime
