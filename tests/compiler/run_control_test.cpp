// How a run goes: run-list entries in program order, a run refused when a structure it reads
// is unbound, special functions that end the iteration or stop the step, and the instruction
// budget that ends loops that never finish.
#include <chrono>
#include <cmath>
#include <string>

#include "tests/compiler/compiler_fixture.h"

namespace {

TEST(RunControl, RunListFollowsProgramOrderNotLabelNames) {
    Compiled p;
    ASSERT_TRUE(p.build({"zeta: ;", "put 'ZETA';", "return;", "alpha: ;", "put 'ALPHA';", "return;",
                         "middle: ;", "put 'MIDDLE';", "return;"}));
    int zeta = cmpgetl(p.session, "ZETA", -1), alpha = cmpgetl(p.session, "ALPHA", -1);
    int middle = cmpgetl(p.session, "middle", -1);
    EXPECT_EQ(zeta, 0);
    EXPECT_EQ(alpha, 1);
    EXPECT_EQ(middle, 2);
    ASSERT_EQ(cmpmact(p.instance(), middle, 1), 0);
    ASSERT_EQ(cmpmact(p.instance(), alpha, 1), 0);
    ASSERT_EQ(cmpmact(p.instance(), zeta, 1), 0);
    ASSERT_EQ(p.run(), 0);
    EXPECT_EQ(p.printed, (std::vector<std::string>{"ZETA", "ALPHA", "MIDDLE"}));
}

struct Rec {
    double spot, rate;
    double* ref;
};

void declare_rec(Compiled& p) {
    const cmp_member m[] = {{"SPOT", CMP_MEMBER_NUMBER, 0}, {"RATE", CMP_MEMBER_NUMBER, 8},
                            {"REF", CMP_MEMBER_POINTER, 16}};
    ASSERT_EQ(cmpinss(p.session, "REC", -1, m, 3, sizeof(Rec)), 0);
    ASSERT_EQ(cmpstri(p.session, "REC", -1, "MKT", -1, 1), 0);
}

// Each way of reaching a member through the base: loads, stores, fused operators, pointer
// members, text-free special arguments. Unbound, the run is refused with a message.
TEST(RunControl, UnboundStructureRefusesTheRunWithAMessage) {
    const char* programs[] = {"x = spot;", "spot = 1;", "x = 2 * spot;", "x = 2 - spot;", "x = -spot;",
                              "x = ref;", "ref = 1;", "x = 1; if x > 0 then x = mkt.rate;"};
    for (const char* text : programs) {
        Compiled p;
        declare_rec(p);
        ASSERT_TRUE(p.build({text})) << text;
        EXPECT_EQ(p.run(), CMP_RUN_UNBOUND) << text;
        ASSERT_EQ(p.errors.size(), 1u) << text;
        EXPECT_NE(p.errors[0].find("MKT"), std::string::npos) << p.errors[0];
        Rec r{100, 0.05, nullptr};
        ASSERT_EQ(cmpbase(p.instance(), "MKT", -1, &r), 0);
        EXPECT_NE(p.run(), CMP_RUN_UNBOUND) << text;   // bound now (a null reference may still fail)
        cmpbasev(p.instance())[cmpbasei(p.session, "MKT", -1)] = nullptr;
        EXPECT_EQ(p.run(), CMP_RUN_UNBOUND) << text;   // unbound again
    }
    // a structure the code never reads needs no address
    Compiled q;
    declare_rec(q);
    ASSERT_TRUE(q.build({"x = 1;"}));
    EXPECT_EQ(q.run(), 0);
    EXPECT_TRUE(q.errors.empty());
}

// END_IT(flag): ends the iteration when flag is 1, stops the step when 2, answers 9 when 3.
int end_body(const cmp_function_record*, cmp_arg_value* args, int, const cmp_exec_context*, cmp_instance*, void*) {
    double flag = *args[1].number;
    if (flag == 1) return CMP_BODY_END_ITERATION;
    if (flag == 2) return CMP_BODY_STOP;
    if (flag == 3) return 9;
    return CMP_BODY_OK;
}

TEST(RunControl, SpecialFunctionEndsTheIterationOrStopsTheStep) {
    struct Case { double flag; int rc; bool after_ran; bool message; };
    const Case cases[] = {{0, CMP_RUN_OK, true, false},
                          {1, CMP_RUN_ITERATION_ENDED, false, false},
                          {2, CMP_RUN_STOPPED, false, false},
                          {3, CMP_RUN_FAILED, false, true}};
    for (bool nested : {false, true}) {
        for (const Case& c : cases) {
            Compiled p;
            cmp_special_def def{"END_IT", 1, "n", 0, 0, nullptr, nullptr, end_body, nullptr, 0};
            ASSERT_EQ(cmpinst(p.session, &def), 0);
            ASSERT_EQ(cmpfrna(p.session), 0);
            std::vector<std::string> prog = {"method inner;", "call end_it(flag);", "endmethod;",
                                             "before = 1;", "flag = " + std::to_string(c.flag) + ";"};
            prog.push_back(nested ? "call callsubr('inner');" : "call end_it(flag);");
            prog.push_back("after = 1;");
            ASSERT_TRUE(p.build(prog));
            EXPECT_EQ(p.run(), c.rc) << c.flag << " nested " << nested;
            EXPECT_EQ(*p.num("BEFORE"), 1);
            EXPECT_EQ(!std::isnan(*p.num("AFTER")), c.after_ran) << c.flag;
            EXPECT_EQ(!p.errors.empty(), c.message) << c.flag;
        }
    }
}

TEST(RunControl, EarlyEndSkipsTheRestOfTheRunList) {
    Compiled p;
    cmp_special_def def{"END_IT", 1, "n", 0, 0, nullptr, nullptr, end_body, nullptr, 0};
    ASSERT_EQ(cmpinst(p.session, &def), 0);
    ASSERT_TRUE(p.build({"first: ;", "call end_it(1);", "return;", "second: ;", "put 'second';", "return;"}));
    cmpmact(p.instance(), cmpgetl(p.session, "FIRST", -1), 1);
    cmpmact(p.instance(), cmpgetl(p.session, "SECOND", -1), 1);
    EXPECT_EQ(p.run(), CMP_RUN_ITERATION_ENDED);
    EXPECT_TRUE(p.printed.empty());
    cmpmact(p.instance(), cmpgetl(p.session, "FIRST", -1), 0);
    EXPECT_EQ(p.run(), CMP_RUN_OK);   // the next run starts afresh
    EXPECT_EQ(p.printed.size(), 1u);
}

// Loops that never end fail cleanly under a budget, whichever way they go back.
TEST(RunControl, BudgetEndsEndlessLoops) {
    const std::vector<std::vector<std::string>> endless = {
        {"do while (1);", "x = 1;", "end;"},
        {"do until (0);", "end;"},
        {"do while (1);", "if 1 then continue;", "end;"},
        {"do i = 1 to 2;", "i = 1;", "end;"},
        {"do i = 1 to 2 by -1 + 2;", "i = 0;", "end;"},
        {"do i = 1, 2 to 3;", "i = 2;", "end;"},
        {"top: x = 1;", "goto top;"},
        // no loop at all: two calls a level, 40 levels deep (2^40 calls)
        {"method m;", "d = d + 1;", "if d < 40 then do;", "runmethod m;", "runmethod m;", "end;", "d = d - 1;",
         "endmethod;", "d = 0;", "runmethod m;"},
    };
    for (const auto& prog : endless) {
        Compiled p;
        ASSERT_EQ(cmpopt2(p.session, CMP_OPTION_BUDGET, 100000), 0);
        ASSERT_TRUE(p.build(prog)) << prog[0];
        auto t0 = std::chrono::steady_clock::now();
        EXPECT_EQ(p.run(), CMP_RUN_FAILED) << prog[0];
        EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count(), 10.0);
        ASSERT_FALSE(p.errors.empty()) << prog[0];
        EXPECT_NE(p.errors.back().find("budget of 100000 instructions"), std::string::npos) << p.errors.back();
    }
}

// A finite program within its budget gives the values it gives without one; each run has the
// whole budget again; and a budget is a count, not a switch.
TEST(RunControl, BudgetLeavesFiniteRunsAlone) {
    const std::vector<std::string> prog = {"total = 0;", "do i = 1 to 100;", "k = 0;", "do until (k >= i);",
                                           "k = k + 1;", "total = total + 1;", "end;", "end;"};
    for (int budget : {0, 10000000}) {
        Compiled p;
        ASSERT_EQ(cmpopt2(p.session, CMP_OPTION_BUDGET, budget), 0);
        ASSERT_TRUE(p.build(prog));
        for (int r = 0; r < 3; ++r) {
            ASSERT_EQ(p.run(), 0) << budget;
            EXPECT_EQ(*p.num("TOTAL"), 5050);
        }
    }
    Compiled tight;
    ASSERT_EQ(cmpopt2(tight.session, CMP_OPTION_BUDGET, 100), 0);
    ASSERT_TRUE(tight.build(prog));
    EXPECT_EQ(tight.run(), CMP_RUN_FAILED);
    Compiled bad;
    EXPECT_NE(cmpopt2(bad.session, CMP_OPTION_BUDGET, -1), 0);
}

}  // namespace
