// The build phase of a simulation: its settings and options, the category table of the VaR
// types, the cell layout and the scratch of the finish phase, and the current VaR type.
#include <algorithm>
#include <cstring>

#include "common/intervals/interval_spec.h"
#include "engine/analyses/simulation_run.h"
#include "engine/model/categories/categories.h"
#include "engine/model/names/name_records.h"
#include "engine/model/options/engine_options.h"
#include "engine/run/run_block.h"
#include "engine/run/run_storage.h"
#include "host/missing.h"
#include "host/print.h"

namespace {

constexpr int32_t kMostReplications = 100000000;
constexpr int32_t kDensityDefault = 32;
constexpr int32_t kDensitySmallest = 8;

void pad32(char* to, const char* text, int length) {
    std::memset(to, ' ', 32);
    std::memcpy(to, text, static_cast<size_t>(std::min(std::max(length, 0), 32)));
}

// The grid of the density: 32 when NDENSITY is 0 or less, 8 for 1 to 7, else raised to a power
// of two (the kernel fit works on such grids).
int32_t density_points(int32_t option) {
    if (option <= 0) return kDensityDefault;
    if (option < kDensitySmallest) return kDensitySmallest;
    int32_t m = kDensitySmallest;
    while (m < option && m < (1 << 20)) m *= 2;
    return m;
}

const RSKOPTREC* run_options(RSKCON* con) {
    const RSKRUNBLOCK* run = con->run_block;
    if (run != nullptr && run->run_options != nullptr) return run->run_options;
    if (run != nullptr && run->options != nullptr) return run->options;
    return con->current_options;
}

void read_options(RSKCON* con, RSKSIMWORK* w) {
    const RSKOPTREC* o = run_options(con);
    w->alpha = 0.05;
    w->vardef = 1;
    w->pctldef = 1;
    w->evt_cutoff = 0;
    w->kernel = 1;
    w->bandwidth = 1.0;
    if (o == nullptr) return;
    if (!qor::is_missing(o->alpha) && o->alpha > 0.0 && o->alpha < 1.0) w->alpha = o->alpha;
    w->vardef = o->vardef == 2 ? 2 : 1;
    w->pctldef = o->pctldef >= 1 && o->pctldef <= 5 ? o->pctldef : 1;
    w->evt_cutoff = o->evtcutoff;
    w->evt_stats = o->evtstats != 0;
    w->kernel = o->kernel >= 1 && o->kernel <= 3 ? o->kernel : 1;
    if (!qor::is_missing(o->bandwidth) && o->bandwidth > 0.0) w->bandwidth = o->bandwidth;
    w->nboot = o->nboot;
}

bool density_requested(RSKCON* con) {
    const RSKRUNBLOCK* run = con->run_block;
    if (run == nullptr) return false;
    const RSKRESDS& d = run->result_sets.descriptors[RSKRES_SIMDENS];
    return d.requested != 0 || d.open != 0;
}

// Takes the categories of one list that exist and have members into the table.
void take_categories(RSKCON* con, RSKSIMWORK* w, const RSKNAMECELL* cell, int32_t* taken) {
    const RSKNAMEREC& analysis = w->analysis->name.name;
    for (; cell != nullptr; cell = cell->next) {
        RSKCATEGORY* category = rskcat(con, &cell->name.name);
        if (category == nullptr || category->count == 0) {
            xpmlog(598, 2800, cell->name.name.length, cell->name.name.text, analysis.length, analysis.text);
            continue;
        }
        pad32(w->categories[w->var_types - 1], cell->name.name.text, cell->name.name.length);
        ++*taken;
        ++w->var_types;
    }
}

void* take(RSKCON* con, size_t bytes, const char* label) {
    return rskmem_alloc(con, bytes > 0 ? bytes : 8, label, RSKMEM_RESULTS, 1);
}

int fail(RSKANLPROC* run) {
    run->failed = 1;
    return 1;
}

}  // namespace

void set_output_ids(RSKCON* con, RSKSIMWORK* w, int32_t t) {
    w->var_type = t;
    const char* label = "**Error**";
    if (t == 0) label = "Unconditional";
    else if (t >= 1 && t <= w->conditional) label = "Conditional";
    else if (t > w->conditional && t <= w->conditional + w->marginal) label = "Marginal";
    pad32(w->var_type_label, label, static_cast<int>(std::strlen(label)));
    if (con->run_block == nullptr) return;
    RSKROWVALUES& row = con->run_block->result_sets.row;
    row.simulation_case = t;
    std::memcpy(row.simulation_mode, w->var_type_label, 32);
    std::memset(row.simulation_category, ' ', sizeof row.simulation_category);
    if (t >= 1 && t < w->var_types) std::memcpy(row.simulation_category, w->categories[t - 1], 32);
}

