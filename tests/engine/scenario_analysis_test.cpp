// Scenario, P/L curve and P/L surface analyses over a hand-laid run: the states they append
// against shifted values worked out here, cell sums of linear positions against closed forms
// (the price rows are filled from the recorded states), the numbering of divided runs and the
// rows read back from the row writer.
#include <cmath>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include "engine/analyses/analysis_definitions.h"
#include "engine/analyses/shifted_states.h"
#include "engine/model/analyses/analyses.h"
#include "engine/model/projects/projects.h"
#include "engine/model/variables/variable_record.h"
#include "engine/run/analysis_processing.h"
#include "engine/run/market_state.h"
#include "engine/run/project_run.h"
#include "engine/run/run_block.h"
#include "host/missing.h"
#include "tests/engine/definitions_fixture.h"

namespace {

constexpr uint32_t kFactor = 2, kNum = 1, kRole = 301;
const char* const kNames[] = {"x1", "x2", "e1", "e2", "A1", "A2"};
constexpr int kFactors = 6;

// One row the row writer received.
struct Row {
    std::string output_variable, name, name2;
    double x, y, factor1, factor2, pl, gain, loss, value, positive, negative, pl_pct, ret, base;
};
std::vector<Row>* g_rows = nullptr;

std::string trimmed(const char* text, size_t n) {
    std::string s(text, n);
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
}

int capture_row(RSKCON* con, RSKRESDS*) {
    const RSKROWVALUES& r = con->run_block->result_sets.row;
    g_rows->push_back(Row{trimmed(r.simulation_part, 32), trimmed(r.name, 32), trimmed(r.name2, 32), r.x, r.y,
                          r.factor1, r.factor2, r.pl, r.positive_pl, r.negative_pl, r.value, r.positive_value,
                          r.negative_value, r.pl_pct, r.return_, r.base_case_value});
    return 0;
}

class ShiftedStates : public DefinitionsTest {
protected:
    void SetUp() override {
        DefinitionsTest::SetUp();
        for (const char* name : kNames) ASSERT_EQ(declare(name, kFactor, kNum, kRole), 0) << log();
        ASSERT_EQ(engine_routine<EngineSlot::rsk0>()(con), 0) << log();
        rskname(con, &project_.name, "P1", -1);
        run = con->run_block;
        saved_run.resize(sizeof *run);
        std::memcpy(saved_run.data(), static_cast<void*>(run), sizeof *run);
        const int32_t head = static_cast<int32_t>((sizeof(RSKSTATEHEADER) + 7) / 8 * 8);
        run->state_size = head + 8 * kFactors;
        run->vector_size = run->state_size;
        vectors.assign(2 * static_cast<size_t>(run->state_size), 0);
        run->market_vectors[0] = vectors.data();
        run->market_vectors[1] = vectors.data() + run->state_size;
        for (int i = 0; i < kFactors; ++i) {
            RSKVARIABLE* v = variable(kNames[i]);
            ASSERT_NE(v, nullptr);
            v->run_used = 1;
            v->dependencies.mask_position = -1;
            v->run.state_offset = head + 8 * i;
            v->run.state_address[0] = run->market_vectors[0] + v->run.state_offset;
            v->run.state_address[1] = run->market_vectors[1] + v->run.state_offset;
            v->std_address = &vols[i];
            vols[i] = qor::missing();
            factors[i] = v;
        }
        // A1 and A2 are arrays; A1 of (e1, e2), A2 of (e2) unless a test says otherwise.
        make_array(4, {2, 3});
        make_array(5, {3});
        reset_buffer(64);
    }
    void TearDown() override {
        if (con != nullptr) {
            for (RSKVARIABLE* v : factors)
                if (v != nullptr) {
                    v->run = RSKVARRUN{};
                    v->std_address = nullptr;
                    if (v->data_type == RSKDTYPE_ARRAY) {
                        v->data_type = kNum;
                        v->elements = nullptr;
                        v->elements_allocated = 0;
                        v->element_count = 0;
                    }
                }
            std::memcpy(static_cast<void*>(run), saved_run.data(), sizeof *run);
        }
        g_rows = nullptr;
        DefinitionsTest::TearDown();
    }

