// The output object's records (RSKOUTOBJ and its file entries), shared by the engine's output
// routines and the catalog's list form of outputs.
#pragma once
#include <cstdint>

#include "engine/tables/catalog_records.h"
#include "engine/tables/control_structure.h"

// Kinds of file an output object lists.
enum : int32_t { RSKOUTFILE_DATA = 0, RSKOUTFILE_MDDB = 1, RSKOUTFILE_CUBE = 2 };

// Roles of an output object during a run: what note 598/1400 calls it.
enum : int32_t {
    RSKOUTROLE_RESULTS = 0, RSKOUTROLE_STATES = 1, RSKOUTROLE_VALUES = 2, RSKOUTROLE_AGGREGATIONS = 3,
    RSKOUTROLE_RESULTS2 = 4,
};

// One result file of an output object. Entries come from the file-entry free list.
struct RSKOUTFILE {
    RSKOUTFILE* next;
    int32_t file_kind;               // RSKOUTFILE_*
    int32_t result_kind;             // the result data set kind it was written for
    RSKOBJNAME member;               // member name in the object's library
    RSKPATHNAME path;                // the file's path
};

struct RSKOUTOBJ {
    RSKOUTOBJ* next;                 // free-list link (only while free)
    int32_t role;                    // RSKOUTROLE_*
    uint8_t stored;                  // 1 the run writes into it, 0 it reads earlier results
    RSKOBJNAME name;
    int16_t path_length;             // the object's own directory; 0 = not made or verified
    char* path;                      // points at path_buffer
    char path_buffer[kRskPathCapacity];
    char libref[8];                  // blank-padded libref of the directory while a run uses it
    RSKPATHNAME destination;         // the parent directory named in the definition (DESTINPATH)
    RSKOBJNAME project_name;
    double run_time;                 // host date-time of the run
    RSKOBJNAME run_name;
    RSKOUTFILE* files_head;
    RSKOUTFILE* files_tail;
    int32_t file_count;
    uint8_t keep_files;              // deleting the object leaves its files alone
    RSKCATOBJ* header;               // the catalog object it hangs on (its environment)
};
