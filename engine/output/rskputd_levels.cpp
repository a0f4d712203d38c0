// The level pass of a result data set with a multidimensional database: every analysis's output
// phase runs with a row writer that only collects the distinct values of each class column.
#include <cstring>
#include <initializer_list>

#include "engine/analyses/analysis_phases.h"
#include "engine/model/control/out_of_memory.h"
#include "engine/output/result_datasets.h"
#include "engine/run/analysis_processing.h"
#include "engine/run/run_block.h"
#include "host/print.h"

namespace {

constexpr int kLabelLineLimit = 10;

void put_text(char* field, int width, const char* text, int length) {
    std::memset(field, ' ', static_cast<size_t>(width));
    if (text != nullptr && length > 0)
        std::memcpy(field, text, static_cast<size_t>(length < width ? length : width));
}

// The analysis type label of the row from message 598/number; a missing message leaves it blank.
void put_type_label(RSKRUNRESULTS* r, int number) {
    char text[64];
    int length = 0;
    std::memset(r->row.analysis_type, ' ', sizeof r->row.analysis_type);
    if (xpmtext(598, number, text, sizeof text, &length) != 0) {
        if (r->label_failures++ < kLabelLineLimit)
            xebug("rskputd: SET_ANALYSIS_TYPE: bad msg number %i.", number);
        return;
    }
    put_text(r->row.analysis_type, 32, text, length < 63 ? length : 63);
}

struct LevelSpec {
    int which;
    int kind;
    int key_length;
};

// Whether the switch of a level set's column is on.
bool level_switch(const RSKVARSWITCH* sw, int which) {
    switch (which) {
    case RSKLEVEL_TOTAL: return sw->total;
    case RSKLEVEL_RESULT_NAME: case RSKLEVEL_RESULT_NUMBER: return sw->result;
    case RSKLEVEL_ANALYSIS_NAME: return sw->analysis_name;
    case RSKLEVEL_SIMULATION_CASE: return sw->simulation_case;
    case RSKLEVEL_SIMULATION_MODE: return sw->simulation_mode;
    case RSKLEVEL_SIMULATION_CATEGORY: return sw->simulation_category;
    case RSKLEVEL_SIMULATION_TIME: return sw->simulation_time;
    case RSKLEVEL_SIMULATION_PART: return sw->simulation_part;
    case RSKLEVEL_OUTPUT_VARIABLE: return sw->output_variable;
    case RSKLEVEL_TYPE: return sw->type;
    case RSKLEVEL_NAME: return sw->name;
    case RSKLEVEL_NAME2: return sw->name2;
    case RSKLEVEL_FACTOR1: return sw->factor1;
    case RSKLEVEL_FACTOR2: return sw->factor2;
    case RSKLEVEL_PROFIT: return sw->density;
    default: return false;
    }
}

constexpr LevelSpec kLevels[RSKLEVEL_COUNT] = {
    {RSKLEVEL_TOTAL, VSET_CHARACTER, 16},
    {RSKLEVEL_RESULT_NAME, VSET_CHARACTER, 256},
    {RSKLEVEL_RESULT_NUMBER, VSET_NUMERIC, 8},
    {RSKLEVEL_ANALYSIS_NAME, VSET_CHARACTER, 32},
    {RSKLEVEL_SIMULATION_CASE, VSET_NUMERIC, 8},
    {RSKLEVEL_SIMULATION_MODE, VSET_CHARACTER, 32},
    {RSKLEVEL_SIMULATION_CATEGORY, VSET_CHARACTER, 32},
    {RSKLEVEL_SIMULATION_TIME, VSET_NUMERIC, 8},
    {RSKLEVEL_SIMULATION_PART, VSET_CHARACTER, 32},
    {RSKLEVEL_OUTPUT_VARIABLE, VSET_CHARACTER, 32},
    {RSKLEVEL_TYPE, VSET_CHARACTER, 32},
    {RSKLEVEL_NAME, VSET_CHARACTER, 32},
    {RSKLEVEL_NAME2, VSET_CHARACTER, 32},
    {RSKLEVEL_FACTOR1, VSET_NUMERIC, 8},
    {RSKLEVEL_FACTOR2, VSET_NUMERIC, 8},
    {RSKLEVEL_PROFIT, VSET_NUMERIC, 8},
};

// The value a level set takes from the current row.
const void* level_key(const RSKRUNRESULTS* r, int which) {
    const RSKROWVALUES& w = r->row;
    switch (which) {
    case RSKLEVEL_TOTAL: return r->total_label;
    case RSKLEVEL_RESULT_NAME: return w.result_name;
    case RSKLEVEL_RESULT_NUMBER: return &w.result_number;
    case RSKLEVEL_ANALYSIS_NAME: return w.analysis_name;
    case RSKLEVEL_SIMULATION_CASE: return &w.simulation_case;
    case RSKLEVEL_SIMULATION_MODE: return w.simulation_mode;
    case RSKLEVEL_SIMULATION_CATEGORY: return w.simulation_category;
    case RSKLEVEL_SIMULATION_TIME: return &w.simulation_time;
    case RSKLEVEL_SIMULATION_PART: case RSKLEVEL_OUTPUT_VARIABLE: return w.simulation_part;
    case RSKLEVEL_TYPE: return w.type;
    case RSKLEVEL_NAME: return w.name;
    case RSKLEVEL_NAME2: return w.name2;
    case RSKLEVEL_FACTOR1: return &w.factor1;
    case RSKLEVEL_FACTOR2: return &w.factor2;
    case RSKLEVEL_PROFIT: return &w.profit;
    default: return nullptr;
    }
}

int analysis_kind(const RSKANLPROC* proc) {
    return proc->analysis != nullptr ? static_cast<int>(proc->analysis->kind)
                                     : static_cast<int>(proc->kind);
}

// Runs the level output of an analysis kind through the phase table.
int run_output_phase(RSKCON* con, RSKRESDS* resds, RSKANLPROC* proc, void* work) {
    const RSKPHASES* phases = rsa_phases(analysis_kind(proc), RSKDISP_LEVELS);
    if (phases == nullptr) return 0;
    RskOutputPhase phase = phases->level_output != nullptr ? phases->level_output : phases->output;
    return phase != nullptr ? phase(con, proc, work, &add_level, resds) : 0;
}

}  // namespace

