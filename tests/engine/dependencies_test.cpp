// Dependency resolution: the order of the actions, parts written by two actions, loops, the run
// list of a market state (suppressed writers, activation along the closed matrix) and change masks.
#include "engine/model/control/startup.h"
#include "engine/model/types/instrument_types.h"
#include "host/missing.h"
#include "tests/engine/dependencies_fixture.h"

namespace {

void priced(RSKVARIABLE* v) { v->dependencies.flags |= RSKDEP_USED_PRICE; }

}  // namespace

TEST_F(DependencyTest, WritersComeBeforeTheirReadersWhateverTheListOrder) {
    action("C", {"y", "=z"});
    action("B", {"x", "=y"});
    action("A", {"q", "=x"});
    priced(find("z"));
    con->debug_categories = RSKDEBUG_ON;
    ASSERT_EQ(rskrsvd(con, 0), 0) << log();
    EXPECT_EQ(order(), "A B C");
    std::string lst = listing();
    ASSERT_NE(lst.find("598/2217"), std::string::npos) << lst;
    EXPECT_LT(lst.find("method A"), lst.find("method B"));
    EXPECT_LT(lst.find("method B"), lst.find("method C"));
    // The closure: C needs A through B, and needed-for-price spread from C to A.
    EXPECT_EQ(named("A")->needed_for_price, 1);
    EXPECT_NE(find("q")->dependencies.flags & RSKDEP_USED_PRICE, 0u);
}

TEST_F(DependencyTest, InputFreeActionsAreNumberedFirst) {
    action("D", {"k", "x", "=w"});
    action("E", {"=k"});
    action("F", {"=x"});
    ASSERT_EQ(rskrsvd(con, 0), 0) << log();
    EXPECT_EQ(order(), "E F D");
    EXPECT_NE(find("k")->dependencies.flags & RSKDEP_INPUT_FREE_OUTPUT, 0u);
}

TEST_F(DependencyTest, UsesThatAreNoDataDependency) {
    // A lag value (kind 4), a parameter matrix use (kind 5), codes 221, 223, 228 and a constant
    // never make the reader wait for the writer.
    struct Case {
        Use use;
        bool constant;
        bool dependency;
    } cases[] = {{{"x"}, false, true},       {{"x", 0, 4}, false, false}, {{"x", 0, 5}, false, false},
                 {{"x", 221}, false, false}, {{"x", 223}, false, false}, {{"x", 228}, false, false},
                 {{"x"}, true, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.use.code) + "/" + std::to_string(c.use.kind) + (c.constant ? " const" : ""));
        reset();
        action("R", {c.use, "=y"});
        action("W", {"p", "=x"});
        if (c.constant) find("x")->dependencies.flags |= RSKDEP_CONST;
        ASSERT_EQ(rskrsvd(con, 0), 0) << log();
        bool needs = (named("R")->dependency_flags & RSKACTF_NEEDS_OTHER) != 0;
        EXPECT_EQ(needs, c.dependency);
        EXPECT_EQ(order(), c.dependency ? "W R" : "R W");   // without a data input R is numbered first
    }
}

TEST_F(DependencyTest, OnePartHasOneWriter) {
    action("A", {"p", "=x:0"});
    action("B", {"q", "=x:1"});
    EXPECT_EQ(rskrsvd(con, 0), 0) << log();
    EXPECT_EQ(find("x")->dependencies.writers_first->next->parts[0], 64);

    reset();
    action("A", {"p", "=x:9"});
    action("B", {"q", "=x:9"});
    EXPECT_EQ(rskrsvd(con, 0), 1);
    std::string text = log();
    ASSERT_NE(text.find("598/2225"), std::string::npos) << text;
    EXPECT_NE(text.find("method A"), std::string::npos);
    EXPECT_NE(text.find("method B"), std::string::npos);
}

TEST_F(DependencyTest, ATwoActionLoopIsReportedAtItsLowerOrderNumber) {
    action("A", {"y", "=x"});
    action("B", {"x", "=y"});
    action("C", {"=u"});
    EXPECT_EQ(rskrsvd(con, 0), 1);
    std::string text = log();
    size_t at = text.find("598/2228");
    ASSERT_NE(at, std::string::npos) << text;
    // B is numbered first (A waits for it), so B is the action the loop is reported at.
    EXPECT_EQ(text.find("method B", at) != std::string::npos, true) << text;
    EXPECT_EQ(text.find("method A", at), std::string::npos) << text;
    EXPECT_EQ(count_of(text, "598/2228"), 1);
}

