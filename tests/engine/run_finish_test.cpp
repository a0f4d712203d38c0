// The phases after the position loop: cells of a cross-classification rolled up and finished
// against group statistics formed here, results failing in the roll-up, the value-weighted step
// of the portfolio record, and the summary row written and read back through the data set reader.
#include <gtest/gtest.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "engine/model/analyses/analysis_record.h"
#include "engine/model/options/engine_options.h"
#include "engine/output/output_object.h"
#include "engine/run/analysis_processing.h"
#include "engine/run/position_loop.h"
#include "engine/run/project_run.h"
#include "engine/run/run_block.h"
#include "engine/run/run_finish.h"
#include "host/dataset.h"
#include "host/files.h"
#include "host/missing.h"
#include "tests/engine/aggregation_fixture.h"
#include "tests/engine/variables_fixture.h"

namespace {

constexpr double kTiny = 1.110223024625157e-16;

// One position fed into the aggregation: its value and exposure.
struct Position {
    const char* region;
    double desk;
    double value;
    double exposure;
};

int add_position(RSKCON*, void* argument, void* user_data) {
    const auto* p = static_cast<const Position*>(argument);
    rsk_cell_add_position(static_cast<RSKCELLHEAD*>(user_data), p->value, p->exposure, 0);
    return 0;
}

// The statistics of a group of positions, formed independently of the engine.
struct Expected {
    int positions = 0, missing = 0;
    std::vector<double> values;
    double exposure = 0;             // NAN once a missing exposure joined
};

class RunFinishCells : public AggregationEngine {
protected:
    // An analysis record of a kind, with the name the messages give.
    RSKANLPROC* result(int kind, const char* name) {
        analyses_.push_back(std::make_unique<RSKANALYSIS>());
        RSKANALYSIS* a = analyses_.back().get();
        std::memset(static_cast<void*>(a), 0, sizeof *a);
        a->kind = static_cast<uint32_t>(kind);
        a->name.name.text = a->name.buffer;
        a->name.name.length = static_cast<uint16_t>(std::strlen(name));
        std::memcpy(a->name.buffer, name, std::strlen(name));
        procs_.push_back(std::make_unique<RSKANLPROC>());
        RSKANLPROC* r = procs_.back().get();
        std::memset(static_cast<void*>(r), 0, sizeof *r);
        r->analysis = a;
        r->kind = static_cast<uint32_t>(kind);
        r->cell_offset = static_cast<int32_t>(sizeof(RSKCELLHEAD));
        if (run_.analyses_tail != nullptr) run_.analyses_tail->next = r;
        else run_.analyses_head = r;
        run_.analyses_tail = r;
        return r;
    }

