// Macro variables in program text: %LET statements and the resolution of &name references
// through the host's global macro table.
#pragma once
#include <string>

namespace qor::runtime {

// Replace every &name (and &name. with its closing dot) outside single quotes by the variable's
// value; values are resolved again, up to a fixed depth. An unknown name stays as written, with a
// warning naming it and the line. True with the text in `resolved`; false after one error line
// when values nest too deeply or the resolution runs past its bounds (100,000 resolutions, a text
// 1 MiB longer than the original).
bool resolve_macro_references(const std::string& text, int line, std::string* resolved);

// Apply "%LET name = value" (the statement without its ';'); the value is stripped of leading
// and trailing blanks. 0, or 1 with an error in the log for a missing or invalid name.
int run_let_statement(const std::string& statement, int line);

}  // namespace qor::runtime
