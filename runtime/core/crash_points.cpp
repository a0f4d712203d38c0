// Crash points for tests: a named point of a save at which the process kills itself with
// SIGKILL, armed by QOR_CRASH_POINT ("name" or "name:n") or by qor_set_crash_point.
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "host/save_support.h"

namespace {

// Fixed storage: arming and reaching a point must not allocate (the out-of-memory tests count
// allocations).
std::mutex g_lock;
char g_armed[64] = {0};
long g_remaining = 0;            // hits still to come before the kill
std::atomic<bool> g_env_read{false};
std::atomic<bool> g_any_armed{false};

void arm(const char* name, long nth) {
    size_t n = name ? std::strlen(name) : 0;
    if (n == 0 || n >= sizeof g_armed || nth < 1) {
        g_armed[0] = '\0';
        g_remaining = 0;
        g_any_armed = false;
        return;
    }
    std::memcpy(g_armed, name, n + 1);
    g_remaining = nth;
    g_any_armed = true;
}

// Reads QOR_CRASH_POINT once ("name" or "name:n"); called with the lock held.
void read_environment() {
    if (g_env_read.exchange(true)) return;
    const char* text = std::getenv("QOR_CRASH_POINT");
    if (!text || !*text) return;
    char name[64] = {0};
    const char* colon = std::strchr(text, ':');
    size_t n = colon ? static_cast<size_t>(colon - text) : std::strlen(text);
    if (n >= sizeof name) return;
    std::memcpy(name, text, n);
    long nth = colon ? std::strtol(colon + 1, nullptr, 10) : 1;
    arm(name, nth);
}

}  // namespace

void qor_crash_point(const char* name) {
    if (!name) return;
    if (!g_env_read.load()) {
        std::lock_guard<std::mutex> guard(g_lock);
        read_environment();
    }
    if (!g_any_armed.load()) return;
    std::lock_guard<std::mutex> guard(g_lock);
    if (g_remaining <= 0 || std::strcmp(g_armed, name) != 0) return;
    if (--g_remaining == 0) kill(getpid(), SIGKILL);
}

void qor_set_crash_point(const char* name, long nth) {
    std::lock_guard<std::mutex> guard(g_lock);
    g_env_read = true;   // a test's setting wins over the environment
    arm(name, nth);
}
