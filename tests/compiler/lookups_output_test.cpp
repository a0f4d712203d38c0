// Look-ups for callers outside the language (last symbol and array, two-level names, matrix
// elements, character values, write-back) and output routing (listing, per-instance PUT
// destination, held output delivered in order).
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "tests/compiler/compiler_fixture.h"

namespace {

TEST(Lookups, LastSymbolAndArrayMarkWhatWasDeclaredSince) {
    Compiled p;
    EXPECT_EQ(cmplstt(p.session), nullptr);
    EXPECT_EQ(cmparyt(p.session), nullptr);
    ASSERT_EQ(p.push({"a = 1;", "array first[2] f1 f2;"}), 0);
    cmp_symbol* mark = cmplstt(p.session);
    cmp_symbol* first = cmparyt(p.session);
    ASSERT_NE(mark, nullptr);
    EXPECT_STREQ(cmpsymname(first), "FIRST");
    ASSERT_EQ(p.push({"b = 2;", "array second[1] s1;"}), 0);
    EXPECT_STREQ(cmpsymname(cmparyt(p.session)), "SECOND");
    std::vector<std::string> since;
    for (cmp_symbol* s = cmpsymnext(mark); s; s = cmpsymnext(s)) since.push_back(cmpsymname(s));
    EXPECT_EQ(since, (std::vector<std::string>{"B", "S1", "SECOND"}));
    EXPECT_EQ(cmpsymnext(cmplstt(p.session)), nullptr);
}

TEST(Lookups, CmpsympFindsPlainAndTwoLevelNames) {
    Compiled p;
    cmp_member m[] = {{"rate", CMP_MEMBER_NUMBER, 0}};
    ASSERT_EQ(cmpinss(p.session, "curve_t", -1, m, 1, 8), 0);
    ASSERT_EQ(cmpstri(p.session, "curve_t", -1, "curve", -1, 0), 0);
    ASSERT_EQ(p.push({"spot = 1;"}), 0);
    struct Case { const char* name; int length; const char* member; int mlength; const char* want; };
    const Case cases[] = {
        {"spot", 4, nullptr, 0, "SPOT"},        {"Spot  ", 6, nullptr, 0, "SPOT"},
        {"curve", 5, "Rate", 4, "CURVE.RATE"},  {"curve", 5, "rate  ", 6, "CURVE.RATE"},
        {"rate", 4, nullptr, 0, nullptr},        // not a bare name
        {"curve", 5, "spot", 4, nullptr},        {"", 0, nullptr, 0, nullptr},
    };
    for (const Case& c : cases) {
        cmp_symbol* s = cmpsymp(p.session, c.name, c.length, c.member, c.mlength);
        if (c.want) {
            ASSERT_NE(s, nullptr) << c.name;
            EXPECT_STREQ(cmpsymname(s), c.want);
        } else {
            EXPECT_EQ(s, nullptr) << c.name;
        }
    }
}

TEST(Lookups, CmpmatnAddressesElementsAtPresentExtents) {
    Compiled p;
    double data[6] = {11, 12, 13, 21, 22, 23};
    cmp_symbol* m = cmpmtrx(p.session, "m", -1, 2, 3, data, 0);
    cmp_symbol* r = cmpmtrx(p.session, "r", -1, 2, 2, nullptr, CMP_MTX_RESIZABLE);
    ASSERT_TRUE(m && r);
    ASSERT_TRUE(p.build({"array v[3] v1 v2 v3;", "v2 = 5;", "r[2, 1] = 7;"}));
    ASSERT_EQ(p.run(), 0);
    cmp_instance* in = p.instance();
    cmp_symbol* v = cmpsyms(p.session, "v", -1);
    struct Case { cmp_symbol* sym; int row, column; const double* want; };
    const Case cases[] = {
        {m, 1, 1, &data[0]}, {m, 2, 3, &data[5]}, {m, 1, 3, &data[2]},
        {m, 0, 1, nullptr},  {m, 3, 1, nullptr},  {m, 1, 4, nullptr}, {m, 2, 0, nullptr},
    };
    for (const Case& c : cases) EXPECT_EQ(cmpmatn(in, c.sym, c.row, c.column), c.want) << c.row << "," << c.column;
    EXPECT_EQ(*cmpmatn(in, v, 2, 0), 5);
    EXPECT_EQ(cmpmatn(in, v, 2, 1), p.num("V2"));
    EXPECT_EQ(cmpmatn(in, v, 4, 0), nullptr);
    EXPECT_EQ(cmpmatn(in, v, 1, 2), nullptr);
    EXPECT_EQ(*cmpmatn(in, r, 2, 1), 7);
    ASSERT_EQ(cmpmtrxs(in, r, 3, 1), 0);     // new extents: the value stays at row 2, column 1
    EXPECT_EQ(*cmpmatn(in, r, 2, 1), 7);
    EXPECT_EQ(cmpmatn(in, r, 2, 2), nullptr);
    EXPECT_NE(cmpmatn(in, r, 3, 1), nullptr);
    EXPECT_EQ(cmpmatn(in, cmpsyms(p.session, "V2", -1), 1, 0), nullptr);   // not an array
}

TEST(Lookups, CmppdvpGivesTheCharacterRecordInPlace) {
    Compiled p;
    ASSERT_TRUE(p.build({"length name $ 8;", "copy = name;", "n = 1;"}));
    cmp_instance* in = p.instance();
    qor_namerec* r = cmppdvp(in, cmpsyms(p.session, "NAME", -1));
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->capacity, 8);
    std::memcpy(r->text, "abc     ", 8);
    ASSERT_EQ(p.run(), 0);
    EXPECT_EQ(p.text("COPY"), "abc");
    EXPECT_EQ(cmppdvp(in, cmpsyms(p.session, "N", -1)), nullptr);
    EXPECT_EQ(cmppdvp(nullptr, cmpsyms(p.session, "NAME", -1)), nullptr);
}

