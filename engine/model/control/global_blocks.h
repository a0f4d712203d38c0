// Blocks of the host's global pool: the control structure and the blocks it owns live here,
// outside the engine's own pools, so they survive until termination frees them one by one.
#pragma once
#include <cstddef>

// A zeroed block of `bytes` from the global pool; null when out of memory.
void* rskgalloc(size_t bytes);
// Gives a block of `bytes` back to the global pool; a null block is ignored.
void rskgfree(void* block, size_t bytes);
