// Pricing positions in the base state and in every state of a run through the harness that
// stands in for the project run: values against the closed form, the same rows, status bytes and
// log for every thread count, failing states, re-pricing avoidance and the state arithmetic.
#include <string>
#include <vector>

#include "tests/engine/pricing_fixture.h"

namespace {

class PricingTest : public PricingHarness {
protected:
    // The generator's state s: every factor moves; states in `failing` get a volatility the
    // method refuses.
    static PricingState generated(int s, bool failing) {
        const double u = static_cast<double>((s * 7919) % 1000) / 1000.0;
        const double w = static_cast<double>((s * 104729) % 997) / 997.0;
        return PricingState{80 + 40 * u, 0.01 + 0.04 * w, failing ? 2.0 : 0.1 + 0.3 * u * w, 1.0 + s};
    }
};

const PricingState kBase{100, 0.03, 0.2, 1.0};

// States 2 .. 12 of the scenario result fail.
bool failing(int s) { return s >= 2 && s <= 12; }

// The method: a PUT line for high spots, a run-time error for a volatility above 1, the price.
std::vector<std::string> reporting_main() {
    std::vector<std::string> main = {"array bad[2] b1 b2;", "if sigma > 1 then bad[3] = 0;",
                                     "if spot > 117 then put 'high spot' spot;"};
    for (const std::string& s : black_scholes_main()) main.push_back(s);
    return main;
}

// 40 states: a scenario result [0, 16) with 11 failing states, then a covariance simulation
// [16, 40) of 3 cases, 4 draws and 2 horizons in which case 1 moves spot and case 2 only other.
struct RunOutcome {
    std::vector<uint8_t> rows, status;
    std::string log;
    int rc;
};

TEST_F(PricingTest, EveryThreadCountGivesTheSameRowsStatusBytesAndLog) {
    std::vector<RunOutcome> outcomes;
    for (int papc : {0, 1, 3, 8}) {
        SCOPED_TRACE(papc);
        if (!outcomes.empty()) restart_run();
        prepare(papc, 40, reporting_main());
        run_.set_base(kBase);
        for (int s = 0; s < 40; ++s) {
            PricingState st = generated(s, failing(s));
            int c = -1, d = -1, h = -1;
            if (s >= 16) {
                c = (s - 16) / 8;
                d = (s - 16) % 8 / 2;
                h = (s - 16) % 2;
                if (c == 2) st = PricingState{kBase.spot, kBase.rate, kBase.vol, 5.0 + s};
            }
            run_.append_state(s, st, c, d, h);
        }
        run_.assign_blocks();
        run_.need({"spot", "rate", "sigma"});
        run_.result(5, 0, 16);
        RSKANLPROC* sim = run_.result(6, 16, 24);
        sim->draws = 4;
        sim->horizons = 2;
        // Masks per case: case 1 differs from case 0 in spot and varies in spot; case 2 only in other.
        static std::vector<uint8_t> uncond, rep;
        const size_t mb = static_cast<size_t>(run()->mask_bytes);
        uncond.assign(3 * mb, 0);
        rep.assign(3 * mb, 0);
        const int spot_bit = variable("spot")->dependencies.mask_position;
        const int other_bit = variable("other")->dependencies.mask_position;
        uncond[mb + spot_bit / 8] |= static_cast<uint8_t>(128 >> (spot_bit % 8));
        rep[mb + spot_bit / 8] |= static_cast<uint8_t>(128 >> (spot_bit % 8));
        uncond[2 * mb + other_bit / 8] |= static_cast<uint8_t>(128 >> (other_bit % 8));
        rep[2 * mb + other_bit / 8] |= static_cast<uint8_t>(128 >> (other_bit % 8));
        sim->unconditional_masks = uncond.data();
        sim->representative_masks = rep.data();
        const size_t log_start = log().size();
        RunOutcome o;
        o.rc = run_.price(95, 0.5);
        o.rc = std::max(o.rc, run_.price(105, 1.5));
        o.rows = run_.rows();
        o.status = run_.status();
        o.log = log().substr(log_start);
        outcomes.push_back(o);

        // The second position's values against the closed form where the method ran.
        EXPECT_NEAR(pricing().base_value[0], closed_form_call(100, 0.03, 0.2, 105, 1.5), 1e-10);
        for (int s = 0; s < 40; ++s) {
            if (pricing().status[s] != RSKST_PRICED || failing(s)) continue;
            const PricingState st = s >= 32 ? kBase : generated(s, false);
            EXPECT_NEAR(run_.value(s), closed_form_call(st.spot, st.rate, st.vol, 105, 1.5), 1e-10) << s;
        }
    }
    const RunOutcome& first = outcomes.front();
    // Eleven failing states per position, ten messages in the run; all processed.
    EXPECT_EQ(count_of(first.log, "598/3404"), 10) << first.log;
    EXPECT_NE(first.log.find("high spot"), std::string::npos);
    for (int s = 0; s < 16; ++s) EXPECT_EQ(first.status[static_cast<size_t>(s)], RSKST_PRICED) << s;
    // Case 0 is priced; case 1 moves what the position reads; case 2 takes case 0's values.
    for (int s = 16; s < 32; ++s) EXPECT_EQ(first.status[static_cast<size_t>(s)], RSKST_PRICED) << s;
    for (int s = 32; s < 40; ++s) EXPECT_EQ(first.status[static_cast<size_t>(s)], RSKST_UNCONDITIONAL) << s;
    for (size_t k = 1; k < outcomes.size(); ++k) {
        EXPECT_EQ(outcomes[k].rc, first.rc) << k;
        EXPECT_TRUE(outcomes[k].rows == first.rows) << "rows differ for run " << k;
        EXPECT_EQ(outcomes[k].status, first.status) << k;
        EXPECT_EQ(outcomes[k].log, first.log) << k;
    }
}

// The state arithmetic of a simulation result: D = 4 draws, H = 3 horizons, first state 10.
TEST_F(PricingTest, SimulationStateNumbersMapToCaseDrawHorizonAndReferenceRows) {
    RSKANLPROC r{};
    r.kind = 6;
    r.first_state = 10;
    r.state_count = 36;
    r.draws = 4;
    r.horizons = 3;
    struct Case {
        int32_t state, simulation_case, draw, horizon, unconditional_row, representative_row;
    } cases[] = {
        {29, 1, 2, 1, 19, 25},    // 1 + 2 x 3 + 10 + 2 and 1 + 1 x 3 x 4 + 10 + 2
        {10, 0, -1, -1, 0, 0},    // case 0: no draw, no horizon, the base row
        {22, 1, 0, 0, 12, 24},    // the representative draw of case 1 is its own reference
        {45, 2, 3, 2, 23, 38},
        {9, -1, -1, -1, 0, 0},    // before the result
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.state);
        const int32_t sc = get_case_from_num(&r, c.state);
        const int32_t d = get_draw_from_num(&r, sc, c.state);
        const int32_t h = get_hor_from_num(&r, sc, d, c.state);
        EXPECT_EQ(sc, c.simulation_case);
        EXPECT_EQ(d, c.draw);
        EXPECT_EQ(h, c.horizon);
        EXPECT_EQ(get_uncondstate_from_num(&r, h, d), c.unconditional_row);
        EXPECT_EQ(get_condstate_from_num(&r, sc, h), c.representative_row);
    }
}

