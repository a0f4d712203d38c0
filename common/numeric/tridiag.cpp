// Householder reduction of a packed symmetric matrix to tridiagonal form, and the
// back-transformation of tridiagonal eigenvectors to those of the original matrix.
#include <cmath>
#include <memory>
#include <new>

#include "host/dense_kernels.h"
#include "common/numeric/linalg.h"
#include "host/vector.h"
#include "host/vector_level.h"

namespace {

// row[k] -= f q[k] + g u[k] for k <= j, grouped as (row - f q) - g u.
inline void rank_two_row(double* __restrict row, const double* __restrict u, const double* __restrict q,
                         int j) {
    const double f = u[j], g = q[j];
    for (int k = 0; k <= j; ++k) row[k] = row[k] - f * q[k] - g * u[k];
}

// Row i's Householder reflection: d[0..l-1] takes the row scaled by the sum of its magnitudes,
// e[i] and e2[i] the off-diagonal element and its square, and the row's last element left of the
// diagonal the scaled first component of u. h stays 0 (needed false) when the row is already zero.
struct reflection {
    bool needed;
    double h, scale;
};
__attribute__((always_inline)) inline reflection householder_vector(double* row, int l, double* d, double* e_i,
                                                                    double* e2_i) {
    double h = 0.0, scale = 0.0;
    for (int k = 0; k < l; ++k) {
        d[k] = row[k];
        scale += std::fabs(d[k]);
    }
    if (l < 1 || scale == 0.0) {
        *e_i = 0.0;
        *e2_i = 0.0;
        return {false, h, scale};
    }
    for (int k = 0; k < l; ++k) {
        d[k] /= scale;
        h += d[k] * d[k];
    }
    *e2_i = scale * scale * h;
    double f = d[l - 1];
    double g = -std::copysign(std::sqrt(h), f);
    *e_i = scale * g;
    h -= f * g;
    d[l - 1] = f - g;
    row[l - 1] = scale * d[l - 1];
    return {true, h, scale};
}

// q = p - (p . u / 2h) u, from p = A u (in e[0..l-1], not yet divided by h) and u in d.
__attribute__((always_inline)) inline void finish_q(int l, double h, const double* d, double* e) {
    double f3 = 0.0;
    for (int j = 0; j < l; ++j) {
        e[j] /= h;
        f3 += e[j] * d[j];
    }
    double hh = f3 / (h + h);
    for (int j = 0; j < l; ++j) e[j] -= hh * d[j];
}

// The reduction. Step i's rank-two update A := A - u q^T - q u^T of the leading rows is not
// written at once: it is applied to each row just before step i - 1 reads that row for its
// product A u, so each step passes over the matrix once instead of twice. Every element takes
// the same operations in the same order as the two-pass form (u and q wait in pending[]), so the
// results are the same bits. Built for three vector widths; none fuses a multiply into an add.
__attribute__((always_inline)) inline void reduce(int n, double* a, ztridiag t, double* pending) {
    double* d = t.d;
    double* e = t.e;
    double* e2 = t.e2;
    double* u = pending;         // Householder vector and q of the update not yet applied
    double* q = pending + n;
    int waiting = 0;             // rows 0 .. waiting - 1 still owe that update
    for (int i = n - 1; i >= 0; --i) {
        int l = i;                       // elements 0..l-1 of row i lie left of the diagonal
        double* row = a + zisub(i, 0);
        if (i < waiting) rank_two_row(row, u, q, i);
        const reflection r = householder_vector(row, l, d, &e[i], &e2[i]);
        const double h = r.h, scale = r.scale;
        if (r.needed) {
            if (l > 1) {
                // p = A u / h into e[0..l-1], each row brought up to date first.
                for (int j = 0; j < l; ++j) e[j] = 0.0;
                for (int j = 0; j < l; ++j) {
                    double* aj = a + zisub(j, 0);
                    if (j < waiting) rank_two_row(aj, u, q, j);
                    double f2 = d[j];
                    e[j] += dense_dot_and_axpy(aj, d, f2, e, j) + aj[j] * f2;
                }
                finish_q(l, h, d, e);
                // A := A - u q^T - q u^T on the leading block: owed by rows 0..l-1 from now.
                for (int j = 0; j < l; ++j) {
                    u[j] = d[j];
                    q[j] = e[j];
                }
                waiting = l;
            }
        }
        d[i] = row[i];
        row[i] = scale * std::sqrt(h);
    }
}

__attribute__((target("avx512f"))) void reduce_avx512f(int n, double* a, ztridiag t, double* pending) {
    reduce(n, a, t, pending);
}
__attribute__((target("avx2"))) void reduce_avx2(int n, double* a, ztridiag t, double* pending) {
    reduce(n, a, t, pending);
}
void reduce_baseline(int n, double* a, ztridiag t, double* pending) { reduce(n, a, t, pending); }

}  // namespace

