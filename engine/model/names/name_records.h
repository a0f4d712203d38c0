// Name records of the engine: fillers for object names, paths and library references, name
// comparison, heap copies of strings, and name lists built from name cells.
#pragma once
#include "engine/tables/control_structure.h"

// A cell of a name list: the link, then an object name.
struct RSKNAMECELL {
    RSKNAMECELL* next;
    RSKOBJNAME name;
};

// Object name (capacity 32). A negative length means a NUL-terminated text. Result 1 for an
// empty name, and for a name longer than 32 (598/97; the first 32 bytes are kept); else 0.
int rskname(RSKCON* con, RSKOBJNAME* rec, const char* text, int length);
// As rskname, then the text in lower case with its first character in upper case.
int rsknamx(RSKCON* con, RSKOBJNAME* rec, const char* text, int length);
// As rskname for a path (capacity 1024).
int rskpnam(RSKCON* con, RSKPATHNAME* rec, const char* text, int length);
// As rskname (capacity 32), for names taken from the catalog.
int copy_cmrname(RSKCON* con, RSKOBJNAME* rec, const char* text, int length);
// As rskname for a library reference (capacity 8).
int copy_libname(RSKCON* con, RSKLIBNAME* rec, const char* text, int length);
// 0 when both names have the same length and text, else 1.
int rsknamc(RSKCON* con, const RSKNAMEREC* a, const RSKNAMEREC* b);
// Heap copy of a string in the general pool: capacity and length equal its length. An empty
// text or no memory (598/2797 once) leave the record empty and give 1.
int rskstr(RSKCON* con, RSKNAMEREC* rec, const char* text, int length);

// Appends a cell named `text` to the list (head, tail). 1 when no cell can be had.
int rsklsta(RSKCON* con, RSKNAMECELL** head, RSKNAMECELL** tail, const char* text, int length);
// Gives every cell of the list back to the name-cell free list and empties the list.
int rsklstf(RSKCON* con, RSKNAMECELL** head, RSKNAMECELL** tail);
