// Arrays of element symbols and matrices on engine storage (read and written in place, never
// copied), dynamic and result matrices sized at run time, array-to-matrix conversion and the
// host routines DYNAMIC_ARRAY and CALLSUBR.
#include <cstring>
#include <string>
#include <vector>

#include "host/missing.h"
#include "tests/compiler/compiler_fixture.h"

namespace {

cmp_symbol* sym(Compiled& p, const char* name) { return cmpsyms(p.session, name, -1); }

TEST(ArraysMatrices, ArrayOfElementSymbolsReachesEngineCells) {
    Compiled p;
    double cells[2] = {1, 2};
    cmp_symbol* c1 = cmpsymd(p.session, "c1", -1, 'v', 'n');
    cmp_symbol* c2 = cmpsymd(p.session, "c2", -1, 'v', 'n');
    cmp_symbol* loc = cmpsymd(p.session, "loc", -1, 'v', 'n');
    ASSERT_EQ(cmppdvb(p.session, c1, &cells[0]), 0);
    ASSERT_EQ(cmppdvb(p.session, c2, &cells[1]), 0);
    cmp_symbol* elems[] = {c1, c2, loc};
    cmp_symbol* arr = cmparay(p.session, "arr", -1, elems, 3);
    ASSERT_NE(arr, nullptr);
    EXPECT_EQ(cmpsymkind(arr), 'a');
    EXPECT_EQ(cmparay(p.session, "arr", -1, elems, 3), nullptr);   // the name is taken
    // members move with their structure's base, character symbols are not numbers
    cmp_member member{"M", CMP_MEMBER_NUMBER, 0};
    ASSERT_EQ(cmpinss(p.session, "ST", -1, &member, 1, 8), 0);
    ASSERT_EQ(cmpstri(p.session, "ST", -1, "SI", -1, 0), 0);
    cmp_symbol* bad1[] = {sym(p, "si.m")};
    EXPECT_EQ(cmparay(p.session, "bad1", -1, bad1, 1), nullptr);
    cmp_symbol* bad2[] = {cmpsymd(p.session, "txt", -1, 'v', 'c')};
    EXPECT_EQ(cmparay(p.session, "bad2", -1, bad2, 1), nullptr);

    ASSERT_TRUE(p.build({"s = arr[1] + arr[2];", "arr[3] = 10;", "arr[1] = 7;", "n = dim(arr);"}));
    ASSERT_EQ(p.run(), 0);
    EXPECT_EQ(*p.num("s"), 3);
    EXPECT_EQ(cells[0], 7);          // written in the engine's cell
    EXPECT_EQ(*p.num("loc"), 10);
    EXPECT_EQ(*p.num("n"), 3);
    cells[1] = 20;                   // the engine changes a cell: the next run reads it
    ASSERT_EQ(p.run(), 0);
    EXPECT_EQ(*p.num("s"), 27);
}

TEST(ArraysMatrices, MatricesOnEngineOrInstanceStorage) {
    Compiled p;
    double data[6] = {1, 2, 3, 4, 5, 6};   // 2 x 3, row by row
    cmp_symbol* m = cmpmtrx(p.session, "m", -1, 2, 3, data, 0);
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(cmpsymkind(m), 'm');
    cmp_symbol* v = cmpmtrx(p.session, "v", -1, 4, 0, nullptr, 0);
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(cmpmtrx(p.session, "z", -1, 0, 0, nullptr, 0), nullptr);                 // fixed needs a size
    EXPECT_EQ(cmpmtrx(p.session, "z", -1, 2, 0, nullptr, CMP_MTX_RESULT & 0x02), nullptr);
    ASSERT_TRUE(p.build({"x = m[2, 1];", "y = m(1, 3);", "m[2, 3] = x + y;", "r = dim(m, 1);", "c = hbound(m, 2);",
                         "if first = . then do;", "v[1] = 1;", "do i = 2 to dim(v);", "v[i] = v[i - 1] * 2;", "end;",
                         "end;", "t = v[4] + v[3];", "if bad then q = m[3, 1];"},
                        2));
    ASSERT_EQ(p.run(0), 0);
    EXPECT_EQ(*p.num("x"), 4);
    EXPECT_EQ(*p.num("y"), 3);
    EXPECT_EQ(data[5], 7);                  // element (2, 3) of the engine's matrix
    EXPECT_EQ(*p.num("r"), 2);
    EXPECT_EQ(*p.num("c"), 3);
    EXPECT_EQ(*p.num("t"), 12);             // 8 + 4
    // instance 1 has a vector of its own, here bound to other storage of the same size
    double other[4] = {5, 6, 7, 8};
    *p.num("first", 1) = 1;
    ASSERT_EQ(cmpmtrxb(p.instance(1), v, other), 0);
    ASSERT_EQ(p.run(1), 0);
    EXPECT_EQ(*p.num("t", 1), 15);
    EXPECT_EQ(*p.num("t", 0), 12);
    int rows = 0, cols = 0;
    EXPECT_EQ(cmpmtrxe(p.instance(0), m, &rows, &cols), 6);
    EXPECT_EQ(rows, 2);
    EXPECT_EQ(cols, 3);
    EXPECT_EQ(cmpmtrxa(p.instance(0), m)[4], &data[4]);
    *p.num("bad") = 1;                      // row 3 does not exist: the run stops with an error
    EXPECT_NE(p.run(0), 0);
    ASSERT_FALSE(p.errors.empty());
    EXPECT_NE(p.errors.back().find("out of range"), std::string::npos) << p.errors.back();
}

// TRANSP(a, res): res := the transpose of a, sized by the body.
int transp_body(const cmp_function_record*, cmp_arg_value* args, int, const cmp_exec_context*, cmp_instance* in, void*) {
    const cmp_arg_value& a = args[1];
    int r = a.rows, c = a.columns ? a.columns : 1;
    if (cmpmtrxs(in, args[2].symbol, c, r) != 0) return 1;
    double* const* out = cmpmtrxa(in, args[2].symbol);
    for (int i = 0; i < r; ++i)
        for (int j = 0; j < c; ++j) *out[j * r + i] = *a.elements[i * c + j];
    return 0;
}

TEST(ArraysMatrices, DynamicAndResultMatricesSizedAtRunTime) {
    Compiled p;
    ASSERT_EQ(cmpdyna(p.session), 0);
    EXPECT_NE(cmpdyna(p.session), 0);   // once
    double data[6] = {1, 2, 3, 4, 5, 6};
    cmp_special_def transp{"TRANSP", 2, nullptr, 0, 0, nullptr, nullptr, transp_body, nullptr, 0};
    ASSERT_EQ(cmpinst(p.session, &transp), 0);
    // refused: fixed arrays, wrong number of extents, character extents
    EXPECT_EQ(p.push({"array fixed[2];", "call dynamic_array(fixed, 3);"}), 1);
    EXPECT_EQ(p.push({"array d[*];", "call dynamic_array(d, 2, 2);"}), 1);
    EXPECT_EQ(p.push({"call dynamic_array(d, 'x');", "array cd[*] $ 4;"}), 2);
    Compiled q;   // a session without errors for the run
    ASSERT_EQ(cmpdyna(q.session), 0);
    ASSERT_NE(cmpmtrx(q.session, "m", -1, 2, 3, data, 0), nullptr);
    cmp_symbol* res = cmpmtrx(q.session, "res", -1, 0, 1, nullptr, CMP_MTX_RESULT);
    ASSERT_NE(res, nullptr);
    ASSERT_EQ(cmpinst(q.session, &transp), 0);
    ASSERT_TRUE(q.build({"array d[*];", "array g[*, *];",
                         "if peek then x = d[1];",
                         "call dynamic_array(d, n);",
                         "do i = 1 to dim(d); if d[i] = . then d[i] = i * i; end;",
                         "s = d[n];", "k = dim(d);",
                         "call dynamic_array(g, 2, 3);", "g[2, 3] = 6;", "gc = dim(g, 2);",
                         "call transp(m, res);", "a = res[3, 2];", "rr = dim(res, 1);"}));
    *q.num("n") = 3;
    ASSERT_EQ(q.run(), 0);
    EXPECT_EQ(*q.num("s"), 9);
    EXPECT_EQ(*q.num("k"), 3);
    EXPECT_EQ(*q.num("gc"), 3);
    EXPECT_EQ(*cmpmtrxa(q.instance(), cmpsyms(q.session, "g", -1))[5], 6);
    EXPECT_EQ(*q.num("a"), 6);   // res(3, 2) = m(2, 3)
    EXPECT_EQ(*q.num("rr"), 3);
    // growing keeps the values: d[1..3] stay 1, 4, 9 and d[4], d[5] are new
    *q.num("n") = 5;
    ASSERT_EQ(q.run(), 0);
    EXPECT_EQ(*q.num("s"), 25);
    double* const* d = cmpmtrxa(q.instance(), cmpsyms(q.session, "d", -1));
    EXPECT_EQ(*d[2], 9);
    // a missing extent fails the call
    *q.num("n") = qor::missing();
    EXPECT_NE(q.run(), 0);
    EXPECT_NE(q.errors.back().find("DYNAMIC_ARRAY failed"), std::string::npos) << q.errors.back();
    // the result matrix counts as written by the call
    ASSERT_EQ(cmpdfla(q.session), 0);
    std::vector<std::string> deps;
    for (cmp_symbol* s = cmpdeps(q.session, cmpsyms(q.session, "a", -1)); s; s = cmpndep(q.session))
        deps.emplace_back(cmpsymname(s));
    EXPECT_EQ(deps, (std::vector<std::string>{"M", "RES"}));
}

TEST(ArraysMatrices, ArrayToMatrixKeepsElementNames) {
    Compiled p;
    ASSERT_EQ(p.push({"array w[3] w1 w2 w3 (1, 2, 3);", "w2 = w2 * 10;", "total = w[1] + w[2] + w[3];",
                      "array z[2] z1 z2;", "do z1 = 1 to 2; end;", "array t[2] $ 3;"}),
              0);
    EXPECT_EQ(cmpa2m(p.session, sym(p, "z")), 2);    // a loop variable must stay a frame slot
    EXPECT_EQ(cmpa2m(p.session, sym(p, "t")), 1);    // character
    ASSERT_EQ(cmpa2m(p.session, sym(p, "w")), 0);
    EXPECT_EQ(cmpsymkind(sym(p, "w")), 'm');
    EXPECT_NE(cmpa2m(p.session, sym(p, "w")), 0);    // already a matrix
    ASSERT_EQ(cmpprss(p.session, CMP_END_MARKER, -1, nullptr, 0, nullptr, 0), CMP_COMPLETE);
    ASSERT_EQ(cmpgen(p.session, 1), 0);
    ASSERT_EQ(p.run(), 0);
    EXPECT_EQ(*p.num("total"), 24);
    double* const* e = cmpmtrxa(p.instance(), sym(p, "w"));
    EXPECT_EQ(e[1], e[0] + 1);                       // contiguous
    EXPECT_EQ(p.num("w2"), e[1]);                    // the element name is the matrix's storage
    EXPECT_EQ(*e[1], 20);
}

TEST(ArraysMatrices, CallsubrRunsAMethodNamedByAValue) {
    Compiled p;
    ASSERT_EQ(cmpfrna(p.session), 0);
    ASSERT_TRUE(p.build({"g = 0;",
                         "method greet; g = g + 1; endmethod;",
                         "method blk; block init; bi = 1; endblock; block main; bm = 2; endblock; endmethod;",
                         "method outer; call callsubr('greet'); o = g; endmethod;",
                         "name = 'Greet';", "call callsubr(name);", "call callsubr(name);", "after = g;",
                         "call callsubr('blk', 'init');", "call callsubr('blk');",
                         "runmethod outer;", "post = 5;",
                         "if wrong then call callsubr('nosuch');"}));
    ASSERT_EQ(p.run(), 0);
    EXPECT_EQ(*p.num("after"), 2);
    EXPECT_EQ(*p.num("bi"), 1);
    EXPECT_EQ(*p.num("bm"), 2);
    EXPECT_EQ(*p.num("o"), 3);     // inside a method called by RUNMETHOD, back to the caller
    EXPECT_EQ(*p.num("post"), 5);
    *p.num("wrong") = 1;
    EXPECT_NE(p.run(), 0);
    EXPECT_NE(p.errors.back().find("CALLSUBR failed"), std::string::npos) << p.errors.back();
    Compiled q;
    ASSERT_EQ(cmpfrna(q.session), 0);
    EXPECT_EQ(q.push({"call callsubr('x', 'middle');", "call callsubr(1);"}), 2);
}

}  // namespace
