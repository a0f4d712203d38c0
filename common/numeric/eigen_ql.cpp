// Eigenvalues of a symmetric tridiagonal matrix by the implicit QL method, in descending order,
// each tagged with the unreduced block it came from (the inverse iteration needs the blocks).
#include <cmath>

#include "common/numeric/linalg.h"

static constexpr int kMaxIterations = 50;

// sqrt(a^2 + b^2) without overflow or destructive underflow.
static double pythag(double a, double b) {
    double x = std::fabs(a), y = std::fabs(b);
    double p = x > y ? x : y;
    if (p == 0.0) return 0.0;
    double q = (x > y ? y : x) / p;
    return p * std::sqrt(1.0 + q * q);
}

// sqrt(f^2 + g^2) for a rotation: directly where the squares can neither overflow nor lose the
// larger one to underflow (one division and its wait fewer per rotation), else by pythag.
static inline double rotation_length(double f, double g) {
    double x = std::fabs(f), y = std::fabs(g);
    double larger = x > y ? x : y;
    if (larger > 1e-140 && larger < 1e140) return std::sqrt(f * f + g * g);
    return pythag(f, g);
}

int zimtqlv(int n, ztridiag t, double* w, double* tags, double* rv1) {
    const double* d = t.d;
    const double* e = t.e;
    double* e2 = t.e2;
    for (int i = 0; i < n; ++i) {
        w[i] = d[i];
        if (i > 0) rv1[i - 1] = e[i];
    }
    e2[0] = 0.0;
    rv1[n - 1] = 0.0;
    int k = -1;          // last row of the latest block found
    int tag = 0;
    for (int l = 0; l < n; ++l) {
        int iterations = 0;
        for (;;) {
            // Look for a small sub-diagonal element (or an underflowed square) from l down.
            int m = l;
            bool underflow = false;
            for (; m < n - 1; ++m) {
                double tst1 = std::fabs(w[m]) + std::fabs(w[m + 1]);
                double tst2 = tst1 + std::fabs(rv1[m]);
                if (tst2 == tst1) break;
                if (e2[m + 1] == 0.0) { underflow = true; break; }
            }
            // A new block starts when the split lies beyond the last one (or e2 underflowed).
            if (underflow || m > k) {
                if (!underflow && m != n - 1) e2[m + 1] = 0.0;
                k = m;
                ++tag;
            }
            double p = w[l];
            if (m == l) {
                // Converged: insert p before every smaller eigenvalue found so far.
                int i = l;
                for (; i > 0 && w[i - 1] < p; --i) {
                    w[i] = w[i - 1];
                    tags[i] = tags[i - 1];
                }
                w[i] = p;
                tags[i] = tag;
                break;
            }
            if (iterations == kMaxIterations) return -(l + 1);
            ++iterations;
            double g = (w[l + 1] - p) / (2.0 * rv1[l]);
            double r = pythag(g, 1.0);
            g = w[m] - p + rv1[l] / (g + std::copysign(r, g));
            double s = 1.0, c = 1.0;
            p = 0.0;
            bool recovered = false;
            for (int i = m - 1; i >= l; --i) {
                double f = s * rv1[i];
                double b = c * rv1[i];
                r = rotation_length(f, g);
                rv1[i + 1] = r;
                if (r == 0.0) {
                    // Recover from underflow: deflate and look again.
                    w[i + 1] -= p;
                    rv1[m] = 0.0;
                    recovered = true;
                    break;
                }
                s = f / r;
                c = g / r;
                g = w[i + 1] - p;
                r = (w[i] - g) * s + 2.0 * c * b;
                p = s * r;
                w[i + 1] = g + p;
                g = c * r - b;
            }
            if (recovered) continue;
            w[l] -= p;
            rv1[l] = g;
            rv1[m] = 0.0;
        }
    }
    return 0;
}
