// _DGVAL: an instrument valued by its second-order expansion in the state being priced,
// V0 + g'd + d'Gd/2 with d the factors' changes from their base values, in place of a pricing
// method. The generated glue calls it with the action's reference entry.
#include <cmath>
#include <cstring>

#include "engine/builtins/builtin_support.h"
#include "engine/compiler/compile_control.h"
#include "engine/model/variables/variable_record.h"
#include "engine/run/run_storage.h"

namespace {

// Factor values at or beyond this magnitude are taken as unusable.
constexpr double kHuge = 1.3407807929942597e152;
// Changes this small leave the factor's gamma row out.
constexpr double kNoChange = 1.110223024625157e-14;

double factor_in_state(RSKCON* con, const cmp_exec_context* exec, const RSKQUADFACTOR& f) {
    const uint8_t* market = builtin_market(con, exec);
    if (market != nullptr && f.offset >= 0) {
        double x;
        std::memcpy(&x, market + f.offset, sizeof x);
        return x;
    }
    return builtin_factor_value(con, exec, f.variable);
}

}  // namespace

double rskdgv_value(RSKCON* con, const cmp_exec_context* exec, const RSKQUADVALUE* quad, double* changes) {
    const int n = quad->count;
    double v = quad->value;
    if (qor::is_missing(v)) return qor::missing();
    for (int i = 0; i < n; ++i) {
        const double x = factor_in_state(con, exec, quad->factors[i]);
        const double b = quad->shifts[i];
        if (qor::is_missing(x) || qor::is_missing(b) || !(std::fabs(x) < kHuge)) return qor::missing();
        changes[i] = x - b;
    }
    for (int i = 0; i < n; ++i) {
        if (qor::is_missing(quad->deltas[i])) return qor::missing();
        v += changes[i] * quad->deltas[i];
    }
    const double* row = quad->gammas;   // row i holds G_i0 .. G_ii, the diagonal last
    for (int i = 0; i < n; row += i + 1, ++i) {
        const double di = changes[i];
        if (!(std::fabs(di) > kNoChange)) continue;
        for (int j = 0; j < i; ++j) v += di * row[j] * changes[j];
        v += 0.5 * di * di * row[i];
    }
    return v;
}

int rskdgv(const cmp_function_record* fn, cmp_arg_value* args, int nargs, const cmp_exec_context* exec,
           cmp_instance*, void*) {
    const auto* handle = static_cast<const RSKCMPCON*>(fn != nullptr ? fn->context : nullptr);
    double* result = args[0].number;
    if (handle == nullptr || result == nullptr || nargs < 1 || exec == nullptr) return CMP_BODY_FAILED;
    *result = qor::missing();
    const double r = builtin_number(args, nargs, 1);
    if (qor::is_missing(r)) return CMP_BODY_FAILED;
    const long index = static_cast<long>(r) + exec->block;
    if (index < 0 || index >= handle->reference_count || handle->references == nullptr) return CMP_BODY_FAILED;
    const auto* variable = static_cast<const RSKVARIABLE*>(handle->references[index].object);
    const auto* quad = variable != nullptr ? static_cast<const RSKQUADVALUE*>(variable->run.buffers[0]) : nullptr;
    if (quad == nullptr || quad->count < 0 || quad->count > quad->capacity) return CMP_BODY_OK;   // nothing to value
    // The changes are kept on this thread's stack (the delta-gamma buffer row is not written).
    constexpr int kStackFactors = 256;
    double stack[kStackFactors];
    if (quad->count > kStackFactors) return CMP_BODY_FAILED;
    *result = rskdgv_value(handle->con, exec, quad, stack);
    return CMP_BODY_OK;
}
