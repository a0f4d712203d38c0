// The analysis record: name, kind and lists that the object model keeps, and the kind-specific
// settings that the analysis definitions fill and the listing prints. One declaration for both.
#pragma once
#include <cstdint>
#include "common/intervals/interval_spec.h"
#include "engine/tables/control_structure.h"

// One risk factor of an analysis definition: a plain factor, a perturbation or a grid. Entries
// come from the analysis-entry free list of RSKFREELISTS.
struct RSKANLFACTOR {
    RSKANLFACTOR* next;
    RSKOBJNAME name;                 // the variable as written in the definition
    double value;                    // perturbation amount, or the grid's upper end
    double minimum;                  // the grid's lower end
    uint32_t points;                 // grid points
    uint32_t perturbation_type;      // perturbation registry: 1 val, 2 abs, 3 rel, 4 std
    uint8_t active;                  // 0 once a later entry of the same factor or pair replaced it
};

// Analysis kinds of the analysis-type registry.
enum : uint32_t {
    RSKANL_MTM = 1, RSKANL_SENSITIVITY = 2, RSKANL_PLCURVE = 3, RSKANL_PLSURFACE = 4,
    RSKANL_SCENARIO = 5, RSKANL_COVSIM = 6, RSKANL_MODELSIM = 7, RSKANL_HISTSIM = 8,
    RSKANL_SERIESSIM = 9, RSKANL_DELTANORMAL = 10, RSKANL_PVBP = 11, RSKANL_POSEQ = 12,
    RSKANL_CASHFLOW = 13, RSKANL_CUREXP = 14, RSKANL_POTEXP = 15, RSKANL_RISKMETRICS = 16,
    RSKANL_OPTIMISATION = 17,
};

// Sensitivity settings (kind 2).
struct RSKANLSENS {
    int32_t theta, vega, cross_gamma, numeric_derivatives;   // 0 or 1
    RSKOBJNAME instrument_type;      // INSTTYPE; empty when not given
    RSKOBJNAME instrument_id;        // INSTID
};

// Simulation settings (kinds 6 to 9 and 15, copied by optimisation and cash-flow analyses).
struct RSKANLSIM {
    uint8_t pl_values, exposure_values, returns;   // output flags
    RSKOBJNAME source;               // the named input of the kind (market data, model)
    interval_spec horizon_interval;
    double start_date, end_date;     // missing when not given
    int32_t replications;
    int32_t seed;
    int32_t generator;               // random-number generator registry
    double scale;
    int32_t method;                  // error-model registry
    int32_t method_count;
    double bound;                    // missing when absent
    double positive_value;           // missing when absent
    double extra_value;
    int32_t extra_integer;
    int32_t largest_horizon;
    int32_t horizon_count;
    int32_t* horizons;               // ascending; from the run pool
};

// Optimisation settings (kind 17).
struct RSKANLOPT {
    RSKOBJNAME simulation;           // the underlying simulation analysis
    int32_t simulation_kind;         // 1 model Monte Carlo, 2 covariance, 3 historical, 4 series
    int32_t objective, constraint, problem;
    int32_t value_mode;
    int32_t target_lists;            // one per horizon
    int32_t* target_counts;          // per horizon
    double** targets;                // per horizon
};

struct RSKANALYSIS {
    RSKANALYSIS* next;               // free-list link
    RSKOBJNAME name;
    uint32_t kind;                   // analysis-type registry code
    uint32_t subtype;                // kind 13: the cash-flow method (0 traditional, 1 scenario,
                                     // 2 effective, 3 partial durations, 4 to 7 simulations, 99 named)
    int32_t output_count;            // output variables
    int32_t simulation_output_counts[3];  // further output variables of a simulation

    // ---- analysis objects: common settings and lists ----
    double evaluation_date;          // EVALDATE; missing when not given
    double more_dates;               // MOREDATE; missing when not given
    RSKANLFACTOR* entries_head;      // risk factors, curve axes or surface pairs
    RSKANLFACTOR* entries_tail;
    int32_t entry_count;
    RSKNAMECELL* names_head;         // list 2: output variable names
    RSKNAMECELL* names_tail;
    int32_t names_count;
    uint32_t perturbation_type;      // scenario default perturbation type (DEFAULT_TYPE)
    int32_t per_position;            // nonzero: the kind wants the per-position step

    // Kind-specific settings; separate blocks, so clearing one kind never reads another's words.
    RSKANLSENS sensitivity;
    double bench_time;               // kind 12: BENCHTIME; the benchmark is the one entry
    interval_spec interval;          // kind 10: INTERVAL
    RSKOBJNAME input_data;           // kind 10: INPUTDS
    int32_t duration_type;           // kind 13: 0 none, 1 Macaulay, 2 modified
    int32_t bucket_type;             // kind 13: 0 none, 1 simple, 2 cumulative, 3 all
    RSKOBJNAME source_analysis;      // kind 13, method 99: the analysis it borrows
    RSKANLSIM simulation;
    RSKANLOPT optimisation;

    // Lists 0 and 1 of the simulation kinds and delta-normal: categories of conditional and
    // marginal value at risk.
    RSKNAMECELL* conditional_head;
    RSKNAMECELL* conditional_tail;
    int32_t conditional_count;
    RSKNAMECELL* marginal_head;
    RSKNAMECELL* marginal_tail;
    int32_t marginal_count;

    // ---- settings the stored analysis form keeps beside the above (catalog storage) ----
    int32_t pivot;                   // PIVOT of covariance, model Monte Carlo, potential exposure
    int32_t overlap;                 // OVERLAP of historical simulation
    int32_t match;                   // MATCH of series simulation: 0 none, 1 date, 2 horizon
    RSKOBJNAME covariance_data;      // COVDATA of model Monte Carlo and potential exposure
    RSKOBJNAME constraint_data;      // LINCON of optimisation
    RSKOBJNAME bounds_data;          // BOUNDS of optimisation
};
