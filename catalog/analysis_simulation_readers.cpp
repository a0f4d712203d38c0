// Readers of the simulation kinds (covariance, model Monte Carlo, potential exposure, historical,
// series) and of optimisation in the analysis list form: the shared simulation items, then the
// kind's own items, handed to the kind's definition in the engine.
#include <algorithm>
#include <string_view>

#include "catalog/analysis_form_reading.h"
#include "catalog/definition_forms.h"
#include "engine/model/services/analyses.h"
#include "host/missing.h"
#include "host/pool.h"
#include "host/print.h"

namespace {

constexpr int32_t kDefaultGenerator = 5;

// An array from the control structure's general pool; null after 598/2797 with the label.
void* take_array(RSKCON* con, size_t bytes, const char* label) {
    void* block = xmalloc_labelled(con->general_pool, bytes, QOR_ALLOC_PLAIN, label);
    if (block == nullptr) {
        if (con->no_memory_reported == 0) xpmlog(598, 2797, static_cast<long>(bytes), label);
        con->no_memory_reported = 1;
    }
    return block;
}

void give_array(RSKCON* con, void* block) {
    if (block != nullptr) con->general_pool->release(con->general_pool, block, 0, QOR_FREE_UNSIZED);
}

// The simulation items into `opts`; the horizon array belongs to the caller (rss_free_horizons).
int set_simulation_opts(RSKCON* con, qor_list_id details, RSKSIMOPTS* opts, int32_t** horizons) {
    *opts = RSKSIMOPTS{};
    opts->pl_values = rss_flag_of(rss_optional_number(details, "PL_FLAG"));
    opts->exposure_values = rss_flag_of(rss_optional_number(details, "EXP_FLAG"));
    opts->returns = rss_flag_of(rss_optional_number(details, "RET_FLAG"));
    opts->source = rss_name_record(rss_optional_text(details, "INPUTDS"));
    get_interval(rss_optional_text(details, "INTERVAL"), &opts->interval);
    opts->start_date = rss_optional_number(details, "STARTDATE");
    opts->end_date = rss_optional_number(details, "ENDDATE");
    opts->evaluation_date = rss_optional_number(details, "EVALDATE");
    opts->more_dates = rss_optional_number(details, "MOREDATE");
    int rc = rss_read_horizons(con, details, horizons, &opts->horizon_count);
    opts->horizons = *horizons;
    auto integer = [&](const char* name) {
        const double value = rss_optional_number(details, name);
        return qor::is_missing(value) ? 0 : static_cast<int32_t>(value);
    };
    opts->replications = integer("NDRAW");
    opts->seed = integer("SEED");
    opts->generator = kDefaultGenerator;
    if (rss_has_item(details, "GENERATOR")) opts->generator = rss_generator_code(con, rss_optional_text(details, "GENERATOR"));
    opts->scale = rss_optional_number(details, "STRESS");
    opts->method = 0;
    if (rss_has_item(details, "ERRMODEL")) opts->method = rss_error_model_code(con, rss_optional_text(details, "ERRMODEL"));
    if (opts->generator < 0 || opts->method < 0) rc = 1;
    opts->method_count = integer("T_DF");
    opts->bound_given = rss_flag_of(rss_optional_number(details, "SHOCK_COV"));
    opts->bound = rss_optional_number(details, "WISHART");
    opts->value_given = rss_flag_of(rss_optional_number(details, "SHOCK_PARMS"));
    opts->value = rss_optional_number(details, "PARMS_STRESS");
    opts->extra_value = rss_optional_number(details, "LAMBDA");
    const std::string_view adjust = rss_optional_text(details, "ADJUSTMIS");
    opts->adjust_missing = rss_has_item(details, "ADJUSTMIS") && adjust.size() == 4 && rss_word_is(adjust, "NONE") ? 0 : 1;
    return rc;
}

int32_t pivot_of(qor_list_id details) {
    return rss_has_item(details, "PIVOT") ? rss_flag_of(rss_optional_number(details, "PIVOT")) : 1;
}

// Reads the simulation items, lets `finish` add the kind's own, defines through slot S and adds
// the category and output-variable lists. `quiet` keeps the definition's failure without 598/3013.
template <EngineSlot S, typename Finish>
int define_simulation(RSKCON* con, RSKANALYSIS* a, qor_list_id details, bool quiet, Finish finish) {
    RSKSIMOPTS opts{};
    int32_t* horizons = nullptr;
    int rc = set_simulation_opts(con, details, &opts, &horizons);
    finish(opts);
    if (rc == 0) {
        const int defined = rss_define<S>(con, a, static_cast<const RSKSIMOPTS*>(&opts));
        if (defined != 0) rc = quiet ? 1 : rss_definition_failed(a);
    }
    rss_free_horizons(con, horizons, opts.horizon_count);
    if (rc != 0) return 1;
    a->evaluation_date = opts.evaluation_date;
    a->more_dates = opts.more_dates;
    return std::max(set_categories(con, a, details), set_outvars(con, a, details));
}

int measure_code(std::string_view text) {
    if (rss_word_is(text, "RETURN")) return 1;
    if (rss_word_is(text, "STD")) return 2;
    if (rss_word_is(text, "ES")) return 3;
    if (rss_word_is(text, "ATRISK")) return 4;
    return 0;
}

// Reads a sublist of numbers into an array of the general pool; *count items. 0, or 1 (no
// memory: 598/2797 with the label; an item that is no number).
template <typename T>
int read_numbers(RSKCON* con, qor_list_id details, const char* name, const char* label, T** out, int32_t* count) {
    *out = nullptr;
    *count = 0;
    qor_list* items = nullptr;
    if (slgnl(slistp(details), name, &items) != 0 || items == nullptr || slcnt(items) <= 0) return 0;
    const int total = slcnt(items);
    auto* array = static_cast<T*>(take_array(con, sizeof(T) * static_cast<size_t>(total), label));
    if (array == nullptr) return 1;
    *out = array;
    for (int i = 0; i < total; ++i) {
        double value = qor::missing();
        if (slitmd(items, i + 1, &value) != 0) return 1;
        array[i] = qor::is_missing(value) && std::is_integral_v<T> ? T{} : static_cast<T>(value);
        ++*count;
    }
    return 0;
}

}  // namespace

