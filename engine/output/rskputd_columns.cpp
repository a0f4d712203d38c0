// The columns of a result data set: every column group its switches turn on, defined in one fixed
// order with its name, type, length, label, format, role and slot in the current row record.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "engine/model/options/engine_options.h"
#include "engine/model/registries/code_registries.h"
#include "engine/model/variables/variable_record.h"
#include "engine/model/variables/variables.h"
#include "engine/output/result_kinds.h"
#include "engine/run/run_block.h"
#include "host/dataset.h"
#include "host/print.h"

namespace {

constexpr int NUM = QOR_VAR_NUMERIC;
constexpr int CHR = QOR_VAR_CHARACTER;
constexpr int kRoleComputed = 204;

// A format as a column takes it: name, width and decimals.
struct Format {
    const char* name;
    int width;
    int decimals;
};

Format fixed(const char* name, int width, int decimals) { return {name, width, decimals}; }
Format family(const RSKFMTFIELD& field) {
    return {field.name, field.width == 65535 ? 0 : field.width,
            field.decimals == 65535 ? 0 : field.decimals};
}
constexpr Format kNoFormat{nullptr, 0, 0};

// What defining the columns of one data set needs at hand.
struct Columns {
    RSKCON* con;
    RSKRESDS* resds;
    RSKRUNRESULTS* r;
    const RSKOPTREC* o;
    const RSKVARSWITCH* sw;
    RSKROWVALUES* row;
    int rc;
    int role_number;                 // ResultNumber and AnalysisPart: 0 or 4
    int role_class;                  // AnalysisName, SimulationCase/Time/Part: 1 or 4
    Format value, numeric, pct, date, datetime, cfnote;
};

void add(Columns& c, int role, const char* name, int type, int label_number, void* slot,
         int length, const Format& f, value_set* levels = nullptr) {
    const int rc = add_variable(c.con, c.resds, role, name, -1, type, nullptr, label_number, slot,
                                length, levels, f.name, -1, f.width, f.decimals);
    c.rc = std::max(c.rc, rc);
}

void add_labelled(Columns& c, int role, const char* name, int name_length, int type,
                  const char* label, int label_length, void* slot, int length, const Format& f,
                  value_set* levels = nullptr) {
    const int rc = add_variable(c.con, c.resds, role, name, name_length, type, label,
                                label_length, slot, length, levels, f.name, -1, f.width,
                                f.decimals);
    c.rc = std::max(c.rc, rc);
}

int clamp(int value, int low, int high) { return std::min(std::max(value, low), high); }

// The label text of a variable: its label, else nothing.
const char* var_label(const RSKVARIABLE* v, int* length) {
    if (v == nullptr || v->properties.description == nullptr ||
        v->properties.description_length <= 0) {
        *length = 0;
        return "";
    }
    *length = v->properties.description_length;
    return v->properties.description;
}

Format var_format(const RSKVARIABLE* v) {
    if (v == nullptr || v->format_name[0] == '\0' || v->format_name[0] == ' ') return kNoFormat;
    return {v->format_name, static_cast<int>(v->format_width),
            static_cast<int>(v->format_decimals)};
}

// A column named after a system variable: its own name and label, and its format where the
// column takes the variable's. Without system variables the column keeps the plain name.
void add_system(Columns& c, int role, const RSKVARIABLE* v, const char* plain, int type,
                void* slot, int length, const Format& f, value_set* levels = nullptr,
                bool variable_format = false) {
    const char* name = plain;
    int name_length = -1;
    if (v != nullptr) {
        name = v->name.name.text;
        name_length = v->name.name.length;
    }
    int label_length = 0;
    const char* label = var_label(v, &label_length);
    const Format format = variable_format && v != nullptr ? var_format(v) : f;
    add_labelled(c, role, name, name_length, type, label_length > 0 ? label : nullptr,
                 label_length, slot, length, format.name != nullptr || type == CHR ? format : f,
                 levels);
}

RSKSYSVARS* sysvars(const Columns& c) { return c.con->system_variables; }
value_set* level(const Columns& c, int which) { return c.resds->levels[which]; }

bool has_role(const RSKVARIABLE* v, uint32_t role) { return v->role == role; }

// Element columns of an array variable: NAME_1, NAME_2, ... in consecutive slots.
void add_array_elements(Columns& c, const RSKVARIABLE* v, double* first_slot) {
    const int count = static_cast<int>(v->element_count);
    for (int i = 1; i <= count; ++i) {
        char name[64];
        int n = std::snprintf(name, sizeof name, "%.*s_%i", v->name.name.length,
                              v->name.name.text, i);
        if (n > 32) n = 32;
        char label[QOR_VAR_LABEL_MAX + 1];
        rskres_message(label, sizeof label, 5501, v->name.name.length, v->name.name.text, i);
        add_labelled(c, 0, name, n, NUM, label, static_cast<int>(std::strlen(label)),
                     first_slot + (i - 1), 8, c.numeric);
    }
}

// Instrument and computed variables, in the environment's order.
void instrument_columns(Columns& c) {
    const int kind = c.resds->kind;
    RSKSYSVARS* s = sysvars(c);
    for (RSKVARIABLE* v = c.con->variables_head; v != nullptr; v = v->next) {
        if (v->kind != 1 && v->kind != 3 && v->kind != 7) continue;
        if (v->use_mask == 0 || v->output_mark != 0 || v->exclusion2 != 0 || v->exclusion3 != 0)
            continue;
        const bool computed = has_role(v, kRoleComputed);
        if (computed) {
            if (!c.resds->computed_vars || !v->output_switch || v->exclusion1 != 0) continue;
        } else if (!c.resds->instrument_vars) {
            continue;
        }
        if (kind == 92 || kind == 116) {
            if (v->exclusion1 != 0) continue;
            if (s != nullptr && (v == s->inst_type || v == s->inst_id || v == s->inst_number ||
                                 v == s->inst_source))
                continue;
        }
        if (v->value == nullptr) continue;   // the run gave it no storage
        if (v->data_type == RSKDTYPE_ARRAY) {
            if (!c.o->instarrays && !computed) continue;
            auto* slot = static_cast<double*>(v->value);
            const bool own_slot = computed || (v->kind >= 301 && v->kind <= 700);
            v->output_mark = 1;
            add_array_elements(c, v, own_slot ? slot : slot + 1);
            continue;
        }
        const bool numeric = v->value_class != 2;
        add_system(c, 0, v, v->name.name.text, numeric ? NUM : CHR, v->value,
                   numeric ? 8 : std::max<int>(v->length, 1), numeric ? c.numeric : kNoFormat,
                   nullptr, true);
    }
}

// One column per instrument statistic of the run.
void statistics_columns(Columns& c) {
    for (int i = 0; i < c.r->inst_stat_count; ++i) {
        RSKINSTSTAT& e = c.r->inst_stats[i];
        const char* name = e.alias.name.length > 0 ? e.alias.name.text
                           : e.variable != nullptr ? e.variable->name.name.text : "";
        int name_length = e.alias.name.length > 0 ? e.alias.name.length
                          : e.variable != nullptr ? e.variable->name.name.length : 0;
        if (name_length > 32) name_length = 32;
        const char* statistic = "";
        const int statistic_length = rskcnts(c.con, e.statistic, &statistic);
        char label[QOR_VAR_LABEL_MAX + 1];
        const int variable_length = e.variable != nullptr ? e.variable->name.name.length : 0;
        const int n = std::snprintf(label, sizeof label, "%.*s of %.*s", statistic_length,
                                    statistic, variable_length,
                                    e.variable != nullptr ? e.variable->name.name.text : "");
        add_labelled(c, 0, name, name_length, NUM, label, std::min<int>(n, QOR_VAR_LABEL_MAX),
                     &e.value, 8, c.numeric);
    }
}

// The date column and the risk factors of the risk-factor mode.
void factor_columns(Columns& c) {
    const int kind = c.resds->kind;
    const int mode = c.sw->factor_mode;
    RSKSYSVARS* s = sysvars(c);
    const int role = mode == 3 ? 4 : 0;
    if (c.sw->factor_date && s != nullptr && s->date != nullptr && (s->date->use_mask & 4) &&
        kind != 102 && s->date->value != nullptr) {
        add_labelled(c, role, s->date->name.name.text, s->date->name.name.length, NUM, nullptr,
                     5286, s->date->value, 8, c.numeric);
    }
    if (mode == 0) return;
    for (RSKVARIABLE* v = c.con->variables_head; v != nullptr; v = v->next) {
        if (v->kind != 2 && v->kind != 9) continue;
        if (v->output_mark != 0) continue;
        if (mode != 1 && !(v->factor_modes & (1u << mode))) continue;
        if ((v->exclusion2 != 0 || v->exclusion3 != 0) &&
            !(kind == 102 && c.r->excluded_factors_in_states))
            continue;
        if (v->data_type == 11) {
            xpmlog(598, 2851, 3, "set", v->name.name.length, v->name.name.text);
            continue;
        }
        if (v->value == nullptr) continue;
        if (kind == 102 && v->element_count > 1 && (v->class_flags & RSKVAROUT_ARRAY)) {
            v->output_mark = 1;
            add_array_elements(c, v, static_cast<double*>(v->value));
            continue;
        }
        int label_length = 0;
        const char* label = var_label(v, &label_length);
        char delta[QOR_VAR_LABEL_MAX + 1];
        if ((mode == 2 || mode == 4) && kind != 5) {
            if (label_length == 0) {
                label = v->name.name.text;
                label_length = v->name.name.length;
            }
            const int n = std::snprintf(delta, sizeof delta, "Delta wrt %.*s", label_length, label);
            label = delta;
            label_length = std::min<int>(n, QOR_VAR_LABEL_MAX);
        }
        const bool numeric = v->value_class != 2;
        const Format f = var_format(v);
        add_labelled(c, role, v->name.name.text, v->name.name.length, numeric ? NUM : CHR,
                     label_length > 0 ? label : nullptr, label_length, v->value,
                     numeric ? 8 : std::max<int>(v->length, 1),
                     f.name != nullptr ? f : (numeric ? c.numeric : kNoFormat));
    }
}

// Simulation-dependent output variables and their "aR_" companions.
void simulation_dependent_columns(Columns& c) {
    if (!c.sw->simdep_all && !c.sw->simdep_mode) return;
    RSKSYSVARS* s = sysvars(c);
    for (int i = 0; i < c.r->simdep_count; ++i) {
        RSKSIMDEPVAR& e = c.r->simdep[i];
        if (e.flags & (RSKSIMDEP_SKIP1 | RSKSIMDEP_SKIP2)) continue;
        const RSKVARIABLE* v = e.variable;
        if (v != nullptr && (v->exclusion2 != 0 || v->exclusion3 != 0)) continue;
        if (v != nullptr && s != nullptr && v == s->return_value) continue;
        const bool companion_flag = (e.flags & RSKSIMDEP_COMPANION) != 0;
        const bool take = (c.sw->simdep_all && v != nullptr && v->output_switch) ||
                          (c.sw->simdep_mode == 1 && companion_flag) ||
                          (c.sw->simdep_mode == 2 && !companion_flag);
        if (!take) continue;
        const Format f = var_format(v);
        add_labelled(c, 0, e.name.name.text, e.name.name.length, NUM,
                     e.label_length > 0 ? e.label : nullptr, e.label_length, &e.value, 8,
                     f.name != nullptr ? f : c.numeric);
        if (c.sw->simdep_companion && companion_flag) {
            char name[64];
            int n = std::snprintf(name, sizeof name, "aR_%.*s", e.name.name.length,
                                  e.name.name.text);
            if (n > 32) n = 32;
            char label[QOR_VAR_LABEL_MAX + 1];
            if (e.label_length > 0)
                rskres_message(label, sizeof label, 5351, e.label_length, e.label);
            else
                rskres_message(label, sizeof label, 5351, e.name.name.length, e.name.name.text);
            add_labelled(c, 0, name, n, NUM, label, static_cast<int>(std::strlen(label)),
                         &e.companion, 8, c.value);
        }
    }
}

void cashflow_columns(Columns& c) {
    RSKROWVALUES* w = c.row;
    add(c, 0, "CFNumber", NUM, 5431, &w->cf_number, 4, fixed("F", 8, 0));
    add(c, 0, "Mat_Date", NUM, 5356, &w->mat_date, 8, c.date);
    add(c, 0, "Ret_MatAmt", NUM, 5357, &w->ret_mat_amt, 8, c.value);
    add(c, 0, "Disc_Amount", NUM, 5358, &w->disc_amount, 8, c.value);
    add(c, 0, "Mat_Amount", NUM, 5359, &w->mat_amount, 8, c.value);
    add(c, 0, "Rep_Date", NUM, 5375, &w->rep_date, 8, c.date);
    add(c, 0, "Ret_RepAmt", NUM, 5376, &w->ret_rep_amt, 8, c.value);
    add(c, 0, "Rep_Amount", NUM, 5379, &w->rep_amount, 8, c.value);
    add(c, 0, "CFNote", NUM, 5377, &w->cf_note, 8, c.cfnote);
    add(c, 0, "_Yield_", NUM, 5355, &w->yield, 8, c.value);
    static const char* const kLegColumns[3][2] = {
        {"%.*s.Date", "Cash Flow Maturity Date (Leg = %.*s)"},
        {"%.*s.Amt", "Cash Flow Amount (Leg = %.*s)"},
        {"%.*s.Note", "Cash Flow Notes (Leg = %.*s)"},
    };
    for (int leg = 0; leg < c.r->leg_count; ++leg) {
        const RSKOBJNAME& n = c.r->leg_names[leg];
        const Format formats[3] = {c.date, c.value, c.cfnote};
        for (int j = 0; j < 3; ++j) {
            char name[80], label[160];
            int nl = std::snprintf(name, sizeof name, kLegColumns[j][0], n.name.length,
                                   n.name.text);
            if (nl > 32) nl = 32;
            const int ll = std::snprintf(label, sizeof label, kLegColumns[j][1], n.name.length,
                                         n.name.text);
            add_labelled(c, 0, name, nl, NUM, label, ll, &c.r->leg_slots[3 * leg + j], 8,
                         formats[j]);
        }
    }
}

void distribution_columns(Columns& c) {
    RSKROWVALUES* w = c.row;
    if (c.sw->evt) {
        add(c, 0, "TailIndex", NUM, 5277, &w->tail_index, 8, c.numeric);
        add(c, 0, "VaREVT", NUM, -5278, &w->var_evt, 8, c.value);
        add(c, 0, "CondExpectedLoss", NUM, -5279, &w->cond_expected_loss, 8, c.value);
    }
    add(c, 0, "Mean", NUM, -5262, &w->mean, 8, c.value);
    add(c, 0, "Std", NUM, 5263, &w->std, 8, c.value);
    add(c, 0, "Skewness", NUM, 5264, &w->skewness, 8, c.numeric);
    add(c, 0, "Kurtosis", NUM, 5265, &w->kurtosis, 8, c.numeric);
    add(c, 0, "Min", NUM, -5267, &w->min, 8, c.value);
    add(c, 0, "Median", NUM, -5268, &w->median, 8, c.value);
    add(c, 0, "Max", NUM, -5266, &w->max, 8, c.value);
    if (!c.sw->detail || c.con->options == nullptr) return;
    // The option's list holds the inner points of the percentile scale followed by 1: the first
    // nineteen are written.
    for (int i = 1; i <= kRskPercentileColumns; ++i) {
        const double p = c.con->options->percentiles[i - 1];
        char name[16];
        const int nl = percentile_name(p, name);
        const int k = static_cast<int>(std::floor(1000.0 * p + 0.000001 + 0.5));
        char label[QOR_VAR_LABEL_MAX + 1];
        rskres_message(label, sizeof label, 5276, k / 10.0, 3, c.r->base_currency);
        add_labelled(c, 0, name, nl, NUM, label, static_cast<int>(std::strlen(label)),
                     &w->percentiles[i - 1], 8, c.value);
    }
}

void importance_columns(Columns& c) {
    RSKROWVALUES* w = c.row;
    add(c, 0, "RI", NUM, 5241, &w->ri, 8, c.numeric);
    add(c, 0, "Rank", NUM, 5242, &w->rank, 8, fixed("F", 5, 0));
    add(c, 0, "Corr", NUM, 5243, &w->corr, 8, fixed("F", 6, 3));
    add(c, 0, "Mean", NUM, 5244, &w->imp_mean, 8, c.value);
    add(c, 0, "Std", NUM, 5245, &w->imp_std, 8, c.value);
    add(c, 0, "Min", NUM, 5247, &w->imp_min, 8, c.value);
    add(c, 0, "Max", NUM, 5248, &w->imp_max, 8, c.value);
    if (!c.sw->detail) return;
    char name[8];
    for (int i = 0; i < 4; ++i) {
        std::snprintf(name, sizeof name, "C%i", i + 1);
        add(c, 0, name, NUM, 5249, &w->imp_c[i], 8, c.numeric);
    }
    for (int i = 0; i < 5; ++i) {
        std::snprintf(name, sizeof name, "G%i", i + 1);
        add(c, 0, name, NUM, 5253, &w->imp_g[i], 8, c.numeric);
    }
    for (int i = 0; i < 5; ++i) {
        std::snprintf(name, sizeof name, "H%i", i + 1);
        add(c, 0, name, NUM, 5250, &w->imp_h[i], 8, c.numeric);
    }
    for (int i = 0; i < 25; ++i) {
        std::snprintf(name, sizeof name, "D%i%i", i / 5 + 1, i % 5 + 1);
        add(c, 0, name, NUM, 5252, &w->imp_d[i], 8, c.numeric);
    }
}

// The columns of the catalogue, in column order.
void define_groups(Columns& c) {
    const RSKVARSWITCH& sw = *c.sw;
    RSKROWVALUES* w = c.row;
    RSKRUNRESULTS* r = c.r;
    RSKSYSVARS* s = sysvars(c);
    const int kind = c.resds->kind;
    auto sv = [s](RSKVARIABLE* RSKSYSVARS::*field) { return s != nullptr ? s->*field : nullptr; };

    // Kind 114 writes a system variable that is also a class variable among the class columns only.
    auto skip_class = [&](RSKVARIABLE* RSKSYSVARS::*field) {
        const RSKVARIABLE* v = sv(field);
        return kind == 114 && v != nullptr && (v->class_flags & RSKVAROUT_CLASS);
    };
    // Instrument numbers are stored in 8 bytes: 4 would hold them exactly only up to 2^21.
    if (sw.inst_number) add(c, 0, "InstNumber", NUM, 5201, &w->inst_number, 8, fixed("F", 9, 0));
    if (sw.inst_id && !skip_class(&RSKSYSVARS::inst_id))
        add_system(c, 0, sv(&RSKSYSVARS::inst_id), "InstID", CHR, w->inst_id,
                   clamp(r->longest_inst_id, 8, 256), kNoFormat);
    if (sw.inst_type && !skip_class(&RSKSYSVARS::inst_type))
        add_system(c, 0, sv(&RSKSYSVARS::inst_type), "InstType", CHR, w->inst_type,
                   clamp(r->longest_inst_type, 8, 32), kNoFormat);
    if (sw.inst_source && !skip_class(&RSKSYSVARS::inst_source))
        add_system(c, 0, sv(&RSKSYSVARS::inst_source), "InstSource", CHR, w->inst_source,
                   clamp(r->longest_inst_source, 8, 32), kNoFormat);
    if (sw.state_number) add(c, 0, "StateNumber", NUM, 5200, &w->state_number, 8, fixed("F", 8, 0));
    if (sw.total)
        add(c, kind == 1 ? 1 : 3, "_Total_", CHR, 5299, w->total, 8, kNoFormat,
            level(c, RSKLEVEL_TOTAL));
    if (sw.aggregation_number)
        add(c, 0, "AggregationNumber", NUM, 5254, &w->aggregation_number, 8, fixed("F", 8, 0));
    if (sw.crossing) {
        for (int i = 0; i < r->class_var_count; ++i) {
            const RSKCLASSVAR& cv = r->class_vars[i];
            if (cv.variable == nullptr) continue;
            const bool numeric = cv.variable->value_class != 2;
            add_system(c, 2, cv.variable, cv.variable->name.name.text, numeric ? NUM : CHR,
                       cv.value, numeric ? 8 : cv.length, numeric ? c.numeric : kNoFormat,
                       nullptr, true);
        }
    }
    if (sw.ninst) add(c, 0, "NInst", NUM, 5221, &w->ninst, 8, fixed("F", 8, 0));
    if (sw.nmissing) add(c, 0, "NMissing", NUM, 5222, &w->nmissing, 8, fixed("F", 8, 0));
    if (sw.value_statistics) {
        add(c, 0, "InstN", NUM, 5303, &w->inst_n, 8, fixed("F", 8, 0));
        add(c, 0, "InstMean", NUM, -5304, &w->inst_mean, 8, c.value);
        add(c, 0, "InstStd", NUM, 5305, &w->inst_std, 8, c.value);
        add(c, 0, "InstMin", NUM, -5306, &w->inst_min, 8, c.value);
        add(c, 0, "InstMax", NUM, -5307, &w->inst_max, 8, c.value);
    }
    if (sw.result) {
        const int p = r->simulation ? 25 : 9;
        const int m = kind == 4 ? 16 : (kind == 91 || kind == 92) ? 8 : 1;
        const int length =
            std::min(std::max(std::min(r->longest_analysis_name, 256 - p), m) + p, 256);
        add(c, c.role_number, "ResultNumber", NUM, 5217, &w->result_number, 4, fixed("F", 5, 0),
            level(c, RSKLEVEL_RESULT_NUMBER));
        add(c, 1, "ResultName", CHR, 5216, w->result_name, length, kNoFormat,
            level(c, RSKLEVEL_RESULT_NAME));
    }
    if (sw.analysis_number)
        add(c, 0, "AnalysisNumber", NUM, 5214, &w->analysis_number, 4, fixed("F", 5, 0));
    if (sw.analysis_name) {
        const int m = kind == 4 ? 16 : (kind == 116 || kind == 91 || kind == 111 || kind == 101) ? 8 : 1;
        add(c, c.role_class, "AnalysisName", CHR, 5212, w->analysis_name,
            std::max(std::min(r->longest_analysis_name, 32), m), kNoFormat,
            level(c, RSKLEVEL_ANALYSIS_NAME));
    }
    if (sw.analysis_part)
        add(c, c.role_number, "AnalysisPart", NUM, 5215, &w->analysis_part, 4, fixed("F", 4, 0));
    if (sw.base_date)
        add_system(c, 0, sv(&RSKSYSVARS::base_date), "BaseDate", NUM, &w->base_date, 8, c.date);
    if (sw.simulation_case)
        add_system(c, c.role_class, sv(&RSKSYSVARS::simulation_case), "SimulationCase", NUM,
                   &w->simulation_case, 8, fixed("F", 4, 0), level(c, RSKLEVEL_SIMULATION_CASE));
    if (sw.simulation_mode)
        add_system(c, 1, sv(&RSKSYSVARS::simulation_mode), "SimulationMode", CHR,
                   w->simulation_mode, 16, kNoFormat, level(c, RSKLEVEL_SIMULATION_MODE));
    if (sw.simulation_category)
        add_system(c, 1, sv(&RSKSYSVARS::simulation_category), "SimulationCategory", CHR,
                   w->simulation_category, clamp(r->longest_category, 32, 256), kNoFormat,
                   level(c, RSKLEVEL_SIMULATION_CATEGORY));
    if (sw.simulation_time)
        add_system(c, c.role_class, sv(&RSKSYSVARS::simulation_time), "SimulationTime", NUM,
                   &w->simulation_time, 8, fixed("F", 4, 0), level(c, RSKLEVEL_SIMULATION_TIME));
    if (sw.simulation_replication)
        add_system(c, 0, sv(&RSKSYSVARS::simulation_replication), "SimulationReplication", NUM,
                   &w->simulation_replication, 8, fixed("F", 6, 0));
    const int part_length = clamp(r->longest_part_name, 8, 32);
    const int part_label_length = clamp(r->longest_part_label, 5, 256);
    if (sw.simulation_part)
        add(c, c.role_class, "SimulationPart", CHR, 5298, w->simulation_part, part_length,
            kNoFormat, level(c, RSKLEVEL_SIMULATION_PART));
    if (sw.simulation_part_label)
        add(c, 2, "SimulationPartLabel", CHR, 5398, w->simulation_part_label, part_label_length,
            kNoFormat);
    if (sw.output_variable)
        add(c, 1, "OutputVariable", CHR, 5393, w->simulation_part, part_length, kNoFormat,
            level(c, RSKLEVEL_OUTPUT_VARIABLE));
    if (sw.output_variable_label)
        add(c, 2, "OutputVariableLabel", CHR, 5398, w->simulation_part_label, part_label_length,
            kNoFormat);
    const int name_length = clamp(r->longest_name, 5, 32);
    if (sw.name)
        add(c, 1, "Name", CHR, 5223, w->name, name_length, kNoFormat, level(c, RSKLEVEL_NAME));
    if (sw.name2)
        add(c, 1, "Name2", CHR, 5224, w->name2, name_length, kNoFormat, level(c, RSKLEVEL_NAME2));
    if (sw.type)
        add_system(c, 1, sv(&RSKSYSVARS::type), "_Type_", CHR, w->type, 32, kNoFormat,
                   level(c, RSKLEVEL_TYPE));
    if (sw.date_) add_system(c, 0, sv(&RSKSYSVARS::date), "_date_", NUM, &w->date_, 8, c.date);
    if (sw.datetime)
        add_labelled(c, 0, "DATETIME", -1, NUM, "Valuation Datetime", -1, &w->datetime, 8,
                     c.datetime);
    if (sw.eval_date) add(c, 0, "EvalDate", NUM, 5209, &w->eval_date, 8, c.date);
    if (sw.date) add(c, 0, "Date", NUM, 5210, &w->date, 8, c.date);
    if (sw.value_5300 || sw.value_5301 || sw.value_5302)
        add(c, 0, "Value", NUM, sw.value_5300 ? -5300 : sw.value_5301 ? -5301 : -5302, &w->value,
            8, c.value);
    if (sw.base_case_value)
        add(c, 0, "BaseCaseValue", NUM, 5204, &w->base_case_value, 8, c.value);
    if (sw.posneg_value) {
        add(c, 0, "PositiveValue", NUM, -5206, &w->positive_value, 8, c.value);
        add(c, 0, "NegativeValue", NUM, -5207, &w->negative_value, 8, c.value);
    }
    if (sw.returned_value) add(c, 0, "ReturnedValue", NUM, 5321, &w->returned_value, 8, c.value);
    if (sw.position) {
        if (!skip_class(&RSKSYSVARS::holding))
            add_system(c, 0, sv(&RSKSYSVARS::holding), "Holding", NUM, &w->holding, 8,
                       fixed("BEST", 7, 0));
        if (!skip_class(&RSKSYSVARS::short_position))
            add_system(c, 0, sv(&RSKSYSVARS::short_position), "ShortPosition", NUM,
                       &w->short_position, 8, fixed("F", 4, 0));
        if (!skip_class(&RSKSYSVARS::al_position))
            add_system(c, 0, sv(&RSKSYSVARS::al_position), "ALPosition", NUM, &w->al_position, 8,
                       fixed("F", 4, 0));
        if (!skip_class(&RSKSYSVARS::currency))
            add_system(c, 0, sv(&RSKSYSVARS::currency), "Currency", CHR, w->currency, 3,
                       kNoFormat);
    }
    if (sw.returned_value)
        add_system(c, 0, sv(&RSKSYSVARS::native_value), "NativeValue", NUM, &w->native_value, 8,
                   c.value);
    if (sw.fx_rate)
        add_system(c, 0, sv(&RSKSYSVARS::fx_rate), "FX_Rate", NUM, &w->fx_rate, 8, c.numeric,
                   nullptr, true);
    if (sw.position && !skip_class(&RSKSYSVARS::collateral))
        add_system(c, 0, sv(&RSKSYSVARS::collateral), "Collateral", NUM, &w->collateral, 8,
                   fixed("F", 4, 0));
    if (sw.cashflow_items) cashflow_columns(c);
    if (sw.bucket) {
        add_labelled(c, 0, "DATE", -1, NUM, "Bucket Date", -1, &w->bucket_date, 8, c.date);
        if (r->bucket_mode == 1 || r->bucket_mode == 3)
            add_labelled(c, 0, "BucketAmt", -1, NUM, "Bucket Amount", -1, &w->bucket_amt, 8,
                         c.value);
        if (r->bucket_mode == 2 || r->bucket_mode == 3)
            add_labelled(c, 0, "CumBucketAmt", -1, NUM, "Cumulative Bucket Amount", -1,
                         &w->cum_bucket_amt, 8, c.value);
    }
    if (sw.buckdate)
        add_labelled(c, 0, "BUCKDATE", -1, NUM, "Bucket Date", -1, &w->buckdate, 8, c.date);
    if (sw.duration) {
        add(c, 0, "Duration", NUM, 5418, &w->duration, 8, c.value);
        add(c, 0, "Convexity", NUM, 5426, &w->convexity, 8, c.value);
    }
    if (sw.mod_duration) {
        add(c, 0, "ModDuration", NUM, 5419, &w->mod_duration, 8, c.value);
        add(c, 0, "ModConvx", NUM, 5427, &w->mod_convx, 8, c.value);
    }
    if (sw.interest_income) add(c, 0, "InterestIE", NUM, 5422, &w->interest_ie, 8, c.value);
    if (sw.x) add(c, 0, "_X_", NUM, 5218, &w->x, 4, fixed("F", 5, 0));
    if (sw.factor1) add(c, 1, "Factor1", NUM, 5225, &w->factor1, 8, c.numeric, level(c, RSKLEVEL_FACTOR1));
    if (sw.y) add(c, 0, "_Y_", NUM, 5219, &w->y, 4, fixed("F", 5, 0));
    if (sw.factor2) add(c, 1, "Factor2", NUM, 5225, &w->factor2, 8, c.numeric, level(c, RSKLEVEL_FACTOR2));
    if (sw.fact_pct1) add(c, 0, "FactPct1", NUM, 5313, &w->fact_pct1, 8, c.pct);
    if (sw.fact_pct2) add(c, 0, "FactPct2", NUM, 5325, &w->fact_pct2, 8, c.pct);
    const int label_length = clamp(r->longest_label, 5, 256);
    if (sw.label) add(c, 2, "Label", CHR, 5238, w->label, label_length, kNoFormat);
    if (sw.label2) add(c, 2, "Label2", CHR, 5239, w->label2, label_length, kNoFormat);
    if (sw.replications) {
        add(c, 0, "NRep", NUM, 5260, &w->nrep, 8, fixed("F", 8, 0));
        add(c, 0, "N", NUM, 5261, &w->n, 8, fixed("F", 9, 0));
        add(c, 0, "NMiss", NUM, 5259, &w->nmiss, 8, fixed("F", 9, 0));
        add(c, 0, "NAdjust", NUM, 5269, &w->nadjust, 8, fixed("F", 9, 0));
    }
    if (sw.mtm) add(c, 0, "MtM", NUM, -5226, &w->mtm, 8, c.value);
    if (sw.exposure) add(c, 0, "Exposure", NUM, -5237, &w->exposure, 8, c.value);
    if (sw.exp_no_net) add(c, 0, "ExpNoNet", NUM, -5337, &w->exp_no_net, 8, c.value);
    if (sw.collateral_value)
        add_system(c, 0, sv(&RSKSYSVARS::collateral), "Collateral", NUM, &w->collateral_value, 8,
                   c.value);
    if (sw.posneg_mtm) {
        add(c, 0, "PositiveMtM", NUM, -5227, &w->positive_mtm, 8, c.value);
        add(c, 0, "NegativeMtM", NUM, -5228, &w->negative_mtm, 8, c.value);
    }
    if (sw.pl) {
        add(c, 0, "PL", NUM, -5229, &w->pl, 8, c.value);
        add(c, 0, "PLPct", NUM, 5329, &w->pl_pct, 8, c.pct);
        add_system(c, 0, sv(&RSKSYSVARS::return_value), "Return", NUM, &w->return_, 8, c.numeric);
    }
    if (sw.posneg_pl) {
        add(c, 0, "PositivePL", NUM, -5230, &w->positive_pl, 8, c.value);
        add(c, 0, "PosPLPct", NUM, 5330, &w->pos_pl_pct, 8, c.pct);
        add(c, 0, "NegativePL", NUM, -5231, &w->negative_pl, 8, c.value);
        add(c, 0, "NegPLPct", NUM, 5331, &w->neg_pl_pct, 8, c.pct);
    }
    if (sw.sensitivity) add(c, 0, "Sensitivity", NUM, 5232, &w->sensitivity, 8, c.numeric);
    if (sw.gamma) add(c, 0, "Gamma", NUM, 5233, &w->gamma, 8, c.numeric);
    if (sw.durations) {
        add(c, 0, "DURATION", NUM, 5428, &w->dur, 8, c.numeric);
        add(c, 0, "CONVEXITY", NUM, 5429, &w->conv, 8, c.numeric);
    }
    if (sw.var) {
        add(c, 0, "VaR", NUM, -5234, &w->var, 8, c.value);
        add(c, 0, "VaRPct", NUM, 5334, &w->var_pct, 8, c.pct);
    }
    if (sw.es) add(c, 0, "ES", NUM, -5333, &w->es, 8, c.value);
    if (sw.var_bounds) {
        add(c, 0, "VaR_L", NUM, -5341, &w->var_l, 8, c.value);
        add(c, 0, "VaR_U", NUM, -5342, &w->var_u, 8, c.value);
        add(c, 0, "VaRPct_L", NUM, 5344, &w->var_pct_l, 8, c.pct);
        add(c, 0, "VaRPct_U", NUM, 5345, &w->var_pct_u, 8, c.pct);
    }
    if (sw.xar) {
        add(c, 0, "XaR", NUM, -5339, &w->xar, 8, c.value);
        add(c, 0, "XaRPct", NUM, 5340, &w->xar_pct, 8, c.pct);
    }
    if (sw.xar_bounds) {
        add(c, 0, "XaR_L", NUM, -5346, &w->xar_l, 8, c.value);
        add(c, 0, "XaR_U", NUM, -5347, &w->xar_u, 8, c.value);
        add(c, 0, "XaRPct_L", NUM, 5349, &w->xar_pct_l, 8, c.pct);
        add(c, 0, "XaRPct_U", NUM, 5350, &w->xar_pct_u, 8, c.pct);
    }
    if (sw.position_equivalent)
        add(c, 0, "PositionEquivalent", NUM, 5235, &w->position_equivalent, 8, c.numeric);
    if (sw.cashflow) add(c, 0, "Cashflow", NUM, 5236, &w->cashflow, 8, c.value);
    if (sw.quintile && sw.pl) add(c, 0, "Quintile", NUM, 5311, &w->quintile, 8, fixed("F", 4, 0));
    if (sw.decile && sw.pl) add(c, 0, "Decile", NUM, 5312, &w->decile, 8, fixed("F", 4, 0));
    if (sw.quintile && sw.exposure)
        add(c, 0, "ExposureQuintile", NUM, 5311, &w->exposure_quintile, 8, fixed("F", 4, 0));
    if (sw.decile && sw.exposure)
        add(c, 0, "ExposureDecile", NUM, 5312, &w->exposure_decile, 8, fixed("F", 4, 0));
    if (sw.distribution) distribution_columns(c);
    if (sw.density) {
        add(c, 1, "Profit", NUM, 5290, &w->profit, 8, c.numeric, level(c, RSKLEVEL_PROFIT));
        add(c, 0, "PLPct", NUM, 5291, &w->pl_pct, 8, c.pct);
        add_system(c, 0, sv(&RSKSYSVARS::return_value), "Return", NUM, &w->return_, 8, c.numeric);
        add(c, 0, "PDF", NUM, 5292, &w->pdf, 8, fixed("D", 12, 0));
        add(c, 0, "CDF", NUM, 5293, &w->cdf, 8, fixed("D", 12, 0));
        if (sw.detail) add(c, 0, "CDF_Adj", NUM, 5294, &w->cdf_adj, 8, fixed("D", 12, 0));
    }
    if (sw.importance) importance_columns(c);
    if (sw.opt_summary) {
        add(c, 0, "ObjectiveName", CHR, 5360, w->objective_name, 20, kNoFormat);
        add(c, 0, "ConstraintName", CHR, 5361, w->constraint_name, 20, kNoFormat);
        add(c, 0, "NCells", NUM, 5362, &w->ncells, 8, fixed("F", 8, 0));
        add(c, 0, "ConstraintRHS", NUM, 5363, &w->constraint_rhs, 8, c.numeric);
        add(c, 0, "CurObjective", NUM, 5364, &w->cur_objective, 8, c.numeric);
        add(c, 0, "OptObjective", NUM, 5366, &w->opt_objective, 8, c.numeric);
        add(c, 0, "CurConstraint", NUM, 5365, &w->cur_constraint, 8, c.numeric);
        add(c, 0, "OptConstraint", NUM, 5367, &w->opt_constraint, 8, c.numeric);
    }
    if (sw.opt_values) {
        add(c, 0, "CurWeight", NUM, 5369, &w->cur_weight, 8, c.numeric);
        add(c, 0, "OptWeight", NUM, 5371, &w->opt_weight, 8, c.numeric);
        add(c, 0, "CurValue", NUM, -5370, &w->cur_value, 8, c.value);
        add(c, 0, "OptValue", NUM, -5372, &w->opt_value, 8, c.value);
        add(c, 0, "BuyAmount", NUM, -5380, &w->buy_amount, 8, c.value);
        add(c, 0, "BuyPercent", NUM, 5381, &w->buy_percent, 8, c.pct);
        add(c, 0, "SellAmount", NUM, 5382, &w->sell_amount, 8, c.value);
        add(c, 0, "SellPercent", NUM, 5383, &w->sell_percent, 8, c.pct);
    }
    if (sw.i_) add(c, 0, "_I_", NUM, 5281, &w->i_, 4, fixed("F", 5, 0));
    if (sw.z_) add(c, 0, "_Z_", NUM, 5282, &w->z_, 8, c.numeric);
    if (c.resds->instrument_vars || c.resds->computed_vars) instrument_columns(c);
    if (sw.instrument_statistics) statistics_columns(c);
    if (sw.factor_mode != 0 || sw.factor_date) factor_columns(c);
    simulation_dependent_columns(c);
}

// A hint of the column count for the host: the groups switched on plus the run's lists.
int expected_columns(const RSKRUNRESULTS* r, const RSKVARSWITCH* sw) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(&sw->inst_number);
    const auto* end = reinterpret_cast<const uint8_t*>(sw + 1);
    int count = 0;
    for (const uint8_t* b = bytes; b < end; ++b) count += *b != 0 ? 4 : 0;
    count += r->class_var_count + r->inst_stat_count + r->simdep_count * 2;
    count += r->leg_count * 3 + 10 + kRskPercentileColumns + 64;
    return count;
}

}  // namespace

