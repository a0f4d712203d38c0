// Records of environment objects come from free lists refilled in chunks from a pool and are
// never returned to the pool one by one: one routine takes a record, refilling the list when empty.
#pragma once
#include <cstddef>
#include <cstring>

#include "common/memory/pool_memory.h"
#include "host/pool.h"

// What a record taken from the list holds: all zero, or what it held when given back (symbols
// keep their name buffers for reuse) with only its link cleared.
enum class RskTaken { zeroed, kept };

// A record from the free list at `head`, the records chained through their `Link` field; an empty
// list is first refilled with `count` zeroed records from the pool. Null when the pool has no
// memory: *bytes_asked then holds the size that was asked for, for the caller's report.
template <typename Record, Record* Record::*Link = &Record::next>
Record* rsk_take_free(Record*& head, qor_pool* pool, int count, size_t* bytes_asked,
                      RskTaken taken = RskTaken::zeroed) {
    if (head == nullptr) {
        const size_t bytes = sizeof(Record) * static_cast<size_t>(count);
        if (bytes_asked) *bytes_asked = bytes;
        auto* chunk = static_cast<Record*>(vmalcp_handler(pool, bytes, QOR_ALLOC_ZERO));
        if (chunk == nullptr) return nullptr;
        for (int i = 0; i < count - 1; ++i) chunk[i].*Link = &chunk[i + 1];
        chunk[count - 1].*Link = nullptr;
        head = chunk;
    }
    Record* record = head;
    head = record->*Link;
    if (taken == RskTaken::zeroed)
        std::memset(static_cast<void*>(record), 0, sizeof *record);
    else
        record->*Link = nullptr;
    return record;
}

// Gives a record back to the head of its free list.
template <typename Record, Record* Record::*Link = &Record::next>
void rsk_give_free(Record*& head, Record* record) {
    record->*Link = head;
    head = record;
}
