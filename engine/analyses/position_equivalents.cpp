// Position equivalents: the build, the shifted states of the benchmark with its scale factor,
// the derivative sums per position, their roll-up, the equivalents and the output row.
#include "engine/analyses/position_equivalents.h"

#include <cmath>
#include <cstring>

#include "common/numeric/linalg.h"
#include "engine/analyses/sensitivity_shifts.h"
#include "engine/model/variables/variable_record.h"
#include "engine/output/result_datasets.h"
#include "engine/run/analysis_processing.h"
#include "engine/run/run_block.h"
#include "host/missing.h"
#include "host/print.h"

namespace {

constexpr int32_t kPositionEquivalentLabel = 5604;

bool missing(double x) { return qor::is_missing(x); }

RSKPEQWORK* allocate_work(RSKCON* con, int32_t n) {
    const size_t count = static_cast<size_t>(n);
    const size_t bytes = sizeof(RSKPEQWORK) + sizeof(RSKVARIABLE*) * count + 3 * sizeof(double) * count;
    auto* block = static_cast<unsigned char*>(rsa_run_alloc(con, bytes, "position equivalent scale factors"));
    if (block == nullptr) return nullptr;
    auto* work = reinterpret_cast<RSKPEQWORK*>(block);
    work->n = n;
    work->factors = reinterpret_cast<RSKVARIABLE**>(block + sizeof(RSKPEQWORK));
    auto* doubles = reinterpret_cast<double*>(work->factors + n);
    work->base_values = doubles;
    work->shifts = doubles + count;
    work->scales = doubles + 2 * count;
    for (size_t i = 0; i < 3 * count; ++i) doubles[i] = qor::missing();
    return work;
}

}  // namespace

int rsapeq0(RSKCON* con, RSKANLPROC* run, RSKANALYSIS* analysis) {
    if (con == nullptr || run == nullptr || analysis == nullptr || con->run_block == nullptr) return 1;
    run->label = kPositionEquivalentLabel;
    if (rsafacx(con, run, analysis->entries_head, analysis->entry_count) != 0 || run->failed) return 1;
    return rsapeq_prepare(con, run);
}

int rsapeq_prepare(RSKCON* con, RSKANLPROC* run) {
    if (con == nullptr || run == nullptr || con->run_block == nullptr) return 1;
    const int32_t n = run->run_factor_count;
    RSKPEQWORK* work = allocate_work(con, n > 0 ? n : 1);
    if (work == nullptr) {
        run->failed = 1;
        return 1;
    }
    work->n = n;
    int32_t k = 0;
    for (RSKRUNFACTOR* f = run->run_factors_head; f != nullptr && k < n; f = f->next) work->factors[k++] = f->variable;
    run->work = work;
    run->work_size = sizeof(RSKPEQWORK);
    run->cell_size = 16 * n;
    con->run_block->planned_states += 2 * n;
    return 0;
}

int rsapeq1(RSKCON* con, RSKANLPROC* run) {
    if (con == nullptr || run == nullptr || run->work == nullptr || run->analysis == nullptr) return 1;
    auto* w = static_cast<RSKPEQWORK*>(run->work);
    const RSKSHIFTOPTIONS options = rsa_shift_options(con);
    const double benchmark_time = run->analysis->bench_time;
    int rc = 0;
    for (int32_t i = 0; i < w->n && rc == 0; ++i) {
        RSKVARIABLE* v = w->factors[i];
        const double x = rsa_factor_value(v);
        w->base_values[i] = x;
        if (missing(x)) continue;
        int error = 0;
        const double scale = zpower(-1.0 / (x + 1.0), benchmark_time - 1.0, &error);
        if (error != 0 || missing(scale) || !std::isfinite(scale)) {
            const char* name = nullptr;
            const int length = rsa_analysis_name(run, &name);
            xpmlog(598, 1123, length, name);
            return 1;
        }
        w->scales[i] = scale;
        const double h = rsa_shift(&options, x);
        w->shifts[i] = h;
        rsa_set_factor(v, x + h);
        rc = rsa_append_state(con, v, nullptr, i, 0);
        rsa_set_factor(v, x - h);
        if (rc == 0) rc = rsa_append_state(con, v, nullptr, i, 1);
        rsa_set_factor(v, x);
    }
    return rc;
}

int rsapeq2(RSKCON* con, RSKANLPROC* run, void* area, int64_t, int64_t) {
    if (con == nullptr || run == nullptr || run->work == nullptr || area == nullptr) return 1;
    const auto* w = static_cast<const RSKPEQWORK*>(run->work);
    int64_t state = run->first_state;
    for (int32_t i = 0; i < w->n; ++i) {
        if (missing(w->base_values[i])) continue;
        const int64_t slot = 2 * static_cast<int64_t>(i);
        if (missing(rsa_cell_get(area, slot))) {
            state += 2;
            continue;
        }
        const double up = rsa_state_value(con, state), down = rsa_state_value(con, state + 1);
        state += 2;
        rsa_cell_add(area, slot, missing(up) || missing(down) ? qor::missing() : (up - down) / (2 * w->shifts[i]));
    }
    return 0;
}

int rsapeq3(RSKCON*, RSKANLPROC* run, void* parent, void* child, int mode, int) {
    if (mode != 0 || run == nullptr || run->work == nullptr || parent == nullptr || child == nullptr) return 0;
    const auto* w = static_cast<const RSKPEQWORK*>(run->work);
    for (int32_t i = 0; i < w->n; ++i) rsa_cell_add(parent, 2 * static_cast<int64_t>(i), rsa_cell_get(child, 2 * static_cast<int64_t>(i)));
    return 0;
}

int rsapeq4(RSKCON*, RSKANLPROC* run, void* area) {
    if (run == nullptr || run->work == nullptr || area == nullptr) return 1;
    const auto* w = static_cast<const RSKPEQWORK*>(run->work);
    for (int32_t i = 0; i < w->n; ++i) {
        const double sum = rsa_cell_get(area, 2 * static_cast<int64_t>(i));
        const double scale = w->scales[i];
        const bool defined = !missing(sum) && !missing(scale) && scale != 0;
        rsa_cell_put(area, 2 * static_cast<int64_t>(i) + 1, defined ? sum / scale : qor::missing());
    }
    return 0;
}

int rsapeq5(RSKCON* con, RSKANLPROC* run, void* area, RSKROWWRITER writer, RSKRESDS* resds) {
    RSKRUNRESULTS* r = rskres_run(con);
    if (r == nullptr || run == nullptr || run->work == nullptr || area == nullptr) return 1;
    const auto* w = static_cast<const RSKPEQWORK*>(run->work);
    ++r->context.row_counter;
    r->row.position_equivalent = w->n > 0 ? rsa_cell_get(area, 1) : qor::missing();
    return writer != nullptr ? writer(con, resds) : 0;
}
