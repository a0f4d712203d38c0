// Sobol points by Bratley and Fox's construction in Gray-code order (Antonov and Saleev):
// direction numbers for up to 4000 dimensions and 30 bits, one point per call.
#include "common/random/low_discrepancy.h"
#include "host/print.h"

namespace {

// Initial direction numbers of the first six dimensions: row i is bit i.
constexpr uint32_t kInitial[6][6] = {
    {1, 1, 1, 1, 1, 1},
    {3, 1, 3, 3, 1, 1},
    {5, 7, 7, 3, 3, 5},
    {15, 11, 5, 15, 13, 9},
    {0, 0, 0, 0, 0, 0},
    {0, 0, 0, 0, 0, 0},
};

// Starting direction number m of row i (i below the polynomial's degree) for dimensions past the
// fixed table. A starting number must be odd and below 2^(i+1); and two dimensions whose starting
// numbers agree produce the same first 2^degree - 1 coordinates, however their polynomials
// differ. Deriving m from the polynomial's coefficient bits alone gives many dimensions the same
// numbers (all 1 for dimensions 7 and 8), so each (dimension, row) gets its own odd number from a
// fixed mixing function: valid, reproducible, and distinct across dimensions.
uint32_t initial_number(int dimension, int row) {
    uint64_t z = static_cast<uint64_t>(dimension) * 64u + static_cast<uint64_t>(row) + 0x9E3779B97F4A7C15ULL;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    z ^= z >> 31;
    uint32_t below = row >= 31 ? 0xFFFFFFFFu : (2u << row) - 1u;   // values below 2^(row+1)
    return (static_cast<uint32_t>(z) & below) | 1u;
}

void fill_direction_numbers(sobol_generator* g) {
    const sobol_polynomial* polys = sobol_polynomials();
    for (int j = 0; j < SOBOL_MAX_DIMENSION; ++j) {
        const sobol_polynomial& poly = polys[j];
        const int d = static_cast<int>(poly.degree);
        uint32_t v[SOBOL_BITS];
        for (int i = 0; i < SOBOL_BITS; ++i) v[i] = initial_number(j, i);
        if (j < 6) {
            for (int i = 0; i < 6; ++i) v[i] = kInitial[i][j];
        }
        for (int i = 0; i < d; ++i) v[i] <<= (29 - i);
        for (int i = d; i < SOBOL_BITS; ++i) {
            uint32_t value = v[i - d] ^ (v[i - d] >> d);
            uint32_t l = poly.inner;
            for (int k = d - 1; k >= 1; --k) {
                if (l & 1u) value ^= v[i - k];
                l >>= 1;
            }
            v[i] = value;
        }
        for (int i = 0; i < SOBOL_BITS; ++i) g->rows[i][j] = v[i];
    }
}

}  // namespace

sobol_generator* zsoboli(int32_t dimension, qor_pool* pool) {
    if (!pool) return nullptr;
    if (dimension < 1 || dimension > SOBOL_MAX_DIMENSION) {
        // A larger dimension would leave the caller's point partly unwritten.
        xebug("zsoboli: dimension %i is outside 1 to %i.", dimension, static_cast<int>(SOBOL_MAX_DIMENSION));
        return nullptr;
    }
    auto* g = static_cast<sobol_generator*>(pool->allocate(pool, sizeof(sobol_generator), QOR_ALLOC_PLAIN));
    if (!g) return nullptr;
    size_t cells = static_cast<size_t>(SOBOL_BITS) * SOBOL_MAX_DIMENSION;
    g->matrix = static_cast<uint32_t*>(pool->allocate(pool, cells * sizeof(uint32_t), QOR_ALLOC_PLAIN));
    if (!g->matrix) return nullptr;
    for (int i = 0; i < SOBOL_BITS; ++i) g->rows[i] = g->matrix + static_cast<size_t>(i) * SOBOL_MAX_DIMENSION;
    g->dimension = dimension;
    g->scale = 1.0 / 1073741824.0;
    g->counter = 0;
    for (uint32_t& p : g->point) p = 0;
    fill_direction_numbers(g);
    return g;
}

int zsobol(double* out, sobol_generator* g) {
    int l = 0;
    uint32_t c = g->counter;
    while (l < SOBOL_BITS && (c & 1u)) {
        c >>= 1;
        ++l;
    }
    if (l == SOBOL_BITS) {
        xebug("zsobol: MAXBIT too small");
        return 1;
    }
    const uint32_t* row = g->rows[l];
    const int n = g->dimension < SOBOL_MAX_DIMENSION ? g->dimension : SOBOL_MAX_DIMENSION;
    for (int k = 0; k < n; ++k) {
        g->point[k] ^= row[k];
        out[k] = g->point[k] * g->scale;
    }
    ++g->counter;
    return 0;
}
