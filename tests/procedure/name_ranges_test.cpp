// Numbered name ranges in operand lists: expansion with the start's root and width, the refused
// ranges (each stops the step's parse with code 2000 and its message), the range cap, and long
// lists whose buffer grows.
#include "tests/procedure/zozu_fixture.h"

namespace {

struct RangeCase {
    const char* list;
    const char* names;      // expected names, or null when the range is refused
    const char* message;    // message id logged for a refused range
};

const RangeCase kRanges[] = {
    {"X8-X11 a1-A3 A1-A1 X01-X03", "X8 X9 X10 X11 a1 a2 a3 A1 X01 X02 X03", nullptr},
    {"X9-X10", "X9 X10", nullptr},
    {"X09-X10", "X09 X10", nullptr},
    {"X01-X10", "X01 X02 X03 X04 X05 X06 X07 X08 X09 X10", nullptr},
    {"A B1-B3 C", "A B1 B2 B3 C", nullptr},
    {"r_2y1 - r_2y2", "r_2y1 r_2y2", nullptr},
    {"X1-Y3", nullptr, "166/33"},
    {"X1-XX3", nullptr, "166/33"},
    {"X5-X3", nullptr, "166/34"},
    {"X-X3", nullptr, "166/36"},
    {"X1-X", nullptr, "166/36"},
    {"X1-X1234567890", nullptr, "166/35"},
    // Ranges whose size or names would not be sound are refused before anything is allocated.
    {"X1-X999999999", nullptr, "166/37"},
    {"ABCDEFGHIJKLMNOPQRSTUVWXYZABCD1-ABCDEFGHIJKLMNOPQRSTUVWXYZABCD100", nullptr, "166/38"},
};

TEST(NameRanges, ExpandOrRefuseTheStep) {
    ZozuParse p;
    for (const RangeCase& c : kRanges) {
        SCOPED_TRACE(c.list);
        ParsedStep r = p.parse(std::string("RFCATEGORY ") + c.list + ";\nDECLARE OUTVARS=pv NUM COMPUTED;");
        if (c.names) {
            ASSERT_EQ(r.code, 0) << r.log;
            ASSERT_EQ(r.nodes.size(), 3u);
            EXPECT_EQ(field_text(r.nodes[1], 1), c.names);
        } else {
            EXPECT_EQ(r.code, zozu::kRangeErrorCode);
            EXPECT_NE(r.log.find(c.message), std::string::npos) << r.log;
            // The parse stops at the range: nothing after it becomes a statement.
            for (const statement_node* n : r.nodes) EXPECT_NE(node_name(n), "DECLARE");
        }
    }
}

TEST(NameRanges, ASplitNameKeepsItsRootNumberAndWidth) {
    zozu::SplitName s{};
    ASSERT_EQ(zozu::splitname("rate007", 7, &s), 0);
    EXPECT_EQ(s.root_length, 4u);
    EXPECT_EQ(s.number, 7);
    EXPECT_EQ(s.width, 3);
    ASSERT_EQ(zozu::splitname("X999999999", 10, &s), 0);
    EXPECT_EQ(s.number, 999999999);
}

TEST(NameRanges, ThousandsOfNamesKeepTheirOrderAcrossBufferGrowth) {
    ZozuParse p;
    ParsedStep r = p.parse("USE v1-v2000 w;");
    ASSERT_EQ(r.code, 0) << r.log;
    const operand_field* f = qor_operand(r.nodes[1], 1);
    ASSERT_NE(f, nullptr);
    EXPECT_GT(f->used, 3300);
    EXPECT_LE(f->used, f->capacity);
    std::string expected;
    for (int i = 1; i <= 2000; ++i) expected += "v" + std::to_string(i) + " ";
    EXPECT_EQ(field_text(r.nodes[1], 1), expected + "w");
}

TEST(NameRanges, ARangeThatCannotBeStoredIsReported) {
    ZozuParse p;
    // Fail an allocation a little way into the expansion: the parse stops with a message.
    qor_pool_fail_nth(3);
    ParsedStep r = p.parse("USE v1-v5000;");
    qor_pool_fail_nth(0);
    EXPECT_NE(r.code, 0);
    EXPECT_NE(r.log.find("ERROR"), std::string::npos) << r.log;
}

}  // namespace

namespace {

// The cap holds for a whole step: ranges that are each allowed cannot add up past it.
TEST(NameRanges, TheCapCountsEveryRangeOfTheStep) {
    ZozuParse p;
    ParsedStep r = p.parse("USE a1-a600000;\nUSE b1-b600000;\nUSE c1;");
    EXPECT_EQ(r.code, zozu::kRangeErrorCode);
    EXPECT_NE(r.log.find("166/37"), std::string::npos) << r.log;
    EXPECT_EQ(r.nodes.size(), 2u);
}

}  // namespace
