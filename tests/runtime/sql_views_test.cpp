// PROC SQL through the host services: a STATES view opened with xoopen returns the joined rows
// with special missing codes intact, and the translator's ORDER BY and error lines.
#include <cmath>
#include <filesystem>
#include <vector>

#include "host/missing.h"
#include "runtime/sql/sql_translate.h"
#include "runtime/submit/program_runner.h"
#include "tests/runtime/dataset_fixture.h"

namespace {

// Writes a data set of numeric columns (and one character column "name" when names given).
void write_numbers(const char* member, const std::vector<const char*>& columns,
                   const std::vector<std::vector<double>>& rows, const std::vector<std::string>& names = {}) {
    qor_dataset* ds = DatasetTest::open(member, QOR_OPEN_OUTPUT);
    ASSERT_NE(ds, nullptr);
    qor_putlist* put = nullptr;
    ASSERT_EQ(xvputi(ds, static_cast<int>(columns.size() + 1), &put), 0);
    std::vector<double> values(columns.size());
    char name[8];
    for (size_t c = 0; c < columns.size(); ++c) {
        qor_var_desc d = DatasetTest::var(columns[c], QOR_VAR_NUMERIC, 8);
        ASSERT_EQ(xvputd(put, &d, &values[c], 8, nullptr), 0);
    }
    if (!names.empty()) {
        qor_var_desc d = DatasetTest::var("name", QOR_VAR_CHARACTER, 8);
        ASSERT_EQ(xvputd(put, &d, name, 8, nullptr), 0);
    }
    ASSERT_EQ(xvpute(put), 0);
    for (size_t r = 0; r < rows.size(); ++r) {
        values = rows[r];
        if (!names.empty()) {
            std::memset(name, ' ', 8);
            std::memcpy(name, names[r].data(), names[r].size());
        }
        qor_obs_request obs{};
        obs.dataset = ds;
        ASSERT_EQ(xyvput(put, 0), 0);
        ASSERT_EQ(xoadd(&obs), 0);
    }
    xvputt(put);
    ASSERT_EQ(xoclose(ds, 0), 0);
}

class SqlViews : public DatasetTest {
public:
    void SetUp() override {
        DatasetTest::SetUp();
        if (qor::runtime::library_directory("WORK").empty()) {
            std::filesystem::create_directory(dir / "work");
            ASSERT_EQ(qor::runtime::assign_library("WORK", (dir / "work").string(), ""), 0);
            own_work = true;
        }
    }
    void TearDown() override {
        if (own_work) qor::runtime::clear_library("WORK");
        DatasetTest::TearDown();
    }
    bool own_work = false;
};

}  // namespace

TEST_F(SqlViews, StatesViewOpensThroughXoopenWithTheJoinedRows) {
    const double dot_a = qor::make_missing('A');
    write_numbers("states_a", {"AnalysisNumber", "AnalysisPart"}, {{0, 0}, {1, 0}, {1, 1}},
                  {"", "ir_usd", "fx_eur"});
    write_numbers("states_v", {"StateNumber", "AnalysisNumber", "AnalysisPart", "ir_usd", "_date_"},
                  {{1, 0, 0, 0.03, 21915}, {2, 1, 0, dot_a, 21915}, {3, 1, 1, 0.05, 21915},
                   {4, 2, 0, 0.07, 21915}},
                  {"", "ir_usd", "fx_eur", "ir_usd"});
    const std::string program =
        "proc sql;\n\tcreate view DSTEST.STATES as\nselect statenumber, a.analysisnumber, a.analysispart,\n"
        "\ta.name,\n\tir_usd,\n\t_date_\nfrom STATES_a a, STATES_v v\n"
        "where a.analysisnumber = v.analysisnumber AND\n\ta.name = v.name AND\n"
        "\ta.analysispart = v.analysispart;\nquit;\n";
    qor::runtime::ProgramResult result = qor::runtime::run_program_text(program, "states.qor");
    ASSERT_EQ(result.worst_code, 0) << log();

    qor_open_request r = request("states", QOR_OPEN_INPUT, "DATAVIEW");
    qor_dataset* ds = nullptr;
    ASSERT_EQ(xoopen(&ds, &r), 0) << log();
    int32_t variables = 0;
    int64_t observations = 0;
    xoinfo(ds, QOR_INFO_VARIABLES, &variables);
    xoinfo(ds, QOR_INFO_OBSERVATIONS, &observations);
    EXPECT_EQ(variables, 6);
    EXPECT_EQ(observations, 3);
    int state = 0, rate = 0;
    ASSERT_EQ(xvfind(ds, "StateNumber", -1, &state, 0), 0);
    ASSERT_EQ(xvfind(ds, "ir_usd", -1, &rate, 0), 0);
    const double want_rates[] = {0.03, dot_a, 0.05};
    qor_obs_request obs{};
    obs.dataset = ds;
    for (int row = 0; row < 3; ++row) {
        ASSERT_EQ(xoget(&obs, QOR_GET_NEXT), 0);
        double s = 0, x = 0;
        xvget1f(ds, state, &s);
        xvget1f(ds, rate, &x);
        EXPECT_EQ(s, row + 1);
        // The special missing code comes through the view bit for bit.
        EXPECT_EQ(qor::bits_of(x), qor::bits_of(want_rates[row])) << "row " << row;
    }
    EXPECT_EQ(xoget(&obs, QOR_GET_NEXT), QOR_DS_END_OF_DATA);
    xoclose(ds, 0);
    // The rows of the open were written for it alone: nothing is left in WORK.
    for (const auto& entry : std::filesystem::directory_iterator(qor::runtime::library_directory("WORK")))
        EXPECT_EQ(entry.path().filename().string().find("_qorview_"), std::string::npos) << entry.path();
}

