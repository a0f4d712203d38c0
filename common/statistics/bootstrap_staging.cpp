// Staging files of the bootstrap: anonymous UTILITY entries read and written in blocks of 1024
// fixed-length records through the five iterator callbacks.
#include <cstring>

#include "common/statistics/bootstrap.h"

namespace {

constexpr uint32_t kStagingFlags = 0x82000008u;   // temporary, stream access, update

qor_entry* entry_of(boot_iterator* it) { return static_cast<qor_entry*>(it->handle); }

// Writes the first `count` records of the block at the file position and advances it.
int write_block(boot_iterator* it, int32_t count) {
    if (count <= 0) return 0;
    size_t bytes = static_cast<size_t>(count) * static_cast<size_t>(it->record_bytes);
    int rc = xcpoint(entry_of(it), it->position);
    if (rc == 0) rc = xcwrite(entry_of(it), it->block, bytes);
    if (rc != 0) return rc;
    it->position += static_cast<int64_t>(bytes);
    return 0;
}

// The record size must fit the block buffer the iterator was made with.
bool usable(const boot_iterator* it) {
    return it && it->handle && it->block && it->record && it->record_bytes > 0 &&
           static_cast<int64_t>(it->record_bytes) * it->block_records <= it->block_bytes;
}

}  // namespace

int init_iter(boot_iterator* it, qor_pool* pool) {
    if (!it || !pool || it->values < 1 || it->values > (1 << 20)) return 1;
    qor_entry_request request;
    request.type = "UTILITY";
    request.mode = kStagingFlags;
    qor_entry* entry = nullptr;
    int rc = xcopen(request, &entry);
    if (rc != 0) return rc;
    it->record_bytes = 8 * it->values;
    it->block_records = BOOT_BLOCK_RECORDS;
    it->block_bytes = static_cast<int64_t>(it->block_records) * it->record_bytes;
    it->block = static_cast<char*>(pool->allocate(pool, static_cast<size_t>(it->block_bytes), QOR_ALLOC_PLAIN));
    it->record = static_cast<double*>(pool->allocate(pool, static_cast<size_t>(it->record_bytes), QOR_ALLOC_ZERO));
    if (!it->block || !it->record) {
        xcclose(entry, QOR_CC_DISCARD);
        it->block = nullptr;
        it->record = nullptr;
        return 2;
    }
    it->handle = entry;
    it->restart = boot::restart;
    it->next = boot::next;
    it->wrestart = boot::wrestart;
    it->wnext = boot::wnext;
    it->wend = boot::wend;
    it->position = 0;
    it->left = 0;
    it->read = 0;
    it->current = 0;
    it->records = 0;
    return 0;
}

int close_iter(boot_iterator* it) {
    if (!it || !it->handle) return 0;
    int rc = xcclose(entry_of(it), QOR_CC_DISCARD);
    if (rc == 0) it->handle = nullptr;
    return rc;
}

namespace boot {

int restart(boot_iterator* it) {
    if (!usable(it)) return static_cast<int>(QOR_C_NULL);
    it->position = 0;
    it->left = 0;
    it->read = 0;
    it->current = 0;
    return xcpoint(entry_of(it), 0);
}

int next(boot_iterator* it) {
    if (!usable(it)) return static_cast<int>(QOR_C_NULL);
    if (it->left == 0) {
        // Past the last record written there is nothing to read, whatever the file holds.
        int64_t remaining = static_cast<int64_t>(it->records) - it->read;
        if (remaining <= 0) return static_cast<int>(QOR_C_END);
        int32_t count = remaining < it->block_records ? static_cast<int32_t>(remaining) : it->block_records;
        size_t bytes = static_cast<size_t>(count) * static_cast<size_t>(it->record_bytes);
        size_t got = 0;
        int rc = xcpoint(entry_of(it), it->position);
        if (rc == 0) rc = xcread(entry_of(it), it->block, bytes, &got);
        if (rc != 0) return rc;
        if (got != bytes) return static_cast<int>(QOR_C_END);
        it->position += static_cast<int64_t>(bytes);
        it->left = count;
        it->current = 0;
    }
    std::memcpy(it->record, it->block + static_cast<size_t>(it->current) * it->record_bytes,
                static_cast<size_t>(it->record_bytes));
    ++it->current;
    --it->left;
    ++it->read;
    return 0;
}

int wrestart(boot_iterator* it) {
    if (!usable(it)) return static_cast<int>(QOR_C_NULL);
    it->position = 0;
    it->left = 0;
    it->read = 0;
    it->current = 0;
    it->records = 0;
    return xcpoint(entry_of(it), 0);
}

int wnext(boot_iterator* it) {
    if (!usable(it)) return static_cast<int>(QOR_C_NULL);
    if (it->records == INT32_MAX) return static_cast<int>(QOR_C_IO);
    std::memcpy(it->block + static_cast<size_t>(it->current) * it->record_bytes, it->record,
                static_cast<size_t>(it->record_bytes));
    ++it->current;
    ++it->records;
    if (it->current < it->block_records) return 0;
    int rc = write_block(it, it->current);
    it->current = 0;
    return rc;
}

int wend(boot_iterator* it) {
    if (!usable(it)) return static_cast<int>(QOR_C_NULL);
    int rc = write_block(it, it->current);
    it->current = 0;
    return rc;
}

int read_at(boot_iterator* it, int32_t number) {
    if (!usable(it)) return static_cast<int>(QOR_C_NULL);
    if (number < 1 || number > it->records) return static_cast<int>(QOR_C_POSITION);
    size_t got = 0;
    int rc = xcpoint(entry_of(it), static_cast<int64_t>(number - 1) * it->record_bytes);
    if (rc == 0) rc = xcread(entry_of(it), it->record, static_cast<size_t>(it->record_bytes), &got);
    if (rc != 0) return rc;
    return got == static_cast<size_t>(it->record_bytes) ? 0 : static_cast<int>(QOR_C_END);
}

}  // namespace boot
