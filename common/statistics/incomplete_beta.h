// Regularised incomplete beta function for the order-statistic searches of this library.
// It stands in for the library's zibeta until that routine is linked here.
#pragma once

// I_x(a, b) for a, b > 0 and 0 <= x <= 1; returns 0 on success, 1 when it cannot be computed.
int stat_incomplete_beta(double x, double a, double b, double* result);
