// The definitions of the simulation kinds (covariance, model Monte Carlo, historical, series)
// and of the optimisation that rides on one of them.
#include <vector>

#include "engine/analyses/analysis_definitions.h"
#include "engine/analyses/horizon_list.h"
#include "engine/model/analyses/analyses.h"
#include "engine/model/analyses/analysis_settings.h"
#include "engine/model/names/name_records.h"
#include "engine/model/services/catalog.h"
#include "host/missing.h"
#include "host/print.h"

namespace {

constexpr int kReadRight = 4;

int32_t given_or_default(int32_t replications) {
    return replications > 0 ? replications : kRskDefaultReplications;
}

void store_optional(RSKCON* con, RSKOBJNAME* to, const RSKNAMEREC& name) {
    if (name.text == nullptr || name.length <= 0) rskname(con, to, "", 0);
    else rskname(con, to, name.text, name.length);
}

// The underlying simulation code of an optimisation: 1 model Monte Carlo, 2 covariance,
// 3 historical, 4 series; 0 for any other kind.
int32_t simulation_code(uint32_t kind) {
    switch (kind) {
    case RSKANL_MODELSIM: return 1;
    case RSKANL_COVSIM: return 2;
    case RSKANL_HISTSIM: return 3;
    case RSKANL_SERIESSIM: return 4;
    default: return 0;
    }
}

// Measures: 1 return, 2 standard deviation, 3 expected shortfall, 4 value at risk. The problem
// of each (objective, constraint) pair that can be optimised; 0 for any other pair.
int32_t problem_of(int32_t objective, int32_t constraint) {
    static constexpr int32_t kPairs[6][2] = {{1, 2}, {2, 1}, {1, 4}, {4, 1}, {1, 3}, {3, 1}};
    for (int32_t p = 0; p < 6; ++p)
        if (kPairs[p][0] == objective && kPairs[p][1] == constraint) return p + 1;
    return 0;
}

// The simulation analysis an optimisation names, loaded; null after 598/8124 or 8125.
RSKANALYSIS* find_simulation(RSKCON* con, const RSKNAMEREC* name) {
    if (name == nullptr || name->text == nullptr || name->length <= 0) {
        xpmlog(598, 8124, "Simulation");
        return nullptr;
    }
    RSKCATOBJ* object = rskanl(con, name);
    void* loaded = object != nullptr ? rssofiq(con, object, kReadRight) : nullptr;
    if (loaded == nullptr) {
        xpmlog(598, 8125, name->length, name->text);
        return nullptr;
    }
    return static_cast<RSKANALYSIS*>(loaded);
}

// Checks that the cumulative ends split `total` values into `lists` lists in order.
bool ends_in_order(int32_t lists, const int32_t* ends, int32_t total) {
    int32_t previous = 0;
    for (int32_t i = 0; i < lists; ++i) {
        if (ends == nullptr || ends[i] < previous) return false;
        previous = ends[i];
    }
    return previous <= total;
}

}  // namespace

int rsacsma(RSKCON* con, RSKANALYSIS* analysis, const RSKSIMOPTS* options) {
    if (con == nullptr || analysis == nullptr || options == nullptr) return 1;
    analysis->kind = RSKANL_COVSIM;
    if (rsasima(con, analysis, options, given_or_default(options->replications), options->start_date,
                options->end_date) != 0)
        return 1;
    analysis->pivot = options->pivot != 0 ? 1 : 0;
    return 0;
}

int rsamsma(RSKCON* con, RSKANALYSIS* analysis, const RSKSIMOPTS* options) {
    if (con == nullptr || analysis == nullptr || options == nullptr) return 1;
    analysis->kind = RSKANL_MODELSIM;
    if (rsasima(con, analysis, options, given_or_default(options->replications), options->start_date,
                options->end_date) != 0)
        return 1;
    analysis->pivot = options->pivot != 0 ? 1 : 0;
    store_optional(con, &analysis->covariance_data, options->covariance_data);
    return 0;
}

