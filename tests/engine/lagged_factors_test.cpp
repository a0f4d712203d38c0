// Lagged risk factors: the time line of the lag grids, lagged values read from market data by
// date (a reader double serves the dates), the simulation history block, moving lagged values
// on to a later state, and lagged values by age, checked against values worked out by hand.
#include <cmath>
#include <map>
#include <memory>
#include <vector>

#include "engine/model/currencies/currency_table.h"
#include "engine/model/lags/lags.h"
#include "engine/model/services/files.h"
#include "engine/model/timegrids/time_grids.h"
#include "engine/run/analysis_processing.h"
#include "engine/run/run_block.h"
#include "host/missing.h"
#include "tests/engine/own_slots.h"
#include "tests/engine/variables_fixture.h"

namespace {

constexpr double kBase = 22000;      // the run's base date

class Lags : public VariableEngine {
protected:
    void SetUp() override {
        VariableEngine::SetUp();
        run_ = con->run_block;
        run_->base_date = kBase;
        run_->state_date = kBase;
    }
    void TearDown() override {
        free_time_line(con);
        if (con->system_variables != nullptr && con->system_variables->date != nullptr)
            con->system_variables->date->value = nullptr;
        if (con->run_pool != nullptr) xmpoold(con->run_pool);
        con->run_pool = nullptr;
        VariableEngine::TearDown();
    }

    // A grid of points in years.
    void grid(const char* name, std::initializer_list<double> years) {
        RSKNAMEREC key = name_of(name);
        RSKCATOBJ* object = nullptr;
        ASSERT_EQ(engine_routine<EngineSlot::rsktgdd>()(con, &object, &key, nullptr, nullptr), 0) << log();
        for (double y : years)
            engine_routine<EngineSlot::rsktgda>()(con, static_cast<RSKTIMEGRID*>(object->object), y, RSKUNIT_YEAR);
    }
    // A lagged risk factor on the grid, with value storage for its lag points and the previous
    // state's values.
    RSKVARIABLE* lagged(const char* name, const char* grid_name) {
        RSKVARIABLE* v = nullptr;
        EXPECT_EQ(declare(Declare(name).lag_grid(grid_name), &v), 0) << log();
        return v;
    }
    void give_storage(RSKVARIABLE* v, std::vector<double>& values, std::vector<double>& previous) {
        v->value = values.data();
        v->lag_previous = previous.empty() ? nullptr : previous.data();
    }
    std::vector<double> ages() {
        std::vector<double> out;
        for (const RSKLAG* e = run_->time_line; e != nullptr; e = e->next) out.push_back(e->time);
        return out;
    }

