// The host's statement parser: the grammar a procedure hands it (one schema per statement),
// the statement nodes it builds in the step pool, and the parse service xsproc.
#pragma once
#include <cstddef>
#include <cstdint>
#include "host/export.h"
#include "host/pool.h"

// ---- What the parser builds --------------------------------------------------------------------

// Kinds of an operand field's value.
enum : uint8_t {
    QOR_OPERAND_NONE = 0,
    QOR_OPERAND_TEXT = 1,      // value: NUL-ended text; used: its length
    QOR_OPERAND_NUMBER = 2,    // value: one double; used: 1
    QOR_OPERAND_NAMES = 3,     // value: NUL-separated names; used: bytes used; capacity: bytes
    QOR_OPERAND_NUMBERS = 4,   // value: array of doubles; used: count; capacity: doubles
};

// One operand of a statement: which kind, whether it appeared, and its value.
struct operand_field {
    uint8_t kind;
    uint8_t given;            // non-zero when the operand appeared in the statement
    int32_t used;             // used length (text, names) or count (numbers)
    int32_t capacity;         // bytes (names) or doubles (numbers) allocated
    void* value;              // text, double, name list or number array
};

// The operands of a statement, numbered from 0; the grammar fixes what each number holds.
struct operand_record {
    int32_t count;
    operand_field* fields;
};

// A parsed statement. Option bit k (1..64) is bit (7 - (k-1) % 8) of byte (k-1) / 8: bit 1 is
// the most significant bit of the first byte.
struct statement_node {
    statement_node* next;
    char name[32];            // statement keyword as stored, blank-padded
    uint8_t options[8];
    operand_record operands;
    int32_t line;             // program line and column where the statement starts
    int32_t column;
};

// Option bit k of a node (0 when k is outside 1..64).
inline bool qor_option_bit(const statement_node* node, int k) {
    if (!node || k < 1 || k > 64) return false;
    return (node->options[(k - 1) / 8] >> (7 - (k - 1) % 8)) & 1;
}
// Operand field n of a node, or null when the statement has no such field.
inline const operand_field* qor_operand(const statement_node* node, int n) {
    if (!node || n < 0 || n >= node->operands.count) return nullptr;
    return &node->operands.fields[n];
}

// ---- The grammar ---------------------------------------------------------------------------------

// Clause kinds of a statement schema.
enum : uint8_t {
    QOR_CLAUSE_FLAG = 1,        // KEYWORD: sets the clause's bit (and field := 1 when given)
    QOR_CLAUSE_VALUE = 2,       // KEYWORD = value: stores the value in the field
    QOR_CLAUSE_POSITIONAL = 3,  // a value written without keyword, in schema order
    QOR_CLAUSE_NAMELIST = 4,    // KEYWORD = (names) or KEYWORD = names; no keyword: bare names
    QOR_CLAUSE_OPTIONLIST = 5,  // run options: four parallel lists (names, types, numbers, texts)
    QOR_CLAUSE_GROUP = 6,       // KEYWORD = (members) attributes options: a repeating record
    QOR_CLAUSE_CHOICE = 7,      // one word of a set (or KEYWORD = word): its code in the field
    QOR_CLAUSE_WORDS = 8,       // words of a set, as written, appended to a name list in order
    QOR_CLAUSE_FACTORS = 9,     // factor entries "name [= amounts] [(OPT=n ...)] [code word]"
    QOR_CLAUSE_STATEMENTS = 10, // the statements after this one's ';', verbatim, up to the statement
                                // that is the clause's keyword alone ("ENDMETHOD;"): one text per
                                // statement in the name list (quotes and comments kept whole)
};

