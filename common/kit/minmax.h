// Integer and real minimum and maximum, 64-bit absolute value and division records, log2.
// The engine's long integers are 32 bits; qkl* routines work on 64-bit integers.
#pragma once
#include <cstdint>

int max(int a, int b);
int min(int a, int b);
int lmax(int a, int b);
int lmin(int a, int b);
int qkmax(int a, int b);
int qkmin(int a, int b);
int64_t qklmax(int64_t a, int64_t b);
int64_t qklmin(int64_t a, int64_t b);

// The C library owns ::fmax and ::fmin (extern "C", visible wherever <cmath> is included), so
// the engine's own versions, which differ for a NaN second argument, live in namespace qor.
namespace qor {
// b when a < b or either is not a number (so a missing b propagates), else a.
double fmax(double a, double b);
// a when a <= b, else b (b when either is not a number): equal values give the first.
double fmin(double a, double b);
}  // namespace qor

double qkfmax(double a, double b);   // a when a > b, else b
double qkfmin(double a, double b);   // a when a < b, else b

// Absolute value; INT64_MIN, whose magnitude has no 64-bit form, gives INT64_MAX.
int64_t qklabs(int64_t x);

struct qk_idiv_result {
    int32_t quotient;
    int32_t remainder;
};
struct qk_ldiv_result {
    int64_t quotient;
    int64_t remainder;
};
// Division truncating toward zero. Never traps: a zero divisor gives quotient 0 and remainder a;
// the one quotient too large for the type (minimum / -1) saturates at the maximum and the
// remainder is -1, so that quotient * b + remainder == a still holds.
qk_idiv_result qkidiv(int32_t a, int32_t b);
qk_ldiv_result qkldiv(int64_t a, int64_t b);

// Base-2 logarithm: exact for powers of two; missing values pass through unchanged.
double qklog2(double x);
