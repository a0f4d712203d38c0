// Services of the run engine that the object model uses: the project-run block, the run's
// working storage and the per-analysis processing record.
#pragma once
#include <cstdint>
#include "engine/tables/control_structure.h"

struct RSKANLPROC;
struct RSKTIMER;

// Prepares the project run's working storage (instrument buffers): 0 on success.
int rskmem0(RSKCON* con);
// The second stage of that preparation: 0 on success.
int rskmem1(RSKCON* con);
// Frees the run's working storage; its result is passed on.
int rskmemf(RSKCON* con);
// The run engine's own test: 1 for analysis kinds 6 to 9 and 15, else 0.
int is_simulation(const RSKANLPROC* analysis);
