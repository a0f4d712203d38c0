// Dense linear algebra on packed symmetric and general square matrices: Cholesky rows, LU,
// symmetric eigenproblems, covariance repair and the guarded power function.
#pragma once

#include "common/numeric/zisub.h"

// ---- Triangular products and Cholesky rows (chol.cpp) ----
// y[i] = sum over j <= i of L(i, j) x[j]: the packed lower triangle only.
void zsymvec(const double* L, const double* x, double* y, int n);
// As zsymvec, storing row i's sum at y[p[i]].
void zsymvecp(const double* L, const double* x, double* y, const int* p, int n);
// C(i, j) = sum over k < m of A[k n + i] d[k] B[k n + j], packed lower triangle of order n.
void zmpscdr(double* C, const double* A, const double* d, const double* B, int n, int m);
// Row i of a packed Cholesky factor in place; returns the pivot before its square root.
double zchol(int i, double* L, double tolerance);
// All rows of the packed factor in place, as zchol on rows 0 to n-1 (the same bits), but reading
// each earlier row once per four rows. pivots (may be null) receives what zchol returns for each
// row; the result is the number of rows whose pivot is not above the tolerance (dependent rows).
int zcholf(int n, double* L, double tolerance, double* pivots);

// ---- LU decomposition (lu.cpp); element (i, j) of a matrix lies at a[i * stride + j] ----
// Factors a in place with partial pivoting; returns the number of pivots not above the
// tolerance (0 = regular). det (two doubles: mantissa, decimal exponent) may be null.
int zludec(int n, int stride, double tolerance, double* det, double* a, int* pivots);
// Solves A x = b (or A^T x = b when transpose is non-zero) for r right-hand sides held as n rows
// of r columns. Returns 0, or 1 (b untouched) when a diagonal element of the factors is 0.
int zlusol(int transpose, int n, int r, int factor_stride, int rhs_stride, const double* factors,
           double* rhs, const int* pivots);
// Inverse from the factors of zludec into inverse (row stride inverse_stride); 0, or 1 when singular.
int zluinv(int n, int factor_stride, const double* factors, const int* pivots, double* inverse,
           int inverse_stride);

// ---- Symmetric eigenproblems ----
// The tridiagonal matrix: diagonal d, off-diagonal e (e[0] = 0, e[i] couples rows i-1 and i)
// and the squares e2 (zeros in e2 mark where the matrix splits).
struct ztridiag {
    double* d;
    double* e;
    double* e2;
};

// Doubles of workspace the eigen drivers need for order n.
int zeigwork(int n);

void ztred3(int n, double* a, ztridiag t);
void ztrbak3(int n, int k, const double* a, double* vectors);
// Eigenvalues (descending) by implicit QL; 0, or -(l + 1) when eigenvalue l does not converge.
// tags[i] receives the number (from 1) of the unreduced block eigenvalue i belongs to.
int zimtqlv(int n, ztridiag t, double* w, double* tags, double* scratch);
// Eigenvalues by bisection within Gerschgorin bounds, descending, with tags; the number found.
int zbisect(int n, int wanted, double tolerance, ztridiag t, double* w, double* scratch, double* tags);

struct zsturm_context {
    int p, q;                 // first and last row of the block
    const double* d;
    const double* e;
    const double* e2;
};
void gersch(const zsturm_context* c, double* lower, double* upper, int split);
int sturm(const zsturm_context* c, double x);

// Eigenvectors of the tridiagonal matrix by inverse iteration; 0 when every vector met the full
// test, at most -10 or -20 when one needed a relaxed test, -(r + 1) when vector r failed.
int ztinvit(int n, int k, ztridiag t, const double* w, const double* tags, double* vectors,
            double* scratch);
int zeiggrp(int n, int k, ztridiag t, const double* w, double* vectors, double* scratch);
int modqrd(int size, int n, const int* group, int* pivot, double tolerance, double* vectors,
           double* work, double* norms);
void zeigref(int n, int k, double* vectors);

// Eigenvalues (descending) and the first k eigenvectors of the packed matrix a (overwritten).
int zeigen2(int n, double* a, double* w, int k, double* vectors, double* work);
// As zeigen2 for the eigenvectors of the eigenvalues above 1.491668147e-154: *k is set to their
// number and *vectors to a block of k * n doubles from the general pool (release size k*n*8).
int zeigen3(int n, double* a, double* w, int* k, double** vectors, double* work);

// ---- Covariance repair (covariance_repair.cpp) ----
// Repairs a packed covariance matrix in place so that it is positive semidefinite. rank may be
// null; otherwise on entry the number of eigenvectors to use (outside 1..n: all) and on return
// the number of positive eigenvalues kept. Logs the elapsed time (option STIMER) and the change.
int wfxmat(int n, int* rank, double* a, int method);
int zfxmat(int n, int* rank, double* a, int method, double* value);
double get_diff(int n, const double* a, const double* b);

// ---- Power (power.cpp) ----
// x to the power y with domain checks; *error 0, 1 overflow, 2 negative base with a
// non-integral exponent, 3 zero to a non-positive power (the result is then missing).
double zpower(double x, double y, int* error);
