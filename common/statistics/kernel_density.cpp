// Kernel density estimation by the fast Fourier transform: linear binning of weighted observations,
// smoothing by the kernel's Fourier transform, ripple removal, and reflection at support limits.
#include <cmath>

#include "common/statistics/kernel_density.h"
#include "host/missing.h"

namespace {

constexpr double kExpBound = 709.78271289339;
constexpr double kOnGrid = 1.110223024625157e-13;

// log2 of N when N is a power of two of at least 8, else -1.
int grid_log2(int N) {
    if (N < 8 || (N & (N - 1)) != 0) return -1;
    int l = 0;
    while ((1 << l) < N) ++l;
    return l;
}

bool usable(double v) { return !qor::is_missing(v) && std::isfinite(v); }

}  // namespace

int zkerset(const double* data, const double* weights, const double* frequencies, int n, double lo, double hi,
            double* grid, double* transform, int N) {
    const int log2N = grid_log2(N);
    if (log2N < 0) return 1;
    if (!usable(lo) || !usable(hi) || !(hi > lo)) return 3;
    const double delta = (hi - lo) / N;
    if (grid) for (int i = 0; i < N; ++i) grid[i] = lo + i * delta;
    for (int i = 0; i < N; ++i) transform[i] = 0.0;
    // Missing observations, and missing or negative weights and frequencies, carry no mass.
    auto mass_of = [&](int i) {
        double c = frequencies ? frequencies[i] : 1.0;
        double w = weights ? weights[i] : 1.0;
        if (!usable(data[i]) || !usable(c) || !usable(w) || c < 0.0 || w < 0.0) return 0.0;
        return c * w;
    };
    // The density integrates to 1: normalise by the total mass, weights included.
    double total = 0.0;
    for (int i = 0; i < n; ++i) total += mass_of(i);
    for (int i = 0; i < n; ++i) {
        double mass = mass_of(i);
        if (mass == 0.0) continue;
        double u = (data[i] - lo) / delta;
        if (u < 0.0 || u > N) return 2;
        int m = static_cast<int>(std::floor(u));
        double g = (u - m) * mass;
        if (m < N - 1) {
            transform[m] += mass - g;
            transform[m + 1] += g;
        } else {
            // The last cell (and hi itself) has no upper neighbour on the grid: keep its mass there.
            transform[N - 1] += mass;
        }
    }
    if (total > 0.0) {
        const double scale = 1.0 / (delta * total);
        for (int i = 0; i < N; ++i) transform[i] *= scale;
    }
    zkerft(transform, N, log2N);
    return 0;
}

int zkerfit(int kernel, double h, double lo, double hi, const double* t, double* f, int N) {
    const int log2N = grid_log2(N);
    if (log2N < 0) return 1;
    const double R = hi - lo;
    const int half = N / 2;
    for (int i = 0; i < N; ++i) f[i] = 0.0;
    f[0] = t[0];
    if (kernel == KERNEL_NORMAL) {
        const double fac = 2.0 * (M_PI * h / R) * (M_PI * h / R);
        int jmax = half - 1;
        if (fac > 0.0 && std::sqrt(kExpBound / fac) < jmax) jmax = static_cast<int>(std::sqrt(kExpBound / fac));
        for (int j = 1; j <= jmax; ++j) {
            double factor = std::exp(-fac * j * j);
            f[j] = t[j] * factor;
            f[half + j] = t[half + j] * factor;
        }
        f[half] = t[half] * std::exp(-fac * half * static_cast<double>(half));
    } else if (kernel == KERNEL_TRIANGULAR || kernel == KERNEL_EPANECHNIKOV) {
        const double a = 2.0 * M_PI * h / R;
        const bool flat = kernel == KERNEL_TRIANGULAR ? a * 10.0 * 1.110223024625157e-16 >= 1.0
                                                      : a * 3.0 * 1.053671212772351e-08 >= 1.0;
        if (!flat) {
            auto factor_of = [&](int j) {
                if (kernel == KERNEL_TRIANGULAR) {
                    double s = a * j / 2.0;
                    double r = s == 0.0 ? 1.0 : std::sin(s) / s;
                    return r * r;
                }
                double s = a * j;
                if (s < 1e-2) return 1.0 - s * s / 10.0 + s * s * s * s / 280.0;   // avoids cancellation
                return 3.0 * (std::sin(s) - s * std::cos(s)) / (s * s * s);
            };
            for (int j = 1; j < half; ++j) {
                double factor = factor_of(j);
                f[j] = t[j] * factor;
                f[half + j] = t[half + j] * factor;
            }
            f[half] = t[half] * factor_of(half);
        }
    }
    zkerfti(f, N, log2N);
    // Remove ripples around sign changes, then negative values.
    int state = 0;
    for (int i = 0; i < N; ++i) {
        if (state == 0) {
            if (i == N - 1 || f[i] * f[i + 1] < 0.0 || (i < N - 2 && f[i] * f[i + 2] < 0.0)) f[i] = 0.0;
            else if (f[i] < 0.0) state = -1;
            else if (f[i] > 0.0) state = 1;
        } else if (f[i] == 0.0) {
            state = 0;
        } else if (i < N - 1 && f[i] * f[i + 1] < 0.0 && state * f[i] < 0.0) {
            f[i] = 0.0;
            state = 0;
        }
    }
    for (int i = 0; i < N; ++i) if (f[i] < 0.0) f[i] = 0.0;
    return 0;
}

