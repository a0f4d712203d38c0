// Identifier maps of parameter matrices: a vector of entries, entry i for index i, hashed by
// the upper-cased identifier so that look-ups ignore case; the first of two equal identifiers
// keeps the name.
#include <cctype>
#include <cstring>

#include "common/hash/hash_table.h"
#include "common/memory/pool_memory.h"
#include "engine/model/control/out_of_memory.h"
#include "engine/model/parameters/parameter_matrices.h"
#include "engine/run/run_block.h"
#include "host/print.h"

namespace {

uint32_t bucket_hint(int count) { return static_cast<uint32_t>(count <= 10000 ? count / 10 : count / 20); }

uint32_t hash_of(const char* upper, int length, uint32_t buckets) {
    uint32_t h = 1;
    for (int i = 0; i < length; ++i) h = static_cast<unsigned char>(upper[i]) + 1021u * h;
    return h % buckets;
}

// The identifier without trailing blanks, cut to 32 characters, and its upper-cased copy.
int upper_copy(const char* text, int length, char* upper) {
    if (length < 0) length = static_cast<int>(std::strlen(text));
    while (length > 0 && (text[length - 1] == ' ' || text[length - 1] == '\0')) --length;
    if (length > kRskIdentifierLimit) length = kRskIdentifierLimit;
    for (int i = 0; i < length; ++i) upper[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(text[i])));
    return length;
}

}  // namespace

void* rskpmx_run_alloc(RSKCON* con, size_t bytes) {
    qor_pool* pool = con->run_pool != nullptr ? con->run_pool : con->current_pool;
    void* block = vmalcp_handler(pool, bytes, QOR_ALLOC_ZERO);
    if (block != nullptr && con->run_pool != nullptr && con->run_block != nullptr)
        con->run_block->run_pool_bytes += bytes;
    return block;
}

int rskpidm(RSKCON* con, RSKIDMAP* map, int count, int run_pool) {
    if (con == nullptr || map == nullptr || count < 0) return 1;
    std::memset(map, 0, sizeof *map);
    const uint32_t buckets = zhashsz(static_cast<int>(bucket_hint(count)));
    const size_t entry_bytes = sizeof(RSKIDENTRY) * static_cast<size_t>(count > 0 ? count : 1);
    const size_t bucket_bytes = sizeof(RSKIDENTRY*) * buckets;
    void* entries = nullptr;
    void* heads = nullptr;
    if (run_pool) {
        entries = rskpmx_run_alloc(con, entry_bytes);
        heads = entries != nullptr ? rskpmx_run_alloc(con, bucket_bytes) : nullptr;
    } else {
        entries = vmalcp_handler(con->current_pool, entry_bytes, QOR_ALLOC_ZERO);
        heads = entries != nullptr ? vmalcp_handler(con->current_pool, bucket_bytes, QOR_ALLOC_ZERO) : nullptr;
        if (heads == nullptr && entries != nullptr)
            vmfree_handler(con->current_pool, entries, entry_bytes, QOR_FREE_SIZED);
    }
    if (heads == nullptr) {
        rsknomem(con, entry_bytes + bucket_bytes, "identifier map");
        return 1;
    }
    map->entries = static_cast<RSKIDENTRY*>(entries);
    map->buckets = static_cast<RSKIDENTRY**>(heads);
    map->bucket_count = buckets;
    map->count = count;
    map->count_value = count;
    map->allocated = 1;
    map->in_run_pool = run_pool ? 1 : 0;
    map->known = run_pool ? 0 : 1;
    return 0;
}

int rskpida(RSKCON* con, RSKIDMAP* map, const char* text, int length, int index) {
    if (map == nullptr || !map->allocated || text == nullptr) return 1;
    if (index < 0 || index >= map->count) {
        xebug("rskpida: index %i outside the map of %i entries.", index, map->count);
        return 1;
    }
    int full = length < 0 ? static_cast<int>(std::strlen(text)) : length;
    while (full > 0 && (text[full - 1] == ' ' || text[full - 1] == '\0')) --full;
    if (full > kRskIdentifierLimit) {
        if (con == nullptr || !con->catalog_loading) xpmlog(598, 1980, full, full, text, kRskIdentifierLimit);
        full = kRskIdentifierLimit;
    }
    RSKIDENTRY* entry = &map->entries[index];
    // An entry entered before leaves its bucket first, so that the chain through it stays whole.
    if (entry->length > 0) {
        for (RSKIDENTRY** at = &map->buckets[hash_of(entry->upper, entry->length, map->bucket_count)];
             *at != nullptr; at = &(*at)->next)
            if (*at == entry) {
                *at = entry->next;
                break;
            }
    }
    std::memset(entry, 0, sizeof *entry);
    std::memcpy(entry->identifier, text, static_cast<size_t>(full));
    entry->length = static_cast<int16_t>(upper_copy(text, full, entry->upper));
    entry->index = index;
    // A blank identifier keeps its row, unnamed: nothing finds it by name.
    if (entry->length == 0) return 0;
    RSKIDENTRY* existing = rskpid(con, map, entry->upper, entry->length);
    if (existing != nullptr && existing != entry) {
        xpmlog(598, 1981, existing->index + 1, index + 1, static_cast<int>(entry->length), entry->identifier);
        return 0;
    }
    RSKIDENTRY** head = &map->buckets[hash_of(entry->upper, entry->length, map->bucket_count)];
    entry->next = *head;
    *head = entry;
    return 0;
}

RSKIDENTRY* rskpid(RSKCON*, const RSKIDMAP* map, const char* text, int length) {
    if (map == nullptr || !map->allocated || text == nullptr || map->bucket_count == 0) return nullptr;
    char upper[kRskIdentifierLimit];
    const int n = upper_copy(text, length, upper);
    if (n == 0) return nullptr;
    for (RSKIDENTRY* e = map->buckets[hash_of(upper, n, map->bucket_count)]; e != nullptr; e = e->next)
        if (e->length == n && std::memcmp(e->upper, upper, static_cast<size_t>(n)) == 0) return e;
    return nullptr;
}
