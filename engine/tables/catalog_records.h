// Records of catalog storage that the engine also reads: the environment record RSKENV and
// the catalog object header RSKCATOBJ that stands for each object of an environment.
#pragma once
#include <cstdint>
#include "engine/tables/control_structure.h"

// An environment: a catalog of objects in a library, with its own rights.
struct RSKENV {
    RSKOBJNAME name;                 // two-level name's catalog part, as messages show it
    char libref[8];                  // library reference of the environment's directory
    RSKPATHNAME path;                // the directory
    RSKPROPS properties;             // description
    RSKRIGHTS rights;

    // Catalog object frame: the environment's catalog while it is open for indexing (reads and
    // saves of its objects then go through it); null otherwise.
    struct qor_catalog* open_catalog;
};

// Object kinds of catalog storage that have a table in the environment's object tables.
enum : int32_t {
    RSKKIND_FUNDCLASS = 2,
    RSKKIND_MODPARMS = 4,
    RSKKIND_MODSPEC = 6,
    RSKKIND_INSTTYPE = 8,
    RSKKIND_TSOURCE = 9,
    RSKKIND_FILTER = 10,
    RSKKIND_VARIABLE = 12,
    RSKKIND_TDATA = 13,
    RSKKIND_REPORT = 17,
    RSKKIND_TIMEGRID = 18,
    RSKKIND_PARMATRIX = 21,
    RSKKIND_CALENDAR = 22,
    RSKKIND_TRANSTATS = 23,
    RSKKIND_TRANSFORMATION = 24,
    RSKKIND_WEBREPORT = 25,
    RSKKIND_PROJECT = 30,
    RSKKIND_PACKAGE2 = 32,
    RSKKIND_PACKAGE = 33,
    RSKKIND_ANALYSIS = 34,
    RSKKIND_CROSSCLASS = 35,
    RSKKIND_PRATESET = 36,
    RSKKIND_TFILE = 37,
    RSKKIND_INPUTDS = 38,
    RSKKIND_OUTPUT = 39,
    RSKKIND_COUNT = 41,
};

// States of a catalog object.
enum : uint32_t {
    RSKCATOBJ_OWN = 1,               // defined only in the current environment
    RSKCATOBJ_INHERITED = 2,         // held by an ancestor only
    RSKCATOBJ_OVERRIDDEN = 3,        // an ancestor's object redefined in the current environment
};

// The symbol record of an object kind's table: one per object, loaded or not.
struct RSKCATOBJ {
    RSKCATOBJ* link;                 // free-list link
    RSKOBJNAME name;                 // the table's key
    int32_t kind;
    RSKOBJNAME member_name;          // catalog member the object is stored under
    RSKENV* environment;             // environment holding the object's entry
    uint32_t state;
    void* object;                    // the engine's in-memory record; null until loaded
    RSKPROPS properties;
    uint8_t has_properties;
    RSKRIGHTS rights;
};
