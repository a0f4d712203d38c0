// Delta-normal value at risk against z * sqrt(d' C d) worked by hand (covariance and correlation,
// categories, horizon, degenerate forms, a matrix repaired), and position equivalents of a
// zero-coupon bond priced through the pricing stand-in against its closed-form derivative.
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "common/intervals/interval_spec.h"
#include "engine/analyses/analysis_definitions.h"
#include "engine/analyses/delta_normal.h"
#include "engine/analyses/position_equivalents.h"
#include "engine/analyses/sensitivity.h"
#include "engine/analyses/sensitivity_shifts.h"
#include "engine/model/categories/categories.h"
#include "engine/model/names/name_records.h"
#include "host/pool.h"
#include "tests/engine/pricing_fixture.h"

namespace {

constexpr double kZ95 = 1.6448536269514722;   // -probit(0.05)

// The two-factor book of the checks: 100 x1 - 50 x2, C = [[0.04, 0.006], [0.006, 0.09]].
struct TwoFactors {
    std::vector<double> matrix{0.04, 0.006, 0.09, 0, 0, 0};   // packed, then the test copy
    std::vector<double> volatilities{1, 1, 0, 0};
    double deltas[2] = {100, -50};
    RSKDVRWORK work{};
    TwoFactors() {
        work.n = 2;
        work.open_type = RSKMDS_COVARIANCE;
        work.matrix = matrix.data();
        work.results = 1;
    }
};

TEST(DeltaNormal, QuadraticFormsAgainstHandComputedValues) {
    TwoFactors book;
    const uint8_t only_x1[] = {1, 0}, all_but_x1[] = {0, 1}, none[] = {0, 0};
    struct Case {
        const char* what;
        const uint8_t* mask;
        double var;
    };
    const Case cases[] = {
        {"unconditional: sqrt(565)", nullptr, 39.0977243783306},
        {"conditional on x1: sqrt(400)", only_x1, 32.8970725390294},
        {"marginal of x1: sqrt(225)", all_but_x1, 24.6728044042721},
        {"a marginal category holding every factor", none, 0},
    };
    for (const Case& c : cases)
        EXPECT_NEAR(rsadvr_value_at_risk(&book.work, book.deltas, c.mask, kZ95, 1), c.var, 1e-12 * (1 + c.var)) << c.what;

    // The same from a correlation: vols 0.2 and 0.3, rho 0.1, the deltas weighted by the vols.
    book.matrix = {1, 0.1, 1, 0, 0, 0};
    book.volatilities = {0.2, 0.3, 0, 0};
    book.work.matrix = book.matrix.data();
    book.work.volatilities = book.volatilities.data();
    book.work.open_type = RSKMDS_CORRELATION;
    EXPECT_NEAR(rsadvr_value_at_risk(&book.work, book.deltas, nullptr, kZ95, 1), 39.0977243783306, 1e-12 * 40);
    book.volatilities[1] = qor::missing();
    EXPECT_TRUE(qor::is_missing(rsadvr_value_at_risk(&book.work, book.deltas, nullptr, kZ95, 1)));
}

TEST(DeltaNormal, DegenerateFormsAlphaAndHorizon) {
    std::vector<double> matrix{-1e-17, 0};
    RSKDVRWORK one{};
    one.n = 1;
    one.matrix = matrix.data();
    const double delta = 1;
    EXPECT_EQ(rsadvr_value_at_risk(&one, &delta, nullptr, kZ95, 1), 0.0) << "s^2 just below 0 is 0";
    matrix[0] = -1;
    EXPECT_TRUE(qor::is_missing(rsadvr_value_at_risk(&one, &delta, nullptr, kZ95, 1)));
    matrix[0] = qor::missing();
    EXPECT_TRUE(qor::is_missing(rsadvr_value_at_risk(&one, &delta, nullptr, kZ95, 1)));

    EXPECT_DOUBLE_EQ(rsadvr_quantile(0.05), kZ95);
    EXPECT_DOUBLE_EQ(rsadvr_quantile(0), kZ95) << "ALPHA 0 acts as 0.05";
    EXPECT_DOUBLE_EQ(rsadvr_quantile(-1), kZ95);

    // 1960-01-04 (day 3) is a Monday: 14 days on are 10 weekdays, k = sqrt(10).
    interval_spec weekday{};
    ASSERT_EQ(zintstr("WEEKDAY", -1, &weekday), 0);
    RSKANALYSIS analysis{};
    analysis.evaluation_date = 17;
    analysis.more_dates = qor::missing();
    TwoFactors book;
    const double k = rsadvr_horizon_scale(&analysis, &weekday, 3);
    EXPECT_NEAR(rsadvr_value_at_risk(&book.work, book.deltas, nullptr, kZ95, k), 123.637860365016, 1e-12 * 124);
    analysis.evaluation_date = qor::missing();
    EXPECT_EQ(rsadvr_horizon_scale(&analysis, &weekday, 3), 1);
    analysis.evaluation_date = -1;
    analysis.more_dates = -4;
    EXPECT_EQ(rsadvr_horizon_scale(&analysis, &weekday, 3), 2);
}

class DeltaNormalRun : public PricingHarness {
protected:
    RSKANALYSIS analysis_{};
    RSKANLPROC proc_{};

