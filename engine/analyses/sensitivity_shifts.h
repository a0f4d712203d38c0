// What the finite-difference analyses (sensitivity, position equivalents, delta-normal) share:
// the shift options, a factor's value in the run's current market, appending and skipping
// market states, the factor range of a divided run and the values of the price matrix.
#pragma once
#include <cstddef>
#include <cstdint>

#include "engine/tables/control_structure.h"

struct RSKANLPROC;
struct RSKRUNFACTOR;
struct RSKVARIABLE;

// The relative shift and the smallest shift of the run's options; a missing value, 0 or a
// value above 1 takes the default (1e-4, 1e-6). A negative value counts by its magnitude.
struct RSKSHIFTOPTIONS {
    double epsilon;
    double lower_bound;
};
constexpr double kRskDefaultEpsilon = 1e-4;
constexpr double kRskDefaultLowerBound = 1e-6;

RSKSHIFTOPTIONS rsa_shift_options(RSKCON* con);
// h = max(|x * epsilon|, lower bound); missing for a missing x.
double rsa_shift(const RSKSHIFTOPTIONS* options, double x);

// The factor's value in the run's current market (missing when it has no numeric slot), and
// setting it. Arrays are not shifted: they read as missing.
double rsa_factor_value(RSKVARIABLE* factor);
void rsa_set_factor(RSKVARIABLE* factor, double value);

// Describes the state about to be appended (the shifted factors and the item number) in the
// current state's header, then appends it (rskmktu; reuse 0 for the first state of a pair,
// 1 for the second). 0, or 1 when the append fails.
int rsa_append_state(RSKCON* con, RSKVARIABLE* first, RSKVARIABLE* second, int32_t item, int reuse);
// Advances the run's state counter by `count` states without appending any, so that the state
// numbers of a divided run agree in every part.
void rsa_skip_states(RSKCON* con, int64_t count);
// This run's analysis part p of P (1 and 1 when the run is not divided).
void rsa_analysis_part(RSKCON* con, int32_t* part, int32_t* parts);
// The factors [first, end) of m that part p of P takes: floor((p-1)m/P) .. floor(pm/P).
void rsa_part_factors(int32_t m, int32_t part, int32_t parts, int32_t* first, int32_t* end);

// The position's value in state `state` of the run (its global number) from the price matrix;
// missing when the state lies outside the priced rows.
double rsa_state_value(RSKCON* con, int64_t state);

// A block of `bytes` from the run pool, counted in the run's allocation total; null after
// 598/2797 with `label` (once per run).
void* rsa_run_alloc(RSKCON* con, size_t bytes, const char* label);

// Appends `variable` to the run factor list (a record from the run's free list). 0 or 1.
int rsa_append_run_factor(RSKCON* con, RSKANLPROC* run, RSKVARIABLE* variable, int32_t index);

// Reading and writing doubles of a cell area, which sits at a 4-byte aligned offset.
double rsa_cell_get(const void* area, int64_t index);
void rsa_cell_put(void* area, int64_t index, double value);
// Adds to a cell sum: a missing sum stays missing, a missing addend makes it missing.
void rsa_cell_add(void* area, int64_t index, double value);

// The analysis and project names for messages (length and text).
int rsa_analysis_name(const RSKANLPROC* run, const char** text);
int rsa_project_name(const RSKANLPROC* run, const char** text);
