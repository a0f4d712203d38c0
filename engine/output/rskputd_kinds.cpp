// The table of result data set kinds: member names and their part forms, labels, destinations,
// and the column switches each kind sets for the run it is opened in.
#include <cstdio>
#include <cstring>

#include "engine/model/options/engine_options.h"
#include "engine/output/result_kinds.h"
#include "engine/run/run_block.h"

namespace {

// Destination column: a fixed destination, or the DATASETS option.
constexpr int kDestOption = -1;

// Part forms of member names.
enum : int { PARTS_NONE = 0, PARTS_TWO = 2, PARTS_FOUR = 4 };

struct KindRow {
    int kind;
    const char* member;
    int parts;
    const char* part_pattern;
    int label;
    int destination;
    bool keeps_database;             // the MDDBS option holds for this kind
};

constexpr KindRow kKinds[] = {
    {1, "INSTVALS", PARTS_FOUR, "INSTVALS_%i_%i_%i_%i", 5101, RSKDEST_DATASET, false},
    {2, "MKTRATES", PARTS_NONE, nullptr, 5102, RSKDEST_DATASET, false},
    {3, "COMBINE", PARTS_NONE, nullptr, 5103, kDestOption, true},
    {4, "SUMMARY", PARTS_NONE, nullptr, 5104, kDestOption, true},
    {5, "SENS", PARTS_NONE, nullptr, 5105, kDestOption, true},
    {6, "SENS2", PARTS_NONE, nullptr, 5111, kDestOption, true},
    {7, "PLCURVE", PARTS_NONE, nullptr, 5107, kDestOption, true},
    {8, "PLSURF", PARTS_NONE, nullptr, 5108, kDestOption, true},
    {9, "SCEN", PARTS_NONE, nullptr, 5106, kDestOption, true},
    {10, "DVAR", PARTS_NONE, nullptr, 5112, kDestOption, true},
    {11, "INSTCFS", PARTS_FOUR, "INSTCFS_%i_%i_%i_%i", 5113, RSKDEST_DATASET, false},
    {12, "PARTIALDUR", PARTS_NONE, nullptr, 5114, kDestOption, true},
    {21, "SIMSTAT", PARTS_NONE, nullptr, 5121, kDestOption, true},
    {22, "SIMDENS", PARTS_NONE, nullptr, 5122, kDestOption, false},
    {23, "SIMRFIM", PARTS_NONE, nullptr, 5123, kDestOption, false},
    {24, "SIMRFS", PARTS_TWO, "SIMRFS_%i_%i", 5127, kDestOption, false},
    {25, "SIMSTATE", PARTS_TWO, "SIMSTATE_%i_%i", 5124, RSKDEST_DATASET, false},
    {26, "SIMVALUE", PARTS_NONE, nullptr, 5125, RSKDEST_DATASET, false},
    {27, "SIMREPS", PARTS_NONE, nullptr, 5126, RSKDEST_VIEW, false},
    {31, "OPTSUM", PARTS_NONE, nullptr, 5136, RSKDEST_DATASET, false},
    {32, "OPTVALUE", PARTS_NONE, nullptr, 5137, RSKDEST_DATASET, false},
    {33, "OPTRESLT", PARTS_NONE, nullptr, 5138, RSKDEST_VIEW, false},
    {90, "ERRORS", PARTS_FOUR, "ERRORS_%i_%i_%i_%i", 5100, RSKDEST_DATASET, false},
    {91, "MKTSTATE", PARTS_TWO, "MKTSTATE_%i_%i", 5191, RSKDEST_DATASET, false},
    {92, "ALLPRICE", PARTS_FOUR, "ALLPRICE_%i_%i_%i_%i", 5192, RSKDEST_VIEW, false},
    {93, "SHOCKS", PARTS_TWO, "SHOCKS_%i_%i", 5193, RSKDEST_DATASET, false},
    {94, "MODCOV", PARTS_NONE, nullptr, 5194, RSKDEST_BARE_DATASET, false},
    {95, "ALLCASHFLOW", PARTS_FOUR, "ALLCASHFLOW_%i_%i_%i_%i", 5195, RSKDEST_VIEW, false},
    {96, "CASHFLOW", PARTS_FOUR, "CASHFLOW_%i_%i_%i_%i", 5195, RSKDEST_DATASET, false},
    {97, "ALGAPS", PARTS_NONE, nullptr, 5115, RSKDEST_DATASET, false},
    {101, "STATES_A", PARTS_TWO, "STATES_%i_%i_A", 5181, RSKDEST_DATASET, false},
    {102, "STATES_V", PARTS_TWO, "STATES_%i_%i_V", 5182, RSKDEST_DATASET, false},
    {103, "STATES", PARTS_TWO, "STATES_%i_%i", 5180, RSKDEST_VIEW, false},
    {111, "ALLPRICE_A", PARTS_FOUR, "ALLPRICE_%i_%i_%i_%i_A", 5187, RSKDEST_DATASET, false},
    {112, "ALLPRICE_S", PARTS_FOUR, "ALLPRICE_%i_%i_%i_%i_S", 5188, RSKDEST_DATASET, false},
    {114, "ALLPRICE_P", PARTS_FOUR, "ALLPRICE_%i_%i_%i_%i_P", 5185, RSKDEST_DATASET, false},
    {115, "ALLPRICE_V", PARTS_FOUR, "ALLPRICE_%i_%i_%i_%i_V", 5186, RSKDEST_DATASET, false},
    {116, "VALUES", PARTS_FOUR, "VALUES_%i_%i_%i_%i", 5183, RSKDEST_DATASET, false},
};

const KindRow* find_kind(int kind) {
    for (const KindRow& row : kKinds)
        if (row.kind == kind) return &row;
    return nullptr;
}

bool requested(const RSKRUNRESULTS* r, int kind) { return r->descriptors[kind].requested != 0; }

// Switches shared by kinds that describe a simulation case and time.
void simulation_case_columns(const RSKRUNRESULTS* r, RSKVARSWITCH* sw) {
    if (r->several_cases) sw->simulation_case = sw->simulation_mode = sw->simulation_category = 1;
}

// The Name and Name2 columns of state rows: both when a sensitivity, partial-duration or P/L
// surface output is in the run, Name alone for a P/L curve.
void name_rule(const RSKRUNRESULTS* r, RSKVARSWITCH* sw) {
    if (requested(r, 5) || requested(r, 12) || requested(r, 8)) {
        sw->name = sw->name2 = 1;
    } else if (requested(r, 7)) {
        sw->name = 1;
    }
}

// Switches every kind starts from, before its own.
void clear_analysis_defaults(RSKVARSWITCH* sw) {
    sw->analysis_number = sw->analysis_name = sw->result = 0;
    sw->ninst = sw->nmissing = 0;
}

}  // namespace

