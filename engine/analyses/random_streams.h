// Random streams of the simulation generators: one record per open stream that hides which
// uniform source (Faure, Sobol, congruential, Twister, plain or antithetic) feeds the normals.
#pragma once
#include <cstdint>

#include "common/random/random_stream.h"
#include "engine/tables/control_structure.h"
#include "host/pool.h"

// Generator codes of the random-number-generator registry.
enum : int32_t {
    RSKRAN_FAURE = 1,
    RSKRAN_SOBOL = 2,
    RSKRAN_LECUYER = 3,
    RSKRAN_ANTITHETIC_LECUYER = 4,
    RSKRAN_TWISTER = 5,
    RSKRAN_ANTITHETIC_TWISTER = 6,
};

// An open stream, owned by the generator that opens it; rsarani zero-fills it in full.
struct RSKRANSTREAM {
    int32_t kind;                    // generator code, 1 to 6
    int32_t draws;                   // draw calls so far (raised at the start of every draw)
    ranu_state congruential;         // codes 3 and 4
    random_stream* twister;          // codes 5 and 6; its own pool, released by rsaranf
    void* sequence;                  // Faure or Sobol generator (codes 1, 2), in the caller's pool
    double* antithetic;              // the uniforms of the last odd-numbered draw (codes 4, 6)
    uint32_t buffer_bytes;           // bytes of `antithetic`; 0 when there is none
    int32_t dimension;               // values per draw, as opened
};

// Opens a stream of `kind` delivering `dimension` values per draw. Sequences and the antithetic
// buffer come from `pool` (the run's analysis pool). 0, or 1 after the message.
int rsarani(RSKCON* con, int32_t kind, int32_t dimension, int32_t seed, RSKRANSTREAM* stream, qor_pool* pool);
// Fills out[0..n-1] with standard normal deviates times `scale` and writes them to SHOCKS when
// that result data set is open. n is the dimension (1 is also accepted from the congruential and
// Twister sources). 0, or the failing code with `out` left untransformed.
int rsaranv(RSKCON* con, double* out, int32_t n, RSKRANSTREAM* stream, double scale);
// Releases what the stream owns outside the caller's pool (the Twister and its pool).
void rsaranf(RSKRANSTREAM* stream);
