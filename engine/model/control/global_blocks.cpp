// Blocks of the host's global pool for the control structure and the blocks it owns.
// The pool is reached through the module's global control block.
#include "engine/model/control/global_blocks.h"

#include "common/module/anchors.h"
#include "common/memory/pool_memory.h"
#include "host/pool.h"

void* rskgalloc(size_t bytes) {
    qor_gcb* gcb = common_gcb();
    if (gcb == nullptr || gcb->global_pool == nullptr) return nullptr;
    return vmalcp_handler(gcb->global_pool, bytes, QOR_ALLOC_ZERO);
}

void rskgfree(void* block, size_t bytes) {
    if (block == nullptr) return;
    vmfree_handler(common_gcb()->global_pool, block, bytes, QOR_FREE_SIZED);
}