int g_writeback_rc = -1;
int store_body(const cmp_function_record*, cmp_arg_value* args, int nargs, const cmp_exec_context*,
               cmp_instance* in, void*) {
    *args[1].number = 42;
    g_writeback_rc = cmppdvs(in, &args[1]);
    if (nargs > 2 && cmppdvs(in, &args[2]) == 0) return 1;   // an omitted argument cannot be written
    return 0;
}
int store_check(void*, cmp_call_node* call, char*, int) {
    call->args[0].flags[0] |= CMP_ARGF_BY_REFERENCE;
    return 0;
}

TEST(Lookups, CmppdvsAfterAWriteLeavesTheValueInTheVariable) {
    Compiled p;
    cmp_special_def def{"STORE", 0, nullptr, 0, 0, nullptr, store_check, store_body, nullptr, 0};
    ASSERT_EQ(cmpinst(p.session, &def), 0);
    ASSERT_TRUE(p.build({"call store(out, );", "after = out + 1;"}));
    ASSERT_EQ(p.run(), 0);
    EXPECT_EQ(g_writeback_rc, 0);
    EXPECT_EQ(*p.num("OUT"), 42);
    EXPECT_EQ(*p.num("AFTER"), 43);
    cmp_arg_value omitted{};
    omitted.kind = CMP_ARG_OMITTED;
    EXPECT_EQ(cmppdvs(p.instance(), &omitted), 1);
}

void collect(void* user, const char* line, int length) {
    static_cast<std::vector<std::string>*>(user)->emplace_back(line, static_cast<size_t>(length));
}

TEST(Output, CmplsrcListsEveryPushNumberedWithRefusalsMarked) {
    Compiled p;
    p.push({"x = 1;", "y = (;", "put x=;"});
    std::vector<std::string> lines;
    EXPECT_EQ(cmplsrc(p.session, collect, &lines), 3);
    EXPECT_EQ(lines, (std::vector<std::string>{"    1  x = 1;", "    2* y = (;", "    3  put x=;"}));
    cmpprss(p.session, CMP_END_MARKER, -1, nullptr, 0, nullptr, 0);
    EXPECT_EQ(cmplsrc(p.session, collect, &lines), 3);   // the end marker is not a statement
}

TEST(Output, CmpdestRoutesOneInstanceAndCaptureHoldsTheRest) {
    Compiled p;
    ASSERT_TRUE(p.build({"put 'block' b=;"}, 3));
    for (int blk = 0; blk < 3; ++blk) *p.num("B", blk) = blk;
    std::vector<std::string> own;
    ASSERT_EQ(cmpdest(p.instance(1), collect, &own), 0);
    ASSERT_EQ(cmpwpdi(p.session), 0);
    EXPECT_EQ(cmpwpdi(p.session), 2);
    for (int blk = 0; blk < 3; ++blk) ASSERT_EQ(p.run(blk), 0);
    EXPECT_TRUE(p.printed.empty());                  // held
    EXPECT_EQ(own, (std::vector<std::string>{"block b=1"}));
    EXPECT_EQ(cmpwpde(p.session), 2);
    EXPECT_EQ(p.printed, (std::vector<std::string>{"block b=0", "block b=2"}));
    EXPECT_EQ(cmpwpde(p.session), -1);
    ASSERT_EQ(cmpdest(p.instance(1), nullptr, nullptr), 0);
    ASSERT_EQ(p.run(1), 0);                          // back to the session's print hook
    EXPECT_EQ(p.printed.back(), "block b=1");
    EXPECT_EQ(own.size(), 1u);
}

TEST(Output, CaptureKeepsEveryLineFromConcurrentInstances) {
    Compiled p;
    const int kBlocks = 4, kRuns = 200;
    ASSERT_TRUE(p.build({"put 'b' b=;"}, kBlocks));
    for (int blk = 0; blk < kBlocks; ++blk) *p.num("B", blk) = blk;
    ASSERT_EQ(cmpwpdi(p.session), 0);
    std::vector<std::thread> threads;
    for (int blk = 0; blk < kBlocks; ++blk)
        threads.emplace_back([&p, blk] {
            for (int i = 0; i < kRuns; ++i) cmpfrun(p.instance(blk), i);
        });
    for (auto& t : threads) t.join();
    ASSERT_EQ(cmpwpde(p.session), kBlocks * kRuns);
    int per[kBlocks] = {};
    for (const std::string& l : p.printed) per[l.back() - '0']++;
    for (int blk = 0; blk < kBlocks; ++blk) EXPECT_EQ(per[blk], kRuns);
}

}  // namespace
