// Market data sets over small data sets of a scratch library: finding the definition (explicit
// names, the run's list, the environment's), binding risk factors (mapped column first, character
// columns absent), time series dates and gaps, covariance and correlation matrices, out of memory.
#include <cstring>
#include <string>
#include <vector>

#include "common/intervals/interval_spec.h"
#include "engine/model/market/market_data_sets.h"
#include "engine/model/names/name_records.h"
#include "engine/model/services/files.h"
#include "engine/run/run_block.h"
#include "host/missing.h"
#include "tests/engine/definitions_fixture.h"

namespace {

constexpr uint32_t kFactor = 2, kNum = 1, kIr = 321;
constexpr double kMissing = -999;   // what a slot holds before a read

class MarketDataSets : public DefinitionsTest {
protected:
    void SetUp() override {
        DefinitionsTest::SetUp();
        double maturity = 1;   // one factor per maturity of the USD curve
        for (const char* name : {"spot", "rate", "sigma"})
            ASSERT_EQ(declare(name, kFactor, kNum, kIr, 0, "USD", maturity++), 0) << log();
        ASSERT_EQ(engine_routine<EngineSlot::rsk0>()(con), 0) << log();
        con->variables_pending = 0;
        const char* names[] = {"spot", "rate", "sigma"};
        for (int i = 0; i < 3; ++i) {
            factors[i] = variable(names[i]);
            ASSERT_NE(factors[i], nullptr);
            current[i] = covrow[i] = deviation[i] = kMissing;
            factors[i]->run.state_address[0] = &current[i];
            factors[i]->covrow_address = &covrow[i];
            factors[i]->std_address = &deviation[i];
            factors[i]->matrix_index = static_cast<int16_t>(i);
        }
    }
    void TearDown() override {
        if (con != nullptr) {
            rskmdsc(con, &md);
            for (RSKVARIABLE* v : factors)
                if (v != nullptr) v->run.state_address[0] = nullptr;
            con->run_block->market_data_list = nullptr;
        }
        DefinitionsTest::TearDown();
    }

    RSKCATOBJ* define(const char* name, uint32_t type, const char* member, const char* interval = nullptr,
                      const char* row = nullptr) {
        std::string dataset = std::string("DEFS.") + member;
        RSKNAMEREC key = name_of(name), ds = name_of(dataset.c_str()), row_key = name_of(row != nullptr ? row : "");
        interval_spec spec{};
        if (interval != nullptr) {
            EXPECT_EQ(zintstr(interval, -1, &spec), 0);
        }
        RSKCATOBJ* object = nullptr;
        EXPECT_EQ(engine_routine<EngineSlot::rskidsd>()(con, &object, &key, type, interval ? &spec : nullptr,
                                                        row ? &row_key : nullptr, &ds, nullptr),
                  0)
            << log();
        return object;
    }
    // Opens with explicit names (null: the run's list, then the environment's).
    int open(int type, std::vector<const char*> names = {}, const char* interval = nullptr) {
        rskmdsc(con, &md);
        cells.assign(names.size(), RSKNAMECELL{});
        for (size_t i = 0; i < names.size(); ++i) {
            rskname(con, &cells[i].name, names[i], -1);
            cells[i].next = i + 1 < names.size() ? &cells[i + 1] : nullptr;
        }
        interval_spec spec{};
        if (interval != nullptr) {
            EXPECT_EQ(zintstr(interval, -1, &spec), 0);
        }
        return rskmdso(con, &md, type, nullptr, cells.empty() ? nullptr : cells.data(), interval ? &spec : nullptr,
                       nullptr);
    }

