// Staged copies of files and directory trees: copied under a staging name beside their place and
// synced, switched into place by renames (the old one set aside first), then the old removed.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "host/files.h"
#include "host/save_support.h"
#include "runtime/core/service_guard.h"

namespace {

// Closes a descriptor when it goes out of scope.
struct descriptor {
    int fd = -1;
    explicit descriptor(int f) : fd(f) {}
    ~descriptor() {
        if (fd >= 0) close(fd);
    }
    descriptor(const descriptor&) = delete;
    descriptor& operator=(const descriptor&) = delete;
};

struct directory_stream {
    DIR* dir;
    explicit directory_stream(const std::string& path) : dir(opendir(path.c_str())) {}
    ~directory_stream() {
        if (dir) closedir(dir);
    }
    directory_stream(const directory_stream&) = delete;
    directory_stream& operator=(const directory_stream&) = delete;
};

bool exists(const std::string& path) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0;
}

std::string parent_of(const std::string& path) {
    size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// A rename or a new name is durable only once the directory that holds it is synced.
bool sync_directory(const std::string& path) {
    descriptor d(open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    return d.fd >= 0 && fsync(d.fd) == 0;
}

bool write_all(int fd, const char* data, size_t length) {
    while (length > 0) {
        ssize_t n = write(fd, data, length);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        length -= static_cast<size_t>(n);
    }
    return true;
}

// Copies one regular file to a new name and syncs it (not its directory).
int copy_one_file(const std::string& from, const std::string& to, std::vector<char>& buffer) {
    descriptor in(open(from.c_str(), O_RDONLY | O_CLOEXEC));
    if (in.fd < 0) return errno == ENOENT ? QOR_FILE_NOT_FOUND : QOR_FILE_FAILED;
    struct stat st;
    if (fstat(in.fd, &st) != 0 || !S_ISREG(st.st_mode)) return QOR_FILE_FAILED;
    descriptor out(open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, st.st_mode & 07777));
    if (out.fd < 0) return errno == EEXIST ? QOR_FILE_EXISTS : QOR_FILE_FAILED;
    for (;;) {
        ssize_t n = read(in.fd, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return QOR_FILE_FAILED;
        if (n == 0) break;
        if (!write_all(out.fd, buffer.data(), static_cast<size_t>(n))) return QOR_FILE_FAILED;
    }
    if (fsync(out.fd) != 0) return QOR_FILE_FAILED;
    qor_crash_point(QOR_CRASH_STAGING);
    return 0;
}

// Copies a directory tree to a new name: files synced one by one, each directory synced once its
// entries are in. Symbolic links are copied as links; other special files are refused.
int copy_tree(const std::string& from, const std::string& to, std::vector<char>& buffer) {
    struct stat st;
    if (lstat(from.c_str(), &st) != 0) return QOR_FILE_NOT_FOUND;
    if (!S_ISDIR(st.st_mode)) return QOR_FILE_NOT_A_DIRECTORY;
    if (mkdir(to.c_str(), (st.st_mode & 07777) | S_IRWXU) != 0) return errno == EEXIST ? QOR_FILE_EXISTS : QOR_FILE_FAILED;
    directory_stream listing(from);
    if (!listing.dir) return QOR_FILE_FAILED;
    while (dirent* entry = readdir(listing.dir)) {
        std::string name = entry->d_name;
        if (name == "." || name == "..") continue;
        std::string source = from + "/" + name, target = to + "/" + name;
        struct stat item;
        if (lstat(source.c_str(), &item) != 0) return QOR_FILE_FAILED;
        int code = 0;
        if (S_ISDIR(item.st_mode)) {
            code = copy_tree(source, target, buffer);
        } else if (S_ISREG(item.st_mode)) {
            code = copy_one_file(source, target, buffer);
        } else if (S_ISLNK(item.st_mode)) {
            std::vector<char> link(static_cast<size_t>(item.st_size) + 1);
            ssize_t n = readlink(source.c_str(), link.data(), link.size());
            if (n < 0 || static_cast<size_t>(n) >= link.size()) return QOR_FILE_FAILED;
            link[static_cast<size_t>(n)] = '\0';
            if (symlink(link.data(), target.c_str()) != 0) return QOR_FILE_FAILED;
        } else {
            return QOR_FILE_FAILED;
        }
        if (code != 0) return code;
    }
    return sync_directory(to) ? 0 : QOR_FILE_FAILED;
}

int remove_tree(const std::string& path) {
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
    if (ec || exists(path)) return QOR_FILE_FAILED;
    sync_directory(parent_of(path));
    return 0;
}

// Stages `from` (file or directory) at `staged`; a failure removes what was copied.
int stage(const std::string& from, const std::string& staged, bool directory) {
    if (from.empty() || staged.empty()) return QOR_FILE_EMPTY_NAME;
    if (exists(staged)) return QOR_FILE_EXISTS;
    std::vector<char> buffer(64 * 1024);
    int code = directory ? copy_tree(from, staged, buffer) : copy_one_file(from, staged, buffer);
    if (code == 0 && !sync_directory(parent_of(staged))) code = QOR_FILE_FAILED;
    if (code != 0) {
        remove_tree(staged);   // it did not exist before: all there is was copied here
        return code;
    }
    qor_crash_point(QOR_CRASH_AFTER_STAGING);
    return 0;
}

int switch_into_place(const std::string& staged, const std::string& place, const std::string& aside) {
    if (staged.empty() || place.empty()) return QOR_FILE_EMPTY_NAME;
    struct stat st;
    if (lstat(staged.c_str(), &st) != 0) return QOR_FILE_NOT_FOUND;
    struct stat old;
    bool had_place = lstat(place.c_str(), &old) == 0;
    if (had_place && aside.empty() && (S_ISDIR(st.st_mode) || S_ISDIR(old.st_mode))) return QOR_FILE_FAILED;
    if (had_place && !aside.empty()) {
        if (exists(aside)) return QOR_FILE_EXISTS;
        if (std::rename(place.c_str(), aside.c_str()) != 0) return QOR_FILE_FAILED;
        qor_crash_point(QOR_CRASH_BETWEEN_RENAMES);
    }
    if (std::rename(staged.c_str(), place.c_str()) != 0) {
        if (had_place && !aside.empty()) std::rename(aside.c_str(), place.c_str());   // put the old one back
        return QOR_FILE_FAILED;
    }
    if (!sync_directory(parent_of(place))) return QOR_FILE_FAILED;
    if (!aside.empty() && parent_of(aside) != parent_of(place)) sync_directory(parent_of(aside));
    return 0;
}

// Finishes or takes back an interrupted switch of `place` (see qor_settle_place).
int settle(const std::string& place, bool forward) {
    std::string staged = place + QOR_STAGED_SUFFIX, aside = place + QOR_ASIDE_SUFFIX;
    if (forward && exists(staged)) {
        // Not switched yet, or killed between the two renames (place gone, old one aside).
        int code = exists(place) && !exists(aside) ? switch_into_place(staged, place, aside)
                                                   : exists(place) ? QOR_FILE_FAILED
                                                                   : switch_into_place(staged, place, "");
        if (code != 0) return code;
    }
    if (!forward && !exists(place) && exists(aside)) {
        if (std::rename(aside.c_str(), place.c_str()) != 0) return QOR_FILE_FAILED;
        if (!sync_directory(parent_of(place))) return QOR_FILE_FAILED;
    }
    int code = remove_tree(staged);
    return code != 0 ? code : remove_tree(aside);
}

}  // namespace

int qor_stage_file(std::string_view from, std::string_view staged) try {
    return stage(std::string(from), std::string(staged), false);
}
QOR_SERVICE_CATCH(QOR_FILE_NO_MEMORY)

int qor_stage_directory(std::string_view from, std::string_view staged) try {
    return stage(std::string(from), std::string(staged), true);
}
QOR_SERVICE_CATCH(QOR_FILE_NO_MEMORY)

int qor_switch_into_place(std::string_view staged, std::string_view place, std::string_view aside) try {
    return switch_into_place(std::string(staged), std::string(place), std::string(aside));
}
QOR_SERVICE_CATCH(QOR_FILE_NO_MEMORY)

int qor_remove_tree(std::string_view path) try {
    if (path.empty()) return QOR_FILE_EMPTY_NAME;
    return remove_tree(std::string(path));
}
QOR_SERVICE_CATCH(QOR_FILE_NO_MEMORY)

int qor_copy_into_place(std::string_view from, std::string_view place_text) try {
    std::string source(from), place(place_text);
    if (source.empty() || place.empty()) return QOR_FILE_EMPTY_NAME;
    std::string staged = place + QOR_STAGED_SUFFIX, aside = place + QOR_ASIDE_SUFFIX;
    struct stat st;
    if (lstat(source.c_str(), &st) != 0) return QOR_FILE_NOT_FOUND;
    // An earlier call killed on its way is taken back first (nothing committed it).
    int code = settle(place, false);
    if (code == 0) code = stage(source, staged, S_ISDIR(st.st_mode));
    if (code == 0) code = switch_into_place(staged, place, aside);
    if (code != 0) {
        if (exists(staged)) remove_tree(staged);
        return code;
    }
    return remove_tree(aside);
}
QOR_SERVICE_CATCH(QOR_FILE_NO_MEMORY)

int qor_settle_place(std::string_view place, int roll_forward) try {
    if (place.empty()) return QOR_FILE_EMPTY_NAME;
    return settle(std::string(place), roll_forward != 0);
}
QOR_SERVICE_CATCH(QOR_FILE_NO_MEMORY)
