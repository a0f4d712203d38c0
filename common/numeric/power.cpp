// Guarded power x^y: domain checks with error codes, exact powers of ten, repeated squaring for
// moderate integral exponents and the library pow otherwise.
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "common/module/anchors.h"
#include "common/numeric/linalg.h"

static constexpr double kHuge = 1.3407807929943e154;
static constexpr double kLogMax = 709.78271289339;
static constexpr double kLogMin = -708.3964185;
static constexpr double kSquaringLimit = 72.0873067782343;
static constexpr double kIntMax = 2147483647.0;

static double host_missing() {
    qor_gcb* gcb = common_gcb();
    return gcb ? gcb->missing : std::nan("");
}

// 10^e correctly rounded, for -323 <= e <= 308: the nearest double to the decimal power,
// which is what callers printing or comparing against "1eN" rely on.
static double power_of_ten(int e) {
    static const double* table = [] {
        static double values[308 + 323 + 1];
        char text[16];
        for (int k = -323; k <= 308; ++k) {
            std::snprintf(text, sizeof text, "1e%d", k);
            values[k + 323] = std::strtod(text, nullptr);
        }
        return values;
    }();
    return table[e + 323];
}

// x^m for a positive integer m by repeated squaring.
static double integer_power(double x, long m) {
    double result = 1.0;
    while (m > 0) {
        if (m & 1) result *= x;
        m >>= 1;
        if (m) x *= x;
    }
    return result;
}

double zpower(double x, double y, int* error) {
    int dummy = 0;
    if (!error) error = &dummy;
    *error = 0;
    if (std::isnan(x)) return x;          // missing values propagate
    if (std::isnan(y)) return y;
    if (x == 0.0) {
        if (y > 0.0) return 0.0;
        *error = 3;
        return host_missing();
    }
    if (y == 0.0) return 1.0;
    if (y == 1.0) return x;
    bool negative_base = x < 0.0;
    double base = std::fabs(x);
    bool integral = std::fabs(y) < kIntMax && y == std::trunc(y);
    bool odd = integral && (static_cast<long>(std::fabs(y)) & 1L);
    if (negative_base && !integral) {
        *error = 2;
        return host_missing();
    }
    double sign = negative_base && odd ? -1.0 : 1.0;
    if (base == 1.0) return sign;
    if (std::fabs(y) >= kHuge) {
        if ((base < 1.0 && y > 0.0) || (base > 1.0 && y < 0.0)) return 0.0;
        *error = 1;
        return host_missing();
    }
    double t = y * std::log(base);
    if (t >= kLogMax) {
        *error = 1;
        return host_missing();
    }
    if (t <= kLogMin) return 0.0;
    double result;
    if (base == 10.0 && integral) {
        result = power_of_ten(static_cast<int>(y));
    } else if (integral && std::fabs(t) < kSquaringLimit) {
        result = integer_power(base, static_cast<long>(std::fabs(y)));
        if (y < 0.0) result = 1.0 / result;
    } else {
        result = std::pow(base, y);
    }
    return sign * result;
}
