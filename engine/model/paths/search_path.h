// The engine's search path of directories, the library references it assigned, and the
// set-up of the standard libraries and the search path at start-up.
#pragma once
#include "common/files/names.h"
#include "engine/tables/control_structure.h"
#include "engine/tables/settings_records.h"
#include "engine/model/paths/environment_expansion.h"


constexpr int kRskPathEntryChunk = 20;

// --- The list (rskpath_list.cpp) ---
// Adds a directory (negative length: NUL-terminated) at the tail (append) or the head. Appending
// a directory already listed changes nothing. The directory must exist (598/1458). A library
// reference is assigned to it unless one is given. 0 | 1.
int rskpthd(RSKCON* con, const char* path, int length, int append, const char* libref);
// Empties the search path; its entries go back to the free list. 0.
int rskpthf(RSKCON* con);
// Removes the entry whose full path equals the given one: 0; 1 when none matches.
int rskpthr(RSKCON* con, const char* path, int length);
// Lists the search path on the print file (598/94, then 598/98 per entry). 0.
int rskpthp(RSKCON* con);

// --- Library references the engine assigned (rskpath_librefs.cpp) ---
// Remembers a library reference for de-assignment at termination: 0; 1 when out of memory.
int rskpths(RSKCON* con, const char* libref);
// De-assigns a remembered library reference and frees its entry. 0.
int rskptlr(RSKCON* con, const char* libref);
// De-assigns every remembered library reference (termination without KEEPLIB).
void rskptla(RSKCON* con);

// --- Path items (rskpath_expand.cpp) ---
// Expands one item and appends it to the search path: 0 | 1.
int add_one_path(RSKCON* con, const char* text, int length);
// Adds the items of a SEARCH_PATH value: one path, or "(" items separated by white space ")",
// an item in single or double quotes running to its closing quote. 0.
int process_search_path(RSKCON* con, const char* text, int length);
// The items of a list value lie between `begin` and `end`: after a leading "(" up to the last ")"
// (the end of the text when there is none), or the whole text.
void path_list_bounds(const char* text, int length, const char** begin, const char** end);
// The next item from *cursor (moved past it), separated by white space; an item in quotes runs
// to its closing quote, which is dropped. Its length, or -1 at the end.
int next_path_item(const char** cursor, const char* end, const char** item);
// Adds a library's physical path: the quoted items of a "(...)" list, else the path itself. 0.
int add_search_paths(RSKCON* con, const char* text, int length);
// Drops one closing quote at the end and one opening quote at the start; the new length.
int strip_path_quotes(const char* text, int length, const char** start);

// --- Start-up (rskpath_setup.cpp) ---
// The work path, the search path and the standard libraries DEZERIVO and RISKSAMP: the result
// of loading the saved search paths.
int open_files(RSKCON* con);

// --- Look-ups (rskpath_find.cpp) ---
// The first search-path entry whose directory holds the member of that type (8 characters;
// "DATA"/"DATASET" also finds a view and then becomes "DATAVIEW"). `out` (QOR_PATH_MAX bytes,
// when given) gets the full name, or the name without directory when not found (null result).
RSKPATHENTRY* rskpth(RSKCON* con, const char* member, int length, char* type, char* out);
// As rskpth for a plain file name.
RSKPATHENTRY* rskpthz(RSKCON* con, const char* file, char* out);

// --- Resolution of specifications (rskpath_resolve.cpp) ---
// A data-set specification for reading ("libref.member", "directory/member" or "member") of a
// member type (8 characters): 0 found, its library in library_out; 2 not found; 1 an error. Under the SEARCH
// option a member missing from its library or directory is looked for along the search path.
// member_out gets the member name; path_out (QOR_PATH_MAX bytes) the name that was tried.
// Messages only when `report` is non-zero.
int rskpthg(RSKCON* con, const RSKNAMEREC* spec, const char* member_type, int for_read,
            char* library_out, member_name* member_out, char* path_out, int report);
// A plain file: the name itself when the file exists, else (under SEARCH) the first directory
// of the search path that holds it; its full name into out (QOR_PATH_MAX bytes). 0 | 1.
int rskpthy(RSKCON* con, const char* spec, char* out, int report);
// Resolves an output specification (zoutfil) and remembers a library reference assigned for it.
int rskpthw(RSKCON* con, const char* spec, int length, const char* type, char* libref,
            member_name* member, char* physical, int report);