    void make_array(int array, std::initializer_list<int> elements) {
        std::vector<RSKVARIABLE*>& list = element_lists[array - 4];
        list.clear();
        for (int e : elements) list.push_back(factors[e]);
        RSKVARIABLE* v = factors[array];
        v->data_type = RSKDTYPE_ARRAY;
        v->elements = list.data();
        v->elements_allocated = static_cast<uint32_t>(list.size());
        v->element_count = static_cast<double>(list.size());
    }
    void reset_buffer(int states) {
        buffer.assign(static_cast<size_t>(states) * static_cast<size_t>(run->state_size), 0);
        ASSERT_EQ(rskmkt_attach(con, buffer.data(), states), 0);
        run->state_buffer.keep = 1;
        run->state_buffer.read_back = 1;   // no market program: the state is taken as set
        run->shifted_states.states_elsewhere = 0;
    }
    // The base value of factor i in the current and the saved base vector.
    void base(int i, double value) {
        std::memcpy(factors[i]->run.state_address[0], &value, 8);
        std::memcpy(factors[i]->run.state_address[1], &value, 8);
    }
    double current(int i) {
        double value;
        std::memcpy(&value, factors[i]->run.state_address[0], 8);
        return value;
    }
    double in_state(int state, int i) {
        const uint8_t* s = rskmkti(con, state);
        double value = qor::missing();
        if (s != nullptr) std::memcpy(&value, s + factors[i]->run.state_offset, 8);
        return value;
    }
    RSKANALYSIS* analysis(const char* name, uint32_t kind) {
        RSKNAMEREC key = name_of(name);
        RSKCATOBJ* object = nullptr;
        EXPECT_EQ(engine_routine<EngineSlot::rskanld>()(con, &object, &key, nullptr, nullptr), 0) << log();
        auto* a = static_cast<RSKANALYSIS*>(object->object);
        a->kind = kind;
        return a;
    }
    void perturb(RSKANALYSIS* a, const char* name, double amount, uint32_t type) {
        RSKNAMEREC key = name_of(name);
        ASSERT_EQ(rsafacp(con, a, &key, amount, type), 0);
    }
    void grid(RSKANALYSIS* a, const char* name, double lo, double hi, uint32_t n, uint32_t type) {
        RSKNAMEREC key = name_of(name);
        ASSERT_EQ(rsafacg(con, a, &key, lo, hi, n, type), 0);
    }
    void pair(RSKANALYSIS* a, const char* x, double xlo, double xhi, uint32_t m, const char* y, double ylo,
              double yhi, uint32_t n, uint32_t type) {
        RSKNAMEREC kx = name_of(x), ky = name_of(y);
        ASSERT_EQ(rsafacs(con, a, &kx, xlo, xhi, m, type, &ky, ylo, yhi, n, type), 0);
    }
    RSKANALYSIS* a_ten(RSKANALYSIS* a) {
        grid(a, "x2", 0, 9, 10, 1);
        return a;
    }
    RSKANLPROC* run_of(RSKANALYSIS* a) {
        RSKANLPROC& r = runs.emplace_back();
        std::memset(static_cast<void*>(&r), 0, sizeof r);
        r.analysis = a;
        r.project = &project_;
        r.first_state = run->state_buffer.append_index;
        return &r;
    }
    void divide(int part, int parts) {
        parms = RSKRUNPARMS{};
        parms.analysis_part = part;
        parms.analysis_parts = parts;
        run->parms = &parms;
    }
    // Price rows of every appended state for a linear position: value = sum q_i x_i in the state.
    void price_linear(const std::vector<std::pair<int, double>>& holdings) {
        const int32_t states = run->state_buffer.appended;
        run->row_doubles = 2;
        run->row_count = states + 2;
        prices.assign(static_cast<size_t>(run->row_count) * 2, 0.0);
        run->results = prices.data();
        run->row0 = prices.data();
        auto value = [&](auto get) {
            double v = 0;
            for (const auto& [i, q] : holdings) v += q * get(i);
            return v;
        };
        prices[0] = value([&](int i) { return current(i); });
        for (int32_t s = 0; s < states; ++s) prices[static_cast<size_t>(s + 2) * 2] = value([&](int i) { return in_state(s, i); });
        run->loop.base_value_copy = prices[0];
    }
    std::vector<Row> rows_of(RSKOUTPHASE writer_phase, RSKANLPROC* r, void* area, double mtm) {
        std::vector<Row> rows;
        g_rows = &rows;
        run->result_sets.row.mtm = mtm;
        EXPECT_EQ(writer_phase(con, r, area, &capture_row, nullptr), 0);
        g_rows = nullptr;
        return rows;
    }

