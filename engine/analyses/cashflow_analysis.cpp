// Cash-flow analysis: resolution of a named source at run start, the build (duration and bucket
// outputs, the run's cash-flow flags, the method's own build) and the phases that hand a borrowed
// scenario or simulation its own routines.
#include "engine/analyses/cashflow_analysis.h"

#include <cctype>
#include <cstdio>
#include <cstring>

#include "engine/analyses/sensitivity_shifts.h"
#include "engine/model/analyses/analyses.h"
#include "engine/model/analyses/analysis_settings.h"
#include "engine/model/control/out_of_memory.h"
#include "engine/model/names/name_records.h"
#include "engine/model/services/catalog.h"
#include "engine/model/variables/variable_record.h"
#include "engine/model/variables/variables.h"
#include "engine/run/analysis_processing.h"
#include "engine/run/project_run_support.h"
#include "engine/run/run_block.h"
#include "engine/tables/free_lists.h"
#include "host/missing.h"
#include "host/print.h"

namespace {

constexpr int32_t kCashFlowLabel = 5613;
constexpr int kReadRight = 4;
constexpr int kNameCellChunk = 1000;
constexpr char kEffectiveDuration[] = "Effective duration not implemented yet";

int32_t method_of(const RSKANLPROC* run) {
    return run != nullptr && run->analysis != nullptr ? static_cast<int32_t>(run->analysis->subtype) : -1;
}

// The borrowed kind's phases, or null (the dispatcher's line is given for a kind not built).
const RSKPHASES* borrowed(const RSKANLPROC* run, RskDispatcher dispatcher) {
    const int kind = rsacfl_borrowed_kind(method_of(run));
    return kind != 0 ? rsa_phases(kind, dispatcher) : nullptr;
}

int effective_duration() {
    xebug(kEffectiveDuration);
    return 1;
}

int text_length(const RSKOBJNAME& name) { return name.name.text != nullptr ? name.name.length : 0; }
const char* text_of(const RSKOBJNAME& name) { return name.name.text != nullptr ? name.name.text : ""; }

bool same_name(const RSKNAMEREC& a, const RSKNAMEREC& b) {
    if (a.length != b.length || a.text == nullptr || b.text == nullptr) return false;
    for (int i = 0; i < a.length; ++i)
        if (std::toupper(static_cast<unsigned char>(a.text[i])) != std::toupper(static_cast<unsigned char>(b.text[i])))
            return false;
    return true;
}

// ---- resolution ----

// Gives a name list back and empties it.
void release_names(RSKCON* con, RSKNAMECELL*& head, RSKNAMECELL*& tail) {
    RSKNAMECELL* last = head;
    while (last != nullptr && last->next != nullptr) last = last->next;
    rsklstf(con, &head, &last);
    head = tail = nullptr;
}

// Copies a name list into cells of the analysis' own, so that clearing either analysis never gives
// back the other's cells. 0, or 1 out of memory.
int copy_names(RSKCON* con, const RSKNAMECELL* from, RSKNAMECELL*& head, RSKNAMECELL*& tail, int32_t* count) {
    release_names(con, head, tail);
    *count = 0;
    for (const RSKNAMECELL* c = from; c != nullptr; c = c->next) {
        if (rsklsta(con, &head, &tail, c->name.name.text, c->name.name.length) != 0) return 1;
        ++*count;
    }
    return 0;
}

// The risk-factor entries of `source`, copied as the analysis' own entries.
int copy_entries(RSKCON* con, RSKANALYSIS* analysis, const RSKANALYSIS* source) {
    for (RSKANLFACTOR* e = analysis->entries_head; e != nullptr;) {
        RSKANLFACTOR* next = e->next;
        rsk_give_free(con->free_lists->analysis_entries, e);
        e = next;
    }
    analysis->entries_head = analysis->entries_tail = nullptr;
    analysis->entry_count = 0;
    for (const RSKANLFACTOR* e = source->entries_head; e != nullptr; e = e->next) {
        RSKANLFACTOR* copy = add_analysis_entry(con, analysis, e->name.name.text, e->name.name.length);
        if (copy == nullptr) return 1;
        copy->value = e->value;
        copy->minimum = e->minimum;
        copy->points = e->points;
        copy->perturbation_type = e->perturbation_type;
        copy->active = e->active;
    }
    return 0;
}

// The settings a borrowed simulation reads from the analysis it runs for.
int copy_simulation(RSKCON* con, RSKANALYSIS* analysis, const RSKANALYSIS* source) {
    if (rskanl_copy_simulation(con, &analysis->simulation, &source->simulation) != 0) return 1;
    analysis->pivot = source->pivot;
    analysis->overlap = source->overlap;
    analysis->match = source->match;
    analysis->covariance_data = source->covariance_data;
    analysis->covariance_data.name.text = analysis->covariance_data.buffer;
    if (copy_names(con, source->conditional_head, analysis->conditional_head, analysis->conditional_tail,
                   &analysis->conditional_count) != 0)
        return 1;
    return copy_names(con, source->marginal_head, analysis->marginal_head, analysis->marginal_tail,
                      &analysis->marginal_count);
}

// ---- build ----

RSKVARIABLE* system_variable(RSKCON* con, RSKVARIABLE* RSKSYSVARS::*member) {
    return con->system_variables != nullptr ? con->system_variables->*member : nullptr;
}

// The bucket variables of the bucket type: made arrays over the grid and added. 0, or 1.
int add_buckets(RSKCON* con, RSKANALYSIS* analysis) {
    RSKRUNBLOCK* run = con->run_block;
    const int32_t type = analysis->bucket_type;
    if (type < RSKCFL_BUCKET_SIMPLE || type > RSKCFL_BUCKET_ALL) return 0;
    if (run->cut_points == nullptr || run->cut_count < 1) {
        xpmlog(670, 3563, text_length(analysis->name), text_of(analysis->name));
        return 0;
    }
    RSKVARIABLE* simple = system_variable(con, &RSKSYSVARS::cf_bucket);
    RSKVARIABLE* cumulative = system_variable(con, &RSKSYSVARS::cum_bucket);
    int rc = 0;
    if (type != RSKCFL_BUCKET_CUMULATIVE && simple != nullptr) {
        rc = prepare_bucket(con, simple);
        if (rc == 0) rc = add_cf_var(con, analysis, simple);
    }
    if (rc == 0 && type != RSKCFL_BUCKET_SIMPLE && cumulative != nullptr) {
        rc = prepare_bucket(con, cumulative);
        if (rc == 0) rc = add_cf_var(con, analysis, cumulative);
    }
    if (rc != 0) return 1;
    run->cashflow_analyses.bucket_mode = type;
    run->cashflow_mode = type;
    run->row_variables.mode_variables[0] = simple;
    run->row_variables.mode_variables[1] = cumulative;
    run->result_sets.bucket_mode = static_cast<uint8_t>(type);
    return 0;
}

// Steps 1 to 3 of the build: durations, buckets and the cash-flow amount. 0, or 1.
int add_outputs(RSKCON* con, RSKANLPROC* run, RSKANALYSIS* analysis) {
    RSKRUNBLOCK* block = con->run_block;
    int rc = 0;
    if (analysis->duration_type == RSKCFL_DUR_MACAULAY || analysis->duration_type == RSKCFL_DUR_MODIFIED) {
        const bool macaulay = analysis->duration_type == RSKCFL_DUR_MACAULAY;
        if (macaulay) {
            block->cashflow_analyses.macaulay = 1;
            block->result_sets.cf_duration = 1;
        } else {
            block->cashflow_analyses.modified = 1;
            block->result_sets.cf_mod_duration = 1;
        }
        block->aggregation.value_processing = 1;
        analysis->per_position = 1;
        RSKVARIABLE* duration = system_variable(con, macaulay ? &RSKSYSVARS::macaulay_dur : &RSKSYSVARS::modified_dur);
        RSKVARIABLE* convexity = system_variable(con, macaulay ? &RSKSYSVARS::macaulay_cnvx : &RSKSYSVARS::modified_cnvx);
        if (duration != nullptr) rc = add_cf_var(con, analysis, duration);
        if (rc == 0 && convexity != nullptr) rc = add_cf_var(con, analysis, convexity);
    }
    if (rc == 0) rc = add_buckets(con, analysis);
    block->cashflow_analyses.cash_flows = 1;
    RSKVARIABLE* amount = system_variable(con, &RSKSYSVARS::cashflow);
    if (rc == 0 && amount != nullptr) rc = add_cf_var(con, analysis, amount);
    (void)run;
    return rc != 0 ? 1 : 0;
}

// Method 3: the listed factors, the cell, the states and the work area. 0, or 1.
int build_partial(RSKCON* con, RSKANLPROC* run, RSKANALYSIS* analysis) {
    if (analysis->entry_count > 0 && rsafacx(con, run, analysis->entries_head, analysis->entry_count) != 0) return 1;
    if (run->run_factor_count < 1) {
        xpmlog(670, 3555, text_length(analysis->name), text_of(analysis->name));
        return 1;
    }
    if (rsacfl_prepare(con, run) != 0) return 1;
    con->run_block->aggregation.value_processing = 1;
    analysis->per_position = 1;
    return 0;
}

}  // namespace