// Row i of the packed matrix is reduced from the last row upwards; the Householder vectors stay
// in the rows of a (scaled), and a(i, i) keeps scale * sqrt(h) for the back-transformation.
void ztred3(int n, double* a, ztridiag t) {
    if (n < 1) return;
    std::unique_ptr<double[]> pending(new (std::nothrow) double[2 * static_cast<size_t>(n)]);
    if (pending) {
        static const auto version = qor::version_for_processor(reduce_baseline, nullptr, reduce_avx2, reduce_avx512f);
        version(n, a, t, pending.get());
        return;
    }
    // Without room for the waiting update: the same reduction in two passes per step.
    double* d = t.d;
    double* e = t.e;
    double* e2 = t.e2;
    for (int i = n - 1; i >= 0; --i) {
        int l = i;                       // elements 0..l-1 of row i lie left of the diagonal
        double* row = a + zisub(i, 0);
        const reflection r = householder_vector(row, l, d, &e[i], &e2[i]);
        const double h = r.h, scale = r.scale;
        if (r.needed) {
            if (l > 1) {
                // p = A u / h into e[0..l-1], using the packed lower triangle of the leading block.
                for (int j = 0; j < l; ++j) e[j] = 0.0;
                for (int j = 0; j < l; ++j) {
                    const double* aj = a + zisub(j, 0);
                    double f2 = d[j];
                    e[j] += zinner(aj, d, j) + aj[j] * f2;
                    zvaxpy(j, f2, aj, e);
                }
                finish_q(l, h, d, e);
                // A := A - u q^T - q u^T on the leading block.
                for (int j = 0; j < l; ++j) {
                    double* aj = a + zisub(j, 0);
                    double fj = d[j], gj = e[j];
                    for (int k = 0; k <= j; ++k) aj[k] = aj[k] - fj * e[k] - gj * d[k];
                }
            }
        }
        d[i] = row[i];
        row[i] = scale * std::sqrt(h);
    }
}

namespace {

// Each vector takes the transformations in the same order as before (row 1 up to row n - 1), but
// eight vectors at a time: a row of a is read once for the eight and the eight stay in the first
// cache level, instead of every vector being fetched again for every row. Results are unchanged
// (the inline products keep zinner's order); built for three vector widths, none fusing.
__attribute__((always_inline)) inline void transform_back(int n, int k, const double* a, double* vectors) {
    if (k < 1 || n < 2) return;
    constexpr int kBlock = 8;
    for (int first = 0; first < k; first += kBlock) {
        const int last = first + kBlock < k ? first + kBlock : k;
        double* z[kBlock];
        for (int j = first; j < last; ++j) z[j - first] = vectors + static_cast<long>(j) * n;
        for (int i = 1; i < n; ++i) {
            const double* row = a + zisub(i, 0);
            double h = row[i];
            if (h == 0.0) continue;
            if (last - first == kBlock) {
                // The row is loaded once for the eight products and once for the eight updates.
                double s[kBlock];
                dense_dot_eight(row, z, i, s);
                for (double& v : s) v = -((v / h) / h);   // two divisions avoid an underflow of h * h
                dense_axpy_eight(i, s, row, z);
                continue;
            }
            for (int j = 0; j < last - first; ++j) {
                double s = dense_dot(row, z[j], i);
                s = (s / h) / h;
                dense_axpy(i, -s, row, z[j]);
            }
        }
    }
}

__attribute__((target("avx512f"))) void transform_back_avx512f(int n, int k, const double* a, double* vectors) {
    transform_back(n, k, a, vectors);
}
__attribute__((target("avx2"))) void transform_back_avx2(int n, int k, const double* a, double* vectors) {
    transform_back(n, k, a, vectors);
}
void transform_back_baseline(int n, int k, const double* a, double* vectors) { transform_back(n, k, a, vectors); }

}  // namespace

void ztrbak3(int n, int k, const double* a, double* vectors) {
    static const auto version =
        qor::version_for_processor(transform_back_baseline, nullptr, transform_back_avx2, transform_back_avx512f);
    version(n, k, a, vectors);
}
