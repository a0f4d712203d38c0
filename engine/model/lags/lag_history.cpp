// The lag state of a simulation: clearing it, the history block of the states generated along
// a path (one date array and one row per lagged variable for each of the two modes), and the
// recording of each new state in it.
#include <cstring>

#include "common/memory/pool_memory.h"
#include "engine/model/control/out_of_memory.h"
#include "engine/model/currencies/currency_table.h"
#include "engine/model/lags/lags.h"
#include "engine/compiler/dependencies.h"
#include "engine/model/services/compiler.h"
#include "engine/model/variables/variable_record.h"
#include "engine/run/analysis_processing.h"
#include "engine/run/run_block.h"

namespace {

constexpr uint32_t kModelSimulation = 7;
constexpr uint32_t kModelSimulationToo = 15;
constexpr uint32_t kCashFlowAnalysis = 13;

bool has_lag_grid(const RSKVARIABLE* v) {
    return (v->flags2 & RSKF2_LAG_GRID) && v->lag_grid != nullptr;
}

// Lays the block out: each mode's date array, then one row per variable of that mode in the
// order of the lagged list.
void lay_out(RSKCON* con, double* block, const bool needed[2]) {
    RSKRUNBLOCK* run = con->run_block;
    double* at = block;
    for (int m = 0; m < 2; ++m) {
        if (!needed[m]) continue;
        const int32_t states = run->history_capacity[m];
        run->history_dates[m] = at;
        run->history_on[m] = 1;
        at += states;
        for (RSKVARLINK* link = con->runtime_tables->lagged_list.head; link != nullptr; link = link->next) {
            RSKVARIABLE* v = link->variable;
            if (v == nullptr || v->lag_mode != m + 1) continue;
            v->lag_history = at;
            at += states;
        }
    }
}

}  // namespace

int rsklagc(RSKCON* con) {
    RSKRUNBLOCK* run = con->run_block;
    if (run == nullptr) return 0;
    for (int m = 0; m < 2; ++m) {
        run->lag_counts[m] = 0;
        run->history_dates[m] = nullptr;
        run->history_fills[m] = 0;
        run->history_on[m] = 0;
        run->history_capacity[m] = 0;
    }
    if (con->runtime_tables == nullptr) return 0;
    // Every risk factor: an analysis marks factors with and without a lag grid.
    for (RSKVARLINK* link = con->runtime_tables->factor_list.head; link != nullptr; link = link->next) {
        RSKVARIABLE* v = link->variable;
        if (v == nullptr) continue;
        v->lag_pending = 0;
        v->lag_mode = 0;
        v->lag_history = nullptr;
        v->lag_in_analysis = 0;
    }
    return 0;
}

int rsklagh(RSKCON* con, RSKANLPROC* work_area) {
    RSKRUNBLOCK* run = con->run_block;
    if (run == nullptr || work_area == nullptr || con->runtime_tables == nullptr) return 0;
    rsklagc(con);
    const bool model_simulation = work_area->kind == kModelSimulation || work_area->kind == kModelSimulationToo ||
                                  (work_area->kind == kCashFlowAnalysis && work_area->subkind == kModelSimulation);
    const int32_t horizons = model_simulation ? work_area->model_horizons : work_area->horizons;
    const int32_t general_horizons = work_area->horizons;

    int32_t count_factors = 0;
    for (RSKVARLINK* link = work_area->factors; link != nullptr; link = link->next) {
        RSKVARIABLE* v = link->variable;
        if (v == nullptr) continue;
        v->lag_in_analysis = 1;
        if (has_lag_grid(v) && v->lag_mode == 0) {
            v->lag_mode = 1;
            ++count_factors;
        }
    }
    // Lagged variables the analysis does not name but whose values follow the state.
    int32_t count_dependent = 0;
    run->work_area = work_area;
    if (rskrsvx(con, 0, 0) == 0) {
        for (RSKVARLINK* link = con->runtime_tables->lagged_list.head; link != nullptr; link = link->next) {
            RSKVARIABLE* v = link->variable;
            if (v == nullptr || v->lag_mode != 0 || !has_lag_grid(v) || rskrsvv(con, v) == 0) continue;
            v->lag_mode = 2;
            ++count_dependent;
        }
    }
    run->lag_counts[0] = count_factors;
    run->lag_counts[1] = count_dependent;

    const bool needed[2] = {count_factors >= 1 && horizons > 1, count_dependent >= 1 && general_horizons > 1};
    if (!needed[0] && !needed[1]) return 0;
    // Only a needed mode takes room: a mode of no horizons would otherwise take a negative share.
    size_t doubles = 0;
    if (needed[0]) {
        run->history_capacity[0] = horizons - 1;
        doubles += static_cast<size_t>(count_factors + 1) * static_cast<size_t>(horizons - 1);
    }
    if (needed[1]) {
        run->history_capacity[1] = general_horizons - 1;
        doubles += static_cast<size_t>(count_dependent + 1) * static_cast<size_t>(general_horizons - 1);
    }
    const size_t bytes = doubles * sizeof(double);
    qor_pool* pool = con->run_pool != nullptr ? con->run_pool : con->general_pool;
    auto* block = static_cast<double*>(vmalcp_handler(pool, bytes, QOR_ALLOC_ZERO));
    if (block == nullptr) {
        rsknomem(con, bytes, "lag working vector");
        con->error = 1;
        run->history_capacity[0] = run->history_capacity[1] = 0;
        return 1;
    }
    if (pool == con->run_pool) run->run_pool_bytes += bytes;
    lay_out(con, block, needed);
    return 0;
}

int rsklagi(RSKCON* con, int mode) {
    RSKRUNBLOCK* run = con->run_block;
    if (run == nullptr || con->runtime_tables == nullptr) return 0;
    const int m = mode == 2 ? 1 : 0;
    if (!run->history_on[m]) return 0;
    const int32_t at = run->history_fills[m];
    // A path longer than its horizons has no room left: the history keeps its first states.
    if (at >= run->history_capacity[m]) return 1;
    run->history_dates[m][at] = run->state_date;
    for (RSKVARLINK* link = con->runtime_tables->lagged_list.head; link != nullptr; link = link->next) {
        RSKVARIABLE* v = link->variable;
        if (v == nullptr || v->lag_mode != m + 1 || v->lag_history == nullptr || v->value == nullptr) continue;
        v->lag_history[at] = static_cast<const double*>(v->value)[0];
    }
    run->history_fills[m] = at + 1;
    return 0;
}
