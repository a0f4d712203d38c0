// Statistics of simulation cells: moments and quantiles of known samples under each quantile
// definition, value at risk and expected shortfall, bounds, bootstrap and kernel density.
// Reference values: tests/reference/simulation_reference.py and hand computation.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "common/statistics/bootstrap.h"
#include "common/statistics/tail_index.h"
#include "engine/analyses/simulation_run.h"
#include "engine/run/run_block.h"
#include "host/missing.h"
#include "tests/engine/environment_objects_fixture.h"

namespace {

using qor::is_missing;

struct Options {
    double alpha = 0.125;
    int vardef = 1;
    int pctldef = 1;
    const char* name = "P/L";
    int kind = 0;
    int nboot = 0;
    int seed = 4711;
    bool density = false;
    bool evt = false;
};

// A deterministic standard normal sample (Box-Muller over a 64-bit congruential generator).
std::vector<double> normal_sample(int n, uint64_t seed) {
    std::vector<double> out;
    auto uniform = [&seed] {
        seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
        return (static_cast<double>(seed >> 11) + 0.5) / 9007199254740992.0;
    };
    while (static_cast<int>(out.size()) < n) {
        const double r = std::sqrt(-2.0 * std::log(uniform())), a = 2.0 * M_PI * uniform();
        out.push_back(r * std::cos(a));
        if (static_cast<int>(out.size()) < n) out.push_back(r * std::sin(a));
    }
    return out;
}

class SimulationStatistics : public EnvironmentObjects {
protected:
    void SetUp() override {
        EnvironmentObjects::SetUp();
        if (HasFatalFailure()) return;
        run_ = std::make_unique<RSKRUNBLOCK>();
        std::memset(static_cast<void*>(run_.get()), 0, sizeof *run_);
        con->run_block = run_.get();
        con->run_pool = xmpoolc(65536, 65536, 0);
        std::memset(static_cast<void*>(&analysis_), 0, sizeof analysis_);
        call<EngineSlot::rskname>()(con, &analysis_.name, "SIM1", -1);
    }
    void TearDown() override {
        if (con != nullptr && con->run_block != nullptr) {
            if (work_.boot != nullptr) free_boot_strap(con, &work_);
            con->run_block = nullptr;
            xmpoold(con->run_pool);
            con->run_pool = nullptr;
        }
        EnvironmentObjects::TearDown();
    }

    // A work area of one cell block holding `values` (one per replication).
    void prepare(const std::vector<double>& values, const Options& o = Options()) {
        std::memset(static_cast<void*>(&work_), 0, sizeof work_);
        std::memset(static_cast<void*>(&outv_), 0, sizeof outv_);
        const int n = static_cast<int>(values.size());
        work_.analysis = &analysis_;
        work_.replications = n;
        work_.horizon_count = work_.var_types = work_.outv_count = 1;
        work_.alpha = o.alpha;
        work_.vardef = o.vardef;
        work_.pctldef = o.pctldef;
        work_.seed = o.seed;
        work_.nboot = o.nboot;
        work_.kernel = 1;
        work_.bandwidth = 1.0;
        work_.evt_stats = o.evt;
        work_.density_on = o.density;
        work_.density_points = o.density ? 32 : 0;
        work_.statistics_pass = 1;
        outv_.name.name = RSKNAMEREC{32, static_cast<uint16_t>(std::strlen(o.name)), outv_.name.buffer};
        std::memcpy(outv_.name.buffer, o.name, std::strlen(o.name));
        outv_.is_pl = std::strcmp(o.name, "P/L") == 0;
        outv_.is_exposure = std::strcmp(o.name, "Exposure") == 0;
        outv_.kind = o.kind;
        work_.outv = &outv_;
        work_.current = &outv_;
        sorted_.assign(values.size() + 1, 0.0);
        resample_.assign(values.size() + 1, 0.0);
        fold_.assign(2 * values.size() + 2, 0.0);
        scratch_.assign(6 * 32, 0.0);
        work_.sorted = sorted_.data();
        work_.resample = resample_.data();
        work_.fold_values = fold_.data();
        work_.density_scratch = scratch_.data();
        work_.block_bytes = static_cast<int64_t>(sizeof(RSKSIMSTATS)) + (o.density ? (3 * 32 + 1) * 8 : 0) + 8 * n;
        // One extra byte in front: the block sits at an odd offset, as cells of the aggregation may.
        block_storage_.assign(static_cast<size_t>(work_.block_bytes) + 1, 0);
        block_ = block_storage_.data() + 1;
        for (int r = 0; r < n; ++r) rsasim_set(rsasim_values(&work_, block_), r, values[r]);
    }

