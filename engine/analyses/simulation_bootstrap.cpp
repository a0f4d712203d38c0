// Bootstrap bounds of a simulation cell's value at risk: the control handed to the common
// library's bootstrap, the data callbacks over the cell's sorted values and the resampled quantile.
#include <cmath>

#include "common/statistics/bootstrap.h"
#include "common/statistics/tail_index.h"
#include "engine/analyses/simulation_run.h"
#include "engine/run/run_storage.h"
#include "host/missing.h"
#include "host/print.h"

// The bootstrap of one analysis during its finish phase. `source` comes first, so the data
// callbacks reach the whole control from the iterator they are given.
struct RSKBOOTCTL {
    boot_iterator source;            // the data record: delivers the cell's sorted values
    RSKCON* con;
    RSKSIMWORK* work;
    RSKSIMSTATS* stats;              // the cell being computed
    int32_t replications;
    double* resample;                // the values of one resample, in the order delivered
    int32_t index;                   // read index of the source
    int32_t count;                   // values to deliver
    double w;                        // weight and 0-based positions of the full sample's quantile
    int32_t i, j;
    boot_control control;            // the bootstrap routine's parameter record
};

namespace {

constexpr int32_t kSeedOffset = 101;

int boot_rewind(boot_iterator* data) {
    reinterpret_cast<RSKBOOTCTL*>(data)->index = 0;
    return 0;
}

int boot_next(boot_iterator* data) {
    RSKBOOTCTL* b = reinterpret_cast<RSKBOOTCTL*>(data);
    if (b->index >= b->count) return 1;
    b->source.record = b->work->sorted + b->index;
    ++b->index;
    return 0;
}

// The quantile of one resample at the full sample's fixed positions: the values are taken in
// the order they arrive and not sorted again.
int boot_cstat(boot_iterator* data, void* context, double* result) {
    RSKBOOTCTL* b = static_cast<RSKBOOTCTL*>(context);
    if (data->restart(data) != 0) return 3;
    for (int32_t k = 0; k < b->count; ++k) {
        if (data->next(data) != 0) return 3;
        b->resample[k] = data->record[0];
    }
    double lower = 0.0, upper = 0.0;
    get_order_stat(b->resample, b->count, b->i, b->j, &lower, &upper);
    result[0] = get_quantile(b->w, lower, upper);
    return 0;
}

}  // namespace

int init_boot_strap(RSKCON* con, RSKSIMWORK* work) {
    work->boot = nullptr;
    auto* b = static_cast<RSKBOOTCTL*>(rskmem_alloc(con, sizeof(RSKBOOTCTL), "boot strap control", -1, 1));
    if (b == nullptr) {
        xpslog("%1zOut of memory");
        xpslog("%1zCannot initialize boot strapping.");
        return 2;
    }
    b->con = con;
    b->work = work;
    b->replications = work->replications;
    b->resample = work->resample;
    b->source.restart = &boot_rewind;
    b->source.next = &boot_next;
    b->source.record = work->sorted;
    b->source.values = 1;
    b->source.record_bytes = 8;
    b->source.records = work->replications;
    boot_control& c = b->control;
    c.kind = BOOT_PERCENTILE;
    c.replications = work->nboot;
    c.inner_replications = 0;
    c.n = 1;
    c.m = 2;
    c.levels[0] = 0.025;
    c.levels[1] = 0.975;
    // Apart from the analysis seed, so the resamples never replay the draws of the states.
    c.seed = work->seed + kSeedOffset;
    c.source = &b->source;
    c.context = b;
    c.statistic3 = &boot_cstat;
    const int rc = zbooti(&c);
    if (rc != 0) {
        if (rc == BOOT_NO_MEMORY) xpslog("%1zOut of memory");
        xpslog("%1zCannot initialize boot strapping.");
        return rc;
    }
    work->boot = b;
    return 0;
}

int boot_strap(RSKCON*, RSKSIMWORK* work, RSKSIMSTATS* stats, double p, int definition) {
    RSKBOOTCTL* b = work->boot;
    if (b == nullptr) return 1;
    const int32_t n = stats->valid;
    b->stats = stats;
    double lower = 0.0, upper = 0.0;
    b->w = zunifct(definition, n, p, &lower, &upper);
    b->i = static_cast<int32_t>(lower);
    b->j = static_cast<int32_t>(upper);
    b->count = n;
    b->source.records = n;
    b->index = 0;
    double full = 0.0;
    boot_cstat(&b->source, b, &full);
    const int rc = zboot(&b->control);
    if (rc != 0) {
        xpslog("%1zError occurs in boot strapping.");
        return rc;
    }
    stats->var_l = b->control.output[0];
    stats->var_u = b->control.output[1];
    return 0;
}

void free_boot_strap(RSKCON*, RSKSIMWORK* work) {
    if (work->boot == nullptr) return;
    zbootf(&work->boot->control);
    work->boot = nullptr;
}
