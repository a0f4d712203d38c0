// Worker teams of the host kit: threads made once that run one block of a task per call. A call
// is published through one atomic word (generation and block count); workers spin on it briefly,
// then sleep on a condition variable, so back-to-back calls make no system call.
#include <algorithm>
#include <atomic>
#include <cfenv>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <exception>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>

#include "host/anchor.h"
#include "host/pool.h"
#include "host/print.h"
#include "runtime/core/kit_internal.h"
#include "runtime/core/step.h"

namespace qor::runtime::kit {
namespace {

// How long a waiting thread keeps spinning before it sleeps. Long enough to cover the work the
// calling thread does between two positions, short enough not to hold a core for nothing.
constexpr auto kSpin = std::chrono::microseconds(200);

std::atomic<size_t> g_live_teams{0};
std::atomic<long> g_refuse_countdown{0};

// One step of a spin: a pause at first; later a yield, so that on a machine with more runnable
// threads than cores the thread being waited for gets the core.
inline void cpu_relax(unsigned step) {
    if (step > 256) {
        std::this_thread::yield();
        return;
    }
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#endif
}

// The control part of the floating-point environment (rounding, exception masks, flush modes),
// without the status flags, which change with every computation.
struct FpControl {
    uint32_t sse = 0;
    uint32_t x87 = 0;
    bool operator==(const FpControl& o) const { return sse == o.sse && x87 == o.x87; }
};

FpControl fp_control() {
    FpControl c;
#if defined(__x86_64__)
    c.sse = __builtin_ia32_stmxcsr() & ~0x3Fu;
    uint16_t cw = 0;
    __asm__ volatile("fnstcw %0" : "=m"(cw));
    c.x87 = cw;
#else
    c.sse = static_cast<uint32_t>(std::fegetround());
#endif
    return c;
}

// What ended a block on a worker, kept for the calling thread to log (workers never log).
struct Fault {
    char text[120];
};

struct alignas(128) Worker {
    qor_team* team = nullptr;
    int block = 0;
    bool running = false;          // started; a worker that is not running leaves its block
    std::thread thread;
    FpControl applied;             // the environment this thread runs with now
    qor_task* task = nullptr;      // the task it runs with now
    bool failed = false;           // its block ended by an exception in the current call
    Fault fault{};
};

}  // namespace
}  // namespace qor::runtime::kit

struct qor_team {
    using Worker = qor::runtime::kit::Worker;
    int blocks = 0;                // blocks the team was made for
    int workers = 0;               // workers running
    Worker* slots = nullptr;       // blocks entries; slot 0 is the calling thread's and unused

    // The call: published by `word` (generation << 32 | blocks), read by the workers it involves.
    alignas(128) std::atomic<uint64_t> word{0};
    std::atomic<bool> stop{false};
    qor_team_task task = nullptr;
    void* argument = nullptr;
    qor::runtime::kit::FpControl control;
    std::fenv_t environment;       // the caller's, refreshed when its control part changes
    qor_task* owner_task = nullptr;

    alignas(128) std::atomic<int> pending{0};   // workers of the call still at work
    std::atomic<bool> busy{false};

    // Sleeping: workers for the next call, the caller for the end of this one.
    std::mutex lock;
    std::condition_variable wake;
    std::condition_variable done;
    std::atomic<int> sleepers{0};
    std::atomic<bool> caller_sleeping{false};
};

