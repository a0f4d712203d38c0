// MAT_EXP: exp(t A) of a square matrix by scaling and squaring with a diagonal Pade
// approximant: A is scaled by 2^-s, the approximant N/D of degree q is solved by LU, and the
// result squared s times.
#include <cmath>
#include <utility>

#include "common/numeric/linalg.h"
#include "common/numeric/matrix_product.h"
#include "engine/builtins/builtin_support.h"
#include "host/print.h"

namespace {

// Beyond this many squarings the rounding of the approximant, grown 2^s-fold, would swamp the
// result (2^40 times the unit roundoff is about 1e-4): such a product of norm and t is refused.
constexpr int kMaxSquarings = 40;
constexpr double kPadeBound = 1e-10;
constexpr double kLuTolerance = 1e-10;

void identity(double* m, int n) {
    for (int i = 0; i < n * n; ++i) m[i] = 0.0;
    for (int i = 0; i < n; ++i) m[i * n + i] = 1.0;
}

}  // namespace

int mexp_pade(RSKMATCALL* call, double t, const double** out) {
    const int n = call->order;
    const int nn = n * n;
    const double* a = call->gathered;
    double* result = call->matrix;
    double* denominator = call->matrix + nn;
    double* power = call->matrix + 2 * nn;
    double* product = call->gathered + nn;
    *out = result;

    const double nrm = zvenorm(nn, a, 1);
    const double scaled = nrm * t;
    if (!(scaled > 0.0)) {          // t = 0 or a zero matrix: the identity
        identity(result, n);
        return 0;
    }
    const double lg = std::log(scaled) / std::log(2.0) + 2.0;
    if (!(lg < kMaxSquarings + 1.0)) return 1;
    int s = static_cast<int>(std::trunc(lg));
    if (s < 0) s = 1;
    // Degree of the approximant, chosen with the unscaled norm (which only adds terms).
    int q = 10;
    double c = 8.0 * nrm;
    for (int k = 1; k <= 10; ++k) {
        c = c / (16.0 * (4.0 * k * k - 1.0));
        const double e = c * t;
        if (e * std::exp(e) <= kPadeBound) {
            q = k;
            break;
        }
    }
    int error = 0;
    const double two_s = zpower(2.0, static_cast<double>(s), &error);
    if (error != 0 || qor::is_missing(two_s)) return 1;
    const double h = t / two_s;

    double coefficient = 0.5 * h;
    identity(result, n);
    identity(denominator, n);
    for (int i = 0; i < nn; ++i) {
        result[i] += coefficient * a[i];
        denominator[i] -= coefficient * a[i];
        power[i] = a[i];
    }
    for (int k = 2; k <= q; ++k) {
        zmmult(n, n, n, power, a, product);
        std::swap(power, product);
        coefficient = coefficient * h * (q - k + 1) / ((2.0 * q - k + 1) * k);
        const double signed_coefficient = (k % 2 == 0) ? coefficient : -coefficient;
        for (int i = 0; i < nn; ++i) {
            result[i] += coefficient * power[i];
            denominator[i] += signed_coefficient * power[i];
        }
    }
    if (zludec(n, n, kLuTolerance, nullptr, denominator, call->pivots) != 0) return 1;
    if (zlusol(0, n, n, n, n, denominator, result, call->pivots) != 0) return 1;
    // F to the power 2^s: s squarings, alternating between the result and a spare buffer.
    double* x = result;
    double* spare = denominator;
    for (int k = 0; k < s; ++k) {
        zmmult(n, n, n, x, x, spare);
        std::swap(x, spare);
    }
    *out = x;
    return 0;
}

int rskmexp(const cmp_function_record* fn, cmp_arg_value* args, int nargs, const cmp_exec_context*,
            cmp_instance* instance, void* hidden) {
    RSKCON* con = builtin_con(fn);
    auto* call = static_cast<RSKMATCALL*>(hidden);
    if (call == nullptr) {
        xpmlog(598, 3928, "MAT_EXP");
        return 1;
    }
    if (nargs < 2 || updateFromArray(con, call, RSKMAT_EXP, args[1]) != 0) return 1;
    const int n = call->order;
    // The result shows missing values until the computation succeeds.
    if (builtin_store_matrix(instance, args[2], nullptr, n) != 0) return 1;
    for (int i = 0; i < n * n; ++i)
        if (qor::is_missing(call->gathered[i])) return 0;
    double t = builtin_number(args, nargs, 3);
    if (qor::is_missing(t) || t < 0) t = 0.0;
    const double* out = nullptr;
    if (mexp_pade(call, t, &out) != 0) {
        xpslog("%1zCannot compute MAT_EXP function.");
        return 1;
    }
    return builtin_store_matrix(instance, args[2], out, n);
}
