// Cholesky factor rows of packed symmetric matrices and products with packed lower triangles.
// The factor is built row by row in place; the returned pivot tells the caller of dependent rows.
#include <cmath>

#include "common/numeric/dense_kernels.h"
#include "common/numeric/linalg.h"
#include "host/vector.h"

void zsymvec(const double* L, const double* x, double* y, int n) {
    for (int i = 0; i < n; ++i) y[i] = zinner(L + zisub(i, 0), x, i + 1);
}

void zsymvecp(const double* L, const double* x, double* y, const int* p, int n) {
    for (int i = 0; i < n; ++i) y[p[i]] = zinner(L + zisub(i, 0), x, i + 1);
}

void zmpscdr(double* C, const double* A, const double* d, const double* B, int n, int m) {
    for (int i = 0; i < n; ++i) {
        double* row = C + zisub(i, 0);
        for (int j = 0; j <= i; ++j) row[j] = 0.0;
    }
    for (int k = 0; k < m; ++k) {
        const double* ak = A + static_cast<long>(k) * n;
        const double* bk = B + static_cast<long>(k) * n;
        for (int i = 0; i < n; ++i) {
            double f = ak[i] * d[k];
            if (f != 0.0) zvaxpy(i + 1, f, bk, C + zisub(i, 0));
        }
    }
}

// Built for three vector widths; the inline products keep zinner's order and no multiply is
// fused into an add, so every build gives the same bits.
__attribute__((target_clones("avx512f", "avx2", "default")))
double zchol(int i, double* L, double tolerance) {
    double* row_i = L + zisub(i, 0);
    double s = 0.0;
    for (int j = 0; j <= i; ++j) {
        const double* row_j = L + zisub(j, 0);
        s = row_i[j] - dense_dot(row_i, row_j, j);
        if (j < i) {
            double pivot = row_j[j];
            row_i[j] = pivot == 0.0 ? 0.0 : s / pivot;
        }
    }
    row_i[i] = s > tolerance ? std::sqrt(s) : 0.0;
    return s;
}
