// Reports and web reports: batch reports name a host-language source file run after a project;
// web reports name a result display, store bookmarks and mail a link to their addressees.
#pragma once
#include <cstddef>
#include <cstdint>
#include "engine/tables/catalog_records.h"

struct RSKREPORT {
    RSKREPORT* next;                 // free-list link
    RSKOBJNAME name;
    RSKPATHNAME path;                // the source file
    RSKOBJNAME type;
    RSKOBJNAME sample_output;
    // Catalog storage's report index: the code of the report's type text (0 when none).
    int32_t type_code;
};

// Web report kinds.
enum : int32_t { RSKWEB_SIMDENS = 0, RSKWEB_PLCURVE = 1, RSKWEB_PLSURFACE = 2, RSKWEB_KIND_COUNT = 3 };

struct RSKWEBREP {
    RSKWEBREP* next;                 // free-list link
    RSKOBJNAME name;
    RSKOBJNAME category;
    uint8_t bookmark;                // store a bookmark when run
    RSKNAMEREC description;          // these texts and the addressees live in `texts`, owned by
    RSKNAMEREC web_host;             // the record: the caller's strings are copied
    RSKNAMEREC code_base;
    int32_t kind;                    // RSKWEB_*
    int32_t addressee_count;
    RSKNAMEREC* addressees;          // one text reference per addressee; null when none
    char* texts;                     // one block from the general pool: the addressee array,
    size_t texts_size;               // then every text; given back whole by rskwebf
    // Catalog storage's report index: the code of the report's type text (0 when none).
    int32_t type_code;
};

// What a web report run needs of the run: the names its link and bookmark carry.
struct RSKWEBRUN {
    RSKNAMEREC environment;
    RSKNAMEREC project;
    RSKNAMEREC output;               // the output object
};

// The three-character code and display name of a web report kind; null for an unknown kind.
struct RSKWEBKIND {
    const char* code;                // "SIM", "PLC", "PLS"
    const char* display;             // "SimDens", "PLCurve", "PLSurf"
    int display_length;
};
const RSKWEBKIND* rskweb_kind(int32_t kind);

// The report object (catalog object of kind 17) of that name, or null.
RSKCATOBJ* rskrep(RSKCON* con, const RSKNAMEREC* name);
// Defines or redefines a report; a web report or host-product report of that name refuses it
// (1). A path that cannot be found gives warning 598/1922 and is stored all the same. 0, or 1.
int rskrepd(RSKCON* con, RSKCATOBJ** out, const RSKNAMEREC* name, const RSKNAMEREC* catalog_argument,
            const RSKNAMEREC* path, const RSKNAMEREC* type, const RSKNAMEREC* sample_output, RSKCATOBJ* object);
// Zeroes the record and gives it back to the free list. 0.
int rskrepf(RSKCON* con, RSKREPORT* report);
// Lists the report. 0.
int rskrepp(RSKCON* con, RSKREPORT* report);
// Runs the report's source file now: 0, or 1 when it could not be found or failed.
int rskrepr(RSKCON* con, RSKREPORT* report);

// The web report object (catalog object of kind 25) of that name, or null.
RSKCATOBJ* rskweb(RSKCON* con, const RSKNAMEREC* name);
// Defines or redefines a web report; a batch report or host-product report of that name refuses
// it (1). Every text and the addressees are copied into one block the record owns. 0, or 1.
int rskwebd(RSKCON* con, RSKCATOBJ** out, const RSKNAMEREC* name, const RSKNAMEREC* description,
            const RSKNAMEREC* category, const RSKNAMEREC* web_host, const RSKNAMEREC* code_base, int kind,
            const RSKNAMEREC* addressees, int addressee_count, int bookmark, RSKCATOBJ* object);
// Gives the texts back to the pool, zeroes the record and gives it back to the free list. 0.
int rskwebf(RSKCON* con, RSKWEBREP* report);
// Lists the web report. 0.
int rskwebp(RSKCON* con, RSKWEBREP* report);
// Runs a web report for a run: the bookmark when asked for, then the mail to the addressees.
// 0; the submission's failing result; 1 when a line does not fit or the bookmark failed.
int rskwebr(RSKCON* con, RSKWEBREP* report, const RSKWEBRUN* run);

// Stores a bookmark of the web report for the run as library.DEZERIVO.<code>_<n>.SLIST: 0; -1 no
// bookmark library, -2 the catalog cannot be opened, -3 no free name within 32 characters, -4 the
// list could not be made or written.
int rskweb_bookmark(RSKCON* con, const RSKWEBREP* report, const RSKWEBRUN* run, const char* stamp,
                    int stamp_length);
