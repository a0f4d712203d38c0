// One bootstrap run: B resamples, the statistic of each (studentized for kinds 1 and 2, with the
// nested bootstrap giving standard errors for kind 2), then the summaries of the replicates.
#include <cmath>
#include <cstring>

#include "common/statistics/bootstrap_internal.h"
#include "common/strings/fields.h"
#include "host/missing.h"

namespace {

constexpr int32_t kDefaultSeed = 123456;
constexpr double kHuge = 1.3407807929942597e+154;   // 2^512: larger deviations are left out

bool missing(double x) { return std::isnan(x); }

// The record as zbooti left it, with a source whose records fit the staging blocks.
bool ready(const boot_control* c) {
    if (!c->pool || !c->staging || !c->result || !c->statistics || !c->std_errors) return false;
    const boot_iterator* s = c->source;
    if (!s || !s->restart || !s->next || !s->record || s->values < 1 || s->records < 1) return false;
    if (static_cast<int64_t>(s->values) * 8 * c->staging->block_records > c->staging->block_bytes) return false;
    if (!c->statistic && !c->statistic3) return false;
    if (c->kind == BOOT_STUDENT_NESTED && (!c->nested || !c->deviations)) return false;
    return true;
}

// 0, and states of the generator that it can never leave (0 modulo 2^31 - 1), become 123456.
void usable_seed(boot_control* c) {
    if ((static_cast<uint32_t>(c->seed) & 0x7FFFFFFFu) % 2147483647u == 0) c->seed = kDefaultSeed;
}

int call_statistic(boot_control* c) {
    if (c->statistic) return c->statistic(c->staging, c->context, c->statistics, c->std_errors);
    return c->statistic3(c->staging, c->context, c->statistics);
}

// Kind 2 keeps the squared deviations of the raw replicate statistics from the full-sample
// statistics: the records written hold studentized values, whose spread is not the statistic's.
void add_deviations(boot_control* c) {
    for (int32_t i = 0; i < c->n; ++i) {
        double d = c->statistics[i] - c->centre[i];
        if (std::fabs(d) < kHuge) c->deviations[i] += d * d;
    }
}

// (statistic - centre) / standard error; 5 when a standard error is not above 0.
int studentize(boot_control* c) {
    for (int32_t i = 0; i < c->n; ++i) {
        if (!(c->std_errors[i] > 0.0)) return BOOT_BAD_STD_ERROR;
        double s = c->statistics[i];
        c->statistics[i] = missing(s) || missing(c->centre[i]) ? qor::missing()
                                                               : (s - c->centre[i]) / c->std_errors[i];
    }
    return BOOT_OK;
}

int replicate(boot_control* c, boot_binomial_cache* cache) {
    int rc = boot_draw_resample(c, cache);
    if (rc != BOOT_OK) return rc;
    if (call_statistic(c) != 0) return BOOT_STATISTIC;
    if (c->kind == BOOT_STUDENT_NESTED) {
        if (zboot(c->nested) != BOOT_OK) return BOOT_BAD_ARGUMENT;
        add_deviations(c);
    }
    if (c->kind == BOOT_STUDENT_SE || c->kind == BOOT_STUDENT_NESTED) {
        rc = studentize(c);
        if (rc != BOOT_OK) return rc;
    }
    return c->result->wnext(c->result) != 0 ? BOOT_IO : BOOT_OK;
}

}  // namespace

int zboot(boot_control* c) {
    if (!c || !ready(c)) return BOOT_BAD_ARGUMENT;
    usable_seed(c);
    // A run that stops early must not leave the limits of an earlier run in place.
    if (c->output) vzfdl(qor::missing(), c->output, c->m * c->n);
    if (c->interval) vzfdl(qor::missing(), c->interval, 2 * c->n);
    std::memset(c->record_numbers, 0, sizeof c->record_numbers);
    if (c->deviations) vzfdl(0.0, c->deviations, c->n);

    boot_iterator* st = c->staging;
    st->values = c->source->values;
    st->record_bytes = 8 * st->values;
    st->records = c->source->records;
    c->result->record = c->statistics;

    boot_binomial_cache cache;
    std::memset(&cache, 0, sizeof cache);
    if (c->result->wrestart(c->result) != 0) return BOOT_IO;
    for (int32_t r = 0; r < c->replications; ++r) {
        int rc = replicate(c, &cache);
        if (rc != BOOT_OK) return rc;
    }
    if (c->result->wend(c->result) != 0) return BOOT_IO;

    if (c->kind == BOOT_SE_ONLY) return boot_means_and_errors(c);
    if (c->kind == BOOT_STUDENT_NESTED) {
        for (int32_t i = 0; i < c->n; ++i) {
            c->std_errors[i] = std::sqrt(c->deviations[i] / (c->replications - 1));
            c->scale[i] = c->std_errors[i];
        }
    }
    if (!c->output) return BOOT_BAD_ARGUMENT;
    return boot_quantiles(c);
}
