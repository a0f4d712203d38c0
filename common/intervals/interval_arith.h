// Interval arithmetic over dates, datetimes and observation numbers: counting boundaries,
// advancing and aligning values, and the natural season of an interval.
#pragma once
#include "common/intervals/interval_spec.h"

// Boundaries of spec crossed going from `from` to `to` (negative backwards), or missing.
double zintck2(const interval_spec* spec, double from, double to);

// Start of the interval n intervals after (before, n < 0) the one containing start, or missing.
double zintnx2(const interval_spec* spec, double start, double n);

// As zintnx2, placed by the first character of alignment: 'E' the last day (second) of the
// target interval, 'M' its middle, 'S' the same offset as start (cut to the target's length),
// anything else (or a null text) its beginning.
double zintnx3(const interval_spec* spec, double start, double n, const char* alignment);

// Return codes of zintsea.
enum : int { SEASON_FOUND = 0, SEASON_NONE = 1, SEASON_NO_INTERVAL = 2 };

// Season interval of spec and the number of intervals per season (measured at date when the
// multiplier does not divide the season evenly). season and nseasons may not be null.
int zintsea(const interval_spec* spec, double date, interval_spec* season, int* nseasons);
