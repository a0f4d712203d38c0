// The host kit handle: the one kit of the process with its default waiter, thread and event
// services, shared pools and processor count, bound into the tables the modules call.
#include <algorithm>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>

#include "host/anchor.h"
#include "host/pool.h"
#include "runtime/core/kit_internal.h"

namespace qor::runtime::kit {
namespace {

// Pools created through the kit, by label; deleting through the kit takes only these.
struct Pools {
    std::mutex lock;
    std::unordered_map<qor_pool*, std::string> labels;
};

Pools& pools() {
    static Pools* p = new Pools();   // never destroyed: pools may be deleted during exit
    return *p;
}

qor_waiter g_waiter;
qor_kit g_kit;

bool is_ours(qor_kit* kit) { return kit == &g_kit; }

int waiter_wait(qor_waiter* waiter, int count, void** handles, int* index_out, uint8_t wait_all,
                long timeout_ms) {
    if (!waiter) {
        if (index_out) *index_out = -1;
        return QOR_KIT_NO_WAITER;
    }
    return wait(count, handles, index_out, wait_all != 0, timeout_ms);
}

qor_waiter* current_waiter(qor_kit* kit) {
    // The kit has no per-thread waiters; everyone waits through the default one.
    return is_ours(kit) ? kit->default_waiter : nullptr;
}

int kit_create_thread(qor_kit* kit, qor_thread_fn fn, void* argument, void** handle) {
    if (!is_ours(kit)) return QOR_KIT_BAD_ARGUMENT;
    return create_thread(fn, argument, qor_current_task(), handle);
}

int kit_create_task_thread(qor_kit* kit, qor_thread_fn fn, void* argument, qor_task* task,
                           void** handle) {
    if (!is_ours(kit)) return QOR_KIT_BAD_ARGUMENT;
    return create_thread(fn, argument, task, handle);
}

int kit_thread_exit_code(qor_kit* kit, void* handle, int* code) {
    if (!is_ours(kit)) return QOR_KIT_BAD_ARGUMENT;
    return thread_exit_code(handle, code);
}

int kit_create_event(qor_kit* kit, void** handle) {
    if (!is_ours(kit)) return QOR_KIT_BAD_ARGUMENT;
    return create_event(handle);
}

int kit_post_event(qor_kit* kit, void* handle) {
    if (!is_ours(kit)) return QOR_KIT_BAD_ARGUMENT;
    return post_event(handle);
}

int kit_close_handle(qor_kit* kit, void* handle) {
    if (!is_ours(kit)) return QOR_KIT_BAD_ARGUMENT;
    return close_handle(handle);
}

qor_pool* create_pool(qor_kit* kit, const char* label) {
    if (!is_ours(kit)) return nullptr;
    qor_pool* pool = xmpoolc(8192, 8192, QOR_POOL_SHARED);
    if (!pool) return nullptr;
    Pools& p = pools();
    std::lock_guard<std::mutex> hold(p.lock);
    try {
        p.labels.emplace(pool, label ? label : "");
    } catch (...) {
        xmpoold(pool);
        return nullptr;
    }
    return pool;
}

int delete_pool(qor_kit* kit, qor_pool* pool) {
    if (!is_ours(kit)) return QOR_KIT_BAD_ARGUMENT;
    Pools& p = pools();
    {
        std::lock_guard<std::mutex> hold(p.lock);
        if (!pool || p.labels.erase(pool) == 0) return QOR_KIT_BAD_HANDLE;
    }
    return xmpoold(pool);
}

int kit_create_team(qor_kit* kit, int blocks, qor_team** team) {
    if (!is_ours(kit)) return QOR_KIT_BAD_ARGUMENT;
    return create_team(blocks, team);
}

int kit_run_team(qor_kit* kit, qor_team* team, qor_team_task task, void* argument, int blocks) {
    if (!is_ours(kit)) return QOR_KIT_BAD_ARGUMENT;
    return run_team(team, task, argument, blocks);
}

int kit_team_workers(qor_kit* kit, qor_team* team) {
    if (!is_ours(kit)) return QOR_KIT_BAD_ARGUMENT;
    return team_workers(team);
}

int kit_close_team(qor_kit* kit, qor_team* team) {
    if (!is_ours(kit)) return QOR_KIT_BAD_ARGUMENT;
    return close_team(team);
}

int processor_count(qor_kit*) {
    unsigned n = std::thread::hardware_concurrency();   // 0 when the system cannot tell
    return static_cast<int>(std::max(1u, n));
}

const qor_waiter_ops kWaiterOps = {waiter_wait};
const qor_kit_ops kKitOps = {current_waiter, kit_create_thread, kit_create_event, kit_post_event,
                             kit_close_handle, create_pool, delete_pool, processor_count,
                             kit_thread_exit_code, kit_create_task_thread, kit_create_team,
                             kit_run_team, kit_team_workers, kit_close_team};

}  // namespace
}  // namespace qor::runtime::kit

qor_kit* qor_runtime_kit() {
    using namespace qor::runtime::kit;
    static std::once_flag once;
    std::call_once(once, [] {
        g_waiter.ops = &kWaiterOps;
        g_kit.ops = &kKitOps;
        g_kit.default_waiter = &g_waiter;
        g_kit.messages = message_object();
    });
    return &g_kit;
}

size_t qor_kit_live_handles() { return qor::runtime::kit::live_handles(); }

const char* qor_kit_pool_label(qor_pool* pool) {
    auto& p = qor::runtime::kit::pools();
    std::lock_guard<std::mutex> hold(p.lock);
    auto it = p.labels.find(pool);
    return it == p.labels.end() ? nullptr : it->second.c_str();
}
