// Programs beyond 16-bit operands: structure members and program data vector elements a
// megabyte into their record, and frames of 100,000 local variables, compile and run.
#include <climits>
#include <cmath>
#include <string>
#include <vector>

#include "tests/compiler/compiler_fixture.h"

namespace {

TEST(ProgramSize, StructureMembersFarIntoTheRecord) {
    Compiled p;
    const int size = 1000008;
    const cmp_member members[] = {{"NEAR", CMP_MEMBER_NUMBER, 8},
                                  {"PAST16", CMP_MEMBER_NUMBER, 65536},
                                  {"FAR", CMP_MEMBER_NUMBER, 1000000},
                                  {"FARREF", CMP_MEMBER_POINTER, 999992}};
    ASSERT_EQ(cmpinss(p.session, "BIG", -1, members, 4, size), 0);
    ASSERT_EQ(cmpinsc(p.session, "BIG", -1, "LABEL", -1, 700000, 6), 0);
    ASSERT_EQ(cmpstri(p.session, "BIG", -1, "REC", -1, 1), 0);
    ASSERT_TRUE(p.build({"total = near + past16 + far + farref;", "far = far * 2;", "past16 = total;",
                         "label = 'far';", "copy = label;"}));
    std::vector<double> rec(size / 8, 0.0);
    double referenced = 1000;
    rec[1] = 1;
    rec[65536 / 8] = 10;
    rec[1000000 / 8] = 100;
    *reinterpret_cast<double**>(reinterpret_cast<char*>(rec.data()) + 999992) = &referenced;
    ASSERT_EQ(cmpbase(p.instance(), "REC", -1, rec.data()), 0);
    ASSERT_EQ(p.run(), 0);
    EXPECT_EQ(*p.num("TOTAL"), 1111);
    EXPECT_EQ(rec[1000000 / 8], 200);
    EXPECT_EQ(rec[65536 / 8], 1111);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(rec.data()) + 700000, 6), "far   ");
    EXPECT_EQ(p.text("COPY"), "far");
}

TEST(ProgramSize, MemberOffsetsStillCheckedAgainstTheRecord) {
    Compiled p;
    struct Case { const char* name; char kind; int offset; int size; };
    const Case refused[] = {
        {"A", CMP_MEMBER_NUMBER, 1000000, 1000000},     // ends past the record
        {"A", CMP_MEMBER_NUMBER, 65540, 70000},         // not a multiple of 8
        {"A", CMP_MEMBER_NUMBER, -8, 16},
        {"A", CMP_MEMBER_NUMBER, INT_MAX - 7, INT_MAX}, // offset + width would overflow
    };
    int k = 0;
    for (const Case& c : refused) {
        cmp_member m{c.name, c.kind, c.offset};
        std::string name = "S" + std::to_string(k++);
        EXPECT_EQ(cmpinss(p.session, name.c_str(), -1, &m, 1, c.size), 3) << c.offset;
    }
    const cmp_member ok{"A", CMP_MEMBER_NUMBER, 0};
    ASSERT_EQ(cmpinss(p.session, "T", -1, &ok, 1, 80000), 0);
    EXPECT_EQ(cmpinsc(p.session, "T", -1, "C", -1, 79999, 2), 3);   // text past the end
    EXPECT_EQ(cmpinsc(p.session, "T", -1, "C", -1, INT_MAX, 8), 3);
    EXPECT_EQ(cmpinsc(p.session, "T", -1, "C", -1, 79992, 8), 0);
}

// A vector of 125,000 doubles, as an engine with that many market variables would build.
TEST(ProgramSize, DataVectorOfAMegabyte) {
    Compiled p;
    const int size = 1000000;
    int v = cmppdvd(p.session, "MKT", -1, size, 4);
    ASSERT_GE(v, 0);
    for (auto [name, offset] : {std::pair{"FIRST", 0}, {"MID", 65536}, {"BEYOND", 524288}, {"LAST", size - 8}})
        ASSERT_NE(cmppdve(p.session, v, name, -1, CMP_MEMBER_NUMBER, offset), nullptr) << name;
    EXPECT_GE(cmppdvd(p.session, "HUGE", -1, INT_MAX, 1), 0);   // a large record is taken too
    ASSERT_TRUE(p.build({"last = first + mid + beyond;", "mkt.first = last * 2;"}));
    std::vector<double> vec(size / 8, 0.0);
    vec[65536 / 8] = 2;
    vec[524288 / 8] = 3;
    vec[0] = 4;
    ASSERT_EQ(cmpbase(p.instance(), "MKT", -1, vec.data()), 0);
    ASSERT_EQ(p.run(), 0);
    EXPECT_EQ(vec.back(), 9);
    EXPECT_EQ(vec[0], 18);
}

// 100,000 locals, each computed from the one before: v(k) = k.
TEST(ProgramSize, HundredThousandLocals) {
    Compiled p;
    const int n = 100000;
    std::vector<std::string> stmts;
    stmts.reserve(static_cast<size_t>(n) + 2);
    stmts.push_back("v1 = 1;");
    for (int k = 2; k <= n; ++k) stmts.push_back("v" + std::to_string(k) + " = v" + std::to_string(k - 1) + " + 1;");
    stmts.push_back("half = v50000 + v50001;");
    ASSERT_TRUE(p.build(stmts));
    ASSERT_EQ(p.run(), 0);
    EXPECT_EQ(*p.num("V100000"), n);
    EXPECT_EQ(*p.num("V65537"), 65537);
    EXPECT_EQ(*p.num("HALF"), n + 1);
}

}  // namespace
