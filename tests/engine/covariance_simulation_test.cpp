// Covariance simulation's generator in a small harness: states against an independent Cholesky of
// the input matrix applied to the replayed normals, dependent factors, repair, pivoting, parts and
// the sample covariance of many draws; the value rules of historical and series states.
#include <cmath>
#include <cstring>
#include <vector>

#include "common/distributions/normal.h"
#include "engine/analyses/random_streams.h"
#include "engine/analyses/simulation_generators.h"
#include "engine/model/names/name_records.h"
#include "engine/model/variables/variable_record.h"
#include "host/missing.h"
#include "host/model.h"
#include "tests/engine/engine_fixture.h"

namespace {

using Matrix = std::vector<std::vector<double>>;

// Plain Cholesky of a positive definite matrix, for reference.
Matrix reference_cholesky(const Matrix& a) {
    const size_t n = a.size();
    Matrix l(n, std::vector<double>(n, 0.0));
    for (size_t i = 0; i < n; ++i)
        for (size_t j = 0; j <= i; ++j) {
            double s = a[i][j];
            for (size_t k = 0; k < j; ++k) s -= l[i][k] * l[j][k];
            l[i][j] = i == j ? std::sqrt(s) : s / l[j][j];
        }
    return l;
}

std::vector<double> packed(const Matrix& a) {
    std::vector<double> out;
    for (size_t i = 0; i < a.size(); ++i)
        for (size_t j = 0; j <= i; ++j) out.push_back(a[i][j]);
    return out;
}

// One state the generator handed over: its ids and the factors' values.
struct State {
    int32_t k, j, h;
    std::vector<double> values;
};

class CovarianceSimulation : public EngineTest {
protected:
    // A harness of n factors (additive unless listed in `multiplicative`), R replications and the
    // given horizons, over the packed matrix.
    void make(const Matrix& sigma, int32_t replications, std::vector<int32_t> horizons,
              std::vector<double> bases, std::vector<bool> multiplicative, bool pivot = false) {
        const int32_t n = static_cast<int32_t>(sigma.size());
        horizons_ = std::move(horizons);
        bases_ = std::move(bases);
        current_ = bases_;
        variables_.assign(static_cast<size_t>(n), RSKVARIABLE{});
        factors_.assign(static_cast<size_t>(n), RSKSIMFACTOR{});
        for (int32_t i = 0; i < n; ++i) {
            RSKVARIABLE& v = variables_[static_cast<size_t>(i)];
            const std::string name = "X" + std::to_string(i + 1);
            rskname(&con_, &v.name, name.c_str(), static_cast<int>(name.size()));
            v.value = &current_[static_cast<size_t>(i)];
            v.base_value = &bases_[static_cast<size_t>(i)];
            v.measurement_level = multiplicative[static_cast<size_t>(i)] ? 1 : 2;
            factors_[static_cast<size_t>(i)].variable = &v;
        }
        triangle_ = packed(sigma);
        copy_.assign(triangle_.size(), 0.0);
        flags_.assign(static_cast<size_t>(n), 0);
        pivots_.assign(static_cast<size_t>(n), 0);
        work_vector_.assign(static_cast<size_t>(n) * (2 * horizons_.size() + 1), 0.0);
        counters_.assign(horizons_.size(), 0);

        cov_ = RSKCOVSIM{};
        RSKSIMGEN& g = cov_.gen;
        g.factors = factors_.data();
        g.factor_count = n;
        g.adjust_mode = RSKADJUST_MISSING;
        g.scale = 1.0;
        g.cases = 1;
        g.horizon_count = static_cast<int32_t>(horizons_.size());
        g.horizons = horizons_.data();
        g.adjusted = counters_.data();
        g.part = g.parts = 1;
        cov_.matrix = triangle_.data();
        cov_.copy = copy_.data();
        cov_.flags = flags_.data();
        cov_.pivots = pivot ? pivots_.data() : nullptr;
        cov_.work = work_vector_.data();
        cov_.work_count = work_vector_.size();
        cov_.generator_code = RSKRAN_TWISTER;
        cov_.seed = 4711;

        rskname(&con_, &analysis_.name, "MC", 2);
        work_ = RSKSIMWORK{};
        work_.replications = replications;
        work_.horizon_count = g.horizon_count;
        work_.horizons = horizons_.data();
        work_.part_first = 0;
        work_.part_step = 1;
        work_.part_count = replications;
        work_.generator = &cov_;
        run_ = RSKANLPROC{};
        run_.analysis = &analysis_;
        run_.work = &work_;
    }

