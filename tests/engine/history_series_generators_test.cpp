// The historical and series generators over small market data sets of a scratch library: window
// states against the observed changes applied to the base case, round-robin parts, replication
// counting and horizon matching of scenario paths, unmatched horizons and changes data.
#include <cmath>
#include <string>
#include <vector>

#include "engine/analyses/simulation_generators.h"
#include "engine/model/market/market_data_sets.h"
#include "engine/model/names/name_records.h"
#include "engine/model/variables/variable_record.h"
#include "engine/run/run_block.h"
#include "host/missing.h"
#include "tests/engine/definitions_fixture.h"

namespace {

constexpr uint32_t kFactor = 2, kNum = 1, kIr = 321;

struct State {
    int32_t j, h;
    double spot, rate;
};

class HistorySeries : public DefinitionsTest {
protected:
    void SetUp() override {
        DefinitionsTest::SetUp();
        double maturity = 1;
        for (const char* name : {"spot", "rate"}) ASSERT_EQ(declare(name, kFactor, kNum, kIr, 0, "USD", maturity++), 0);
        ASSERT_EQ(engine_routine<EngineSlot::rsk0>()(con), 0) << log();
        con->variables_pending = 0;
        const char* names[] = {"spot", "rate"};
        for (int i = 0; i < 2; ++i) {
            RSKVARIABLE* v = variable(names[i]);
            ASSERT_NE(v, nullptr);
            v->run.state_address[0] = &current_[i];
            v->base_value = &base_[i];
            v->measurement_level = i == 0 ? 1 : 2;   // spot multiplicative, rate additive
            factors_[i].variable = v;
        }
        rskname(con, &analysis_.name, "HS", 2);
        run_.analysis = &analysis_;
        run_.work = &work_;
    }
    void TearDown() override {
        if (con != nullptr) {
            for (RSKSIMFACTOR& f : factors_)
                if (f.variable != nullptr) f.variable->run.state_address[0] = nullptr, f.variable->base_value = nullptr;
        }
        DefinitionsTest::TearDown();
    }

    RSKSIMGEN* gen() { return static_cast<RSKSIMGEN*>(work_.generator); }

    // Writes the data set, defines it with `type` and opens it into the generator's reader (the test
    // closes it before its generator goes).
    void open(const char* member, uint32_t type, int open_type, const std::vector<TestColumn>& columns,
              const std::vector<std::vector<std::string>>& rows) {
        ASSERT_EQ(write_test_dataset("DEFS", member, columns, rows), 0);
        const std::string dataset = std::string("DEFS.") + member;
        RSKNAMEREC key = name_of(member), ds = name_of(dataset.c_str());
        interval_spec spec{};
        ASSERT_EQ(zintstr("DAY", -1, &spec), 0);
        RSKCATOBJ* object = nullptr;
        ASSERT_EQ(engine_routine<EngineSlot::rskidsd>()(con, &object, &key, type, &spec, nullptr, &ds, nullptr), 0)
            << log();
        RSKNAMECELL cell{};
        rskname(con, &cell.name, member, -1);
        ASSERT_EQ(rskmdso(con, &gen()->reader, open_type, nullptr, &cell, nullptr, nullptr), 0) << log();
    }

    void common(RSKSIMGEN* g, int32_t replications, std::vector<int32_t> horizons) {
        horizons_ = std::move(horizons);
        counters_.assign(horizons_.size(), 0);
        g->factors = factors_;
        g->factor_count = 2;
        g->adjust_mode = RSKADJUST_MISSING;
        g->scale = 1;
        g->cases = 1;
        g->horizon_count = static_cast<int32_t>(horizons_.size());
        g->horizons = horizons_.data();
        g->adjusted = counters_.data();
        g->part = g->parts = 1;
        g->highest_skipped = -1;
        work_.replications = replications;
        work_.horizon_count = g->horizon_count;
        work_.horizons = horizons_.data();
    }

    static int capture(RSKCON*, RSKANLPROC*, int32_t, int32_t r, int32_t h) {
        states_.push_back(State{r, h, live_[0], live_[1]});
        return 0;
    }

