// The roll-up of a project run (rskrun3): every cell of the cross-classification (or the one
// portfolio record) gets its finer cells added, its value-weighted variables turned into returns,
// and the post-pricing methods run on it; each result rolls up through its kind's phase.
#include <cstring>

#include "engine/analyses/analysis_phases.h"
#include "engine/analyses/instrument_statistics.h"
#include "engine/compiler/compiler_driver.h"
#include "engine/output/aggregation.h"
#include "engine/run/project_run_support.h"
#include "engine/run/run_block.h"
#include "engine/run/run_finish.h"

using namespace rskrun_support;

namespace {

uint8_t* area_of(void* record, const RSKANLPROC* result) { return static_cast<uint8_t*>(record) + result->cell_offset; }

// A result whose phase failed takes part in no later phase.
int result_failed(RSKANLPROC* result, int code) {
    disable_analysis(result);
    return code;
}

// The roll-up of one result by its kind. Sensitivity, P/L curve and P/L surface share the
// additive roll-up; delta-normal and position equivalents add in mode 0 only.
int roll_up_result(RSKCON* con, RSKANLPROC* result, void* cell, void* added, int mode, int again) {
    const int kind = kind_of(result);
    switch (kind) {
    case 1: case 14:
        return 0;
    case 2: case 3: case 4:
        return mode == 0 ? rsasum(con, result, result->analysis, area_of(cell, result), area_of(added, result)) : 0;
    default:
        break;
    }
    const RSKPHASES* phases = rsa_phases(kind, RSKDISP_ROLL_UP);
    if (phases == nullptr) return 1;
    if ((kind == 10 || kind == 12) && mode != 0) return 0;
    if (phases->roll_up == nullptr) return 0;
    return phases->roll_up(con, result, area_of(cell, result), area_of(added, result), mode, again);
}

// The value-weighted step of one result by its kind.
int weigh_result(RSKCON* con, RSKANLPROC* result, void* record) {
    const int kind = kind_of(result);
    switch (kind) {
    case 1: case 2: case 3: case 4: case 10: case 12: case 14:
        return 0;
    case 13:
        if (tool_of(result) == 2) {
            xebug("Effective duration not implemented yet");
            return 1;
        }
        if (tool_of(result) < 1 || tool_of(result) > 7) return 0;
        break;
    default:
        break;
    }
    const RSKPHASES* phases = rsa_phases(kind, RSKDISP_STEP);
    if (phases == nullptr) return 1;
    return phases->step != nullptr ? phases->step(con, result, area_of(record, result)) : 0;
}

// Results whose post-pricing runs per scenario or per horizon and draw.
bool prices_after(const RSKANLPROC* result) {
    const int kind = kind_of(result);
    if (kind == 13) return tool_of(result) != 0 && tool_of(result) != 3;
    return kind == 5 || simulates(kind);
}

}  // namespace

uint8_t* rsk_portfolio_record(RSKRUNBLOCK* run) {
    if (run->loop.portfolio_record != nullptr) return run->loop.portfolio_record;
    if (run->aggregation.result_record != nullptr) return static_cast<uint8_t*>(run->aggregation.result_record);
    return run->results_cell;
}

int roll_up_analysis(RSKCON* con, void* cell, void* added, int mode, int again) {
    RSKRUNBLOCK* run = con->run_block;
    roll_up_head(con, static_cast<RSKCELLHEAD*>(cell), static_cast<const RSKCELLHEAD*>(added), mode, again);
    // The instrument statistics add up in the additive roll-up only.
    if (mode == 0 && run->result_sets.inst_stat_count > 0) rsasta3(con, cell, added);
    int rc = 0;
    for (RSKANLPROC* result = run->analyses_head; result != nullptr; result = result->next) {
        if (result->failed) continue;
        run->phases.current_result = result;
        const int code = roll_up_result(con, result, cell, added, mode, again);
        if (code != 0 && result_failed(result, code) > rc) rc = code;
    }
    run->phases.current_result = nullptr;
    return rc;
}

