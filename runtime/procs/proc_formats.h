// Formats as the built-in procedures use them: a written format checked against the registry,
// the format a variable shows its values with, and a value turned into its formatted text.
#pragma once
#include <string>

#include <vector>

#include "host/dataset.h"
#include "runtime/procs/proc_statements.h"

namespace qor::runtime {

struct FormatSpec {
    std::string name;      // registry name, upper case ("" for the plain w.d format)
    int width = 0;
    int decimals = 0;
    int format_class = 0;  // QOR_FORMAT_NUMERIC ... QOR_FORMAT_CHARACTER

    bool character() const;
    std::string text() const;   // "COMMA12.2", "DATE9.", "$20."
};

// Reads a written format ("DATE9.", "comma12.2", "$20.") with the registry's defaults for what
// is not written. false with a reason when the name is unknown or the width or decimals are
// outside the format's limits.
bool parse_format(const std::string& text, FormatSpec* spec, std::string* why);

// The format of a variable: its own, or BEST12. for a number and $w. (w its length) for a
// character variable that has none; a width not recorded takes the format's default.
FormatSpec variable_format(const qor_var_desc& desc);

// Stores a format in a variable description (name, width and decimals).
void set_variable_format(qor_var_desc* desc, const FormatSpec& spec);

// A number through a numeric, date or time format: exactly spec.width characters.
std::string format_number(double value, const FormatSpec& spec);

// A character value through a character format: cut or blank-padded to spec.width.
std::string format_text(const std::string& value, const FormatSpec& spec);

// A number as the shortest text that reads back as the same double; "" for the ordinary
// missing value and ".A" or "._" for special ones.
std::string raw_number(double value);

// A variable given a format by a FORMAT or INFORMAT statement.
struct FormatAssignment {
    std::string variable;   // as written
    FormatSpec format;
    int line;
};

// The grammar of the FORMAT and INFORMAT statements: one list of variable names and formats in
// the order written, in field 0.
extern const qor_clause kFormatStatementClauses[1];

// Reads the list of a FORMAT or INFORMAT statement ("name name FORMAT. name FORMAT. ...": a
// word with a point is a format) and appends each variable with its format. false after
// logging an error naming the procedure and line.
bool read_format_statement(const statement_node* node, const char* proc,
                           std::vector<FormatAssignment>* out);

// Drops leading and trailing blanks.
std::string trim_blanks(const std::string& text);

}  // namespace qor::runtime
