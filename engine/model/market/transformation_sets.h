// Transformation sets (RFTRANS, catalog kind 36): ordered lists of transformation methods,
// linear-transformation parameter matrices and nested sets that a project applies to market data.
#pragma once
#include <cstdint>
#include "engine/tables/catalog_records.h"
#include "engine/tables/control_structure.h"

// Kinds of members.
enum : uint32_t {
    RSKPRS_UNKNOWN = 0,              // not classified yet
    RSKPRS_SET = 1,                  // a transformation set
    RSKPRS_METHOD = 2,               // a transformation method (kind T)
    RSKPRS_MATRIX = 3,               // a parameter matrix flagged as a linear transformation
};

struct RSKPRSMEMBER {
    RSKPRSMEMBER* next;              // list link; also the free-list link
    uint32_t kind;                   // RSKPRS_*
    RSKOBJNAME name;
    // Filled by the methods compiler when it resolves the set for a run.
    void* resolved;                  // the method, matrix or set record
    int32_t resolved_index;          // its place in the run's action list
};

struct RSKPRATESET {
    RSKPRATESET* next;               // free-list link
    RSKOBJNAME name;
    RSKPRSMEMBER* head;
    RSKPRSMEMBER* tail;
    uint32_t count;
};

// The transformation set object (kind 36) of that name, or null.
RSKCATOBJ* rskprs(RSKCON* con, const RSKNAMEREC* name);
// Defines or redefines a set (members cleared) on the object found or created through catalog
// storage with `description` when `object` is null. *out receives the object. 0, or 1.
int rskprsd(RSKCON* con, RSKCATOBJ** out, const RSKNAMEREC* name, const RSKNAMEREC* description,
            RSKCATOBJ* object);
// Appends a member of the given kind to the set held by `object` and checks it: 0 (also for members not defined yet), 1 (no
// name or no memory), 9 (a method not of kind T or a matrix that is not a linear transformation;
// kept), 8 (a name of no kind; kept with kind 0).
int rskprsa(RSKCON* con, RSKCATOBJ* object, uint32_t kind, const RSKNAMEREC* member);
// Gives every member back to the free list. 0.
int rskprsc(RSKCON* con, RSKPRATESET* set);
// Empties the set and gives its record back to the free list. 0.
int rskprsf(RSKCON* con, RSKPRATESET* set);
// Prints the set. 0.
int rskprsp(RSKCON* con, const RSKPRATESET* set);
