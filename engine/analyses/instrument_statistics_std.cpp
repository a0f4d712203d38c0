// The mean and standard deviation of a cell's position values, from the count, the sum and the
// sum of squares the cell accumulated over its positions and roll-ups.
#include <cmath>

#include "engine/analyses/instrument_statistics.h"
#include "engine/model/options/engine_options.h"
#include "engine/run/run_block.h"
#include "host/missing.h"

namespace {
// Relative level below which the difference of the sum of squares and n·mean² is rounding only.
constexpr double kRoundingSpread = 1.110223024625157e-14;
// A mean this small against the deviation is rounding noise of a cell that sums to 0.
constexpr double kRoundingMean = 1.110223024625157e-13;
}  // namespace

int rsastd(RSKCON* con, double n, double* sum, double* squares) {
    if (n < 0) {
        *sum = *squares = qor::missing();
        return 1;
    }
    if (n == 0) {
        *squares = qor::missing();
        return 1;
    }
    if (qor::is_missing(*sum)) {
        *sum = *squares = qor::missing();
        return 1;
    }
    const double mean = *sum / n;
    *sum = mean;
    if (qor::is_missing(*squares)) return 1;
    const RSKOPTREC* options = con->run_block != nullptr ? con->run_block->run_options : nullptr;
    const double divisor = options != nullptr && options->vardef == 2 ? n - 1 : n;
    // One value under VARDEF 2 has no deviation (0 / 0), whatever the value.
    if (divisor < 1) {
        *squares = qor::missing();
        return 1;
    }
    // Only the sums reach this routine, so the spread is Σx² - n·mean²; a difference at rounding
    // level (every value equal) is exactly 0.
    const double q = *squares - n * mean * mean;
    if (q < mean * mean * n * kRoundingSpread) {
        *squares = 0;
        return 0;
    }
    const double deviation = std::sqrt(q / divisor);
    if (std::fabs(mean) <= deviation * kRoundingMean) *sum = 0;
    *squares = deviation;
    return 0;
}
