// The result rows of a simulation cell: statistics (SIMSTAT), densities (SIMDENS), replication
// values (SIMVALUE) and the summary fields, each walked VaR type, horizon, output variable.
#include <cmath>
#include <cstring>

#include "common/intervals/interval_arith.h"
#include "engine/analyses/simulation_run.h"
#include "engine/run/run_block.h"
#include "host/missing.h"
#include "host/print.h"

namespace {

constexpr double kEps12 = 1.110223024625157e-12;
constexpr double kEps16 = 1.110223024625157e-16;
constexpr double kSecondsPerDay = 86400.0;

using CellWriter = int (*)(RSKCON*, RSKSIMWORK*, RSKANLPROC*, uint8_t* block, void* area, RSKROWWRITER, RSKRESDS*);

void set_horizon(RSKCON* con, RSKSIMWORK* w, int32_t h) {
    RSKRUNBLOCK* rb = con->run_block;
    RSKROWVALUES& row = rb->result_sets.row;
    row.simulation_time = h + 1;
    w->horizon_date = rskincValDate(con, w, w->horizons[h]);
    rb->result_sets.context.report_date = &w->horizon_date;
}

void set_variable(RSKROWVALUES& row, const RSKSIMOUTV& v) {
    std::memset(row.simulation_part, ' ', sizeof row.simulation_part);
    std::memcpy(row.simulation_part, v.name.name.text, v.name.name.length > 32 ? 32 : v.name.name.length);
    std::memset(row.simulation_part_label, ' ', sizeof row.simulation_part_label);
    std::memcpy(row.simulation_part_label, v.label, sizeof row.simulation_part_label);
}

}  // namespace

double rskincValDate(RSKCON*, const RSKSIMWORK* w, int32_t h) {
    const double base = w->analysis_date;
    if (qor::is_missing(base)) return base;
    if (!w->datetime) return zintnx3(&w->interval, base, h, "S");
    const double seconds = std::floor((base + kEps16) * kSecondsPerDay);
    const double moved = zintnx3(&w->interval, seconds, h, "S");
    return qor::is_missing(moved) ? moved : moved / kSecondsPerDay;
}

// Walks VaR types, horizons and output variables in the order of every simulation output and
// calls `cell` for each block with the row's identifying fields set. The largest code.
int process_simulations(RSKCON* con, CellWriter cell, RSKSIMWORK* w, RSKANLPROC* run, void* area, RSKROWWRITER writer,
                        RSKRESDS* resds) {
    int rc = 0;
    RSKROWVALUES& row = con->run_block->result_sets.row;
    for (int32_t k = 0; k < w->var_types; ++k) {
        set_output_ids(con, w, k);
        for (int32_t h = 0; h < w->horizon_count; ++h) {
            set_horizon(con, w, h);
            for (int32_t v = 0; v < w->outv_count; ++v) {
                set_variable(row, w->outv[v]);
                w->current = &w->outv[v];
                const int code = cell(con, w, run, rsasim_block(w, area, k, h, v), area, writer, resds);
                if (code > rc) rc = code;
            }
        }
    }
    w->current = nullptr;
    con->run_block->result_sets.context.report_date = nullptr;
    return rc;
}

