// Records of the engine's settings that catalog storage also reads: the rows of the three option
// sets and the entries of the search path.
#pragma once
#include <cstdint>
#include "engine/tables/control_structure.h"

// Value types of options.
enum : int32_t { RSKOPT_NONE = 1, RSKOPT_REAL = 2, RSKOPT_INTEGER = 3, RSKOPT_BOOLEAN = 4, RSKOPT_TEXT = 5 };

// One row of an option set (a code registry of RSKCON); row 0 of each set is not an option.
struct RSKOPTROW {
    int32_t code;
    int32_t value_type;              // RSKOPT_*
    char name[12];
    uint16_t name_length;
    char description[60];
    uint16_t description_length;
    double minimum;
    double maximum;
};

// The registries of RSKCON that hold the analysis, output and system option sets.
enum : int { RSKREG_OPTION_ANALYSIS = 27, RSKREG_OPTION_OUTPUT = 28, RSKREG_OPTION_SYSTEM = 29 };

// One directory of the search path with the library reference assigned to it.
struct RSKPATHENTRY {
    RSKPATHENTRY* next;
    RSKPATHNAME path;
    char libref[8];                  // blank-padded
};
