// Shared by the interval detection files: the tests that three values pass for a candidate
// interval, the reading of a series from an array or a data set, and the guess record.
#pragma once
#include "common/intervals/interval_detect.h"

// Three increasing values, as detection examines them.
struct interval_triple {
    double x[3];
};

// frac(v + 1e-9) at most 1e-6: v is a whole number up to rounding.
bool interval_nearly_whole(double v);
// Parse one of the fixed candidate names; false only if the name table is broken.
bool interval_named(const char* name, interval_spec* spec);
// zintnx2(spec, x, 0) == x for all three values.
bool interval_all_starts(const interval_spec* spec, const interval_triple* t);
// Same offset within unit A counted in sub-units B, below limit.
bool interval_same_offset(const interval_spec* a, const interval_spec* b, int limit,
                          const interval_triple* t);
// The month family may fit: same day in the month, last days, or the same distance before
// the next month. month and day are the month and day specs of the values' kind.
bool interval_month_test(const interval_spec* month, const interval_spec* day,
                         const interval_triple* t);
// Tries candidate c over base b with k base units per candidate unit: on acceptance c gets its
// multiplier and shift (and their text) and true is returned.
bool interval_candidate(interval_spec* c, const interval_spec* b, int k, const interval_triple* t);

// x is the start of a working day of the WEEKDAY spec (and a date, under kind 'd').
bool interval_on_working_day(const interval_spec* spec, double x);

// Fills guess (when given) from spec: season at x0 and the default format.
void interval_fill_guess(const interval_spec* spec, double x0, interval_guess* guess);
// The zeroed spec of "no interval": kind 'u', code 0, multiplier 1.
void interval_unknown(interval_spec* spec);

// The working-day candidates, tried in this order (date names; "DT" in front for datetimes).
extern const char* const kIntervalWorkdayNames[4];

// A series read value by value: an array, or a numeric variable of an open data set.
struct interval_source {
    int (*rewind)(interval_source* source);                 // 0 or INTERVAL_DS_READ_ERROR
    int (*next)(interval_source* source, double* value);    // 0, 1 at the end, or 106
    const double* values;
    int count;
    int position;
    qor_dataset* dataset;
    int varnum;
};
void interval_array_source(interval_source* source, const double* values, int count);
// A data set source; 0, or 104 / 105 when varnum is not a numeric variable of the data set.
int interval_dataset_source(interval_source* source, qor_dataset* dataset, int varnum);

// The check and the detection over a source (see zintdcv and zintdgv for the results).
int interval_check_source(interval_source* source, const interval_spec* spec, double* firstlast);
int interval_detect_source(interval_source* source, interval_spec* spec, interval_guess* guess);