TEST_F(DependencyTest, ReadingWhatItWritesIsNoLoop) {
    action("A", {"x", "p", "=x"});
    EXPECT_EQ(rskrsvd(con, 0), 0) << log();
    EXPECT_EQ(named("A")->dependency_flags, 0);
}

TEST_F(DependencyTest, NoActionsGiveAnEmptyListAndNoneUnderDebug) {
    con->debug_categories = RSKDEBUG_ON;
    EXPECT_EQ(rskrsvl(con), 0);
    EXPECT_EQ(run.matrix.numbered, 0);
    EXPECT_NE(listing().find(" ***None*** "), std::string::npos) << listing();
    EXPECT_EQ(rskrsvx(con, 0, 0), 0);
}

// The run list: x is set by the market state.
class RunListTest : public DependencyTest {
protected:
    void SetUp() override {
        DependencyTest::SetUp();
        action("SETX", {"p", "=x"});        // computes x from p: suppressed when the state sets x
        action("SELF", {"x", "=x:1"});      // reads x itself: never suppressed by it
        action("USEX", {"x", "=y"});
        action("USEY", {"y", "=z"});
        action("OTHER", {"r", "=s"});
        priced(find("z"));
        priced(find("s"));
        ASSERT_EQ(rskrsvd(con, 0), 0) << log();
    }
};

TEST_F(RunListTest, AStateSettingXSuppressesItsWriterAndRunsItsReaders) {
    rskrsvz(con);
    change("x", 1.0);
    ASSERT_EQ(rskrsvx(con, 0, 0), 0);
    EXPECT_EQ(state("SETX"), RSKSTATE_SUPPRESSED);
    EXPECT_EQ(running(), "SELF USEX USEY");
    EXPECT_EQ(state("OTHER"), RSKSTATE_OFF);
}

TEST_F(RunListTest, AChangedInputRunsTheActionAndEveryActionThatNeedsIt) {
    rskrsvz(con);
    change("p", 2.0);
    ASSERT_EQ(rskrsvx(con, 0, 0), 0);
    EXPECT_EQ(running(), "SETX SELF USEX USEY");
    EXPECT_EQ(rskrsvv(con, find("y")), 1);   // written by an action that runs
    EXPECT_EQ(rskrsvv(con, find("s")), 0);
}

TEST_F(RunListTest, ASuppressedWriterRunsWhenOneOfItsOutputsIsUnchanged) {
    // SETX is suppressed by x, then activated as the reader of p: it runs only while one of its
    // outputs has change value 0.
    rskrsvz(con);
    change("x", 1.0);
    change("p", 2.0);
    ASSERT_EQ(rskrsvx(con, 0, 1), 0);
    EXPECT_EQ(state("SETX"), RSKSTATE_SUPPRESSED);
    EXPECT_NE(log().find("598/2226"), std::string::npos) << log();
}

TEST_F(RunListTest, TheBaseCaseRunsEveryActionAndLeavesTheNormalListCurrent) {
    find("p")->dependencies.flags |= RSKDEP_DATA;
    ASSERT_EQ(rskrsvb(con), 0);
    EXPECT_EQ(find("p")->dependencies.change, 2.0);
    EXPECT_EQ(find("x")->dependencies.change, 0.0);
    for (int32_t k = 0; k < run.matrix.numbered; ++k) EXPECT_EQ(run.states_alternate[k], RSKSTATE_RUN);
    EXPECT_EQ(run.states, run.states_normal);
}

TEST_F(RunListTest, NoAllocationAfterTheFirstState) {
    rskrsvz(con);
    ASSERT_EQ(rskrsvx(con, 0, 0), 0);
    size_t blocks = qor_pool_live_blocks(run.pool);
    for (int state = 0; state < 20; ++state) {
        rskrsvz(con);
        change(state % 2 ? "x" : "p", state % 3 ? 1.0 : 2.0);
        ASSERT_EQ(rskrsvx(con, 0, 0), 0);
    }
    EXPECT_EQ(qor_pool_live_blocks(run.pool), blocks);
}

