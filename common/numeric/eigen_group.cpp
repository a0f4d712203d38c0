// Re-orthonormalisation of eigenvectors whose eigenvalues form clusters (Householder QR with
// column pivoting per cluster), and the clean-up that zeroes tiny components and fixes signs.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

#include "common/numeric/general_pool.h"
#include "common/numeric/linalg.h"
#include "host/vector.h"

static constexpr double kClusterScale = 1.110223024625157e-13;
static constexpr double kDependentNorm = 2.2250738585072018e-307;
static constexpr double kTinyComponent = 1.110223024625157e-14;
static constexpr double kSumZero = 1.053671212772351e-8;

// Column c of the n-by-size work matrix (columns are contiguous).
static double* column(double* work, int n, int c) { return work + static_cast<long>(c) * n; }

static double norm_from(const double* x, int from, int n) {
    return std::sqrt(zinner(x + from, x + from, n - from));
}

int modqrd(int size, int n, const int* group, int* pivot, double tolerance, double* vectors,
           double* work, double* norms) {
    if (size < 1 || size > n) return 1;
    double* diag = norms + size;                 // R(j, j) of each step
    double* y = work + static_cast<long>(size) * n;
    for (int c = 0; c < size; ++c) {
        std::memcpy(column(work, n, c), vectors + static_cast<long>(group[c]) * n, sizeof(double) * n);
        pivot[c] = c;
        norms[c] = norm_from(column(work, n, c), 0, n);
    }
    for (int j = 0; j < size; ++j) {
        int best = j;
        for (int c = j + 1; c < size; ++c) if (norms[c] > norms[best]) best = c;
        if (best != j) {
            std::swap_ranges(column(work, n, j), column(work, n, j) + n, column(work, n, best));
            std::swap(norms[j], norms[best]);
            std::swap(pivot[j], pivot[best]);
        }
        if (!(norms[j] > tolerance)) return 1;  // a dependent column
        double* v = column(work, n, j);
        double alpha = -std::copysign(norm_from(v, j, n), v[j]);
        v[j] -= alpha;
        diag[j] = alpha;
        double vv = zinner(v + j, v + j, n - j);
        for (int c = j + 1; c < size; ++c) {
            double* x = column(work, n, c);
            if (vv > 0.0) zvaxpy(n - j, -2.0 * zinner(v + j, x + j, n - j) / vv, v + j, x + j);
            norms[c] = norm_from(x, j + 1, n);   // the norm left below row j
        }
        if (vv == 0.0) v[j] = 0.0;
    }
    // Q's first size columns, each written over the vector it came from.
    for (int c = 0; c < size; ++c) {
        for (int i = 0; i < n; ++i) y[i] = i == c ? 1.0 : 0.0;
        for (int j = size - 1; j >= 0; --j) {
            const double* v = column(work, n, j);
            double vv = zinner(v + j, v + j, n - j);
            if (vv > 0.0) zvaxpy(n - j, -2.0 * zinner(v + j, y + j, n - j) / vv, v + j, y + j);
        }
        double sign = diag[c] < 0.0 ? -1.0 : 1.0;
        double* target = vectors + static_cast<long>(group[pivot[c]]) * n;
        for (int i = 0; i < n; ++i) target[i] = sign * y[i];
    }
    return 0;
}

int zeiggrp(int n, int k, ztridiag t, const double* w, double* vectors, double*) {
    if (k < 2) return 0;
    double scale = std::fabs(t.d[0]);
    for (int i = 1; i < n; ++i) scale += std::fabs(t.d[i]) + std::fabs(t.e[i]);
    scale *= kClusterScale;
    int first = 0;
    for (int i = 1; i <= k; ++i) {
        if (i < k && std::fabs(w[i - 1] - w[i]) < scale) continue;
        int size = i - first;
        if (size >= 2) {
            qor_pool* pool = zgenpool();
            size_t ints = sizeof(int) * 2 * size;
            size_t doubles = sizeof(double) * (static_cast<size_t>(size + 1) * n + 2 * size);
            void* block = pool ? pool->allocate(pool, ints + doubles, QOR_ALLOC_GENERAL) : nullptr;
            if (!block) return 1;
            double* work = static_cast<double*>(block);
            double* norms = work + static_cast<size_t>(size + 1) * n;
            int* group = reinterpret_cast<int*>(norms + 2 * size);
            int* pivot = group + size;
            for (int c = 0; c < size; ++c) group[c] = first + c;
            int rc = modqrd(size, n, group, pivot, kDependentNorm, vectors, work, norms);
            pool->release(pool, block, ints + doubles, QOR_FREE_SIZED);
            if (rc != 0) return 1;
        }
        first = i;
    }
    return 0;
}

void zeigref(int n, int k, double* vectors) {
    double tiny = n * kTinyComponent;
    for (int r = 0; r < k; ++r) {
        double* v = vectors + static_cast<long>(r) * n;
        for (int i = 0; i < n; ++i) if (std::fabs(v[i]) < tiny) v[i] = 0.0;
        double sum = zvsum(v, n);
        double sign;
        if (std::fabs(sum) > kSumZero) {
            sign = sum;
        } else {
            int largest = 0;
            for (int i = 1; i < n; ++i)
                if (std::fabs(v[i]) > std::fabs(v[largest]) + kSumZero) largest = i;
            sign = v[largest];
        }
        if (sign < 0.0) zvscl11(n, -1.0, v);
    }
}