int define_variables(RSKCON* con, RSKRESDS* resds, const RSKVARSWITCH* sw) {
    if (resds->destination == RSKDEST_BARE_DATASET) return 0;
    RSKRUNRESULTS* r = rskres_run(con);
    if (r == nullptr || con->options == nullptr) return 1;
    const RSKOPTREC* o = &con->options->current;
    Columns c{con, resds, r, o, sw, &r->row, 0, 4, 4, family(o->fmtvalue), family(o->fmtnumeric),
              family(o->fmtpercent), family(o->fmtdate), family(o->fmtdatetime),
              family(o->fmtcfnote)};
    if (rskres_writes_result_name(resds->kind) && o->mddbstyle == 1) {
        c.role_number = 0;
        c.role_class = 1;
    }

    if (resds->destination != RSKDEST_NONE) {
        const int rc = xvputi(resds->dataset, expected_columns(r, sw), &resds->definition);
        if (rc != 0) {
            xprrlog(1, rc);
            xpmlog(598, 2515, resds->member.name.length, resds->member.name.text);
            if (con->debug_categories & RSKDEBUG_ON)
                xebug("rskputd: xvputi failed for data set %u.", &resds->member.name);
            return 1;
        }
    }
    for (RSKVARIABLE* v = con->variables_head; v != nullptr; v = v->next) v->output_mark = 0;
    if (resds->kind == 114 && sw->crossing)
        for (int i = 0; i < r->class_var_count; ++i)
            if (r->class_vars[i].variable != nullptr)
                r->class_vars[i].variable->class_flags |= RSKVAROUT_CLASS;

    define_groups(c);

    if (resds->destination != RSKDEST_NONE) {
        const int rc = xvpute(resds->definition);
        if (rc < 0) {
            xprrlog(1, rc);
            resds->destination = RSKDEST_NONE;
            c.rc = std::max(c.rc, 1);
        }
    }
    if (resds->database) {
        const int rc = r->mddb.end != nullptr ? r->mddb.end(con, resds) : 1;
        if (rc != 0) {
            xpmlog(598, 2517, resds->member.name.length, resds->member.name.text);
            resds->database = 0;
            resds->database_handle = nullptr;
        }
    }
    return c.rc;
}
