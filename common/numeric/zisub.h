// Index of element (i, j) in packed symmetric storage (lower triangle, row by row, 0-based).
// Either argument order gives the same element.
#pragma once

inline int zisub(int i, int j) {
    int hi = i > j ? i : j;
    int lo = i > j ? j : i;
    return hi * (hi + 1) / 2 + lo;
}