int rsacfl_borrowed_kind(int32_t method) {
    switch (method) {
    case RSKCFL_SCENARIO: return RSKANL_SCENARIO;
    case RSKCFL_COVARIANCE: return RSKANL_COVSIM;
    case RSKCFL_HISTORICAL: return RSKANL_HISTSIM;
    case RSKCFL_SERIES: return RSKANL_SERIESSIM;
    case RSKCFL_MODEL: return RSKANL_MODELSIM;
    default: return 0;
    }
}

int rsacflg(RSKCON* con, RSKANALYSIS* analysis) {
    if (con == nullptr || analysis == nullptr) return 1;
    const int32_t method = static_cast<int32_t>(analysis->subtype);
    if (method == RSKCFL_TRADITIONAL || method == RSKCFL_EFFECTIVE || method == RSKCFL_PARTIAL) return 0;
    const RSKNAMEREC& own = analysis->name.name;
    const RSKNAMEREC& name = analysis->source_analysis.name;
    if (name.text == nullptr || name.length <= 0) {
        xpmlog(670, 3527, own.length, own.text);
        return 1;
    }
    RSKCATOBJ* object = rskanl(con, &name);
    auto* source = object != nullptr ? static_cast<RSKANALYSIS*>(rssofiq(con, object, kReadRight)) : nullptr;
    if (source == nullptr) {
        xpmlog(670, 3528, name.length, name.text, own.length, own.text);
        return 1;
    }
    int32_t resolved;
    switch (source->kind) {
    case RSKANL_SCENARIO: resolved = RSKCFL_SCENARIO; break;
    case RSKANL_COVSIM: resolved = RSKCFL_COVARIANCE; break;
    case RSKANL_MODELSIM: resolved = RSKCFL_MODEL; break;
    case RSKANL_HISTSIM: resolved = RSKCFL_HISTORICAL; break;
    case RSKANL_SERIESSIM: resolved = RSKCFL_SERIES; break;
    default:
        xpmlog(670, 3529, name.length, name.text, own.length, own.text);
        return 1;
    }
    analysis->subtype = static_cast<uint32_t>(resolved);
    if (resolved == RSKCFL_SCENARIO) analysis->perturbation_type = source->perturbation_type;
    else if (copy_simulation(con, analysis, source) != 0) return 1;
    if (qor::is_missing(analysis->evaluation_date)) {
        analysis->evaluation_date = source->evaluation_date;
        analysis->more_dates = source->more_dates;
    }
    if (copy_entries(con, analysis, source) != 0) return 1;
    return copy_names(con, source->names_head, analysis->names_head, analysis->names_tail, &analysis->names_count);
}

