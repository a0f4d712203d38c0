// What the covariance, historical and series generators share: access to a factor's current and
// base-case values, restoring the market, row ids, lags, parts, counters and the adjustments report.
#include <cstring>

#include "engine/analyses/analysis_phases.h"
#include "engine/analyses/simulation_generators.h"
#include "engine/model/control/out_of_memory.h"
#include "engine/model/lags/lags.h"
#include "engine/model/projects/projects.h"
#include "engine/model/variables/variable_record.h"
#include "engine/run/run_block.h"
#include "host/missing.h"
#include "host/print.h"

namespace {

constexpr int32_t kListedFactors = 40;   // factors listed in the adjustments report without debug

}  // namespace

double* rsasim_current(RSKVARIABLE* variable) {
    void* slot = variable->run.state_address[0] != nullptr ? variable->run.state_address[0] : variable->value;
    return static_cast<double*>(slot);
}

double rsasim_base(RSKVARIABLE* variable) {
    if (variable->run.state_address[1] != nullptr) return *static_cast<const double*>(variable->run.state_address[1]);
    if (variable->base_value != nullptr) return *variable->base_value;
    const double* current = rsasim_current(variable);
    return current != nullptr ? *current : qor::missing();
}

void rsasim_restore(RSKCON* con, RSKSIMGEN* gen) {
    RSKRUNBLOCK* run = con != nullptr ? con->run_block : nullptr;
    if (run != nullptr && run->market_vectors[0] != nullptr && run->market_vectors[1] != nullptr &&
        run->vector_size > 0)
        std::memcpy(run->market_vectors[0], run->market_vectors[1], static_cast<size_t>(run->vector_size));
    for (int32_t i = 0; i < gen->factor_count; ++i) {
        double* current = rsasim_current(gen->factors[i].variable);
        if (current != nullptr) *current = rsasim_base(gen->factors[i].variable);
    }
}

void rsasim_row_ids(RSKCON* con, int32_t k, int32_t replication, int32_t horizon) {
    RSKRUNRESULTS* results = rskres_run(con);
    if (results == nullptr) return;
    results->row.simulation_case = k;
    if (replication >= 0) results->row.simulation_replication = replication + 1.0;
    if (horizon >= 0) results->row.simulation_time = horizon + 1.0;
}

void rsasim_lags_clear(RSKCON* con) {
    if (con == nullptr || con->run_block == nullptr) return;
    con->run_block->history_fills[0] = 0;
    con->run_block->history_fills[1] = 0;
}

void rsasim_lags_advance(RSKCON* con) {
    if (con == nullptr || con->run_block == nullptr) return;
    if (con->run_block->history_on[0]) rsklagi(con, 1);
    if (con->run_block->history_on[1]) rsklagi(con, 2);
}

void rsasim_parts(RSKCON* con, RSKSIMGEN* gen) {
    gen->part = 1;
    gen->parts = 1;
    const RSKRUNRESULTS* results = rskres_run(con);
    const RSKRUNPARTS* parts = results != nullptr ? results->parts : nullptr;
    if (parts != nullptr && parts->analysis_parts > 1 && parts->analysis_part >= 1 &&
        parts->analysis_part <= parts->analysis_parts) {
        gen->part = parts->analysis_part;
        gen->parts = parts->analysis_parts;
    }
    gen->highest_skipped = -1;
}

void rsasim_factor_list_failed(RSKANLPROC* run) {
    const RSKNAMEREC& a = run->analysis->name.name;
    const RSKNAMEREC* p = run->project != nullptr ? &run->project->name.name : nullptr;
    xpmlog(598, 2614, a.length, a.text, p != nullptr ? p->length : 0, p != nullptr ? p->text : "");
}