    std::vector<std::unique_ptr<RSKANALYSIS>> analyses_;
    std::vector<std::unique_ptr<RSKANLPROC>> procs_;
};

// Every crossing's cell after the roll-up and the finish equals the statistics of its positions:
// counts, sums, extremes, mean and standard deviation (divisor k), missing exposures taking over,
// and a cell of only missing values without extremes.
TEST_F(RunFinishCells, CellsEqualTheirGroupsAfterRollUpAndFinish) {
    RSKVARIABLE* region = class_variable("Region", 6);
    RSKVARIABLE* desk = class_variable("Desk");
    RSKCROSSCLASS* x = cross("ByDesk");
    hierarchy(x, {"Region", "Desk*"});
    RSKAGGCTL* control = build(x, nullptr, sizeof(RSKCELLHEAD));
    ASSERT_NE(control, nullptr);
    run_.aggregation.control = control;

    const double m = qor::missing();
    const Position book[] = {
        {"EMEA", 1, 10, 5}, {"EMEA", 1, -4, 2},  {"EMEA", 2, m, 1},   {"APAC", 1, 7, 3},
        {"APAC", 2, m, m},  {"AMER", 2, 2.5, 1}, {"AMER", 2, 0.5, 4}, {"EMEA", 1, 1e6, 0},
    };
    using Key = std::tuple<std::string, double>;
    std::map<Key, Expected> expected;
    for (const Position& p : book) {
        set_text(region, p.region);
        set_number(desk, p.desk);
        int32_t sequence = 0;
        Position copy = p;
        ASSERT_EQ(call<EngineSlot::rskgrp0>()(con, control, add_position, &copy, &sequence), 0);
        for (const Key& k : {Key{p.region, p.desk}, Key{p.region, -1}, Key{"", p.desk}, Key{"", -1}}) {
            Expected& e = expected[k];
            ++e.positions;
            if (qor::is_missing(p.value)) ++e.missing;
            else e.values.push_back(p.value);
            e.exposure = qor::is_missing(p.exposure) ? NAN : e.exposure + p.exposure;
        }
    }

    ASSERT_EQ(rskrun3(con), 0) << log();
    ASSERT_EQ(rskrun4(con), 0) << log();

    static std::map<Key, RSKCELLHEAD>* seen_cells;
    static RSKAGGCTL* walked;
    std::map<Key, RSKCELLHEAD> seen;
    seen_cells = &seen;
    walked = control;
    auto collect = [](RSKCON*, void* user_data) {
        const char* key = walked->key;
        std::string r(key + walked->variables[0]->offset, static_cast<size_t>(walked->variables[0]->length));
        double d;
        std::memcpy(&d, key + walked->variables[1]->offset, 8);
        const bool r_total = r[0] == '+';
        while (!r.empty() && r.back() == ' ') r.pop_back();
        (*seen_cells)[Key{r_total ? "" : r, qor::missing_code(d) == '_' ? -1 : d}] = *static_cast<RSKCELLHEAD*>(user_data);
        return 0;
    };
    ASSERT_EQ(call<EngineSlot::rskgrp1>()(con, control, collect, nullptr, nullptr, 1), 0);
    ASSERT_EQ(seen.size(), expected.size());
    for (const auto& [k, e] : expected) {
        SCOPED_TRACE(std::get<0>(k) + "/" + std::to_string(std::get<1>(k)));
        ASSERT_EQ(seen.count(k), 1u);
        const RSKCELLHEAD& c = seen[k];
        EXPECT_EQ(c.positions, e.positions);
        EXPECT_EQ(c.missing, e.missing);
        double sum = 0, nonneg = 0, neg = 0;
        for (double v : e.values) (v >= 0 ? nonneg : neg) += v, sum += v;
        EXPECT_EQ(c.value_sum, sum);
        EXPECT_EQ(c.nonnegative_sum, nonneg);
        EXPECT_EQ(c.negative_sum, neg);
        if (std::isnan(e.exposure)) EXPECT_TRUE(qor::is_missing(c.exposure_sum));
        else EXPECT_EQ(c.exposure_sum, e.exposure);
        if (e.values.empty()) {
            EXPECT_TRUE(qor::is_missing(c.minimum));
            EXPECT_TRUE(qor::is_missing(c.maximum));
            continue;
        }
        double lo = DBL_MAX, hi = -DBL_MAX, squares = 0;
        for (double v : e.values) lo = std::min(lo, v), hi = std::max(hi, v);
        const double mean = sum / static_cast<double>(e.values.size());
        for (double v : e.values) squares += (v - mean) * (v - mean);
        EXPECT_EQ(c.minimum, lo);
        EXPECT_EQ(c.maximum, hi);
        EXPECT_NEAR(c.statistics_sum, mean, 1e-9 * std::fabs(mean));
        EXPECT_NEAR(c.squares_sum, std::sqrt(squares / static_cast<double>(e.values.size())),
                    1e-9 * (1 + std::fabs(mean)));
    }
    EXPECT_EQ(run_.phases.cells_finished, static_cast<int>(expected.size()));
}

// A result whose roll-up fails is reported once, marked failed and left out of the finish; the
// other results go on and the phase reports the failure.
TEST_F(RunFinishCells, ResultFailingInRollUpIsNotFinished) {
    RSKVARIABLE* desk = class_variable("Desk");
    RSKCROSSCLASS* x = cross("Desks");
    hierarchy(x, {"Desk*"});
    RSKAGGCTL* control = build(x, nullptr, sizeof(RSKCELLHEAD) + 24);
    ASSERT_NE(control, nullptr);
    run_.aggregation.control = control;
    RSKANLPROC* broken = result(16, "Broken");
    RSKANLPROC* exposure = result(14, "Current");
    for (double d : {1.0, 2.0}) {
        set_number(desk, d);
        Position p{"", d, d, 0};
        int32_t sequence = 0;
        ASSERT_EQ(call<EngineSlot::rskgrp0>()(con, control, add_position, &p, &sequence), 0);
    }
    const size_t at = log().size();
    EXPECT_EQ(rskrun3(con), 1);
    EXPECT_EQ(broken->failed, 1);
    EXPECT_EQ(exposure->failed, 0);
    EXPECT_EQ(rskrun4(con), 0);
    const std::string text = log().substr(at);
    EXPECT_NE(text.find("rskrun3: roll_up_analysis: unknown type 16."), std::string::npos) << text;
    EXPECT_EQ(text.find("598/2739"), text.rfind("598/2739")) << text;   // once
    EXPECT_EQ(text.find("rskrun4"), std::string::npos) << text;
}

// The positions of the loop carry their instrument statistics into their cells; the roll-up adds
// them up the cross-classification, the finish (under VARDEF 2) and the output give each cell
// the statistics of its own positions, worked here. A position without base value counts in no
// statistic, and a position without a value of the variable in none of its statistics.
TEST_F(RunFinishCells, InstrumentStatisticsFollowThePositionsIntoEveryCell) {
    RSKVARIABLE* desk = class_variable("Desk");
    RSKVARIABLE* qty = class_variable("Qty");
    RSKCROSSCLASS* x = cross("Desks");
    hierarchy(x, {"Desk*"});
    const int codes[] = {1, 2, 3, 4, 5, 6, 7, 9};   // SUM MEAN WGTMEAN N MIN MAX STD WGT
    constexpr int kEntries = 8;
    RSKINSTSTAT table[kEntries] = {};
    for (int i = 0; i < kEntries; ++i) {
        table[i].variable = qty;
        table[i].statistic = codes[i];
    }
    run_.result_sets.inst_stats = table;
    run_.result_sets.inst_stat_count = kEntries;
    run_.results_header = static_cast<int32_t>(sizeof(RSKCELLHEAD));
    RSKOPTREC options{};
    options.vardef = 2;
    run_.run_options = &options;
    RSKAGGCTL* control = build(x, nullptr, static_cast<int>(sizeof(RSKCELLHEAD)) + 64 * kEntries);
    ASSERT_NE(control, nullptr);
    run_.aggregation.control = control;

    struct Book {
        double desk, value, qty;
    };
    const double m = qor::missing();
    const Book book[] = {
        {1, 10, 2}, {1, 20, 4}, {1, 5, 4},  {1, m, 100}, {1, 4, 9},      // desk 1: 2 4 4 9 (the 100 has no value)
        {2, -3, 1.5}, {2, 6, m}, {2, 2, 2.5},                            // desk 2: 1.5 2.5
        {3, 7, 5},                                                       // desk 3: one position
    };
    struct Expected {
        std::vector<double> values, qtys, weights;
    };
    std::map<double, Expected> expected;   // by desk; -1 the total
    for (const Book& b : book) {
        set_number(desk, b.desk);
        set_number(qty, b.qty);
        run_.pricing.base_value[0] = b.value;
        run_.pricing.base_second[0] = 0;
        int32_t sequence = 0;
        auto feed = [](RSKCON* c, void*, void* user_data) { return perform_analysis(c, nullptr, user_data); };
        ASSERT_EQ(call<EngineSlot::rskgrp0>()(con, control, feed, nullptr, &sequence), 0) << log();
        for (double key : {b.desk, -1.0}) {
            Expected& e = expected[key];
            if (qor::is_missing(b.value)) continue;
            e.values.push_back(b.value);
            if (qor::is_missing(b.qty)) continue;
            e.qtys.push_back(b.qty);
            e.weights.push_back(b.value);
        }
    }
    ASSERT_EQ(rskrun3(con), 0) << log();
    ASSERT_EQ(rskrun4(con), 0) << log();

    struct Seen {
        std::vector<double> statistics;
        double mean, deviation;
    };
    static std::map<double, Seen>* seen_cells;
    static RSKAGGCTL* walked;
    std::map<double, Seen> seen;
    seen_cells = &seen;
    walked = control;
    auto collect = [](RSKCON* c, void* user_data) {
        const int rc = output_results(c, user_data);
        double d;
        std::memcpy(&d, walked->key + walked->variables[0]->offset, 8);
        Seen& s = (*seen_cells)[qor::missing_code(d) == '_' ? -1 : d];
        for (int i = 0; i < c->run_block->result_sets.inst_stat_count; ++i)
            s.statistics.push_back(c->run_block->result_sets.inst_stats[i].value);
        const auto* head = static_cast<const RSKCELLHEAD*>(user_data);
        s.mean = head->statistics_sum;
        s.deviation = head->squares_sum;
        return rc;
    };
    ASSERT_EQ(call<EngineSlot::rskgrp1>()(con, control, collect, nullptr, nullptr, 1), 0) << log();
    ASSERT_EQ(seen.size(), expected.size());

    // Sample deviation (divisor n - 1) in two passes; missing below two values.
    auto deviation = [](const std::vector<double>& xs) {
        if (xs.size() < 2) return qor::missing();
        double mean = 0, squares = 0;
        for (double v : xs) mean += v / static_cast<double>(xs.size());
        for (double v : xs) squares += (v - mean) * (v - mean);
        return std::sqrt(squares / static_cast<double>(xs.size() - 1));
    };
    for (const auto& [key, e] : expected) {
        SCOPED_TRACE(key);
        ASSERT_EQ(seen.count(key), 1u);
        const Seen& got = seen[key];
        const double n = static_cast<double>(e.qtys.size());
        double sum = 0, weighted = 0, weights = 0;
        for (size_t i = 0; i < e.qtys.size(); ++i) {
            sum += e.qtys[i];
            weighted += e.weights[i] * e.qtys[i];
            weights += e.weights[i];
        }
        const double want[kEntries] = {sum, sum / n, weighted / weights, n,
                                       *std::min_element(e.qtys.begin(), e.qtys.end()),
                                       *std::max_element(e.qtys.begin(), e.qtys.end()), deviation(e.qtys), weights};
        ASSERT_EQ(got.statistics.size(), static_cast<size_t>(kEntries));
        for (int i = 0; i < kEntries; ++i) {
            SCOPED_TRACE(codes[i]);
            if (qor::is_missing(want[i])) EXPECT_TRUE(qor::is_missing(got.statistics[i])) << got.statistics[i];
            else EXPECT_NEAR(got.statistics[i], want[i], 1e-12 * std::max(1.0, std::fabs(want[i])));
        }
        double values = 0;
        for (double v : e.values) values += v;
        EXPECT_NEAR(got.mean, values / static_cast<double>(e.values.size()), 1e-12 * std::fabs(values));
        const double d = deviation(e.values);
        if (qor::is_missing(d)) EXPECT_TRUE(qor::is_missing(got.deviation)) << got.deviation;
        else EXPECT_NEAR(got.deviation, d, 1e-12 * d);
    }
    run_.result_sets.inst_stats = nullptr;
    run_.result_sets.inst_stat_count = 0;
}

// Without a cross-classification the value-weighted step turns the portfolio record's
// value-weighted variable into a return on the value sum; a value sum at the threshold (either
// sign) or missing gives a missing return.
TEST_F(RunFinishCells, PortfolioReturnsOnTheValueSum) {
    struct Record {
        RSKCELLHEAD head;
        double weighted;
    };
    struct Case {
        double value_sum, expected;
    };
    const Case cases[] = {{4, 0.75}, {-4, 0.75}, {kTiny, NAN}, {-kTiny, NAN}, {2 * kTiny, 3 / (2 * kTiny)}, {qor::missing(), NAN}};
    RSKPPVAR var{static_cast<int32_t>(offsetof(Record, weighted)), 1, 0, 0};
    run_.loop.ppvars = &var;
    run_.loop.ppvar_count = 1;
    run_.loop.value_weighted = 1;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value_sum);
        Record record{};
        record.head.value_sum = c.value_sum;
        record.weighted = 3;
        run_.loop.portfolio_record = reinterpret_cast<uint8_t*>(&record);
        ASSERT_EQ(rskrun3(con), 0);
        if (std::isnan(c.expected)) EXPECT_TRUE(qor::is_missing(record.weighted));
        else EXPECT_DOUBLE_EQ(record.weighted, c.expected);
    }
}

