// Tests of analyses that the result writer, aggregation and the component share: the kind of
// valuation an analysis stands for, its number of output variables, exposure-type variables.
#include "engine/model/variables/analysis_kinds.h"

#include <cstring>
#include <initializer_list>

#include "engine/model/analyses/analysis_record.h"
#include "engine/model/variables/variables.h"

namespace {
constexpr uint32_t kCashFlowAnalysis = 13;
}

namespace analysis_kinds {

int is_simulation(const RSKANALYSIS* analysis) {
    if (analysis == nullptr) return 0;
    switch (analysis->kind) {
    case 6: case 7: case 8: case 9: case 15: case 17: return 1;
    case kCashFlowAnalysis: return analysis->subtype >= 4 && analysis->subtype <= 7 ? 1 : 0;
    default: return 0;
    }
}

int is_sensitivity(const RSKANALYSIS* analysis) {
    if (analysis == nullptr) return 0;
    return analysis->kind == 2 || (analysis->kind == kCashFlowAnalysis && analysis->subtype == 3) ? 1 : 0;
}

int is_scenario(const RSKANALYSIS* analysis) {
    if (analysis == nullptr) return 0;
    return analysis->kind == 5 || (analysis->kind == kCashFlowAnalysis && analysis->subtype == 1) ? 1 : 0;
}

int is_mtm(const RSKANALYSIS* analysis) {
    return analysis != nullptr && analysis->kind == kCashFlowAnalysis && analysis->subtype == 0 ? 1 : 0;
}

}  // namespace analysis_kinds

int number_of_outvars(RSKCON* con, const RSKANALYSIS* analysis) {
    if (analysis == nullptr) return 0;
    int count = analysis->output_count;
    const RSKVARIABLE* cash = con != nullptr && con->system_variables != nullptr ? con->system_variables->cash : nullptr;
    if (cash != nullptr && cash->needed_spot) ++count;
    if (analysis_kinds::is_simulation(analysis))
        for (int further : analysis->simulation_output_counts) count += further;
    return count;
}

int is_exposure_type_variable(RSKCON*, RSKVARIABLE* variable) {
    if (variable == nullptr) return 0;
    if (variable->comptype == 3) return 1;
    // The name blank-padded to 32 characters, compared exactly (case included).
    char padded[32];
    std::memset(padded, ' ', sizeof padded);
    std::memcpy(padded, variable->name.name.text, variable->name.name.length > 32 ? 32 : variable->name.name.length);
    for (const char* name : {"Exposure", "MacaulayDur", "MacaulayCnvx", "ModifiedDur", "ModifiedCnvx"}) {
        char expected[32];
        std::memset(expected, ' ', sizeof expected);
        std::memcpy(expected, name, std::strlen(name));
        if (std::memcmp(padded, expected, sizeof padded) == 0) return 1;
    }
    return 0;
}
