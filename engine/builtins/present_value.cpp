// PV_CASHFLOW: the present value of cash flows on a yield curve in the current state. The flows
// are given as arrays (count, dates, amounts) or are the instrument's own; the curve is an
// array of yields passed as argument 4, or a cash-flow curve variable named with a currency.
// Annual effective yields are read off the curve by time to payment ((date - state date) /
// 365.25, linear between points, flat beyond the ends) and discount by (1 + y)^-t.
#include <atomic>
#include <cmath>
#include <cstring>
#include <strings.h>

#include "engine/builtins/builtin_support.h"
#include "engine/model/variables/variable_record.h"
#include "engine/model/variables/variables.h"
#include "engine/run/run_storage.h"
#include "host/print.h"

namespace {

constexpr const char* kName = "PV_CASHFLOW";

bool given(const cmp_arg_value* args, int nargs, int i) { return i <= nargs && args[i].kind != CMP_ARG_OMITTED; }

// The discount factor of yield y over t years: (1 + y)^-t for y above -1; missing otherwise.
double discount(double y, double t) {
    if (qor::is_missing(y) || !(y > -1.0)) return qor::missing();
    return std::exp(-t * std::log1p(y));
}

// Counted currency mismatch of flow k (670/3611, the 41st gives 670/3610, then silence).
void mismatch(RSKCON* con, int k, const char* flow_currency, const char* curve_currency) {
    RSKBUILTINRUN* run = builtin_run(con);
    int32_t before = 0;
    if (run != nullptr) before = std::atomic_ref<int32_t>(run->currency_mismatches).fetch_add(1);
    if (before < kRskBuiltinMessageCap)
        xpmlog(670, 3611, k + 1, 0, "", 0, "", 3, flow_currency, 3, curve_currency);
    else if (before == kRskBuiltinMessageCap)
        xpmlog(670, 3610);
}

// The flows of explicit mode: argument 1 capped by the lengths of the two arrays.
int explicit_flows(const cmp_arg_value* args, int nargs, int* count) {
    const double n = builtin_number(args, nargs, 1);
    if (qor::is_missing(n) || n < 1) {
        *count = 0;
        return 0;
    }
    long c = n > 2147483647.0 ? 2147483647L : static_cast<long>(std::trunc(n));
    if (args[2].kind != CMP_ARG_ARRAY || args[3].kind != CMP_ARG_ARRAY) return 1;
    if (c > args[2].count) c = args[2].count;
    if (c > args[3].count) c = args[3].count;
    *count = static_cast<int>(c);
    return 0;
}

}  // namespace

int rskpvcf(const cmp_function_record* fn, cmp_arg_value* args, int nargs, const cmp_exec_context* exec,
            cmp_instance* instance, void*) {
    RSKCON* con = builtin_con(fn);
    if (args[0].number != nullptr) *args[0].number = qor::missing();
    RSKBUILTINRUN* run = builtin_run(con);
    if (run != nullptr && std::atomic_ref<uint8_t>(run->pricing_failed).load() != 0) return 1;
    const bool explicit_mode = given(args, nargs, 1) && given(args, nargs, 2) && given(args, nargs, 3);

    // The curve.
    RSKCURVEVIEW view;
    view.points = 0;
    char curve_name[40] = "";
    int curve_length = 0;
    if (nargs == 4) {
        const cmp_arg_value& c = args[4];
        const char* symbol_name = c.kind == CMP_ARG_ARRAY && c.symbol != nullptr ? cmpsymname(c.symbol) : nullptr;
        RSKVARIABLE* array = nullptr;
        if (symbol_name != nullptr) {
            curve_length = static_cast<int>(std::strlen(symbol_name));
            if (curve_length > 32) curve_length = 32;
            std::memcpy(curve_name, symbol_name, static_cast<size_t>(curve_length));
            curve_name[curve_length] = '\0';
            array = cshflwc(con, curve_name, curve_length, nullptr);
        }
        if (array == nullptr) {
            if (rskbif_count(con, RSKBIF_CURVE, kName) != 0) xpmlog(670, 3603, kName, "yield", curve_length, curve_name);
            return 1;
        }
        builtin_curve_view(con, exec, array, &view);
        // The values are the array's, as the method sees them in this state.
        for (int i = 0; i < view.points && i < c.count; ++i) view.values[i] = *c.elements[i];
    } else if (nargs == 5) {
        char currency[8];
        curve_length = builtin_text(args[4], curve_name, sizeof curve_name);
        builtin_text(args[5], currency, sizeof currency);
        RSKVARIABLE* array = cshflwc(con, curve_name, curve_length, currency);
        if (array == nullptr) {
            if (rskbif_count(con, RSKBIF_CURVE, kName) != 0) xpmlog(670, 3612, curve_length, curve_name);
            return 1;
        }
        builtin_curve_view(con, exec, array, &view);
    } else {
        xpmlog(670, 3601, kName);
        return 1;
    }
    if (view.points < 1) {
        if (rskbif_count(con, RSKBIF_CURVE, kName) != 0) xpmlog(670, 3612, curve_length, curve_name);
        return 1;
    }
    for (int i = 0; i < view.points; ++i)
        if (qor::is_missing(view.times[i]) || qor::is_missing(view.values[i])) return 1;
    const char* curve_currency = view.array->currency;

    // The flows.
    const RSKCASHFLOWS* flows = nullptr;
    int count = 0;
    if (explicit_mode) {
        if (explicit_flows(args, nargs, &count) != 0) return 1;
    } else {
        flows = builtin_flows(con);
        if (flows == nullptr) {
            xpmlog(670, 3605);
            return 1;
        }
        count = flows->count > 0 ? flows->count : 0;
    }
    if (count == 0) return 0;

    const double state_date = builtin_state_date(con, exec);
    double sum = 0.0;
    for (int k = 0; k < count; ++k) {
        const double amount = flows != nullptr ? flows->amounts[k] : *args[3].elements[k];
        const double date = flows != nullptr ? flows->dates[k] : *args[2].elements[k];
        if (qor::is_missing(amount)) continue;
        if (flows != nullptr && curve_currency[0] != ' ' && curve_currency[0] != '\0' &&
            strncasecmp(flows->currencies[k], curve_currency, 3) != 0) {
            mismatch(con, k, flows->currencies[k], curve_currency);
            return 1;
        }
        if (qor::is_missing(date) || qor::is_missing(state_date) || date <= state_date) {
            sum += amount;
            continue;
        }
        const double t = (date - state_date) / 365.25;
        const double factor = discount(builtin_curve_at(&view, t), t);
        if (qor::is_missing(factor)) return 0;   // a yield at or below -1: no present value
        sum += amount * factor;
    }
    *args[0].number = sum;
    (void)instance;
    return 0;
}
