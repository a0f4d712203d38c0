// The working storage of a run on a started engine: thread blocks, pricing rows, type value
// records and their fingerprints, market vectors and change-mask bits, the cash-flow and
// delta-gamma buffers, the memory report, a second run of one step and every allocation failing.
#include <cstring>

#include "engine/model/fx/fx_matrix.h"
#include "engine/model/options/engine_options.h"
#include "engine/run/run_storage.h"
#include "host/options.h"
#include "runtime/core/step.h"
#include "tests/engine/definitions_fixture.h"

namespace {

constexpr uint32_t kFactor = RSKVKIND_FACTOR, kInstrument = RSKVKIND_INSTRUMENT, kOutput = RSKVKIND_OUTPUT;
constexpr uint32_t kNum = 1, kChar = 2, kVarRole = 201, kComputed = 204, kRateRole = 301;

class RunStorageTest : public DefinitionsTest {
protected:
    void TearDown() override {
        if (con != nullptr) rskmemf(con);
        xoptbst("NOTES", 1);
        xoptbst("GENERIC", 0);
        DefinitionsTest::TearDown();
    }
    RSKRUNBLOCK* run() { return con->run_block; }
    // rskmem0 .. rskmem3 in order; the first non-zero code.
    int prepare_all() {
        int rc = rskmem0(con);
        if (rc == 0) rc = rskmem1(con);
        if (rc == 0) rc = rskmem2(con);
        if (rc == 0) rc = rskmem3(con);
        return rc;
    }
};

TEST_F(RunStorageTest, ThreadBlocksFollowPapcAndMaxthreads) {
    struct Case {
        int32_t papc, maxthreads, threads, threading;
    } cases[] = {{4, 0, 4, 1}, {0, 0, 1, 0}, {-2, 8, 1, 0}, {4, 2, 2, 1}, {3, 16, 3, 1}, {8, -1, 8, 1}};
    for (const Case& c : cases) {
        con->papc = c.papc;
        con->current_options->maxthreads = c.maxthreads;
        ASSERT_EQ(rskmem0(con), 0) << log();
        EXPECT_EQ(run()->thread_count, c.threads) << c.papc << " " << c.maxthreads;
        EXPECT_EQ(run()->threading, c.threading);
        EXPECT_EQ(run()->thread_blocks - run()->master_block, 1);
        EXPECT_EQ(run()->master_block->thread_index, -1);
        EXPECT_EQ(run()->thread_blocks[c.threads - 1].thread_index, c.threads - 1);
        rskmemf(con);
    }
}

TEST_F(RunStorageTest, PricingRowsAreTheStatesAndTwoBaseRows) {
    ASSERT_EQ(declare("dv01", kOutput, kNum, kComputed), 0) << log();
    RSKVARIABLE* dv01 = variable("dv01");
    dv01->dependencies.flags |= RSKDEP_PRICE_ARG;
    ASSERT_EQ(rskmem0(con), 0) << log();
    run()->state_count = 10;
    run()->second_value = 1;
    // The sum variable named twice keeps one place.
    run()->cashflow_sums = 1;
    run()->row_variables.cashflow_sums[0] = dv01;
    ASSERT_EQ(rskmem1(con), 0) << log();
    ASSERT_EQ(rskmem2(con), 0) << log();
    ASSERT_EQ(rskmem3(con), 0) << log();
    EXPECT_EQ(run()->row_doubles, 3);   // value, second value, dv01
    EXPECT_EQ(run()->row_count, 12);
    EXPECT_EQ(run()->row1 - run()->row0, 3);
    EXPECT_EQ(run()->element_count, 1);
    EXPECT_EQ(dv01->run.row_address[0], run()->row0 + 2);
    EXPECT_EQ(dv01->run.row_address[1], run()->row1 + 2);
    EXPECT_EQ(con->system_variables->value->run.row_address[0], run()->row0);
    ASSERT_NE(run()->elements_first, nullptr);
    EXPECT_EQ(run()->elements_first->variable, dv01);
    EXPECT_EQ(run()->elements_first->next, nullptr);
    // The last row is inside the vector: a write there must not be out of bounds.
    run()->results[11 * 3 + 2] = 1.0;
}

TEST_F(RunStorageTest, TypeValueRecordsAndFingerprints) {
    ASSERT_EQ(declare("x", kInstrument, kNum, kVarRole), 0) << log();
    ASSERT_EQ(declare("c", kInstrument, kChar, kVarRole, 5), 0) << log();
    ASSERT_EQ(declare("theo", kOutput, kNum, kComputed), 0) << log();
    RSKINSTTYPE* flows = define_type("Flows", "", 1, 0);
    ASSERT_EQ(add_vars(flows, {"x", "c"}), 0);
    RSKINSTTYPE* computed = define_type("Computed");
    ASSERT_EQ(add_vars(computed, {"theo"}), 0);
    RSKINSTTYPE* quad = define_type("Quad", "", 0, 1);
    ASSERT_EQ(add_vars(quad, {"theo"}), 0);
    for (RSKINSTTYPE* t : {flows, computed, quad}) init(t);
    ASSERT_EQ(rskmem0(con), 0) << log();
    ASSERT_EQ(rskmem1(con), 0) << log();
    // x ends at 8 (NUM, code 1); c (CHAR 5: 16 stored bytes, code 2) ends at 24:
    // 1289 * 0 + 1 + 8 = 9; 1289 * 9 + 2 + 24 = 11627; with cash flows 1289 * 11627 + 1019 mod 1664407.
    EXPECT_EQ(flows->record_size, 24);
    EXPECT_EQ(flows->run.fingerprint, 8559u);
    EXPECT_EQ(computed->record_size, 0);
    EXPECT_EQ(computed->run.fingerprint, 0u);
    EXPECT_EQ(quad->run.fingerprint, 1013u);
    EXPECT_EQ(run()->type_count, 3);
    EXPECT_GE(run()->instruments_buffer_bytes, 24);
    // Instrument variables live in the instrument record; the field table copies into it.
    RSKVARIABLE* x = variable("x");
    ASSERT_EQ(flows->run.field_count, 2);
    EXPECT_EQ(flows->run.fields[1].offset, 8);
    EXPECT_EQ(flows->run.fields[0].address, x->run.record_address);
    EXPECT_EQ(x->run.record_address, run()->instrument_record + x->run.record_offset);
}

TEST_F(RunStorageTest, MaskBitsAndMarketVectors) {
    ASSERT_EQ(declare("r1", kFactor, kNum, kRateRole), 0) << log();
    ASSERT_EQ(declare("r2", kFactor, kNum, kRateRole), 0) << log();
    ASSERT_EQ(rskmem0(con), 0) << log();
    variable("r2")->dependencies.flags |= RSKDEP_PRICE_ARG;
    RSKFXENTRY rate{};
    rskmem_flag_fx(con, &rate);
    rskmem_flag_fx(con, &rate);   // flagged once
    ASSERT_EQ(rskmem1(con), 0) << log();
    ASSERT_EQ(rskmem2(con), 0) << log();
    RSKVARIABLE* r1 = variable("r1");
    RSKVARIABLE* r2 = variable("r2");
    RSKVARIABLE* date = con->system_variables->date;
    // Rates first, then the needed market variables in order, then the date.
    EXPECT_EQ(rate.run.mask_position, 0);
    EXPECT_EQ(r2->dependencies.mask_position, 1);
    EXPECT_EQ(date->dependencies.mask_position, 2);
    EXPECT_EQ(r1->dependencies.mask_position, -1);
    EXPECT_EQ(run()->mask_bits, 3);
    EXPECT_EQ(run()->mask_bytes, 4);
    EXPECT_EQ(run()->compile.change_mask, run()->masks[0]);
    // The state part holds the rate and the variables with a bit; r1 follows it.
    EXPECT_LT(r2->run.state_offset, run()->state_size);
    EXPECT_LT(date->run.state_offset, run()->state_size);
    EXPECT_GE(r1->run.state_offset, run()->state_size);
    for (int k = 0; k < kRskMarketVectors; ++k) {
        const uint8_t* vector = run()->market_vectors[k];
        EXPECT_EQ(std::memcmp(vector, "ZOZU", 4), 0);
        double one = 0;
        std::memcpy(&one, vector + run()->vector_size - 8, 8);
        EXPECT_EQ(one, 1.0);
        EXPECT_EQ(r1->run.state_address[k], vector + r1->run.state_offset);
    }
    EXPECT_EQ(rate.run.value_address, reinterpret_cast<double*>(run()->market_vectors[0] + rate.run.state_offset));
    // Everything else asks for every market variable.
    rskmemf(con);
    ASSERT_EQ(rskmem0(con), 0) << log();
    run()->price_all_states = 1;
    ASSERT_EQ(rskmem2(con), 0) << log();
    EXPECT_GE(r1->dependencies.mask_position, 0);
    EXPECT_LT(r1->run.state_offset, run()->state_size);
    // What the run made a pricing argument is one no longer once the run ends.
    rskmemf(con);
    EXPECT_EQ(r1->dependencies.flags & RSKDEP_PRICE_ARG, 0u);
    EXPECT_NE(r2->dependencies.flags & RSKDEP_PRICE_ARG, 0u);
}

TEST_F(RunStorageTest, CashFlowAndDeltaGammaBuffersGrow) {
    ASSERT_EQ(rskmem0(con), 0) << log();
    ASSERT_EQ(rskmem1(con), 0) << log();
    RSKVARIABLE* flows = con->system_variables->cash_flows;
    RSKVARIABLE* quad = con->system_variables->quad_value;
    EXPECT_EQ(flows->run.capacity, 128);
    EXPECT_EQ(quad->run.capacity, 16);
    auto* cf = static_cast<RSKCASHFLOWS*>(flows->run.buffers[0]);
    for (int i = 0; i < 128; ++i) {
        cf->dates[i] = 20000 + i;
        cf->amounts[i] = i;
        std::memcpy(cf->currencies[i], "EUR", 3);
    }
    cf->count = 128;
    ASSERT_EQ(rskmecf(con, flows, 256, RSKMEM_KEEP), 0);
    cf = static_cast<RSKCASHFLOWS*>(flows->run.buffers[0]);
    ASSERT_EQ(cf->count, 128);
    EXPECT_EQ(cf->capacity, 256);
    EXPECT_EQ(cf->dates[127], 20127);
    EXPECT_EQ(cf->amounts[0], 0);
    EXPECT_EQ(std::memcmp(cf->currencies[100], "EUR", 3), 0);
    cf->amounts[255] = 1;   // the new capacity is writable
    ASSERT_EQ(rskmecf(con, flows, 512, RSKMEM_REPLACE), 0);
    EXPECT_EQ(static_cast<RSKCASHFLOWS*>(flows->run.buffers[0])->count, 0);
    EXPECT_NE(flows->run.buffers[0], flows->run.buffers[1]);

    auto* dg = static_cast<RSKQUADVALUE*>(quad->run.buffers[0]);
    dg->count = 3;
    dg->gammas[5] = 2.5;   // row 3, column 3 of the triangle
    dg->deltas[2] = 0.5;
    void* before = quad->run.buffers[0];
    ASSERT_EQ(rskmedg(con, quad, 10, RSKMEM_KEEP), 0);
    EXPECT_EQ(quad->run.buffers[0], before);   // the capacity suffices: nothing moves
    ASSERT_EQ(rskmedg(con, quad, 40, RSKMEM_KEEP), 0);
    dg = static_cast<RSKQUADVALUE*>(quad->run.buffers[0]);
    EXPECT_NE(quad->run.buffers[0], before);
    EXPECT_EQ(dg->capacity, 40);
    EXPECT_EQ(dg->gammas[5], 2.5);
    EXPECT_EQ(dg->deltas[2], 0.5);
    dg->gammas[40 * 41 / 2 + 39] = 1;   // triangle and spare are writable
    EXPECT_EQ(run()->pricing_work_count, 40);
}

TEST_F(RunStorageTest, TheMemoryReportPrintsOnlyWithNotesAndWithoutGeneric) {
    ASSERT_EQ(rskmem0(con), 0) << log();
    for (uint64_t& bytes : run()->memory) bytes = 0;
    run()->memory[RSKMEM_INSTRUMENTS] = 1000;                    // below 1 K: no count
    run()->memory[RSKMEM_MARKET_VECTORS] = 1535;                 // (1535 + 511) / 1024 = 1
    run()->memory[RSKMEM_CHANGE_MASKS] = 1537;                   // (1537 + 511) / 1024 = 2
    run()->memory[RSKMEM_PRICING_RESULTS] = 5ull << 30;          // 5 GB: 5242880 K
    struct Case {
        int notes, generic, number;
        bool prints;
    } cases[] = {{1, 0, 4100, true}, {1, 0, 4112, true}, {1, 0, 4114, true}, {0, 0, 4100, false},
                 {1, 1, 4100, false}, {1, 0, 4101, false}};
    for (const Case& c : cases) {
        xoptbst("NOTES", c.notes);
        con->generic = static_cast<uint32_t>(c.generic);
        const size_t at = log().size();
        rskmemp(con, c.number, "book", 4);
        const std::string text = log().substr(at);
        EXPECT_EQ(text.find("598/41") != std::string::npos, c.prints) << c.number << text;
        if (!c.prints) continue;
        EXPECT_NE(text.find("book"), std::string::npos);
        EXPECT_NE(text.find("less than 1 K"), std::string::npos) << text;
        EXPECT_NE(text.find("Market state vectors: 1 K"), std::string::npos) << text;
        EXPECT_NE(text.find("Risk factor change flags: 2 K"), std::string::npos) << text;
        EXPECT_NE(text.find("Pricing results vector: 5242880 K"), std::string::npos) << text;
        EXPECT_EQ(text.find("Project variables"), std::string::npos);   // empty categories print nothing
        EXPECT_NE(text.find("Total: 5242884 K"), std::string::npos) << text;
    }
    con->generic = 0;
}

TEST_F(RunStorageTest, TwoRunsOfOneStepReuseTheClearedBlock) {
    ASSERT_EQ(declare("r1", kFactor, kNum, kRateRole), 0) << log();
    ASSERT_EQ(prepare_all(), 0) << log();
    RSKRUNBLOCK* first = run();
    run()->abort = 1;
    run()->state_count = 7;
    RSKVARIABLE* r1 = variable("r1");
    r1->dependencies.flags |= RSKDEP_PRICE_ARG;
    ASSERT_EQ(rskmemf(con), 0);
    EXPECT_EQ(con->run_pool, nullptr);
    EXPECT_EQ(con->kit_pool, nullptr);
    EXPECT_EQ(r1->run.state_address[0], nullptr);
    ASSERT_EQ(rskmem0(con), 0) << log();
    EXPECT_EQ(run(), first);
    EXPECT_EQ(run()->abort, 0);
    EXPECT_EQ(run()->state_count, 0);
    EXPECT_EQ(r1->run.state_offset, -1);
    EXPECT_EQ(r1->dependencies.mask_position, -1);
    EXPECT_EQ(con->run_compile, &run()->compile);
    ASSERT_EQ(rskmem1(con), 0) << log();
    ASSERT_EQ(rskmem2(con), 0) << log();
    // The date was made a pricing argument by the first run only: r1 now comes first.
    EXPECT_EQ(r1->dependencies.mask_position, 0);
    EXPECT_EQ(con->system_variables->date->dependencies.mask_position, 1);
}

TEST_F(RunStorageTest, EveryAllocationCanFail) {
    ASSERT_EQ(declare("x", kInstrument, kNum, kVarRole), 0) << log();
    ASSERT_EQ(declare("dv01", kOutput, kNum, kComputed), 0) << log();
    RSKINSTTYPE* type = define_type("Bond");
    ASSERT_EQ(add_vars(type, {"x", "dv01"}), 0);
    init(type);
    variable("dv01")->dependencies.flags |= RSKDEP_PRICE_ARG;
    con->papc = 2;
    bool completed = false;
    for (long n = 1; n < 200 && !completed; ++n) {
        const size_t at = log().size();
        qor_pool_fail_nth(n);
        // The worker team that cannot be had ends the step, as the pricing threads' handles do.
        int step_code = 0, rc = 0;
        try {
            rc = rskmem0(con);
        } catch (const qor::runtime::StepExit& exit) {
            step_code = exit.code;
        }
        EXPECT_TRUE(step_code == 0 || step_code == 1016) << step_code;
        const bool threads_failed = (rc == 0 && run()->abort != 0) || step_code != 0;
        if (rc == 0 && !threads_failed) rc = rskmem1(con);
        if (rc == 0 && !threads_failed) rc = rskmem2(con);
        if (rc == 0 && !threads_failed) {
            run()->state_count = 5;
            rc = rskmem3(con);
        }
        if (rc == 0 && !threads_failed) rc = rskmecf(con, con->system_variables->cash_flows, 300, RSKMEM_KEEP);
        if (rc == 0 && !threads_failed) rc = rskmedg(con, con->system_variables->quad_value, 50, RSKMEM_KEEP);
        const long left = qor_pool_fail_nth(0);
        completed = left > 0;   // the failure never came: every allocation of the run succeeded
        const std::string text = log().substr(at);
        if (!completed) {
            EXPECT_TRUE(rc != 0 || threads_failed) << n;
            EXPECT_TRUE(text.find("598/2797") != std::string::npos || text.find("598/2795") != std::string::npos)
                << n << text;
            if (threads_failed) {
                EXPECT_NE(text.find("thread control vector"), std::string::npos);
            }
        } else {
            EXPECT_EQ(rc, 0) << text;
        }
        rskmemf(con);
        EXPECT_EQ(con->run_pool, nullptr);
        EXPECT_EQ(con->kit_pool, nullptr);
    }
    EXPECT_TRUE(completed);
}

}  // namespace
