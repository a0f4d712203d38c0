// Binomial variates for the bootstrap's multinomial resampling, drawn from the one-word
// congruential generator: inversion for small problems, the normal approximation otherwise.
#include <cmath>

#include "common/random/random_stream.h"
#include "common/statistics/bootstrap.h"
#include "host/missing.h"

namespace {

constexpr double kCap = 0.9999999999999999;
constexpr double kSmallTerm = 1.110223024625157e-16;   // 2^-53
constexpr double kTwoPi = 6.283185307179586;

void setup(boot_binomial_cache* c, int32_t n, double p) {
    double q = p <= 0.5 ? p : 1.0 - p;
    c->p = p;
    c->n = n;
    c->mean = n * p;
    c->sd = std::sqrt(n * p * (1.0 - p));
    c->p0 = std::exp(n * std::log1p(-q));   // (1 - q)^n
    c->r = q < 1.0 ? q / (1.0 - q) : 0.0;
    c->g = c->r * (n + 1.0);
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
        double u = zranuni(seed);
        int32_t k = 0;
        double f = c->p0, F = c->p0;
        while (u > F && F <= kCap && f >= kSmallTerm) {
            ++k;
            f *= c->g / k - c->r;
            F += f;
        }
        if (k > n) k = n;   // rounding can leave F(n) just below u
        return p <= 0.5 ? k : static_cast<double>(n - k);
    }
    for (;;) {
        double u1 = zranuni(seed);
        double u2 = zranuni(seed);
        double k = std::trunc(std::sqrt(-2.0 * std::log(u1)) * std::cos(kTwoPi * u2) * c->sd + c->mean + 0.5);
        if (k >= 0.0 && k <= n) return k;
    }
}
