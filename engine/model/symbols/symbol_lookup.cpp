// Symbol tables: look-up along the parent chain, definition, removal and printing.
// Look-ups upper-case the key byte by byte as they hash and compare, so they write nothing.
#include <cstring>

#include "common/strings/fields.h"
#include "common/memory/pool_memory.h"
#include "engine/model/control/out_of_memory.h"
#include "engine/model/symbols/symbol_table.h"
#include "engine/model/symbols/symbol_table_internal.h"
#include "engine/tables/free_lists.h"
#include "host/kernel.h"

namespace {

// A table is re-bucketed once its names average more than this many per bucket. Look-ups walk
// one chain, so the chains are kept short; the order within a chain is never visible.
constexpr int32_t kMostPerBucket = 4;

// Length of a name without trailing blanks; 0 for an empty name or one longer than a table holds.
int key_length(const RSKNAMEREC* name) {
    if (name == nullptr || name->text == nullptr) return 0;
    int length = static_cast<int16_t>(name->length);
    if (length <= 0) return 0;
    return wzstrip(name->text, length);
}

// Hash of the upper-cased text, before the modulo.
uint32_t key_hash(const char* text, int length) {
    uint32_t h = 1;
    for (int i = 0; i < length; ++i) h = rsksym_upper(static_cast<unsigned char>(text[i])) + 1021u * h;
    return h;
}

bool key_equals(const RSKSYMBOL* symbol, const char* text, int length) {
    if (symbol->name_length != length) return false;
    for (int i = 0; i < length; ++i)
        if (static_cast<unsigned char>(symbol->name[i]) != rsksym_upper(static_cast<unsigned char>(text[i])))
            return false;
    return true;
}

// The symbol of the key in this table only, and its predecessor in the chain.
RSKSYMBOL* look_up(const RSKSYMTAB* table, const char* text, int length, uint32_t hash,
                   RSKSYMBOL** previous) {
    if (previous != nullptr) *previous = nullptr;
    if (table->buckets == nullptr || table->bucket_count <= 0) return nullptr;
    RSKSYMBOL* before = nullptr;
    for (RSKSYMBOL* s = table->buckets[hash % static_cast<uint32_t>(table->bucket_count)]; s != nullptr;
         s = s->next_in_bucket) {
        if (key_equals(s, text, length)) {
            if (previous != nullptr) *previous = before;
            return s;
        }
        before = s;
    }
    return nullptr;
}

// Copies the upper-cased key into the table's key buffer, growing it when too small.
int prepare_key(RSKCON* con, RSKSYMTAB* table, const char* text, int length) {
    if (length > table->key_capacity) {
        if (table->key_buffer != nullptr)
            vmfree_handler(table->pool, table->key_buffer, static_cast<size_t>(table->key_capacity),
                           QOR_FREE_SIZED);
        table->key_buffer = nullptr;
        table->key_capacity = 0;
        int capacity = length < 8 ? 8 : length;
        auto* buffer = static_cast<char*>(vmalcp_handler(table->pool, static_cast<size_t>(capacity),
                                                         QOR_ALLOC_PLAIN));
        if (buffer == nullptr) {
            rsknomem(con, static_cast<size_t>(capacity), "symbol table name");
            return 1;
        }
        table->key_buffer = buffer;
        table->key_capacity = static_cast<int16_t>(capacity);
    }
    std::memcpy(table->key_buffer, text, static_cast<size_t>(length));
    wzstrup(table->key_buffer, length);
    return 0;
}

void append_to_list(RSKSYMTAB* table, RSKSYMBOL* symbol) {
    if (table->list_tail == nullptr) table->list_head = symbol;
    else table->list_tail->next_in_list = symbol;
    table->list_tail = symbol;
}

// Inserts after the last symbol that does not sort after the new one.
void insert_in_order(RSKSYMTAB* table, RSKSYMBOL* symbol) {
    if (table->list_head == nullptr) {
        table->list_head = symbol;
        table->list_tail = symbol;
        return;
    }
    if (wzstcom(symbol->name, symbol->name_length, table->list_head->name,
                table->list_head->name_length) < 0) {
        symbol->next_in_list = table->list_head;
        table->list_head = symbol;
        return;
    }
    // Names mostly arrive in order (a catalog lists its entries sorted), so the tail is tried
    // first: a name that does not sort before the last one goes after it without a walk.
    if (wzstcom(table->list_tail->name, table->list_tail->name_length, symbol->name, symbol->name_length) <= 0) {
        table->list_tail->next_in_list = symbol;
        table->list_tail = symbol;
        return;
    }
    RSKSYMBOL* after = table->list_head;
    while (after->next_in_list != nullptr &&
           wzstcom(after->next_in_list->name, after->next_in_list->name_length, symbol->name,
                   symbol->name_length) <= 0)
        after = after->next_in_list;
    symbol->next_in_list = after->next_in_list;
    after->next_in_list = symbol;
    if (symbol->next_in_list == nullptr) table->list_tail = symbol;
}

// Unlinks a symbol from the table's list.
void remove_from_list(RSKSYMTAB* table, RSKSYMBOL* symbol) {
    if (table->list_head == symbol) {
        table->list_head = symbol->next_in_list;
        if (table->list_tail == symbol) table->list_tail = symbol->next_in_list;
        return;
    }
    for (RSKSYMBOL* before = table->list_head; before != nullptr; before = before->next_in_list) {
        if (before->next_in_list == symbol) {
            before->next_in_list = symbol->next_in_list;
            if (table->list_tail == symbol) table->list_tail = before;
            return;
        }
    }
}

}  // namespace

