// Bond present values, durations and the yield to maturity: a bracket scan from zero upwards,
// then a safeguarded Newton-Raphson with bisection driven by the true derivative of the price.
#include "common/numeric/bond_yield.h"

#include <cmath>

#include "common/module/anchors.h"
#include "common/numeric/linalg.h"

static constexpr double kLogMax = 709.78271289339;
static constexpr double kTermLimit = 1.3407807929942597e152;
static constexpr double kTolerance = 1e-10;
static constexpr int kSolverIterations = 1000;
static constexpr int kScanSteps = 100;

static bool missing(double x) { return std::isnan(x); }

int zduracc(double* sum_tcd, double* sum_cd, int n, const double* times, const double* amounts,
            double rate, int* error) {
    int ignored;
    if (!error) error = &ignored;
    *error = 1;
    if (!sum_tcd || !sum_cd || !times || !amounts || n < 1 || missing(rate) || rate < 0.0 || !(rate < kLogMax)) return 1;
    double tcd = 0.0, cd = 0.0;
    double base = 1.0 / (1.0 + rate);
    for (int i = 0; i < n; ++i) {
        double t = times[i];
        if (missing(t)) continue;
        if (t < 0.0) return 1;
        int power_error = 0;
        double d = zpower(base, t, &power_error);
        if (power_error != 0) {
            *error = power_error;
            return power_error;
        }
        double c = missing(amounts[i]) ? 0.0 : amounts[i];
        double term_tcd = c * t * d, term_cd = c * d;
        if (!(std::fabs(term_tcd) < kTermLimit) || !(std::fabs(term_cd) < kTermLimit)) return 1;
        tcd += term_tcd;
        cd += term_cd;
    }
    *sum_tcd += tcd;
    *sum_cd += cd;
    *error = 0;
    return 0;
}

void zdurmac(double* duration, double sum_tcd, double sum_cd, int* error) {
    int ignored;
    if (!error) error = &ignored;
    *error = 0;
    if (!duration || missing(sum_tcd) || missing(sum_cd) || sum_tcd < 0.0 || sum_cd == 0.0) {
        *error = 1;
        return;
    }
    *duration = sum_tcd / sum_cd;
}

void zdurmod(double* duration, double sum_tcd, double sum_cd, double rate, int* error) {
    int ignored;
    if (!error) error = &ignored;
    *error = 0;
    if (!duration || missing(sum_tcd) || missing(sum_cd) || missing(rate) || (sum_tcd < 0.0) != (sum_cd < 0.0)) {
        *error = 1;
        return;
    }
    if (sum_cd == 0.0) {
        *error = 2;
        return;
    }
    *duration = sum_tcd / ((1.0 + rate) * sum_cd);
}

// f(x) = present value at the rate of x less the price; the slope is df/dx. For kind 1 (r = x)
// that is -sum(t c d) / (1 + r); for kind 2 (r = e^x - 1, d = e^(-x t)) it is -sum(t c d).
void zytmfun(zobjective* o) {
    auto* y = static_cast<const zyield_data*>(o->data);
    o->error = 1;
    double rate = o->x;
    if (y->kind == YIELD_CONTINUOUS) {
        if (!(o->x < kLogMax)) return;
        rate = std::expm1(o->x);
    }
    double tcd = 0.0, cd = 0.0;
    int error = 0;
    if (zduracc(&tcd, &cd, y->n, y->times, y->amounts, rate, &error) != 0) return;
    o->fx = cd - *y->price;
    o->slope = y->kind == YIELD_CONTINUOUS ? -tcd : -tcd / (1.0 + rate);
    o->error = 0;
}

static int check(double x, double* fx, zobjective* o) {
    o->x = x;
    zytmfun(o);
    if (o->error) return 3;
    *fx = o->fx;
    return 0;
}

// f and slope at x through the solver's objective; false when it fails.
static bool evaluate(zsolver* s, double x, double* f, double* slope) {
    s->objective->x = x;
    s->function(s->objective);
    if (s->objective->error) return false;
    *f = s->objective->fx;
    *slope = s->objective->slope;
    return true;
}