    void SetUp() override {
        PricingHarness::SetUp();
        analysis_.kind = RSKANL_DELTANORMAL;
        analysis_.evaluation_date = qor::missing();
        analysis_.more_dates = qor::missing();
        proc_.analysis = &analysis_;
    }
    RSKDVRWORK* work() { return static_cast<RSKDVRWORK*>(proc_.work); }
    void set_price(int state, double value) { get_state_value(run(), state + 2)[0] = value; }
    // A category of the given factors, named in list 0 or 1 of the analysis.
    void category(const char* name, std::initializer_list<const char*> members, bool conditional) {
        RSKNAMEREC key{0, static_cast<uint16_t>(std::strlen(name)), const_cast<char*>(name)};
        RSKCATEGORY* c = nullptr;
        ASSERT_EQ(rskcatd(con, &key, &c), 0);
        for (const char* m : members) ASSERT_EQ(rskcata(con, c, variable(m)), 0);
        if (conditional) {
            ASSERT_EQ(rsklsta(con, &analysis_.conditional_head, &analysis_.conditional_tail, name, static_cast<int>(std::strlen(name))), 0);
            ++analysis_.conditional_count;
        } else {
            ASSERT_EQ(rsklsta(con, &analysis_.marginal_head, &analysis_.marginal_tail, name, static_cast<int>(std::strlen(name))), 0);
            ++analysis_.marginal_count;
        }
    }
};

// The rows rsadvr5 writes, as a row writer collects them.
struct CollectedRows {
    std::vector<std::string> modes, categories;
    std::vector<double> vars, spot_column;
    const double* spot = nullptr;
} g_rows;

int collect(RSKCON* con, RSKRESDS*) {
    RSKRUNRESULTS* r = rskres_run(con);
    g_rows.modes.emplace_back(r->row.simulation_mode, 32);
    g_rows.categories.emplace_back(r->row.simulation_category, 8);
    g_rows.vars.push_back(r->row.var);
    g_rows.spot_column.push_back(*g_rows.spot);
    return 0;
}

TEST_F(DeltaNormalRun, CellsFromPricesToRowsWithCategories) {
    prepare(0, 4, {"_value_ = spot;"});
    run_.set_base({2, 4, 0.2, 1});
    ASSERT_EQ(rsa_append_run_factor(con, &proc_, variable("spot"), 0), 0);
    ASSERT_EQ(rsa_append_run_factor(con, &proc_, variable("rate"), 1), 0);
    ASSERT_NE(rsadvr_work(con, &proc_), nullptr);
    ASSERT_EQ(rsadvr_factors(con, &proc_, work()), 0);
    std::vector<double> matrix{0.04, 0.006, 0.09, 0, 0, 0};
    work()->matrix = matrix.data();
    work()->open_type = RSKMDS_COVARIANCE;
    variable("spot")->matrix_index = 0;
    variable("rate")->matrix_index = 1;
    category("RATES", {"spot"}, true);
    category("NOSUCH", {}, true);      // empty: left out after 598/2800
    category("SPOTS", {"spot"}, false);
    ASSERT_EQ(rsadvr_categories(con, &proc_, work()), 0);
    EXPECT_EQ(work()->results, 3);
    EXPECT_NE(log().find("598/2800"), std::string::npos);

    ASSERT_EQ(rsadvr1(con, &proc_), 0) << log();
    ASSERT_EQ(run()->state_buffer.appended, 4);
    // spot h = 2e-4, rate h = 4e-4; the rate is a ratio factor: its delta is taken per relative
    // change, so a value slope of -12.5 contributes -12.5 * 4 = -50.
    variable("spot")->measurement_level = 2;
    variable("rate")->measurement_level = 1;
    const double prices[] = {1 + 100 * 2e-4, 1 - 100 * 2e-4, 1 - 12.5 * 4e-4, 1 + 12.5 * 4e-4};
    for (int s = 0; s < 4; ++s) set_price(s, prices[s]);
    std::vector<double> cell(2 + 3, 0.0);
    ASSERT_EQ(rsadvr2(con, &proc_, cell.data(), 0, 3), 0);
    EXPECT_NEAR(cell[0], 100, 1e-9);
    EXPECT_NEAR(cell[1], -50, 1e-9);

    std::vector<double> parent(5, 0.0);
    ASSERT_EQ(rsadvr3(con, &proc_, parent.data(), cell.data(), 0, 1), 0);
    ASSERT_EQ(rsadvr4(con, &proc_, parent.data()), 0);
    EXPECT_NEAR(parent[2], 39.0977243783306, 1e-9);
    EXPECT_NEAR(parent[3], 32.8970725390294, 1e-9);
    EXPECT_NEAR(parent[4], 24.6728044042721, 1e-9);

    g_rows = CollectedRows{};
    g_rows.spot = static_cast<const double*>(variable("spot")->value);
    rskres_run(con)->row.mtm = 1000;
    const double spot_before = *static_cast<double*>(variable("spot")->value);
    ASSERT_EQ(rsadvr5(con, &proc_, parent.data(), &collect, nullptr), 0);
    const std::vector<std::string> modes{"Unconditional", "Conditional", "Marginal"};
    ASSERT_EQ(g_rows.modes.size(), 3u);
    for (size_t t = 0; t < 3; ++t) {
        EXPECT_EQ(g_rows.modes[t].substr(0, modes[t].size()), modes[t]);
        EXPECT_NEAR(g_rows.vars[t], parent[2 + t], 1e-12);
    }
    EXPECT_EQ(g_rows.categories[1], "RATES   ");
    EXPECT_EQ(g_rows.categories[2], "SPOTS   ");
    EXPECT_NEAR(g_rows.spot_column[0], 100, 1e-9);
    EXPECT_TRUE(qor::is_missing(g_rows.spot_column[2])) << "the marginal row leaves out the category's factor";
    EXPECT_EQ(*static_cast<double*>(variable("spot")->value), spot_before) << "the columns are put back";

    // A ratio factor at (or below) 1.1e-16 contributes nothing.
    work()->base_values[1] = 1e-17;
    std::vector<double> tiny(5, 0.0);
    ASSERT_EQ(rsadvr2(con, &proc_, tiny.data(), 0, 3), 0);
    EXPECT_EQ(tiny[1], 0.0);
    // A missing delta gives a missing value at risk for the cell, no failure.
    tiny[0] = qor::missing();
    ASSERT_EQ(rsadvr4(con, &proc_, tiny.data()), 0);
    EXPECT_TRUE(qor::is_missing(tiny[2]));
}

TEST_F(DeltaNormalRun, MatrixThatIsNotSemidefiniteIsRepaired) {
    prepare(0, 1, {"_value_ = spot;"});
    std::vector<double> matrix{1, 2, 1, 0, 0, 0};
    RSKDVRWORK w{};
    w.n = 2;
    w.matrix = matrix.data();
    ASSERT_EQ(rsadvr_test_matrix(con, &w), 0);
    EXPECT_NE(log().find("598/2649"), std::string::npos);
    // (1, -1) had a form of -2; the repaired matrix gives none below 0.
    const double d[] = {1, -1};
    const double form = matrix[0] * d[0] * d[0] + 2 * matrix[1] * d[0] * d[1] + matrix[2] * d[1] * d[1];
    EXPECT_GE(form, -1e-12);
    const size_t at = log().size();
    std::vector<double> good{0.04, 0.006, 0.09, 0, 0, 0};
    w.matrix = good.data();
    ASSERT_EQ(rsadvr_test_matrix(con, &w), 0);
    EXPECT_EQ(log().find("598/2649", at), std::string::npos);
    EXPECT_EQ(good[1], 0.006);
}

class PositionEquivalents : public PricingHarness {
protected:
    // A zero-coupon bond 100 / (1 + r)^10 on the rate, priced in the two shifted states.
    std::vector<double> equivalent_of(double benchmark_time, double rate) {
        RSKANALYSIS analysis{};
        analysis.kind = RSKANL_POSEQ;
        analysis.bench_time = benchmark_time;
        RSKANLPROC proc{};
        proc.analysis = &analysis;
        prepare(0, 2, {"_value_ = 100 * exp(-10 * log(1 + rate));"});
        run_.set_base({100, rate, 0.2, 1});
        EXPECT_EQ(rsa_append_run_factor(con, &proc, variable("rate"), 0), 0);
        EXPECT_EQ(rsapeq_prepare(con, &proc), 0);
        EXPECT_EQ(proc.cell_size, 16);
        EXPECT_EQ(rsapeq1(con, &proc), 0) << log();
        appended_ = run()->state_buffer.appended;
        std::vector<double> cell(2, 0.0);
        if (appended_ == 2) {
            run_.assign_blocks();
            run_.need({"rate"});
            run_.result(RSKANL_POSEQ, 0, 2);
            EXPECT_EQ(run_.price(100, 1), 0) << log();
            EXPECT_EQ(rsapeq2(con, &proc, cell.data(), 0, 1), 0);
        }
        EXPECT_EQ(rsapeq4(con, &proc, cell.data()), 0);
        restart_run();
        return cell;
    }
    int appended_ = 0;
};

TEST_F(PositionEquivalents, ZeroCouponAgainstItsDerivative) {
    struct Case {
        double benchmark_time, equivalent;
    };
    // dV/dr = -1000 / 1.05^11; D = 1 for T = 1 and -1 / 1.05 for T = 2.
    for (const Case& c : {Case{1, -584.6792890864}, Case{2, 613.9132535408}}) {
        const std::vector<double> cell = equivalent_of(c.benchmark_time, 0.05);
        EXPECT_NEAR(cell[0], -584.6792890864, 1e-6 * 585);
        EXPECT_NEAR(cell[1], c.equivalent, 1e-6 * std::fabs(c.equivalent)) << c.benchmark_time;
    }
    const std::vector<double> none = equivalent_of(1, qor::missing());
    EXPECT_EQ(appended_, 0) << "a benchmark without base value makes no state";
}

TEST_F(PositionEquivalents, MissingShiftedValuesStayInTheirCell) {
    RSKANALYSIS analysis{};
    analysis.bench_time = 1;
    RSKANLPROC proc{};
    proc.analysis = &analysis;
    prepare(0, 2, {"_value_ = rate;"});
    run_.set_base({100, 0.05, 0.2, 1});
    ASSERT_EQ(rsa_append_run_factor(con, &proc, variable("rate"), 0), 0);
    ASSERT_EQ(rsapeq_prepare(con, &proc), 0);
    ASSERT_EQ(rsapeq1(con, &proc), 0);
    std::vector<double> missing_cell(2, 0.0), priced_cell(2, 0.0), total(2, 0.0);
    get_state_value(run(), 2)[0] = qor::missing();
    get_state_value(run(), 3)[0] = 1;
    ASSERT_EQ(rsapeq2(con, &proc, missing_cell.data(), 0, 1), 0);
    get_state_value(run(), 2)[0] = 1 + 2 * 5e-6;
    ASSERT_EQ(rsapeq2(con, &proc, priced_cell.data(), 0, 1), 0);
    for (auto* c : {&missing_cell, &priced_cell}) {
        ASSERT_EQ(rsapeq3(con, &proc, total.data(), c->data(), 0, 1), 0);
        ASSERT_EQ(rsapeq4(con, &proc, c->data()), 0);
    }
    EXPECT_TRUE(qor::is_missing(missing_cell[1]));
    EXPECT_NEAR(priced_cell[1], 1, 1e-9);
    EXPECT_TRUE(qor::is_missing(total[0])) << "the missing child makes the parent missing";
}

TEST_F(PositionEquivalents, FractionalBenchmarkTimeIsRefusedWhenDefined) {
    RSKANALYSIS* analysis = nullptr;
    RSKANALYSIS record{};
    rskname(con, &record.name, "PQ", 2);
    analysis = &record;
    RSKNAMEREC bench{0, 4, const_cast<char*>("rate")};
    EXPECT_EQ(rsapeqa(con, analysis, &bench, 2.5), 1);
    EXPECT_NE(log().find("must be a whole number"), std::string::npos);
    EXPECT_EQ(analysis->entry_count, 0);
}

// Out of memory in a build: 598/2797 once with the block's label, that analysis fails (1), no
// crash; the same build succeeds once memory is back.
TEST_F(PositionEquivalents, BuildsFailCleanlyWithoutMemory) {
    prepare(0, 3, {"_value_ = spot;"});
    RSKANALYSIS analysis{};
    analysis.kind = RSKANL_SENSITIVITY;
    analysis.sensitivity.cross_gamma = 1;
    struct Case {
        const char* label;
        int (*build)(RSKCON*, RSKANLPROC*, RSKANALYSIS*);
    };
    const Case cases[] = {
        {"sensitivity work vector", &rsadel_prepare},
        {"position equivalent scale factors", [](RSKCON* c, RSKANLPROC* p, RSKANALYSIS*) { return rsapeq_prepare(c, p); }},
        {"delta-normal work area", [](RSKCON* c, RSKANLPROC* p, RSKANALYSIS*) { return rsadvr_work(c, p) != nullptr ? 0 : 1; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        RSKANLPROC proc{};
        proc.analysis = &analysis;
        ASSERT_EQ(rsa_append_run_factor(con, &proc, variable("spot"), 0), 0);
        con->no_memory_reported = 0;
        const size_t at = log().size();
        qor_pool_fail_nth(1);
        EXPECT_EQ(c.build(con, &proc, &analysis), 1);
        qor_pool_fail_nth(0);
        EXPECT_NE(log().find("598/2797", at), std::string::npos);
        EXPECT_NE(log().find(c.label, at), std::string::npos) << log().substr(at);
        EXPECT_EQ(c.build(con, &proc, &analysis), 0);
    }
}

}  // namespace