    RSKSIMSTATS compute() {
        EXPECT_EQ(get_simulation_results(con, &work_, block_), 0);
        RSKSIMSTATS s;
        rsasim_get_stats(block_, &s);
        return s;
    }

    std::unique_ptr<RSKRUNBLOCK> run_;
    RSKANALYSIS analysis_{};
    RSKSIMWORK work_{};
    RSKSIMOUTV outv_{};
    std::vector<double> sorted_, resample_, fold_, scratch_;
    std::vector<uint8_t> block_storage_;
    uint8_t* block_ = nullptr;
};

std::vector<double> minus_ten_to_nine() {
    std::vector<double> v;
    for (int i = 9; i >= -10; --i) v.push_back(i);   // descending: the statistics sort them
    return v;
}

TEST_F(SimulationStatistics, ValueAtRiskUnderEachQuantileDefinition) {
    struct Case {
        int pctldef;
        double var, es, median;
    };
    const Case cases[] = {{1, 8.5, 9.5, -1}, {2, 9, 10, -1}, {3, 8, 9.5, -1}, {4, 8.375, 9.5, -0.5}, {5, 8, 9.5, -0.5}};
    for (const Case& c : cases) {
        Options o;
        o.pctldef = c.pctldef;
        prepare(minus_ten_to_nine(), o);
        const RSKSIMSTATS s = compute();
        SCOPED_TRACE(c.pctldef);
        EXPECT_EQ(s.total, 20);
        EXPECT_EQ(s.valid, 20);
        EXPECT_DOUBLE_EQ(s.var, c.var);
        EXPECT_DOUBLE_EQ(s.es, c.es);
        EXPECT_DOUBLE_EQ(s.median, c.median);
        EXPECT_DOUBLE_EQ(s.minimum, -10);
        EXPECT_DOUBLE_EQ(s.maximum, 9);
        EXPECT_DOUBLE_EQ(s.quantiles[0], -10);
        EXPECT_DOUBLE_EQ(s.quantiles[20], 9);
        // Distribution-free bounds enclose the loss, the larger one first.
        ASSERT_FALSE(is_missing(s.var_l));
        ASSERT_FALSE(is_missing(s.var_u));
        EXPECT_GE(s.var_l, s.var);
        EXPECT_LE(s.var_u, s.var);
    }
}

TEST_F(SimulationStatistics, MomentsUnderBothVarianceDivisors) {
    prepare(minus_ten_to_nine());
    RSKSIMSTATS s = compute();
    EXPECT_DOUBLE_EQ(s.mean, -0.5);
    EXPECT_NEAR(s.std, 5.766281297335398, 1e-12);
    EXPECT_EQ(s.skewness, 0.0);
    EXPECT_NEAR(s.kurtosis, -1.206015037593985, 1e-12);
    Options o;
    o.vardef = 2;
    prepare(minus_ten_to_nine(), o);
    s = compute();
    EXPECT_NEAR(s.std, 5.916079783099616, 1e-12);
    EXPECT_NEAR(s.kurtosis, -1.2, 1e-12);
}

// A spread far below the mean keeps its digits: the deviations are summed about the mean.
TEST_F(SimulationStatistics, NarrowSpreadFarFromZeroKeepsItsDeviation) {
    std::vector<double> v;
    for (int i = 0; i < 10; ++i) v.push_back(1e8 + i * 1e-3);
    prepare(v);
    const RSKSIMSTATS s = compute();
    EXPECT_NEAR(s.std, 0.002872280918614294, 1e-9);
    EXPECT_FALSE(is_missing(s.skewness));
}

TEST_F(SimulationStatistics, SmallAndConstantSamples) {
    prepare({3, 1});
    RSKSIMSTATS s = compute();
    EXPECT_EQ(s.minimum, 1);
    EXPECT_EQ(s.maximum, 3);
    EXPECT_EQ(s.median, 2);
    EXPECT_TRUE(is_missing(s.var));
    EXPECT_TRUE(is_missing(s.quantiles[10]));

    prepare({7});
    s = compute();
    EXPECT_EQ(s.mean, 7);
    EXPECT_EQ(s.minimum, 7);
    EXPECT_EQ(s.median, 7);
    EXPECT_TRUE(is_missing(s.std));

    prepare({1, 2, 4, 8});
    s = compute();
    EXPECT_DOUBLE_EQ(s.mean, 3.75);
    EXPECT_TRUE(is_missing(s.skewness));
    EXPECT_TRUE(is_missing(s.kurtosis));

    prepare(std::vector<double>(12, 0.1));
    s = compute();
    EXPECT_EQ(s.mean, 0.1);
    EXPECT_EQ(s.std, 0.0);
    EXPECT_TRUE(is_missing(s.skewness));
    EXPECT_TRUE(is_missing(s.kurtosis));

    // Missing replications are not counted as values.
    prepare({qor::missing(), 4, qor::missing(), 2, 6});
    s = compute();
    EXPECT_EQ(s.total, 5);
    EXPECT_EQ(s.valid, 3);
    EXPECT_EQ(s.mean, 4);

    prepare({qor::missing(), qor::missing()});
    s = compute();
    EXPECT_EQ(s.valid, 0);
    EXPECT_TRUE(is_missing(s.mean));
    EXPECT_NE(log().find("598/2680"), std::string::npos) << log();
}

TEST_F(SimulationStatistics, TooFewValuesForTheLevelAreReportedOnce) {
    std::vector<double> v;
    for (int i = 0; i < 19; ++i) v.push_back(i);
    Options o;
    o.alpha = 0.05;
    prepare(v, o);
    RSKSIMSTATS s = compute();
    EXPECT_TRUE(is_missing(s.var));
    EXPECT_TRUE(is_missing(s.es));
    EXPECT_TRUE(is_missing(s.var_l));
    EXPECT_EQ(s.median, 8.5);   // m = 9.5 between the ninth and tenth values
    // The second cell of the same analysis gives no second message.
    s = compute();
    EXPECT_EQ(count_of(log(), "598/2681"), 1) << log();
    EXPECT_NE(log().find("95"), std::string::npos);
}

TEST_F(SimulationStatistics, ClosestObservationTiesGoToTheEvenPosition) {
    // n = 10: alpha 0.25 gives m = 2.5 (the second value), 0.35 gives m = 3.5 (the fourth).
    const std::vector<double> v = {10, 9, 8, 7, 6, 5, 4, 3, 2, 1};
    Options o;
    o.pctldef = 2;
    o.alpha = 0.25;
    prepare(v, o);
    EXPECT_EQ(compute().var, -2);
    o.alpha = 0.35;
    prepare(v, o);
    EXPECT_EQ(compute().var, -4);
}

TEST_F(SimulationStatistics, ExposureTakesTheUpperTailAndDurationsKeepTheirSign) {
    std::vector<double> v;
    for (int i = 1; i <= 20; ++i) v.push_back(i);
    Options o;
    o.name = "Exposure";
    prepare(v, o);
    RSKSIMSTATS s = compute();
    EXPECT_DOUBLE_EQ(s.var, 17.5);
    EXPECT_DOUBLE_EQ(s.es, 19);
    EXPECT_LE(s.var_l, 17.5);
    EXPECT_GE(s.var_u, 17.5);

    o = Options();
    o.name = "ModifiedDur";
    prepare(minus_ten_to_nine(), o);
    s = compute();
    EXPECT_DOUBLE_EQ(s.var, -8.5);
    EXPECT_DOUBLE_EQ(s.es, -9.5);
}

TEST_F(SimulationStatistics, ExtremeValueFieldsOnlyForAnInnerTailPercentage) {
    Options o;
    o.evt = true;
    o.alpha = 0.01;
    prepare(normal_sample(2000, 7), o);
    RSKSIMSTATS s = compute();
    ASSERT_FALSE(is_missing(s.evt_percent));
    EXPECT_GT(s.evt_percent, 0.0);
    EXPECT_LT(s.evt_percent, 100.0);
    EXPECT_GT(s.evt_var, 1.5);   // a loss near the normal 99% point 2.33
    EXPECT_LT(s.evt_var, 4.0);
    // Fewer than 100 values: no tail estimate.
    prepare(normal_sample(50, 7), o);
    s = compute();
    EXPECT_TRUE(is_missing(s.evt_percent));
    EXPECT_TRUE(is_missing(s.evt_var));
}

TEST(SimulationOrderStatistics, SortingSearchAndClasses) {
    std::vector<double> v = {5, -1, 3, 3, 9, 0};
    EXPECT_EQ(dshell(v.data(), static_cast<int64_t>(v.size())), 0);
    EXPECT_EQ(v, (std::vector<double>{-1, 0, 3, 3, 5, 9}));
    EXPECT_EQ(dshell(v.data(), static_cast<int64_t>(v.size())), 1);
    std::vector<int32_t> h = {5, 1, 5, 3};
    isort(h.data(), 4);
    EXPECT_EQ(h, (std::vector<int32_t>{1, 3, 5, 5}));
    struct Probe {
        double x;
        int64_t index;
    };
    for (const Probe& p : {Probe{-2, 0}, Probe{-1, 1}, Probe{3, 4}, Probe{4, 4}, Probe{9, 6}, Probe{10, 6}})
        EXPECT_EQ(get1stLargerElement(v.data(), 6, p.x), p.index) << p.x;
    const double quintiles[4] = {1, 2, 3, 4};
    const double deciles[9] = {1, 2, 3, 4, 5, 6, 7, 8, 9};
    double q = 0, d = 0;
    get_quant_index(nullptr, 0.5, quintiles, deciles, &q, &d);
    EXPECT_EQ(q, 1);
    EXPECT_EQ(d, 1);
    get_quant_index(nullptr, 4, quintiles, deciles, &q, &d);   // a cut point belongs to the class above
    EXPECT_EQ(q, 5);
    EXPECT_EQ(d, 5);
    get_quant_index(nullptr, qor::missing(), quintiles, deciles, &q, &d);
    EXPECT_TRUE(is_missing(q) && is_missing(d));
}

// The statistic of the replay: the quantile at fixed positions of a resample, checking that the
// resample arrives in ascending order (the library draws in source order from sorted values).
struct Replay {
    double w;
    int32_t i, j, n;
    bool ascending = true;
};
int replay_statistic(boot_iterator* data, void* context, double* result) {
    auto* r = static_cast<Replay*>(context);
    std::vector<double> x;
    if (data->restart(data) != 0) return 3;
    for (int k = 0; k < r->n; ++k) {
        if (data->next(data) != 0) return 3;
        x.push_back(data->record[0]);
    }
    for (size_t k = 1; k < x.size(); ++k)
        if (x[k] < x[k - 1]) r->ascending = false;
    result[0] = (1 - r->w) * x[r->i] + r->w * x[static_cast<size_t>(r->j) < x.size() ? r->j : r->i];
    return 0;
}
struct Source {
    boot_iterator it;
    const double* values;
    int32_t at, n;
};
int source_restart(boot_iterator* it) {
    reinterpret_cast<Source*>(it)->at = 0;
    return 0;
}
int source_next(boot_iterator* it) {
    auto* s = reinterpret_cast<Source*>(it);
    if (s->at >= s->n) return 1;
    it->record = const_cast<double*>(s->values + s->at++);
    return 0;
}

TEST_F(SimulationStatistics, BootstrapBoundsReplayTheLibrarysResampling) {
    const std::vector<double> sample = normal_sample(400, 11);
    Options o;
    o.alpha = 0.05;
    o.nboot = 200;
    o.seed = 4711;
    prepare(sample, o);
    ASSERT_EQ(init_boot_strap(con, &work_), 0) << log();
    const RSKSIMSTATS s = compute();
    free_boot_strap(con, &work_);
    ASSERT_FALSE(is_missing(s.var_l));
    EXPECT_GE(s.var_l, s.var);
    EXPECT_LE(s.var_u, s.var);

    // The same resampling replayed on the library directly: seed + 101, two levels.
    std::vector<double> ascending = sample;
    std::sort(ascending.begin(), ascending.end());
    Replay replay{};
    replay.n = 400;
    double lower = 0, upper = 0;
    replay.w = zunifct(1, 400, 0.05, &lower, &upper);
    replay.i = static_cast<int32_t>(lower);
    replay.j = static_cast<int32_t>(upper);
    Source source{};
    source.values = ascending.data();
    source.n = 400;
    source.it.restart = &source_restart;
    source.it.next = &source_next;
    source.it.record = const_cast<double*>(ascending.data());
    source.it.values = 1;
    source.it.record_bytes = 8;
    source.it.records = 400;
    boot_control c{};
    c.kind = BOOT_PERCENTILE;
    c.replications = 200;
    c.n = 1;
    c.m = 2;
    c.levels[0] = 0.025;
    c.levels[1] = 0.975;
    c.seed = 4711 + 101;
    c.source = &source.it;
    c.context = &replay;
    c.statistic3 = &replay_statistic;
    ASSERT_EQ(zbooti(&c), 0);
    ASSERT_EQ(zboot(&c), 0);
    EXPECT_EQ(s.var_l, -c.output[0]);
    EXPECT_EQ(s.var_u, -c.output[1]);
    EXPECT_TRUE(replay.ascending);
    zbootf(&c);

    // A second run repeats the bounds exactly.
    prepare(sample, o);
    ASSERT_EQ(init_boot_strap(con, &work_), 0);
    const RSKSIMSTATS again = compute();
    free_boot_strap(con, &work_);
    EXPECT_EQ(again.var_l, s.var_l);
    EXPECT_EQ(again.var_u, s.var_u);
}

TEST_F(SimulationStatistics, BootstrapThatCannotStartIsReported) {
    Options o;
    o.nboot = 200;
    prepare(normal_sample(100, 3), o);
    qor_pool_fail_nth(1);
    const int rc = init_boot_strap(con, &work_);
    qor_pool_fail_nth(0);
    EXPECT_NE(rc, 0);
    EXPECT_EQ(work_.boot, nullptr);
    EXPECT_NE(log().find("Cannot initialize boot strapping."), std::string::npos) << log();
    // Without it the bounds come from the order statistics.
    const RSKSIMSTATS s = compute();
    EXPECT_FALSE(is_missing(s.var_l));
}

// The density area of the block: m grid points, m densities, m + 1 cumulative values.
struct Density {
    std::vector<double> x, f, F;
};
Density read_density(const RSKSIMWORK& w, uint8_t* block) {
    Density d;
    const uint8_t* a = rsasim_density(&w, block);
    const int m = w.density_points;
    for (int k = 0; k < m; ++k) {
        d.x.push_back(rsasim_get(a, k));
        d.f.push_back(rsasim_get(a, m + k));
    }
    for (int k = 0; k <= m; ++k) d.F.push_back(rsasim_get(a, 2 * m + k));
    return d;
}

TEST_F(SimulationStatistics, KernelDensityOfTheCell) {
    Options o;
    o.density = true;
    prepare(std::vector<double>(10, 2.5), o);
    compute();
    Density d = read_density(work_, block_);
    EXPECT_TRUE(is_missing(d.x[0]) && is_missing(d.f[5]) && is_missing(d.F[32]));

    prepare({1, 2, 4}, o);
    compute();
    d = read_density(work_, block_);
    EXPECT_FALSE(is_missing(d.f[10]));

    prepare(normal_sample(2000, 5), o);
    compute();
    d = read_density(work_, block_);
    const double dx = d.x[1] - d.x[0];
    double integral = 0;
    for (int k = 0; k + 1 < 32; ++k) integral += (d.f[k] + d.f[k + 1]) * dx / 2;
    EXPECT_NEAR(integral, 1.0, 1e-2);
    const double total = d.F[32];
    EXPECT_NEAR(total, 1.0, 1e-2);
    for (int k = 1; k < 32; ++k) EXPECT_GE(d.F[k], d.F[k - 1]);
    EXPECT_LT(d.F[31] / total, 1.0);
    EXPECT_GT(d.F[31] / total, 0.99);

    // Exposures with minimum 0 fold at 0: the grid runs from just above 0 upward.
    std::vector<double> exposures;
    for (double z : normal_sample(500, 9)) exposures.push_back(std::fabs(z));
    exposures[0] = 0;
    o.name = "Exposure";
    prepare(exposures, o);
    compute();
    d = read_density(work_, block_);
    EXPECT_GT(d.x[0], 0.0);
    EXPECT_LT(d.x[0], 0.5);
    double folded = 0;
    for (int k = 0; k + 1 < 32; ++k) folded += (d.f[k] + d.f[k + 1]) * (d.x[1] - d.x[0]) / 2;
    // With the piece from 0 to the first grid point (the folded density is flat at 0) the mass is
    // all on the non-negative side.
    EXPECT_NEAR(folded + d.f[0] * d.x[0], 1.0, 2e-2);
}

}  // namespace
