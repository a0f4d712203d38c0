// Listing the data set and view members of a library and copying a member between libraries.
#include "runtime/storage/library_members.h"

#include <dirent.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include "runtime/storage/libraries.h"

namespace qor::runtime {

namespace {

std::string upper(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    while (!out.empty() && out.back() == ' ') out.pop_back();
    return out;
}

}  // namespace

std::vector<LibraryMember> list_library_members(std::string_view libref, std::string_view type) {
    std::vector<LibraryMember> members;
    std::string wanted = upper(type);
    for (const std::string& dir : library_directories(libref)) {
        DIR* d = ::opendir(dir.c_str());
        if (d == nullptr) continue;
        while (dirent* e = ::readdir(d)) {
            std::string file = e->d_name;
            size_t dot = file.rfind('.');
            if (dot == std::string::npos || dot == 0) continue;
            std::string extension = file.substr(dot + 1);
            std::string kind = extension == member_extension("DATA") ? "DATA"
                             : extension == member_extension("VIEW") ? "VIEW" : "";
            if (kind.empty() || (!wanted.empty() && wanted != kind)) continue;
            LibraryMember m{upper(file.substr(0, dot)), kind};
            if (member_file(libref, m.name, kind).empty()) continue;   // not a member name
            bool seen = std::any_of(members.begin(), members.end(), [&](const LibraryMember& o) {
                return o.name == m.name && o.type == m.type;
            });
            if (!seen) members.push_back(m);
        }
        ::closedir(d);
    }
    std::sort(members.begin(), members.end(), [](const LibraryMember& a, const LibraryMember& b) {
        return a.name != b.name ? a.name < b.name : a.type < b.type;
    });
    return members;
}

int copy_library_member(std::string_view from_libref, std::string_view member, std::string_view type,
                        std::string_view to_libref, std::string* why) {
    std::string from = member_file(from_libref, member, type);
    std::string to = member_output_file(to_libref, member, type);
    if (from.empty() || ::access(from.c_str(), F_OK) != 0) return 1;
    if (to.empty()) {
        *why = "the library " + upper(to_libref) + " is not assigned";
        return 2;
    }
    if (from == to) return 0;
    std::string temp = to + ".copy-XXXXXX";
    int fd = ::mkstemp(temp.data());
    if (fd < 0) {
        *why = std::strerror(errno);
        return 2;
    }
    ::close(fd);
    std::error_code ec;
    std::filesystem::copy_file(from, temp, std::filesystem::copy_options::overwrite_existing, ec);
    if (!ec) std::filesystem::rename(temp, to, ec);
    if (ec) {
        *why = ec.message();
        ::unlink(temp.c_str());
        return 2;
    }
    return 0;
}

}  // namespace qor::runtime