TEST_F(SqlViews, AViewThatReadsItselfStopsWithAnError) {
    write_numbers("base", {"x"}, {{1}});
    ASSERT_EQ(qor::runtime::run_program_text("proc sql; create view loop as select * from dstest.base; quit;",
                                             "loop.qor").worst_code, 0);
    // Point the stored view at itself behind PROC SQL's back.
    const std::string text = "select * from loop";
    ASSERT_EQ(xovwrit("WORK", "loop", text.data(), text.size()), 0);
    ASSERT_EQ(qor::runtime::run_program_text("proc sql; create table t as select * from loop; quit;",
                                             "loop.qor").worst_code, 1);
    EXPECT_NE(log().find("views nest more than 16 deep"), std::string::npos) << log();
}

namespace {

// A catalog that names every table T_<member> and knows no columns.
class NamesOnly final : public qor::runtime::sql::TranslationCatalog {
public:
    bool table(const std::string&, const std::string& member, int, std::string* name,
               std::string*) override {
        *name = "T_" + member;
        return true;
    }
    bool columns(const std::string&, std::vector<std::string>*, std::string* error) override {
        *error = "no columns here";
        return false;
    }
};

std::string translate(const std::string& text) {
    std::vector<qor::runtime::sql::Token> tokens;
    std::string error;
    if (!qor::runtime::sql::tokenize(text, 1, &tokens, &error)) return "error: " + error;
    NamesOnly catalog;
    qor::runtime::sql::Translation out;
    if (!qor::runtime::sql::translate_query(text, tokens, 0, tokens.size() - 1, catalog, &out, &error))
        return "error: " + error;
    return out.sql;
}

}  // namespace

TEST(SqlTranslation, OrderByNamesTheSelectListAndErrorsNameTheirLine) {
    struct Case {
        const char* query;
        const char* expected;   // a part of the translation, or of the error
    } cases[] = {
        // A bare ORDER BY name is the select-list item of that name, sorted missing-first.
        {"select p.id, v.x as y from a p, b v order by id, y desc",
         "ORDER BY qor_rank(\"p\".\"id\"), \"p\".\"id\", qor_rank(\"v\".\"x\") DESC, \"v\".\"x\" DESC"},
        {"select * from lib.a where x < . ", "qor_lt(\"x\", x'2E')"},
        {"select x from a where x between 1 and 2", "(qor_ge(\"x\", 1.0) AND qor_le(\"x\", 2.0))"},
        {"select max(x, 0.) as m from a", "qor_max(\"x\", 0.0) AS \"m\""},
        {"select x from a where name = 'ab  '", "(\"name\" = 'ab')"},
        {"select x from a where d = '01JAN1960'd", "(\"d\" = 0.0)"},
        {"select 'a b'n from a", "\"a b\""},
        {"select x,\n  from a", "error: line 2: expected a value but found \"from\""},
        {"select x from a\n outer union select x from b", "error: line 2: OUTER must be followed by UNION CORR"},
        {"select x from a outer union corr select y from b", "error: line 1: no columns here"},
        {"select x from a where", "error: line 1: the statement ends where a value was expected"},
        {"select x from a where (x = 1", "error: line 1: expected \")\" but found end of statement"},
        {"select x from a b c", "error: line 1: unexpected \"c\" after the query"},
    };
    for (const Case& c : cases)
        EXPECT_NE(translate(c.query).find(c.expected), std::string::npos)
            << c.query << "\n  gives " << translate(c.query);
}
