// The random stream record (a Mersenne Twister with caches for non-uniform variates) and the
// congruential uniform generators that stand beside it.
#pragma once
#include <cstdint>

#include "host/pool.h"

// MT19937 state: 624 words, the index of the next word to temper, and the twist table.
struct mt_state {
    uint32_t words[624];
    uint32_t index;          // 624: the whole state is regenerated before the next draw
    uint32_t twist[2];       // {0, 0x9908B0DF}, indexed by the low bit
};

// Set-up constants of the beta generator for the last (a, b).
struct beta_cache {
    double a, b;
    double c[8];             // t, p | a0, b0, alpha, beta, gamma | ... delta, k1, k2, bound | 1/a, 1/b
};

// Set-up constants of the gamma generator for the last alpha.
struct gamma_cache {
    double alpha;
    double c[7];             // alpha > 1: a, b, d; alpha <= 1: f, f - 1, 1/f, p
    int32_t whole;           // integer part of alpha
};

// Set-up constants of the binomial generator for the last (n, p).
struct binomial_cache {
    double p, mean, sd, p0, r, g;
    int32_t n;
    int16_t underflow_logged;   // the underflow note is logged once per stream
    bool valid;                 // false until the first set-up (zero parameters are a valid set-up too)
};

// Set-up constants of the Poisson generator for the last mean.
struct poisson_cache {
    double mean, cap, exp_minus_mean, exp_remainder, cdf_at_mode, pdf_at_mode, mode;
    int32_t method;          // 0 inversion from 0, 1 inversion from the mode, 2 normal approximation
    bool valid;
};

// The waiting second value of the polar normal method.
struct normal_cache {
    int32_t waiting;
    double value[2];         // the waiting value first
};

// Codes left in random_stream::status by a call that could not do what was asked.
enum : int32_t {
    RND_OK = 0,
    RND_NO_OUTPUT = 1,       // count other than 1 and no output array
    RND_BAD_COUNT = 2,       // negative count with an output array
};

struct random_stream {
    mt_state* state;
    beta_cache* beta;
    gamma_cache* gamma;
    binomial_cache* binomial;
    poisson_cache* poisson;
    normal_cache* normal;
    int32_t count;           // numbers made by one call of zrndmt or zrndnor; 1 after creation
    double* output;          // where a call that makes several numbers writes them; null after creation
    qor_pool* pool;          // owns the head, the state and the caches
    int32_t status;          // RND_OK, or the misuse detected by the last zrndmt/zrndnor call
};

// Create a stream (seed 0: from the clock); null when any allocation fails.
random_stream* zrndalo(uint32_t seed);
// Delete a stream with its pool; null is ignored.
void zrndfre(random_stream* stream);
// Seed the state and set the macro variable SYSRANDOM to the seed.
void zrndmti(uint32_t seed, random_stream* stream);

// Uniform in (0, 1), or fill the output array with count numbers and return 0.0.
double zrndmt(random_stream* stream);
// Standard normal, or fill the output array and return 0.0.
double zrndnor(random_stream* stream);
double zrndgam(double alpha, random_stream* stream);
double zrndbet(double a, double b, random_stream* stream);
double zrndbin(int32_t n, double p, random_stream* stream);
double zrndpoi(double mean, random_stream* stream);
double zrndcau(random_stream* stream);
// Index of a class (from 1) drawn from n probabilities used as they stand.
double zrndtbl(int32_t n, const double* probabilities, random_stream* stream);

// Combined congruential generator with a 50-entry shuffle table.
struct ranu_state {
    int32_t seed;
    int32_t first;           // 1 until the first call has filled the table
    int32_t table_size;      // always 50
    int32_t table[50];
    int32_t generator1;
    int32_t generator2;
    int32_t last;
};
static_assert(sizeof(ranu_state) == 56 * 4, "the combined congruential state is 56 words");

void zranui(ranu_state* state, int32_t seed);
// Fill out[0..n-1] with uniforms; 0, or 1 when the seed is outside 1 .. 2147483398.
int zranu(ranu_state* state, int32_t n, double* out);
// One-word multiplicative generator: advance the seed, return it / 2147483647.
double zranuni(int32_t* seed);

// Internal: the next uniform of a stream's twister in (0, 1), ignoring count and output.
double rnd_uniform(mt_state* state);
