// Running a generated program on one execution block's instance (rskrcmp), switching action
// blocks on and off in its run list (rskmact), and the phase letter the error hook names.
#include <cstring>

#include "engine/compiler/compiler_driver.h"
#include "engine/compiler/driver_support.h"

namespace {

thread_local cmp_instance* running_instance = nullptr;

RSKCMPCON* generated_handle(RSKCON* con) {
    RSKCMPCON* h = con != nullptr ? con->compile_handle : nullptr;
    return h != nullptr && h->state == RSKCMP_GENERATED ? h : nullptr;
}

void bind(cmp_instance* instance, int slot, void* base) {
    if (slot >= 0) cmpbasev(instance)[slot] = base;
}

// Position of entry in the active list, or -1.
int active_position(const int32_t* active, int count, int32_t entry) {
    for (int k = 0; k < count; ++k)
        if (active[k] == entry) return k;
    return -1;
}

}  // namespace

cmp_instance* rsk_running_instance() { return running_instance; }

int rskrcmp(RSKCON* con, RSKPROGRECORD* record, int state) {
    RSKCMPCON* h = generated_handle(con);
    if (h == nullptr) return 2;
    RSKRUNCOMPILE* run = con->run_compile;
    if (record == nullptr && run != nullptr && run->programs != nullptr) record = &run->programs[0];
    // The instance is the caller's: pricing threads each run their own, nothing is switched
    // process-wide.
    cmp_instance* instance = record != nullptr && record->instance != nullptr
                                 ? record->instance
                                 : cmpinsb(h->compilation.program, record != nullptr ? record->block : 0);
    if (instance == nullptr) return 2;
    double* values = record != nullptr && record->value_vector ? record->value_vector
                                                               : (run != nullptr ? run->value_vector : nullptr);
    double* market = record != nullptr && record->market_vector ? record->market_vector
                                                                : (run != nullptr ? run->market_vector : nullptr);
    bind(instance, h->value_base_slot, values);
    bind(instance, h->market_base_slot, market);
    if (record != nullptr) bind(instance, h->reference_base_slot, record->reference_vector);
    double* row = record != nullptr && record->row_vector != nullptr ? record->row_vector
                                                                     : (run != nullptr ? run->row_default : nullptr);
    if (row != nullptr) bind(instance, h->row_base_slot, row);
    bool shared = run != nullptr && run->per_block_programs && record != nullptr;
    if (shared) record->shared_run = 1;
    cmp_instance* outer = running_instance;   // a built-in may run a program within a program
    running_instance = instance;
    int rc = cmpfrun(instance, static_cast<double>(state));
    running_instance = outer;
    if (shared) record->shared_run = 0;
    return rc == CMP_RUN_OK || rc == CMP_RUN_ITERATION_ENDED ? 0 : 2;
}

void rskmact(RSKCON* con, RSKACTION* action, int block, int on, int e) {
    RSKCMPCON* h = generated_handle(con);
    if (h == nullptr || e < 0 || e >= h->execution_blocks) return;
    cmp_instance* instance = cmpinsb(h->compilation.program, e);
    const int32_t* full = h->full_run_lists + e * h->action_count;
    int32_t* active = h->active_run_lists + e * h->action_count;
    int32_t& count = h->active_counts[e];
    if (action == nullptr) {
        for (int k = 0; k < count; ++k) cmpmact(instance, active[k], 0);
        count = 0;
        if (on) {
            for (int i = 0; i < h->action_count; ++i) {
                active[i] = full[i];
                cmpmact(instance, full[i], 1);
            }
            count = h->action_count;
        }
        return;
    }
    if (block < 0 || block >= kRskBlockTypes) return;
    int sequence = action->sequence[block];
    // An action never entered for this block in this compile changes nothing.
    if (sequence <= 0 || sequence > h->action_count || h->actions[sequence - 1] != action) return;
    int32_t entry = full[sequence - 1];
    int at = active_position(active, count, entry);
    if (on) {
        if (at >= 0) return;   // on already: it runs once
        active[count++] = entry;
        cmpmact(instance, entry, 1);
    } else {
        if (at < 0) return;    // off already
        std::memmove(active + at, active + at + 1, sizeof(int32_t) * static_cast<size_t>(count - at - 1));
        active[--count] = 0;
        cmpmact(instance, entry, 0);
    }
}

void rskrcmp_state(RSKCON* con, char phase) {
    RSKCMPCON* h = con != nullptr ? con->compile_handle : nullptr;
    if (h != nullptr && h->extension != nullptr) h->extension->phase = phase;
}
