// N_CASH_FLOWS, CASHFLOW, CASH_FLOW and CF_VERTICES: the current instrument's cash flows as
// the instrument file gave them, one flow's fields, and the two points of a cash-flow curve that
// enclose a flow. One entry serves the four names.
#include <cmath>
#include <cstring>

#include "engine/builtins/builtin_support.h"
#include "engine/compiler/special_functions.h"
#include "engine/model/variables/variable_record.h"
#include "engine/run/run_storage.h"
#include "host/print.h"

namespace {

int flow_count(const RSKCASHFLOWS* flows) { return flows != nullptr && flows->count > 0 ? flows->count : 0; }

// The flow number of an argument, truncated; 0 for a missing or absent one.
long flow_number(const cmp_arg_value* args, int nargs, int i) {
    const double x = builtin_number(args, nargs, i);
    if (qor::is_missing(x) || !(std::fabs(x) < 2147483647.0)) return 0;
    return static_cast<long>(std::trunc(x));
}

void set_number(cmp_arg_value& a, double x) {
    if (a.kind != CMP_ARG_OMITTED && a.number != nullptr) *a.number = x;
}

int n_cash_flows(RSKCON* con, cmp_arg_value* args) {
    set_number(args[0], flow_count(builtin_flows(con)));
    return 0;
}

// CASHFLOW(n, date, currency, amount [, rate]) and CASH_FLOW, whose argument 5 is not read.
// The curve arguments that may follow are left to the method (it reads the curve itself).
int cash_flow(RSKCON* con, cmp_arg_value* args, int nargs, bool underscore) {
    const RSKCASHFLOWS* flows = builtin_flows(con);
    const int m = flow_count(flows);
    const long n = flow_number(args, nargs, 1);
    if (nargs < 4) return 1;
    if (n < 1 || n > m) {
        set_number(args[2], qor::missing());
        builtin_set_text(args[3], "", 0);
        set_number(args[4], qor::missing());
        if (m != 0) {
            xpslog("");
            xpmlog(598, 3929, m);
        }
        return 0;
    }
    const int k = static_cast<int>(n - 1);
    set_number(args[2], flows->dates[k]);
    builtin_set_text(args[3], flows->currencies[k], 3);
    set_number(args[4], flows->amounts[k]);
    const int rate_at = underscore ? 6 : 5;
    if (rate_at <= nargs) set_number(args[rate_at], 1.0);
    return 0;
}

// CF_VERTICES(n, curve variable, lower name, upper name, lower number, upper number).
int cf_vertices(RSKCON* con, cmp_arg_value* args, int nargs, const cmp_exec_context* exec) {
    if (nargs < 6) return 1;
    builtin_set_text(args[3], "", 0);
    builtin_set_text(args[4], "", 0);
    set_number(args[5], qor::missing());
    set_number(args[6], qor::missing());
    const RSKCASHFLOWS* flows = builtin_flows(con);
    const int m = flow_count(flows);
    const long n = flow_number(args, nargs, 1);
    if (n < 1 || n > m) {
        xpmlog(598, 3930, static_cast<int>(n));
        xpmlog(598, 3931, m);
        return 1;
    }
    const int k = static_cast<int>(n - 1);
    char name[40];
    const int length = builtin_text(args[2], name, sizeof name);
    RSKVARIABLE* array = cshflwc(con, name, length, flows->currencies[k]);
    RSKCURVEVIEW view;
    builtin_curve_view(con, exec, array, &view);
    const int points = view.points;
    if (points < 1) {   // no curve, or a curve without points: blank names and missing numbers
        if (rskbif_count(con, RSKBIF_CURVE, "CF_VERTICES") != 0) xpmlog(670, 3612, length, name);
        return 1;
    }
    const double t = (flows->dates[k] - builtin_state_date(con, exec)) / 365.25;
    int i = 0;
    if (view.times[0] <= t)
        while (i < points && view.times[i] <= t) ++i;
    if (i >= points) i = points - 1;
    const RSKOBJNAME* upper = array->elements[i] != nullptr ? &array->elements[i]->name : nullptr;
    if (upper != nullptr) builtin_set_text(args[4], upper->name.text, upper->name.length);
    set_number(args[6], i + 1);
    if (i > 0) --i;
    const RSKOBJNAME* lower = array->elements[i] != nullptr ? &array->elements[i]->name : nullptr;
    if (lower != nullptr) builtin_set_text(args[3], lower->name.text, lower->name.length);
    set_number(args[5], i + 1);
    return 0;
}

}  // namespace

int cshflw(const cmp_function_record* fn, cmp_arg_value* args, int nargs, const cmp_exec_context* exec,
           cmp_instance*, void*) {
    RSKCON* con = builtin_con(fn);
    const char* name = fn != nullptr && fn->name != nullptr ? fn->name : "";
    if (std::strcmp(name, "N_CASH_FLOWS") == 0) return n_cash_flows(con, args);
    if (std::strcmp(name, "CF_VERTICES") == 0) return cf_vertices(con, args, nargs, exec);
    return cash_flow(con, args, nargs, std::strcmp(name, "CASH_FLOW") == 0);
}