const char* rskres_member_literal(int kind) {
    const KindRow* row = find_kind(kind);
    return row == nullptr ? nullptr : row->member;
}

int rskres_label_number(int kind) {
    const KindRow* row = find_kind(kind);
    return row == nullptr ? 0 : row->label;
}

int rskres_destination(const RSKOPTREC* options, int kind) {
    const KindRow* row = find_kind(kind);
    if (row == nullptr) return RSKDEST_NONE;
    if (row->destination != kDestOption) return row->destination;
    return options != nullptr && options->datasets ? RSKDEST_DATASET : RSKDEST_NONE;
}

int rskres_member_name(const RSKRUNRESULTS* r, int kind, char* text, int size) {
    const KindRow* row = find_kind(kind);
    if (row == nullptr || size < 33) return 1;
    const RSKRUNPARTS* p = r->parts;
    if (kind == RSKRES_MODCOV) {
        // The model simulation counts its covariance members; the first keeps the plain name.
        if (r->modcov_counter <= 1)
            std::snprintf(text, static_cast<size_t>(size), "MODCOV");
        else
            std::snprintf(text, static_cast<size_t>(size), "MODCOV%i", r->modcov_counter);
        return 0;
    }
    if (p != nullptr && row->parts == PARTS_FOUR &&
        (p->analysis_parts > 1 || p->portfolio_parts > 1)) {
        std::snprintf(text, 33, row->part_pattern, p->analysis_part, p->analysis_parts,
                      p->portfolio_part, p->portfolio_parts);
    } else if (p != nullptr && row->parts == PARTS_TWO && p->analysis_parts > 1) {
        std::snprintf(text, 33, row->part_pattern, p->analysis_part, p->analysis_parts);
    } else {
        std::snprintf(text, static_cast<size_t>(size), "%s", row->member);
    }
    return 0;
}

bool rskres_writes_result_name(int kind) {
    return kind == 3 || (kind >= 5 && kind <= 9) || (kind >= 21 && kind <= 24) || kind == 26 ||
           kind == 27;
}

