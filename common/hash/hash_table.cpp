// Hash table operations: creation, items, look-up, insertion with growth, removal, deletion.
// Keys are hashed over their length without trailing blanks, matching the blank-padded compare.
#include "common/hash/hash_table.h"

#include <cstring>

#include "common/strings/fields.h"
#include "common/memory/pool_memory.h"

namespace {

constexpr int kNullHandle = 86;
constexpr uint32_t kLargestBucketCount = 1024021;

// A key as the table sees it: its length without trailing blanks, and the fold of those bytes.
struct key_view {
    const char* key;
    uint32_t length;
    uint32_t fold;
};

key_view view_of(const char* key) {
    int length = wzstrip(key, wzstlen(key));
    return {key, static_cast<uint32_t>(length), zhash_fold(key, length)};
}

// Keys compare as blank-padded fields: equal when equal without their trailing blanks. The
// stored length and fold reject nearly every other key of a chain without reading its bytes.
bool item_has_key(const hash_item* item, const key_view& k) {
    return item->key_fold == k.fold && item->key_length == k.length &&
           std::memcmp(item->key, k.key, k.length) == 0;
}

uint32_t bucket_of(const hash_table* table, uint32_t fold) { return fold % table->bucket_count; }

hash_item* find_in_bucket(const hash_table* table, const key_view& k) {
    for (hash_item* item = table->buckets[bucket_of(table, k.fold)]; item; item = item->bucket_next) {
        if (item_has_key(item, k)) return item;
    }
    return nullptr;
}

// Appends an item at the end of its bucket chain.
void link_into_bucket(hash_table* table, hash_item* item) {
    uint32_t bucket = bucket_of(table, item->key_fold);
    item->bucket_next = nullptr;
    item->bucket_previous = nullptr;
    hash_item* tail = table->buckets[bucket];
    if (!tail) {
        table->buckets[bucket] = item;
        return;
    }
    while (tail->bucket_next) tail = tail->bucket_next;
    tail->bucket_next = item;
    item->bucket_previous = tail;
}

// Moves every item, in insertion order, onto a larger bucket array. When the array cannot be
// allocated the table keeps its buckets: it stays correct, only its chains get longer.
void grow(hash_table* table) {
    if (table->bucket_count >= kLargestBucketCount) return;
    uint32_t new_count = zhashsz(static_cast<int>(2 * table->bucket_count));
    auto* new_buckets = static_cast<hash_item**>(
        vmalcp_handler(table->pool, new_count * sizeof(hash_item*), QOR_ALLOC_ZERO));
    if (!new_buckets) return;
    hash_item** old_buckets = table->buckets;
    uint32_t old_count = table->bucket_count;
    table->buckets = new_buckets;
    table->bucket_count = new_count;
    for (hash_item* item = table->first; item; item = item->next) link_into_bucket(table, item);
    vmfree_handler(table->pool, old_buckets, old_count * sizeof(hash_item*), QOR_FREE_SIZED);
}

}  // namespace

hash_table* new_hash_table(qor_pool* pool, int hint) {
    auto* table = static_cast<hash_table*>(vmalcp_handler(pool, sizeof(hash_table), QOR_ALLOC_ZERO));
    if (!table) return nullptr;
    uint32_t count = zhashsz(hint);
    table->buckets = static_cast<hash_item**>(
        vmalcp_handler(pool, count * sizeof(hash_item*), QOR_ALLOC_ZERO));
    if (!table->buckets) {
        vmfree_handler(pool, table, sizeof(hash_table), QOR_FREE_SIZED);
        return nullptr;
    }
    table->bucket_count = count;
    table->pool = pool;
    return table;
}

hash_item* new_hash_item(qor_pool* pool) {
    return static_cast<hash_item*>(vmalcp_handler(pool, sizeof(hash_item), QOR_ALLOC_ZERO));
}

hash_item* create_hash_item(qor_pool* pool, const char* key, void* value) {
    hash_item* item = new_hash_item(pool);
    if (!item) return nullptr;
    item->key = key;
    item->value = value;
    return item;
}

int del_hash_item(qor_pool* pool, hash_item* item) {
    if (!item) return 1;
    if (!pool) return kNullHandle;
    vmfree_handler(pool, item, sizeof(hash_item), QOR_FREE_SIZED);
    return 0;
}

int del_hash_table(qor_pool* pool, hash_table* table) {
    if (!table) return 1;
    qor_pool* item_pool = pool ? pool : table->pool;
    hash_item* item = table->first;
    while (item) {
        hash_item* next = item->next;
        vmfree_handler(item_pool, item, sizeof(hash_item), QOR_FREE_SIZED);
        item = next;
    }
    qor_pool* own = table->pool;
    if (table->buckets) {
        vmfree_handler(own, table->buckets, table->bucket_count * sizeof(hash_item*),
                       QOR_FREE_SIZED);
    }
    vmfree_handler(own, table, sizeof(hash_table), QOR_FREE_SIZED);
    return 0;
}

hash_item* enumerate_table(const hash_table* table) { return table ? table->first : nullptr; }

hash_item* hash_query(const hash_table* table, const char* key) {
    if (!table || !table->buckets || table->bucket_count == 0 || !key) return nullptr;
    return find_in_bucket(table, view_of(key));
}

int hash_insert(hash_table* table, hash_item* item) {
    if (!table || !table->buckets || table->bucket_count == 0) return HASH_NO_TABLE;
    if (!item || !item->key) return HASH_NO_ITEM;
    key_view k = view_of(item->key);
    if (find_in_bucket(table, k)) return HASH_DUPLICATE;
    item->key_length = k.length;
    item->key_fold = k.fold;
    if (table->item_count + 1 > table->bucket_count) grow(table);
    link_into_bucket(table, item);
    item->next = nullptr;
    item->previous = table->last;
    if (table->last) {
        table->last->next = item;
    } else {
        table->first = item;
    }
    table->last = item;
    ++table->item_count;
    return HASH_INSERTED;
}

hash_item* hash_remove(hash_table* table, const char* key) {
    if (!table || !table->buckets || table->bucket_count == 0 || !key) return nullptr;
    key_view k = view_of(key);
    hash_item* item = find_in_bucket(table, k);
    if (!item) return nullptr;
    uint32_t bucket = bucket_of(table, k.fold);
    if (item->bucket_previous) {
        item->bucket_previous->bucket_next = item->bucket_next;
    } else {
        table->buckets[bucket] = item->bucket_next;
    }
    if (item->bucket_next) item->bucket_next->bucket_previous = item->bucket_previous;
    if (item->previous) {
        item->previous->next = item->next;
    } else {
        table->first = item->next;
    }
    if (item->next) {
        item->next->previous = item->previous;
    } else {
        table->last = item->previous;
    }
    --table->item_count;
    return item;
}
