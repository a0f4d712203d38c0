// MAT_POWER and MAT_EXP run by compiled programs: exponentials against reference values of
// tests/reference/mat_exp_reference.py and closed forms, powers against repeated products,
// the identity cases, order changes between calls, refused shapes and memory failures.
#include <cmath>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "common/numeric/matrix_product.h"
#include "engine/run/run_block.h"
#include "host/pool.h"
#include "tests/engine/builtins_fixture.h"

namespace {

struct ExpCase {
    const char* name;
    int n;
    std::vector<double> a;
    double t;
    std::vector<double> expected;
};

// Rows printed by tests/reference/mat_exp_reference.py (60-digit expm, rounded to 17 digits).
const ExpCase kReference[] = {
    {"rating generator, t = 1", 3, {-0.1, 0.08, 0.02, 0.05, -0.15, 0.1, 0.0, 0.0, 0.0}, 1.0, {0.90661789628995455, 0.070654185435253134, 0.022727918274792314, 0.04415886589703321, 0.86245903039292135, 0.093382103710045451, 0.0, 0.0, 1.0}},
    {"rating generator, t = 5", 3, {-0.1, 0.08, 0.02, 0.05, -0.15, 0.1, 0.0, 0.0, 0.0}, 5.0, {0.63471006745993029, 0.21825446397655052, 0.14703546856351918, 0.13640903998534408, 0.49830102747458625, 0.36528993254006972, 0.0, 0.0, 1.0}},
    {"rotation", 2, {0.0, -1.0, 1.0, 0.0}, 0.7, {0.76484218728448845, -0.64421768723769102, 0.64421768723769102, 0.76484218728448845}},
    {"diagonal", 3, {1.5, 0.0, 0.0, 0.0, -2.0, 0.0, 0.0, 0.0, 0.25}, 2.0, {20.085536923187668, 0.0, 0.0, 0.0, 0.01831563888873418, 0.0, 0.0, 0.0, 1.6487212707001281}},
    {"nilpotent", 3, {0.0, 1.0, 2.0, 0.0, 0.0, 3.0, 0.0, 0.0, 0.0}, 1.5, {1.0, 1.5, 6.375, 0.0, 1.0, 4.5, 0.0, 0.0, 1.0}},
    {"(1 2 / 3 4) at t = 10", 2, {1.0, 2.0, 3.0, 4.0}, 10.0, {51251611092774709000000.0, 74695487322795299000000.0, 112043230984192950000000.0, 163294842076967660000000.0}},
    {"stiff generator", 3, {-1000.0, 999.0, 1.0, 500.0, -700.0, 200.0, 0.0, 0.0, 0.0}, 0.5, {0.000000000000000000000000000081413142840861984, 0.00000000000000000000000000014206522998925457, 1.0, 0.000000000000000000000000000071103718713340625, 0.00000000000000000000000000012407537406886636, 1.0, 0.0, 0.0, 1.0}},
};

std::string number_text(double x) {
    char text[40];
    std::snprintf(text, sizeof text, "%.17g", x);
    return text;
}

// A^p by p - 1 plain products (the identity for p = 0).
std::vector<double> repeated_product(const std::vector<double>& a, int n, int p) {
    std::vector<double> r(static_cast<size_t>(n * n), 0.0);
    for (int i = 0; i < n; ++i) r[static_cast<size_t>(i * n + i)] = 1.0;
    for (int k = 0; k < p; ++k) {
        std::vector<double> next(r.size(), 0.0);
        for (int i = 0; i < n; ++i)
            for (int j = 0; j < n; ++j)
                for (int m = 0; m < n; ++m)
                    next[static_cast<size_t>(i * n + j)] += r[static_cast<size_t>(i * n + m)] * a[static_cast<size_t>(m * n + j)];
        r = next;
    }
    return r;
}

}  // namespace