    RSKRUNBLOCK* run = nullptr;
    RSKVARIABLE* factors[kFactors] = {};
    double vols[kFactors] = {};
    std::vector<RSKVARIABLE*> element_lists[2];
    std::vector<uint8_t> vectors, buffer, saved_run;
    std::vector<double> prices;
    std::deque<RSKANLPROC> runs;
    RSKPROJECT project_{};
    RSKRUNPARMS parms{};
};

// ---- Scenario ----

TEST_F(ShiftedStates, ScenarioShiftsByTypeAndKeepsTheBase) {
    const double m = qor::missing();
    struct Case {
        const char* what;
        uint32_t type;
        double amount, base, vol;
        uint32_t level;
        double expected;             // in the state; missing: the missing value
        int logged_2690;
    };
    const Case cases[] = {
        {"value", 1, 7.5, 2, m, 1, 7.5, 0},
        {"absolute", 2, 0.01, 0.05, m, 1, 0.06, 0},
        {"relative", 3, -0.5, 4, m, 1, 2, 0},
        {"relative -1 gives 0", 3, -1, 4, m, 1, 0, 0},
        {"additive volatility multiple", 4, 2, 10, 0.25, 2, 10.5, 0},
        {"multiplicative volatility multiple", 4, 2, 10, 0.25, 1, 10 * std::exp(0.5), 0},
        {"exp at the upper bound", 4, 709.78271289339, 1, 1, 1, m, 0},
        {"exp at the lower bound", 4, -708.3964185, 1, 1, 1, m, 0},
        {"no volatility keeps the base", 4, 2, 10, m, 1, 10, 1},
        {"negative volatility keeps the base", 4, 2, 10, -0.1, 1, 10, 1},
        {"a missing value stays missing", 2, 1, m, m, 1, m, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        reset_buffer(4);
        base(0, c.base);
        base(1, 3.0);
        vols[0] = c.vol;
        factors[0]->measurement_level = c.level;
        RSKANALYSIS* a = analysis("Shock", RSKANL_SCENARIO);
        perturb(a, "x1", c.amount, c.type);
        RSKANLPROC* r = run_of(a);
        const size_t at = log().size();
        ASSERT_EQ(rsascn0(con, r, a), 0) << log();
        ASSERT_EQ(rsascn1(con, r), 0) << log();
        ASSERT_EQ(run->state_buffer.appended, 1);
        const double got = in_state(0, 0);
        if (qor::is_missing(c.expected)) {
            EXPECT_TRUE(qor::is_missing(got)) << got;
        } else {
            EXPECT_NEAR(got, c.expected, 1e-12);
        }
        EXPECT_EQ(in_state(0, 1), 3.0);   // not named: its base value
        EXPECT_EQ(count_of(log().substr(at), "598/2690"), c.logged_2690);
        // The base comes back and the shift marker goes down.
        if (!qor::is_missing(c.base)) {
            EXPECT_EQ(current(0), c.base);
        }
        EXPECT_EQ(factors[0]->lag_in_analysis, 0.0);
        EXPECT_EQ(r->label, 5605);
        EXPECT_EQ(r->cell_size, 48);
    }

    // An array factor shifts every element alike; a missing element stays missing.
    reset_buffer(4);
    base(2, 1.0);
    base(3, m);
    RSKANALYSIS* a = analysis("Curve shock", RSKANL_SCENARIO);
    perturb(a, "A1", 0.5, 2);
    RSKANLPROC* r = run_of(a);
    ASSERT_EQ(rsascn0(con, r, a), 0) << log();
    ASSERT_EQ(rsascn1(con, r), 0) << log();
    EXPECT_EQ(in_state(0, 2), 1.5);
    EXPECT_TRUE(qor::is_missing(in_state(0, 3)));
    EXPECT_EQ(current(2), 1.0);

    // A type outside 1 to 4 is an internal error and phase 1 answers 2.
    reset_buffer(4);
    base(0, 1.0);
    RSKANALYSIS* bad = analysis("Odd", RSKANL_SCENARIO);
    perturb(bad, "x1", 1, 9);
    RSKANLPROC* rb = run_of(bad);
    ASSERT_EQ(rsascn0(con, rb, bad), 0);
    const size_t at = log().size();
    EXPECT_EQ(rsascn1(con, rb), 2);
    EXPECT_NE(log().find("unsupported perturbation type", at), std::string::npos);
    EXPECT_EQ(run->state_buffer.appended, 0);
}

TEST_F(ShiftedStates, ScenarioCellsRollUpAndRows) {
    base(0, 10.0);
    RSKANALYSIS* a = analysis("Up", RSKANL_SCENARIO);
    perturb(a, "x1", 0.5, 2);
    RSKANLPROC* r = run_of(a);
    ASSERT_EQ(rsascn0(con, r, a), 0) << log();
    ASSERT_EQ(rsascn1(con, r), 0) << log();
    std::vector<unsigned char> cell_a(static_cast<size_t>(r->cell_size), 0), cell_b(cell_a), parent(cell_a), lost(cell_a);
    // Positions q * x1: the scenario value is q * 10.5 against q * 10.
    for (double q : {2.0, -1.0}) {
        price_linear({{0, q}});
        ASSERT_EQ(rsascn2(con, r, cell_a.data(), 0, 0), 0);
    }
    price_linear({{0, 3.0}});
    ASSERT_EQ(rsascn2(con, r, cell_b.data(), 0, 0), 0);
    RSKSCNVAL got;
    std::memcpy(&got, cell_a.data(), sizeof got);
    EXPECT_NEAR(got.pl, 0.5, 1e-12);
    EXPECT_NEAR(got.gain, 1.0, 1e-12);
    EXPECT_NEAR(got.loss, 0.5, 1e-12);              // a positive magnitude
    EXPECT_NEAR(got.value, 10.5, 1e-12);
    EXPECT_NEAR(got.positive_value, 21.0, 1e-12);
    EXPECT_NEAR(got.negative_value, 10.5, 1e-12);   // a positive magnitude

    // A missing price makes the record missing, and it stays so for later positions.
    price_linear({{0, 1.0}});
    prices[4] = qor::missing();
    ASSERT_EQ(rsascn2(con, r, lost.data(), 0, 0), 0);
    price_linear({{0, 1.0}});
    ASSERT_EQ(rsascn2(con, r, lost.data(), 0, 0), 0);
    std::memcpy(&got, lost.data(), sizeof got);
    for (double field : {got.pl, got.gain, got.loss, got.value, got.positive_value, got.negative_value})
        EXPECT_TRUE(qor::is_missing(field));

    // The additive roll-up: the parent holds both children's sums.
    ASSERT_EQ(rsascn3(con, r, parent.data(), cell_a.data(), 0, 0), 0);
    ASSERT_EQ(rsascn3(con, r, parent.data(), cell_b.data(), 0, 1), 0);
    std::memcpy(&got, parent.data(), sizeof got);
    EXPECT_NEAR(got.pl, 2.0, 1e-12);
    EXPECT_NEAR(got.gain, 2.5, 1e-12);
    EXPECT_NEAR(got.loss, 0.5, 1e-12);
    EXPECT_NEAR(got.value, 42.0, 1e-12);

    // Rows: the P/L output variable against the cell's base value (MtM 40).
    const std::vector<Row> rows = rows_of(&rsascn5, r, parent.data(), 40.0);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].output_variable, "P/L");
    EXPECT_NEAR(rows[0].pl, 2.0, 1e-12);
    EXPECT_NEAR(rows[0].pl_pct, 5.0, 1e-12);
    EXPECT_NEAR(rows[0].ret, 0.05, 1e-14);
    EXPECT_EQ(rows[0].base, 40.0);
    EXPECT_NEAR(rows[0].loss, 0.5, 1e-12);
}