    RSKANALYSIS analysis_{};
    RSKANLPROC run_{};
    RSKSIMWORK work_{};
    RSKSIMFACTOR factors_[2] = {};
    double base_[2] = {50, 0.02};
    double current_[2] = {0, 0};
    std::vector<int32_t> horizons_, counters_;
    static inline std::vector<State> states_;
    static inline double* live_ = nullptr;
};

// Day i (1 to 25) holds spot i and rate i^2 / 100.
std::vector<std::vector<std::string>> history_rows() {
    std::vector<std::vector<std::string>> rows;
    for (int i = 1; i <= 25; ++i) rows.push_back({std::to_string(i), std::to_string(i), std::to_string(i * i / 100.0)});
    return rows;
}

TEST_F(HistorySeries, HistoricalWindowsApplyTheObservedChangesToTheBase) {
    struct Case {
        bool overlap;
        int32_t part, parts;
        int32_t windows;
        int32_t step;                // observations between window starts
    };
    int member = 0;
    for (const Case& c : {Case{true, 1, 1, 22, 1}, Case{false, 1, 1, 8, 3}, Case{true, 2, 3, 22, 1}}) {
        SCOPED_TRACE(member);
        RSKHISTSIM hist{};
        work_ = RSKSIMWORK{};
        work_.generator = &hist;
        common(&hist.gen, rsahsm_windows(25, 3, c.overlap), {1, 3});
        ASSERT_EQ(work_.replications, c.windows);
        hist.gen.part = c.part;
        hist.gen.parts = c.parts;
        hist.window = 3;
        hist.overlap = c.overlap;
        hist.start_date = hist.end_date = qor::missing();
        std::vector<double> ring(4 * 2);
        hist.ring = ring.data();
        const std::string name = "hist" + std::to_string(member++);
        open(name.c_str(), RSKMDSTYPE_TIMESERIES, RSKMDS_TIMESERIES_GAPS,
             {{"DATE", false, 8}, {"spot", false, 8}, {"rate", false, 8}}, history_rows());
        states_.clear();
        live_ = current_;
        ASSERT_EQ(rsahsmg(con, &run_, &capture, 0), 0) << log();
        const int32_t mine = (c.windows - (c.part - 1) + c.parts - 1) / c.parts;
        ASSERT_EQ(states_.size(), static_cast<size_t>(mine) * 2);
        for (const State& s : states_) {
            EXPECT_EQ(s.j % c.parts, c.part - 1);
            const double first = 1 + s.j * c.step;           // the window's first day
            const double later = first + horizons_[static_cast<size_t>(s.h)];
            EXPECT_NEAR(s.spot, 50 * later / first, 1e-12) << s.j << " " << s.h;
            EXPECT_NEAR(s.rate, 0.02 + (later * later - first * first) / 100, 1e-12);
        }
        rskmdsc(con, &hist.gen.reader);
    }
}

TEST_F(HistorySeries, ScenarioReplicationsAreCountedByOrderAndByHorizonNumber) {
    struct Case {
        int32_t match;
        std::vector<std::string> horizons;   // _HORIZON_ of each observation (by order: 1 each)
        int32_t expected;
        int rc;
    };
    const Case cases[] = {
        {0, std::vector<std::string>(12, "1"), 4, 0},
        {0, std::vector<std::string>(13, "1"), 5, 0},
        {2, {"1", "2", "3", "1", "2", "3"}, 2, 0},
        {2, {"1", "3", "1", "2"}, 2, 0},
        {2, {"1", "2.5", "3"}, 0, 1},
    };
    int member = 0;
    for (const Case& c : cases) {
        RSKSERSIM ser{};
        work_ = RSKSIMWORK{};
        work_.generator = &ser;
        common(&ser.gen, 0, {1, 2, 3});
        ser.match = c.match;
        std::vector<std::vector<std::string>> rows;
        for (const std::string& h : c.horizons) rows.push_back({h, "1", "1"});
        const std::string name = "cnt" + std::to_string(member++);
        open(name.c_str(), RSKMDSTYPE_SCENARIOS, RSKMDS_SCENARIOS,
             {{"_HORIZON_", false, 8}, {"spot", false, 8}, {"rate", false, 8}}, rows);
        int32_t count = -1;
        EXPECT_EQ(rsassm_count(con, &ser, &analysis_, 0, &count), c.rc) << name;
        if (c.rc == 0) {
            EXPECT_EQ(count, c.expected) << name;
        }
        rskmdsc(con, &ser.gen.reader);
    }
    EXPECT_EQ(count_of(log(), "598/2618"), 1);
}

TEST_F(HistorySeries, SeriesPathsReadBackWithUnmatchedHorizonsMissing) {
    // By order: 3 horizons, 7 observations give 3 replications, the last with two unmatched.
    RSKSERSIM ser{};
    work_.generator = &ser;
    common(&ser.gen, 3, {1, 2, 3});
    ser.match = 0;
    std::vector<std::vector<std::string>> rows;
    for (int i = 1; i <= 7; ++i) rows.push_back({std::to_string(i), std::to_string(60 + i), std::to_string(i / 100.0)});
    open("paths", RSKMDSTYPE_SCENARIOS, RSKMDS_SCENARIOS, {{"_HORIZON_", false, 8}, {"spot", false, 8}, {"rate", false, 8}},
         rows);
    states_.clear();
    live_ = current_;
    ASSERT_EQ(rsassmg(con, &run_, &capture, 0), 0) << log();
    ASSERT_EQ(states_.size(), 9u);
    for (size_t i = 0; i < 7; ++i) {
        EXPECT_EQ(states_[i].j, static_cast<int32_t>(i / 3));
        EXPECT_EQ(states_[i].spot, 61.0 + static_cast<double>(i));   // levels with s = 1 stand as observed
        EXPECT_NEAR(states_[i].rate, (static_cast<double>(i) + 1) / 100, 1e-15);
    }
    for (size_t i = 7; i < 9; ++i) EXPECT_TRUE(qor::is_missing(states_[i].spot) && qor::is_missing(states_[i].rate));
    rskmdsc(con, &ser.gen.reader);

    // By horizon number from a "Changes" data set: 1, 3 | 1, 2, 3; horizon 2 of the first path
    // is unmatched. Changes apply as b (1 + c) for spot and b + c for rate.
    RSKSERSIM changes{};
    work_.generator = &changes;
    common(&changes.gen, 2, {1, 2, 3});
    changes.match = 2;
    open("changes", RSKMDSTYPE_CHANGES, RSKMDS_SCENARIOS, {{"_HORIZON_", false, 8}, {"spot", false, 8}, {"rate", false, 8}},
         {{"1", "0.1", "0.01"}, {"3", "0.3", "0.03"}, {"1", "-0.1", "-0.01"}, {"2", "0.2", "0.02"}, {"3", "0", "0"}});
    changes.changes = changes.gen.reader.definition->type == RSKMDSTYPE_CHANGES;
    ASSERT_TRUE(changes.changes);
    states_.clear();
    ASSERT_EQ(rsassmg(con, &run_, &capture, 0), 0) << log();
    ASSERT_EQ(states_.size(), 6u);
    const double spot[] = {55, qor::missing(), 65, 45, 60, 50};
    const double rate[] = {0.03, qor::missing(), 0.05, 0.01, 0.04, 0.02};
    for (size_t i = 0; i < 6; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(states_[i].h, static_cast<int32_t>(i % 3));
        if (qor::is_missing(spot[i])) {
            EXPECT_TRUE(qor::is_missing(states_[i].spot));
            EXPECT_TRUE(qor::is_missing(states_[i].rate));
            continue;
        }
        EXPECT_NEAR(states_[i].spot, spot[i], 1e-12);
        EXPECT_NEAR(states_[i].rate, rate[i], 1e-15);
    }
    rskmdsc(con, &changes.gen.reader);
}

}  // namespace
