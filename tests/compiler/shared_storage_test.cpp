// Storage several execution blocks share: a matrix bound read-only to shared values (read in
// place unless the program may change it, then copied before any store, also when instances run
// on several threads at once), and the copy of one instance's data into another.
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "host/missing.h"
#include "tests/compiler/compiler_fixture.h"

namespace {

cmp_symbol* sym(Compiled& p, const char* name) { return cmpsyms(p.session, name, -1); }

TEST(SharedStorage, AReadOnlyBindingIsReadInPlaceOrCopiedBeforeAStore) {
    struct Case {
        const char* what;
        std::vector<std::string> statements;
        bool in_place;
        double sum;   // of the program's view after one run on shared values 1, 2, 3
    } cases[] = {
        {"read only", {"s = curve[1] + curve[2] + curve[3];"}, true, 6},
        {"element store", {"curve[2] = curve[2] * 2;", "s = curve[1] + curve[2] + curve[3];"}, false, 8},
        {"store under a condition never taken",
         {"if never then curve[1] = 0;", "s = curve[1] + curve[2] + curve[3];"}, false, 6},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Compiled p;
        cmp_symbol* curve = cmpmtrx(p.session, "curve", -1, 3, 0, nullptr, 0);
        ASSERT_NE(curve, nullptr);
        ASSERT_TRUE(p.build(c.statements, 2));
        std::vector<double> shared = {1, 2, 3};
        for (int b = 0; b < 2; ++b) {
            ASSERT_EQ(cmpmtrxr(p.instance(b), curve, shared.data()), 0);
            EXPECT_EQ(cmpmtrxa(p.instance(b), curve)[0] == shared.data(), c.in_place);
            ASSERT_EQ(p.run(b), 0);
            EXPECT_EQ(*p.num("s", b), c.sum);
        }
        EXPECT_EQ(shared, (std::vector<double>{1, 2, 3}));   // never changed by a store
        // Shared values changed by the engine: read at once in place, at the next binding in a copy.
        shared[0] = 10;
        ASSERT_EQ(p.run(0), 0);
        EXPECT_EQ(*p.num("s", 0), c.in_place ? 15 : (c.sum == 8 ? 1 + 8 + 3 : 6));
        ASSERT_EQ(cmpmtrxr(p.instance(0), curve, shared.data()), 0);
        ASSERT_EQ(p.run(0), 0);
        EXPECT_EQ(*p.num("s", 0), c.sum + 9);
        EXPECT_EQ(shared, (std::vector<double>{10, 2, 3}));
    }
}

TEST(SharedStorage, ReadOnlyBindingsOfNamedElementsAndBadCalls) {
    Compiled p;
    ASSERT_EQ(p.push({"array w[2] w1 w2;", "w1 = w1 + 1;", "t = w[1] + w[2];"}), 0);
    ASSERT_EQ(cmpa2m(p.session, sym(p, "w")), 0);
    cmp_symbol* fixed = cmpmtrx(p.session, "fixed", -1, 2, 0, nullptr, 0);
    ASSERT_TRUE(p.build({"u = fixed[1];"}));
    std::vector<double> shared = {5, 7};
    // An element name that is assigned changes the matrix: the binding copies.
    ASSERT_EQ(cmpmtrxr(p.instance(), sym(p, "w"), shared.data()), 0);
    EXPECT_NE(cmpmtrxa(p.instance(), sym(p, "w"))[0], shared.data());
    ASSERT_EQ(p.run(), 0);
    EXPECT_EQ(*p.num("t"), 13);
    EXPECT_EQ(shared, (std::vector<double>{5, 7}));
    EXPECT_EQ(cmpmtrxr(p.instance(), fixed, nullptr), 1);
    EXPECT_EQ(cmpmtrxr(p.instance(), sym(p, "t"), shared.data()), 1);   // not a matrix
    EXPECT_EQ(cmpmtrxr(nullptr, fixed, shared.data()), 1);
}

// Two instances of a program that changes its matrix, on two threads at once, both bound to
// the same shared values: each changes its own copy (the thread sanitizer sees no shared store).
TEST(SharedStorage, InstancesOnThreadsNeverStoreIntoSharedValues) {
    Compiled p;
    cmp_symbol* curve = cmpmtrx(p.session, "curve", -1, 4, 0, nullptr, 0);
    ASSERT_TRUE(p.build({"do i = 1 to 4; curve[i] = curve[i] + k; end;", "s = curve[1] + curve[4];"}, 2));
    const std::vector<double> shared = {1, 2, 3, 4};
    std::vector<double> sums(2);
    std::vector<std::thread> threads;
    for (int b = 0; b < 2; ++b) {
        *p.num("k", b) = b + 1;
        threads.emplace_back([&, b] {
            for (int round = 0; round < 1000; ++round) {
                if (cmpmtrxr(p.instance(b), curve, shared.data()) != 0 || p.run(b) != 0) return;
                sums[static_cast<size_t>(b)] = *p.num("s", b);
            }
        });
    }
    for (auto& t : threads) t.join();
    EXPECT_EQ(sums[0], 1 + 1 + 4 + 1);
    EXPECT_EQ(sums[1], 1 + 2 + 4 + 2);
    EXPECT_EQ(shared, (std::vector<double>{1, 2, 3, 4}));
}

TEST(SharedStorage, InstanceDataIsCopiedWithoutBindings) {
    Compiled p;
    ASSERT_EQ(cmpdyna(p.session), 0);
    double engine_a[2] = {1, 2}, engine_b[2] = {30, 40};
    cmp_symbol* bound = cmpmtrx(p.session, "bound", -1, 2, 0, engine_a, 0);
    ASSERT_NE(bound, nullptr);
    ASSERT_TRUE(p.build({"array d[*];", "length c $ 8;",
                         "if setup then do;", "x = 5;", "c = 'abc';", "call dynamic_array(d, 3);",
                         "d[1] = 1;", "d[2] = 4;", "d[3] = 9;", "end;",
                         "y = x + d[3] + bound[1];", "n = dim(d);"},
                        2));
    ASSERT_EQ(cmpmtrxb(p.instance(1), bound, engine_b), 0);   // block 1's own binding
    *p.num("setup", 0) = 1;
    ASSERT_EQ(p.run(0), 0);
    EXPECT_EQ(*p.num("y", 0), 5 + 9 + 1);

    ASSERT_EQ(cmpinsd(p.instance(1), p.instance(0)), 0);
    EXPECT_EQ(*p.num("x", 1), 5);
    EXPECT_EQ(p.text("c", 1), "abc");
    *p.num("setup", 1) = 0;
    ASSERT_EQ(p.run(1), 0);
    EXPECT_EQ(*p.num("y", 1), 5 + 9 + 30);   // the binding of block 1 stayed
    EXPECT_EQ(*p.num("n", 1), 3);
    // Block 1 reads its own copy of the dynamic array.
    double* const* d0 = cmpmtrxa(p.instance(0), sym(p, "d"));
    double* const* d1 = cmpmtrxa(p.instance(1), sym(p, "d"));
    EXPECT_NE(d0[0], d1[0]);
    *d0[2] = 100;
    ASSERT_EQ(p.run(1), 0);
    EXPECT_EQ(*p.num("y", 1), 5 + 9 + 30);
    // A second copy into storage of the same size allocates nothing: the addresses stay.
    ASSERT_EQ(cmpinsd(p.instance(1), p.instance(0)), 0);
    EXPECT_EQ(cmpmtrxa(p.instance(1), sym(p, "d"))[0], d1[0]);
    EXPECT_EQ(*cmpmtrxa(p.instance(1), sym(p, "d"))[2], 100);

    Compiled other;
    ASSERT_TRUE(other.build({"x = 1;"}));
    EXPECT_EQ(cmpinsd(p.instance(1), p.instance(1)), 1);
    EXPECT_EQ(cmpinsd(nullptr, p.instance(0)), 1);
    EXPECT_EQ(cmpinsd(other.instance(), p.instance(0)), 1);
}

}  // namespace
