// Records of catalog storage that the engine also reads: the environment record RSKENV and
// the catalog object header RSKCATOBJ that stands for each object of an environment.
#pragma once
#include <cstdint>
#include "engine/tables/control_structure.h"

struct RSKENV;

// One cell of a parent list or of the flattened inheritance list: doubly linked, naming one
// environment record.
struct RSKENVCELL {
    RSKENVCELL* next;
    RSKENVCELL* previous;            // in the flattened list: the next element towards the end
    RSKENV* environment;
};

constexpr int kRskEnvSymbolCapacity = 41;    // "LIBREF.NAME": 8 + 1 + 32

// An environment: a catalog of objects in a library (with a data set and index of the same
// name), its parents, its output path and its own rights. Records come from a free list.
struct RSKENV {
    RSKOBJNAME name;                 // the catalog's name, as messages show it
    char libref[8];                  // library reference of the environment's directory
    RSKPATHNAME path;                // the directory, without a trailing '/'
    RSKPROPS properties;             // description (points at description_buffer)
    RSKRIGHTS rights;
    // Environment catalog storage (catalog/environment_*.cpp) -----------------------------
    RSKENV* free_link;               // next free record while on the free list
    RSKPATHNAME catalog_file;        // full file name of the catalog
    int16_t directory_length;        // directory part of catalog_file, with its '/'
    int16_t symbol_length;
    char symbol[kRskEnvSymbolCapacity];   // two-level name "LIBREF.NAME", upper case
    void* open_library;              // open catalog while the environment is converted
    char description_buffer[kRskDescriptionLimit];
    int32_t use_count;               // parent lists of other environments that hold this one
    RSKENVCELL* parents_head;
    RSKENVCELL* parents_tail;
    int32_t stored_parent_count;     // items of the stored INHERIT sublist
    RSKPATHNAME outpath;             // directory of outputs and portfolio files, ending in '/'
    char outpath_libref[8];          // blank or NUL until the output path is assigned
    double modified;                 // catalog file time when last read or saved (0: none)
    int64_t stamp;                   // change stamp of the catalog when last read or saved
    uint8_t stamp_recorded;          // stamp holds a value
    char engine[8];                  // the library's engine, blank padded

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
