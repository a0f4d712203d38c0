// Partial durations of a cash-flow analysis: the shifted states of the listed rate factors, the
// per-position duration and convexity sums, their division by the cell's base value and the
// roll-up of the sums over the cross-classification.
#include <cmath>
#include <cstdint>

#include "engine/analyses/cashflow_analysis.h"
#include "engine/analyses/sensitivity_shifts.h"
#include "engine/run/analysis_processing.h"
#include "engine/run/run_block.h"
#include "host/missing.h"
#include "host/print.h"

namespace {

constexpr double kRelativeFloor = 1e-15;               // a relative second difference below: 0
constexpr double kLargeRatio = 1.3407807929943e154;    // |s| / |V0| would overflow past this

bool missing(double x) { return qor::is_missing(x); }

// |s| relative to |V0| (plain |s| where the quotient would overflow or V0 is 0); below 1e-15
// the second difference is taken as 0.
bool negligible(double s, double v0) {
    const double as = std::fabs(s), av = std::fabs(v0);
    const double r = av > 0 && (av >= 1 || as < kLargeRatio * av) ? as / av : as;
    return r < kRelativeFloor;
}

RSKCFLWORK* allocate_work(RSKCON* con, int32_t n) {
    const size_t bytes = sizeof(RSKCFLWORK) + sizeof(RSKVARIABLE*) * static_cast<size_t>(n) +
                         4 * sizeof(double) * static_cast<size_t>(n);
    auto* block = static_cast<unsigned char*>(rsa_run_alloc(con, bytes, "partial duration work vector"));
    if (block == nullptr) return nullptr;
    auto* work = reinterpret_cast<RSKCFLWORK*>(block);
    work->factors = reinterpret_cast<RSKVARIABLE**>(block + sizeof(RSKCFLWORK));
    auto* doubles = reinterpret_cast<double*>(block + sizeof(RSKCFLWORK) + sizeof(RSKVARIABLE*) * static_cast<size_t>(n));
    work->base_values = doubles;
    work->shifts = doubles + n;
    work->durations = doubles + 2 * static_cast<size_t>(n);
    work->convexities = doubles + 3 * static_cast<size_t>(n);
    for (int32_t i = 0; i < 4 * n; ++i) doubles[i] = qor::missing();
    return work;
}

void both_missing(void* area, int32_t i) {
    rsa_cell_put(area, rsacfl_duration_slot(i), qor::missing());
    rsa_cell_put(area, rsacfl_convexity_slot(i), qor::missing());
}

// x / |base|, missing when the base is missing or too close to 0.
double per_base(double x, double base) {
    if (missing(x) || missing(base) || std::fabs(base) <= kRskCflSmallBase) return qor::missing();
    return x / std::fabs(base);
}

}  // namespace

int rsacfl_prepare(RSKCON* con, RSKANLPROC* run) {
    if (con == nullptr || run == nullptr || con->run_block == nullptr) return 1;
    const int32_t n = run->run_factor_count;
    if (n < 1) return 1;
    int32_t part = 1, parts = 1, first = 0, end = 0;
    rsa_analysis_part(con, &part, &parts);
    rsa_part_factors(n, part, parts, &first, &end);
    // The base state is priced in every part (each part's convexities need V0); only the first
    // part adds it to the cells.
    const int64_t states = 1 + 2 * static_cast<int64_t>(end - first);
    const int64_t cell_bytes = 8 * rsacfl_cell_doubles(n);
    if (cell_bytes > INT32_MAX / 2 || states + con->run_block->planned_states > INT32_MAX) {
        xpmlog(598, 2797, static_cast<long>(cell_bytes > INT32_MAX / 2 ? cell_bytes : states * 8),
               "partial duration cell area");
        run->failed = 1;
        return 1;
    }
    RSKCFLWORK* work = allocate_work(con, n);
    if (work == nullptr) {
        run->failed = 1;
        return 1;
    }
    work->n = n;
    work->range_first = first;
    work->range_end = end;
    work->first_part = static_cast<uint8_t>(part == 1);
    int32_t k = 0;
    for (RSKRUNFACTOR* f = run->run_factors_head; f != nullptr && k < n; f = f->next) work->factors[k++] = f->variable;
    run->work = work;
    run->work_size = sizeof(RSKCFLWORK);
    run->cell_size = static_cast<int32_t>(cell_bytes);
    con->run_block->planned_states += static_cast<int32_t>(states);
    return 0;
}

