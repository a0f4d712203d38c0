// Binomial variates: inversion from zero for small problems (with a once-per-stream note when the
// probability of zero successes underflows), the normal approximation otherwise.
#include <cmath>

#include "common/random/binomial_steps.h"
#include "common/random/random_stream.h"
#include "host/missing.h"
#include "host/print.h"

namespace {

constexpr double kTiny = 2.2250738585072018e-307;

void binomial_setup(binomial_cache* c, int32_t n, double p) {
    binomial_constants k = binomial_setup_constants(n, p);
    c->p = p;
    c->n = n;
    c->mean = k.mean;
    c->sd = k.sd;
    c->p0 = k.p0;
    c->r = k.r;
    c->g = k.g;
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
        return binomial_by_inversion(rnd_uniform(st), c->p0, c->g, c->r, n, p, kTiny);
    }
    return binomial_by_normal(c->mean, c->sd, n, [st]() { return rnd_uniform(st); });
}
