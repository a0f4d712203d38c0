// The glue of a project compile: the statements pushed for an action (its method's source once,
// the entry label, the action number, trace switches, the call, the return), one frame per block,
// and phases that compile, generate and run.
#include <algorithm>

#include "engine/model/control/startup.h"
#include "engine/model/types/instrument_types.h"
#include "tests/engine/compile_fixture.h"

namespace {

class GluePhasesTest : public CompileTest {
protected:
    void SetUp() override {
        CompileTest::SetUp();
        close_session();
        open_session(1);
        // The frame built-ins stand in as bodies that do nothing where the compile has not
        // installed the engine's own: the glue only needs the compiler to take the calls.
        cmp_body_fn nothing = [](const cmp_function_record*, cmp_arg_value*, int, const cmp_exec_context*,
                                 cmp_instance*, void*) { return 0; };
        const cmp_special_def builtins[] = {
            {"_TRACE", 4, "ccnc", 0, 0, nullptr, nullptr, nothing, nullptr, 0},
            {"_ARRU", 3, "n?n", 0, 0, nullptr, nullptr, nothing, nullptr, 0},
            {"_DGVAL", 2, "nn", 'n', 0, nullptr, nullptr, nothing, nullptr, 0},
            {"_LINTRANS", 1, "n", 0, 0, nullptr, nullptr, nothing, nullptr, 0},
        };
        for (const cmp_special_def& b : builtins) {
            const int rc = cmpinst(session(), &b);
            ASSERT_TRUE(rc == 0 || rc == 2) << b.name << " " << rc;   // 2: installed already
        }
        ASSERT_EQ(define_action_cell(&con_), 0);
    }

    // A method object over statement texts; blocks as block bits.
    RSKGENTRANS* method(const char* name, char kind, std::vector<std::string> source, uint8_t blocks = 0) {
        RSKGENTRANS& m = methods_.emplace_back();
        m.name.name = RSKNAMEREC{kRskObjectNameCapacity, static_cast<uint16_t>(std::strlen(name)), m.name.buffer};
        std::memcpy(m.name.buffer, name, std::strlen(name));
        m.kind = kind;
        texts_.push_back(std::move(source));
        std::vector<RSKSTMTDESC>& recs = records_.emplace_back();
        for (std::string& s : texts_.back())
            recs.push_back(RSKSTMTDESC{static_cast<int32_t>(s.size() + 1), static_cast<int32_t>(s.size()), s.data()});
        m.statements = recs.data();
        m.statement_count = static_cast<int32_t>(recs.size());
        m.block_bits = blocks;
        return &m;
    }

    RSKACTION* action(RSKGENTRANS* m) {
        RSKACTION& a = actions_.emplace_back();
        a.kind = RSKACTION_METHOD_CALL;
        a.target = m;
        return &a;
    }

    // The statements pushed so far, in order.
    std::vector<std::string> pushed() {
        std::vector<std::string> out;
        cmplsrc(session(), [](void* user, const char* line, int n) {
            static_cast<std::vector<std::string>*>(user)->emplace_back(line + 7, static_cast<size_t>(n - 7));
        }, &out);
        return out;
    }

