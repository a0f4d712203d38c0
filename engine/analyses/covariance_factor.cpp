// The matrix side of covariance simulation: the Cholesky factor (plain or pivoting), the repair
// of a matrix that is not semidefinite, the rank and dependent factors, and the shocks L y.
#include <cmath>
#include <cstring>
#include <vector>

#include "common/numeric/linalg.h"
#include "engine/analyses/simulation_generators.h"
#include "host/missing.h"
#include "host/model.h"
#include "host/print.h"

namespace {

constexpr double kLargest = 1.3407807929943e154;   // guard of v e^x against overflow
constexpr double kEulersNumber = 2.71828182846;    // the base of multiplicative shocks, as given

size_t triangle(int32_t n) { return static_cast<size_t>(n) * static_cast<size_t>(n + 1) / 2; }

// One factorisation of cov->matrix: the rank, whether a diagonal fell below -tolerance, and the
// value each row's diagonal had before its square root (deficient rows keep it).
void factorise(RSKCOVSIM* cov, std::vector<double>* diagonals, bool* not_semidefinite) {
    const int32_t n = cov->gen.factor_count;
    diagonals->assign(static_cast<size_t>(n), 0.0);
    *not_semidefinite = false;
    cov->rank = 0;
    if (cov->pivots == nullptr) {
        for (int32_t i = 0; i < n; ++i) {
            const double d = zchol(i, cov->matrix, kRskCholeskyTolerance);
            (*diagonals)[static_cast<size_t>(i)] = d;
            if (d > kRskCholeskyTolerance) ++cov->rank;
            if (d < -kRskCholeskyTolerance) *not_semidefinite = true;
        }
        return;
    }
    const int deficient = modcholp(n, kRskCholeskyTolerance, cov->pivots, cov->matrix);
    cov->rank = n - deficient;
    for (int32_t i = 0; i < n; ++i) {
        const double d = cov->matrix[zisub(i, i)];
        (*diagonals)[static_cast<size_t>(i)] = i < cov->rank ? d * d : d;
        if (i >= cov->rank && d < -kRskCholeskyTolerance) *not_semidefinite = true;
    }
}

}  // namespace

int rsacsm_factor(RSKCON* con, RSKCOVSIM* cov, int32_t psd_method, const RSKNAMEREC* source,
                  const RSKNAMEREC* analysis_name) {
    (void)con;
    const int32_t n = cov->gen.factor_count;
    const size_t bytes = triangle(n) * sizeof(double);
    std::memcpy(cov->copy, cov->matrix, bytes);
    std::vector<double> diagonals;
    bool not_semidefinite = false;
    factorise(cov, &diagonals, &not_semidefinite);
    if (not_semidefinite) {
        std::memcpy(cov->matrix, cov->copy, bytes);
        int estimate = cov->rank + 10 < n ? cov->rank + 10 : n;
        xpmlog(598, 2649, source->length, source->text);
        if (wfxmat(n, &estimate, cov->matrix, psd_method) != 0) {
            xpmlog(598, 2648, source->length, source->text, analysis_name->length, analysis_name->text);
            return 1;
        }
        factorise(cov, &diagonals, &not_semidefinite);
        if (not_semidefinite && cov->pivots == nullptr) {
            xpmlog(598, 2648, source->length, source->text, analysis_name->length, analysis_name->text);
            return 1;
        }
    }
    for (int32_t i = 0; i < n; ++i) {
        const double d = diagonals[static_cast<size_t>(i)];
        cov->flags[i] = !qor::is_missing(d) && !(d > kRskCholeskyTolerance) ? 1 : 0;
    }
    if (cov->rank == 0) {
        xpmlog(598, 2644, source->length, source->text, analysis_name->length, analysis_name->text);
        return 1;
    }
    if (cov->rank < n)
        xpmlog(598, 2645, source->length, source->text, n, cov->rank, analysis_name->length, analysis_name->text);
    return 0;
}

void rsacsm_shocks(const RSKCOVSIM* cov, const double* normals, double step, double* shocks) {
    const int32_t n = cov->gen.factor_count;
    if (cov->pivots != nullptr) zsymvecp(cov->matrix, normals, shocks, cov->pivots, n);
    else zsymvec(cov->matrix, normals, shocks, n);
    for (int32_t i = 0; i < n; ++i) {
        shocks[i] *= step;
        if (cov->volatilities != nullptr) shocks[i] *= cov->volatilities[i];
    }
}

bool rsacsm_apply(double v, double x, bool additive, double* out) {
    if (qor::is_missing(v)) {
        *out = v;
        return true;
    }
    if (qor::is_missing(x)) return false;
    if (additive) {
        *out = v + x;
        return true;
    }
    int error = 0;
    const double e = zpower(kEulersNumber, x, &error);
    if (error != 0 || qor::is_missing(e) || (e > 1.0 && std::fabs(v) > kLargest / e)) return false;
    *out = v * e;
    return true;
}
