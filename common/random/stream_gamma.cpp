// Gamma variates of shape alpha and scale 1: Cheng's log-logistic method for alpha above 1,
// a two-piece rejection for the fractional part plus exponentials for alpha up to 1.
#include <cmath>

#include "common/random/random_stream.h"
#include "host/missing.h"

namespace {

void gamma_setup(gamma_cache* c, double alpha) {
    c->alpha = alpha;
    for (double& v : c->c) v = 0.0;
    if (alpha > 1.0) {
        double a = 1.0 / std::sqrt(2.0 * alpha - 1.0);
        c->c[0] = a;
        c->c[1] = alpha - std::log(4.0);
        c->c[2] = alpha + 1.0 / a;
        c->whole = static_cast<int32_t>(alpha > 2147483647.0 ? 2147483647.0 : alpha);
        return;
    }
    c->whole = static_cast<int32_t>(alpha);          // 0, or 1 when alpha is 1
    double f = alpha - c->whole;
    c->c[0] = f;
    c->c[1] = f - 1.0;
    c->c[2] = f != 0.0 ? 1.0 / f : 0.0;
    c->c[3] = f != 0.0 ? 0.5 / (0.5 + f * std::exp(-0.5)) : 0.0;
}

}  // namespace

double zrndgam(double alpha, random_stream* stream) {
    // A shape that is not positive (or missing) has no gamma law.
    if (!(alpha > 0.0) || std::isinf(alpha)) return qor::missing();
    gamma_cache* c = stream->gamma;
    if (alpha != c->alpha) gamma_setup(c, alpha);
    mt_state* st = stream->state;
    if (alpha > 1.0) {
        const double a = c->c[0], b = c->c[1], d = c->c[2];
        for (;;) {
            double u1 = rnd_uniform(st);
            double u2 = rnd_uniform(st);
            double v = a * std::log(u1 / (1.0 - u1));
            double x = alpha * std::exp(v);
            if (b + d * v - x >= std::log(u1 * u1 * u2)) return x;
        }
    }
    const double f = c->c[0], f_minus_1 = c->c[1], inv_f = c->c[2], p = c->c[3];
    double x = 0.0;
    if (f != 0.0) {
        for (;;) {
            double u1 = rnd_uniform(st);
            double u2 = rnd_uniform(st);
            double u3 = rnd_uniform(st);
            if (u1 <= p) {
                x = 0.5 * std::pow(u2, inv_f);
                if (u3 <= std::exp(-x)) break;
            } else {
                // The envelope beyond the break point is 0.5^(f-1) e^-x, so the acceptance ratio
                // is (x / 0.5)^(f-1); x^(f-1) alone accepts too often and biases the law upwards.
                x = 0.5 - std::log(u2);
                if (u3 <= std::pow(2.0 * x, f_minus_1)) break;
            }
        }
    }
    if (c->whole > 0) {
        double product = 1.0;
        for (int32_t i = 0; i < c->whole; ++i) product *= rnd_uniform(st);
        x -= std::log(product);
    }
    return x;
}
