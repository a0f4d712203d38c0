// The post-valuation and post-pricing passes of a simulation cell over real compiled methods: what
// the methods read per replication and horizon, and what their variables' cells receive.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "engine/analyses/simulation_postvars.h"
#include "engine/analyses/simulation_run.h"
#include "engine/compiler/compiler_driver.h"
#include "engine/model/names/name_records.h"
#include "engine/model/options/engine_options.h"
#include "engine/run/position_loop.h"
#include "engine/run/run_block.h"
#include "engine/tables/method_records.h"
#include "host/missing.h"
#include "tests/engine/environment_objects_fixture.h"

namespace {

using qor::is_missing;

class SimulationPostVars : public EnvironmentObjects {
protected:
    void SetUp() override {
        EnvironmentObjects::SetUp();
        if (HasFatalFailure()) return;
        run_ = std::make_unique<RSKRUNBLOCK>();
        std::memset(static_cast<void*>(run_.get()), 0, sizeof *run_);
        con->run_block = run_.get();
        con->run_pool = xmpoolc(65536, 65536, 0);
        saved_compile_ = con->run_compile;
        compile_.execution_blocks = 1;
        con->run_compile = &compile_;
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
        analysis_.simulation.horizon_count = 2;
        analysis_.simulation.horizons = horizons_;
        std::memset(static_cast<void*>(&proc_), 0, sizeof proc_);
        proc_.analysis = &analysis_;
        proc_.kind = RSKANL_COVSIM;
        proc_.cell_offset = static_cast<int32_t>(sizeof(RSKCELLHEAD));
        RSKVARIABLE* x1 = variable("X1", 1, 1);
        x1->value = &x1_value_;
        factor_.variable = x1;
        proc_.run_factors_head = proc_.run_factors_tail = &factor_;
        proc_.run_factor_count = 1;
    }
    void TearDown() override {
        if (con != nullptr) {
            rskecmp(con);
            con->run_compile = saved_compile_;
            if (con->run_block != nullptr) {
                con->run_block = nullptr;
                xmpoold(con->run_pool);
                con->run_pool = nullptr;
            }
        }
        EnvironmentObjects::TearDown();
    }

    // An output variable the methods compute: VARPOST 1 (post-valuation) or 2 (post-pricing).
    RSKVARIABLE* computed(const char* name, uint32_t varpost, uint32_t rollup) {
        RSKVARIABLE* v = variable(name, 1, 1);
        v->varpost = varpost;
        v->rollup = rollup;
        v->value_class = 1;
        values_.push_back(std::make_unique<double>(qor::missing()));
        v->value = values_.back().get();
        EXPECT_EQ(rsklsta(con, &analysis_.names_head, &analysis_.names_tail, name, -1), 0);
        return v;
    }

    // Compiles one method of kind `letter` with the statements.
    void compile(char letter, const std::vector<std::string>& statements) {
        // The engine's compile: environment variables and post-variable names are declared by
        // the declaration hook, anything else becomes the program's own.
        ASSERT_EQ(rskcmp0(con, nullptr, 0, 0, nullptr), 0) << log();
        method_.kind = letter;
        action_.kind = RSKACTION_METHOD_CALL;
        action_.target = &method_;
        compile_.actions_first = compile_.actions_last = &action_;
        ASSERT_EQ(rsksact(con, &action_, RSKBLK_MAIN), 0) << log();
        for (const std::string& s : statements) ASSERT_LE(rskpush(con->compile_handle, s.c_str(), 0, 2), 0) << s << log();
        ASSERT_LE(rskpush(con->compile_handle, "return;", 0, 2), 0);
        ASSERT_EQ(rskgcmp(con), 0) << log();
    }

    RSKSIMWORK* build(int32_t replications) {
        EXPECT_EQ(rsasim0(con, &proc_, &analysis_, replications), 0) << log();
        return rsasim_work(&proc_);
    }

