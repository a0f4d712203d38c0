// Allocation from the project working pool with the run's memory counters and the
// out-of-memory report, and the flagging of exchange rates for the run's market vectors.
#include "common/memory/pool_memory.h"
#include "engine/model/fx/fx_matrix.h"
#include "engine/run/run_storage.h"
#include "host/print.h"

void rskmem_no_memory(RSKCON* con, size_t bytes, const char* label) {
    xpmlog(598, 2797, static_cast<long>(bytes), label);
    con->no_memory_reported = 1;
    con->error = 1;
}

void* rskmem_alloc(RSKCON* con, size_t bytes, const char* label, int category, int zero) {
    void* block = nullptr;
    if (con->run_pool != nullptr)
        block = vmalcp_handler(con->run_pool, bytes, zero ? QOR_ALLOC_ZERO : QOR_ALLOC_PLAIN);
    if (block == nullptr) {
        rskmem_no_memory(con, bytes, label);
        return nullptr;
    }
    RSKRUNBLOCK* run = con->run_block;
    run->run_pool_bytes += bytes;
    if (category >= 0 && category < RSKMEM_CATEGORIES) run->memory[category] += bytes;
    return block;
}

void rskmem_flag_fx(RSKCON* con, RSKFXENTRY* entry) {
    RSKRUNBLOCK* run = con->run_block;
    if (entry == nullptr || run == nullptr || entry->run.flagged) return;
    entry->run.flagged = 1;
    entry->run.mask_position = -1;
    entry->run.state_offset = -1;
    entry->run.next_flagged = nullptr;
    if (run->fx_last != nullptr) run->fx_last->run.next_flagged = entry;
    else run->fx_first = entry;
    run->fx_last = entry;
    ++run->fx_count;
}