TEST(ScenarioRecords, AggregationModes) {
    const double m = qor::missing();
    // Mode 1 divides the value sums by the magnitudes of the divisor's, mode 2 by the divisor's
    // own (above the small divisor); P/L and gains go missing outside mode 0, losses add on.
    RSKSCNVAL t{1, 1, 1, 1, 1, 1};
    const RSKSCNVAL s{2, 2, 2, 4, 6, 8};
    const RSKSCNVAL d{0, 0, 0, -2, 3, 1e-17};
    aggregateResults(&t, &s, 1, &d);
    EXPECT_TRUE(qor::is_missing(t.pl));
    EXPECT_TRUE(qor::is_missing(t.gain));
    EXPECT_EQ(t.loss, 3);
    EXPECT_EQ(t.value, 3);                       // 1 + 4 / |-2|
    EXPECT_EQ(t.positive_value, 3);              // 1 + 6 / 3
    EXPECT_TRUE(qor::is_missing(t.negative_value));
    RSKSCNVAL u{1, 1, 1, 1, 1, 1};
    aggregateResults(&u, &s, 2, &d);
    EXPECT_TRUE(qor::is_missing(u.value));       // -2 is no divisor in mode 2
    // A missing target value touches nothing but the P/L.
    RSKSCNVAL w{1, 1, 1, m, 1, 1};
    aggregateResults(&w, &s, 0, nullptr);
    EXPECT_EQ(w.pl, 3);
    EXPECT_EQ(w.gain, 1);
    EXPECT_EQ(w.loss, 1);
}

