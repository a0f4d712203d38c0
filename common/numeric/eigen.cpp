// Drivers of the symmetric eigenproblem on packed matrices: reduce to tridiagonal form, find the
// eigenvalues (QL, bisection as fallback), then the wanted eigenvectors, regrouped and cleaned.
#include <cmath>
#include <cstring>

#include "common/numeric/general_pool.h"
#include "common/numeric/linalg.h"

static constexpr double kPositive = 1.491668147e-154;

enum : int { EIGEN_BAD_ARGUMENTS = 99, EIGEN_BISECT_SHORT = 98, EIGEN_REGROUP_FAILED = 97 };

int zeigwork(int n) { return 13 * n; }

// A missing or infinite element has no spectrum: the drivers refuse it as a bad argument.
static bool all_finite(int n, const double* a) {
    int size = n * (n + 1) / 2;
    for (int i = 0; i < size; ++i) if (!std::isfinite(a[i])) return false;
    return true;
}

// Workspace layout (doubles): d, e, e2 | saved d, e, e2 | tags | scratch (6n).
struct eigen_work {
    ztridiag t;
    double* saved;
    double* tags;
    double* scratch;
};

static eigen_work layout(int n, double* work) {
    eigen_work w;
    w.t = ztridiag{work, work + n, work + 2 * n};
    w.saved = work + 3 * n;
    w.tags = work + 6 * n;
    w.scratch = work + 7 * n;
    return w;
}

// Reduction and eigenvalues; 0, -1 when the bisection fallback served, or 98.
static int eigenvalues(int n, double* a, double* w, const eigen_work& ws) {
    ztred3(n, a, ws.t);
    std::memcpy(ws.saved, ws.t.d, sizeof(double) * 3 * n);
    if (zimtqlv(n, ws.t, w, ws.tags, ws.scratch) == 0) return 0;
    std::memcpy(ws.t.d, ws.saved, sizeof(double) * 3 * n);
    if (zbisect(n, n, 0.0, ws.t, w, ws.scratch, ws.tags) < n) return EIGEN_BISECT_SHORT;
    return -1;
}

// Eigenvectors of the first k eigenvalues; the result of inverse iteration, or 97.
static int eigenvectors(int n, int k, const double* a, const double* w, double* vectors,
                        const eigen_work& ws) {
    int result = ztinvit(n, k, ws.t, w, ws.tags, vectors, ws.scratch);
    ztrbak3(n, k, a, vectors);
    if (k > 1 && zeiggrp(n, k, ws.t, w, vectors, ws.scratch) != 0) return EIGEN_REGROUP_FAILED;
    zeigref(n, k, vectors);
    return result;
}

int zeigen2(int n, double* a, double* w, int k, double* vectors, double* work) {
    if (n < 1 || k < 0 || k > n || !a || !w || !work || (k > 0 && !vectors) || !all_finite(n, a))
        return EIGEN_BAD_ARGUMENTS;
    eigen_work ws = layout(n, work);
    int fallback = eigenvalues(n, a, w, ws);
    if (fallback == EIGEN_BISECT_SHORT) return fallback;
    if (k == 0) return fallback;
    int result = eigenvectors(n, k, a, w, vectors, ws);
    if (result == EIGEN_REGROUP_FAILED) return result;
    return result + fallback;
}

int zeigen3(int n, double* a, double* w, int* k, double** vectors, double* work) {
    if (n < 1 || !k || *k < 0 || *k > n || !a || !w || !work || !vectors || !all_finite(n, a))
        return EIGEN_BAD_ARGUMENTS;
    eigen_work ws = layout(n, work);
    int fallback = eigenvalues(n, a, w, ws);
    if (fallback == EIGEN_BISECT_SHORT) return fallback;
    int m = *k;
    while (m < n && w[m] > kPositive) ++m;
    while (m > 0 && !(w[m - 1] > kPositive)) --m;
    *k = m;
    *vectors = nullptr;
    if (m == 0) return fallback;
    qor_pool* pool = zgenpool();
    size_t bytes = sizeof(double) * static_cast<size_t>(m) * n;
    auto* block = static_cast<double*>(pool ? pool->allocate(pool, bytes, QOR_ALLOC_GENERAL) : nullptr);
    if (!block) {
        *k = 0;
        return EIGEN_BAD_ARGUMENTS;
    }
    *vectors = block;
    int result = eigenvectors(n, m, a, w, block, ws);
    if (result == EIGEN_REGROUP_FAILED) return result;
    return result + fallback;
}
