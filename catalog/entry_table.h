// Appendage C's entry table, published as vector 383, and the routines of catalog storage that
// answer already: those that start-up and definitions call, answering as an empty catalog.
#pragma once
#include <cstdint>
#include "engine/tables/catalog_records.h"
#include "engine/model/services/catalog.h"

constexpr int kRskctblVectorCode = (14 << 16) | 383;   // 0x000E017F
constexpr int kRskctblSlots = 130;                     // slots 0 .. 129

extern void* rskctbl[kRskctblSlots];
extern const char* const kRskctblNames[kRskctblSlots];

// Fills every slot; routines not built yet report themselves and fail.
void rskctbl_fill();

// Slot 1: withdraw the published table; the host's result.
int rskctrm();

// Slot 48: the 8-character member type of a kind; 8 blanks and 1 for a kind of 41 or more.
int rssobex(int32_t kind, char* type_out);
// The kind whose member type equals the 8-character type (any case); -1 when none does.
int rssobfx(const char* type);
// The other routines that answer already are declared with the catalog services the engine
// calls (engine/model/services_catalog.h).
