// Services of the host's model module that the engine uses outside model simulation: the
// pivoting Cholesky factorisation of a packed symmetric matrix.
#pragma once
#include "host/export.h"

// Factorises the packed lower triangle `a` of order n in place as P' A P = L L', choosing at each
// step the largest remaining diagonal: pivots[i] is the original row of row i of L. Once no
// remaining diagonal is above `tolerance`, the remaining rows are deficient: their diagonal keeps
// the remaining (Schur complement) diagonal value and the rest of their columns from that step is
// zero. Returns the number of deficient pivots.
QOR_HOST_API int modcholp(int n, double tolerance, int* pivots, double* a);
