// Cholesky rows, LU solves and inverses, symmetric eigenproblems and the guarded power, checked
// against closed forms, exact rational references and matrices built from known spectra.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "common/numeric/general_pool.h"
#include "common/numeric/linalg.h"
#include "host/missing.h"

namespace {

using Matrix = std::vector<double>;   // dense, row-major

// A deterministic generator of values in [-1, 1).
struct Lcg {
    unsigned long long state;
    double next() {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<double>(state >> 11) / 9007199254740992.0 * 2.0 - 1.0;
    }
};

// Q = H1 H2 H3, a product of Householder reflections: an orthogonal matrix without rounding drift.
Matrix orthogonal(int n, unsigned long long seed) {
    Matrix q(n * n, 0.0);
    for (int i = 0; i < n; ++i) q[i * n + i] = 1.0;
    Lcg g{seed};
    for (int r = 0; r < 3; ++r) {
        std::vector<double> u(n);
        double uu = 0.0;
        for (double& x : u) { x = g.next(); uu += x * x; }
        for (int i = 0; i < n; ++i) {          // q := q (I - 2 u u^T / u^T u)
            double dot = 0.0;
            for (int k = 0; k < n; ++k) dot += q[i * n + k] * u[k];
            for (int k = 0; k < n; ++k) q[i * n + k] -= 2.0 * dot * u[k] / uu;
        }
    }
    return q;
}

// Packed Q diag(l) Q^T.
std::vector<double> with_spectrum(const Matrix& q, const std::vector<double>& l) {
    int n = static_cast<int>(l.size());
    std::vector<double> a(n * (n + 1) / 2);
    for (int i = 0; i < n; ++i)
        for (int j = 0; j <= i; ++j) {
            double s = 0.0;
            for (int k = 0; k < n; ++k) s += q[i * n + k] * l[k] * q[j * n + k];
            a[zisub(i, j)] = s;
        }
    return a;
}

// Largest |A v - lambda v| over the vectors, and largest |V^T V - I|.
void check_vectors(int n, int k, const std::vector<double>& a, const double* w, const double* v,
                   double residual_limit, double orthonormal_limit) {
    double residual = 0.0, ortho = 0.0;
    for (int r = 0; r < k; ++r) {
        const double* x = v + r * n;
        for (int i = 0; i < n; ++i) {
            double s = 0.0;
            for (int j = 0; j < n; ++j) s += a[zisub(i, j)] * x[j];
            residual = std::fmax(residual, std::fabs(s - w[r] * x[i]));
        }
        for (int c = 0; c <= r; ++c) {
            double s = 0.0;
            for (int i = 0; i < n; ++i) s += x[i] * v[c * n + i];
            ortho = std::fmax(ortho, std::fabs(s - (c == r ? 1.0 : 0.0)));
        }
        double sum = 0.0;
        for (int i = 0; i < n; ++i) sum += x[i];
        EXPECT_GT(sum, -1.053671212772351e-8) << "vector " << r;
    }
    EXPECT_LE(residual, residual_limit);
    EXPECT_LE(ortho, orthonormal_limit);
}

TEST(Cholesky, RowsReproduceAKnownFactorAndFlagDependentRows) {
    // Rows (4) and (2, 1): the second row is dependent.
    double m[] = {4, 2, 1};
    EXPECT_EQ(zchol(0, m, 0.0), 4.0);
    EXPECT_EQ(zchol(1, m, 0.0), 0.0);
    EXPECT_EQ(m[0], 2.0);
    EXPECT_EQ(m[1], 1.0);
    EXPECT_EQ(m[2], 0.0);
    // A = L L^T with an integer L: the factor comes back exactly.
    const int n = 5;
    double L[n][n] = {{3}, {1, 2}, {-2, 1, 4}, {0, 3, -1, 1}, {5, -1, 2, 2, 6}};
    std::vector<double> a(n * (n + 1) / 2);
    for (int i = 0; i < n; ++i)
        for (int j = 0; j <= i; ++j) {
            double s = 0.0;
            for (int k = 0; k < n; ++k) s += L[i][k] * L[j][k];
            a[zisub(i, j)] = s;
        }
    for (int i = 0; i < n; ++i) EXPECT_EQ(zchol(i, a.data(), 1e-12), L[i][i] * L[i][i]);
    for (int i = 0; i < n; ++i)
        for (int j = 0; j <= i; ++j) EXPECT_NEAR(a[zisub(i, j)], L[i][j], 1e-14) << i << "," << j;
    // A zero row after a dependent one: quotients by the zero diagonal stay 0.
    double d[] = {1, 1, 1, 2, 2, 5};   // rows (1), (1, 1), (2, 2, 5)
    zchol(0, d, 1e-12);
    EXPECT_NEAR(zchol(1, d, 1e-12), 0.0, 1e-15);
    EXPECT_NEAR(zchol(2, d, 1e-12), 1.0, 1e-15);
    EXPECT_EQ(d[4], 0.0);
    EXPECT_EQ(d[5], 1.0);
}

TEST(Cholesky, RankDeficientCovarianceHasExactlyTheMissingRankAsDependentRows) {
    // X^T X with X of 7 rows by 40 columns has rank 7: 33 rows of the factor are dependent.
    const int n = 40, r = 7;
    Lcg g{3};
    std::vector<double> x(r * n), a(n * (n + 1) / 2, 0.0);
    for (double& v : x) v = g.next();
    for (int i = 0; i < n; ++i)
        for (int j = 0; j <= i; ++j)
            for (int k = 0; k < r; ++k) a[zisub(i, j)] += x[k * n + i] * x[k * n + j];
    int dependent = 0;
    for (int i = 0; i < n; ++i) if (!(zchol(i, a.data(), 1e-10) > 1e-10)) ++dependent;
    EXPECT_EQ(dependent, n - r);
}

// The whole-matrix factorisation forms every element as the row routine does: the same bits, the
// same pivots and the same count of dependent rows, for orders around its blocks of four, with a
// dependent row (a copy of an earlier one) and a zero row.
TEST(Cholesky, WholeMatrixGivesTheRowRoutinesBits) {
    for (int n : {1, 2, 3, 4, 5, 7, 8, 9, 13, 16, 17, 40, 101}) {
        Lcg g{static_cast<unsigned long long>(11 + n)};
        const int m = n + 3;
        std::vector<double> x(static_cast<size_t>(m) * n);
        for (double& v : x) v = g.next();
        if (n > 6) for (int k = 0; k < m; ++k) x[k * n + 5] = x[k * n + 2];   // column 5 repeats column 2
        if (n > 9) for (int k = 0; k < m; ++k) x[k * n + 9] = 0.0;            // column 9 is zero
        std::vector<double> a(n * (n + 1) / 2, 0.0);
        for (int i = 0; i < n; ++i)
            for (int j = 0; j <= i; ++j)
                for (int k = 0; k < m; ++k) a[zisub(i, j)] += x[k * n + i] * x[k * n + j];
        std::vector<double> by_rows = a, whole = a, pivots(n, -1.0);
        int dependent_rows = 0;
        for (int i = 0; i < n; ++i) {
            double pivot = zchol(i, by_rows.data(), 1e-10);
            if (!(pivot > 1e-10)) ++dependent_rows;
            pivots[i] = pivot;
        }
        std::vector<double> whole_pivots(n, -2.0);
        EXPECT_EQ(zcholf(n, whole.data(), 1e-10, whole_pivots.data()), dependent_rows) << n;
        EXPECT_EQ(dependent_rows, (n > 6 ? 1 : 0) + (n > 9 ? 1 : 0)) << n;
        EXPECT_EQ(std::memcmp(by_rows.data(), whole.data(), sizeof(double) * by_rows.size()), 0) << n;
        EXPECT_EQ(std::memcmp(pivots.data(), whole_pivots.data(), sizeof(double) * n), 0) << n;
        // And L L^T gives back the matrix.
        double worst = 0.0;
        for (int i = 0; i < n; ++i)
            for (int j = 0; j <= i; ++j) {
                double s = 0.0;
                for (int k = 0; k <= j; ++k) s += whole[zisub(i, k)] * whole[zisub(j, k)];
                worst = std::max(worst, std::fabs(s - a[zisub(i, j)]));
            }
        EXPECT_LT(worst, 1e-12 * n) << n;
    }
    EXPECT_EQ(zcholf(0, nullptr, 0.0, nullptr), 0);
}

TEST(TriangularProducts, PackedTriangleTimesVector) {
    double L[] = {1, 2, 3, 4, 5, 6};    // rows (1), (2, 3), (4, 5, 6)
    double x[] = {1, -1, 2}, y[3], yp[3];
    int p[] = {2, 0, 1};
    zsymvec(L, x, y, 3);
    zsymvecp(L, x, yp, p, 3);
    EXPECT_EQ(y[0], 1.0);
    EXPECT_EQ(y[1], -1.0);
    EXPECT_EQ(y[2], 11.0);
    EXPECT_EQ(yp[2], 1.0);
    EXPECT_EQ(yp[0], -1.0);
    EXPECT_EQ(yp[1], 11.0);
    // C = A^T diag(d) B with A, B of two rows of length 2.
    double A[] = {1, 2, 3, 4}, B[] = {5, 6, 7, 8}, dd[] = {2, -1}, C[3];
    zmpscdr(C, A, dd, B, 2, 2);
    EXPECT_EQ(C[0], 1 * 2 * 5 - 3 * 7.0);
    EXPECT_EQ(C[1], 2 * 2 * 5 - 4 * 7.0);
    EXPECT_EQ(C[2], 2 * 2 * 6 - 4 * 8.0);
}

struct LuCase {
    int n;
    std::vector<double> a, b, solve, tsolve, inverse;
    double det_mantissa, det_exponent, tolerance;
};

// Exact references from tests/common/lu_reference.py.
const LuCase kLuCases[] = {
    {3, {2, -1, 0, -1, 2, -1, 0, -1, 2}, {1, 0, 1}, {1, 1, 1}, {1, 1, 1},
     {0.75, 0.5, 0.25, 0.5, 1.0, 0.5, 0.25, 0.5, 0.75}, 4.0, 0.0, 1e-15},
    {4, {0, 2, 1, 3, 4, 1, -2, 0, 1, 0, 3, -1, 2, 5, 0, 1}, {1, 2, 3, 4},
     {0.6936416184971098, 0.5780346820809249, 0.6763005780346821, -0.2774566473988439},
     {1.6416184971098267, 0.24855491329479767, 0.6184971098265896, -0.3063583815028902},
     {0.07514450867052024, 0.2543352601156069, 0.14450867052023122, -0.08092485549132948,
      -0.10404624277456648, -0.12138728323699421, -0.046242774566473986, 0.2658959537572254,
      0.09826589595375723, -0.05202312138728324, 0.2658959537572254, -0.028901734104046242,
      0.3699421965317919, 0.09826589595375723, -0.057803468208092484, -0.1676300578034682},
     1.73, 2.0, 1e-14},
    {4, {1, 1 / 2.0, 1 / 3.0, 1 / 4.0, 1 / 2.0, 1 / 3.0, 1 / 4.0, 1 / 5.0, 1 / 3.0, 1 / 4.0, 1 / 5.0,
         1 / 6.0, 1 / 4.0, 1 / 5.0, 1 / 6.0, 1 / 7.0}, {1, 1, 1, 1},
     {-4, 60, -180, 140}, {-4, 60, -180, 140},
     {16, -120, 240, -140, -120, 1200, -2700, 1680, 240, -2700, 6480, -4200, -140, 1680, -4200, 2800},
     1.6534391534391535, -7.0, 1e-9},
};

TEST(Lu, SolvesTransposedSolvesInverseAndDeterminantMatchExactReferences) {
    for (const LuCase& c : kLuCases) {
        int n = c.n;
        Matrix f = c.a;
        std::vector<int> piv(n);
        double det[2];
        ASSERT_EQ(zludec(n, n, 0.0, det, f.data(), piv.data()), 0);
        EXPECT_NEAR(det[0], c.det_mantissa, 1e-12 * 1e4);
        EXPECT_EQ(det[1], c.det_exponent);
        std::vector<double> x = c.b, xt = c.b;
        ASSERT_EQ(zlusol(0, n, 1, n, 1, f.data(), x.data(), piv.data()), 0);
        ASSERT_EQ(zlusol(1, n, 1, n, 1, f.data(), xt.data(), piv.data()), 0);
        Matrix inv(n * n);
        ASSERT_EQ(zluinv(n, n, f.data(), piv.data(), inv.data(), n), 0);
        double scale = 0.0;
        for (double v : c.inverse) scale = std::fmax(scale, std::fabs(v));
        for (int i = 0; i < n; ++i) {
            EXPECT_NEAR(x[i], c.solve[i], c.tolerance * scale) << n << " " << i;
            EXPECT_NEAR(xt[i], c.tsolve[i], c.tolerance * scale) << n << " " << i;
            for (int j = 0; j < n; ++j) EXPECT_NEAR(inv[i * n + j], c.inverse[i * n + j], c.tolerance * scale);
        }
    }
}

TEST(Lu, SeveralRightHandSidesWithStridesAtLargeOrders) {
    for (int n : {1, 2, 10, 200}) {
        Lcg g{static_cast<unsigned long long>(n)};
        int stride = n + 3;                       // a padded matrix
        Matrix a(n * stride), f;
        for (int i = 0; i < n; ++i)
            for (int j = 0; j < n; ++j) a[i * stride + j] = g.next() + (i == j ? 2.0 : 0.0);
        // Two known solutions; b = A x by plain products.
        const int r = 2;
        Matrix x(n * r), b(n * r, 0.0);
        for (double& v : x) v = g.next();
        for (int i = 0; i < n; ++i)
            for (int c = 0; c < r; ++c)
                for (int k = 0; k < n; ++k) b[i * r + c] += a[i * stride + k] * x[k * r + c];
        f = a;
        std::vector<int> piv(n);
        ASSERT_EQ(zludec(n, stride, 0.0, nullptr, f.data(), piv.data()), 0);
        ASSERT_EQ(zlusol(0, n, r, stride, r, f.data(), b.data(), piv.data()), 0);
        for (int i = 0; i < n * r; ++i) EXPECT_NEAR(b[i], x[i], 1e-11) << n;
    }
}

TEST(Lu, SingularMatricesAreCountedAndGiveAZeroDeterminant) {
    double zero_column[] = {1, 0, 2, 3, 0, 4, 5, 0, 6};
    int piv[3];
    double det[2] = {7, 7};
    EXPECT_EQ(zludec(3, 3, 0.0, det, zero_column, piv), 1);
    EXPECT_EQ(det[0], 0.0);
    EXPECT_EQ(det[1], 0.0);
    double b[3] = {1, 2, 3};
    EXPECT_EQ(zlusol(0, 3, 1, 3, 1, zero_column, b, piv), 1);
    EXPECT_EQ(b[0], 1.0);                                    // untouched
    // Rank one, and a nearly singular matrix caught only by the tolerance.
    double rank_one[] = {1, 2, 2, 4};
    EXPECT_EQ(zludec(2, 2, 0.0, det, rank_one, piv), 1);
    double nearly[] = {1, 1, 1, 1 + 1e-13};
    EXPECT_EQ(zludec(2, 2, 0.0, det, nearly, piv), 0);
    EXPECT_NEAR(det[0] * std::pow(10.0, det[1]), 1e-13, 1e-16);
    double nearly2[] = {1, 1, 1, 1 + 1e-13};
    EXPECT_EQ(zludec(2, 2, 1e-10, det, nearly2, piv), 1);
    // The decimal exponent carries determinants beyond the range of a double; a denormal
    // product gives a zero determinant.
    double tiny[] = {1e-200, 0, 0, 1e-200};
    EXPECT_EQ(zludec(2, 2, 0.0, det, tiny, piv), 0);
    EXPECT_NEAR(det[0], 1.0, 1e-12);
    EXPECT_EQ(det[1], -400.0);
    double denormal[] = {1e-310, 0, 0, 1};
    EXPECT_EQ(zludec(2, 2, 0.0, det, denormal, piv), 0);
    EXPECT_EQ(det[0], 0.0);
}

TEST(Eigen, DiagonalMatrixComesBackInDescendingOrder) {
    double a[] = {1, 0, 3, 0, 0, 2};
    double w[3], v[9], work[13 * 3];
    ASSERT_EQ(zeigen2(3, a, w, 3, v, work), 0);
    EXPECT_EQ(w[0], 3.0);
    EXPECT_EQ(w[1], 2.0);
    EXPECT_EQ(w[2], 1.0);
    // Unit vectors e1, e2, e0 with positive signs.
    EXPECT_EQ(v[1], 1.0);
    EXPECT_EQ(v[3 + 2], 1.0);
    EXPECT_EQ(v[6 + 0], 1.0);
}

TEST(Eigen, KnownSpectraAtOrdersOneToTwoHundred) {
    for (int n : {1, 2, 3, 7, 50, 200}) {
        std::vector<double> l(n);
        for (int i = 0; i < n; ++i) l[i] = n - i + 0.5 * std::sin(i);   // distinct, descending-ish
        Matrix q = orthogonal(n, 99 + n);
        std::vector<double> a = with_spectrum(q, l), copy = a;
        std::sort(l.begin(), l.end(), [](double x, double y) { return x > y; });
        std::vector<double> w(n), v(n * n), work(zeigwork(n));
        int rc = zeigen2(n, copy.data(), w.data(), n, v.data(), work.data());
        EXPECT_EQ(rc, 0) << n;
        for (int i = 0; i < n; ++i) EXPECT_NEAR(w[i], l[i], 1e-12 * n) << n << " " << i;
        check_vectors(n, n, a, w.data(), v.data(), 1e-11 * n, 1e-12);
    }
}

TEST(Eigen, ClusteredAndRepeatedEigenvaluesGiveOrthonormalVectors) {
    const int n = 12;
    std::vector<double> l = {4, 4, 4, 4, 2, 2, 1 + 1e-15, 1, 0, 0, 0, -3};
    Matrix q = orthogonal(n, 5);
    std::vector<double> a = with_spectrum(q, l), copy = a;
    std::vector<double> w(n), v(n * n), work(zeigwork(n));
    int rc = zeigen2(n, copy.data(), w.data(), n, v.data(), work.data());
    EXPECT_LE(rc, 0);
    EXPECT_GE(rc, -20);
    for (int i = 0; i < n; ++i) EXPECT_NEAR(w[i], l[i], 1e-13);
    check_vectors(n, n, a, w.data(), v.data(), 1e-12, 1e-12);
}

TEST(Eigen, PositiveEigenvectorsOnlyFromZeigen3) {
    // Rows 0, 2 and rows 1, 3 form blocks with eigenvalues (2, 1) and (0, -1): the zero is exact.
    const int n = 4;
    std::vector<double> a = {1.5, 0, -0.5, 0.5, 0, 1.5, 0, 0.5, 0, -0.5}, copy = a;
    std::vector<double> w(n), work(zeigwork(n));
    int k = 0;
    double* v = nullptr;
    ASSERT_EQ(zeigen3(n, copy.data(), w.data(), &k, &v, work.data()), 0);
    EXPECT_EQ(k, 2);
    ASSERT_NE(v, nullptr);
    check_vectors(n, k, a, w.data(), v, 1e-13, 1e-13);
    zgenpool()->release(zgenpool(), v, sizeof(double) * k * n, 0);
    // A negative definite matrix has none.
    double neg[] = {-1, 0, -2};
    k = 2;
    v = reinterpret_cast<double*>(&k);
    EXPECT_EQ(zeigen3(2, neg, w.data(), &k, &v, work.data()), 0);
    EXPECT_EQ(k, 0);
    EXPECT_EQ(v, nullptr);
}

TEST(Eigen, BadArguments) {
    double a[] = {1}, w[1], v[1], work[13];
    EXPECT_EQ(zeigen2(0, a, w, 0, v, work), 99);
    EXPECT_EQ(zeigen2(1, a, w, 2, v, work), 99);
    EXPECT_EQ(zeigen2(1, a, w, 1, nullptr, work), 99);
    EXPECT_EQ(zeigen2(1, nullptr, w, 0, nullptr, work), 99);
    EXPECT_EQ(zeigen2(1, a, w, 0, nullptr, nullptr), 99);
    double with_missing[] = {1, qor::missing(), 2};
    EXPECT_EQ(zeigen2(2, with_missing, w, 0, nullptr, work), 99);
    int k = -1;
    double* pv = nullptr;
    EXPECT_EQ(zeigen3(1, a, w, &k, &pv, work), 99);
    k = 1;
    zgenpool();                      // the pool exists before the failure is armed
    qor_pool_fail_nth(1);
    EXPECT_EQ(zeigen3(1, a, w, &k, &pv, work), 99);   // no memory for the vectors
    qor_pool_fail_nth(0);
}

TEST(Eigen, BisectionFindsTheSecondDifferenceSpectrum) {
    // Tridiagonal (-1, 2, -1): eigenvalues 2 - 2 cos(k pi / (n + 1)).
    const int n = 30;
    std::vector<double> d(n, 2.0), e(n, -1.0), e2(n, 1.0), w(n), tags(n), scratch(2 * n);
    e[0] = e2[0] = 0.0;
    ASSERT_EQ(zbisect(n, n, 0.0, ztridiag{d.data(), e.data(), e2.data()}, w.data(), scratch.data(),
                      tags.data()), n);
    for (int k = 1; k <= n; ++k)
        EXPECT_NEAR(w[n - k], 2.0 - 2.0 * std::cos(k * M_PI / (n + 1)), 1e-14) << k;
    // The QL method gives the same values.
    std::vector<double> wq(n), tq(n), rv(n);
    std::fill(e2.begin() + 1, e2.end(), 1.0);
    ASSERT_EQ(zimtqlv(n, ztridiag{d.data(), e.data(), e2.data()}, wq.data(), tq.data(), rv.data()), 0);
    for (int k = 0; k < n; ++k) EXPECT_NEAR(wq[k], w[k], 1e-14);
    // A split matrix: two blocks, tags 1 and 2.
    double d2[] = {1, 5, 3}, ee[] = {0, 0, 1}, ee2[] = {0, 0, 1}, w2[3], t2[3], s2[6];
    ASSERT_EQ(zbisect(3, 3, 0.0, ztridiag{d2, ee, ee2}, w2, s2, t2), 3);
    EXPECT_NEAR(w2[0], 4 + std::sqrt(2.0), 1e-14);
    EXPECT_EQ(t2[0], 2.0);
    EXPECT_NEAR(w2[1], 4 - std::sqrt(2.0), 1e-14);
    EXPECT_NEAR(w2[2], 1.0, 1e-14);
    EXPECT_EQ(t2[2], 1.0);
}

TEST(Eigen, BisectionTagsDriveInverseIterationAsInTheFallback) {
    // The fallback path: eigenvalues and block tags from bisection, vectors by inverse iteration,
    // on a matrix split into blocks (0..9: second difference, 10..14: diagonal 3, 3, 3, 1, 0).
    const int n = 15;
    std::vector<double> d(n, 2.0), e(n, -1.0), e2(n, 1.0), w(n), tags(n), scratch(6 * n), v(n * n);
    for (int i = 10; i < n; ++i) { e[i] = 0.0; e2[i] = 0.0; }
    d[10] = d[11] = d[12] = 3.0;
    d[13] = 1.0;
    d[14] = 0.0;
    e[0] = e2[0] = 0.0;
    ztridiag t{d.data(), e.data(), e2.data()};
    ASSERT_EQ(zbisect(n, n, 0.0, t, w.data(), scratch.data(), tags.data()), n);
    EXPECT_GE(ztinvit(n, n, t, w.data(), tags.data(), v.data(), scratch.data()), -20);
    zeigref(n, n, v.data());
    // Check T v = lambda v and orthonormality directly on the tridiagonal matrix.
    std::vector<double> packed(n * (n + 1) / 2, 0.0);
    for (int i = 0; i < n; ++i) {
        packed[zisub(i, i)] = d[i];
        if (i > 0) packed[zisub(i, i - 1)] = e[i];
    }
    check_vectors(n, n, packed, w.data(), v.data(), 1e-13, 1e-12);
}

TEST(Power, DomainChecksAndExactResults) {
    struct Case { double x, y, expected; int error; };
    const Case cases[] = {
        {0, -1, NAN, 3}, {0, 0, NAN, 3}, {0, 2.5, 0, 0}, {-8, 1.0 / 3, NAN, 2}, {-2, 3, -8, 0},
        {-2, 4, 16, 0}, {-2, -3, -0.125, 0}, {10, 400, NAN, 1}, {10, 21, 1e21, 0},
        {10, -21, 1e-21, 0}, {10, 300, 1e300, 0}, {10, 27, 1e27, 0}, {5, 0, 1, 0}, {-7, 1, -7, 0},
        {1, 1e300, 1, 0}, {-1, 3, -1, 0}, {0.5, 1e200, 0, 0}, {2, -1e200, 0, 0}, {2, 1e200, NAN, 1},
        {2, -1075, 0, 0}, {2, 0.5, std::sqrt(2.0), 0}, {3, 40, 12157665459056928801.0, 0},
    };
    for (const Case& c : cases) {
        int error = -1;
        double r = zpower(c.x, c.y, &error);
        EXPECT_EQ(error, c.error) << c.x << "^" << c.y;
        if (c.error != 0) EXPECT_TRUE(qor::is_missing(r)) << c.x << "^" << c.y;
        else EXPECT_EQ(r, c.expected) << c.x << "^" << c.y;
    }
    int error = -1;
    EXPECT_EQ(qor::missing_code(zpower(qor::make_missing('B'), 2, &error)), 'B');
    EXPECT_EQ(error, 0);
}

}  // namespace
