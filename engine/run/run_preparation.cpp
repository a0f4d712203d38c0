// Preparing and freeing the working storage of a run: the run block cleared, the project
// working pool and the kit pool, the run fields of variables, rates and types reset, the
// action set-up, the thread control vector, and everything given back at the end of the run.
#include <algorithm>
#include <cstring>

#include "engine/compiler/compiler_driver.h"
#include "engine/compiler/dependencies.h"
#include "engine/model/control/startup.h"
#include "engine/model/currencies/currency_table.h"
#include "engine/model/fx/fx_matrix.h"
#include "engine/model/names/name_records.h"
#include "engine/model/options/engine_options.h"
#include "engine/model/symbols/symbol_table.h"
#include "engine/model/types/instrument_types.h"
#include "engine/model/variables/variables.h"
#include "engine/run/run_storage.h"
#include "host/anchor.h"
#include "host/kit.h"
#include "host/print.h"

namespace {

// Bytes the memory report counts for the thread control vector while GENERIC is on, so that
// listings do not depend on the processor count.
constexpr uint64_t kGenericThreadBytes = 4296;

qor_kit* host_kit() {
    qor_gcb* gcb = qor_global_gcb();
    return gcb != nullptr ? gcb->kit : nullptr;
}

qor_pool* create_kit_pool() {
    qor_kit* kit = host_kit();
    if (kit != nullptr && kit->ops != nullptr && kit->ops->create_pool != nullptr)
        return kit->ops->create_pool(kit, kRskKitPoolName);
    return xmpoolc(8192, 8192, QOR_POOL_SHARED);
}

void delete_kit_pool(qor_pool*& pool) {
    if (pool == nullptr) return;
    qor_kit* kit = host_kit();
    // A pool the kit does not know (made without a kit) is deleted directly.
    if (kit == nullptr || kit->ops == nullptr || kit->ops->delete_pool(kit, pool) != 0) xmpoold(pool);
    pool = nullptr;
}

void reset_variable(RSKVARIABLE* v) {
    v->dependencies.flags &= ~v->run.flags_added;
    v->run = RSKVARRUN{};
    v->run.state_offset = -1;
    v->run.row_offset = -1;
    v->run.record_offset = -1;
    v->dependencies.mask_position = -1;
}

void reset_rates(RSKCON* con) {
    if (con->runtime_tables == nullptr) return;
    for (RSKFXENTRY* e = con->runtime_tables->currency_table.pairs_head; e != nullptr; e = e->next) {
        e->run = {};
        e->run.mask_position = -1;
        e->run.state_offset = -1;
    }
}

// Gives the cells of the run's element list up; they live in the run pool.
void clear_run_pointers(RSKRUNBLOCK* run) {
    run->instrument_record = run->previous_record = run->instruments_buffer = nullptr;
    run->timing = nullptr;
    run->pricing_work = nullptr;
    run->masks[0] = run->masks[1] = nullptr;
    std::fill(std::begin(run->market_vectors), std::end(run->market_vectors), nullptr);
    run->project_variables = nullptr;
    run->results = run->row0 = run->row1 = nullptr;
    std::fill(std::begin(run->postprocessing), std::end(run->postprocessing), nullptr);
    run->elements_first = run->elements_last = nullptr;
    run->master_block = run->thread_blocks = nullptr;
    run->thread_count = 0;
    run->fx_first = run->fx_last = nullptr;
    run->fx_count = 0;
    run->free_lists = RSKFREELISTS{};
    run->compile = RSKRUNCOMPILE{};
}

// Forgets what a run gave the variable: its addresses in the run's buffers and the dependency
// flags the run added.
void clear_run_addresses(RSKVARIABLE* v) {
    if (v == nullptr) return;
    v->dependencies.flags &= ~v->run.flags_added;
    v->run.flags_added = 0;
    v->run.record_address = nullptr;
    std::fill(std::begin(v->run.state_address), std::end(v->run.state_address), nullptr);
    v->run.row_address[0] = v->run.row_address[1] = nullptr;
    v->run.buffers[0] = v->run.buffers[1] = nullptr;
    v->run.buffer_bytes = 0;
    v->run.capacity = 0;
    if (v->pool_value) {
        v->value = nullptr;
        v->pool_value = 0;
    }
}

}  // namespace