    int factorise() {
        RSKNAMEREC source = name_of("COV");
        return rsacsm_factor(&con_, &cov_, 0, &source, &analysis_.name.name);
    }

    static int capture(RSKCON*, RSKANLPROC*, int32_t k, int32_t r, int32_t h) {
        states_.push_back(State{k, r, h, *live_});
        return 0;
    }

    int generate() {
        states_.clear();
        live_ = &current_;
        return rsacsmg(&con_, &run_, &capture, 0);
    }

    // The standard normals the Twister of `seed` gives, in draw order.
    static std::vector<double> normals(int32_t seed, size_t count) {
        random_stream* s = zrndalo(static_cast<uint32_t>(seed));
        std::vector<double> z(count);
        for (double& x : z) x = zprobit(rnd_uniform(s->state));
        zrndfre(s);
        return z;
    }

    RSKANALYSIS analysis_{};
    RSKANLPROC run_{};
    RSKSIMWORK work_{};
    RSKCOVSIM cov_{};
    std::vector<int32_t> horizons_;
    std::vector<double> bases_, current_, triangle_, copy_, work_vector_;
    std::vector<RSKVARIABLE> variables_;
    std::vector<RSKSIMFACTOR> factors_;
    std::vector<uint8_t> flags_;
    std::vector<int32_t> pivots_, counters_;

    static inline std::vector<State> states_;
    static inline std::vector<double>* live_ = nullptr;
};

TEST_F(CovarianceSimulation, StatesFollowTheReferenceCholeskyPathInEveryPart) {
    const Matrix sigma = {{0.04, 0.006, 0.01}, {0.006, 0.09, 0.02}, {0.01, 0.02, 0.16}};
    const Matrix l = reference_cholesky(sigma);
    constexpr int32_t kReplications = 5;
    const std::vector<int32_t> horizons = {1, 3};
    const std::vector<double> z = normals(4711, 3 * 2 * kReplications);

    struct Part {
        int32_t first, count;
    };
    for (const Part& part : {Part{0, kReplications}, Part{1, 2}, Part{3, 2}}) {
        SCOPED_TRACE(part.first);
        make(sigma, kReplications, horizons, {1.0, 2.0, 100.0}, {false, false, true});
        ASSERT_EQ(factorise(), 0) << log();
        EXPECT_EQ(cov_.rank, 3);
        work_.part_first = part.first;
        work_.part_count = part.count;
        ASSERT_EQ(generate(), 0) << log();
        ASSERT_EQ(states_.size(), static_cast<size_t>(part.count) * 2);
        size_t at = 0;
        for (int32_t j = part.first; j < part.first + part.count; ++j) {
            std::vector<double> v = {1.0, 2.0, 100.0};
            for (int32_t h = 0; h < 2; ++h) {
                const double step = std::sqrt(horizons[static_cast<size_t>(h)] - (h > 0 ? horizons[0] : 0));
                const double* zh = &z[static_cast<size_t>(j * 6 + h * 3)];
                for (size_t i = 0; i < 3; ++i) {
                    double x = 0;
                    for (size_t m = 0; m <= i; ++m) x += l[i][m] * zh[m];
                    x *= step;
                    v[i] = i < 2 ? v[i] + x : v[i] * std::pow(2.71828182846, x);
                }
                const State& s = states_[at++];
                EXPECT_EQ(s.j, j);
                EXPECT_EQ(s.h, h);
                for (size_t i = 0; i < 3; ++i) EXPECT_NEAR(s.values[i], v[i], 1e-12 * std::fabs(v[i]) + 1e-14);
            }
        }
    }
}

TEST_F(CovarianceSimulation, IdenticalRowsGiveADependentFactorThatMovesWithItsTwin) {
    const Matrix sigma = {{1, 1, 0}, {1, 1, 0}, {0, 0, 4}};
    make(sigma, 3, {1}, {0, 0, 0}, {false, false, false});
    ASSERT_EQ(factorise(), 0);
    EXPECT_EQ(cov_.rank, 2);
    EXPECT_EQ(flags_, (std::vector<uint8_t>{0, 1, 0}));
    EXPECT_NE(log().find("2645"), std::string::npos) << log();
    ASSERT_EQ(generate(), 0);
    const std::vector<double> z = normals(4711, 2 * 3);   // rank 2 normals per replication
    for (const State& s : states_) {
        EXPECT_EQ(s.values[1], s.values[0]);
        EXPECT_NEAR(s.values[0], z[static_cast<size_t>(s.j * 2)], 1e-14);
        EXPECT_NEAR(s.values[2], 2 * z[static_cast<size_t>(s.j * 2 + 1)], 1e-14);
    }
}

TEST_F(CovarianceSimulation, AMatrixThatIsNotSemidefiniteIsRepairedOnce) {
    make({{1, 2}, {2, 1}}, 2, {1}, {0, 0}, {false, false});
    ASSERT_EQ(factorise(), 0) << log();
    EXPECT_NE(log().find("2649"), std::string::npos);
    EXPECT_GE(cov_.rank, 1);
    // The factor reproduces a semidefinite matrix: L L' has a non-negative determinant.
    const double l00 = triangle_[0], l10 = triangle_[1], l11 = triangle_[2];
    const double a00 = l00 * l00, a10 = l10 * l00, a11 = l10 * l10 + l11 * l11;
    EXPECT_GE(a00 * a11 - a10 * a10, -1e-12);
    EXPECT_GT(a00, 0);
}

TEST_F(CovarianceSimulation, PivotingFactorReproducesThePermutedMatrixAndCountsDeficientPivots) {
    // A = B B' of rank 3 in 4 dimensions.
    const Matrix b = {{1, 0, 0}, {0.5, 2, 0}, {1, 1, 1}, {1.5, 2, 0}};
    Matrix a(4, std::vector<double>(4, 0));
    for (size_t i = 0; i < 4; ++i)
        for (size_t j = 0; j < 4; ++j)
            for (size_t k = 0; k < 3; ++k) a[i][j] += b[i][k] * b[j][k];
    std::vector<double> l = packed(a);
    int pivots[4];
    EXPECT_EQ(modcholp(4, 1e-8, pivots, l.data()), 1);
    EXPECT_EQ(pivots[0], 3);                     // the largest diagonal (6.25) comes first
    auto at = [&](int i, int j) { return l[static_cast<size_t>(i * (i + 1) / 2 + j)]; };
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j <= i; ++j) {
            double s = 0;
            for (int k = 0; k <= j && k < 3; ++k) s += at(i, k) * at(j, k);
            EXPECT_NEAR(s, a[static_cast<size_t>(pivots[i])][static_cast<size_t>(pivots[j])], 1e-12);
        }