int partdur1(RSKCON* con, RSKANLPROC* run) {
    if (con == nullptr || run == nullptr || run->work == nullptr) return 1;
    auto* w = static_cast<RSKCFLWORK*>(run->work);
    const RSKSHIFTOPTIONS options = rsa_shift_options(con);
    int rc = rsa_append_state(con, nullptr, nullptr, -1, 0);

    int64_t before = 0, after = 0;
    for (int32_t i = 0; i < w->n; ++i) {
        const double x = rsa_factor_value(w->factors[i]);
        w->base_values[i] = x;
        w->shifts[i] = rsa_shift(&options, x);
        if (missing(x)) continue;
        if (i < w->range_first) before += 2;
        else if (i >= w->range_end) after += 2;
    }
    rsa_skip_states(con, before);
    for (int32_t i = w->range_first; i < w->range_end && rc == 0; ++i) {
        RSKVARIABLE* v = w->factors[i];
        const double x = w->base_values[i];
        if (missing(x)) continue;
        rsa_set_factor(v, x + w->shifts[i]);
        rc = rsa_append_state(con, v, nullptr, i, 0);
        rsa_set_factor(v, x - w->shifts[i]);
        if (rc == 0) rc = rsa_append_state(con, v, nullptr, i, 1);
        rsa_set_factor(v, x);
    }
    rsa_skip_states(con, after);
    return rc;
}

int partdur2(RSKCON* con, RSKANLPROC* run, void* area) {
    if (con == nullptr || run == nullptr || run->work == nullptr || area == nullptr) return 1;
    auto* w = static_cast<RSKCFLWORK*>(run->work);
    int64_t state = run->first_state;
    const double v0 = rsa_state_value(con, state++);
    if (w->first_part) rsa_cell_add(area, 0, v0);

    for (int32_t i = 0; i < w->n; ++i) {
        w->durations[i] = w->convexities[i] = qor::missing();
        if (missing(w->base_values[i])) {
            both_missing(area, i);
            continue;
        }
        // Another part makes and sums this factor's states.
        if (i < w->range_first || i >= w->range_end) {
            state += 2;
            continue;
        }
        const int64_t duration_slot = rsacfl_duration_slot(i), convexity_slot = rsacfl_convexity_slot(i);
        if (missing(rsa_cell_get(area, duration_slot)) || missing(rsa_cell_get(area, convexity_slot))) {
            state += 2;
            both_missing(area, i);
            continue;
        }
        const double up = rsa_state_value(con, state++);
        const double down = rsa_state_value(con, state++);
        if (missing(up) || missing(down) || missing(v0)) {
            both_missing(area, i);
            continue;
        }
        const double h = w->shifts[i];
        const double duration = (down - up) / (2 * h);
        const double s = (up - v0) + (down - v0);
        const double convexity = negligible(s, v0) ? 0.0 : s / (h * h);
        w->durations[i] = duration;
        w->convexities[i] = convexity;
        rsa_cell_add(area, duration_slot, duration);
        rsa_cell_add(area, convexity_slot, convexity);
    }
    return 0;
}

int process_dur(RSKCON*, RSKANLPROC* run, void* area) {
    if (run == nullptr || run->work == nullptr || area == nullptr) return 1;
    const auto* w = static_cast<const RSKCFLWORK*>(run->work);
    const double base = rsa_cell_get(area, 0);
    for (int64_t k = 1; k < rsacfl_cell_doubles(w->n); ++k) {
        const double x = rsa_cell_get(area, k);
        if (!missing(x)) rsa_cell_put(area, k, per_base(x, base));
    }
    return 0;
}

int roll_up_duration(RSKCON* con, RSKANLPROC* run, void* parent, void* child, int mode, int count) {
    if (con == nullptr || con->run_block == nullptr || run == nullptr || run->work == nullptr || parent == nullptr ||
        child == nullptr)
        return 1;
    const auto* w = static_cast<const RSKCFLWORK*>(run->work);
    const bool al_roll_up = mode == 1;
    if (!al_roll_up) rsa_cell_add(parent, 0, rsa_cell_get(child, 0));
    const bool per_position = con->run_block->aggregation.value_processing != 0;
    const double child_base = rsa_cell_get(child, 0);
    for (int64_t k = 1; k < rsacfl_cell_doubles(w->n); ++k) {
        if (al_roll_up && count == 0) rsa_cell_put(parent, k, 0.0);
        if (missing(rsa_cell_get(parent, k))) continue;
        const double c = rsa_cell_get(child, k);
        if (missing(c)) {
            rsa_cell_put(parent, k, qor::missing());
            continue;
        }
        rsa_cell_add(parent, k, !per_position && !al_roll_up ? c : per_base(c, child_base));
    }
    return 0;
}
