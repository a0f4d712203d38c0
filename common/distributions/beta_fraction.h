// Building blocks shared by the incomplete beta routines: the complement rule, the continued
// fraction, ln of one tail from the density, Paulson's normal deviate and the quantile start.
#pragma once

bool beta_use_complement(double x, double a, double b);
// Value of the continued fraction of I_x(a, b) (1 when 399 terms do not settle).
int beta_fraction(double x, double a, double b, double* value);
// ln I_x(a, b) from ln T, the density at x (a below 1 handled by a shift); 1 when the fraction fails.
int beta_side(double x, double a, double b, double ln_t, double* ln_side);
// Paulson's cube-root normal deviate whose Phi approximates I_x(a, b).
double beta_paulson(double x, double a, double b);
// Start value of the beta quantile search (normal-based start for p <= 0.5).
double beta_quantile_start(double p, double a, double b);
