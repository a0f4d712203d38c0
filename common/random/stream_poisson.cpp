// Poisson variates: inversion from zero for small means, inversion from the mode (plus a small
// remainder drawn from zero) up to 85, the normal approximation from 85 on.
#include <cmath>

#include "common/random/random_stream.h"
#include "host/missing.h"

namespace {

constexpr double kCap = 0.9999999999999999;
constexpr double kTerm = 1.110223024625157e-16;   // 2^-53
constexpr double kTwoPi = 6.283185307179586;

void poisson_setup(poisson_cache* c, double mean) {
    c->mean = mean;
    c->cap = kCap;
    c->exp_minus_mean = std::exp(-mean);
    if (mean >= 85.0) {
        c->method = 2;
        c->valid = true;
        return;
    }
    double m = std::trunc(mean);
    c->mode = m;
    c->exp_remainder = std::exp(m - mean);
    double f = std::exp(-m), F = f;
    for (int i = 1; i <= static_cast<int>(m); ++i) {
        f = f * m / i;
        F += f;
    }
    c->pdf_at_mode = f;
    c->cdf_at_mode = F;
    c->method = (mean >= 8.0 || mean == m) ? 1 : 0;
    c->valid = true;
}

// Inversion from zero for a mean d with e^-d given.
double from_zero(double d, double exp_minus_d, mt_state* st) {
    double k = 0.0, f = exp_minus_d, F = exp_minus_d;
    double u = rnd_uniform(st);
    while (u > F && F <= kCap && f >= kTerm) {
        k += 1.0;
        f = f * d / k;
        F += f;
    }
    return k;
}

// Inversion from the mode m: search down when u lies at or below F(m), up otherwise.
double from_mode(const poisson_cache* c, mt_state* st) {
    const double m = c->mode;
    double x = m, f = c->pdf_at_mode, F = c->cdf_at_mode;
    double u = rnd_uniform(st);
    if (u <= F) {
        while (x > 0.0) {
            F -= f;
            if (F < u) break;
            f = f * x / m;
            x -= 1.0;
        }
    } else {
        do {
            x += 1.0;
            f = f * m / x;
            F += f;
            if (u <= F || F >= kCap) break;
        } while (f > kTerm);
    }
    return x;
}

}  // namespace

double zrndpoi(double mean, random_stream* stream) {
    if (!(mean >= 0.0) || std::isinf(mean)) return qor::missing();
    poisson_cache* c = stream->poisson;
    if (!c->valid || mean != c->mean) poisson_setup(c, mean);
    mt_state* st = stream->state;
    if (c->method == 2) {
        double u1 = rnd_uniform(st);
        double u2 = rnd_uniform(st);
        double k = std::trunc(std::sqrt(-2.0 * mean * std::log(u1)) * std::cos(kTwoPi * u2) + mean + 0.5);
        return k < 0.0 ? 0.0 : k;
    }
    if (c->method == 0) return from_zero(mean, c->exp_minus_mean, st);
    double x = from_mode(c, st);
    if (mean == c->mode) return x;
    return x + from_zero(mean - c->mode, c->exp_remainder, st);
}
