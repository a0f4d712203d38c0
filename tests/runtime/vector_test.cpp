// Host vector services: inner products (plain and strided), sums, scaled additions, scaling.
#include <gtest/gtest.h>

#include <vector>

#include "host/vector.h"

TEST(VectorServices, ProductsAndSumsOverAllTailLengths) {
    // Integers keep every sum exact, so any grouping of the terms gives the closed form.
    for (int n = 0; n <= 19; ++n) {
        std::vector<double> x(n), y(n);
        double dot = 0;
        for (int i = 0; i < n; ++i) { x[i] = i + 1; y[i] = 2 * i - 5; dot += x[i] * y[i]; }
        EXPECT_EQ(zinner(x.data(), y.data(), n), dot) << n;
        EXPECT_EQ(zvsum(x.data(), n), n * (n + 1) / 2.0) << n;
        EXPECT_EQ(zvdots1(n, x.data(), 1, y.data(), 1), dot) << n;
    }
    EXPECT_EQ(zinner(nullptr, nullptr, -3), 0.0);
    double a[] = {1, 9, 2, 9, 3}, b[] = {4, 5, 6};
    EXPECT_EQ(zvdots1(3, a, 2, b, 1), 1 * 4 + 2 * 5 + 3 * 6.0);
}

TEST(VectorServices, ScaledAdditionAndScaling) {
    double x[] = {1, 2, 3}, y[] = {10, 20, 30}, z[3];
    zvxay11(3, x, 0.5, y, z);
    EXPECT_EQ(z[2], 18.0);
    zvaxpy(3, -2.0, x, y);
    EXPECT_EQ(y[0], 8.0);
    EXPECT_EQ(y[2], 24.0);
    zvscl11(3, -1.0, x);
    EXPECT_EQ(x[1], -2.0);
    zvxay11(3, x, 1.0, x, x);          // in place
    EXPECT_EQ(x[2], -6.0);
}
