// SET_DER: a pricing method deposits the first or second derivative of its value against one
// point of a cash-flow curve. Deposits are taken in the base state only, which the run prices on
// its own thread before any other state: the analyses read the base state's derivatives, the
// same for every thread count, and no two threads write one slot.
#include <cmath>
#include <cstdint>

#include "engine/builtins/builtin_support.h"
#include "engine/model/arrays/arrays.h"
#include "engine/model/variables/variable_record.h"
#include "engine/run/run_block.h"
#include "host/print.h"

namespace {

// The value a derivative slot holds before anything is deposited: missing with code 'D'
// (top bytes FF FF BC).
bool initial_missing(double x) { return (qor::bits_of(x) >> 40) == 0xFFFFBCULL; }

void deposit(double* slot, double value, bool accumulate) {
    if (!accumulate) {
        *slot = value;
        return;
    }
    if (initial_missing(*slot)) *slot = 0.0;
    if (!qor::is_missing(*slot)) *slot += value;
}

}  // namespace

double rskder_initial() { return qor::make_missing('D'); }

int rskderc(const cmp_function_record* fn, cmp_arg_value* args, int nargs, const cmp_exec_context* exec,
            cmp_instance*, void*) {
    RSKCON* con = builtin_con(fn);
    const RSKBUILTINRUN* run = builtin_run(con);
    if (run == nullptr || run->collect_derivatives == 0 || nargs < 5) return 0;
    if (exec != nullptr && exec->state != 0) return 0;   // not the base state
    const double order = builtin_number(args, nargs, 1);
    const double value = builtin_number(args, nargs, 2);
    char currency[8], name[40];
    builtin_text(args[3], currency, sizeof currency);
    const int length = builtin_text(args[4], name, sizeof name);
    RSKVARIABLE* curve = cshflwc(con, name, length, currency);
    if (curve == nullptr) {
        xpmlog(598, 3416, length, name, 3, currency);
        return 0;
    }
    const double point = builtin_number(args, nargs, 5);
    const double points = curve->element_count;
    const double k = qor::is_missing(point) ? 0.0 : std::trunc(point);
    if (!(k >= 1) || !(k <= points)) {   // below 1 too: nothing before the first point
        xpmlog(598, 3417, RSK_NAMEREC(curve->name.name), qor::is_missing(point) ? 0L : static_cast<long>(std::fmax(-2147483647.0, std::fmin(k, 2147483647.0))),
               static_cast<long>(points));
        return 0;
    }
    const int at = static_cast<int>(k) - 1;
    const bool first = order == 1;
    const bool accumulate = nargs >= 6 && !qor::is_missing(builtin_number(args, nargs, 6)) && builtin_number(args, nargs, 6) != 0;
    const bool point_variables = curve->time_grid_array == 0;
    if (point_variables) {
        RSKVARIABLE* element = curve->elements != nullptr && static_cast<uint32_t>(at) < curve->elements_allocated
                                   ? curve->elements[at]
                                   : nullptr;
        double* slot = element == nullptr ? nullptr : first ? element->method_delta : element->method_gamma;
        if (slot != nullptr) deposit(slot, value, accumulate);
    }
    double* vector = first ? curve->first_derivatives : curve->second_derivatives;
    if (vector == nullptr) {
        if (point_variables || rskaryd(con, curve, first ? 1 : 2) != 0) return 0;
        vector = first ? curve->first_derivatives : curve->second_derivatives;
        if (vector == nullptr) return 0;
    }
    const uint32_t allocated = first ? curve->first_derivatives_allocated : curve->second_derivatives_allocated;
    if (static_cast<uint32_t>(at) < allocated) deposit(vector + at, value, accumulate);
    return 0;
}
