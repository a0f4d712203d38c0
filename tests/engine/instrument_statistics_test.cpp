// Instrument statistics: a project's statistics specification made into the run's table, positions
// added to cells, cells rolled into a total and finished, checked against values worked out here
// from the positions; the cell value deviation from its sums; set-up failures and out of memory.
#include <cfloat>
#include <cmath>
#include <memory>
#include <vector>

#include "engine/analyses/instrument_statistics.h"
#include "engine/model/filters/filters.h"
#include "engine/model/names/name_records.h"
#include "engine/model/options/engine_options.h"
#include "engine/model/projects/projects.h"
#include "engine/model/variables/variable_record.h"
#include "engine/output/output_object.h"
#include "engine/output/result_datasets.h"
#include "engine/run/run_block.h"
#include "host/dataset.h"
#include "host/files.h"
#include "host/missing.h"
#include "host/pool.h"
#include "tests/engine/definitions_fixture.h"

namespace {

using qor::is_missing;

// A position: its base value (the weight) and the value of the variable.
struct Position {
    double base, qty;
};

// The statistics of a set of positions worked out directly: positions without base value or
// without a value are left out; the deviation takes two passes.
struct Expected {
    double n = 0, sum = 0, mean, wgtmean, min, max, std, wgt = 0;
    Expected(const std::vector<Position>& positions, int vardef) {
        double weighted = 0;
        std::vector<double> xs;
        for (const Position& p : positions) {
            if (is_missing(p.base) || is_missing(p.qty)) continue;
            xs.push_back(p.qty);
            sum += p.qty;
            wgt += p.base;
            weighted += p.base * p.qty;
        }
        n = static_cast<double>(xs.size());
        mean = n > 0 ? sum / n : qor::missing();
        wgtmean = wgt != 0 ? weighted / wgt : qor::missing();
        min = n > 0 ? *std::min_element(xs.begin(), xs.end()) : qor::missing();
        max = n > 0 ? *std::max_element(xs.begin(), xs.end()) : qor::missing();
        double squares = 0;
        for (double x : xs) squares += (x - mean) * (x - mean);
        std = n >= 2 ? std::sqrt(squares / (vardef == 2 ? n - 1 : n)) : qor::missing();
        if (n == 0) sum = qor::missing();
    }
};

const int kAllCodes[] = {RSKSTAT_SUM, RSKSTAT_MEAN, RSKSTAT_WGTMEAN, RSKSTAT_N,
                         RSKSTAT_MIN, RSKSTAT_MAX,  RSKSTAT_STD,     RSKSTAT_WGT};

class StatisticsTest : public DefinitionsTest {
protected:
    void SetUp() override {
        DefinitionsTest::SetUp();
        ASSERT_EQ(declare("qty", RSKVKIND_INSTRUMENT, 1, 201), 0) << log();
        ASSERT_EQ(declare("spot", RSKVKIND_FACTOR, 1, 301), 0) << log();
        qty_ = variable("qty");
        saved_value_ = qty_->value;
        qty_->value = &qty_value_;
        run_.reset(new RSKRUNBLOCK{});
        run_->results_header = 88;
        run_->run_options = &options_;
        options_.vardef = 1;
        saved_run_ = con->run_block;
        con->run_block = run_.get();
        rskname(con, &project_.name, "p1", 2);
        rskname(con, &project_.statistics, "st", 2);
    }
    void TearDown() override {
        con->run_block = saved_run_;
        qty_->value = saved_value_;
        DefinitionsTest::TearDown();
    }

    // Defines statistics specification "st": each code on the variable named.
    void specify(const std::vector<std::pair<int, const char*>>& entries) {
        RSKCATOBJ* object = nullptr;
        RSKNAMEREC name = name_of("st");
        ASSERT_EQ(rsktsgd(con, &object, &name, nullptr, nullptr), 0) << log();
        auto* list = static_cast<RSKTRANSTATS*>(object->object);
        for (const auto& [code, variable_name] : entries)
            ASSERT_EQ(rsktsga(con, list, code, variable_name, -1, nullptr, 0), 0);
    }
    void specify_all() {
        std::vector<std::pair<int, const char*>> entries;
        for (int code : kAllCodes) entries.emplace_back(code, "qty");
        specify(entries);
        ASSERT_EQ(rsasta0(con, &project_), 0) << log();
    }

