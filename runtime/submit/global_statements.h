// Global statements of a program that act on the session rather than on a step: LIBNAME,
// %PUT.
#pragma once
#include <string>

namespace qor::runtime {

// Apply a global statement other than OPTIONS when the statement (text without its ';') is one:
// *handled is set, and the result is 0 or a non-zero code after an error in the log.
int run_global_statement(const std::string& statement, int line, bool* handled);

}  // namespace qor::runtime
