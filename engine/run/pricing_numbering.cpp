// State numbering of a run (the result owning a state, a simulation state's case, draw and
// horizon, the rows of its reference states) and the decisions of re-pricing avoidance (rskex0).
#include <cstring>

#include "engine/compiler/dependencies.h"
#include "engine/run/analysis_processing.h"
#include "engine/run/pricing.h"

namespace {

// D x H of a simulation result.
int32_t case_span(const RSKANLPROC* r) { return r->draws * r->horizons; }

// The change mask of a state in the market-state buffer: behind the state's header.
const uint8_t* state_mask(const uint8_t* state) { return state + sizeof(RSKSTATEHEADER); }

// Whether the position reads a factor set in mask.
bool changed(RSKCON* con, const uint8_t* needed, const uint8_t* mask) {
    const RSKRUNBLOCK* run = con->run_block;
    return rskrsvc(con, needed, mask, run->mask_bytes / 4) != 0;
}

// Decision of one state of a simulation result (per-state mask switch off).
int32_t simulation_decision(RSKCON* con, const uint8_t* needed, const RSKANLPROC* r, int32_t state) {
    const int32_t c = get_case_from_num(r, state);
    if (c <= 0) return RSKDEC_PRICE;   // the unconditional case, or no case at all
    if (!changed(con, needed, get_uncondmask_from_res(con, r, c))) return RSKDEC_BASE;
    const int32_t d = get_draw_from_num(r, c, state);
    if (d < 1) return RSKDEC_PRICE;    // the case's representative draw
    return changed(con, needed, get_repmask_from_res(con, r, c)) ? RSKDEC_PRICE : RSKDEC_REPRESENTATIVE;
}

}  // namespace

bool rsk_simulation_kind(uint32_t kind) { return kind == 6 || kind == 7 || kind == 8 || kind == 9 || kind == 15; }

RSKANLPROC* get_res_from_num(RSKCON* con, int32_t state) {
    for (RSKANLPROC* r = con->run_block->pricing.results; r != nullptr; r = r->next)
        if (r->first_state + r->state_count > state) return r;
    return nullptr;
}

int32_t get_case_from_num(const RSKANLPROC* r, int32_t state) {
    const int32_t span = case_span(r);
    if (state < 0 || span < 1 || state < r->first_state) return -1;
    return (state - r->first_state) / span;
}

int32_t get_draw_from_num(const RSKANLPROC* r, int32_t simulation_case, int32_t state) {
    const int32_t span = simulation_case * case_span(r);
    if (simulation_case < 0 || state < 0 || span <= 0 || r->horizons < 1) return -1;
    const int32_t difference = state - r->first_state - span;
    return difference < 0 ? -1 : difference / r->horizons;
}

int32_t get_hor_from_num(const RSKANLPROC* r, int32_t simulation_case, int32_t draw, int32_t state) {
    if (simulation_case < 0 || draw < 0 || state < 0) return -1;
    const int32_t start = (simulation_case * r->draws + draw) * r->horizons;
    if (start <= 0) return -1;
    const int32_t horizon = state - r->first_state - start;
    return horizon < 0 ? -1 : horizon;
}

int32_t get_uncondstate_from_num(const RSKANLPROC* r, int32_t horizon, int32_t draw) {
    if (horizon < 0 || draw < 0) return 0;
    return horizon + draw * r->horizons + r->first_state + 2;
}

int32_t get_condstate_from_num(const RSKANLPROC* r, int32_t simulation_case, int32_t horizon) {
    if (horizon < 0 || simulation_case < 0) return 0;
    return horizon + simulation_case * r->horizons * r->draws + r->first_state + 2;
}

const uint8_t* get_uncondmask_from_res(RSKCON* con, const RSKANLPROC* r, int32_t simulation_case) {
    if (r->unconditional_masks == nullptr || simulation_case < 0) return nullptr;
    return r->unconditional_masks + static_cast<size_t>(simulation_case) * static_cast<size_t>(con->run_block->mask_bytes);
}

const uint8_t* get_repmask_from_res(RSKCON* con, const RSKANLPROC* r, int32_t simulation_case) {
    if (r->representative_masks == nullptr || simulation_case < 0) return nullptr;
    return r->representative_masks + static_cast<size_t>(simulation_case) * static_cast<size_t>(con->run_block->mask_bytes);
}

double* get_state_value(RSKRUNBLOCK* run, int32_t row) {
    if (row < 0) row = 0;
    return run->results + static_cast<size_t>(row) * static_cast<size_t>(run->row_doubles);
}

int rskex0(RSKCON* con) {
    RSKRUNBLOCK* run = con->run_block;
    RSKPRICERUN& p = run->pricing;
    if (p.skip) return 0;   // the position loop does not price it
    if (run->abort) return 1;
    const uint8_t* needed = p.needed_mask;
    for (int32_t s = 0; s < run->state_count; ++s) {
        int32_t decision = RSKDEC_PRICE;
        if (!run->price_all_states) {
            const RSKANLPROC* r = get_res_from_num(con, s);
            const bool simulation = r != nullptr && rsk_simulation_kind(r->kind);
            if (p.per_state_masks || !simulation) {
                const uint8_t* state = rskex_state(run, s);
                decision = state != nullptr && !changed(con, needed, state_mask(state)) ? RSKDEC_BASE : RSKDEC_PRICE;
            } else {
                decision = simulation_decision(con, needed, r, s);
            }
        }
        p.decisions[s] = decision;
    }
    return 0;
}

uint8_t* rskex_state(RSKRUNBLOCK* run, int32_t state) {
    const RSKTHREADCTL* first = run->thread_blocks;
    if (first == nullptr || first->state_start == nullptr || state < 0 || state >= run->state_count) return nullptr;
    return first->state_start + static_cast<size_t>(state - first->first_state) * static_cast<size_t>(first->state_stride);
}
