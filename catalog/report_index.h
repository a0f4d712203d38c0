// The report index: one entry per report that an environment of the chain lists in its
// environment data set (rows APPLNAME, APPLTYPE, DESCRIPT and optionally REPTYPE), keyed by its
// description, with the environment that owns it and its report type code.
#pragma once
#include <cstdint>

#include "engine/tables/catalog_records.h"
#include "engine/tables/control_structure.h"

// Origins of an entry.
enum : int32_t {
    RSKREPORT_FIRST_CURRENT = 1,     // first defined by the current environment
    RSKREPORT_OTHER = 2,             // defined or redefined by another environment of the chain
    RSKREPORT_REDEFINED = 3,         // present already and redefined by the current environment
};

struct RSKREPINDEX {
    RSKREPINDEX* next;               // free-list link
    RSKOBJNAME name;                 // the description, cut to 32 characters
    int32_t kind;                    // always 1
    RSKOBJNAME application;          // APPLNAME, stripped
    char application_type[8];        // APPLTYPE, blank-padded
    RSKENV* environment;             // the environment whose row defines it
    int32_t origin;                  // RSKREPORT_*
    int32_t type_code;               // report type code, 0 when none
};

// Records taken when the free list runs dry.
constexpr int kRskReportIndexChunk = 20;

// Reads the report rows of one environment into the index: 0, or 1 when no record could be had.
int load_report(RSKCON* con, RSKENV* environment);
