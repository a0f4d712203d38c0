// Writers of the analysis list form (kind 34): rssanlg and one writer per analysis kind, which
// append the kind's settings, factors and name lists to the analysis' DETAILS list.
#include <string_view>

#include "catalog/definition_forms.h"
#include "catalog/analysis_form_items.h"
#include "engine/model/analyses/analysis_record.h"
#include "engine/model/names/name_records.h"
#include "engine/tables/engine_table.h"
#include "host/missing.h"
#include "host/print.h"

namespace {

// A registry text of a code through one of the engine's code-to-text look-ups; empty for a code
// the registry does not hold.
template <EngineSlot S>
std::string_view registry_text(RSKCON* con, int code) {
    const char* text = nullptr;
    const int length = engine_routine<S>()(con, code, &text);
    std::string_view found =
        text != nullptr && length > 0 ? std::string_view(text, static_cast<size_t>(length)) : std::string_view();
    while (!found.empty() && found.back() == ' ') found.remove_suffix(1);   // registry texts are padded
    return found == "*unknown*" ? std::string_view() : found;   // a code without a row reads back as 0
}

std::string_view interval_text(const interval_spec& interval) {
    return interval.text_length > 0 ? std::string_view(interval.text, static_cast<size_t>(interval.text_length))
                                    : std::string_view();
}

qor_list_id new_sublist(RSKCON* con, const char* name) { return rss_new_list(rss_list_workspace(con), name); }

// Inserts a sublist and lets go of the writer's handle (the list holds it).
int insert_sublist(qor_list_id list, qor_list_id sublist, const char* name, int rc) {
    if (rc == 0) rc = rsoinsl(list, sublist, name, name[0] != '\0' ? -1 : 0);
    rss_free_list(sublist);
    return rc;
}

int put_dates(qor_list_id details, const RSKANALYSIS* a, bool with_more_dates) {
    int rc = rss_put_number(details, "EVALDATE", a->evaluation_date);
    if (rc == 0 && with_more_dates) rc = rss_put_number(details, "MOREDATE", a->more_dates);
    return rc;
}

// "FACTORS": the names of the analysis' factors, written only when there is one.
int add_factors(RSKCON* con, qor_list_id details, const RSKANALYSIS* a) {
    if (a->entries_head == nullptr) return 0;
    qor_list_id names = new_sublist(con, "FACTORS");
    if (names == 0) return 1;
    int rc = 0;
    for (const RSKANLFACTOR* e = a->entries_head; rc == 0 && e != nullptr; e = e->next)
        rc = rss_put_text(names, "", rss_name_text(e->name));
    return insert_sublist(details, names, "FACTORS", rc);
}

int get_outvars(RSKCON* con, qor_list_id details, const RSKANALYSIS* a) {
    return rss_put_names(con, details, "OUTVARS", a->names_head, true);
}

int get_categories(RSKCON* con, qor_list_id details, const RSKANALYSIS* a) {
    int rc = rss_put_names(con, details, "CONDITIONAL", a->conditional_head, true);
    if (rc == 0) rc = rss_put_names(con, details, "MARGINAL", a->marginal_head, true);
    return rc;
}

// "HLIST": the horizons in order as unnamed numbers.
int put_horizons(RSKCON* con, qor_list_id details, const RSKANLSIM& s) {
    qor_list_id horizons = new_sublist(con, "HLIST");
    if (horizons == 0) return 1;
    int rc = 0;
    for (int h = 0; rc == 0 && s.horizons != nullptr && h < s.horizon_count; ++h)
        rc = rss_put_number(horizons, "", s.horizons[h]);
    return insert_sublist(details, horizons, "HLIST", rc);
}

bool has_horizons(const RSKANLSIM& s) { return s.horizon_count > 0 && s.horizons != nullptr; }

// One grid factor: a sublist named by the factor with NAME, MIN, MAX, N and TYPE.
int put_grid(RSKCON* con, qor_list_id list, const RSKANLFACTOR* e) {
    const std::string_view name = rss_name_text(e->name);
    qor_list_id grid = new_sublist(con, "FACTORS");
    if (grid == 0) return 1;
    int rc = rss_put_text(grid, "NAME", name);
    if (rc == 0) rc = rss_put_number(grid, "MIN", e->minimum);
    if (rc == 0) rc = rss_put_number(grid, "MAX", e->value);
    if (rc == 0) rc = rss_put_number(grid, "N", e->points);
    if (rc == 0)
        rc = rss_put_text(grid, "TYPE", registry_text<EngineSlot::rskcspt>(con, static_cast<int>(e->perturbation_type)));
    if (rc == 0) rc = rsoinsl(list, grid, name.data(), static_cast<int>(name.size()));
    rss_free_list(grid);
    return rc;
}

int get_sen_opts(RSKCON* con, qor_list_id details, const RSKANALYSIS* a) {
    const RSKANLSENS& s = a->sensitivity;
    int rc = rss_put_number(details, "THETA", s.theta != 0 ? 1 : 0);
    if (rc == 0) rc = rss_put_number(details, "VEGA", s.vega != 0 ? 1 : 0);
    if (rc == 0) rc = rss_put_number(details, "CRSGAM", s.cross_gamma != 0 ? 1 : 0);
    if (rc == 0) rc = rss_put_number(details, "NUMERICDER", s.numeric_derivatives != 0 ? 1 : 0);
    if (rc == 0) rc = put_dates(details, a, false);
    if (rc == 0) rc = rss_put_text(details, "INSTTYPE", rss_name_text(s.instrument_type));
    if (rc == 0) rc = rss_put_text(details, "INSTID", rss_name_text(s.instrument_id));
    if (rc == 0) rc = add_factors(con, details, a);
    return rc;
}

int get_scn_opts(RSKCON* con, qor_list_id details, const RSKANALYSIS* a) {
    qor_list_id factors = new_sublist(con, "FACTORS");
    if (factors == 0) return 1;
    int rc = 0;
    for (const RSKANLFACTOR* e = a->entries_head; rc == 0 && e != nullptr; e = e->next) {
        const std::string_view name = rss_name_text(e->name);
        qor_list_id factor = new_sublist(con, "FACTORS");
        if (factor == 0) {
            rc = 1;
            break;
        }
        rc = rss_put_text(factor, "NAME", name);
        if (rc == 0) rc = rss_put_number(factor, "VALUE", e->value);
        if (rc == 0)
            rc = rss_put_text(factor, "TYPE",
                              registry_text<EngineSlot::rskcspt>(con, static_cast<int>(e->perturbation_type)));
        if (rc == 0) rc = rsoinsl(factors, factor, name.data(), static_cast<int>(name.size()));
        rss_free_list(factor);
    }
    rc = insert_sublist(details, factors, "FACTORS", rc);
    if (rc == 0) rc = put_dates(details, a, false);
    if (rc == 0)
        rc = rss_put_text(details, "DEFAULT_TYPE",
                          registry_text<EngineSlot::rskcspt>(con, static_cast<int>(a->perturbation_type)));
    if (rc == 0) rc = get_outvars(con, details, a);
    return rc;
}

int get_plc_opts(RSKCON* con, qor_list_id details, const RSKANALYSIS* a) {
    qor_list_id factors = new_sublist(con, "FACTORS");
    if (factors == 0) return 1;
    int rc = 0;
    for (const RSKANLFACTOR* e = a->entries_head; rc == 0 && e != nullptr; e = e->next) rc = put_grid(con, factors, e);
    rc = insert_sublist(details, factors, "FACTORS", rc);
    if (rc == 0) rc = put_dates(details, a, false);
    if (rc == 0) rc = get_outvars(con, details, a);
    return rc;
}

// A surface is defined in pairs; an odd count would lose its last factor on the way through the
// catalog, so such an analysis is not stored at all.
int get_pls_opts(RSKCON* con, qor_list_id details, const RSKANALYSIS* a) {
    int count = 0;
    for (const RSKANLFACTOR* e = a->entries_head; e != nullptr; e = e->next) ++count;
    if (count % 2 != 0) {
        const std::string_view name = rss_name_text(a->name);
        xebug("rssanlg: P/L surface %*s has %i factors, not whole pairs: it is not stored.",
              static_cast<int>(name.size()), name.data(), count);
        return 1;
    }
    qor_list_id surface = new_sublist(con, "SURFACE");
    if (surface == 0) return 1;
    int rc = 0;
    for (const RSKANLFACTOR* e = a->entries_head; rc == 0 && e != nullptr && e->next != nullptr; e = e->next->next) {
        qor_list_id pair = new_sublist(con, "SURFACE");
        if (pair == 0) {
            rc = 1;
            break;
        }
        rc = put_grid(con, pair, e);
        if (rc == 0) rc = put_grid(con, pair, e->next);
        rc = insert_sublist(surface, pair, "", rc);
    }
    rc = insert_sublist(details, surface, "SURFACE", rc);
    if (rc == 0) rc = put_dates(details, a, false);
    if (rc == 0) rc = get_outvars(con, details, a);
    return rc;
}

int get_simulation_opts(RSKCON* con, qor_list_id details, const RSKANALYSIS* a) {
    const RSKANLSIM& s = a->simulation;
    int rc = rss_put_number(details, "PL_FLAG", s.pl_values != 0 ? 1 : 0);
    if (rc == 0) rc = rss_put_number(details, "EXP_FLAG", s.exposure_values != 0 ? 1 : 0);
    if (rc == 0) rc = rss_put_number(details, "RET_FLAG", s.returns != 0 ? 1 : 0);
    if (rc == 0) rc = rss_put_text(details, "INPUTDS", rss_name_text(s.source));
    if (rc == 0) rc = rss_put_text(details, "INTERVAL", interval_text(s.horizon_interval));
    if (rc == 0) rc = rss_put_number(details, "STARTDATE", s.start_date);
    if (rc == 0) rc = rss_put_number(details, "ENDDATE", s.end_date);
    if (rc == 0) rc = put_dates(details, a, true);
    if (rc == 0) rc = put_horizons(con, details, s);
    if (rc == 0 && s.replications > 0) rc = rss_put_number(details, "NDRAW", s.replications);
    if (rc == 0) rc = rss_put_number(details, "SEED", s.seed);
    if (rc == 0) rc = rss_put_text(details, "GENERATOR", registry_text<EngineSlot::rskcsrg>(con, s.generator));
    if (rc == 0) rc = rss_put_number(details, "STRESS", s.scale);
    if (rc == 0) rc = rss_put_text(details, "ERRMODEL", registry_text<EngineSlot::rskcsem>(con, s.method));
    if (rc == 0) rc = rss_put_number(details, "T_DF", s.method_count);
    if (rc == 0) rc = rss_put_number(details, "SHOCK_COV", qor::is_missing(s.bound) ? 0 : 1);
    if (rc == 0) rc = rss_put_number(details, "WISHART", s.bound);
    if (rc == 0) rc = rss_put_number(details, "SHOCK_PARMS", qor::is_missing(s.positive_value) ? 0 : 1);
    if (rc == 0) rc = rss_put_number(details, "PARMS_STRESS", s.positive_value);
    if (rc == 0) rc = rss_put_number(details, "LAMBDA", s.extra_value);
    if (rc == 0) rc = rss_put_text(details, "ADJUSTMIS", s.extra_integer != 0 ? "BASE" : "NONE");
    if (rc == 0) rc = get_categories(con, details, a);
    if (rc == 0) rc = get_outvars(con, details, a);
    return rc;
}

// Covariance simulation, model Monte Carlo and potential exposure: simulation items and PIVOT;
// model Monte Carlo adds its covariance data when it has any.
int get_pivot_opts(RSKCON* con, qor_list_id details, const RSKANALYSIS* a, bool with_covariance_data) {
    int rc = get_simulation_opts(con, details, a);
    if (rc == 0) rc = rss_put_number(details, "PIVOT", a->pivot != 0 ? 1 : 0);
    const std::string_view covariance = rss_name_text(a->covariance_data);
    if (rc == 0 && with_covariance_data && !covariance.empty()) rc = rss_put_text(details, "COVDATA", covariance);
    return rc;
}

int get_hiss_opts(RSKCON* con, qor_list_id details, const RSKANALYSIS* a) {
    int rc = get_simulation_opts(con, details, a);
    if (rc == 0) rc = rss_put_number(details, "OVERLAP", a->overlap != 0 ? 1 : 0);
    return rc;
}

int get_ssm_opts(RSKCON* con, qor_list_id details, const RSKANALYSIS* a) {
    int rc = get_simulation_opts(con, details, a);
    if (rc == 0) rc = rss_put_text(details, "MATCH", a->match == 1 ? "Date" : a->match == 2 ? "Horizon" : "None");
    return rc;
}

int get_dvar_opts(RSKCON* con, qor_list_id details, const RSKANALYSIS* a) {
    int rc = rss_put_text(details, "INPUTDS", rss_name_text(a->input_data));
    if (rc == 0) rc = rss_put_text(details, "INTERVAL", interval_text(a->interval));
    if (rc == 0) rc = put_dates(details, a, true);
    if (rc == 0 && has_horizons(a->simulation)) rc = put_horizons(con, details, a->simulation);
    if (rc == 0) rc = get_categories(con, details, a);
    return rc;
}

int get_pose_opts(RSKCON*, qor_list_id details, const RSKANALYSIS* a) {
    int rc = rss_put_number(details, "BENCHTIME", a->bench_time);
    if (rc == 0)
        rc = rss_put_text(details, "BENCHMARK", a->entries_head != nullptr ? rss_name_text(a->entries_head->name)
                                                                           : std::string_view());
    return rc;
}

// Cash flow. Methods that borrow another analysis' states keep their code in METHOD as well,
// so that one without a named analysis does not load back as the traditional method.
int get_cf_opts(RSKCON* con, qor_list_id details, const RSKANALYSIS* a) {
    const int32_t d = a->duration_type, b = a->bucket_type;
    const uint32_t method = a->subtype;
    int rc = rss_put_text(details, "DURATION", d == 0 ? "NONE" : d == 2 ? "MODIFIED" : "MACAULAY");
    if (rc == 0)
        rc = rss_put_text(details, "BUCKETTYPE", b == 1 ? "SIMPLE" : b == 2 ? "CUMULATIVE" : b == 3 ? "ALL" : "NONE");
    if (rc == 0) rc = put_dates(details, a, true);
    if (rc == 0 && method == 3) rc = add_factors(con, details, a);
    if (rc == 0) {
        const std::string_view analysis = method == 0 ? "TRADITIONAL"
                                          : method == 2 ? "EFFECTDUR"
                                          : method == 3 ? "PARTIALDUR"
                                                        : rss_name_text(a->source_analysis);
        rc = rss_put_text(details, "ANALYSIS", analysis);
    }
    if (rc == 0) rc = rss_put_number(details, "METHOD", method);
    return rc;
}

const char* measure_word(int32_t code) {
    switch (code) {
    case 1: return "RETURN";
    case 2: return "STD";
    case 3: return "ES";
    case 4: return "ATRISK";
    default: return nullptr;
    }
}

// An objective without a word could never be loaded again, so such an analysis is not stored.
int get_optimization_opts(RSKCON* con, qor_list_id details, const RSKANALYSIS* a) {
    const RSKANLOPT& o = a->optimisation;
    const char* objective = measure_word(o.objective);
    if (objective == nullptr) {
        const std::string_view name = rss_name_text(a->name);
        xebug("rssanlg: Unrecognized optimization objective %i of %*s: it is not stored.", o.objective,
              static_cast<int>(name.size()), name.data());
        return 1;
    }
    const char* constraint = measure_word(o.constraint);
    int rc = rss_put_text(details, "SIMULATION", rss_name_text(o.simulation));
    if (rc == 0) rc = rss_put_text(details, "OBJECTIVE", objective);
    if (rc == 0) rc = rss_put_text(details, "SUBJECTTO", constraint != nullptr ? constraint : "NONE");
    if (rc == 0 && has_horizons(a->simulation)) rc = put_horizons(con, details, a->simulation);
    if (rc == 0) rc = rss_put_text(details, "LINCON", rss_name_text(a->constraint_data));
    if (rc == 0) rc = rss_put_text(details, "BOUNDS", rss_name_text(a->bounds_data));
    qor_list_id values = rc == 0 ? new_sublist(con, "CONSLIST") : 0;
    qor_list_id counts = values != 0 ? new_sublist(con, "NELEMLIST") : 0;
    if (rc == 0 && (values == 0 || counts == 0)) rc = 1;
    for (int i = 0; rc == 0 && o.target_counts != nullptr && i < o.target_lists; ++i) {
        const int32_t n = o.target_counts[i] > 0 ? o.target_counts[i] : 0;
        for (int t = 0; rc == 0 && o.targets != nullptr && o.targets[i] != nullptr && t < n; ++t)
            rc = rss_put_number(values, "", o.targets[i][t]);
        if (rc == 0) rc = rss_put_number(counts, "", n);
    }
    if (values != 0) rc = insert_sublist(details, values, "CONSLIST", rc);
    if (counts != 0) rc = insert_sublist(details, counts, "NELEMLIST", rc);
    if (rc == 0) rc = rss_put_text(details, "VARKIND", o.value_mode == 2 ? "RETURN" : "VALUE");
    return rc;
}

int write_details(RSKCON* con, qor_list_id details, const RSKANALYSIS* a) {
    switch (a->kind) {
    case RSKANL_MTM:
    case RSKANL_CUREXP: return 0;
    case RSKANL_SENSITIVITY: return get_sen_opts(con, details, a);
    case RSKANL_SCENARIO: return get_scn_opts(con, details, a);
    case RSKANL_PLCURVE: return get_plc_opts(con, details, a);
    case RSKANL_PLSURFACE: return get_pls_opts(con, details, a);
    case RSKANL_COVSIM: return get_pivot_opts(con, details, a, false);
    case RSKANL_MODELSIM: return get_pivot_opts(con, details, a, true);
    case RSKANL_POTEXP: return get_pivot_opts(con, details, a, false);
    case RSKANL_HISTSIM: return get_hiss_opts(con, details, a);
    case RSKANL_SERIESSIM: return get_ssm_opts(con, details, a);
    case RSKANL_DELTANORMAL: return get_dvar_opts(con, details, a);
    case RSKANL_POSEQ: return get_pose_opts(con, details, a);
    case RSKANL_CASHFLOW: return get_cf_opts(con, details, a);
    case RSKANL_OPTIMISATION: return get_optimization_opts(con, details, a);
    default: xebug("rssanlg: Unknown analysis type code %i.", static_cast<int>(a->kind)); return 1;
    }
}

}  // namespace

int rssanlg(RSKCON* con, void* object, qor_list_id list, RSKLISTWS*, int, int) {
    const auto* a = static_cast<const RSKANALYSIS*>(object);
    if (con == nullptr || a == nullptr || list == 0) return 1;
    qor_list_id details = new_sublist(con, "DETAILS");
    if (details == 0) return 1;
    int rc = rss_put_text(list, "OBJTYPE", "ANALYSIS");
    if (rc == 0) rc = rss_put_text(list, "NAME", rss_name_text(a->name));
    if (rc == 0) rc = rsoinsl(list, details, "DETAILS", -1);
    if (rc == 0) rc = rss_put_text(list, "TYPE", registry_text<EngineSlot::rskcsat>(con, static_cast<int>(a->kind)));
    if (rc == 0) rc = write_details(con, details, a);
    rss_free_list(details);   // the analysis' list holds it
    return rc != 0 ? 1 : 0;
}
