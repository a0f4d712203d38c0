// %INCLUDE 'file'; statements replaced by the text of their files before a program runs, so
// that an included file may hold any part of a program, even part of a step.
#pragma once
#include <string>

namespace qor::runtime {

// The file an %INCLUDE names: ".qor" is appended when the name has no extension.
std::string include_file_name(const std::string& name);

// The text with every %INCLUDE (or %INC) statement replaced by its file's text, to a depth of
// 10 files. A statement that names no quoted file, or a file that cannot be read, is logged
// (with its line), left out, and counted in the result: the number of failed includes.
int expand_includes(const std::string& text, std::string* out);

}  // namespace qor::runtime