    std::vector<uint8_t> cell(const RSKSIMWORK* w, double base) {
        std::vector<uint8_t> c(sizeof(RSKCELLHEAD) + static_cast<size_t>(w->area_bytes), 0);
        std::memcpy(c.data() + offsetof(RSKCELLHEAD, value_sum), &base, 8);
        return c;
    }
    uint8_t* area(std::vector<uint8_t>& c) { return c.data() + sizeof(RSKCELLHEAD); }

    // Fills the P/L cells of both horizons: horizon index h gets (h + 1) * pl[r].
    void fill_pl(RSKSIMWORK* w, std::vector<uint8_t>& c, const std::vector<double>& pl) {
        for (int32_t h = 0; h < w->horizon_count; ++h) {
            uint8_t* v = rsasim_values(w, rsasim_block(w, area(c), 0, h, 0));
            for (size_t r = 0; r < pl.size(); ++r) rsasim_set(v, static_cast<int64_t>(r), (h + 1) * pl[r]);
        }
    }

    int32_t index_of(const RSKSIMWORK* w, const char* name) {
        for (int32_t v = 0; v < w->outv_count; ++v)
            if (std::string(w->outv[v].name.name.text, w->outv[v].name.name.length) == name) return v;
        return -1;
    }

    std::unique_ptr<RSKRUNBLOCK> run_;
    RSKRUNCOMPILE compile_{};
    RSKRUNCOMPILE* saved_compile_ = nullptr;
    RSKOPTREC options_{};
    RSKANALYSIS analysis_{};
    RSKANLPROC proc_{};
    RSKRUNFACTOR factor_{};
    RSKGENTRANS method_{};
    RSKACTION action_{};
    int32_t horizons_[2] = {1, 5};
    double x1_value_ = 1;
    std::vector<std::unique_ptr<double>> values_;
};


// Per replication and horizon the methods see the P/L cell's statistics of the first pass and the
// cell's value in the state; an additive result is kept as its change against the cell's value,
// a result of roll-up class 3 as computed, and the second pass gives both their statistics.
TEST_F(SimulationPostVars, MethodsReadFirstPassStatisticsAndFillTheirVariablesCells) {
    computed("SHIFTED", 1, 0);
    computed("SPREAD", 1, 3);
    compile('V', {"shifted = _VALUE_.value + _VALUE_.VaR;", "spread = _VALUE_.max - _VALUE_.min + _HORIZON_;",
                  "seen = _VALUE_.MtM;"});
    RSKSIMWORK* w = build(10);
    ASSERT_NE(w, nullptr);
    ASSERT_EQ(w->outv_count, 3);
    const int32_t si = index_of(w, "SHIFTED"), pi = index_of(w, "SPREAD");
    ASSERT_EQ(w->outv[si].source_kind, RSKSIMSRC_POSTVALUATION);
    run_->phases.postvar = 1;
    std::vector<uint8_t> c = cell(w, 100);
    fill_pl(w, c, {-5, -4, -3, -2, -1, 0, 1, 2, 3, 4});
    ASSERT_EQ(rsasim4(con, &proc_, area(c)), 0) << log();

    for (int32_t h = 0; h < 2; ++h) {
        RSKSIMSTATS pl;
        rsasim_get_stats(rsasim_block(w, area(c), 0, h, 0), &pl);
        ASSERT_FALSE(is_missing(pl.var));
        const uint8_t* sv = rsasim_values(w, rsasim_block(w, area(c), 0, h, si));
        const uint8_t* pv = rsasim_values(w, rsasim_block(w, area(c), 0, h, pi));
        for (int r = 0; r < 10; ++r) {
            // (100 + P/L + VaR) - 100
            EXPECT_DOUBLE_EQ(rsasim_get(sv, r), (h + 1) * (r - 5) + pl.var) << h << " " << r;
            // max - min of (h + 1) * (-5 .. 4), plus the horizon value 1 or 5
            EXPECT_DOUBLE_EQ(rsasim_get(pv, r), 9.0 * (h + 1) + horizons_[h]) << h << " " << r;
        }
        RSKSIMSTATS shifted_stats;
        rsasim_get_stats(rsasim_block(w, area(c), 0, h, si), &shifted_stats);
        EXPECT_EQ(shifted_stats.valid, 10);
        EXPECT_NEAR(shifted_stats.mean, pl.mean + pl.var, 1e-12);
        EXPECT_NEAR(shifted_stats.std, pl.std, 1e-12);
    }
    // Once the cell is done the post-variables are missing again.
    double* var = nullptr;
    ASSERT_EQ(lookup_sym(con, "_VALUE_", 7, "VaR", &var), 0);
    EXPECT_TRUE(is_missing(*var));
    double* seen = nullptr;
    ASSERT_EQ(lookup_sym(con, "SEEN", 4, nullptr, &seen), 0);
    EXPECT_DOUBLE_EQ(*seen, 100);
}

// A missing replication of the P/L cell stays missing in the computed cell (counted in NMiss), and
// the pass is not run at all when the run has no post-valuation methods.
TEST_F(SimulationPostVars, MissingValuesPropagateAndNoMethodsMeansNoPass) {
    computed("SHIFTED", 1, 0);
    compile('V', {"shifted = _VALUE_.value;"});
    RSKSIMWORK* w = build(4);
    ASSERT_NE(w, nullptr);
    const int32_t si = index_of(w, "SHIFTED");
    std::vector<uint8_t> c = cell(w, 10);
    fill_pl(w, c, {1, qor::missing(), 3, 4});
    std::vector<uint8_t> untouched = c;
    ASSERT_EQ(rsasim4(con, &proc_, area(untouched)), 0) << log();
    RSKSIMSTATS s;
    rsasim_get_stats(rsasim_block(w, area(untouched), 0, 0, si), &s);
    EXPECT_EQ(s.maximum, 0) << "without post-valuation methods the computed cell keeps its zeros";

    run_->phases.postvar = 1;
    ASSERT_EQ(rsasim4(con, &proc_, area(c)), 0) << log();
    const uint8_t* sv = rsasim_values(w, rsasim_block(w, area(c), 0, 0, si));
    EXPECT_DOUBLE_EQ(rsasim_get(sv, 0), 1);
    EXPECT_TRUE(is_missing(rsasim_get(sv, 1)));
    rsasim_get_stats(rsasim_block(w, area(c), 0, 0, si), &s);
    EXPECT_EQ(s.total, 4);
    EXPECT_EQ(s.valid, 3);
}

// Post-pricing: the methods see each replication's value in the state and their variable's slot
// takes the result; with value-weighted variables a return of roll-up class 2 is turned back into
// a value by the magnitude of the cell's value in the state.
TEST_F(SimulationPostVars, PostPricingFillsEachReplicationSlot) {
    computed("CHANGE", 2, 0);
    computed("SHARE", 2, 2);
    compile('R', {"change = _VALUE_ - _VALUE_.MtM + _HORIZON_ / 100;", "share = 0.5;"});
    RSKSIMWORK* w = build(3);
    ASSERT_NE(w, nullptr);
    const int32_t ci = index_of(w, "CHANGE"), si = index_of(w, "SHARE");
    ASSERT_EQ(w->outv[ci].source_kind, RSKSIMSRC_POSTPRICING);
    std::vector<uint8_t> c = cell(w, -50);
    fill_pl(w, c, {-3, 0, qor::missing()});
    run_->loop.value_weighted = 1;
    ASSERT_EQ(postprice_sim_run(con, &proc_, area(c)), 0) << log();
    for (int32_t h = 0; h < 2; ++h) {
        const uint8_t* cv = rsasim_values(w, rsasim_block(w, area(c), 0, h, ci));
        const uint8_t* sv = rsasim_values(w, rsasim_block(w, area(c), 0, h, si));
        EXPECT_DOUBLE_EQ(rsasim_get(cv, 0), -3.0 * (h + 1) + horizons_[h] / 100.0);
        EXPECT_DOUBLE_EQ(rsasim_get(cv, 1), horizons_[h] / 100.0);
        EXPECT_TRUE(is_missing(rsasim_get(cv, 2)));
        EXPECT_DOUBLE_EQ(rsasim_get(sv, 0), 0.5 * std::fabs(-50 - 3.0 * (h + 1)));
        EXPECT_DOUBLE_EQ(rsasim_get(sv, 1), 25);
        EXPECT_TRUE(is_missing(rsasim_get(sv, 2))) << "no value in the state to convert by";
    }
}

// Out of memory for the tables fails the pass with 598/2797 and its label, without a crash.
TEST_F(SimulationPostVars, NoMemoryForTheTablesFailsThePass) {
    computed("SHIFTED", 1, 0);
    compile('V', {"shifted = _VALUE_.value;"});
    RSKSIMWORK* w = build(3);
    ASSERT_NE(w, nullptr);
    std::vector<uint8_t> c = cell(w, 10);
    fill_pl(w, c, {1, 2, 3});
    qor_pool_fail_nth(1);
    EXPECT_EQ(postvar_run(con, &proc_, area(c)), 1);
    qor_pool_fail_nth(0);
    EXPECT_NE(log().find("postvar memory"), std::string::npos) << log();
    EXPECT_EQ(postvar_run(con, &proc_, area(c)), 0) << log();
}

}  // namespace