int add_cf_var(RSKCON* con, RSKANALYSIS* analysis, RSKVARIABLE* variable) {
    if (con == nullptr || analysis == nullptr || variable == nullptr || con->run_block == nullptr) return 1;
    const RSKNAMEREC& name = variable->name.name;
    bool listed = false;
    for (const RSKNAMECELL* c = analysis->names_head; c != nullptr && !listed; c = c->next)
        listed = same_name(c->name.name, name);
    if (!listed) {
        RSKNAMECELL* cell = rsk_take_record(con, con->free_lists->name_cells, kNameCellChunk, "add elements to a list");
        if (cell == nullptr) return 1;
        rskname(con, &cell->name, name.text, name.length);
        if (analysis->names_tail == nullptr) analysis->names_head = cell;
        else analysis->names_tail->next = cell;
        analysis->names_tail = cell;
        ++analysis->names_count;
    }

    // The first mark of a variable adds its columns to the run's output, and its entries (one
    // per element of an array) to the run's output-variable table.
    RSKRUNBLOCK::RSKCFLRUN& marks = con->run_block->cashflow_analyses;
    for (int32_t i = 0; i < marks.marked_count; ++i)
        if (marks.marked[i] == variable) return 0;
    const int32_t capacity = static_cast<int32_t>(sizeof marks.marked / sizeof marks.marked[0]);
    if (marks.marked_count >= capacity) {
        xebug("add_cf_var: more than %i cash-flow outputs.", static_cast<int>(capacity));
        return 1;
    }
    marks.marked[marks.marked_count++] = variable;
    const bool array = variable->data_type == RSKDTYPE_ARRAY;
    const int32_t elements = array ? static_cast<int32_t>(variable->element_count) : 1;
    marks.output_columns += elements;
    if (con->run_block->output_variables == nullptr) return 0;
    if (!array) return rskrun_add_output_variable(con, variable, name.text, name.length, 0) != 0 ? 1 : 0;
    for (int32_t k = 1; k <= elements; ++k) {
        char element[48];
        const int length = std::snprintf(element, sizeof element, "%.*s_%d", name.length > 32 ? 32 : name.length,
                                         name.text, static_cast<int>(k));
        if (length > 32) {
            xpmlog(598, 5502, length, element, 32);
            return 1;
        }
        if (rskrun_add_output_variable(con, variable, element, length, (k - 1) * 8) != 0) return 1;
    }
    return 0;
}