// Records of variables the post-pricing and post-valuation methods compute: the value sums come
// from the method's value, losses and negative values as negative numbers (unlike priced
// variables), and P/L, gain and loss only against a present base value.
TEST(ScenarioRecords, PostVariablesKeepNegativeLosses) {
    const double m = qor::missing();
    struct Case {
        double p, base;
        RSKSCNVAL want;   // pl, gain, loss, value, positive value, negative value
    };
    const Case cases[] = {
        {5, 3, {2, 2, 0, 5, 5, 0}},
        {-4, 1, {-5, 0, -5, -4, 0, -4}},
        {2, m, {m, m, m, 2, 2, 0}},
        {m, 1, {m, m, m, m, m, m}},
        {0, 0, {0, 0, 0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.p) + " against " + std::to_string(c.base));
        RSKSCNVAL r{9, 9, 9, 9, 9, 9};
        set_postvars(&r, c.p, c.base);
        const double got[] = {r.pl, r.gain, r.loss, r.value, r.positive_value, r.negative_value};
        const double want[] = {c.want.pl, c.want.gain, c.want.loss, c.want.value, c.want.positive_value,
                               c.want.negative_value};
        for (int k = 0; k < 6; ++k) {
            if (qor::is_missing(want[k])) EXPECT_TRUE(qor::is_missing(got[k])) << k;
            else EXPECT_EQ(got[k], want[k]) << k;
        }
    }
}

TEST_F(ShiftedStates, DividedScenarioNumbersItsStateInPartOneOnly) {
    base(0, 1.0);
    for (int part = 1; part <= 3; ++part) {
        SCOPED_TRACE(part);
        reset_buffer(4);
        divide(part, 3);
        RSKANALYSIS* a = analysis("Up", RSKANL_SCENARIO);
        perturb(a, "x1", 1, 2);
        RSKANLPROC* r = run_of(a);
        const int32_t planned = run->planned_states;
        ASSERT_EQ(rsascn0(con, r, a), 0) << log();
        EXPECT_EQ(run->planned_states - planned, part == 1 ? 1 : 0);
        EXPECT_EQ(r->state_count, 1);
        ASSERT_EQ(rsascn1(con, r), 0) << log();
        EXPECT_EQ(run->state_buffer.appended, part == 1 ? 1 : 0);
        EXPECT_EQ(rsk_global_states(con), 1);   // every part advances the global count
        EXPECT_EQ(r->state_counters[0], part == 1 ? 0 : 1);
        EXPECT_EQ(r->state_counters[3] - r->state_counters[2], part == 1 ? 1 : 0);
    }
}

// ---- P/L curve ----

