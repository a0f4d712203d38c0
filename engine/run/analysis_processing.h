// The per-analysis processing record of a run (the analysis work area its phases share), as far
// as the object model reads it: the analysis's kind, its horizon counts and its risk factors.
#pragma once
#include <cstddef>
#include <cstdint>
#include "engine/tables/control_structure.h"

struct RSKANLPROC {
    RSKANALYSIS* analysis;
    uint32_t kind;                   // analysis-type registry code
    uint32_t subkind;                // cash-flow analyses: the kind of simulation they run
    int32_t model_horizons;          // horizons of a model simulation
    int32_t horizons;                // the general horizon count
    RSKVARLINK* factors;             // the analysis's risk factors

    // ---- analysis phases and run factor lists (engine/analyses/) ----
    RSKANLPROC* next;                // the next analysis of the run, in project order
    int32_t ordinal;                 // 1-based position in the run
    int32_t label;                   // 598 message number of the analysis type label
    RSKPROJECT* project;             // its name goes into the run messages
    int32_t failed;                  // 1: skipped by every later phase
    int32_t cell_offset;             // the analysis' area in every cell
    int32_t cell_size;               // bytes of that area (the engine rounds it up to 4)
    struct RSKRUNFACTOR* run_factors_head;
    struct RSKRUNFACTOR* run_factors_tail;
    int32_t run_factor_count;
    int32_t first_state;             // the analysis' first state in the run's state sequence
    int32_t state_count;             // states the analysis generated
    void* work;                      // the kind's work area and its size
    size_t work_size;
    // ---- re-pricing avoidance (engine/run/pricing_*.cpp): simulation results ----
    int32_t draws;                   // draws per case (D); horizons above is H
    uint8_t* unconditional_masks;    // per case, mask bytes each: factors where it differs from case 0
    uint8_t* representative_masks;   // per case: factors that vary among its draws
};
