// Every statement of the ZOZU grammar parses: one representative text per statement gives the
// node that its handler reads (name as stored, option bits, operand fields).
#include <utility>

#include "procedure/zozu_fields.h"
#include "tests/procedure/zozu_fixture.h"

namespace {

struct StatementCase {
    const char* text;
    const char* name;
    std::vector<int> bits;                         // every set bit
    std::vector<std::pair<int, const char*>> fields;   // field -> field_text
};

const std::vector<StatementCase> kCases = {
    {"PROC ZOZU DEBUGS debugd AUDITTRAIL REGMDDB NOSEQCHECK; RUN;", "ZOZU", {2, 3, 4, 5, 6, 31}, {}},
    {"NLOPTIONS TECH=QUANEW MAXITER=200 GCONV=1e-8 NOPRINT;", "NLOPTIONS", {31},
     {{40, "TECH MAXITER GCONV NOPRINT"}, {41, "4 2 1 3"}, {42, "200 1e-08"}, {43, "QUANEW"}}},
    {"SUBMIT 'data a; x=1;' \"run;\";", "SUBMIT", {31, 60}, {{1, "data a; x=1; run;"}}},
    {"RUNQORFILE 'prog/setup';", "RUNQORFILE", {31}, {{1, "-"}, {2, "prog/setup"}}},
    {"RUNQORFILE myref;", "RUNQORFILE", {31}, {{1, "myref"}, {2, "-"}}},
    {"RUNPROJECT p1 OUTLIB=res NUMERAIRE=EUR PORTFOLIOPART=2 N_PORTFOLIOPARTS=4 RESULTS NOAGS "
     "MAXTHREADS=4 ALPHA=0.05;",
     "RUNPROJECT", {31},
     {{1, "p1"}, {20, "res"}, {12, "EUR"}, {23, "2"}, {24, "4"}, {29, "1"}, {40, "NOAGS MAXTHREADS ALPHA"},
      {41, "3 2 1"}, {42, "4 0.05"}}},
    {"PRICE PORTFOLIO=book RFTRANS=(t1 t2) DATA=(mkt) OUT=risk.prices CURRENCY=USD;", "PRICE", {31},
     {{4, "book"}, {6, "t1 t2"}, {16, "mkt"}, {19, "risk.prices"}, {12, "USD"}}},
    {"GETRATES PROJECTMETHODS=(pm1) OUT=rates OUTPATH='out';", "GETRATES", {31},
     {{7, "pm1"}, {19, "rates"}, {21, "out"}}},
    {"READ book SOURCES=(s1 s2) FILTER=f1 OUT=work.book;", "READ", {31},
     {{1, "book"}, {4, "s1 s2"}, {5, "f1"}, {19, "work.book"}}},
    {"CASHFLOW cf1 PARTIALDUR ANALYSIS=(rate1 rate2) LABEL='Cash flows';", "CASHFLOW", {31},
     {{1, "cf1"}, {4, "1"}, {5, "rate1 rate2"}, {2, "Cash flows"}}},
    {"REPORT r1 FILE='reports/r1.qor' TYPE=SIM DESC='Daily';", "REPORT", {31},
     {{1, "r1"}, {3, "reports/r1.qor"}, {5, "3"}, {4, "Daily"}}},
    {"RFTRANS t1 m1 m2 LABEL='Shifts';", "RFTRANS", {31}, {{1, "t1"}, {4, "m1 m2"}, {2, "Shifts"}}},
    {"FILTER big WHERE='notional > 1e6';", "FILTER", {31}, {{1, "big"}, {4, "notional > 1e6"}}},
    {"SOURCES all_pos trades work.loans;", "SOURCES", {31}, {{1, "all_pos"}, {4, "trades work.loans"}}},
    {"CROSSCLASS byDesk region desk;", "CROSSCLASS", {31}, {{1, "byDesk"}, {4, "region desk"}}},
    {"POTEXP pe1 METHOD=MONTECARLO NDRAWS=500 SEED=17 START='01JAN2020'D;", "POTEXP", {31},
     {{1, "pe1"}, {4, "1"}}},
    {"OPTIMIZATION o1 OBJECTIVE ATRISK HORIZON=h10 LABEL='Best';", "OPTIMIZATION", {5, 2, 31},
     {{1, "o1"}, {2, "Best"}}},
    {"SIMULATION s1 METHOD=HISTORICAL NDRAW=1000 START='01JAN2020'D END='31DEC2020'D;",
     "SIMULATION", {31}, {{1, "s1"}, {4, "3"}}},
    {"DELTANORMAL dn1 DATA=cov1 CONDITIONAL;", "DELTANORMAL", {2, 31}, {{1, "dn1"}, {5, "cov1"}}},
    {"POSEQ pq BENCHNAME=b1 BENCHTIM=5;", "POSEQ", {31}, {{1, "pq"}, {4, "b1"}, {5, "5"}}},
    {"CUREXPOSURE ce1;", "CUREXPOSURE", {31}, {{1, "ce1"}}},
    {"PLSURFACE ps1 rate1 (MIN=-0.01 MAX=0.01 N=3) vol1 (MIN=0.1 MAX=0.3 N=5) REL;", "PLSURFACE", {31},
     {{1, "ps1"}, {10, "rate1 vol1"}, {11, "0 2"}, {14, "3 3"}, {15, "1 2 3 1 2 3"},
      {16, "-0.01 0.01 3 0.1 0.3 5"}}},
    {"PLCURVES pc1 rate1 (MIN=-0.02 MAX=0.02 N=9);", "PLCURVES", {31},
     {{1, "pc1"}, {10, "rate1"}, {14, "3"}, {16, "-0.02 0.02 9"}}},
    {"SENSITIVITY s2 HESSIAN VEGA VARS=(r1-r3);", "SENSITIVITY", {2, 4, 31}, {{1, "s2"}, {4, "r1 r2 r3"}}},
    {"SCENARIO up TYPE=REL rate1 = 0.01 ABS fx = (1 2);", "SCENARIO", {31},
     {{1, "up"}, {4, "2"}, {10, "rate1 fx"}, {11, "1 0"}, {12, "1 2"}, {13, "0.01 1 2"}}},
    {"SCENARIOS down rate1 = -0.01;", "SCENARIOS", {31}, {{1, "down"}, {13, "-0.01"}}},
    {"STATISTICS st1 MEAN=(price value) MAX=price;", "STATISTICS", {31},
     {{1, "st1"}, {21, "price value"}, {11, "price"}, {20, "2"}}},
    {"PROJECT p1 PORTFOLIO=book ANALYSIS=(a1 a2) RUNDATE='15MAR2021'D NOAGS ALPHA=0.01 FMTDATE=DATE9.;",
     "PROJECT", {31},
     {{1, "p1"}, {4, "book"}, {10, "a1 a2"}, {14, "22354"}, {40, "NOAGS ALPHA FMTDATE"}, {41, "3 1 4"},
      {42, "0.01"}, {43, "DATE9."}}},
    {"CURRENCIES KEEP=(USD EUR) DROP=JPY;", "CURRENCIES", {31}, {{1, "USD EUR"}, {2, "JPY"}}},
    {"PARAMETERS pm ROWS=(a b) COLUMNS=(c d) DATA=work.pm;", "PARAMETERS", {31},
     {{1, "pm"}, {4, "c d"}, {5, "work.pm"}, {6, "a b"}}},
    {"LAG l1 LAGVAR=(x) MONTH;", "LAG", {3, 31}, {{1, "l1"}, {6, "x"}}},
    {"TIMEGRID tg MONTHS=(1 3 6) YEAR=1;", "TIMEGRID", {31}, {{1, "tg"}, {6, "1 3 6"}, {7, "1"}}},
    {"INSTRUMENTDATA pos FILE=work.pos TYPE=Bond FORMAT=CASH_FLOW VARIABLES=(id notional);", "INSTDATA",
     {31}, {{1, "pos"}, {4, "work.pos"}, {5, "Bond"}, {6, "3"}, {7, "id notional"}}},
    {"CPTYDATA cd DATA=work.cpty VARIABLES=(CPTYID rating) WGT=w;", "CPTYDATA", {31},
     {{1, "cd"}, {4, "work.cpty"}, {7, "CPTYID rating"}, {8, "w"}}},
    {"MITDATA md DATA=work.mit TYPE=collateral;", "MITDATA", {31}, {{1, "md"}, {4, "work.mit"}, {5, "collateral"}}},
    {"MARKETDATA mkt FILE=work.mkt TYPE=COVARIANCE VARIABLES=(r1-r2);", "MARKETDATA", {31},
     {{1, "mkt"}, {4, "work.mkt"}, {5, "4"}, {7, "r1 r2"}}},
    {"RFCATEGORIES Rates X1-X2;", "RFCATEGORIES", {31}, {{1, "Rates X1 X2"}}},
    {"WRITETYPES OUT=work.types;", "WRITETYPES", {31, 60}, {{1, "work.types"}}},
    {"READTYPES DATA=work.types;", "READTYPES", {31, 60}, {{1, "work.types"}}},
    {"INSTRUMENT Bond QUADRATIC VARIABLES=(coupon maturity) DEFAULTS=(coupon 5.5 ccy 'USD') "
     "METHODS=(PRICE bondPrice) INPUT=bondIn;",
     "INSTRUMENT", {31},
     {{1, "Bond"}, {4, "2"}, {5, "coupon maturity"}, {6, "coupon 5.5 ccy USD"}, {8, "PRICE bondPrice"},
      {9, "bondIn"}}},
    {"MIT Guarantee BASETYPE=Collateral VARIABLES=(haircut);", "MIT", {31},
     {{1, "Guarantee"}, {4, "Collateral"}, {8, "haircut"}}},
    {"COUNTERPARTY Corp MODEL=merton VARIABLES=(COUNTERPARTYID);", "COUNTERPARTY", {31},
     {{1, "Corp"}, {5, "merton"}, {8, "COUNTERPARTYID"}}},
    {"WRITECATEGORIES OUT=work.cats;", "WRITECATEGORIES", {31, 60}, {{1, "work.cats"}}},
    {"READCATEGORIES DATA='/data/cats';", "READCATEGORIES", {31, 60}, {{1, "/data/cats"}}},
    {"WRITEREFS OUT=refs;", "WRITEREFS", {31, 60}, {{1, "refs"}}},
    {"READREFS DATA=refs;", "READREFS", {31, 60}, {{1, "refs"}}},
    {"WRITEARRAYS OUT=arr;", "WRITEARRAYS", {31, 60}, {{1, "arr"}}},
    {"READARRAYS DATA=arr;", "READARRAYS", {31, 60}, {{1, "arr"}}},
    {"WRITEVARS OUT=work.vars;", "WRITEVARS", {31, 60}, {{1, "work.vars"}}},
    {"READVARS DATA=work.vars;", "READVARS", {31, 60}, {{1, "work.vars"}}},
    {"ARRAYS curve VAR=IR ELEMENTS=(t1-t3) CURRENCY=USD;", "ARRAYS", {31},
     {{1, "curve"}, {4, "1"}, {5, "t1 t2 t3"}, {8, "USD"}}},
    {"FINDFILE work.pos TYPE=DATASET;", "FINDFILE", {31}, {{1, "work.pos"}, {2, "2"}}},
    {"PATH SAVE '/env/a' '/env/b';", "PATH", {2, 31}, {{1, "/env/a /env/b"}}},
    {"TRACE LEVEL=(1 5) ON BRIEF FACTORS price THREAD=2 SUBMITS;", "TRACE", {2, 31},
     {{1, "1 5"}, {2, "1"}, {4, "1"}, {5, "FACTORS PRICE"}, {7, "2"}}},
    {"TRACE OFF 'BOND*';", "TRACE", {31}, {{2, "2"}, {3, "BOND*"}}},
    {"ENVIRONMENT NEW=risk '/tmp/env' INHERIT=(base) AUTOSAVE SAMPLE;", "ENVIRONMENT", {2, 4, 31},
     {{1, "risk"}, {2, "/tmp/env"}, {4, "-"}, {7, "base"}}},
    {"ENV OPEN=risk;", "ENV", {31}, {{1, "-"}, {4, "risk"}}},
    {"ENV SAVEAS=copy '/tmp/copy';", "ENV", {31}, {{6, "copy"}, {2, "/tmp/copy"}}},
    {"RUNWEBREPORTS env1 OUTPATH='web';", "RUNWEBREPORTS", {31}, {{1, "env1"}, {4, "web"}}},
    {"UNITTEST;", "UNITTEST", {31, 60}, {}},
    {"DEBUG ALL NOMEMORY timer;", "DEBUG", {31, 60}, {{1, "ALL NOMEMORY TIMER"}}},
    {"CONVERT FROMENV=old TOENV=new;", "CONVERT", {31}, {{1, "old"}, {2, "new"}}},
    {"IMPORT FROMENV=base PROJECTS=(p1) VARIABLES=(v1 v2) ALL;", "IMPORT", {2, 31},
     {{1, "base"}, {15, "p1"}, {12, "v1 v2"}}},
    {"DELETE PROJECT=(p1 p2) VARIABLE=x ENVIRONMENT=old;", "DELETE", {31},
     {{15, "p1 p2"}, {12, "x"}, {30, "old"}}},
    {"SETOPTIONS MAXTHREADS=8 NOAUTOSAVE FMTDATE=DATE9.;", "SETOPTIONS", {31},
     {{40, "MAXTHREADS NOAUTOSAVE FMTDATE"}, {41, "2 3 4"}, {42, "8"}, {43, "DATE9."}}},
    {"PRINT ALL OPTIONS PROJECT=p1;", "PRINT", {11, 31, 32}, {{15, "p1"}}},
    {"USE x1-x3 rate;", "USE", {31}, {{1, "x1 x2 x3 rate"}}},
    {"DECLARE OUTVARS=(pv) NUM COMPUTED;", "DECLARE", {31}, {{40, "1"}, {41, "pv"}, {42, "NUM"}, {43, "COMPUTED"}}},
    {"MTM book LABEL='Book value';", "MTM", {31}, {{1, "book"}, {2, "Book value"}}},
    {"ARRAY spot VAR=FX ROLE=fx_spot ELEMENTS=(s1 s2);", "ARRAY", {31}, {{1, "spot"}, {4, "2"}, {11, "fx_spot"}}},
    {"METHOD m1 KIND=PRICE 'Call'; value = 1; ENDMETHOD;", "METHOD", {31},
     {{1, "m1"}, {2, "3"}, {3, "Call"}, {4, "value = 1"}}},
};

TEST(ZozuStatements, EveryStatementParsesToTheNodeItsHandlerReads) {
    ZozuParse p;
    for (const StatementCase& c : kCases) {
        SCOPED_TRACE(c.text);
        ParsedStep r = p.parse(c.text);
        ASSERT_EQ(r.code, 0) << r.log;
        bool proc = std::string(c.text).rfind("PROC", 0) == 0;
        ASSERT_EQ(r.nodes.size(), proc ? 1u : 2u) << r.log;
        const statement_node* n = r.nodes.back();
        EXPECT_EQ(node_name(n), c.name);
        EXPECT_EQ(node_bits(n), [&] {
            std::vector<int> b = c.bits;
            std::sort(b.begin(), b.end());
            return b;
        }());
        for (const auto& [field, want] : c.fields) EXPECT_EQ(field_text(n, field), want) << "field " << field;
    }
}

// Every statement name of the grammar is reached by a case above.
TEST(ZozuStatements, TheCasesCoverEveryStatementOfTheGrammar) {
    for (int i = 0; i < zozu::kStatementCount; ++i) {
        std::string names = zozu::kStatements[i].names;
        bool covered = false;
        for (const StatementCase& c : kCases) {
            std::string first = c.text;
            first = first.substr(0, first.find_first_of(" ;"));
            for (char& ch : first) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
            if ((" " + names + " ").find(" " + first + " ") != std::string::npos) covered = true;
        }
        EXPECT_TRUE(covered) << names;
    }
}

TEST(ZozuStatements, DeclareGivesEachVariableItsTypeRoleAndOptions) {
    ZozuParse p;
    ParsedStep r = p.parse(
        "DECLARE INSTVARS=(notional coupon) NUM VAR LABEL='Face' MATURITY=26 WEEKS NOHOLDING\n"
        "        RFVARS=r1-r2 NUM REG ARRAY=(t1 t2)\n"
        "        INSTVARS=ccy CHAR VAR;");
    ASSERT_EQ(r.code, 0) << r.log;
    const statement_node* n = r.nodes.back();
    const int inst = zozu::kDeclareFirstField, rf = inst + QOR_GROUP_FIELDS;
    EXPECT_EQ(field_text(n, inst + QOR_GROUP_COUNT), "3");
    EXPECT_EQ(field_text(n, inst + QOR_GROUP_MEMBERS), "notional coupon ccy");
    EXPECT_EQ(field_text(n, inst + QOR_GROUP_ATTRIBUTE1), "NUM NUM CHAR");
    EXPECT_EQ(field_text(n, inst + QOR_GROUP_ATTRIBUTE2), "VAR VAR VAR");
    EXPECT_EQ(field_text(n, inst + QOR_GROUP_OPTION_ENDS), "3 6 6");
    EXPECT_EQ(field_text(n, inst + QOR_GROUP_OPTION_CODES), "3 10 12 3 10 12");
    // The maturity keeps its unit code (2, weeks) for the handler to convert.
    EXPECT_EQ(field_text(n, inst + QOR_GROUP_VALUES), ". 26 0 . 26 0");
    EXPECT_EQ(field_text(n, inst + QOR_GROUP_VALUES2), ". 2 . . 2 .");
    EXPECT_EQ(field_text(n, inst + QOR_GROUP_TEXTS), "Face   Face  ");
    EXPECT_EQ(field_text(n, rf + QOR_GROUP_MEMBERS), "r1 r2");
    EXPECT_EQ(field_text(n, rf + QOR_GROUP_ATTRIBUTE2), "REG REG");
    EXPECT_EQ(field_text(n, rf + QOR_GROUP_ELEMENTS), "t1 t2  t1 t2 ");
    EXPECT_EQ(field_text(n, inst + 2 * QOR_GROUP_FIELDS + QOR_GROUP_COUNT), "-");
}

// Types and roles that are also keywords of DECLARE (options, flags, selectors) are read as the
// data type and role when they stand where those go and no '=' follows; flags after them stay
// options.
TEST(ZozuStatements, DeclareTypesAndRolesMayBeKeywords) {
    struct Case {
        const char* text;
        const char* type;
        const char* role;
        const char* codes;
    };
    const Case cases[] = {
        {"DECLARE RFVARS=(x) NUM FX;", "NUM", "FX", ""},
        {"DECLARE RFVARS=(x) NUM VAR FX;", "NUM", "VAR", "19"},
        {"DECLARE RFVARS=(x) ARRAY CLASS;", "ARRAY", "CLASS", ""},
        {"DECLARE RFVARS=(x) INTERVAL NAME LABEL='t';", "INTERVAL", "NAME", "3"},
        {"DECLARE RFVARS=(x) CURCODE RISKFACTOR;", "CURCODE", "RISKFACTOR", ""},
        {"DECLARE RFVARS=(x) NUM HOLDING NOFX;", "NUM", "HOLDING", "19"},
        {"DECLARE RFVARS=(x) NUM CLASS=2;", "NUM", "", "16"},
    };
    ZozuParse p;
    const int rf = zozu::kDeclareFirstField + QOR_GROUP_FIELDS;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        ParsedStep r = p.parse(c.text);
        ASSERT_EQ(r.code, 0) << r.log;
        const statement_node* n = r.nodes.back();
        EXPECT_EQ(field_text(n, rf + QOR_GROUP_ATTRIBUTE1), c.type);
        EXPECT_EQ(field_text(n, rf + QOR_GROUP_ATTRIBUTE2), c.role);
        const std::string codes = field_text(n, rf + QOR_GROUP_OPTION_CODES);
        EXPECT_EQ(codes == "-" ? "" : codes, c.codes);
    }
    // A selector followed by '=' still starts the next group.
    ParsedStep r = p.parse("DECLARE RFVARS=(x) NUM RISKFACTOR=(y) NUM VAR;");
    ASSERT_EQ(r.code, 0) << r.log;
    EXPECT_EQ(field_text(r.nodes.back(), rf + QOR_GROUP_MEMBERS), "x y");
}

}  // namespace