    std::vector<double> new_cell() const {
        return std::vector<double>(static_cast<size_t>(11 + 8 * run_->result_sets.inst_stat_count), 0.0);
    }
    void add(std::vector<double>& cell, const Position& p) {
        run_->pricing.base_value[0] = p.base;
        qty_value_ = p.qty;
        EXPECT_EQ(rsasta2(con, cell.data()), 0);
    }
    std::vector<double> cell_of(const std::vector<Position>& positions) {
        std::vector<double> cell = new_cell();
        for (const Position& p : positions) add(cell, p);
        return cell;
    }
    // Finishes the cell and answers the output values of the table, in table order.
    std::vector<double> output(std::vector<double>& cell) {
        EXPECT_EQ(rsasta4(con, cell.data()), 0);
        EXPECT_EQ(rsasta5(con, cell.data()), 0);
        std::vector<double> values;
        for (int i = 0; i < run_->result_sets.inst_stat_count; ++i) values.push_back(run_->result_sets.inst_stats[i].value);
        return values;
    }
    // Compares the eight statistics of kAllCodes order with the worked values.
    // The deviation within `std_relative` of its worked value, the rest within rounding.
    static void expect_all(const std::vector<double>& got, const Expected& e, double std_relative = 1e-12) {
        const double want[] = {e.sum, e.mean, e.wgtmean, e.n, e.min, e.max, e.std, e.wgt};
        const char* names[] = {"SUM", "MEAN", "WGTMEAN", "N", "MIN", "MAX", "STD", "WGT"};
        ASSERT_EQ(got.size(), 8u);
        for (int k = 0; k < 8; ++k) {
            if (is_missing(want[k])) {
                EXPECT_TRUE(is_missing(got[k])) << names[k] << " " << got[k];
            } else {
                const double relative = k == 6 ? std_relative : 1e-12;
                EXPECT_NEAR(got[k], want[k], relative * std::max(1.0, std::fabs(want[k]))) << names[k];
            }
        }
    }

    RSKVARIABLE* qty_ = nullptr;
    void* saved_value_ = nullptr;
    double qty_value_ = 0;
    RSKOPTREC options_{};
    std::unique_ptr<RSKRUNBLOCK> run_;
    RSKRUNBLOCK* saved_run_ = nullptr;
    RSKPROJECT project_{};
};

const double M = qor::missing();

// Three cells of positions; the first holds a textbook sample (population deviation 2, sample
// deviation sqrt(32/7)), the others a position without base value and one without a value.
const std::vector<std::vector<Position>> kCells = {
    {{1, 2}, {1, 4}, {1, 4}, {1, 4}, {1, 5}, {1, 5}, {1, 7}, {1, 9}},
    {{10, -3.5}, {M, 1000}, {2.5, 8}},
    {{-4, 1.25}, {7, M}, {3, 0.5}, {1, 6}},
};

TEST_F(StatisticsTest, CellsAndTheirRollUpMatchTheWorkedValues) {
    specify_all();
    ASSERT_EQ(run_->result_sets.inst_stat_count, 8);
    for (int vardef : {1, 2}) {
        SCOPED_TRACE(vardef);
        options_.vardef = static_cast<uint8_t>(vardef);
        std::vector<double> total = new_cell();
        std::vector<Position> everything;
        for (const auto& positions : kCells) {
            std::vector<double> cell = cell_of(positions);
            ASSERT_EQ(rsasta3(con, total.data(), cell.data()), 0);
            everything.insert(everything.end(), positions.begin(), positions.end());
            expect_all(output(cell), Expected(positions, vardef));
        }
        expect_all(output(total), Expected(everything, vardef));
    }
    // The textbook sample's deviations, written out.
    options_.vardef = 1;
    std::vector<double> first = cell_of(kCells[0]);
    EXPECT_DOUBLE_EQ(output(first)[6], 2.0);
    options_.vardef = 2;
    first = cell_of(kCells[0]);
    EXPECT_DOUBLE_EQ(output(first)[6], std::sqrt(32.0 / 7.0));
    // The position without base value is not even in N: 2 of 3 positions count.
    std::vector<double> second = cell_of(kCells[1]);
    EXPECT_EQ(output(second)[3], 2.0);
}

TEST_F(StatisticsTest, SmallAndConstantCells) {
    specify_all();
    struct Case {
        const char* what;
        std::vector<Position> positions;
        bool equal;                  // the deviation is exactly 0
        bool split;                  // also rolled together from its first/last and middle positions
    };
    const Case cases[] = {
        {"one position: no deviation, the mean is the value", {{3, 42.5}}, false, false},
        {"no position with a value: N 0, the rest missing", {{1, M}, {M, 4}}, false, false},
        {"equal values", {{1, 0.1}, {2, 0.1}, {3, 0.1}, {4, 0.1}, {5, 0.1}, {6, 0.1}, {7, 0.1}}, true, false},
        {"near-constant large values", {{1, 1e6}, {1, 1e6 + 0x1p-10}, {1, 1e6 + 0x2p-10}, {1, 1e6 + 0x4p-10}}, false, true},
    };
    for (int vardef : {1, 2}) {
        options_.vardef = static_cast<uint8_t>(vardef);
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.what) + " vardef " + std::to_string(vardef));
            std::vector<double> cell = cell_of(c.positions);
            const std::vector<double> got = output(cell);
            const Expected want(c.positions, vardef);
            expect_all(got, want, 1e-6);
            if (c.equal) {
                EXPECT_EQ(got[6], 0.0);
            }
            // The spread of the near-constant cell survives (a sum of squares would lose it all),
            // also when its positions come from two cells rolled together.
            if (c.split) {
                EXPECT_NEAR(got[6], want.std, 1e-6 * want.std);
                std::vector<double> parent = cell_of({c.positions[0], c.positions[3]});
                std::vector<double> child = cell_of({c.positions[1], c.positions[2]});
                ASSERT_EQ(rsasta3(con, parent.data(), child.data()), 0);
                EXPECT_NEAR(output(parent)[6], want.std, 1e-6 * want.std);
            }
        }
    }
}

