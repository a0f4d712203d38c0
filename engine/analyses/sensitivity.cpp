// Sensitivity analysis: the build (run factors, time factor, cell size, planned states, work
// area) and the generation of the base state, the shifted states and the pair states.
#include "engine/analyses/sensitivity.h"

#include <cstring>

#include "engine/analyses/sensitivity_shifts.h"
#include "engine/model/variables/variable_record.h"
#include "engine/model/variables/variables.h"
#include "engine/run/analysis_processing.h"
#include "engine/run/run_block.h"
#include "host/missing.h"
#include "host/print.h"

namespace {

constexpr int32_t kSensitivityLabel = 5602;

RSKVARIABLE* time_variable(RSKCON* con) {
    return con->system_variables != nullptr ? con->system_variables->date : nullptr;
}

// Moves the time variable's entry, when listed, to the end of the run factor list. 1 when found.
int move_time_last(RSKANLPROC* run, const RSKVARIABLE* time) {
    RSKRUNFACTOR* previous = nullptr;
    for (RSKRUNFACTOR* f = run->run_factors_head; f != nullptr; previous = f, f = f->next) {
        if (f->variable != time) continue;
        if (f == run->run_factors_tail) return 1;
        if (previous == nullptr) run->run_factors_head = f->next;
        else previous->next = f->next;
        f->next = nullptr;
        run->run_factors_tail->next = f;
        run->run_factors_tail = f;
        return 1;
    }
    return 0;
}

int select_factors(RSKCON* con, RSKANLPROC* run, RSKANALYSIS* analysis) {
    const char* name = nullptr;
    const int name_length = rsa_analysis_name(run, &name);
    if (analysis->entry_count == 0) {
        if (rsafacb(con, run, 0) != 0) {
            const char* project = nullptr;
            const int project_length = rsa_project_name(run, &project);
            xpmlog(598, 2614, name_length, name, project_length, project);
            return 1;
        }
        return run->failed ? 1 : 0;
    }
    if (rsafacx(con, run, analysis->entries_head, analysis->entry_count) != 0 || run->failed) return 1;
    if (!analysis->sensitivity.theta) return 0;
    RSKVARIABLE* time = time_variable(con);
    if (time == nullptr) {
        xpmlog(598, 1180, name_length, name);
        return 0;
    }
    for (const RSKRUNFACTOR* f = run->run_factors_head; f != nullptr; f = f->next)
        if (f->variable == time) return 0;
    return rsa_append_run_factor(con, run, time, -1);
}

// The work area: the record, then the factor pointers, then four blocks of n doubles.
RSKSENSWORK* allocate_work(RSKCON* con, int32_t n) {
    const size_t bytes = sizeof(RSKSENSWORK) + sizeof(RSKVARIABLE*) * static_cast<size_t>(n) +
                         4 * sizeof(double) * static_cast<size_t>(n);
    auto* block = static_cast<unsigned char*>(rsa_run_alloc(con, bytes, "sensitivity work vector"));
    if (block == nullptr) return nullptr;
    auto* work = reinterpret_cast<RSKSENSWORK*>(block);
    work->factors = reinterpret_cast<RSKVARIABLE**>(block + sizeof(RSKSENSWORK));
    auto* doubles = reinterpret_cast<double*>(block + sizeof(RSKSENSWORK) + sizeof(RSKVARIABLE*) * static_cast<size_t>(n));
    work->base_values = doubles;
    work->shifts = doubles + n;
    work->deltas = doubles + 2 * static_cast<size_t>(n);
    work->gammas = doubles + 3 * static_cast<size_t>(n);
    for (int32_t i = 0; i < 4 * n; ++i) doubles[i] = qor::missing();
    return work;
}

// States this part of the run makes (the build's plan).
int64_t planned_states(const RSKSENSWORK* w, int32_t part, int32_t parts) {
    const int64_t n = w->n, m = w->m;
    if (parts <= 1) {
        int64_t count = 2 * n + 1 + (w->theta ? 2 : 0);
        if (w->cross_gamma) count += n * (n - 1);
        return count;
    }
    int32_t f = 0, l = 0;
    rsa_part_factors(w->m, part, parts, &f, &l);
    int64_t count = 1 + 2 * static_cast<int64_t>(l - f);
    if (w->cross_gamma) count += static_cast<int64_t>(l) * (l - 1) - static_cast<int64_t>(f) * (f - 1);
    if (part == 1 && w->theta) count += 4 + (w->cross_gamma ? 2 * m : 0);
    return count;
}

}  // namespace

