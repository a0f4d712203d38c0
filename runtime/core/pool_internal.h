// Runtime-internal side of the pools: the memory failure flag that xmemdef answers, set by
// services that ran out of memory outside the pools.
#pragma once

namespace qor::runtime {
void note_memory_failure();
}
