// Host vector arithmetic services: inner products, sums, scaled additions and scaling.
// Several running sums keep the pipelines busy; the summation order is fixed, not left to flags.
#include "host/dense_kernels.h"
#include "host/vector.h"
#include "host/vector_level.h"

namespace {

// Built twice, for processors with and without 256-bit vectors; each of the eight sums is still
// formed by separate multiplies and adds in the same order, so both give identical results.
__attribute__((always_inline)) inline double inner_product(const double* x, const double* y, int n) {
    return dense_dot(x, y, n);
}

__attribute__((target("avx"))) double inner_product_avx(const double* x, const double* y, int n) {
    return inner_product(x, y, n);
}

double inner_product_baseline(const double* x, const double* y, int n) { return inner_product(x, y, n); }

// Element by element, so the wider build gives the same results.
__attribute__((always_inline)) inline void scaled_add(int n, double a, const double* x, double* y) {
    for (int i = 0; i < n; ++i) y[i] += a * x[i];   // x and y may overlap: no restrict here
}

__attribute__((target("avx"))) void scaled_add_avx(int n, double a, const double* x, double* y) {
    scaled_add(n, a, x, y);
}

void scaled_add_baseline(int n, double a, const double* x, double* y) { scaled_add(n, a, x, y); }

}  // namespace

double zinner(const double* x, const double* y, int n) {
    static const auto version =
        qor::version_for_processor(inner_product_baseline, inner_product_avx, nullptr, nullptr);
    return version(x, y, n);
}

double zvsum(const double* x, int n) {
    double s0 = 0.0, s1 = 0.0;
    int i = 0;
    for (; i + 2 <= n; i += 2) {
        s0 += x[i];
        s1 += x[i + 1];
    }
    for (; i < n; ++i) s0 += x[i];
    return s0 + s1;
}

void zvaxpy(int n, double a, const double* x, double* y) {
    static const auto version = qor::version_for_processor(scaled_add_baseline, scaled_add_avx, nullptr, nullptr);
    version(n, a, x, y);
}

double zvdots1(int n, const double* x, int incx, const double* y, int incy) {
    double s = 0.0;
    for (int i = 0; i < n; ++i) s += x[static_cast<long>(i) * incx] * y[static_cast<long>(i) * incy];
    return s;
}

void zvxay11(int n, const double* x, double a, const double* y, double* z) {
    for (int i = 0; i < n; ++i) z[i] = x[i] + a * y[i];
}

void zvscl11(int n, double a, double* x) {
    for (int i = 0; i < n; ++i) x[i] *= a;
}