// Value types a clause accepts.
enum : uint8_t {
    QOR_VALUE_NAME = 1,         // a name
    QOR_VALUE_TEXT = 2,         // a quoted string
    QOR_VALUE_INTEGER = 3,      // an integer (or a missing value)
    QOR_VALUE_NUMBER = 4,       // a number, date, time or date-time literal (or missing value)
    QOR_VALUE_DATASET = 5,      // lib.member, a name or a quoted string
    QOR_VALUE_FORMAT = 6,       // a format name such as DATE9. or $8.
    QOR_VALUE_ANY = 7,          // a name, compound name, quoted string or format name
    QOR_VALUE_NUMBERS = 8,      // a number or "(numbers)": appended to a number list
};

// Option forms of an option list or a group's options.
enum : uint8_t {
    QOR_FORM_REAL = 1,          // KEYWORD = number
    QOR_FORM_INTEGER = 2,       // KEYWORD = integer
    QOR_FORM_FLAG = 3,          // KEYWORD alone
    QOR_FORM_TEXT = 4,          // KEYWORD = name, compound name or quoted string
    QOR_FORM_MEASURE = 5,       // KEYWORD = number unit (unit code from the group's unit words)
    QOR_FORM_ELEMENTS = 6,      // KEYWORD = (names)
    QOR_FORM_PAIRS = 7,         // KEYWORD = (name name ...) taken two by two
};

// One option: its keywords (blank-separated, the first is how it is stored), form and code.
struct qor_option_def {
    const char* keywords;
    uint8_t form;
    int16_t code;               // group options: the option code stored for the handler
    double flag_value;          // group flags: the numeric value stored (1 on, 0 for NO forms)
};

// A repeating group's record layout: field numbers relative to the group's base field.
struct qor_group_def {
    const char* selectors;      // "A B|C D|...": alternatives separated by '|', synonyms by blanks
    int16_t first_base;         // base field of the first alternative
    int16_t stride;             // base of alternative i = first_base + i * stride
    const qor_option_def* options;   // terminated by an entry with null keywords
    const char* unit_words;     // "D DAY DAYS|W WEEK WEEKS|...": unit code = alternative index
    int attributes;             // names written after the members (fields base+2, base+3, ...)
};

// Fields of one group alternative, relative to its base (every list has one entry per member
// or per option, so that a handler walks them in step):
enum : int {
    QOR_GROUP_COUNT = 0,        // NUMBER: members in all
    QOR_GROUP_MEMBERS = 1,      // NAMES: the members
    QOR_GROUP_ATTRIBUTE1 = 2,   // NAMES: first attribute of each member ("" when not written)
    QOR_GROUP_ATTRIBUTE2 = 3,   // NAMES: second attribute of each member
    QOR_GROUP_OPTION_ENDS = 4,  // NUMBERS: options of members 1..k in all (cumulative)
    QOR_GROUP_OPTION_CODES = 5, // NUMBERS: option code of each option
    QOR_GROUP_VALUES = 6,       // NUMBERS: numeric value of each option (missing when none)
    QOR_GROUP_VALUES2 = 7,      // NUMBERS: unit code of a measure (missing when none)
    QOR_GROUP_TEXTS = 8,        // NAMES: text of each option ("" when none)
    QOR_GROUP_ELEMENTS = 9,     // NAMES: element names of each list option, each list ended by ""
    QOR_GROUP_FIELDS = 10,
};

// Fields of a factor clause, relative to its first field.
enum : int {
    QOR_FACTOR_NAMES = 0,       // NAMES: the factors
    QOR_FACTOR_CODES = 1,       // NUMBERS: code word of each factor (0 when none)
    QOR_FACTOR_AMOUNT_COUNTS = 2,   // NUMBERS: amounts of each factor
    QOR_FACTOR_AMOUNTS = 3,     // NUMBERS: the amounts, factor after factor
    QOR_FACTOR_OPTION_COUNTS = 4,   // NUMBERS: options of each factor
    QOR_FACTOR_OPTION_CODES = 5,    // NUMBERS: the options' codes, factor after factor
    QOR_FACTOR_OPTION_VALUES = 6,   // NUMBERS: the options' values
    QOR_FACTOR_FIELDS = 7,
};

