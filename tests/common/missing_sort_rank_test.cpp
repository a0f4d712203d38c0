// The sort rank PROC SORT gives numbers orders every pair of values as zdblcom does.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "common/containers/ordering.h"
#include "host/missing.h"
#include "runtime/procs/sort_records.h"

TEST(MissingSortRank, AgreesWithZdblcomOnEveryPair) {
    std::vector<double> values = {qor::make_missing(95), qor::missing(), qor::make_missing('A'),
                                  qor::make_missing('M'), qor::make_missing('Z'), std::nan(""),
                                  -std::numeric_limits<double>::infinity(), -1e308, -1, -1e-310, -0.0, 0.0,
                                  1e-310, 0.5, 1, 3, 1e308, std::numeric_limits<double>::infinity()};
    for (double a : values)
        for (double b : values) {
            uint64_t ra = qor::runtime::number_rank(a), rb = qor::runtime::number_rank(b);
            int by_rank = ra < rb ? -1 : (ra > rb ? 1 : 0);
            EXPECT_EQ(by_rank, zdblcom(a, b)) << a << " vs " << b;
        }
}
