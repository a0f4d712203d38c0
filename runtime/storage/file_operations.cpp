// File operations of the host: rename (copy and delete across file systems), make a directory,
// remove a file or an empty directory.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <string>

#include "host/files.h"
#include "runtime/core/service_guard.h"
#include "runtime/storage/path_text.h"

using namespace qor::runtime;
namespace fs = std::filesystem;

namespace {

// A rename that the kernel refuses across file systems: copy everything (links stay links),
// then remove the old one. A failed copy removes what was copied and leaves the old file.
int copy_and_delete(const std::string& from, const std::string& to) {
    std::error_code ec;
    fs::copy(from, to, fs::copy_options::recursive | fs::copy_options::copy_symlinks, ec);
    if (ec) {
        std::error_code ignored;
        fs::remove_all(to, ignored);
        return QOR_FILE_FAILED;
    }
    fs::remove_all(from, ec);
    return ec ? QOR_FILE_FAILED : 0;
}

}  // namespace

int xxrenam(const char* old_name, int old_length, const char* new_name, int new_length) try {
    std::string from(argument_text(old_name, old_length));
    std::string to(argument_text(new_name, new_length));
    if (from.empty() || to.empty()) return QOR_FILE_EMPTY_NAME;
    struct stat st;
    if (lstat(from.c_str(), &st) != 0) return QOR_FILE_NOT_FOUND;
    if (std::rename(from.c_str(), to.c_str()) == 0) return 0;
    if (errno != EXDEV) return QOR_FILE_FAILED;
    if (lstat(to.c_str(), &st) == 0) {
        // rename replaces a file in place; do the same before copying, but never a directory.
        if (S_ISDIR(st.st_mode) || unlink(to.c_str()) != 0) return QOR_FILE_FAILED;
    }
    return copy_and_delete(from, to);
}
QOR_SERVICE_CATCH(QOR_FILE_NO_MEMORY)

int xxmkdir(const char* path, int length, const char* device) try {
    if (device && !name_field(device).empty() && name_field(device) != "DISK") return QOR_FILE_BAD_DEVICE;
    std::string text(argument_text(path, length));
    while (text.size() > 1 && text.back() == '/') text.pop_back();
    if (text.empty()) return QOR_FILE_EMPTY_NAME;
    if (mkdir(text.c_str(), 0777) == 0) return 0;
    switch (errno) {
    case EEXIST: return QOR_FILE_EXISTS;
    case ENOENT: return QOR_FILE_NO_DIRECTORY;
    case ENAMETOOLONG: return QOR_FILE_TOO_LONG;
    default: return QOR_FILE_FAILED;
    }
}
QOR_SERVICE_CATCH(QOR_FILE_NO_MEMORY)

int wxremov(const char* path, int length) try {
    std::string text(argument_text(path, length));
    if (text.empty()) return QOR_FILE_EMPTY_NAME;
    struct stat st;
    if (lstat(text.c_str(), &st) != 0) return QOR_FILE_NOT_FOUND;
    return std::remove(text.c_str()) == 0 ? 0 : QOR_FILE_FAILED;
}
QOR_SERVICE_CATCH(QOR_FILE_NO_MEMORY)