int64_t rsadel_cell_doubles(int64_t n, int cross_gamma) {
    return 1 + 2 * n + (cross_gamma ? n * (n - 1) / 2 : 0);
}

int64_t rsadel_pair_slot(int64_t i, int64_t j) { return j * (j - 1) / 2 + i; }

int rsadel0(RSKCON* con, RSKANLPROC* run, RSKANALYSIS* analysis) {
    if (con == nullptr || run == nullptr || analysis == nullptr || con->run_block == nullptr) return 1;
    run->label = kSensitivityLabel;
    if (select_factors(con, run, analysis) != 0) return 1;
    return rsadel_prepare(con, run, analysis);
}

int rsadel_prepare(RSKCON* con, RSKANLPROC* run, RSKANALYSIS* analysis) {
    if (con == nullptr || run == nullptr || analysis == nullptr || con->run_block == nullptr) return 1;
    const char* name = nullptr;
    const int name_length = rsa_analysis_name(run, &name);
    const int32_t n = run->run_factor_count;
    if (n < 1) {
        xpmlog(598, 2665, name_length, name);
        return 1;
    }
    RSKVARIABLE* time = time_variable(con);
    const int theta = time != nullptr && move_time_last(run, time);

    // The cell area and the pair states grow with n^2: both are computed in 64 bits and refused
    // when they pass what a cell offset or the state counter can hold.
    const int cross = analysis->sensitivity.cross_gamma && n >= 2;
    const int64_t cell_bytes = 8 * rsadel_cell_doubles(n, cross);
    RSKSENSWORK probe{};
    probe.n = n;
    probe.m = theta ? n - 1 : n;
    probe.theta = static_cast<uint8_t>(theta);
    probe.cross_gamma = static_cast<uint8_t>(cross);
    int32_t part = 1, parts = 1;
    rsa_analysis_part(con, &part, &parts);
    const int64_t states = planned_states(&probe, part, parts);
    if (cell_bytes > INT32_MAX / 2 || states + con->run_block->planned_states > INT32_MAX) {
        xpmlog(598, 2797, static_cast<long>(cell_bytes > INT32_MAX / 2 ? cell_bytes : states * 8),
               "sensitivity cell area");
        run->failed = 1;
        return 1;
    }
    // A work vector that cannot be had fails this analysis only (598/2797); the others go on.
    RSKSENSWORK* work = allocate_work(con, n);
    if (work == nullptr) {
        run->failed = 1;
        return 1;
    }
    work->n = probe.n;
    work->m = probe.m;
    work->theta = probe.theta;
    work->cross_gamma = probe.cross_gamma;
    work->numeric = static_cast<uint8_t>(analysis->sensitivity.numeric_derivatives != 0);
    work->analysis_date = qor::missing();
    int32_t k = 0;
    for (RSKRUNFACTOR* f = run->run_factors_head; f != nullptr && k < n; f = f->next) work->factors[k++] = f->variable;
    rsa_part_factors(work->m, part, parts, &work->range_first, &work->range_end);
    run->work = work;
    run->work_size = sizeof(RSKSENSWORK);
    run->cell_size = static_cast<int32_t>(cell_bytes);
    con->run_block->planned_states += static_cast<int32_t>(states);
    return 0;
}