namespace {

// A method that stops with an error in some states gives 670/3623 for each of them; the other
// replications are still computed and the cell reports the program's code.
TEST_F(SimulationPostVars, AFailingMethodIsReportedPerStateAndTheOthersGoOn) {
    computed("SHIFTED", 1, 3);
    compile('V', {"shifted = _VALUE_.value;", "if _VALUE_.value > 103 then do i = 1 to 2 by 0; end;"});
    RSKSIMWORK* w = build(10);
    ASSERT_NE(w, nullptr);
    const int32_t si = index_of(w, "SHIFTED");
    run_->phases.postvar = 1;
    std::vector<uint8_t> c = cell(w, 100);
    fill_pl(w, c, {-5, -4, -3, -2, -1, 0, 1, 2, 3, 4});
    EXPECT_GT(rsasim4(con, &proc_, area(c)), 0);
    EXPECT_EQ(count_of(log(), "670/3623"), 4) << log();   // 104; 104, 106, 108
    // A second cell that fails in every state: ten lines in all for the analysis.
    std::vector<uint8_t> worse = cell(w, 200);
    fill_pl(w, worse, {-5, -4, -3, -2, -1, 0, 1, 2, 3, 4});
    EXPECT_GT(rsasim4(con, &proc_, area(worse)), 0);
    EXPECT_EQ(count_of(log(), "670/3623"), 10) << log();
    const uint8_t* sv = rsasim_values(w, rsasim_block(w, area(c), 0, 1, si));
    EXPECT_DOUBLE_EQ(rsasim_get(sv, 0), 90);
    EXPECT_DOUBLE_EQ(rsasim_get(sv, 6), 102);
}

}  // namespace

