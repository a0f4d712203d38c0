// Small text helpers shared by the library and file services: arguments given as text and
// length, 8-character name fields, and absolute, lexically normal paths.
#pragma once
#include <string>
#include <string_view>

namespace qor::runtime {

// The text of an argument: a negative length means NUL-terminated; null gives "".
std::string_view argument_text(const char* text, int length);
// An 8-character name field (shorter when NUL-terminated): upper case, blanks removed.
std::string name_field(const char* field);
// Store a name into an 8-byte field, blank-padded.
void store_field(const std::string& name, char* field);
// The absolute, lexically normal form of a path (relative to the current directory), without a
// trailing "/" except for the root; "" when the path is empty.
std::string absolute_path(std::string_view path);

}  // namespace qor::runtime
