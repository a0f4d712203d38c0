// The output of a project run (rskrun5): the run's result data sets are defined in a fixed
// order, then every cell writes its summary row and each result writes its rows through the
// row writer rskput into the data sets its kind serves.
#include <cstring>
#include <initializer_list>

#include "engine/analyses/analysis_phases.h"
#include "engine/analyses/instrument_statistics.h"
#include "engine/output/aggregation.h"
#include "engine/output/output_object.h"
#include "engine/run/project_run_support.h"
#include "engine/run/run_block.h"
#include "engine/run/run_finish.h"
#include "host/missing.h"

using namespace rskrun_support;

namespace {

// Result data set kinds in the order the output defines them, and in the order a cell writes
// into them after its summary.
constexpr int kDefineOrder[] = {3, 4, 97, 5, 6, 12, 7, 8, 9, 10, 21, 22, 26, 27, 31, 32, 33};
constexpr int kWriteOrder[] = {5, 6, 12, 7, 8, 9, 10, 21, 22, 26, 3, 32, 31};

bool one_of(int kind, std::initializer_list<int> kinds) {
    for (int k : kinds)
        if (k == kind) return true;
    return false;
}

void put_text(char* field, int width, const char* text, int length) {
    std::memset(field, ' ', static_cast<size_t>(width));
    if (text != nullptr && length > 0) std::memcpy(field, text, static_cast<size_t>(length < width ? length : width));
}

// The market vector the analyses' writers read is the base state again.
void restore_market(RSKRUNBLOCK* run) {
    if (run->market_vectors[0] != nullptr && run->market_vectors[2] != nullptr && run->vector_size > 0)
        std::memcpy(run->market_vectors[0], run->market_vectors[2], static_cast<size_t>(run->vector_size));
}

// Whether the run asks for a result data set kind. COMBINE follows its option, the algebraic gaps
// need both their request and the A/L roll-up, the optimisation view follows its summary, and
// every run that reaches its output writes its summary.
bool wanted(const RSKRUNBLOCK* run, int kind) {
    const RSKRUNRESULTS& r = run->result_sets;
    switch (kind) {
    case RSKRES_COMBINE: return r.descriptors[kind].requested != 0 || (run->run_options != nullptr && run->run_options->combined);
    case RSKRES_SUMMARY: return true;
    case RSKRES_ALGAPS: return r.descriptors[kind].requested != 0 && run->aggregation.cashflow_by_al != 0;
    case RSKRES_OPTRESLT: return r.descriptors[RSKRES_OPTSUM].requested != 0;
    default: return r.descriptors[kind].requested != 0;
    }
}

// The data set kinds a result of this analysis kind writes; -1 for a kind no dispatcher knows.
int serves(int analysis_kind, int dataset_kind) {
    switch (analysis_kind) {
    case 1: case 14: return 0;
    case 2: return one_of(dataset_kind, {3, 4, 5, 6});
    case 3: return one_of(dataset_kind, {3, 7});
    case 4: return one_of(dataset_kind, {3, 8});
    case 5: return one_of(dataset_kind, {3, 9});
    case 6: case 7: case 8: case 9: case 15: return one_of(dataset_kind, {3, 21, 4, 22, 26});
    case 10: return one_of(dataset_kind, {3, 4, 10});
    case 12: return one_of(dataset_kind, {3, 4});
    case 13: return 1;
    case 17: return one_of(dataset_kind, {4, 26, 32, 31});
    default: return -1;
    }
}

// The summary row of one cell: its counts, sums and value statistics.
void summary_row(RSKROWVALUES& row, const RSKCELLHEAD* cell) {
    row.ninst = cell->positions;
    row.nmissing = cell->missing;
    row.mtm = cell->value_sum;
    row.exposure = cell->exposure_sum;
    row.exp_no_net = cell->positive_exposure;
    row.collateral_value = cell->subtracted_exposure;
    row.positive_mtm = cell->nonnegative_sum;
    row.negative_mtm = cell->negative_sum;
    row.inst_n = cell->positions - cell->missing;
    row.inst_mean = cell->statistics_sum;
    row.inst_std = cell->squares_sum;
    row.inst_max = cell->maximum;
    row.inst_min = cell->minimum;
}

// The class columns of the result data sets read the aggregation's key of the cell being
// written.
int bind_class_columns(RSKCON* con) {
    RSKRUNBLOCK* run = con->run_block;
    RSKAGGCTL* control = run->aggregation.control;
    RSKRUNRESULTS& r = run->result_sets;
    if (control == nullptr || control->count == 0 || r.class_vars != nullptr) return 0;
    auto* vars = static_cast<RSKCLASSVAR*>(
        run_alloc(con, sizeof(RSKCLASSVAR) * static_cast<size_t>(control->count), "class variable columns", RSKMEM_RESULTS));
    if (vars == nullptr) return 1;
    for (int i = 0; i < control->count; ++i) {
        vars[i].variable = control->variables[i]->variable;
        vars[i].value = control->variables[i]->key_slot;
        vars[i].length = control->variables[i]->length;
    }
    r.class_vars = vars;
    r.class_var_count = control->count;
    r.has_crossing = 1;
    return 0;
}

int mddb_mark(RSKCON* con, int pass) {
    RSKRUNRESULTS& r = con->run_block->result_sets;
    for (int kind = 1; kind <= kRskResKindMax; ++kind) {
        const RSKRESDS& resds = r.descriptors[kind];
        if (!resds.open || !resds.database || resds.database_handle == nullptr) continue;
        // The database writer is not part of this build (rskputd never opens one).
        xebug("rskmdb%i: not yet available.", pass);
        return 1;
    }
    return 0;
}

}  // namespace