// A position that reads spot alone, in 10 states that move only other: priced in the base state
// only, every state delivers the base value; with the price-all-states switch every state runs.
TEST_F(PricingTest, StatesThatMoveNothingThePositionReadsTakeTheBaseValue) {
    for (int all : {0, 1}) {
        SCOPED_TRACE(all);
        if (all) restart_run();
        prepare(3, 10, {"_value_ = spot * 2;"});
        run()->price_all_states = static_cast<uint8_t>(all);
        run_.set_base(kBase);
        for (int s = 0; s < 10; ++s) run_.append_state(s, PricingState{kBase.spot, kBase.rate, kBase.vol, 2.0 + s});
        run_.assign_blocks();
        run_.need({"spot"});
        run_.result(5, 0, 10);
        ASSERT_EQ(run_.price(100, 1), 0) << log();
        EXPECT_EQ(pricing().base_value[0], 200.0);
        int64_t priced = 0;
        for (int i = 0; i < run()->thread_count; ++i) priced += run()->thread_blocks[i].priced;
        EXPECT_EQ(priced, all ? 10 : 0);
        for (int s = 0; s < 10; ++s) {
            EXPECT_EQ(run_.value(s), 200.0) << s;
            EXPECT_EQ(pricing().decisions[s], 0 * all + (all ? 0 : RSKDEC_BASE)) << s;
            EXPECT_EQ(pricing().status[s], all ? RSKST_PRICED : RSKST_BASE) << s;
        }
    }
}

