// Checking a series of values against an interval: contiguous, with gaps, or inconsistent.
#pragma once
#include "common/intervals/interval_spec.h"

// Result codes of the interval checks.
enum : int {
    INTERVAL_CHECK_CONTIGUOUS = 0,    // every value one interval after the previous
    INTERVAL_CHECK_GAPS = 1,          // some values more than one interval apart
    INTERVAL_CHECK_INCONSISTENT = 2,  // two values in one interval, or a non-working day
    INTERVAL_CHECK_MISSING = 10,
    INTERVAL_CHECK_DESCENDING = 20,
    INTERVAL_CHECK_DUPLICATE = 21,
    INTERVAL_CHECK_NULL = 1001
};

// Check count values (in their order) against spec.
int zintdcv(const double* values, int count, const interval_spec* spec);
