// The %INCLUDE statement: "%INCLUDE 'file';" (or %INC) runs the file as a program of its own, where
// the statement stands, with its own line numbers in messages.
#pragma once
#include <string>

#include "runtime/submit/program_runner.h"

namespace qor::runtime {

// The file an %INCLUDE names: ".qor" is appended when the name has no extension.
std::string include_file_name(const std::string& name);

// Runs the file that an %INCLUDE statement (its text without ';') names, to a depth of 10 nested
// files. A statement without a quoted file name, or a file that cannot be read, is an error in
// the log with the statement's line, and a failure of code 2 in the result.
ProgramResult run_include_statement(const std::string& statement, int line);

}  // namespace qor::runtime
