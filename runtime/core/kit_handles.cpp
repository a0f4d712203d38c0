// Thread and event handles of the host kit and waits on them: every handle lives in one registry
// under one mutex, and a single condition variable wakes waiters whenever a handle changes.
// A thread's handle also keeps how its routine ended, for whoever waits for it.
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>
#include <unordered_set>

#include "host/anchor.h"
#include "host/print.h"
#include "runtime/core/kit_internal.h"
#include "runtime/core/step.h"

namespace qor::runtime::kit {
namespace {

enum class Kind { Thread, Event };

struct Handle {
    explicit Handle(Kind k) : kind(k) {}
    Kind kind;
    bool signalled = false;    // guarded by Handles::lock
    int exit_code = 0;         // a thread's end: written before signalled is set
    std::thread thread;        // set before the handle is published, joined by close
};

// The registry. It is never destroyed: threads may still be running while static objects of the
// process are torn down, and they must still find the mutex.
struct Handles {
    std::mutex lock;
    std::condition_variable changed;
    std::unordered_set<Handle*> live;
};

Handles& handles() {
    static Handles* h = new Handles();
    return *h;
}

void signal(Handle* h, int exit_code) {
    Handles& r = handles();
    {
        std::lock_guard<std::mutex> hold(r.lock);
        h->exit_code = exit_code;
        h->signalled = true;
    }
    r.changed.notify_all();
}

// Logs why a thread's routine stopped; the log itself may be out of memory, and the thread's end
// code says it all the same.
void log_thread_fault(const char* what) noexcept {
    try {
        xpslog("%1zA thread of the kit stopped: %s.", what);
    } catch (...) {
    }
}

// Runs the caller's routine with the thread's task. The step exit ends the routine with its code;
// anything else escaping would end the process, so it is stopped here and becomes
// QOR_KIT_THREAD_FAILED. Either way the handle is signalled.
void thread_body(Handle* h, qor_thread_fn fn, void* argument, qor_task* task) {
    qor_set_current_task(task);
    int code = 0;
    try {
        fn(argument);
    } catch (const StepExit& exit) {
        code = exit.code;
    } catch (const std::bad_alloc&) {
        log_thread_fault("not enough memory");
        code = QOR_KIT_THREAD_FAILED;
    } catch (const std::exception& e) {
        log_thread_fault(e.what());
        code = QOR_KIT_THREAD_FAILED;
    } catch (...) {
        log_thread_fault("an unknown fault");
        code = QOR_KIT_THREAD_FAILED;
    }
    signal(h, code);
}

// A new handle entered in the list of live handles; null when memory runs out.
Handle* new_live_handle(Kind kind) {
    auto* h = new (std::nothrow) Handle(kind);
    if (!h) return nullptr;
    Handles& r = handles();
    std::lock_guard<std::mutex> hold(r.lock);
    try {
        r.live.insert(h);
    } catch (...) {
        delete h;
        return nullptr;
    }
    return h;
}

}  // namespace

int create_thread(qor_thread_fn fn, void* argument, qor_task* task, void** handle) {
    if (!fn || !handle) return QOR_KIT_BAD_ARGUMENT;
    *handle = nullptr;
    // Published before the thread starts, so a fast thread signals a handle that is known.
    if (refuse_this_thread()) return QOR_KIT_NO_RESOURCES;
    Handle* h = new_live_handle(Kind::Thread);
    if (!h) return QOR_KIT_NO_RESOURCES;
    Handles& r = handles();
    try {
        std::thread t(thread_body, h, fn, argument, task);
        std::lock_guard<std::mutex> hold(r.lock);
        h->thread = std::move(t);
    } catch (const std::system_error&) {
        std::lock_guard<std::mutex> hold(r.lock);
        r.live.erase(h);
        delete h;
        return QOR_KIT_NO_RESOURCES;
    }
    *handle = h;
    return 0;
}

int thread_exit_code(void* handle, int* code) {
    if (!code) return QOR_KIT_BAD_ARGUMENT;
    Handles& r = handles();
    std::lock_guard<std::mutex> hold(r.lock);
    auto* h = static_cast<Handle*>(handle);
    if (!handle || !r.live.count(h) || h->kind != Kind::Thread) return QOR_KIT_BAD_HANDLE;
    if (!h->signalled) return QOR_KIT_RUNNING;
    *code = h->exit_code;
    return 0;
}

int create_event(void** handle) {
    if (!handle) return QOR_KIT_BAD_ARGUMENT;
    *handle = new_live_handle(Kind::Event);
    return *handle ? 0 : QOR_KIT_NO_RESOURCES;
}

int post_event(void* handle) {
    Handles& r = handles();
    {
        std::lock_guard<std::mutex> hold(r.lock);
        auto* h = static_cast<Handle*>(handle);
        if (!handle || !r.live.count(h) || h->kind != Kind::Event) return QOR_KIT_BAD_HANDLE;
        h->signalled = true;
    }
    r.changed.notify_all();
    return 0;
}

int close_handle(void* handle) {
    Handles& r = handles();
    auto* h = static_cast<Handle*>(handle);
    {
        std::lock_guard<std::mutex> hold(r.lock);
        if (!handle || !r.live.count(h)) return QOR_KIT_BAD_HANDLE;
        // Joining itself would never return.
        if (h->kind == Kind::Thread && h->thread.get_id() == std::this_thread::get_id())
            return QOR_KIT_SELF_CLOSE;
        r.live.erase(h);
    }
    // Waiters on this handle see it gone and stop waiting for it.
    r.changed.notify_all();
    if (h->thread.joinable()) h->thread.join();
    delete h;
    return 0;
}

int wait(int count, void** list, int* index_out, bool wait_all, long timeout_ms) {
    if (index_out) *index_out = -1;
    if (count <= 0 || !list || timeout_ms < 0) return QOR_KIT_BAD_ARGUMENT;
    using clock = std::chrono::steady_clock;
    // A limit beyond ten years is as good as none and keeps the deadline from overflowing.
    constexpr long kLongest = 10L * 366 * 24 * 3600 * 1000;
    const auto deadline = clock::now() + std::chrono::milliseconds(std::min(timeout_ms, kLongest));
    Handles& r = handles();
    std::unique_lock<std::mutex> hold(r.lock);
    bool timed_out = false;
    for (;;) {
        int first_signalled = -1;
        bool all = true;
        for (int i = 0; i < count; ++i) {
            auto* h = static_cast<Handle*>(list[i]);
            if (!h || !r.live.count(h)) {
                if (index_out) *index_out = i;
                return QOR_KIT_BAD_HANDLE;
            }
            if (h->signalled) {
                if (first_signalled < 0) first_signalled = i;
            } else {
                all = false;
            }
        }
        if (wait_all ? all : first_signalled >= 0) {
            if (index_out) *index_out = wait_all ? 0 : first_signalled;
            return 0;
        }
        // Checked after a last look, since a change may come together with the deadline.
        if (timed_out) return QOR_KIT_TIMEOUT;
        if (timeout_ms == 0) {
            r.changed.wait(hold);
        } else {
            timed_out = r.changed.wait_until(hold, deadline) == std::cv_status::timeout;
        }
    }
}

size_t live_handles() {
    Handles& r = handles();
    std::lock_guard<std::mutex> hold(r.lock);
    return r.live.size() + live_teams();
}

}  // namespace qor::runtime::kit
