// Summaries of the replicate statistics in the result file: bootstrap means and standard errors
// (nested kind), the sort, and the quantile limits with their studentized rescaling.
#include <cmath>

#include "common/statistics/bootstrap_internal.h"
#include "host/missing.h"

namespace {

constexpr double kHuge = 1.3407807929942597e+154;   // 2^512: larger deviations are left out

bool missing(double x) { return std::isnan(x); }

}  // namespace

int boot_means_and_errors(boot_control* c) {
    boot_iterator* res = c->result;
    const int32_t B = c->replications;
    for (int32_t i = 0; i < c->n; ++i) c->centre[i] = 0.0;
    if (res->restart(res) != 0) return BOOT_IO;
    for (int32_t r = 0; r < B; ++r) {
        if (res->next(res) != 0) return BOOT_IO;
        for (int32_t i = 0; i < c->n; ++i) c->centre[i] += res->record[i];
    }
    for (int32_t i = 0; i < c->n; ++i) {
        // A missing replicate makes the mean missing rather than some NaN without a code.
        c->centre[i] = missing(c->centre[i]) ? qor::missing() : c->centre[i] / B;
        c->std_errors[i] = 0.0;
    }
    if (res->restart(res) != 0) return BOOT_IO;
    for (int32_t r = 0; r < B; ++r) {
        if (res->next(res) != 0) return BOOT_IO;
        for (int32_t i = 0; i < c->n; ++i) {
            double d = res->record[i] - c->centre[i];
            if (std::fabs(d) < kHuge) c->std_errors[i] += d * d;
        }
    }
    for (int32_t i = 0; i < c->n; ++i)
        c->std_errors[i] = missing(c->centre[i]) ? qor::missing() : std::sqrt(c->std_errors[i] / (B - 1));
    return BOOT_OK;
}

int boot_quantiles(boot_control* c) {
    boot_iterator* res = c->result;
    if (boot::sort(res) != 0) return BOOT_IO;
    const int32_t n = c->n;
    const bool studentized = c->kind == BOOT_STUDENT_SE || c->kind == BOOT_STUDENT_NESTED;
    for (int32_t j = 0; j < c->m; ++j) {
        double at = std::floor(c->replications * c->levels[j]);
        int32_t number = at < 0.0 ? 0 : (at > c->replications ? c->replications : static_cast<int32_t>(at));
        c->record_numbers[j] = number;
        if (number == 0) continue;   // too few replicates for this level: stays missing
        if (boot::read_at(res, number) != 0) return BOOT_IO;
        for (int32_t i = 0; i < n; ++i) {
            double q = res->record[i];
            if (studentized && !missing(q))
                q = missing(c->scale[i]) || missing(c->centre[i]) ? qor::missing() : c->scale[i] * q + c->centre[i];
            c->output[j * n + i] = q;
        }
    }
    if (c->interval) {
        for (int32_t i = 0; i < n; ++i) {
            c->interval[2 * i] = c->output[i];
            c->interval[2 * i + 1] = c->output[(c->m - 1) * n + i];
        }
    }
    return BOOT_OK;
}
