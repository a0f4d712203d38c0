// Inner products and scaled additions written inline, for routines of the host and the common
// library built in several vector widths (target attributes): each copy is inlined and takes its
// caller's width, with the same results in all.
#pragma once

// Sum of x[k] y[k]: eight running sums by k mod 8, a fixed tree, then the tail (zinner's order).
// Any vector width gives the same bits.
__attribute__((always_inline)) inline double dense_dot(const double* __restrict x, const double* __restrict y,
                                                       int n) {
    double s[8] = {0, 0, 0, 0, 0, 0, 0, 0};
    int i = 0;
    for (; i + 8 <= n; i += 8)
        for (int k = 0; k < 8; ++k) s[k] += x[i + k] * y[i + k];
    double tail = 0.0;
    for (; i < n; ++i) tail += x[i] * y[i];
    return ((s[0] + s[4]) + (s[1] + s[5])) + ((s[2] + s[6]) + (s[3] + s[7])) + tail;
}

// y[k] += a x[k], element by element (as the host's zvaxpy).
__attribute__((always_inline)) inline void dense_axpy(int n, double a, const double* __restrict x,
                                                     double* __restrict y) {
    for (int k = 0; k < n; ++k) y[k] += a * x[k];
}

// dense_dot(x, y, n) and, in the same pass, z += a x; x, y and z must not overlap.
__attribute__((always_inline)) inline double dense_dot_and_axpy(const double* __restrict x,
                                                                const double* __restrict y, double a,
                                                                double* __restrict z, int n) {
    double s[8] = {0, 0, 0, 0, 0, 0, 0, 0};
    int i = 0;
    for (; i + 8 <= n; i += 8) {
        for (int k = 0; k < 8; ++k) {
            s[k] += x[i + k] * y[i + k];
            z[i + k] += a * x[i + k];
        }
    }
    double tail = 0.0;
    for (; i < n; ++i) {
        tail += x[i] * y[i];
        z[i] += a * x[i];
    }
    return ((s[0] + s[4]) + (s[1] + s[5])) + ((s[2] + s[6]) + (s[3] + s[7])) + tail;
}

// Eight doubles as one value: element-wise arithmetic in whatever vector width the build has.
typedef double eight_doubles __attribute__((vector_size(64)));

// The eight running sums added in dense_dot's fixed tree.
inline double dense_tree(const eight_doubles& v) {
    return ((v[0] + v[4]) + (v[1] + v[5])) + ((v[2] + v[6]) + (v[3] + v[7]));
}

// out[m] = dense_dot(x, y[m], n) for eight vectors y (the same bits), x loaded once for the eight.
inline void dense_dot_eight(const double* x, const double* const y[8], int n, double out[8]) {
    eight_doubles s[8] = {}, xv, yv;
    int i = 0;
    for (; i + 8 <= n; i += 8) {
        __builtin_memcpy(&xv, x + i, sizeof xv);
        for (int m = 0; m < 8; ++m) {
            __builtin_memcpy(&yv, y[m] + i, sizeof yv);
            s[m] += xv * yv;
        }
    }
    for (int m = 0; m < 8; ++m) {
        double tail = 0.0;
        for (int k = i; k < n; ++k) tail += x[k] * y[m][k];
        out[m] = dense_tree(s[m]) + tail;
    }
}

// y[m][k] += a[m] x[k] for eight distinct vectors y (as dense_axpy on each), x loaded once.
inline void dense_axpy_eight(int n, const double a[8], const double* x, double* const y[8]) {
    eight_doubles xv, yv;
    int k = 0;
    for (; k + 8 <= n; k += 8) {
        __builtin_memcpy(&xv, x + k, sizeof xv);
        for (int m = 0; m < 8; ++m) {
            __builtin_memcpy(&yv, y[m] + k, sizeof yv);
            yv += a[m] * xv;
            __builtin_memcpy(y[m] + k, &yv, sizeof yv);
        }
    }
    for (; k < n; ++k)
        for (int m = 0; m < 8; ++m) y[m][k] += a[m] * x[k];
}

// v[k] += a x[k], then the product of the updated v with y, in one pass: the bits of dense_axpy
// followed by dense_dot(v, y, n). x, y and v must not overlap.
inline double dense_axpy_then_dot(int n, double a, const double* __restrict x, const double* __restrict y,
                                  double* __restrict v) {
    eight_doubles s = {}, xv, yv, vv;
    int i = 0;
    for (; i + 8 <= n; i += 8) {
        __builtin_memcpy(&xv, x + i, sizeof xv);
        __builtin_memcpy(&vv, v + i, sizeof vv);
        vv += a * xv;
        __builtin_memcpy(v + i, &vv, sizeof vv);
        __builtin_memcpy(&yv, y + i, sizeof yv);
        s += vv * yv;
    }
    double tail = 0.0;
    for (; i < n; ++i) {
        v[i] += a * x[i];
        tail += v[i] * y[i];
    }
    return dense_tree(s) + tail;
}
