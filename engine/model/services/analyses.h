// Services of the risk analyses that the object model uses: the analysis definitions fill the
// fields of an analysis record beyond its name, kind and lists (entry-table slots 314 to 332).
#pragma once
#include "engine/tables/control_structure.h"

// Slots of the analysis definitions in the engine's entry table.
enum : int { RSKANALYSIS_FIRST_SLOT = 314, RSKANALYSIS_LAST_SLOT = 332 };

// ---- analysis forms of catalog storage: what a stored analysis hands its definition ----
#include "common/intervals/interval_spec.h"

// The simulation settings of kinds 6 to 9 and 15 as a stored analysis holds them, for the
// kind's definition (rsacsma, rsamsma, rsahsma, rsassma). Names point into the caller's list.
struct RSKSIMOPTS {
    int32_t pl_values, exposure_values, returns;   // PL_FLAG, EXP_FLAG, RET_FLAG
    RSKNAMEREC source;               // INPUTDS
    interval_spec interval;          // INTERVAL; all zero for none
    double start_date, end_date;     // STARTDATE, ENDDATE
    double evaluation_date, more_dates;   // EVALDATE, MOREDATE
    int32_t horizon_count;           // HLIST
    const int32_t* horizons;
    int32_t replications;            // NDRAW
    int32_t seed;                    // SEED
    int32_t generator;               // GENERATOR (registry code; 5 when absent)
    double scale;                    // STRESS
    int32_t method;                  // ERRMODEL (registry code; 0 when absent)
    int32_t method_count;            // T_DF
    int32_t bound_given;             // SHOCK_COV
    double bound;                    // WISHART
    int32_t value_given;             // SHOCK_PARMS
    double value;                    // PARMS_STRESS
    double extra_value;              // LAMBDA
    int32_t adjust_missing;          // ADJUSTMIS: 1 unless "NONE"
    int32_t pivot;                   // PIVOT (kinds 6, 7, 15)
    int32_t overlap;                 // OVERLAP (kind 8)
    int32_t match;                   // MATCH (kind 9): 0 none, 1 date, 2 horizon
    RSKNAMEREC covariance_data;      // COVDATA (kind 7, 15)
};
