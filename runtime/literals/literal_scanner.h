// The literal scanner shared by the statement tokenizer, the methods lexer and the statement
// splitter of the global statements and procedures: numbers, quoted strings, date, time and
// date-time literals ('01JAN2020'd, '10:30't, '01JAN2020:10:30'dt) and missing-value literals.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>

namespace qor::literals {

bool is_name_start(char c);   // a letter or '_'
bool is_name_char(char c);    // a letter, digit or '_'

// ---- Numbers: 12  1.5  .5  1e-3  2.5E+10 -------------------------------------------------
enum class NumberError {
    None,
    ExponentWithoutDigits,   // "1e" or "1e+" followed by no digit
    FollowedByLetters        // "12abc"
};
struct NumberScan {
    size_t end = 0;          // one past the number and any letters that stick to it
    double value = 0;
    bool real = false;       // written with a point or an exponent
    NumberError error = NumberError::None;
    size_t error_at = 0;     // where the fault is: the exponent's letter, or the first letter after
};
// A number at text[pos] (a digit, or a point followed by a digit). False when none starts
// there; true with out->error set when one starts but is malformed.
bool scan_number(std::string_view text, size_t pos, NumberScan* out);

// ---- Quoted strings and the literals made from them -----------------------------------------
enum class LiteralKind { Text, Date, Time, DateTime };
enum class QuotedError {
    None,
    NotClosed,          // no closing quote before the end of the text
    UnknownSuffix,      // letters after the closing quote other than d, t or dt
    BadValue            // a d, t or dt suffix on a text that is not a valid date, time or date-time
};
struct QuotedScan {
    size_t end = 0;          // one past the closing quote and the suffix (the text's end when not closed)
    size_t quote_end = 0;    // one past the closing quote
    std::string body;        // the text inside the quotes, a doubled quote made single
    LiteralKind kind = LiteralKind::Text;
    double value = 0;        // dates: days since 1 January 1960; times: seconds since midnight;
                             // date-times: seconds since 1 January 1960
    QuotedError error = QuotedError::None;
};
// A quoted string at text[pos] ('...' or "..."), with its suffix: d date, t time, dt date-time
// (any case). Blanks around the literal's text are ignored; two-digit years follow YEARCUTOFF.
// False when no quote starts there.
bool scan_quoted(std::string_view text, size_t pos, QuotedScan* out);

// The value of a literal text of a kind (what scan_quoted does with the body); false when invalid.
bool literal_value(std::string_view body, LiteralKind kind, double* value);

// ---- Missing values: .  ._  .A .. .Z --------------------------------------------------------
struct MissingScan {
    size_t end = 0;
    char code = 0;                // 0 for '.', '_' or 'A'..'Z' (upper case)
    bool name_follows = false;    // '.' then a letter and a name character: ".ab" is no literal
};
// A missing-value literal at text[pos] (a point not followed by a digit). False when none.
bool scan_missing(std::string_view text, size_t pos, MissingScan* out);

}  // namespace qor::literals