int prepare_bucket(RSKCON* con, RSKVARIABLE* variable) {
    if (con == nullptr || con->run_block == nullptr || variable == nullptr) return 1;
    const int32_t buckets = con->run_block->cut_count;
    if (buckets < 1) return 1;
    variable->data_type = RSKDTYPE_ARRAY;
    variable->element_count = buckets;
    return 0;
}

int rsacfl0(RSKCON* con, RSKANLPROC* run, RSKANALYSIS* analysis) {
    if (con == nullptr || run == nullptr || analysis == nullptr || con->run_block == nullptr) return 1;
    run->label = kCashFlowLabel;
    const int32_t method = static_cast<int32_t>(analysis->subtype);
    if (add_outputs(con, run, analysis) != 0) return 1;
    int rc = 0;
    switch (method) {
    case RSKCFL_TRADITIONAL: break;
    case RSKCFL_EFFECTIVE: return effective_duration();
    case RSKCFL_PARTIAL: rc = build_partial(con, run, analysis); break;
    case RSKCFL_SCENARIO: case RSKCFL_COVARIANCE: case RSKCFL_HISTORICAL: case RSKCFL_SERIES: case RSKCFL_MODEL: {
        const RSKPHASES* phases = borrowed(run, RSKDISP_BUILD);
        rc = phases == nullptr || phases->build == nullptr ? 1 : phases->build(con, run, analysis);
        break;
    }
    default:
        xebug("rsacfl0: unknown cash-flow method %i.", static_cast<int>(method));
        return 1;
    }
    run->label = kCashFlowLabel;
    return rc != 0 ? 1 : 0;
}

int rsacfl1(RSKCON* con, RSKANLPROC* run) {
    if (con == nullptr || run == nullptr || con->run_block == nullptr) return 1;
    RSKRUNBLOCK* block = con->run_block;
    // Cash flows depend on the date: every state counts the time variable as changed.
    const RSKVARIABLE* time = system_variable(con, &RSKSYSVARS::date);
    if (block->cashflow_analyses.cash_flows && time != nullptr && block->masks[1] != nullptr) {
        const int32_t bit = time->dependencies.mask_position;
        if (bit >= 0 && bit < block->mask_bits) block->masks[1][bit / 8] |= static_cast<uint8_t>(128u >> (bit % 8));
    }
    switch (method_of(run)) {
    case RSKCFL_TRADITIONAL: return 0;
    case RSKCFL_EFFECTIVE: return effective_duration();
    case RSKCFL_PARTIAL: return partdur1(con, run);
    default: {
        const RSKPHASES* phases = borrowed(run, RSKDISP_GENERATE);
        if (phases == nullptr) return 1;
        return phases->generate != nullptr ? phases->generate(con, run) : 0;
    }
    }
}

