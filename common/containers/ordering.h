// Ordering of doubles with the host's missing values, and a quicksort over an index range
// that reaches the data only through the caller's compare and swap routines.
#pragma once

// Rank of a value among missing values: '._' first, then '.', then '.A' to '.Z'.
// Only meaningful for missing values; any NaN that is not a host missing value ranks as '.'.
int zmissrank(double x);
// True for every NaN (host missing values and any other NaN).
bool zismiss(double x);

// -1, 0 or +1: missing values before numbers, missing values by rank, numbers exactly.
int zdblcom(double a, double b);

using zqsort_compare = int (*)(void* context, int i, int j);
using zqsort_swap = void (*)(void* context, int i, int j);

// Sorts the indices first..last in place; nothing happens when last <= first.
void zqsort(void* context, int first, int last, zqsort_compare compare, zqsort_swap swap);