    make(a, 2, {1}, {0, 0, 0, 0}, {false, false, false, false}, true);
    ASSERT_EQ(factorise(), 0) << log();
    EXPECT_EQ(cov_.rank, 3);
    EXPECT_EQ(flags_, (std::vector<uint8_t>{0, 0, 0, 1}));
}

TEST_F(CovarianceSimulation, SampleCovarianceOfManyDrawsMatchesTheMatrix) {
    const Matrix sigma = {{0.04, 0.006, -0.01}, {0.006, 0.09, 0.02}, {-0.01, 0.02, 0.16}};
    constexpr int32_t kDraws = 100000;
    make(sigma, kDraws, {1}, {0, 0, 0}, {false, false, false});
    ASSERT_EQ(factorise(), 0);
    ASSERT_EQ(generate(), 0);
    ASSERT_EQ(states_.size(), static_cast<size_t>(kDraws));
    double mean[3] = {}, cross[3][3] = {};
    for (const State& s : states_)
        for (size_t i = 0; i < 3; ++i) {
            mean[i] += s.values[i] / kDraws;
            for (size_t j = 0; j < 3; ++j) cross[i][j] += s.values[i] * s.values[j] / kDraws;
        }
    for (size_t i = 0; i < 3; ++i)
        for (size_t j = 0; j < 3; ++j) {
            const double sample = cross[i][j] - mean[i] * mean[j];
            // Four standard errors of a normal sample covariance.
            const double error = std::sqrt((sigma[i][i] * sigma[j][j] + sigma[i][j] * sigma[i][j]) / kDraws);
            EXPECT_NEAR(sample, sigma[i][j], 4 * error) << i << "," << j;
        }
}

TEST_F(CovarianceSimulation, ValuesThatCannotBeComputedAreMissingOrKeepTheBaseAndAreReported) {
    make({{1}}, 4, {1, 2}, {1e200}, {true});
    ASSERT_EQ(factorise(), 0);
    cov_.gen.scale = 200;                        // e^(200 z) overflows v for most draws
    ASSERT_EQ(generate(), 0);
    int missing = 0;
    for (const State& s : states_) missing += qor::is_missing(s.values[0]) ? 1 : 0;
    EXPECT_GT(missing, 0);

    make({{1}}, 4, {1, 2}, {1e200}, {true});
    ASSERT_EQ(factorise(), 0);
    cov_.gen.scale = 200;
    cov_.gen.adjust_mode = RSKADJUST_BASE;
    ASSERT_EQ(generate(), 0);
    int kept = 0;
    for (const State& s : states_) kept += s.values[0] == 1e200 ? 1 : 0;
    EXPECT_GT(kept, 0);
    EXPECT_EQ(counters_[0] + counters_[1], kept);
    const std::string text = log();
    for (const char* id : {"2660", "8100", "8101", "8104", "8105"}) EXPECT_NE(text.find(id), std::string::npos) << id;
    EXPECT_EQ(text.find("8106"), std::string::npos);
}

