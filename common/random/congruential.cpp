// The congruential uniform generators: L'Ecuyer's combined generator with a 50-entry shuffle
// table (zranui, zranu) and the one-word multiplicative generator (zranuni).
#include "common/random/random_stream.h"

namespace {

constexpr int32_t kM1 = 2147483563, kA1 = 40014, kQ1 = 53668, kR1 = 12211;
constexpr int32_t kM2 = 2147483399, kA2 = 40692, kQ2 = 52774, kR2 = 3791;
constexpr int32_t kTable = 50;
constexpr int32_t kDivisor = 1 + (kM1 - 1) / kTable;

// One step x = a x mod m by Schrage's decomposition (no overflow in 32 bits).
inline int32_t schrage(int32_t x, int32_t a, int32_t q, int32_t r, int32_t m) {
    int32_t k = x / q;
    x = a * (x - k * q) - k * r;
    return x < 0 ? x + m : x;
}

}  // namespace

void zranui(ranu_state* state, int32_t seed) {
    *state = ranu_state{};
    state->seed = seed;
    state->first = 1;
    state->table_size = kTable;
}

int zranu(ranu_state* state, int32_t n, double* out) {
    if (state->first) {
        if (state->seed < 1 || state->seed > kM2 - 1) return 1;
        int32_t g1 = state->seed;
        for (int step = 1; step <= 60; ++step) {
            g1 = schrage(g1, kA1, kQ1, kR1, kM1);
            if (step > 10) state->table[step - 11] = g1;
        }
        state->generator1 = g1;
        state->generator2 = state->seed;
        state->last = state->table[0];
        state->first = 0;
    }
    int32_t g1 = state->generator1, g2 = state->generator2, last = state->last;
    for (int32_t i = 0; i < n; ++i) {
        g1 = schrage(g1, kA1, kQ1, kR1, kM1);
        g2 = schrage(g2, kA2, kQ2, kR2, kM2);
        int32_t j = last / kDivisor;
        last = state->table[j] - g2;
        if (last < 1) last += kM1 - 1;
        state->table[j] = g1;
        out[i] = last / static_cast<double>(kM1);
    }
    state->generator1 = g1;
    state->generator2 = g2;
    state->last = last;
    return 0;
}

double zranuni(int32_t* seed) {
    // The product fits in 64 bits, so the remainder is exact without partial products.
    uint64_t s = static_cast<uint64_t>(static_cast<uint32_t>(*seed) & 0x7FFFFFFFu);
    s = (s * 397204094u) % 2147483647u;
    *seed = static_cast<int32_t>(s);
    return static_cast<double>(s) / 2147483647.0;
}
