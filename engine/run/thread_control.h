// The thread control vector of a run: one master block for the base state, then one block per
// pricing thread, each with its share of states and its views into the run's per-state vectors.
#pragma once
#include <cstdint>

struct cmp_instance;
struct RSKPROGRECORD;

// One block. Sizes are the natural ones of this build; the master block is the first.
struct RSKTHREADCTL {
    int32_t thread_index;            // 0 .. n-1; the master block -1 (0 while the base is priced)
    uint8_t running;                 // 1 while the block's loop runs; its result
    uint8_t failed;                  // post-processing of the block failed
    cmp_instance* program;           // the block's program instance
    int32_t state_count;             // states of the block (1 in the master block)
    int32_t first_state;
    int32_t current_state;
    uint8_t* state_start;            // market-state buffer: first state, current, bytes per state
    uint8_t* state_current;
    int32_t state_stride;
    double* row_start;               // pricing results rows: first, current, doubles per row
    double* row_current;
    int32_t row_length;
    int32_t* decision_start;         // decision vector, stride 1
    int32_t* decision_current;
    int32_t decision_stride;
    uint8_t* status_start;           // status bytes, stride 1
    uint8_t* status_current;
    int32_t status_stride;
    void* extra_start;               // master block only: the delta-gamma buffer
    void* extra_current;
    int32_t extra_stride;
    int64_t priced;                  // states priced, cumulative over the run
    int64_t reused;                  // states not priced, cumulative
    double seconds;                  // wall seconds in the block, cumulative
    // ---- pricing (engine/run/pricing_*.cpp): what only this block writes ----
    double state_date;               // date of the block's current state
    uint8_t* full_vector;            // the block's own full market vector, when states are copied
    struct RSKPROGRECORD* record;    // the block's program record: instance and bound vectors
    // Lines kept for the calling thread, which writes them after the wait in state order: PUT
    // lines and run errors of the program, and the states that failed (598/3404 and the actions).
    uint8_t* lines;
    size_t lines_length;
    size_t lines_capacity;
    int32_t lines_lost;              // lines dropped because the buffer could not grow
};
