// Cholesky factors of packed symmetric matrices, row by row (zchol) or whole (zcholf, four rows at
// a time, the same bits), and products with packed lower triangles.
#include <cmath>

#include "host/dense_kernels.h"
#include "common/numeric/linalg.h"
#include "host/vector.h"
#include "host/vector_level.h"

void zsymvec(const double* L, const double* x, double* y, int n) {
    for (int i = 0; i < n; ++i) y[i] = zinner(L + zisub(i, 0), x, i + 1);
}

void zsymvecp(const double* L, const double* x, double* y, const int* p, int n) {
    for (int i = 0; i < n; ++i) y[p[i]] = zinner(L + zisub(i, 0), x, i + 1);
}

void zmpscdr(double* C, const double* A, const double* d, const double* B, int n, int m) {
    for (int i = 0; i < n; ++i) {
        double* row = C + zisub(i, 0);
        for (int j = 0; j <= i; ++j) row[j] = 0.0;
    }
    for (int k = 0; k < m; ++k) {
        const double* ak = A + static_cast<long>(k) * n;
        const double* bk = B + static_cast<long>(k) * n;
        for (int i = 0; i < n; ++i) {
            double f = ak[i] * d[k];
            if (f != 0.0) zvaxpy(i + 1, f, bk, C + zisub(i, 0));
        }
    }
}

