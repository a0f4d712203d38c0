// The list layer of catalog storage: items of host lists got, appended, set and inserted in order,
// whole lists kept in catalog entries, every failure logged (table 598) with the offending list;
// and the small byte, name and file-time helpers that live beside it.
#pragma once
#include <cstddef>
#include <cstdint>

#include "host/lists.h"

struct qor_pool;

// The list workspace of catalog storage: every list the catalog makes comes from its pool, and
// member reads share its buffer. One per control structure (see rss_list_workspace).
struct RSKLISTWS {
    qor_pool* pool;                  // lists are made here
    char* read_buffer;               // shared buffer of member reads, grown as members need
    size_t read_capacity;
    uint8_t resizing;                // set while the read buffer is being regrown
};

// A character value. One got from a list points into the list (not copied) and stays valid
// until that item changes; its capacity is then length + 1. Lengths are size_t: values of XML
// documents run beyond 32 KB.
struct RSOCHAR {
    size_t capacity;
    size_t length;
    const char* text;
};

// Every routine below returns 0 for success and 1 for failure. A failure is logged (its 598
// message, then the list under "The invalid list: ") by the routine that meets it, and always
// leaves the output defined: character value length 0 and null text, short 32767, number the
// missing value, sublist 0. Item names are (text, length); a negative length measures a
// zero-terminated name. Positions are 1-based.

// Get by name.
int rsogetc(qor_list_id list, const char* name, int length, RSOCHAR* out);
int rsogets(qor_list_id list, const char* name, int length, int16_t* out);
int rsogetd(qor_list_id list, const char* name, int length, double* out);
int rsogetl(qor_list_id list, const char* name, int length, qor_list_id* out);
// Get by position.
int rsoitmc(qor_list_id list, int position, RSOCHAR* out);
int rsoitms(qor_list_id list, int position, int16_t* out);
int rsoitmd(qor_list_id list, int position, double* out);
int rsoitml(qor_list_id list, int position, qor_list_id* out);
// Append a named item.
int rsoinsc(qor_list_id list, const RSOCHAR* value, const char* name, int length);
int rsoinss(qor_list_id list, int16_t value, const char* name, int length);
int rsoinsd(qor_list_id list, double value, const char* name, int length);
int rsoinsl(qor_list_id list, qor_list_id sublist, const char* name, int length);
// Set the named item (appended when absent).
int rsosetc(qor_list_id list, const char* name, int length, const RSOCHAR* value);
int rsosets(qor_list_id list, const char* name, int length, int16_t value);
int rsosetd(qor_list_id list, const char* name, int length, double value);
int rsosetl(qor_list_id list, const char* name, int length, qor_list_id sublist);
// Insert into a list kept in ascending order (text compared blank-extended, case-sensitive;
// numbers numerically); a value already present is left alone and succeeds.
int rsosric(qor_list_id list, const RSOCHAR* value, const char* name, int length);
int rsosrid(qor_list_id list, double value, const char* name, int length);
// Save a list as the catalog entry "libref.catalog.entry.type" (at most 84 characters) with a
// description, or load such an entry into a list (which keeps its items when the load fails).
int rsosls(const RSKLISTWS* workspace, const char* entry, int entry_length, qor_list_id list,
           const char* description, int description_length);
int rsosll(const RSKLISTWS* workspace, const char* entry, int entry_length, qor_list_id list);
// 0 when the list's "OBJTYPE" equals the type (zero-terminated), else 1 (598/117 for no list,
// 598/120 naming the expected type and the list's "NAME").
int rsoltyp(qor_list_id list, const char* object_type);

// The host information item (QOR_FINFO_MODIFIED, ...) of a file into *value (0 when it cannot be
// had); 1 when the path cannot be given a file reference, else 0.
int zlastmt(const char* path, int length, int item, double* value);
// Offset from 0 of the first of the n bytes equal to c; -1 when none or n < 1.
int64_t vzsetl(const void* bytes, int64_t n, int c);
// Copies n bytes forward one at a time (nothing for n < 1).
void wzbmdi(const void* source, void* destination, int64_t n);
