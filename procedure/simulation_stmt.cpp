// SIMULATION and POTEXP: simulation analyses (model Monte Carlo, covariance, historical or
// scenario series) and the potential exposure of a model Monte Carlo simulation; the options
// both statements share are read by get_simulation_opts.
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine/model/analyses/analyses.h"
#include "engine/model/services/analyses.h"
#include "host/missing.h"
#include "procedure/analysis_statements.h"
#include "procedure/run_definitions.h"
#include "procedure/zozu_dispatch.h"

namespace zozu {

namespace {

// Where each option sits: the two statements number their fields and bits differently.
struct SimulationFields {
    int method, covariance_data, data, end, evaluation_date, exposure, horizon, lambda, match, draws,
        replications, parameters, returns, seed, shocks, start;
    int bit_none, bit_pivot, bit_no_pivot, bit_overlap, bit_pl;
};
constexpr SimulationFields kSimulationFields{4,  6,  7,  9,  11, 12, 14, 17, 18, 19, 20, 21, 22, 24, 25, 26,
                                             13, 18, 15, 17, 19};
constexpr SimulationFields kPotexpFields{4,  6,  7,  0,  10, 11, 13, 16, 17, 18, 19, 20, 21, 23, 24, 25,
                                         11, 0,  0,  0,  13};

constexpr double kMaxCount = 100000000;
constexpr double kSecondsPerDay = 86400;
// Host dates count days, date-times seconds: a value this large can only be a date-time.
constexpr double kDateTimeThreshold = 10000000;
constexpr int32_t kDefaultGenerator = 5;

enum : int { kModelMonteCarlo = 1, kCovariance = 2, kHistorical = 3, kSeries = 4 };

bool given(const statement_node* node, int field) {
    const operand_field* f = field > 0 ? qor_operand(node, field) : nullptr;
    return f != nullptr && f->given;
}
bool bit(const statement_node* node, int number) { return number > 0 && qor_option_bit(node, number); }

double date_of(const statement_node* node, int field) {
    if (field <= 0) return qor::make_missing();
    double value = operand_number(node, field, qor::make_missing());
    if (!qor::is_missing(value) && std::fabs(value) >= kDateTimeThreshold) value = std::floor(value / kSecondsPerDay);
    return value;
}

// A count option: capped at 100,000,000 with 670/1165.
int32_t count_of(const statement_node* node, int field, int32_t absent) {
    const double value = operand_number(node, field, qor::make_missing());
    if (qor::is_missing(value) || std::isnan(value)) return absent;
    if (value > kMaxCount) {
        xpmlog(670, 1165, value);
        return static_cast<int32_t>(kMaxCount);
    }
    return value < 0 ? 0 : static_cast<int32_t>(value);
}

// The horizons written as "1 5 10" (a name or a text of numbers), ascending as given.
std::vector<int32_t> horizons_of(const statement_node* node, int field) {
    std::vector<int32_t> horizons;
    const operand_field* f = qor_operand(node, field);
    if (f == nullptr || !f->given || f->value == nullptr) return horizons;
    if (f->kind == QOR_OPERAND_NUMBER) {
        horizons.push_back(static_cast<int32_t>(*static_cast<const double*>(f->value)));
        return horizons;
    }
    if (f->kind != QOR_OPERAND_TEXT && f->kind != QOR_OPERAND_NAMES) return horizons;
    const std::string text(static_cast<const char*>(f->value), static_cast<size_t>(f->used));
    const char* p = text.c_str();
    for (char* end = nullptr;; p = end) {
        const long value = std::strtol(p, &end, 10);
        if (end == p) break;
        horizons.push_back(static_cast<int32_t>(value));
    }
    return horizons;
}

// A source data set named by the statement must be a market data source.
bool source_known(RSKCON* con, const OperandText& source) {
    if (source.length == 0) return true;
    const RSKNAMEREC key = name_record(source);
    if (engine_call<EngineSlot::rskids>(static_cast<RSKCATOBJ*>(nullptr), con, &key) != nullptr) return true;
    xpmlog(670, 1164, source.length, source.text);
    return false;
}

int add_list(RSKCON* con, RSKANALYSIS* analysis, const statement_node* node, int field, int list) {
    const operand_field* f = field > 0 ? qor_operand(node, field) : nullptr;
    if (f == nullptr || !f->given || f->kind != QOR_OPERAND_NAMES || f->value == nullptr) return 0;
    return setAnalysisCategories(con, analysis, static_cast<const char*>(f->value), f->used, list);
}

int simulation_family(RSKCON* con, statement_node* node, int potential_exposure) {
    con->default_rights = static_cast<uint32_t>(get_security_access(con, node));
    RSKCATOBJ* object = nullptr;
    RSKANALYSIS* analysis = get_analysis(con, node, &object);
    if (analysis == nullptr) return 1;
    const OperandText name = operand_text(node, kFieldName);
    const int rc = get_simulation_opts(con, node, analysis, potential_exposure);
    if (rc != 0) return rc;
    return store_definition(con, object, potential_exposure ? "potential exposure analysis" : "simulation analysis",
                            name, 1081);
}

}  // namespace

int get_simulation_opts(RSKCON* con, const statement_node* node, RSKANALYSIS* analysis, int potential_exposure) {
    const SimulationFields& at = potential_exposure ? kPotexpFields : kSimulationFields;
    const OperandText data = operand_text(node, at.data);
    const OperandText covariance = operand_text(node, at.covariance_data);
    if (!source_known(con, data) || !source_known(con, covariance)) return 1;

    RSKSIMOPTS options{};
    options.pl_values = bit(node, at.bit_pl) ? 1 : 0;
    options.exposure_values = given(node, at.exposure) ? 1 : 0;
    options.returns = given(node, at.returns) ? 1 : 0;
    options.source = name_record(data);
    options.start_date = date_of(node, at.start);
    options.end_date = date_of(node, at.end);
    options.evaluation_date = date_of(node, at.evaluation_date);
    options.more_dates = qor::make_missing();
    const std::vector<int32_t> horizons = horizons_of(node, at.horizon);
    options.horizon_count = static_cast<int32_t>(horizons.size());
    options.horizons = horizons.empty() ? nullptr : horizons.data();
    options.replications = count_of(node, at.draws, 0);
    const int32_t replications = count_of(node, at.replications, 0);
    if (options.replications == 0) options.replications = replications;
    const double seed = operand_number(node, at.seed, 0);
    options.seed = qor::is_missing(seed) ? 0 : static_cast<int32_t>(seed);
    options.generator = kDefaultGenerator;
    options.scale = 1;
    options.extra_value = operand_number(node, at.lambda, qor::make_missing());
    options.adjust_missing = bit(node, at.bit_none) ? 0 : 1;
    options.pivot = bit(node, at.bit_no_pivot) ? 0 : 1;
    options.overlap = bit(node, at.bit_overlap) ? 1 : 0;
    const double match = operand_number(node, at.match, 0);
    options.match = qor::is_missing(match) ? 0 : static_cast<int32_t>(match);
    options.covariance_data = name_record(covariance);

    const double method = operand_number(node, at.method, 0);
    int defined = 0;
    switch (qor::is_missing(method) ? 0 : static_cast<int>(method)) {
    case kModelMonteCarlo:
        defined = engine_call<EngineSlot::rsamsma>(1, con, analysis, static_cast<const RSKSIMOPTS*>(&options));
        if (defined == 0 && potential_exposure) analysis->kind = RSKANL_POTEXP;
        break;
    case kCovariance:
        defined = engine_call<EngineSlot::rsacsma>(1, con, analysis, static_cast<const RSKSIMOPTS*>(&options));
        break;
    case kHistorical:
        if (!qor::is_missing(options.start_date) && !qor::is_missing(options.end_date) &&
            options.start_date > options.end_date) {
            xpmlog(670, 1043, options.start_date, options.end_date);
            return 1;
        }
        defined = engine_call<EngineSlot::rsahsma>(1, con, analysis, static_cast<const RSKSIMOPTS*>(&options));
        break;
    case kSeries:
        defined = engine_call<EngineSlot::rsassma>(1, con, analysis, static_cast<const RSKSIMOPTS*>(&options));
        break;
    default:
        xebug("risk2: simulationstmt: bad method %i.", qor::is_missing(method) ? 0 : static_cast<int>(method));
        return 99;
    }
    if (defined != 0) {
        const OperandText name = operand_text(node, kFieldName);
        return report_define_failed("simulation analysis", name);
    }
    int result = 0;
    const int lists[3] = {add_list(con, analysis, node, at.shocks, 0), add_list(con, analysis, node, at.returns, 1),
                          add_list(con, analysis, node, at.parameters, 2)};
    for (int rc : lists) {
        if (rc == 0) continue;
        const OperandText name = operand_text(node, kFieldName);
        xpmlog(670, 1080, name.length, name.text);
        if (rc > result) result = rc;
    }
    return result;
}

int simulation_stmt(RSKCON* con, statement_node* node) { return simulation_family(con, node, 0); }
int potexp_stmt(RSKCON* con, statement_node* node) { return simulation_family(con, node, 1); }

}  // namespace zozu
