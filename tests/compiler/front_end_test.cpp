// Extension points for front ends built on methods: statements claimed by keyword and lowered to
// statements of the language (cmpstkw), and symbols that cmpexi leaves as they are (cmpsymr).
#include <cstring>
#include <string>

#include "host/lists.h"
#include "host/missing.h"
#include "tests/compiler/compiler_fixture.h"

namespace {

int write_out(const std::string& text, char* out, int size, int* length) {
    *length = static_cast<int>(text.size());
    if (*length <= size) std::memcpy(out, text.data(), text.size());
    return 0;
}

// A small step language: RETAIN names; keeps variables across iterations, OUTPUT; writes a row
// and counts it, TALLY x; adds x to TOTAL, BIG; lowers to a long text, REFUSED; is refused and
// LOOP; lowers to itself.
int lower_retain(void*, cmp_session* s, const char* text, int length, char* out, int size, int* out_length,
                 char* message, int message_size) {
    std::string names(text + 6, static_cast<size_t>(length - 6));   // after RETAIN
    size_t at = 0;
    while ((at = names.find_first_not_of(' ', at)) != std::string::npos) {
        size_t end = names.find(' ', at);
        std::string name = names.substr(at, end == std::string::npos ? std::string::npos : end - at);
        cmp_symbol* sym = cmpsymd(s, name.c_str(), static_cast<int>(name.size()), 'v', 'n');
        if (!sym || cmpsymr(s, sym, CMP_RESET_NONE) != 0) {
            std::snprintf(message, static_cast<size_t>(message_size), "RETAIN cannot keep %s", name.c_str());
            return 1;
        }
        at = end;
    }
    return write_out("", out, size, out_length);   // nothing runs
}
int lower_output(void*, cmp_session*, const char*, int, char* out, int size, int* out_length, char*, int) {
    return write_out("put 'row ' total= count=; rows = sum(rows, 1);", out, size, out_length);
}
int lower_tally(void*, cmp_session*, const char* text, int length, char* out, int size, int* out_length, char*, int) {
    return write_out("total = sum(total, " + std::string(text + 5, static_cast<size_t>(length - 5)) + ");", out, size,
                     out_length);
}
int lower_big(void*, cmp_session*, const char*, int, char* out, int size, int* out_length, char*, int) {
    std::string sum = "big = 0";
    for (int k = 0; k < 2000; ++k) sum += " + 1";
    return write_out(sum + ";", out, size, out_length);
}
int lower_refused(void*, cmp_session*, const char*, int, char*, int, int*, char* message, int size) {
    std::snprintf(message, static_cast<size_t>(size), "REFUSED is not allowed in this step");
    return 1;
}
int lower_loop(void*, cmp_session*, const char*, int, char* out, int size, int* out_length, char*, int) {
    return write_out("loop;", out, size, out_length);
}

void claim_step_language(cmp_session* s) {
    ASSERT_EQ(cmpstkw(s, "retain", -1, lower_retain, nullptr), 0);
    ASSERT_EQ(cmpstkw(s, "OUTPUT", -1, lower_output, nullptr), 0);
    ASSERT_EQ(cmpstkw(s, "Tally", -1, lower_tally, nullptr), 0);
    ASSERT_EQ(cmpstkw(s, "BIG", -1, lower_big, nullptr), 0);
    ASSERT_EQ(cmpstkw(s, "REFUSED", -1, lower_refused, nullptr), 0);
    ASSERT_EQ(cmpstkw(s, "LOOP", -1, lower_loop, nullptr), 0);
}

TEST(FrontEnd, ClaimedStatementsRunAsTheirLowering) {
    Compiled prog;
    claim_step_language(prog.session);
    ASSERT_TRUE(prog.build({
        "retain total rows;",
        "count = sum(count, 1);",
        "tally x;",
        "if x > 1 then output; else put 'small ' x=;",   // a two-statement lowering after THEN
        "select (x); when (3) output; otherwise; end;",
        "last: big;",
        "output = 7;",                                   // a claimed word as a variable
    })) << (prog.errors.empty() ? "" : prog.errors[0]);
    const double xs[] = {1, 2, 3};
    for (double x : xs) {
        ASSERT_EQ(cmpexi(prog.session, 0), 0);
        *prog.num("x") = x;
        ASSERT_EQ(prog.run(), 0);
    }
    // TOTAL and ROWS are retained; COUNT starts missing at each iteration
    EXPECT_EQ(*prog.num("total"), 6);
    EXPECT_EQ(*prog.num("rows"), 3);   // x = 2 once, x = 3 twice
    EXPECT_EQ(*prog.num("count"), 1);
    EXPECT_EQ(*prog.num("big"), 2000);
    EXPECT_EQ(*prog.num("output"), 7);
    const std::vector<std::string> lines = {"small x=1", "row total=3 count=1", "row total=6 count=1",
                                            "row total=6 count=1"};
    EXPECT_EQ(prog.printed, lines);
}

TEST(FrontEnd, ClaimsAndLoweringsThatCannotStand) {
    Compiled prog;
    claim_step_language(prog.session);
    EXPECT_EQ(cmpstkw(prog.session, "output", -1, lower_output, nullptr), 2);   // claimed already
    EXPECT_EQ(cmpstkw(prog.session, "if", -1, lower_output, nullptr), 2);       // the language's own
    EXPECT_EQ(cmpstkw(prog.session, "Put", -1, lower_output, nullptr), 2);
    EXPECT_EQ(cmpstkw(prog.session, "two words", -1, lower_output, nullptr), 1);
    EXPECT_EQ(cmpstkw(prog.session, "x", -1, nullptr, nullptr), 1);

    EXPECT_EQ(prog.push({"refused;"}), 1);
    ASSERT_FALSE(prog.errors.empty());
    EXPECT_NE(prog.errors.back().find("REFUSED is not allowed in this step"), std::string::npos) << prog.errors.back();
    EXPECT_EQ(prog.push({"loop;"}), 1);
    EXPECT_NE(prog.errors.back().find("16 levels"), std::string::npos) << prog.errors.back();
    EXPECT_EQ(prog.push({"x = 1;"}), 0);
    ASSERT_EQ(cmpprss(prog.session, CMP_END_MARKER, -1, nullptr, 0, nullptr, 0), CMP_INCOMPLETE);
    EXPECT_EQ(cmpstkw(prog.session, "LATE", -1, lower_output, nullptr), 3);
}

// A stored method holds the lowered statements, so a session without the front end reads it.
TEST(FrontEnd, StoredMethodsHoldTheLowering) {
    Compiled a;
    claim_step_language(a.session);
    ASSERT_TRUE(a.build({"method m;", "tally x;", "if x then output;", "endmethod;"}));
    qor_list* form = nullptr;
    slnewl(&form, nullptr, 84);
    ASSERT_EQ(cmposl(a.session, "m", -1, nullptr, 0, form), 0);
    Compiled b;
    ASSERT_EQ(cmpisl(b.session, nullptr, 0, form), 0);
    ASSERT_TRUE(b.build({"runmethod m;"})) << (b.errors.empty() ? "" : b.errors[0]);
    *b.num("x") = 4;
    ASSERT_EQ(b.run(), 0);
    EXPECT_EQ(*b.num("total"), 4);
    EXPECT_EQ(*b.num("rows"), 1);
    sldel(form, 0);
}

TEST(ResetMask, KeptSymbolsSurviveCmpexiOthersReset) {
    Compiled prog;
    const cmp_member members[] = {{"FIELD", CMP_MEMBER_NUMBER, 0}};
    ASSERT_EQ(cmpinss(prog.session, "REC", -1, members, 1, 8), 0);
    ASSERT_EQ(cmpstri(prog.session, "REC", -1, "R", -1, 1), 0);
    ASSERT_TRUE(prog.build({"length name $ 8;", "array a[2] a1 a2;", "n = sum(n, 1); m = sum(m, 1);",
                            "name = cats(name, 'x');", "a1 = sum(a1, 1); a2 = sum(a2, 1);"},
                           2));
    auto sym = [&](const char* name) { return cmpsyms(prog.session, name, -1); };
    EXPECT_EQ(cmpsymr(prog.session, sym("N"), CMP_RESET_NONE), 0);
    EXPECT_EQ(cmpsymr(prog.session, sym("NAME"), CMP_RESET_NONE), 0);
    EXPECT_EQ(cmpsymr(prog.session, sym("A"), CMP_RESET_NONE), 0);   // an array: each element
    EXPECT_EQ(cmpsymr(prog.session, sym("FIELD"), CMP_RESET_NONE), 2);   // lives in the engine's record
    EXPECT_EQ(cmpsymr(prog.session, sym("M"), 7), 1);
    for (int iteration = 0; iteration < 3; ++iteration) {
        ASSERT_EQ(cmpexi(prog.session, -1), 0);
        for (int b = 0; b < 2; ++b) ASSERT_EQ(prog.run(b), 0);
    }
    for (int b = 0; b < 2; ++b) {   // each instance keeps its own values
        EXPECT_EQ(*prog.num("n", b), 3);
        EXPECT_EQ(*prog.num("m", b), 1);
        EXPECT_EQ(prog.text("name", b), "xxx");
        EXPECT_EQ(*prog.num("a1", b), 3);
        EXPECT_EQ(*prog.num("a2", b), 3);
    }
    // back to the default: reset again
    EXPECT_EQ(cmpsymr(prog.session, sym("N"), CMP_RESET_VALUE), 0);
    ASSERT_EQ(cmpexi(prog.session, 1), 0);
    EXPECT_TRUE(qor::is_missing(*prog.num("n", 1)));
    EXPECT_EQ(*prog.num("n", 0), 3);   // only instance 1 was reset
    EXPECT_EQ(prog.text("name", 1), "xxx");
}

}  // namespace
