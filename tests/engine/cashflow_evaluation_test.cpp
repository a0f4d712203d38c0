// The per-state cash-flow evaluation over one block's work section: yields, durations and
// convexities against tests/reference/cashflow_evaluation_reference.py and closed forms, the counted count
// failures, gap buckets as a table (fixed and moving cut points), conversion by the state's rate
// and by a registered curve, and the rows of an evaluated state and of the base record.
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "engine/builtins/cashflow_evaluation.h"
#include "engine/run/project_run.h"
#include "host/missing.h"
#include "tests/engine/engine_fixture.h"

namespace {

constexpr double kStateDate = 14610;   // 1 January 2000
const double kLinear = qor::missing();

// One block's work section and the run's settings around one evaluation.
struct Bench {
    static constexpr int kFlows = 16;
    std::vector<double> storage = std::vector<double>(5 * kFlows, 0.0);
    RSKCFWORK work{};
    RSKCFSETTINGS settings{};
    RSKCFCALL call{};
    RSKCFFLOWS flows{};
    RSKCFROWS rows{};
    double yield = -7, duration = -7, convexity = -7, sum = -7;
    std::vector<double> dates, amounts;

    Bench() {
        work.capacity = kFlows;
        work.present_values = &storage[0];
        work.converted = &storage[kFlows];
        work.converted_second = &storage[2 * kFlows];
        work.times = &storage[3 * kFlows];
        work.repricing = &storage[4 * kFlows];
        settings.split_ratio = qor::missing();
        settings.duration = settings.convexity = 1;
        call.state_date = kStateDate;
        call.yield = &yield;
        call.duration = &duration;
        call.convexity = &convexity;
        call.sum = &sum;
        call.state_index = 0;
        call.rate = 1.0;
        call.quantity = 1.0;
        call.type_name = "BOND";
        call.type_name_length = 4;
    }
    ~Bench() {
        rskcf_rows_free(&rows);
        rskcf_base_free(settings.base);
    }
    int run(std::vector<double> d, std::vector<double> a, double price) {
        dates = std::move(d);
        amounts = std::move(a);
        flows.count = static_cast<double>(dates.size());
        flows.dates = dates.data();
        flows.amounts = amounts.data();
        call.price = price;
        return process_cashflow(&settings, &work, &call, &flows);
    }
};

void near(double actual, double expected, double tolerance, const std::string& what) {
    EXPECT_NEAR(actual, expected, tolerance * std::fmax(1.0, std::fabs(expected))) << what;
}

}  // namespace

class CashFlowEvaluationTest : public EngineTest {};

// Rows printed by tests/reference/cashflow_evaluation_reference.py.
TEST_F(CashFlowEvaluationTest, YieldDurationAndConvexityMatchTheDecimalReference) {
    struct Case {
        const char* name;
        std::vector<double> dates, amounts;
        double price, yield, duration, convexity;
    };
    const Case cases[] = {
        {"zero coupon, 4 years", {16071}, {1000}, 800, 0.057371263440564120, 4.0000000000000000, 16.000000000000000},
        {"zero coupon, 10.5 years", {18445}, {1000}, 612.5, 0.047794877836202688, 10.499657768651608, 110.24281325880607},
        {"5% annual coupon at par, 8 years", {14975, 15340, 15706, 16071, 16436, 16802, 17167, 17532}, {5, 5, 5, 5, 5, 5, 5, 105}, 100, 0.050000124829302176, 6.7863374186092573, 50.823671754875345},
        {"past and state-date flows leave the price", {14510, 14610, 15340, 16071}, {50, 30, 100, 100}, 250, 0.056207098098504212, 2.0023354555612981, 6.5749951625867325},
        {"negative yield", {14975, 15340}, {100, 100}, 205, -0.016315910816737015, 1.5030802057851947, 2.5088911241709507},
    };
    for (const Case& c : cases) {
        Bench b;
        ASSERT_EQ(b.run(c.dates, c.amounts, c.price), 0) << c.name;
        // The yield place receives the discount base v = 1 / (1 + y).
        near(1.0 / b.yield - 1.0, c.yield, 1e-9, c.name);
        near(b.duration, c.duration, 1e-9, c.name);
        near(b.convexity, c.convexity, 1e-9, c.name);
    }
}