TEST_F(StatisticsTest, RollUpWithEmptyCellsKeepsTheExtremes) {
    specify({{RSKSTAT_MIN, "qty"}, {RSKSTAT_MAX, "qty"}, {RSKSTAT_STD, "qty"}});
    ASSERT_EQ(rsasta0(con, &project_), 0) << log();
    std::vector<double> total = new_cell();
    std::vector<double> empty = new_cell();
    std::vector<double> cell = cell_of({{1, -2}, {1, 6}});
    // An empty parent and an empty child (zero-filled areas) must not pass their 0 as an extreme.
    ASSERT_EQ(rsasta3(con, total.data(), empty.data()), 0);
    ASSERT_EQ(rsasta3(con, total.data(), cell.data()), 0);
    ASSERT_EQ(rsasta3(con, total.data(), empty.data()), 0);
    const std::vector<double> got = output(total);
    EXPECT_EQ(got[0], -2.0);
    EXPECT_EQ(got[1], 6.0);
    EXPECT_DOUBLE_EQ(got[2], 4.0);
}

TEST_F(StatisticsTest, AnUnknownCodeIsMissingInItsCellAndEveryParent) {
    specify({{8, "qty"}, {RSKSTAT_SUM, "qty"}});
    ASSERT_EQ(rsasta0(con, &project_), 0) << log();
    std::vector<double> total = new_cell();
    std::vector<double> cell = cell_of({{1, 2}, {1, 3}});
    std::vector<double> other = new_cell();
    ASSERT_EQ(rsasta3(con, total.data(), cell.data()), 0);
    ASSERT_EQ(rsasta3(con, total.data(), other.data()), 0);
    std::vector<double> got = output(cell);
    EXPECT_TRUE(is_missing(got[0]));
    EXPECT_EQ(got[1], 5.0);
    got = output(total);
    EXPECT_TRUE(is_missing(got[0]));
    EXPECT_EQ(got[1], 5.0);
    EXPECT_NE(log().find("rsasta2: unknown stat code 8 for qty"), std::string::npos) << log();
}

