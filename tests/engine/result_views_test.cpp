// The generated STATES, ALLPRICE and ALLCASHFLOW views and the merges of a run's parts: the texts
// line by line for a table of run shapes, and merges run by the host over small part members.
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "engine/model/options/engine_options.h"
#include "engine/model/submission/code_submission.h"
#include "engine/model/variables/variable_record.h"
#include "engine/output/output_object.h"
#include "engine/output/result_datasets.h"
#include "engine/output/rskgds.h"
#include "engine/run/project_run.h"
#include "engine/run/run_block.h"
#include "host/dataset.h"
#include "host/files.h"
#include "tests/engine/dataset_writer.h"
#include "tests/engine/variables_fixture.h"

namespace {

using Lines = std::vector<std::string>;
using Rows = std::vector<std::vector<std::string>>;

Lines lines_of(const RSKGDSTEXT& text) {
    Lines out;
    for (int i = 0; i < text.lines; ++i) out.emplace_back(rskgds_text_line(&text, i));
    return out;
}

std::string joined(const Lines& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "|\n";
    return text;
}

// A run's shape as the views see it.
struct Shape {
    const char* what;
    int requested;                   // a result kind the run asks for (0 none)
    uint8_t several_cases, simulation, datetime, exposure;
};

class ResultViews : public VariableEngine {
protected:
    void SetUp() override {
        VariableEngine::SetUp();
        object_ = std::make_unique<RSKOUTOBJ>();
        std::memcpy(object_->libref, "OUT     ", 8);
        RSKFMTFIELD& f = con->options->current.fmtvalue;
        std::strcpy(f.name, "COMMA");
        f.name_length = 5;
        f.width = 16;
        f.decimals = 2;
        ASSERT_EQ(declare(Declare("x1")), 0);
        run()->run_options = nullptr;
    }
    void TearDown() override {
        std::memset(static_cast<void*>(&run()->result_sets), 0, sizeof(RSKRUNRESULTS));
        run()->gds = RSKGDSRUN{};
        VariableEngine::TearDown();
    }
    RSKRUNBLOCK* run() { return con->run_block; }
    void shape(const Shape& s) {
        RSKRUNRESULTS* r = &run()->result_sets;
        for (int kind : {5, 7, 8, 12}) r->descriptors[kind].requested = 0;
        if (s.requested != 0) r->descriptors[s.requested].requested = 1;
        r->several_cases = s.several_cases;
        r->simulation = s.simulation;
        r->datetime_grid = s.datetime;
        run()->gds.exposure_column = s.exposure;
    }
    Lines states_view(const char* view) {
        RSKGDSTEXT text;
        rskgds_text_init(&text, con);
        EXPECT_EQ(gds_states_view_text(con, object_.get(), view, static_cast<int>(std::strlen(view)), &text), 0);
        Lines out = lines_of(text);
        rskgds_text_free(&text);
        return out;
    }
    Lines values_view(const char* view) {
        RSKGDSTEXT text;
        rskgds_text_init(&text, con);
        EXPECT_EQ(gds_values_view_text(con, object_.get(), view, static_cast<int>(std::strlen(view)), &text), 0);
        Lines out = lines_of(text);
        rskgds_text_free(&text);
        return out;
    }
    std::unique_ptr<RSKOUTOBJ> object_;
};

// The optional lines of both views follow the run's shape.
TEST_F(ResultViews, ViewTextsFollowTheRunShape) {
    struct Case {
        Shape shape;
        Lines states_middle;         // between the select line and the factor columns
        Lines states_tail;           // after the factor columns
        Lines states_join;           // the join's name lines
        Lines values_middle;         // after "a.analysisnumber, a.analysisname, a.analysispart,"
        Lines values_exposure;
    };
    const Case cases[] = {
        {{"plain", 0, 0, 0, 0, 0}, {}, {"\t_date_"}, {}, {"\t_date_,"}, {}},
        {{"P/L curve alone", RSKRES_PLCURVE, 0, 0, 0, 0}, {"\tname,"}, {"\t_date_"}, {}, {"\tname,", "\t_date_,"}, {}},
        {{"sensitivity", RSKRES_SENS, 0, 0, 0, 0},
         {"\ta.name, a.name2,"},
         {"\t_date_"},
         {"\ta.name = v.name AND", "\ta.name2 = v.name2 AND"},
         {"\ta.name, a.name2,", "\t_date_,"},
         {}},
        {{"P/L surface", RSKRES_PLSURF, 0, 0, 0, 0}, {"\ta.name, a.name2,"}, {"\t_date_"}, {}, {"\ta.name, a.name2,", "\t_date_,"}, {}},
        {{"simulation", 0, 1, 1, 0, 0},
         {"\tsimulationcase, simulationmode, simulationcategory,", "\tsimulationtime, simulationreplication,"},
         {"\t_date_"},
         {},
         {"\tsimulationcase,", "\tsimulationtime, simulationreplication,", "\t_date_,",
          "\tsimulationmode, simulationcategory,"},
         {}},
        {{"date-time and exposure", 0, 0, 0, 1, 1},
         {},
         {"\tdatetime,", "\t_date_"},
         {},
         {"\t_date_,", "datetime,"},
         {"\tmax(value, 0.) as Exposure format=COMMA16.2,"}},
    };
    for (const Case& c : cases) {
        shape(c.shape);
        Lines states = {"proc sql;\n\tcreate view OUT.STATES_1_2 as",
                        "select statenumber, a.analysisnumber, analysisname, a.analysispart,"};
        states.insert(states.end(), c.states_middle.begin(), c.states_middle.end());
        states.push_back("\tx1,");
        states.insert(states.end(), c.states_tail.begin(), c.states_tail.end());
        states.push_back("from STATES_1_2_a a, STATES_1_2_v v");
        states.push_back("where a.analysisnumber = v.analysisnumber AND");
        states.insert(states.end(), c.states_join.begin(), c.states_join.end());
        for (const char* line : {"\ta.analysispart = v.analysispart", "\torder by statenumber;", "quit;"})
            states.push_back(line);
        EXPECT_EQ(joined(states_view("STATES_1_2")), joined(states)) << c.shape.what;

        Lines values = {"proc sql;\n\tcreate view OUT.ALLPRICE as", "select p.instnumber,", "\tinstid, insttype, instsource,",
                        "\ts.statenumber,", "\ta.analysisnumber, a.analysisname, a.analysispart,"};
        values.insert(values.end(), c.values_middle.begin(), c.values_middle.end());
        values.push_back("\tvalue,");
        values.push_back("\tvalue/(fx_rate*holding*(1-2*collateral)*(1-2*shortposition)*alposition) as ReturnedValue "
                         "format=COMMA16.2,");
        values.insert(values.end(), c.values_exposure.begin(), c.values_exposure.end());
        for (const char* line : {"\tholding, shortposition, alposition, currency,",
                                 "\tvalue/fx_rate as NativeValue format=COMMA16.2,", "\tfx_rate, collateral",
                                 "from ALLPRICE_p p , ALLPRICE_v v,", "\tALLPRICE_a a , ALLPRICE_s s",
                                 "where p.instnumber = v.instnumber AND", "\ts.statenumber = v.statenumber AND",
                                 "\ta.analysisnumber = s.analysisnumber AND"})
            values.push_back(line);
        if (c.shape.requested == RSKRES_SENS) {
            values.push_back("\ta.name = s.name AND");
            values.push_back("\ta.name2 = s.name2 AND");
        }
        for (const char* line : {"\ta.analysispart = s.analysispart", "order by instnumber, statenumber;", "quit;"})
            values.push_back(line);
        EXPECT_EQ(joined(values_view("ALLPRICE")), joined(values)) << c.shape.what;
    }
}

// An array factor with the expansion flag gives one column per element; excluded factors and
// sets stay out; every variable goes in when the run writes them all.
TEST_F(ResultViews, StatesColumnsOfArraysAndExcludedFactors) {
    RSKVARIABLE* curve = nullptr;
    ASSERT_EQ(declare(Declare("curve"), &curve), 0);
    curve->element_count = 3;
    curve->class_flags |= RSKVAROUT_ARRAY;
    RSKVARIABLE* hidden = nullptr;
    ASSERT_EQ(declare(Declare("hidden"), &hidden), 0);
    hidden->exclusion2 = 1;
    RSKVARIABLE* plain_array = nullptr;
    ASSERT_EQ(declare(Declare("grid"), &plain_array), 0);
    plain_array->element_count = 2;   // without the flag its elements are variables of their own
    shape({"plain", 0, 0, 0, 0, 0});
    std::string text = joined(states_view("STATES"));
    EXPECT_NE(text.find("\tx1,|\n\tcurve_1,|\n\tcurve_2,|\n\tcurve_3,|\n\t_date_|"), std::string::npos) << text;
    EXPECT_EQ(text.find("hidden"), std::string::npos);
    EXPECT_EQ(text.find("grid"), std::string::npos);
    run()->result_sets.excluded_factors_in_states = 1;
    text = joined(states_view("STATES"));
    EXPECT_NE(text.find("\thidden,|"), std::string::npos) << text;
}

TEST_F(ResultViews, CashFlowViewCarriesThePartSuffix) {
    for (const char* suffix : {"", "_1_2_1_1"}) {
        RSKGDSTEXT text;
        rskgds_text_init(&text, con);
        ASSERT_EQ(gds_cashflow_view_text(con, object_.get(), suffix, static_cast<int>(std::strlen(suffix)), &text), 0);
        const std::string s(suffix);
        const Lines expected = {"proc sql;\n\tcreate view OUT.ALLCASHFLOW" + s + " as",
                                "select *",
                                "from ALLPRICE" + s + " p, CASHFLOW" + s + " c",
                                "where c.instnumber = p.instnumber AND",
                                "\tp.statenumber = c.statenumber",
                                "order by p.InstNumber, p.StateNumber, CFNumber;",
                                "quit;"};
        EXPECT_EQ(joined(lines_of(text)), joined(expected));
        rskgds_text_free(&text);
    }
}

// Merge texts: every part named once, the analysis members sorted by their whole key, CASHFLOW
// only with cash flows.
TEST_F(ResultViews, MergeTextsNameEveryPart) {
    shape({"P/L curve alone", RSKRES_PLCURVE, 0, 0, 0, 0});
    RSKGDSTEXT text;
    rskgds_text_init(&text, con);
    ASSERT_EQ(gds_analysis_parts_merge_text(con, "OUT     ", "PARTS   ", 2, 0, &text), 0);
    const Lines analysis = {
        "data OUT.allprice_v; merge", "\tPARTS.allprice_1_2_1_1_v", "\tPARTS.allprice_2_2_1_1_v",
        "\t;\tby InstNumber StateNumber", "\t; run;",
        "data OUT.allprice_s; merge", "\tPARTS.allprice_1_2_1_1_s", "\tPARTS.allprice_2_2_1_1_s",
        "\t;\tby StateNumber", "\t; run;",
        "proc sort data=PARTS.allprice_1_2_1_1_a out=work._gdsa1_;", "\tby analysisnumber analysispart name;", "\trun;",
        "proc sort data=PARTS.allprice_2_2_1_1_a out=work._gdsa2_;", "\tby analysisnumber analysispart name;", "\trun;",
        "data OUT.allprice_a; merge", "\twork._gdsa1_", "\twork._gdsa2_",
        "\t;\tby analysisnumber analysispart name;", "\trun;",
        "proc datasets library=work nolist;", "\tdelete _gdsa1_;", "\tdelete _gdsa2_;", "\trun;",
        "data OUT.allprice_p; set", "\tPARTS.allprice_1_2_1_1_p", "\t; run;"};
    EXPECT_EQ(joined(lines_of(text)), joined(analysis));
    rskgds_text_free(&text);

    rskgds_text_init(&text, con);
    ASSERT_EQ(gds_portfolio_parts_merge_text(con, "OUT     ", "PARTS   ", 3, 1, &text), 0);
    const Lines portfolio = {
        "data OUT.allprice_v; merge", "\tPARTS.allprice_1_1_1_3_v", "\tPARTS.allprice_1_1_2_3_v",
        "\tPARTS.allprice_1_1_3_3_v", "\t;\tby InstNumber StateNumber", "\t; run;",
        "data OUT.allprice_s; set", "\tPARTS.allprice_1_1_1_3_s", "\t; run;",
        "data OUT.allprice_a; set", "\tPARTS.allprice_1_1_1_3_a;", "\t;\n\trun;",
        "data OUT.allprice_p; merge", "\tPARTS.allprice_1_1_1_3_p", "\tPARTS.allprice_1_1_2_3_p",
        "\tPARTS.allprice_1_1_3_3_p", "\t;\tby InstNumber", "\t; run;",
        "data OUT.cashflow; merge", "\tPARTS.cashflow_1_1_1_3", "\tPARTS.cashflow_1_1_2_3", "\tPARTS.cashflow_1_1_3_3",
        "\t;\tby InstNumber StateNumber CFNumber", "\t; run;"};
    EXPECT_EQ(joined(lines_of(text)), joined(portfolio));
    rskgds_text_free(&text);

    shape({"sensitivity", RSKRES_SENS, 0, 0, 0, 0});
    rskgds_text_init(&text, con);
    ASSERT_EQ(gds_states_merge_text(con, "OUT     ", "PARTS   ", 3, &text), 0);
    const std::string states = joined(lines_of(text));
    EXPECT_EQ(states.find("data OUT.states_v; merge|\n\tPARTS.states_1_3_v|\n\tPARTS.states_2_3_v|\n"
                          "\tPARTS.states_3_3_v|\n\t;\n\tby StateNumber;|\n\trun;|\n"),
              0u)
        << states;
    EXPECT_NE(states.find("proc sort data=PARTS.states_3_3_a out=work._gdsa3_;|\n"
                          "\tby analysisnumber analysispart name name2;|"),
              std::string::npos);
    EXPECT_NE(states.find("data OUT.states_a; merge|\n\twork._gdsa1_|\n\twork._gdsa2_|\n\twork._gdsa3_|\n"
                          ";\n\tby analysisnumber analysispart name name2;|"),
              std::string::npos)
        << states;
    rskgds_text_free(&text);
}

// A text that runs out of storage is not submitted and says so once.
TEST_F(ResultViews, OutOfStorageStopsTheText) {
    shape({"plain", 0, 0, 0, 0, 0});
    RSKGDSTEXT text;
    rskgds_text_init(&text, con);
    qor_pool_fail_nth(1);
    EXPECT_EQ(gds_states_view_text(con, object_.get(), "STATES", 6, &text), 1);
    qor_pool_fail_nth(0);
    EXPECT_EQ(text.failed, 1);
    EXPECT_EQ(rskgds_submit(con, &text), 1);
    EXPECT_EQ(text.bytes, nullptr);
    EXPECT_NE(log().find("598/2797"), std::string::npos) << log();
}

}  // namespace

