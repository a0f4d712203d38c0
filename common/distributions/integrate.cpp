// Adaptive trapezoidal integration on an evenly spaced grid in a transformed variable: the first
// pass grows outward from the centre until the tails vanish, later passes add the midpoints only.
#include "common/distributions/integrate.h"

#include <cmath>
#include <limits>

namespace {

constexpr double kRunaway = 1.3407807929943e154;   // sqrt of the largest double
constexpr double kExpFloor = -708.3964185;
constexpr double kExpCeiling = 709.78271289339;
constexpr int kFailure = 1;

// Brings the carried sums to the scale of the integrand's latest exponent (log scaling only).
int follow_exponent(trapezoid_context* c, double* extra, int n_extra) {
    if (!c->log_scaling || c->exponent == c->previous_exponent) return 0;
    double difference = static_cast<double>(c->exponent) - static_cast<double>(c->previous_exponent);
    double power = -c->log_ln * difference;
    double factor;
    if (power < kExpFloor) {
        factor = 0.0;
    } else if (power > kExpCeiling) {
        return kFailure;
    } else {
        factor = std::exp(power);
    }
    c->pass_sum *= factor;
    c->result *= factor;
    c->last_term *= factor;
    c->first_term *= factor;
    for (int i = 0; i < n_extra; ++i) extra[i] *= factor;
    c->previous_exponent = c->exponent;
    return 0;
}

// One weighted grid value at *position; advances the position by the move (added for mapping 1,
// multiplied for mappings 2 and 3).
int grid_point(trapezoid_context* c, double* position, double move, double* term) {
    double t = *position;
    if (!(std::fabs(t) <= kRunaway)) return kFailure;
    double x;
    double weight = 1.0;
    if (c->mapping == 2) {
        x = c->lower + t;
        weight = t;
    } else if (c->mapping == 3) {
        x = (c->lower + c->upper * t) / (1.0 + t);
        weight = t / ((1.0 + t) * (1.0 + t));
    } else {
        x = t;
    }
    if (c->mapping == 1) {
        *position = t + move;
    } else {
        *position = t * move;
        bool collapsed = x == c->lower || (c->mapping == 3 && x == c->upper);
        if (collapsed) {
            *term = 0.0;
            if (std::fabs(c->last_term) > std::fabs(c->first_term) * c->tolerance && c->collapse_code != 0)
                return c->collapse_code;
            return 0;
        }
    }
    double value = 0.0;
    if (c->integrand(x, c->integrand_data, &value) != 0 || c->abort) return kFailure;
    if (std::isnan(value)) return kFailure;
    *term = value * weight;
    return 0;
}

// Sums up to count + 1 points of one side; with the tail test a side ends once its last three
// terms together are negligible against the pass sum.
int sum_side(trapezoid_context* c, double start, double move, int count, bool tail_test, int* used) {
    double recent[3] = {0.0, 0.0, 0.0};
    double position = start;
    *used = 0;
    for (int i = 0; i <= count; ++i) {
        double term;
        int rc = grid_point(c, &position, move, &term);
        if (rc != 0) return rc;
        if (follow_exponent(c, recent, 3) != 0) return kFailure;
        c->last_term = term;
        c->pass_sum += term;
        if (!(std::fabs(c->pass_sum) <= kRunaway)) {
            c->abort = 1;
            return kFailure;
        }
        recent[2] = recent[1];
        recent[1] = recent[0];
        recent[0] = term;
        *used = i + 1;
        if (tail_test && i >= 2 &&
            std::fabs(recent[0] + recent[1] + recent[2]) <= std::fabs(c->tail_threshold * c->pass_sum))
            break;
    }
    return 0;
}

// The value whose settling decides convergence: the estimate, or its logarithm with the exponent.
double convergence_value(const trapezoid_context* c) {
    if (!c->log_scaling) return c->result;
    if (c->result == 0.0) return -std::numeric_limits<double>::max();
    return std::log(std::fabs(c->result)) * c->inverse_log_ln + c->previous_exponent;
}

bool converged(const trapezoid_context* c, double previous, double current, double bound) {
    double change = std::fabs(previous - current);
    if (c->convergence_test == 0) return change < std::fmax(std::fabs(bound * current), c->tolerance);
    if (c->convergence_test == 1) {
        if (change < std::fabs(bound * current)) return true;
        return c->log_scaling && c->stop_when_small && std::fabs(current) < c->tolerance;
    }
    return false;
}

}  // namespace

