// Symbol tables: creation, hashing, clearing and release, and the growth of a table's bucket
// array when its chains get long.
#include <cstring>

#include "common/hash/hash_table.h"
#include "common/memory/pool_memory.h"
#include "engine/model/control/out_of_memory.h"
#include "engine/model/symbols/symbol_table.h"
#include "engine/model/symbols/symbol_table_internal.h"

uint32_t rskhash(const char* text, int length, uint32_t size) {
    uint32_t h = 1;
    for (int i = 0; i < length; ++i) h = static_cast<unsigned char>(text[i]) + 1021u * h;
    return size != 0 ? h % size : h;
}

int rsktbla(RSKCON* con, RSKSYMTAB* table, int hint, RSKSYMTAB* parent, qor_pool* pool,
            RSKFREELISTS* free_lists, uint32_t flags) {
    std::memset(table, 0, sizeof *table);
    int size_hint = hint <= 1 ? 1000 : (hint < 5 ? 5 : (hint > 1000000 ? 1000000 : hint));
    uint32_t count = zhashsz(size_hint);
    size_t bytes = sizeof(RSKSYMBOL*) * count;
    auto* buckets = static_cast<RSKSYMBOL**>(vmalcp_handler(pool, bytes, QOR_ALLOC_PLAIN));
    if (buckets == nullptr) {
        rsknomem(con, bytes, "hash table");
        return 1;
    }
    std::memset(buckets, 0, bytes);
    table->bucket_count = static_cast<int32_t>(count);
    table->buckets = buckets;
    table->parent = parent;
    table->flags = (flags & RSKSYM_ALPHABETICAL) ? (flags | RSKSYM_KEEP_LIST) : flags;
    table->pool = pool;
    table->free_list = free_lists != nullptr ? &free_lists->symbols : nullptr;
    return 0;
}

int rsksym_grow(RSKCON* con, RSKSYMTAB* table) {
    int64_t wanted = static_cast<int64_t>(table->bucket_count) * 4;
    uint32_t count = zhashsz(static_cast<int>(wanted > 999999 ? 999999 : wanted));
    size_t bytes = sizeof(RSKSYMBOL*) * count;
    auto* buckets = static_cast<RSKSYMBOL**>(vmalcp_handler(table->pool, bytes, QOR_ALLOC_PLAIN));
    if (buckets == nullptr) {
        rsknomem(con, bytes, "hash table");
        return 1;
    }
    std::memset(buckets, 0, bytes);
    for (int32_t b = 0; b < table->bucket_count; ++b) {
        RSKSYMBOL* symbol = table->buckets[b];
        while (symbol != nullptr) {
            RSKSYMBOL* next = symbol->next_in_bucket;
            uint32_t at = rskhash(symbol->name, symbol->name_length, count);
            symbol->next_in_bucket = buckets[at];
            buckets[at] = symbol;
            symbol = next;
        }
    }
    vmfree_handler(table->pool, table->buckets, sizeof(RSKSYMBOL*) * table->bucket_count,
                   QOR_FREE_SIZED);
    table->buckets = buckets;
    table->bucket_count = static_cast<int32_t>(count);
    return 0;
}

int rsktblc(RSKCON*, RSKSYMTAB* table, int free_names) {
    if (table->buckets == nullptr) return 0;
    for (int32_t b = 0; b < table->bucket_count; ++b) {
        RSKSYMBOL* symbol = table->buckets[b];
        while (symbol != nullptr) {
            RSKSYMBOL* next = symbol->next_in_bucket;
            if (free_names != 0 && symbol->name_capacity != 0) {
                vmfree_handler(table->pool, symbol->name, static_cast<size_t>(symbol->name_capacity),
                               QOR_FREE_SIZED);
                std::memset(symbol, 0, sizeof *symbol);
            } else {
                symbol->next_in_list = nullptr;
                symbol->object = nullptr;
                symbol->name_length = 0;
            }
            rsksym_release(table, symbol);
            symbol = next;
        }
    }
    std::memset(table->buckets, 0, sizeof(RSKSYMBOL*) * table->bucket_count);
    table->list_head = nullptr;
    table->list_tail = nullptr;
    table->count = 0;
    return 0;
}

int rsktblf(RSKCON* con, RSKSYMTAB* table) {
    rsktblc(con, table, 0);
    if (table->key_buffer != nullptr)
        vmfree_handler(table->pool, table->key_buffer, static_cast<size_t>(table->key_capacity),
                       QOR_FREE_SIZED);
    if (table->buckets != nullptr)
        vmfree_handler(table->pool, table->buckets, sizeof(RSKSYMBOL*) * table->bucket_count,
                       QOR_FREE_SIZED);
    std::memset(table, 0, sizeof *table);
    return 0;
}