namespace {

// Merges and views run by the host over part members the test writes.
class ResultViewsRun : public ResultViews {
protected:
    void SetUp() override {
        ResultViews::SetUp();
        for (const char* lib : {"OUT", "PARTS"}) {
            const std::string dir = test_path(lib);
            std::filesystem::remove_all(dir);
            std::filesystem::create_directories(dir);
            dirs_.push_back(dir);
            ASSERT_EQ(xhlasn2(lib, dir.c_str(), static_cast<int>(dir.size()), "DISK"), 0);
        }
        run()->outputs[RSKOUT_PRICES] = object_.get();
        run()->outputs[RSKOUT_STATES] = object_.get();
        entry_ = RSKPORTENTRY{};
        std::memcpy(entry_.file_ref, "PARTS   ", 8);
        entry_.analysis_parts = 2;
        entry_.portfolio_parts = 1;
    }
    void TearDown() override {
        run()->outputs[RSKOUT_PRICES] = nullptr;
        run()->outputs[RSKOUT_STATES] = nullptr;
        for (const char* lib : {"OUT", "PARTS"}) xhldas2(lib);
        for (const std::string& dir : dirs_) std::filesystem::remove_all(dir);
        ResultViews::TearDown();
    }
    // The numeric columns `names` of every row of a member or view.
    std::vector<std::vector<double>> rows(const char* member, const std::vector<std::string>& names, bool view = false) {
        std::vector<std::vector<double>> out;
        qor_open_request request{};
        std::memcpy(request.libref, "OUT     ", 8);
        request.member.length = static_cast<int16_t>(std::strlen(member));
        std::memcpy(request.member.text, member, std::strlen(member));
        std::memcpy(request.member_type, view ? "DATAVIEW" : "DATASET ", 8);
        request.mode = QOR_OPEN_INPUT;
        qor_dataset* ds = nullptr;
        const int rc = xoopen(&ds, &request);
        EXPECT_EQ(rc, 0) << member << log();
        if (rc != 0) return out;
        std::vector<int> numbers;
        for (const std::string& name : names) {
            int number = 0;
            EXPECT_EQ(xvfind(ds, name.c_str(), static_cast<int>(name.size()), &number, 0), 0) << name;
            numbers.push_back(number);
        }
        qor_obs_request obs{};
        obs.dataset = ds;
        while (xoget(&obs, QOR_GET_NEXT) == 0) {
            std::vector<double> row;
            for (int number : numbers) {
                double value = 0;
                xvget1f(ds, number, &value);
                row.push_back(value);
            }
            out.push_back(row);
        }
        xoclose(ds, 0);
        return out;
    }
    void write_parts() {
        const std::vector<TestColumn> v = {{"InstNumber", false, 8}, {"StateNumber", false, 8}, {"Value", false, 8},
                                           {"FX_Rate", false, 8}};
        const std::vector<TestColumn> s = {{"StateNumber", false, 8}, {"AnalysisNumber", false, 8},
                                           {"AnalysisPart", false, 8}, {"Name", true, 32}, {"Name2", true, 32},
                                           {"_date_", false, 8}};
        const std::vector<TestColumn> a = {{"AnalysisNumber", false, 8}, {"AnalysisName", true, 32},
                                           {"AnalysisPart", false, 8}, {"Name", true, 32}, {"Name2", true, 32}};
        const std::vector<TestColumn> p = {{"InstNumber", false, 8}, {"InstID", true, 8}, {"InstType", true, 8},
                                           {"InstSource", true, 8}, {"Holding", false, 8}, {"ShortPosition", false, 8},
                                           {"ALPosition", false, 8}, {"Currency", true, 3}, {"Collateral", false, 8}};
        const Rows positions = {{"1", "a", "Lin", "book", "2", "0", "1", "USD", "0"},
                                {"2", "b", "Lin", "book", "0.5", "1", "1", "USD", "0"}};
        ASSERT_EQ(write_test_dataset("PARTS", "ALLPRICE_1_2_1_1_V", v,
                                     {{"1", "0", "10", "1"}, {"1", "1", "11", "1"}, {"1", "2", "12", "1"},
                                      {"2", "0", "20", "1"}, {"2", "1", "21", "1"}, {"2", "2", "22", "1"}}),
                  0);
        ASSERT_EQ(write_test_dataset("PARTS", "ALLPRICE_2_2_1_1_V", v,
                                     {{"1", "0", "10", "1"}, {"1", "3", "13", "1"}, {"2", "0", "20", "1"},
                                      {"2", "3", "23", "1"}}),
                  0);
        ASSERT_EQ(write_test_dataset("PARTS", "ALLPRICE_1_2_1_1_S", s,
                                     {{"0", ".", "0", "", "", "100"}, {"1", "1", "0", "x2", "", "100"},
                                      {"2", "1", "0", "x1", "", "100"}}),
                  0);
        ASSERT_EQ(write_test_dataset("PARTS", "ALLPRICE_2_2_1_1_S", s,
                                     {{"0", ".", "0", "", "", "100"}, {"3", "1", "0", "x1", "x2", "100"}}),
                  0);
        // The analysis rows come in generation order: x2 before x1.
        ASSERT_EQ(write_test_dataset("PARTS", "ALLPRICE_1_2_1_1_A", a,
                                     {{".", "BASECASE", "0", "", ""}, {"1", "sens", "0", "x2", ""},
                                      {"1", "sens", "0", "x1", ""}}),
                  0);
        ASSERT_EQ(write_test_dataset("PARTS", "ALLPRICE_2_2_1_1_A", a,
                                     {{".", "BASECASE", "0", "", ""}, {"1", "sens", "0", "x1", "x2"}}),
                  0);
        ASSERT_EQ(write_test_dataset("PARTS", "ALLPRICE_1_2_1_1_P", p, positions), 0);
        ASSERT_EQ(write_test_dataset("PARTS", "ALLPRICE_2_2_1_1_P", p, positions), 0);
    }
    std::vector<std::string> dirs_;
    RSKPORTENTRY entry_{};
};

TEST_F(ResultViewsRun, AnalysisPartsMergeIntoOneRunAndTheViewJoinsThem) {
    shape({"sensitivity", RSKRES_SENS, 0, 0, 0, 0});
    write_parts();
    ASSERT_EQ(merge_allprice_from_analparts(con, &entry_), 0) << log();
    using R = std::vector<std::vector<double>>;
    EXPECT_EQ(rows("ALLPRICE_V", {"InstNumber", "StateNumber", "Value"}),
              (R{{1, 0, 10}, {1, 1, 11}, {1, 2, 12}, {1, 3, 13}, {2, 0, 20}, {2, 1, 21}, {2, 2, 22}, {2, 3, 23}}));
    EXPECT_EQ(rows("ALLPRICE_S", {"StateNumber"}), (R{{0}, {1}, {2}, {3}}));
    EXPECT_EQ(rows("ALLPRICE_P", {"InstNumber"}), (R{{1}, {2}}));
    // The base case once, then every (analysis, part, name, name2) of both parts.
    const R a = rows("ALLPRICE_A", {"AnalysisNumber"});
    ASSERT_EQ(a.size(), 4u);
    EXPECT_TRUE(qor::is_missing(a[0][0]));

    ASSERT_EQ(create_values(con, object_.get(), "ALLPRICE", 8), 0) << log();
    const R view = rows("ALLPRICE", {"InstNumber", "StateNumber", "Value", "ReturnedValue", "NativeValue"}, true);
    // ReturnedValue is the value per unit: 2 units long, and half a unit short.
    EXPECT_EQ(view, (R{{1, 0, 10, 5, 10}, {1, 1, 11, 5.5, 11}, {1, 2, 12, 6, 12}, {1, 3, 13, 6.5, 13},
                       {2, 0, 20, -40, 20}, {2, 1, 21, -42, 21}, {2, 2, 22, -44, 22}, {2, 3, 23, -46, 23}}))
        << log();
}

// A missing part fails the merge: code 1, and the earlier merged member keeps its rows.
TEST_F(ResultViewsRun, AMissingPartFailsTheMergeAndKeepsTheEarlierMember) {
    shape({"plain", 0, 0, 0, 0, 0});
    ASSERT_EQ(write_test_dataset("OUT", "ALLPRICE_V", {{"InstNumber", false, 8}, {"StateNumber", false, 8}},
                                 {{"7", "0"}}),
              0);
    write_parts();
    ASSERT_EQ(xomdel("PARTS", "ALLPRICE_2_2_1_1_V", "DATA"), 0);
    EXPECT_EQ(merge_allprice_from_analparts(con, &entry_), 1);
    EXPECT_EQ(run()->gds.merge_failed, 1);
    EXPECT_EQ(rows("ALLPRICE_V", {"InstNumber"}), (std::vector<std::vector<double>>{{7}}));
}

}  // namespace

