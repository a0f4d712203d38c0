// The statements of a procedure step as tokens: words, quoted texts and punctuation, each with
// its line, for the procedures whose statements carry lists with options (SORT, TRANSPOSE,
// DATASETS, APPEND) and data set options in parentheses.
#pragma once
#include <string>
#include <vector>

#include "host/anchor.h"

namespace qor::runtime {

struct StepToken {
    enum Kind { Word, Quoted, Punct } kind = Word;
    std::string text;    // a word as written, the text inside quotes, or the punctuation
    int line = 0;
    bool is(const char* word) const;          // a word or punctuation equal to `word` (any case)
};

struct StepStatement {
    std::string keyword;                      // the first word, upper case
    std::vector<StepToken> tokens;            // all tokens, the keyword first
    int line = 0;                             // line of the keyword in the program
};

// Splits a step's text into statements and tokens. Words hold letters, digits and _ . & % $ #
// @ (so "lib.member" and ".A" are one word); "<=", ">=", "^=", "~=", "||" and "**" are one
// punctuation token. false after logging an unclosed quote with its line.
bool read_step_statements(const qor_step* step, const char* proc, std::vector<StepStatement>* out);

// A token list walker with one-token look-ahead.
class TokenCursor {
public:
    TokenCursor(const std::vector<StepToken>& tokens, size_t start, int line)
        : tokens_(tokens), at_(start), line_(line) {}
    bool done() const { return at_ >= tokens_.size(); }
    const StepToken& peek() const;            // an empty Punct token when done
    const StepToken& take();
    bool accept(const char* word);            // takes the next token when it is `word`
    size_t position() const { return at_; }
    const std::vector<StepToken>& tokens() const { return tokens_; }
    int line() const { return done() ? line_ : tokens_[at_].line; }

private:
    const std::vector<StepToken>& tokens_;
    size_t at_;
    int line_;
};

// Upper case of ASCII letters.
std::string upper_word(std::string text);

// A valid name of up to `longest` characters: a letter or _ first, then letters, digits, _.
bool valid_word_name(const std::string& name, size_t longest);

}  // namespace qor::runtime
