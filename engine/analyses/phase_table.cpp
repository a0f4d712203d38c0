// The phase table: the routines of every analysis kind that the run engine's dispatchers call,
// one row per kind code. Kinds whose routines are not part of this build have empty rows, which
// the dispatchers report as unknown types.
#include "engine/analyses/analysis_phases.h"
#include "engine/analyses/cashflow_analysis.h"
#include "engine/analyses/shifted_states.h"
#include "engine/analyses/delta_normal.h"
#include "engine/analyses/position_equivalents.h"
#include "engine/analyses/sensitivity.h"
#include "engine/analyses/simulation_generators.h"
#include "host/print.h"

namespace {

constexpr int kKindCodes = 18;   // codes 0 to 17

// Mark-to-market runs no phase: its result is the base-case values every run writes. Like current
// exposure it makes no market state, and the run must not fail it for that.
constexpr RSKPHASES kMarkToMarket{1, 0, 0, 1, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr};
// Current exposure builds (label, cell size, the run's exposure flag) and does nothing else.
constexpr RSKPHASES kCurrentExposure{1, 0, 0, 1, &rsacex0, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr};
constexpr RSKPHASES kNotBuilt{};
// P/L curve and surface: grid states, per-position sums over a state range, the additive roll-up.
constexpr RSKPHASES kPlCurve{1, 1, 1, 0, &rsaplc0, &rsaplc1, &rsaplc2, nullptr, &plgrid_rollup, nullptr, &rsaplc5, &rsaplc5};
constexpr RSKPHASES kPlSurface{1, 1, 1, 0, &rsapls0, &rsapls1, &rsapls2, nullptr, &plgrid_rollup, nullptr, &rsapls5, &rsapls5};
// Scenario: one state; its roll-up takes every mode; the finish runs the post-valuation step.
constexpr RSKPHASES kScenario{1, 0, 0, 0, &rsascn0, &rsascn1, &rsascn2, &rsascn_step, &rsascn3, &rsascn4, &rsascn5, &rsascn5};
// Sensitivity, delta-normal and position equivalents: finite differences over shifted states,
// added up in the cells (additive roll-up only); the last two finish every cell.
constexpr RSKPHASES kSensitivity{1, 0, 1, 0, &rsadel0, &rsadel1, &rsadel2_range, nullptr, &rsadel3, nullptr, &rsadel_output, &rsadel9};
constexpr RSKPHASES kDeltaNormal{1, 1, 1, 0, &rsadvr0, &rsadvr1, &rsadvr2, nullptr, &rsadvr3, &rsadvr4, &rsadvr5, &rsadvr5};
constexpr RSKPHASES kPositionEquivalents{1, 1, 1, 0, &rsapeq0, &rsapeq1, &rsapeq2, nullptr, &rsapeq3, &rsapeq4, &rsapeq5, nullptr};
// Covariance, historical and series simulation: their own build and state generation, then the
// simulation core.
constexpr RSKPHASES kCovarianceSimulation = rsasim_phases(&rsacsm0, &rsacsm1);
constexpr RSKPHASES kHistoricalSimulation = rsasim_phases(&rsahsm0, &rsahsm1);
constexpr RSKPHASES kSeriesSimulation = rsasim_phases(&rsassm0, &rsassm1);
// Cash flow: partial durations of its own, or the phases of the scenario or simulation it borrows;
// its roll-up takes every mode.
constexpr RSKPHASES kCashFlow{1, 1, 0, 0, &rsacfl0, &rsacfl1, &rsacfl2, &rsacfl_step, &rsacfl3, &rsacfl4, &rsacfl5, &rsacfll};

const RSKPHASES* const kPhases[kKindCodes] = {
    &kNotBuilt,          // 0: no kind
    &kMarkToMarket,      // 1
    &kSensitivity,       // 2 sensitivity
    &kPlCurve,           // 3 P/L curve
    &kPlSurface,         // 4 P/L surface
    &kScenario,          // 5 scenario
    &kCovarianceSimulation,   // 6 covariance simulation
    &kNotBuilt,          // 7 model Monte Carlo simulation
    &kHistoricalSimulation,   // 8 historical simulation
    &kSeriesSimulation,       // 9 series simulation
    &kDeltaNormal,       // 10 delta-normal
    &kNotBuilt,          // 11: no analysis
    &kPositionEquivalents,  // 12 position equivalents
    &kCashFlow,          // 13 cash flow
    &kCurrentExposure,   // 14
    &kNotBuilt,          // 15 potential exposure
    &kNotBuilt,          // 16: no analysis
    &kNotBuilt,          // 17 optimisation
};

const char* const kDispatcherLines[] = {
    "rskrun0: build_result: unknown type %i.",      "rskrun1: generate_states: unknown type %i.",
    "rskrun2: perform_analysis: unknown type %i.",  "rskrun3: process_vw: unknown type %i.",
    "rskrun3: roll_up_analysis: unknown type %i.",  "rskrun4: perform_analysis: unknown type %i.",
    "rskrun5: output_analysis: unknown type %i.",   "rskputd: process_analysis: unknown type %i",
};

}  // namespace

const RSKPHASES* rsa_phases(int kind, RskDispatcher dispatcher) {
    const RSKPHASES* phases = kind >= 0 && kind < kKindCodes ? kPhases[kind] : nullptr;
    if (phases != nullptr && phases->built) return phases;
    const int line = dispatcher >= RSKDISP_BUILD && dispatcher <= RSKDISP_LEVELS ? dispatcher : RSKDISP_BUILD;
    xebug(kDispatcherLines[line], kind);
    return nullptr;
}