TEST_F(StatisticsTest, SetUpKeepsTheUsableEntriesInOrder) {
    ASSERT_EQ(declare("when", RSKVKIND_INSTRUMENT, 3, 201), 0) << log();
    specify({{RSKSTAT_SUM, "qty"}, {RSKSTAT_MAX, "nosuch"}, {RSKSTAT_MEAN, "spot"}, {RSKSTAT_MIN, "when"}});
    ASSERT_EQ(rsasta0(con, &project_), 0) << log();
    const RSKRUNRESULTS& r = run_->result_sets;
    ASSERT_EQ(r.inst_stat_count, 2);
    EXPECT_EQ(r.inst_stats[0].variable, qty_);
    EXPECT_EQ(r.inst_stats[0].statistic, RSKSTAT_SUM);
    EXPECT_EQ(r.inst_stats[1].variable, variable("when"));
    EXPECT_EQ(r.inst_stats[1].statistic, RSKSTAT_MIN);
    EXPECT_TRUE(is_missing(r.inst_stats[1].value));
    const std::string text = log();
    EXPECT_NE(text.find("rsasta0: variable \"nosuch\" for stat not found."), std::string::npos) << text;
    EXPECT_NE(text.find("rsasta0: variable spot for stat not trans var."), std::string::npos) << text;
}

TEST_F(StatisticsTest, SetUpFailures) {
    // No specification of that name.
    EXPECT_EQ(rsasta0(con, &project_), 1);
    EXPECT_NE(log().find("598/1990"), std::string::npos) << log();
    EXPECT_EQ(run_->result_sets.inst_stat_count, 0);

    // The table cannot be had: 598/2797, result 1, then a later attempt succeeds.
    specify({{RSKSTAT_SUM, "qty"}, {RSKSTAT_N, "qty"}});
    qor_pool_fail_nth(1);
    EXPECT_EQ(rsasta0(con, &project_), 1);
    qor_pool_fail_nth(0);
    EXPECT_NE(log().find("598/2797"), std::string::npos) << log();
    EXPECT_NE(log().find("instrument statistics"), std::string::npos) << log();
    EXPECT_EQ(run_->result_sets.inst_stat_count, 0);
    con->no_memory_reported = 0;
    EXPECT_EQ(rsasta0(con, &project_), 0) << log();
    EXPECT_EQ(run_->result_sets.inst_stat_count, 2);
}

