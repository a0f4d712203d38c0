// Pricing one position in every state of a run: the decisions, the blocks run on the calling
// thread or the worker team, then, on the calling thread, the blocks' lines in state order, the
// reused states' values and the counters; the pricing loop of one block (rskex1).
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>

#include "engine/compiler/compiler_driver.h"
#include "engine/model/types/instrument_types.h"
#include "engine/model/variables/variable_record.h"
#include "engine/model/variables/variables.h"
#include "engine/run/analysis_processing.h"
#include "engine/run/pricing.h"
#include "engine/run/run_storage.h"
#include "host/anchor.h"
#include "host/kit.h"
#include "host/missing.h"
#include "host/print.h"

namespace {

double seconds_now() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// The date of a state: its date variable, or the run's base date without one.
double date_of(RSKCON* con, const uint8_t* state) {
    const RSKSYSVARS* sys = con->system_variables;
    const RSKVARIABLE* date = sys != nullptr ? sys->date : nullptr;
    if (date == nullptr || date->run.state_offset < 0 || state == nullptr) return con->run_block->base_date;
    double d;
    std::memcpy(&d, state + date->run.state_offset, sizeof d);
    return d;
}

// The status of a state not priced.
uint8_t reuse_status(RSKCON* con, int32_t state, int32_t decision) {
    const RSKPRICERUN& p = con->run_block->pricing;
    const RSKANLPROC* r = get_res_from_num(con, state);
    if ((p.type != nullptr && p.type->cash_flows) || r == nullptr || !rsk_simulation_kind(r->kind)) return RSKST_BASE;
    return decision == RSKDEC_BASE ? RSKST_UNCONDITIONAL : RSKST_REPRESENTATIVE;
}

void sum_counters(const RSKRUNBLOCK* run, int32_t blocks, int64_t* priced, int64_t* reused) {
    *priced = *reused = 0;
    for (int32_t i = 0; i < blocks; ++i) {
        *priced += run->thread_blocks[i].priced;
        *reused += run->thread_blocks[i].reused;
    }
}

}  // namespace

void qk_rskex1(void* context, int index) {
    auto* con = static_cast<RSKCON*>(context);
    RSKTHREADCTL* block = &con->run_block->thread_blocks[index];
    RSKLINESINK sink{};
    rskex_capture(con, block, &sink);
    rskex1(con, block);
    rskex_release(block);
}

void rskex1(RSKCON* con, RSKTHREADCTL* block) {
    RSKRUNBLOCK* run = con->run_block;
    RSKPRICERUN& p = run->pricing;
    block->running = 1;
    if (block->failed) return;
    const double start = seconds_now();
    RSKACTION* price = p.type != nullptr ? &p.type->price : nullptr;
    rskmact(con, price, RSKBLK_MAIN, 1, block->thread_index);
    const int32_t count = std::min(block->state_count, run->state_count);
    block->state_current = block->state_start;
    block->row_current = block->row_start;
    block->decision_current = block->decision_start;
    block->status_current = block->status_start;
    block->current_state = block->first_state;
    RSKPROGRECORD* record = block->record;
    int64_t priced = 0, reused = 0;
    for (int32_t j = 0; j < count; ++j) {
        const int32_t decision = *block->decision_current;
        if (decision != RSKDEC_PRICE) {
            *block->status_current = reuse_status(con, block->current_state, decision);
            rskcf_reuse_state(con, block);
            ++reused;
        } else {
            uint8_t* market = block->state_current;
            if (block->full_vector != nullptr && run->pricing.full_vectors) {
                std::memcpy(block->full_vector, market, static_cast<size_t>(run->state_size));
                market = block->full_vector;
            }
            // Moving to the next state is two stores: the market state and the row.
            record->market_vector = reinterpret_cast<double*>(market);
            record->row_vector = block->row_current;
            rskex_restore(con, block);
            if (rskrcmp(con, record, block->current_state + 1) != 0)
                rskex_keep_line(con, block, RSKLINE_FAILURE, nullptr, 0);
            block->state_date = date_of(con, block->state_current);
            rskcf_price_state(con, block);
            ++priced;
            *block->status_current = RSKST_PRICED;
        }
        block->state_current += block->state_stride;
        block->row_current += block->row_length;
        block->decision_current += block->decision_stride;
        block->status_current += block->status_stride;
        ++block->current_state;
    }
    block->priced += priced;
    block->reused += reused;
    std::atomic_ref<int64_t>(p.priced).fetch_add(priced, std::memory_order_relaxed);
    std::atomic_ref<int64_t>(p.reused).fetch_add(reused, std::memory_order_relaxed);
    rskmact(con, price, RSKBLK_MAIN, 0, block->thread_index);
    rskex_block_postprocess(con, block, RSKPP_PRICED);
    block->seconds += seconds_now() - start;
    block->running = 0;
}

int rskexec(RSKCON* con) {
    RSKRUNBLOCK* run = con->run_block;
    RSKPRICERUN& p = run->pricing;
    if (run->abort) return 1;
    if (p.debug && p.positions_read < 50) xpslog("Debug note: rskexec entered.");
    if (rskex_bind(con) != 0) return 1;
    if (rskex0(con) != 0) return 1;
    if (p.skip) return rskex2(con);
    const double start = seconds_now();
    const int32_t blocks = run->threading ? rskex_blocks_in_use(run) : 1;
    int64_t priced_before = 0, reused_before = 0;
    sum_counters(run, blocks, &priced_before, &reused_before);
    if (run->state_count > 0) {
        // Block 0 on the calling thread, the others on the run's worker team (made once per
        // run); without a team every block runs here, in order. A block that ended abnormally
        // (the kit logged why) leaves the run without its states' values.
        if (rskteam_run(con, qk_rskex1, con, blocks) != 0) {
            for (int32_t i = 0; i < blocks; ++i) rskex_write_lines(con, &run->thread_blocks[i]);
            run->abort = 1;
            return 1;
        }
    }
    // After the wait, on the calling thread: lines in state order, then the reused states, whose
    // reference rows may lie in other blocks.
    for (int32_t i = 0; i < blocks; ++i) rskex_write_lines(con, &run->thread_blocks[i]);
    rskcf_write_blocks(con, blocks);
    const double elapsed = seconds_now() - start;
    p.seconds += elapsed;
    RSKTYPETIMING* timing = run->timing != nullptr && p.type != nullptr ? &run->timing[p.type->run.number] : nullptr;
    if (timing != nullptr) timing->seconds += elapsed;
    int rc = 0;
    for (int32_t i = 0; i < blocks; ++i) {
        RSKTHREADCTL* block = &run->thread_blocks[i];
        rc = std::max<int>(rc, block->running);
        if (block->failed) {
            run->abort = 1;
            return 1;
        }
    }
    for (int32_t i = 0; i < blocks && run->state_count > 0; ++i)
        if (rskex_block_postprocess(con, &run->thread_blocks[i], RSKPP_REUSED) != 0) {
            run->abort = 1;
            return 1;
        }
    // The run's state date is the last state's.
    if (run->state_count > 0) run->state_date = date_of(con, rskex_state(run, run->state_count - 1));
    int64_t priced_after = 0, reused_after = 0;
    sum_counters(run, blocks, &priced_after, &reused_after);
    if (timing != nullptr) {
        timing->pricings += priced_after - priced_before;
        timing->reused += reused_after - reused_before;
    }
    return std::max(rc, rskex2(con));
}
