// Covariance simulation: the build phase reads the covariance or correlation matrix and factorises
// it, phase 1 divides the replications among parts, and the generator applies correlated shocks.
#include <cmath>
#include <cstring>

#include "common/numeric/linalg.h"
#include "common/random/low_discrepancy.h"
#include "engine/analyses/analysis_phases.h"
#include "engine/analyses/random_streams.h"
#include "engine/analyses/simulation_generators.h"
#include "engine/model/lags/lags.h"
#include "engine/model/names/name_records.h"
#include "engine/model/options/engine_options.h"
#include "engine/model/variables/variable_record.h"
#include "engine/run/run_block.h"
#include "host/missing.h"
#include "host/print.h"

namespace {

constexpr int32_t kCovarianceLabel = 5608;
// The Wishart factors draw from a Twister of their own, seeded apart from the shocks' streams.
constexpr uint32_t kWishartSeedOffset = 211;

size_t triangle(int32_t n) { return static_cast<size_t>(n) * static_cast<size_t>(n + 1) / 2; }

RSKCOVSIM* context(RSKANLPROC* run) {
    RSKSIMWORK* work = rsasim_work(run);
    return work != nullptr ? static_cast<RSKCOVSIM*>(work->generator) : nullptr;
}

int32_t psd_method(RSKCON* con) {
    const RSKOPTREC* options = con->run_block != nullptr && con->run_block->run_options != nullptr
                                   ? con->run_block->run_options
                                   : con->current_options;
    return options != nullptr ? options->psdmethod : 0;
}

// Opens the matrix: covariance first, then correlation when no covariance data set is found (and
// the other way round). 0, or 1 after 598/2641 or 2642.
int open_matrix(RSKCON* con, RSKCOVSIM* cov, RSKANALYSIS* analysis, RSKNAMECELL* names) {
    mds& md = cov->gen.reader;
    int rc = rskmdso(con, &md, RSKMDS_COVARIANCE, analysis, names, nullptr, nullptr);
    cov->gen.open_type = RSKMDS_COVARIANCE;
    if (rc == 2 || (rc == 0 && md.data == nullptr)) {
        rskmdsc(con, &md);
        rc = rskmdso(con, &md, RSKMDS_CORRELATION, analysis, names, nullptr, nullptr);
        cov->gen.open_type = RSKMDS_CORRELATION;
    }
    if (rc == 0) {
        cov->gen.reader_open = 1;
        return 0;
    }
    const RSKNAMEREC& a = analysis->name.name;
    if (rc == 2) xpmlog(598, 2641, 25, "covariance or correlation", a.length, a.text);
    else xpmlog(598, 2642, analysis->simulation.source.name.length, analysis->simulation.source.name.text, 25,
                "covariance or correlation", a.length, a.text);
    rskmdsc(con, &md);
    return 1;
}

// Allocates the covariance block, the volatilities (correlation input) and the work vector.
int allocate_blocks(RSKCON* con, RSKCOVSIM* cov, bool pivot) {
    const int32_t n = cov->gen.factor_count;
    cov->block_bytes = static_cast<size_t>(n) + 16 * triangle(n);
    cov->block = static_cast<uint8_t*>(rsasim_allocate(con, cov->block_bytes, "simulation covariance matrix"));
    if (cov->block == nullptr) return 1;
    cov->matrix = reinterpret_cast<double*>(cov->block);
    cov->copy = cov->matrix + triangle(n);
    cov->flags = cov->block + 16 * triangle(n);
    if (cov->gen.open_type == RSKMDS_CORRELATION) {
        cov->volatilities = static_cast<double*>(
            rsasim_allocate(con, static_cast<size_t>(n) * sizeof(double), "volatility vector"));
        if (cov->volatilities == nullptr) return 1;
        for (int32_t i = 0; i < n; ++i) cov->volatilities[i] = 1.0;
    }
    const int32_t horizons = cov->gen.horizon_count > 0 ? cov->gen.horizon_count : 1;
    // Normals, then the shock vectors of every horizon, then one vector to spread the normals into.
    cov->work_count = static_cast<size_t>(n) * (2 * static_cast<size_t>(horizons) + 1);
    cov->work = static_cast<double*>(rsasim_allocate(con, cov->work_count * sizeof(double), "simulation work vector"));
    if (cov->work == nullptr) return 1;
    if (pivot) {
        cov->pivots = static_cast<int32_t*>(
            rsasim_allocate(con, static_cast<size_t>(n) * sizeof(int32_t), "Cholesky pivot vector"));
        if (cov->pivots == nullptr) return 1;
    }
    return 0;
}

// Reads the matrix into the block and factorises it. 0, or 1 after the message.
int read_and_factorise(RSKCON* con, RSKCOVSIM* cov, RSKANALYSIS* analysis, const RSKNAMEREC* source) {
    mds& md = cov->gen.reader;
    std::memset(cov->matrix, 0, triangle(cov->gen.factor_count) * sizeof(double));
    md.covariance = cov->matrix;
    md.deviations = cov->volatilities;
    const int rc = rskmdsr(con, &md, qor::missing());
    rskmdsc(con, &md);
    cov->gen.reader_open = 0;
    if (rc != 0) return 1;
    return rsacsm_factor(con, cov, psd_method(con), source, &analysis->name.name);
}

// Numbers the factors of the list 0, 1, ... as their rows of the matrix; every other risk factor
// of the environment has none.
void number_factors(RSKCON* con, RSKCOVSIM* cov) {
    for (RSKVARIABLE* v = con->variables_head; v != nullptr; v = v->next)
        if (v->kind == RSKVKIND_FACTOR) v->matrix_index = -2;
    for (int32_t i = 0; i < cov->gen.factor_count; ++i) {
        cov->gen.factors[i].variable->matrix_index = static_cast<int16_t>(i);
        cov->gen.factors[i].saved = qor::missing();
    }
}

// The normals z of one horizon, multiplied by a fresh Wishart factor when there is one, spread
// over the factors: a dependent row gets 0, the others the next normal in order.
int spread_normals(RSKCOVSIM* cov, wishart_generator* wishart, double* z, double* spread) {
    const int32_t n = cov->gen.factor_count;
    const int32_t r = cov->rank;
    if (wishart != nullptr) {
        if (zwishr2(cov->copy, wishart) != 0) return 1;
        zsymvec(cov->copy, z, spread, r);
        std::memcpy(z, spread, static_cast<size_t>(r) * sizeof(double));
    }
    int32_t next = 0;
    for (int32_t i = 0; i < n; ++i) spread[i] = cov->flags[i] ? 0.0 : (next < r ? z[next++] : 0.0);
    return 0;
}

// Applies the shocks of horizon h to the factors. 0, or 1 for an unknown adjustment mode; *adjusted
// is set when a factor kept its base value.
int apply_shocks(RSKCOVSIM* cov, const double* shocks, int* adjusted) {
    RSKSIMGEN& gen = cov->gen;
    for (int32_t i = 0; i < gen.factor_count; ++i) {
        RSKVARIABLE* v = gen.factors[i].variable;
        double* current = rsasim_current(v);
        if (current == nullptr) continue;
        double value = 0;
        if (rsacsm_apply(*current, shocks[i], v->measurement_level == 2, &value)) {
            *current = value;
            continue;
        }
        if (gen.adjust_mode == RSKADJUST_MISSING) {
            *current = qor::missing();
        } else if (gen.adjust_mode == RSKADJUST_BASE) {
            *current = rsasim_base(v);
            ++gen.factors[i].adjustments;
            *adjusted = 1;
        } else {
            xebug("Not supported missing value adjustment");
            return 1;
        }
    }
    return 0;
}

}  // namespace