class MatrixBuiltinTest : public BuiltinCallTest {
protected:
    // Runs MAT_EXP(a, r, t) (t_text the argument as written) and answers the run's code.
    int run_exp(int n, const std::vector<double>& a, const std::string& t_text, cmp_instance** out) {
        std::vector<std::string> s = fill("a", n, a);
        s.push_back("array r[*, *];");
        s.push_back("call MAT_EXP(a, r, " + t_text + ");");
        *out = build(s);
        if (*out == nullptr) return -1;
        return cmpfrun(*out, 1);
    }
    double largest(const std::vector<double>& v) {
        double m = 0.0;
        for (double x : v) m = std::max(m, std::fabs(x));
        return m;
    }
};

TEST_F(MatrixBuiltinTest, ExponentialMatchesTheReferenceToItsLargestEntry) {
    for (const ExpCase& c : kReference) {
        SCOPED_TRACE(c.name);
        cmp_instance* instance = nullptr;
        ASSERT_EQ(run_exp(c.n, c.a, number_text(c.t), &instance), CMP_RUN_OK) << log();
        const double tolerance = 1e-10 * largest(c.expected);
        for (int i = 0; i < c.n; ++i)
            for (int j = 0; j < c.n; ++j)
                EXPECT_NEAR(element(instance, "R", i + 1, j + 1), c.expected[static_cast<size_t>(i * c.n + j)], tolerance)
                    << i << "," << j;
    }
}

TEST_F(MatrixBuiltinTest, TwoStateGeneratorMatchesItsClosedForm) {
    // Q = (-a a / b -b): exp(tQ) = (1/(a+b)) (b + a e, a - a e / b - b e, a + b e), e = exp(-(a+b)t).
    const double a = 0.2, b = 0.1, t = 2.5;
    const double e = std::exp(-(a + b) * t);
    const double expected[4] = {(b + a * e) / (a + b), (a - a * e) / (a + b), (b - b * e) / (a + b), (a + b * e) / (a + b)};
    EXPECT_NEAR(expected[0], 0.648244368494010, 1e-15);
    cmp_instance* instance = nullptr;
    ASSERT_EQ(run_exp(2, {-a, a, b, -b}, "2.5", &instance), CMP_RUN_OK) << log();
    for (int k = 0; k < 4; ++k) EXPECT_NEAR(element(instance, "R", k / 2 + 1, k % 2 + 1), expected[k], 1e-12 * std::fabs(expected[k])) << k;
}

TEST_F(MatrixBuiltinTest, NoTimeOrAZeroMatrixGivesTheIdentity) {
    const std::vector<double> q = {-0.2, 0.2, 0.1, -0.1};
    const struct {
        std::vector<double> a;
        const char* t;
    } rows[] = {{q, "0"}, {q, "."}, {q, "-3"}, {{0, 0, 0, 0}, "7"}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.t);
        cmp_instance* instance = nullptr;
        ASSERT_EQ(run_exp(2, row.a, row.t, &instance), CMP_RUN_OK) << log();
        for (int k = 0; k < 4; ++k) EXPECT_EQ(element(instance, "R", k / 2 + 1, k % 2 + 1), k % 3 == 0 ? 1.0 : 0.0) << k;
    }
}

TEST_F(MatrixBuiltinTest, PowerEqualsRepeatedProductsExactly) {
    const std::vector<double> a = {1, 2, 0, -1, 3, 1, 2, 0, 1};
    for (int p : {0, 1, 2, 3, 8}) {
        SCOPED_TRACE(p);
        std::vector<std::string> s = fill("a", 3, a);
        s.push_back("array r[*, *];");
        s.push_back("call MAT_POWER(a, r, " + std::to_string(p) + ");");
        cmp_instance* instance = build(s);
        ASSERT_NE(instance, nullptr) << log();
        ASSERT_EQ(cmpfrun(instance, 1), CMP_RUN_OK) << log();
        const std::vector<double> expected = repeated_product(a, 3, p);
        for (int k = 0; k < 9; ++k) EXPECT_EQ(element(instance, "R", k / 3 + 1, k % 3 + 1), expected[static_cast<size_t>(k)]) << k;
        // The method's own array is left as it was.
        EXPECT_EQ(element(instance, "A", 2, 1), -1.0);
    }
}

