// Exact ordering of doubles with missing values (zdblcom) and the index-range quicksort (zqsort).
// The quicksort recurses on the smaller part only, so adversarial input cannot exhaust the stack.
#include "common/containers/ordering.h"

#include <cmath>

#include "host/missing.h"

bool zismiss(double x) { return std::isnan(x); }

int zmissrank(double x) {
    int code = qor::is_missing(x) ? qor::missing_code(x) : 0;
    return code == 95 ? -1 : code;
}

int zdblcom(double a, double b) {
    bool ma = zismiss(a), mb = zismiss(b);
    if (ma || mb) {
        if (!mb) return -1;
        if (!ma) return 1;
        int ra = zmissrank(a), rb = zmissrank(b);
        return ra < rb ? -1 : (ra > rb ? 1 : 0);
    }
    return a < b ? -1 : (a > b ? 1 : 0);
}

// One Hoare partition around the middle element; the pivot index follows its value on swaps.
static int partition(void* context, int first, int last, zqsort_compare compare, zqsort_swap swap) {
    int pivot = first + (last - first) / 2;
    int i = first - 1;
    int j = last + 1;
    for (;;) {
        do { ++i; } while (compare(context, i, pivot) < 0);
        do { --j; } while (compare(context, j, pivot) > 0);
        if (i >= j) return j;
        swap(context, i, j);
        if (pivot == i) pivot = j;
        else if (pivot == j) pivot = i;
    }
}

void zqsort(void* context, int first, int last, zqsort_compare compare, zqsort_swap swap) {
    while (last > first) {
        int j = partition(context, first, last, compare, swap);
        if (j - first < last - j - 1) {
            zqsort(context, first, j, compare, swap);
            first = j + 1;
        } else {
            zqsort(context, j + 1, last, compare, swap);
            last = j;
        }
    }
}
