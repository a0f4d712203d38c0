// Minimum, maximum, absolute value, truncating division and log2 for the engine and host kit.
// Division is done in a wider type so that no input traps or overflows.
#include "common/kit/minmax.h"

#include <cmath>
#include <limits>

int max(int a, int b) { return a < b ? b : a; }
int min(int a, int b) { return a < b ? a : b; }
int lmax(int a, int b) { return a < b ? b : a; }
int lmin(int a, int b) { return a < b ? a : b; }
int qkmax(int a, int b) { return a < b ? b : a; }
int qkmin(int a, int b) { return a < b ? a : b; }
int64_t qklmax(int64_t a, int64_t b) { return a < b ? b : a; }
int64_t qklmin(int64_t a, int64_t b) { return a < b ? a : b; }

namespace qor {

double fmax(double a, double b) {
    if (std::isnan(a) || std::isnan(b) || a < b) return b;
    return a;
}

double fmin(double a, double b) {
    if (std::isnan(a) || std::isnan(b)) return b;
    return a <= b ? a : b;
}

}  // namespace qor

double qkfmax(double a, double b) { return a > b ? a : b; }
double qkfmin(double a, double b) { return a < b ? a : b; }

int64_t qklabs(int64_t x) {
    if (x == std::numeric_limits<int64_t>::min()) return std::numeric_limits<int64_t>::max();
    return x < 0 ? -x : x;
}

qk_idiv_result qkidiv(int32_t a, int32_t b) {
    if (b == 0) return {0, a};
    int64_t quotient = static_cast<int64_t>(a) / b;
    if (quotient > std::numeric_limits<int32_t>::max()) {
        quotient = std::numeric_limits<int32_t>::max();
    }
    int64_t remainder = static_cast<int64_t>(a) - quotient * b;
    return {static_cast<int32_t>(quotient), static_cast<int32_t>(remainder)};
}

qk_ldiv_result qkldiv(int64_t a, int64_t b) {
    if (b == 0) return {0, a};
    if (a == std::numeric_limits<int64_t>::min() && b == -1) {
        // The true quotient 2^63 has no 64-bit form: saturate and keep quotient * b + r == a.
        return {std::numeric_limits<int64_t>::max(), -1};
    }
    return {a / b, a % b};
}

double qklog2(double x) {
    if (std::isnan(x)) return x;
    int exponent = 0;
    double mantissa = std::frexp(x, &exponent);
    if (mantissa == 0.5) return static_cast<double>(exponent - 1);
    return std::log(x) * 1.4426950408889634;
}