// ---- switches of the kinds that COMBINE reuses ----

void get_flags_summary(const RSKRUNRESULTS* r, const RSKOPTREC* o, const RSKRESDS* summary,
                       RSKVARSWITCH* sw) {
    sw->analysis_number = sw->analysis_part = sw->analysis_name = sw->result = 0;
    sw->ninst = sw->nmissing = sw->base_date = sw->mtm = 1;
    sw->value_statistics = o->valuestats ? 1 : 0;
    sw->instrument_statistics = r->inst_stat_count > 0 ? 1 : 0;
    if (summary->request_var) {
        sw->var = 1;
        sw->var_bounds = r->simulation;
    }
    if (summary->request_xar) {
        sw->xar = 1;
        sw->xar_bounds = r->simulation;
    }
    if (summary->request_exposure) sw->exposure = sw->exp_no_net = sw->collateral_value = 1;
    if (summary->request_poseq) sw->position_equivalent = 1;
}

void get_flags_scenario(const RSKRUNRESULTS* r, const RSKOPTREC* o, RSKVARSWITCH* sw) {
    sw->analysis_name = o->detailed ? 1 : 0;
    sw->analysis_number = sw->eval_date = sw->pl = sw->value_5300 = 1;
    if (r->bucket_mode > 0) sw->buckdate = 1;
}

void get_flags_plcurve(const RSKOPTREC* o, RSKVARSWITCH* sw) {
    sw->analysis_number = sw->analysis_part = sw->eval_date = sw->factor1 = sw->label = 1;
    sw->name = sw->x = sw->pl = sw->value_5300 = 1;
    sw->analysis_name = o->detailed ? 1 : 0;
}

void get_flags_plsurface(const RSKOPTREC* o, RSKVARSWITCH* sw) {
    get_flags_plcurve(o, sw);
    sw->factor2 = sw->label2 = sw->name2 = sw->y = 1;
}

void get_flags_deltanormal(const RSKRUNRESULTS* r, RSKVARSWITCH* sw) {
    sw->analysis_name = sw->date_ = sw->base_date = sw->mtm = sw->var = 1;
    sw->datetime = r->datetime_grid;
    if (r->deltanormal_category) sw->simulation_mode = sw->simulation_category = 1;
    sw->factor_mode = 4;
}

void get_flags_simstats(const RSKRUNRESULTS* r, const RSKOPTREC* o, const RSKRESDS* simstat,
                        RSKVARSWITCH* sw) {
    sw->analysis_number = sw->analysis_part = sw->base_date = sw->date_ = 1;
    sw->var = sw->es = sw->var_bounds = sw->replications = sw->distribution = 1;
    sw->simulation_time = sw->simulation_part = 1;
    sw->analysis_name = o->detailed ? 1 : 0;
    sw->datetime = r->datetime_grid;
    if (simstat->request_pl) sw->mtm = 1;
    if (simstat->request_exposure) sw->exposure = 1;
    sw->evt = o->evtstats ? 1 : 0;
    simulation_case_columns(r, sw);
    if (r->bucket_mode > 0) sw->buckdate = 1;
    if (requested(r, 23)) sw->factor_mode = 3;
}

// ---- the switches of one kind ----

