// Present value sums, Macaulay and modified duration, and the yield to maturity of dated cash
// flows, with the safeguarded Newton-Raphson and bisection root finder the yield uses.
#pragma once

enum : int { YIELD_EFFECTIVE = 1, YIELD_CONTINUOUS = 2 };

// Objective of the root finder: f and its derivative at x.
struct zobjective {
    double x;         // in
    double fx;        // out: f(x)
    double slope;     // out: f'(x)
    void* data;       // the objective's own data
    int error;        // out: 1 when f cannot be computed at x
};

using zobjective_fn = void (*)(zobjective* objective);

struct zsolver {
    double x1;                 // one end of the bracket
    double x2;                 // the other end
    double tolerance;          // stop when a step is smaller than this
    zobjective_fn function;
    int max_iterations;
    double root;               // out
    zobjective* objective;     // context handed to the function
    int iterations;            // out: steps taken (diagnostics)
};

// Root in [x1, x2]: 0 found; 1 iteration limit; 2 the ends do not bracket a root; 3 f failed.
int znrbis(zsolver* solver);

// Data of the yield objective.
struct zyield_data {
    int kind;
    int n;
    const double* times;
    const double* amounts;
    const double* price;
};

// The yield objective: f(x) = present value at the rate of x less the price, slope df/dx.
void zytmfun(zobjective* objective);

int zduracc(double* sum_tcd, double* sum_cd, int n, const double* times, const double* amounts,
            double rate, int* error);
void zdurmac(double* duration, double sum_tcd, double sum_cd, int* error);
void zdurmod(double* duration, double sum_tcd, double sum_cd, double rate, int* error);
// Yield (kind 1 annual effective, 2 continuously compounded) that prices the flows at *price.
// *error: 0; 1 no yield found (the yield is then missing); 2 bad arguments; 3 the present value
// failed while searching a bracket (no non-negative yield exists).
void zytm(double* yield, int kind, int n, const double* times, const double* amounts,
          const double* price, int* error);
