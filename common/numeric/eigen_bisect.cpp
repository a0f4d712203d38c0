// Eigenvalues of a symmetric tridiagonal matrix by bisection with Sturm sequence counts inside
// Gerschgorin bounds: the slow but sure fallback when the QL iteration does not converge.
#include <cmath>

#include "common/numeric/linalg.h"

static constexpr double kEps53 = 1.1102230246251565e-16;   // 2^-53
static constexpr double kEps52 = 2.220446049250313e-16;    // 2^-52
static constexpr int kMaxHalvings = 2200;                  // enough to reach any double interval

void gersch(const zsturm_context* c, double* lower, double* upper, int split) {
    double lo = HUGE_VAL, hi = -HUGE_VAL;
    for (int i = c->p; i <= c->q; ++i) {
        double below = (i > c->p && i != split) ? std::fabs(c->e[i]) : 0.0;
        double above = (i < c->q && i + 1 != split) ? std::fabs(c->e[i + 1]) : 0.0;
        double r = below + above;
        lo = std::fmin(lo, c->d[i] - r);
        hi = std::fmax(hi, c->d[i] + r);
    }
    *lower = lo;
    *upper = hi;
}

int sturm(const zsturm_context* c, double x) {
    int count = c->p;
    double u = 1.0;
    for (int i = c->p; i <= c->q; ++i) {
        double v;
        if (i == c->p) v = 0.0;
        else if (u != 0.0) v = c->e2[i] / u;
        else v = c->e2[i] == 0.0 ? 0.0 : std::fabs(c->e[i]) / kEps53;
        u = c->d[i] - x - v;
        if (u < 0.0) ++count;
    }
    return count;
}

// The eigenvalue of global index j (ascending) of the block, by halving [lo, hi].
static double bisect_one(const zsturm_context* c, int j, double lo, double hi, double tolerance) {
    for (int step = 0; step < kMaxHalvings; ++step) {
        double mid = 0.5 * (lo + hi);
        double width = tolerance > 0.0 ? tolerance
                                       : kEps52 * std::fmax(std::fabs(lo), std::fabs(hi));
        if (hi - lo <= width || mid == lo || mid == hi) break;
        if (sturm(c, mid) > j) hi = mid;
        else lo = mid;
    }
    return 0.5 * (lo + hi);
}

int zbisect(int n, int wanted, double tolerance, ztridiag t, double* w, double*, double* tags) {
    const double* d = t.d;
    const double* e = t.e;
    double* e2 = t.e2;
    // Negligible couplings split the matrix into blocks.
    for (int i = 0; i < n; ++i) {
        if (i == 0) { e2[0] = 0.0; continue; }
        double tst1 = std::fabs(d[i]) + std::fabs(d[i - 1]);
        if (!(tst1 + std::fabs(e[i]) > tst1)) e2[i] = 0.0;
    }
    int found = 0;
    int tag = 0;
    for (int p = 0; p < n;) {
        int q = p;
        while (q < n - 1 && e2[q + 1] != 0.0) ++q;
        ++tag;
        zsturm_context c{p, q, d, e, e2};
        double lo, hi;
        gersch(&c, &lo, &hi, -1);
        double margin = kEps52 * std::fmax(std::fabs(lo), std::fabs(hi)) * (q - p + 1);
        lo -= margin;
        hi += margin;
        for (int j = p; j <= q; ++j) {
            double x = bisect_one(&c, j, lo, hi, tolerance);
            if (std::isnan(x)) continue;
            // Insert in descending order, after the equal ones already there.
            int i = found;
            for (; i > 0 && w[i - 1] < x; --i) {
                w[i] = w[i - 1];
                tags[i] = tags[i - 1];
            }
            w[i] = x;
            tags[i] = tag;
            ++found;
        }
        p = q + 1;
    }
    // Every eigenvalue is computed; the caller compares the number found with the number wanted.
    (void)wanted;
    return found;
}
