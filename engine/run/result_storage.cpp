// Building the run's analyses and sizing its result storage (rskrun0): each analysis builds its
// share of the results cell, the run decides whether it makes market states, places the output
// variables and allocates the results cell, the pricing vectors and the market-state buffer.
#include <cstring>

#include "common/memory/pool_memory.h"

#include "engine/analyses/analysis_phases.h"
#include "engine/analyses/instrument_statistics.h"
#include "engine/model/options/engine_options.h"
#include "engine/model/variables/variable_record.h"
#include "engine/run/analysis_services.h"
#include "engine/run/market_state.h"
#include "engine/run/project_run_support.h"
#include "engine/run/run_dependencies.h"

using namespace rskrun_support;

namespace {

constexpr int32_t kResultsHeader = 88;            // the fixed statistics of a cell
constexpr int32_t kInstrumentStatisticBytes = 64;
constexpr int64_t kLargestBuffer = 2147483647;

int32_t round4(int32_t bytes) { return (bytes + 3) / 4 * 4; }

// A variable's label is its description property.
int label_length(const RSKVARIABLE* v) {
    return v->properties.description != nullptr && v->properties.description_length > 0 ? v->properties.description_length : 0;
}

// The variables the analysis marked while it built become its variable list.
int collect_variables(RSKCON* con, RSKANLPROC* record) {
    RSKVARLINK* last = nullptr;
    for (RSKVARIABLE* v = con->variables_head; v != nullptr; v = v->next) {
        if (v->analysis_mark == 0) continue;
        auto* link = static_cast<RSKVARLINK*>(run_alloc(con, sizeof(RSKVARLINK), "analysis variable list", RSKMEM_RESULTS));
        if (link == nullptr) return 1;
        link->variable = v;
        if (last != nullptr) last->next = link;
        else record->variables = link;
        last = link;
    }
    return 0;
}

// Step 3: states are generated when the run prices positions, when a state-only run reads
// states back, or when a complete run asks for the simulations' risk-factor importance.
void decide_states(RSKCON* con) {
    RSKRUNBLOCK* run = con->run_block;
    RSKRUNPARMS* parms = run->parms;
    const bool importance = run->result_sets.descriptors[RSKRES_SIMRFIM].requested != 0;
    const bool generate = (parms->mode == RSKRUN_MODE_COMPLETE && importance) ||
                          (parms->mode == RSKRUN_MODE_STATES && parms->read_states != 0) || parms->kind_counts[0] > 0;
    parms->generate_states = generate ? 1 : 0;
    parms->regenerate = generate && parms->read_states == 0 ? 1 : 0;
    if (parms->read_states != 0 && !generate) {
        xpmlog(670, 1196);
        parms->read_states = 0;
        std::memset(parms->results_ref, ' ', sizeof parms->results_ref);
    }
    run->generate_states = parms->generate_states;
    run->regenerate = parms->regenerate;
    run->read_states = parms->read_states;
    run->own_states = parms->regenerate;
    run->state_buffer.read_back = parms->read_states;
}

}  // namespace

int flag_zozu_factors(RSKCON* con, RSKANLPROC* record, int bit) {
    (void)con;
    for (RSKRUNFACTOR* f = record->run_factors_head; f != nullptr; f = f->next)
        if (f->variable != nullptr) f->variable->factor_modes = static_cast<uint8_t>(f->variable->factor_modes | (1u << bit));
    for (RSKVARLINK* link = record->references; link != nullptr; link = link->next)
        if (link->variable != nullptr) link->variable->analysis_use = 1;
    return 0;
}

int build_result(RSKCON* con, RSKANLPROC* record) {
    RSKRUNBLOCK* run = con->run_block;
    record->cell_size = 0;
    record->cell_offset = run->results_cell_size;
    for (RSKVARIABLE* v = con->variables_head; v != nullptr; v = v->next) v->analysis_mark = 0;
    const int kind = kind_of(record);
    const RSKPHASES* phases = rsa_phases(kind, RSKDISP_BUILD);
    if (phases == nullptr) return 1;
    if (phases->build != nullptr && phases->build(con, record, record->analysis) != 0) return 1;
    int bit = -1;
    if (kind == 2) bit = 2;
    else if (simulates(kind)) bit = 3;
    else if (kind == 10) bit = 4;
    if (bit >= 0 && flag_zozu_factors(con, record, bit) != 0) return 1;
    if (collect_variables(con, record) != 0) return 1;
    run->results_cell_size += round4(record->cell_size);
    return 0;
}

int allocate_results_cell(RSKCON* con) {
    RSKRUNBLOCK* run = con->run_block;
    run->results_cell = static_cast<uint8_t*>(
        run_alloc(con, static_cast<size_t>(run->results_cell_size), "results collection structures", RSKMEM_RESULTS));
    return run->results_cell != nullptr ? 0 : 1;
}