RSKSYMBOL* rsksym_allocate(RSKCON* con, RSKSYMTAB* table) {
    if (table->free_list == nullptr) return nullptr;
    size_t bytes = 0;
    // A reused symbol keeps its name buffer; the definition overwrites the rest.
    RSKSYMBOL* symbol = rsk_take_free<RSKSYMBOL, &RSKSYMBOL::next_in_bucket>(
        *table->free_list, table->pool, table->bucket_count / 10 + 5, &bytes, RskTaken::kept);
    if (symbol == nullptr) rsknomem(con, bytes, "symbol structure");
    return symbol;
}

void rsksym_release(RSKSYMTAB* table, RSKSYMBOL* symbol) {
    if (table->free_list == nullptr) return;
    rsk_give_free<RSKSYMBOL, &RSKSYMBOL::next_in_bucket>(*table->free_list, symbol);
}

void* rsksym(RSKCON*, const RSKSYMTAB* table, const RSKNAMEREC* name) {
    int length = key_length(name);
    if (length == 0) return nullptr;
    uint32_t hash = key_hash(name->text, length);
    for (const RSKSYMTAB* t = table; t != nullptr; t = t->parent) {
        RSKSYMBOL* symbol = look_up(t, name->text, length, hash, nullptr);
        if (symbol != nullptr) return symbol->object;
    }
    return nullptr;
}

int rsksymd(RSKCON* con, RSKSYMTAB* table, const RSKNAMEREC* name, void* object) {
    int length = key_length(name);
    if (length == 0 || table->buckets == nullptr) return RSKSYM_FAILED;
    if (prepare_key(con, table, name->text, length) != 0) return RSKSYM_FAILED;
    const char* key = table->key_buffer;
    uint32_t hash = key_hash(key, length);
    RSKSYMBOL* existing = look_up(table, key, length, hash, nullptr);
    if (existing != nullptr) {
        existing->object = object;
        return RSKSYM_REPLACED;
    }
    if (table->count / table->bucket_count > kMostPerBucket && table->bucket_count <= 999999 &&
        rsksym_grow(con, table) != 0)
        return RSKSYM_FAILED;
    RSKSYMBOL* symbol = rsksym_allocate(con, table);
    if (symbol == nullptr) return RSKSYM_FAILED;
    if (symbol->name_capacity < length) {
        if (symbol->name_capacity != 0)
            vmfree_handler(table->pool, symbol->name, static_cast<size_t>(symbol->name_capacity),
                           QOR_FREE_SIZED);
        symbol->name_capacity = 0;
        int capacity = length < 8 ? 8 : length;
        symbol->name = static_cast<char*>(vmalcp_handler(table->pool, static_cast<size_t>(capacity),
                                                         QOR_ALLOC_PLAIN));
        if (symbol->name == nullptr) {
            rsknomem(con, static_cast<size_t>(capacity), "symbol name");
            rsksym_release(table, symbol);
            return RSKSYM_FAILED;
        }
        symbol->name_capacity = static_cast<int16_t>(capacity);
    }
    std::memcpy(symbol->name, key, static_cast<size_t>(length));
    symbol->name_length = static_cast<int16_t>(length);
    symbol->object = object;
    symbol->next_in_list = nullptr;
    uint32_t at = hash % static_cast<uint32_t>(table->bucket_count);
    symbol->next_in_bucket = table->buckets[at];
    table->buckets[at] = symbol;
    if (table->flags & RSKSYM_KEEP_LIST) {
        if ((table->flags & RSKSYM_ALPHABETICAL) && table->count <= 1000) insert_in_order(table, symbol);
        else append_to_list(table, symbol);
    }
    table->count += 1;
    return RSKSYM_ADDED;
}

int rsksymf(RSKCON*, RSKSYMTAB* table, const RSKNAMEREC* name) {
    int length = key_length(name);
    if (length == 0) return 0;
    RSKSYMBOL* previous = nullptr;
    RSKSYMBOL* symbol = look_up(table, name->text, length, key_hash(name->text, length), &previous);
    if (symbol == nullptr) return 0;
    if (previous != nullptr) previous->next_in_bucket = symbol->next_in_bucket;
    else table->buckets[key_hash(symbol->name, length) % static_cast<uint32_t>(table->bucket_count)] =
             symbol->next_in_bucket;
    if (table->flags & RSKSYM_KEEP_LIST) remove_from_list(table, symbol);
    table->count -= 1;
    symbol->name_length = 0;
    symbol->next_in_list = nullptr;
    symbol->next_in_bucket = nullptr;
    symbol->object = nullptr;
    rsksym_release(table, symbol);
    return 0;
}

int rsksymp(RSKCON*, const RSKSYMTAB* table) {
    xpmout(598, 95);
    for (const RSKSYMBOL* s = table->list_head; s != nullptr; s = s->next_in_list)
        xpmout(598, 96, static_cast<int>(s->name_length), s->name);
    xpsout(" ");
    return 0;
}

int rsksyml(RSKCON*) {
    xebug("rsksyml not written yet.");
    return 0;
}
