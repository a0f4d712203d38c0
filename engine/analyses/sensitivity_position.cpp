// Sensitivity analysis per position: the position's value in the analysis' states turned into
// deltas, gammas, theta and cross gammas by central differences and added to the cell.
#include <cmath>

#include "engine/analyses/sensitivity.h"
#include "engine/analyses/sensitivity_shifts.h"
#include "engine/model/variables/variable_record.h"
#include "engine/run/analysis_processing.h"
#include "host/missing.h"

namespace {

constexpr double kFlatTheta = 1.110223024625157e-13;   // V(+1) - V(-1) this small: use +-3 days
constexpr double kRelativeFloor = 1e-15;               // a relative second difference below: 0
constexpr double kLargeRatio = 1.3407807929943e154;

bool missing(double x) { return qor::is_missing(x); }

// |s| relative to |V0| (plain |s| where the quotient would overflow); below 1e-15 the second
// difference is taken as 0.
bool negligible(double s, double v0) {
    const double as = std::fabs(s), av = std::fabs(v0);
    const double r = (av >= 1 || as < kLargeRatio * av) && av > 0 ? as / av : as;
    return r < kRelativeFloor;
}

// The method-supplied derivative when there is one and finite differences are not forced.
double supplied(const double* slot, bool numeric) {
    if (numeric || slot == nullptr || missing(*slot)) return qor::missing();
    return *slot;
}

// Reads the analysis' states in order.
struct StateCursor {
    RSKCON* con;
    int64_t next;
    double take() { return rsa_state_value(con, next++); }
    void pass(int64_t count) { next += count; }
};

}  // namespace

int rsadel2(RSKCON* con, RSKANLPROC* run, void* area) {
    if (con == nullptr || run == nullptr || run->work == nullptr || area == nullptr) return 1;
    auto* w = static_cast<RSKSENSWORK*>(run->work);
    const int32_t n = w->n;
    StateCursor states{con, run->first_state};
    const double v0 = states.take();
    rsa_cell_add(area, 0, v0);

    for (int32_t i = 0; i < n; ++i) {
        w->deltas[i] = w->gammas[i] = qor::missing();
        const int64_t delta_slot = 1 + 2 * static_cast<int64_t>(i), gamma_slot = delta_slot + 1;
        const bool time = w->theta && i == n - 1;
        const int64_t own_states = time ? 4 : 2;
        if (missing(w->base_values[i])) {
            rsa_cell_put(area, delta_slot, qor::missing());
            rsa_cell_put(area, gamma_slot, qor::missing());
            continue;
        }
        if (missing(rsa_cell_get(area, delta_slot)) || missing(rsa_cell_get(area, gamma_slot))) {
            states.pass(own_states);
            rsa_cell_put(area, delta_slot, qor::missing());
            rsa_cell_put(area, gamma_slot, qor::missing());
            continue;
        }
        double up = states.take(), down = states.take();
        double h = w->shifts[i];
        if (time) {
            const double up3 = states.take(), down3 = states.take();
            const double step = up - down;
            if (!missing(up) && !missing(down) && step >= -kFlatTheta && step <= kFlatTheta) {
                up = up3;
                down = down3;
                h = 3;
            }
        }
        if (missing(up) || missing(down) || missing(v0)) {
            rsa_cell_put(area, delta_slot, qor::missing());
            rsa_cell_put(area, gamma_slot, qor::missing());
            continue;
        }
        RSKVARIABLE* v = w->factors[i];
        double delta = supplied(v != nullptr ? v->method_delta : nullptr, w->numeric);
        if (missing(delta)) delta = (up - down) / (2 * h);
        double gamma = supplied(v != nullptr ? v->method_gamma : nullptr, w->numeric);
        if (missing(gamma)) {
            const double s = (up - v0) + (down - v0);
            gamma = negligible(s, v0) ? 0.0 : s / (h * h);
        }
        w->deltas[i] = delta;
        w->gammas[i] = gamma;
        rsa_cell_add(area, delta_slot, delta);
        rsa_cell_add(area, gamma_slot, gamma);
    }

    if (!w->cross_gamma) return 0;
    const int64_t pairs = 1 + 2 * static_cast<int64_t>(n);
    for (int32_t j = 1; j < n; ++j) {
        if (missing(w->base_values[j])) continue;
        const double hj = w->theta && j == n - 1 ? 1.0 : w->shifts[j];
        for (int32_t i = 0; i < j; ++i) {
            const int64_t slot = pairs + rsadel_pair_slot(i, j);
            if (missing(w->base_values[i])) {
                const RSKVARIABLE* vi = w->factors[i];
                const RSKVARIABLE* vj = w->factors[j];
                if (vi != nullptr && vj != nullptr && vi->run_used && vj->run_used)
                    rsa_cell_put(area, slot, qor::missing());
                continue;
            }
            if (missing(rsa_cell_get(area, slot))) {
                states.pass(2);
                continue;
            }
            const double both_up = states.take(), both_down = states.take();
            const double gi = w->gammas[i], gj = w->gammas[j];
            if (missing(both_up) || missing(both_down) || missing(gi) || missing(gj) || missing(v0)) {
                rsa_cell_put(area, slot, qor::missing());
                continue;
            }
            const double hi = w->shifts[i];
            const double s = (both_up - v0) + (both_down - v0) - gj * hj * hj - gi * hi * hi;
            rsa_cell_add(area, slot, negligible(s, v0) ? 0.0 : s / (2 * hj * hi));
        }
    }
    return 0;
}

int rsadel2_range(RSKCON* con, RSKANLPROC* run, void* area, int64_t, int64_t) { return rsadel2(con, run, area); }

int rsadel3(RSKCON* con, RSKANLPROC* run, void* parent, void* child, int mode, int) {
    if (mode != 0) return 0;
    return rsasum(con, run, run != nullptr ? run->analysis : nullptr, parent, child);
}
