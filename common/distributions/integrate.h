// Adaptive trapezoidal integrator over the whole line, a half line or a finite interval mapped
// onto the line, halving the step until the estimate settles; optional log scaling of the sums.
#pragma once
#include <cstdint>

// Integrand: value at x into *value; non-zero return = failure.
typedef int (*trapezoid_integrand)(double x, void* data, double* value);

// The caller zeroes the record, then sets the input fields (marked "in").
struct trapezoid_context {
    double pass_sum;          // sum of the terms of the current pass
    double tolerance;         // in: relative accuracy wanted
    double tail_threshold;    // tolerance / 3: a side ends when its last three terms fall below it
    double last_term;         // last weighted function value
    double first_term;        // reference for the collapse test (sum of the upper side)
    double lower;             // in: a, origin of mappings 2 and 3
    double upper;             // in: b, upper end for mapping 3
    double width;             // b - a for mapping 3
    double result;            // current estimate
    int32_t points_below;     // grid points below the centre
    int32_t points_above;     // grid points above the centre
    int32_t abort;            // non-zero (set by the integrand) stops with failure
    int32_t collapse_code;    // in: returned when a mapped point collapses onto an end too early
    double centre;            // in: t0, the centre of the grid
    double initial_step;      // in: h0
    double step;              // h of the last pass
    double half_step;         // h / 2
    int32_t max_halvings;     // in: passes allowed after the first
    int32_t halvings;         // passes done
    int32_t mapping;          // in: 1 x = t; 2 x = a + u, u = t0 e^(kh); 3 x = (a + b u) / (1 + u)
    int32_t convergence_test; // in: 0 relative-or-absolute, 1 relative
    double relative_change;   // |previous - current| / |current| of the last pass
    double log_base;          // in: base of the separate exponent
    double inverse_log_ln;    // 1 / ln(log_base)
    int32_t previous_exponent;// exponent of the sums carried so far
    int32_t exponent;         // exponent of the integrand's latest value (set by the integrand)
    int32_t log_scaling;      // in: non-zero: values are mantissas scaled by log_base^exponent
    void* integrand_data;     // in: passed to the integrand
    trapezoid_integrand integrand;  // in
    int32_t max_points;       // in: limit of grid points per side (at least 32767)
    int32_t stop_when_small;  // in: with log scaling and test 1, also stop when |current| < tolerance
    int32_t tolerance_kind;   // in: 1234567 selects the bound tolerance^(3/4) instead of ^(1/2)
    double log_ln;            // ln(log_base)
};

// 0 with *out = the estimate (with log scaling the mantissa; the exponent is in the context);
// 1 on failure; a mapped point collapsing onto an end too early returns collapse_code.
int zhrdys(trapezoid_context* context, double* out);
