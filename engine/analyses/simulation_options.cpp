// The options every simulation kind shares (rsasima) and the three name lists of an analysis
// (rsasimb): conditional and marginal categories and output variables.
#include <algorithm>
#include <vector>

#include "host/missing.h"
#include "engine/analyses/analysis_definitions.h"
#include "engine/analyses/horizon_list.h"
#include "engine/model/analyses/analysis_settings.h"
#include "engine/model/names/name_records.h"
#include "host/print.h"

namespace {

constexpr int32_t kDefaultSeed = 54321;
constexpr int32_t kStudentErrorModel = 2;
constexpr double kFirstDate = 365;   // a date value below this is no date

double date_or_missing(double value) {
    return !qor::is_missing(value) && value < kFirstDate ? qor::missing() : value;
}

// The degrees of freedom of the Student error model: 15 when none is given, at least 3.
int32_t method_count(int32_t method, int32_t given) {
    if (method != kStudentErrorModel) return 0;
    if (given < 1) return 15;
    return given < 3 ? 3 : given;
}

}  // namespace

int rsasima(RSKCON* con, RSKANALYSIS* analysis, const RSKSIMOPTS* options, int32_t replications,
            double first_date, double second_date) {
    if (con == nullptr || analysis == nullptr || options == nullptr) return 1;
    std::vector<int32_t> horizons;
    if (normalise_horizons(analysis, options->horizons, options->horizon_count, "rsasima", &horizons) != 0)
        return 1;
    RSKANLSIM& s = analysis->simulation;
    if (rskanl_store_horizons(con, &s, horizons.data(), static_cast<int32_t>(horizons.size())) != 0) return 1;
    s.largest_horizon = horizons.back();

    rskname(con, &s.source, options->source.text, options->source.length);
    if (options->interval.code != 0) s.horizon_interval = options->interval;
    // Without P/L or exposure values, or with returns, the P/L values are written.
    s.pl_values = options->pl_values != 0 || (options->exposure_values == 0) || options->returns != 0;
    s.exposure_values = options->exposure_values != 0;
    s.returns = options->returns != 0;
    s.start_date = date_or_missing(first_date);
    s.end_date = date_or_missing(second_date);
    if (replications > kRskMostReplications) {
        xpmlog(598, 2621, analysis->name.name.length, analysis->name.name.text, replications, kRskMostReplications);
        replications = kRskMostReplications;
    }
    s.replications = replications;
    s.seed = options->seed < 1 ? kDefaultSeed : options->seed;
    s.generator = options->generator;
    s.scale = options->scale;
    s.method = options->method == -1 ? 0 : options->method;
    s.method_count = method_count(s.method, options->method_count);
    if (options->bound_given == 0) s.bound = qor::missing();
    else s.bound = qor::is_missing(options->bound) || options->bound < 1 ? 1 : options->bound;
    if (options->value_given == 0) s.positive_value = qor::missing();
    else s.positive_value = qor::is_missing(options->value) || !(options->value > 0) ? 1 : options->value;
    s.extra_value = options->extra_value;
    s.extra_integer = options->adjust_missing;
    analysis->evaluation_date = options->evaluation_date;
    analysis->more_dates = options->more_dates;
    return 0;
}

int rsasimb(RSKCON* con, RSKANALYSIS* analysis, const RSKNAMEREC* name, int32_t list) {
    if (con == nullptr || analysis == nullptr || name == nullptr) return 1;
    RSKNAMECELL** head = nullptr;
    RSKNAMECELL** tail = nullptr;
    int32_t* count = nullptr;
    switch (list) {
    case 0: head = &analysis->conditional_head, tail = &analysis->conditional_tail, count = &analysis->conditional_count; break;
    case 1: head = &analysis->marginal_head, tail = &analysis->marginal_tail, count = &analysis->marginal_count; break;
    case 2: head = &analysis->names_head, tail = &analysis->names_tail, count = &analysis->names_count; break;
    default:
        xebug("rsasimb: unknown flag %i", list);
        return 0;
    }
    if (rsklsta(con, head, tail, name->text, name->length) != 0) return 1;
    ++*count;
    return 0;
}
