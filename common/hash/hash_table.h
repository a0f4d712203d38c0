// String-keyed chained hash table in a host pool; items also form a doubly linked list in
// insertion order. Keys compare as blank-padded fields, so trailing blanks never tell keys apart.
#pragma once
#include <cstdint>
#include "host/pool.h"

struct hash_item {
    void* value;                  // the caller's pointer or number
    const char* key;              // NUL-terminated; the table does not copy it
    hash_item* next;              // insertion order
    hash_item* previous;
    hash_item* bucket_next;       // same bucket
    hash_item* bucket_previous;
    // Set by hash_insert, so that a look-up compares numbers before bytes: the key's length
    // without trailing blanks and its folded hash (zhash_fold over that length).
    uint32_t key_length;
    uint32_t key_fold;
};

struct hash_table {
    hash_item** buckets;          // bucket_count chain heads
    hash_item* first;             // insertion order
    hash_item* last;
    uint32_t bucket_count;        // from zhashsz; never 0
    uint32_t item_count;
    qor_pool* pool;               // holds the head and the bucket array
};

// Results of hash_insert.
enum : int {
    HASH_INSERTED = 0,
    HASH_NO_TABLE = 1,            // null table or a table without buckets
    HASH_NO_ITEM = 2,             // null item or an item without key
    HASH_DUPLICATE = 3,           // an equal key is present: the item stays outside, caller frees it
};

enum : int { HASH_PRIME_COUNT = 72 };
// Bucket counts in increasing order.
extern const uint32_t primes[HASH_PRIME_COUNT];

// Bucket count for a size hint: 23 below 24, 1024021 above 1024020, else the first entry of
// primes not less than the hint.
uint32_t zhashsz(int hint);
// Bucket index of the key's first length bytes: 4-byte big-endian chunks XORed, modulo count.
// 0 for a length of 0 or less, a null key or a zero bucket count.
uint32_t zhash(const char* key, uint32_t bucket_count, int length);
// The chunks XORed, before the modulo: zhash is zhash_fold % bucket_count (0 for an empty key).
uint32_t zhash_fold(const char* key, int length);

// A new empty table with zhashsz(hint) buckets; null when memory is exhausted.
hash_table* new_hash_table(qor_pool* pool, int hint);
// A zero-filled item, or null.
hash_item* new_hash_item(qor_pool* pool);
// A new item holding key and value, or null.
hash_item* create_hash_item(qor_pool* pool, const char* key, void* value);
// Frees an item (not its key or value): 0; 1 for a null item; 86 for a null pool.
int del_hash_item(qor_pool* pool, hash_item* item);
// Frees the items still in the table (through pool, or the table's pool when null), the bucket
// array and the head: 0; 1 for a null table.
int del_hash_table(qor_pool* pool, hash_table* table);
// The first item in insertion order, or null; walk on through each item's next.
hash_item* enumerate_table(const hash_table* table);
// The item whose key equals the key, or null.
hash_item* hash_query(const hash_table* table, const char* key);
// Inserts an item (HASH_* result). The table grows to the next bucket count before the load
// would pass 1; when that growth cannot be allocated the item is inserted without it.
int hash_insert(hash_table* table, hash_item* item);
// Removes and returns the item whose key equals the key; null when there is none.
// The caller frees the item.
hash_item* hash_remove(hash_table* table, const char* key);
