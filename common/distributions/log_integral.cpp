// ln of an integral of exp(ln f) by the trapezoidal integrator with log scaling: the adapter keeps
// the exponent at the running maximum of ln(f * weight), so no term ever overflows.
#include "common/distributions/log_integral.h"

#include <climits>
#include <cmath>

#include "common/distributions/integrate.h"

namespace {

constexpr int kStartExponent = -2147483647;

struct log_adapter {
    log_integrand f;
    void* data;
    trapezoid_context* context;
};

int scaled_value(double x, void* raw, double* value) {
    auto* a = static_cast<log_adapter*>(raw);
    trapezoid_context* c = a->context;
    double ln_value;
    if (a->f(x, a->data, &ln_value) != 0 || std::isnan(ln_value)) return 1;
    if (ln_value == -INFINITY) {
        *value = 0.0;
        return 0;
    }
    // ln of the mapping weight, so the exponent follows the term the integrator actually adds.
    double ln_weight = 0.0;
    if (c->mapping == 2) ln_weight = std::log(x - c->lower);
    if (c->mapping == 3) ln_weight = std::log((x - c->lower) / (c->upper - x)) - 2.0 * std::log((c->upper - c->lower) / (c->upper - x));
    double ln_term = ln_value + ln_weight;
    if (!std::isfinite(ln_term)) ln_term = ln_value;
    if (c->exponent == kStartExponent || ln_term > c->exponent) {
        if (ln_term > 2.0e9) return 1;
        c->exponent = static_cast<int>(std::ceil(ln_term));
    }
    double power = ln_value - c->exponent;   // the weight brings the term back below 1
    *value = std::exp(power > 700.0 ? 700.0 : power);
    return 0;
}

}  // namespace

int log_scale_integral(log_integrand f, void* data, int mapping, double lower, double upper, double centre,
                       double h0, double tolerance, double* ln_result) {
    trapezoid_context c{};
    log_adapter adapter{f, data, &c};
    c.tolerance = tolerance;
    c.lower = lower;
    c.upper = upper;
    c.centre = centre;
    c.initial_step = h0;
    c.max_halvings = 12;
    c.mapping = mapping;
    c.convergence_test = 0;
    c.log_base = 2.718281828459045;
    c.previous_exponent = c.exponent = kStartExponent;
    c.log_scaling = 1;
    c.integrand_data = &adapter;
    c.integrand = scaled_value;
    double mantissa;
    if (zhrdys(&c, &mantissa) != 0 || !(mantissa > 0.0)) return 1;
    *ln_result = std::log(mantissa) + c.previous_exponent;
    return 0;
}
