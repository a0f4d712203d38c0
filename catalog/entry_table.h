// Appendage C's entry table as catalog storage holds it (the array published as vector 383 and its
// filler) and the routines of catalog storage that answer already. Slot numbers and types are in
// engine/tables/catalog_table.h.
#pragma once
#include <cstdint>

#include "engine/tables/catalog_records.h"
#include "engine/tables/catalog_table.h"

extern void* rskctbl[kCatalogTableSlots];

// Fills every slot; routines not built yet report themselves and fail.
void rskctbl_fill();

// Slot 1: withdraw the published table; the host's result.
int rskctrm();

// Slot 48: the 8-character member type of a kind; 8 blanks and 1 for a kind of 41 or more.
int rssobex(int32_t kind, char* type_out);
// The kind whose member type equals the 8-character type (any case); -1 when none does.
int rssobfx(const char* type);
// Slot 49: the text naming a kind into `text_out`; its length, or -1.
int rssobds(int32_t kind, char* text_out);
// Slot 53: finds or creates the object of that kind and name in the current environment: 0 and
// the header in `out`; 1 after a message (no write right 598/3801, unsupported kind 598/3100).
int rssofid(RSKCON* con, RSKCATOBJ** out, const RSKNAMEREC* name, const RSKNAMEREC* description,
            int32_t kind);
// Slot 57: the object's in-memory record after loading and the rights check; null when none.
void* rssofiq(RSKCON* con, RSKCATOBJ* header, int access);
// Slot 87: sets a property block's description (at most 256 characters), its state and time.
int rssptyd(RSKCON* con, RSKPROPS* block, const RSKNAMEREC* description, const RSKPROPS* source);
// Slot 97: non-zero when the access is granted (modes 4 read, 2 write, 1 run; scopes 1 to 4).
int rsssec(RSKCON* con, RSKRIGHTS* rights, int mode, RSKENV* environment, const char* name,
           int name_length, int32_t kind, int scope);
// Slot 94: the host-product report of that name; null when none.
void* rssrpt(RSKCON* con, const RSKNAMEREC* name);
// Slot 84: loads the saved search paths: 0 on success.
int rsspthl(RSKCON* con);
