// The model engine's innovations of one step: placing the draws, correlating them through the
// factor of the innovation covariance, loading them onto the equation blocks; and the normal
// distribution function the engine offers for an innovation.
#include <cmath>

#include "common/distributions/normal.h"
#include "common/numeric/linalg.h"
#include "engine/analyses/model_engine.h"
#include "host/missing.h"

namespace {

int64_t packed_row(int64_t i) { return i * (i + 1) / 2; }

}  // namespace

void mult_chol(int32_t n, const double* L, double* x) {
    // Row i needs x[0..i] as they were: going from the last row up, those are still untouched.
    for (int64_t i = n - 1; i >= 0; --i) {
        const double* row = L + packed_row(i);
        double sum = 0.0;
        for (int64_t j = 0; j <= i; ++j) sum += row[j] * x[j];
        x[i] = sum;
    }
}

int32_t place_draws(int32_t n, const double* L, const double* draws, int32_t count, double* z) {
    int32_t used = 0;
    for (int64_t i = 0; i < n; ++i) {
        const bool drawn = L[packed_row(i) + i] != 0.0 && used < count;
        z[i] = drawn ? draws[used++] : 0.0;
    }
    return used;
}

void gen_ran(const double* L, const double* z, int32_t n, const RSKMODBLOCK* blocks, int32_t block_count,
             double* work, double* out, const int32_t* pivot) {
    if (pivot != nullptr) zsymvecp(L, z, work, pivot, n);
    else zsymvec(L, z, work, n);
    const double* innovations = work;
    for (int32_t b = 0; b < block_count; ++b) {
        const RSKMODBLOCK& block = blocks[b];
        if (block.loading == nullptr || block.innovations == block.equations) {
            for (int32_t e = 0; e < block.equations; ++e) out[e] = e < block.innovations ? innovations[e] : 0.0;
        } else {
            for (int32_t e = 0; e < block.equations; ++e) {
                double sum = 0.0;
                for (int32_t k = 0; k < block.innovations; ++k)
                    sum += block.loading[static_cast<int64_t>(e) * block.innovations + k] * innovations[k];
                out[e] = sum;
            }
        }
        out += block.equations;
        innovations += block.innovations;
    }
}

double probnorm(double x) {
    if (qor::is_missing(x)) return x;
    const double t = x / std::sqrt(2.0);
    return t >= 0.0 ? 0.5 * (1.0 + zferf(t)) : 0.5 * zferfc(-t);
}

double innovation_cdf(double sigma, double x) {
    if (qor::is_missing(sigma) || !(sigma > 0.0) || qor::is_missing(x)) return qor::missing();
    return probnorm(x / sigma);
}

double innovation_quantile(double sigma, double p) {
    if (qor::is_missing(sigma) || !(sigma > 0.0) || qor::is_missing(p)) return qor::missing();
    const double z = zprobit(p);
    return qor::is_missing(z) ? z : z * sigma;
}