// PROJECT takes every option of a project run plus its own; RUNPROJECT takes only the run's.
TEST(ZozuStatements, ProjectAndRunprojectShareTheRunOptions) {
    ZozuParse p;
    ParsedStep project = p.parse("PROJECT p1 ALPHA=0.05 VAROPTDROP=x ABS BACKWARD;");
    ASSERT_EQ(project.code, 0) << project.log;
    EXPECT_EQ(field_text(project.nodes.back(), 40), "ALPHA VAROPTDROP ABS BACKWARD");
    ParsedStep run = p.parse("RUNPROJECT p1 ALPHA=0.05 VAROPTDROP=x;");
    ASSERT_EQ(run.code, 0) << run.log;
    EXPECT_EQ(field_text(run.nodes.back(), 40), "ALPHA VAROPTDROP");
    EXPECT_NE(p.parse("RUNPROJECT p1 ABS;").code, 0);
}

// The texts of a name-list field, one per entry.
static std::vector<std::string> field_entries(const statement_node* n, int field) {
    std::vector<std::string> out;
    const operand_field* f = qor_operand(n, field);
    if (!f || !f->given) return out;
    const char* p = static_cast<const char*>(f->value);
    for (int32_t i = 0; i < f->used;) {
        out.emplace_back(p + i);
        i += static_cast<int32_t>(out.back().size()) + 1;
    }
    return out;
}

