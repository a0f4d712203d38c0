// The per-analysis processing record of a run (the analysis work area its phases share), as far
// as the object model reads it: the analysis's kind, its horizon counts and its risk factors.
#pragma once
#include <cstdint>
#include "engine/tables/control_structure.h"

struct RSKANLPROC {
    RSKANALYSIS* analysis;
    uint32_t kind;                   // analysis-type registry code
    uint32_t subkind;                // cash-flow analyses: the kind of simulation they run
    int32_t model_horizons;          // horizons of a model simulation
    int32_t horizons;                // the general horizon count
    RSKVARLINK* factors;             // the analysis's risk factors
};
