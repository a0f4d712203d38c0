// The save lock of an environment: an exclusive flock on <library>/<name>.qor7block, waited for
// up to a timeout. The kernel releases it when the holder ends, however it ends.
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <thread>

#include "host/save_support.h"
#include "runtime/core/service_guard.h"
#include "runtime/storage/catalog_internal.h"
#include "runtime/storage/libraries.h"

struct qor_env_lock {
    int fd = -1;
    qor_env_lock() = default;
    qor_env_lock(const qor_env_lock&) = delete;
    qor_env_lock& operator=(const qor_env_lock&) = delete;
    // Closing the only descriptor of the open file releases the flock.
    ~qor_env_lock() {
        if (fd >= 0) close(fd);
    }
};

namespace {

using namespace qor::runtime;

// The holder writes its process id into the lock file, so that a waiter that gives up can say
// who holds it. The file's content is only ever this note.
void note_holder(int fd) {
    char text[32];
    int n = std::snprintf(text, sizeof text, "%ld\n", static_cast<long>(getpid()));
    if (ftruncate(fd, 0) == 0 && n > 0) {
        ssize_t ignored = pwrite(fd, text, static_cast<size_t>(n), 0);
        (void)ignored;
    }
}

std::string holder_of(int fd) {
    char text[32] = {0};
    ssize_t n = pread(fd, text, sizeof text - 1, 0);
    long pid = n > 0 ? std::strtol(text, nullptr, 10) : 0;
    return pid > 0 ? "process " + std::to_string(pid) : "another process";
}

}  // namespace

int qor_lock_environment(std::string_view libref, std::string_view name, int timeout_ms, qor_env_lock** out) try {
    if (!out) return static_cast<int>(QOR_C_NULL);
    *out = nullptr;
    std::string directory = library_directory(libref);
    if (directory.empty())
        return catalog_fail(QOR_C_NO_LIBRARY, "Library " + shown_name(libref) + " is not assigned.");
    std::string member = catalog_name(name);
    if (member.empty())
        return catalog_fail(QOR_C_BAD_REQUEST, "Environment name \"" + shown_name(name) + "\" is not valid.");
    for (char& c : member) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    std::string path = directory + "/" + member + ".qor7block";
    auto lock = std::unique_ptr<qor_env_lock>(new (std::nothrow) qor_env_lock);
    if (!lock) return catalog_fail(QOR_C_NO_MEMORY, "Out of memory taking the save lock of " + member + ".");
    lock->fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (lock->fd < 0) lock->fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);   // a library we may only read
    if (lock->fd < 0)
        return catalog_fail(QOR_C_IO, "The save lock " + path + " cannot be opened: " + std::strerror(errno) + ".");
    if (timeout_ms < 0) timeout_ms = catalog_busy_timeout();
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    auto pause = std::chrono::milliseconds(1);
    while (flock(lock->fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno != EWOULDBLOCK && errno != EINTR) {
            int error = errno;
            return catalog_fail(QOR_C_IO, "The save lock " + path + " cannot be taken: " + std::strerror(error) + ".");
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            std::string holder = holder_of(lock->fd);
            return catalog_fail(QOR_C_LOCKED, "Environment " + member + " is being saved by " + holder +
                                                  "; gave up waiting after " + std::to_string(timeout_ms) +
                                                  " ms (lock " + path + ").");
        }
        std::this_thread::sleep_for(pause);
        if (pause < std::chrono::milliseconds(50)) pause *= 2;
    }
    note_holder(lock->fd);
    *out = lock.release();
    return 0;
}
QOR_SERVICE_CATCH(static_cast<int>(QOR_C_NO_MEMORY))

int qor_unlock_environment(qor_env_lock* lock) {
    if (!lock) return static_cast<int>(QOR_C_NULL);
    delete lock;
    return 0;
}
