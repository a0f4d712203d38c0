// The currency table's hash, its filling from the built-in rows, look-up by code, and the
// shown marks that the currency listing follows.
#include <cstring>

#include "common/memory/pool_memory.h"
#include "engine/model/currencies/currency_table.h"
#include "engine/model/control/out_of_memory.h"

namespace {

RSKCURTABLE* table_of(RSKCON* con) {
    return con != nullptr && con->runtime_tables != nullptr ? &con->runtime_tables->currency_table : nullptr;
}

unsigned char upper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<unsigned char>(c - 32) : static_cast<unsigned char>(c);
}

uint32_t bucket_of(uint32_t key) { return (key * 257u) % kRskCurrencyBuckets; }

}  // namespace

uint32_t rskcur_key(const char* code) {
    uint32_t key = 0;
    for (int i = 0; i < 3 && code != nullptr && code[i] != '\0'; ++i)
        key |= static_cast<uint32_t>(upper(code[i])) << (8 * (i + 1));
    return key;
}

void rskcur_enter(RSKCURTABLE* table, RSKCURRENCY* currency) {
    uint32_t b = bucket_of(currency->key);
    currency->next = table->buckets[b];
    table->buckets[b] = currency;
}

int rskcur_allocate(RSKCON* con, RSKCURTABLE* table, int n) {
    const size_t array_bytes = sizeof(RSKCURRENCY) * static_cast<size_t>(n);
    const size_t matrix_bytes = sizeof(RSKFXENTRY*) * static_cast<size_t>(n) * static_cast<size_t>(n);
    table->currencies = static_cast<RSKCURRENCY*>(vmalcp_handler(con->general_pool, array_bytes, QOR_ALLOC_ZERO));
    if (table->currencies == nullptr) {
        rsknomem(con, array_bytes, "currency table");
        return 1;
    }
    table->matrix = static_cast<RSKFXENTRY**>(vmalcp_handler(con->general_pool, matrix_bytes, QOR_ALLOC_ZERO));
    if (table->matrix == nullptr) {
        vmfree_handler(con->general_pool, table->currencies, array_bytes, QOR_FREE_SIZED);
        table->currencies = nullptr;
        rsknomem(con, matrix_bytes, "exchange-rate matrix");
        return 1;
    }
    table->capacity = n;
    return 0;
}

int rskcur0(RSKCON* con) {
    RSKCURTABLE* table = table_of(con);
    if (table == nullptr || table->currencies == nullptr) return 1;
    table->count = 0;
    table->shown = 0;
    for (int i = 0; i < kRskBuiltinCurrencies; ++i) {
        const RSKCURCODE& row = curcodes[i];
        RSKCURRENCY* c = &table->currencies[i];
        std::memset(c, 0, sizeof *c);
        for (int k = 0; k < 3; ++k) c->code[k] = static_cast<char>(upper(row.code[k]));
        c->key = rskcur_key(c->code);
        size_t length = std::strlen(row.name);
        if (length > kRskCurrencyNameCapacity) length = kRskCurrencyNameCapacity;
        std::memcpy(c->name, row.name, length);
        c->name_length = static_cast<uint16_t>(length);
        c->index = static_cast<int16_t>(i);
        c->hidden = row.shown != 0 ? 0 : 1;
        if (row.shown != 0) ++table->shown;
        rskcur_enter(table, c);
        ++table->count;
    }
    return 0;
}

RSKCURRENCY* rskcur(RSKCON* con, const char* code) {
    RSKCURTABLE* table = table_of(con);
    if (table == nullptr || code == nullptr) return nullptr;
    uint32_t key = rskcur_key(code);
    for (RSKCURRENCY* c = table->buckets[bucket_of(key)]; c != nullptr; c = c->next)
        if (c->key == key) return c;
    return nullptr;
}

int rskcurm(RSKCON* con, const char* code, int mode) {
    RSKCURTABLE* table = table_of(con);
    if (table == nullptr) return 1;
    if (mode == RSKCUR_SHOW || mode == RSKCUR_HIDE) {
        RSKCURRENCY* c = rskcur(con, code);
        if (c == nullptr) return 1;
        uint8_t hidden = mode == RSKCUR_HIDE ? 1 : 0;
        if (c->hidden != hidden) table->shown = static_cast<int16_t>(table->shown + (hidden ? -1 : 1));
        c->hidden = hidden;
        return 0;
    }
    if (mode == 0) return 0;
    table->shown = 0;
    for (int i = 0; i < table->count; ++i) {
        RSKCURRENCY* c = &table->currencies[i];
        bool show = mode == RSKCUR_SHOW_USED ? c->used != 0 : mode > 0;
        c->hidden = show ? 0 : 1;
        if (show) ++table->shown;
    }
    return 0;
}
