// The yield that prices a position's remaining cash flows: non-negative yields through the common
// library's bond-yield solver, negative ones (above -1) by a bracketed search of our own, since
// the library solver searches from 0 upwards. Also the rate of a date on an exchange-rate curve.
#include <cmath>

#include "common/numeric/bond_yield.h"
#include "engine/builtins/builtin_support.h"
#include "engine/builtins/cashflow_evaluation_parts.h"

namespace {

// Present value of the flows at yield y (above -1) less the target, and its slope in y.
struct Objective {
    int n;
    const double* times;
    const double* amounts;
    double target;
};

void objective_at(zobjective* o) {
    const auto* f = static_cast<const Objective*>(o->data);
    o->error = 1;
    const double base = 1.0 + o->x;
    if (!(base > 0.0)) return;
    const double log_base = std::log(base);
    double pv = 0.0, slope = 0.0;
    for (int i = 0; i < f->n; ++i) {
        const double a = qor::is_missing(f->amounts[i]) ? 0.0 : f->amounts[i];
        const double d = std::exp(-f->times[i] * log_base);
        if (!std::isfinite(d)) return;
        pv += a * d;
        slope -= f->times[i] * a * d / base;
    }
    if (!std::isfinite(pv) || !std::isfinite(slope)) return;
    o->fx = pv - f->target;
    o->slope = slope;
    o->error = 0;
}

// A yield in (-1, 0) when the flows' undiscounted sum lies below the target: the lower end of the
// bracket moves towards -1 until the present value exceeds the target.
int negative_yield(int n, const double* times, const double* amounts, double target, double* yield) {
    Objective data{n, times, amounts, target};
    zobjective objective{0.0, 0.0, 0.0, &data, 0};
    double low = -0.5;
    for (int k = 0; k < 60; ++k) {
        objective.x = low;
        objective_at(&objective);
        if (objective.error != 0) return 1;
        if (objective.fx >= 0.0) break;
        low = -1.0 + (1.0 + low) / 16.0;
        if (!(low > -1.0)) return 1;
    }
    if (objective.fx < 0.0) return 1;
    zsolver solver{low, 0.0, 1e-12, objective_at, 1000, 0.0, &objective, 0};
    if (znrbis(&solver) != 0) return 1;
    *yield = solver.root;
    return 0;
}

}  // namespace

int rskcf_yield(int n, const double* times, const double* amounts, double target, double* yield) {
    *yield = qor::missing();
    if (qor::is_missing(target)) return 1;
    if (n < 1) {
        *yield = 0.0;
        return 0;
    }
    double at_zero = 0.0;
    for (int i = 0; i < n; ++i) at_zero += qor::is_missing(amounts[i]) ? 0.0 : amounts[i];
    double y = qor::missing();
    if (at_zero < target) {
        if (negative_yield(n, times, amounts, target, &y) != 0) return 1;
    } else {
        int error = 0;
        zytm(&y, YIELD_EFFECTIVE, n, times, amounts, &target, &error);
        if (error != 0) return 1;
    }
    if (qor::is_missing(y) || !(y > -1.0) || !(y < kRskCfYieldLimit)) return 1;
    *yield = y;
    return 0;
}

double rskcf_rate_at(double date, double state_date, double rate, const RSKCFCURVE* curve) {
    if (curve == nullptr || curve->points < 1 || qor::is_missing(date) || qor::is_missing(state_date) ||
        date <= state_date)
        return rate;
    const double t = rskcf_years(date, state_date);
    const int n = curve->points;
    if (t <= curve->times[0]) return curve->values[0];
    if (t > curve->times[n - 1]) return curve->values[n - 1];
    int k = 0;
    while (k + 1 < n && !(curve->times[k] < t && t <= curve->times[k + 1])) ++k;
    if (k + 1 >= n) return curve->values[n - 1];
    return interpolate(curve->values[k], curve->values[k + 1], curve->times[k], curve->times[k + 1], t);
}

double rskcf_years(double date, double state_date) {
    if (qor::is_missing(date) || qor::is_missing(state_date)) return qor::missing();
    return (date - state_date) / 365.25;
}
