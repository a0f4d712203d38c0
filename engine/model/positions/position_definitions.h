// Position data set definitions (INSTDATA, catalog kind 13) and position sources (SOURCES,
// catalog kind 9): the records, their look-up, definition, mappings and listings. Routines that
// add to or remove from a definition take its object, as the define routines hand it out; those
// that empty, free or print take the record.
#pragma once
#include <cstdint>
#include "engine/model/positions/mapping_cells.h"
#include "engine/tables/catalog_records.h"
#include "engine/tables/control_structure.h"

struct RSKNAMECELL;

// Layout formats of position data sets (registry of data set formats).
enum : uint32_t {
    RSKDSFORMAT_SIMPLE = 1,
    RSKDSFORMAT_SPARSE = 2,
    RSKDSFORMAT_CASH_FLOW = 3,
    RSKDSFORMAT_QUADRATIC = 4,
};

struct RSKTDATA {
    RSKTDATA* next;                  // free-list link
    RSKOBJNAME name;
    uint32_t format;                 // RSKDSFORMAT_*
    RSKOBJNAME instrument_type;      // empty when none
    RSKPATHNAME dataset;             // the data set as named (the object's name when none given)
    RSKMAPLIST mappings;             // column -> variable, in order of definition
};

struct RSKTSOURCE {
    RSKTSOURCE* next;                // free-list link
    RSKOBJNAME name;
    uint32_t count;                  // data set names in the list
    RSKNAMECELL* head;               // names of position data set definitions, in order
    RSKNAMECELL* tail;
};

// The position data set definition object (kind 13) of that name, or null.
RSKCATOBJ* rskdat(RSKCON* con, const RSKNAMEREC* name);
// Defines or redefines a position data set definition. Without `object` it is found or created
// through catalog storage. The data set is `dataset`, else the object's name; a data set not found
// along the search path is reported (598/1015) and the definition kept. An instrument type is
// checked unless a catalog load runs: unknown 598/1010; with a format other than Simple 598/1018
// and the type is dropped. *out receives the object. 0, or 1 (no memory or a catalog refusal).
int rskdatd(RSKCON* con, RSKCATOBJ** out, const RSKNAMEREC* name, uint32_t format, const RSKNAMEREC* type_name,
            const RSKNAMEREC* dataset, RSKCATOBJ* object);
// Maps a column to an input variable of the definition held by `object` (checks unless a
// conversion runs). 0, or 1 after a message.
int rskdata(RSKCON* con, RSKCATOBJ* object, const RSKNAMEREC* variable, const RSKNAMEREC* column);
// Removes the mapping of a variable: 0, or 1 when there is none.
int rskdatr(RSKCON* con, RSKCATOBJ* object, const RSKNAMEREC* variable);
// Empties the mapping list. 0.
int rskdatc(RSKCON* con, RSKTDATA* definition);
// Empties the definition and gives its record back to the free list. 0.
int rskdatf(RSKCON* con, RSKTDATA* definition);
// Prints the definition. 0.
int rskdatp(RSKCON* con, const RSKTDATA* definition);

// The position source object (kind 9) of that name, or null.
RSKCATOBJ* rskpos(RSKCON* con, const RSKNAMEREC* name);
// Defines or redefines a position source (its list emptied). 0, or 1.
int rskposd(RSKCON* con, RSKCATOBJ** out, const RSKNAMEREC* name, RSKCATOBJ* object);
// Appends a data set definition's name to the source held by `object`. 0, or 1 when out of memory.
int rskpdsd(RSKCON* con, RSKCATOBJ* object, const RSKNAMEREC* dataset);
// Removes the named data set definition: 0, or 1 when absent.
int rskpdsr(RSKCON* con, RSKCATOBJ* object, const RSKNAMEREC* dataset);
// Empties the list. 0.
int rskposc(RSKCON* con, RSKTSOURCE* source);
// Empties the source and gives its record back to the free list. 0.
int rskposf(RSKCON* con, RSKTSOURCE* source);
// Prints the source's list of names. 0.
int rskposp(RSKCON* con, const RSKTSOURCE* source);
// Prints each data set definition of the source (loaded from the catalog when needed). 0.
int rskpdsp(RSKCON* con, const RSKTSOURCE* source);
