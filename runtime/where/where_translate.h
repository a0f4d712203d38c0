// The WHERE expression language read into the methods language: a recursive-descent parser that
// checks the text, reports a fault with its column, and writes an equivalent methods expression.
#pragma once
#include <string>
#include <vector>

namespace qor::where {

// One variable name as it occurs in the text.
struct NameUse {
    std::string name;   // upper case
    int column = 0;     // 1-based
};

struct Translation {
    std::string expression;        // the methods-language expression (fully parenthesised)
    std::vector<NameUse> names;    // every occurrence of a variable, in order
    std::vector<int> call_columns; // where each function call starts
    bool uses_like = false;        // the expression calls the LIKE helper
    std::string error;             // empty when the text was read
    int error_column = 0;          // 1-based column of the fault
};

// The name of the routine that LIKE lowers to (installed by the evaluator).
inline constexpr const char* kLikeRoutine = "_QOR_WHERE_LIKE";

// Reads a WHERE expression.
Translation translate_where(const std::string& text);

// SQL-style pattern match: '%' any run of characters, '_' one character; trailing blanks of
// both the value and the pattern are ignored.
bool like_match(const char* value, int value_length, const char* pattern, int pattern_length);

}  // namespace qor::where