namespace {

// A cash-flow analysis hands its cumulative cash flows to the methods: without bucket dates or
// without the vector the pass ends with 1 before any method runs.
TEST_F(SimulationPostVars, CashFlowAnalysisNeedsItsBucketsAndVector) {
    computed("SHIFTED", 1, 0);
    compile('V', {"shifted = _VALUE_.value;"});
    analysis_.kind = RSKANL_CASHFLOW;
    RSKSIMWORK* w = build(3);
    ASSERT_NE(w, nullptr);
    std::vector<uint8_t> c = cell(w, 10);
    run_->phases.cumulative_cf = 1;
    double vector[3] = {};
    struct Case {
        int32_t dates;
        double* cumulative;
        int rc;
        const char* text;
    } cases[] = {
        {0, vector, 1, "Cannot find bucket variables in the project."},
        {3, nullptr, 1, "Work memory for cumcf has not been assigned."},
        {3, vector, 0, nullptr},
    };
    for (const Case& k : cases) {
        run_->phases.cashflow_dates = k.dates;
        proc_.cumulative_cf = k.cumulative;
        const size_t before = log().size();
        EXPECT_EQ(postvar_run(con, &proc_, area(c)), k.rc) << k.dates;
        if (k.text != nullptr) {
            EXPECT_NE(log().find(k.text, before), std::string::npos) << log();
        }
    }
}

}  // namespace