TEST(SimulationValueRules, PartsShareTheReplicationsContiguously) {
    RSKSIMWORK work{};
    work.replications = 10;
    RSKSIMGEN gen{};
    gen.parts = 4;
    const int32_t firsts[] = {0, 2, 5, 7}, counts[] = {2, 3, 2, 3};
    for (int32_t p = 1; p <= 4; ++p) {
        gen.part = p;
        rsacsm_parts(&work, gen);
        EXPECT_EQ(work.part_first, firsts[p - 1]);
        EXPECT_EQ(work.part_count, counts[p - 1]);
        EXPECT_EQ(work.part_step, 1);
    }
}

TEST(SimulationValueRules, ShocksHistoryAndSeriesValues) {
    const double m = qor::missing();
    double out = 0;
    // Covariance shocks: additive, multiplicative by 2.71828182846^x, missing stays, overflow fails.
    EXPECT_TRUE(rsacsm_apply(5, 0.5, true, &out));
    EXPECT_EQ(out, 5.5);
    EXPECT_TRUE(rsacsm_apply(5, 0.5, false, &out));
    EXPECT_NEAR(out, 5 * std::pow(2.71828182846, 0.5), 1e-13);
    EXPECT_TRUE(rsacsm_apply(m, 0.5, false, &out));
    EXPECT_TRUE(qor::is_missing(out));
    EXPECT_FALSE(rsacsm_apply(5, m, true, &out));
    EXPECT_FALSE(rsacsm_apply(1e154, 2, false, &out));

    struct History {
        double b, x0, x1;
        bool additive;
        double s;
        int32_t mode;
        int kept;
        double expected;
    };
    for (const History& c : {History{100, 50, 100, false, 1, 0, 0, 200},        // doubling: 2b
                             History{100, 50, 100, true, 1, 0, 0, 150},         // b + x1 - x0
                             History{100, 50, 100, false, 0.5, 0, 0, 100 * std::sqrt(2.0)},
                             History{100, 50, 100, true, 0.5, 0, 0, 125},
                             History{100, 0, 100, false, 1, 0, 1, m},           // zero observation
                             History{100, 0, 100, false, 1, 1, 1, 100},
                             History{100, 50, m, true, 1, 1, 1, 100},
                             History{m, 50, 100, false, 1, 1, 0, m}}) {
        EXPECT_EQ(rsahsm_value(c.b, c.x0, c.x1, c.additive, c.s, c.mode, &out), c.kept);
        if (qor::is_missing(c.expected)) EXPECT_TRUE(qor::is_missing(out));
        else EXPECT_NEAR(out, c.expected, 1e-12);
    }
    EXPECT_EQ(rsahsm_windows(250, 10, true), 240);
    EXPECT_EQ(rsahsm_windows(250, 10, false), 24);
    EXPECT_EQ(rsahsm_windows(10, 10, true), 0);

    struct Series {
        double b, c;
        bool changes, additive;
        double s;
        int32_t mode;
        int kept;
        double expected;
    };
    for (const Series& c : {Series{100, 0.1, true, true, 1, 0, 0, 100.1},      // b + c
                            Series{100, 0.1, true, false, 1, 0, 0, 110},       // b (1 + c)
                            Series{100, 0.1, true, false, 0.5, 0, 0, 100 * std::sqrt(1.1)},
                            Series{100, 130, false, false, 1, 0, 0, 130},      // levels taken as they stand
                            Series{100, 130, false, true, 0.5, 0, 0, 115},     // b + (c - b) s
                            Series{100, 121, false, false, 0.5, 0, 0, 110},    // b (c / b)^s
                            Series{100, -2, true, false, 1, 0, 1, m},          // 1 + c below zero
                            Series{100, -2, true, false, 1, 1, 1, 100},
                            Series{100, m, false, false, 1, 1, 1, 100}}) {
        EXPECT_EQ(rsassm_value(c.b, c.c, c.changes, c.additive, c.s, c.mode, &out), c.kept);
        if (qor::is_missing(c.expected)) EXPECT_TRUE(qor::is_missing(out));
        else EXPECT_NEAR(out, c.expected, 1e-12);
    }
}

}  // namespace
