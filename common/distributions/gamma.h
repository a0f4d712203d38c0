// Regularized incomplete gamma function and the gamma distribution: probabilities with density,
// the log density, the Wilson-Hilferty approximation and a log-scale routine driven by a request.
#pragma once
#include <cstdint>

// P = P(a, x), Q = 1 - P and the gamma density f at x. 0; 1 for x < 0, a < 0 or a series or
// continued fraction that does not settle (P = Q = -2, f = 0).
int zigamma(double x, double a, double* lower, double* upper, double* density);
// ln of the gamma density at x. 0; 1 for x < 0 or a <= 0.
int zldngam(double x, double a, double* ln_density);
// Wilson-Hilferty approximation with correction: returns P and stores Q.
double wilhil(double a, double x, double* upper);

// Request of the log-scale gamma routine; the caller zeroes it, then fills the inputs.
struct gamma_request {
    int32_t operation;     // 1 probability, 2 density, 4 quantile; 1 to 7
    double p;              // target probability of the quantile
    double x;              // argument; result of the quantile
    double a;              // shape
    double ln_lower, ln_upper, ln_density;   // out
    double tolerance;      // relative tolerance, at least 8.881784197001256e-16
    double step_floor;     // at least 2.225073858507202e-305
};

// 0; 1 for a bad request or a failed computation.
int zloggam(gamma_request* request);