int allocate_threads(RSKCON* con) {
    RSKRUNBLOCK* run = con->run_block;
    int32_t n = con->papc;
    const int32_t limit = run->options != nullptr ? run->options->maxthreads : 0;
    if (limit >= 1) n = std::min(n, limit);
    n = std::max<int32_t>(1, n);
    run->threading = con->papc > 0 ? 1 : 0;
    const size_t bytes = sizeof(RSKTHREADCTL) * (static_cast<size_t>(n) + 1);
    auto* blocks = static_cast<RSKTHREADCTL*>(rskmem_alloc(con, bytes, "thread control vector", -1, 1));
    if (blocks == nullptr) {
        run->abort = 1;
        run->thread_count = 0;
        return 1;
    }
    run->memory[RSKMEM_THREADS] += con->generic ? kGenericThreadBytes : bytes;
    run->master_block = blocks;
    run->thread_blocks = blocks + 1;
    run->thread_count = n;
    // The compile makes one program instance per execution block: one per thread and the one
    // whose data every state starts from (rskex_bind binds them all).
    run->compile.execution_blocks = n + 1;
    blocks[0].thread_index = -1;
    for (int32_t i = 0; i < n; ++i) run->thread_blocks[i].thread_index = i;
    // The pricing threads live as long as the run: one team, called once per position.
    return rskmem_make_team(con);
}

int rskmem0(RSKCON* con) {
    RSKRUNBLOCK* run = con->run_block;
    if (run == nullptr) return 1;
    // What an earlier run left: its program data vector bookkeeping, then its pools.
    if (con->run_pool != nullptr) {
        rskcmpf(con);
        xmpoold(con->run_pool);
        con->run_pool = nullptr;
    }
    delete_kit_pool(con->kit_pool);
    if (con->run_compile == &run->compile) con->run_compile = nullptr;
    rskmem_close_team(con);

    std::memset(static_cast<void*>(run), 0, sizeof *run);
    run->options = con->current_options;
    con->no_memory_reported = 0;   // 598/2797 once per run
    for (RSKVARIABLE* v = con->variables_head; v != nullptr; v = v->next) reset_variable(v);
    if (con->system_variables != nullptr && con->system_variables->date != nullptr)
        reset_variable(con->system_variables->date);
    reset_rates(con);
    rskname(con, &run->default_state_name, "", 0);
    run->state_name = &run->default_state_name;

    con->run_pool = xmpoolc(kRskRunPoolSize, kRskRunPoolSize, 0);
    if (con->run_pool != nullptr) con->kit_pool = create_kit_pool();
    if (con->run_pool == nullptr || con->kit_pool == nullptr) {
        xpmlog(598, 2795);
        if (con->run_pool != nullptr) xmpoold(con->run_pool);
        con->run_pool = nullptr;
        con->error = 1;
        return 1;
    }
    run->compile.pool = con->run_pool;
    run->compile.execution_blocks = 1;
    for (RSKPDVCOLLECTION& c : run->compile.collections) c.vector = c.base_slot = -1;
    run->compile.pointer_structure = -1;
    con->run_compile = &run->compile;

    if (con->memory_block != nullptr)
        for (RSKINSTTYPE* t = con->memory_block->types_head; t != nullptr; t = t->next) {
            t->run = RSKINSTTYPE::RSKTYPERUN{};
            if (rsktbla(con, &t->run.table, 11, nullptr, con->run_pool, &run->free_lists, 0) != 0) {
                rskmem_no_memory(con, sizeof(RSKSYMBOL*) * 11, "instrument type run table");
                return 1;
            }
        }
    // Neither changes the result: a failed action set-up has reported itself, and a failed
    // thread vector has set the abort and error flags that stop the run.
    rskrsv0(con);
    allocate_threads(con);
    return 0;
}

int rskmemf(RSKCON* con) {
    RSKRUNBLOCK* run = con->run_block;
    if (run == nullptr) return 0;
    rskmem_close_team(con);
    rskcmpf(con);
    rskcf_release(con);
    if (con->run_compile == &run->compile) con->run_compile = nullptr;
    if (con->run_pool != nullptr) xmpoold(con->run_pool);
    con->run_pool = nullptr;
    delete_kit_pool(con->kit_pool);
    clear_run_pointers(run);
    // Every run address pointed into the pools just deleted, whatever the variable's kind; a
    // type's system variables (Holding, ...) are not in the environment's list but were given
    // addresses all the same, and a later run would otherwise read through the stale ones.
    for (RSKVARIABLE* v = con->variables_head; v != nullptr; v = v->next) clear_run_addresses(v);
    if (con->memory_block != nullptr)
        for (RSKINSTTYPE* t = con->memory_block->types_head; t != nullptr; t = t->next) {
            for (RSKVARLINK* link = t->resolved_head; link != nullptr; link = link->next)
                clear_run_addresses(link->variable);
            for (RSKVARIABLE* v : t->system_slots) clear_run_addresses(v);
            t->run = RSKINSTTYPE::RSKTYPERUN{};
        }
    reset_rates(con);
    con->error = 0;
    return 0;
}
