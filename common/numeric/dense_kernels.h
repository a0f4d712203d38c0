// Inner products and scaled additions written inline, for routines built in several vector widths
// (target_clones): each inlined copy takes its caller's width, with the same results in all.
#pragma once

// Sum of x[k] y[k] in the order of the host's zinner: eight running sums by k mod 8, a fixed tree,
// then the tail. Any vector width gives the same bits, and the same bits as zinner.
inline double dense_dot(const double* __restrict x, const double* __restrict y, int n) {
    double s[8] = {0, 0, 0, 0, 0, 0, 0, 0};
    int i = 0;
    for (; i + 8 <= n; i += 8)
        for (int k = 0; k < 8; ++k) s[k] += x[i + k] * y[i + k];
    double tail = 0.0;
    for (; i < n; ++i) tail += x[i] * y[i];
    return ((s[0] + s[4]) + (s[1] + s[5])) + ((s[2] + s[6]) + (s[3] + s[7])) + tail;
}

// y[k] += a x[k], element by element (as the host's zvaxpy).
inline void dense_axpy(int n, double a, const double* __restrict x, double* __restrict y) {
    for (int k = 0; k < n; ++k) y[k] += a * x[k];
}

// dense_dot(x, y, n) and, in the same pass, z += a x; x, y and z must not overlap.
inline double dense_dot_and_axpy(const double* __restrict x, const double* __restrict y, double a,
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
