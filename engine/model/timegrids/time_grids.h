// Time grids: named sets of time points kept in ascending order of their time in years, and the
// unit conversion (rsktime) that variables use for maturities too.
#pragma once
#include <cstdint>
#include "engine/tables/catalog_records.h"
#include "engine/tables/control_structure.h"

// Time-unit codes of the time-unit registry.
enum : uint32_t {
    RSKUNIT_UNKNOWN = 0,
    RSKUNIT_DAY = 1,
    RSKUNIT_WEEK = 2,
    RSKUNIT_MONTH = 3,
    RSKUNIT_YEAR = 4,
    RSKUNIT_HOUR = 5,
};

// One point of a grid: the value as given, its unit, and the value in years.
struct RSKTIMEPOINT {
    RSKTIMEPOINT* next;
    double value;
    uint32_t unit;
    double time;
};

struct RSKTIMEGRID {
    RSKTIMEGRID* next;               // free-list link
    RSKOBJNAME name;
    RSKTIMEPOINT* head;              // ascending by time; equal times in order of addition
    RSKTIMEPOINT* tail;
    uint32_t count;
    uint32_t times_allocated;        // doubles in `times` (count + 1 when built), for the sized free
    double* times;                   // 0, then each point's time; built by rsktgde
};

// The time grid object (catalog object of kind 18) of that name, or null.
RSKCATOBJ* rsktgd(RSKCON* con, const RSKNAMEREC* name);
// The value converted to years; when `point` is given, value, unit and time are stored in it.
double rsktime(RSKCON* con, RSKTIMEPOINT* point, double value, uint32_t unit);
// Defines or redefines a grid. Without `object`, the object is found or created through catalog
// storage with `catalog_argument` (1 when that fails). A grid already on the object is emptied
// and renamed. *out receives the object. 0, or 1 (no memory or a catalog refusal).
int rsktgdd(RSKCON* con, RSKCATOBJ** out, const RSKNAMEREC* name, const RSKNAMEREC* catalog_argument,
            RSKCATOBJ* object);
// Adds a point in time order (a negative value is reported with 598/1190 and kept). 0 or 1.
int rsktgda(RSKCON* con, RSKTIMEGRID* grid, double value, uint32_t unit);
// Builds the times array (count + 1 doubles). 0, or 1 when out of memory.
int rsktgde(RSKCON* con, RSKTIMEGRID* grid);
// Empties the grid: frees the times array and gives the points back to their free list. 0.
int rsktgdc(RSKCON* con, RSKTIMEGRID* grid);
// Empties the grid and gives its record back to the free list. 0.
int rsktgdf(RSKCON* con, RSKTIMEGRID* grid);
// Prints the grid: name, number of points, one line per point. 0.
int rsktgdp(RSKCON* con, const RSKTIMEGRID* grid);
