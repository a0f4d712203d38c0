// Allocation and release through a host pool handle: every engine record comes from a pool.
// A null pool gives a null block (allocation) or 86 (release) rather than a crash.
#pragma once
#include <cstddef>
#include "host/pool.h"

// Allocates bytes from the pool with the given flags (8192 plain, 8194 zero-filled; other
// flags reach the pool unchanged). Null when the pool is null or exhausted.
void* vmalcp_handler(qor_pool* pool, size_t bytes, int flags);
// The same as vmalcp_handler: a second entry kept for the host kit.
void* vmalloc_handler(qor_pool* pool, size_t bytes, int flags);
// Gives a block back: bytes is the size allocated with flags 0, or 0 with flags 4 when unknown.
// The pool's result; 86 for a null pool.
int vmfree_handler(qor_pool* pool, void* block, size_t bytes, int flags);
