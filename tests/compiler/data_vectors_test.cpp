// Program data vectors: elements added one at a time are read in place from the bound record
// by bare and two-level names; a structure member moved onto a vector reads from its base.
#include <cmath>
#include <cstddef>
#include <string>

#include "tests/compiler/compiler_fixture.h"

namespace {

struct Market {
    double spot;
    double* shifted;
    double rate;
};

TEST(DataVectors, ElementsReadAndWriteTheBoundRecord) {
    Compiled p;
    int v = cmppdvd(p.session, "rfpdv", -1, sizeof(Market), 3);
    ASSERT_GE(v, 0);
    ASSERT_NE(cmppdve(p.session, v, "spot", -1, CMP_MEMBER_NUMBER, offsetof(Market, spot)), nullptr);
    ASSERT_NE(cmppdve(p.session, v, "shifted", -1, CMP_MEMBER_POINTER, offsetof(Market, shifted)), nullptr);
    ASSERT_NE(cmppdve(p.session, v, "rate", -1, CMP_MEMBER_NUMBER, offsetof(Market, rate)), nullptr);
    EXPECT_EQ(cmppdve(p.session, v, "extra", -1, CMP_MEMBER_NUMBER, 0), nullptr);   // full
    ASSERT_TRUE(p.build({"value = spot * exp(-rfpdv.rate) + shifted;", "rate = rate + 1;"}, 2));
    double shift = 0.5;
    Market a{100, &shift, 0}, b{50, nullptr, 0};
    ASSERT_EQ(cmpbase(p.instance(0), "rfpdv", -1, &a), 0);
    cmpbasev(p.instance(1))[cmpbasei(p.session, "RFPDV", -1)] = &b;
    ASSERT_EQ(p.run(0), 0);
    ASSERT_EQ(p.run(1), 0);
    EXPECT_EQ(*p.num("VALUE", 0), 100.5);
    EXPECT_TRUE(std::isnan(*p.num("VALUE", 1)));     // a null pointer element reads missing
    EXPECT_EQ(a.rate, 1);
    EXPECT_EQ(b.rate, 1);
}

TEST(DataVectors, RefusedDefinitionsAndElements) {
    Compiled p;
    ASSERT_EQ(p.push({"used = 1;"}), 0);
    EXPECT_EQ(cmppdvd(p.session, "used", -1, 16, 1), -2);
    EXPECT_EQ(cmppdvd(p.session, "9bad", -1, 16, 1), -1);
    EXPECT_EQ(cmppdvd(p.session, "neg", -1, -8, 1), -1);
    int v = cmppdvd(p.session, "vec", -1, 16, 4);
    ASSERT_GE(v, 0);
    EXPECT_EQ(cmppdvd(p.session, "VEC", -1, 16, 1), -2);
    struct Case { int vector; const char* name; char kind; int offset; };
    const Case refused[] = {
        {v, "a", CMP_MEMBER_NUMBER, 12},  // not aligned
        {v, "a", CMP_MEMBER_NUMBER, 16},  // beyond the size
        {v, "a", 'x', 0},                 // no such kind
        {v, "used", CMP_MEMBER_NUMBER, 0},
        {v + 1, "a", CMP_MEMBER_NUMBER, 0},
        {-1, "a", CMP_MEMBER_NUMBER, 0},
    };
    for (const Case& c : refused) EXPECT_EQ(cmppdve(p.session, c.vector, c.name, -1, c.kind, c.offset), nullptr) << c.name;
    ASSERT_NE(cmppdve(p.session, v, "a", -1, CMP_MEMBER_NUMBER, 8), nullptr);
    EXPECT_EQ(cmppdve(p.session, v, "a", -1, CMP_MEMBER_NUMBER, 0), nullptr);   // twice
    ASSERT_EQ(cmpprss(p.session, CMP_END_MARKER, -1, nullptr, 0, nullptr, 0), CMP_COMPLETE);
    ASSERT_EQ(cmppdv(p.session), 0);
    EXPECT_EQ(cmppdvd(p.session, "late", -1, 8, 1), -1);          // laid out: closed
    EXPECT_EQ(cmpsymd(p.session, "late", -1, 'v', 'n'), nullptr);
}

TEST(DataVectors, AMemberMovedOntoAVectorReadsFromItsBase) {
    Compiled p;
    cmp_member m[] = {{"lags", CMP_MEMBER_NUMBER, 8}};
    ASSERT_EQ(cmpinss(p.session, "ptrstr", -1, m, 1, 16), 0);
    ASSERT_EQ(cmpstri(p.session, "ptrstr", -1, "inst_ptrstr", -1, 1), 0);
    int v = cmppdvd(p.session, "rfpdv", -1, 16, 0);
    int small = cmppdvd(p.session, "small", -1, 8, 0);
    ASSERT_GE(v, 0);
    cmp_symbol* lags = cmpsyms(p.session, "lags", -1);
    EXPECT_EQ(cmppdvx(p.session, lags, small), 3);                 // offset 8 lies beyond it
    EXPECT_EQ(cmppdvx(p.session, cmpsymd(p.session, "loc", -1, 'v', 'n'), v), 2);
    ASSERT_EQ(cmppdvx(p.session, lags, v), 0);
    ASSERT_TRUE(p.build({"x = lags * 2;", "y = inst_ptrstr.lags;"}));
    double vec[2] = {0, 21}, str[2] = {0, 7};
    ASSERT_EQ(cmpbase(p.instance(), "rfpdv", -1, vec), 0);
    ASSERT_EQ(cmpbase(p.instance(), "inst_ptrstr", -1, str), 0);
    ASSERT_EQ(p.run(), 0);
    EXPECT_EQ(*p.num("X"), 42);   // the bare name now reads the vector
    EXPECT_EQ(*p.num("Y"), 7);    // the two-level name stays on the structure
}

}  // namespace