int rsacfl2(RSKCON* con, RSKANLPROC* run, void* area, int64_t first, int64_t last) {
    switch (method_of(run)) {
    case RSKCFL_TRADITIONAL: return 0;
    case RSKCFL_EFFECTIVE: return effective_duration();
    case RSKCFL_PARTIAL: return partdur2(con, run, area);
    default: {
        const RSKPHASES* phases = borrowed(run, RSKDISP_POSITION);
        if (phases == nullptr) return 1;
        return phases->position != nullptr ? phases->position(con, run, area, first, last) : 0;
    }
    }
}

int rsacfl_step(RSKCON* con, RSKANLPROC* run, void* area) {
    switch (method_of(run)) {
    case RSKCFL_TRADITIONAL: return 0;
    case RSKCFL_EFFECTIVE: return effective_duration();
    case RSKCFL_PARTIAL: return process_dur(con, run, area);
    default: {
        const RSKPHASES* phases = borrowed(run, RSKDISP_STEP);
        if (phases == nullptr) return 1;
        return phases->step != nullptr ? phases->step(con, run, area) : 0;
    }
    }
}

int rsacfl3(RSKCON* con, RSKANLPROC* run, void* parent, void* child, int mode, int count) {
    switch (method_of(run)) {
    case RSKCFL_TRADITIONAL: return 0;
    case RSKCFL_EFFECTIVE: return effective_duration();
    case RSKCFL_PARTIAL: return roll_up_duration(con, run, parent, child, mode, count);
    default: {
        const RSKPHASES* phases = borrowed(run, RSKDISP_ROLL_UP);
        if (phases == nullptr) return 1;
        return phases->roll_up != nullptr ? phases->roll_up(con, run, parent, child, mode, count) : 0;
    }
    }
}

int rsacfl4(RSKCON* con, RSKANLPROC* run, void* area) {
    switch (method_of(run)) {
    case RSKCFL_TRADITIONAL: case RSKCFL_PARTIAL: return 0;
    case RSKCFL_EFFECTIVE: return effective_duration();
    default: {
        const RSKPHASES* phases = borrowed(run, RSKDISP_FINISH);
        if (phases == nullptr) return 1;
        return phases->finish != nullptr ? phases->finish(con, run, area) : 0;
    }
    }
}

int rsacfl5(RSKCON* con, RSKANLPROC* run, void* area, RSKROWWRITER writer, RSKRESDS* resds) {
    const int kind = resds != nullptr ? resds->kind : 0;
    switch (method_of(run)) {
    case RSKCFL_TRADITIONAL: return 0;
    case RSKCFL_EFFECTIVE: return effective_duration();
    case RSKCFL_PARTIAL:
        if (kind == RSKRES_PARTIALDUR) return output_compdur(con, run, area, writer, resds);
        if (kind == RSKRES_COMBINE) return output_compdur2(con, run, area, writer, resds);
        return 0;
    case RSKCFL_SCENARIO:
        if (kind != RSKRES_COMBINE && kind != RSKRES_SCEN) return 0;
        [[fallthrough]];
    default: {
        const RSKPHASES* phases = borrowed(run, RSKDISP_OUTPUT);
        if (phases == nullptr) return 1;
        return phases->output != nullptr ? phases->output(con, run, area, writer, resds) : 0;
    }
    }
}

int rsacfll(RSKCON* con, RSKANLPROC* run, void* area, RSKROWWRITER writer, RSKRESDS* resds) {
    switch (method_of(run)) {
    case RSKCFL_TRADITIONAL: return 0;
    case RSKCFL_EFFECTIVE: return effective_duration();
    case RSKCFL_PARTIAL: return output_compdur3(con, run, writer, resds);
    default: {
        const RSKPHASES* phases = borrowed(run, RSKDISP_LEVELS);
        if (phases == nullptr) return 1;
        RskOutputPhase phase = phases->level_output != nullptr ? phases->level_output : phases->output;
        return phase != nullptr ? phase(con, run, area, writer, resds) : 0;
    }
    }
}
