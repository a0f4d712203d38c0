// Position filters (named WHERE expressions over variables that select the positions a project
// reads) and statistics lists (named lists of portfolio statistics a project computes).
#pragma once
#include <cstddef>
#include <cstdint>
#include "engine/tables/catalog_records.h"
#include "engine/tables/control_structure.h"

// The longest expression a filter holds: the stored form keeps its length in 16 bits, and one
// byte more is its terminating NUL.
constexpr size_t kRskFilterTextLimit = 65534;

// A position filter. The expression text is one block of the current pool; the end offsets say
// where each WHERE expression of the text ends (expression i runs from one character after the
// end of expression i-1 to its own end), so that the filter can be shown and stored as written.
struct RSKFILTER {
    RSKFILTER* next;                 // free-list link
    RSKOBJNAME name;
    uint32_t text_capacity;          // bytes of `text` (length + 1 once set), 0 = none
    uint32_t text_length;
    char* text;                      // NUL-terminated; owned by the record
    int32_t* ends;                   // end offsets of the expressions in `text`; owned
    uint32_t end_count;              // words in `ends`, 0 = none
};

// One statistic of a statistics list: the statistic type (statistic-type registry), the variable
// it is taken of and the name of its result.
struct RSKSTATENTRY {
    RSKSTATENTRY* next;
    RSKOBJNAME variable;
    RSKOBJNAME result;
    int32_t type;
};

struct RSKTRANSTATS {
    RSKTRANSTATS* next;              // free-list link
    RSKOBJNAME name;
    RSKSTATENTRY* head;
    RSKSTATENTRY* tail;
    int32_t count;
};

// Combining modes of rskwhra.
enum : int {
    RSKWHR_AND = 1,                  // "(old) AND (new)"
    RSKWHR_APPEND = 2,               // "old new"
    RSKWHR_OR = 3,                   // "(old) OR (new)"; any other mode does the same
};

// Results of rskwhrv besides 0.
enum : int {
    RSKWHR_PARSE_FAILED = 8601,      // not a valid WHERE expression
    RSKWHR_NAME_FAILED = 8602,       // a name that is no variable a filter may use
};

// ---- Position filters ----

// The filter object (catalog object of kind 10) of that name, or null.
RSKCATOBJ* rskwhr(RSKCON* con, const RSKNAMEREC* name);
// Defines or redefines a filter. Without `object`, the object is found or created through catalog
// storage with `catalog_argument` (1 when that fails). A filter already on the object is emptied
// and renamed. *out (may be null) receives the object. 0, or 1 (no memory: 598/2797 once).
int rskwhrd(RSKCON* con, RSKCATOBJ** out, const RSKNAMEREC* name, const RSKNAMEREC* catalog_argument,
            RSKCATOBJ* object);
// Combines a further expression into the filter by `mode` (RSKWHR_AND, RSKWHR_APPEND, RSKWHR_OR).
// 0; 1 when memory is exhausted or the result would pass kRskFilterTextLimit (598/2182), the
// filter then unchanged.
int rskwhra(RSKCON* con, RSKFILTER* filter, const RSKNAMEREC* expression, int mode);
// Sets the filter's expression and its end offsets from copies the filter owns (the caller keeps
// its own blocks). 0, or 1 (too long: 598/2182; no memory: 598/2797 once), the filter then unchanged.
int rskwhru(RSKCON* con, RSKFILTER* filter, const RSKNAMEREC* expression, const int32_t* ends, int end_count);
// Checks the expression against the variables a filter may use: 0, RSKWHR_PARSE_FAILED or
// RSKWHR_NAME_FAILED. Prints nothing.
int rskwhrv(RSKCON* con, const RSKFILTER* filter);
// Returns the expression text and the end offsets to the pool and zeroes those fields. 0.
int rskwhrc(RSKCON* con, RSKFILTER* filter);
// Empties the filter and gives its record back to the free list. 0.
int rskwhrf(RSKCON* con, RSKFILTER* filter);
// Prints the filter's name and expression (598/2181, 598/2183). 0.
int rskwhrp(RSKCON* con, const RSKFILTER* filter);

// ---- Statistics lists ----

// The statistics list object (catalog object of kind 23) of that name, or null.
RSKCATOBJ* rsktsg(RSKCON* con, const RSKNAMEREC* name);
// Defines or redefines a statistics list, as rskwhrd does for filters; a list already on the
// object is emptied. 0 or 1.
int rsktsgd(RSKCON* con, RSKCATOBJ** out, const RSKNAMEREC* name, const RSKNAMEREC* catalog_argument,
            RSKCATOBJ* object);
// Appends a statistic: its type, the variable's name and the result's name (length < 0:
// NUL-terminated; an empty result name is kept empty). 0, or 1 (no variable name, no memory).
int rsktsga(RSKCON* con, RSKTRANSTATS* list, int type, const char* variable, int variable_length,
            const char* result, int result_length);
// Gives the entries back to their free list and empties the list. 0.
int rsktsgc(RSKCON* con, RSKTRANSTATS* list);
// Empties the list and gives its record back to the free list. 0.
int rsktsgf(RSKCON* con, RSKTRANSTATS* list);
// Prints the list: name, number of statistics, one line per statistic. 0.
int rsktsgp(RSKCON* con, const RSKTRANSTATS* list);