TEST_F(ShiftedStates, CurveGridStatesPointSumsAndRows) {
    const double x0 = 1.0;
    base(0, x0);
    base(1, 100.0);
    vols[1] = 0.2;
    factors[1]->measurement_level = 1;   // a ratio factor: multiplicative
    RSKANALYSIS* a = analysis("Curve", RSKANL_PLCURVE);
    grid(a, "x1", -0.02, 0.02, 5, 2);
    grid(a, "x2", -1, 1, 5, 4);
    RSKANLPROC* r = run_of(a);
    ASSERT_EQ(rsaplc0(con, r, a), 0) << log();
    EXPECT_EQ(r->label, 5606);
    EXPECT_EQ(r->cell_size, 48 * 10);
    ASSERT_EQ(rsaplc1(con, r), 0) << log();
    ASSERT_EQ(run->state_buffer.appended, 10);
    const double lo = 100 * std::exp(-0.2), hi = 100 * std::exp(0.2);
    for (int j = 0; j < 5; ++j) {
        EXPECT_NEAR(in_state(j, 0), x0 - 0.02 + 0.01 * j, 1e-15);
        EXPECT_EQ(in_state(j, 1), 100.0);
        EXPECT_NEAR(in_state(5 + j, 1), lo + (hi - lo) * j / 4, 1e-12);   // evenly spaced in value
        EXPECT_EQ(in_state(5 + j, 0), x0);
    }
    EXPECT_EQ(current(0), x0);
    EXPECT_EQ(current(1), 100.0);

    // Position 3 x1 + 0.5 x2 priced in every state; P/L per point = the holding times the shift.
    std::vector<unsigned char> cell(static_cast<size_t>(r->cell_size), 0);
    price_linear({{0, 3.0}, {1, 0.5}});
    ASSERT_EQ(rsaplc2(con, r, cell.data(), 0, 9), 0);
    const double mtm = 3.0 * x0 + 50.0;
    const std::vector<Row> rows = rows_of(&rsaplc5, r, cell.data(), mtm);
    ASSERT_EQ(rows.size(), 10u);
    for (int j = 0; j < 5; ++j) {
        EXPECT_EQ(rows[j].name, "x1");
        EXPECT_EQ(rows[j].x, j + 1);
        EXPECT_NEAR(rows[j].factor1, x0 - 0.02 + 0.01 * j, 1e-15);
        const double pl = 3.0 * (-0.02 + 0.01 * j);
        EXPECT_NEAR(rows[j].pl, pl, 1e-12);
        EXPECT_NEAR(rows[j].value, mtm + pl, 1e-12);
        EXPECT_NEAR(rows[j].gain, pl > 1e-12 ? pl : 0, 1e-12);
        EXPECT_NEAR(rows[j].loss, pl < -1e-12 ? pl : 0, 1e-12);   // a negative number
        EXPECT_NEAR(rows[j].ret, pl / mtm, 1e-12);
        const double pl2 = 0.5 * (lo + (hi - lo) * j / 4 - 100.0);
        EXPECT_EQ(rows[5 + j].name, "x2");
        EXPECT_NEAR(rows[5 + j].pl, pl2, 1e-9);
    }
}

TEST_F(ShiftedStates, CurveFactorWithoutValueLeavesItsNumbersToTheNext) {
    base(0, qor::missing());
    base(1, 2.0);
    RSKANALYSIS* a = analysis("Curve", RSKANL_PLCURVE);
    grid(a, "x1", -1, 1, 5, 2);
    grid(a, "x2", -1, 1, 5, 2);
    RSKANLPROC* r = run_of(a);
    ASSERT_EQ(rsaplc0(con, r, a), 0) << log();
    ASSERT_EQ(rsaplc1(con, r), 0) << log();
    ASSERT_EQ(run->state_buffer.appended, 5);
    EXPECT_EQ(in_state(0, 1), 1.0);   // x2's first point takes state 0
    std::vector<unsigned char> cell(static_cast<size_t>(r->cell_size), 0);
    price_linear({{1, 1.0}});
    ASSERT_EQ(rsaplc2(con, r, cell.data(), 0, 4), 0);
    RSKPLPOINT first = rsk_point_load(cell.data(), 0);
    EXPECT_TRUE(qor::is_missing(first.pl));
    const std::vector<Row> rows = rows_of(&rsaplc5, r, cell.data(), 2.0);
    ASSERT_EQ(rows.size(), 5u);   // x1 writes none
    EXPECT_EQ(rows[0].name, "x2");
    EXPECT_NEAR(rows[4].pl, 1.0, 1e-12);

    // A volatility grid on a factor without volatility gives no states; its records carry the
    // base value.
    reset_buffer(16);
    base(0, 4.0);
    RSKANALYSIS* v = analysis("Vol", RSKANL_PLCURVE);
    grid(v, "x1", -1, 1, 3, 4);
    RSKANLPROC* rv = run_of(v);
    ASSERT_EQ(rsaplc0(con, rv, v), 0);
    const size_t at = log().size();
    ASSERT_EQ(rsaplc1(con, rv), 0);
    EXPECT_EQ(count_of(log().substr(at), "598/2690"), 1);
    EXPECT_EQ(run->state_buffer.appended, 0);
    std::vector<unsigned char> skipped(static_cast<size_t>(rv->cell_size), 0);
    price_linear({{0, 1.0}});
    ASSERT_EQ(rsaplc2(con, rv, skipped.data(), 0, 0), 0);
    EXPECT_EQ(rsk_point_load(skipped.data(), 2).value, 4.0);
    EXPECT_EQ(rsk_point_load(skipped.data(), 2).pl, 0.0);
}

