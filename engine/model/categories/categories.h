// Risk-factor categories (named groups of risk factors) and cross-classifications (ordered
// hierarchies of class variables over which results are aggregated).
#pragma once
#include <cstdint>
#include "engine/tables/catalog_records.h"
#include "engine/tables/control_structure.h"

// A member of a category: the risk factor it names.
struct RSKMEMBERLINK {
    RSKMEMBERLINK* next;
    RSKVARIABLE* variable;
};

struct RSKCATEGORY {
    RSKCATEGORY* next;               // free-list link
    RSKOBJNAME name;
    RSKMEMBERLINK* head;
    RSKMEMBERLINK* tail;
    uint32_t count;
};

// A class variable of a hierarchy, with its crossing marker.
struct RSKHIERCELL {
    RSKHIERCELL* next;
    RSKOBJNAME name;
    uint32_t marker;                 // 0 or 1
    // Aggregation (engine/output/aggregation_*): the variable the name resolved to when the
    // aggregation was last built from this hierarchy.
    RSKVARIABLE* variable;
};

struct RSKHIERARCHY {
    RSKHIERARCHY* next;
    RSKHIERCELL* head;
    RSKHIERCELL* tail;
    uint32_t count;
};

struct RSKCROSSCLASS {
    RSKCROSSCLASS* next;             // free-list link
    RSKOBJNAME name;
    RSKHIERARCHY* head;
    RSKHIERARCHY* tail;
    uint32_t count;
    uint8_t has_altype;              // some hierarchy holds the system variable ALtype
    // Aggregation (engine/output/aggregation_*): requests of the run, overwritten by the build
    // with 1-based class-variable indexes. al_request non-zero adds ALtype as a class variable;
    // special_as_class non-zero makes the special variable an ordinary class variable (0 after
    // the build when it already was one).
    int32_t al_request;
    int32_t special_as_class;
};

// The category of that name, or null.
RSKCATEGORY* rskcat(RSKCON* con, const RSKNAMEREC* name);
// Defines a category: an existing one is emptied and renamed, else one is taken and entered in
// the category table. *out (may be null) receives it. 0, or 1 when out of memory.
int rskcatd(RSKCON* con, const RSKNAMEREC* name, RSKCATEGORY** out);
// Appends a member. 0, or 1 when out of memory.
int rskcata(RSKCON* con, RSKCATEGORY* category, RSKVARIABLE* variable);
// Gives the members back to their free list and zeroes the record. 0.
int rskcatc(RSKCON* con, RSKCATEGORY* category);
// Clears every category, gives each back to the free list and empties the table. 0.
int rskcatf(RSKCON* con);
// Prints every category with its members. 0.
int rskcatp(RSKCON* con);

// The cross-classification object (catalog kind 35) of that name, or null.
RSKCATOBJ* rskccs(RSKCON* con, const RSKNAMEREC* name);
// Defines a cross-classification: without `symbol` the object is found or created through
// catalog storage with `catalog_argument`; a record already on it is cleared and renamed, else one
// is taken. *out receives the object (null on failure). 0, or 1.
int rskccsd(RSKCON* con, RSKCATOBJ** out, const RSKNAMEREC* name, const RSKNAMEREC* catalog_argument,
            RSKCATOBJ* symbol);
// Appends an empty hierarchy, handed back through *out. 0, or 1 when out of memory.
int rskccsa(RSKCON* con, RSKCROSSCLASS* cross, RSKHIERARCHY** out);
// Appends a class variable to a hierarchy (marker 1 when non-zero). 0, or 1 for a name that is
// unknown (598/1162), out of memory, or not allowed (598/1163).
int rskhier(RSKCON* con, RSKCROSSCLASS* cross, RSKHIERARCHY* hierarchy, const RSKNAMEREC* name, int marker);
// Gives back every hierarchy with its cells and resets the list, the count and the ALtype flag. 0.
int rskccsc(RSKCON* con, RSKCROSSCLASS* cross);
// Clears, zeroes and gives the record back to its free list. 0.
int rskccsf(RSKCON* con, RSKCROSSCLASS* cross);
// Prints the cross-classification with its hierarchies. 0.
int rskccsp(RSKCON* con, const RSKCROSSCLASS* cross);
