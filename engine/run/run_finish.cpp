// The finish of a project run (rskrun4): every cell's statistics become mean and standard
// deviation, the post-valuation methods run on it, and each result finishes by its kind.
#include "engine/analyses/analysis_phases.h"
#include "engine/analyses/instrument_statistics.h"
#include "engine/compiler/compiler_driver.h"
#include "engine/output/aggregation.h"
#include "engine/output/output_object.h"
#include "engine/run/project_run_support.h"
#include "engine/run/run_block.h"
#include "engine/run/run_finish.h"

using namespace rskrun_support;

namespace {

// The finish of one result by its kind: kinds without a finish phase do nothing.
int finish_result(RSKCON* con, RSKANLPROC* result, void* record) {
    const int kind = kind_of(result);
    if (kind >= 1 && kind <= 4) return 0;
    if (kind == 14) return 0;
    const RSKPHASES* phases = rsa_phases(kind, RSKDISP_FINISH);
    if (phases == nullptr) return 1;
    return phases->finish != nullptr ? phases->finish(con, result, static_cast<uint8_t*>(record) + result->cell_offset) : 0;
}

// The post-valuation tables of the run. 0 or 1.
int prepare_postvar(RSKCON* con) {
    RSKRUNBLOCK* run = con->run_block;
    RSKCELLPHASES& phases = run->phases;
    if (phases.postvar) {
        int32_t marked = 0;
        for (int32_t i = 0; i < run->loop.ppvar_count; ++i)
            if (run->loop.ppvars[i].code == 1) ++marked;
        const int32_t entries = run->loop.ppvar_count - marked + 2;
        phases.postvar_head = static_cast<RSKPVENTRY*>(run_alloc(
            con, sizeof(RSKPVENTRY) * static_cast<size_t>(entries), "outvs in postvar head", RSKMEM_POSTPROCESSING));
        if (phases.postvar_head == nullptr) return 1;
        phases.postvar_head_entries = entries;
        phases.postvar_head_count = marked;
        phases.postvar_outvars = static_cast<double**>(run_alloc(
            con, sizeof(double*) * static_cast<size_t>(marked + 1), "postvar outvars", RSKMEM_POSTPROCESSING));
        if (phases.postvar_outvars == nullptr) return 1;
        if (phases.postvar_thread) {
            phases.postvar_block = run_alloc(con, kRskMethodThreadBytes, "thread for postvar method", RSKMEM_THREADS);
            if (phases.postvar_block == nullptr) return 1;
        }
        rskrcmp_state(con, RSKMKIND_POSTVAR);
    }
    if (phases.cumulative_cf && phases.cashflow_dates > 0) {
        for (RSKANLPROC* result = run->analyses_head; result != nullptr; result = result->next) {
            if (result->failed || kind_of(result) != 13) continue;
            result->cumulative_cf = static_cast<double*>(run_alloc(
                con, sizeof(double) * static_cast<size_t>(phases.cashflow_dates), "postvar cumcf vector", RSKMEM_CASH_FLOWS));
            if (result->cumulative_cf == nullptr) {
                con->error = 1;
                return 1;
            }
        }
    }
    return 0;
}

}  // namespace

int complete_analysis(RSKCON* con, void* record) {
    RSKRUNBLOCK* run = con->run_block;
    run->phases.current_result = nullptr;
    run->phases.current_cell = static_cast<uint8_t*>(record);
    rsk_cell_finish_head(con, static_cast<RSKCELLHEAD*>(record));
    ++run->phases.cells_finished;
    int rc = 0;
    if (run->phases.postvar) {
        // As the post-pricing methods: not part of this build, and reported.
        xebug("postvar_head: not yet available.");
        rc = 1;
    }
    if (run->result_sets.inst_stat_count > 0) rsasta4(con, record);
    for (RSKANLPROC* result = run->analyses_head; result != nullptr; result = result->next) {
        if (result->failed) continue;
        run->phases.current_result = result;
        const int code = finish_result(con, result, record);
        if (code == 0) continue;
        disable_analysis(result);
        if (code > rc) rc = code;
    }
    run->phases.current_result = nullptr;
    return rc;
}

int rskrun4(RSKCON* con) {
    RSKRUNBLOCK* run = con->run_block;
    if (run == nullptr) return 1;
    int rc = 0;
    if (run->valuation_summary) rc = rskputd(con, nullptr, run->outputs[RSKOUT_MAIN], RSKRES_SIMRFIM);
    if (prepare_postvar(con) != 0) return 1;
    if (run->aggregation.control != nullptr) {
        run->phases.cells_finished = 0;
        const int code = rskgrp1(con, run->aggregation.control, &complete_analysis, nullptr, nullptr, 1);
        if (code > rc) rc = code;
        // Optimisation results finish over the whole aggregation, which this build cannot do.
        for (RSKANLPROC* result = run->analyses_head; result != nullptr; result = result->next) {
            if (result->failed || kind_of(result) != 17) continue;
            xebug("rsaport4: not yet available.");
            disable_analysis(result);
            if (rc < 1) rc = 1;
        }
    } else {
        uint8_t* portfolio = rsk_portfolio_record(run);
        if (portfolio == nullptr) return 1;
        const int code = complete_analysis(con, portfolio);
        if (code > rc) rc = code;
    }
    return rc;
}
