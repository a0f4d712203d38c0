// Regularized incomplete beta function and the beta distribution: probability with density,
// quantile, log density, and a log-scale routine driven by a request record.
#pragma once
#include <cstdint>

// P = I_x(a, b) and f = the beta density at x. 0; -1 for a bad argument or non-convergence
// (P = -1, f = 0); 1 when a or b exceeds 2147483647 (outputs untouched).
int zibeta(double x, double a, double b, double* probability, double* density);
// x with I_x(a, b) = p. 0; 1 on a bad argument, a zibeta failure or 30 steps without convergence.
int zprobin(double p, double a, double b, double* x);
// ln of the beta density at x. 0; 1 for x outside [0, 1], a <= 0 or b <= 0.
int zldnbet(double x, double a, double b, double* ln_density);

// Request of the log-scale beta routine; the caller zeroes it, then fills the inputs.
struct beta_request {
    int32_t operation;     // 1 probability, 2 density, 4 quantile (0 = probability)
    double x;              // argument; result of the quantile
    double a, b;           // shape parameters
    double ln_lower;       // out: ln P(X <= x)
    double ln_upper;       // out: ln P(X > x)
    double ln_density;     // out
    double tolerance;      // relative tolerance, at least 5.551115123125785e-16
    double p;              // target probability of the quantile
};

// 0; 1 for a bad request or a failed computation; 2 or 3 when the quantile's p lies below or
// above what the distribution reaches on [2.225073858507202e-293, 0.9999999999999889].
int zlogbet(beta_request* request);