int init_levels(RSKCON* con, RSKRESDS* resds, const RSKVARSWITCH* sw) {
    for (const LevelSpec& spec : kLevels) {
        if (!level_switch(sw, spec.which) || resds->levels[spec.which] != nullptr) continue;
        const int rc = zvinit(&resds->levels[spec.which], con->run_pool, spec.kind,
                              spec.key_length, 0);
        if (rc != 0) {
            rsknomem(con, sizeof(value_set), "level value sets");
            return 1;
        }
    }
    return 0;
}

int add_level(RSKCON* con, RSKRESDS* resds) {
    rskputr(con, resds);
    const RSKRUNRESULTS* r = rskres_run(con);
    if (r == nullptr) return 0;
    for (int which = 0; which < RSKLEVEL_COUNT; ++which) {
        value_set* set = resds->levels[which];
        if (set == nullptr) continue;
        const int rc = zvadd(set, level_key(r, which));
        if (rc == VSET_NO_MEMORY) {
            rsknomem(con, sizeof(value_set), "level value sets");
            return 1;
        }
    }
    return 0;
}

int process_simulation(RSKCON* con, RSKRESDS* resds, RSKANLPROC* proc, void* work) {
    if (resds->kind != RSKRES_COMBINE && resds->kind != RSKRES_SIMSTAT) return 0;
    return run_output_phase(con, resds, proc, work);
}

int process_analysis(RSKCON* con, RSKRESDS* resds, RSKANLPROC* proc, void* work) {
    RSKRUNRESULTS* r = rskres_run(con);
    if (r == nullptr) return 0;
    std::memcpy(&r->row, &r->row_template, sizeof r->row);
    r->context.row_counter = 0;
    r->context.analysis = proc;
    const RSKOBJNAME* name = proc->analysis != nullptr ? &proc->analysis->name : nullptr;
    put_text(r->row.analysis_name, 32, name ? name->name.text : nullptr, name ? name->name.length : 0);
    put_type_label(r, proc->label);

    const int kind = resds->kind;
    auto serves = [kind](std::initializer_list<int> kinds) {
        for (int k : kinds)
            if (k == kind) return true;
        return false;
    };
    switch (analysis_kind(proc)) {
    case RSKANL_MTM:
    case RSKANL_CUREXP:
        return 0;
    case RSKANL_SENSITIVITY:
        return serves({3, 5, 6}) ? run_output_phase(con, resds, proc, work) : 0;
    case RSKANL_PLCURVE:
        return serves({3, 7}) ? run_output_phase(con, resds, proc, work) : 0;
    case RSKANL_PLSURFACE:
        return serves({3, 8}) ? run_output_phase(con, resds, proc, work) : 0;
    case RSKANL_SCENARIO:
        return serves({3, 9}) ? run_output_phase(con, resds, proc, work) : 0;
    case RSKANL_COVSIM: case RSKANL_MODELSIM: case RSKANL_HISTSIM: case RSKANL_SERIESSIM:
    case RSKANL_POTEXP: case RSKANL_OPTIMISATION:
        return process_simulation(con, resds, proc, work);
    case RSKANL_DELTANORMAL:
        return serves({3, 4, 10}) ? run_output_phase(con, resds, proc, work) : 0;
    case RSKANL_POSEQ:
        if (!serves({3, 4})) return 0;
        if (kind == RSKRES_COMBINE) ++resds->level_pass;
        return add_level(con, resds);
    case RSKANL_CASHFLOW:
        return run_output_phase(con, resds, proc, work);
    default:
        xebug("rskputd: process_analysis: unknown type %i", analysis_kind(proc));
        return 0;
    }
}

int get_levels(RSKCON* con, RSKRESDS* resds, const RSKVARSWITCH* sw) {
    int rc = init_levels(con, resds, sw);
    if (rc != 0) return rc;
    RSKRUNRESULTS* r = rskres_run(con);
    if (r == nullptr) return 0;
    resds->level_pass = 0;
    for (RSKANLPROC* proc = r->analyses; proc != nullptr; proc = proc->next) {
        if (proc->failed) continue;
        const int code = process_analysis(con, resds, proc, proc->work);
        if (code > rc) rc = code;
    }
    if (resds->kind != RSKRES_SUMMARY) {
        resds->level_pass = 0;
        return rc;
    }
    // SUMMARY also carries the level of the whole run.
    resds->level_pass = 1;
    put_text(r->row.analysis_name, 32, "Analysis Summary", 16);
    put_type_label(r, 5600);
    const int code = add_level(con, resds);
    if (code > rc) rc = code;
    resds->level_pass = 0;
    return rc;
}
