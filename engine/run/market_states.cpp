// The market states of a run (rskrun1): the state data sets, the base case priced, then every
// enabled analysis generates its states (or reads them back from an earlier run), and the
// states to price are divided among the thread blocks.
#include <cmath>
#include <initializer_list>
#include <cstring>

#include "common/intervals/interval_arith.h"
#include "engine/analyses/analysis_phases.h"
#include "engine/compiler/compiler_driver.h"
#include "engine/compiler/dependencies.h"
#include "engine/model/options/engine_options.h"
#include "engine/model/variables/variable_record.h"
#include "engine/model/variables/variables.h"
#include "engine/output/result_datasets.h"
#include "engine/run/analysis_services.h"
#include "engine/run/project_run_support.h"
#include "engine/run/run_dependencies.h"
#include "host/missing.h"

using namespace rskrun_support;

namespace {

// Defines one result data set of the states output object; 0 or the definition's code.
int define_set(RSKCON* con, int kind) {
    RSKRUNBLOCK* run = con->run_block;
    RSKOUTOBJ* object = run->outputs[RSKOUT_STATES] != nullptr ? run->outputs[RSKOUT_STATES] : run->outputs[RSKOUT_MAIN];
    return rskputd(con, nullptr, object, kind);
}

bool requested(RSKCON* con, int kind) { return con->run_block->result_sets.descriptors[kind].requested != 0; }

int define_state_sets(RSKCON* con) {
    RSKRUNBLOCK* run = con->run_block;
    RSKRUNPARMS* parms = run->parms;
    RSKOPTREC* options = run->run_options;
    if (parms->mode == RSKRUN_MODE_STATES) options->allstates = 1;
    if (parms->state_sources > 1) options->allstates = 0;
    int rc = 0;
    if (options->allstates != 0)
        for (int kind : {RSKRES_STATES_A, RSKRES_STATES_V, RSKRES_STATES})
            if (rc == 0) rc = define_set(con, kind);
    if (rc == 0 && parms->generate_states != 0 && parms->read_states == 0) {
        if (requested(con, RSKRES_MKTRATES) && parms->analysis_part == 1 && parms->portfolio_part == 1)
            rc = define_set(con, RSKRES_MKTRATES);
        if (rc == 0 && options->states != 0 && parms->portfolio_part == 1) rc = define_set(con, RSKRES_MKTSTATE);
        if (rc == 0 && requested(con, RSKRES_SIMRFS)) rc = define_set(con, RSKRES_SIMRFS);
        if (rc == 0 && requested(con, RSKRES_SHOCKS)) rc = define_set(con, RSKRES_SHOCKS);
    }
    if (rc != 0) return 1;
    if (requested(con, RSKRES_SIMSTATE) && (parms->generate_states != 0 || parms->mode == RSKRUN_MODE_COMPLETE) &&
        define_set(con, RSKRES_SIMSTATE) != 0)
        return 100;
    return 0;
}

// The methods see the valuation date through the date variable's slots.
void publish_date(RSKCON* con, double date) {
    RSKRUNBLOCK* run = con->run_block;
    run->state_date = date;
    RSKVARIABLE* v = con->system_variables != nullptr ? con->system_variables->date : nullptr;
    if (v == nullptr) return;
    if (v->run.state_address[0] != nullptr) std::memcpy(v->run.state_address[0], &date, sizeof date);
    if (v->run.record_address != nullptr) std::memcpy(v->run.record_address, &date, sizeof date);
}

// Kind 13 with tools 1 to 3 values at the base date advanced by the analysis's horizon interval;
// a date-time interval works on seconds.
double horizon_date(const RSKANALYSIS* analysis, double base) {
    const interval_spec* spec = &analysis->simulation.horizon_interval;
    if (spec->code == INTERVAL_NONE) return base;
    if (spec->kind != INTERVAL_KIND_SECONDS) return zintnx2(spec, base, 1);
    const double seconds = std::floor(base * 1.000000000000001 * 86400.0);
    return zintnx2(spec, seconds, 1) / 86400.0;
}

double analysis_date(RSKCON* con, const RSKANLPROC* record) {
    const RSKRUNBLOCK* run = con->run_block;
    const int kind = kind_of(record);
    const RSKANALYSIS* analysis = record->analysis;
    if (kind >= 2 && kind <= 5 && !qor::is_missing(analysis->evaluation_date)) return analysis->evaluation_date;
    if (kind == 13 && tool_of(record) >= 1 && tool_of(record) <= 3) return horizon_date(analysis, run->base_date);
    return run->base_date;
}

// Writes the base-case rows of the state data sets that are open.
int write_base_rows(RSKCON* con) {
    RSKRUNRESULTS& results = con->run_block->result_sets;
    int rc = 0;
    for (int kind : {RSKRES_MKTRATES, RSKRES_MKTSTATE})
        if (results.descriptors[kind].open != 0) {
            const int r = rskput(con, &results.descriptors[kind]);
            if (r > rc) rc = r;
        }
    return rc;
}

// The header of the current state names the analysis that makes it.
void identify_state(RSKCON* con, const RSKANLPROC* record) {
    RSKRUNBLOCK* run = con->run_block;
    if (run->market_vectors[0] == nullptr) return;
    RSKSTATEHEADER header{};
    std::memcpy(header.check, "ZOZU", 4);
    header.state = run->state_buffer.append_index;
    header.analysis = record->analysis;
    header.analysis_number = static_cast<int16_t>(record->ordinal);
    header.analysis_kind = static_cast<int16_t>(kind_of(record));
    header.simulation_case = -1;
    header.draw = -1;
    header.horizon = -1;
    std::memcpy(run->market_vectors[0], &header, sizeof header);
}

void set_missing(RSKVARIABLE* v) {
    if (v == nullptr || v->run.state_address[0] == nullptr) return;
    const double m = qor::missing();
    std::memcpy(v->run.state_address[0], &m, sizeof m);
}

}  // namespace

