// RLAG: the value of a lagged risk factor at an age (in years) in the state being priced, read
// from the factor's lag grid.
#include <atomic>

#include "engine/builtins/builtin_support.h"
#include "engine/compiler/compile_control.h"
#include "engine/model/lags/lags.h"
#include "engine/model/variables/variable_record.h"
#include "host/print.h"

int rsklgn(const cmp_function_record* fn, cmp_arg_value* args, int nargs, const cmp_exec_context* exec,
           cmp_instance*, void* hidden) {
    RSKCON* con = builtin_con(fn);
    auto* record = static_cast<RSKREFCALL*>(hidden);
    if (record == nullptr) {
        xpmlog(598, 3928, "RLAG");
        return 1;
    }
    RSKBUILTINRUN* run = builtin_run(con);
    if (run != nullptr && std::atomic_ref<uint8_t>(run->pricing_failed).load() != 0) return 1;
    double* result = args[0].number;
    if (result == nullptr) return 1;
    *result = qor::missing();
    const RSKCMPCON* handle = builtin_handle(fn);
    RSKVARIABLE* named = record->con == nullptr && nargs >= 1 ? builtin_argument_variable(con, exec, args[1]) : nullptr;
    if (resolve_reference(con, record, handle != nullptr ? handle->current_type : nullptr, named) != 0) {
        if (rskbif_count(con, RSKBIF_LAG, "RLAG") != 0) {
            const RSKVARIABLE* v = record->variable;
            xpmlog(598, 1970, v != nullptr ? static_cast<int>(v->name.name.length) : 0, v != nullptr ? v->name.name.text : "");
        }
        return 1;
    }
    RSKVARIABLE* lag = record->object;
    if ((lag->flags2 & RSKF2_LAG_GRID) == 0 || lag->lag_grid == nullptr) {
        if (rskbif_count(con, RSKBIF_LAG, "RLAG") != 0) xpmlog(598, 1973, RSK_NAMEREC(lag->name.name));
        return 1;
    }
    // A missing age has no place on the lag grid: it is refused like a text.
    if (qor::is_missing(builtin_number(args, nargs, 2))) {
        xpmlog(598, 1975, RSK_NAMEREC(lag->name.name));
        return 1;
    }
    double value = qor::missing();
    const int rc = rsklagv(con, lag, 0, *args[2].number, &value);
    if (rc != 0) return rc;
    *result = value;
    return 0;
}
