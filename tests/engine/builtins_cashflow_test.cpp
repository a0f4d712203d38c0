// The cash-flow built-ins run by compiled programs: PV_CASHFLOW on a flat and a sloped yield
// curve against closed forms, its edge cases as a table, and N_CASH_FLOWS, CASHFLOW and
// CF_VERTICES over an instrument's cash-flow block. The state date is 1 January 2000.
#include <array>
#include <cmath>
#include <string>
#include <vector>

#include "engine/model/arrays/arrays.h"
#include "engine/model/variables/variable_record.h"
#include "engine/model/variables/variables.h"
#include "engine/run/run_storage.h"
#include "tests/engine/builtins_fixture.h"

namespace {

constexpr double kStateDate = 14610;          // 1 January 2000, days from 1 January 1960
constexpr double kYear = 365.25;              // four years are 1461 days

std::string text(double x) {
    char out[40];
    std::snprintf(out, sizeof out, "%.17g", x);
    return out;
}

}  // namespace

class CashFlowBuiltinTest : public BuiltinCallTest {
protected:
    void SetUp() override {
        BuiltinCallTest::SetUp();
        RSKSYSVARS* sys = con->system_variables;
        ASSERT_NE(sys, nullptr);
        date_ = sys->date;
        flows_var_ = sys->cash_flows;
        ASSERT_NE(date_, nullptr);
        saved_date_ = date_->value;
        date_->value = &state_date_;
        // The curve USD: yields at 1, 2, 5 and 10 years.
        const char* points[] = {"T1", "T2", "T5", "T10"};
        const double years[] = {1, 2, 5, 10};
        for (int i = 0; i < 4; ++i) ASSERT_EQ(declare(Declare(points[i], RSKVKIND_FACTOR, 1, 321).maturity(years[i]).currency("USD")), 0) << log();
        ASSERT_EQ(declare(Declare("USD", RSKVKIND_FACTOR, RSKDTYPE_ARRAY, 321).currency("USD"), &curve_), 0) << log();
        for (const char* p : points) ASSERT_EQ(rskarya(con, curve_, p, -1), 0) << log();
        ASSERT_EQ(rebuild(), 0) << log();   // the run-time tables and the array's elements
        ASSERT_EQ(curve_->element_count, 4.0);
    }
    void TearDown() override {
        if (date_ != nullptr) date_->value = saved_date_;
        if (flows_var_ != nullptr) flows_var_->run.buffers[0] = saved_flows_;
        BuiltinCallTest::TearDown();
    }
    // The instrument's cash-flow block for the test.
    void instrument_flows(std::vector<double> dates, std::vector<double> amounts, std::vector<std::string> currencies) {
        dates_ = std::move(dates);
        amounts_ = std::move(amounts);
        currencies_.assign(dates_.size(), {' ', ' ', ' '});
        for (size_t i = 0; i < currencies.size(); ++i)
            for (int k = 0; k < 3; ++k) currencies_[i][static_cast<size_t>(k)] = currencies[i][static_cast<size_t>(k)];
        block_.count = static_cast<int32_t>(dates_.size());
        block_.capacity = block_.count;
        block_.dates = dates_.data();
        block_.amounts = amounts_.data();
        block_.currencies = reinterpret_cast<char (*)[3]>(currencies_.data());
        ASSERT_NE(flows_var_, nullptr);
        saved_flows_ = flows_var_->run.buffers[0];
        flows_var_->run.buffers[0] = &block_;
    }
    // PV_CASHFLOW(n, dates, amounts, usd) over the curve values; the result, or missing.
    double pv(const std::vector<double>& dates, const std::vector<double>& amounts, const std::vector<double>& yields,
              const std::string& count, int* code = nullptr) {
        std::vector<std::string> s;
        s.push_back("array d[" + std::to_string(dates.size()) + "];");
        s.push_back("array a[" + std::to_string(amounts.size()) + "];");
        s.push_back("array usd[4];");
        for (size_t i = 0; i < dates.size(); ++i) s.push_back("d[" + std::to_string(i + 1) + "] = " + text(dates[i]) + ";");
        for (size_t i = 0; i < amounts.size(); ++i) s.push_back("a[" + std::to_string(i + 1) + "] = " + text(amounts[i]) + ";");
        for (size_t i = 0; i < 4; ++i) s.push_back("usd[" + std::to_string(i + 1) + "] = " + text(yields[i]) + ";");
        s.push_back("x = PV_CASHFLOW(" + count + ", d, a, usd);");
        cmp_instance* instance = build(s);
        if (instance == nullptr) return qor::make_missing(1);
        const int rc = cmpfrun(instance, 1);
        if (code != nullptr) *code = rc;
        return *number(instance, "X");
    }

    RSKVARIABLE* date_ = nullptr;
    RSKVARIABLE* flows_var_ = nullptr;
    RSKVARIABLE* curve_ = nullptr;
    void* saved_date_ = nullptr;
    void* saved_flows_ = nullptr;
    double state_date_ = kStateDate;
    RSKCASHFLOWS block_{};
    std::vector<double> dates_, amounts_;
    std::vector<std::array<char, 3>> currencies_;
};