// A METHOD statement takes the statements after it verbatim up to ENDMETHOD;: words that are
// statements of the procedure (or RUN) are body text there, and ';' inside quotes or comments
// does not end a statement.
TEST(ZozuStatements, MethodTakesItsBodyVerbatimUpToEndmethod) {
    ZozuParse p;
    ParsedStep r = p.parse("METHOD m2 'Two';\n  x = 'a;b';  /* c;d */ y = 2 ;\n ;\n"
                           "  IF x THEN RUN = 1;\n  print = \"it's\";\nendmethod ;\nUSE z;");
    ASSERT_EQ(r.code, 0) << r.log;
    ASSERT_EQ(r.nodes.size(), 3u) << r.log;
    const statement_node* m = r.nodes[1];
    EXPECT_EQ(field_text(m, zozu::kMethodFieldKind), "-");
    EXPECT_EQ(field_text(m, zozu::kMethodFieldDesc), "Two");
    EXPECT_EQ(field_entries(m, zozu::kMethodFieldBody),
              (std::vector<std::string>{"x = 'a;b'", "/* c;d */ y = 2", "IF x THEN RUN = 1", "print = \"it's\""}));
    EXPECT_EQ(node_name(r.nodes[2]), "USE");

    // Without ENDMETHOD the rest of the step is the body, and the statement fails.
    ParsedStep open = p.parse("METHOD m3; x = 1; USE z;");
    EXPECT_NE(open.code, 0);
    EXPECT_NE(open.log.find("not closed by ENDMETHOD"), std::string::npos) << open.log;
    EXPECT_EQ(open.nodes.size(), 1u);
    // A method without statements and a kind word written bare.
    ParsedStep empty = p.parse("METHOD m4 POSTPRICE; ENDMETHOD;");
    ASSERT_EQ(empty.code, 0) << empty.log;
    EXPECT_EQ(field_text(empty.nodes.back(), zozu::kMethodFieldKind), "6");
    EXPECT_TRUE(field_entries(empty.nodes.back(), zozu::kMethodFieldBody).empty());
}
