// Binomial variates: inversion from zero for small problems (with a once-per-stream note when the
// probability of zero successes underflows), the normal approximation otherwise.
#include <cmath>

#include "common/random/random_stream.h"
#include "host/missing.h"
#include "host/print.h"

namespace {

constexpr double kTiny = 2.2250738585072018e-307;
constexpr double kCap = 0.9999999999999999;
constexpr double kTwoPi = 6.283185307179586;

void binomial_setup(binomial_cache* c, int32_t n, double p) {
    double q = p <= 0.5 ? p : 1.0 - p;
    c->p = p;
    c->n = n;
    c->mean = n * p;
    c->sd = std::sqrt(n * p * (1.0 - p));
    c->p0 = std::exp(n * std::log1p(-q));   // (1 - q)^n
    c->r = q < 1.0 ? q / (1.0 - q) : 0.0;
    c->g = c->r * (n + 1.0);
    c->valid = true;
}

}  // namespace

double zrndbin(int32_t n, double p, random_stream* stream) {
    if (n < 0 || !(p >= 0.0 && p <= 1.0)) return qor::missing();
    binomial_cache* c = stream->binomial;
    if (!c->valid || p != c->p || n != c->n) binomial_setup(c, n, p);
    mt_state* st = stream->state;
    if (n <= 300 || n * p <= 5.0 || n * (1.0 - p) <= 5.0) {
        if (c->p0 < kTiny) {
            if (!c->underflow_logged) {
                xpslog("%1zThe RANBIN function has underflowed. Try multiple smaller values for the number of "
                       "trials and add the variates.");
                c->underflow_logged = 1;
            }
            return qor::missing();
        }
        double u = rnd_uniform(st);
        int32_t k = 0;
        double f = c->p0, F = c->p0;
        while (u > F && F <= kCap && f >= kTiny) {
            ++k;
            f *= c->g / k - c->r;
            F += f;
        }
        // Rounding can leave F(n) just below u; a count above n is not a binomial value.
        if (k > n) k = n;
        return p <= 0.5 ? k : static_cast<double>(n - k);
    }
    for (;;) {
        double u1 = rnd_uniform(st);
        double u2 = rnd_uniform(st);
        double k = std::trunc(std::sqrt(-2.0 * std::log(u1)) * std::cos(kTwoPi * u2) * c->sd + c->mean + 0.5);
        if (k >= 0.0 && k <= n) return k;
    }
}