TEST_F(CashFlowBuiltinTest, PresentValueOnFlatAndSlopedCurvesMatchesClosedForms) {
    const double y2004 = kStateDate + 4 * kYear, y2008 = kStateDate + 8 * kYear, y2012 = kStateDate + 12 * kYear;
    // 100 in 2004, 2008 and 2012 and 1000 in 2012 at a flat 4%: 100(v^4 + v^8 + v^12) + 1000 v^12.
    const double flat = pv({y2004, y2008, y2012, y2012}, {100, 100, 100, 1000}, {0.04, 0.04, 0.04, 0.04}, "4");
    EXPECT_NEAR(flat, 845.606194141242, 1e-12 * 845.606194141242);
    // 1000 in 2004 on 2%, 3%, 4%, 5%: the 4-year yield is 3% + (4% - 3%) (4 - 2) / (5 - 2).
    const double sloped = pv({y2004}, {1000}, {0.02, 0.03, 0.04, 0.05}, "1");
    EXPECT_NEAR(sloped, 865.851597920589, 1e-12 * 865.851597920589);
}

TEST_F(CashFlowBuiltinTest, PresentValueEdgeCases) {
    const std::vector<double> curve = {0.02, 0.03, 0.04, 0.05};
    const struct {
        const char* name;
        std::vector<double> dates, amounts;
        std::vector<double> yields;
        const char* count;
        double expected;             // missing: the result is missing
    } rows[] = {
        {"on the state date: undiscounted", {kStateDate}, {250}, curve, "1", 250},
        {"before the state date: undiscounted", {kStateDate - 30}, {250}, curve, "1", 250},
        {"beyond the last point: the last yield", {kStateDate + 20 * kYear}, {1000}, curve, "1", 1000 / std::pow(1.05, 20)},
        {"before the first point: the first yield", {kStateDate + 0.5 * kYear}, {1000}, curve, "1", 1000 / std::pow(1.02, 0.5)},
        {"count capped by the arrays", {kStateDate, kStateDate}, {1, 2}, curve, "9", 3},
        {"count below the arrays", {kStateDate, kStateDate}, {1, 2}, curve, "1", 1},
        {"missing amount skipped", {kStateDate, kStateDate}, {1, qor::missing()}, curve, "2", 1},
        {"missing date undiscounted", {qor::missing()}, {7}, curve, "1", 7},
        {"a negative yield discounts upwards", {kStateDate + kYear}, {100}, {-0.01, -0.01, -0.01, -0.01}, "1", 100 / 0.99},
        {"a yield of -1 has no present value", {kStateDate + kYear}, {100}, {-1, -1, -1, -1}, "1", qor::missing()},
        {"a zero count leaves the result missing", {kStateDate}, {1}, curve, "0", qor::missing()},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        int code = -1;
        const double got = pv(row.dates, row.amounts, row.yields, row.count, &code);
        EXPECT_EQ(code, CMP_RUN_OK) << log();
        if (qor::is_missing(row.expected))
            EXPECT_TRUE(qor::is_missing(got)) << got;
        else
            EXPECT_NEAR(got, row.expected, 1e-12 * std::fabs(row.expected));
    }
}

TEST_F(CashFlowBuiltinTest, AMissingCurveValueFailsTheCall) {
    int code = 0;
    const double got = pv({kStateDate + kYear}, {100}, {0.02, qor::missing(), 0.04, 0.05}, "1", &code);
    EXPECT_EQ(code, CMP_RUN_FAILED);
    EXPECT_TRUE(qor::is_missing(got));
}

TEST_F(CashFlowBuiltinTest, InstrumentFlowsAreCountedAndReadOneByOne) {
    instrument_flows({kStateDate + 4 * kYear, kStateDate + 8 * kYear}, {100, 1100}, {"USD", "usd"});
    cmp_instance* instance = build({"c = '   ';", "n = N_CASH_FLOWS();", "call CASHFLOW(k, d, c, a);"});
    ASSERT_NE(instance, nullptr) << log();
    const struct {
        double k;
        double date, amount;
        const char* currency;
        int messages;                // 598/3929 lines
    } rows[] = {{2, kStateDate + 8 * kYear, 1100, "usd", 0},
                {1, kStateDate + 4 * kYear, 100, "USD", 0},
                {0, qor::missing(), qor::missing(), "", 1},
                {3, qor::missing(), qor::missing(), "", 1},
                {qor::missing(), qor::missing(), qor::missing(), "", 1}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.k);
        const int before = count_of(log(), "598/3929");
        *number(instance, "K") = row.k;
        ASSERT_EQ(cmpfrun(instance, 1), CMP_RUN_OK) << log();
        EXPECT_EQ(*number(instance, "N"), 2.0);
        EXPECT_EQ(count_of(log(), "598/3929") - before, row.messages);
        if (qor::is_missing(row.date)) {
            EXPECT_TRUE(qor::is_missing(*number(instance, "D")));
            EXPECT_TRUE(qor::is_missing(*number(instance, "A")));
        } else {
            EXPECT_EQ(*number(instance, "D"), row.date);
            EXPECT_EQ(*number(instance, "A"), row.amount);
        }
        char currency[16];
        ASSERT_GE(cmptext(instance, symbol("C"), currency, sizeof currency), 0);
        EXPECT_STREQ(currency, row.currency);
    }
}

