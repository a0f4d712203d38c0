// Current exposure: no states and no phases of its own; its build reserves the exposure value
// that every position's price vector then carries ahead of the base case.
#include "engine/analyses/analysis_phases.h"
#include "engine/run/analysis_processing.h"
#include "engine/run/run_block.h"

namespace {
constexpr int32_t kCurrentExposureLabel = 5614;
constexpr int32_t kCurrentExposureCellBytes = 24;
}  // namespace

int rsacex0(RSKCON* con, RSKANLPROC* run, RSKANALYSIS*) {
    if (con == nullptr || run == nullptr) return 1;
    run->label = kCurrentExposureLabel;
    run->cell_size = kCurrentExposureCellBytes;
    if (con->run_block != nullptr) con->run_block->current_exposure = 1;
    return 0;
}