    std::deque<RSKGENTRANS> methods_;
    std::deque<std::vector<std::string>> texts_;
    std::deque<std::vector<RSKSTMTDESC>> records_;
    std::deque<RSKACTION> actions_;
    std::deque<RSKINSTTYPE> types_;
};

const std::vector<std::string> kPrice = {"METHOD M KIND=PRICE;", "v = sum(v, 1);", "ENDMETHOD;"};

TEST_F(GluePhasesTest, ActionWithoutBlocksGetsItsFrameAndSharedSourceOnce) {
    RSKGENTRANS* m = method("M", RSKMKIND_PRICE, kPrice);
    ASSERT_EQ(rskgact(&con_, action(m), nullptr), 0);
    ASSERT_EQ(rskgact(&con_, action(m), nullptr), 0);
    std::vector<std::string> expected = {
        "METHOD M KIND=PRICE;", "v = sum(v, 1);", "ENDMETHOD;",
        "_ACT1_MAIN: ;", "_RSKACT_ = 1;", "runmethod M;", "_RSKACT_ = 0;", "return;",
        "_ACT2_MAIN: ;", "_RSKACT_ = 2;", "runmethod M;", "_RSKACT_ = 0;", "return;",
    };
    EXPECT_EQ(pushed(), expected);
    std::string listing_text = listing();
    EXPECT_EQ(count_of(listing_text, "598/3414"), 1);
    EXPECT_EQ(count_of(listing_text, "598/3411"), static_cast<int>(expected.size()));

    // Generated and run with both entries on, the shared method runs once per action.
    ASSERT_TRUE(build({}));
    cmp_instance* instance = cmpinsb(session(), 0);
    for (const char* label : {"_ACT1_MAIN", "_ACT2_MAIN"}) ASSERT_EQ(cmpmact(instance, cmpgetl(session(), label, -1), 1), 0);
    double* action_cell = cmppdva(instance, extension()->action_symbol);
    ASSERT_NE(action_cell, nullptr);
    *action_cell = -1;
    ASSERT_EQ(cmpfrun(instance, 0), CMP_RUN_OK) << log();
    EXPECT_EQ(number("v"), 2);
    EXPECT_EQ(*action_cell, 0);   // _RSKACT_ is the instance's own cell
}

TEST_F(GluePhasesTest, DetailedTraceFramesTheCall) {
    con_.trace_mode = 1;
    con_.trace_detail = 2;
    ASSERT_EQ(rskgact(&con_, action(method("M", RSKMKIND_PRICE, kPrice)), nullptr), 0);
    std::vector<std::string> all = pushed();
    std::vector<std::string> frame(all.begin() + 3, all.end());
    std::vector<std::string> expected = {
        "_ACT1_MAIN: ;", "_RSKACT_ = 1;", "call _TRACE( 'ON',  'DETAILED', 1, 'MAIN' );", "runmethod M;",
        "call _TRACE( 'OFF', 'DETAILED', 1, 'MAIN' );", "_RSKACT_ = 0;", "return;",
    };
    EXPECT_EQ(frame, expected);
}

TEST_F(GluePhasesTest, MethodMarkedNotToBeTracedIsNotTraced) {
    con_.trace_mode = 1;
    RSKGENTRANS* m = method("M", RSKMKIND_PRICE, kPrice);
    m->no_trace = 1;
    ASSERT_EQ(rskgact(&con_, action(m), nullptr), 0);
    for (const std::string& s : pushed()) EXPECT_EQ(s.find("_TRACE"), std::string::npos) << s;
}

TEST_F(GluePhasesTest, InitAndMainGiveTwoFrames) {
    RSKGENTRANS* m = method("B", RSKMKIND_PRICE,
                            {"METHOD B KIND=PRICE;", "BLOCK INIT;", "n = 0;", "ENDBLOCK;", "BLOCK MAIN;", "n = n + 1;",
                             "ENDBLOCK;", "ENDMETHOD;"},
                            128 >> RSKBLK_INIT | 128 >> RSKBLK_MAIN);
    RSKACTION* a = action(m);
    ASSERT_EQ(rskgact(&con_, a, nullptr), 0);
    std::vector<std::string> all = pushed();
    std::vector<std::string> frames(all.begin() + 8, all.end());
    std::vector<std::string> expected = {
        "_ACT1_INIT: ;", "_RSKACT_ = 1;", "runmethod B INIT;", "_RSKACT_ = 0;", "return;",
        "_ACT1_MAIN: ;", "_RSKACT_ = 1;", "runmethod B MAIN;", "_RSKACT_ = 0;", "return;",
    };
    EXPECT_EQ(frames, expected);
    EXPECT_EQ(a->sequence[RSKBLK_INIT], 1);
    EXPECT_EQ(a->sequence[RSKBLK_MAIN], 2);
    EXPECT_EQ(a->sequence[RSKBLK_TERM], 0);
}

// Phase T generates the run's transformations and closes its source; the program runs them.
TEST_F(GluePhasesTest, TransformationPhaseCompilesAndRuns) {
    RSKACTION* first = action(method("T1", RSKMKIND_TRANS, {"METHOD T1 KIND=TRANS;", "x = 2;", "ENDMETHOD;"}));
    RSKACTION* second = action(method("T2", RSKMKIND_TRANS, {"METHOD T2 KIND=TRANS;", "y = x * 10;", "ENDMETHOD;"}));
    RSKACTION* price = action(method("P", RSKMKIND_PRICE, kPrice));
    run_.actions_first = first;
    first->next = second;
    second->next = price;   // not a transformation: phase T leaves it
    EXPECT_EQ(rskgen2(&con_), 0);
    EXPECT_EQ(extension()->phase, 'T');
    EXPECT_EQ(cmpgetl(session(), "_ACT3_MAIN", -1), -1);
    ASSERT_EQ(cmpgen(session(), 1), 0);
    cmp_instance* instance = cmpinsb(session(), 0);
    for (const char* label : {"_ACT1_MAIN", "_ACT2_MAIN"}) ASSERT_EQ(cmpmact(instance, cmpgetl(session(), label, -1), 1), 0);
    ASSERT_EQ(cmpfrun(instance, 0), CMP_RUN_OK);
    EXPECT_EQ(number("y"), 20);
}

// Phase P collects the arguments of the methods it generates into the program data vector, so
// the program reads the market state it is bound to.
TEST_F(GluePhasesTest, PricingPhaseCollectsArgumentsIntoTheDataVector) {
    RSKVARIABLE* spot = variable("spot", &market_[4]);
    RSKGENTRANS* m = method("PP", RSKMKIND_PROJECT, {"METHOD PP KIND=PROJECT;", "p = spot * 3;", "ENDMETHOD;"});
    m->arguments = entry("spot", spot);
    run_.actions_first = action(m);
    EXPECT_EQ(rskgen3(&con_), 0) << log();
    EXPECT_EQ(extension()->phase, 'P');
    EXPECT_EQ(run_.collections[RSKPDV_MARKET].count, 1);
    ASSERT_EQ(cmpgen(session(), 1), 0);
    std::vector<double> state(64, 0.0);
    state[4] = 5;
    ASSERT_EQ(rskmcmp_bind(&con_, cmpinsb(session(), 0), state.data(), nullptr, nullptr), 0);
    ASSERT_EQ(cmpfrun(cmpinsb(session(), 0), 0), CMP_RUN_OK);
    EXPECT_EQ(number("p"), 15);
}

// An updated array argument is refreshed from its elements before the call and written back
// after it, each through a reference entry of its own.
TEST_F(GluePhasesTest, ArrayArgumentIsRefreshedAroundTheCall) {
    double points[4] = {1, 2, 3, 4};
    RSKVARIABLE* curve = variable("curve", points, RSKVKIND_FACTOR, 4);
    curve->data_type = RSKDTYPE_ARRAY;
    RSKGENTRANS* m = method("A", RSKMKIND_TRANS, {"METHOD A KIND=TRANS;", "curve[1] = 5;", "ENDMETHOD;"});
    RSKSYMENTRY* arg = entry("curve", curve, RSKSK_VECTOR);
    arg->type_code = 222;
    arg->updated = 1;
    m->arguments = arg;
    ASSERT_EQ(rskgact(&con_, action(m), nullptr), 0);
    std::vector<std::string> all = pushed();
    std::vector<std::string> frame(all.begin() + 3, all.end());
    std::vector<std::string> expected = {
        "_ACT1_MAIN: ;", "_RSKACT_ = 1;", "call _ARRU( 0, curve, 1 );", "runmethod A;", "call _ARRU( 1, curve, 0 );",
        "_RSKACT_ = 0;", "return;",
    };
    EXPECT_EQ(frame, expected);
    EXPECT_EQ(handle_->references[1].object, curve);
    EXPECT_EQ(handle_->references[1].type_code, 222);
}

TEST_F(GluePhasesTest, DeltaGammaAndLinearTransformationBodies) {
    double value = 0;
    RSKVARIABLE* price = variable("_Value_", &value, RSKVKIND_SYSTEM);
    RSKSYSVARS system{};
    system.value = price;
    con_.system_variables = &system;
    RSKACTION& dg = actions_.emplace_back();
    dg.kind = RSKACTION_DELTA_GAMMA;
    RSKACTION& linear = actions_.emplace_back();
    linear.kind = RSKACTION_LINEAR_TRANS;
    ASSERT_EQ(rskgact(&con_, &dg, nullptr), 0);
    ASSERT_EQ(rskgact(&con_, &linear, nullptr), 0);
    std::vector<std::string> expected = {
        "_ACT1_MAIN: ;", "_RSKACT_ = 1;", "_Value_ = _DGVAL(0, 1);", "_RSKACT_ = 0;", "return;",
        "_ACT2_MAIN: ;", "_RSKACT_ = 2;", "call _LINTRANS(1);", "_RSKACT_ = 0;", "return;",
    };
    EXPECT_EQ(pushed(), expected);
    EXPECT_NE(dg.value_symbol, nullptr);
    EXPECT_EQ(handle_->references[0].action, &dg);
    con_.system_variables = nullptr;
}

// The pricing listing of the base case names each type's pricing method with its inner lines.
TEST_F(GluePhasesTest, PricingListingShowsEachMethod) {
    con_.static_trace.price = 1;
    run_.base_case = 1;
    RSKINSTTYPE& type = types_.emplace_back();
    type.price.kind = RSKACTION_METHOD_CALL;
    type.price.target = method("M", RSKMKIND_PRICE, kPrice);
    type.price.active = 1;
    RSKMEMBLOCK block{};
    block.types_head = &type;
    con_.memory_block = &block;
    EXPECT_EQ(rskgen3(&con_), 0);
    con_.memory_block = nullptr;
    std::string text = listing();
    EXPECT_EQ(count_of(text, "598/2218"), 1);
    EXPECT_EQ(count_of(text, "598/2205"), 1);
    EXPECT_EQ(count_of(text, "598/2229"), 1);   // the source less its METHOD and ENDMETHOD lines
    EXPECT_NE(text.find("v = sum(v, 1);"), std::string::npos);
    std::vector<std::string> all = pushed();
    EXPECT_NE(std::find(all.begin(), all.end(), "runmethod M;"), all.end());
}

TEST_F(GluePhasesTest, RefusedSourceCountsItsStatements) {
    RSKGENTRANS* m = method("BAD", RSKMKIND_PRICE, {"METHOD BAD KIND=PRICE;", "x = (1;", "y = ;", "ENDMETHOD;"});
    EXPECT_EQ(rskgact(&con_, action(m), nullptr), 2);
}

}  // namespace
