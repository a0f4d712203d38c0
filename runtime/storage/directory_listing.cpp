// Directory listings: the entries of a directory named by a file reference, read at open and
// handed out sorted by name so that every walk is reproducible.
#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <string>
#include <vector>

#include "host/files.h"
#include "runtime/core/service_guard.h"
#include "runtime/storage/file_references.h"

struct qor_directory {
    struct Entry {
        std::string name;
        bool is_directory;
    };
    std::vector<Entry> entries;
    size_t next = 0;
};

int xxrdopn(const char* fileref, qor_directory** listing) try {
    if (!fileref || !listing) return 86;
    *listing = nullptr;
    std::string path = qor::runtime::file_reference_path(fileref);
    if (path.empty()) return QOR_LIB_NOT_ASSIGNED;
    struct stat st;
    if (stat(path.c_str(), &st) != 0) return QOR_FILE_NO_DIRECTORY;
    if (!S_ISDIR(st.st_mode)) return QOR_FILE_NOT_A_DIRECTORY;
    DIR* dir = opendir(path.c_str());
    if (!dir) return QOR_FILE_FAILED;
    auto* result = new qor_directory;
    while (const dirent* d = readdir(dir)) {
        std::string name = d->d_name;
        // lstat, not the directory entry's type: a link to a directory is not a directory here,
        // so no walk over a listing ever follows a link out of the tree.
        struct stat entry_st;
        std::string full = path == "/" ? "/" + name : path + "/" + name;
        bool is_dir = lstat(full.c_str(), &entry_st) == 0 && S_ISDIR(entry_st.st_mode);
        result->entries.push_back({name, is_dir});
    }
    closedir(dir);
    std::sort(result->entries.begin(), result->entries.end(),
              [](const auto& a, const auto& b) { return a.name < b.name; });
    *listing = result;
    return 0;
}
QOR_SERVICE_CATCH(QOR_FILE_NO_MEMORY)

int xxdnext(qor_directory* listing, qor_directory_entry* entry) try {
    if (!listing || !entry) return 86;
    if (listing->next >= listing->entries.size()) return QOR_FILE_END;
    const auto& e = listing->entries[listing->next++];
    entry->name = e.name.c_str();
    entry->length = static_cast<int>(e.name.size());
    entry->is_directory = e.is_directory ? 1 : 0;
    return 0;
}
QOR_SERVICE_CATCH(QOR_FILE_NO_MEMORY)

int xxdclos(qor_directory* listing) {
    if (!listing) return 86;
    delete listing;
    return 0;
}