// Fields of an option list, relative to its first field.
enum : int {
    QOR_OPTIONS_NAMES = 0,      // NAMES: each option as written
    QOR_OPTIONS_TYPES = 1,      // NUMBERS: 1 real, 2 integer, 3 flag, 4 text
    QOR_OPTIONS_NUMBERS = 2,    // NUMBERS: the values of the real and integer options, in order
    QOR_OPTIONS_TEXTS = 3,      // NAMES: the values of the text options, in order
    QOR_OPTIONS_FIELDS = 4,
};

struct qor_clause {
    uint8_t kind;
    uint8_t value_type;         // VALUE, POSITIONAL, NAMELIST
    uint8_t bit;                // option bit set when the clause appears (0: none)
    uint8_t ranges;             // NAMELIST: names go through the hook (ranges such as X1-X3)
    int16_t field;              // operand field (the first of several for OPTIONLIST, FACTORS)
    const char* keywords;       // blank-separated synonyms; CHOICE: "A B|C|D" codes 1, 2, 3;
                                // FACTORS: the code words "A B|C" (the entries themselves are bare)
    const char* choice_keyword; // CHOICE: optional "KEYWORD" that may precede "= word"
    const qor_option_def* options;   // OPTIONLIST; FACTORS: the options inside "( )"
    const qor_group_def* group;      // GROUP
};

struct qor_statement_schema {
    const char* names;          // blank-separated statement keywords
    const char* stored_name;    // name stored in the node; null: the keyword as written
    uint8_t begin_bit;          // bit set on every node of the statement besides the end bit
    const qor_clause* clauses;
    int clause_count;
    int16_t field_count;        // operand fields of the node
};

struct qor_grammar {
    const char* procedure;                 // PROC name, e.g. "ZOZU"
    const qor_statement_schema* proc;      // the PROC statement's options
    const qor_statement_schema* statements;
    int statement_count;
    uint8_t end_bit;                       // bit set on every node
};

// ---- The custom hook and the parse service ----------------------------------------------------

// Sub-actions of the name-list hook: 0 select the field, 1 append a name, 2 the end of a range
// (the start is the last name appended), 3 the '-' of a range was read.
struct qor_hook_call {
    statement_node* node;
    const char* token;
    int token_length;
    int sub_action;
    int slot;
    qor_pool* pool;
};
// Returns 0 to go on, or a non-zero code with which the parse stops (the hook logs why).
using qor_parse_hook_fn = int (*)(void* data, const qor_hook_call* call);

enum : int {
    QOR_PARSE_TRACE_SEMANTIC = 1,   // print each action
    QOR_PARSE_TRACE_SYNTAX = 2,     // print each token
    QOR_PARSE_SYNTAX_ERROR = 22,    // error code of a step whose statements have syntax errors
    QOR_PARSE_NO_MEMORY = 1016,     // error code when the step pool is exhausted
};

struct qor_parse_request {
    const qor_grammar* grammar;
    const char* text;               // the step from PROC through RUN; or QUIT;
    size_t length;
    int first_line;                 // program line of the text's first character
    qor_pool* pool;                 // where nodes and operand values are allocated
    int trace;                      // QOR_PARSE_TRACE_* bits
    qor_parse_hook_fn hook;         // name lists of clauses with ranges; may be null
    void* hook_data;
    statement_node* statements;     // result: the statement list (first node: PROC)
    int error_code;                 // result: 0, a syntax error code or the hook's stop code
};

// Parse a step's text with a procedure's grammar. Errors are logged with line, column, the
// offending token and the expected keywords; parsing goes on at the next ';' so that every error
// is reported. Returns the error code (also left in the request).
QOR_HOST_API int xsproc(qor_parse_request* request);
// Append a name (and its NUL) to a name-list operand field, growing it in the pool; 0 on
// success, 1 when the pool is exhausted (an error is logged).
QOR_HOST_API int qor_operand_append_name(qor_pool* pool, operand_field* field, const char* text,
                                         size_t length);
