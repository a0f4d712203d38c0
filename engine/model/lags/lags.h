// Lagged risk factors: the time line of the ages the lag grids need, lagged values read from the
// market data before a run, the simulation history of generated states, and lagged values by age.
#pragma once
#include <cstdint>
#include "engine/tables/control_structure.h"

struct RSKANLPROC;
struct mds;

// One entry of the time line: a copy of a time-grid point (value, unit, age in years).
struct RSKLAG {
    RSKLAG* next;
    double value;
    uint32_t unit;
    double time;                     // the age in years
};

constexpr int kRskLagChunk = 20;     // time-line entries taken from the pool at a time
constexpr double kRskDaysPerYear = 365.25;

// The market data reader by date, as read_lag_values uses it: positioning at a date, and
// reading the values at a date into the risk factors (0 read, 1 no more data, else failure).
struct RSKLAGREADER {
    int (*position)(RSKCON* con, mds* context, double date);
    int (*read)(RSKCON* con, mds* context, double date, double* date_read);
};

// Builds the time line and, when the run has lagged variables and asks for them, reads the
// lagged values (598/1961 when that fails). 0, or the reader's result.
int rsklagr(RSKCON* con);
// Clears the run's lag state and every lagged variable's pending count, mode, history and mark.
int rsklagc(RSKCON* con);
// Prepares the simulation history of the analysis in `work_area`: 0, or 1 when out of memory.
int rsklagh(RSKCON* con, RSKANLPROC* work_area);
// Records the current state in the history of mode 2 (any other mode: mode 1).
int rsklagi(RSKCON* con, int mode);
// Moves every lagged variable's lagged values on by the time between base and state date.
int rsklagu(RSKCON* con);
// The value of the variable at `age` years: 0, or 1 with the missing value in *value.
int rsklagv(RSKCON* con, RSKVARIABLE* variable, int element, double age, double* value);

// Internals shared by the lag files and their tests.
// Builds the run's time line from the lag grids of the lagged variables. 0, or 1 (no memory).
int setup_time_line(RSKCON* con);
// Gives every entry of the run's time line back to the free list.
void free_time_line(RSKCON* con);
// Reads the lagged values along the time line through `reader`. 0, or the failure.
int read_lag_values(RSKCON* con, const RSKLAGREADER* reader);
// Linear interpolation at x between (x0, y0) and (x1, y1); missing when a value is missing.
double rsklag_interpolate(double x, double x0, double y0, double x1, double y1);
// Index pair around x in the ascending points: an exact hit gives that index twice.
void rsklag_find_value_pos(const double* points, int count, double x, int* low, int* high);
