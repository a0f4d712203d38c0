// Symbol tables: hashed name -> object maps chained to a parent table, with an optional list
// of the symbols in insertion or alphabetical order. Names compare upper-cased and stripped.
#pragma once
#include <cstdint>
#include "engine/tables/control_structure.h"

// Results of rsksymd.
enum : int { RSKSYM_ADDED = 0, RSKSYM_REPLACED = 1, RSKSYM_FAILED = 2 };

// Creates a table in place: zhashsz of the hint (1000 for hints up to 1) buckets from `pool`,
// symbols from the block's shared symbol free list. 1 when the buckets cannot be allocated.
int rsktbla(RSKCON* con, RSKSYMTAB* table, int hint, RSKSYMTAB* parent, qor_pool* pool,
            RSKFREELISTS* free_lists, uint32_t flags);
// The object of a name, searching the parent chain; null when not found. Reads the tables only,
// so pricing threads may look names up concurrently.
void* rsksym(RSKCON* con, const RSKSYMTAB* table, const RSKNAMEREC* name);
// Defines a name in this table: RSKSYM_ADDED, RSKSYM_REPLACED (the object replaced), or
// RSKSYM_FAILED for an empty name or no memory.
int rsksymd(RSKCON* con, RSKSYMTAB* table, const RSKNAMEREC* name, void* object);
// Removes a name from this table (never from its parents).
int rsksymf(RSKCON* con, RSKSYMTAB* table, const RSKNAMEREC* name);
// Removes all symbols; with free_names, their name buffers go back to the pool too.
int rsktblc(RSKCON* con, RSKSYMTAB* table, int free_names);
// Removes all symbols and releases the buckets and key buffer; the header is zeroed.
int rsktblf(RSKCON* con, RSKSYMTAB* table);
// Prints the symbols in list order to the print file.
int rsksymp(RSKCON* con, const RSKSYMTAB* table);
// Symbol-list export: not provided (internal-error line, 0).
int rsksyml(RSKCON* con);
// Hash of the text: h = b + 1021 h over its bytes, modulo size when size is not 0.
uint32_t rskhash(const char* text, int length, uint32_t size);
