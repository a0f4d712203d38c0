// The replication values of a simulation cell: a position's state values added into the cell's
// slots, the roll-up of child cells into their parent, and the per-position step.
#include "engine/analyses/simulation_run.h"
#include "engine/run/pricing.h"
#include "engine/run/run_block.h"
#include "host/missing.h"

namespace {

// Adds x into slot r; a missing x makes the slot missing and a missing slot stays missing, so
// the replication counts as missing instead of as a zero loss.
void add_into(uint8_t* values, int64_t r, double x) {
    const double slot = rsasim_get(values, r);
    if (qor::is_missing(slot)) return;
    rsasim_set(values, r, qor::is_missing(x) ? qor::missing() : slot + x);
}

}  // namespace

int rsasim2(RSKCON* con, RSKANLPROC* run, void* area, int64_t first, int64_t last) {
    RSKSIMWORK* w = rsasim_work(run);
    RSKRUNBLOCK* rb = con->run_block;
    if (w == nullptr || rb == nullptr || rb->results == nullptr || area == nullptr) return 1;
    const int64_t per_case = static_cast<int64_t>(w->part_count) * w->horizon_count;
    if (per_case < 1) return 0;
    const double base = rb->row0[0];
    for (int64_t s = first; s <= last; ++s) {
        const int64_t k = s / per_case;
        const int64_t rest = s % per_case;
        const int64_t i = rest / w->horizon_count;
        const int32_t h = static_cast<int32_t>(rest % w->horizon_count);
        const int64_t r = w->part_first + i * w->part_step;
        if (k >= w->var_types || r < 0 || r >= w->replications) continue;
        const int64_t row = run->first_state + s + 2;
        if (row >= rb->row_count) break;
        const double* values = get_state_value(rb, static_cast<int32_t>(row));
        for (int32_t v = 0; v < w->outv_count; ++v) {
            const RSKSIMOUTV& o = w->outv[v];
            if (o.source_kind != RSKSIMSRC_PRICED || o.column < 0 || o.column >= rb->row_doubles) continue;
            double x = values[o.column];
            if ((o.is_pl || o.is_return) && !qor::is_missing(x))
                x = qor::is_missing(base) ? qor::missing() : x - base;
            add_into(rsasim_values(w, rsasim_block(w, area, static_cast<int32_t>(k), h, v)), r, x);
        }
    }
    return 0;
}

int rsasim3(RSKCON*, RSKANLPROC* run, void* parent, void* child, int, int count) {
    RSKSIMWORK* w = rsasim_work(run);
    if (w == nullptr || parent == nullptr || child == nullptr) return 1;
    for (int32_t k = 0; k < w->var_types; ++k)
        for (int32_t h = 0; h < w->horizon_count; ++h)
            for (int32_t v = 0; v < w->outv_count; ++v) {
                uint8_t* to = rsasim_values(w, rsasim_block(w, parent, k, h, v));
                const uint8_t* from = rsasim_values(w, rsasim_block(w, child, k, h, v));
                for (int64_t r = 0; r < w->replications; ++r) {
                    if (count == 0) rsasim_set(to, r, 0.0);
                    add_into(to, r, rsasim_get(from, r));
                }
            }
    return 0;
}

// Simulated values need no value weighting: every output variable is a plain sum over the
// positions of a cell, so the step leaves the cell as it is.
int sim_process_vw(RSKCON*, RSKANLPROC* run, void*) { return rsasim_work(run) != nullptr ? 0 : 1; }