int set_covs_opts(RSKCON* con, RSKANALYSIS* a, qor_list_id details) {
    return define_simulation<EngineSlot::rsacsma>(con, a, details, false,
                                                  [&](RSKSIMOPTS& o) { o.pivot = pivot_of(details); });
}

int set_mcs_opts(RSKCON* con, RSKANALYSIS* a, qor_list_id details) {
    return define_simulation<EngineSlot::rsamsma>(con, a, details, true, [&](RSKSIMOPTS& o) {
        o.pivot = pivot_of(details);
        o.covariance_data = rss_name_record(rss_optional_text(details, "COVDATA"));
    });
}

// Potential exposure is defined as a model Monte Carlo analysis and then takes its own kind. Its
// definition's failure fails the load like any other kind's.
int set_pot_exp(RSKCON* con, RSKANALYSIS* a, qor_list_id details) {
    const int rc = define_simulation<EngineSlot::rsamsma>(con, a, details, false, [&](RSKSIMOPTS& o) {
        o.pivot = pivot_of(details);
        o.covariance_data = rss_name_record(rss_optional_text(details, "COVDATA"));
    });
    a->kind = RSKANL_POTEXP;
    return rc;
}

int set_hiss_opts(RSKCON* con, RSKANALYSIS* a, qor_list_id details) {
    return define_simulation<EngineSlot::rsahsma>(con, a, details, false, [&](RSKSIMOPTS& o) {
        o.overlap = rss_has_item(details, "OVERLAP") ? rss_flag_of(rss_optional_number(details, "OVERLAP")) : 1;
    });
}

int set_ssm_opts(RSKCON* con, RSKANALYSIS* a, qor_list_id details) {
    return define_simulation<EngineSlot::rsassma>(con, a, details, false, [&](RSKSIMOPTS& o) {
        const std::string_view match = rss_optional_text(details, "MATCH");
        o.match = rss_word_is(match, "DATE") ? 1 : rss_word_is(match, "HORIZON") ? 2 : 0;
    });
}

int set_optimization_opts(RSKCON* con, RSKANALYSIS* a, qor_list_id details) {
    RSKNAMEREC simulation = rss_name_record(rss_optional_text(details, "SIMULATION"));
    if (!rss_has_item(details, "OBJECTIVE")) {
        xebug("rssanls: Optimization objective not specified.");
        return 1;
    }
    const int32_t objective = measure_code(rss_optional_text(details, "OBJECTIVE"));
    if (objective == 0) {
        xebug("rssanls: Unrecognized optimization objective.");
        return 1;
    }
    const int32_t constraint = measure_code(rss_optional_text(details, "SUBJECTTO"));
    RSKNAMEREC lincon = rss_name_record(rss_optional_text(details, "LINCON"));
    RSKNAMEREC bounds = rss_name_record(rss_optional_text(details, "BOUNDS"));
    const std::string_view kind = rss_optional_text(details, "VARKIND");
    const int32_t value_mode = rss_word_is(kind, "RETURN") ? 2 : 1;

    int32_t* horizons = nullptr;
    int32_t horizon_count = 0, value_count = 0, list_count = 0;
    double* values = nullptr;
    int32_t* ends = nullptr;
    int rc = rss_read_horizons(con, details, &horizons, &horizon_count);
    if (rc == 0) rc = read_numbers(con, details, "CONSLIST", "optimization constraint list", &values, &value_count);
    if (rc == 0) rc = read_numbers(con, details, "NELEMLIST", "optimization constraint boundary list", &ends, &list_count);
    // The counts become running sums: constraint i ends at the total of constraints 1 to i.
    for (int i = 1; rc == 0 && i < list_count; ++i) ends[i] += ends[i - 1];
    if (rc == 0 && list_count > 0 && ends[list_count - 1] != value_count) {
        const std::string_view name = rss_name_text(a->name);
        xebug("rssanls: constraint counts of %*s do not add up to its %i values.", static_cast<int>(name.size()),
              name.data(), value_count);
        rc = 1;
    }
    if (rc == 0 &&
        rss_define<EngineSlot::rsaporta>(con, a, static_cast<const RSKNAMEREC*>(&simulation), objective, constraint,
                                         horizon_count, static_cast<const int32_t*>(horizons), value_count,
                                         static_cast<const double*>(values), list_count,
                                         static_cast<const int32_t*>(ends), static_cast<const RSKNAMEREC*>(&lincon),
                                         static_cast<const RSKNAMEREC*>(&bounds), value_mode) != 0)
        rc = rss_definition_failed(a);
    rss_free_horizons(con, horizons, horizon_count);
    give_array(con, values);
    give_array(con, ends);
    return rc != 0 ? 1 : 0;
}
