// Standard normal distribution: error functions, distribution function, log tail probabilities,
// Mills ratio, the inverse Gaussian distribution function and the normal quantile.
#pragma once

// Error function (kind 0) or its complement (any other kind) of x, stored in *result.
void calerf(double x, double* result, int kind);
double zferf(double x);
double zferfc(double x);
// phi(x), the standard normal density (full relative accuracy out to where it underflows).
double zdnsnrm(double x);
// Phi(x), the standard normal distribution function.
double zprbnrm(double x);
// ln Phi(z), ln(1 - Phi(z)) and ln phi(z); 0, or 1 when the Mills ratio fails.
int zlognrm(double z, double* ln_lower, double* ln_upper, double* ln_density);
// Mills ratio R = (1 - Phi(x)) / phi(x); 0, or 1 when the continued fraction fails.
int zmillsr(double x, double* ratio);
// Mills ratio by Laplace's continued fraction for x >= 5; 1 when 100 convergents do not settle.
int zcnfmill(double x, double* ratio);
// Distribution function at x of the inverse Gaussian law with mean 1 and shape lambda.
double zprbigs(double x, double lambda);

// Standard normal quantile for 0 <= p <= 1 (non-decreasing in p).
double zprobit(double p);
// Normal quantile for 0 < p < 1e-16 by Newton steps on ln Phi; its floor (about -37.5) on failure.
double szprobit(double p);