int rsasim0(RSKCON* con, RSKANLPROC* run, RSKANALYSIS* analysis, int32_t replications) {
    if (con == nullptr || run == nullptr || analysis == nullptr) return 1;
    if (run->failed) return 0;
    if (replications <= 0) return fail(run);
    if (replications > kMostReplications) {
        xebug("rsasim0: nreps=%i too big.", replications);
        replications = kMostReplications;
    }
    if (run->run_factor_count < 1) {
        xebug("rsasim0: no risk factors.");
        return fail(run);
    }
    auto* w = static_cast<RSKSIMWORK*>(take(con, sizeof(RSKSIMWORK), "simulation work vector"));
    if (w == nullptr) return fail(run);
    run->work = w;
    run->work_size = sizeof(RSKSIMWORK);
    const RSKANLSIM& s = analysis->simulation;
    w->analysis = analysis;
    w->kind = static_cast<int32_t>(analysis->kind);
    w->replications = replications;
    w->part_first = 0;
    w->part_step = 1;
    w->part_count = replications;
    w->horizon_count = s.horizon_count > 0 && s.horizons != nullptr ? s.horizon_count : 1;
    static const int32_t kOneHorizon = 1;
    w->horizons = s.horizon_count > 0 && s.horizons != nullptr ? s.horizons : &kOneHorizon;
    w->seed = s.seed < 1 ? 54321 : s.seed;
    w->generator_code = s.generator;
    w->scale = qor::is_missing(s.scale) || !(s.scale > 0.0) ? 1.0 : s.scale;
    w->last_replication = -1;
    read_options(con, w);

    const uint8_t pl = s.pl_values || !s.exposure_values || s.returns;
    if (rsaoutv(con, w, analysis, pl, s.exposure_values, s.returns) != 0) return fail(run);

    // Category table: conditional rows first, then marginal ones.
    const int32_t listed = analysis->conditional_count + analysis->marginal_count;
    w->categories = static_cast<char(*)[32]>(take(con, static_cast<size_t>(std::max(listed, 1)) * 32, "simulation work vector"));
    if (w->categories == nullptr) return fail(run);
    w->var_types = 1;
    take_categories(con, w, analysis->conditional_head, &w->conditional);
    take_categories(con, w, analysis->marginal_head, &w->marginal);
    if (w->var_types > 1 && con->run_block != nullptr) con->run_block->result_sets.several_cases = 1;
    set_output_ids(con, w, 0);

    // Cell layout, computed in 64 bits: statistics, density area and the replication values.
    w->density_on = density_requested(con);
    w->density_points = w->density_on ? density_points(run_options(con) != nullptr ? run_options(con)->ndensity : 0) : 0;
    w->block_bytes = static_cast<int64_t>(sizeof(RSKSIMSTATS)) +
                     (w->density_points > 0 ? (3 * static_cast<int64_t>(w->density_points) + 1) * 8 : 0) +
                     static_cast<int64_t>(replications) * 8;
    w->area_bytes = static_cast<int64_t>(w->var_types) * w->horizon_count * w->outv_count * w->block_bytes;
    if (w->area_bytes > INT32_MAX - 8) {
        rskmem_no_memory(con, static_cast<size_t>(w->area_bytes), "simulation work vector");
        return fail(run);
    }
    run->cell_size = static_cast<int32_t>(w->area_bytes);
    run->label = w->kind == RSKANL_COVSIM ? 5608 : w->kind == RSKANL_HISTSIM ? 5609
               : w->kind == RSKANL_MODELSIM ? 5610 : w->kind == RSKANL_SERIESSIM ? 5611
               : w->kind == RSKANL_POTEXP ? 5615 : run->label;
    run->horizons = w->horizon_count;
    run->draws = replications;
    const int64_t states = static_cast<int64_t>(w->var_types) * w->horizon_count * replications;
    if (con->run_block != nullptr) {
        RSKRUNBLOCK* rb = con->run_block;
        rb->planned_states = static_cast<int32_t>(std::min<int64_t>(INT32_MAX, rb->planned_states + states));
        rb->result_sets.simulation = 1;
    }

    // Scratch of the finish phase and the risk-factor statistics.
    const size_t r = static_cast<size_t>(replications);
    w->sorted = static_cast<double*>(take(con, r * 8, "simulation work vector"));
    w->resample = static_cast<double*>(take(con, r * 8, "simulation work vector"));
    w->slots = static_cast<int32_t*>(take(con, r * 4, "simulation work vector"));
    if (w->sorted == nullptr || w->resample == nullptr || w->slots == nullptr) return fail(run);
    if (w->density_points > 0) {
        w->density_scratch = static_cast<double*>(take(con, 6 * static_cast<size_t>(w->density_points) * 8,
                                                        "simulation kernel work vector"));
        w->fold_values = static_cast<double*>(take(con, 2 * r * 8, "simulation kernel work vector"));
        if (w->density_scratch == nullptr || w->fold_values == nullptr) return fail(run);
    }
    w->rf_count = run->run_factor_count;
    const size_t rf = static_cast<size_t>(w->var_types) * static_cast<size_t>(w->horizon_count) *
                      static_cast<size_t>(w->rf_count);
    w->rf_stats = static_cast<RSKSIMRFSTAT*>(take(con, rf * sizeof(RSKSIMRFSTAT), "simulation risk factors info"));
    w->factor_weights = static_cast<uint8_t*>(take(con, static_cast<size_t>(w->rf_count), "simulation risk factors info"));
    if (w->rf_stats == nullptr || w->factor_weights == nullptr) return fail(run);
    for (size_t i = 0; i < rf; ++i) {
        w->rf_stats[i].minimum = w->rf_stats[i].maximum = w->rf_stats[i].base = qor::missing();
        for (double& c : w->rf_stats[i].cuts) c = qor::missing();
    }

    // The horizon interval: "WEEKDAY" when none was given.
    w->interval = s.horizon_interval;
    if (w->interval.code == 0) zintstr("WEEKDAY", 7, &w->interval);
    w->datetime = w->interval.kind == INTERVAL_KIND_SECONDS;
    const RSKRUNBLOCK* rb = con->run_block;
    w->analysis_date = rb != nullptr ? (w->datetime ? rb->run_time : rb->base_date) : qor::missing();
    if (w->datetime && con->run_block != nullptr) con->run_block->result_sets.datetime_grid = 1;
    return 0;
}
