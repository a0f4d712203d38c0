// Tests of what kind of valuation an analysis stands for, how many output variables it gives and
// whether a variable is of the exposure type. The run engine has its own simulation test.
#pragma once
#include "engine/tables/control_structure.h"

namespace analysis_kinds {
// 1 for kinds 6, 7, 8, 9, 15, 17 and kind 13 of subtype 4 to 7; 0 otherwise or for no analysis.
int is_simulation(const RSKANALYSIS* analysis);
// 1 for kind 2, or kind 13 of subtype 3.
int is_sensitivity(const RSKANALYSIS* analysis);
// 1 for kind 5, or kind 13 of subtype 1.
int is_scenario(const RSKANALYSIS* analysis);
// 1 for kind 13 of subtype 0.
int is_mtm(const RSKANALYSIS* analysis);
}  // namespace analysis_kinds

// The analysis's output variables, one more when _cash_ is needed, plus the simulation counts.
int number_of_outvars(RSKCON* con, const RSKANALYSIS* analysis);
// 1 for comptype 3 or one of the exposure-type names (exact case); else 0.
int is_exposure_type_variable(RSKCON* con, RSKVARIABLE* variable);
