// Out-of-memory reporting of the engine: message 598/2797 at most once per control structure,
// guarded by its no-memory flag.
#pragma once
#include <cstddef>
#include "engine/tables/control_structure.h"
#include "engine/tables/free_lists.h"

// Reports that `bytes` could not be allocated for `label`, unless already reported for this
// control structure; sets the no-memory flag either way.
void rsknomem(RSKCON* con, size_t bytes, const char* label);

// A zeroed record from a free list refilled from the current pool; null after rsknomem(label)
// when the pool has no memory.
template <typename Record, Record* Record::*Link = &Record::next>
Record* rsk_take_record(RSKCON* con, Record*& head, int count, const char* label) {
    size_t bytes = 0;
    Record* record = rsk_take_free<Record, Link>(head, con->current_pool, count, &bytes);
    if (record == nullptr) rsknomem(con, bytes, label);
    return record;
}
