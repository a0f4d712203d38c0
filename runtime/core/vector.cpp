// Host vector arithmetic services: inner products, sums, scaled additions and scaling.
// Four running sums keep the pipelines busy without reassociating beyond a fixed pattern.
#include "host/vector.h"

double zinner(const double* x, const double* y, int n) {
    double s0 = 0.0, s1 = 0.0, s2 = 0.0, s3 = 0.0;
    int i = 0;
    for (; i + 4 <= n; i += 4) {
        s0 += x[i] * y[i];
        s1 += x[i + 1] * y[i + 1];
        s2 += x[i + 2] * y[i + 2];
        s3 += x[i + 3] * y[i + 3];
    }
    for (; i < n; ++i) s0 += x[i] * y[i];
    return (s0 + s1) + (s2 + s3);
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
    for (int i = 0; i < n; ++i) y[i] += a * x[i];
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
