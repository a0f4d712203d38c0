// Student t quantile and the noncentral t distribution: distribution function, quantile, log
// density and a log-scale routine driven by a request record.
#pragma once
#include <cstdint>

// Student t quantile. 0; 1 for p <= 0, p >= 1, nu <= 0 or a failed beta quantile.
int zqt(double p, double nu, double* t);
// Noncentral t distribution function. 0; 1 on failure (*f then holds the missing value).
int zplbtnc(double t, double nu, double delta, double* f);
// Noncentral t quantile. 0; 1 on failure.
int zqtnc(double p, double nu, double delta, double* t);
// ln of the noncentral t density. 0; 1 when nu < 0.5 or the integration fails.
int zldntnc(double t, double nu, double delta, double* ln_density);

// Request of the log-scale noncentral t routine; the caller zeroes it, then fills the inputs.
struct tnc_request {
    int32_t operation;     // 1 probability, 2 density, 4 quantile; 1 to 7
    double x;              // argument; result of the quantile
    double nu;             // degrees of freedom
    double delta;          // noncentrality
    double ln_lower, ln_upper, ln_density;   // out
    double p;              // target probability of the quantile
    double tolerance;      // relative tolerance, at least 8.881784197001256e-16
    double mean;           // out: mean of the distribution (nu > 1), else missing
    double std_dev;        // out: standard deviation (nu > 2), else missing
    int32_t moments_known; // out: 1 once mean and std_dev have been computed
    double absolute_step;  // step tolerances of the quantile search, each at least 1.053671212772351e-8
    double relative_step;
};

// 0; 1 for a bad request or a failed computation (x then holds the last iterate).
int zlogtnc(tnc_request* request);
