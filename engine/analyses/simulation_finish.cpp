// The finish phase of a simulation cell: returns as fractions of the cell's base value, the
// bootstrap set-up and the statistics of every VaR type, horizon and output variable.
#include <cmath>
#include <cstddef>
#include <cstring>

#include "engine/analyses/simulation_postvars.h"
#include "engine/analyses/simulation_run.h"
#include "engine/run/position_loop.h"
#include "engine/run/run_block.h"
#include "engine/run/run_finish.h"
#include "host/missing.h"
#include "host/print.h"

namespace {

constexpr double kEps16 = 1.110223024625157e-16;

// Return values are summed as P/L over the positions and the children of a cell; here they
// become fractions of the magnitude of the cell's base value (missing when it is about 0).
void make_returns(RSKSIMWORK* w, uint8_t* area, double base) {
    for (int32_t v = 0; v < w->outv_count; ++v) {
        if (!w->outv[v].is_return) continue;
        const bool usable = !qor::is_missing(base) && std::fabs(base) > kEps16;
        for (int32_t k = 0; k < w->var_types; ++k)
            for (int32_t h = 0; h < w->horizon_count; ++h) {
                uint8_t* values = rsasim_values(w, rsasim_block(w, area, k, h, v));
                for (int64_t r = 0; r < w->replications; ++r) {
                    const double x = rsasim_get(values, r);
                    if (qor::is_missing(x)) continue;
                    rsasim_set(values, r, usable ? x / std::fabs(base) : qor::missing());
                }
            }
    }
}

int statistics_pass(RSKCON* con, RSKSIMWORK* w, uint8_t* area, int pass) {
    int rc = 0;
    w->statistics_pass = pass;
    for (int32_t k = 0; k < w->var_types; ++k)
        for (int32_t h = 0; h < w->horizon_count; ++h)
            for (int32_t v = 0; v < w->outv_count; ++v) {
                w->current = &w->outv[v];
                w->current_ids[0] = k;
                w->current_ids[1] = h + 1;
                const int code = get_simulation_results(con, w, rsasim_block(w, area, k, h, v));
                if (code > rc) rc = code;
            }
    w->current = nullptr;
    return rc;
}

}  // namespace

double rsasim_cell_base(RSKANLPROC* run, void* area) {
    if (run == nullptr || area == nullptr || run->cell_offset < static_cast<int32_t>(sizeof(RSKCELLHEAD)))
        return qor::missing();
    const uint8_t* cell = static_cast<uint8_t*>(area) - run->cell_offset;
    double value;
    std::memcpy(&value, cell + offsetof(RSKCELLHEAD, value_sum), sizeof value);
    return value;
}

int rsasim4(RSKCON* con, RSKANLPROC* run, void* area) {
    RSKSIMWORK* w = rsasim_work(run);
    if (w == nullptr || area == nullptr) return 1;
    uint8_t* cell = static_cast<uint8_t*>(area);
    make_returns(w, cell, rsasim_cell_base(run, area));
    // The bootstrap starts afresh for every cell, so a cell's bounds do not depend on the order
    // in which the aggregation finishes the cells.
    if (w->nboot >= 1 && init_boot_strap(con, w) != 0 && !w->boot_reported) {
        w->boot_reported = 1;
        xpmlog(598, 2683, w->analysis->name.name.length, w->analysis->name.name.text);
    }
    int rc = statistics_pass(con, w, cell, 1);
    // The post-valuation methods read the first pass's statistics and compute the values of
    // their own variables, whose statistics the second pass forms.
    if (con->run_block != nullptr && con->run_block->phases.postvar) {
        const int code = postvar_run(con, run, area);
        if (code > rc) rc = code;
    }
    const int second = statistics_pass(con, w, cell, 2);
    if (second > rc) rc = second;
    free_boot_strap(con, w);
    finish_postvar(con, w);
    return rc;
}