void rsacsm_parts(RSKSIMWORK* work, const RSKSIMGEN& gen) {
    const int64_t r = work->replications;
    const int64_t first = (static_cast<int64_t>(gen.part) - 1) * r / gen.parts;
    const int64_t last = static_cast<int64_t>(gen.part) * r / gen.parts;
    work->part_first = static_cast<int32_t>(first);
    work->part_step = 1;
    work->part_count = static_cast<int32_t>(last - first);
}

int rsacsm0(RSKCON* con, RSKANLPROC* run, RSKANALYSIS* analysis) {
    if (con == nullptr || run == nullptr || analysis == nullptr) return 1;
    if (run->failed) return 1;
    run->label = kCovarianceLabel;
    RSKCOVSIM* cov = static_cast<RSKCOVSIM*>(rsasim_allocate(con, sizeof(RSKCOVSIM), "simulation work vector"));
    if (cov == nullptr) return 1;
    const RSKANLSIM& s = analysis->simulation;
    RSKSIMGEN& gen = cov->gen;
    gen.adjust_mode = s.extra_integer;
    gen.scale = qor::is_missing(s.scale) || !(s.scale > 0) ? 1.0 : s.scale;
    gen.horizon_count = s.horizon_count > 0 ? s.horizon_count : 1;
    gen.horizons = s.horizons;
    cov->generator_code = s.generator;
    cov->seed = s.seed;
    cov->wishart = qor::is_missing(s.bound) ? 0 : 1;
    cov->wishart_df = s.bound;
    rsasim_parts(con, &gen);

    const bool generating = con->run_block != nullptr && con->run_block->own_states;
    if (generating) {
        RSKNAMECELL source{};
        const bool named = s.source.name.length > 0 && rskname(con, &source.name, s.source.name.text, s.source.name.length) == 0;
        if (open_matrix(con, cov, analysis, named ? &source : nullptr) != 0) return 1;
        const RSKNAMEREC& a = analysis->name.name;
        if (rsafacd(con, run, 1) != 0) {
            rsasim_factor_list_failed(run);
            rskmdsc(con, &gen.reader);
            return 1;
        }
        const RSKNAMEREC& m = s.source.name;
        if (run->run_factor_count > gen.reader.factor_count) {
            // A factor outside the matrix would be simulated with no variance at all.
            xebug("rsacsm.c: n=%i > mds->m=%i.", run->run_factor_count, gen.reader.factor_count);
            rskmdsc(con, &gen.reader);
            return 1;
        }
        if (run->run_factor_count <= 0) {
            xpmlog(598, 2643, m.length, m.text, a.length, a.text);
            rskmdsc(con, &gen.reader);
            return 1;
        }
        if (rsasim_take_factors(con, run, &gen) != 0 || allocate_blocks(con, cov, analysis->pivot != 0) != 0) {
            rskmdsc(con, &gen.reader);
            return 1;
        }
        number_factors(con, cov);
        if (read_and_factorise(con, cov, analysis, &m) != 0) return 1;
        if (cov->wishart && cov->rank > cov->wishart_df)
            xpmlog(598, 2647, m.length, m.text, cov->rank, cov->wishart_df, a.length, a.text, cov->rank);
    }
    if (rsasim0(con, run, analysis, s.replications) != 0) return 1;
    RSKSIMWORK* work = rsasim_work(run);
    if (work == nullptr) return 1;
    work->generator = cov;
    gen.cases = work->var_types;
    gen.replications = work->replications;
    rsacsm_parts(work, gen);
    return rsasim_take_counters(con, &gen);
}

