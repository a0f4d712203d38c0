// Moving lagged values on to a new state: each lag point's value is read from the previous
// state's values shifted by the elapsed time, or, inside the elapsed time, from the history of
// the states generated since the base date.
#include "engine/model/currencies/currency_table.h"
#include "engine/model/lags/lags.h"
#include "engine/model/timegrids/time_grids.h"
#include "engine/model/variables/variable_record.h"
#include "engine/model/variables/variables.h"
#include "engine/run/run_block.h"
#include "host/missing.h"

namespace {

// The value `age` years before the state date from the recorded states of history row `mode`.
// The walk starts at *position (the last recorded state when below 0 on the first call of a
// variable) and leaves there the state it stopped at, so that the next, older age walks on from
// it. The position belongs to the caller: each state is updated with its own.
double get_intermediate_lag(const RSKRUNBLOCK* run, const RSKVARIABLE* v, int mode, double age, int* position) {
    const double* dates = run->history_dates[mode];
    const double* values = v->lag_history;
    const int fill = run->history_fills[mode];
    const double current = static_cast<const double*>(v->value)[0];
    const double state = run->state_date;
    for (int k = *position; k >= 0; --k) {
        const double recorded_age = (state - dates[k]) / kRskDaysPerYear;
        if (recorded_age < age) continue;
        *position = k;
        if (recorded_age == age) return values[k];
        // Between this state and the next later one, or the current value after the last.
        const double later_age = k + 1 < fill ? (state - dates[k + 1]) / kRskDaysPerYear : 0;
        const double later_value = k + 1 < fill ? values[k + 1] : current;
        return rsklag_interpolate(age, later_age, later_value, recorded_age, values[k]);
    }
    // Older than every recorded state: between the first recorded state and the base date's
    // value (the previous state's value at age 0).
    *position = -1;
    const double first_age = fill > 0 ? (state - dates[0]) / kRskDaysPerYear : 0;
    const double first_value = fill > 0 ? values[0] : current;
    const double elapsed = (state - run->base_date) / kRskDaysPerYear;
    return rsklag_interpolate(age, first_age, first_value, elapsed, v->lag_previous[0]);
}

bool uses_history(const RSKCON* con, const RSKRUNBLOCK* run, const RSKVARIABLE* v) {
    if (v->lag_mode != 1 && v->lag_mode != 2) return false;
    const int m = v->lag_mode - 1;
    if (!run->history_on[m] || run->history_fills[m] < 1 || v->lag_history == nullptr) return false;
    // A state at simulation time 1 is the first of its path: nothing recorded belongs to it.
    const RSKSYSVARS* sys = con->system_variables;
    if (sys != nullptr && sys->simulation_time != nullptr && sys->simulation_time->value != nullptr) {
        const double time = static_cast<const double*>(sys->simulation_time->value)[0];
        if (!qor::is_missing(time) && time == 1) return false;
    }
    return true;
}

void update_lag(const RSKCON* con, const RSKRUNBLOCK* run, RSKVARIABLE* v, double elapsed) {
    const double* t = v->lag_grid->times;
    const int n = static_cast<int>(v->lag_grid->count) + 1;
    auto* values = static_cast<double*>(v->value);
    const double* previous = v->lag_previous;
    const bool history = uses_history(con, run, v);
    int position = history ? run->history_fills[v->lag_mode - 1] - 1 : -1;
    for (int i = 1; i < n; ++i) {
        int j = 0;
        while (j < n && t[j] + elapsed < t[i]) ++j;
        if (j == 0) {
            values[i] = history ? get_intermediate_lag(run, v, v->lag_mode - 1, t[i], &position)
                                : rsklag_interpolate(t[i], 0, values[0], elapsed, previous[0]);
        } else if (j < n && t[j] + elapsed == t[i]) {
            values[i] = previous[j];
        } else if (j < n) {
            values[i] = rsklag_interpolate(t[i], t[j - 1] + elapsed, previous[j - 1], t[j] + elapsed, previous[j]);
        }
    }
}

}  // namespace

int rsklagu(RSKCON* con) {
    RSKRUNBLOCK* run = con->run_block;
    if (run == nullptr || con->runtime_tables == nullptr) return 0;
    if (qor::is_missing(run->base_date) || qor::is_missing(run->state_date)) return 0;
    const double elapsed = (run->state_date - run->base_date) / kRskDaysPerYear;
    if (!(elapsed > 0)) return 0;
    for (RSKVARLINK* link = con->runtime_tables->lagged_list.head; link != nullptr; link = link->next) {
        RSKVARIABLE* v = link->variable;
        if (v == nullptr || v->lag_grid == nullptr || v->lag_grid->times == nullptr || v->value == nullptr ||
            v->lag_previous == nullptr)
            continue;
        update_lag(con, run, v, elapsed);
    }
    return 0;
}
