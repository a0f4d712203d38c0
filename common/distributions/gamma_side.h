// ln of one tail of the incomplete gamma ratio, shared by the plain and the log-scale routines:
// the lower series or the upper continued fraction, with the shift rule for shapes below 1.
#pragma once

// ln P (when *is_lower is set on return) or ln Q at x; 0, or 1 when the method does not settle.
int gamma_log_side(double x, double a, double* ln_side, bool* is_lower);
// Log density at x > 0, by the Stirling form near the mode of large shapes.
double gamma_log_density(double x, double a);