// The output phase: the summary row of the portfolio record written and read back.
class RunFinishOutput : public VariableEngine {
protected:
    void SetUp() override {
        VariableEngine::SetUp();
        dir_ = std::filesystem::path(test_path("finish_results"));
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
        const std::string path = dir_.string();
        ASSERT_EQ(xhlasn2("FINTEST", path.c_str(), static_cast<int>(path.size()), "DISK"), 0);
        object_ = std::make_unique<RSKOUTOBJ>();
        std::memcpy(object_->libref, "FINTEST ", 8);
        object_->path = object_->path_buffer;
        std::memcpy(object_->path_buffer, path.data(), path.size());
        object_->path_length = static_cast<int16_t>(path.size());
        if (con->run_pool == nullptr) {
            con->run_pool = con->general_pool;
            borrowed_pool_ = true;
        }
        run()->outputs[RSKOUT_MAIN] = object_.get();
        run()->base_date = run()->valuation_date = 22354;
        run()->loop.portfolio_record = reinterpret_cast<uint8_t*>(&portfolio_);
    }
    void TearDown() override {
        RSKRUNRESULTS* r = &run()->result_sets;
        for (int kind = 1; kind <= kRskResKindMax; ++kind) {
            RSKRESDS& d = r->descriptors[kind];
            if (d.definition != nullptr) xvputt(d.definition);
            if (d.dataset != nullptr) xoclose(d.dataset, 0);
        }
        std::memset(static_cast<void*>(r), 0, sizeof(RSKRUNRESULTS));
        std::memset(static_cast<void*>(&run()->phases), 0, sizeof(RSKCELLPHASES));
        run()->outputs[RSKOUT_MAIN] = nullptr;
        run()->loop.portfolio_record = nullptr;
        run()->abort = 0;
        if (borrowed_pool_) con->run_pool = nullptr;
        xhldas2("FINTEST");
        std::filesystem::remove_all(dir_);
        VariableEngine::TearDown();
    }
    RSKRUNBLOCK* run() { return con->run_block; }
    void close_all() {
        RSKRUNRESULTS* r = &run()->result_sets;
        for (int kind = 1; kind <= kRskResKindMax; ++kind) {
            RSKRESDS& d = r->descriptors[kind];
            if (d.definition != nullptr) xvputt(d.definition);
            d.definition = nullptr;
            if (d.dataset != nullptr) {
                ASSERT_EQ(xoclose(d.dataset, 0), 0);
            }
            d.dataset = nullptr;
            d.open = 0;
        }
    }
    bool member_exists(const char* member) {
        return xdfxst2("FINTEST", member, static_cast<int>(std::strlen(member)), "DATA") == 0;
    }

