// Eigenvectors of a symmetric tridiagonal matrix by inverse iteration, block by block, with
// close eigenvalues perturbed apart and their vectors orthogonalised against one another.
#include <cmath>

#include "host/dense_kernels.h"
#include "common/numeric/linalg.h"
#include "host/vector_level.h"

static constexpr double kEps53 = 1.1102230246251565e-16;   // 2^-53
static constexpr int kMaxIterations = 20;

// Euclidean length of x[0..n-1], scaled by the largest magnitude so that neither the squares
// overflow nor small elements underflow (one division per element instead of a pythag step).
static double euclidean_length(const double* x, int n) {
    double largest = 0.0;
    for (int i = 0; i < n; ++i) largest = std::fmax(largest, std::fabs(x[i]));
    if (largest == 0.0) return 0.0;
    double sum = 0.0;
    for (int i = 0; i < n; ++i) {
        double r = x[i] / largest;
        sum += r * r;
    }
    return largest * std::sqrt(sum);
}

// Built for three vector widths below (same results: no multiply is fused into an add).
__attribute__((always_inline)) static inline int inverse_iteration(int n, int k, ztridiag t, const double* w,
                                                                   const double* tags, double* z,
                                                                   double* scratch) {
    const double* d = t.d;
    const double* e = t.e;
    const double* e2 = t.e2;
    double* rv1 = scratch;
    double* rv2 = scratch + n;
    double* rv3 = scratch + 2 * n;
    double* rv4 = scratch + 3 * n;
    double* rv6 = scratch + 4 * n;
    int result = 0;
    if (k < 1) return 0;
    const double order = -1.0;          // eigenvalues come in descending order
    int tag = 0;
    int q = -1;
    double x0 = 0.0;
    while (q < n - 1) {
        int p = q + 1;
        for (q = p; q < n - 1 && e2[q + 1] != 0.0; ++q) {}
        ++tag;
        int s = -1;                     // no vector of this block done yet
        int group = 0;
        double eps2 = 0.0, eps3 = 0.0, eps4 = 0.0, uk = 0.0;
        for (int r = 0; r < k; ++r) {
            if (static_cast<int>(tags[r]) != tag) continue;
            double x1 = w[r];
            double xu = 1.0;
            double* zr = z + static_cast<long>(r) * n;
            if (p == q) {
                rv6[p] = 1.0;
            } else {
                if (s < 0) {
                    // The norm of the block: the sum of the magnitudes of its elements.
                    double norm = std::fabs(d[p]);
                    for (int i = p + 1; i <= q; ++i) norm += std::fabs(d[i]) + 2.0 * std::fabs(e[i]);
                    eps2 = 1.0e-3 * norm;
                    eps3 = kEps53 * norm;
                    if (eps3 == 0.0) eps3 = kEps53;
                    double size = q - p + 1;
                    eps4 = size * eps3;
                    uk = eps4 / std::sqrt(size);
                    s = p;
                    group = 0;
                } else if (std::fabs(x1 - x0) >= eps2) {
                    group = 0;
                } else {
                    ++group;
                    if (order * (x1 - x0) <= 0.0) x1 = x0 + order * eps3;
                }
                // Elimination with interchanges and the starting vector.
                double u = 0.0, v = 0.0;
                for (int i = p; i <= q; ++i) {
                    rv6[i] = uk;
                    if (i != p) {
                        if (std::fabs(e[i]) >= std::fabs(u)) {
                            xu = u / e[i];
                            rv4[i] = xu;
                            rv1[i - 1] = e[i];
                            rv2[i - 1] = d[i] - x1;
                            rv3[i - 1] = i != q ? e[i + 1] : 0.0;
                            u = v - xu * rv2[i - 1];
                            v = -xu * rv3[i - 1];
                            continue;
                        }
                        xu = e[i] / u;
                        rv4[i] = xu;
                        rv1[i - 1] = u;
                        rv2[i - 1] = v;
                        rv3[i - 1] = 0.0;
                    }
                    u = d[i] - x1 - xu * v;
                    if (i != q) v = e[i + 1];
                }
                if (u == 0.0) u = eps3;
                rv1[q] = u;
                rv2[q] = 0.0;
                rv3[q] = 0.0;
                int its = 1;
                bool done = false;
                while (!done) {
                    // Back substitution.
                    u = 0.0;
                    v = 0.0;
                    for (int i = q; i >= p; --i) {
                        rv6[i] = (rv6[i] - u * rv2[i] - v * rv3[i]) / rv1[i];
                        v = u;
                        u = rv6[i];
                    }
                    // Orthogonalise against the earlier members of the group, newest first. Each
                    // pass subtracts one member and forms the product with the next (eight running
                    // sums each): the same bits as a product pass and an update pass per member.
                    if (group > 0) {
                        const int length = q - p + 1;
                        int j = r;
                        do { --j; } while (static_cast<int>(tags[j]) != tag);
                        double dot = dense_dot(rv6 + p, z + static_cast<long>(j) * n + p, length);
                        for (int g = 0; g < group; ++g) {
                            const double* zj = z + static_cast<long>(j) * n + p;
                            if (g + 1 == group) {
                                dense_axpy(length, -dot, zj, rv6 + p);
                                break;
                            }
                            do { --j; } while (static_cast<int>(tags[j]) != tag);
                            dot = dense_axpy_then_dot(length, -dot, zj, z + static_cast<long>(j) * n + p, rv6 + p);
                        }
                    }
                    double growth = 0.0;
                    for (int i = p; i <= q; ++i) growth += std::fabs(rv6[i]);
                    if (growth >= 1.0) break;
                    if (its > 3 && growth >= 0.01) { if (result > -10) result = -10; break; }
                    if (its > 10 && growth >= 1.0e-4) { if (result > -20) result = -20; break; }
                    if (its == kMaxIterations) {
                        if (result > -(r + 1)) result = -(r + 1);
                        xu = 0.0;
                        done = true;
                        break;
                    }
                    if (growth == 0.0) {
                        rv6[s] = eps4;
                        ++s;
                        if (s > q) s = p;
                    } else {
                        double scale = eps4 / growth;
                        for (int i = p; i <= q; ++i) rv6[i] *= scale;
                    }
                    // Forward elimination on the next vector.
                    for (int i = p + 1; i <= q; ++i) {
                        double ui = rv6[i];
                        if (rv1[i - 1] == e[i]) {
                            ui = rv6[i - 1];
                            rv6[i - 1] = rv6[i];
                        }
                        rv6[i] = ui - rv4[i] * rv6[i - 1];
                    }
                    ++its;
                }
                if (!done) xu = 1.0 / euclidean_length(rv6 + p, q - p + 1);
            }
            for (int i = 0; i < n; ++i) zr[i] = 0.0;
            for (int i = p; i <= q; ++i) zr[i] = rv6[i] * xu;
            x0 = x1;
        }
    }
    return result;
}

__attribute__((target("avx512f"))) static int inverse_iteration_avx512f(int n, int k, ztridiag t, const double* w,
                                                                       const double* tags, double* z,
                                                                       double* scratch) {
    return inverse_iteration(n, k, t, w, tags, z, scratch);
}
__attribute__((target("avx2"))) static int inverse_iteration_avx2(int n, int k, ztridiag t, const double* w,
                                                                 const double* tags, double* z, double* scratch) {
    return inverse_iteration(n, k, t, w, tags, z, scratch);
}
static int inverse_iteration_baseline(int n, int k, ztridiag t, const double* w, const double* tags, double* z,
                                      double* scratch) {
    return inverse_iteration(n, k, t, w, tags, z, scratch);
}

int ztinvit(int n, int k, ztridiag t, const double* w, const double* tags, double* z, double* scratch) {
    static const auto version = qor::version_for_processor(inverse_iteration_baseline, nullptr,
                                                           inverse_iteration_avx2, inverse_iteration_avx512f);
    return version(n, k, t, w, tags, z, scratch);
}