TEST_F(MatrixBuiltinTest, AnOrderChangeBetweenCallsResizesTheResult) {
    cmp_instance* instance = build({"array d[*, *];", "array r[*, *];", "call DYNAMIC_ARRAY(d, n, n);",
                                    "do i = 1 to n; do j = 1 to n; d[i, j] = i + 2 * j; end; end;",
                                    "call MAT_POWER(d, r, 3);"});
    ASSERT_NE(instance, nullptr) << log();
    for (int n : {2, 4, 3}) {
        SCOPED_TRACE(n);
        *number(instance, "N") = n;
        ASSERT_EQ(cmpfrun(instance, 1), CMP_RUN_OK) << log();
        std::vector<double> a;
        for (int i = 1; i <= n; ++i)
            for (int j = 1; j <= n; ++j) a.push_back(i + 2 * j);
        const std::vector<double> expected = repeated_product(a, n, 3);
        int rows = 0, columns = 0;
        cmpmtrxe(instance, symbol("R"), &rows, &columns);
        EXPECT_EQ(rows, n);
        EXPECT_EQ(columns, n);
        for (int k = 0; k < n * n; ++k) EXPECT_EQ(element(instance, "R", k / n + 1, k % n + 1), expected[static_cast<size_t>(k)]) << k;
    }
}

TEST_F(MatrixBuiltinTest, ANonSquareArrayFailsTheRunWithItsMessage) {
    cmp_instance* instance = build({"array d[*, *];", "array r[*, *];", "call DYNAMIC_ARRAY(d, 2, 3);",
                                    "do i = 1 to 2; do j = 1 to 3; d[i, j] = 1; end; end;", "call MAT_EXP(d, r, 1);"});
    ASSERT_NE(instance, nullptr) << log();
    EXPECT_EQ(cmpfrun(instance, 1), CMP_RUN_FAILED);
    EXPECT_EQ(count_of(log(), "670/3803"), 1) << log();
}

TEST_F(MatrixBuiltinTest, AMissingEntryLeavesTheResultMissing) {
    cmp_instance* instance = nullptr;
    ASSERT_EQ(run_exp(2, {1, 0, 0, 1}, "1", &instance), CMP_RUN_OK);
    std::vector<std::string> s = fill("a", 2, {1, 0, 0, 1});
    s.push_back("a[1, 2] = .;");
    s.push_back("array r[*, *];");
    s.push_back("call MAT_EXP(a, r, 1);");
    instance = build(s);
    ASSERT_NE(instance, nullptr);
    ASSERT_EQ(cmpfrun(instance, 1), CMP_RUN_OK) << log();
    for (int k = 0; k < 4; ++k) EXPECT_TRUE(qor::is_missing(element(instance, "R", k / 2 + 1, k % 2 + 1))) << k;
}

TEST_F(MatrixBuiltinTest, AScalingBeyondItsBoundIsRefused) {
    cmp_instance* instance = nullptr;
    EXPECT_EQ(run_exp(2, {1e300, 0, 0, 1e300}, "1e10", &instance), CMP_RUN_FAILED);
    EXPECT_NE(log().find("Cannot compute MAT_EXP function."), std::string::npos) << log();
}

TEST_F(MatrixBuiltinTest, OutOfMemoryFailsTheRunWithTheBufferLabel) {
    const struct {
        const char* call;
        const char* label;
        const char* bytes;
    } rows[] = {{"MAT_POWER", "matrix memory in MAT_POWER", "144 bytes"}, {"MAT_EXP", "matrix memory in MAT_EXP", "216 bytes"}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.call);
        std::vector<std::string> s = fill("a", 3, {1, 0, 0, 0, 1, 0, 0, 0, 1});
        s.push_back("array r[*, *];");
        s.push_back(std::string("call ") + row.call + "(a, r, 2);");
        cmp_instance* instance = build(s);
        ASSERT_NE(instance, nullptr) << log();
        std::memset(&con->run_block->builtins, 0, sizeof con->run_block->builtins);   // a new run reports again
        qor_pool_fail_nth(1);
        EXPECT_EQ(cmpfrun(instance, 1), CMP_RUN_FAILED);
        qor_pool_fail_nth(0);
        const std::string text = log();
        EXPECT_NE(text.find(row.label), std::string::npos) << text;
        EXPECT_NE(text.find(row.bytes), std::string::npos) << text;
        // The next run has its memory and computes.
        EXPECT_EQ(cmpfrun(instance, 1), CMP_RUN_OK) << log();
        const double diagonal = row.call[4] == 'P' ? 1.0 : std::exp(2.0);
        EXPECT_NEAR(element(instance, "R", 2, 2), diagonal, 1e-12 * diagonal);
    }
}

