// Order-statistic positions of a distribution-free quantile interval, from binomial probabilities
// P(B <= m) = I_(1-p)(n - m, m + 1) of the incomplete beta function.
#include "common/distributions/quantile_ci.h"

#include <cmath>

#include "common/distributions/beta.h"
#include "host/missing.h"

namespace {

constexpr double kEps = 1.110223024625157e-13;

// P(B <= m) for B binomial(n, p); m < 0 gives 0 and m >= n gives 1.
int binomial_cdf(double n, double p, double m, double* value) {
    if (m < 0.0) {
        *value = 0.0;
        return 0;
    }
    if (m >= n) {
        *value = 1.0;
        return 0;
    }
    double density;
    return zibeta(1.0 - p, n - m, m + 1.0, value, &density) != 0 ? 3 : 0;
}

// C(r, s) = P(r <= B <= s - 1).
int cover(double n, double p, double r, double s, double* value) {
    double high, low;
    if (binomial_cdf(n, p, s - 1.0, &high) != 0 || binomial_cdf(n, p, r - 1.0, &low) != 0) return 3;
    *value = high - low;
    return 0;
}

// Kind 2: the interval from the sample minimum (p <= 0.5) or up to the sample maximum (p > 0.5);
// its coverage counts both ends, C(1, s) or C(r, n), since both order statistics bound it.
int anchored(double n, double p, double level, double l, double u, double* lower, double* upper, double* coverage) {
    constexpr double kEps = 1.110223024625157e-13;
    double c = 0.0;
    if (p <= 0.5) {
        for (double s = u;; s += 1.0) {
            if (cover(n, p, 1.0, s, &c) != 0) return 3;
            if (c >= level || s + 1.0 > n + kEps) {
                *lower = 1.0;
                *upper = c >= level ? s : n;
                *coverage = c;
                return c >= level ? 0 : 1;
            }
        }
    }
    for (double r = l;; r -= 1.0) {
        if (cover(n, p, r, n, &c) != 0) return 3;
        if (c >= level || r - 1.0 < 1.0 - kEps) {
            *lower = c >= level ? r : 1.0;
            *upper = n;
            *coverage = c;
            return c >= level ? 0 : 1;
        }
    }
}

}  // namespace

int zdfciqt(int kind, double n, double alpha, double p, double* lower, double* upper, double* coverage) {
    *lower = *upper = *coverage = qor::missing();
    if (!(n >= 2.0) || !(alpha > 0.0 && alpha <= 0.5) || !(p > 0.0 && p < 1.0) || kind < 1 || kind > 4) return 2;
    const double level = 1.0 - alpha;
    double k = std::floor(n * p + kEps);
    double f = n * p - k;
    double l, u;
    if (f <= kEps) {
        l = k;
        u = k + 1.0;
    } else if (std::fabs(f - 0.5) <= kEps) {
        l = u = k + 1.0;
        if (kind != 1) {
            if (u < 2.0) u = 2.0;
            if (l > n - 1.0) l = n - 1.0;
        }
    } else if (f < 0.5) {
        // A position is 1-based: below the first order statistic there is none to name.
        l = k < 1.0 ? 1.0 : k;
        u = l + 1.0;
    } else {
        l = k + 1.0 > n - 1.0 ? n - 1.0 : k + 1.0;
        u = l + 1.0;
    }
    double c = 0.0;
    if (kind == 2) return anchored(n, p, level, l, u, lower, upper, coverage);
    if (kind == 3) {
        for (double j = 0.0;; j += 1.0) {
            if (cover(n, p, l - j, n + 1.0, &c) != 0) return 3;   // P(B >= l - j)
            if (c >= level) {
                *lower = l - j;
                *upper = n;
                *coverage = c;
                return 0;
            }
            if (l - j - 1.0 < 1.0 - kEps) {
                *lower = 1.0;
                *upper = n;
                *coverage = c;
                return 1;
            }
        }
    }
    if (kind == 4) {
        for (double j = 0.0;; j += 1.0) {
            if (binomial_cdf(n, p, u + j - 1.0, &c) != 0) return 3;
            if (c >= level) {
                *lower = 1.0;
                *upper = u + j;
                *coverage = c;
                return 0;
            }
            if (u + j + 1.0 > n + kEps) {
                *lower = 1.0;
                *upper = n;
                *coverage = c;
                return 1;
            }
        }
    }
    // Two-sided: widen both ends together; among candidates reaching the level the least covering wins.
    double best_l = 0.0, best_u = 0.0, best_c = 0.0;
    for (double j = 0.0;; j += 1.0) {
        double cand_l[3], cand_u[3], cand_c[3];
        int count = 0;
        cand_l[count] = l - j;
        cand_u[count++] = u + j;
        if (u + j + 1.0 <= n) {
            cand_l[count] = l - j;
            cand_u[count++] = u + j + 1.0;
        }
        if (l - j - 1.0 >= 1.0) {
            cand_l[count] = l - j - 1.0;
            cand_u[count++] = u + j;
        }
        int winner = -1;
        for (int i = 0; i < count; ++i) {
            if (cover(n, p, cand_l[i], cand_u[i], &cand_c[i]) != 0) return 3;
            if (cand_c[i] >= level && (winner < 0 || cand_c[i] < cand_c[winner] - kEps)) winner = i;
        }
        if (winner >= 0) {
            *lower = cand_l[winner];
            *upper = cand_u[winner];
            *coverage = cand_c[winner];
            return 0;
        }
        for (int i = 0; i < count; ++i) {
            if (cand_c[i] > 0.0 && cand_c[i] > best_c) {
                best_l = cand_l[i];
                best_u = cand_u[i];
                best_c = cand_c[i];
            }
        }
        if (count < 3) {
            // One end is held at the sample's edge: widen the other alone while it can move.
            double r = cand_l[0], s = cand_u[0];
            for (;;) {
                if (r - 1.0 >= 1.0 && s + 1.0 > n) r -= 1.0;
                else if (s + 1.0 <= n && r - 1.0 < 1.0) s += 1.0;
                else break;
                if (cover(n, p, r, s, &c) != 0) return 3;
                if (c >= level) {
                    *lower = r;
                    *upper = s;
                    *coverage = c;
                    return 0;
                }
                if (c > 0.0 && c > best_c) {
                    best_l = r;
                    best_u = s;
                    best_c = c;
                }
            }
            break;
        }
    }
    if (best_c <= 0.0) return 2;
    *lower = best_l;
    *upper = best_u;
    *coverage = best_c;
    return 1;
}