// Change masks: positions of the variables that are pricing arguments.
TEST_F(DependencyTest, AnElementChangeSetsItsArraysBit) {
    RSKVARIABLE* curve = array("CURVE", 3);
    RSKVARIABLE* rate = variable("RATE");
    curve->dependencies.flags |= RSKDEP_PRICE_ARG;
    curve->dependencies.mask_position = 9;
    rate->dependencies.flags |= RSKDEP_PRICE_ARG;
    rate->dependencies.mask_position = 0;
    action("P", {"CURVE", "RATE", "=V"});
    ASSERT_EQ(rskrsvd(con, 0), 0) << log();
    ASSERT_EQ(allocate_change_mask(con, 10), 0);
    EXPECT_EQ(run.change_mask_bytes, 4);
    rskrsvz(con);
    change("CURVE2", 1.0);
    ASSERT_EQ(rskrsvx(con, 0, 0), 0);
    EXPECT_EQ(run.change_mask[1], 128 >> 1);
    EXPECT_EQ(run.change_mask[0], 0);
}

TEST_F(DependencyTest, MasksCompareByWholeWords) {
    // Masks of 1, 32, 33 and 65 positions: the last bit of each is found, whatever the word.
    for (int positions : {1, 32, 33, 65}) {
        SCOPED_TRACE(positions);
        int32_t bytes = change_mask_bytes(positions);
        EXPECT_EQ(bytes % 4, 0);
        EXPECT_GE(bytes * 8, positions);
        std::vector<uint8_t> a(static_cast<size_t>(bytes)), b(static_cast<size_t>(bytes));
        int last = positions - 1;
        a[static_cast<size_t>(last / 8)] = static_cast<uint8_t>(128 >> (last % 8));
        EXPECT_EQ(rskrsvc(con, a.data(), b.data(), bytes / 4), 0);
        b = a;
        EXPECT_EQ(rskrsvc(con, a.data(), b.data(), bytes / 4), 1);
        if (positions > 1) {
            std::fill(b.begin(), b.end(), 0);
            b[0] = 128;   // position 0 only
            EXPECT_EQ(rskrsvc(con, a.data(), b.data(), bytes / 4), 0);
        }
    }
    run.run_everything = 1;
    uint8_t none[4] = {0, 0, 0, 0};
    EXPECT_EQ(rskrsvc(con, none, none, 1), 1);
}

TEST_F(DependencyTest, SimulationMasksCompareTwoStates) {
    RSKVARIABLE* a = variable("A");
    RSKVARIABLE* b = variable("B");
    RSKVARIABLE* c = variable("C");
    int position = 0;
    for (RSKVARIABLE* v : {a, b, c}) {
        v->dependencies.flags |= RSKDEP_PRICE_ARG;
        v->dependencies.mask_position = position++;
    }
    ASSERT_EQ(allocate_change_mask(con, 3), 0);
    // State 1 against state 2: A equal, B different, C missing in both.
    auto value = [](void*, RSKVARIABLE* v, int32_t state) -> double {
        std::string n(v->name.name.text, v->name.name.length);
        if (n == "A") return 1.5;
        if (n == "B") return state;
        return qor::missing();
    };
    ASSERT_EQ(set_rep_changemask(con, 1, 2, value, nullptr), 0);
    EXPECT_EQ(run.change_mask[0], 64);
    // Unconditional: unchanged variables always keep their bit; A changed in this state but has
    // the same value in both, so it loses it.
    a->dependencies.change = 2.0;
    ASSERT_EQ(set_uncond_changemask(con, 1, 2, value, nullptr), 0);
    EXPECT_EQ(run.change_mask[0], 64 | 32);
}

TEST_F(DependencyTest, UndefinedVariablesAreReported) {
    priced(variable("NEEDED"));
    action("M", {"READ_ONLY", "=OUT"});
    ASSERT_EQ(rskrsvd(con, 1), 0);
    std::string text = log();
    EXPECT_NE(text.find("598/1249"), std::string::npos) << text;
    EXPECT_NE(text.find("598/1251"), std::string::npos) << text;
    EXPECT_NE(text.find("READ_ONLY"), std::string::npos) << text;
}

