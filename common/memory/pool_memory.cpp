// Pool memory entries: thin calls through the pool object's allocate and release routines.
// They add nothing but a null-handle check, so callers see exactly the pool's behaviour.
#include "common/memory/pool_memory.h"

namespace {
constexpr int kNullHandle = 86;
}

void* vmalcp_handler(qor_pool* pool, size_t bytes, int flags) {
    if (!pool || !pool->allocate) return nullptr;
    return pool->allocate(pool, bytes, flags);
}

void* vmalloc_handler(qor_pool* pool, size_t bytes, int flags) {
    return vmalcp_handler(pool, bytes, flags);
}

int vmfree_handler(qor_pool* pool, void* block, size_t bytes, int flags) {
    if (!pool || !pool->release) return kNullHandle;
    return pool->release(pool, block, bytes, flags);
}