namespace {

// States read back through the STATES view: the columns bound to the run's state fields and
// risk factors, rows in state order; a view without _date_ cannot be used.
TEST_F(ResultViewsRun, StatesViewIsReadBackInStateOrder) {
    shape({"P/L curve alone", RSKRES_PLCURVE, 0, 0, 0, 0});
    ASSERT_EQ(write_test_dataset("OUT", "STATES_A",
                                 {{"AnalysisNumber", false, 8}, {"AnalysisName", true, 32}, {"AnalysisPart", false, 8},
                                  {"Name", true, 32}},
                                 {{"1", "pc", "1", "x1"}}),
              0);
    ASSERT_EQ(write_test_dataset("OUT", "STATES_V",
                                 {{"StateNumber", false, 8}, {"AnalysisNumber", false, 8}, {"AnalysisPart", false, 8},
                                  {"x1", false, 8}, {"_date_", false, 8}},
                                 {{"2", "1", "1", "101", "7"}, {"1", "1", "1", "99", "7"}}),
              0);
    ASSERT_EQ(create_states(con, object_.get(), "STATES", 6), 0) << log();
    double x1 = 0;
    give_value(find("x1"), &x1, 0);
    RSKRUNPARMS parms{};
    parms.analysis_parts = 1;
    run()->parms = &parms;
    ASSERT_EQ(rskgdso_ms(con), 0) << log();
    RSKGDSSTATES& s = run()->gds.states;
    std::vector<std::vector<double>> got;
    qor_obs_request obs{};
    obs.dataset = s.handle.dataset;
    while (xoget(&obs, QOR_GET_NEXT) == 0) {
        ASSERT_EQ(xyvget(s.handle.variables, 0), 0);
        got.push_back({s.values[2], x1, s.values[6]});
        EXPECT_EQ(std::string(s.name, 2), "x1");
    }
    EXPECT_EQ(got, (std::vector<std::vector<double>>{{1, 99, 7}, {2, 101, 7}}));
    EXPECT_EQ(rskgdsc(con), 0);

    const char* no_date = "proc sql; create view OUT.STATES as select v.StateNumber, v.AnalysisNumber, "
                          "v.AnalysisPart, a.Name, v.x1 from OUT.STATES_V v, OUT.STATES_A a where v.AnalysisNumber = a.AnalysisNumber; quit;";
    ASSERT_EQ(zsubmitz(no_date, -1, static_cast<RSKSUBMITCTX*>(con->submission_context), 1, 0, nullptr), 0) << log();
    EXPECT_EQ(rskgdso_ms(con), 2);
    EXPECT_NE(log().find("The variable _date_ is not in OUT.STATES"), std::string::npos) << log();
    EXPECT_EQ(s.handle.open, 0);
    run()->parms = nullptr;
    find("x1")->value = nullptr;
}

}  // namespace

