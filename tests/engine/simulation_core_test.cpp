// The simulation core on a small run: build, generation through a test generator, position
// values into cells, roll-up, finish and the result rows through a captured row writer.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "engine/analyses/analysis_definitions.h"
#include "engine/analyses/simulation_run.h"
#include "engine/model/categories/categories.h"
#include "engine/model/options/engine_options.h"
#include "engine/run/position_loop.h"
#include "engine/run/run_block.h"
#include "host/missing.h"
#include "tests/engine/environment_objects_fixture.h"

namespace {

using qor::is_missing;

struct Row {
    std::string mode, category, variable;
    double var_type, horizon, replication, var, var_pct, es, var_l, var_u, n, nmiss, pl, quintile, decile, profit, pdf;
};
std::vector<Row>* captured = nullptr;
std::vector<double> seen_values;   // X1 as each state of the test generator left it

std::string trimmed(const char* text, size_t length) {
    std::string s(text, length);
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
}

int capture_row(RSKCON* con, RSKRESDS*) {
    const RSKROWVALUES& w = con->run_block->result_sets.row;
    captured->push_back(Row{trimmed(w.simulation_mode, 32), trimmed(w.simulation_category, 32),
                            trimmed(w.simulation_part, 32), w.simulation_case, w.simulation_time,
                            w.simulation_replication, w.var, w.var_pct, w.es, w.var_l, w.var_u, w.n, w.nmiss, w.pl,
                            w.quintile, w.decile, w.profit, w.pdf});
    return 0;
}

class SimulationCore : public EnvironmentObjects {
protected:
    void SetUp() override {
        EnvironmentObjects::SetUp();
        if (HasFatalFailure()) return;
        run_ = std::make_unique<RSKRUNBLOCK>();
        std::memset(static_cast<void*>(run_.get()), 0, sizeof *run_);
        con->run_block = run_.get();
        con->run_pool = xmpoolc(65536, 65536, 0);
        std::memset(static_cast<void*>(&options_), 0, sizeof options_);
        options_.alpha = 0.125;
        options_.vardef = 1;
        options_.pctldef = 1;
        options_.bandwidth = 1;
        run_->run_options = &options_;
        std::memset(static_cast<void*>(&analysis_), 0, sizeof analysis_);
        call<EngineSlot::rskname>()(con, &analysis_.name, "MC", -1);
        analysis_.kind = RSKANL_COVSIM;
        analysis_.simulation.seed = 4711;
        std::memset(static_cast<void*>(&proc_), 0, sizeof proc_);
        proc_.analysis = &analysis_;
        proc_.kind = RSKANL_COVSIM;
        proc_.cell_offset = static_cast<int32_t>(sizeof(RSKCELLHEAD));
        x1_ = variable("X1", 1, 1);
        x1_->value = &x1_value_;
        x1_->base_value = &x1_base_;
        factor_.variable = x1_;
        proc_.run_factors_head = proc_.run_factors_tail = &factor_;
        proc_.run_factor_count = 1;
        rows_.clear();
        captured = &rows_;
    }
    void TearDown() override {
        if (con != nullptr && con->run_block != nullptr) {
            con->run_block = nullptr;
            xmpoold(con->run_pool);
            con->run_pool = nullptr;
        }
        EnvironmentObjects::TearDown();
    }

    RSKSIMWORK* build(int32_t replications) {
        EXPECT_EQ(rsasim0(con, &proc_, &analysis_, replications), 0) << log();
        return rsasim_work(&proc_);
    }

    // A cell record: the leading statistics with the base value, then the analysis area.
    std::vector<uint8_t> cell(const RSKSIMWORK* w, double base) {
        std::vector<uint8_t> c(sizeof(RSKCELLHEAD) + static_cast<size_t>(w->area_bytes), 0);
        std::memcpy(c.data() + offsetof(RSKCELLHEAD, value_sum), &base, 8);
        return c;
    }
    uint8_t* area(std::vector<uint8_t>& c) { return c.data() + sizeof(RSKCELLHEAD); }

    // The price matrix of one position: the base value, then one value per state.
    void prices(double base, const std::vector<double>& states) {
        matrix_.assign(states.size() + 2, 0.0);
        matrix_[0] = base;
        for (size_t s = 0; s < states.size(); ++s) matrix_[s + 2] = states[s];
        run_->results = run_->row0 = matrix_.data();
        run_->row_doubles = 1;
        run_->row_count = static_cast<int32_t>(matrix_.size());
    }

