// Confidence limits for the quantiles of a frequency list, shared by the list walk: normal-model
// limits through noncentral t quantiles and distribution-free limits from order statistics.
#pragma once
#include "common/statistics/frequency_quantiles.h"

// Normal-model limits of the p-quantile, written at index k of the request's limit arrays; a limit
// that cannot be computed (p = 0 or 1, missing mean or deviation, a failed t quantile) is missing.
void frequency_normal_limits(const frequency_summary* summary, quantile_request* request, double p, int k);
// Distribution-free limits of the p-quantile at index k: positions, coverage in percent and the
// values at those positions; missing where no interval exists.
void frequency_df_limits(const frequency_summary* summary, const frequency_node* first, quantile_request* request,
                         double p, int k);
// Sets every interval output at index k to the missing value.
void frequency_clear_limits(quantile_request* request, int k);
