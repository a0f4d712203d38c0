// The horizon list of a simulation or optimisation definition: every horizon at least 1, in
// ascending order, each value once.
#pragma once
#include <cstdint>
#include <vector>
#include "engine/model/analyses/analysis_record.h"

// Fills `out` from the `count` given horizons (one horizon of 1 when none is given); a horizon
// below 1 is taken as 1 with 598/2619. 0, or 1 after the internal error "<who>: bad sort for
// horizons list." when the sorted list is out of order.
int normalise_horizons(const RSKANALYSIS* analysis, const int32_t* horizons, int32_t count, const char* who,
                       std::vector<int32_t>* out);
