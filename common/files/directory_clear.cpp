// Clearing and removing directories: delete the files of a directory and of its subdirectories
// to a given depth, removing the emptied subdirectories; never follows a link out of the tree.
#include <string>

#include "common/files/names.h"
#include "common/files/names_internal.h"

using qor::files::measured;

int zdelfil(const char* directory, int length, int depth) {
    int n = measured(directory, length);
    std::string dir = n == 0 ? std::string(".") : std::string(directory, static_cast<size_t>(n));
    if (dir.back() != '/') dir += '/';
    char ref[8] = {' ', ' ', ' ', ' ', ' ', ' ', ' ', ' '};
    int rc = xxrasgn(ref, dir.c_str(), static_cast<int>(dir.size()), "DISK    ");
    if (rc != 0) return rc == QOR_FILE_NO_DIRECTORY ? -1 : 1;
    qor_directory* listing = nullptr;
    rc = xxrdopn(ref, &listing);
    if (rc != 0) {
        xxrdasg(ref);
        return rc == QOR_FILE_NO_DIRECTORY ? -1 : 1;
    }
    int result = 0;
    qor_directory_entry entry;
    while (xxdnext(listing, &entry) == 0) {
        if (entry.length >= QOR_PATH_MAX - static_cast<int>(dir.size())) {
            result = 1;   // its full name would not fit a path buffer: leave it
            continue;
        }
        std::string name(entry.name, static_cast<size_t>(entry.length));
        if (name == "." || name == "..") continue;
        std::string full = dir + name;
        if (entry.is_directory) {
            // A subdirectory below the depth asked for cannot be emptied: the directory stays
            // as it is and the caller learns that it is not clear.
            if (depth <= 0) { result = 1; break; }
            int sub = zdelfil(full.c_str(), static_cast<int>(full.size()), depth - 1);
            if (sub > 0) { result = 1; break; }
            if (wxremov(full.c_str(), static_cast<int>(full.size())) != 0) { result = 1; break; }
        } else if (zfildel(full.c_str(), static_cast<int>(full.size())) != 0) {
            result = 1;
            break;
        }
    }
    xxdclos(listing);
    xxrdasg(ref);
    return result;
}

namespace {

// The name without blanks around it, as a copy: the caller's text may be constant.
std::string trimmed(const char* directory, int length) {
    int n = measured(directory, length);
    std::string name(directory ? directory : "", static_cast<size_t>(n));
    size_t first = name.find_first_not_of(' ');
    if (first == std::string::npos) return "";
    return name.substr(first, name.find_last_not_of(' ') - first + 1);
}

}  // namespace

int zclrdir(const char* directory, int length) {
    std::string name = trimmed(directory, length);
    if (name.empty()) return 1;   // never clear the current directory by accident
    int rc = zdelfil(name.c_str(), static_cast<int>(name.size()), 1);
    return rc == 0 || rc == -1 ? 0 : 1;
}

int zrmdir(const char* directory, int length) {
    std::string name = trimmed(directory, length);
    if (name.empty()) return 1;
    int rc = zdelfil(name.c_str(), static_cast<int>(name.size()), 1);
    if (rc == -1) return 0;   // nothing to remove
    if (rc != 0) return 1;
    return wxremov(name.c_str(), static_cast<int>(name.size())) == 0 ? 0 : 1;
}
