// Helpers shared by the symbol-table sources: symbol allocation and release, key handling
// and the growth of the bucket array.
#pragma once
#include "engine/model/symbols/symbol_table.h"

// Longest name a table holds.
constexpr int kRskMaxSymbolName = 32767;

// Upper-cases one byte as the host's wzstrup does, so stored names and look-up keys agree.
inline unsigned char rsksym_upper(unsigned char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<unsigned char>(c - 32) : c;
}

// A symbol from the shared free list, refilled with bucket count / 10 + 5 symbols; null (after
// 598/2797 once) when the pool is exhausted.
RSKSYMBOL* rsksym_allocate(RSKCON* con, RSKSYMTAB* table);
// Pushes a symbol back onto the free list.
void rsksym_release(RSKSYMTAB* table, RSKSYMBOL* symbol);
// Re-buckets a table with about four times the buckets; 1 when memory is exhausted.
int rsksym_grow(RSKCON* con, RSKSYMTAB* table);
