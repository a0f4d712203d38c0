// Position equivalents (kind 12): the cell's first derivative with respect to a benchmark rate,
// expressed as an amount of the benchmark through its scale factor.
#pragma once
#include <cstdint>

#include "engine/analyses/analysis_phases.h"

// The run's work area: per run factor its base value, its shift and the scale factor D.
struct RSKPEQWORK {
    int32_t n;
    RSKVARIABLE** factors;
    double* base_values;
    double* shifts;
    double* scales;                  // D = (-1 / (1 + x))^(T - 1); missing until generated
};

int rsapeq0(RSKCON* con, RSKANLPROC* run, RSKANALYSIS* analysis);
// The build after the benchmark is selected: scale-factor block, cell size, planned states.
int rsapeq_prepare(RSKCON* con, RSKANLPROC* run);
int rsapeq1(RSKCON* con, RSKANLPROC* run);
int rsapeq2(RSKCON* con, RSKANLPROC* run, void* area, int64_t first, int64_t last);
int rsapeq3(RSKCON* con, RSKANLPROC* run, void* parent, void* child, int mode, int count);
int rsapeq4(RSKCON* con, RSKANLPROC* run, void* area);
int rsapeq5(RSKCON* con, RSKANLPROC* run, void* area, RSKROWWRITER writer, RSKRESDS* resds);