int zhrdys(trapezoid_context* c, double* out) {
    const int max_points = c->max_points > 32767 ? c->max_points : 32767;
    c->result = 0.0;
    c->points_below = c->points_above = 10000;
    c->tail_threshold = c->tolerance * 0.33333333333333;
    const double bound = c->tolerance_kind == 1234567 ? std::pow(c->tolerance, 0.75) : std::sqrt(c->tolerance);
    if (c->log_scaling) {
        c->log_ln = std::log(c->log_base);
        c->inverse_log_ln = 1.0 / c->log_ln;
        if (!(c->log_ln != 0.0 && std::isfinite(c->log_ln))) return kFailure;
    }
    c->first_term = 1.0;
    c->last_term = 0.0;
    c->pass_sum = 0.0;
    double h = c->initial_step;
    c->step = h;
    c->half_step = h;
    if (!(h > 0.0) || c->integrand == nullptr || c->mapping < 1 || c->mapping > 3) return kFailure;

    // First pass: the centre, then both sides outward until their tails vanish.
    double factor = 1.0;   // the width for mapping 3
    if (c->mapping == 2) {
        c->centre -= c->lower;
        if (!(c->centre > 0.0)) c->centre = h;
    } else if (c->mapping == 3) {
        c->width = c->upper - c->lower;
        factor = c->width;
        double u = (c->centre - c->lower) / (c->upper - c->centre);
        if (std::fabs(c->upper - c->centre) <= 1.053671212772351e-08 * std::fabs(c->upper) || !(u >= 0.0)) u = 1.0;
        c->centre = u;
    }
    const double t0 = c->centre;
    double position = t0;
    double centre_term;
    int rc = grid_point(c, &position, c->mapping == 1 ? 0.0 : 1.0, &centre_term);
    if (rc != 0) return rc;
    if (follow_exponent(c, nullptr, 0) != 0) return kFailure;
    if (std::fabs(centre_term) < (1.0 / c->tolerance) / std::numeric_limits<double>::max() || c->abort)
        return kFailure;
    c->last_term = centre_term;
    c->pass_sum = centre_term;
    const bool additive = c->mapping == 1;
    double up_move = additive ? h : std::exp(h);
    double down_move = additive ? -h : std::exp(-h);
    int used_above = 0, used_below = 0;
    rc = sum_side(c, additive ? t0 + h : t0 * up_move, up_move, c->points_above, true, &used_above);
    if (rc != 0) return rc;
    c->first_term = c->pass_sum - centre_term;   // the upper side, scale already followed
    rc = sum_side(c, additive ? t0 - h : t0 * down_move, down_move, c->points_below, true, &used_below);
    if (rc != 0) return rc;
    c->points_above = used_above;
    c->points_below = used_below;
    c->result = h * c->pass_sum * factor;
    int total_above = used_above, total_below = used_below;
    int count_above = used_above, count_below = used_below;
    double previous = convergence_value(c);

    // Refinement: add the midpoints of the last grid, halve the step, test the change.
    c->halvings = 0;
    while (c->halvings < c->max_halvings) {
        c->halvings++;
        if (c->abort) return kFailure;
        if (total_above + count_above + 1 > max_points || total_below + count_below + 1 > max_points)
            return kFailure;
        c->pass_sum = 0.0;
        double half = 0.5 * h;
        c->half_step = half;
        up_move = additive ? h : std::exp(h);
        down_move = additive ? -h : std::exp(-h);
        int used;
        rc = sum_side(c, additive ? t0 + half : t0 * std::exp(half), up_move, count_above, false, &used);
        if (rc != 0) return rc;
        total_above += used;
        rc = sum_side(c, additive ? t0 - half : t0 * std::exp(-half), down_move, count_below, false, &used);
        if (rc != 0) return rc;
        total_below += used;
        c->result = (h * c->pass_sum * factor + c->result) * 0.5;
        h = half;
        c->step = h;
        c->points_above = total_above;
        c->points_below = total_below;
        count_above *= 2;
        count_below *= 2;
        double current = convergence_value(c);
        double change = std::fabs(previous - current);
        c->relative_change = current != 0.0 ? change / std::fabs(current) : std::numeric_limits<double>::max();
        if (converged(c, previous, current, bound)) {
            *out = c->result;
            return 0;
        }
        previous = current;
    }
    return kFailure;
}