// The statistics of a cell reach the SUMMARY rows as columns named by their result names.
TEST_F(StatisticsTest, SummaryRowsCarryTheStatisticsOfTheirCell) {
    RSKCATOBJ* object = nullptr;
    RSKNAMEREC name = name_of("st");
    ASSERT_EQ(rsktsgd(con, &object, &name, nullptr, nullptr), 0) << log();
    auto* list = static_cast<RSKTRANSTATS*>(object->object);
    ASSERT_EQ(rsktsga(con, list, RSKSTAT_MEAN, "qty", -1, "QtyMean", -1), 0);
    ASSERT_EQ(rsktsga(con, list, RSKSTAT_STD, "qty", -1, "QtyStd", -1), 0);
    ASSERT_EQ(rsktsga(con, list, RSKSTAT_N, "qty", -1, "QtyN", -1), 0);
    ASSERT_EQ(rsasta0(con, &project_), 0) << log();

    const std::string path = std::filesystem::path(test_path("stats")).string();
    std::filesystem::remove_all(path);
    std::filesystem::create_directories(path);
    ASSERT_EQ(xhlasn2("STATOUT", path.c_str(), static_cast<int>(path.size()), "DISK"), 0);
    auto output_object = std::make_unique<RSKOUTOBJ>();
    std::memcpy(output_object->libref, "STATOUT ", 8);
    output_object->path = output_object->path_buffer;
    std::memcpy(output_object->path_buffer, path.data(), path.size());
    output_object->path_length = static_cast<int16_t>(path.size());
    con->options->current.datasets = 1;
    con->options->current.mddbs = 0;
    qor_pool* saved_pool = con->run_pool;
    if (con->run_pool == nullptr) con->run_pool = con->general_pool;

    RSKRESDS* d = nullptr;
    ASSERT_EQ(rskputd(con, &d, output_object.get(), 4), 0) << log();
    ASSERT_NE(d, nullptr);
    // Two cells: 1, 2, 6 (mean 3, deviation sqrt(14/3)) and a single position 10.
    for (const std::vector<Position>& positions : {std::vector<Position>{{1, 1}, {1, 2}, {1, 6}},
                                                   std::vector<Position>{{2, 10}}}) {
        std::vector<double> cell = cell_of(positions);
        output(cell);
        ASSERT_EQ(rskput(con, d), 0) << log();
    }
    xvputt(d->definition);
    d->definition = nullptr;
    ASSERT_EQ(xoclose(d->dataset, 0), 0);
    d->dataset = nullptr;
    d->open = 0;

    qor_open_request request{};
    std::memcpy(request.libref, "STATOUT ", 8);
    request.member.length = 7;
    std::memcpy(request.member.text, "SUMMARY", 7);
    request.mode = QOR_OPEN_INPUT;
    qor_dataset* ds = nullptr;
    ASSERT_EQ(xoopen(&ds, &request), 0);
    auto num = [&](const char* column) {
        int number = 0;
        EXPECT_EQ(xvfind(ds, column, -1, &number, 0), 0) << column;
        double v = 0;
        xvget1f(ds, number, &v);
        return v;
    };
    qor_obs_request next{};
    next.dataset = ds;
    ASSERT_EQ(xoget(&next, QOR_GET_NEXT), 0);
    EXPECT_DOUBLE_EQ(num("QtyMean"), 3);
    EXPECT_DOUBLE_EQ(num("QtyStd"), std::sqrt(14.0 / 3));
    EXPECT_EQ(num("QtyN"), 3);
    ASSERT_EQ(xoget(&next, QOR_GET_NEXT), 0);
    EXPECT_EQ(num("QtyMean"), 10);
    EXPECT_TRUE(is_missing(num("QtyStd")));
    EXPECT_EQ(num("QtyN"), 1);
    EXPECT_EQ(xoget(&next, QOR_GET_NEXT), QOR_DS_END_OF_DATA);
    xoclose(ds, 0);

    for (int kind = 1; kind <= kRskResKindMax; ++kind) {
        RSKRESDS& descriptor = run_->result_sets.descriptors[kind];
        for (value_set*& set : descriptor.levels)
            if (set != nullptr) zvterm(set);
    }
    con->run_pool = saved_pool;
    xhldas2("STATOUT");
    std::filesystem::remove_all(path);
}

TEST_F(StatisticsTest, CellValueDeviationFromItsSums) {
    struct Case {
        const char* what;
        double n, sum, squares;
        int vardef;
        int rc;
        double mean, deviation;   // NaN: left as it was
    };
    const double keep = std::nan("");
    // Values 1, 2, 3, 6: sum 12, squares 50, mean 3, squared deviations 14.
    const Case cases[] = {
        {"negative count", -1, 5, 9, 1, 1, M, M},
        {"no value", 0, 7, 9, 1, 1, keep, M},
        {"sum missing", 2, M, 9, 1, 1, M, M},
        {"squares missing", 4, 12, M, 1, 1, 3, M},
        {"population", 4, 12, 50, 1, 0, 3, std::sqrt(14.0 / 4)},
        {"sample", 4, 12, 50, 2, 0, 3, std::sqrt(14.0 / 3)},
        {"other VARDEF counts as 1", 4, 12, 50, 7, 0, 3, std::sqrt(14.0 / 4)},
        {"equal values", 3, 0.3, 3 * 0.1 * 0.1, 1, 0, 0.1, 0},
        {"one value of 0 under VARDEF 2", 1, 0, 0, 2, 1, 0, M},
        {"one value under VARDEF 2", 1, 5, 25, 2, 1, 5, M},
        {"mean at rounding level of the deviation", 2, 1e-30, 2, 1, 0, 0, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        options_.vardef = static_cast<uint8_t>(c.vardef);
        double sum = c.sum, squares = c.squares;
        EXPECT_EQ(rsastd(con, c.n, &sum, &squares), c.rc);
        const double want_mean = std::isnan(c.mean) && !is_missing(c.mean) ? c.sum : c.mean;
        if (is_missing(want_mean)) {
            EXPECT_TRUE(is_missing(sum));
        } else {
            EXPECT_NEAR(sum, want_mean, 1e-15);
        }
        if (is_missing(c.deviation)) {
            EXPECT_TRUE(is_missing(squares));
        } else {
            EXPECT_NEAR(squares, c.deviation, 1e-12);
        }
    }
}

}  // namespace
