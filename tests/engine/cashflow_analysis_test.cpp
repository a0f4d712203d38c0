// Cash-flow analysis: partial durations of a zero-coupon bond against its closed forms, the
// division by the cell's base value and the roll-up rules on hand-filled cells, the build's
// outputs and refusals, the duration rows, and the resolution of a named source analysis.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "engine/analyses/cashflow_analysis.h"
#include "engine/analyses/sensitivity_shifts.h"
#include "engine/model/analyses/analyses.h"
#include "engine/model/analyses/analysis_settings.h"
#include "engine/model/names/name_records.h"
#include "engine/model/services/analyses.h"
#include "engine/run/project_run.h"
#include "engine/run/project_run_support.h"
#include "host/pool.h"
#include "tests/engine/pricing_fixture.h"

namespace {

const double M = qor::missing();

bool same(double a, double b) {
    if (qor::is_missing(a) || qor::is_missing(b)) return qor::is_missing(a) && qor::is_missing(b);
    return std::fabs(a - b) <= 1e-12 * std::max(1.0, std::fabs(b));
}

// One row the row writer received.
struct Row {
    std::string name, name2, type;
    double value, dur, conv, sensitivity;
};
std::vector<Row>* g_rows = nullptr;

std::string trimmed(const char* text, size_t n) {
    std::string s(text, n);
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
}

int capture_row(RSKCON* con, RSKRESDS*) {
    const RSKROWVALUES& r = con->run_block->result_sets.row;
    g_rows->push_back(Row{trimmed(r.name, 32), trimmed(r.name2, 32), trimmed(r.type, 32), r.value, r.dur, r.conv,
                          r.sensitivity});
    return 0;
}

class CashFlowTest : public PricingHarness {
protected:
    RSKANALYSIS analysis_{};
    RSKANLPROC proc_{};