void* rsasim_allocate(RSKCON* con, size_t bytes, const char* label) {
    qor_pool* pool = con->run_pool != nullptr ? con->run_pool : con->general_pool;
    void* block = bytes > 0 ? xmalloc_labelled(pool, bytes, QOR_ALLOC_ZERO, label) : nullptr;
    if (block == nullptr) {
        rsknomem(con, bytes, label);
        return nullptr;
    }
    if (con->run_block != nullptr) con->run_block->run_pool_bytes += bytes;
    return block;
}

int rsasim_take_factors(RSKCON* con, RSKANLPROC* run, RSKSIMGEN* gen) {
    gen->factor_count = 0;
    const int32_t n = run->run_factor_count;
    if (n <= 0) return 0;
    gen->factors = static_cast<RSKSIMFACTOR*>(
        rsasim_allocate(con, static_cast<size_t>(n) * sizeof(RSKSIMFACTOR), "simulation work vector"));
    if (gen->factors == nullptr) return 1;
    for (RSKRUNFACTOR* f = run->run_factors_head; f != nullptr && gen->factor_count < n; f = f->next) {
        RSKSIMFACTOR& entry = gen->factors[gen->factor_count++];
        entry.variable = f->variable;
        entry.saved = qor::missing();
    }
    return 0;
}

int rsasim_take_counters(RSKCON* con, RSKSIMGEN* gen) {
    const int64_t count = static_cast<int64_t>(gen->cases > 0 ? gen->cases : 1) * (gen->horizon_count > 0 ? gen->horizon_count : 1);
    gen->adjusted = static_cast<int32_t*>(
        rsasim_allocate(con, static_cast<size_t>(count) * sizeof(int32_t), "simulation work vector"));
    return gen->adjusted != nullptr ? 0 : 1;
}

void rsasim_report_adjustments(RSKCON* con, RSKANLPROC* run, RSKSIMGEN* gen, int32_t k) {
    if (gen->adjust_mode != RSKADJUST_BASE || gen->adjusted == nullptr) return;
    int64_t total = 0;
    for (int32_t h = 0; h < gen->horizon_count; ++h) total += gen->adjusted[static_cast<int64_t>(k) * gen->horizon_count + h];
    if (total <= 0) return;
    const RSKOBJNAME& name = run->analysis->name;
    const int length = name.name.length;
    const char* text = name.name.text;
    xpmlog(598, 2660, length, text, static_cast<long>(total), k);
    xpmlog(598, 8100);
    xpmlog(598, 8101, length, text, k);
    xpmlog(598, 8103);
    const bool all = con->debug_detail != 0;
    int32_t listed = 0;
    int64_t values = 0;
    for (int32_t i = 0; i < gen->factor_count; ++i) {
        RSKSIMFACTOR& f = gen->factors[i];
        if (f.adjustments <= 0) continue;
        ++listed;
        values += f.adjustments;
        if (listed <= kListedFactors || all)
            xpmlog(598, 8104, listed, f.variable->name.name.length, f.variable->name.name.text, f.adjustments);
        f.adjustments = 0;
    }
    xpmlog(598, 8105, listed, static_cast<long>(values));
    if (listed > kListedFactors && !all) xpmlog(598, 8106);
}

int rsasim_deal_replications(RSKCON* con, RSKSIMGEN* gen, RSKSIMWORK* work, void* generator) {
    work->generator = generator;
    gen->cases = work->var_types;
    gen->replications = work->replications;
    work->part_first = gen->part - 1;
    work->part_step = gen->parts;
    work->part_count =
        gen->replications > gen->part - 1 ? (gen->replications - gen->part + gen->parts) / gen->parts : 0;
    return rsasim_take_counters(con, gen);
}

int rsasim_generate_from_data(RSKCON* con, RSKANLPROC* run, RSKSIMGEN* gen, RSKSTATEGEN generator) {
    if (rsklagh(con, run) != 0) return 1;
    const int rc = rsasim1(con, run, generator);
    rsklagc(con);
    rskmdsc(con, &gen->reader);
    gen->reader_open = 0;
    return rc;
}
