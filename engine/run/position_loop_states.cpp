// The states of one position in the position loop: every state priced, or the prices of the
// cached identical position delivered again at the current quantity; and the run's counts of
// states priced and state values delivered.
#include "engine/run/position_loop.h"
#include "engine/run/pricing.h"
#include "engine/run/run_block.h"
#include "host/print.h"

namespace {

// The blocks that hold states: the same blocks rskexec ran.
int32_t blocks_in_use(const RSKRUNBLOCK* run) { return run->threading ? rskex_blocks_in_use(run) : 1; }

// The prices still in the blocks' rows belong to the cached position: they are processed again
// relative to its quantity, short flag and sign, and the current position's become the held ones.
int cache_rskexec(RSKCON* con) {
    RSKRUNBLOCK* run = con->run_block;
    RSKPRICERUN& p = run->pricing;
    RSKINSTCACHE& key = run->loop.cache;
    if (p.debug && p.positions_read < 50) xpslog("Debug note: cache_rskexec entered.");
    p.cached = 1;
    p.cached_quantity = key.quantity;
    p.cached_short = key.short_position;
    p.cached_sign = key.sign;
    run->loop.prices_reused = 1;
    int rc = 0;
    const int32_t blocks = blocks_in_use(run);
    for (int32_t i = 0; i < blocks && rc == 0 && run->thread_blocks != nullptr; ++i)
        if (rsktdPP(con, &run->thread_blocks[i]) != 0) rc = 1;
    if (rc == 0) {
        run->loop.reused_delivered += run->state_count;
        rc = rskex2(con);
    }
    key.quantity = p.quantity;
    key.short_position = p.short_position;
    key.sign = p.sign;
    p.cached = 0;
    run->loop.prices_reused = 0;
    if (rc != 0) run->abort = 1;
    return rc;
}

}  // namespace

int price_states(RSKCON* con, int reuse) {
    RSKRUNBLOCK* run = con->run_block;
    if (run->loop.base_failed || run->state_count <= 0) return 0;
    int rc = 0;
    if (!reuse) {
        for (int32_t i = 0; i < run->price_slots && run->priced_flags != nullptr; ++i) run->priced_flags[i] = 0;
        rc = rskexec(con);
    } else {
        rc = cache_rskexec(con);
    }
    return run->abort || rc != 0 ? 1 : 0;
}

int get_counts(RSKCON* con) {
    RSKRUNBLOCK* run = con->run_block;
    RSKLOOPRUN& loop = run->loop;
    // The blocks' counters run over the whole run: only what they gained since the last call is
    // added, so a run over several instrument files counts each state once.
    int64_t priced = 0, delivered = 0;
    for (int32_t i = 0; i < run->thread_count && run->thread_blocks != nullptr; ++i) {
        priced += run->thread_blocks[i].priced;
        delivered += run->thread_blocks[i].priced + run->thread_blocks[i].reused;
    }
    delivered += loop.reused_delivered;
    run->states_priced += priced - loop.counted_priced;
    run->values_delivered += delivered - loop.counted_delivered;
    loop.counted_priced = priced;
    loop.counted_delivered = delivered;
    if (run->threading && con->no_timer == 0) {
        const long seconds = static_cast<long>(run->pricing.seconds);
        xpmlog(598, 2819, static_cast<int>(rskex_blocks_in_use(run)), static_cast<int>(seconds / 60),
               static_cast<int>(seconds % 60));
    }
    return 0;
}