TEST_F(ShiftedStates, DividedCurveTakesItsShareOfThePoints) {
    base(0, 0.0);
    struct Case {
        int part;
        int64_t first, end, elsewhere;
    };
    for (const Case& c : {Case{1, 0, 3, 7}, Case{2, 3, 6, 7}, Case{3, 6, 10, 6}}) {
        SCOPED_TRACE(c.part);
        reset_buffer(16);
        divide(c.part, 3);
        RSKANALYSIS* a = analysis("Curve", RSKANL_PLCURVE);
        grid(a, "x1", 0, 9, 10, 1);
        RSKANLPROC* r = run_of(a);
        const int32_t planned = run->planned_states;
        ASSERT_EQ(rsaplc0(con, r, a), 0) << log();
        EXPECT_EQ(run->planned_states - planned, c.end - c.first);
        ASSERT_EQ(rsaplc1(con, r), 0) << log();
        EXPECT_EQ(r->state_counters[0], c.first);
        EXPECT_EQ(r->state_counters[1], c.end);
        EXPECT_EQ(run->state_buffer.appended, c.end - c.first);
        EXPECT_EQ(in_state(0, 0), static_cast<double>(c.first));   // type 1: the value is the amount
        EXPECT_EQ(run->shifted_states.states_elsewhere, c.elsewhere);
    }
    // One point: one state at the first amount, no division by n - 1.
    run->parms = nullptr;
    reset_buffer(4);
    RSKANALYSIS* one = analysis("One", RSKANL_PLCURVE);
    grid(one, "x1", 0.25, 9, 1, 1);
    RSKANLPROC* r = run_of(one);
    ASSERT_EQ(rsaplc0(con, r, one), 0);
    ASSERT_EQ(rsaplc1(con, r), 0);
    ASSERT_EQ(run->state_buffer.appended, 1);
    EXPECT_EQ(in_state(0, 0), 0.25);

    // A grid whose states would pass what a state number holds is refused at the build.
    run->planned_states = 0x7fffffff - 2;
    RSKANLPROC* big = run_of(a_ten(one));
    const size_t at = log().size();
    EXPECT_EQ(rsaplc0(con, big, big->analysis), 1);
    EXPECT_NE(log().find("rsaplc0: 2147483656 states pass the run's limit", at), std::string::npos) << log().substr(at);
    EXPECT_EQ(run->planned_states, 0x7fffffff - 2);
}

// ---- P/L surface ----

TEST_F(ShiftedStates, SurfaceProductGridSecondFactorFastest) {
    const double b1 = 1.0, b2 = 2.0;
    base(0, b1);
    base(1, b2);
    RSKANALYSIS* a = analysis("Surface", RSKANL_PLSURFACE);
    pair(a, "x1", -0.01, 0.01, 3, "x2", -0.1, 0.1, 4, 2);
    RSKANLPROC* r = run_of(a);
    ASSERT_EQ(rsapls0(con, r, a), 0) << log();
    EXPECT_EQ(r->label, 5607);
    EXPECT_EQ(r->cell_size, 48 * 12);
    ASSERT_EQ(rsapls1(con, r), 0) << log();
    ASSERT_EQ(run->state_buffer.appended, 12);
    auto x1 = [&](int i) { return b1 - 0.01 + 0.01 * i; };
    auto x2 = [&](int i) { return b2 - 0.1 + 0.2 / 3 * i; };
    for (int i1 = 0; i1 < 3; ++i1)
        for (int i2 = 0; i2 < 4; ++i2) {
            EXPECT_NEAR(in_state(i1 * 4 + i2, 0), x1(i1), 1e-15);
            EXPECT_NEAR(in_state(i1 * 4 + i2, 1), x2(i2), 1e-15);
        }
    std::vector<unsigned char> cell(static_cast<size_t>(r->cell_size), 0);
    price_linear({{0, 2.0}, {1, -1.0}});
    ASSERT_EQ(rsapls2(con, r, cell.data(), 0, 11), 0);
    const std::vector<Row> rows = rows_of(&rsapls5, r, cell.data(), 0.0);
    ASSERT_EQ(rows.size(), 12u);
    for (int k = 0; k < 12; ++k) {
        const int i1 = k / 4, i2 = k % 4;
        EXPECT_EQ(rows[k].x, i1 + 1);
        EXPECT_EQ(rows[k].y, i2 + 1);
        EXPECT_EQ(rows[k].name, "x1");
        EXPECT_EQ(rows[k].name2, "x2");
        EXPECT_NEAR(rows[k].factor1, x1(i1), 1e-15);
        EXPECT_NEAR(rows[k].factor2, x2(i2), 1e-15);
        EXPECT_NEAR(rows[k].pl, 2.0 * (x1(i1) - b1) - (x2(i2) - b2), 1e-12);
        EXPECT_TRUE(qor::is_missing(rows[k].ret));   // MtM 0: no percentage
    }

    // In two parts the first takes the 4 states of i1 = 0, the second the 8 of i1 = 1 and 2.
    for (int part = 1; part <= 2; ++part) {
        SCOPED_TRACE(part);
        reset_buffer(16);
        divide(part, 2);
        RSKANLPROC* rp = run_of(a);
        ASSERT_EQ(rsapls0(con, rp, a), 0);
        ASSERT_EQ(rsapls1(con, rp), 0);
        EXPECT_EQ(run->state_buffer.appended, part == 1 ? 4 : 8);
        EXPECT_NEAR(in_state(0, 0), x1(part == 1 ? 0 : 1), 1e-15);
        EXPECT_EQ(run->shifted_states.states_elsewhere, part == 1 ? 8 : 4);
    }
}

