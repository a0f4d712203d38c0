// One bootstrap resample: a single pass over the source in which each observation's number of
// copies is a binomial draw conditional on the copies already given (multinomial resampling).
#include <cmath>
#include <cstring>

#include "common/statistics/bootstrap_internal.h"

namespace {

// The observation's share of the weight still to be given out; 0 for a missing or negative
// weight, 1 once the remaining weight is all its own (rounding must not push p above 1).
double share(double w, double remaining) {
    if (!(w > 0.0)) return 0.0;
    if (remaining <= w) return 1.0;
    return w / remaining;
}

}  // namespace

int boot_draw_resample(boot_control* c, boot_binomial_cache* cache) {
    boot_iterator* src = c->source;
    boot_iterator* st = c->staging;
    if (st->wrestart(st) != 0 || src->restart(src) != 0) return BOOT_IO;
    const int32_t N = src->records;
    double W = src->total_weight > 0.0 ? src->total_weight : static_cast<double>(N);
    int32_t drawn = 0;
    for (int32_t i = 0; i < N; ++i) {
        int32_t k = 0;
        if (i == N - 1) {
            k = N - drawn;
        } else if (drawn < N) {
            double w = src->weight ? *src->weight : 1.0;
            if (!(w >= 0.0)) w = 0.0;   // missing or negative: no copies
            double draw = ranbin(&c->seed, N - drawn, share(w, W), cache);
            if (std::isnan(draw)) return BOOT_BAD_ARGUMENT;
            k = static_cast<int32_t>(draw);
            W -= w;
            drawn += k;
        }
        if (src->next(src) != 0) return BOOT_IO;
        // Copied rather than shared: a source may point its record field at each value in turn,
        // and reading the staging file back must never write into the caller's data.
        if (k > 0) std::memcpy(st->record, src->record, static_cast<size_t>(st->record_bytes));
        for (int32_t copy = 0; copy < k; ++copy)
            if (st->wnext(st) != 0) return BOOT_IO;
    }
    return st->wend(st) != 0 ? BOOT_IO : BOOT_OK;
}
