// Utility members (types UTILITY and PUTILITY): plain files of the library read and written at
// byte offsets through one in-memory window per open member. Output goes to a staging file
// renamed into place at close; temporary members are unlinked files in the library (WORK by
// default) that vanish when closed or when the process ends.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <algorithm>
#include <cstring>
#include <new>
#include <string>

#include "runtime/storage/catalog_internal.h"
#include "runtime/storage/libraries.h"

namespace qor::runtime {

namespace {

std::atomic<unsigned> staging_counter{0};

int fail_errno(uint32_t code, const std::string& what, int err) {
    return catalog_fail(code, what + ": " + std::strerror(err) + ".");
}

// An unlinked read-write file in the directory.
int open_anonymous(const std::string& dir) {
    int fd = -1;
#ifdef O_TMPFILE
    fd = open(dir.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd >= 0) return fd;
#endif
    std::string templ = dir + "/qor-temp-XXXXXX";
    fd = mkostemp(templ.data(), O_CLOEXEC);
    if (fd >= 0) unlink(templ.c_str());
    return fd;
}

int file_size(int fd, int64_t* size) {
    struct stat st;
    if (fstat(fd, &st) != 0) return errno;
    if (!S_ISREG(st.st_mode)) return EISDIR;
    *size = st.st_size;
    return 0;
}

}  // namespace

int member_file_open(const qor_entry_request& request, const std::string& name, const std::string& type,
                     qor_entry* e) {
    e->is_file = true;
    if (e->temporary) {
        std::string dir = request.libref.empty() ? std::string() : library_directory(request.libref);
        if (dir.empty()) dir = library_directory("WORK");
        e->fd = open_anonymous(dir);
        if (e->fd < 0) return fail_errno(QOR_C_IO, "A temporary member cannot be made in " + dir, errno);
        e->size = 0;
        return 0;
    }
    if (library_directory(request.libref).empty())
        return catalog_fail(QOR_C_NO_LIBRARY, "Library " + std::string(request.libref) + " is not assigned.");
    e->path = member_file(request.libref, name, type);
    if (e->path.empty())
        return catalog_fail(QOR_C_BAD_REQUEST, "Member name \"" + name + "\" is not valid.");
    if (e->access == QOR_CO_OUTPUT) {
        e->staging_path = e->path + ".tmp" + std::to_string(getpid()) + "-" + std::to_string(staging_counter++);
        e->fd = open(e->staging_path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (e->fd < 0) return fail_errno(QOR_C_IO, "Member " + e->path + " cannot be written", errno);
        e->size = 0;
        return 0;
    }
    int flags = e->access == QOR_CO_INPUT ? O_RDONLY : (O_RDWR | O_CREAT);
    e->fd = open(e->path.c_str(), flags | O_CLOEXEC, 0644);
    if (e->fd < 0) {
        if (errno == ENOENT) return catalog_fail(QOR_C_NOT_FOUND, "Member " + e->path + " does not exist.", true);
        return fail_errno(QOR_C_IO, "Member " + e->path + " cannot be opened", errno);
    }
    int err = file_size(e->fd, &e->size);
    if (err != 0) {
        close(e->fd);
        e->fd = -1;
        return fail_errno(QOR_C_IO, "Member " + e->path + " cannot be opened", err);
    }
    return 0;
}

namespace {

// Bytes of a member's window: large enough that a record of a few hundred bytes costs a
// small fraction of a system call, small enough to hold for every open member.
constexpr size_t kWindowBytes = 1 << 16;

// Writes `length` bytes at `offset` with as many pwrite calls as it takes: 0 or errno.
int write_at(int fd, const char* in, size_t length, int64_t offset) {
    size_t done = 0;
    while (done < length) {
        ssize_t n = pwrite(fd, in + done, length - done, offset + static_cast<int64_t>(done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return n < 0 ? errno : EIO;
        done += static_cast<size_t>(n);
    }
    return 0;
}

// Reads up to `length` bytes at `offset`: the count read (short only at the end of the file),
// or -1 with errno set.
ssize_t read_at(int fd, char* out, size_t length, int64_t offset) {
    size_t done = 0;
    while (done < length) {
        ssize_t n = pread(fd, out + done, length - done, offset + static_cast<int64_t>(done));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return -1;
        if (n == 0) break;   // the file shrank under us: what is there is all there is
        done += static_cast<size_t>(n);
    }
    return static_cast<ssize_t>(done);
}

std::string shown_path(const qor_entry* e) { return e->path.empty() ? std::string("(temporary)") : e->path; }

bool ensure_window(qor_entry* e) {
    if (e->window.size() == kWindowBytes) return true;
    try {
        e->window.resize(kWindowBytes);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

}  // namespace

int member_file_flush(qor_entry* e) {
    if (e->write_error != 0)
        return fail_errno(QOR_C_IO, "Member " + shown_path(e) + " cannot be written", e->write_error);
    if (!e->window_dirty) return 0;
    int err = write_at(e->fd, e->window.data(), e->window_fill, e->window_start);
    e->window_dirty = false;
    e->window_fill = 0;
    if (err != 0) {
        // What the window held is lost: the member must never be committed from here on.
        e->write_error = err;
        return fail_errno(QOR_C_IO, "Member " + shown_path(e) + " cannot be written", err);
    }
    return 0;
}

int member_file_read(qor_entry* e, void* buffer, size_t length, size_t* got) {
    if (e->window_dirty) {
        int code = member_file_flush(e);
        if (code != 0) return code;
    }
    int64_t available = e->size - e->position;
    size_t want = available < 0 ? 0 : (static_cast<uint64_t>(available) < length ? static_cast<size_t>(available) : length);
    size_t done = 0;
    char* out = static_cast<char*>(buffer);
    while (done < want) {
        const int64_t at = e->position + static_cast<int64_t>(done);
        const int64_t window_end = e->window_start + static_cast<int64_t>(e->window_fill);
        if (at >= e->window_start && at < window_end) {
            size_t from = static_cast<size_t>(at - e->window_start);
            size_t n = std::min(want - done, e->window_fill - from);
            std::memcpy(out + done, e->window.data() + from, n);
            done += n;
            continue;
        }
        // A read as large as the window goes straight to the caller's buffer.
        if (want - done >= kWindowBytes || !ensure_window(e)) {
            ssize_t n = read_at(e->fd, out + done, want - done, at);
            if (n < 0) return fail_errno(QOR_C_IO, "Member " + shown_path(e) + " cannot be read", errno);
            done += static_cast<size_t>(n);
            break;
        }
        ssize_t n = read_at(e->fd, e->window.data(), kWindowBytes, at);
        if (n < 0) {
            e->window_fill = 0;
            return fail_errno(QOR_C_IO, "Member " + shown_path(e) + " cannot be read", errno);
        }
        e->window_start = at;
        e->window_fill = static_cast<size_t>(n);
        if (n == 0) break;
    }
    e->position += static_cast<int64_t>(done);
    if (got) *got = done;
    return done == length ? 0 : static_cast<int>(QOR_C_END);
}

int member_file_write(qor_entry* e, const void* buffer, size_t length) {
    if (e->write_error != 0) return member_file_flush(e);
    const char* in = static_cast<const char*>(buffer);
    if (!e->window_dirty) e->window_fill = 0;   // a read-ahead window may go stale: drop it
    const bool continues = e->window_dirty && e->position == e->window_start + static_cast<int64_t>(e->window_fill);
    if (e->window_dirty && (!continues || e->window_fill + length > kWindowBytes)) {
        int code = member_file_flush(e);
        if (code != 0) return code;
    }
    if (length >= kWindowBytes || !ensure_window(e)) {
        int err = write_at(e->fd, in, length, e->position);
        if (err != 0) {
            e->write_error = err;
            return fail_errno(QOR_C_IO, "Member " + shown_path(e) + " cannot be written", err);
        }
    } else {
        if (!e->window_dirty) {
            e->window_start = e->position;
            e->window_fill = 0;
            e->window_dirty = true;
        }
        std::memcpy(e->window.data() + e->window_fill, in, length);
        e->window_fill += length;
    }
    e->position += static_cast<int64_t>(length);
    if (e->position > e->size) e->size = e->position;
    return 0;
}

int member_file_close(qor_entry* e, int flags) {
    if (!e->staging_path.empty()) {
        if (flags & QOR_CC_DISCARD) {
            close(e->fd);
            unlink(e->staging_path.c_str());
            return 0;
        }
        // The new content replaces the member only once it is whole and safely on disk.
        int code = member_file_flush(e);
        if (code != 0) return code;
        if (fsync(e->fd) != 0) return fail_errno(QOR_C_IO, "Member " + e->path + " cannot be written", errno);
        if (rename(e->staging_path.c_str(), e->path.c_str()) != 0)
            return fail_errno(QOR_C_IO, "Member " + e->path + " cannot be replaced", errno);
    } else if (!(flags & QOR_CC_DISCARD)) {
        int code = member_file_flush(e);
        if (code != 0) return code;
    }
    close(e->fd);
    e->fd = -1;
    return 0;
}

}  // namespace qor::runtime
