// Name services of the host: joining a directory and a name, the directory that holds a path,
// and lower-casing of names.
#include <cstring>
#include <string>

#include "host/files.h"
#include "runtime/core/service_guard.h"
#include "runtime/storage/path_text.h"

using namespace qor::runtime;

namespace {

int deliver(const std::string& text, char* buffer, int size, int* length) {
    if (length) *length = static_cast<int>(text.size());
    if (!buffer || size <= 0 || text.size() >= static_cast<size_t>(size)) return QOR_FILE_TOO_LONG;
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    return 0;
}

}  // namespace

int xxname(const char* directory, int directory_length, const char* name, int name_length,
           char* buffer, int size, int* length) try {
    std::string_view dir = argument_text(directory, directory_length);
    std::string_view file = argument_text(name, name_length);
    if (file.empty()) return QOR_FILE_EMPTY_NAME;
    std::string joined;
    if (file.front() == '/' || dir.empty()) {
        joined = file;
    } else {
        joined = dir;
        if (joined.back() != '/') joined += '/';
        joined += file;
    }
    return deliver(joined, buffer, size, length);
}
QOR_SERVICE_CATCH(QOR_FILE_NO_MEMORY)

int xxname2(const char* path, int length, char* buffer, int size, int* out_length) try {
    std::string_view text = argument_text(path, length);
    if (text.empty()) return QOR_FILE_EMPTY_NAME;
    std::string absolute = absolute_path(text);
    size_t slash = absolute.rfind('/');
    std::string directory = slash == 0 ? "/" : absolute.substr(0, slash);
    return deliver(directory, buffer, size, out_length);
}
QOR_SERVICE_CATCH(QOR_FILE_NO_MEMORY)

void wzstrlo(const char* source, char* destination, int length) try {
    if (!source || !destination) return;
    for (int i = 0; i < length; ++i) {
        char c = source[i];
        destination[i] = (c >= 'A' && c <= 'Z') ? static_cast<char>(c + ('a' - 'A')) : c;
    }
}
QOR_SERVICE_CATCH()
