// Dense matrix product and the Euclidean norm of a strided vector, for the methods' matrix
// functions (power and exponential of a square matrix).
#pragma once

// C := A x B for row-major A (n x m) and B (m x p) into C (n x p); C must not overlap A or B.
// Each entry is summed over k in order, so results do not depend on the caller.
void zmmult(int n, int m, int p, const double* a, const double* b, double* c);

// The Euclidean norm of x[0], x[stride], ..., x[(n - 1) stride], scaled by the largest magnitude
// so that neither its square overflows nor small entries underflow. 0 for n < 1; a NaN entry
// (a missing value) gives that NaN.
double zvenorm(int n, const double* x, int stride);
