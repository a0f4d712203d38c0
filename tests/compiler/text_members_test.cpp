// Character structure members: fixed-length text fields of an engine record, read and written
// in place (blank padded, cut to the field), compared blank-insensitively and passed by address.
#include <cstring>
#include <string>

#include "tests/compiler/compiler_fixture.h"

namespace {

struct Record {
    double amount;
    char text[16];   // CCY at 0 (3 characters), NAME at 3 (10 characters)
};

// SETC(c): writes "GB" into its argument.
int setc_check(void*, cmp_call_node* call, char*, int) {
    call->args[0].flags[0] |= CMP_ARGF_BY_REFERENCE;
    return 0;
}
int setc_body(const cmp_function_record*, cmp_arg_value* args, int, const cmp_exec_context*, cmp_instance*, void*) {
    std::memcpy(args[1].text->text, "GB", 2);
    args[1].text->length = 2;
    return 0;
}

TEST(TextMembers, ReadWrittenAndPassedInPlace) {
    Compiled p;
    cmp_member amount{"AMOUNT", CMP_MEMBER_NUMBER, 0};
    ASSERT_EQ(cmpinss(p.session, "REC", -1, &amount, 1, sizeof(Record)), 0);
    ASSERT_EQ(cmpinsc(p.session, "REC", -1, "CCY", -1, 8, 3), 0);
    ASSERT_EQ(cmpinsc(p.session, "REC", -1, "NAME", -1, 11, 10), 0);
    EXPECT_EQ(cmpinsc(p.session, "REC", -1, "NAME", -1, 0, 1), 2);     // the name is taken
    EXPECT_EQ(cmpinsc(p.session, "REC", -1, "TAIL", -1, 20, 5), 3);    // past the record's end
    EXPECT_EQ(cmpinsc(p.session, "REC", -1, "ZERO", -1, 8, 0), 3);
    ASSERT_EQ(cmpstri(p.session, "REC", -1, "INST", -1, 1), 0);
    EXPECT_EQ(cmpinsc(p.session, "REC", -1, "LATE", -1, 8, 1), 2);     // instances exist already
    cmp_special_def setc{"SETC", 1, "c", 0, 0, nullptr, setc_check, setc_body, nullptr, 0};
    ASSERT_EQ(cmpinst(p.session, &setc), 0);
    ASSERT_TRUE(p.build({"label = ccy || '-' || inst.name;",
                         "eur = (ccy = 'EUR');",
                         "if mode = 1 then name = 'Bond A';",
                         "if mode = 1 then inst.ccy = 'USDX';",
                         "if mode = 2 then call setc(ccy);",
                         "size = length(name);"}));
    Record r{};
    r.amount = 100;
    std::memcpy(r.text, "EURZero Cpn  ", 13);
    cmpbase(p.instance(), "INST", -1, &r);
    ASSERT_EQ(p.run(), 0);
    EXPECT_EQ(p.text("label"), "EUR-Zero Cpn");
    EXPECT_EQ(*p.num("eur"), 1);
    EXPECT_EQ(*p.num("size"), 8);
    *p.num("mode") = 1;
    ASSERT_EQ(p.run(), 0);
    EXPECT_EQ(std::string(r.text, 13), "USDBond A    ");   // cut to 3, padded to 10, in the record
    EXPECT_EQ(p.text("inst.name"), "Bond A");
    *p.num("mode") = 2;
    ASSERT_EQ(p.run(), 0);
    EXPECT_EQ(std::string(r.text, 3), "GB ");              // written by the body through the field
    Record other{};
    std::memcpy(other.text, "CHFOther", 8);
    cmpbase(p.instance(), "INST", -1, &other);              // another record: no copy, read there
    *p.num("mode") = 0;
    ASSERT_EQ(p.run(), 0);
    EXPECT_EQ(p.text("label"), "CHF-Other");
}

}  // namespace
