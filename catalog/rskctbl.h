// Appendage C's entry table, published as vector 383, and the routines of catalog storage that
// answer already: those that start-up and definitions call, answering as an empty catalog.
#pragma once
#include <cstdint>
#include "catalog/rskcatobj.h"

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
// Slot 49: the text naming the kind (at most 40 characters) into `text_out`; its length, or -1
// after 598/3100 for a kind without a description.
int rssobds(int32_t kind, char* text_out);

// Slot 53 (DEFINE_OBJECT): the header of the object of that kind and name in the current
// environment, found or created; 0, or 1 after a message.
int rssofid(RSKCON* con, RSKCATOBJ** out, const RSKNAMEREC* name, const RSKNAMEREC* description,
            int32_t kind);
// Slot 57 (LOAD_OBJECT): the object in memory, after the rights check for `access` (0: none);
// null when it is not accessible or cannot be loaded.
void* rssofiq(RSKCON* con, RSKCATOBJ* header, int access);
// Slot 87: sets the description of a property block (at most 256 bytes), and its state and time
// from `source` when given, else state 1.
int rssptyd(RSKCON* con, RSKPROPS* block, const RSKNAMEREC* description, const RSKPROPS* source);
// Slot 97: non-zero when the access `mode` (4 read, 2 write, 1 run) is granted for the scope
// (1 environment, 2 object, 3 environment then object, 4 object then environment).
int rsssec(RSKCON* con, RSKRIGHTS* rights, int mode, RSKENV* environment, const char* name,
           int name_length, int32_t kind, int scope);

// Slot 16: lists the stored environments for a component client; their count.
int rssenla(RSKCON* con);
// Slot 25: makes the temporary environment in WORK the current one.
int rssenvt(RSKCON* con);
// Slot 27: closes the current environment.
int rssenvx(RSKCON* con);
// Slot 84: loads the search paths saved in the user's profile.
int rsspthl(RSKCON* con);
// Slot 94: the entry of a host-product report of that name; null when none.
void* rssrpt(RSKCON* con, const RSKNAMEREC* name);
