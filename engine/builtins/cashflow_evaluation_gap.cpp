// The time buckets of the gap report: the cut points of a state (fixed, or moving with the
// state's horizon date) and the placing of a dated amount into the two buckets around its date,
// linearly by the date or by the run's fixed ratio.
#include <cmath>

#include "common/intervals/interval_arith.h"
#include "common/intervals/interval_spec.h"
#include "engine/builtins/builtin_support.h"
#include "engine/builtins/cashflow_evaluation_parts.h"
#include "engine/run/project_run.h"

const double* rskcf_cut_points(const RSKCFSETTINGS* settings, double state_date, int32_t state_index, double* out) {
    const int32_t b = settings->bucket_count;
    if (!settings->moving_buckets || state_index < 0 || settings->intervals == nullptr || b < 1 ||
        qor::is_missing(state_date))
        return settings->cut_points;
    out[0] = state_date;
    for (int32_t j = 1; j < b; ++j) {
        const RSKBUCKETNAME& bucket = settings->intervals[j - 1];
        int length = static_cast<int>(sizeof bucket.interval);
        while (length > 0 && bucket.interval[length - 1] == ' ') --length;
        interval_spec spec{};
        out[j] = zintstr(bucket.interval, length, &spec) == 0 ? zintnx3(&spec, state_date, bucket.count, "Same")
                                                              : qor::missing();
    }
    return out;
}

void rskcf_place(const RSKCFSETTINGS* settings, const double* cuts, double date, double amount, double* buckets,
                 double* bucket0, int32_t* hint, double* previous_date) {
    const int32_t b = settings->bucket_count;
    if (qor::is_missing(amount)) return;
    if (qor::is_missing(date) || b < 1 || date <= cuts[0]) {
        *bucket0 += amount;
        return;
    }
    // Bucket j holds the dates after cut point j - 1 up to cut point j.
    int32_t j = qor::is_missing(*previous_date) || date < *previous_date || *hint < 1 ? 1 : *hint;
    *previous_date = date;
    while (j < b && !(date <= cuts[j])) ++j;
    if (j >= b) return;   // after the last cut point
    *hint = j;
    double w;             // the share of bucket j; bucket j - 1 takes the rest
    if (qor::is_missing(settings->split_ratio)) {
        const double width = cuts[j] - cuts[j - 1];
        w = width < kRskCfTiny ? 1.0 : (date - cuts[j - 1]) / width;
    } else {
        w = settings->split_ratio;
    }
    buckets[j] += w * amount;
    buckets[j - 1] += (1.0 - w) * amount;
}
