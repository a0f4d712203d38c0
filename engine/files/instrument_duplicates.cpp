// The duplicate-identifier table of an instrument file being written: three multiplicative
// hashes per identifier in a fixed pool of entries, no keys stored, bounded to 50000 entries.
#include <cstring>

#include "common/hash/hash_table.h"
#include "engine/files/instrument_file.h"
#include "engine/files/instrument_file_internal.h"
#include "engine/model/positions/instrument_files.h"
#include "host/pool.h"
#include "host/print.h"

struct RSKTRANDUPS {
    uint32_t* entries;               // per entry: link (index + 1, 0 = none) and three hashes
    uint32_t* buckets;               // index + 1 of each bucket's first entry
    uint32_t bucket_count;
    uint32_t free_entries;           // starts at 50000
    uint32_t duplicates;
};

namespace {

constexpr uint32_t kEntryWords = 4;
constexpr size_t kPoolBytes = static_cast<size_t>(kRskDuplicateEntries) * kEntryWords * sizeof(uint32_t);
constexpr uint32_t kHashMultipliers[3] = {259, 261, 263};
constexpr uint32_t kReported = 20;
constexpr int kBucketHint = 8000;

void no_memory(RSKCON* con, size_t bytes) {
    xpmlog(598, 2797, static_cast<long>(bytes), "duplicate identifier table");
    con->no_memory_reported = 1;
    con->error = 1;
}

}  // namespace

int setup_duplicate_checks(RSKCON* con, RSKTRANFILE* file) {
    free_duplicate_checks(con, file);
    qor_pool* pool = con->general_pool;
    auto* table = static_cast<RSKTRANDUPS*>(xmalloc_labelled(pool, sizeof(RSKTRANDUPS), QOR_ALLOC_ZERO,
                                                             "duplicate identifier table"));
    if (table == nullptr) {
        no_memory(con, sizeof(RSKTRANDUPS));
        return 1;
    }
    table->bucket_count = zhashsz(kBucketHint);
    table->entries = static_cast<uint32_t*>(xmalloc_labelled(pool, kPoolBytes, QOR_ALLOC_ZERO, "duplicate identifier table"));
    const size_t bucket_bytes = static_cast<size_t>(table->bucket_count) * sizeof(uint32_t);
    table->buckets = table->entries == nullptr ? nullptr
                                               : static_cast<uint32_t*>(xmalloc_labelled(
                                                     pool, bucket_bytes, QOR_ALLOC_ZERO, "duplicate identifier table"));
    file->duplicates = table;
    if (table->entries == nullptr || table->buckets == nullptr) {
        no_memory(con, table->entries == nullptr ? kPoolBytes : bucket_bytes);
        free_duplicate_checks(con, file);
        return 1;
    }
    table->free_entries = kRskDuplicateEntries;
    return 0;
}

void free_duplicate_checks(RSKCON* con, RSKTRANFILE* file) {
    RSKTRANDUPS* table = file->duplicates;
    if (table == nullptr) return;
    qor_pool* pool = con->general_pool;
    if (table->buckets != nullptr)
        pool->release(pool, table->buckets, static_cast<size_t>(table->bucket_count) * sizeof(uint32_t), QOR_FREE_SIZED);
    if (table->entries != nullptr) pool->release(pool, table->entries, kPoolBytes, QOR_FREE_SIZED);
    pool->release(pool, table, sizeof *table, QOR_FREE_SIZED);
    file->duplicates = nullptr;
}

int check_duplicates(RSKCON* con, RSKTRANFILE* file, const char* identifier, double number) {
    (void)con;
    RSKTRANDUPS* table = file->duplicates;
    if (table == nullptr) return 0;
    uint32_t h[3] = {0, 0, 0};
    for (int k = 0; k < 3; ++k)
        for (int i = 0; i < kIdFormText; ++i) h[k] = h[k] * kHashMultipliers[k] + static_cast<unsigned char>(identifier[i]);
    const uint32_t bucket = h[0] % table->bucket_count;
    for (uint32_t at = table->buckets[bucket]; at != 0;) {
        const uint32_t* entry = table->entries + static_cast<size_t>(at - 1) * kEntryWords;
        if (entry[1] == h[0] && entry[2] == h[1] && entry[3] == h[2]) {
            ++table->duplicates;
            const RSKTFILE* d = file->definition;
            int length = kIdFormText;
            while (length > 0 && identifier[length - 1] == ' ') --length;
            if (table->duplicates <= kReported)
                xpmlog(598, 1721, length, identifier, number, static_cast<int>(d->name.name.length), d->name.buffer);
            else if (table->duplicates == kReported + 1)
                xpmlog(598, 1722, static_cast<int>(kReported));
            return 1;
        }
        at = entry[0];
    }
    if (table->free_entries == 0) return 0;
    const uint32_t index = kRskDuplicateEntries - table->free_entries;
    --table->free_entries;
    uint32_t* entry = table->entries + static_cast<size_t>(index) * kEntryWords;
    entry[0] = table->buckets[bucket];
    entry[1] = h[0];
    entry[2] = h[1];
    entry[3] = h[2];
    table->buckets[bucket] = index + 1;
    return 0;
}