    std::filesystem::path dir_;
    std::unique_ptr<RSKOUTOBJ> object_;
    bool borrowed_pool_ = false;
    RSKCELLHEAD portfolio_{};
};

TEST_F(RunFinishOutput, SummaryRowCarriesTheFinishedPortfolio) {
    const double values[] = {100 * std::exp(-0.03 * 2), 50 * std::exp(-0.03 * 5), 7.25};
    const double holdings[] = {1, 2, 10};
    double sum = 0, squares = 0;
    for (int i = 0; i < 3; ++i) {
        rsk_cell_add_position(&portfolio_, values[i] * holdings[i], 0, 0);
        sum += values[i] * holdings[i];
    }
    rsk_cell_add_position(&portfolio_, qor::missing(), 0, 0);
    const double mean = sum / 3;
    for (int i = 0; i < 3; ++i) squares += (values[i] * holdings[i] - mean) * (values[i] * holdings[i] - mean);

    ASSERT_EQ(rskrun4(con), 0) << log();
    ASSERT_EQ(rskrun5(con), 0) << log();
    close_all();

    qor_open_request request{};
    std::memcpy(request.libref, "FINTEST ", 8);
    request.member.length = 7;
    std::memcpy(request.member.text, "SUMMARY", 7);
    request.mode = QOR_OPEN_INPUT;
    qor_dataset* ds = nullptr;
    ASSERT_EQ(xoopen(&ds, &request), 0) << log();
    auto num = [&](const char* name) {
        int number = 0;
        EXPECT_EQ(xvfind(ds, name, -1, &number, 0), 0) << name;
        double v = 0;
        xvget1f(ds, number, &v);
        return v;
    };
    qor_obs_request get{};
    get.dataset = ds;
    ASSERT_EQ(xoget(&get, QOR_GET_NEXT), 0);
    EXPECT_EQ(num("NInst"), 4);
    EXPECT_EQ(num("NMissing"), 1);
    EXPECT_NEAR(num("MtM"), sum, 1e-12 * sum);
    EXPECT_EQ(num("BaseDate"), 22354);
    EXPECT_EQ(xoget(&get, QOR_GET_NEXT), QOR_DS_END_OF_DATA);
    xoclose(ds, 0);
    EXPECT_NEAR(portfolio_.squares_sum, std::sqrt(squares / 3), 1e-9 * mean);
}

// A run that aborts defines no result data set and reports it.
TEST_F(RunFinishOutput, AbortStopsTheOutput) {
    rsk_cell_add_position(&portfolio_, 1, 0, 0);
    run()->abort = 1;
    EXPECT_NE(rskrun5(con), 0);
    close_all();
    EXPECT_FALSE(member_exists("SUMMARY"));
}

}  // namespace
