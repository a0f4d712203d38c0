// Percentile definitions, Hill tail-index estimates, extreme quantiles and tail means over a
// sample sorted by the caller; nothing is allocated and no state is kept.
#include <cfloat>
#include <cmath>

#include "common/statistics/tail_index.h"

#include "common/numeric/linalg.h"
#include "host/missing.h"

namespace {

constexpr double kEps13 = 1.110223024625157e-13;
constexpr double kTiny = 2.225073858507202e-308;

// Power through the library's checked zpower: false when it reports a domain error or the
// result is not a finite number.
bool tail_power(double base, double exponent, double* result) {
    int error = 0;
    double r = zpower(base, exponent, &error);
    if (error != 0 || !std::isfinite(r)) return false;
    *result = r;
    return true;
}

// Element i of the ascending order, whatever the direction of the stored sample.
double ascending_at(const tail_sample* ts, int32_t i) {
    return (ts->flags & TAIL_DESCENDING) ? ts->sample[ts->n - 1 - i] : ts->sample[i];
}

int32_t usable_k(int32_t k, int32_t n) {
    return (k < 2 || k >= n / 2.0) ? static_cast<int32_t>(0.1 * n) : k;
}

}  // namespace

double zunifct(int definition, double n, double p, double* lower, double* upper) {
    const double eps = std::fmin(1e-6, n * kEps13);
    if (definition == 6) {
        *lower = n * p - eps;
        *upper = n * p + eps;
        return 0.5;
    }
    if (definition < 1 || definition > 5) definition = 1;
    const double t = definition == 4 ? (n + 1.0) * p : n * p;
    double lo = std::floor(t + eps);
    double g = t - lo;
    if (g <= eps) g = 0.0;
    double hi = lo + 1.0, weight = g;
    if (definition == 2) {
        weight = 0.0;
        if (std::fabs(std::fmod(t, 1.0) - 0.5) > eps) lo = std::floor(t + 0.5);
        else lo = std::fmod(t, 2.0) < 1.0 ? std::floor(t) : std::floor(t + 1.0);   // ties go to the even one
        hi = lo;
    } else if (definition == 3) {
        weight = g > eps ? 1.0 : 0.0;
    } else if (definition == 5) {
        weight = g > eps ? 1.0 : 0.5;
    }
    *lower = std::fmax(std::fmin(lo, n) - 1.0, 0.0);
    *upper = std::fmax(std::fmin(hi, n) - 1.0, 0.0);
    return weight;
}

int calcHillAlpha(const double* x, int32_t n, int32_t k, double centre, double scale, int mode,
                  double* alpha, int32_t* position) {
    if (!(scale >= kEps13) || k < 1 || k >= n) return 2;
    const bool left = mode == 0 || mode == 2;
    const bool at_start = mode == 0 || mode == 3;
    auto log_d = [&](double v, double* out) {
        double d = left ? (centre - v) / scale : (v - centre) / scale;
        if (!(d > kTiny)) return false;
        *out = std::log(d);
        return true;
    };
    const int32_t first = at_start ? 0 : n - k;
    const int32_t threshold = at_start ? k : n - k - 1;
    double sum = 0.0, value;
    for (int32_t i = first; i < first + k; ++i) {
        if (!log_d(x[i], &value)) return 2;
        sum += value;
    }
    if (!log_d(x[threshold], &value)) return 2;
    double h = sum / k - value;
    if (!(std::fabs(h) >= kTiny)) return 2;
    *alpha = 1.0 / h;
    *position = threshold;
    return 0;
}

int zextalf(tail_sample* ts) {
    if (!ts || !ts->sample || ts->n < 100) return 1;
    const int32_t n = ts->n;
    if (!(ts->flags & TAIL_CENTRE_KNOWN)) {
        double lo, hi;
        double g = zunifct(ts->definition, n, 0.5, &lo, &hi);
        ts->centre = g * ascending_at(ts, static_cast<int32_t>(hi)) + (1.0 - g) * ascending_at(ts, static_cast<int32_t>(lo));
        ts->flags |= TAIL_CENTRE_KNOWN;
    }
    if (qor::is_missing(ts->centre) || std::isnan(ts->centre)) return 2;
    if (!(ts->flags & TAIL_MEAN_KNOWN) || !(ts->flags & TAIL_SD_KNOWN)) {
        double sum = 0.0, squares = 0.0;
        for (int32_t i = 0; i < n; ++i) {
            sum += ts->sample[i];
            squares += ts->sample[i] * ts->sample[i];
        }
        double mean = sum / n;
        if (!(ts->flags & TAIL_MEAN_KNOWN)) {
            ts->mean = mean;
            ts->flags |= TAIL_MEAN_KNOWN;
        }
        if (!(ts->flags & TAIL_SD_KNOWN)) {
            double ss = squares - n * mean * mean;
            if (ss < n * kEps13 * mean * mean) return 2;
            double sd = std::sqrt(ss / (ts->definition == 1 ? n : n - 1.0));
            if (!(sd >= kEps13)) return 2;
            ts->sd = sd;
            ts->flags |= TAIL_SD_KNOWN;
        }
    }
    ts->k = usable_k(ts->k, n);
    const bool descending = ts->flags & TAIL_DESCENDING;
    if (ts->flags & TAIL_LEFT_WANTED) {
        int rc = calcHillAlpha(ts->sample, n, ts->k, ts->centre, ts->sd, descending ? 2 : 0, &ts->left_alpha,
                               &ts->left_position);
        if (rc) return rc;
        ts->left_tail_percent = 100.0 * ts->k / n;
        ts->flags |= TAIL_LEFT_DONE;
    }
    if (ts->flags & TAIL_RIGHT_WANTED) {
        int rc = calcHillAlpha(ts->sample, n, ts->k, ts->centre, ts->sd, descending ? 3 : 1, &ts->right_alpha,
                               &ts->right_position);
        if (rc) return rc;
        ts->right_tail_percent = 100.0 * ts->k / n;
        ts->flags |= TAIL_RIGHT_DONE;
    }
    return 0;
}

int zextqua(tail_sample* ts, double p, double* quantile, double* tail_mean) {
    if (!ts || !ts->sample || ts->n < 100) return 1;
    if (!(p > 0.0 && p < 1.0) || p == 0.5) return 3;
    ts->k = usable_k(ts->k, ts->n);
    const double r = static_cast<double>(ts->k) / ts->n;
    const bool right = p > 0.5;
    const uint8_t done = right ? TAIL_RIGHT_DONE : TAIL_LEFT_DONE;
    if (!(ts->flags & done)) {
        ts->flags |= right ? TAIL_RIGHT_WANTED : TAIL_LEFT_WANTED;
        int rc = zextalf(ts);
        if (rc) return rc;
    }
    const double alpha = right ? ts->right_alpha : ts->left_alpha;
    const double threshold = ts->sample[right ? ts->right_position : ts->left_position];
    double factor;
    if (!tail_power(right ? r / (1.0 - p) : r / p, 1.0 / alpha, &factor)) return 4;
    double q = right ? ts->centre + (threshold - ts->centre) * factor : ts->centre - (ts->centre - threshold) * factor;
    *quantile = q;
    // The tail mean exists only for alpha above 1 (at 1 it is infinite).
    if (alpha <= 1.0) *tail_mean = qor::missing();
    else *tail_mean = ts->centre + (q - ts->centre) * alpha / (alpha - 1.0);
    return 0;
}
