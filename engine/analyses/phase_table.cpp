// The phase table: the routines of every analysis kind that the run engine's dispatchers call,
// one row per kind code. Kinds whose routines are not part of this build have empty rows, which
// the dispatchers report as unknown types.
#include "engine/analyses/analysis_phases.h"
#include "engine/analyses/shifted_states.h"
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

const RSKPHASES* const kPhases[kKindCodes] = {
    &kNotBuilt,          // 0: no kind
    &kMarkToMarket,      // 1
    &kNotBuilt,          // 2 sensitivity
    &kPlCurve,           // 3 P/L curve
    &kPlSurface,         // 4 P/L surface
    &kScenario,          // 5 scenario
    &kNotBuilt,          // 6 covariance simulation
    &kNotBuilt,          // 7 model Monte Carlo simulation
    &kNotBuilt,          // 8 historical simulation
    &kNotBuilt,          // 9 series simulation
    &kNotBuilt,          // 10 delta-normal
    &kNotBuilt,          // 11: no analysis
    &kNotBuilt,          // 12 position equivalents
    &kNotBuilt,          // 13 cash flow
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
