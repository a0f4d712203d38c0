// The arrays an analysis record owns (the simulation's horizon list, the optimisation's target
// lists): storing, deep copying and releasing them with the sizes they were allocated with.
#pragma once
#include <cstdint>
#include "engine/model/analyses/analysis_record.h"

// Replaces the horizon list of `simulation` by a copy of `count` horizons (none when count is
// 0). 0, or 1 after 598/2797 with the old list kept.
int rskanl_store_horizons(RSKCON* con, RSKANLSIM* simulation, const int32_t* horizons, int32_t count);
// Copies the simulation block of `from` into `to`, the horizon list included. 0, or 1 after
// 598/2797 with `to` unchanged.
int rskanl_copy_simulation(RSKCON* con, RSKANLSIM* to, const RSKANLSIM* from);
// Replaces the optimisation's target lists: `lists` lists, list i holding values [ends[i-1],
// ends[i]) of `values` (ends[-1] is 0). 0, or 1 after 598/2797 with the old lists kept.
int rskanl_store_targets(RSKCON* con, RSKANLOPT* optimisation, const double* values, int32_t lists,
                         const int32_t* ends);
// Releases every array the record owns and empties their words.
void rskanl_free_settings(RSKCON* con, RSKANALYSIS* analysis);
