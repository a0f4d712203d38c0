// Kernel density of a simulation cell's values on a grid of m points, folded at 0 for values
// that cannot change sign, with its cumulative distribution by piecewise parabolas.
#include <cmath>

#include "common/statistics/kernel_density.h"
#include "engine/analyses/simulation_run.h"
#include "host/missing.h"

namespace {

constexpr double kEps13 = 1.110223024625157e-13;
constexpr double kEps16 = 1.110223024625157e-16;

void set_missing(uint8_t* area, int32_t m) {
    for (int32_t k = 0; k < 3 * m + 1; ++k) rsasim_set(area, k, qor::missing());
}

// 1 folds to the non-negative side, -1 to the non-positive side, 0 does not fold.
int fold_side(const RSKSIMOUTV* v) {
    if (v == nullptr) return 0;
    if (v->is_exposure) return 1;
    switch (v->kind) {
    case 1: case 3: case 5: return 1;
    case 2: case 6: return -1;
    default: return 0;
    }
}

}  // namespace

int compute_density(RSKCON*, RSKSIMWORK* work, uint8_t* area, const RSKSIMSTATS* stats) {
    const int32_t m = work->density_points;
    if (m < 8 || area == nullptr) return 0;
    const int32_t n = stats->valid;
    const double q25 = stats->quantiles[7], q75 = stats->quantiles[13];
    if (n <= 2 || !(stats->maximum - stats->minimum >= kEps13) || qor::is_missing(q25) || qor::is_missing(q75)) {
        set_missing(area, m);
        return 0;
    }
    double spread = q75 - q25;
    if (spread < kEps13) spread = stats->maximum - stats->minimum;
    const double h = work->bandwidth * spread / std::pow(static_cast<double>(n), 0.2);
    if (!(h >= kEps13)) {
        set_missing(area, m);
        return 0;
    }
    const int side = fold_side(work->current);
    double* data = work->fold_values;
    int32_t count = n;
    for (int32_t i = 0; i < n; ++i) data[i] = work->sorted[i];
    int32_t grid_count = m;
    double lo = stats->minimum, hi = stats->maximum;
    if (side != 0) {
        for (int32_t i = 0; i < n; ++i) data[n + i] = -work->sorted[i];
        count = 2 * n;
        grid_count = 2 * m;
        lo = std::fmin(stats->minimum, -stats->maximum);
        hi = std::fmax(stats->maximum, -stats->minimum);
    }
    const int kernel = work->kernel >= 1 && work->kernel <= 3 ? work->kernel : KERNEL_NORMAL;
    const double widen = kernel == KERNEL_NORMAL ? 3.0 * h : h;
    lo -= widen;
    hi += widen;
    hi += (hi - lo) / (grid_count - 1);
    double* grid = work->density_scratch;
    double* transform = grid + grid_count;
    double* fitted = transform + grid_count;
    if (zkerset(data, nullptr, nullptr, count, lo, hi, grid, transform, grid_count) != 0 ||
        zkerfit(kernel, h, lo, hi, transform, fitted, grid_count) != 0) {
        set_missing(area, m);
        return 0;
    }
    // x, f and F of the area; a folded grid keeps one half, each density adds its mirror's.
    double* x = transform;   // the transform is no longer needed
    double* f = x + m;
    for (int32_t k = 0; k < m; ++k) {
        if (side > 0) {
            x[k] = grid[m + k];
            f[k] = fitted[m + k] + fitted[m - 1 - k];
        } else if (side < 0) {
            x[k] = grid[k];
            f[k] = fitted[k] + fitted[2 * m - 1 - k];
        } else {
            x[k] = grid[k];
            f[k] = fitted[k];
        }
    }
    for (int32_t k = 0; k < m; ++k) {
        rsasim_set(area, k, x[k]);
        rsasim_set(area, m + k, f[k]);
    }
    const double dx = x[1] - x[0];
    if (dx < kEps16) {
        for (int32_t k = 0; k <= m; ++k) rsasim_set(area, 2 * m + k, qor::missing());
        return 0;
    }
    auto density_at = [&](int32_t k) { return k < 0 || k >= m ? 0.0 : (f[k] < 0.0 ? 0.0 : f[k]); };
    double running = 0.0;
    rsasim_set(area, 2 * m, 0.0);
    // The last piece runs past the grid, where the density is taken as 0: the total.
    for (int32_t k = 1; k <= m; ++k) {
        const double a = density_at(k - 2), b = density_at(k - 1), c = density_at(k);
        double piece = b * dx + ((c - a) / (2.0 * dx)) * dx * dx / 2.0 + ((c - 2.0 * b + a) / (2.0 * dx * dx)) * dx * dx * dx / 3.0;
        if (piece < kEps13) piece = (b + c) * dx / 2.0;
        running += piece;
        rsasim_set(area, 2 * m + k, running);
    }
    return 0;
}
