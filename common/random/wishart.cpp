// Random Wishart factors by the Bartlett decomposition, scaled by 1/sqrt(df): the caller
// multiplies the packed lower triangle by the Cholesky factor of the scale matrix.
#include <cmath>

#include "common/numeric/zisub.h"
#include "common/random/low_discrepancy.h"
#include "host/missing.h"
#include "host/print.h"

wishart_generator* zwishin(int32_t dimension, double df, uint32_t seed, qor_pool* pool) {
    if (!pool) return nullptr;
    if (dimension < 1 || !(df > dimension - 1)) {
        // Each diagonal needs a chi-square with df - i > 0 degrees of freedom.
        xebug("zwishin: degrees of freedom %g do not suit dimension %i.", df, dimension);
        return nullptr;
    }
    auto* w = static_cast<wishart_generator*>(pool->allocate(pool, sizeof(wishart_generator), QOR_ALLOC_ZERO));
    if (!w) return nullptr;
    w->stream = zrndalo(seed);
    if (!w->stream) return nullptr;
    w->seed = seed;
    w->dimension = dimension;
    w->df = df;
    return w;
}

int zwishr2(double* out, wishart_generator* w) {
    const double scale = 1.0 / std::sqrt(w->df);
    random_stream* s = w->stream;
    for (int i = 0; i < w->dimension; ++i) {
        double g = zrndgam((w->df - i) * 0.5, s);
        out[zisub(i, i)] = std::sqrt(2.0 * g) * scale;
        for (int j = 0; j < i; ++j) out[zisub(i, j)] = zrndnor(s) * scale;
    }
    return 0;
}
