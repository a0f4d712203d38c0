// Finishing a compile (rskgcmp): the end label, the end marker, generation of the program and
// its instances, and the run-list entry of every action block the compile entered.
#include <cstdio>
#include <cstring>

#include "engine/compiler/compiler_driver.h"
#include "engine/compiler/driver_support.h"
#include "host/print.h"

namespace {

// The run lists of every execution block: full and active entries and the active counts.
int allocate_run_lists(RSKCMPCON* h, int blocks) {
    size_t per_list = static_cast<size_t>(h->action_count > 0 ? h->action_count : 1);
    size_t bytes = sizeof(int32_t) * per_list * static_cast<size_t>(blocks);
    h->execution_blocks = blocks;
    h->full_run_lists = static_cast<int32_t*>(rsk_compile_alloc(h, bytes, "run lists"));
    h->active_run_lists = h->full_run_lists ? static_cast<int32_t*>(rsk_compile_alloc(h, bytes, "run lists")) : nullptr;
    h->active_counts = h->active_run_lists
                           ? static_cast<int32_t*>(rsk_compile_alloc(h, sizeof(int32_t) * static_cast<size_t>(blocks), "run lists"))
                           : nullptr;
    return h->active_counts != nullptr ? 0 : 1;
}

// Block of list entry i: the block whose sequence number the entry carries.
int block_of_entry(const RSKACTION* action, int sequence) {
    for (int b = 0; b < kRskBlockTypes; ++b)
        if (action->sequence[b] == sequence) return b;
    return -1;
}

// Run-list entry of a label, or -1 after 598/3409 naming it.
int entry_of(RSKCMPCON* h, const char* label) {
    int entry = cmpgetl(h->compilation.program, label, static_cast<int>(std::strlen(label)));
    if (entry < 0) xpmlog(598, 3409, static_cast<int>(std::strlen(label)), label);
    return entry;
}

// Resolves the end label and every entry label into the full run lists; every instance starts
// with a run list and nothing switched on.
int setup_entries(RSKCMPCON* h) {
    h->end_entry = entry_of(h, RSK_END_LABEL);
    if (h->end_entry < 0) return 1;
    for (int i = 0; i < h->action_count; ++i) {
        const RSKACTION* action = h->actions[i];
        int block = block_of_entry(action, i + 1);
        char label[128];   // "_ACTn_BLOCK": an action label and a block name fit with room
        std::snprintf(label, sizeof label, "%s_%s", action->label, block >= 0 ? CMPMB_NAMES[block] : "?");
        int entry = entry_of(h, label);
        if (entry < 0) return 1;
        for (int e = 0; e < h->execution_blocks; ++e) h->full_run_lists[e * h->action_count + i] = entry;
    }
    for (int e = 0; e < h->execution_blocks; ++e) {
        cmpmact(cmpinsb(h->compilation.program, e), h->end_entry, 0);
        h->active_counts[e] = 0;
    }
    return 0;
}

int generate_code(RSKCMPCON* h) {
    int rc = cmppdv(h->compilation.program);
    if (rc != 0) {
        xpmlog(598, 3438, rc);
        return 1;
    }
    if (cmpruni(h->compilation.program, h->execution_blocks) != 0) {
        xpmlog(598, 3437);
        return 1;
    }
    if (setup_entries(h) != 0) {
        xpmlog(598, 3436);
        return 1;
    }
    return 0;
}

}  // namespace

int rskgcmp(RSKCON* con) {
    RSKCMPCON* h = con != nullptr ? con->compile_handle : nullptr;
    if (h == nullptr || h->compilation.program == nullptr) return 1;
    std::memset(h->label_counters, 0, sizeof h->label_counters);
    int failed = rskpush(h, RSK_END_LABEL ": ;", 0, 2) > 0 ? 1 : 0;
    if (failed == 0) failed = allocate_run_lists(h, rsk_execution_blocks(con));
    // The end marker goes in even after a failure, so that the compiler closes the source.
    int end = rskpush(h, CMP_END_MARKER, h->echo_argument, 2);
    if (failed == 0 && end != CMP_COMPLETE) {
        // The push has reported a refused marker; an incomplete source is said here.
        if (end <= 0) xpmlog(598, 3438, 3);
        failed = 1;
    }
    if (failed == 0) failed = generate_code(h);
    h->state = failed ? RSKCMP_FAILED : RSKCMP_GENERATED;
    return failed;
}
