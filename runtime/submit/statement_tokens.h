// Splitting a statement's text into words, quoted texts and, where asked, '=' signs: shared by
// the global statements and the built-in procedures.
#pragma once
#include <string>
#include <vector>

namespace qor::runtime {

// What a token holds beyond its text: a word that is a number, or a date, time or date-time
// literal ('01JAN2020'd, '10:30't, '01JAN2020:10:30'dt) read by the shared literal scanner.
enum class StatementLiteral : char { None, Number, Date, Time, DateTime };

struct StatementToken {
    std::string text;     // a word as written, the text inside quotes, "=", or a literal as written
    bool quoted = false;  // a quoted text (a date, time or date-time literal is not one)
    StatementLiteral literal = StatementLiteral::None;
    double number = 0;    // the value of a number or a literal
};

// Words end at blanks and quotes (and at '=' when equals_is_token); a quoted text ('...' or
// "...") may hold a doubled quote standing for itself. false when a quote is not closed or a
// date, time or date-time literal is not valid (error, when given, says which).
bool split_statement_tokens(const std::string& text, bool equals_is_token,
                            std::vector<StatementToken>* out, std::string* error = nullptr);

}  // namespace qor::runtime