    std::unique_ptr<RSKRUNBLOCK> run_;
    RSKOPTREC options_{};
    RSKANALYSIS analysis_{};
    RSKANLPROC proc_{};
    RSKRUNFACTOR factor_{};
    RSKVARIABLE* x1_ = nullptr;
    double x1_value_ = 1, x1_base_ = 1;
    std::vector<double> matrix_;
    std::vector<Row> rows_;
    int failed_ = 0;
};

// Two positions whose P/L adds up to -10 .. 9 over 20 replications.
TEST_F(SimulationCore, PositionsCellsStatisticsAndRows) {
    RSKSIMWORK* w = build(20);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->var_types, 1);
    EXPECT_EQ(w->outv_count, 1);
    EXPECT_EQ(proc_.cell_size, w->area_bytes);
    std::vector<uint8_t> c = cell(w, 200);
    std::vector<double> a, b;
    for (int r = 0; r < 20; ++r) {
        a.push_back(50 + (r - 10) * 0.25);   // P/L (r - 10) / 4
        b.push_back(150 + (r - 10) * 0.75);  // P/L 3 (r - 10) / 4
    }
    prices(50, a);
    ASSERT_EQ(rsasim2(con, &proc_, area(c), 0, 19), 0);
    prices(150, b);
    ASSERT_EQ(rsasim2(con, &proc_, area(c), 0, 19), 0);
    ASSERT_EQ(rsasim4(con, &proc_, area(c)), 0) << log();

    RSKRESDS stat{};
    stat.kind = RSKRES_SIMSTAT;
    ASSERT_EQ(rsasim_output(con, &proc_, area(c), &capture_row, &stat), 0);
    ASSERT_EQ(rows_.size(), 1u);
    EXPECT_EQ(rows_[0].mode, "Unconditional");
    EXPECT_EQ(rows_[0].variable, "P/L");
    EXPECT_EQ(rows_[0].horizon, 1);
    EXPECT_DOUBLE_EQ(rows_[0].var, 8.5);
    EXPECT_DOUBLE_EQ(rows_[0].var_pct, 100 * 8.5 / 200);
    EXPECT_DOUBLE_EQ(rows_[0].es, 9.5);
    EXPECT_GE(rows_[0].var_l, rows_[0].var_u);
    EXPECT_EQ(rows_[0].n, 20);

    rows_.clear();
    RSKRESDS values{};
    values.kind = RSKRES_SIMVALUE;
    ASSERT_EQ(rsasim_output(con, &proc_, area(c), &capture_row, &values), 0);
    ASSERT_EQ(rows_.size(), 20u);
    EXPECT_EQ(rows_[0].replication, 1);
    EXPECT_DOUBLE_EQ(rows_[0].pl, -10);
    EXPECT_EQ(rows_[0].quintile, 1);
    EXPECT_EQ(rows_[0].decile, 1);
    EXPECT_DOUBLE_EQ(rows_[19].pl, 9);
    EXPECT_EQ(rows_[19].quintile, 5);
    EXPECT_EQ(rows_[19].decile, 10);
}

// A missing price voids the replication (counted in NMiss) instead of adding a zero loss.
TEST_F(SimulationCore, MissingPriceMakesTheReplicationMissing) {
    RSKSIMWORK* w = build(5);
    std::vector<uint8_t> c = cell(w, 100);
    prices(100, {101, qor::missing(), 99, 98, 103});
    ASSERT_EQ(rsasim2(con, &proc_, area(c), 0, 4), 0);
    prices(10, {11, 12, 13, 14, 15});   // a second position cannot bring the replication back
    ASSERT_EQ(rsasim2(con, &proc_, area(c), 0, 4), 0);
    const uint8_t* v = rsasim_values(w, rsasim_block(w, area(c), 0, 0, 0));
    EXPECT_DOUBLE_EQ(rsasim_get(v, 0), 2);
    EXPECT_TRUE(is_missing(rsasim_get(v, 1)));
    EXPECT_DOUBLE_EQ(rsasim_get(v, 4), 8);
    ASSERT_EQ(rsasim4(con, &proc_, area(c)), 0);
    RSKSIMSTATS s;
    rsasim_get_stats(rsasim_block(w, area(c), 0, 0, 0), &s);
    EXPECT_EQ(s.total, 5);
    EXPECT_EQ(s.valid, 4);
}

