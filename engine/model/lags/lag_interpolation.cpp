// Lagged values by age: the search of an age among a grid's lag points, linear interpolation
// with missing values, and rsklagv, which pricing methods call on several threads at once.
#include "engine/model/lags/lags.h"
#include "engine/model/timegrids/time_grids.h"
#include "engine/model/variables/variable_record.h"
#include "engine/model/variables/variables.h"
#include "engine/run/run_block.h"
#include "host/missing.h"

namespace {

// The search and the interpolation, inlined into rsklagv, which pricing calls per lagged value.
inline double interpolate(double x, double x0, double y0, double x1, double y1) {
    if (qor::is_missing(y0) || qor::is_missing(y1)) return qor::missing();
    if (x1 == x0) return y0;
    return y0 + (x - x0) * (y1 - y0) / (x1 - x0);
}

inline void find_value_pos(const double* points, int count, double x, int* low, int* high) {
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

}  // namespace

double rsklag_interpolate(double x, double x0, double y0, double x1, double y1) {
    return interpolate(x, x0, y0, x1, y1);
}

void rsklag_find_value_pos(const double* points, int count, double x, int* low, int* high) {
    find_value_pos(points, count, x, low, high);
}

namespace {

// The date the lagged value is wanted for: _date_, or the given element of it.
inline double date_of(const RSKCON* con, int element) {
    const RSKSYSVARS* sys = con->system_variables;
    if (sys == nullptr || sys->date == nullptr || sys->date->value == nullptr) return qor::missing();
    const auto* dates = static_cast<const double*>(sys->date->value);
    if (element > 0 && static_cast<double>(element) < sys->date->element_count) return dates[element];
    return dates[0];
}

// The value at `age` among the values laid on the points: 0, or 1 for a negative age.
inline int value_at(const double* points, int count, const double* values, double age, double* out) {
    if (age < 0 || count < 1) [[unlikely]] {
        *out = qor::missing();
        return age < 0 ? 1 : 0;
    }
    if (age > points[count - 1]) {
        *out = qor::missing();
        return 0;
    }
    int lo = 0;
    int hi = count - 1;
    while (lo <= hi) {
        const int mid = lo + (hi - lo) / 2;
        if (points[mid] == age) {
            *out = values[mid];
            return 0;
        }
        if (points[mid] < age)
            lo = mid + 1;
        else
            hi = mid - 1;
    }
    *out = interpolate(age, points[hi], values[hi], points[lo], values[lo]);
    return 0;
}

}  // namespace

int rsklagv(RSKCON* con, RSKVARIABLE* variable, int element, double age, double* value) {
    const RSKTIMEGRID* grid = variable != nullptr ? variable->lag_grid : nullptr;
    const RSKRUNBLOCK* run = con != nullptr ? con->run_block : nullptr;
    if (grid == nullptr || grid->times == nullptr || variable->value == nullptr || run == nullptr) [[unlikely]] {
        *value = qor::missing();
        return 1;
    }
    const double date = date_of(con, element);
    const double base = run->base_date;
    if (qor::is_missing(date) || qor::is_missing(base)) [[unlikely]] {
        *value = qor::missing();
        return 1;
    }
    double elapsed = (date - base) / kRskDaysPerYear;
    if (elapsed < 0) elapsed = 0;
    const double* points = grid->times;
    const int count = static_cast<int>(grid->count) + 1;
    // Ages beyond the time since the base date lie in the lagged values of the current state;
    // at that time, in the previous state's values, whose ages are counted from the base date.
    // An age inside the elapsed time has no place there and is read from the current state too.
    if (age != elapsed || variable->lag_previous == nullptr) [[likely]]
        return value_at(points, count, static_cast<const double*>(variable->value), age, value);
    return value_at(points, count, variable->lag_previous, 0, value);
}
