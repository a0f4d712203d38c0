// Syntax errors in a ZOZU step: each is reported with its line, column, the offending text and
// the words that would have been accepted; the step's error code is set so that no statement
// runs, and parsing goes on at the next ';' so that later errors are reported too.
#include "tests/procedure/zozu_fixture.h"

namespace {

struct ErrorCase {
    const char* text;
    std::vector<const char*> logged;   // pieces the log must hold
};

const ErrorCase kErrors[] = {
    {"PROC ZOZU;\nPRINT bogus;\nRUN;",
     {"line 2, column 7", "unknown keyword \"bogus\"", "Expected one of: ALL, ALLCURRENCIES,", "VARIABLES, ';'"}},
    {"PROC ZOZU;\n  ENV NEW= ;\nRUN;", {"ENV statement at line 2, column 12", "expected a name, found \";\""}},
    {"PROC ZOZU;\nSIMULATION s NDRAW=;\nRUN;", {"line 2, column 20", "expected a number, found \";\""}},
    {"PROC ZOZU;\nFILTER f WHERE='x > 1;\nRUN;", {"line 2, column 16", "a quoted string that is not closed"}},
    {"PROC ZOZU;\nFROBNICATE x;\nRUN;", {"line 2, column 1", "unknown statement \"FROBNICATE\"", "ARRAY, ARRAYS"}},
    {"PROC ZOZU BOGUS;\nRUN;", {"ZOZU statement at line 1, column 11", "AUDITTRAIL, DEBUGD, DEBUGS, NOSEQCHECK, REGMDDB"}},
    {"PROC ZOZU;\nTRACE ON=3;\nRUN;", {"line 2, column 9", "unexpected \"=\""}},
    {"PROC ZOZU;\nSCENARIO s r1 = (1 2;\nRUN;", {"expected a number or ')'"}},
    {"PROC ZOZU;\nINSTDATA p FORMAT=ODD;\nRUN;", {"expected a choice", "CASH_FLOW, QUADRATIC, SIMPLE, SPARSE"}},
    {"PROC ZOZU;\nTIMEGRID t M=(1 x);\nRUN;", {"expected a number, found \"x\""}},
    {"PROC ZOZU;\nPROJECT p RUNDATE='31FEB2020'D;\nRUN;", {"date, time or date-time literal that is not valid"}},
    {"PROC ZOZU;\nUSE a 12abc;\nRUN;", {"a number followed by letters"}},
    {"PROC ZOZU;\nENV OPEN=x\nRUN;", {"missing ';' before"}},
    {"PROC OTHER;\nRUN;", {"expected the procedure name", "ZOZU"}},
};

TEST(SyntaxErrors, AreReportedWithPlaceAndExpectedWordsAndStopTheStep) {
    ZozuParse p;
    for (const ErrorCase& c : kErrors) {
        SCOPED_TRACE(c.text);
        ParsedStep r = p.parse(c.text);
        EXPECT_EQ(r.code, QOR_PARSE_SYNTAX_ERROR);
        for (const char* piece : c.logged) EXPECT_NE(r.log.find(piece), std::string::npos) << r.log;
    }
}

TEST(SyntaxErrors, ParsingGoesOnAtTheNextSemicolon) {
    ZozuParse p;
    ParsedStep r = p.parse("PROC ZOZU;\nPRINT bogus;\nENV NEW=;\nDECLARE OUTVARS=pv NUM COMPUTED;\nUSE 'x;\nRUN;");
    EXPECT_EQ(r.code, QOR_PARSE_SYNTAX_ERROR);
    EXPECT_NE(r.log.find("line 2"), std::string::npos);
    EXPECT_NE(r.log.find("line 3"), std::string::npos);
    EXPECT_NE(r.log.find("line 5"), std::string::npos);
    // Only sound statements are linked; the error code keeps any of them from running.
    ASSERT_EQ(r.nodes.size(), 2u);
    EXPECT_EQ(node_name(r.nodes[1]), "DECLARE");
}

TEST(SyntaxErrors, RunEndsTheStepAndEmptyStepsParse) {
    ZozuParse p;
    ParsedStep r = p.parse("proc zozu;\nrun;");
    EXPECT_EQ(r.code, 0);
    ASSERT_EQ(r.nodes.size(), 1u);
    EXPECT_EQ(node_name(r.nodes[0]), "ZOZU");
    EXPECT_EQ(node_bits(r.nodes[0]), std::vector<int>{31});
    r = p.parse("PROC ZOZU; ENV; QUIT; whatever follows");
    EXPECT_EQ(r.code, 0) << r.log;
    EXPECT_EQ(r.nodes.size(), 2u);
}

// Literals reach the operands as the engine reads them: dates as days since 1960, date-times
// as seconds, missing values as the host's missing value, quotes undoubled.
TEST(SyntaxErrors, LiteralsBecomeTheirValues) {
    ZozuParse p;
    ParsedStep r = p.parse("PROJECT p RUNDATE='01JAN1960:00:01:00'DT LABEL='it''s';\nPROJECT q RUNDATE=.;\n"
                           "PROJECT z RUNDATE='02jan60'd;");
    ASSERT_EQ(r.code, 0) << r.log;
    EXPECT_EQ(field_text(r.nodes[1], 14), "60");
    EXPECT_EQ(field_text(r.nodes[1], 2), "it's");
    const operand_field* f = qor_operand(r.nodes[2], 14);
    ASSERT_TRUE(f && f->given);
    EXPECT_TRUE(qor::is_missing(*static_cast<const double*>(f->value)));
    EXPECT_EQ(field_text(r.nodes[3], 14), "1");
}

// DEBUG='SYN' logs every token, DEBUG='SEM' every action; without them nothing is traced.
TEST(SyntaxErrors, TraceFlagsLogTokensAndActions) {
    ZozuParse p;
    ParsedStep r = p.parse("USE x1-x2;", QOR_PARSE_TRACE_SYNTAX);
    EXPECT_NE(r.log.find("SYN: line 2 column 1 name \"USE\""), std::string::npos) << r.log;
    EXPECT_EQ(r.log.find("SEM:"), std::string::npos);
    r = p.parse("USE x1-x2;", QOR_PARSE_TRACE_SEMANTIC);
    EXPECT_NE(r.log.find("SEM: hook 2 field 1 \"x2\""), std::string::npos) << r.log;
    EXPECT_NE(r.log.find("SEM: option bit 31"), std::string::npos);
    EXPECT_EQ(r.log.find("SYN:"), std::string::npos);
    r = p.parse("USE x1-x2;");
    EXPECT_EQ(r.log, "");
}

}  // namespace

TEST(SyntaxErrors, ExpectedStatementListHasNoEmptyItems) {
    ZozuParse p;
    ParsedStep r = p.parse("PROC ZOZU;\nFROBNICATE x;\nRUN;");
    EXPECT_EQ(r.log.find(", ,"), std::string::npos) << r.log;
    EXPECT_EQ(r.log.find(",,"), std::string::npos) << r.log;
    EXPECT_NE(r.log.find("NLOPTIONS, "), std::string::npos) << r.log;
    EXPECT_NE(r.log.find("RUN, QUIT."), std::string::npos) << r.log;
}