TEST(MatrixProduct, ProductAndScaledNorm) {
    const double a[6] = {1, 2, 3, 4, 5, 6};      // 2 x 3
    const double b[6] = {7, 8, 9, 10, 11, 12};   // 3 x 2
    double c[4];
    zmmult(2, 3, 2, a, b, c);
    EXPECT_EQ(c[0], 58.0);
    EXPECT_EQ(c[1], 64.0);
    EXPECT_EQ(c[2], 139.0);
    EXPECT_EQ(c[3], 154.0);
    const double x[6] = {3, 99, 4, 99, 0, 99};
    EXPECT_DOUBLE_EQ(zvenorm(3, x, 2), 5.0);
    const double big[2] = {3e200, 4e200};        // squares overflow without scaling
    EXPECT_DOUBLE_EQ(zvenorm(2, big, 1), 5e200);
    const double tiny[2] = {3e-200, 4e-200};     // and underflow
    EXPECT_DOUBLE_EQ(zvenorm(2, tiny, 1), 5e-200);
    EXPECT_EQ(zvenorm(0, x, 1), 0.0);
}

TEST_F(MatrixBuiltinTest, EachExecutionBlockComputesWithItsOwnRecordOnItsOwnThread) {
    // Four instances, each on a thread with its own t and order; every result matches its closed
    // form (the blocks' buffers are never shared).
    std::vector<std::string> s = {"array a[*, *];", "array r[*, *];", "call DYNAMIC_ARRAY(a, n, n);",
                                  "do i = 1 to n; do j = 1 to n; a[i, j] = 0; end; end;",
                                  "a[1, 1] = -0.2;", "a[1, 2] = 0.2;", "a[2, 1] = 0.1;", "a[2, 2] = -0.1;",
                                  "call MAT_EXP(a, r, t);"};
    constexpr int kBlocks = 4;
    ASSERT_NE(build(s, kBlocks), nullptr) << log();
    cmp_instance* instances[kBlocks];
    for (int b = 0; b < kBlocks; ++b) {
        instances[b] = cmpinsb(handle_.compilation.program, b);
        ASSERT_NE(instances[b], nullptr);
        *number(instances[b], "T") = 0.5 * (b + 1);
        *number(instances[b], "N") = 2 + b;   // the generator padded with zero rows and columns
    }
    int failures[kBlocks] = {};
    std::vector<std::thread> threads;
    for (int b = 0; b < kBlocks; ++b)
        threads.emplace_back([&, b] {
            for (int k = 0; k < 200; ++k)
                if (cmpfrun(instances[b], 1) != CMP_RUN_OK) ++failures[b];
        });
    for (std::thread& t : threads) t.join();
    for (int b = 0; b < kBlocks; ++b) {
        SCOPED_TRACE(b);
        EXPECT_EQ(failures[b], 0);
        const double t = 0.5 * (b + 1), e = std::exp(-0.3 * t);
        EXPECT_NEAR(element(instances[b], "R", 1, 1), (0.1 + 0.2 * e) / 0.3, 1e-12);
        EXPECT_NEAR(element(instances[b], "R", 2, 1), (0.1 - 0.1 * e) / 0.3, 1e-12);
        if (b > 0) {
            EXPECT_NEAR(element(instances[b], "R", 2 + b, 2 + b), 1.0, 1e-12);
        }
    }
}
