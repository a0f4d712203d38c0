// The model engine's innovations: the draws of one step placed on the innovations, correlated
// through the factor of the innovation covariance and loaded onto each equation block, and the
// normal distribution function of an innovation.
#pragma once
#include <cstdint>

// One equation block (one model): its equations driven by its innovations, which follow those
// of the blocks before it in the engine's innovation vector. Without a loading matrix (or with as
// many innovations as equations) the innovations are the equations' shocks; otherwise the
// shocks are loading x innovations, the matrix held row by row (equations x innovations).
struct RSKMODBLOCK {
    int32_t equations;
    int32_t innovations;
    const double* loading;
};

// x := L x for the packed lower triangle L of order n, in place, from the last row to the first.
void mult_chol(int32_t n, const double* L, double* x);

// Places `draws` draws in order on the innovations whose diagonal element in the packed factor L
// is not 0; the others get 0. Answers the number of draws used (at most `draws`).
int32_t place_draws(int32_t n, const double* L, const double* draws, int32_t count, double* z);

// Correlates z through L (x = L z, row i of the product going to innovation pivot[i] when a pivot
// vector is given) into `work` (n doubles), then writes each block's equation shocks into `out`,
// one block after the other.
void gen_ran(const double* L, const double* z, int32_t n, const RSKMODBLOCK* blocks, int32_t block_count,
             double* work, double* out, const int32_t* pivot);

// The standard normal distribution function.
double probnorm(double x);

// The distribution function of an innovation of standard deviation sigma at x, and its inverse at
// p; missing when sigma is 0, negative or missing.
double innovation_cdf(double sigma, double x);
double innovation_quantile(double sigma, double p);
