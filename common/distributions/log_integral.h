// Logarithm of an integral whose integrand is known only by its logarithm, computed by the
// trapezoidal integrator with log scaling so that values far beyond double range stay exact.
#pragma once

// ln f(x) into *ln_value (-inf allowed); non-zero return = failure.
typedef int (*log_integrand)(double x, void* data, double* ln_value);

// ln of the integral of f: mapping 2 over (lower, inf), mapping 3 over (lower, upper), with the grid
// centred at centre and first step h0. 0 on success, non-zero when the integrator fails.
int log_scale_integral(log_integrand f, void* data, int mapping, double lower, double upper, double centre,
                       double h0, double tolerance, double* ln_result);
