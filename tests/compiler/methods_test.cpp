// METHOD/ENDMETHOD, blocks and RUNMETHOD (call and return), the engine's glue frame with its
// labels and run list, and the method and block errors.
#include <cmath>

#include "tests/compiler/compiler_fixture.h"

namespace {

TEST(Methods, BodiesAreSkippedAndRunMethodReturns) {
    Compiled p;
    ASSERT_TRUE(p.build({
        "x = 1;", "runmethod later;",                        // forward reference
        "method m kind=price 'a pricing method';", "x = x + 10;", "endmethod;",
        "x = x + 100;", "runmethod m;", "runmethod m;",
        "method later;", "x = x * 2;", "return;", "x = -1;", "endmethod;",
    }));
    ASSERT_EQ(p.run(), 0);
    EXPECT_EQ(*p.num("x"), 122);   // 1*2 + 100 + 10 + 10
}

TEST(Methods, BlocksRunWhenNamedAndMainByDefault) {
    Compiled p;
    ASSERT_TRUE(p.build({
        "method m kind=price;",
        "block init;", "n = 0; total = 0;", "endblock;",
        "block main;", "n = n + 1; total = total + state;", "endblock;",
        "block term;", "avg = total / n;", "endblock;",
        "endmethod;",
        "runmethod m init;", "do state = 1 to 4;", "runmethod m;", "end;", "runmethod m term;",
    }));
    ASSERT_EQ(p.run(), 0);
    EXPECT_EQ(*p.num("n"), 4);
    EXPECT_EQ(*p.num("avg"), 2.5);
}

TEST(Methods, RecursionIsStoppedNotCrashed) {
    Compiled p;
    ASSERT_TRUE(p.build({"method r;", "depth = sum(depth, 1);", "runmethod r;", "endmethod;", "runmethod r;"}));
    EXPECT_NE(p.run(), 0);
    ASSERT_EQ(p.errors.size(), 1u);
    EXPECT_NE(p.errors[0].find("of method R"), std::string::npos) << p.errors[0];
    EXPECT_EQ(p.error_lines[0], 3);
}

TEST(Methods, MethodAndBlockErrors) {
    const struct { std::vector<std::string> stmts; const char* why; } cases[] = {
        {{"method m kind=price;", "block init;", "endblock;", "endmethod;"}, "has blocks but no MAIN block"},
        {{"method m;", "method n;"}, "METHOD statement inside method M"},
        {{"block main;"}, "stands only inside a METHOD"},
        {{"method m;", "block main;", "endblock;", "block main;"}, "Block MAIN is already defined in method M"},
        {{"method m;", "block main;", "block term;"}, "while block MAIN is still open"},
        {{"method m;", "endmethod;", "method m;"}, "Method M is already defined"},
        {{"endmethod;"}, "ENDMETHOD without an open METHOD"},
        {{"method m;", "endmethod;", "runmethod m term;"}, "Method M has no TERM block"},
        {{"do;", "method m;"}, "cannot stand inside a DO or SELECT group"},
        {{"method m kind=shares;"}, "Unknown method kind SHARES"},
    };
    for (const auto& c : cases) {
        Compiled p;
        char err[512] = "";
        for (const std::string& s : c.stmts) cmpprss(p.session, s.c_str(), -1, nullptr, 0, err, sizeof err);
        EXPECT_NE(std::string(err).find(c.why), std::string::npos) << c.why << " -> " << err;
    }
    // a project method may have blocks without MAIN; an open method is reported at the end
    Compiled j;
    EXPECT_EQ(j.push({"method p kind=project;", "block init;", "endblock;", "endmethod;"}), 0);
    Compiled open;
    open.push({"method m;"});
    char err[512];
    EXPECT_EQ(cmpprss(open.session, CMP_END_MARKER, -1, nullptr, 0, err, sizeof err), CMP_INCOMPLETE);
    EXPECT_NE(std::string(err).find("ENDMETHOD statement missing for method M"), std::string::npos) << err;
    // a method called but never defined
    Compiled undef;
    EXPECT_EQ(undef.push({"runmethod ghost;"}), 0);
    cmpprss(undef.session, CMP_END_MARKER, -1, nullptr, 0, nullptr, 0);
    EXPECT_NE(cmpgen(undef.session, 1), 0);
    ASSERT_FALSE(undef.errors.empty());
    EXPECT_NE(undef.errors.back().find("RUNMETHOD names method GHOST"), std::string::npos);
}

// The statements the engine generates around each action, with the action cell bound to
// engine storage and the run list choosing actions per instance.
TEST(Methods, GlueFrameLabelsAndRunList) {
    Compiled p;
    double action_cell = -1;
    cmp_symbol* act = cmpsymd(p.session, "_RSKACT_", -1, 'v', 'n');
    ASSERT_NE(act, nullptr);
    ASSERT_EQ(cmppdvb(p.session, act, &action_cell), 0);
    ASSERT_TRUE(p.build({
        "method PRICER kind=price;", "value = 10;", "endmethod;",
        "method HEDGE kind=price;", "block main;", "hedge = 20;", "endblock;", "endmethod;",
        "_ACT3_MAIN: ;", "_RSKACT_ = 3;", "runmethod PRICER;", "_RSKACT_ = 0;", "return;",
        "_ACT4_MAIN: ;", "_RSKACT_ = 4;", "runmethod HEDGE MAIN;", "_RSKACT_ = 0;", "return;",
        "_RSKLBL_: ;",
    }, 2));
    int a3 = cmpgetl(p.session, "_ACT3_MAIN", -1), a4 = cmpgetl(p.session, "_act4_main", -1);
    ASSERT_GE(a3, 0);
    ASSERT_GE(a4, 0);
    EXPECT_GE(cmpgetl(p.session, "_RSKLBL_", -1), 0);
    EXPECT_EQ(cmpgetl(p.session, "_ACT5_MAIN", -1), -1);
    // instance 0 runs action 4 only, instance 1 both
    ASSERT_EQ(cmpmact(p.instance(0), a4, 1), 0);
    ASSERT_EQ(cmpmact(p.instance(1), a3, 1), 0);
    ASSERT_EQ(cmpmact(p.instance(1), a4, 1), 0);
    ASSERT_EQ(p.run(0), 0);
    EXPECT_TRUE(std::isnan(*p.num("value", 0)));
    EXPECT_EQ(*p.num("hedge", 0), 20);
    EXPECT_EQ(action_cell, 0);
    ASSERT_EQ(p.run(1), 0);
    EXPECT_EQ(*p.num("value", 1), 10);
    EXPECT_EQ(*p.num("hedge", 1), 20);
    // switching an entry off leaves it out
    ASSERT_EQ(cmpmact(p.instance(1), a4, 0), 0);
    *p.num("hedge", 1) = 0;
    ASSERT_EQ(p.run(1), 0);
    EXPECT_EQ(*p.num("hedge", 1), 0);
    EXPECT_NE(cmpmact(p.instance(1), 99, 1), 0);
}

TEST(Methods, LabelsAreFoundBeyondFiveThousandMethods) {
    Compiled p;
    std::vector<std::string> stmts;
    for (int i = 0; i < 6000; ++i) {
        std::string n = "M" + std::to_string(i);
        stmts.insert(stmts.end(), {"method " + n + ";", "x = " + std::to_string(i) + ";", "endmethod;"});
    }
    stmts.insert(stmts.end(), {"runmethod M5999;", "_ACT5999_MAIN: ;"});
    ASSERT_TRUE(p.build(stmts));
    ASSERT_EQ(p.run(), 0);
    EXPECT_EQ(*p.num("x"), 5999);
    EXPECT_GE(cmpgetl(p.session, "_ACT5999_MAIN", -1), 0);
}

}  // namespace