TEST_F(SimulationCore, RollUpAddsChildrenAndPropagatesMissing) {
    RSKSIMWORK* w = build(3);
    std::vector<uint8_t> parent = cell(w, 0), one = cell(w, 0), two = cell(w, 0);
    auto fill = [&](std::vector<uint8_t>& c, std::vector<double> x) {
        uint8_t* v = rsasim_values(w, rsasim_block(w, area(c), 0, 0, 0));
        for (int r = 0; r < 3; ++r) rsasim_set(v, r, x[r]);
    };
    fill(parent, {99, 99, 99});   // left over: the first child starts the parent afresh
    fill(one, {1, 2, qor::missing()});
    fill(two, {10, 20, 30});
    ASSERT_EQ(rsasim3(con, &proc_, area(parent), area(one), 0, 0), 0);
    ASSERT_EQ(rsasim3(con, &proc_, area(parent), area(two), 0, 1), 0);
    const uint8_t* v = rsasim_values(w, rsasim_block(w, area(parent), 0, 0, 0));
    EXPECT_EQ(rsasim_get(v, 0), 11);
    EXPECT_EQ(rsasim_get(v, 1), 22);
    EXPECT_TRUE(is_missing(rsasim_get(v, 2)));
}

TEST_F(SimulationCore, CategoriesGiveVaRTypesAndTheGeneratorRunsEachCase) {
    RSKVARIABLE* x2 = variable("X2", 1, 1);
    RSKCATEGORY* rates = nullptr;
    RSKCATEGORY* fx = nullptr;
    RSKCATEGORY* empty = nullptr;
    RSKNAMEREC n1 = name_of("RATES"), n2 = name_of("FX"), n3 = name_of("EMPTY");
    ASSERT_EQ(rskcatd(con, &n1, &rates), 0);
    ASSERT_EQ(rskcata(con, rates, x1_), 0);
    ASSERT_EQ(rskcatd(con, &n2, &fx), 0);
    ASSERT_EQ(rskcata(con, fx, x2), 0);
    ASSERT_EQ(rskcatd(con, &n3, &empty), 0);
    ASSERT_EQ(rsasimb(con, &analysis_, &n1, 0), 0);
    ASSERT_EQ(rsasimb(con, &analysis_, &n3, 0), 0);
    ASSERT_EQ(rsasimb(con, &analysis_, &n2, 0), 0);
    ASSERT_EQ(rsasimb(con, &analysis_, &n1, 1), 0);
    RSKSIMWORK* w = build(4);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->var_types, 4);
    EXPECT_EQ(count_of(log(), "598/2800"), 1) << log();
    const char* labels[] = {"Unconditional", "Conditional", "Conditional", "Marginal", "**Error**"};
    const char* categories[] = {"", "RATES", "FX", "RATES", ""};
    for (int t = 0; t < 5; ++t) {
        set_output_ids(con, w, t);
        EXPECT_EQ(trimmed(w->var_type_label, 32), labels[t]);
        if (t < 4) {
            EXPECT_EQ(trimmed(run_->result_sets.row.simulation_category, 32), categories[t]) << t;
        }
    }

    // The test generator moves X1 by r + h in every state; X1 does not change in the case
    // conditional on FX, so that case sees it at its base.
    seen_values.clear();
    struct Seen {
        static int generate(RSKCON* c, RSKANLPROC* run, RSKSTATECALLBACK callback, int32_t k) {
            RSKSIMWORK* sw = rsasim_work(run);
            int rc = 0;
            for (int32_t r = 0; r < sw->replications; ++r)
                for (int32_t h = 0; h < sw->horizon_count; ++h) {
                    *static_cast<double*>(run->run_factors_head->variable->value) = 1 + r + h;
                    rc = std::max(rc, callback(c, run, k, r, h));
                    seen_values.push_back(*static_cast<double*>(run->run_factors_head->variable->value));
                }
            return rc;
        }
    };
    ASSERT_EQ(rsasim1(con, &proc_, &Seen::generate), 0) << log();
    EXPECT_EQ(w->state_count, 16);
    EXPECT_EQ(w->generated, 4);
    const std::vector<double> expected = {1, 2, 3, 4, 1, 2, 3, 4, 1, 1, 1, 1, 1, 1, 1, 1};
    EXPECT_EQ(seen_values, expected);
    // Changes 0, 1, 2, 3 of the unconditional case: mean 1.5, deviation (n - 1) sqrt(5/3) / 2 ...
    const RSKSIMRFSTAT& s = w->rf_stats[0];
    EXPECT_EQ(s.count, 4);
    EXPECT_DOUBLE_EQ(s.sum, 1.5);
    EXPECT_NEAR(s.squares, std::sqrt(5.0 / 3.0), 1e-12);
    EXPECT_EQ(s.minimum, 0);
    EXPECT_EQ(s.maximum, 3);
}

