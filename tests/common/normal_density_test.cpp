// The standard normal density against 40-digit values (tests/reference/methods_distributions_reference.py)
// in the body and the far tails, where a plain exp(-x*x/2) loses digits to the rounding of x*x.
#include <gtest/gtest.h>

#include <cmath>

#include "common/distributions/normal.h"
#include "host/missing.h"

namespace {

TEST(NormalDensity, MatchesReferenceValuesInBothTails) {
    struct Row { double x, expected; };
    const Row rows[] = {
        {0.0, 0.3989422804014326779399460599343818684759},
        {1.3, 0.1713685920478073470702539563384591907894},
        {-8.25, 6.627137455968751535612295803915445356495e-16},
        {37.1, 5.215262198831984248618064973081300469869e-300},
        {-37.1, 5.215262198831984248618064973081300469869e-300},
    };
    for (const Row& r : rows) EXPECT_NEAR(zdnsnrm(r.x), r.expected, 1e-15 * r.expected) << r.x;
}

TEST(NormalDensity, EdgesAndMissingValues) {
    EXPECT_EQ(zdnsnrm(40.0), 0.0);   // below the smallest double
    EXPECT_EQ(zdnsnrm(-INFINITY), 0.0);
    double m = qor::make_missing('B');
    EXPECT_EQ(qor::missing_code(zdnsnrm(m)), 'B');   // a missing value passes through with its code
}

}  // namespace
