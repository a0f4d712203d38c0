// Splitting a procedure step into statements (with the program reader, so comments and quotes
// are handled once) and each statement into words, quoted texts and punctuation.
#include "runtime/procs/step_tokens.h"

#include <cctype>
#include <cstring>

#include "host/print.h"
#include "runtime/submit/program_reader.h"

namespace qor::runtime {

namespace {

bool word_char(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || std::strchr("_.&%$#@", c) != nullptr;
}

const StepToken& empty_token() {
    static const StepToken token{StepToken::Punct, "", 0};
    return token;
}

// Tokens of one statement; line counts the line feeds passed. false on an unclosed quote.
bool split_statement(const std::string& text, int line, std::vector<StepToken>* out, int* bad_line) {
    size_t i = 0;
    while (i < text.size()) {
        char c = text[i];
        if (c == '\n') { ++line; ++i; continue; }
        if (std::isspace(static_cast<unsigned char>(c))) { ++i; continue; }
        StepToken t;
        t.line = line;
        if (c == '\'' || c == '"') {
            t.kind = StepToken::Quoted;
            size_t j = i + 1;
            for (;;) {
                if (j >= text.size()) { *bad_line = line; return false; }
                if (text[j] == c) {
                    if (j + 1 < text.size() && text[j + 1] == c) { t.text += c; j += 2; continue; }
                    break;
                }
                if (text[j] == '\n') ++line;
                t.text += text[j++];
            }
            i = j + 1;
        } else if (word_char(c)) {
            size_t j = i;
            while (j < text.size() && word_char(text[j])) ++j;
            t.text = text.substr(i, j - i);
            i = j;
        } else {
            t.kind = StepToken::Punct;
            static const char* kPairs[] = {"<=", ">=", "^=", "~=", "||", "**", "!="};
            t.text = std::string(1, c);
            for (const char* pair : kPairs)
                if (text.compare(i, 2, pair) == 0) t.text = pair;
            i += t.text.size();
        }
        out->push_back(t);
    }
    return true;
}

}  // namespace

std::string upper_word(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

bool valid_word_name(const std::string& name, size_t longest) {
    if (name.empty() || name.size() > longest) return false;
    auto first = static_cast<unsigned char>(name[0]);
    if (!std::isalpha(first) && first != '_') return false;
    for (char c : name)
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_') return false;
    return true;
}

bool StepToken::is(const char* word) const {
    return kind != Quoted && upper_word(text) == upper_word(word);
}

bool read_step_statements(const qor_step* step, const char* proc, std::vector<StepStatement>* out) {
    ReadProgram program = read_program(std::string(step->text, step->text_length));
    for (const ProgramStatement& st : program.statements) {
        StepStatement s;
        s.line = step->first_line + st.line - 1;
        int bad_line = 0;
        if (!split_statement(st.text, s.line, &s.tokens, &bad_line)) {
            xpslog("%1zPROC %s: a quoted text on line %i is not closed.", proc, bad_line);
            return false;
        }
        if (s.tokens.empty()) continue;   // a null statement
        s.keyword = upper_word(s.tokens[0].text);
        if ((s.keyword == "RUN" || s.keyword == "QUIT") && s.tokens.size() == 1) continue;   // the step's end
        out->push_back(std::move(s));
    }
    return true;
}

const StepToken& TokenCursor::peek() const { return done() ? empty_token() : tokens_[at_]; }

const StepToken& TokenCursor::take() { return done() ? empty_token() : tokens_[at_++]; }

bool TokenCursor::accept(const char* word) {
    if (done() || !tokens_[at_].is(word)) return false;
    ++at_;
    return true;
}

}  // namespace qor::runtime
