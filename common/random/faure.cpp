// Faure points in base b, the smallest prime not below the dimension, started at b^4 - 1: the
// radical inverse of the point number, then one binomial-matrix transform per further coordinate.
#include <cmath>

#include "common/random/low_discrepancy.h"

int IsPrime(uint32_t n) {
    if (n == 2) return 1;
    if (n % 2 == 0) return 0;
    for (uint64_t d = 3; d * d <= n; d += 2) {
        if (n % d == 0) return 0;
    }
    return 1;   // 1 counts as prime here; callers search from 2
}

faure_generator* zfaurei(int32_t dimension, qor_pool* pool) {
    if (!pool) return nullptr;
    if (dimension < 1) return nullptr;
    uint32_t b = static_cast<uint32_t>(dimension) < 2 ? 2u : static_cast<uint32_t>(dimension);
    while (!IsPrime(b)) ++b;
    auto* g = static_cast<faure_generator*>(pool->allocate(pool, sizeof(faure_generator), QOR_ALLOC_PLAIN));
    if (!g) return nullptr;
    const int r = static_cast<int>(45.0 / std::log(static_cast<double>(b)) - 1.0);
    g->digits = r;
    g->dimension = dimension;
    g->base = b;
    g->start = b <= 255 ? b * b * b * b - 2u : 4294967293u;
    g->work = static_cast<uint32_t*>(pool->allocate(pool, r * sizeof(uint32_t), QOR_ALLOC_ZERO));
    g->counter = static_cast<uint32_t*>(pool->allocate(pool, r * sizeof(uint32_t), QOR_ALLOC_ZERO));
    g->binomials = static_cast<uint32_t*>(pool->allocate(pool, r * (r + 1) / 2 * sizeof(uint32_t), QOR_ALLOC_ZERO));
    g->powers = static_cast<double*>(pool->allocate(pool, r * sizeof(double), QOR_ALLOC_ZERO));
    if (!g->work || !g->counter || !g->binomials || !g->powers) return nullptr;

    double power = 1.0, inverse = 1.0 / b;
    for (int i = 0; i < r; ++i) g->powers[i] = power *= inverse;
    // Digits of the start number, least significant first, in exact integer arithmetic.
    uint64_t rest = g->start;
    for (int i = 0; i < r && rest; ++i) {
        g->counter[i] = static_cast<uint32_t>(rest % b);
        rest /= b;
    }
    for (int i = 0; i < r; ++i) g->work[i] = g->counter[i];
    // Row i holds C(i,i) .. C(r-1,i) in unsigned 32-bit arithmetic; coefficients that wrap only
    // ever meet digits that are zero while the point number stays below 2^32.
    uint32_t* row = g->binomials;
    for (int i = 0; i < r; ++i) {
        row[0] = 1;
        for (int j = i + 1; j < r; ++j) {
            row[j - i] = row[j - i - 1] * static_cast<uint32_t>(j) / static_cast<uint32_t>(j - i);
        }
        row += r - i;
    }
    return g;
}

int zfaure(double* out, faure_generator* g) {
    const int r = g->digits;
    const uint32_t b = g->base;
    for (int i = 0; i < r; ++i) {
        if (++g->counter[i] < b) break;
        g->counter[i] = 0;   // carry; a carry out of the top digit is lost
    }
    for (int i = 0; i < r; ++i) g->work[i] = g->counter[i];
    for (int k = 0; k < g->dimension; ++k) {
        double x = 0.0;
        const uint32_t* row = g->binomials;
        for (int i = 0; i < r; ++i) {
            x += g->work[i] * g->powers[i];
            uint32_t sum = 0;
            for (int j = i; j < r; ++j) sum += row[j - i] * g->work[j];
            g->work[i] = sum % b;
            row += r - i;
        }
        out[k] = x;
    }
    return 0;
}
