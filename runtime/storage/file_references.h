// The registry of file references inside the runtime: the path that a file reference names,
// for the listing and file services.
#pragma once
#include <string>

namespace qor::runtime {

// The absolute path of an assigned file reference (8-character field); "" when not assigned.
std::string file_reference_path(const char* fileref);

}  // namespace qor::runtime
