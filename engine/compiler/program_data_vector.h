// The program data vector of a pricing compile: the market, reference and value collections of
// the variables that method source uses, their slots, and the vectors declared to the compiler.
#pragma once
#include <cstdint>

#include "engine/compiler/compile_control.h"
#include "host/compiler.h"

constexpr int kRskPdvCollections = 3;

// Names of the three vectors declared to the compiler, by collection (RSKPDV_*).
extern const char* const RSKPDV_NAMES[kRskPdvCollections];
// Slots of the reference vector: one pointer each; a compile that collects more is refused.
constexpr int kRskReferenceSlots = 65536;

// Clears the bookkeeping of every collection (a compile session opens or ends, the run's working
// storage is built or freed). The tables' memory goes with the compile pool.
void rskcmpf(RSKCON* con);
// Starts collection for a pricing compile: clears the collections, makes their hash tables,
// declares the three vectors to the compiler and defines the instrument value variable.
// 0, or 1 when the compiler refuses; out of memory ends the step (598/500, code 1016).
int rskmcmp_init(RSKCON* con);
// Gives a variable entry its slot in a collection; an entry whose name is collected already
// takes that slot. A new entry is declared in its vector at once, so that source pushed after it
// finds the name (entry->symbol); one that cannot be is reported (598/3435) and keeps no symbol.
void rskmcmp_addvar(RSKCON* con, RSKSYMENTRY* entry, int collection);
// The slot of a name in a collection, or -1. The name is the one an entry is collected under:
// its own name, or a reference's name with its cast word (fix_refname).
int rskmcmp_vecnum(RSKCON* con, const char* name, int length, int collection);
// The name a reference is collected and declared under: "x.LAGS" for a lag, "x.VOL" for a
// volatility, else the base name. With a pool the text is allocated there (its size added to
// the handle's byte count); without one it is built in buffer (256 bytes). Answers the length,
// or -1 when the pool has no memory or the buffer no room.
int fix_refname(const RSKSYMENTRY* entry, const char** out, char* buffer, qor_pool* pool, RSKCMPCON* handle);
// Ends collection: records the base-pointer slot of each vector that has members in the compile
// handle (the value, reference and market slots rskrcmp binds). 0, or 1 after 598/3434.
int rskmcmp_final(RSKCON* con);
// Binds one execution block's instance to the records of a run: the market state, the reference
// vector (one pointer per reference slot) and the instrument record; a null record stays unbound.
// Vector members are bound to the data their slot points at. 0, or 1 without an instance.
int rskmcmp_bind(RSKCON* con, cmp_instance* instance, void* market, void* references, void* values);
