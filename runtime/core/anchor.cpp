// The process's anchors: global control block, process anchor, main task, each thread's current
// task and the locale tables. Created once, before any module is loaded.
#include "host/anchor.h"

#include <sys/types.h>
#include <unistd.h>

#include <mutex>

#include "host/missing.h"
#include "runtime/core/anchor_internal.h"
#include "runtime/core/kit_internal.h"

namespace {

uint8_t g_upper[256];
uint8_t g_lower[256];
uint8_t g_identity[256];
qor_locale g_locale;
qor_task g_main_task;
qor_gcb g_gcb;
qor_pidb g_pidb;
std::once_flag g_ready;

// The process's first thread runs the program: its task is the main task. Other threads have the
// task they were given (kit threads inherit their creator's), else none.
bool on_first_thread() { return ::gettid() == ::getpid(); }

thread_local qor_task* t_task = nullptr;
thread_local bool t_task_given = false;

void build_tables() {
    for (int c = 0; c < 256; ++c) {
        g_identity[c] = static_cast<uint8_t>(c);
        g_upper[c] = static_cast<uint8_t>((c >= 'a' && c <= 'z') ? c - 32 : c);
        g_lower[c] = static_cast<uint8_t>((c >= 'A' && c <= 'Z') ? c + 32 : c);
    }
    g_locale.upper = g_upper;
    // Translation tables: 0 identity, 1 lower case, 2 upper case, 3 and 4 identity.
    g_locale.translate[0] = g_identity;
    g_locale.translate[1] = g_lower;
    g_locale.translate[2] = g_upper;
    g_locale.translate[3] = g_identity;
    g_locale.translate[4] = g_identity;
    g_locale.multibyte = 0;
}

}  // namespace

namespace qor::runtime {

void init_anchors() {
    // Once, even when two threads reach the anchors first at the same time.
    std::call_once(g_ready, [] {
        build_tables();
        g_main_task.kind = 1;
        g_gcb.locale = &g_locale;
        g_gcb.current_task = &g_main_task;
        g_gcb.sub_task = nullptr;
        g_gcb.missing = qor::missing();
        g_gcb.global_pool = xmpoolc(65536, 65536, QOR_POOL_SHARED);
        init_vectors(&g_gcb);
        g_gcb.kit = qor_runtime_kit();
    });
}

}  // namespace qor::runtime

qor_gcb* qor_global_gcb() {
    qor::runtime::init_anchors();
    return &g_gcb;
}

qor_pidb* qor_global_pidb() {
    qor::runtime::init_anchors();
    return &g_pidb;
}

qor_task* qor_current_task() {
    qor::runtime::init_anchors();
    if (t_task_given) return t_task;
    return on_first_thread() ? &g_main_task : nullptr;
}

qor_task* qor_set_current_task(qor_task* task) {
    qor_task* previous = qor_current_task();
    t_task = task;
    t_task_given = true;
    return previous;
}