int rskres_kind_switches(const RSKRUNRESULTS* r, const RSKOPTREC* o, int kind, RSKVARSWITCH* sw,
                         RSKRESDS* resds) {
    const KindRow* row = find_kind(kind);
    if (row == nullptr) return 1;
    // Every kind starts here (the analysis and count columns on) and changes what it needs.
    sw->crossing = r->has_crossing ? 1 : 0;
    sw->database = o->mddbs ? 1 : 0;
    sw->destination = rskres_destination(o, kind);
    sw->detail = o->detailed ? 1 : 0;
    sw->analysis_number = sw->analysis_name = sw->result = sw->ninst = sw->nmissing = 1;
    if (!row->keeps_database) sw->database = 0;
    const uint8_t detailed = o->detailed ? 1 : 0;
    const uint8_t datetime = r->datetime_grid;

    switch (kind) {
    case 1:
        clear_analysis_defaults(sw);
        sw->total = o->mddbs ? 1 : 0;
        sw->inst_number = sw->inst_id = sw->inst_type = sw->inst_source = 1;
        sw->base_date = sw->value_5301 = 1;
        resds->instrument_vars = resds->computed_vars = 1;
        if (requested(r, 5)) {
            sw->factor_date = 1;
            sw->factor_mode = 2;
        }
        break;
    case 2:
        clear_analysis_defaults(sw);
        sw->crossing = 0;
        sw->base_date = 1;
        sw->factor_mode = 1;
        break;
    case 3: {
        sw->base_date = sw->mtm = sw->posneg_mtm = 1;
        if (requested(r, 4)) get_flags_summary(r, o, &r->descriptors[4], sw);
        if (requested(r, 5) || requested(r, 12)) {
            sw->eval_date = sw->sensitivity = sw->label = sw->name = 1;
            sw->label2 = sw->name2 = sw->value_5300 = 1;
        }
        if (requested(r, 9)) get_flags_scenario(r, o, sw);
        if (requested(r, 7)) get_flags_plcurve(o, sw);
        if (requested(r, 8)) get_flags_plsurface(o, sw);
        if (requested(r, 21)) get_flags_simstats(r, o, &r->descriptors[21], sw);
        if (requested(r, 10)) get_flags_deltanormal(r, sw);
        sw->value_statistics = o->valuestats ? 1 : 0;
        sw->factor_mode = 0;
        sw->analysis_name = sw->result = sw->analysis_part = sw->analysis_number = 1;
        sw->xar = sw->xar_bounds = 0;
        break;
    }
    case 4:
        get_flags_summary(r, o, resds, sw);
        sw->total = sw->database ? 1 : 0;
        if (requested(r, 5) || requested(r, 6)) {
            sw->factor_date = 1;
            sw->factor_mode = 2;
        }
        sw->simdep_all = 1;
        break;
    case 5:
        if (resds->per_instrument) sw->inst_id = sw->inst_type = 1;
        sw->name = sw->type = sw->eval_date = sw->value_5300 = sw->label = 1;
        sw->factor_date = 1;
        sw->factor_mode = 2;
        break;
    case 6:
        sw->name = sw->name2 = sw->type = sw->eval_date = sw->value_5301 = 1;
        sw->label = sw->label2 = sw->sensitivity = sw->gamma = 1;
        break;
    case 7:
        get_flags_plcurve(o, sw);
        break;
    case 8:
        get_flags_plsurface(o, sw);
        break;
    case 9:
        get_flags_scenario(r, o, sw);
        sw->output_variable = sw->output_variable_label = sw->base_case_value = 1;
        break;
    case 10:
        get_flags_deltanormal(r, sw);
        break;
    case 11:
        clear_analysis_defaults(sw);
        sw->inst_number = sw->inst_id = sw->base_date = sw->cashflow_items = 1;
        sw->duration = r->cf_duration;
        sw->mod_duration = r->cf_mod_duration;
        sw->interest_income = r->cf_interest;
        break;
    case 12:
        sw->name = sw->eval_date = sw->value_5300 = sw->label = sw->durations = 1;
        break;
    case 21:
        get_flags_simstats(r, o, resds, sw);
        sw->simulation_part_label = sw->base_case_value = 1;
        break;
    case 22:
    case 23:
        sw->analysis_name = detailed;
        sw->analysis_part = sw->simulation_time = sw->simulation_part = sw->date_ = 1;
        simulation_case_columns(r, sw);
        sw->datetime = datetime;
        if (kind == 22) {
            sw->x = sw->density = 1;
        } else {
            sw->name = sw->label = sw->replications = sw->importance = 1;
        }
        break;
    case 24:
        sw->crossing = 0;
        sw->ninst = sw->nmissing = 0;
        sw->analysis_name = detailed;
        sw->analysis_part = sw->simulation_time = sw->type = sw->date_ = 1;
        simulation_case_columns(r, sw);
        sw->datetime = datetime;
        sw->factor_mode = 3;
        break;
    case 25:
        clear_analysis_defaults(sw);
        sw->crossing = 0;
        sw->analysis_number = sw->analysis_name = sw->simulation_case = 1;
        if (r->several_cases) sw->simulation_mode = sw->simulation_category = 1;
        sw->simulation_time = sw->simulation_replication = sw->date_ = 1;
        sw->datetime = datetime;
        sw->factor_mode = 3;
        break;
    case 26:
        sw->nmissing = 0;
        sw->simulation_case = 1;
        if (r->several_cases) sw->simulation_mode = sw->simulation_category = 1;
        sw->simulation_time = sw->simulation_replication = sw->date_ = 1;
        sw->datetime = datetime;
        sw->value_5300 = 1;
        sw->exposure = resds->request_exposure ? 1 : 0;
        sw->pl = resds->request_pl ? 1 : 0;
        sw->quintile = sw->decile = 1;
        if (r->simdep_count > 0) sw->simdep_mode = 1;
        break;
    case 31:
        clear_analysis_defaults(sw);
        sw->crossing = 0;
        sw->analysis_number = sw->analysis_name = sw->analysis_part = sw->base_date = 1;
        simulation_case_columns(r, sw);
        sw->simulation_time = sw->simulation_part = sw->simulation_part_label = sw->date_ = 1;
        sw->datetime = datetime;
        sw->opt_summary = 1;
        break;
    case 32:
        sw->result = 0;
        sw->analysis_part = sw->opt_values = 1;
        sw->exposure = r->opt_exposure;
        break;
    case 90:
        clear_analysis_defaults(sw);
        sw->inst_number = sw->inst_id = sw->inst_type = sw->inst_source = 1;
        sw->base_date = sw->date_ = sw->value_5301 = sw->returned_value = 1;
        sw->datetime = datetime;
        sw->position = sw->fx_rate = 1;
        resds->computed_vars = 1;
        break;
    case 91:
        clear_analysis_defaults(sw);
        sw->crossing = 0;
        sw->state_number = sw->analysis_number = sw->analysis_name = sw->analysis_part = 1;
        simulation_case_columns(r, sw);
        if (r->simulation) sw->simulation_time = sw->simulation_replication = 1;
        name_rule(r, sw);
        sw->type = sw->date_ = 1;
        sw->datetime = datetime;
        sw->factor_mode = 1;
        break;
    case 93:
        clear_analysis_defaults(sw);
        sw->crossing = 0;
        sw->analysis_number = sw->analysis_name = 1;
        simulation_case_columns(r, sw);
        sw->simulation_replication = sw->i_ = sw->z_ = 1;
        break;
    case 94:
        clear_analysis_defaults(sw);
        sw->crossing = 0;
        break;
    case 96:
        clear_analysis_defaults(sw);
        sw->crossing = 0;
        sw->inst_number = sw->inst_id = sw->state_number = sw->date_ = sw->cashflow_items = 1;
        sw->datetime = datetime;
        break;
    case 97:
        clear_analysis_defaults(sw);
        sw->bucket = 1;
        break;
    case 101:
    case 111:
        clear_analysis_defaults(sw);
        sw->crossing = 0;
        sw->analysis_number = sw->analysis_name = sw->analysis_part = 1;
        simulation_case_columns(r, sw);
        name_rule(r, sw);
        break;
    case 102:
    case 112:
        clear_analysis_defaults(sw);
        sw->crossing = 0;
        sw->state_number = sw->analysis_number = sw->analysis_part = 1;
        if (r->simulation) sw->simulation_time = sw->simulation_replication = 1;
        if (requested(r, 5) || requested(r, 12)) sw->name = sw->name2 = 1;
        if (kind == 102) {
            // The STATES view asks for the risk factors when it is defined.
            sw->factor_mode = r->descriptors[102].factor_mode;
        } else {
            sw->date_ = 1;
            sw->datetime = datetime;
        }
        break;
    case 114:
        clear_analysis_defaults(sw);
        sw->crossing = 1;
        sw->inst_number = sw->inst_id = sw->inst_type = sw->inst_source = sw->position = 1;
        break;
    case 115:
        clear_analysis_defaults(sw);
        sw->crossing = 0;
        sw->inst_number = sw->state_number = sw->value_5302 = sw->fx_rate = 1;
        sw->pl = resds->request_pl ? 1 : 0;
        resds->computed_vars = 1;
        break;
    case 116:
        clear_analysis_defaults(sw);
        sw->crossing = 0;
        sw->inst_number = sw->inst_id = sw->inst_type = sw->inst_source = 1;
        sw->state_number = sw->analysis_number = sw->analysis_name = sw->analysis_part = 1;
        simulation_case_columns(r, sw);
        if (r->simulation) sw->simulation_time = sw->simulation_replication = 1;
        name_rule(r, sw);
        sw->date_ = sw->value_5302 = sw->returned_value = sw->position = sw->fx_rate = 1;
        sw->datetime = datetime;
        resds->computed_vars = 1;
        break;
    default:                         // the views: nothing to switch
        clear_analysis_defaults(sw);
        sw->crossing = 0;
        break;
    }
    return 0;
}
