// The model module's pivoting Cholesky factorisation of a packed symmetric matrix (largest
// remaining diagonal first), used by covariance simulation under the PIVOT option.
#include <cmath>
#include <utility>

#include "host/model.h"

namespace {

// Packed lower triangle: element (i, j) of a symmetric matrix, either order.
inline double& at(double* a, int i, int j) {
    if (j > i) std::swap(i, j);
    return a[static_cast<long>(i) * (i + 1) / 2 + j];
}

// Exchanges rows and columns i < j of the symmetric matrix held in the packed triangle.
void swap_symmetric(double* a, int n, int i, int j) {
    if (i == j) return;
    std::swap(at(a, i, i), at(a, j, j));
    for (int k = 0; k < n; ++k) {
        if (k == i || k == j) continue;
        std::swap(at(a, i, k), at(a, j, k));
    }
}

}  // namespace

int modcholp(int n, double tolerance, int* pivots, double* a) {
    if (n <= 0 || pivots == nullptr || a == nullptr) return 0;
    for (int i = 0; i < n; ++i) pivots[i] = i;
    for (int k = 0; k < n; ++k) {
        // Right-looking: the trailing block holds the Schur complement of the rows done so far.
        int best = k;
        for (int i = k + 1; i < n; ++i)
            if (at(a, i, i) > at(a, best, best)) best = i;
        if (best != k) {
            swap_symmetric(a, n, k, best);
            std::swap(pivots[k], pivots[best]);
        }
        const double d = at(a, k, k);
        if (!(d > tolerance)) {
            // The rest is deficient: keep the remaining diagonals, clear what lies beside them.
            for (int i = k; i < n; ++i)
                for (int j = k; j < i; ++j) at(a, i, j) = 0.0;
            return n - k;
        }
        const double root = std::sqrt(d);
        at(a, k, k) = root;
        for (int i = k + 1; i < n; ++i) at(a, i, k) /= root;
        for (int i = k + 1; i < n; ++i) {
            const double lik = at(a, i, k);
            for (int j = k + 1; j <= i; ++j) at(a, i, j) -= lik * at(a, j, k);
        }
    }
    return 0;
}