TEST_F(CashFlowEvaluationTest, ZeroCouponAndParBondMeetTheirClosedForms) {
    // A zero-coupon amount A at T = 4 years priced P: y = (A / P)^(1/T) - 1, duration T, convexity T^2.
    Bench zero;
    ASSERT_EQ(zero.run({kStateDate + 1461}, {1000}, 800), 0);
    near(1.0 / zero.yield - 1.0, std::pow(1000.0 / 800.0, 0.25) - 1.0, 1e-10, "zero-coupon yield");
    near(zero.duration, 4.0, 1e-12, "zero-coupon duration");
    near(zero.convexity, 16.0, 1e-12, "zero-coupon convexity");

    // A 6% coupon every 4 years (1461 days) for 3 periods at par: the yield per period is 6%, so
    // the annual yield is 1.06^(1/4) - 1 and the Macaulay duration 4 (1 + r)/r (1 - (1 + r)^-3) years.
    Bench par;
    ASSERT_EQ(par.run({kStateDate + 1461, kStateDate + 2922, kStateDate + 4383}, {6, 6, 106}, 100), 0);
    const double r = 0.06;
    near(1.0 / par.yield - 1.0, std::pow(1.06, 0.25) - 1.0, 1e-10, "par yield");
    near(par.duration, 4.0 * (1 + r) / r * (1 - std::pow(1 + r, -3)), 1e-9, "par duration");
}

TEST_F(CashFlowEvaluationTest, CountZeroReturnsAtOnceAndBadCountsAreCountedAndCapped) {
    Bench b;
    b.flows.count = 0;
    EXPECT_EQ(process_cashflow(&b.settings, &b.work, &b.call, &b.flows), 0);
    EXPECT_EQ(b.yield, -7);
    EXPECT_EQ(b.duration, -7);
    EXPECT_EQ(b.sum, -7);
    for (int i = 0; i < 41; ++i) {
        b.flows.count = i % 2 == 0 ? -1 : qor::missing();
        EXPECT_EQ(process_cashflow(&b.settings, &b.work, &b.call, &b.flows), 1);
    }
    b.flows.count = -3;
    EXPECT_EQ(process_cashflow(&b.settings, &b.work, &b.call, &b.flows), 1);
    const std::string text = log();
    EXPECT_EQ(count_of(text, "670/3556"), 40) << text;
    EXPECT_EQ(count_of(text, "670/3560"), 1) << text;
    EXPECT_NE(text.find("BOND"), std::string::npos);
    EXPECT_EQ(b.duration, -7);
}

TEST_F(CashFlowEvaluationTest, WithoutAYieldDurationConvexityAndPresentValuesAreMissing) {
    // Positive flows cannot be worth a negative price at any yield above -1; a missing price has none.
    for (double price : {-10.0, qor::missing()}) {
        Bench b;
        b.call.rows = &b.rows;
        ASSERT_EQ(b.run({kStateDate + 365, kStateDate + 730}, {100, 100}, price), 0);
        EXPECT_TRUE(qor::is_missing(b.yield));
        EXPECT_TRUE(qor::is_missing(b.duration));
        EXPECT_TRUE(qor::is_missing(b.convexity));
        ASSERT_EQ(b.rows.count, 2);
        EXPECT_TRUE(qor::is_missing(b.rows.rows[0].disc_amount));
        EXPECT_TRUE(qor::is_missing(b.rows.rows[0].yield));
    }
    // All flows on or before the state date: yield 0, and durations from no flow (0 / price).
    Bench past;
    ASSERT_EQ(past.run({kStateDate - 5, kStateDate}, {10, 20}, 30), 0);
    EXPECT_EQ(past.yield, 1.0);
    EXPECT_EQ(past.duration, 0.0);
    EXPECT_EQ(past.convexity, 0.0);
}

// Rows printed by tests/reference/cashflow_evaluation_reference.py (cut points 0, 365, 730 and 1826 days
// after the state date).
TEST_F(CashFlowEvaluationTest, GapBucketsSplitBetweenTheCutPointsAroundEachDate) {
    struct Case {
        const char* name;
        std::vector<double> dates, amounts;
        double ratio;
        std::vector<double> buckets;
    };
    const Case cases[] = {
        {"on cut point 2", {15340}, {100}, kLinear, {0, 0, 100, 0}},
        {"just after cut point 1", {14976}, {100}, kLinear, {0, 99.726027397260274, 0.27397260273972603, 0}},
        {"before cut point 0", {14600}, {100}, kLinear, {100, 0, 0, 0}},
        {"after the last cut point", {16437}, {100}, kLinear, {0, 0, 0, 0}},
        {"fixed ratio 0.5", {14710, 15610}, {100, 40}, 0.5, {50.0, 50.0, 20.0, 20.0}},
        {"inside bucket 3", {15888}, {300}, kLinear, {0, 0, 150.0, 150.0}},
        {"flows out of date order", {15888, 14976, 15340}, {300, 100, 100}, kLinear, {0, 99.726027397260274, 250.27397260273973, 150.0}},
    };
    const double cuts[] = {14610, 14975, 15340, 16436};
    for (const Case& c : cases) {
        Bench b;
        double gap[4] = {-1, -1, -1, -1}, cumulative[4];
        b.settings.gap = 1;
        b.settings.cut_points = cuts;
        b.settings.bucket_count = 4;
        b.settings.split_ratio = c.ratio;
        b.call.gap = gap;
        b.call.cumulative_gap = cumulative;
        ASSERT_EQ(b.run(c.dates, c.amounts, 100), 0) << c.name;
        double running = 0;
        for (int j = 0; j < 4; ++j) {
            near(gap[j], c.buckets[static_cast<size_t>(j)], 1e-12, std::string(c.name) + " bucket " + std::to_string(j));
            running += c.buckets[static_cast<size_t>(j)];
            near(cumulative[j], running, 1e-12, std::string(c.name) + " cumulative " + std::to_string(j));
        }
    }
}

