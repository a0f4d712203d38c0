// Host vector arithmetic services (vectors 11 and 12): inner products, sums, scaled additions.
// Plain loops over contiguous or strided doubles; the numeric routines of common/ call them.
#pragma once
#include "host/export.h"

// Inner product of x and y over n elements (0 for n below 1).
QOR_HOST_API double zinner(const double* x, const double* y, int n);
// Sum of n elements of x (0 for n below 1).
QOR_HOST_API double zvsum(const double* x, int n);
// y[i] += a * x[i] for n elements.
QOR_HOST_API void zvaxpy(int n, double a, const double* x, double* y);
// Inner product with strides: sum of x[i * incx] * y[i * incy] for n elements.
QOR_HOST_API double zvdots1(int n, const double* x, int incx, const double* y, int incy);
// z[i] = x[i] + a * y[i] for n elements (z may be x or y).
QOR_HOST_API void zvxay11(int n, const double* x, double a, const double* y, double* z);
// x[i] *= a for n elements.
QOR_HOST_API void zvscl11(int n, double a, double* x);
