// Creation, seeding and deletion of a random stream: every block lives in the stream's own pool.
// Seeding follows the 69069 multiplier rule and publishes the seed as the macro variable SYSRANDOM.
#include <cmath>

#include "common/random/random_stream.h"
#include "host/kernel.h"
#include "host/macro.h"

namespace {

void* zeroed_block(qor_pool* pool, size_t bytes) {
    return pool->allocate(pool, bytes, QOR_ALLOC_ZERO);
}

// Seed from the clock: the fraction of (seconds / 1000) scaled to 1 .. 1,000,000,000.
uint32_t clock_seed() {
    double t = wzdttme() * 0.001;
    double s = std::floor((t - std::floor(t)) * 1000000000.0) + 1.0;
    return static_cast<uint32_t>(std::fmod(s, 4294967296.0));
}

}  // namespace

void zrndmti(uint32_t seed, random_stream* stream) {
    if (!stream || !stream->state) return;
    if (seed == 0) seed = clock_seed();
    mt_state* st = stream->state;
    st->words[0] = seed;
    xjsympn(xalanch(), "SYSRANDOM", 9, static_cast<double>(seed));
    for (int i = 1; i < 624; ++i) st->words[i] = st->words[i - 1] * 69069u;   // modulo 2^32
    st->index = 624;
}

random_stream* zrndalo(uint32_t seed) {
    qor_pool* pool = xmpoolc(2828, 1024, 6);
    if (!pool) return nullptr;
    auto* stream = static_cast<random_stream*>(zeroed_block(pool, sizeof(random_stream)));
    if (!stream) { xmpoold(pool); return nullptr; }
    stream->pool = pool;
    stream->state = static_cast<mt_state*>(zeroed_block(pool, sizeof(mt_state)));
    if (!stream->state) { xmpoold(pool); return nullptr; }
    stream->state->twist[0] = 0;
    stream->state->twist[1] = 0x9908B0DFu;
    zrndmti(seed, stream);
    stream->beta = static_cast<beta_cache*>(zeroed_block(pool, sizeof(beta_cache)));
    stream->binomial = static_cast<binomial_cache*>(zeroed_block(pool, sizeof(binomial_cache)));
    stream->gamma = static_cast<gamma_cache*>(zeroed_block(pool, sizeof(gamma_cache)));
    stream->normal = static_cast<normal_cache*>(zeroed_block(pool, sizeof(normal_cache)));
    stream->poisson = static_cast<poisson_cache*>(zeroed_block(pool, sizeof(poisson_cache)));
    if (!stream->beta || !stream->binomial || !stream->gamma || !stream->normal || !stream->poisson) {
        xmpoold(pool);
        return nullptr;
    }
    stream->count = 1;
    stream->output = nullptr;
    stream->status = RND_OK;
    return stream;
}

void zrndfre(random_stream* stream) {
    if (!stream) return;
    xmpoold(stream->pool);   // the head itself lives in the pool
}
