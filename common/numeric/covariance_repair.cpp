// Repair of a packed covariance matrix that is not positive semidefinite: shrinking toward
// diagonal dominance (method 2) or flooring the spectrum of its correlation matrix (others).
#include <cmath>
#include <cstring>

#include "common/numeric/general_pool.h"
#include "common/numeric/linalg.h"
#include "host/kernel.h"
#include "host/options.h"
#include "host/print.h"

static constexpr double kTinyScale = 2.812644285236322e-102;
static constexpr double kBig = 1.3407807929943e154;
static constexpr double kBigContribution = 5.643803094122288e102;
static constexpr double kEps53 = 1.1102230246251565e-16;
static constexpr int kRepairFailure = 1;

double get_diff(int n, const double* a, const double* b) {
    int size = n * (n + 1) / 2;
    double largest = 0.0;
    for (int i = 0; i < size; ++i) {
        double mean = std::fabs((a[i] + b[i]) / 2.0);
        if (!(mean > kEps53)) continue;
        double change = std::fabs(a[i] - b[i]) / mean;
        if (change > largest) largest = change;
    }
    return largest;
}

// Shrinks each row's off-diagonal elements until the matrix is diagonally dominant.
static void shrink_to_dominance(int n, double* c, double* value) {
    double shortfall = 0.0;
    for (int i = 0; i < n; ++i) {
        double off = 0.0;
        for (int j = 0; j < n; ++j) if (j != i) off += std::fabs(c[zisub(i, j)]);
        shortfall = std::fmin(shortfall, c[zisub(i, i)] - off);
    }
    double m = std::fabs(shortfall);
    double* s = c + n * (n + 1) / 2;          // factors follow the matrix in the work block
    double smallest = 1.0, displaced = 1.0;
    for (int i = 0; i < n; ++i) {
        double aii = c[zisub(i, i)];
        // With no shortfall every row is already dominant (and 0/0 would poison a zero row).
        s[i] = m == 0.0 ? 1.0 : std::sqrt(std::fmax(0.0, aii / (m + aii)));
        if (s[i] < smallest) {
            displaced = smallest;
            smallest = s[i];
        }
    }
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < i; ++j) c[zisub(i, j)] *= s[i] * s[j];
    *value = smallest * displaced;
}

// Work block of the spectral repair (doubles): correlation matrix c, copy for the decomposition,
// scales s, eigenvalues, row factors, eigen workspace; the eigenvectors follow when computed here.
struct spectral_work {
    double* c;
    double* decomposed;
    double* s;
    double* lambda;
    double* factor;
    double* eigen;
    double* vectors;
};

static int do_spectral(int n, int* rank, const double* a, spectral_work& w, int method) {
    int packed = n * (n + 1) / 2;
    for (int i = 0; i < n; ++i) w.s[i] = std::sqrt(std::fmax(0.0, a[zisub(i, i)]));
    for (int i = 0; i < n; ++i)
        for (int j = 0; j <= i; ++j) {
            double scale = w.s[i] * w.s[j];
            w.c[zisub(i, j)] = scale > kTinyScale ? a[zisub(i, j)] / scale : 0.0;
        }
    std::memcpy(w.decomposed, w.c, sizeof(double) * packed);
    int k = (rank && *rank >= 1 && *rank <= n) ? *rank : n;
    double* vectors = w.vectors;
    int rc;
    if (method == 3) {
        rc = zeigen3(n, w.decomposed, w.lambda, &k, &vectors, w.eigen);
    } else {
        rc = zeigen2(n, w.decomposed, w.lambda, k, vectors, w.eigen);
    }
    if (rc < -21 || rc >= 97) {
        if (method == 3 && vectors) zgenpool()->release(zgenpool(), vectors, sizeof(double) * k * n, 0);
        return kRepairFailure;
    }
    int kept = 0;
    for (int j = 0; j < k; ++j) {
        if (w.lambda[j] < 0.0) w.lambda[j] = 0.0;
        if (w.lambda[j] > 0.0) ++kept;
    }
    zmpscdr(w.c, vectors, w.lambda, vectors, n, k);
    if (method == 1) {
        // Rescale each row so that the diagonal of V diag(lambda) V^T becomes 1.
        for (int i = 0; i < n; ++i) {
            double t = 0.0;
            for (int j = 0; j < k; ++j) {
                double v = vectors[static_cast<long>(j) * n + i];
                t += std::fabs(v) >= kBig ? kBigContribution : v * v * w.lambda[j];
            }
            w.factor[i] = t > 0.0 ? std::sqrt(1.0 / t) : 1.0;
        }
        for (int i = 0; i < n; ++i)
            for (int j = 0; j <= i; ++j) w.c[zisub(i, j)] *= w.factor[i] * w.factor[j];
    } else {
        for (int i = 0; i < n; ++i) {
            double cii = w.c[zisub(i, i)];
            if (cii > 0.0 && cii < kBig) w.s[i] /= std::sqrt(cii);
        }
    }
    for (int i = 0; i < n; ++i)
        for (int j = 0; j <= i; ++j) w.c[zisub(i, j)] *= w.s[i] * w.s[j];
    if (method == 3 && vectors) zgenpool()->release(zgenpool(), vectors, sizeof(double) * k * n, 0);
    if (rank) *rank = kept;
    return 0;
}

int zfxmat(int n, int* rank, double* a, int method, double* value) {
    if (n < 1 || !a) return kRepairFailure;
    int packed = n * (n + 1) / 2;
    for (int i = 0; i < packed; ++i) if (!std::isfinite(a[i])) return kRepairFailure;
    qor_pool* pool = zgenpool();
    size_t doubles = 2 * static_cast<size_t>(packed) + 3 * static_cast<size_t>(n) +
                     static_cast<size_t>(zeigwork(n)) + static_cast<size_t>(n) * n;
    size_t bytes = sizeof(double) * doubles;
    auto* block = static_cast<double*>(pool ? pool->allocate(pool, bytes, QOR_ALLOC_GENERAL) : nullptr);
    if (!block) return kRepairFailure;
    double change = 0.0;
    int rc = 0;
    if (method == 2) {
        std::memcpy(block, a, sizeof(double) * packed);
        shrink_to_dominance(n, block, &change);
    } else {
        spectral_work w;
        w.c = block;
        w.decomposed = w.c + packed;
        w.s = w.decomposed + packed;
        w.lambda = w.s + n;
        w.factor = w.lambda + n;
        w.eigen = w.factor + n;
        w.vectors = w.eigen + zeigwork(n);
        rc = do_spectral(n, rank, a, w, method);
        if (rc == 0) change = get_diff(n, a, w.c);
    }
    if (rc == 0) {
        std::memcpy(a, block, sizeof(double) * packed);
        if (value) *value = change;
    }
    pool->release(pool, block, bytes, QOR_FREE_SIZED);
    return rc;
}

int wfxmat(int n, int* rank, double* a, int method) {
    double start = wzdttme();
    double value = 0.0;
    int rc = zfxmat(n, rank, a, method, &value);
    int timer = 0;
    if (xoptbgt("STIMER", &timer) == 0 && timer) {
        double elapsed = std::fmax(0.0, wzdttme() - start);
        int minutes = static_cast<int>(std::floor(elapsed / 60.0));
        double seconds = std::fmod(elapsed, 60.0);
        xpmlog(423, 301, minutes, seconds);
    }
    xpmlog(423, 302, value);
    return rc;
}
