// Instrument statistics of a project (SUM, MEAN, WGTMEAN, N, MIN, MAX, STD, WGT of instrument
// variables per cross-classification cell) and the mean and deviation of a cell's position values.
#pragma once
#include <cstdint>

#include "engine/tables/control_structure.h"

struct RSKPROJECT;

// Statistics codes of the statistics registry.
enum : int32_t {
    RSKSTAT_SUM = 1,
    RSKSTAT_MEAN = 2,
    RSKSTAT_WGTMEAN = 3,
    RSKSTAT_N = 4,
    RSKSTAT_MIN = 5,
    RSKSTAT_MAX = 6,
    RSKSTAT_STD = 7,
    RSKSTAT_WGT = 9,
};

// The statistics area of a cell: eight doubles per entry of the run's statistics table, in table
// order, starting at the run block's results header. Cells are written byte for byte into
// aggregation members, so every slot is read and written through memcpy.
enum : int32_t {
    RSKSTATSLOT_COUNT = 0,           // positions counted; negative: unusable in this cell
    RSKSTATSLOT_MINIMUM = 1,         // MIN, and the smallest value of STD
    RSKSTATSLOT_MAXIMUM = 2,         // MAX, and the largest value of STD
    RSKSTATSLOT_SUM = 3,             // the sum; the mean after the finish of MEAN
    RSKSTATSLOT_SPREAD = 4,          // STD: squared deviations from the mean; the deviation after the finish
    RSKSTATSLOT_WEIGHTS = 5,         // sum of base values
    RSKSTATSLOT_WEIGHTED = 6,        // weighted sum; the weighted mean after the finish
    RSKSTATSLOT_SPARE = 7,
    RSKSTATSLOT_COUNT_PER_ENTRY = 8,
};
constexpr int32_t kRskStatisticBytes = 8 * RSKSTATSLOT_COUNT_PER_ENTRY;

// Set-up before the analyses are built: the project's statistics specification becomes the
// run's statistics table (usable entries only, in order). 0, or 1 when the specification cannot
// be had (598/1990) or memory runs out (598/2797).
int rsasta0(RSKCON* con, RSKPROJECT* project);
// Adds the current position (its base value and its instrument variables' values) to `cell`. 0.
int rsasta2(RSKCON* con, void* cell);
// Adds the statistics of `child` into `parent` (the additive roll-up only). 0.
int rsasta3(RSKCON* con, void* parent, const void* child);
// Finishes the statistics of a cell whose roll-ups are done (means, deviations, missing values). 0.
int rsasta4(RSKCON* con, void* cell);
// Copies the finished statistics of `cell` into the output values of the run's table. 0.
int rsasta5(RSKCON* con, const void* cell);

// The mean and standard deviation of a cell's position values from their count n, sum and sum of
// squares, in place. 0 when both are set, 1 when either is missing.
int rsastd(RSKCON* con, double n, double* sum, double* squares);
