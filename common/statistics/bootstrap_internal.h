// Steps of a bootstrap run shared between its source files: drawing one resample, and the
// summaries of the replicate statistics (means, standard errors, quantiles).
#pragma once
#include "common/statistics/bootstrap.h"

// Writes one multinomial resample of the source to the staging file: 0, 1 (no valid draw) or 3.
int boot_draw_resample(boot_control* c, boot_binomial_cache* cache);
// Kind 3: replicate means into the centre array and standard errors from the result file: 0 or 3.
int boot_means_and_errors(boot_control* c);
// Sorts the result file and writes the quantile output (and the interval pairs): 0 or 3.
int boot_quantiles(boot_control* c);