int zkermod(int kernel, double h, double data_min, double data_max, double L, double U, const double* x,
            double* f, int N) {
    if (N < 2) return 0;
    const double reach = kernel == KERNEL_NORMAL ? 3.0 * h : h;
    const double a = data_min - reach, b = data_max + reach;
    const double delta = x[1] - x[0];
    bool use_lower = usable(L) && L > x[0];
    bool use_upper = usable(U) && U < x[N - 1];
    if (!use_lower && !use_upper) return 0;
    if (use_lower && use_upper) {
        if (L <= a) use_lower = false;
        else if (U >= b) use_upper = false;
        else if (!(2.0 * L - a <= U && 2.0 * U - b >= L)) return 1;
    }
    auto clamp = [N](int i) { return i < 0 ? 0 : (i > N - 1 ? N - 1 : i); };
    if (use_lower) {
        // Indices are clamped to the grid: the data range may reach beyond it.
        const int i0 = clamp(static_cast<int>((a - x[0]) / delta));
        int iL = clamp(static_cast<int>((L - x[0]) / delta));
        if (x[iL] < L && iL < N - 1) ++iL;
        const double r = (x[iL] - L) / delta;
        int k = iL;
        if (r <= kOnGrid) {
            for (int j = iL; j >= i0 && k < N; --j, ++k) f[k] += f[j];
        } else {
            double d = r < 0.5 ? 2.0 * r : 2.0 * r - 1.0;
            for (int j = r < 0.5 ? iL : iL - 1; j >= i0 + 1 && j >= 1 && k < N; --j, ++k)
                f[k] += (1.0 - d) * f[j] + d * f[j - 1];
        }
        for (int i = 0; i < iL; ++i) f[i] = 0.0;
    }
    if (use_upper) {
        int i1 = static_cast<int>((b - x[0]) / delta);
        if (i1 < N - 1) ++i1;
        i1 = clamp(i1);
        const int iU = clamp(static_cast<int>((U - x[0]) / delta));
        const double r = (U - x[iU]) / delta;
        int k = iU;
        if (r <= kOnGrid) {
            for (int j = iU; j <= i1 && k >= 0; ++j, --k) f[k] += f[j];
        } else {
            double d = r <= 0.5 ? 1.0 - 2.0 * r : 2.0 - 2.0 * r;
            for (int j = r <= 0.5 ? iU : iU + 1; j <= i1 && j + 1 <= N - 1 && k >= 0; ++j, --k)
                f[k] += (1.0 - d) * f[j + 1] + d * f[j];
        }
        for (int i = iU + 1; i < N; ++i) f[i] = 0.0;
    }
    return 0;
}
