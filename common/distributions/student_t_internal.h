// Pieces of the noncentral t shared between its source files: the density series for small
// noncentrality and the mean and standard deviation of the distribution.
#pragma once

// ln f(t) by the Poisson-weighted beta density series (t != 0). 0, or 1 when the series does not
// settle or its sum is not positive; *loss is the cancellation factor sum |terms| / sum.
int tnc_density_series(double t, double nu, double delta, double* ln_density, double* loss);
// Mean (nu > 1) and standard deviation (nu > 2, variance at least 1.11e-16); missing otherwise.
void tnc_moments(double nu, double delta, double* mean, double* std_dev);
