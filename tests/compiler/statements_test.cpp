// Statements: IF/ELSE across pushes, DO loops, SELECT, GOTO and labels, arrays, PUT, and
// the messages of refused statements with their statement number and column.
#include "host/missing.h"
#include "tests/compiler/compiler_fixture.h"

namespace {

TEST(Statements, ElseArrivesInLaterPushes) {
    const struct { double x, y; } cases[] = {{2, 1}, {0.5, 2}, {-1, 3}, {qor::missing(), 3}};
    for (auto c : cases) {
        Compiled p;
        ASSERT_TRUE(p.build({"if x > 1 then y = 1;", "else if x > 0 then y = 2;", "else y = 3;"}));
        *p.num("x") = c.x;
        ASSERT_EQ(p.run(), 0);
        EXPECT_EQ(*p.num("y"), c.y) << c.x;
    }
}

TEST(Statements, LoopsAndGroups) {
    Compiled p;
    ASSERT_TRUE(p.build({
        "do i = 10 to 1 by -3; s = sum(s, i); end;",                  // 10 + 7 + 4 + 1, i ends at -2
        "k = 0;", "do while (k < 5); k = k + 1; if k = 2 then continue; w = sum(w, k); end;",   // 1+3+4+5
        "u = 0;", "do until (u >= 3); u = u + 1; end;",
        "do j = 1 to 100; if j > 3 then leave; v = sum(v, j); end;",   // 1+2+3, j = 4
        "if s > 0 then do;", "z = 1;", "if k = 5 then do; z = 2; end;", "end;", "else z = 9;",
    }));
    ASSERT_EQ(p.run(), 0);
    EXPECT_EQ(*p.num("s"), 22);
    EXPECT_EQ(*p.num("i"), -2);
    EXPECT_EQ(*p.num("w"), 13);
    EXPECT_EQ(*p.num("u"), 3);
    EXPECT_EQ(*p.num("v"), 6);
    EXPECT_EQ(*p.num("j"), 4);
    EXPECT_EQ(*p.num("z"), 2);
}

TEST(Statements, SelectGotoAndLabels) {
    Compiled p;
    ASSERT_TRUE(p.build({
        "select (x);", "when (1, 2) a = 10;", "when (3) do; a = 30; end;", "otherwise a = 99;", "end;",
        "select;", "when (x > 2) b = 1;", "otherwise;", "end;",
        "length c $ 4;", "c = 'GBP';", "select (c);", "when ('USD') d = 1;", "when ('GBP') d = 2;", "end;",
        "n = 0;", "again: n = n + 1;", "if n < 4 then goto again;",
    }));
    const double expect_a[] = {0, 10, 10, 30, 99};
    for (int x = 1; x <= 4; ++x) {
        *p.num("x") = x;
        *p.num("b") = qor::missing();
        ASSERT_EQ(p.run(), 0);
        EXPECT_EQ(*p.num("a"), expect_a[x]) << x;
        EXPECT_EQ(*p.num("b") == 1, x > 2) << x;
    }
    EXPECT_EQ(*p.num("d"), 2);
    EXPECT_EQ(*p.num("n"), 4);
}

TEST(Statements, ArraysAndRunTimeErrors) {
    Compiled p;
    ASSERT_TRUE(p.build({
        "array a[5];", "do i = 1 to dim(a); a[i] = i * i; end;", "t = sum(a1, a2, a3, a4, a5);",
        "array m[2, 3] (1, 2, 3, 4, 5, 6);", "e = m[2, 1] * 10 + m(1, 3);", "h = hbound(m, 2);",
        "array q[*] $ 2 q1 q2;", "q[2] = 'xyz';",
        "if k > 0 then a[k] = 0;",
    }));
    *p.num("k") = 0;
    ASSERT_EQ(p.run(), 0);
    EXPECT_EQ(*p.num("t"), 55);
    EXPECT_EQ(*p.num("e"), 43);
    EXPECT_EQ(*p.num("h"), 3);
    EXPECT_EQ(p.text("q2"), "xy");
    *p.num("k") = 6;
    EXPECT_NE(p.run(), 0);
    ASSERT_EQ(p.errors.size(), 1u);
    EXPECT_EQ(p.error_lines[0], 9);
    EXPECT_NE(p.errors[0].find("statement 9"), std::string::npos) << p.errors[0];
    EXPECT_NE(p.errors[0].find("out of range"), std::string::npos) << p.errors[0];
}

TEST(Statements, PutWritesItemsAndValues) {
    Compiled p;
    ASSERT_TRUE(p.build({"x = 1.5;", "c = 'ab';", "m = .A;", "put 'Value' x= c / m;"}));
    ASSERT_EQ(p.run(), 0);
    ASSERT_EQ(p.printed.size(), 2u);
    EXPECT_EQ(p.printed[0], "Value x=1.5 ab");
    EXPECT_EQ(p.printed[1], ".A");
}

TEST(Statements, RefusedStatementsSayWhereAndWhy) {
    const struct { const char* text; const char* why; int column; } cases[] = {
        {"x = ;", "Expression is incomplete", 5}, {"x = 1 +* 2;", "Expected an operand", 8},
        {"x = 'abc;", "Quoted string is not closed", 5}, {"y = foo(1);", "Unknown function FOO", 5},
        {"else y = 1;", "ELSE does not follow", 1}, {"end;", "END without", 1},
        {"x = a < b < c;", "do not chain", 11}, {"x = sqrt(1, 2);", "takes 1", 5},
        {"x = '32FEB2000'd;", "Invalid date", 5}, {"leave;", "LEAVE and CONTINUE", 1}, {"x = 1", "Expected ';'", 6},
        {"runmethod;", "method name", 10}, {"x = 1e;", "Exponent", 6}, {"a = b[1];", "not an array", 5},
        {"x = substr(1, 2);", "must be character", 12}, {"blockx;", "Unknown statement", 1}, {"", "empty", 1},
        {"x = dim(y);", "needs an array", 9}, {"length s $ 0;", "1 to 32767", 12}, {"x = 5 @ 3;", "not allowed", 7},
    };
    for (auto c : cases) {
        Compiled p;
        char log[512], err[512];
        int rc = cmpprss(p.session, c.text, -1, log, sizeof log, err, sizeof err);
        EXPECT_GT(rc, 0) << c.text;
        std::string e(err);
        EXPECT_NE(e.find(c.why), std::string::npos) << c.text << " -> " << e;
        EXPECT_NE(e.find("statement 1, column " + std::to_string(c.column)), std::string::npos) << c.text << " -> " << e;
        EXPECT_NE(e.find(c.text), std::string::npos) << "the statement text is quoted: " << e;
        EXPECT_EQ(e.rfind("ERROR: ", 0), 0u) << e;
        EXPECT_NE(cmpprss(p.session, CMP_END_MARKER, -1, nullptr, 0, nullptr, 0), CMP_COMPLETE);
    }
}

TEST(Statements, GenerateRefusesUndefinedLabelsAndOpenGroups) {
    Compiled p;
    ASSERT_EQ(p.push({"goto nowhere;"}), 0);
    EXPECT_EQ(cmpprss(p.session, CMP_END_MARKER, -1, nullptr, 0, nullptr, 0), CMP_COMPLETE);
    EXPECT_NE(cmpgen(p.session, 1), 0);
    ASSERT_FALSE(p.errors.empty());
    EXPECT_NE(p.errors.back().find("Label NOWHERE is not defined"), std::string::npos) << p.errors.back();

    Compiled q;
    EXPECT_EQ(q.push({"do i = 1 to 2;"}), 0);
    EXPECT_EQ(q.last_push, CMP_OPEN_GROUP);
    EXPECT_EQ(cmpprss(q.session, CMP_END_MARKER, -1, nullptr, 0, nullptr, 0), CMP_INCOMPLETE);
    EXPECT_NE(cmpgen(q.session, 1), 0);
}

}  // namespace
