// Host memory pools: create, delete, labelled allocation, sized free, grow.
// A pool object starts with its allocate and free routines so modules can call through the handle.
#pragma once
#include <cstddef>
#include "host/export.h"

struct qor_pool;

using qor_pool_alloc_fn = void* (*)(qor_pool* pool, size_t bytes, int flags);
using qor_pool_free_fn = int (*)(qor_pool* pool, void* block, size_t bytes, int flags);
using qor_pool_kit_alloc_fn = void* (*)(qor_pool* pool, size_t bytes, int flags);

// Allocation flags: bit 0x2 asks for zero-filled memory (8194, 12294, 2 and 6 all zero-fill).
enum : int {
    QOR_ALLOC_PLAIN = 0x2000,   // 8192
    QOR_ALLOC_ZERO = 0x2002,    // 8194
    QOR_FREE_SIZED = 0,         // the exact size is given back
    QOR_FREE_UNSIZED = 4,       // size not known (0) or too large for 31 bits
};

// Answers of a pool's release routine besides 0: 1 for a block that is not a pool block, and
// QOR_POOL_FOREIGN_BLOCK for a block of another pool (the block is left where it is).
enum : int {
    QOR_POOL_FOREIGN_BLOCK = 87,
};

// Pool creation flags (third argument of xmpoolc).
enum : int {
    QOR_POOL_SHARED = 0x100,    // several threads allocate and free concurrently
};

// The public head of every pool. Modules call allocate/release through it (vmalcp_handler).
struct qor_pool {
    qor_pool_alloc_fn allocate;      // word 0
    qor_pool_free_fn release;        // word 1
    qor_pool_kit_alloc_fn kit_alloc; // word 2: the kit's allocate (pool, bytes, 0)
};

// Create a pool; initial and increment sizes are hints. Null when memory is exhausted.
QOR_HOST_API qor_pool* xmpoolc(size_t initial, size_t increment, int flags);
// Delete a pool and every block still in it; 0 on success, 86 for a null pool.
QOR_HOST_API int xmpoold(qor_pool* pool);
// Grow or shrink a block: the old contents are kept; null (old block untouched) on failure.
QOR_HOST_API void* xmrealc(qor_pool* pool, void* block, size_t old_bytes, size_t new_bytes, int flags);
// Non-zero when a memory request failed since the last call; clears the indication.
QOR_HOST_API int xmemdef();
// Labelled allocation (label kept for leak and debug listings).
QOR_HOST_API void* xmalloc_labelled(qor_pool* pool, size_t bytes, int flags, const char* label);

// Test hook: make the nth allocation from now on fail (0 switches it off). Answers how many
// allocations were still to go under the previous setting (0: it fired, or none was set).
QOR_HOST_API long qor_pool_fail_nth(long n);
// Test hook for allocators outside the pools (a test's operator new): counts one allocation
// against qor_pool_fail_nth and answers true when it is the one to fail.
QOR_HOST_API bool qor_fail_this_allocation();
// Number of live blocks in a pool (tests and leak reports).
QOR_HOST_API size_t qor_pool_live_blocks(const qor_pool* pool);
// Number of pools created and not yet deleted in the process (tests and leak reports).
QOR_HOST_API size_t qor_pools_live();