// Decisions in a simulation result (D = 2, H = 1, 3 cases): case 0 is always priced; a case whose
// unconditional mask misses the position takes case 0's values; a case that moves it prices its
// representative draw and, when its draws do not vary in what it reads, reuses that draw. With
// the per-state mask switch a case-0 state that did not move takes the base row.
TEST_F(PricingTest, SimulationDecisionsFollowTheCaseMasks) {
    prepare(0, 6, {"_value_ = spot + rate;"});
    run_.set_base(kBase);
    const PricingState moved{110, kBase.rate, kBase.vol, 1.0};
    run_.append_state(0, kBase, 0, 0, 0);
    run_.append_state(1, moved, 0, 1, 0);
    run_.append_state(2, moved, 1, 0, 0);
    run_.append_state(3, PricingState{120, kBase.rate, kBase.vol, 1.0}, 1, 1, 0);
    run_.append_state(4, PricingState{kBase.spot, kBase.rate, kBase.vol, 3.0}, 2, 0, 0);
    run_.append_state(5, PricingState{kBase.spot, kBase.rate, kBase.vol, 4.0}, 2, 1, 0);
    run_.assign_blocks();
    run_.need({"spot", "rate"});
    RSKANLPROC* sim = run_.result(6, 0, 6);
    sim->draws = 2;
    sim->horizons = 1;
    const size_t mb = static_cast<size_t>(run()->mask_bytes);
    std::vector<uint8_t> uncond(3 * mb, 0), rep(3 * mb, 0);
    const int spot_bit = variable("spot")->dependencies.mask_position;
    const int other_bit = variable("other")->dependencies.mask_position;
    uncond[mb + spot_bit / 8] |= static_cast<uint8_t>(128 >> (spot_bit % 8));       // case 1 moves spot ...
    uncond[2 * mb + other_bit / 8] |= static_cast<uint8_t>(128 >> (other_bit % 8)); // case 2 only other
    rep[2 * mb + other_bit / 8] |= static_cast<uint8_t>(128 >> (other_bit % 8));    // ... and its draws do not vary
    sim->unconditional_masks = uncond.data();
    sim->representative_masks = rep.data();
    ASSERT_EQ(run_.price(0, 1), 0) << log();
    const int32_t expected[] = {RSKDEC_PRICE, RSKDEC_PRICE, RSKDEC_PRICE, RSKDEC_REPRESENTATIVE, RSKDEC_BASE, RSKDEC_BASE};
    const double values[] = {100.03, 110.03, 110.03, 110.03, 100.03, 110.03};
    for (int s = 0; s < 6; ++s) {
        EXPECT_EQ(pricing().decisions[s], expected[s]) << s;
        EXPECT_DOUBLE_EQ(run_.value(s), values[s]) << s;   // draw 1 of case 1 reuses its representative
    }
    EXPECT_EQ(pricing().status[3], RSKST_REPRESENTATIVE);
    EXPECT_EQ(pricing().status[5], RSKST_UNCONDITIONAL);
    // Per-state masks: state 0 did not move, so it takes the base row; the others as they moved.
    pricing().per_state_masks = 1;
    ASSERT_EQ(run_.price(0, 1), 0) << log();
    EXPECT_EQ(pricing().decisions[0], RSKDEC_BASE);
    EXPECT_EQ(pricing().status[0], RSKST_UNCONDITIONAL);
    EXPECT_DOUBLE_EQ(run_.value(0), 100.03);
    EXPECT_EQ(pricing().decisions[4], RSKDEC_BASE);
    EXPECT_EQ(pricing().decisions[3], RSKDEC_PRICE);
}

// What a method's INST_INIT block leaves reaches every block, and every state starts from what
// phase 1 and the base state left: a count kept across runs gives the same prices on any number
// of threads.
TEST_F(PricingTest, InstanceInitialisationReachesEveryBlock) {
    std::vector<std::vector<uint8_t>> outcomes;
    for (int papc : {0, 3, 8}) {
        SCOPED_TRACE(papc);
        if (!outcomes.empty()) restart_run();
        std::vector<std::string> main = {"n = sum(n, 1);"};
        for (const std::string& s : black_scholes_main()) main.push_back(s);
        main.push_back("_value_ = _value_ * k + n;");
        prepare(papc, 12, main, {"k = 2;"});
        run_.set_base(kBase);
        for (int s = 0; s < 12; ++s) run_.append_state(s, generated(s, false));
        run_.assign_blocks();
        run_.need({"spot", "rate", "sigma"});
        run_.result(5, 0, 12);
        ASSERT_EQ(run_.price(100, 1), 0) << log();
        // The base run counts 1, every state 2.
        EXPECT_NEAR(pricing().base_value[0], 2 * closed_form_call(100, 0.03, 0.2, 100, 1) + 1, 1e-10);
        for (int s = 0; s < 12; ++s) {
            const PricingState st = generated(s, false);
            EXPECT_NEAR(run_.value(s), 2 * closed_form_call(st.spot, st.rate, st.vol, 100, 1) + 2, 1e-10) << s;
        }
        outcomes.push_back(run_.rows());
    }
    EXPECT_TRUE(outcomes[1] == outcomes[0]);
    EXPECT_TRUE(outcomes[2] == outcomes[0]);
}

// Two states with eight threads allowed: two blocks take one state each, the others none.
TEST_F(PricingTest, FewerStatesThanThreadsUseOneBlockPerState) {
    prepare(8, 2, black_scholes_main());
    run_.set_base(kBase);
    run_.append_state(0, generated(0, false));
    run_.append_state(1, generated(1, false));
    run_.assign_blocks();
    run_.need({"spot", "rate", "sigma"});
    run_.result(5, 0, 2);
    ASSERT_EQ(run_.price(100, 1), 0) << log();
    EXPECT_EQ(rskex_blocks_in_use(run()), 2);
    EXPECT_EQ(run()->thread_blocks[0].priced, 1);
    EXPECT_EQ(run()->thread_blocks[1].priced, 1);
    for (int i = 2; i < 8; ++i) EXPECT_EQ(run()->thread_blocks[i].priced + run()->thread_blocks[i].reused, 0) << i;
}

}  // namespace
