// The run's analysis processing records (rskruna): one per analysis the project names, chained
// in project order, and the result data sets each analysis kind asks the run to define.
#include <cstring>

#include "engine/model/analyses/analyses.h"
#include "engine/model/options/engine_options.h"
#include "engine/model/services/catalog.h"
#include "engine/model/variables/variable_record.h"
#include "engine/run/analysis_services.h"
#include "engine/run/project_run_support.h"

using namespace rskrun_support;

namespace {

constexpr int kReadRight = 4;

void request(RSKCON* con, int kind) { con->run_block->result_sets.descriptors[kind].requested = 1; }

// A simulation writes details under the run's detailed option and keeps its draws under the
// simulated-values option.
void request_simulation_sets(RSKCON* con, bool draw_sets) {
    const RSKOPTREC* options = con->run_block->run_options;
    const bool details = options != nullptr && options->detailed != 0;
    const bool keeps_draws = options != nullptr && options->simvalues != 0;
    request(con, RSKRES_SIMSTAT);
    if (details || !keeps_draws) {
        request(con, RSKRES_SIMDENS);
        request(con, RSKRES_SIMRFS);
    }
    if (draw_sets && keeps_draws) {
        request(con, RSKRES_SIMVALUE);
        request(con, RSKRES_SIMREPS);
    }
}

RSKANALYSIS* load_analysis(RSKCON* con, const RSKNAMEREC* name) {
    RSKCATOBJ* object = rskanl(con, name);
    return object != nullptr ? static_cast<RSKANALYSIS*>(rssofiq(con, object, kReadRight)) : nullptr;
}

}  // namespace

int find_analysis_output(RSKCON* con, RSKANALYSIS* analysis) {
    RSKRUNRESULTS& results = con->run_block->result_sets;
    const RSKOPTREC* options = con->run_block->run_options;
    switch (analysis->kind) {
    case 1: request(con, RSKRES_INSTVALS); return 0;
    case 2: {
        request(con, RSKRES_SENS);
        RSKRESDS& sens = results.descriptors[RSKRES_SENS];
        if (options != nullptr) sens.request_var = options->senstrans;
        const int32_t width = analysis->name.name.length + 6;
        if (width > results.longest_name) results.longest_name = width;
        if (analysis->sensitivity.cross_gamma != 0) request(con, RSKRES_SENS2);
        if (analysis->conditional_count > 0 || analysis->marginal_count > 0) sens.request_xar = 1;
        return 0;
    }
    case 3: request(con, RSKRES_PLCURVE); return 0;
    case 4: request(con, RSKRES_PLSURF); return 0;
    case 5: request(con, RSKRES_SCEN); return 0;
    case 6: case 7: case 8: case 9: case 15: request_simulation_sets(con, true); return 0;
    case 10:
        request(con, RSKRES_INSTVALS);
        request(con, RSKRES_SIMDENS);
        request(con, RSKRES_DVAR);
        return 0;
    case 12: request(con, RSKRES_INSTVALS); request(con, RSKRES_PARTIALDUR); return 0;
    case 13: {
        const uint32_t tool = analysis->subtype;
        if (tool == 1) request(con, RSKRES_SCEN);
        else if (tool == 2) {
            xebug("Effective duration not implemented yet");
            return 1;
        } else if (tool == 3) request(con, RSKRES_INSTCFS);
        else if (tool >= 4 && tool <= 7) request_simulation_sets(con, true);
        else request(con, RSKRES_INSTVALS);
        return 0;
    }
    case 14: request(con, RSKRES_INSTVALS); request(con, RSKRES_ALGAPS); return 0;
    case 17: request_simulation_sets(con, false); return 0;
    default: return 0;
    }
}

int rskruna(RSKCON* con, RSKPROJECT* project) {
    RSKRUNBLOCK* run = con->run_block;
    // A fresh run: no variable is marked by an analysis yet.
    for (RSKVARIABLE* v = con->variables_head; v != nullptr; v = v->next) {
        v->analysis_mark = 0;
        v->analysis_use = 0;
        v->outside_pricing = 0;
    }
    const RSKOPTREC* options = run->run_options;
    if (options != nullptr) {
        if (options->instvals) request(con, RSKRES_INSTVALS);
        if (options->outerror) request(con, RSKRES_ERRORS);
        if (options->values) request(con, RSKRES_VALUES);
    }

    int32_t count = 0;
    for (const RSKNAMECELL* cell = project->analyses.head; cell != nullptr; cell = cell->next) {
        ++count;
        RSKANALYSIS* analysis = load_analysis(con, &cell->name.name);
        if (analysis != nullptr && analysis->kind == 13 && rsacflg(con, analysis) != 0) return 1;
    }
    if (count == 0) return 0;

    const size_t bytes = sizeof(RSKANLPROC) * static_cast<size_t>(count);
    auto* records = static_cast<RSKANLPROC*>(run_alloc(con, bytes, "analysis processing structures", RSKMEM_RESULTS));
    if (records == nullptr) return 1;
    request(con, RSKRES_INSTVALS);

    int rc = 0;
    int32_t used = 0;
    for (const RSKNAMECELL* cell = project->analyses.head; cell != nullptr; cell = cell->next) {
        RSKANALYSIS* analysis = load_analysis(con, &cell->name.name);
        if (analysis == nullptr) {
            name_project_message(1305, cell->name, project);
            if (rc < 1) rc = 1;
            continue;
        }
        if (analysis->name.name.length > run->longest_analysis_name)
            run->longest_analysis_name = analysis->name.name.length;
        const int found = find_analysis_output(con, analysis);
        if (found != 0) {
            name_project_message(2739, analysis->name, project);
            if (rc < found) rc = found;
            continue;
        }
        RSKANLPROC* record = &records[used++];
        record->analysis = analysis;
        record->kind = analysis->kind;
        record->subkind = analysis->subtype;
        record->ordinal = run->analysis_count + 1;
        record->project = project;
        if (run->analyses_tail != nullptr) run->analyses_tail->next = record;
        else run->analyses_head = record;
        run->analyses_tail = record;
        ++run->analysis_count;
    }
    run->result_sets.analyses = run->analyses_head;
    return rc;
}
