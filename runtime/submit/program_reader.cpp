// The program reader: one pass over the text that blanks out /* */ comments and "* ...;" comment
// statements, keeps quoted text intact (a doubled quote stands for itself), and cuts at ';'.
#include "runtime/submit/program_reader.h"

#include <cctype>

namespace qor::runtime {

namespace {

bool is_space(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }

// The text being read, with the line and column of the next character. Comments, quotes and
// statements are all recognised by the same walk, so each character is read in exactly one
// role: an apostrophe inside a comment opens no quote, and a "/*" inside quotes opens no comment.
struct Cursor {
    std::string& text;
    std::vector<std::string>& errors;
    size_t at = 0;
    int line = 1;
    int column = 1;

    bool done() const { return at >= text.size(); }
    char peek() const { return text[at]; }
    bool block_comment_starts() const {
        return at + 1 < text.size() && text[at] == '/' && text[at + 1] == '*';
    }
    void step() {
        if (text[at] == '\n') { ++line; column = 1; } else { ++column; }
        ++at;
    }
    // Blanks the character and moves past it; new lines stay, so positions stay valid.
    void blank_step() {
        if (text[at] != '\n') text[at] = ' ';
        step();
    }
    // At "/*": blanks the comment through its "*/", or to the end of the text with an error.
    void blank_block_comment() {
        int start_line = line;
        blank_step();
        blank_step();
        while (!done()) {
            if (text[at] == '*' && at + 1 < text.size() && text[at + 1] == '/') {
                blank_step();
                blank_step();
                return;
            }
            blank_step();
        }
        errors.push_back("The comment that starts on line " + std::to_string(start_line) + " is not closed.");
    }
};

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
    Cursor in{result.cleaned, result.errors};
    for (;;) {
        // Between statements: blanks and block comments.
        while (!in.done()) {
            if (in.block_comment_starts()) in.blank_block_comment();
            else if (is_space(in.peek())) in.step();
            else break;
        }
        if (in.done()) break;
        ProgramStatement st{};
        st.offset = in.at;
        st.line = in.line;
        st.column = in.column;
        // A statement whose first character is '*' is a comment up to its ';': quotes mean
        // nothing inside it, but a block comment still hides a ';'.
        const bool comment_statement = in.peek() == '*';
        char quote = 0;
        int quote_line = 0;
        while (!in.done()) {
            char c = in.peek();
            if (quote) {
                if (c == quote) quote = 0;   // a doubled quote reopens at once on the next char
                in.step();
            } else if (in.block_comment_starts()) {
                in.blank_block_comment();
            } else if (c == ';') {
                break;
            } else if (!comment_statement && (c == '\'' || c == '"')) {
                quote = c;
                quote_line = in.line;
                in.step();
            } else {
                in.step();
            }
        }
        if (quote) {
            result.errors.push_back("The quoted text that starts on line " + std::to_string(quote_line) +
                                    " is not closed.");
        }
        st.terminated = !in.done();
        size_t text_end = in.at;
        if (st.terminated) in.step();   // past the ';'
        st.end = in.at;
        if (comment_statement) {
            for (size_t k = st.offset; k < st.end; ++k)
                if (result.cleaned[k] != '\n') result.cleaned[k] = ' ';
            continue;
        }
        st.text = result.cleaned.substr(st.offset, text_end - st.offset);
        result.statements.push_back(std::move(st));
    }
    return result;
}

}  // namespace qor::runtime