int rsadel1(RSKCON* con, RSKANLPROC* run) {
    if (con == nullptr || run == nullptr || run->work == nullptr) return 1;
    auto* w = static_cast<RSKSENSWORK*>(run->work);
    if (w->n < 1) return 0;
    const RSKSHIFTOPTIONS options = rsa_shift_options(con);
    int32_t part = 1, parts = 1;
    rsa_analysis_part(con, &part, &parts);
    rsa_part_factors(w->m, part, parts, &w->range_first, &w->range_end);
    const bool first_part = part == 1;
    RSKVARIABLE* time = w->theta ? w->factors[w->n - 1] : nullptr;

    // The base state, at the analysis date.
    w->analysis_date = run->valuation_date;
    if (time != nullptr) {
        if (qor::is_missing(w->analysis_date)) w->analysis_date = rsa_factor_value(time);
        rsa_set_factor(time, w->analysis_date);
        w->base_values[w->n - 1] = w->analysis_date;
        w->shifts[w->n - 1] = 1;
    }
    int rc = rsa_append_state(con, nullptr, nullptr, -1, 0);

    // Shifts of every factor; states of the factors in this part's range.
    int64_t before = 0, after = 0;
    for (int32_t i = 0; i < w->m; ++i) {
        RSKVARIABLE* v = w->factors[i];
        const double x = rsa_factor_value(v);
        w->base_values[i] = x;
        w->shifts[i] = rsa_shift(&options, x);
        if (qor::is_missing(x)) continue;
        if (i < w->range_first) before += 2;
        else if (i >= w->range_end) after += 2;
    }
    rsa_skip_states(con, before);
    for (int32_t i = w->range_first; i < w->range_end && rc == 0; ++i) {
        RSKVARIABLE* v = w->factors[i];
        const double x = w->base_values[i];
        if (qor::is_missing(x)) continue;
        rsa_set_factor(v, x + w->shifts[i]);
        rc = rsa_append_state(con, v, nullptr, i, 0);
        rsa_set_factor(v, x - w->shifts[i]);
        if (rc == 0) rc = rsa_append_state(con, v, nullptr, i, 1);
        rsa_set_factor(v, x);
    }
    rsa_skip_states(con, after);

    // Theta: one and three days either side of the analysis date.
    const bool dated = time != nullptr && !qor::is_missing(w->analysis_date);
    if (dated && first_part) {
        const double d = w->analysis_date;
        const double days[] = {d + 1, d - 1, d + 3, d - 3};
        for (int k = 0; k < 4 && rc == 0; ++k) {
            rsa_set_factor(time, days[k]);
            rc = rsa_append_state(con, time, nullptr, w->n - 1, k == 0 ? 0 : 1);
        }
        rsa_set_factor(time, d);
    } else if (dated) {
        rsa_skip_states(con, 4);
    }

    // Pairs (i, j), i < j, both shifted the same way.
    if (w->cross_gamma) {
        for (int32_t j = 1; j < w->m && rc == 0; ++j) {
            if (qor::is_missing(w->base_values[j])) continue;
            const bool in_range = j >= w->range_first && j < w->range_end;
            for (int32_t i = 0; i < j && rc == 0; ++i) {
                if (qor::is_missing(w->base_values[i])) continue;
                if (!in_range) {
                    rsa_skip_states(con, 2);
                    continue;
                }
                RSKVARIABLE* vi = w->factors[i];
                RSKVARIABLE* vj = w->factors[j];
                const double xi = w->base_values[i], xj = w->base_values[j];
                rsa_set_factor(vi, xi + w->shifts[i]);
                rsa_set_factor(vj, xj + w->shifts[j]);
                rc = rsa_append_state(con, vi, vj, j, 0);
                rsa_set_factor(vi, xi - w->shifts[i]);
                rsa_set_factor(vj, xj - w->shifts[j]);
                if (rc == 0) rc = rsa_append_state(con, vi, vj, j, 1);
                rsa_set_factor(vi, xi);
                rsa_set_factor(vj, xj);
            }
        }
        if (dated) {
            const double d = w->analysis_date;
            for (int32_t i = 0; i < w->m && rc == 0; ++i) {
                const double xi = w->base_values[i];
                if (qor::is_missing(xi)) continue;
                if (!first_part) {
                    rsa_skip_states(con, 2);
                    continue;
                }
                RSKVARIABLE* vi = w->factors[i];
                rsa_set_factor(time, d + 1);
                rsa_set_factor(vi, xi + w->shifts[i]);
                rc = rsa_append_state(con, vi, time, w->n - 1, 0);
                rsa_set_factor(time, d - 1);
                rsa_set_factor(vi, xi - w->shifts[i]);
                if (rc == 0) rc = rsa_append_state(con, vi, time, w->n - 1, 1);
                rsa_set_factor(vi, xi);
            }
            rsa_set_factor(time, d);
        }
    }
    return rc;
}
