// Data-flow queries on small programs whose answers are worked out by hand: what a statement
// or a method reads and writes, and the walk of the symbols a value depends on.
#include <algorithm>
#include <string>
#include <vector>

#include "tests/compiler/compiler_fixture.h"

namespace {

using Names = std::vector<std::string>;

Names sorted(Names n) {
    std::sort(n.begin(), n.end());
    return n;
}

// The walk cmpdeps, cmpndep .. null, as names in the order given.
Names walk(Compiled& p, const char* name) {
    Names out;
    cmp_symbol* sym = cmpsyms(p.session, name, -1);
    EXPECT_NE(sym, nullptr) << name;
    for (cmp_symbol* d = cmpdeps(p.session, sym); d; d = cmpndep(p.session)) out.emplace_back(cmpsymname(d));
    return out;
}

Names listed(int count, cmp_symbol** syms) {
    Names out;
    for (int i = 0; i < count; ++i) out.emplace_back(cmpsymname(syms[i]));
    return out;
}

Names statement_use(Compiled& p, int statement, int which) {
    cmp_symbol* syms[32];
    int n = cmpdfuse(p.session, statement, which, syms, 32);
    EXPECT_GE(n, 0);
    return sorted(listed(std::min(n, 32), syms));
}

Names method_use(Compiled& p, const char* method, int block, int which) {
    cmp_symbol* syms[32];
    int n = cmpdfmth(p.session, method, -1, block, which, syms, 32);
    EXPECT_GE(n, 0) << method;
    return sorted(listed(std::min(n, 32), syms));
}

// Outflow-marking helper: OUTF(a, b, out) writes its third argument back.
int outf_check(void*, cmp_call_node* call, char*, int) {
    call->args[2].flags[0] |= CMP_ARGF_BY_REFERENCE;
    return 0;
}
int outf_body(const cmp_function_record*, cmp_arg_value* args, int, const cmp_exec_context*, cmp_instance*, void*) {
    *args[3].number = *args[1].number + *args[2].number;
    return 0;
}

TEST(DataFlow, StraightLineConditionsAndLoops) {
    Compiled p;
    ASSERT_EQ(p.push({"a = 1;",                       // 1
                      "b = a + c;",                   // 2
                      "if d > 0 then e = b * 2;",     // 3
                      "f = 5;",                       // 4
                      "g = e + f;",                   // 5
                      "do i = 1 to n;",               // 6
                      "h = h + i;",                   // 7
                      "end;",                         // 8
                      "w = w + 1;"}),                 // 9
              0);
    ASSERT_EQ(cmpdfla(p.session), 0);
    // g <- e, f; e <- b (value) and d (condition); b <- a, c
    EXPECT_EQ(sorted(walk(p, "g")), (Names{"A", "B", "C", "D", "E", "F"}));
    EXPECT_EQ(sorted(walk(p, "e")), (Names{"A", "B", "C", "D"}));
    // the loop body runs under the loop variable and the bound n; h itself is left out
    EXPECT_EQ(sorted(walk(p, "h")), (Names{"I", "N"}));
    EXPECT_EQ(sorted(walk(p, "i")), (Names{"N"}));
    EXPECT_TRUE(walk(p, "a").empty());
    EXPECT_TRUE(walk(p, "w").empty());          // depends only on itself
    // the walk is in declaration order: a, c, b, d, e, f, g (value before target, condition first)
    EXPECT_EQ(walk(p, "g"), (Names{"A", "C", "B", "D", "E", "F"}));

    EXPECT_EQ(statement_use(p, 3, CMP_DF_READ), (Names{"B", "D"}));
    EXPECT_EQ(statement_use(p, 3, CMP_DF_WRITE), (Names{"E"}));
    EXPECT_EQ(statement_use(p, 6, CMP_DF_READ), (Names{"I", "N"}));
    EXPECT_EQ(statement_use(p, 6, CMP_DF_WRITE), (Names{"I"}));
    EXPECT_EQ(statement_use(p, 7, CMP_DF_READ | CMP_DF_WRITE), (Names{"H", "I"}));
    EXPECT_TRUE(statement_use(p, 8, CMP_DF_READ | CMP_DF_WRITE).empty());
    // the answer counts all symbols even when the buffer is short
    cmp_symbol* one[1];
    EXPECT_EQ(cmpdfuse(p.session, 3, CMP_DF_READ, one, 1), 2);
}

TEST(DataFlow, MethodsCallsJumpsAndSelect) {
    Compiled p;
    ASSERT_EQ(p.push({"method m;", "if flag then runmethod n;", "x = y;", "endmethod;",
                      "method n;", "z = w;", "endmethod;",
                      "method k kind=price;", "block init;", "if stop then return;", "u = v;", "endblock;",
                      "block main;", "t = u;", "endblock;", "endmethod;",
                      "if s > 0 then runmethod m;",
                      "select;", "when (c1) sa = 1;", "when (c2) sb = 2;", "otherwise sc = 3;", "end;"}),
              0);
    ASSERT_EQ(cmpdfla(p.session), 0);
    // z is assigned in n, which runs when flag is true inside m, which runs when s > 0
    EXPECT_EQ(sorted(walk(p, "z")), (Names{"FLAG", "S", "W"}));
    EXPECT_EQ(sorted(walk(p, "x")), (Names{"S", "Y"}));
    // a conditional RETURN may skip the rest of its block
    EXPECT_EQ(sorted(walk(p, "u")), (Names{"STOP", "V"}));
    EXPECT_EQ(sorted(walk(p, "t")), (Names{"STOP", "U", "V"}));
    // a WHEN runs only when the ones before it did not match
    EXPECT_EQ(walk(p, "sa"), (Names{"C1"}));
    EXPECT_EQ(sorted(walk(p, "sb")), (Names{"C1", "C2"}));
    EXPECT_EQ(sorted(walk(p, "sc")), (Names{"C1", "C2"}));

    // a method's use includes the methods it runs
    EXPECT_EQ(method_use(p, "m", -1, CMP_DF_READ), (Names{"FLAG", "W", "Y"}));
    EXPECT_EQ(method_use(p, "M", -1, CMP_DF_WRITE), (Names{"X", "Z"}));
    EXPECT_EQ(method_use(p, "k", 0, CMP_DF_READ | CMP_DF_WRITE), (Names{"STOP", "U", "V"}));
    EXPECT_EQ(method_use(p, "k", 2, CMP_DF_READ | CMP_DF_WRITE), (Names{"T", "U"}));
    EXPECT_EQ(method_use(p, "k", -1, CMP_DF_WRITE), (Names{"T", "U"}));
    EXPECT_EQ(cmpdfmth(p.session, "k", -1, 4, CMP_DF_READ, nullptr, 0), -1);      // no TERM block
    EXPECT_EQ(cmpdfmth(p.session, "nosuch", -1, -1, CMP_DF_READ, nullptr, 0), -1);
}

TEST(DataFlow, CallsubrWithALiteralNameIsFollowed) {
    Compiled p;
    ASSERT_EQ(cmpfrna(p.session), 0);
    ASSERT_EQ(p.push({"method n2; zz = ww; endmethod;",
                      "method b2; block init; bb = vv; endblock; block main; mm = 1; endblock; endmethod;",
                      "if go then call callsubr('n2');",
                      "if gb then call callsubr(' b2 ', 'init');",
                      "nm = 'b2';", "if gn then call callsubr(nm);"}),
              0) << (p.errors.empty() ? "" : p.errors[0]);
    ASSERT_EQ(cmpdfla(p.session), 0);
    EXPECT_EQ(sorted(walk(p, "zz")), (Names{"GO", "WW"}));
    EXPECT_EQ(sorted(walk(p, "bb")), (Names{"GB", "VV"}));
    EXPECT_TRUE(walk(p, "mm").empty());   // the name in NM is known only when the program runs
}

TEST(DataFlow, ArraysWrittenBackArgumentsAndStructureNames) {
    Compiled p;
    cmp_special_def outf{"OUTF", 3, "nnn", 0, 0, nullptr, outf_check, outf_body, nullptr, 0};
    ASSERT_EQ(cmpinst(p.session, &outf), 0);
    cmp_member members[] = {{"VALUE", CMP_MEMBER_NUMBER, 0}, {"PRICE", CMP_MEMBER_NUMBER, 8}};
    ASSERT_EQ(cmpinss(p.session, "_ZOZU_VALUE_STRUCT_", -1, members, 2, 16), 0);
    ASSERT_EQ(cmpstri(p.session, "_ZOZU_VALUE_STRUCT_", -1, "EXPOSURE", -1, 1), 0);
    ASSERT_EQ(p.push({"array arr[3] p1 p2 p3;",
                      "q = arr[j];",
                      "arr[2] = r;",
                      "call outf(a1, b1, o1);",
                      "t = o1 + 1;",
                      "value = price * qty;"}),
              0);
    ASSERT_EQ(cmpdfla(p.session), 0);
    // reading an element with an unknown subscript reads the whole array
    EXPECT_EQ(sorted(walk(p, "q")), (Names{"ARR", "J", "P1", "P2", "P3", "R"}));
    EXPECT_EQ(walk(p, "p1"), (Names{"R"}));      // any element may be the one assigned
    EXPECT_EQ(sorted(walk(p, "o1")), (Names{"A1", "B1"}));
    EXPECT_EQ(sorted(walk(p, "t")), (Names{"A1", "B1", "O1"}));
    EXPECT_EQ(statement_use(p, 4, CMP_DF_WRITE), (Names{"O1"}));
    // the engine's question: on what does exposure.value depend? Both names of a member count.
    EXPECT_EQ(sorted(walk(p, "exposure.value")), (Names{"EXPOSURE.PRICE", "PRICE", "QTY"}));
    EXPECT_EQ(sorted(walk(p, "value")), (Names{"EXPOSURE.PRICE", "PRICE", "QTY"}));
}

TEST(DataFlow, AnalysisLifetime) {
    Compiled p;
    EXPECT_EQ(cmpdeps(p.session, nullptr), nullptr);
    ASSERT_EQ(p.push({"y = x;"}), 0);
    cmp_symbol* y = cmpsyms(p.session, "y", -1);
    EXPECT_EQ(cmpdeps(p.session, y), nullptr);                 // nothing analysed yet
    EXPECT_EQ(cmpdfuse(p.session, 1, CMP_DF_READ, nullptr, 0), -1);
    ASSERT_EQ(cmpdfla(p.session), 0);
    EXPECT_EQ(walk(p, "y"), (Names{"X"}));
    ASSERT_EQ(p.push({"z = y;"}), 0);                          // a push drops the analysis
    EXPECT_EQ(cmpdeps(p.session, y), nullptr);
    ASSERT_EQ(cmpdfla(p.session), 0);
    EXPECT_EQ(walk(p, "z"), (Names{"X", "Y"}));
    cmpdfre(p.session);
    EXPECT_EQ(cmpdfuse(p.session, 1, CMP_DF_READ, nullptr, 0), -1);
    ASSERT_EQ(p.push({"y = = 1;"}), 1);                        // a refused statement: no information
    EXPECT_EQ(cmpdfla(p.session), 1);
}

}  // namespace
