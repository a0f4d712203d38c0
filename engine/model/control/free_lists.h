// Records of environment objects come from free lists refilled in chunks from a pool and are
// never returned one by one: one routine takes a zeroed record, refilling the list when empty.
#pragma once
#include <cstddef>
#include <cstring>

#include "common/memory/pool_memory.h"
#include "host/pool.h"

// A zeroed record from the free list at `head` (records linked through their `next` field); an
// empty list is first refilled with `count` records from the pool. Null when the pool has no
// memory: *bytes_asked then holds the size that was asked for, for the caller's report.
template <typename Record>
Record* rsk_take_free(Record*& head, qor_pool* pool, int count, size_t* bytes_asked) {
    if (head == nullptr) {
        const size_t bytes = sizeof(Record) * static_cast<size_t>(count);
        if (bytes_asked) *bytes_asked = bytes;
        auto* chunk = static_cast<Record*>(vmalcp_handler(pool, bytes, QOR_ALLOC_ZERO));
        if (chunk == nullptr) return nullptr;
        for (int i = 0; i < count - 1; ++i) chunk[i].next = &chunk[i + 1];
        chunk[count - 1].next = nullptr;
        head = chunk;
    }
    Record* record = head;
    head = record->next;
    std::memset(static_cast<void*>(record), 0, sizeof *record);
    return record;
}
