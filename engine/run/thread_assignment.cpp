// Dividing a run's market states among its thread blocks: consecutive ranges from state 0, the
// first blocks one state larger, each block with its views of the per-state vectors.
#include <algorithm>

#include "engine/run/run_storage.h"

namespace {

// Where a block's views start for its first state.
void point_block(RSKRUNBLOCK* run, RSKTHREADCTL* block, int32_t first, int32_t count) {
    const int64_t state = first;
    block->first_state = first;
    block->current_state = first;
    block->state_count = count;
    block->state_stride = run->state_size;
    block->state_start = run->state_buffer.states != nullptr ? run->state_buffer.states + state * run->state_size : nullptr;
    block->state_current = block->state_start;
    block->row_length = run->row_doubles;
    // Row s + 2 holds the result of state s.
    block->row_start = run->results != nullptr ? run->results + (state + 2) * run->row_doubles : nullptr;
    block->row_current = block->row_start;
    block->decision_stride = 1;
    block->decision_start = run->pricing.decisions != nullptr ? run->pricing.decisions + state : nullptr;
    block->decision_current = block->decision_start;
    block->status_stride = 1;
    block->status_start = run->pricing.status != nullptr ? run->pricing.status + state : nullptr;
    block->status_current = block->status_start;
}

}  // namespace

int assign_threads(RSKCON* con) {
    RSKRUNBLOCK* run = con->run_block;
    if (run == nullptr || run->master_block == nullptr || run->thread_count < 1) return 1;
    const int32_t states = std::max<int32_t>(run->state_count, 0);
    const int32_t threads = std::max<int32_t>(1, std::min(run->thread_count, states));
    run->threading = con->papc > 0 ? 1 : 0;

    // The master block prices the base case: every view stays on the base (stride 0).
    RSKTHREADCTL* master = run->master_block;
    master->thread_index = -1;
    master->first_state = 0;
    master->current_state = 0;
    master->state_count = 1;
    master->state_start = run->state_buffer.base != nullptr ? run->state_buffer.base : run->market_vectors[1];
    master->state_current = master->state_start;
    master->state_stride = 0;
    master->row_start = master->row_current = run->results;
    master->row_length = run->row_doubles;
    master->decision_start = master->decision_current = run->pricing.decisions;
    master->decision_stride = 0;
    master->status_start = master->status_current = run->pricing.status;
    master->status_stride = 0;
    master->extra_start = master->extra_current = run->pricing_work;
    master->extra_stride = 0;

    const int32_t share = states / threads, larger = states % threads;
    int32_t first = 0;
    for (int32_t i = 0; i < run->thread_count; ++i) {
        RSKTHREADCTL* block = &run->thread_blocks[i];
        block->thread_index = i;
        // Blocks beyond those in use keep no states.
        const int32_t count = i < threads ? share + (i < larger ? 1 : 0) : 0;
        point_block(run, block, first, count);
        first += count;
    }
    return 0;
}
