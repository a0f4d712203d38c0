// The analysis record as far as the object model's tests of analyses read it: its kind, the
// subtype of a cash-flow analysis and its counts of output variables.
#pragma once
#include <cstdint>
#include "engine/tables/control_structure.h"

struct RSKANALYSIS {
    RSKANALYSIS* next;               // free-list link
    RSKOBJNAME name;
    uint32_t kind;                   // analysis-type registry code
    uint32_t subtype;                // kind 13: the kind of valuation it is based on
    int32_t output_count;            // output variables
    int32_t simulation_output_counts[3];  // further output variables of a simulation
};
