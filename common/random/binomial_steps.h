// The steps shared by the binomial generators of the random streams and of the bootstrap: the
// set-up constants, inversion from zero, and the normal approximation with rejection.
#pragma once
#include <cmath>
#include <cstdint>

// Set-up constants for binomial(n, p): mean, standard deviation, p0 = (1 - q)^n, r = q / (1 - q)
// and g = r (n + 1), where q is the smaller of p and 1 - p.
struct binomial_constants {
    double mean, sd, p0, r, g;
};

inline binomial_constants binomial_setup_constants(int32_t n, double p) {
    double q = p <= 0.5 ? p : 1.0 - p;
    binomial_constants k;
    k.mean = n * p;
    k.sd = std::sqrt(n * p * (1.0 - p));
    k.p0 = std::exp(n * std::log1p(-q));   // (1 - q)^n
    k.r = q < 1.0 ? q / (1.0 - q) : 0.0;
    k.g = k.r * (n + 1.0);
    return k;
}

// Inversion from zero: counts successes of the smaller of p and 1 - p for the uniform u, stopping
// when the cumulative probability passes u, reaches its cap, or a term falls below min_term.
inline double binomial_by_inversion(double u, double p0, double g, double r, int32_t n, double p,
                                    double min_term) {
    constexpr double kCap = 0.9999999999999999;
    int32_t k = 0;
    double f = p0, F = p0;
    while (u > F && F <= kCap && f >= min_term) {
        ++k;
        f *= g / k - r;
        F += f;
    }
    if (k > n) k = n;   // rounding can leave F(n) just below u: a count above n is no binomial value
    return p <= 0.5 ? k : static_cast<double>(n - k);
}

// The normal approximation (Box-Muller on two uniforms), rounded and redrawn outside [0, n].
template <typename Uniform>
double binomial_by_normal(double mean, double sd, int32_t n, Uniform uniform) {
    constexpr double kTwoPi = 6.283185307179586;
    for (;;) {
        double u1 = uniform();
        double u2 = uniform();
        double k = std::trunc(std::sqrt(-2.0 * std::log(u1)) * std::cos(kTwoPi * u2) * sd + mean + 0.5);
        if (k >= 0.0 && k <= n) return k;
    }
}
