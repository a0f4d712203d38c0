// Data set and view members as wholes: deleting a member and renaming it within its library
// (a rename never replaces an existing member).
#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "runtime/core/service_guard.h"
#include "runtime/storage/dataset_internal.h"
#include "runtime/storage/libraries.h"

namespace {

// DATA and VIEW members only; blank means DATA.
int member_path(const char* libref, const char* member, const char* type, std::string* path) {
    if (libref == nullptr || member == nullptr) return QOR_DS_NULL_ARGUMENT;
    std::string kind = type == nullptr ? "" : type;
    while (!kind.empty() && kind.back() == ' ') kind.pop_back();
    if (kind.empty()) kind = "DATA";
    std::string extension = qor::runtime::member_extension(kind);
    if (extension != qor::runtime::member_extension("DATA") &&
        extension != qor::runtime::member_extension("VIEW"))
        return QOR_DS_BAD_REQUEST;
    *path = qor::runtime::member_file(libref, member, kind);
    if (path->empty())
        return qor::runtime::library_directory(libref).empty() ? QOR_DS_NO_LIBRARY : QOR_DS_BAD_REQUEST;
    return 0;
}

}  // namespace

int xomdel(const char* libref, const char* member, const char* member_type) try {
    std::string path;
    if (int rc = member_path(libref, member, member_type, &path)) return rc;
    if (::unlink(path.c_str()) != 0) return errno == ENOENT ? QOR_DS_NO_MEMBER : QOR_DS_IO_ERROR;
    return 0;
}
QOR_SERVICE_CATCH(QOR_DS_NO_STORAGE)

int xomren(const char* libref, const char* member, const char* new_member, const char* member_type) try {
    std::string from, to;
    if (int rc = member_path(libref, member, member_type, &from)) return rc;
    if (int rc = member_path(libref, new_member, member_type, &to)) return rc;
    if (from == to) return ::access(from.c_str(), F_OK) == 0 ? 0 : QOR_DS_NO_MEMBER;
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) != 0) {
        if (errno == ENOENT) return QOR_DS_NO_MEMBER;
        if (errno == EEXIST) return QOR_DS_MEMBER_EXISTS;
        return QOR_DS_IO_ERROR;
    }
    return 0;
}
QOR_SERVICE_CATCH(QOR_DS_NO_STORAGE)
