// The program reader: blanks out /* */ comments and "* ...;" comment statements, keeps quoted
// text intact (a doubled quote stands for itself), and cuts the text into statements at ';'.
#include "runtime/submit/program_reader.h"

#include <cctype>

namespace qor::runtime {

namespace {

bool is_space(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }

// Replace /* ... */ comments by blanks (new lines kept, so positions stay valid).
void blank_block_comments(std::string& text, std::vector<std::string>& errors) {
    size_t i = 0;
    int line = 1;
    char quote = 0;
    while (i < text.size()) {
        char c = text[i];
        if (c == '\n') ++line;
        if (quote) {
            if (c == quote) quote = 0;   // a doubled quote reopens at once on the next char
            ++i;
            continue;
        }
        if (c == '\'' || c == '"') {
            quote = c;
            ++i;
            continue;
        }
        if (c == '/' && i + 1 < text.size() && text[i + 1] == '*') {
            int start_line = line;
            size_t j = i + 2;
            while (j + 1 < text.size() && !(text[j] == '*' && text[j + 1] == '/')) ++j;
            bool closed = j + 1 < text.size();
            size_t stop = closed ? j + 2 : text.size();
            for (size_t k = i; k < stop; ++k) {
                if (text[k] == '\n') ++line; else text[k] = ' ';
            }
            if (!closed)
                errors.push_back("The comment that starts on line " + std::to_string(start_line) +
                                 " is not closed.");
            i = stop;
            continue;
        }
        ++i;
    }
}

}  // namespace

std::string first_word(const std::string& statement) {
    size_t i = 0;
    while (i < statement.size() && is_space(statement[i])) ++i;
    std::string word;
    while (i < statement.size() && !is_space(statement[i]) && statement[i] != ';' &&
           statement[i] != '=' && statement[i] != '(' && statement[i] != '\'' && statement[i] != '"')
        word += static_cast<char>(std::toupper(static_cast<unsigned char>(statement[i++])));
    return word;
}

ReadProgram read_program(const std::string& source) {
    ReadProgram result;
    result.cleaned = source;
    std::string& text = result.cleaned;
    blank_block_comments(text, result.errors);

    size_t i = 0;
    int line = 1;
    int column = 1;
    auto advance = [&](size_t to) {
        while (i < to) {
            if (text[i] == '\n') { ++line; column = 1; } else { ++column; }
            ++i;
        }
    };
    while (i < text.size()) {
        while (i < text.size() && is_space(text[i])) advance(i + 1);
        if (i >= text.size()) break;
        ProgramStatement st{};
        st.offset = i;
        st.line = line;
        st.column = column;
        bool comment_statement = text[i] == '*';
        char quote = 0;
        int quote_line = 0;
        int scan_line = line;
        size_t j = i;
        while (j < text.size()) {
            char c = text[j];
            if (c == '\n') ++scan_line;
            if (quote) {
                if (c == quote) quote = 0;
            } else if (!comment_statement && (c == '\'' || c == '"')) {
                quote = c;
                quote_line = scan_line;
            } else if (c == ';') {
                break;
            }
            ++j;
        }
        if (quote) {
            result.errors.push_back("The quoted text that starts on line " + std::to_string(quote_line) +
                                    " is not closed.");
        }
        st.terminated = j < text.size();
        st.text = text.substr(i, j - i);
        st.end = st.terminated ? j + 1 : j;
        advance(st.end);
        if (comment_statement) {
            for (size_t k = st.offset; k < st.end; ++k)
                if (text[k] != '\n') text[k] = ' ';
            continue;
        }
        result.statements.push_back(std::move(st));
    }
    return result;
}

}  // namespace qor::runtime
