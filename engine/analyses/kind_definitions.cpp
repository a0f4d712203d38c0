// The definitions of the analysis kinds that store a few settings of their own: sensitivity,
// scenario, P/L curve and surface, delta-normal, position equivalents and cash flows.
#include <cmath>
#include <string>

#include "engine/analyses/analysis_definitions.h"
#include "engine/analyses/analysis_phases.h"
#include "engine/model/analyses/analyses.h"
#include "engine/model/names/name_records.h"
#include "host/kernel.h"
#include "host/print.h"

namespace {

constexpr int32_t kNamedSourceMethod = 99;

int32_t flag(int32_t value) { return value != 0 ? 1 : 0; }

// Copies a name that may be absent (null or empty) into `to`; an absent name empties it.
void store_optional(RSKCON* con, RSKOBJNAME* to, const RSKNAMEREC* name) {
    if (name == nullptr || name->text == nullptr || name->length <= 0) rskname(con, to, "", 0);
    else rskname(con, to, name->text, name->length);
}

}  // namespace

int rsadela(RSKCON* con, RSKANALYSIS* analysis, int32_t theta, int32_t vega, int32_t cross_gamma,
            int32_t numeric_derivatives, const RSKNAMEREC* instrument_type, const RSKNAMEREC* instrument_id) {
    if (con == nullptr || analysis == nullptr) return 1;
    analysis->kind = RSKANL_SENSITIVITY;
    RSKANLSENS& s = analysis->sensitivity;
    s.theta = flag(theta);
    s.vega = flag(vega);
    s.cross_gamma = flag(cross_gamma);
    s.numeric_derivatives = flag(numeric_derivatives);
    store_optional(con, &s.instrument_type, instrument_type);
    store_optional(con, &s.instrument_id, instrument_id);
    return 0;
}

int rsascna(RSKCON* con, RSKANALYSIS* analysis, int32_t default_type) {
    if (con == nullptr || analysis == nullptr) return 1;
    analysis->kind = RSKANL_SCENARIO;
    analysis->perturbation_type = static_cast<uint32_t>(default_type);
    return 0;
}

int rsaplca(RSKCON* con, RSKANALYSIS* analysis) {
    if (con == nullptr || analysis == nullptr) return 1;
    analysis->kind = RSKANL_PLCURVE;
    return 0;
}

int rsaplsa(RSKCON* con, RSKANALYSIS* analysis) {
    if (con == nullptr || analysis == nullptr) return 1;
    analysis->kind = RSKANL_PLSURFACE;
    return 0;
}

int rsadvra(RSKCON* con, RSKANALYSIS* analysis, const RSKNAMEREC* input, const interval_spec* interval) {
    if (con == nullptr || analysis == nullptr) return 1;
    analysis->kind = RSKANL_DELTANORMAL;
    store_optional(con, &analysis->input_data, input);
    if (interval != nullptr) analysis->interval = *interval;
    return 0;
}

int rsapeqa(RSKCON* con, RSKANALYSIS* analysis, const RSKNAMEREC* benchmark, double benchmark_time) {
    if (con == nullptr || analysis == nullptr || benchmark == nullptr || benchmark->text == nullptr) return 1;
    // The scale factor raises -1 / (1 + x) to BENCHTIME - 1: a negative base, which has a real
    // power only for whole exponents. A fractional benchmark time is refused here, where the
    // user can mend it, rather than failing every run.
    if (std::isnan(benchmark_time) || std::isinf(benchmark_time) || benchmark_time != std::floor(benchmark_time)) {
        xpslog("%1zThe benchmark time of position equivalents %*s must be a whole number.",
               analysis->name.name.length, analysis->name.name.text);
        return 1;
    }
    analysis->kind = RSKANL_POSEQ;
    // The benchmark is kept upper-cased, as the run's variable tables name it.
    std::string upper(benchmark->text, static_cast<size_t>(benchmark->length > 0 ? benchmark->length : 0));
    wzstrup(upper.data(), static_cast<int>(upper.size()));
    RSKNAMEREC name{};
    name.text = upper.data();
    name.length = static_cast<int>(upper.size());
    const int rc = rsafaca(con, analysis, &name);
    if (rc != 0) return rc;
    analysis->bench_time = benchmark_time;
    return 0;
}

int rsacfla(RSKCON* con, RSKANALYSIS* analysis, int32_t method, int32_t bucket_type, int32_t duration_type,
            const RSKNAMEREC* source, double evaluation_date, double more_dates) {
    if (con == nullptr || analysis == nullptr) return 1;
    analysis->subtype = static_cast<uint32_t>(method);
    analysis->bucket_type = bucket_type;
    analysis->duration_type = duration_type;
    analysis->evaluation_date = evaluation_date;
    analysis->more_dates = more_dates;
    if (method != kNamedSourceMethod) return 0;
    const RSKNAMEREC& own = analysis->name.name;
    if (source == nullptr || source->text == nullptr || source->length <= 0) {
        xpmlog(670, 3527, own.length, own.text);
        return 1;
    }
    if (rskanl(con, source) == nullptr) {
        xpmlog(670, 3528, source->length, source->text, own.length, own.text);
        return 1;
    }
    store_optional(con, &analysis->source_analysis, source);
    return 0;
}
