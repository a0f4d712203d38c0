// Readers of the analysis list form (kind 34): rssanls defines the analysis by name, then the
// kind's reader defines it again from DETAILS through the engine's definitions, so a stored
// analysis passes the checks of one written in a statement.
#include <algorithm>
#include <string_view>

#include "catalog/analysis_form_reading.h"
#include "catalog/definition_forms.h"
#include "common/intervals/interval_spec.h"
#include "host/missing.h"
#include "host/print.h"

namespace {

constexpr double kLargestGrid = 32767;

std::string_view text_of(const RSOCHAR& value) {
    return std::string_view(value.text != nullptr ? value.text : "", value.length);
}

std::string_view name_of(const RSKANALYSIS* a) { return rss_name_text(a->name); }

// Warning 598/3002 when the name is no variable of the environment.
void check_variable(RSKCON* con, const RSKANALYSIS* a, std::string_view factor) {
    RSKNAMEREC name = rss_name_record(factor);
    if (engine_routine<EngineSlot::rskvf>()(con, &name) != nullptr) return;
    xpmlog(598, 3002, static_cast<int>(factor.size()), factor.data(), static_cast<int>(name_of(a).size()),
           name_of(a).data());
}

void factor_refused(const RSKANALYSIS* a, std::string_view factor) {
    xpmlog(598, 3003, static_cast<int>(factor.size()), factor.data(), static_cast<int>(name_of(a).size()),
           name_of(a).data());
}

void store_dates(RSKANALYSIS* a, qor_list_id details, bool with_more_dates) {
    a->evaluation_date = rss_optional_number(details, "EVALDATE");
    if (with_more_dates) a->more_dates = rss_optional_number(details, "MOREDATE");
}

// "FACTORS" as plain factor names; absent means none.
int set_factors(RSKCON* con, RSKANALYSIS* a, qor_list_id details) {
    if (!rss_has_item(details, "FACTORS")) return 0;
    qor_list_id factors = 0;
    if (rsogetl(details, "FACTORS", -1, &factors) != 0) return 1;
    int rc = 0;
    const int count = slcnt(slistp(factors));
    for (int position = 1; position <= count; ++position) {
        RSOCHAR value{};
        if (rsoitmc(factors, position, &value) != 0) {
            rc = 1;
            continue;
        }
        const std::string_view factor = text_of(value);
        check_variable(con, a, factor);
        RSKNAMEREC name = rss_name_record(factor);
        if (rss_define<EngineSlot::rsafaca>(con, a, static_cast<const RSKNAMEREC*>(&name)) != 0) {
            factor_refused(a, factor);
            rc = 1;
        }
    }
    return rc;
}

int set_sen_opts(RSKCON* con, RSKANALYSIS* a, qor_list_id details) {
    const int32_t theta = rss_flag_of(rss_optional_number(details, "THETA"));
    const int32_t vega = rss_flag_of(rss_optional_number(details, "VEGA"));
    const int32_t cross = rss_flag_of(rss_optional_number(details, "CRSGAM"));
    const int32_t numeric = rss_flag_of(rss_optional_number(details, "NUMERICDER"));
    RSKNAMEREC type = rss_name_record(rss_optional_text(details, "INSTTYPE"));
    RSKNAMEREC id = rss_name_record(rss_optional_text(details, "INSTID"));
    if (rss_define<EngineSlot::rsadela>(con, a, theta, vega, cross, numeric, type.length > 0 ? &type : nullptr,
                                        id.length > 0 ? &id : nullptr) != 0)
        return rss_definition_failed(a);
    store_dates(a, details, false);
    return set_factors(con, a, details);
}

int set_scn_opts(RSKCON* con, RSKANALYSIS* a, qor_list_id details) {
    int32_t default_type = 2;
    if (rss_has_item(details, "DEFAULT_TYPE")) default_type = rss_perturbation_code(con, rss_optional_text(details, "DEFAULT_TYPE"));
    if (default_type < 0) return 1;
    if (rss_define<EngineSlot::rsascna>(con, a, default_type) != 0) return rss_definition_failed(a);
    store_dates(a, details, false);
    qor_list_id factors = 0;
    if (rsogetl(details, "FACTORS", -1, &factors) != 0) return 1;
    int rc = 0;
    const int count = slcnt(slistp(factors));
    for (int position = 1; position <= count; ++position) {
        qor_list_id factor = 0;
        RSOCHAR name{};
        double value = qor::missing();
        if (rsoitml(factors, position, &factor) != 0 || rsogetc(factor, "NAME", -1, &name) != 0 ||
            rsogetd(factor, "VALUE", -1, &value) != 0) {
            rc = 1;
            continue;
        }
        const int type = rss_perturbation_code(con, rss_optional_text(factor, "TYPE"));
        if (type < 0) {
            rc = 1;
            continue;
        }
        check_variable(con, a, text_of(name));
        RSKNAMEREC record = rss_name_record(text_of(name));
        if (rss_define<EngineSlot::rsafacp>(con, a, static_cast<const RSKNAMEREC*>(&record), value,
                                            static_cast<uint32_t>(type)) != 0) {
            factor_refused(a, text_of(name));
            rc = 1;
        }
    }
    return std::max(rc, set_outvars(con, a, details));
}

// One grid factor of a curve or surface, checked: 0, or 1 after its message.
struct Grid {
    std::string_view name;
    double minimum, maximum;
    uint32_t points, type;
};

int read_grid(RSKCON* con, const RSKANALYSIS* a, qor_list_id factor, Grid* grid) {
    RSOCHAR name{};
    if (rsogetc(factor, "NAME", -1, &name) != 0) return 1;
    grid->name = text_of(name);
    const int factor_length = static_cast<int>(grid->name.size());
    const int analysis_length = static_cast<int>(name_of(a).size());
    check_variable(con, a, grid->name);
    grid->minimum = rss_optional_number(factor, "MIN");
    grid->maximum = rss_optional_number(factor, "MAX");
    const double points = rss_optional_number(factor, "N");
    if (qor::is_missing(grid->minimum)) {
        xpmlog(598, 3009, factor_length, grid->name.data(), analysis_length, name_of(a).data());
        return 1;
    }
    if (qor::is_missing(grid->maximum)) {
        xpmlog(598, 3010, factor_length, grid->name.data(), analysis_length, name_of(a).data());
        return 1;
    }
    if (!(grid->maximum > grid->minimum)) {
        xpmlog(598, 3011, grid->minimum, grid->maximum, factor_length, grid->name.data(), analysis_length,
               name_of(a).data());
        return 1;
    }
    if (qor::is_missing(points) || points < 2 || points > kLargestGrid) {
        xpmlog(598, 3012, points, factor_length, grid->name.data(), analysis_length, name_of(a).data());
        return 1;
    }
    grid->points = static_cast<uint32_t>(points);
    const int type = rss_perturbation_code(con, rss_optional_text(factor, "TYPE"));
    if (type < 0) return 1;
    grid->type = static_cast<uint32_t>(type);
    return 0;
}

// A grid list (FACTORS or SURFACE) must not be empty: 598/3008 with the kind's label.
int check_not_empty(const RSKANALYSIS* a, qor_list_id list, const char* label) {
    if (slcnt(slistp(list)) > 0) return 0;
    xpmlog(598, 3008, -1, label, static_cast<int>(name_of(a).size()), name_of(a).data());
    return 1;
}

int set_plc_opts(RSKCON* con, RSKANALYSIS* a, qor_list_id details) {
    qor_list_id factors = 0;
    if (rsogetl(details, "FACTORS", -1, &factors) != 0) return 1;
    if (rss_define<EngineSlot::rsaplca>(con, a) != 0) return rss_definition_failed(a);
    store_dates(a, details, false);
    if (check_not_empty(a, factors, "P/L Curve") != 0) return 1;
    int rc = 0;
    const int count = slcnt(slistp(factors));
    for (int position = 1; position <= count; ++position) {
        qor_list_id factor = 0;
        Grid g{};
        if (rsoitml(factors, position, &factor) != 0 || read_grid(con, a, factor, &g) != 0) return 1;
        RSKNAMEREC name = rss_name_record(g.name);
        if (rss_define<EngineSlot::rsafacg>(con, a, static_cast<const RSKNAMEREC*>(&name), g.minimum, g.maximum,
                                            g.points, g.type) != 0) {
            // A grid the analysis refuses is reported and the others are read; the analysis is
            // then not the stored one, so the load fails at the end.
            factor_refused(a, g.name);
            rc = 1;
        }
    }
    return std::max(rc, set_outvars(con, a, details));
}

int set_pls_opts(RSKCON* con, RSKANALYSIS* a, qor_list_id details) {
    qor_list_id pairs = 0;
    if (rsogetl(details, "SURFACE", -1, &pairs) != 0) return 1;
    if (rss_define<EngineSlot::rsaplsa>(con, a) != 0) return rss_definition_failed(a);
    store_dates(a, details, false);
    if (check_not_empty(a, pairs, "P/L Surface") != 0) return 1;
    int rc = 0;
    const int count = slcnt(slistp(pairs));
    for (int position = 1; position <= count; ++position) {
        qor_list_id pair = 0, first = 0, second = 0;
        Grid g1{}, g2{};
        if (rsoitml(pairs, position, &pair) != 0 || rsoitml(pair, 1, &first) != 0 || rsoitml(pair, 2, &second) != 0 ||
            read_grid(con, a, first, &g1) != 0 || read_grid(con, a, second, &g2) != 0) {
            rc = 1;
            continue;
        }
        RSKNAMEREC n1 = rss_name_record(g1.name), n2 = rss_name_record(g2.name);
        if (rss_define<EngineSlot::rsafacs>(con, a, static_cast<const RSKNAMEREC*>(&n1), g1.minimum, g1.maximum,
                                            g1.points, g1.type, static_cast<const RSKNAMEREC*>(&n2), g2.minimum,
                                            g2.maximum, g2.points, g2.type) != 0) {
            xpmlog(598, 3019, static_cast<int>(g1.name.size()), g1.name.data(), static_cast<int>(g2.name.size()),
                   g2.name.data(), static_cast<int>(name_of(a).size()), name_of(a).data());
            rc = 1;
        }
    }
    return std::max(rc, set_outvars(con, a, details));
}

int set_dvar_opts(RSKCON* con, RSKANALYSIS* a, qor_list_id details) {
    RSKNAMEREC input = rss_name_record(rss_optional_text(details, "INPUTDS"));
    interval_spec interval{};
    get_interval(rss_optional_text(details, "INTERVAL"), &interval);
    if (rss_define<EngineSlot::rsadvra>(con, a, static_cast<const RSKNAMEREC*>(&input),
                                        static_cast<const interval_spec*>(&interval)) != 0)
        return rss_definition_failed(a);
    store_dates(a, details, true);
    // The horizons are read back too, so that they survive the catalog (they live in the
    // environment's pool with the analysis).
    int32_t* horizons = nullptr;
    int32_t count = 0;
    int rc = rss_read_horizons(con, details, &horizons, &count);
    if (rc == 0 && count > 0) {
        const size_t bytes = sizeof(int32_t) * static_cast<size_t>(count);
        auto* kept = static_cast<int32_t*>(xmalloc_labelled(con->current_pool, bytes, QOR_ALLOC_PLAIN,
                                                            "simulation horizons list"));
        if (kept == nullptr) {
            if (con->no_memory_reported == 0) xpmlog(598, 2797, static_cast<long>(bytes), "simulation horizons list");
            con->no_memory_reported = 1;
            rc = 1;
        } else {
            std::copy(horizons, horizons + count, kept);
            a->simulation.horizons = kept;
            a->simulation.horizon_count = count;
            a->simulation.largest_horizon = *std::max_element(kept, kept + count);
        }
    }
    rss_free_horizons(con, horizons, count);
    return std::max(rc, set_categories(con, a, details));
}

int set_pose_opts(RSKCON* con, RSKANALYSIS* a, qor_list_id details) {
    RSKNAMEREC benchmark = rss_name_record(rss_optional_text(details, "BENCHMARK"));
    const double time = rss_optional_number(details, "BENCHTIME");
    if (rss_define<EngineSlot::rsapeqa>(con, a, static_cast<const RSKNAMEREC*>(&benchmark), time) != 0)
        return rss_definition_failed(a);
    return 0;
}

int set_cf_opts(RSKCON* con, RSKANALYSIS* a, qor_list_id details) {
    int32_t duration = 1;
    if (rss_has_item(details, "DURATION")) {
        const std::string_view d = rss_optional_text(details, "DURATION");
        duration = rss_word_is(d, "MACAULAY") ? 1 : rss_word_is(d, "MODIFIED") ? 2 : 0;
    }
    int32_t buckets = 0;
    if (rss_has_item(details, "BUCKETTYPE")) {
        const std::string_view b = rss_optional_text(details, "BUCKETTYPE");
        buckets = rss_word_is(b, "ALL") ? 3 : rss_word_is(b, "CUMULATI") ? 2 : rss_word_is(b, "SIMPLE") ? 1 : 0;
    }
    const double evaluation = rss_optional_number(details, "EVALDATE");
    const double more = rss_optional_number(details, "MOREDATE");
    const std::string_view analysis = rss_optional_text(details, "ANALYSIS");
    int32_t method = 99;
    if (analysis.empty() || rss_word_is(analysis, "TRADITIONAL")) method = 0;
    else if (rss_word_is(analysis, "EFFECTDUR")) method = 2;
    else if (rss_word_is(analysis, "PARTIALDUR")) method = 3;
    // METHOD (written by this build) keeps the methods that borrow another analysis' states.
    const double stored = rss_optional_number(details, "METHOD");
    if (!qor::is_missing(stored) && (stored == 1 || (stored >= 4 && stored <= 7))) method = static_cast<int32_t>(stored);
    RSKNAMEREC source = rss_name_record(method == 0 || method == 2 || method == 3 ? std::string_view() : analysis);
    const int rc = rss_define<EngineSlot::rsacfla>(con, a, method, buckets, duration,
                                                   static_cast<const RSKNAMEREC*>(&source), evaluation, more);
    if (rc != 0) return rss_definition_failed(a);
    a->kind = RSKANL_CASHFLOW;
    return method == 3 ? set_factors(con, a, details) : 0;
}

// The kind of a TYPE text: two texts of older entries first, then the registry (0 when unknown).
uint32_t kind_of(RSKCON* con, std::string_view type) {
    const std::string_view padded = type.substr(0, type.find_last_not_of(' ') + 1);   // blanks at the end do not count
    if (padded == "Monte Carlo Analysis") return RSKANL_MODELSIM;
    if (padded == "Delta-Normal") return RSKANL_DELTANORMAL;
    return static_cast<uint32_t>(rss_analysis_code(con, padded));
}

int read_details(RSKCON* con, RSKANALYSIS* a, uint32_t kind, qor_list_id details) {
    switch (kind) {
    case RSKANL_MTM: return rss_define<EngineSlot::rsamtma>(con, a) != 0 ? rss_definition_failed(a) : 0;
    case RSKANL_CUREXP: return rss_define<EngineSlot::rsacexa>(con, a) != 0 ? rss_definition_failed(a) : 0;
    case RSKANL_SENSITIVITY: return set_sen_opts(con, a, details);
    case RSKANL_SCENARIO: return set_scn_opts(con, a, details);
    case RSKANL_PLCURVE: return set_plc_opts(con, a, details);
    case RSKANL_PLSURFACE: return set_pls_opts(con, a, details);
    case RSKANL_COVSIM: return set_covs_opts(con, a, details);
    case RSKANL_MODELSIM: return set_mcs_opts(con, a, details);
    case RSKANL_POTEXP: return set_pot_exp(con, a, details);
    case RSKANL_HISTSIM: return set_hiss_opts(con, a, details);
    case RSKANL_SERIESSIM: return set_ssm_opts(con, a, details);
    case RSKANL_DELTANORMAL: return set_dvar_opts(con, a, details);
    case RSKANL_POSEQ: return set_pose_opts(con, a, details);
    case RSKANL_CASHFLOW: return set_cf_opts(con, a, details);
    case RSKANL_OPTIMISATION: return set_optimization_opts(con, a, details);
    default: return -1;
    }
}

}  // namespace

int rssanls(RSKCON* con, qor_list_id list, RSKLISTWS*, int, int, RSKCATOBJ** out, RSKCATOBJ* header) {
    if (con == nullptr || list == 0) return 1;
    RSOCHAR name{};
    if (rsogetc(list, "NAME", -1, &name) != 0) return 1;
    RSKNAMEREC analysis_name = rss_name_record(text_of(name));
    RSKCATOBJ* defined = nullptr;
    if (engine_routine<EngineSlot::rskanld>()(con, &defined, &analysis_name, nullptr, header) != 0 ||
        defined == nullptr || defined->object == nullptr)
        return 1;
    if (out != nullptr) *out = defined;
    auto* analysis = static_cast<RSKANALYSIS*>(defined->object);
    RSOCHAR type{};
    qor_list_id details = 0;
    if (rsogetc(list, "TYPE", -1, &type) != 0 || rsogetl(list, "DETAILS", -1, &details) != 0) return 1;
    const int rc = read_details(con, analysis, kind_of(con, text_of(type)), details);
    if (rc >= 0) return rc != 0 ? 1 : 0;
    xpmlog(598, 3000, static_cast<int>(type.length), type.text);
    return 1;
}