namespace {

// Storage running out at any allocation of the states reader (the element tables of an array
// factor among them) gives a non-zero code and leaves nothing open.
TEST_F(ResultViewsRun, StatesReaderOutOfStorageClosesEverything) {
    shape({"plain", 0, 0, 0, 0, 0});
    RSKVARIABLE* curve = nullptr;
    ASSERT_EQ(declare(Declare("curve"), &curve), 0);
    curve->element_count = 3;
    curve->class_flags |= RSKVAROUT_ARRAY;
    double curve_values[3] = {0, 0, 0};
    curve->value = curve_values;
    ASSERT_EQ(write_test_dataset("OUT", "STATES_A",
                                 {{"AnalysisNumber", false, 8}, {"AnalysisName", true, 32}, {"AnalysisPart", false, 8}},
                                 {{"1", "up", "1"}}),
              0);
    ASSERT_EQ(write_test_dataset("OUT", "STATES_V",
                                 {{"StateNumber", false, 8}, {"AnalysisNumber", false, 8}, {"AnalysisPart", false, 8},
                                  {"x1", false, 8}, {"curve_1", false, 8}, {"curve_2", false, 8},
                                  {"curve_3", false, 8}, {"_date_", false, 8}},
                                 {{"1", "1", "1", "100", "0.01", "0.02", "0.03", "7"}}),
              0);
    ASSERT_EQ(create_states(con, object_.get(), "STATES", 6), 0) << log();
    RSKRUNPARMS parms{};
    parms.analysis_parts = 1;
    run()->parms = &parms;
    int rc = 1;
    int failures = 0;
    for (long n = 1; n < 200 && rc != 0; ++n) {
        con->no_memory_reported = 0;
        qor_pool_fail_nth(n);
        rc = rskgdso_ms(con);
        qor_pool_fail_nth(0);
        if (rc != 0) {
            ++failures;
            EXPECT_EQ(run()->gds.states.handle.open, 0) << n;
            EXPECT_EQ(run()->gds.states.array_count, 0) << n;
        }
    }
    ASSERT_EQ(rc, 0) << log();
    EXPECT_GT(failures, 0);
    EXPECT_NE(log().find("loading risk factors from dataset"), std::string::npos);
    qor_obs_request obs{};
    obs.dataset = run()->gds.states.handle.dataset;
    ASSERT_EQ(xoget(&obs, QOR_GET_NEXT), 0);
    ASSERT_EQ(xyvget(run()->gds.states.handle.variables, 0), 0);
    EXPECT_EQ(curve_values[2], 0.03);
    EXPECT_EQ(rskgdsc(con), 0);
    run()->parms = nullptr;
    curve->value = nullptr;
}

}  // namespace