int allocate_pricing(RSKCON* con) {
    RSKRUNBLOCK* run = con->run_block;
    const int32_t slots = (run->planned_states > 0 ? run->planned_states : 0) + 1;
    run->price_index = static_cast<int32_t*>(
        run_alloc(con, sizeof(int32_t) * static_cast<size_t>(slots), "price index vector", RSKMEM_PRICING_RESULTS));
    if (run->price_index == nullptr) return 1;
    run->priced_flags = static_cast<uint8_t*>(run_alloc(con, static_cast<size_t>(slots), "priced flags", RSKMEM_PRICING_RESULTS));
    if (run->priced_flags == nullptr) return 1;
    run->price_slots = slots;
    run->state_count = run->planned_states > 0 ? run->planned_states : 0;
    return rskmem3(con);
}

// The market-state buffer holds every state the run appends, each of the run's state size.
// Its size is checked against the 2^31 - 1 bytes an offset can reach and against the option
// limit (kilobytes, code 321) before anything is allocated.
int allocate_buffer(RSKCON* con) {
    RSKRUNBLOCK* run = con->run_block;
    const RSKPROJECT* project = run->project;
    const int64_t per_state = run->state_size > 1 ? run->state_size : 1;
    const int64_t states = run->planned_states > 0 ? run->planned_states : 0;
    const int plen = project != nullptr ? length_of(project->name) : 0;
    const char* ptext = project != nullptr ? text_of(project->name) : "";
    auto refuse = [&]() {
        con->error = 1;
        con->no_memory_reported = 1;
        run->abort = 1;
        return 1;
    };
    if (kLargestBuffer / per_state < states) {
        xpmlog(598, 2002, static_cast<long>(per_state), plen, ptext, static_cast<long>(states));
        return refuse();
    }
    const int64_t bytes = per_state * states;
    const int32_t limit_kb = run->run_options != nullptr ? run->run_options->option321 : 0;
    if (limit_kb > 0 && bytes > static_cast<int64_t>(limit_kb) * 1024) {
        const bool generic = con->generic != 0;
        xpmlog(598, 2003, generic ? -1L : static_cast<long>((bytes + 1023) / 1024), generic ? -1L : static_cast<long>(per_state),
               plen, ptext, generic ? -1L : static_cast<long>(states), generic ? -1L : static_cast<long>(limit_kb));
        return refuse();
    }
    if (bytes == 0) return rskmkt_attach(con, nullptr, 0);
    void* buffer = con->run_pool != nullptr ? vmalcp_handler(con->run_pool, static_cast<size_t>(bytes), QOR_ALLOC_PLAIN)
                                             : nullptr;
    if (buffer == nullptr) {
        xpmlog(598, 2004, static_cast<long>(bytes), plen, ptext);
        return refuse();
    }
    rskmkt_attach(con, static_cast<uint8_t*>(buffer), states);
    run->run_pool_bytes += static_cast<size_t>(bytes);
    run->memory[RSKMEM_STATE_BUFFER] += static_cast<uint64_t>(bytes);
    return 0;
}

int rskrun0(RSKCON* con, RSKPROJECT* project) {
    RSKRUNBLOCK* run = con->run_block;
    RSKRUNPARMS* parms = run->parms;
    if (length_of(project->statistics) > 0 && rsasta0(con, project) != 0) return 1;
    if (rskrun_make_output_table(con) != 0) return 1;
    run->results_header = kResultsHeader;
    run->results_cell_size = kResultsHeader + kInstrumentStatisticBytes * run->result_sets.inst_stat_count;

    decide_states(con);
    if (parms->read_states != 0 || parms->kind_counts[1] > 0 || parms->kind_counts[2] > 0) {
        if (!RSKRUN_HAS(rskresr)) return 1;
        const int rc = rskresr(con, 1);
        if (rc != 0) return rc;
    }

    for (RSKANLPROC* r = run->analyses_head; r != nullptr; r = r->next)
        if (!r->failed && build_result(con, r) != 0) disable_analysis(r);
    for (RSKANLPROC* r = run->analyses_head; r != nullptr; r = r->next) {
        if (r->failed) continue;
        for (RSKVARLINK* link = r->variables; link != nullptr; link = link->next) {
            RSKVARIABLE* v = link->variable;
            v->analysis_use = 1;
            if (length_of(v->name) > run->longest_variable_name) run->longest_variable_name = length_of(v->name);
            if (label_length(v) > run->longest_label) run->longest_label = label_length(v);
        }
    }

    if (parms->kind_counts[2] == 0 && (run->run_options == nullptr || run->run_options->ags == 0)) {
        const int rc = define_outvar0(con);
        if (rc > 0) return rc;
    }

    int32_t enabled = 0;
    for (const RSKANLPROC* r = run->analyses_head; r != nullptr; r = r->next) enabled += r->failed ? 0 : 1;
    if (run->analysis_count > 0 && enabled == 0) {
        xpmlog(598, 2810, static_cast<int>(run->analysis_count), length_of(project->name), text_of(project->name));
        return 1;
    }
    for (RSKOUTVAR* e = run->output_variables->first; e != nullptr; e = e->next_in_order) {
        e->cell_offset = run->results_cell_size;
        run->results_cell_size = round4(run->results_cell_size + 8);
    }
    // Every cell of the cross-classification holds one results cell.
    run->cell_size = run->results_cell_size;
    int rc = allocate_results_cell(con);
    if (rc == 0) rc = allocate_pricing(con);
    if (rc == 0 && run->generate_states) rc = allocate_buffer(con);
    return rc;
}
