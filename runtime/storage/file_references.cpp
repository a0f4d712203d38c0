// File references: 8-character names for physical paths, chosen by the host when the caller
// gives a blank name; existence, physical name and deletion of the file behind a reference.
#include "runtime/storage/file_references.h"
#include "runtime/core/service_guard.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>

#include "host/files.h"
#include "runtime/storage/path_text.h"

namespace qor::runtime {
namespace {

std::mutex g_lock;
std::map<std::string, std::string> g_references;   // name -> absolute path
unsigned g_next_number = 1;

// A free host-chosen name "#LN00001", "#LN00002", ... (called with the lock held). The '#'
// keeps them apart from every name a user can write.
std::string choose_name() {
    for (;;) {
        char name[16];
        std::snprintf(name, sizeof name, "#LN%05u", g_next_number);
        g_next_number = g_next_number >= 99999 ? 1 : g_next_number + 1;
        if (!g_references.count(name)) return name;
    }
}

}  // namespace

std::string file_reference_path(const char* fileref) {
    std::string name = name_field(fileref);
    std::lock_guard<std::mutex> guard(g_lock);
    auto found = g_references.find(name);
    return found == g_references.end() ? "" : found->second;
}

}  // namespace qor::runtime

using namespace qor::runtime;

int xxrasgn(char* fileref, const char* path, int length, const char* device) try {
    if (!fileref) return 86;
    if (device && name_field(device) != "DISK" && !name_field(device).empty()) return QOR_FILE_BAD_DEVICE;
    std::string_view text = argument_text(path, length);
    if (text.empty()) return QOR_FILE_EMPTY_NAME;
    std::string absolute = absolute_path(text);
    if (absolute.size() >= static_cast<size_t>(QOR_PATH_MAX)) return QOR_FILE_TOO_LONG;
    std::string name = name_field(fileref);
    std::lock_guard<std::mutex> guard(g_lock);
    if (name.empty()) {
        name = choose_name();
        store_field(name, fileref);
    }
    g_references[name] = absolute;
    return 0;
}
QOR_SERVICE_CATCH(QOR_FILE_NO_MEMORY)

int xxrdasg(const char* fileref) try {
    if (!fileref) return 86;
    std::string name = name_field(fileref);
    std::lock_guard<std::mutex> guard(g_lock);
    return g_references.erase(name) == 1 ? 0 : QOR_LIB_NOT_ASSIGNED;
}
QOR_SERVICE_CATCH(QOR_FILE_NO_MEMORY)

int xxrinfo(const char* fileref, char* buffer, int size, int* length) try {
    if (!fileref || !buffer) return 86;
    std::string path = file_reference_path(fileref);
    if (path.empty()) return QOR_LIB_NOT_ASSIGNED;
    if (length) *length = static_cast<int>(path.size());
    if (size <= 0 || path.size() >= static_cast<size_t>(size)) return QOR_FILE_TOO_LONG;
    std::memcpy(buffer, path.c_str(), path.size() + 1);
    return 0;
}
QOR_SERVICE_CATCH(QOR_FILE_NO_MEMORY)

int xxrexsp(const char* fileref) try {
    if (!fileref) return 86;
    std::string path = file_reference_path(fileref);
    if (path.empty()) return QOR_LIB_NOT_ASSIGNED;
    struct stat st;
    return stat(path.c_str(), &st) == 0 ? 0 : QOR_FILE_NOT_FOUND;
}
QOR_SERVICE_CATCH(QOR_FILE_NO_MEMORY)

int xxrdele(const char* fileref) try {
    if (!fileref) return 86;
    std::string path = file_reference_path(fileref);
    if (path.empty()) return QOR_LIB_NOT_ASSIGNED;
    struct stat st;
    if (lstat(path.c_str(), &st) != 0) return QOR_FILE_NOT_FOUND;
    if (S_ISDIR(st.st_mode)) return QOR_FILE_FAILED;   // directories go through wxremov
    return unlink(path.c_str()) == 0 ? 0 : QOR_FILE_FAILED;
}
QOR_SERVICE_CATCH(QOR_FILE_NO_MEMORY)