int znrbis(zsolver* s) {
    double fl, fh, df;
    s->iterations = 0;
    if (!evaluate(s, s->x1, &fl, &df) || !evaluate(s, s->x2, &fh, &df)) return 3;
    if ((fl > 0.0 && fh > 0.0) || (fl < 0.0 && fh < 0.0)) return 2;
    if (fl == 0.0) { s->root = s->x1; return 0; }
    if (fh == 0.0) { s->root = s->x2; return 0; }
    double xl = fl < 0.0 ? s->x1 : s->x2;
    double xh = fl < 0.0 ? s->x2 : s->x1;
    double x = 0.5 * (s->x1 + s->x2);
    double step_before = std::fabs(s->x2 - s->x1);
    double step = 0.5 * step_before;
    double f;
    if (!evaluate(s, x, &f, &df)) return 3;
    for (int j = 1; j <= s->max_iterations; ++j) {
        s->iterations = j;
        bool newton = ((x - xh) * df - f) * ((x - xl) * df - f) < 0.0 &&
                      std::fabs(2.0 * f) <= std::fabs(step_before * df);
        step_before = step;
        // The search ends when the step can no longer move x: a Newton step that leaves x where
        // it was, or a bisection whose midpoint is the low end itself.
        bool stalled;
        if (newton) {
            step = f / df;
            double previous = x;
            x -= step;
            stalled = x == previous;
        } else {
            step = 0.5 * (xh - xl);
            x = xl + step;
            stalled = x == xl;
        }
        if (stalled || std::fabs(step) < s->tolerance) {
            s->root = x;
            return 0;
        }
        if (!evaluate(s, x, &f, &df)) return 3;
        if (f < 0.0) xl = x;
        else xh = x;
    }
    return 1;
}

static double host_missing() {
    qor_gcb* gcb = common_gcb();
    return gcb ? gcb->missing : std::nan("");
}

void zytm(double* yield, int kind, int n, const double* times, const double* amounts,
          const double* price, int* error) {
    int ignored;
    if (!error) error = &ignored;
    *error = 2;
    if (!yield || (kind != YIELD_EFFECTIVE && kind != YIELD_CONTINUOUS) || n < 1 || !times || !amounts || !price ||
        missing(*price))
        return;
    for (int i = 0; i < n; ++i) if (times[i] < 0.0) return;
    zyield_data data{kind, n, times, amounts, price};
    zobjective objective{0.0, 0.0, 0.0, &data, 0};
    // Bracket: [0, 0.5], [0.5, 1.0], ... until f changes sign.
    double a = 0.0, b = 0.5, fa, fb;
    *error = 3;
    if (check(a, &fa, &objective) || check(b, &fb, &objective)) return;
    while (fa * fb > 0.0) {
        a = b;
        fa = fb;
        b += 0.5;
        if (check(b, &fb, &objective)) return;
    }
    // Scan the bracket for the first sign change (or exact zero), then solve on that step.
    double h = (b - a) / kScanSteps;
    double fp = fa;
    zsolver solver{0.0, 0.0, kTolerance, zytmfun, kSolverIterations, 0.0, &objective, 0};
    bool started = false;
    for (int i = 1; i <= kScanSteps && !started; ++i) {
        double x = a + i * h, f;
        if (check(x, &f, &objective)) break;
        started = true;
        // The previous point is an exact root; the bracket around it must not reach below the
        // lowest valid yield 0, where the present value cannot be computed.
        if (fp == 0.0) { solver.x1 = std::fmax(0.0, x - 1.5 * h); solver.x2 = x - 0.5 * h; }
        else if (f == 0.0) { solver.x1 = x - 0.5 * h; solver.x2 = x + 0.5 * h; }
        else if (fp * f < 0.0) { solver.x1 = x - h; solver.x2 = x; }
        else started = false;
        fp = f;
    }
    *error = 1;
    if (!started) return;
    if (znrbis(&solver) != 0) {
        *yield = host_missing();
        return;
    }
    *yield = solver.root;
    *error = 0;
}
