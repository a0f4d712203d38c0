// Building blocks shared by the incomplete beta routines: the complement rule, the continued
// fraction, ln of one tail from the density, the density factor and expansion for large shapes,
// Paulson's normal deviate and the quantile start.
#pragma once

bool beta_use_complement(double x, double a, double b);
// Value of the continued fraction of I_x(a, b) (1 when 399 terms do not settle).
int beta_fraction(double x, double a, double b, double* value);
// ln I_x(a, b) from ln T, the density at x (a below 1 handled by a shift); 1 when the fraction fails.
int beta_side(double x, double a, double b, double ln_t, double* ln_side);
// Paulson's cube-root normal deviate whose Phi approximates I_x(a, b).
double beta_paulson(double x, double a, double b);
// ln(x^a (1 - x)^b / B(a, b)), free of cancellation when both shapes are 15 or more.
double beta_ln_front(double x, double a, double b);
// ln of the beta density at 0 < x < 1 through beta_ln_front.
double beta_ln_density(double x, double a, double b);
// Both tails of I_x(a, b) by the large-shape expansion when a and b exceed 100 and x lies near the
// mean (|a - (a + b) x| <= 0.03 min(a, b)); false, outputs untouched, elsewhere. The tail away from
// the mean is accurate to its last digits; the other is its complement.
bool beta_large_shapes(double x, double a, double b, double* lower, double* upper);
// Start value of the beta quantile search (normal-based start for p <= 0.5).
double beta_quantile_start(double p, double a, double b);