TEST_F(CashFlowEvaluationTest, MovingBucketsStartAtTheStateDateAndTheBaseKeepsTheFixedOnes) {
    // State 1 July 2001 (15157); buckets of 1, 2 and 5 years: cuts 1 July 2002 (15522), 2003
    // (15887) and 2006 (16983). A flow on 1 July 2003 lies on cut point 2.
    RSKBUCKETNAME intervals[3];
    const int32_t years[] = {1, 2, 5};
    for (int i = 0; i < 3; ++i) {
        std::memcpy(intervals[i].interval, "YEAR    ", sizeof intervals[i].interval);
        intervals[i].count = years[i];
        intervals[i].unit = 4;
    }
    const double fixed[] = {14610, 20000, 30000, 40000};
    for (int32_t state : {3, -1}) {
        Bench b;
        double gap[4];
        b.settings.gap = 1;
        b.settings.cut_points = fixed;
        b.settings.bucket_count = 4;
        b.settings.intervals = intervals;
        b.settings.moving_buckets = 1;
        b.call.gap = gap;
        b.call.state_date = 15157;
        b.call.state_index = state;
        ASSERT_EQ(b.run({15887, 15523}, {100, 50}, 140), 0);
        if (state >= 0) {
            near(gap[2], 100 + 50.0 / 365, 1e-12, "on cut point 2, and the rest of the flow after cut 1");
            near(gap[1], 50 * (1 - 1.0 / 365), 1e-12, "just after cut point 1");
            EXPECT_EQ(gap[0], 0.0);
        } else {
            // The base state uses the fixed cut points: both dates fall in bucket 1.
            EXPECT_EQ(gap[2] + gap[3], 0.0);
            near(gap[0] + gap[1], 150, 1e-12, "base state");
        }
    }
}

TEST_F(CashFlowEvaluationTest, ConversionByTheStatesRateAndByARegisteredCurve) {
    const std::vector<double> dates = {kStateDate, kStateDate + 182.625, kStateDate + 730.5, kStateDate + 1826.25};
    const std::vector<double> amounts = {10, 20, 30, 40};
    const double values[] = {1, 2, 3, 4};
    // The state's single rate: amounts, second amounts and values to sum scale by it.
    Bench single;
    const double second[] = {1, 1, 1, 1};
    single.settings.convert = 1;
    single.flows.sum_values = values;
    single.flows.second = second;
    single.call.rate = 1.25;
    single.call.quantity = 2;
    single.call.rows = &single.rows;
    ASSERT_EQ(single.run(dates, amounts, 95), 0);
    EXPECT_EQ(single.sum, 1.25 * 10);
    ASSERT_EQ(single.rows.count, 4);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(single.rows.rows[i].ret_mat_amt, 1.25 * amounts[static_cast<size_t>(i)] * 2);
        EXPECT_EQ(single.rows.rows[i].ret_rep_amt, 1.25 * 2);
    }
    EXPECT_EQ(single.rows.rows[0].disc_amount, 10 * 2 * 1.25);   // due today: undiscounted

    // A registered curve of points at 1 and 3 years: the state date takes the single rate, half a
    // year the first point's rate, 2 years the midpoint, 5 years the last point's rate.
    const double times[] = {1, 3}, rates[] = {1.1, 1.3};
    const RSKCFCURVE curve{2, times, rates};
    Bench curved;
    curved.settings.convert = 1;
    curved.flows.sum_values = values;
    curved.call.rate = 1.25;
    curved.call.fx_curve = &curve;
    curved.call.rows = &curved.rows;
    double leg_dates[] = {kStateDate + 730.5, kStateDate - 1}, leg_amounts[] = {100, 100}, leg_notes[] = {7, 8};
    RSKCFLEG leg{2, leg_dates, leg_amounts, leg_notes};
    curved.flows.legs = &leg;
    curved.flows.leg_count = 1;
    ASSERT_EQ(curved.run(dates, amounts, 95), 0);
    const double expected[] = {1.25 * 10, 1.1 * 20, 1.2 * 30, 1.3 * 40};
    for (int i = 0; i < 4; ++i) near(curved.rows.rows[i].ret_mat_amt, expected[i], 1e-14, "curve rate " + std::to_string(i));
    near(curved.sum, 1.25 * 1 + 1.1 * 2 + 1.2 * 3 + 1.3 * 4, 1e-14, "sum");
    near(leg_amounts[0], 120, 1e-12, "leg on the curve");
    EXPECT_EQ(leg_amounts[1], 125);   // before the state date: the single rate
}