int process_vw(RSKCON* con, void* record, int exposure_only) {
    RSKRUNBLOCK* run = con->run_block;
    process_vw_head(con, static_cast<RSKCELLHEAD*>(record), exposure_only);
    int rc = 0;
    for (RSKANLPROC* result = run->analyses_head; result != nullptr; result = result->next) {
        if (result->failed) continue;
        run->phases.current_result = result;
        const int code = weigh_result(con, result, record);
        if (code == 0) continue;
        result_failed(result, code);
        if (kind_of(result) == 13) {
            run->phases.current_result = nullptr;
            return code;
        }
        if (code > rc) rc = code;
    }
    run->phases.current_result = nullptr;
    return rc;
}

int postprice_run(RSKCON* con, void* record) {
    (void)record;
    if (!con->run_block->phases.postprice) return 0;
    // The methods' symbol bindings are not part of this build: the run reports it rather than
    // writing results the methods were meant to change.
    xebug("postprice_run: not yet available.");
    return 1;
}

int prepare_postprc(RSKCON* con) {
    RSKRUNBLOCK* run = con->run_block;
    RSKCELLPHASES& phases = run->phases;
    const RSKPROJECT* project = run->project;
    phases.postprice = project != nullptr && project->post_pricing.head != nullptr ? 1 : 0;
    phases.postvar = project != nullptr && project->post_valuation.head != nullptr ? 1 : 0;
    if (run->loop.ppvar_count == 0) phases.postprice = phases.postvar = 0;
    if (!phases.postprice) return 0;

    int32_t processed = 0, post_priced = 0;
    for (int32_t i = 0; i < run->loop.ppvar_count; ++i) {
        if (run->loop.ppvars[i].code != 0) ++processed;
        if (run->loop.ppvars[i].code == 2) ++post_priced;
    }
    const int32_t entries = run->loop.ppvar_count - processed + 2;
    phases.postprice_head = static_cast<RSKPPENTRY*>(run_alloc(
        con, sizeof(RSKPPENTRY) * static_cast<size_t>(entries), "outvs in postprice", RSKMEM_POSTPROCESSING));
    if (phases.postprice_head == nullptr) return 1;
    phases.postprice_head_entries = entries;
    phases.postprice_head_count = post_priced;
    phases.postprice_outvars = static_cast<double**>(run_alloc(
        con, sizeof(double*) * static_cast<size_t>(post_priced + 1), "postprice outvars", RSKMEM_POSTPROCESSING));
    if (phases.postprice_outvars == nullptr) return 1;
    if (phases.postprice_thread) {
        phases.postprice_block = run_alloc(con, kRskMethodThreadBytes, "thread for postprice method", RSKMEM_THREADS);
        if (phases.postprice_block == nullptr) return 1;
    }
    rskrcmp_state(con, RSKMKIND_POSTPRICE);

    // Each result that runs the methods per scenario, horizon or draw keeps its own table.
    for (RSKANLPROC* result = run->analyses_head; result != nullptr; result = result->next) {
        if (result->failed || !prices_after(result)) continue;
        const int32_t own = run->loop.ppvar_count - processed;
        result->postprice_table = static_cast<RSKPPENTRY*>(run_alloc(
            con, sizeof(RSKPPENTRY) * static_cast<size_t>(own > 0 ? own : 1), "outvs in postprice", RSKMEM_POSTPROCESSING));
        if (result->postprice_table == nullptr) return 1;
        result->postprice_entries = own;
        result->postprice_outvars = static_cast<double**>(run_alloc(
            con, sizeof(double*) * static_cast<size_t>(post_priced + 1), "postprice outvars", RSKMEM_POSTPROCESSING));
        if (result->postprice_outvars == nullptr) return 1;
        result->postprice_count = post_priced;
    }
    return 0;
}

int rskrun3(RSKCON* con) {
    RSKRUNBLOCK* run = con->run_block;
    if (run == nullptr) return 1;
    if (prepare_postprc(con) != 0) return 1;
    int rc = 0;
    if (run->aggregation.control != nullptr) {
        rc = rskgrps(con, run->aggregation.control, &roll_up_analysis,
                     run->loop.value_weighted ? &process_vw : nullptr, &postprice_run);
    } else {
        uint8_t* portfolio = rsk_portfolio_record(run);
        if (portfolio == nullptr) return 1;
        if (run->loop.value_weighted) rc = process_vw(con, portfolio, 0);
        if (run->phases.postprice) {
            const int code = postprice_run(con, portfolio);
            if (code > rc) rc = code;
        }
    }
    return rc;
}