namespace {

// Every sum of products over k < length has one fixed order: eight running sums by k mod 8 over
// whole groups of eight, added in dense_tree's order, then the remaining products one by one.
// Both Cholesky routines use it, so they give the same bits; no multiply is fused into an add.

// known[m] = sum of x[k] y[m][k] over k < length, for four rows y: x is loaded once for the four.
inline void row_dots(const double* x, const double* const y[4], int length, double known[4]) {
    eight_doubles s[4] = {}, xv, yv;
    int k = 0;
    for (; k + 8 <= length; k += 8) {
        __builtin_memcpy(&xv, x + k, sizeof xv);
        for (int m = 0; m < 4; ++m) {
            __builtin_memcpy(&yv, y[m] + k, sizeof yv);
            s[m] += xv * yv;
        }
    }
    for (int m = 0; m < 4; ++m) {
        double t = dense_tree(s[m]);
        for (int l = k; l < length; ++l) t += x[l] * y[m][l];
        known[m] = t;
    }
}

// known[r][m] = sum of x[r][k] y[m][k] over k < length, four rows x by four rows y: each row
// loaded once serves four products, and the sixteen sums are independent.
inline void block_dots(const double* const x[4], const double* const y[4], int length, double known[4][4]) {
    eight_doubles s[4][4] = {}, xv[4], yv;
    int k = 0;
    for (; k + 8 <= length; k += 8) {
        for (int r = 0; r < 4; ++r) __builtin_memcpy(&xv[r], x[r] + k, sizeof yv);
        for (int m = 0; m < 4; ++m) {
            __builtin_memcpy(&yv, y[m] + k, sizeof yv);
            for (int r = 0; r < 4; ++r) s[r][m] += xv[r] * yv;
        }
    }
    for (int r = 0; r < 4; ++r)
        for (int m = 0; m < 4; ++m) {
            double t = dense_tree(s[r][m]);
            for (int l = k; l < length; ++l) t += x[r][l] * y[m][l];
            known[r][m] = t;
        }
}

// Element j of row i from the sum over the earlier blocks: the products inside the block of four
// (first .. j-1) one by one, then the quotient by the pivot (0 for a dependent row j).
inline double element(double* row_i, const double* row_j, int first, int j, double known) {
    double sum = known;
    for (int k = first; k < j; ++k) sum += row_i[k] * row_j[k];
    return row_i[j] - sum;
}

// Row i solves L(0..i-1) x = a(i) by rows, four elements at a time: their products with the part
// of row i already known are formed together, then the terms inside the block one by one (one
// dot product per element would leave each waiting on the previous one's sum and division).
__attribute__((always_inline)) inline double factor_row(int i, double* L, double tolerance) {
    double* row_i = L + zisub(i, 0);
    double s = 0.0;
    for (int first = 0; first <= i; first += 4) {
        const int count = i + 1 - first < 4 ? i + 1 - first : 4;
        const double* rows[4];
        for (int m = 0; m < 4; ++m) rows[m] = L + zisub(first + (m < count ? m : count - 1), 0);
        double known[4];
        row_dots(row_i, rows, first, known);
        for (int m = 0; m < count; ++m) {
            const int j = first + m;
            s = element(row_i, rows[m], first, j, known[m]);
            if (j < i) row_i[j] = rows[m][j] == 0.0 ? 0.0 : s / rows[m][j];
        }
    }
    row_i[i] = s > tolerance ? std::sqrt(s) : 0.0;
    return s;
}

// All rows, four at a time: each earlier row is read once per four rows instead of once per row.
// Every element is formed exactly as factor_row forms it.
__attribute__((always_inline)) inline int factor_all(int n, double* L, double tolerance, double* pivots) {
    int dependent = 0;
    for (int top = 0; top < n; top += 4) {
        const int rows_here = n - top < 4 ? n - top : 4;
        double* x[4];
        for (int r = 0; r < 4; ++r) x[r] = L + zisub(top + (r < rows_here ? r : rows_here - 1), 0);
        for (int first = 0; first <= top; first += 4) {
            const bool diagonal = first == top;
            const int count = diagonal ? rows_here : 4;   // rows of the block above
            const double* y[4];
            for (int m = 0; m < 4; ++m) y[m] = L + zisub(first + (m < count ? m : count - 1), 0);
            double known[4][4];
            block_dots(x, y, first, known);
            if (!diagonal) {
                // Column by column: the four rows' divisions are independent and overlap.
                for (int m = 0; m < 4; ++m) {
                    const int j = first + m;
                    for (int r = 0; r < rows_here; ++r) {
                        double s = element(x[r], y[m], first, j, known[r][m]);
                        x[r][j] = y[m][j] == 0.0 ? 0.0 : s / y[m][j];
                    }
                }
                continue;
            }
            // The diagonal block: row top + r needs the rows above it complete.
            for (int r = 0; r < rows_here; ++r) {
                const int i = top + r;
                for (int m = 0; m <= r; ++m) {
                    const int j = first + m;
                    double s = element(x[r], y[m], first, j, known[r][m]);
                    if (j < i) {
                        x[r][j] = y[m][j] == 0.0 ? 0.0 : s / y[m][j];
                    } else {
                        if (pivots) pivots[i] = s;
                        if (!(s > tolerance)) ++dependent;
                        x[r][i] = s > tolerance ? std::sqrt(s) : 0.0;
                    }
                }
            }
        }
    }
    return dependent;
}

// Both factorisations built for three vector widths; none fuses a multiply into an add, so all
// give the same bits and the processor's widest is chosen once.
__attribute__((target("avx512f"))) double factor_row_avx512f(int i, double* L, double tolerance) {
    return factor_row(i, L, tolerance);
}
__attribute__((target("avx2"))) double factor_row_avx2(int i, double* L, double tolerance) {
    return factor_row(i, L, tolerance);
}
double factor_row_baseline(int i, double* L, double tolerance) { return factor_row(i, L, tolerance); }

__attribute__((target("avx512f"))) int factor_all_avx512f(int n, double* L, double tolerance, double* pivots) {
    return factor_all(n, L, tolerance, pivots);
}
__attribute__((target("avx2"))) int factor_all_avx2(int n, double* L, double tolerance, double* pivots) {
    return factor_all(n, L, tolerance, pivots);
}
int factor_all_baseline(int n, double* L, double tolerance, double* pivots) {
    return factor_all(n, L, tolerance, pivots);
}

}  // namespace

double zchol(int i, double* L, double tolerance) {
    static const auto version =
        qor::version_for_processor(factor_row_baseline, nullptr, factor_row_avx2, factor_row_avx512f);
    return version(i, L, tolerance);
}

int zcholf(int n, double* L, double tolerance, double* pivots) {
    static const auto version =
        qor::version_for_processor(factor_all_baseline, nullptr, factor_all_avx2, factor_all_avx512f);
    return version(n, L, tolerance, pivots);
}