int mddb_mark1(RSKCON* con) { return mddb_mark(con, 1); }
int mddb_mark2(RSKCON* con) { return mddb_mark(con, 2); }

int output_analysis(RSKCON* con, RSKANLPROC* result, void* record, RSKRESDS* resds) {
    RSKRUNBLOCK* run = con->run_block;
    RSKRUNRESULTS& r = run->result_sets;
    const int kind = kind_of(result);
    const int served = serves(kind, resds->kind);
    if (served == 0) return 0;
    const RSKPHASES* phases = rsa_phases(kind, RSKDISP_OUTPUT);
    if (phases == nullptr) return 1;
    if (served < 0) {
        xebug("rskrun5: output_analysis: unknown type %i.", kind);
        return 1;
    }
    if (phases->output == nullptr) return 0;
    restore_market(run);
    std::memcpy(&r.row, &r.row_template, sizeof r.row);
    // The writers measure their results against the cell's statistics in the row.
    summary_row(r.row, static_cast<const RSKCELLHEAD*>(record));
    const RSKOBJNAME* name = result->analysis != nullptr ? &result->analysis->name : nullptr;
    put_text(r.row.analysis_name, 32, name ? name->name.text : nullptr, name ? name->name.length : 0);
    r.context.analysis = result;
    r.context.analysis_number = result->ordinal;
    r.context.row_counter = 0;
    run->phases.current_result = result;
    const int rc = phases->output(con, result, static_cast<uint8_t*>(record) + result->cell_offset, &rskput, resds);
    run->phases.current_result = nullptr;
    r.context.analysis = nullptr;
    r.context.analysis_number = 0;
    return rc;
}

int output_datafile(RSKCON* con, void* record, RSKRESDS* resds) {
    int rc = 0;
    for (RSKANLPROC* result = con->run_block->analyses_head; result != nullptr; result = result->next) {
        if (result->failed) continue;
        const int code = output_analysis(con, result, record, resds);
        if (code == 0) continue;
        disable_analysis(result);
        if (code > rc) rc = code;
    }
    return rc;
}

int output_results(RSKCON* con, void* record) {
    RSKRUNBLOCK* run = con->run_block;
    RSKRUNRESULTS& r = run->result_sets;
    // The instrument statistics of the cell become the values of their summary columns.
    if (r.inst_stat_count > 0) rsasta5(con, record);
    run->phases.current_cell = static_cast<uint8_t*>(record);
    int rc = 0;
    RSKRESDS* summary = &r.descriptors[RSKRES_SUMMARY];
    if (summary->open) {
        restore_market(run);
        if (run->row1 != nullptr)
            for (int32_t i = 0; i < run->row_doubles; ++i) run->row1[i] = qor::missing();
        rc = output_datafile(con, record, summary);
        std::memcpy(&r.row, &r.row_template, sizeof r.row);
        summary_row(r.row, static_cast<const RSKCELLHEAD*>(record));
        put_text(r.row.analysis_name, 32, "Analysis Summary", 16);
        r.context.analysis = nullptr;
        r.context.analysis_number = 0;
        const int code = rskput(con, summary);
        if (code > rc) rc = code;
    }
    for (int kind : kWriteOrder) {
        RSKRESDS* resds = &r.descriptors[kind];
        if (!resds->open) continue;
        const int code = output_datafile(con, record, resds);
        if (code > rc) rc = code;
    }
    return rc;
}

int open_analysis_output(RSKCON* con) {
    RSKRUNBLOCK* run = con->run_block;
    RSKRUNRESULTS& r = run->result_sets;
    run->phases.current_cell = rsk_portfolio_record(run);
    r.context.base_date = run->base_date;
    r.context.valuation_date = run->valuation_date;
    if (run->parms != nullptr) {
        r.context.analysis_part = run->parms->analysis_part;
        r.context.analysis_parts = run->parms->analysis_parts;
    }
    if (bind_class_columns(con) != 0) return 1;
    int rc = 0;
    for (int kind : kDefineOrder) {
        if (run->abort) break;
        if (!wanted(run, kind)) continue;
        const int code = rskputd(con, nullptr, run->outputs[RSKOUT_MAIN], kind);
        if (code > rc) rc = code;
    }
    return rc;
}

int rskrun5(RSKCON* con) {
    RSKRUNBLOCK* run = con->run_block;
    if (run == nullptr) return 1;
    int rc = open_analysis_output(con);
    if (run->abort) return rc > 0 ? rc : 1;
    int code;
    if (run->aggregation.control != nullptr) {
        code = rskgrp1(con, run->aggregation.control, &output_results, &mddb_mark1, &mddb_mark2, 1);
    } else {
        uint8_t* portfolio = rsk_portfolio_record(run);
        code = portfolio != nullptr ? output_results(con, portfolio) : 1;
    }
    return code > rc ? code : rc;
}
