// Setting up the pricing of a run: the decision vector and status bytes, one program record per
// block, and the check that a buffered state holds every market variable the pricing reads.
#include <algorithm>
#include <cstring>

#include "engine/compiler/compiler_driver.h"
#include "engine/model/variables/variable_record.h"
#include "engine/model/variables/variables.h"
#include "engine/run/pricing.h"
#include "engine/run/run_storage.h"
#include "host/print.h"

namespace {

// Whether a market variable of the pricing program lies in the buffered part of a state: it has
// a change bit and its slot ends within the state size. A state holds only those variables, so
// reading any other one through a state would read the next state's bytes or past the buffer.
bool in_buffered_state(const RSKRUNBLOCK* run, const RSKVARIABLE* v) {
    if (v == nullptr) return true;
    if (v->dependencies.mask_position < 0) return false;
    const int32_t offset = v->run.state_offset;
    return offset >= 0 && offset + 8 <= run->state_size;
}

bool states_hold_what_pricing_reads(RSKCON* con) {
    const RSKRUNBLOCK* run = con->run_block;
    const RSKPDVCOLLECTION& market = run->compile.collections[RSKPDV_MARKET];
    for (const RSKSYMENTRY* e = market.head; e != nullptr; e = e->list_link)
        if (!in_buffered_state(run, e->variable)) return false;
    return true;
}

}  // namespace

int32_t rskex_blocks_in_use(const RSKRUNBLOCK* run) {
    return std::max<int32_t>(1, std::min(run->thread_count, run->state_count));
}

int rskex_alloc(RSKCON* con) {
    RSKRUNBLOCK* run = con->run_block;
    RSKPRICERUN& p = run->pricing;
    const size_t states = static_cast<size_t>(std::max(run->state_count, 1));
    if (p.decisions == nullptr)
        p.decisions = static_cast<int32_t*>(rskmem_alloc(con, states * sizeof(int32_t), "pricing work vector", RSKMEM_PRICING_RESULTS, 1));
    if (p.status == nullptr && p.decisions != nullptr)
        p.status = static_cast<uint8_t*>(rskmem_alloc(con, states, "pricing work vector", RSKMEM_PRICING_RESULTS, 1));
    if (p.decisions == nullptr || p.status == nullptr) {
        run->abort = 1;
        return 1;
    }
    // One program record per block and one more whose instance keeps the data that phase 1 and
    // the base state leave, from which every state starts: the compile makes one instance per
    // execution block.
    const int32_t blocks = std::max(run->thread_count, 1) + 1;
    if (run->compile.programs == nullptr) {
        auto* records = static_cast<RSKPROGRECORD*>(
            rskmem_alloc(con, sizeof(RSKPROGRECORD) * static_cast<size_t>(blocks), "thread control vector", RSKMEM_THREADS, 1));
        if (records == nullptr) {
            run->abort = 1;
            return 1;
        }
        for (int32_t i = 0; i < blocks; ++i) records[i].block = i;
        run->compile.programs = records;
        run->compile.execution_blocks = blocks;
        run->compile.per_block_programs = 1;
    }
    for (int32_t i = 0; i < run->thread_count && run->thread_blocks != nullptr; ++i)
        run->thread_blocks[i].record = &run->compile.programs[i];
    return 0;
}

int rskex_bind(RSKCON* con) {
    RSKRUNBLOCK* run = con->run_block;
    RSKPRICERUN& p = run->pricing;
    if (p.bound) return 0;
    // The blocks' views were laid out before the pricing vectors existed: lay them out again
    // over the vectors just made.
    if (p.decisions == nullptr &&
        (rskex_alloc(con) != 0 || (run->master_block != nullptr && assign_threads(con) != 0)))
        return 1;
    const int32_t blocks = std::max(run->thread_count, 1) + 1;
    for (int32_t i = 0; i < blocks; ++i) {
        RSKPROGRECORD* record = &run->compile.programs[i];
        record->program = rskcmpg(con, i);
        if (record->instance == nullptr) record->instance = rskcmpi(con, i);
        if (record->instance == nullptr) {
            xebug("rskexec: no program instance for block %i.", static_cast<int>(i));
            run->abort = 1;
            return 1;
        }
        record->value_vector = run->compile.value_vector;
        record->market_vector = run->compile.market_vector;
    }
    p.snapshot = run->compile.programs[blocks - 1].instance;
    p.full_vectors = states_hold_what_pricing_reads(con) ? 0 : 1;
    if (p.full_vectors && run->thread_blocks != nullptr) {
        const size_t bytes = static_cast<size_t>(run->vector_size);
        const uint8_t* base = run->market_vectors[1];   // the saved base state
        for (int32_t i = 0; i < run->thread_count; ++i) {
            auto* full = static_cast<uint8_t*>(rskmem_alloc(con, bytes, "market state vectors", RSKMEM_MARKET_VECTORS, 1));
            if (full == nullptr) {
                run->abort = 1;
                return 1;
            }
            if (base != nullptr) std::memcpy(full, base, bytes);
            run->thread_blocks[i].full_vector = full;
        }
    }
    p.bound = 1;
    return 0;
}
