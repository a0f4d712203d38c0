// LU decomposition with partial pivoting, solves with the factors, inverse, and the determinant
// kept as a mantissa and a decimal exponent so that large orders neither overflow nor underflow.
#include <cmath>
#include <utility>

#include "common/numeric/linalg.h"

static constexpr double kTiny = 2.225073858507202e-308;

static double& at(double* a, int stride, int i, int j) { return a[static_cast<long>(i) * stride + j]; }
static double at(const double* a, int stride, int i, int j) { return a[static_cast<long>(i) * stride + j]; }

// Determinant from the factors: sign of each exchange, product of the diagonal, renormalised.
static void determinant(int n, int stride, const double* a, const int* pivots, double* det) {
    double mantissa = 1.0, exponent = 0.0;
    for (int k = 0; k < n; ++k) {
        if (pivots[k] != k) mantissa = -mantissa;
        mantissa *= at(a, stride, k, k);
        if (std::fabs(mantissa) < kTiny) {
            mantissa = 0.0;
            exponent = 0.0;
            break;
        }
        while (std::fabs(mantissa) < 1.0) { mantissa *= 10.0; exponent -= 1.0; }
        while (std::fabs(mantissa) >= 10.0) { mantissa /= 10.0; exponent += 1.0; }
    }
    det[0] = mantissa;
    det[1] = exponent;
}

int zludec(int n, int stride, double tolerance, double* det, double* a, int* pivots) {
    if (n < 1 || !a || !pivots || stride < n) return n < 1 ? 0 : n;
    int singular = 0;
    for (int k = 0; k < n - 1; ++k) {
        int l = k;
        for (int i = k + 1; i < n; ++i)
            if (std::fabs(at(a, stride, i, k)) > std::fabs(at(a, stride, l, k))) l = i;
        pivots[k] = l;
        // A NaN pivot is not above the tolerance either: the column counts as singular.
        if (!(std::fabs(at(a, stride, l, k)) > tolerance)) {
            ++singular;
            continue;
        }
        if (l != k) std::swap(at(a, stride, l, k), at(a, stride, k, k));
        double t = -1.0 / at(a, stride, k, k);
        for (int i = k + 1; i < n; ++i) at(a, stride, i, k) *= t;
        for (int j = k + 1; j < n; ++j) {
            double f = at(a, stride, l, j);
            if (l != k) std::swap(at(a, stride, l, j), at(a, stride, k, j));
            if (f == 0.0) continue;
            for (int i = k + 1; i < n; ++i) at(a, stride, i, j) += f * at(a, stride, i, k);
        }
    }
    pivots[n - 1] = n - 1;
    if (!(std::fabs(at(a, stride, n - 1, n - 1)) > tolerance)) ++singular;
    if (det) {
        if (singular == 0) determinant(n, stride, a, pivots, det);
        else det[0] = det[1] = 0.0;
    }
    return singular;
}

int zlusol(int transpose, int n, int r, int factor_stride, int rhs_stride, const double* a,
           double* b, const int* pivots) {
    if (n < 1 || r < 1) return 0;
    for (int k = 0; k < n; ++k)
        if (at(a, factor_stride, k, k) == 0.0) return 1;
    for (int c = 0; c < r; ++c) {
        auto rhs = [&](int i) -> double& { return b[static_cast<long>(i) * rhs_stride + c]; };
        if (transpose == 0) {
            for (int k = 0; k < n - 1; ++k) {
                int l = pivots[k];
                double t = rhs(l);
                if (l != k) std::swap(rhs(l), rhs(k));
                for (int i = k + 1; i < n; ++i) rhs(i) += t * at(a, factor_stride, i, k);
            }
            for (int k = n - 1; k >= 0; --k) {
                rhs(k) /= at(a, factor_stride, k, k);
                double t = -rhs(k);
                for (int i = 0; i < k; ++i) rhs(i) += t * at(a, factor_stride, i, k);
            }
        } else {
            for (int k = 0; k < n; ++k) {
                double t = 0.0;
                for (int i = 0; i < k; ++i) t += at(a, factor_stride, i, k) * rhs(i);
                rhs(k) = (rhs(k) - t) / at(a, factor_stride, k, k);
            }
            for (int k = n - 2; k >= 0; --k) {
                double t = 0.0;
                for (int i = k + 1; i < n; ++i) t += at(a, factor_stride, i, k) * rhs(i);
                rhs(k) += t;
                int l = pivots[k];
                if (l != k) std::swap(rhs(l), rhs(k));
            }
        }
    }
    return 0;
}

int zluinv(int n, int factor_stride, const double* factors, const int* pivots, double* inverse,
           int inverse_stride) {
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) at(inverse, inverse_stride, i, j) = i == j ? 1.0 : 0.0;
    return zlusol(0, n, n, factor_stride, inverse_stride, factors, inverse, pivots);
}
