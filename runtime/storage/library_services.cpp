// The host's library services for the modules: properties of a library, assignment,
// deassignment, the read-only attribute, the walk over all libraries and the existence of a member.
#include <sys/stat.h>

#include <cstring>
#include <mutex>
#include <set>
#include <string>

#include "host/files.h"
#include "host/save_support.h"
#include "runtime/core/service_guard.h"
#include "runtime/storage/libraries.h"
#include "runtime/storage/path_text.h"

namespace qor::runtime {
namespace {

// Path texts handed to the modules are kept for the life of the process, so a pointer that a
// module holds never dangles when the library is cleared or assigned again.
const char* lasting_path(const std::string& path) {
    static std::mutex lock;
    static std::set<std::string> paths;
    std::lock_guard<std::mutex> guard(lock);
    return paths.insert(path).first->c_str();
}

void fill_info(const LibraryEntry& library, qor_library_info* info) {
    store_field(library.libref, info->libref);
    store_field(library.engine, info->engine);
    info->path = lasting_path(library.directory);
    info->path_length = static_cast<int>(library.directory.size());
    info->read_only = library_read_only(library.libref) ? 1 : 0;
}

}  // namespace
}  // namespace qor::runtime

using namespace qor::runtime;

int xhlinf2(const char* libref, qor_library_info* info) try {
    if (!libref || !info) return 86;
    std::string name = name_field(libref);
    std::string directory = library_directory(name);
    if (name.empty() || directory.empty()) return QOR_LIB_NOT_ASSIGNED;
    fill_info(LibraryEntry{name, directory, library_engine(name)}, info);
    return 0;
}
QOR_SERVICE_CATCH(QOR_FILE_NO_MEMORY)

int xhlasn2(const char* libref, const char* directory, int length, const char* engine) try {
    if (!libref) return 86;
    std::string_view dir = argument_text(directory, length);
    if (dir.empty()) return QOR_FILE_EMPTY_NAME;
    if (absolute_path(dir).size() >= static_cast<size_t>(QOR_PATH_MAX)) return QOR_FILE_TOO_LONG;
    std::string eng = name_field(engine);
    switch (assign_library(name_field(libref), dir, eng)) {
    case 0: return 0;
    case 1: return QOR_LIB_BAD_NAME;
    case 2: return QOR_FILE_NO_DIRECTORY;
    default: return QOR_LIB_BAD_ENGINE;
    }
}
QOR_SERVICE_CATCH(QOR_FILE_NO_MEMORY)

int xhldas2(const char* libref) try {
    if (!libref) return 86;
    return clear_library(name_field(libref)) == 0 ? 0 : QOR_LIB_NOT_ASSIGNED;
}
QOR_SERVICE_CATCH(QOR_FILE_NO_MEMORY)

int xhlnxt2(int* cursor, qor_library_info* info) try {
    if (!cursor || !info) return 86;
    std::vector<LibraryEntry> libraries = list_libraries();
    if (*cursor < 0 || static_cast<size_t>(*cursor) >= libraries.size()) return QOR_FILE_END;
    fill_info(libraries[static_cast<size_t>(*cursor)], info);
    ++*cursor;
    return 0;
}
QOR_SERVICE_CATCH(QOR_FILE_NO_MEMORY)

int xdfxst2(const char* libref, const char* member, int length, const char* type) try {
    if (!libref || !type) return 86;
    std::string name = name_field(libref);
    if (name.empty() || library_directory(name).empty()) return QOR_LIB_NOT_ASSIGNED;
    std::string member_type(type, strnlen(type, 8));
    if (member_extension(member_type).empty()) return QOR_FILE_BAD_TYPE;
    std::string file = member_file(name, argument_text(member, length), member_type);
    struct stat st;
    return !file.empty() && stat(file.c_str(), &st) == 0 && S_ISREG(st.st_mode) ? 0 : 1;
}
QOR_SERVICE_CATCH(QOR_FILE_NO_MEMORY)

int xhlsrdo(const char* libref, int read_only) try {
    if (!libref) return 86;
    return set_library_read_only(name_field(libref), read_only != 0) == 0 ? 0 : QOR_LIB_NOT_ASSIGNED;
}
QOR_SERVICE_CATCH(QOR_FILE_NO_MEMORY)
