// What the parts of the catalog object frame share: the object table of a kind, headers taken
// from and given back to their free list, the names of an environment's catalog, and the calls
// into each kind's list writer, list reader and engine free routine.
#pragma once
#include <cstdint>
#include <string_view>

#include "catalog/access_rights.h"
#include "catalog/catalog_objects.h"

// Whether the engine keeps an object table for the kind.
bool rss_kind_has_table(int32_t kind);
// The current object table of a kind; null for a kind without one (or no tables yet).
RSKSYMTAB* rss_kind_table(RSKCON* con, int32_t kind);
// A zeroed header from the free list, refilled `chunk` at a time; null after 598/2797 (given once
// per control structure) when no memory is left.
RSKCATOBJ* rss_take_header(RSKCON* con, int chunk);
// Frees the header's property text, zeroes it and puts it back on the free list.
void rss_give_header(RSKCON* con, RSKCATOBJ* header);
// The text naming a kind (0 characters for a kind without one, and no message).
int rss_kind_text(int32_t kind, char* text_out);

// The library reference (without trailing blanks) and catalog name of an environment.
std::string_view rss_env_libref(const RSKENV* environment);
std::string_view rss_env_catalog(const RSKENV* environment);
// "libref.catalog.member.type", the name of the entry that holds an object of `kind` stored as
// `member` in the environment's catalog, NUL-terminated (at most 84 characters); its length.
constexpr int kRssEntryNameLimit = 84;
int rss_entry_name(const RSKENV* environment, const RSKNAMEREC* member, int32_t kind,
                   char (&out)[kRssEntryNameLimit + 1]);
// The member name under which a header's object is stored: its member name, else its name.
const RSKNAMEREC* rss_member_name(const RSKCATOBJ* header);

// The list writer and reader of a kind (routines of their entry-table slots); null for a kind
// that has none.
RSSWRITER rss_writer_of(int32_t kind);
RSSREADER rss_reader_of(int32_t kind);
// Frees an in-memory object through its kind's engine routine; 1 after 598/3100 for a kind
// without one, else the routine's result.
int rss_free_object(RSKCON* con, int32_t kind, void* object);