TEST_F(CashFlowBuiltinTest, InstrumentWithoutFlowsCountsZeroAndGivesNoMessage) {
    cmp_instance* instance = build({"c = '   ';", "n = N_CASH_FLOWS();", "call CASHFLOW(1, d, c, a);"});
    ASSERT_NE(instance, nullptr) << log();
    ASSERT_EQ(cmpfrun(instance, 1), CMP_RUN_OK) << log();
    EXPECT_EQ(*number(instance, "N"), 0.0);
    EXPECT_TRUE(qor::is_missing(*number(instance, "D")));
    EXPECT_EQ(count_of(log(), "598/3929"), 0);
}

TEST_F(CashFlowBuiltinTest, InstrumentFlowsArePricedOnTheirCurrencysCurve) {
    // PV_CASHFLOW(n, , , usd) takes the instrument's flows; a flow in another currency fails.
    instrument_flows({kStateDate + 4 * kYear}, {1000}, {"USD"});
    std::vector<std::string> s = {"array usd[4];", "usd[1] = 0.02;", "usd[2] = 0.03;", "usd[3] = 0.04;", "usd[4] = 0.05;",
                                  "x = PV_CASHFLOW(., , , usd);"};
    cmp_instance* instance = build(s);
    ASSERT_NE(instance, nullptr) << log();
    ASSERT_EQ(cmpfrun(instance, 1), CMP_RUN_OK) << log();
    EXPECT_NEAR(*number(instance, "X"), 865.851597920589, 1e-12 * 865.851597920589);
    block_.currencies[0][0] = 'E';
    EXPECT_EQ(cmpfrun(instance, 1), CMP_RUN_FAILED);   // the run stops: x keeps its old value
    EXPECT_EQ(count_of(log(), "670/3611"), 1) << log();
}

TEST_F(CashFlowBuiltinTest, VerticesEncloseEachFlowOnItsCurrencysCurve) {
    // CURVE is a reference variable of type array; USD names it with the key USD.
    ASSERT_EQ(declare(Declare("CURVE", RSKVKIND_REFERENCE, RSKDTYPE_ARRAY, 301)), 0) << log();
    ASSERT_EQ(rskvara(con, curve_, "CURVE", -1, "USD", -1), 0) << log();
    ASSERT_EQ(rebuild(), 0) << log();
    const struct {
        double years;
        const char* lower;
        const char* upper;
        double i, j;
    } rows[] = {{0.5, "T1", "T1", 1, 1}, {2.0, "T2", "T5", 2, 3}, {3.0, "T2", "T5", 2, 3},
                {10.0, "T5", "T10", 3, 4}, {12.0, "T5", "T10", 3, 4}};
    std::vector<double> dates;
    for (const auto& row : rows) dates.push_back(kStateDate + row.years * kYear);
    instrument_flows(dates, std::vector<double>(dates.size(), 100.0), std::vector<std::string>(dates.size(), "USD"));
    cmp_instance* instance = build({"lo = '          ';", "hi = '          ';", "call CF_VERTICES(k, 'CURVE', lo, hi, i, j);"});
    ASSERT_NE(instance, nullptr) << log();
    for (size_t k = 0; k < sizeof rows / sizeof rows[0]; ++k) {
        SCOPED_TRACE(rows[k].years);
        *number(instance, "K") = static_cast<double>(k + 1);
        ASSERT_EQ(cmpfrun(instance, 1), CMP_RUN_OK) << log();
        char lo[40], hi[40];
        ASSERT_GE(cmptext(instance, symbol("LO"), lo, sizeof lo), 0);
        ASSERT_GE(cmptext(instance, symbol("HI"), hi, sizeof hi), 0);
        EXPECT_STRCASEEQ(lo, rows[k].lower);
        EXPECT_STRCASEEQ(hi, rows[k].upper);
        EXPECT_EQ(*number(instance, "I"), rows[k].i);
        EXPECT_EQ(*number(instance, "J"), rows[k].j);
    }
    // A flow number out of range: blank names, missing numbers, both messages, a failed call.
    *number(instance, "K") = 9;
    EXPECT_EQ(cmpfrun(instance, 1), CMP_RUN_FAILED);
    EXPECT_EQ(count_of(log(), "598/3930"), 1) << log();
    EXPECT_EQ(count_of(log(), "598/3931"), 1) << log();
    // A currency without a curve: 670/3612 and a failed call.
    block_.currencies[0][0] = 'E';
    *number(instance, "K") = 1;
    EXPECT_EQ(cmpfrun(instance, 1), CMP_RUN_FAILED);
    EXPECT_EQ(count_of(log(), "670/3612"), 1) << log();
}