TEST_F(CashFlowEvaluationTest, RepricingDatesPlaceSecondAmountsAndTheSwitchStandsIn) {
    const double cuts[] = {14610, 14975, 15340};
    const double repricing[] = {qor::missing(), 14975, 15340};
    const double second[] = {5, qor::missing(), qor::missing()};
    struct Case {
        double switch_value;
        double buckets[3];
    };
    // Flow 1: second amount 5 at its payment date 15340 (no repricing date). Flow 2: no second
    // amount, repricing date differs from the payment date: never placed. Flow 3: no second
    // amount, repricing date equal to the payment date: its amount stands in when the switch is on.
    const Case cases[] = {{0, {0, 0, 5}}, {1, {0, 0, 5 + 30}}};
    for (const Case& c : cases) {
        Bench b;
        double gap[3];
        b.settings.gap = 1;
        b.settings.use_repricing = 1;
        b.settings.cut_points = cuts;
        b.settings.bucket_count = 3;
        b.flows.repricing = repricing;
        b.flows.second = second;
        b.flows.switch_value = c.switch_value;
        b.call.gap = gap;
        b.call.rows = &b.rows;
        ASSERT_EQ(b.run({15340, 15340, 15340}, {10, 20, 30}, 55), 0);
        for (int j = 0; j < 3; ++j) EXPECT_DOUBLE_EQ(gap[j], c.buckets[j]) << "switch " << c.switch_value << " bucket " << j;
        EXPECT_EQ(b.rows.rows[0].rep_date, 15340);   // the payment date stands in for the repricing date
    }
}

TEST_F(CashFlowEvaluationTest, TheBaseRecordWritesTheSameRowsForAReusedState) {
    Bench b;
    b.settings.base = rskcf_base_alloc(nullptr, 8, 1);
    ASSERT_NE(b.settings.base, nullptr);
    b.call.state_index = -1;
    b.call.rows = &b.rows;
    b.call.quantity = 3;
    const double notes[] = {11, 12};
    b.flows.pass_through = notes;
    double leg_dates[] = {14700, 14800, 14900}, leg_amounts[] = {1, 2, 3}, leg_third[] = {4, 5, 6};
    RSKCFLEG leg{3, leg_dates, leg_amounts, leg_third};
    b.flows.legs = &leg;
    b.flows.leg_count = 1;
    ASSERT_EQ(b.run({kStateDate + 1461, kStateDate + 2922}, {100, 1100}, 900), 0);
    // Three rows: the leg has more flows than the position.
    ASSERT_EQ(b.rows.count, 3);
    EXPECT_EQ(b.rows.rows[0].state_number, 0);
    EXPECT_EQ(b.rows.rows[1].cf_note, 12);
    EXPECT_TRUE(qor::is_missing(b.rows.rows[2].mat_amount));
    EXPECT_EQ(b.rows.legs[3 * 2 + 1], 3 * 3);   // third leg flow's amount times the quantity
    const std::vector<RSKCFROW> base_rows(b.rows.rows, b.rows.rows + 3);
    const std::vector<double> base_legs(b.rows.legs, b.rows.legs + 9);
    // The PV of the rows sums to the price times the quantity.
    near(base_rows[0].disc_amount + base_rows[1].disc_amount, 900 * 3, 1e-9, "present values");

    RSKCFROWS reused{};
    ASSERT_EQ(output_baseCF(&b.settings, 4, 15000, &reused), 0);
    ASSERT_EQ(reused.count, 3);
    for (int k = 0; k < 3; ++k) {
        const RSKCFROW& r = reused.rows[k];
        EXPECT_EQ(r.state_number, 5);
        EXPECT_EQ(r.date, 15000);
        EXPECT_EQ(r.cf_number, k + 1);
        for (double RSKCFROW::*field : {&RSKCFROW::yield, &RSKCFROW::mat_date, &RSKCFROW::mat_amount, &RSKCFROW::disc_amount,
                                        &RSKCFROW::cf_note, &RSKCFROW::ret_mat_amt})
            EXPECT_EQ(qor::bits_of(r.*field), qor::bits_of(base_rows[static_cast<size_t>(k)].*field)) << "row " << k;
    }
    for (int i = 0; i < 9; ++i) EXPECT_EQ(qor::bits_of(reused.legs[i]), qor::bits_of(base_legs[static_cast<size_t>(i)])) << i;
    rskcf_rows_free(&reused);
}
