// Low-discrepancy point generators (Sobol up to 4000 dimensions and 30 bits, Faure) and the
// Wishart generator of random covariance factors; all records live in a caller's pool.
#pragma once
#include <cstdint>

#include "common/random/random_stream.h"
#include "host/pool.h"

enum : int { SOBOL_MAX_DIMENSION = 4000, SOBOL_BITS = 30 };

struct sobol_generator {
    int32_t dimension;
    double scale;                            // 2^-30
    uint32_t counter;                        // points produced so far
    uint32_t point[SOBOL_MAX_DIMENSION];     // the current integer point
    uint32_t* rows[SOBOL_BITS];              // row i: direction numbers of bit i, one per dimension
    uint32_t* matrix;                        // 30 x 4000 direction numbers
};

struct faure_generator {
    int32_t digits;          // r, base-b digits kept
    int32_t dimension;
    uint32_t* work;          // r digits, transformed once per coordinate
    uint32_t* counter;       // r digits of the point number, least significant first
    uint32_t* binomials;     // r(r+1)/2 coefficients, row i holding C(i,i) .. C(r-1,i)
    double* powers;          // b^-1 .. b^-r
    uint32_t start;
    uint32_t base;
};

struct wishart_generator {
    random_stream* stream;   // own pool: release with zrndfre(generator->stream)
    uint32_t seed;
    int32_t dimension;
    double df;
};

// One primitive polynomial over GF(2): degree and inner coefficient bits (bit t: x^(t+1)).
struct sobol_polynomial {
    uint32_t degree;
    uint32_t inner;
    uint32_t spare;          // always 0
};
// The 4000 polynomials by degree, then inner bits (built once, thread-safe).
const sobol_polynomial* sobol_polynomials();

sobol_generator* zsoboli(int32_t dimension, qor_pool* pool);
int zsobol(double* out, sobol_generator* generator);
faure_generator* zfaurei(int32_t dimension, qor_pool* pool);
int zfaure(double* out, faure_generator* generator);
int IsPrime(uint32_t n);
wishart_generator* zwishin(int32_t dimension, double df, uint32_t seed, qor_pool* pool);
int zwishr2(double* out, wishart_generator* generator);
