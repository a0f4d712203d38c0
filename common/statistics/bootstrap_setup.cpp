// Set-up and release of a bootstrap: checks of the caller's record, the pool, the arrays, the
// staging files and, for the nested kind, the inner record that resamples each outer resample.
#include <cstring>

#include "common/statistics/bootstrap.h"
#include "common/strings/fields.h"
#include "host/missing.h"

namespace {

constexpr int32_t kDefaultSeed = 123456;

void* zeroed(qor_pool* pool, size_t bytes) { return pool->allocate(pool, bytes, QOR_ALLOC_ZERO); }

double* doubles(qor_pool* pool, int32_t count) {
    return static_cast<double*>(zeroed(pool, sizeof(double) * static_cast<size_t>(count)));
}

bool good_source(const boot_iterator* s) {
    return s && s->restart && s->next && s->record && s->values >= 1 && s->values <= (1 << 20) &&
           s->record_bytes == 8 * s->values && s->records >= 1;
}

bool good_levels(const boot_control* c) {
    for (int32_t j = 0; j < c->m; ++j)
        if (!(c->levels[j] > 0.0 && c->levels[j] < 1.0)) return false;
    return true;
}

// What the caller's part of the record must satisfy (checked once the pool exists, as the
// codes are ordered: a pool failure is reported before anything else).
bool good_counts(const boot_control* c) {
    // A record of n statistics must fit a staging block (1024 records) within 32-bit sizes.
    if (c->n < 1 || c->n > (1 << 20) || c->m < 1 || c->m > BOOT_MAX_LEVELS || c->kind > BOOT_SE_ONLY) return false;
    if (c->replications < 1) return false;
    // Standard errors divide by B - 1.
    if (c->kind == BOOT_SE_ONLY && c->replications < 2) return false;
    if (c->kind == BOOT_STUDENT_NESTED && c->inner_replications < 2) return false;
    return good_levels(c);
}

bool good_callers_arrays(const boot_control* c) {
    if (!good_source(c->source)) return false;
    if (!c->statistic && !c->statistic3) return false;
    if (c->kind == BOOT_STUDENT_SE && !c->statistic) return false;   // needs standard errors
    if (c->kind != BOOT_PERCENTILE && !c->centre) return false;
    if ((c->kind == BOOT_STUDENT_SE || c->kind == BOOT_STUDENT_NESTED) && !c->scale) return false;
    return true;
}

// A staging iterator of `values` doubles per record, opened: 0 or 2.
int make_iterator(qor_pool* pool, int32_t values, boot_iterator** out) {
    auto* it = static_cast<boot_iterator*>(zeroed(pool, sizeof(boot_iterator)));
    if (!it) return BOOT_NO_MEMORY;
    it->values = values;
    if (init_iter(it, pool) != 0) return BOOT_NO_MEMORY;
    *out = it;
    return BOOT_OK;
}

// The nested record: a copy of the outer one that only estimates standard errors, reading the
// outer staging file as its source, sharing the standard-error array and the pool.
int make_nested(boot_control* outer) {
    auto* in = static_cast<boot_control*>(zeroed(outer->pool, sizeof(boot_control)));
    if (!in) return BOOT_NO_MEMORY;
    *in = *outer;
    in->kind = BOOT_SE_ONLY;
    in->replications = outer->inner_replications;
    in->inner_replications = 0;
    in->statistics = doubles(outer->pool, outer->n);
    in->centre = doubles(outer->pool, outer->n);
    in->output = nullptr;        // the nested run writes no quantiles
    in->interval = nullptr;
    in->deviations = nullptr;
    in->nested = nullptr;
    in->staging = nullptr;
    in->result = nullptr;
    in->source = outer->staging;
    outer->nested = in;
    if (!in->statistics || !in->centre) return BOOT_NO_MEMORY;
    int rc = make_iterator(outer->pool, outer->source->values, &in->staging);
    if (rc == 0) rc = make_iterator(outer->pool, outer->n, &in->result);
    return rc;
}

void close_all(boot_control* c) {
    if (c->nested) {
        close_iter(c->nested->staging);
        close_iter(c->nested->result);
    }
    close_iter(c->staging);
    close_iter(c->result);
}

// Gives back everything zbooti made and clears those fields; the caller's fields stay.
void release(boot_control* c) {
    close_all(c);
    if (c->pool) xmpoold(c->pool);
    c->pool = nullptr;
    c->statistics = c->std_errors = c->output = c->deviations = nullptr;
    c->staging = c->result = nullptr;
    c->nested = nullptr;
}

int setup(boot_control* c) {
    if (!good_counts(c)) return BOOT_BAD_ARGUMENT;
    qor_pool* pool = c->pool;
    c->output = doubles(pool, c->m * c->n);
    c->statistics = doubles(pool, c->n);
    c->std_errors = doubles(pool, c->n);
    c->staging = static_cast<boot_iterator*>(zeroed(pool, sizeof(boot_iterator)));
    c->result = static_cast<boot_iterator*>(zeroed(pool, sizeof(boot_iterator)));
    if (!c->output || !c->statistics || !c->std_errors || !c->staging || !c->result) return BOOT_NO_MEMORY;
    if (!good_callers_arrays(c)) return BOOT_BAD_ARGUMENT;
    vzfdl(qor::missing(), c->output, c->m * c->n);
    if (c->interval) vzfdl(qor::missing(), c->interval, 2 * c->n);
    std::memset(c->record_numbers, 0, sizeof c->record_numbers);
    if (c->seed == 0) c->seed = kDefaultSeed;
    // The staging file holds copies of source records, so it is sized by the source.
    c->staging->values = c->source->values;
    c->result->values = c->n;
    if (init_iter(c->staging, pool) != 0 || init_iter(c->result, pool) != 0) return BOOT_NO_MEMORY;
    if (c->kind == BOOT_STUDENT_NESTED) {
        c->deviations = doubles(pool, c->n);
        if (!c->deviations) return BOOT_NO_MEMORY;
        return make_nested(c);
    }
    return BOOT_OK;
}

}  // namespace

int zbooti(boot_control* c) {
    if (!c) return BOOT_BAD_ARGUMENT;
    c->nested = nullptr;
    c->staging = c->result = nullptr;
    c->pool = xmpoolc(16384, 16384, 0);
    if (!c->pool) return BOOT_NO_MEMORY;
    int rc = setup(c);
    // A failed set-up leaves nothing behind: callers drop the record without calling zbootf.
    if (rc != BOOT_OK) release(c);
    return rc;
}

int zbootf(boot_control* c) {
    if (!c) return 0;
    // All four staging files, the nested record's included, are closed before the pool goes.
    release(c);
    std::memset(c, 0, sizeof *c);
    return 0;
}
