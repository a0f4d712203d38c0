// The member directory of a data library: which data set and view members it holds, and the
// copy of a member into another library (written under a temporary name, then renamed).
#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "host/export.h"

namespace qor::runtime {

struct LibraryMember {
    std::string name;   // upper case
    std::string type;   // "DATA" or "VIEW"
};

// The DATA and VIEW members of a library in name order (type "" both, else "DATA" or "VIEW").
// Members of a concatenated library are listed once, from the first library that holds them.
QOR_HOST_API std::vector<LibraryMember> list_library_members(std::string_view libref, std::string_view type);

// Copies a member ("DATA" or "VIEW") to another library, replacing a member of its name there
// only when the copy is complete. 0; 1 no such member; 2 the copy failed (*why says why).
QOR_HOST_API int copy_library_member(std::string_view from_libref, std::string_view member,
                                     std::string_view type, std::string_view to_libref, std::string* why);

}  // namespace qor::runtime
