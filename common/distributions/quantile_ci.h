// Distribution-free confidence interval for a quantile: the positions of the order statistics
// that cover the p-quantile of a sample of size n with probability at least 1 - alpha.
#pragma once

// kind 1 two-sided, 2 anchored at the nearer extreme, 3 lower bound, 4 upper bound. Returns 0 when
// the coverage is reached, 1 when the sample is too small (best reachable interval stored), 2 for
// a bad argument or no interval, 3 when the incomplete beta function fails. Outputs start missing.
int zdfciqt(int kind, double n, double alpha, double p, double* lower, double* upper, double* coverage);