    RSKRUNBLOCK* run_ = nullptr;
};

TEST_F(Lags, TimeLineHoldsEachAgeOnceFromTheBaseDateBack) {
    grid("G1", {1.0, 0.25});
    grid("G2", {2.0, 1.0});
    lagged("r1", "G1");
    lagged("r2", "G2");
    ASSERT_EQ(rebuild(), 0) << log();
    ASSERT_EQ(setup_time_line(con), 0);
    EXPECT_EQ(ages(), (std::vector<double>{0, 0.25, 1.0, 2.0}));
    // Built again for the next run: the old entries go back to the free list first.
    ASSERT_EQ(setup_time_line(con), 0);
    EXPECT_EQ(ages().size(), 4u);
    RSKVARIABLE* r1 = find("r1");
    ASSERT_NE(r1->lag_grid->times, nullptr);
    EXPECT_EQ(r1->lag_grid->times[1], 0.25);
}

// Market data by date: the latest date at or before the one asked for, written into r1.
struct MarketDouble {
    static std::map<double, double> rows;
    static RSKVARIABLE* factor;
    static int fail_at_read;          // the read that fails (0: none)
    static int reads;
    static int closes;
    static int position(RSKCON*, mds*, double) { return 0; }
    static int read(RSKCON*, mds*, double date, double* date_read) {
        if (++reads == fail_at_read) {
            static_cast<double*>(factor->value)[0] = -999;   // a half-done read
            return 7;
        }
        auto at = rows.upper_bound(date);
        if (at == rows.begin()) return 1;
        --at;
        static_cast<double*>(factor->value)[0] = at->second;
        *date_read = at->first;
        return 0;
    }
    static int close(RSKCON*, void*) {
        ++closes;
        return 0;
    }
};
std::map<double, double> MarketDouble::rows;
RSKVARIABLE* MarketDouble::factor = nullptr;
int MarketDouble::fail_at_read = 0;
int MarketDouble::reads = 0;
int MarketDouble::closes = 0;

class LagReading : public Lags {
protected:
    void SetUp() override {
        Lags::SetUp();
        close_ = std::make_unique<OwnSlot>(146, reinterpret_cast<void*>(&MarketDouble::close));
        MarketDouble::reads = MarketDouble::closes = MarketDouble::fail_at_read = 0;
        run_->market_data = &market_;
        run_->lag_values_wanted = 1;
    }
    void TearDown() override {
        close_.reset();
        Lags::TearDown();
    }
    int read() {
        static const RSKLAGREADER reader = {&MarketDouble::position, &MarketDouble::read};
        return read_lag_values(con, &reader);
    }
    std::unique_ptr<OwnSlot> close_;
    mds market_{};
};

TEST_F(LagReading, KeepsValuesReadOnTheirDatesAndPutsTheCurrentValuesBack) {
    grid("G", {0.25, 0.5, 1.0});
    RSKVARIABLE* r1 = lagged("r1", "G");
    ASSERT_EQ(rebuild(), 0) << log();
    std::vector<double> values{100, 0, 0, 0}, previous;
    give_storage(r1, values, previous);
    MarketDouble::factor = r1;
    const double quarter = std::floor(kBase - 365.25 * 0.25);
    const double half = std::floor(kBase - 365.25 * 0.5);
    const double year = std::floor(kBase - 365.25);
    // The quarter is there; the half year's nearest earlier date is two days off; the year is
    // one day off, which counts as the same day.
    MarketDouble::rows = {{quarter, 97}, {half - 2, 95}, {year - 1, 90}};
    // The run's saved block is copied back afterwards.
    double saved = 42, target = 0;
    run_->saved_values = &saved;
    run_->saved_values_target = &target;
    run_->saved_values_bytes = sizeof saved;
    ASSERT_EQ(setup_time_line(con), 0);
    ASSERT_EQ(read(), 0) << log();
    EXPECT_EQ(values[0], 100);                 // the current value is back
    EXPECT_EQ(values[1], 97);
    EXPECT_TRUE(qor::is_missing(values[2]));   // two days off
    EXPECT_EQ(values[3], 90);
    EXPECT_EQ(r1->lag_pending, 0);
    EXPECT_EQ(target, 42);
    EXPECT_EQ(MarketDouble::closes, 1);
    // Read once per run.
    EXPECT_EQ(read(), 1);
    EXPECT_EQ(count_of(log(), "598/1960"), 1);
}

TEST_F(LagReading, AFailedReadStillRestoresAndCloses) {
    grid("G", {0.25, 0.5});
    RSKVARIABLE* r1 = lagged("r1", "G");
    ASSERT_EQ(rebuild(), 0) << log();
    std::vector<double> values{100, 0, 0}, previous;
    give_storage(r1, values, previous);
    MarketDouble::factor = r1;
    MarketDouble::rows = {{kBase - 400, 1}};
    MarketDouble::fail_at_read = 2;
    double saved = 42, target = 0;
    run_->saved_values = &saved;
    run_->saved_values_target = &target;
    run_->saved_values_bytes = sizeof saved;
    ASSERT_EQ(setup_time_line(con), 0);
    EXPECT_EQ(read(), 7);
    EXPECT_EQ(values[0], 100);                 // not the half-done read's value
    EXPECT_EQ(target, 42);
    EXPECT_EQ(MarketDouble::closes, 1);
    EXPECT_EQ(run_->lag_values_read, 0);
}

TEST_F(LagReading, WithoutTheMarketDataReaderTheRunSaysSo) {
    grid("G", {0.25});
    RSKVARIABLE* r1 = lagged("r1", "G");
    ASSERT_EQ(rebuild(), 0) << log();
    std::vector<double> values{100, 0}, previous;
    give_storage(r1, values, previous);
    EXPECT_NE(rsklagr(con), 0);
    const std::string text = log();
    EXPECT_EQ(count_of(text, "598/1962"), 1) << text;
    EXPECT_EQ(count_of(text, "598/1961"), 1) << text;
    EXPECT_EQ(values[0], 100);
}

class LagHistory : public Lags {
protected:
    void SetUp() override {
        Lags::SetUp();
        con->run_pool = xmpoolc(4096, 4096, 0);
    }
    RSKANLPROC simulation(uint32_t kind, int model_horizons, int horizons, RSKVARLINK* factors) {
        RSKANLPROC work{};
        work.kind = kind;
        work.model_horizons = model_horizons;
        work.horizons = horizons;
        work.factors = factors;
        return work;
    }
};

TEST_F(LagHistory, BlockHoldsOnlyTheModesThatNeedIt) {
    grid("G", {0.25, 0.5});
    RSKVARIABLE* r1 = lagged("r1", "G");
    ASSERT_EQ(rebuild(), 0) << log();
    RSKVARLINK link{nullptr, r1, {}};
    // One horizon: no history.
    RSKANLPROC one = simulation(7, 1, 0, &link);
    const size_t blocks = qor_pool_live_blocks(con->run_pool);
    ASSERT_EQ(rsklagh(con, &one), 0);
    EXPECT_EQ(qor_pool_live_blocks(con->run_pool), blocks);
    EXPECT_EQ(run_->history_dates[0], nullptr);
    EXPECT_EQ(r1->lag_mode, 1);
    EXPECT_EQ(r1->lag_in_analysis, 1);
    // Three model horizons and no general ones: the dates and one row of two states each.
    RSKANLPROC three = simulation(7, 3, 0, &link);
    ASSERT_EQ(rsklagh(con, &three), 0);
    EXPECT_EQ(run_->run_pool_bytes, 4 * sizeof(double));
    ASSERT_NE(run_->history_dates[0], nullptr);
    EXPECT_EQ(r1->lag_history, run_->history_dates[0] + 2);
    // Recording: each state's date and value, then no room past the horizons.
    std::vector<double> values{5, 0, 0}, previous{4, 0, 0};
    give_storage(r1, values, previous);
    for (double day : {10.0, 20.0}) {
        run_->state_date = kBase + day;
        values[0] = day;
        EXPECT_EQ(rsklagi(con, 1), 0);
    }
    EXPECT_EQ(rsklagi(con, 1), 1);
    EXPECT_EQ(run_->history_fills[0], 2);
    EXPECT_EQ(run_->history_dates[0][1], kBase + 20);
    EXPECT_EQ(r1->lag_history[0], 10);
    EXPECT_EQ(r1->lag_history[1], 20);
    // Clearing forgets it all.
    rsklagc(con);
    EXPECT_EQ(r1->lag_history, nullptr);
    EXPECT_EQ(r1->lag_mode, 0);
    EXPECT_EQ(run_->history_on[0], 0);
}

TEST_F(LagHistory, NoMemoryForTheBlockFailsOnce) {
    grid("G", {0.25});
    RSKVARIABLE* r1 = lagged("r1", "G");
    ASSERT_EQ(rebuild(), 0) << log();
    RSKVARLINK link{nullptr, r1, {}};
    RSKANLPROC work = simulation(6, 0, 5, &link);
    qor_pool_fail_nth(1);
    EXPECT_EQ(rsklagh(con, &work), 1);
    qor_pool_fail_nth(0);
    EXPECT_EQ(count_of(log(), "598/2797"), 1);
    EXPECT_EQ(run_->history_on[0], 0);
    EXPECT_EQ(r1->lag_history, nullptr);
}

// Lag points 0, 0.25 and 1 year; the previous state's values are those of the base date.
class LagUpdate : public Lags {
protected:
    void SetUp() override {
        Lags::SetUp();
        grid("G", {0.25, 1.0});
        r1_ = lagged("r1", "G");
        ASSERT_EQ(rebuild(), 0) << log();
        ASSERT_EQ(setup_time_line(con), 0);
        give_storage(r1_, values_, previous_);
    }
    RSKVARIABLE* r1_ = nullptr;
    std::vector<double> values_{12, 11, 7};
    std::vector<double> previous_{10, 9, 6};
};

TEST_F(LagUpdate, NoElapsedTimeLeavesValuesAlone) {
    ASSERT_EQ(rsklagu(con), 0);
    EXPECT_EQ(values_, (std::vector<double>{12, 11, 7}));
}

TEST_F(LagUpdate, ValuesMoveOnByTheElapsedTime) {
    run_->state_date = kBase + 365.25 / 2;     // half a year on
    ASSERT_EQ(rsklagu(con), 0);
    // 0.25 lies inside the half year: between today's 12 (age 0) and the base's 10 (age 0.5).
    EXPECT_DOUBLE_EQ(values_[1], 11);
    // 1.0 lies between the base's 0.25 (now 0.75) and 1.0 (now 1.5): 9 + 0.25 (6 - 9) / 0.75.
    EXPECT_DOUBLE_EQ(values_[2], 8);
    EXPECT_EQ(values_[0], 12);
}

TEST_F(LagUpdate, InsideTheElapsedTimeTheHistoryAnswers) {
    con->run_pool = xmpoolc(4096, 4096, 0);
    RSKVARLINK link{nullptr, r1_, {}};
    RSKANLPROC work{};
    work.kind = 6;
    work.horizons = 3;
    work.factors = &link;
    ASSERT_EQ(rsklagh(con, &work), 0);
    run_->state_date = kBase + 365.25 / 4;     // a state a quarter on, recorded at 11.5
    values_[0] = 11.5;
    ASSERT_EQ(rsklagi(con, 1), 0);
    run_->state_date = kBase + 365.25 / 2;
    values_[0] = 12;
    ASSERT_EQ(rsklagu(con), 0);
    // Age 0.25 is the recorded state itself.
    EXPECT_DOUBLE_EQ(values_[1], 11.5);
}

TEST_F(LagUpdate, ValueByAge) {
    double date = kBase;
    con->system_variables->date->value = &date;
    struct Case {
        double age;
        int result;
        double value;                // NAN: missing
    } cases[] = {
        {0, 0, 10}, {0.25, 0, 11}, {0.125, 0, 11.5}, {1.0, 0, 7}, {0.625, 0, 9},
        {1.5, 0, NAN}, {-0.1, 1, NAN},
    };
    for (const Case& c : cases) {
        double value = 0;
        EXPECT_EQ(rsklagv(con, r1_, 0, c.age, &value), c.result) << c.age;
        if (std::isnan(c.value))
            EXPECT_TRUE(qor::is_missing(value)) << c.age;
        else
            EXPECT_DOUBLE_EQ(value, c.value) << c.age;
    }
    double value = 0;
    date = qor::missing();
    EXPECT_EQ(rsklagv(con, r1_, 0, 0.25, &value), 1);
    EXPECT_TRUE(qor::is_missing(value));
    // A missing lagged value stays missing through the interpolation.
    date = kBase;
    values_[2] = qor::missing();
    EXPECT_EQ(rsklagv(con, r1_, 0, 0.5, &value), 0);
    EXPECT_TRUE(qor::is_missing(value));
}

}  // namespace