namespace qor::runtime::kit {
namespace {

uint64_t pack(uint32_t generation, int blocks) {
    return (static_cast<uint64_t>(generation) << 32) | static_cast<uint32_t>(blocks);
}
uint32_t generation_of(uint64_t word) { return static_cast<uint32_t>(word >> 32); }
int blocks_of(uint64_t word) { return static_cast<int>(word & 0xFFFFFFFFu); }

// Waits until the published call differs from `seen`: spinning first, then asleep.
uint64_t next_call(qor_team* t, uint64_t seen) {
    using clock = std::chrono::steady_clock;
    const auto until = clock::now() + kSpin;
    for (unsigned i = 1;; ++i) {
        uint64_t w = t->word.load(std::memory_order_acquire);
        if (w != seen) return w;
        cpu_relax(i);
        if ((i & 127) == 0 && clock::now() >= until) break;
    }
    std::unique_lock<std::mutex> hold(t->lock);
    t->sleepers.fetch_add(1, std::memory_order_seq_cst);
    uint64_t w;
    while ((w = t->word.load(std::memory_order_seq_cst)) == seen) t->wake.wait(hold);
    t->sleepers.fetch_sub(1, std::memory_order_relaxed);
    return w;
}

void note_fault(Worker* w, const char* what) {
    w->failed = true;
    std::snprintf(w->fault.text, sizeof w->fault.text, "%s", what);
}

// One block on a worker, with the caller's task and floating-point environment. Nothing may
// escape: the fault is kept for the caller, who logs it after the call.
void run_block(Worker* w, qor_team* t) {
    if (!(w->applied == t->control)) {
        std::fesetenv(&t->environment);
        w->applied = t->control;
    }
    if (w->task != t->owner_task) {
        qor_set_current_task(t->owner_task);
        w->task = t->owner_task;
    }
    w->failed = false;
    try {
        t->task(t->argument, w->block);
    } catch (const StepExit& e) {
        char text[64];
        std::snprintf(text, sizeof text, "the step exit (code %d)", e.code);
        note_fault(w, text);
    } catch (const std::bad_alloc&) {
        note_fault(w, "not enough memory");
    } catch (const std::exception& e) {
        note_fault(w, e.what());
    } catch (...) {
        note_fault(w, "an unknown fault");
    }
}

// A worker is done with the call; the last one wakes a sleeping caller.
void finish(qor_team* t) {
    if (t->pending.fetch_sub(1, std::memory_order_seq_cst) != 1) return;
    if (t->caller_sleeping.load(std::memory_order_seq_cst)) {
        std::lock_guard<std::mutex> hold(t->lock);
        t->done.notify_one();
    }
}

void worker_main(Worker* w) {
    qor_team* t = w->team;
    w->applied = fp_control();
    w->task = qor_current_task();
    // The word the team was made with: a call published before this thread got going is not
    // missed.
    uint64_t seen = 0;
    for (;;) {
        seen = next_call(t, seen);
        if (t->stop.load(std::memory_order_acquire)) return;
        if (w->block >= blocks_of(seen)) continue;   // not in this call
        run_block(w, t);
        finish(t);
    }
}

// The caller waits for the workers of its call: spinning first, then asleep.
void wait_for_workers(qor_team* t) {
    using clock = std::chrono::steady_clock;
    const auto until = clock::now() + kSpin;
    for (unsigned i = 1;; ++i) {
        if (t->pending.load(std::memory_order_acquire) == 0) return;
        cpu_relax(i);
        if ((i & 127) == 0 && clock::now() >= until) break;
    }
    std::unique_lock<std::mutex> hold(t->lock);
    t->caller_sleeping.store(true, std::memory_order_seq_cst);
    while (t->pending.load(std::memory_order_seq_cst) != 0) t->done.wait(hold);
    t->caller_sleeping.store(false, std::memory_order_relaxed);
}

// Publishes a new word and wakes sleeping workers (no system call while they spin).
void publish(qor_team* t, uint64_t word) {
    t->word.store(word, std::memory_order_seq_cst);
    if (t->sleepers.load(std::memory_order_seq_cst) > 0) {
        std::lock_guard<std::mutex> hold(t->lock);
        t->wake.notify_all();
    }
}

void stop_workers(qor_team* t) {
    t->stop.store(true, std::memory_order_release);
    uint64_t w = t->word.load(std::memory_order_relaxed);
    publish(t, pack(generation_of(w) + 1, 0));
    for (int b = 1; b < t->blocks; ++b)
        if (t->slots[b].thread.joinable()) t->slots[b].thread.join();
}

void destroy(qor_team* t) {
    delete[] t->slots;
    delete t;
}

// Starts the worker of block b; false when the system (or the test hook) refuses the thread.
bool start_worker(qor_team* t, int b) {
    Worker& w = t->slots[b];
    w.team = t;
    w.block = b;
    if (refuse_this_thread()) return false;
    try {
        w.thread = std::thread(worker_main, &w);
    } catch (const std::system_error&) {
        return false;
    } catch (const std::bad_alloc&) {
        return false;
    }
    w.running = true;
    return true;
}

}  // namespace

int create_team(int blocks, qor_team** out) {
    if (!out) return QOR_KIT_BAD_ARGUMENT;
    *out = nullptr;
    if (blocks < 1) return QOR_KIT_BAD_ARGUMENT;
    if (qor_fail_this_allocation()) return QOR_KIT_NO_RESOURCES;
    auto* t = new (std::nothrow) qor_team();
    if (!t) return QOR_KIT_NO_RESOURCES;
    t->slots = qor_fail_this_allocation() ? nullptr : new (std::nothrow) Worker[static_cast<size_t>(blocks)];
    if (!t->slots) {
        delete t;
        return QOR_KIT_NO_RESOURCES;
    }
    t->blocks = blocks;
    t->control = fp_control();
    std::fegetenv(&t->environment);
    int refused = 0;
    for (int b = 1; b < blocks; ++b) {
        if (start_worker(t, b)) ++t->workers;
        else ++refused;
    }
    if (refused > 0)
        xpslog("NOTE: The kit could not start %d of %d worker threads; the calling thread takes "
               "their blocks.", refused, blocks - 1);
    g_live_teams.fetch_add(1);
    *out = t;
    return 0;
}

int run_team(qor_team* t, qor_team_task task, void* argument, int blocks) {
    if (!t || !task || blocks < 1 || blocks > t->blocks) return QOR_KIT_BAD_ARGUMENT;
    bool idle = false;
    if (!t->busy.compare_exchange_strong(idle, true, std::memory_order_acquire)) return QOR_KIT_RUNNING;
    int involved = 0;
    for (int b = 1; b < blocks; ++b)
        if (t->slots[b].running) ++involved;
    if (involved > 0) {
        FpControl control = fp_control();
        if (!(control == t->control)) {
            std::fegetenv(&t->environment);
            t->control = control;
        }
        t->task = task;
        t->argument = argument;
        t->owner_task = qor_current_task();
        t->pending.store(involved, std::memory_order_relaxed);
        uint64_t w = t->word.load(std::memory_order_relaxed);
        publish(t, pack(generation_of(w) + 1, blocks));
    }
    // Block 0, then the blocks of workers that are not running, on this thread. The workers are
    // waited for before anything escapes: they are still using the caller's data.
    std::exception_ptr escaped;
    for (int b = 0; b < blocks; ++b) {
        if (b > 0 && t->slots[b].running) continue;
        try {
            task(argument, b);
        } catch (...) {
            if (!escaped) escaped = std::current_exception();
        }
    }
    if (involved > 0) wait_for_workers(t);
    int rc = 0;
    for (int b = 1; b < blocks; ++b) {
        Worker& w = t->slots[b];
        if (!w.running || !w.failed) continue;
        rc = QOR_KIT_THREAD_FAILED;
        try {
            xpslog("%1zA thread of the kit stopped: %s.", w.fault.text);
        } catch (...) {
        }
    }
    t->busy.store(false, std::memory_order_release);
    if (escaped) std::rethrow_exception(escaped);
    return rc;
}

int team_workers(qor_team* t) { return t ? t->workers : QOR_KIT_BAD_ARGUMENT; }

int close_team(qor_team* t) {
    if (!t) return QOR_KIT_BAD_HANDLE;
    for (int b = 1; b < t->blocks; ++b)
        if (t->slots[b].running && t->slots[b].thread.get_id() == std::this_thread::get_id())
            return QOR_KIT_SELF_CLOSE;
    bool idle = false;
    if (!t->busy.compare_exchange_strong(idle, true, std::memory_order_acquire)) return QOR_KIT_RUNNING;
    stop_workers(t);
    destroy(t);
    g_live_teams.fetch_sub(1);
    return 0;
}

size_t live_teams() { return g_live_teams.load(); }

bool refuse_this_thread() {
    long n = g_refuse_countdown.load(std::memory_order_relaxed);
    if (n <= 0) return false;
    return g_refuse_countdown.fetch_sub(1) == 1;
}

}  // namespace qor::runtime::kit

long qor_kit_refuse_thread_nth(long n) {
    return qor::runtime::kit::g_refuse_countdown.exchange(n < 0 ? 0 : n);
}
