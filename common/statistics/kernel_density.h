// Kernel density estimation on an equally spaced grid by the fast Fourier transform: binning,
// smoothing with normal, triangular or Epanechnikov kernels, boundary correction, real transforms.
#pragma once

enum : int { KERNEL_NORMAL = 1, KERNEL_TRIANGULAR = 2, KERNEL_EPANECHNIKOV = 3 };

// Bin the weighted observations and transform: 0; 1 bad N; 2 observation outside [lo, hi];
// 3 limits unusable (missing, or hi not above lo).
int zkerset(const double* data, const double* weights, const double* frequencies, int n, double lo, double hi,
            double* grid, double* transform, int N);
// Smooth one transform into a density on the grid: 0; 1 when N is not a power of two (at least 8).
int zkerfit(int kernel, double h, double lo, double hi, const double* transform, double* density, int N);
// Fold mass beyond active limits back inside: 0; 1 when both limits are too close for reflection.
int zkermod(int kernel, double h, double data_min, double data_max, double lower, double upper,
            const double* grid, double* density, int N);
// Forward and reverse real transforms in place (N a power of two, log2N its logarithm).
void zkerft(double* values, int N, int log2N);
void zkerfti(double* transform, int N, int log2N);
// Complex transform in place, natural order in, bit-reversed order out (direction 1 or -1).
void fastg(double* re, double* im, int M, int direction);
// Bit-reversal permutation of M values in place.
void scrag(double* values, int M, int log2M);
