// Services the project run calls in the analyses and the result output that this build does not
// contain yet: each reports itself as not yet available and fails, so a run that reaches one
// ends through its closing steps with code 1.
#pragma once
#include <cstdint>

#include "engine/tables/control_structure.h"
#include "engine/output/rskgds.h"

struct RSKANALYSIS;
struct RSKANLPROC;
struct RSKPROJECT;
struct RSKPORTENTRY;

// Resolution of a cash-flow analysis at run start (engine/analyses/cashflow_analysis.cpp). 0 or 1.
int rsacflg(RSKCON* con, RSKANALYSIS* analysis);
// Stores one simulated state read back (case, draw - 1, horizon - 1). 0 or 1. Both are the
// simulation core's own (engine/analyses/simulation_run.h).
int rsasimx(RSKCON* con, RSKANLPROC* record, int32_t simulation_case, int32_t draw, int32_t horizon);
// Finishes a simulation's state statistics after its states were read back. 0 or 1.
int rsasimf(RSKCON* con, RSKANLPROC* record);
// Adds the value variables of the write-all-prices data sets. 0 or 1.
int create_values_a_s(RSKCON* con);
// Cube definitions of the run's output. 0 or 1.
int create_cubes(RSKCON* con);