    void SetUp() override {
        PricingHarness::SetUp();
        analysis_.kind = RSKANL_CASHFLOW;
        analysis_.subtype = RSKCFL_PARTIAL;
        rskname(con, &analysis_.name, "Cf", -1);
        proc_.analysis = &analysis_;
        proc_.valuation_date = qor::missing();
    }
    void list(std::initializer_list<const char*> names) {
        int k = 0;
        for (const char* name : names) ASSERT_EQ(rsa_append_run_factor(con, &proc_, variable(name), k++), 0);
    }
    double state_factor(int s, const char* name) {
        double v;
        std::memcpy(&v, rskmkti(con, s) + variable(name)->run.state_offset, sizeof v);
        return v;
    }
    // The names of the analysis' output-variable list.
    std::vector<std::string> names() const {
        std::vector<std::string> out;
        for (const RSKNAMECELL* c = analysis_.names_head; c != nullptr; c = c->next)
            out.emplace_back(c->name.name.text, c->name.name.length);
        return out;
    }
    std::vector<Row> rows(RSKOUTPHASE phase, void* area, int kind) {
        std::vector<Row> out;
        g_rows = &out;
        RSKRESDS resds{};
        resds.kind = kind;
        EXPECT_EQ(phase(con, &proc_, area, &capture_row, &resds), 0) << log();
        g_rows = nullptr;
        return out;
    }
};

// V = 100 / (1 + r)^10 at r = 0.05: duration T / (1 + r), convexity T (T + 1) / (1 + r)^2
// (tests/reference/cashflow_analysis_reference.py).
TEST_F(CashFlowTest, ZeroCouponDurationAndConvexityMatchTheClosedForms) {
    list({"rate"});
    prepare(0, 3, {"_value_ = 100 / (1 + rate) ** 10;"});
    run_.set_base({2, 0.05, 0.2, 1});
    ASSERT_EQ(rsacfl_prepare(con, &proc_), 0) << log();
    EXPECT_EQ(run()->planned_states, 3);
    EXPECT_EQ(proc_.cell_size, 8 * 3);
    proc_.first_state = run()->state_buffer.append_index;
    ASSERT_EQ(partdur1(con, &proc_), 0) << log();
    ASSERT_EQ(run()->state_buffer.appended, 3);
    const double h = 0.05 * 1e-4;
    const double rates[] = {0.05, 0.05 + h, 0.05 - h};
    for (int s = 0; s < 3; ++s) EXPECT_DOUBLE_EQ(state_factor(s, "rate"), rates[s]) << s;

    run_.assign_blocks();
    run_.need({"rate"});
    run_.result(RSKANL_CASHFLOW, 0, run()->state_count);
    ASSERT_EQ(run_.price(100, 1), 0) << log();
    std::vector<double> cell(3, 0.0);
    ASSERT_EQ(partdur2(con, &proc_, cell.data()), 0);
    const double v0 = 61.391325354075937;
    EXPECT_NEAR(cell[0], v0, 1e-10);
    ASSERT_EQ(rsacfl_step(con, &proc_, cell.data()), 0);
    EXPECT_NEAR(cell[1], 9.523809523809524, 1e-6 * 9.523809523809524);
    EXPECT_NEAR(cell[2], 99.77324263038548, 1e-6 * 99.77324263038548);
    EXPECT_NEAR(cell[0], v0, 1e-10) << "the base value stays";
}

TEST_F(CashFlowTest, AWorkVectorThatCannotBeHadFailsThisAnalysisOnly) {
    list({"rate"});
    prepare(0, 3, {"_value_ = rate;"});
    const int32_t planned = run()->planned_states;
    qor_pool_fail_nth(1);
    EXPECT_EQ(rsacfl_prepare(con, &proc_), 1);
    qor_pool_fail_nth(0);
    EXPECT_NE(log().find("598/2797"), std::string::npos) << log();
    EXPECT_NE(log().find("partial duration work vector"), std::string::npos) << log();
    EXPECT_EQ(proc_.failed, 1);
    EXPECT_EQ(proc_.work, nullptr);
    EXPECT_EQ(run()->planned_states, planned) << "no states are planned for it";
}

TEST_F(CashFlowTest, MissingPricesMissingFactorsAndNegligibleSecondDifferences) {
    list({"rate", "spot"});
    prepare(0, 5, {"_value_ = rate;"});
    run_.set_base({2, 0.05, 0.2, 1});
    ASSERT_EQ(rsacfl_prepare(con, &proc_), 0);
    ASSERT_EQ(partdur1(con, &proc_), 0);
    auto price = [&](std::initializer_list<double> values) {
        int s = 0;
        for (double v : values) get_state_value(run(), 2 + s++)[0] = v;
    };
    // Linear in both: the second differences vanish (relative to V0 below 1e-15) and give 0.
    price({10, 10 - 5e-6, 10 + 5e-6, 10 + 2e-4, 10 - 2e-4});
    std::vector<double> cell(5, 0.0);
    ASSERT_EQ(partdur2(con, &proc_, cell.data()), 0);
    EXPECT_NEAR(cell[1], 1.0, 1e-9);
    EXPECT_EQ(cell[2], 0.0);
    EXPECT_NEAR(cell[3], -1.0, 1e-9);
    EXPECT_EQ(cell[4], 0.0);
    // A missing price makes both sums of its factor missing, and they stay missing.
    price({10, M, 10, 10 + 2e-4, 10 - 2e-4});
    ASSERT_EQ(partdur2(con, &proc_, cell.data()), 0);
    EXPECT_TRUE(qor::is_missing(cell[1]) && qor::is_missing(cell[2]));
    EXPECT_NEAR(cell[3], -2.0, 1e-9);
    price({10, 10, 10, 10, 10});
    ASSERT_EQ(partdur2(con, &proc_, cell.data()), 0);
    EXPECT_TRUE(qor::is_missing(cell[1]) && qor::is_missing(cell[2]));
    EXPECT_NEAR(cell[0], 30, 1e-12);
}

TEST_F(CashFlowTest, EveryPartPricesTheBaseStateAndOnlyTheFirstAddsIt) {
    list({"rate", "spot"});
    prepare(0, 5, {"_value_ = rate;"});
    run_.set_base({2, 0.05, 0.2, 1});
    RSKRUNPARMS parms{};
    parms.analysis_part = 2;
    parms.analysis_parts = 2;
    run()->parms = &parms;
    ASSERT_EQ(rsacfl_prepare(con, &proc_), 0);
    EXPECT_EQ(run()->planned_states, 3) << "the base state and the spot pair";
    ASSERT_EQ(partdur1(con, &proc_), 0) << log();
    EXPECT_EQ(run()->state_buffer.appended, 3);
    EXPECT_EQ(run()->state_buffer.append_index, 5) << "the rate pair of part 1 is counted, not made";
    get_state_value(run(), 2)[0] = 10;
    std::vector<double> cell(5, 0.0);
    ASSERT_EQ(partdur2(con, &proc_, cell.data()), 0);
    EXPECT_EQ(cell[0], 0.0) << "part 2 does not add the base value";
    EXPECT_EQ(cell[1], 0.0) << "nor the sums of the factor part 1 prices";
    run()->parms = nullptr;
}

TEST_F(CashFlowTest, SumsAreDividedByTheBaseValueAndRolledUpByMode) {
    prepare(0, 1, {"_value_ = rate;"});
    RSKCFLWORK work{};
    work.n = 1;
    proc_.work = &work;
    struct Step {
        std::vector<double> cell, expected;
    };
    const Step steps[] = {
        {{4, 2, -8}, {4, 0.5, -2}},
        {{-4, 2, 8}, {-4, 0.5, 2}},
        {{1e-17, 2, 8}, {1e-17, M, M}},
        {{M, 2, 8}, {M, M, M}},
        {{4, M, 8}, {4, M, 2}},
    };
    for (const Step& s : steps) {
        std::vector<double> cell = s.cell;
        ASSERT_EQ(process_dur(con, &proc_, cell.data()), 0);
        for (size_t k = 0; k < 3; ++k) EXPECT_TRUE(same(cell[k], s.expected[k])) << s.cell[0] << " slot " << k;
    }

    struct Roll {
        const char* what;
        std::vector<double> parent, child;
        int mode, count, per_position;
        std::vector<double> expected;
    };
    const Roll rolls[] = {
        {"sums added", {10, 1, 2}, {5, 3, 4}, 0, 1, 0, {15, 4, 6}},
        {"per position: child over its base", {10, 1, 2}, {5, 3, 4}, 0, 1, 1, {15, 1.6, 2.8}},
        {"A/L, parent not yet seen", {10, 7, 7}, {5, 3, 4}, 1, 0, 0, {10, 0.6, 0.8}},
        {"A/L, parent seen", {10, 1, 1}, {5, 3, 4}, 1, 1, 0, {10, 1.6, 1.8}},
        {"missing child slot", {10, 1, 2}, {5, M, 4}, 0, 1, 0, {15, M, 6}},
        {"missing parent slot stays", {10, M, 2}, {5, 3, 4}, 0, 1, 0, {15, M, 6}},
        {"child base near 0", {10, 1, 2}, {1e-17, 3, 4}, 0, 1, 1, {10 + 1e-17, M, M}},
        {"missing child base", {10, 1, 2}, {M, 3, 4}, 0, 1, 1, {M, M, M}},
    };
    for (const Roll& r : rolls) {
        run()->aggregation.value_processing = r.per_position;
        std::vector<double> parent = r.parent, child = r.child;
        ASSERT_EQ(rsacfl3(con, &proc_, parent.data(), child.data(), r.mode, r.count), 0);
        for (size_t k = 0; k < 3; ++k) EXPECT_TRUE(same(parent[k], r.expected[k])) << r.what << " slot " << k;
    }
    proc_.work = nullptr;
}

TEST_F(CashFlowTest, BuildRegistersDurationBucketAndAmountOutputs) {
    prepare(0, 1, {"_value_ = rate;"});
    ASSERT_EQ(rskrun_make_output_table(con), 0);
    analysis_.subtype = RSKCFL_TRADITIONAL;
    analysis_.duration_type = RSKCFL_DUR_MACAULAY;
    analysis_.bucket_type = RSKCFL_BUCKET_ALL;

    // No bucket grid: a warning, and the analysis goes on without buckets.
    ASSERT_EQ(rsacfl0(con, &proc_, &analysis_), 0) << log();
    EXPECT_NE(log().find("670/3563"), std::string::npos) << log();
    EXPECT_EQ(proc_.label, 5613);
    EXPECT_EQ(run()->cashflow_analyses.macaulay, 1);
    EXPECT_EQ(run()->cashflow_analyses.cash_flows, 1);
    EXPECT_EQ(run()->cashflow_analyses.bucket_mode, 0);
    EXPECT_EQ(run()->aggregation.value_processing, 1);
    EXPECT_EQ(names(), (std::vector<std::string>{"MacaulayDur", "MacaulayCnvx", "_Cashflow_"}));
    EXPECT_EQ(run()->cashflow_analyses.output_columns, 3);

    // A grid of three cut points: both bucket variables become arrays of three; nothing is
    // listed or counted twice.
    double cuts[] = {22000, 22365, 22730};
    run()->cut_points = cuts;
    run()->cut_count = 3;
    ASSERT_EQ(rsacfl0(con, &proc_, &analysis_), 0) << log();
    EXPECT_EQ(run()->cashflow_analyses.bucket_mode, 3);
    EXPECT_EQ(run()->result_sets.bucket_mode, 3);
    const RSKVARIABLE* simple = con->system_variables->cf_bucket;
    EXPECT_EQ(simple->data_type, static_cast<uint32_t>(RSKDTYPE_ARRAY));
    EXPECT_EQ(simple->element_count, 3);
    EXPECT_EQ(names(), (std::vector<std::string>{"MacaulayDur", "MacaulayCnvx", "_Cashflow_", "CFBucket", "CumBucket"}));
    EXPECT_EQ(run()->cashflow_analyses.output_columns, 9);
    std::vector<std::string> table;
    for (const RSKOUTVAR* e = run()->output_variables->first; e != nullptr; e = e->next_in_order)
        table.emplace_back(e->name, static_cast<size_t>(e->name_length));
    EXPECT_EQ(table, (std::vector<std::string>{"MacaulayDur", "MacaulayCnvx", "_Cashflow_", "CFBucket_1", "CFBucket_2",
                                               "CFBucket_3", "CumBucket_1", "CumBucket_2", "CumBucket_3"}));

    // The simple gap rows need every bucket of the mode in the cell.
    run()->cashflow_analyses.bucket_mode = RSKCFL_BUCKET_ALL;
    std::vector<double> cell(64, 0.0);
    const size_t at = log().size();
    run()->output_variables->first = nullptr;
    EXPECT_EQ(output_simplegap(con, cell.data(), nullptr), 1);
    EXPECT_NE(log().find("No bucket variables found for simple gap data", at), std::string::npos) << log();
    run()->cut_points = nullptr;
    run()->cut_count = 0;
}

TEST_F(CashFlowTest, RefusedMethodsAndPartialDurationsWithoutFactors) {
    prepare(0, 1, {"_value_ = rate;"});
    ASSERT_EQ(rskrun_make_output_table(con), 0);
    analysis_.subtype = RSKCFL_EFFECTIVE;
    EXPECT_EQ(rsacfl0(con, &proc_, &analysis_), 1);
    EXPECT_NE(log().find("Effective duration not implemented yet"), std::string::npos) << log();
    std::vector<double> cell(3, 0.0);
    EXPECT_EQ(rsacfl2(con, &proc_, cell.data(), 0, 0), 1);
    EXPECT_EQ(rsacfl4(con, &proc_, cell.data()), 1);

    analysis_.subtype = RSKCFL_PARTIAL;
    EXPECT_EQ(rsacfl0(con, &proc_, &analysis_), 1);
    EXPECT_NE(log().find("670/3555"), std::string::npos) << log();
}

TEST_F(CashFlowTest, DurationRowsOfPartialDurCombineAndTheLevelPass) {
    list({"rate", "spot"});
    prepare(0, 5, {"_value_ = rate;"});
    ASSERT_EQ(rsacfl_prepare(con, &proc_), 0);
    std::vector<double> cell = {50, 9.5, 99.8, -1, 0.5};

    const std::vector<Row> partial = rows(&rsacfl5, cell.data(), RSKRES_PARTIALDUR);
    ASSERT_EQ(partial.size(), 2u);
    EXPECT_EQ(partial[0].name, "rate");
    EXPECT_EQ(partial[0].type, "CONVEXITY");
    EXPECT_EQ(partial[0].value, 50);
    EXPECT_EQ(partial[0].dur, 9.5);
    EXPECT_EQ(partial[0].conv, 99.8);
    EXPECT_EQ(partial[1].name, "spot");
    EXPECT_EQ(partial[1].dur, -1);
    EXPECT_EQ(partial[1].conv, 0.5);

    const std::vector<Row> combine = rows(&rsacfl5, cell.data(), RSKRES_COMBINE);
    ASSERT_EQ(combine.size(), 4u);
    const std::pair<const char*, double> expected[] = {{"DURATION", 9.5}, {"CONVEXITY", 99.8}, {"DURATION", -1},
                                                       {"CONVEXITY", 0.5}};
    for (size_t k = 0; k < 4; ++k) {
        EXPECT_EQ(combine[k].name, k < 2 ? "rate" : "spot");
        EXPECT_EQ(combine[k].name2, expected[k].first);
        EXPECT_EQ(combine[k].sensitivity, expected[k].second);
        EXPECT_EQ(combine[k].value, 50);
    }
    EXPECT_TRUE(rows(&rsacfl5, cell.data(), RSKRES_SENS).empty()) << "other kinds get no rows";

    const std::vector<Row> levels = rows(&rsacfll, cell.data(), RSKRES_PARTIALDUR);
    ASSERT_EQ(levels.size(), 4u);
    EXPECT_EQ(levels[0].type, "DURATION");
    EXPECT_EQ(levels[0].name, "");
    EXPECT_EQ(levels[1].type, "CONVEXITY");
    EXPECT_EQ(levels[3].name, "spot");
    const std::vector<Row> combine_levels = rows(&rsacfll, cell.data(), RSKRES_COMBINE);
    ASSERT_EQ(combine_levels.size(), 4u);
    EXPECT_EQ(combine_levels[1].name2, "spot");
    EXPECT_EQ(combine_levels[2].name2, "DURATION");
    EXPECT_EQ(combine_levels[3].name2, "CONVEXITY");
}

// Resolution: a named source analysis lends its kind, settings, factors and output names.
class CashFlowSources : public DefinitionsTest {
protected:
    RSKANALYSIS* define(const char* name, uint32_t kind) {
        RSKNAMEREC key = name_of(name);
        RSKCATOBJ* object = nullptr;
        EXPECT_EQ(engine_routine<EngineSlot::rskanld>()(con, &object, &key, nullptr, nullptr), 0) << log();
        auto* a = object != nullptr ? static_cast<RSKANALYSIS*>(object->object) : nullptr;
        if (a != nullptr) a->kind = kind;
        return a;
    }
    RSKANALYSIS* cash_flow(const char* source, double evaluation_date) {
        RSKANALYSIS* cf = define("Cf", RSKANL_CASHFLOW);
        RSKNAMEREC key = name_of(source);
        EXPECT_EQ(engine_routine<EngineSlot::rsacfla>()(con, cf, RSKCFL_NAMED, 0, 0, &key, evaluation_date, M), 0)
            << log();
        return cf;
    }
};

TEST_F(CashFlowSources, AHistoricalSimulationLendsItsSettingsAsMethodFive) {
    RSKANALYSIS* hist = define("Hist", RSKANL_HISTSIM);
    ASSERT_NE(hist, nullptr);
    hist->simulation.replications = 250;
    const int32_t horizons[] = {1, 10};
    ASSERT_EQ(rskanl_store_horizons(con, &hist->simulation, horizons, 2), 0);
    hist->evaluation_date = 22000;
    hist->more_dates = 22010;
    ASSERT_NE(add_analysis_entry(con, hist, "rate", 4), nullptr);
    ASSERT_EQ(rsklsta(con, &hist->names_head, &hist->names_tail, "Exposure", 8), 0);
    hist->names_count = 1;

    RSKANALYSIS* cf = cash_flow("Hist", M);
    ASSERT_EQ(rsacflg(con, cf), 0) << log();
    EXPECT_EQ(cf->subtype, static_cast<uint32_t>(RSKCFL_HISTORICAL));
    EXPECT_EQ(cf->simulation.replications, 250);
    ASSERT_EQ(cf->simulation.horizon_count, 2);
    EXPECT_NE(cf->simulation.horizons, hist->simulation.horizons) << "a copy of its own";
    EXPECT_EQ(cf->simulation.horizons[1], 10);
    EXPECT_EQ(cf->evaluation_date, 22000) << "taken when it has none";
    EXPECT_EQ(cf->more_dates, 22010);
    ASSERT_EQ(cf->entry_count, 1);
    EXPECT_NE(cf->entries_head, hist->entries_head);
    EXPECT_EQ(std::string(cf->entries_head->name.name.text, cf->entries_head->name.name.length), "rate");
    ASSERT_EQ(cf->names_count, 1);
    EXPECT_NE(cf->names_head, hist->names_head);

    // Resolved again at the next run start: nothing doubles, and the source keeps its lists.
    ASSERT_EQ(rsacflg(con, cf), 0) << log();
    EXPECT_EQ(cf->entry_count, 1);
    EXPECT_EQ(cf->names_count, 1);
    EXPECT_EQ(hist->entries_head->next, nullptr);
    EXPECT_EQ(hist->names_head->next, nullptr);
}

TEST_F(CashFlowSources, KindsMapToMethodsAndOtherKindsAreRefused) {
    struct Case {
        uint32_t kind;
        int rc;
        uint32_t method;
    };
    const Case cases[] = {
        {RSKANL_SCENARIO, 0, RSKCFL_SCENARIO},     {RSKANL_COVSIM, 0, RSKCFL_COVARIANCE},
        {RSKANL_MODELSIM, 0, RSKCFL_MODEL},        {RSKANL_SERIESSIM, 0, RSKCFL_SERIES},
        {RSKANL_SENSITIVITY, 1, RSKCFL_NAMED},     {RSKANL_POSEQ, 1, RSKCFL_NAMED},
    };
    RSKANALYSIS* source = define("Src", RSKANL_SCENARIO);
    ASSERT_NE(source, nullptr);
    source->perturbation_type = 3;
    for (const Case& c : cases) {
        source->kind = c.kind;
        RSKANALYSIS* cf = cash_flow("Src", 21000);
        const size_t at = log().size();
        EXPECT_EQ(rsacflg(con, cf), c.rc) << c.kind;
        EXPECT_EQ(cf->subtype, c.method) << c.kind;
        EXPECT_EQ(cf->evaluation_date, 21000) << "its own date stays";
        if (c.rc != 0) {
            EXPECT_NE(log().find("670/3529", at), std::string::npos) << log();
        }
        if (c.kind == RSKANL_SCENARIO) {
            EXPECT_EQ(cf->perturbation_type, 3u);
        }
    }
    // A source that went away after the definition.
    RSKANALYSIS* cf = cash_flow("Src", M);
    rskname(con, &cf->source_analysis, "Gone", -1);
    EXPECT_EQ(rsacflg(con, cf), 1);
    EXPECT_NE(log().find("670/3528"), std::string::npos) << log();
}

}  // namespace