    RSKVARIABLE* factors[3] = {};
    double current[3], covrow[3], deviation[3];
    mds md{};
    std::vector<RSKNAMECELL> cells;
};

TEST_F(MarketDataSets, CurrentValuesTakeTheMappedColumnFirstAndSkipCharacterColumns) {
    // rate is mapped to column "r"; the data set also has a column named rate, which loses.
    ASSERT_EQ(write_test_dataset("DEFS", "mkt", {{"spot", false, 8}, {"r", false, 8}, {"rate", false, 8}, {"sigma", true, 8}},
                                 {{"100", "0.05", "9", "x"}, {"101", ".", "9", "y"}}),
              0);
    RSKCATOBJ* object = define("now", RSKMDSTYPE_CURRENT, "mkt");
    RSKNAMEREC rate = name_of("rate"), column = name_of("r");
    ASSERT_EQ(engine_routine<EngineSlot::rskidsa>()(con, object, &rate, &column), 0) << log();

    ASSERT_EQ(open(RSKMDS_CURRENT, {"now"}), 0) << log();
    EXPECT_EQ(md.factor_count, 2);
    EXPECT_EQ(factors[2]->mds_found, 0);                 // sigma is a character column
    EXPECT_EQ(factors[0]->from_current[0], 1);
    EXPECT_EQ(rskmdsr(con, &md, qor::missing()), 0);
    EXPECT_EQ(current[0], 100);
    EXPECT_EQ(current[1], 0.05);
    EXPECT_EQ(current[2], kMissing);
    EXPECT_EQ(rskmdsr(con, &md, qor::missing()), 0);
    EXPECT_EQ(current[0], 101);
    EXPECT_TRUE(qor::is_missing(current[1]));
    EXPECT_EQ(rskmdsr(con, &md, qor::missing()), 1);     // end of data
    EXPECT_EQ(md.end, 1u);
    rskmdsc(con, &md);
    EXPECT_EQ(md.open, 0u);
    EXPECT_EQ(rskmdsr(con, &md, qor::missing()), 99);    // closed
}

TEST_F(MarketDataSets, TheRunsListFallsBackToTheEnvironmentsWithAMessage) {
    ASSERT_EQ(write_test_dataset("DEFS", "mkt", {{"spot", false, 8}}, {{"100"}}), 0);
    define("series", RSKMDSTYPE_TIMESERIES, "mkt", "DAY");
    define("now", RSKMDSTYPE_CURRENT, "mkt");
    RSKNAMECELL listed{};
    rskname(con, &listed.name, "series", -1);
    con->run_block->market_data_list = &listed;

    ASSERT_EQ(open(RSKMDS_CURRENT), 0) << log();
    EXPECT_EQ(count_of(log(), "598/2424"), 1);
    EXPECT_EQ(std::string(md.definition->name.buffer, md.definition->name.name.length), "now");
    // Explicit names that hold no Current definition: 2, quietly.
    EXPECT_EQ(open(RSKMDS_CURRENT, {"series"}), 2);
    EXPECT_EQ(count_of(log(), "598/2424"), 1);
    // rskmdsl marks the factors the current data hold through the same search.
    factors[0]->from_current[0] = 0;
    EXPECT_EQ(rskmdsl(con, nullptr), 0);
    EXPECT_EQ(factors[0]->from_current[0], 1);
    EXPECT_EQ(count_of(log(), "598/2424"), 2);
    // Open type 4 and unknown ones are refused.
    EXPECT_EQ(open(RSKMDS_NONE, {"now"}), 1);
    EXPECT_EQ(open(12, {"now"}), 1);
    EXPECT_EQ(count_of(log(), "rskmdso: invalid opentype"), 2);
}

TEST_F(MarketDataSets, RepeatedDatesStopTheSeries) {
    ASSERT_EQ(write_test_dataset("DEFS", "ts", {{"date", false, 8}, {"spot", false, 8}},
                                 {{"1", "10"}, {"2", "11"}, {"2", "12"}, {"3", "13"}}),
              0);
    define("series", RSKMDSTYPE_TIMESERIES, "ts");
    ASSERT_EQ(open(RSKMDS_TIMESERIES, {"series"}), 0) << log();
    ASSERT_EQ(rskmds0(con, &md, qor::missing()), 0);
    double date = 0;
    EXPECT_EQ(rskmds1(con, &md, &date), 0);
    EXPECT_EQ(date, 1);
    EXPECT_EQ(rskmds1(con, &md, &date), 0);
    EXPECT_EQ(current[0], 11);
    EXPECT_EQ(rskmds1(con, &md, &date), 5);
    EXPECT_EQ(count_of(log(), "598/2422"), 1);
    EXPECT_EQ(rskmds1(con, &md, &date), 99);
    EXPECT_EQ(rskmds0(con, &md, 1), 99);
    // Reopened: a date after the last gives 2 and the end flag; one in between is read at it.
    ASSERT_EQ(open(RSKMDS_TIMESERIES, {"series"}), 0);
    EXPECT_EQ(rskmds0(con, &md, 4), 2);
    EXPECT_EQ(md.end, 1u);
    EXPECT_EQ(rskmdsr(con, &md, 1), 0);
    EXPECT_EQ(current[0], 10);
    EXPECT_EQ(rskmds2(con, &md, 2, &date), 0);
    EXPECT_EQ(date, 2);
}

// Dates in days from 1 January 1960 (a Friday): Monday 4 January is day 3.
TEST_F(MarketDataSets, GapsAreCountedInIntervals) {
    struct Case {
        const char* interval;
        std::vector<const char*> dates;
        std::vector<int> codes;     // of each rskmds1
    };
    const Case cases[] = {
        // DAY (code 25): gaps of 1, 2, 4 and 4 days pass, 7 does not.
        {"DAY", {"3", "4", "6", "10", "14", "21"}, {0, 0, 0, 0, 0, 3}},
        // WEEKDAY (code 27): Thursday to Monday is 2 working days; Friday to Friday 5.
        {"WEEKDAY", {"3", "4", "6", "10", "14", "21"}, {0, 0, 0, 0, 0, 3}},
        // WEEK (code 30): only consecutive weeks pass.
        {"WEEK", {"3", "10", "24"}, {0, 0, 3}},
    };
    int member = 0;
    for (const Case& c : cases) {
        for (int type : {RSKMDS_TIMESERIES, RSKMDS_TIMESERIES_GAPS}) {
            std::vector<std::vector<std::string>> rows;
            for (const char* d : c.dates) rows.push_back({d, "1"});
            const std::string name = "g" + std::to_string(member++);
            ASSERT_EQ(write_test_dataset("DEFS", name.c_str(), {{"DATE", false, 8}, {"spot", false, 8}}, rows), 0);
            define(name.c_str(), RSKMDSTYPE_TIMESERIES, name.c_str(), c.interval);
            const size_t from = log().size();
            ASSERT_EQ(open(type, {name.c_str()}), 0) << c.interval << log();
            ASSERT_EQ(rskmds0(con, &md, qor::missing()), 0);
            for (size_t i = 0; i < c.codes.size(); ++i)
                EXPECT_EQ(rskmds1(con, &md, nullptr), c.codes[i]) << c.interval << " row " << i;
            EXPECT_EQ(rskmds1(con, &md, nullptr), 1);
            const int gaps = count_of(log().substr(from), "598/2423");
            EXPECT_EQ(gaps, type == RSKMDS_TIMESERIES_GAPS ? 1 : 0) << c.interval;
        }
    }
}

TEST_F(MarketDataSets, CovarianceRowsFillThePackedMatrix) {
    ASSERT_EQ(write_test_dataset("DEFS", "cov", {{"_TYPE_", true, 8}, {"factor", true, 8}, {"spot", false, 8},
                                                  {"rate", false, 8}},
                                 {{"N", "", "5", "5"},
                                  {"COV", "spot", "-1e-200", "0.5"},
                                  {"COV", "spot", "9", "9"},
                                  {"cov", "rate", ".", "2"}}),
              0);
    define("cv", RSKMDSTYPE_COVARIANCE, "cov", nullptr, "factor");
    ASSERT_EQ(open(RSKMDS_COVARIANCE, {"cv"}), 0) << log();
    double matrix[3] = {-1, -1, -1};
    md.covariance = matrix;
    EXPECT_EQ(rskmdsr(con, &md, qor::missing()), 0) << log();
    EXPECT_EQ(matrix[0], 0);       // a tiny negative variance is 0
    EXPECT_EQ(matrix[1], 0.5);     // the first spot row; the second is passed over
    EXPECT_EQ(matrix[2], 2);       // a missing element leaves the matrix as it was
    EXPECT_EQ(count_of(log(), "598/2431"), 0);

    // A clearly negative variance fails the read.
    ASSERT_EQ(write_test_dataset("DEFS", "neg", {{"_TYPE_", true, 8}, {"_NAME_", true, 8}, {"spot", false, 8}},
                                 {{"COV", "spot", "-1e-10"}}),
              0);
    define("neg", RSKMDSTYPE_COVARIANCE, "neg");
    ASSERT_EQ(open(RSKMDS_COVARIANCE, {"neg"}), 0) << log();
    md.covariance = matrix;
    EXPECT_EQ(rskmdsr(con, &md, qor::missing()), 1);
    EXPECT_EQ(count_of(log(), "598/2432"), 1);
}

TEST_F(MarketDataSets, CorrelationReadsItsStdRowAndWarnsWithoutOne) {
    const std::vector<TestColumn> columns = {{"_TYPE_", true, 8}, {"_NAME_", true, 8}, {"spot", false, 8},
                                             {"rate", false, 8}};
    ASSERT_EQ(write_test_dataset("DEFS", "corr", columns,
                                 {{"CORR", "spot", "1", "0.3"}, {"CORR", "rate", "0.3", "1"}, {"STD", "", "2", "4"}}),
              0);
    ASSERT_EQ(write_test_dataset("DEFS", "nostd", columns, {{"CORR", "spot", "1", "0.3"}, {"CORR", "rate", "0.3", "1"}}),
              0);
    define("withstd", RSKMDSTYPE_CORRELATION, "corr");
    define("nostd", RSKMDSTYPE_CORRELATION, "nostd");
    double matrix[3], deviations[2];
    for (const char* name : {"withstd", "nostd"}) {
        ASSERT_EQ(open(RSKMDS_CORRELATION, {name}), 0) << log();
        matrix[0] = matrix[1] = matrix[2] = deviations[0] = deviations[1] = -1;
        md.covariance = matrix;
        md.deviations = deviations;
        EXPECT_EQ(rskmdsr(con, &md, qor::missing()), 0) << name;
        EXPECT_EQ(matrix[1], 0.3) << name;
        EXPECT_EQ(matrix[2], 1) << name;
        const bool with = std::string(name) == "withstd";
        EXPECT_EQ(deviations[1], with ? 4 : -1) << name;
    }
    EXPECT_EQ(count_of(log(), "598/2433"), 1);
}

TEST_F(MarketDataSets, MissingSpecialColumnsAreReported) {
    ASSERT_EQ(write_test_dataset("DEFS", "plain", {{"spot", false, 8}, {"DATE", true, 8}}, {{"1", "x"}}), 0);
    define("cv", RSKMDSTYPE_COVARIANCE, "plain");
    define("sigma", RSKMDSTYPE_VOLATILITY, "plain");
    define("series", RSKMDSTYPE_TIMESERIES, "plain");
    EXPECT_EQ(open(RSKMDS_COVARIANCE, {"cv"}), 99);       // no _TYPE_
    EXPECT_EQ(open(RSKMDS_STD, {"sigma"}), 99);
    EXPECT_EQ(count_of(log(), "598/2412"), 2);
    EXPECT_EQ(open(RSKMDS_TIMESERIES, {"series"}), 99);   // DATE is character
    EXPECT_EQ(count_of(log(), "598/2413"), 1);
    // A definition whose data set is not there.
    define("gone", RSKMDSTYPE_CURRENT, "nothere");
    EXPECT_EQ(open(RSKMDS_CURRENT, {"gone"}), 2);
}

TEST_F(MarketDataSets, OutOfMemoryForTheFactorListFailsCleanly) {
    ASSERT_EQ(write_test_dataset("DEFS", "mkt", {{"spot", false, 8}, {"rate", false, 8}}, {{"1", "2"}}), 0);
    define("now", RSKMDSTYPE_CURRENT, "mkt");
    int failures = 0;
    for (long n = 1; n < 50; ++n) {
        con->no_memory_reported = 0;
        const size_t from = log().size();
        qor_pool_fail_nth(n);
        const int rc = open(RSKMDS_CURRENT, {"now"});
        const long left = qor_pool_fail_nth(0);
        const std::string text = log().substr(from);
        rskmdsc(con, &md);
        if (left > 0) {
            EXPECT_EQ(rc, 0) << text;
            break;
        }
        ++failures;
        EXPECT_NE(rc, 0) << n;
        EXPECT_LE(count_of(text, "598/2797"), 1) << text;
    }
    EXPECT_GE(failures, 1);
    EXPECT_NE(count_of(log(), "market data set variables list"), 0);
}

}  // namespace
