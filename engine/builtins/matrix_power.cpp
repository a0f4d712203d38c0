// MAT_POWER: an integer power of a square matrix by repeated squaring, and the binding of a
// matrix function's result argument to the order of its matrix.
#include <cmath>
#include <utility>

#include "common/numeric/matrix_product.h"
#include "engine/builtins/builtin_support.h"
#include "host/print.h"

double* mpower(double* x, double* p_buffer, double* w, int n, long p) {
    const int nn = n * n;
    double* out = p_buffer;
    if (p <= 0) {
        for (int i = 0; i < nn; ++i) out[i] = 0.0;
        for (int i = 0; i < n; ++i) out[i * n + i] = 1.0;
        return out;
    }
    if (p == 1) {
        for (int i = 0; i < nn; ++i) out[i] = x[i];
        return out;
    }
    if (p == 2) {
        zmmult(n, n, n, x, x, out);
        return out;
    }
    // Square X until the lowest set bit of p, then fold the remaining bits into P. Products
    // go into the spare buffer and the roles of the buffers are swapped.
    while ((p & 1) == 0) {
        zmmult(n, n, n, x, x, w);
        std::swap(x, w);
        p >>= 1;
    }
    for (int i = 0; i < nn; ++i) out[i] = x[i];
    while ((p >>= 1) != 0) {
        zmmult(n, n, n, x, x, w);
        std::swap(x, w);
        if ((p & 1) != 0) {
            zmmult(n, n, n, out, x, w);
            std::swap(out, w);
        }
    }
    return out;
}

int builtin_store_matrix(cmp_instance* instance, cmp_arg_value& result, const double* values, int n) {
    if (result.kind != CMP_ARG_ARRAY || result.symbol == nullptr) return 1;
    if (cmpmtrxs(instance, result.symbol, n, n) != 0) return 1;
    double* const* at = cmpmtrxa(instance, result.symbol);
    if (at == nullptr) return 1;
    for (int i = 0; i < n * n; ++i) *at[i] = values != nullptr ? values[i] : qor::missing();
    return 0;
}

int rskmpw(const cmp_function_record* fn, cmp_arg_value* args, int nargs, const cmp_exec_context*,
           cmp_instance* instance, void* hidden) {
    RSKCON* con = builtin_con(fn);
    auto* call = static_cast<RSKMATCALL*>(hidden);
    if (call == nullptr) {
        xpmlog(598, 3928, "MAT_POWER");
        return 1;
    }
    if (nargs < 2 || updateFromArray(con, call, RSKMAT_POWER, args[1]) != 0) return 1;
    const int n = call->order;
    // The exponent: absent, missing or negative counts as 0.
    const double e = builtin_number(args, nargs, 3);
    long p = 0;
    if (!qor::is_missing(e) && e > 0) p = e >= 2147483647.0 ? 2147483647L : static_cast<long>(std::trunc(e));
    for (int i = 0; i < n * n; ++i)
        if (qor::is_missing(call->gathered[i])) return builtin_store_matrix(instance, args[2], nullptr, n);
    double* spare = call->matrix + static_cast<long>(n) * n;
    const double* out = mpower(call->gathered, call->matrix, spare, n, p);
    return builtin_store_matrix(instance, args[2], out, n);
}