TEST_F(SimulationCore, FactorWithoutVariationIsListed) {
    RSKSIMWORK* w = build(5);
    ASSERT_NE(w, nullptr);
    auto still = [](RSKCON* c, RSKANLPROC* run, RSKSTATECALLBACK callback, int32_t k) {
        int rc = 0;
        for (int32_t r = 0; r < 5; ++r) rc = std::max(rc, callback(c, run, k, r, 0));
        return rc;
    };
    ASSERT_EQ(rsasim1(con, &proc_, still), 0);
    EXPECT_EQ(count_of(log(), "598/2807"), 1) << log();
    EXPECT_EQ(count_of(log(), "598/2808"), 1);
    EXPECT_NE(log().find("X1."), std::string::npos);
}

TEST_F(SimulationCore, OutputVariablesAndBuildFailures) {
    RSKVARIABLE* duration = variable("MODIFIEDDUR", 3, 1);
    duration->run.placed_in_row = 1;
    duration->run.row_offset = 1;
    RSKNAMEREC known = name_of("MODIFIEDDUR"), unknown = name_of("NOSUCH"), built = name_of("pl");
    ASSERT_EQ(rsasimb(con, &analysis_, &known, 2), 0);
    ASSERT_EQ(rsasimb(con, &analysis_, &unknown, 2), 0);
    ASSERT_EQ(rsasimb(con, &analysis_, &built, 2), 0);
    analysis_.simulation.returns = 1;
    RSKSIMWORK* w = build(10);
    ASSERT_NE(w, nullptr);
    ASSERT_EQ(w->outv_count, 3);
    EXPECT_TRUE(w->outv[0].is_pl);
    EXPECT_TRUE(w->outv[1].is_return);
    EXPECT_EQ(w->outv[2].variable, duration);
    EXPECT_EQ(w->outv[2].column, 1);
    EXPECT_EQ(count_of(log(), "598/2801"), 1) << log();

    RSKANLPROC none = proc_;
    none.failed = 0;
    none.run_factor_count = 0;
    EXPECT_EQ(rsasim0(con, &none, &analysis_, 10), 1);
    EXPECT_EQ(none.failed, 1);
    RSKANLPROC zero = proc_;
    zero.failed = 0;
    EXPECT_EQ(rsasim0(con, &zero, &analysis_, 0), 1);
    EXPECT_EQ(zero.failed, 1);

    // Every allocation of the build can fail: the analysis is failed, 598/2797 reported.
    const int failures = fail_each_allocation(
        [&] {
            RSKANLPROC p = proc_;
            p.failed = 0;
            p.work = nullptr;
            const int rc = rsasim0(con, &p, &analysis_, 10);
            failed_ = p.failed;
            return rc;
        },
        [&] { return failed_ == 1; });
    EXPECT_GT(failures, 5);
    EXPECT_NE(log().find("598/2797"), std::string::npos);
}

TEST_F(SimulationCore, BootstrapSetUpFailureFallsBackToOrderStatistics) {
    options_.nboot = 100;
    RSKSIMWORK* w = build(40);
    std::vector<uint8_t> c = cell(w, 100);
    std::vector<double> p;
    for (int r = 0; r < 40; ++r) p.push_back(100 + (r % 7) - 3 + 0.1 * r);
    prices(100, p);
    ASSERT_EQ(rsasim2(con, &proc_, area(c), 0, 39), 0);
    qor_pool_fail_nth(1);
    const int rc = rsasim4(con, &proc_, area(c));
    qor_pool_fail_nth(0);
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(count_of(log(), "598/2683"), 1) << log();
    RSKSIMSTATS s;
    rsasim_get_stats(rsasim_block(w, area(c), 0, 0, 0), &s);
    EXPECT_FALSE(is_missing(s.var_l));
}

}  // namespace
