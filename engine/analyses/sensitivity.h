// Sensitivity analysis (kind 2): deltas, gammas, cross gammas and theta of every cell by central
// finite differences over states in which one factor (or two) is shifted up and down.
#pragma once
#include <cstdint>

#include "engine/analyses/analysis_phases.h"

// The run's work area of a sensitivity analysis (from the run pool). The time factor, when the
// analysis has one, is the last run factor; m counts the factors before it.
struct RSKSENSWORK {
    int32_t n;                       // run factors, the time factor included
    int32_t m;                       // run factors without the time factor
    uint8_t theta;                   // the time factor is the last run factor
    uint8_t cross_gamma;             // CRSGAM with at least two run factors
    uint8_t numeric;                 // NUMERICDER: finite differences even where methods supply
    int32_t range_first, range_end;  // the factors [first, end) whose states this part makes
    double analysis_date;            // the time factor's base value
    RSKVARIABLE** factors;           // n run factor variables, in list order
    double* base_values;             // n: the factors' values in the base market
    double* shifts;                  // n: h per factor (1 day for the time factor)
    double* deltas;                  // n: the current position's deltas
    double* gammas;                  // n: the current position's gammas
};

// Doubles of a sensitivity cell area for n run factors: base value, delta and gamma per factor,
// and with cross gammas one per pair.
int64_t rsadel_cell_doubles(int64_t n, int cross_gamma);
// The slot of pair (i, j), i < j, among the cross gammas: j(j-1)/2 + i.
int64_t rsadel_pair_slot(int64_t i, int64_t j);

int rsadel0(RSKCON* con, RSKANLPROC* run, RSKANALYSIS* analysis);
// The build after the run factors are selected: the time factor moved last (THETA on when it is
// listed), cell size, planned states and the work area. 0 or 1.
int rsadel_prepare(RSKCON* con, RSKANLPROC* run, RSKANALYSIS* analysis);
int rsadel1(RSKCON* con, RSKANLPROC* run);
int rsadel2(RSKCON* con, RSKANLPROC* run, void* area);
// The phase-table forms: the per-position routine with the engine's range arguments and the
// additive roll-up (mode 0 only).
int rsadel2_range(RSKCON* con, RSKANLPROC* run, void* area, int64_t first, int64_t last);
int rsadel3(RSKCON* con, RSKANLPROC* run, void* parent, void* child, int mode, int count);

// Output: SENS, SENS2, SUMMARY (columns only), COMBINE, and the level pass.
int rsadel5(RSKCON* con, RSKANLPROC* run, void* area, RSKROWWRITER writer, RSKRESDS* resds);
int rsadel6(RSKCON* con, RSKANLPROC* run, void* area, RSKROWWRITER writer, RSKRESDS* resds);
int rsadel7(RSKCON* con, RSKANLPROC* run, void* area, RSKROWWRITER writer, RSKRESDS* resds);
int rsadel8(RSKCON* con, RSKANLPROC* run, void* area, RSKROWWRITER writer, RSKRESDS* resds);
int rsadel9(RSKCON* con, RSKANLPROC* run, void* area, RSKROWWRITER writer, RSKRESDS* resds);
// The direct output of a run: picks rsadel5 .. rsadel8 by the data set's kind.
int rsadel_output(RSKCON* con, RSKANLPROC* run, void* area, RSKROWWRITER writer, RSKRESDS* resds);
int get_levels_sens(RSKCON* con, RSKANLPROC* run, RSKROWWRITER writer, RSKRESDS* resds);
int get_levels_sens2(RSKCON* con, RSKANLPROC* run, RSKROWWRITER writer, RSKRESDS* resds);
int get_levels_combine(RSKCON* con, RSKANLPROC* run, RSKROWWRITER writer, RSKRESDS* resds);
