// Sobol points by Bratley and Fox's construction in Gray-code order (Antonov and Saleev):
// direction numbers for up to 4000 dimensions and 30 bits, one point per call.
#include "common/random/low_discrepancy.h"
#include "common/random/sobol_directions.h"
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

// Polynomials of the first six dimensions (degree, inner coefficient bits); later dimensions take
// theirs, with their starting numbers, from the generated table.
constexpr uint32_t kFirstPolynomials[6][2] = {{1, 0}, {2, 1}, {3, 1}, {3, 2}, {4, 1}, {4, 4}};

void fill_direction_numbers(sobol_generator* g) {
    for (int j = 0; j < SOBOL_MAX_DIMENSION; ++j) {
        int d = 0;
        uint32_t inner = 0;
        uint32_t v[SOBOL_BITS];
        if (j < 6) {
            d = static_cast<int>(kFirstPolynomials[j][0]);
            inner = kFirstPolynomials[j][1];
            for (int i = 0; i < d; ++i) v[i] = kInitial[i][j];
        } else {
            const sobol_start& start = sobol_starts[j + 1 - SOBOL_TABLE_FIRST];
            d = start.degree;
            inner = start.inner;
            for (int i = 0; i < d; ++i) v[i] = sobol_start_numbers[start.first + i];
        }
        for (int i = 0; i < d; ++i) v[i] <<= (29 - i);
        for (int i = d; i < SOBOL_BITS; ++i) {
            uint32_t value = v[i - d] ^ (v[i - d] >> d);
            uint32_t l = inner;
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