// A historical simulation's dates bound the history it reads; its replication count is the
// largest number of windows.
int rsahsma(RSKCON* con, RSKANALYSIS* analysis, const RSKSIMOPTS* options) {
    if (con == nullptr || analysis == nullptr || options == nullptr) return 1;
    analysis->kind = RSKANL_HISTSIM;
    if (rsasima(con, analysis, options, options->replications, options->start_date, options->end_date) != 0)
        return 1;
    analysis->overlap = options->overlap != 0 ? 1 : 0;
    return 0;
}

int rsassma(RSKCON* con, RSKANALYSIS* analysis, const RSKSIMOPTS* options) {
    if (con == nullptr || analysis == nullptr || options == nullptr) return 1;
    analysis->kind = RSKANL_SERIESSIM;
    if (rsasima(con, analysis, options, options->replications, qor::missing(), qor::missing()) != 0) return 1;
    analysis->match = options->match;
    return 0;
}

int rsaporta(RSKCON* con, RSKANALYSIS* analysis, const RSKNAMEREC* simulation, int32_t objective,
             int32_t constraint, int32_t horizon_count, const int32_t* horizons, int32_t target_total,
             const double* targets, int32_t list_count, const int32_t* list_ends, const RSKNAMEREC* constraint_data,
             const RSKNAMEREC* bounds_data, int32_t value_mode) {
    if (con == nullptr || analysis == nullptr) return 1;
    analysis->kind = RSKANL_OPTIMISATION;
    const RSKANALYSIS* source = find_simulation(con, simulation);
    if (source == nullptr) return 1;
    if (source->names_count > 1) {
        xpmlog(598, 8128, source->names_count);
        return 1;
    }
    if (objective == 0) {
        xpmlog(598, 8124, "Objective");
        return 1;
    }
    if (constraint == 0) {
        xpmlog(598, 8124, "Constraint");
        return 1;
    }
    const int32_t problem = problem_of(objective, constraint);
    if (problem == 0) {
        xpmlog(598, 8126, analysis->name.name.length, analysis->name.name.text);
        return 1;
    }

    std::vector<int32_t> sorted;
    const bool own_horizons = horizon_count > 0 && horizons != nullptr;
    if (own_horizons && normalise_horizons(analysis, horizons, horizon_count, "rsaporta", &sorted) != 0) return 1;
    const int32_t sources = source->simulation.horizon_count > 0 ? source->simulation.horizon_count : 1;
    const int32_t horizon_total = own_horizons ? static_cast<int32_t>(sorted.size()) : sources;
    if (list_count != horizon_total || !ends_in_order(list_count, list_ends, target_total)) {
        xpmlog(598, 8127, list_count, horizon_total);
        return 1;
    }
    // The simulation is copied as it stands now: a later change of it does not reach here.
    if (rskanl_store_targets(con, &analysis->optimisation, targets, list_count, list_ends) != 0 ||
        rskanl_copy_simulation(con, &analysis->simulation, &source->simulation) != 0)
        return 1;
    if (own_horizons) {
        if (rskanl_store_horizons(con, &analysis->simulation, sorted.data(), horizon_total) != 0) return 1;
        analysis->simulation.largest_horizon = sorted.back();
    }
    analysis->evaluation_date = source->evaluation_date;
    analysis->more_dates = source->more_dates;
    analysis->pivot = source->pivot;
    analysis->overlap = source->overlap;
    analysis->match = source->match;
    store_optional(con, &analysis->covariance_data, source->covariance_data.name);

    RSKANLOPT& o = analysis->optimisation;
    rskname(con, &o.simulation, simulation->text, simulation->length);
    o.simulation_kind = simulation_code(source->kind);
    o.objective = objective;
    o.constraint = constraint;
    o.problem = problem;
    o.value_mode = value_mode == 2 ? 2 : 1;
    store_optional(con, &analysis->constraint_data, constraint_data != nullptr ? *constraint_data : RSKNAMEREC{});
    store_optional(con, &analysis->bounds_data, bounds_data != nullptr ? *bounds_data : RSKNAMEREC{});
    return 0;
}