namespace {

int statistics_row(RSKCON* con, RSKSIMWORK* w, RSKANLPROC* run, uint8_t* block, void* area, RSKROWWRITER writer,
                   RSKRESDS* resds) {
    RSKSIMSTATS s;
    rsasim_get_stats(block, &s);
    RSKROWVALUES& row = con->run_block->result_sets.row;
    const double base = rsasim_cell_base(run, area);
    row.mtm = base;
    row.nrep = s.total;
    row.n = s.valid;
    row.nmiss = s.total - s.valid;
    row.mean = s.mean;
    row.std = s.std;
    row.skewness = s.skewness;
    row.kurtosis = s.kurtosis;
    row.min = s.minimum;
    row.median = s.median;
    row.max = s.maximum;
    row.var = s.var;
    row.es = s.es;
    row.var_l = s.var_l;
    row.var_u = s.var_u;
    row.var_pct = percent(s.var, base);
    row.var_pct_l = percent(s.var_l, base);
    row.var_pct_u = percent(s.var_u, base);
    row.tail_index = s.evt_percent;
    row.var_evt = s.evt_var;
    row.cond_expected_loss = s.evt_es;
    for (int i = 0; i < kRskPercentileColumns; ++i) row.percentiles[i] = s.quantiles[i + 1];
    (void)w;
    return writer(con, resds);
}

int density_rows(RSKCON* con, RSKSIMWORK* w, RSKANLPROC* run, uint8_t* block, void* area, RSKROWWRITER writer,
                 RSKRESDS* resds) {
    const int32_t m = w->density_points;
    if (m < 1) return 0;
    const uint8_t* d = rsasim_density(w, block);
    RSKROWVALUES& row = con->run_block->result_sets.row;
    const double base = rsasim_cell_base(run, area);
    double total = rsasim_get(d, 3 * m);
    if (qor::is_missing(total)) total = -1.0;
    int rc = 0;
    for (int32_t k = 0; k < m; ++k) {
        double x = rsasim_get(d, k);
        if (!qor::is_missing(x) && std::fabs(x) <= kEps12) x = 0.0;
        const double cumulative = rsasim_get(d, 2 * m + k);
        row.x = k + 1;
        row.profit = x;
        const double pct = percent(x, base);
        row.pl_pct = qor::is_missing(pct) ? pct : pct * 0.01;
        row.pdf = rsasim_get(d, m + k);
        if (!(total > kEps16) || qor::is_missing(cumulative)) {
            row.cdf = row.cdf_adj = qor::missing();
        } else {
            row.cdf = cumulative / total;
            row.cdf_adj = row.cdf - cumulative;
        }
        const int code = writer(con, resds);
        if (code > rc) rc = code;
    }
    return rc;
}

// Summary fields of the P/L and return variables; the first bound takes the larger value.
int summary_fields(RSKCON* con, RSKSIMWORK*, RSKANLPROC* run, uint8_t* block, void* area, RSKROWWRITER writer,
                   RSKRESDS* resds) {
    const RSKSIMOUTV* v = nullptr;
    RSKRUNBLOCK* rb = con->run_block;
    RSKSIMWORK* w = rsasim_work(run);
    v = w->current;
    if (v == nullptr || !(v->is_pl || v->is_return)) return 0;
    RSKSIMSTATS s;
    rsasim_get_stats(block, &s);
    RSKROWVALUES& row = rb->result_sets.row;
    const double base = rsasim_cell_base(run, area);
    row.mtm = base;
    row.var = s.var;
    row.es = s.es;
    const bool ordered = qor::is_missing(s.var_l) || qor::is_missing(s.var_u) || s.var_l >= s.var_u;
    row.var_l = ordered ? s.var_l : s.var_u;
    row.var_u = ordered ? s.var_u : s.var_l;
    row.var_pct = percent(row.var, base);
    row.var_pct_l = percent(row.var_l, base);
    row.var_pct_u = percent(row.var_u, base);
    return writer(con, resds);
}

// One row per replication of the P/L (and exposure) cells with their quintile and decile.
int replication_rows(RSKCON* con, RSKSIMWORK* w, RSKANLPROC* run, void* area, RSKROWWRITER writer, RSKRESDS* resds) {
    RSKROWVALUES& row = con->run_block->result_sets.row;
    const double base = rsasim_cell_base(run, area);
    int32_t pl = -1, exposure = -1;
    for (int32_t v = 0; v < w->outv_count; ++v) {
        if (w->outv[v].is_pl && pl < 0) pl = v;
        if (w->outv[v].is_exposure && exposure < 0) exposure = v;
    }
    int rc = 0;
    for (int32_t k = 0; k < w->var_types; ++k) {
        set_output_ids(con, w, k);
        for (int32_t h = 0; h < w->horizon_count; ++h) {
            set_horizon(con, w, h);
            double pq[4], pd[9], eq[4], ed[9];
            RSKSIMSTATS ps{}, es{};
            if (pl >= 0) rsasim_get_stats(rsasim_block(w, area, k, h, pl), &ps);
            if (exposure >= 0) rsasim_get_stats(rsasim_block(w, area, k, h, exposure), &es);
            get_cutpoints(con, w, &ps, pq, pd);
            get_cutpoints(con, w, &es, eq, ed);
            const bool pl_classes = pl >= 0 && ps.valid >= 2 && !qor::is_missing(pq[0]);
            const bool exposure_classes = exposure >= 0 && es.valid >= 2 && !qor::is_missing(eq[0]);
            for (int32_t r = 0; r < w->replications; ++r) {
                row.simulation_replication = r + 1;
                row.mtm = base;
                row.pl = pl >= 0 ? rsasim_get(rsasim_values(w, rsasim_block(w, area, k, h, pl)), r) : qor::missing();
                row.exposure = exposure >= 0 ? rsasim_get(rsasim_values(w, rsasim_block(w, area, k, h, exposure)), r)
                                             : qor::missing();
                row.quintile = row.decile = row.exposure_quintile = row.exposure_decile = qor::missing();
                if (pl_classes) get_quant_index(con, row.pl, pq, pd, &row.quintile, &row.decile);
                if (exposure_classes)
                    get_quant_index(con, row.exposure, eq, ed, &row.exposure_quintile, &row.exposure_decile);
                const int code = writer(con, resds);
                if (code > rc) rc = code;
            }
        }
    }
    return rc;
}

}  // namespace

int rsasim_output(RSKCON* con, RSKANLPROC* run, void* area, RSKROWWRITER writer, RSKRESDS* resds) {
    RSKSIMWORK* w = rsasim_work(run);
    if (w == nullptr || area == nullptr || resds == nullptr || writer == nullptr || con->run_block == nullptr) return 1;
    switch (resds->kind) {
    case RSKRES_SIMSTAT: return process_simulations(con, &statistics_row, w, run, area, writer, resds);
    case RSKRES_SIMDENS: return process_simulations(con, &density_rows, w, run, area, writer, resds);
    case RSKRES_COMBINE:
    case RSKRES_SUMMARY: return process_simulations(con, &summary_fields, w, run, area, writer, resds);
    case RSKRES_SIMVALUE: return replication_rows(con, w, run, area, writer, resds);
    default: return 0;
    }
}

int rsasiml(RSKCON* con, RSKANLPROC* run, void* area, RSKROWWRITER writer, RSKRESDS* resds) {
    RSKSIMWORK* w = rsasim_work(run);
    if (w == nullptr || area == nullptr || resds == nullptr || writer == nullptr || con->run_block == nullptr) return 1;
    switch (resds->kind) {
    case RSKRES_COMBINE:
    case RSKRES_SIMSTAT: return process_simulations(con, &statistics_row, w, run, area, writer, resds);
    case RSKRES_SIMDENS: return process_simulations(con, &density_rows, w, run, area, writer, resds);
    case RSKRES_SIMRFIM: return 0;
    default:
        xebug("rsasiml: bad type %i.", resds->kind);
        return 1;
    }
}
