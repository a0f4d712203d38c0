// The catalog object frame: member types of the object kinds, the list workspace, and defining,
// saving, loading, deleting and indexing the objects of an environment's catalog.
#pragma once
#include <cstdint>

#include "catalog/catalog_lists.h"
#include "engine/tables/catalog_records.h"

struct qor_catalog;

// Member type of each kind, 8 characters blank-padded and a zero byte; the row is the kind.
extern const char RSKCATENTRIES[RSKKIND_COUNT][9];

// The description field of a catalog member: a 16-bit length and up to 256 bytes of text. An
// object's entry holds the object's name there, so indexing recovers names a member name
// cannot hold.
struct RSSMEMDESC {
    int16_t length;
    char text[256];
};

// The shapes of every kind's pair of list routines. A writer appends the object's own items
// (after "OBJTYPE" and "NAME", which it writes too); a reader rebuilds the object through the
// engine from such a list, stores it in `header` and hands the header to `out` when given.
using RSSWRITER = int (*)(RSKCON* con, void* object, qor_list_id list, RSKLISTWS* workspace, int, int);
using RSSREADER = int (*)(RSKCON* con, qor_list_id list, RSKLISTWS* workspace, int, int, RSKCATOBJ** out,
                          RSKCATOBJ* header);

// The control structure's list workspace, made on first use; the step ends (exit code 1008)
// when it cannot be made, so the result is never null.
RSKLISTWS* rss_list_workspace(RSKCON* con);
// A new empty list in the workspace; 0 after 598/113 naming the routine when there is no memory.
qor_list_id rss_new_list(RSKLISTWS* workspace, const char* routine);
// Deletes a list made by rss_new_list (0 does nothing).
void rss_free_list(qor_list_id list);

// Slot 48: the member type of a kind; 8 blanks and 1 for a kind outside the table.
int rssobex(int32_t kind, char* type_out);
// The kind whose member type equals the 8-character type (any case); -1 when none does.
int rssobfx(const char* type);
// Slot 49: the text naming a kind (at most 40 characters) into `text_out`; its length, or -1
// after 598/3100 for a kind without one.
int rssobds(int32_t kind, char* text_out);

// Slot 53 (DEFINE_OBJECT): finds or creates the header of an object about to be defined in the
// current environment; 0 and the header in *out, or 1 (null) after its message.
int rssofid(RSKCON* con, RSKCATOBJ** out, const RSKNAMEREC* name, const RSKNAMEREC* description,
            int32_t kind);
// Slot 54 (SAVE_OBJECT): stores the object. A given list is stored with PROPERTIES, SECURITIES
// and VERSION added and is left to the caller; with 0 the kind's writer builds the list.
int rssofis(RSKCON* con, RSKCATOBJ* header, qor_list_id list);
// Slot 57 (LOAD_OBJECT): the in-memory object, loaded first when needed; access 0 skips the
// rights check, 4 read, 2 write, 1 run. Null after its message on every failure.
void* rssofiq(RSKCON* con, RSKCATOBJ* header, int access);
// Slot 55: deletes the object from memory and from its environment's catalog.
int rssofif(RSKCON* con, RSKCATOBJ* header);
// Slot 56: reads the object's catalog entry into the list; 1 after 598/3104 on failure.
int rssofil(RSKCON* con, RSKCATOBJ* header, qor_list_id list);
// Slot 51: indexes the objects of one environment's catalog.
int rssoflo(RSKCON* con, RSKENV* environment);
// Slot 52: indexes every environment of the current chain, ancestors first, then rebuilds what
// depends on the objects; the sum of the codes.
int rssofli(RSKCON* con);
// Slot 122: reads one member of an open catalog into a list (the list keeps its items when the
// read fails).
int rssoflr(RSKLISTWS* workspace, qor_catalog* catalog, qor_list_id list, const RSKNAMEREC* member,
            const char* type, int flags);
// Writes a list as one member of an open catalog with the given description (null: the
// member's present one). A failed write leaves the member as it was.
int rssoflw(RSKLISTWS* workspace, qor_catalog* catalog, qor_list_id list, const RSKNAMEREC* member,
            const char* type, const RSSMEMDESC* description);
// Slot 50: deletes one member of the catalog libref.catalog (the library reference and the type
// are 8 characters, blank-padded). A member that is not there counts as deleted.
int rssoflf(RSKCON* con, const char* libref, const char* catalog, int catalog_length, const char* member,
            int member_length, const char* type);
