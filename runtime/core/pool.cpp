// Host memory pools: every block carries a small header on a per-pool list naming its pool, so a
// sized free can be checked, a free through another pool refused, and deleting the pool releases
// everything still allocated in it.
#include "host/pool.h"

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>

#include "host/anchor.h"
#include "host/print.h"
#include "runtime/core/pool_internal.h"

namespace {

struct Pool;

struct BlockHeader {
    BlockHeader* prev;
    BlockHeader* next;
    size_t bytes;
    const char* label;
    uint64_t guard;        // detects frees of blocks that are not from a pool
    Pool* owner;           // the pool whose list holds the block (also keeps 16-byte alignment)
};
constexpr uint64_t kGuard = 0x51C0B10C5EEDF00DULL;
static_assert(sizeof(BlockHeader) % 16 == 0);

struct Pool {
    qor_pool head;         // must stay first: modules call through it
    BlockHeader* blocks = nullptr;
    size_t live = 0;
    bool shared = false;
    std::mutex lock;
};

std::atomic<long> g_fail_countdown{0};
std::atomic<size_t> g_live_pools{0};
std::atomic<int> g_failed{0};

bool injected_failure() {
    long n = g_fail_countdown.load(std::memory_order_relaxed);
    if (n <= 0) return false;
    return g_fail_countdown.fetch_sub(1) == 1;
}

Pool* as_pool(qor_pool* p) { return reinterpret_cast<Pool*>(p); }

void* pool_allocate(qor_pool* handle, size_t bytes, int flags, const char* label) {
    if (!handle) return nullptr;
    Pool* pool = as_pool(handle);
    if (injected_failure() || bytes > (SIZE_MAX - sizeof(BlockHeader))) {
        g_failed.store(1);
        return nullptr;
    }
    auto* h = static_cast<BlockHeader*>(std::malloc(sizeof(BlockHeader) + (bytes ? bytes : 1)));
    if (!h) {
        g_failed.store(1);
        return nullptr;
    }
    h->bytes = bytes;
    h->label = label;
    h->guard = kGuard;
    h->owner = pool;
    h->prev = nullptr;
    void* user = h + 1;
    if (flags & 2) std::memset(user, 0, bytes);
    std::unique_lock<std::mutex> guard(pool->lock, std::defer_lock);
    if (pool->shared) guard.lock();
    h->next = pool->blocks;
    if (pool->blocks) pool->blocks->prev = h;
    pool->blocks = h;
    ++pool->live;
    return user;
}

void* alloc_entry(qor_pool* handle, size_t bytes, int flags) {
    return pool_allocate(handle, bytes, flags, nullptr);
}

void* kit_alloc_entry(qor_pool* handle, size_t bytes, int) {
    return pool_allocate(handle, bytes, QOR_ALLOC_PLAIN, "kit");
}

int free_entry(qor_pool* handle, void* block, size_t bytes, int flags) {
    if (!handle) return 86;
    if (!block) return 0;
    Pool* pool = as_pool(handle);
    BlockHeader* h = static_cast<BlockHeader*>(block) - 1;
    if (h->guard != kGuard) {
        xebug("vmfree: block %p is not a pool block.", block);
        return 1;
    }
    if (h->owner != pool) {
        // Unlinking it here would corrupt both lists; the block stays with the pool that owns it.
        xebug("vmfree: block %p belongs to another pool than the one it is freed through.", block);
        return QOR_POOL_FOREIGN_BLOCK;
    }
    if (!(flags & QOR_FREE_UNSIZED) && bytes != h->bytes) {
        // A wrong size is a caller fault; the block is still released so nothing leaks.
        xebug("vmfree: block of %li bytes freed as %li bytes.", static_cast<long>(h->bytes),
              static_cast<long>(bytes));
    }
    std::unique_lock<std::mutex> guard(pool->lock, std::defer_lock);
    if (pool->shared) guard.lock();
    if (h->prev) h->prev->next = h->next; else pool->blocks = h->next;
    if (h->next) h->next->prev = h->prev;
    --pool->live;
    if (guard.owns_lock()) guard.unlock();
    h->guard = 0;
    std::free(h);
    return 0;
}

}  // namespace

qor_pool* xmpoolc(size_t, size_t, int flags) {
    if (injected_failure()) {
        g_failed.store(1);
        return nullptr;
    }
    Pool* pool = new (std::nothrow) Pool;
    if (!pool) {
        g_failed.store(1);
        return nullptr;
    }
    pool->head.allocate = alloc_entry;
    pool->head.release = free_entry;
    pool->head.kit_alloc = kit_alloc_entry;
    pool->shared = (flags & QOR_POOL_SHARED) != 0;
    g_live_pools.fetch_add(1);
    return &pool->head;
}

int xmpoold(qor_pool* handle) {
    if (!handle) return 86;
    Pool* pool = as_pool(handle);
    BlockHeader* h = pool->blocks;
    while (h) {
        BlockHeader* next = h->next;
        h->guard = 0;
        std::free(h);
        h = next;
    }
    delete pool;
    g_live_pools.fetch_sub(1);
    return 0;
}

void* xmrealc(qor_pool* handle, void* block, size_t old_bytes, size_t new_bytes, int flags) {
    if (!handle) return nullptr;
    void* fresh = pool_allocate(handle, new_bytes, flags, "xmrealc");
    if (!fresh) return nullptr;
    if (block) {
        std::memcpy(fresh, block, old_bytes < new_bytes ? old_bytes : new_bytes);
        if (free_entry(handle, block, old_bytes, QOR_FREE_SIZED) != 0) {
            // Not a block of this pool: the caller keeps the old block, as on any failure.
            free_entry(handle, fresh, new_bytes, QOR_FREE_SIZED);
            return nullptr;
        }
    }
    return fresh;
}

int xmemdef() { return g_failed.exchange(0); }

void* xmalloc_labelled(qor_pool* pool, size_t bytes, int flags, const char* label) {
    return pool_allocate(pool, bytes, flags, label);
}

long qor_pool_fail_nth(long n) { return g_fail_countdown.exchange(n < 0 ? 0 : n); }

bool qor_fail_this_allocation() {
    if (!injected_failure()) return false;
    g_failed.store(1);
    return true;
}

void qor::runtime::note_memory_failure() { g_failed.store(1); }

size_t qor_pool_live_blocks(const qor_pool* handle) {
    if (!handle) return 0;
    auto* pool = reinterpret_cast<const Pool*>(handle);
    return pool->live;
}

size_t qor_pools_live() { return g_live_pools.load(); }