int generate_states(RSKCON* con, RSKANLPROC* record) {
    RSKRUNBLOCK* run = con->run_block;
    if (run->masks[0] != nullptr && run->masks[1] != nullptr)
        std::memcpy(run->masks[1], run->masks[0], static_cast<size_t>(run->mask_bytes));
    rskrsvz(con);
    identify_state(con, record);
    if (con->system_variables != nullptr) {
        set_missing(con->system_variables->simulation_case);
        set_missing(con->system_variables->simulation_time);
        set_missing(con->system_variables->simulation_horizon);
        set_missing(con->system_variables->simulation_replication);
    }
    const int kind = kind_of(record);
    int rc = 0;
    if (kind != 1 && kind != 14) {
        const RSKPHASES* phases = rsa_phases(kind, RSKDISP_GENERATE);
        if (phases == nullptr) return 1;
        if (phases->generate != nullptr) rc = phases->generate(con, record);
    }
    return rc != 0 ? 1 : 0;
}

int read_states(RSKCON* con, RSKANLPROC* record) {
    const int kind = kind_of(record);
    const int tool = tool_of(record);
    // Mark-to-market reads no state (as current exposure); position equivalents read theirs.
    if (kind == 1 || kind == 14 || (kind == 13 && tool == 0)) return 0;
    if (kind == 13 && (tool < 0 || tool > 7 || tool == 2)) {
        xebug("rskrun1: read_states(): unknown cashflow tool: %i.", tool);
        return 1;
    }
    const bool known = (kind >= 2 && kind <= 10) || kind == 12 || kind == 13 || kind == 15 || kind == 17;
    if (!known) {
        xebug("rskrun1: read_states(): unknown analysis type %i.", kind);
        return 1;
    }
    // The earlier run's STATES view, opened once for the run.
    return rskgdso_ms(con) != 0 ? 1 : 0;
}

int produce_states(RSKCON* con) {
    RSKRUNBLOCK* run = con->run_block;
    RSKRUNPARMS* parms = run->parms;
    int rc = 0;
    for (RSKANLPROC* record = run->analyses_head; record != nullptr; record = record->next) {
        if (record->failed) continue;
        run->work_area = record;
        record->valuation_date =
            parms->read_states != 0 && kind_of(record) != 13 ? run->valuation_date : analysis_date(con, record);
        publish_date(con, record->valuation_date);
        record->first_state = run->state_buffer.append_index;
        record->price_first = run->states_to_price;
        const int r = parms->read_states != 0 ? read_states(con, record) : generate_states(con, record);
        if (r != 0) {
            disable_analysis(record);
            rc = 1;
            continue;
        }
        record->state_count = run->state_buffer.append_index - record->first_state;
        record->price_count = run->states_to_price - record->price_first;
        // Mark-to-market, current exposure and the traditional cash-flow tool make no state.
        if (record->state_count == 0 && record->price_count == 0 && !needs_no_states(record)) {
            disable_analysis(record, 2811);
            rc = 1;
        }
    }
    run->work_area = nullptr;
    return rc;
}

int rskrun1(RSKCON* con, RSKPROJECT* project) {
    RSKRUNBLOCK* run = con->run_block;
    RSKRUNPARMS* parms = run->parms;
    const int defined = define_state_sets(con);
    if (defined != 0) return defined;

    if (run->market_vectors[0] != nullptr && run->market_vectors[1] != nullptr)
        std::memcpy(run->market_vectors[0], run->market_vectors[1], static_cast<size_t>(run->vector_size));
    if (parms->read_states != 0) run->valuation_date = run->base_date;
    publish_date(con, run->valuation_date);
    if (!RSKRUN_HAS(rskratx) || rskratx(con) != 0) {
        project_message(1322, project);
        return 1;
    }
    int rc = write_base_rows(con) != 0 ? 1 : 0;

    if ((parms->generate_states != 0 || parms->read_states != 0) && produce_states(con) != 0) rc = 1;
    run->work_area = nullptr;
    publish_date(con, run->valuation_date);
    // The analyses announced their states when they were built; a disabled one made fewer, and
    // only the states in the buffer can be priced.
    if (run->state_count > run->state_buffer.append_index) run->state_count = run->state_buffer.append_index;
    if (!RSKRUN_HAS(assign_threads) || assign_threads(con) != 0) rc = 1;
    if (parms->regenerate != 0)
        xpmlog(598, 2814, static_cast<long>(run->states_to_price) + 1, static_cast<int>(run->analysis_count),
               length_of(project->name), text_of(project->name));
    if (run->threading != 0 && con->generic == 0)
        xpmlog(598, 2817, static_cast<long>(run->states_to_price) + 1, static_cast<int>(run->thread_count));
    return rc;
}
