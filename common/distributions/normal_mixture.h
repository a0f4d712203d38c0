// Finite mixture of normal laws: ln P, ln Q and ln density at a point, or the quantile of a
// probability, for a caller-owned description of weights, means and standard deviations.
#pragma once
#include <cstdint>

struct mixture_request {
    uint32_t state_flags;   // flag 1: the mixture has been verified (clear it after changing the arrays)
    uint32_t operation;     // flag 2: quantile; otherwise probability and density
    uint32_t search_state;  // 1 lower tail, 2 between component means, 3 upper tail
    double x;               // argument; result of the quantile
    double target;          // log probability the quantile search aims at
    double p;               // probability of the quantile
    int32_t n;              // number of components
    double* weights;
    double* means;          // reordered by ascending mean when a quantile is verified
    double* std_devs;
    double ln_lower, ln_upper, ln_density;   // out
};

// 0; i + n for a weight i outside (0, 1]; i + 2n for a negative standard deviation i; 10 n when the
// weights do not sum to 1; 1 when a tail fails or the quantile does not settle in 40 steps.
int zmxnorm(mixture_request* request);
