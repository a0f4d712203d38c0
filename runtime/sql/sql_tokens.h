// Tokens of PROC SQL text: names, numbers (date, time and date-time literals become numbers),
// quoted strings, missing-value literals and symbols, each with its line and offset.
#pragma once
#include <string>
#include <vector>

namespace qor::runtime::sql {

enum class TokenKind { Name, Number, String, Missing, Symbol, End };

struct Token {
    TokenKind kind = TokenKind::End;
    std::string text;     // a name as written, a symbol, or a string's body
    double value = 0;     // numbers
    char missing = 0;     // missing literal: '.', '_' or 'A'..'Z'
    size_t offset = 0;    // where the token starts in the text
    size_t end = 0;       // one past its last character
    int line = 1;
};

// Splits text into tokens (the last one is End). first_line is the line of the text's first
// character. false with a message naming the line when a string is not closed, a literal is
// malformed or a character is not part of the language.
bool tokenize(const std::string& text, int first_line, std::vector<Token>* tokens,
              std::string* error);

// Whether a token is the name `word` (case ignored) or the symbol `word`.
bool is_word(const Token& token, const char* word);
bool is_symbol(const Token& token, const char* symbol);

}  // namespace qor::runtime::sql