TEST_F(ShiftedStates, SurfaceRefusesAnOddCountAndReportsSharedElements) {
    RSKANALYSIS* odd = analysis("Odd", RSKANL_PLSURFACE);
    grid(odd, "x1", 0, 1, 2, 2);
    RSKANLPROC* r = run_of(odd);
    size_t at = log().size();
    EXPECT_EQ(rsapls0(con, r, odd), 1);
    EXPECT_NE(log().find("rsapls0: nrf=1 is not an even number.", at), std::string::npos);

    // A1 = (e1, e2) and A2 = (e2): a shared element name is reported and the run goes on. A
    // multiplicative volatility grid moves one-element arrays in log terms like longer ones.
    base(2, 1.0);
    base(3, 2.0);
    vols[2] = vols[3] = 0.1;
    factors[2]->measurement_level = factors[3]->measurement_level = 1;
    RSKANALYSIS* a = analysis("Arrays", RSKANL_PLSURFACE);
    pair(a, "A1", -1, 1, 2, "A2", 0, 1, 2, 4);
    RSKANLPROC* ra = run_of(a);
    ASSERT_EQ(rsapls0(con, ra, a), 0) << log();
    at = log().size();
    ASSERT_EQ(rsapls1(con, ra), 0) << log();
    EXPECT_EQ(count_of(log().substr(at), "670/1058"), 1);
    ASSERT_EQ(run->state_buffer.appended, 4);
    // State (i1 = 0, i2 = 1): e1 = 1 * exp(-0.1); e2 from the second factor: 2 * exp(0.1).
    EXPECT_NEAR(in_state(1, 2), std::exp(-0.1), 1e-14);
    EXPECT_NEAR(in_state(1, 3), 2.0 * std::exp(0.1), 1e-14);
    EXPECT_EQ(current(2), 1.0);
    EXPECT_EQ(current(3), 2.0);
}

TEST_F(ShiftedStates, OutOfMemoryFailsTheAnalysisOnce) {
    base(0, 1.0);
    RSKANALYSIS* a = analysis("Curve", RSKANL_PLCURVE);
    grid(a, "x1", 0, 1, 3, 2);
    for (int nth = 1; nth <= 4; ++nth) {
        SCOPED_TRACE(nth);
        RSKANLPROC* r = run_of(a);
        run->free_run_factors = nullptr;
        con->no_memory_reported = 0;
        const size_t at = log().size();
        qor_pool_fail_nth(nth);
        const int rc = rsaplc0(con, r, a);
        const long left = qor_pool_fail_nth(0);
        if (left > 0) {   // the build made fewer allocations: it has to succeed
            EXPECT_EQ(rc, 0);
            break;
        }
        EXPECT_EQ(rc, 1);
        EXPECT_EQ(count_of(log().substr(at), "598/2797"), 1);
    }
}

}  // namespace
