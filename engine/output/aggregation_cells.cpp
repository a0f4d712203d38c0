// Cells of the aggregation: the key hash shared by every page, the prime rule of the table size,
// finding or making a cell, growing the table, and clearing every cell.
#include <cstring>

#include "common/random/low_discrepancy.h"
#include "engine/output/aggregation.h"
#include "engine/run/run_block.h"
#include "host/missing.h"

namespace {

constexpr uint32_t kLargestTable = 16384;

RSKCCCELL* CellConstructor(RSKCON* con, RSKCCPAGE* page, const char* key) {
    RSKAGGCTL* control = page->control;
    auto* cell = static_cast<RSKCCCELL*>(rskgrp_alloc(con, sizeof(RSKCCCELL), "crossclassification cell", 0));
    if (cell == nullptr) return nullptr;
    const size_t key_bytes = static_cast<size_t>(control->key_size);
    const size_t user_bytes = static_cast<size_t>(control->user_size);
    cell->key = static_cast<char*>(rskgrp_alloc(con, key_bytes, "crossclassification key", 0));
    // Every additive phase starts from zero, so the user data are cleared here.
    cell->user_data = user_bytes > 0 ? rskgrp_alloc(con, user_bytes, "crossclassification user data", 1) : nullptr;
    if (cell->key == nullptr || (user_bytes > 0 && cell->user_data == nullptr)) {
        rskgrp_free(con, cell->user_data, user_bytes);
        rskgrp_free(con, cell->key, key_bytes);
        rskgrp_free(con, cell, sizeof(RSKCCCELL));
        return nullptr;
    }
    std::memcpy(cell->key, key, key_bytes);
    cell->control = control;
    cell->mask = page->mask;
    cell->visited = 0;
    return cell;
}

void CellDestructor(RSKCON* con, RSKCCCELL* cell) {
    RSKAGGCTL* control = cell->control;
    rskgrp_free(con, cell->user_data, static_cast<size_t>(control->user_size));
    rskgrp_free(con, cell->key, static_cast<size_t>(control->key_size));
    rskgrp_free(con, cell, sizeof(RSKCCCELL));
    --control->cell_count;
}

// Doubles the table; a refused allocation keeps the old table in use.
void ReHash(RSKCON* con, RSKAGGCTL* control) {
    const uint32_t new_size = LargestPrime(2 * control->hash_size);
    auto* buckets = static_cast<RSKCCCELL**>(rskgrp_alloc(con, sizeof(RSKCCCELL*) * new_size, "hash table", 1));
    if (buckets == nullptr) return;
    for (uint32_t b = 0; b < control->hash_size; ++b) {
        RSKCCCELL* cell = control->buckets[b];
        while (cell != nullptr) {
            RSKCCCELL* next = cell->hash_next;
            const uint32_t at = Hash(cell->key, control->key_size, cell->mask, new_size);
            cell->hash_next = buckets[at];
            buckets[at] = cell;
            cell = next;
        }
    }
    rskgrp_free(con, control->buckets, sizeof(RSKCCCELL*) * control->hash_size);
    control->buckets = buckets;
    control->hash_size = new_size;
    ++control->table_builds;
}

void PageClearCells(RSKCON* con, RSKCCPAGE* page) {
    RSKCCCELL* cell = page->cells;
    while (cell != nullptr) {
        RSKCCCELL* next = cell->page_next;
        CellDestructor(con, cell);
        cell = next;
    }
    page->cells = nullptr;
}

void ClearHashTable(RSKAGGCTL* control) {
    std::memset(control->buckets, 0, sizeof(RSKCCCELL*) * control->hash_size);
    control->cell_count = 0;
}

}  // namespace

RSKCCPAGE* rskgrpp(RSKAGGCTL* control, uint32_t mask) {
    for (int i = 0; i < control->page_count; ++i)
        if (control->pages[i]->mask == mask) return control->pages[i];
    return nullptr;
}

uint32_t Hash(const char* key, int32_t key_size, uint32_t mask, uint32_t hash_size) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(key);
    uint32_t h = 0;
    for (int32_t i = 0; i < key_size; ++i) h = h * 241u + bytes[i];
    for (int32_t i = 0; i < key_size; ++i) h = h * 191u + bytes[i];
    return (h + mask) % hash_size;
}

uint32_t LargestPrime(uint32_t x) {
    while (x > 1 && !IsPrime(x)) --x;
    return x;
}

uint32_t CalcHashTableSize(int64_t page_weight) {
    const int64_t wanted = 2 * page_weight;
    return LargestPrime(wanted <= kLargestTable ? static_cast<uint32_t>(wanted) : kLargestTable);
}

void TotalizeKey(const RSKAGGCTL* control, char* key, uint32_t mask) {
    static const double total = qor::make_missing('_');
    for (int i = 0; i < control->count; ++i) {
        if (mask & (1u << i)) continue;
        const RSKCCVAR* e = control->variables[i];
        char* slot = key + e->offset;
        if (e->numeric) {
            std::memcpy(slot, &total, 8);
        } else if (e->length > 0) {
            std::memset(slot, ' ', static_cast<size_t>(e->length));
            slot[0] = '+';
        }
    }
}

RSKCCCELL* Access(RSKCON* con, RSKCCPAGE* page, const char* key) {
    RSKAGGCTL* control = page->control;
    char stack_key[kAggStackKeyBytes];
    char* scratch = control->key_size > kAggStackKeyBytes ? control->long_scratch : stack_key;
    std::memcpy(scratch, key, static_cast<size_t>(control->key_size));
    TotalizeKey(control, scratch, page->mask);

    const uint32_t at = Hash(scratch, control->key_size, page->mask, control->hash_size);
    for (RSKCCCELL* cell = control->buckets[at]; cell != nullptr; cell = cell->hash_next) {
        if (cell->mask == page->mask && std::memcmp(cell->key, scratch, static_cast<size_t>(control->key_size)) == 0)
            return cell;
    }
    RSKCCCELL* cell = CellConstructor(con, page, scratch);
    if (cell == nullptr) return nullptr;
    cell->hash_next = control->buckets[at];
    control->buckets[at] = cell;
    cell->page_next = page->cells;
    page->cells = cell;
    cell->sequence = ++control->cell_count;
    if (static_cast<uint32_t>(control->cell_count) > control->hash_size) ReHash(con, control);
    return cell;
}

int rskgrpi(RSKCON* con, RSKAGGCTL* control) {
    if (control == nullptr) return 0;
    for (int i = 0; i < control->page_count; ++i) PageClearCells(con, control->pages[i]);
    ClearHashTable(control);
    return 0;
}
