// Beta variates: Atkinson and Whittaker's switching method when both parameters are below 1,
// Cheng's BB when both are above 1, Cheng's BC when they straddle 1, powers of a uniform at 1.
#include <cfloat>
#include <cmath>

#include "common/random/random_stream.h"
#include "host/missing.h"

namespace {

constexpr double kLn4 = 1.38629436;
constexpr double kExpBound = 709.78271289339;

void beta_setup(beta_cache* c, double a, double b) {
    c->a = a;
    c->b = b;
    for (double& v : c->c) v = 0.0;
    if (a < 1.0 && b < 1.0) {
        double t = 1.0 / (1.0 + std::sqrt(b * (1.0 - b) / (a * (1.0 - a))));
        c->c[0] = t;
        c->c[1] = b * t / (b * t + a * (1.0 - t));
    } else if (a > 1.0 && b > 1.0) {
        double a0 = std::fmin(a, b), b0 = std::fmax(a, b);
        double alpha = a0 + b0;
        double beta = std::sqrt((alpha - 2.0) / (2.0 * a0 * b0 - alpha));
        c->c[0] = a0; c->c[1] = b0; c->c[2] = alpha; c->c[3] = beta; c->c[4] = a0 + 1.0 / beta;
    } else if (a == 1.0 || b == 1.0) {
        c->c[2] = 1.0 / a;
        c->c[3] = 1.0 / b;
    } else {
        double a0 = std::fmax(a, b), b0 = std::fmin(a, b);
        double alpha = a0 + b0, beta = 1.0 / b0, delta = 1.0 + a0 - b0;
        c->c[0] = a0; c->c[1] = b0; c->c[2] = alpha; c->c[3] = beta; c->c[4] = delta;
        c->c[5] = delta * (0.0138888889 + 0.0416666667 * b0) / (a0 * beta - 0.777777778);
        c->c[6] = 0.25 + (0.5 + 0.25 / delta) * b0;
        c->c[7] = kExpBound / a0;
    }
}

double switching(const beta_cache* c, double a, double b, mt_state* st) {
    const double t = c->c[0], p = c->c[1];
    for (;;) {
        double u = rnd_uniform(st);
        double e = -std::log(rnd_uniform(st));
        if (u <= p) {
            double x = t * std::pow(u / p, 1.0 / a);
            if ((1.0 - b) * (t - x) / (1.0 - t) <= e) return x;
            if (e >= (1.0 - b) * std::log((1.0 - x) / (1.0 - t))) return x;
        } else {
            double x = 1.0 - (1.0 - t) * std::pow((1.0 - u) / (1.0 - p), 1.0 / b);
            if ((1.0 - a) * (x / t - 1.0) <= e) return x;
            if (e >= (1.0 - a) * std::log(x / t)) return x;
        }
    }
}

double cheng_bb(const beta_cache* c, double a, mt_state* st) {
    const double a0 = c->c[0], b0 = c->c[1], alpha = c->c[2], beta = c->c[3], gamma = c->c[4];
    double w;
    for (;;) {
        double u1 = rnd_uniform(st);
        double u2 = rnd_uniform(st);
        double v = beta * std::log(u1 / (1.0 - u1));
        w = a0 * std::exp(v);
        double z = u1 * u1 * u2;
        double r = gamma * v - kLn4;
        double s = a0 + r - w;
        if (s + 2.60943791 > 5.0 * z) break;
        double lz = std::log(z);
        if (lz <= s) break;
        if (r + alpha * std::log(alpha / (b0 + w)) >= lz) break;
    }
    return a == a0 ? w / (b0 + w) : b0 / (b0 + w);
}

double cheng_bc(const beta_cache* c, double a, mt_state* st) {
    const double a0 = c->c[0], b0 = c->c[1], alpha = c->c[2], beta = c->c[3];
    const double k1 = c->c[5], k2 = c->c[6], bound = c->c[7];
    double w;
    for (;;) {
        double u1 = rnd_uniform(st);
        double u2 = rnd_uniform(st);
        double z;
        bool accept_now = false;
        if (u1 < 0.5) {
            double y = u1 * u2;
            z = u1 * y;
            if (0.25 * u2 + z - y >= k1) continue;
        } else {
            z = u1 * u1 * u2;
            if (z <= 0.25) accept_now = true;
            else if (z >= k2) continue;
        }
        double v = beta * std::log(u1 / (1.0 - u1));
        w = v > bound ? DBL_MAX : a0 * std::exp(v);
        if (accept_now) break;
        if (alpha * (std::log(alpha / (b0 + w)) + v) - kLn4 >= std::log(z)) break;
    }
    if (a == a0) return w == DBL_MAX ? 1.0 : w / (b0 + w);
    return w == DBL_MAX ? 0.0 : b0 / (b0 + w);
}

}  // namespace

double zrndbet(double a, double b, random_stream* stream) {
    // Parameters that are not positive (or missing) have no beta law: missing, nothing drawn.
    if (!(a > 0.0) || !(b > 0.0) || std::isinf(a) || std::isinf(b)) return qor::missing();
    beta_cache* c = stream->beta;
    if (a != c->a || b != c->b) beta_setup(c, a, b);
    mt_state* st = stream->state;
    if (a < 1.0 && b < 1.0) return switching(c, a, b, st);
    if (a > 1.0 && b > 1.0) return cheng_bb(c, a, st);
    if (a == 1.0 || b == 1.0) {
        double u = rnd_uniform(st);
        if (a == 1.0 && b == 1.0) return u;
        if (b == 1.0) return std::pow(u, c->c[2]);
        return 1.0 - std::pow(u, c->c[3]);
    }
    return cheng_bc(c, a, st);
}
