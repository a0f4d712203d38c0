// Lagged values by age: the search of an age among a grid's lag points, linear interpolation
// with missing values, and rsklagv, which pricing methods call on several threads at once.
#include "engine/model/lags/lags.h"
#include "engine/model/timegrids/time_grids.h"
#include "engine/model/variables/variable_record.h"
#include "engine/model/variables/variables.h"
#include "engine/run/run_block.h"
#include "host/missing.h"

double rsklag_interpolate(double x, double x0, double y0, double x1, double y1) {
    if (qor::is_missing(y0) || qor::is_missing(y1)) return qor::missing();
    if (x1 == x0) return y0;
    return y0 + (x - x0) * (y1 - y0) / (x1 - x0);
}

void rsklag_find_value_pos(const double* points, int count, double x, int* low, int* high) {
    int lo = 0;
    int hi = count - 1;
    while (lo <= hi) {
        const int mid = lo + (hi - lo) / 2;
        if (points[mid] == x) {
            *low = *high = mid;
            return;
        }
        if (points[mid] < x)
            lo = mid + 1;
        else
            hi = mid - 1;
    }
    // Not found: points[hi] < x < points[lo].
    *low = hi;
    *high = lo;
}

namespace {

// The date the lagged value is wanted for: _date_, or the given element of it.
double date_of(const RSKCON* con, int element) {
    const RSKSYSVARS* sys = con->system_variables;
    if (sys == nullptr || sys->date == nullptr || sys->date->value == nullptr) return qor::missing();
    const auto* dates = static_cast<const double*>(sys->date->value);
    if (element > 0 && static_cast<double>(element) < sys->date->element_count) return dates[element];
    return dates[0];
}

// The value at `age` among the values laid on the points: 0, or 1 for a negative age.
int value_at(const double* points, int count, const double* values, double age, double* out) {
    *out = qor::missing();
    if (age < 0) return 1;
    if (count < 1 || age > points[count - 1]) return 0;
    int low = 0;
    int high = 0;
    rsklag_find_value_pos(points, count, age, &low, &high);
    *out = low == high ? values[low]
                       : rsklag_interpolate(age, points[low], values[low], points[high], values[high]);
    return 0;
}

}  // namespace

int rsklagv(RSKCON* con, RSKVARIABLE* variable, int element, double age, double* value) {
    *value = qor::missing();
    if (con == nullptr || con->run_block == nullptr || variable == nullptr || variable->lag_grid == nullptr ||
        variable->value == nullptr || variable->lag_grid->times == nullptr)
        return 1;
    const double date = date_of(con, element);
    const double base = con->run_block->base_date;
    if (qor::is_missing(date) || qor::is_missing(base)) return 1;
    double elapsed = (date - base) / kRskDaysPerYear;
    if (elapsed < 0) elapsed = 0;
    const double* points = variable->lag_grid->times;
    const int count = static_cast<int>(variable->lag_grid->count) + 1;
    // Ages beyond the time since the base date lie in the lagged values of the current state;
    // nearer ages in the previous state's values, whose ages are counted from the base date.
    // An age inside the elapsed time has no place there and is read from the current state too.
    if (age > elapsed || variable->lag_previous == nullptr || age < elapsed)
        return value_at(points, count, static_cast<const double*>(variable->value), age, value);
    return value_at(points, count, variable->lag_previous, age - elapsed, value);
}
