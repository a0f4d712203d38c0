// Cash-flow analysis (kind 13): cash flows, gaps and durations of the positions, valued in the base
// case, in the states of a borrowed scenario or simulation, or under shifts of rate factors.
#pragma once
#include <cstdint>

#include "engine/analyses/analysis_phases.h"
#include "engine/model/analyses/analysis_record.h"
#include "engine/output/result_datasets.h"
#include "engine/tables/control_structure.h"

struct RSKVARIABLE;

// Methods of a cash-flow analysis (RSKANALYSIS::subtype).
enum : int32_t {
    RSKCFL_TRADITIONAL = 0, RSKCFL_SCENARIO = 1, RSKCFL_EFFECTIVE = 2, RSKCFL_PARTIAL = 3,
    RSKCFL_COVARIANCE = 4, RSKCFL_HISTORICAL = 5, RSKCFL_SERIES = 6, RSKCFL_MODEL = 7,
    RSKCFL_NAMED = 99,               // the name of a scenario or simulation, resolved at run start
};
// Duration types and bucket types (RSKANALYSIS::duration_type, bucket_type).
enum : int32_t { RSKCFL_DUR_NONE = 0, RSKCFL_DUR_MACAULAY = 1, RSKCFL_DUR_MODIFIED = 2 };
enum : int32_t { RSKCFL_BUCKET_NONE = 0, RSKCFL_BUCKET_SIMPLE = 1, RSKCFL_BUCKET_CUMULATIVE = 2, RSKCFL_BUCKET_ALL = 3 };

// Base values this close to 0 give missing durations and convexities.
constexpr double kRskCflSmallBase = 1.110223024625157e-16;

// The run's work area of partial durations (method 3), from the run pool: the record, the factor
// pointers, then four blocks of n doubles.
struct RSKCFLWORK {
    int32_t n;                       // run factors
    int32_t range_first, range_end;  // the factors [first, end) whose states this part makes
    uint8_t first_part;              // this part adds the base value to the cells
    RSKVARIABLE** factors;           // n run factor variables, in list order
    double* base_values;             // n: the factors' values in the base market
    double* shifts;                  // n: h per factor
    double* durations;               // n: the current position's duration terms
    double* convexities;             // n: the current position's convexity terms
};

// The cell area of partial durations for n factors: the base value, then per factor the
// duration sum and the convexity sum.
inline int64_t rsacfl_cell_doubles(int64_t n) { return 1 + 2 * n; }
inline int64_t rsacfl_duration_slot(int64_t i) { return 1 + 2 * i; }
inline int64_t rsacfl_convexity_slot(int64_t i) { return 2 + 2 * i; }

// The analysis kind whose phases a method borrows (5 scenario, 6, 8, 9, 7 simulations), 0 for
// methods without borrowed phases.
int rsacfl_borrowed_kind(int32_t method);

// ---- Definition and resolution ----

// Resolution at run start: a named source becomes method 1 or 4 to 7 and its settings, factors
// and output names are copied into the cash-flow analysis. 0, or 1 (670/3527, 3528, 3529).
int rsacflg(RSKCON* con, RSKANALYSIS* analysis);

// ---- Build helpers ----

// Adds `variable` to the analysis' output-variable names (once), marks it as a cash-flow output
// of the run (the output column count grows by its elements the first time) and gives it an
// entry in the run's output-variable table. 0, or 1 out of memory.
int add_cf_var(RSKCON* con, RSKANALYSIS* analysis, RSKVARIABLE* variable);
// Makes `variable` an array with one element per bucket of the run's bucket grid. 0, or 1.
int prepare_bucket(RSKCON* con, RSKVARIABLE* variable);

// ---- Phases ----

int rsacfl0(RSKCON* con, RSKANLPROC* run, RSKANALYSIS* analysis);
int rsacfl1(RSKCON* con, RSKANLPROC* run);
int rsacfl2(RSKCON* con, RSKANLPROC* run, void* area, int64_t first, int64_t last);
// The per-cell step: the borrowed kind's, or process_dur for partial durations.
int rsacfl_step(RSKCON* con, RSKANLPROC* run, void* area);
int rsacfl3(RSKCON* con, RSKANLPROC* run, void* parent, void* child, int mode, int count);
int rsacfl4(RSKCON* con, RSKANLPROC* run, void* area);
int rsacfl5(RSKCON* con, RSKANLPROC* run, void* area, RSKROWWRITER writer, RSKRESDS* resds);
int rsacfll(RSKCON* con, RSKANLPROC* run, void* area, RSKROWWRITER writer, RSKRESDS* resds);

// ---- Partial durations (method 3) ----

// The build after the run factors are selected: cell size, planned states and the work area.
int rsacfl_prepare(RSKCON* con, RSKANLPROC* run);
int partdur1(RSKCON* con, RSKANLPROC* run);
int partdur2(RSKCON* con, RSKANLPROC* run, void* area);
int process_dur(RSKCON* con, RSKANLPROC* run, void* area);
// Roll-up mode 1 is the asset/liability roll-up; `count` 0 marks a parent not yet seen.
int roll_up_duration(RSKCON* con, RSKANLPROC* run, void* parent, void* child, int mode, int count);
// PARTIALDUR rows, COMBINE rows and the level pass of both.
int output_compdur(RSKCON* con, RSKANLPROC* run, void* area, RSKROWWRITER writer, RSKRESDS* resds);
int output_compdur2(RSKCON* con, RSKANLPROC* run, void* area, RSKROWWRITER writer, RSKRESDS* resds);
int output_compdur3(RSKCON* con, RSKANLPROC* run, RSKROWWRITER writer, RSKRESDS* resds);

// ---- Gaps ----

// The simple gap rows of one cell: one row per bucket with its date and amounts. 0 or 1.
int output_simplegap(RSKCON* con, void* cell, RSKRESDS* resds);
// The sort step of the asset/liability gap data set in the output library. 0 or the largest code.
int process_algaps(RSKCON* con);
