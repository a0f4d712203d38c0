// Inside the statement parser: tokens, the tokenizer, operand storage, and the parse state that
// the statement and clause routines share.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "host/parser.h"

namespace qor::parser {

enum TokenType : uint8_t {
    kEnd = 0,        // end of the text
    kName,           // a name
    kText,           // a quoted string
    kInteger,
    kNumber,
    kCompound,       // lib.member or lib.cat.entry.type
    kFormat,         // DATE9. $8. COMMA14.2
    kDate,           // '01JAN2020'D
    kTime,           // '10:30'T
    kDateTime,       // '01JAN2020:10:30:00'DT
    kMissing,        // . ._ .A .. .Z
    kPunct,          // ( ) * + , - : < = > [ ] /
    kSemicolon,
    kBad,            // a character or literal that cannot be read (message in error)
};

struct Token {
    TokenType type = kEnd;
    size_t start = 0;        // offset in the step's text
    size_t length = 0;
    int line = 0;
    int column = 0;
    double number = 0;       // numbers, literals and missing values
    char punct = 0;
    const char* error = nullptr;   // kBad: what is wrong
};

class Tokenizer {
public:
    Tokenizer(const char* text, size_t length, int first_line);
    Token next();
    const char* text() const { return text_; }
    // The next statement's text, verbatim, from its first non-blank character up to (not
    // including) its ';', which is passed; quoted strings and /* */ comments may hold ';'.
    // False at the end of the text (nothing left, or a statement without its ';').
    bool raw_statement(size_t* start, size_t* end, int* line);
private:
    void skip_blanks();
    Token quoted(Token t);
    Token number(Token t);
    Token name(Token t);
    const char* text_;
    size_t length_;
    size_t pos_ = 0;
    int line_;
    size_t line_start_ = 0;
};

// The printable name of a token type ("name", "quoted string", ...).
const char* token_type_name(TokenType type);
// Words of a blank-separated list: true when `word` (length n) is one of them, ignoring case.
bool word_in(const char* words, const char* word, size_t n);
// The alternative (0-based) of a "A B|C|D" list that holds `word`, or -1.
int alternative_of(const char* alternatives, const char* word, size_t n);

// The state of one parse.
struct ParseState {
    qor_parse_request* request;
    Tokenizer* tokenizer;
    Token token;             // current token
    Token previous;
    statement_node* node;    // statement being built
    const qor_statement_schema* schema;
    int stop_code;           // non-zero: the hook or memory stopped the parse
    bool failed;             // the current statement has an error
};

// Token stream with tracing.
void advance(ParseState& s);
// The token's text as written (strings without their quotes and with doubled quotes made
// single; keywords upper-cased when asked). Returns its length; buffer holds at most size-1
// characters.
size_t token_text(const ParseState& s, const Token& t, char* buffer, size_t size, bool upper = false);
bool is_punct(const Token& t, char c);
bool is_word(const ParseState& s, const Token& t, const char* words);

// Errors: "expected" lists what would have been accepted.
void syntax_error(ParseState& s, const Token& at, const char* what, const char* expected);
void semantic_trace(const ParseState& s, const char* format, ...);

// Operand storage in the step pool; each returns false after logging when memory runs out.
bool set_text(ParseState& s, int field, const char* text, size_t length);
bool set_number(ParseState& s, int field, double value);
bool append_number(ParseState& s, int field, double value);
bool append_name(ParseState& s, int field, const char* text, size_t length);
void set_bit(ParseState& s, int bit);
operand_field* field_of(ParseState& s, int field);

// Every keyword of the statement, sorted and comma-separated, then "';'".
std::string expected_words(const qor_statement_schema& schema);
// True when the token is a keyword of the current statement (it ends an unparenthesised list).
bool statement_keyword(const ParseState& s, const Token& t);
// Reads the '=' after a keyword; false (error logged) when it is missing.
bool expect_equals(ParseState& s);

// One statement after its keyword, up to (not past) the ';'.
void parse_clauses(ParseState& s);
// Clauses with lists: names, options, groups, factors.
bool parse_name_list(ParseState& s, const qor_clause& c, bool keyword_written);
bool parse_option(ParseState& s, const qor_clause& c);
bool parse_group(ParseState& s, const qor_clause& c, int alternative);
bool parse_factor(ParseState& s, const qor_clause& c);
// The body of a statement with a STATEMENTS clause, read after its ';'; false (error logged)
// when the end statement is missing.
bool parse_statement_body(ParseState& s, const qor_clause& c);
// A value of the given type at the current token; false (error logged) when it is not one.
bool parse_value(ParseState& s, uint8_t type, int field, bool append);
bool value_fits(const Token& t, uint8_t type);
// Numbers with an optional leading '-'.
bool read_number(ParseState& s, double* value);

}  // namespace qor::parser
