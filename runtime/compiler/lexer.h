// Tokens of the methods language and the lexer that splits one statement text into them.
// Keywords are plain names here; the parser decides what a name means where it stands.
#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace qor::cmp {

enum class Tok {
    Name,      // text holds the name as written (may contain one or more '.' parts)
    Number,    // number holds the value (date and time literals become numbers)
    Missing,   // number holds the missing value ('.', '._', '.A' .. '.Z')
    String,    // text holds the value without quotes
    Op,        // text holds the operator: + - * / ** || = ^= < <= > >= ( ) [ ] , : $ & | ^ ~ { }
    Semi,      // ';'
    End        // end of the statement text
};

struct Token {
    Tok kind = Tok::End;
    std::string text;
    double number = 0;
    int pos = 0;   // 1-based column in the statement text
};

// Splits text into tokens; on failure returns false with error and error_pos set.
bool tokenize(std::string_view text, std::vector<Token>& out, std::string& error, int& error_pos);

// Case-insensitive comparison of a name with an upper-case keyword.
bool same_word(std::string_view name, std::string_view upper_keyword);
std::string upper(std::string_view s);

}  // namespace qor::cmp
