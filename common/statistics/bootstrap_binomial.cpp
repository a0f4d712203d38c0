// Binomial variates for the bootstrap's multinomial resampling, drawn from the one-word
// congruential generator: inversion for small problems, the normal approximation otherwise.
#include <cmath>

#include "common/random/binomial_steps.h"
#include "common/random/random_stream.h"
#include "common/statistics/bootstrap.h"
#include "host/missing.h"

namespace {

constexpr double kSmallTerm = 1.110223024625157e-16;   // 2^-53

void setup(boot_binomial_cache* c, int32_t n, double p) {
    binomial_constants k = binomial_setup_constants(n, p);
    c->p = p;
    c->n = n;
    c->mean = k.mean;
    c->sd = k.sd;
    c->p0 = k.p0;
    c->r = k.r;
    c->g = k.g;
    c->valid = 1;
}

}  // namespace

double ranbin(int32_t* seed, int32_t n, double p, boot_binomial_cache* c) {
    if (!seed || !c || n < 0 || !(p >= 0.0 && p <= 1.0)) return qor::missing();
    // A state of 0 modulo 2^31 - 1 is a fixed point of the generator: every uniform would be 0
    // and the normal approximation would never come back.
    if ((static_cast<uint32_t>(*seed) & 0x7FFFFFFFu) % 2147483647u == 0) return qor::missing();
    if (!c->valid || p != c->p || n != c->n) setup(c, n, p);
    if (n <= 50 || n * p <= 5.0) {
        // Inversion counts successes of the smaller of p and 1 - p.
        return binomial_by_inversion(zranuni(seed), c->p0, c->g, c->r, n, p, kSmallTerm);
    }
    return binomial_by_normal(c->mean, c->sd, n, [seed]() { return zranuni(seed); });
}