int rsacsm1(RSKCON* con, RSKANLPROC* run) {
    RSKCOVSIM* cov = context(run);
    if (cov == nullptr) return 1;
    if (rsklagh(con, run) != 0) return 1;
    rsacsm_parts(rsasim_work(run), cov->gen);
    const int rc = rsasim1(con, run, &rsacsmg);
    // The matrix is not needed once the states are made.
    qor_pool* pool = con->run_pool != nullptr ? con->run_pool : con->general_pool;
    if (cov->block != nullptr) pool->release(pool, cov->block, cov->block_bytes, QOR_FREE_SIZED);
    cov->block = nullptr;
    cov->matrix = cov->copy = nullptr;
    cov->flags = nullptr;
    rsklagc(con);
    return rc;
}

int rsacsmg(RSKCON* con, RSKANLPROC* run, RSKSTATECALLBACK callback, int32_t k) {
    RSKSIMWORK* work = rsasim_work(run);
    RSKCOVSIM* cov = context(run);
    if (work == nullptr || cov == nullptr || callback == nullptr) return 1;
    RSKSIMGEN& gen = cov->gen;
    rsasim_row_ids(con, k, -1, -1);
    const int32_t n = gen.factor_count;
    const int32_t r = cov->rank;
    if (n <= 0 || r <= 0) {
        if (++gen.error_lines <= kRskGeneratorErrorLines) xebug("rsacsm1: nrf=%i", n);
        return 1;
    }
    const int32_t horizons = gen.horizon_count;
    const int32_t draw_size = r * horizons;
    qor_pool* pool = con->run_pool != nullptr ? con->run_pool : con->general_pool;
    RSKRANSTREAM stream;
    if (rsarani(con, cov->generator_code, draw_size, cov->seed, &stream, pool) != 0) return 1;
    wishart_generator* wishart = nullptr;
    if (cov->wishart) {
        const double df = cov->wishart_df > r ? cov->wishart_df : r;
        wishart = zwishin(r, df, static_cast<uint32_t>(cov->seed) + kWishartSeedOffset, pool);
        if (wishart == nullptr) {
            rsaranf(&stream);
            return 1;
        }
    }
    if (gen.adjust_mode == RSKADJUST_BASE)
        for (int32_t i = 0; i < n; ++i) gen.factors[i].adjustments = 0;

    double* normals = cov->work;
    double* shocks = cov->work + static_cast<size_t>(n) * horizons;
    double* spread = shocks + static_cast<size_t>(n) * horizons;
    const int64_t first = work->part_first;
    const int64_t end = first + work->part_count;
    int rc = 0;
    for (int64_t j = 0; j < work->replications; ++j) {
        rsasim_row_ids(con, k, static_cast<int32_t>(j), -1);
        rsasim_restore(con, &gen);
        rsasim_lags_clear(con);
        // Every replication draws, also outside this part's range, so that all parts share the
        // same normals for the same replication.
        const int drawn = rsaranv(con, normals, draw_size, &stream, gen.scale);
        if (j < first) continue;
        if (j >= end) break;
        if (drawn != 0) {
            rc = drawn > rc ? drawn : rc;
            break;
        }
        bool failed = false;
        for (int32_t h = 0; h < horizons && !failed; ++h)
            failed = spread_normals(cov, wishart, normals + static_cast<size_t>(h) * r,
                                    shocks + static_cast<size_t>(h) * n) != 0;
        if (failed) {
            rc = rc > 1 ? rc : 1;
            break;
        }
        for (int32_t h = 0; h < horizons; ++h) {
            rsasim_row_ids(con, k, static_cast<int32_t>(j), h);
            const int32_t previous = h > 0 ? gen.horizons[h - 1] : 0;
            const double step = std::sqrt(static_cast<double>(gen.horizons[h] - previous));
            std::memcpy(spread, shocks + static_cast<size_t>(h) * n, static_cast<size_t>(n) * sizeof(double));
            rsacsm_shocks(cov, spread, step, shocks + static_cast<size_t>(h) * n);
            int adjusted = 0;
            if (apply_shocks(cov, shocks + static_cast<size_t>(h) * n, &adjusted) != 0) rc = rc > 1 ? rc : 1;
            const int state = callback(con, run, k, static_cast<int32_t>(j), h);
            if (state > rc) rc = state;
            gen.adjusted[static_cast<int64_t>(k) * horizons + h] += adjusted;
            if (h + 1 < horizons) rsasim_lags_advance(con);
        }
    }
    rsasim_report_adjustments(con, run, &gen, k);
    if (wishart != nullptr) zrndfre(wishart->stream);
    rsaranf(&stream);
    return rc;
}