TEST_F(DependencyTest, OutOfMemoryIsReportedOnceAndFails) {
    // Every allocation of the resolution fails in turn: 598/2797 once, result 1, no crash.
    for (long nth = 1;; ++nth) {
        reset();
        int before = count_of(log(), "598/2797");
        action("A", {"p", "=x"});
        action("B", {"x", "=y"});
        priced(find("y"));
        qor_pool_fail_nth(nth);
        int rc = rskrsvd(con, 0);
        if (rc == 0) rc = rskrsvx(con, 0, 0);
        long left = qor_pool_fail_nth(0);
        if (left != 0) {
            EXPECT_EQ(rc, 0);
            EXPECT_GT(nth, 4);   // links, matrix, index, order and state list all failed once
            break;
        }
        EXPECT_EQ(rc, 1) << nth;
        EXPECT_EQ(count_of(log(), "598/2797") - before, 1) << nth;
        EXPECT_EQ(con->compile_error, 1);
    }
}

TEST_F(DependencyTest, TraceListsFactorsMatrixChangedVariablesAndTheRunList) {
    action("B", {"x", "=y"});
    action("A", {"p", "=x"});
    priced(find("y"));
    find("p")->dependencies.flags |= RSKDEP_DATA;
    find("p")->dependencies.number = 7;
    con->trace_categories = RSKTRACE_FACTORS | RSKTRACE_DEPS | RSKTRACE_SETVARS | RSKTRACE_RFTORDER;
    ASSERT_EQ(rskrsvd(con, 0), 0) << log();
    rskrsvz(con);
    change("p", 2.0);
    ASSERT_EQ(rskrsvx(con, 0, 0), 0);
    ASSERT_EQ(rskrsvb(con), 0);
    std::string lst = listing();
    // The factors: p is read, supplied by data and used for price; x and y are computed.
    EXPECT_NE(lst.find("598/2214"), std::string::npos) << lst;
    EXPECT_NE(lst.find("varno=  7 ref data used_price"), std::string::npos) << lst;
    // The matrix: B (order 2) needs A (order 1).
    EXPECT_NE(lst.find("598/2201"), std::string::npos) << lst;
    EXPECT_NE(lst.find("needs: 1"), std::string::npos) << lst;
    // The state: p changed; A and B run; the base case lists its own run list.
    EXPECT_NE(lst.find("598/2216"), std::string::npos) << lst;
    EXPECT_NE(lst.find("598/2207"), std::string::npos) << lst;
    EXPECT_NE(lst.find("598/2213"), std::string::npos) << lst;
    EXPECT_LT(lst.find(" 1. method A"), lst.find(" 2. method B")) << lst;
}

TEST_F(DependencyTest, AnAnalysisMarksTheWritersAVariableNeeds) {
    action("C", {"q", "=w"});
    action("B", {"x", "=y"});
    action("A", {"p", "=x"});
    ASSERT_EQ(rskrsvd(con, 0), 0) << log();
    for (const char* name : {"A", "B", "C"}) EXPECT_EQ(named(name)->needed_for_price, 0) << name;
    EXPECT_EQ(rskrsvs(con, find("y")), 0);
    EXPECT_EQ(named("B")->needed_for_price, 1);
    EXPECT_EQ(named("A")->needed_for_price, 1);
    EXPECT_EQ(named("C")->needed_for_price, 0);
}

TEST_F(DependencyTest, PricingActionsOfTheTypesJoinTheRunOnce) {
    RSKGENTRANS price_method{};
    price_method.kind = RSKMKIND_PRICE;
    RSKINSTTYPE priced_type{}, quadratic{}, without{};
    priced_type.name.name = name_of("BOND");
    priced_type.price.defined = 1;
    priced_type.price.kind = RSKACTION_METHOD_CALL;
    priced_type.price.name.name = name_of("PRICE_BOND");
    priced_type.price.target = &price_method;
    quadratic.name.name = name_of("QUAD");
    quadratic.price.defined = 1;
    quadratic.price.kind = RSKACTION_DELTA_GAMMA;
    without.name.name = name_of("NOPRICE");
    priced_type.next = &quadratic;
    quadratic.next = &without;
    RSKMEMBLOCK block{};
    block.types_head = &priced_type;
    con->memory_block = &block;
    EXPECT_EQ(rskrsv3(con), 1);   // NOPRICE has no pricing method
    EXPECT_EQ(count_of(log(), "598/1210"), 1) << log();
    EXPECT_EQ(rskrsv3(con), 1);
    int listed = 0;
    for (RSKACTION* a = run.actions_first; a != nullptr; a = a->next) ++listed;
    EXPECT_EQ(listed, 2);
    EXPECT_EQ(run.actions_first, &priced_type.price);
    EXPECT_EQ(priced_type.price.type, &priced_type);
    con->memory_block = nullptr;
}
