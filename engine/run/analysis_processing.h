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

    // ---- run preparation and market states (engine/run/project_run*, run_preparation_*) ----
    double valuation_date;           // the analysis's state date, set before its states are made
    int32_t price_first;             // first index in the run's list of states to price
    int32_t price_count;             // states the analysis added to that list
    int32_t case_first_state;        // read-back simulations: where the states of case 1 begin
    RSKVARLINK* variables;           // the variables the analysis uses
    RSKVARLINK* references;          // the risk-factor references it flags

    // ---- re-pricing avoidance (engine/run/pricing_*.cpp): simulation results ----
    int32_t draws;                   // draws per case (D); horizons above is H
    uint8_t* unconditional_masks;    // per case, mask bytes each: factors where it differs from case 0
    uint8_t* representative_masks;   // per case: factors that vary among its draws
    // ---- results utility file (engine/files/results_file.*) ----
    int32_t build_count;             // set by the build phase; stored, not checked
    int32_t size_field;              // combined by maximum when members are read
    int32_t simulation_size;
    int32_t missed_rows;             // rows of missed-value counts (each `horizons` long)
    int32_t further_count;           // taken over on reading
    int32_t outvar_field;            // taken over on reading
    int32_t outvar_max;              // combined by maximum on reading
    int64_t state_counters[4];
    uint8_t result_flags;            // the definition's result flag byte
    uint32_t* missed;                // missed-value table, sized once on first use
    int32_t missed_table_rows;       // its shape
    int32_t missed_table_horizons;
    struct RSKRESOUTV* outv_head;    // output-variable entries read back, in file order
    int32_t outv_count;
    // ---- roll-up, finish and output (engine/run/run_rollup*, run_finish*): the result's
    // post-pricing table and the post-valuation cumulative cash-flow vector ----
    struct RSKPPENTRY* postprice_table;      // entries x 24 bytes, zero-filled
    int32_t postprice_entries;
    double** postprice_outvars;              // post-priced variables + 1 words
    int32_t postprice_count;
    double* cumulative_cf;                   // 8 bytes per cash-flow date
};
