// Result data sets of a run: the kinds with their member names and labels, the columns each kind
// gets, rows written and read back through the host's data set reader, and the level pass.
#include <cmath>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "engine/analyses/sensitivity.h"
#include "engine/model/analyses/analysis_record.h"
#include "engine/model/options/engine_options.h"
#include "engine/model/submission/code_submission.h"
#include "engine/output/output_object.h"
#include "engine/output/result_kinds.h"
#include "engine/run/analysis_processing.h"
#include "engine/run/run_block.h"
#include "host/dataset.h"
#include "host/files.h"
#include "tests/engine/variables_fixture.h"

namespace {

// One column as the data set reader describes it.
struct Column {
    std::string name, label, format;
    int type = 0, length = 0, width = 0, decimals = 0;
};

std::string trimmed(const char* text, int length) {
    while (length > 0 && text[length - 1] == ' ') --length;
    return std::string(text, static_cast<size_t>(length));
}

class ResultDatasets : public VariableEngine {
protected:
    void SetUp() override {
        VariableEngine::SetUp();
        dir_ = std::filesystem::path(test_path("results"));
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
        const std::string path = dir_.string();
        ASSERT_EQ(xhlasn2("RESTEST", path.c_str(), static_cast<int>(path.size()), "DISK"), 0);
        object_ = std::make_unique<RSKOUTOBJ>();
        std::memcpy(object_->libref, "RESTEST ", 8);
        object_->path = object_->path_buffer;
        std::memcpy(object_->path_buffer, path.data(), path.size());
        object_->path_length = static_cast<int16_t>(path.size());
        if (con->run_pool == nullptr) {
            con->run_pool = con->general_pool;
            borrowed_pool_ = true;
        }
        r()->row = RSKROWVALUES{};
        std::memcpy(r()->base_currency, "USD", 3);
        std::memcpy(r()->total_label, "Total           ", 16);
    }
    void TearDown() override {
        for (int kind = 1; kind <= kRskResKindMax; ++kind) {
            RSKRESDS& d = r()->descriptors[kind];
            if (d.definition != nullptr) xvputt(d.definition);
            if (d.dataset != nullptr) xoclose(d.dataset, 0);
            for (value_set*& set : d.levels)
                if (set != nullptr) zvterm(set);
        }
        std::memset(static_cast<void*>(r()), 0, sizeof(RSKRUNRESULTS));
        if (borrowed_pool_) con->run_pool = nullptr;
        xhldas2("RESTEST");
        std::filesystem::remove_all(dir_);
        VariableEngine::TearDown();
    }

    RSKRUNRESULTS* r() { return rskres_run(con); }
    RSKOPTREC* options() { return &con->options->current; }

    // Opens a kind; the descriptor or null.
    RSKRESDS* open(int kind, int* rc_out = nullptr) {
        RSKRESDS* d = nullptr;
        const int rc = rskputd(con, &d, object_.get(), kind);
        if (rc_out != nullptr) *rc_out = rc;
        return d;
    }
    // Closes the data set of a descriptor so that it can be read.
    void close(RSKRESDS* d) {
        xvputt(d->definition);
        d->definition = nullptr;
        ASSERT_EQ(xoclose(d->dataset, 0), 0);
        d->dataset = nullptr;
        d->open = 0;
    }
    qor_dataset* read(const char* member) {
        qor_open_request request{};
        std::memcpy(request.libref, "RESTEST ", 8);
        request.member.length = static_cast<int16_t>(std::strlen(member));
        std::memcpy(request.member.text, member, std::strlen(member));
        request.mode = QOR_OPEN_INPUT;
        qor_dataset* ds = nullptr;
        EXPECT_EQ(xoopen(&ds, &request), 0) << member;
        return ds;
    }
    std::vector<Column> columns(const char* member) {
        std::vector<Column> out;
        qor_dataset* ds = read(member);
        if (ds == nullptr) return out;
        int32_t count = 0;
        xoinfo(ds, QOR_INFO_VARIABLES, &count);
        for (int i = 1; i <= count; ++i) {
            qor_var_desc desc{};
            xvname(ds, i, &desc);
            out.push_back({desc.name, desc.label, desc.format, desc.type, desc.length,
                           desc.format_width, desc.format_decimals});
        }
        xoclose(ds, 0);
        return out;
    }
    static std::string names(const std::vector<Column>& cols) {
        std::string text;
        for (const Column& c : cols) text += c.name + " ";
        return text;
    }
    static const Column* column_named(const std::vector<Column>& cols, const std::string& name) {
        for (const Column& c : cols)
            if (c.name == name) return &c;
        return nullptr;
    }
    bool member_exists(const char* member) {
        return xdfxst2("RESTEST", member, static_cast<int>(std::strlen(member)), "DATA") == 0;
    }

    std::filesystem::path dir_;
    std::unique_ptr<RSKOUTOBJ> object_;
    bool borrowed_pool_ = false;
};

// The kinds of the result table: member name, label message and whether a data set is made.
TEST_F(ResultDatasets, KindTableNamesLabelsAndDestinations) {
    struct Row { int kind; const char* member; int label; int destination; };
    const Row rows[] = {
        {1, "INSTVALS", 5101, 1}, {2, "MKTRATES", 5102, 1}, {3, "COMBINE", 5103, -1},
        {4, "SUMMARY", 5104, -1}, {5, "SENS", 5105, -1}, {6, "SENS2", 5111, -1},
        {7, "PLCURVE", 5107, -1}, {8, "PLSURF", 5108, -1}, {9, "SCEN", 5106, -1},
        {10, "DVAR", 5112, -1}, {11, "INSTCFS", 5113, 1}, {12, "PARTIALDUR", 5114, -1},
        {21, "SIMSTAT", 5121, -1}, {22, "SIMDENS", 5122, -1}, {23, "SIMRFIM", 5123, -1},
        {24, "SIMRFS", 5127, -1}, {25, "SIMSTATE", 5124, 1}, {26, "SIMVALUE", 5125, 1},
        {27, "SIMREPS", 5126, 2}, {31, "OPTSUM", 5136, 1}, {32, "OPTVALUE", 5137, 1},
        {33, "OPTRESLT", 5138, 2}, {90, "ERRORS", 5100, 1}, {91, "MKTSTATE", 5191, 1},
        {92, "ALLPRICE", 5192, 2}, {93, "SHOCKS", 5193, 1}, {94, "MODCOV", 5194, 3},
        {95, "ALLCASHFLOW", 5195, 2}, {96, "CASHFLOW", 5195, 1}, {97, "ALGAPS", 5115, 1},
        {101, "STATES_A", 5181, 1}, {102, "STATES_V", 5182, 1}, {103, "STATES", 5180, 2},
        {111, "ALLPRICE_A", 5187, 1}, {112, "ALLPRICE_S", 5188, 1}, {114, "ALLPRICE_P", 5185, 1},
        {115, "ALLPRICE_V", 5186, 1}, {116, "VALUES", 5183, 1},
    };
    int defined = 0;
    for (int kind = 0; kind <= kRskResKindMax + 1; ++kind) defined += rskres_label_number(kind) != 0;
    EXPECT_EQ(defined, 38);
    RSKOPTREC on = *options(), off = *options();
    on.datasets = 1;
    off.datasets = 0;
    for (const Row& row : rows) {
        char member[40];
        ASSERT_EQ(rskres_member_name(r(), row.kind, member, sizeof member), 0) << row.kind;
        EXPECT_STREQ(member, row.member);
        EXPECT_EQ(rskres_label_number(row.kind), row.label) << row.kind;
        const int expect_on = row.destination == -1 ? 1 : row.destination;
        const int expect_off = row.destination == -1 ? 0 : row.destination;
        EXPECT_EQ(rskres_destination(&on, row.kind), expect_on) << row.kind;
        EXPECT_EQ(rskres_destination(&off, row.kind), expect_off) << row.kind;
    }
    // Codes between the table's rows are unknown, to rskputd as to the table.
    for (int kind : {0, 13, 20, 28, 34, 89, 98, 104, 113, 117}) {
        int rc = 0;
        EXPECT_EQ(open(kind, &rc), nullptr);
        EXPECT_EQ(rc, 1) << kind;
    }
    EXPECT_NE(log().find("rskputd: unknown output data set type 113"), std::string::npos);
}

TEST_F(ResultDatasets, PartNumbersAndModelCovarianceCounter) {
    RSKRUNPARTS parts{1, 2, 1, 1};
    r()->parts = &parts;
    char member[40];
    rskres_member_name(r(), 1, member, sizeof member);
    EXPECT_STREQ(member, "INSTVALS_1_2_1_1");
    rskres_member_name(r(), 24, member, sizeof member);
    EXPECT_STREQ(member, "SIMRFS_1_2");
    rskres_member_name(r(), 101, member, sizeof member);
    EXPECT_STREQ(member, "STATES_1_2_A");
    parts = {1, 1, 2, 3};
    rskres_member_name(r(), 1, member, sizeof member);
    EXPECT_STREQ(member, "INSTVALS_1_1_2_3");
    rskres_member_name(r(), 24, member, sizeof member);
    EXPECT_STREQ(member, "SIMRFS");
    r()->parts = nullptr;
    // The counter form carries no trailing blank: MODCOV5 is a name of seven characters.
    const std::pair<int, const char*> counters[] = {{0, "MODCOV"}, {1, "MODCOV"}, {5, "MODCOV5"}, {12, "MODCOV12"}};
    for (const auto& [counter, name] : counters) {
        r()->modcov_counter = static_cast<uint16_t>(counter);
        rskres_member_name(r(), 94, member, sizeof member);
        EXPECT_STREQ(member, name);
    }
}

// SUMMARY of a simulation run with the VaR request: the columns in their order, the currency in
// amount labels, and a second rskputd answering the same descriptor without defining anything.
TEST_F(ResultDatasets, SummaryColumnsInOrderAndReopenReturnsSameDescriptor) {
    r()->simulation = 1;
    r()->descriptors[4].requested = 1;
    r()->descriptors[4].request_var = 1;
    r()->descriptors[4].request_exposure = 1;
    options()->datasets = 1;
    options()->mddbs = 0;
    int rc = -1;
    RSKRESDS* d = open(4, &rc);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(rc, 0) << log();
    const int count = d->variable_count;
    EXPECT_EQ(open(4), d);
    EXPECT_EQ(d->variable_count, count);
    close(d);
    const auto cols = columns("SUMMARY");
    EXPECT_EQ(names(cols),
              "NInst NMissing BaseDate MtM Exposure ExpNoNet Collateral VaR VaRPct VaR_L VaR_U "
              "VaRPct_L VaRPct_U ");
    ASSERT_NE(column_named(cols, "MtM"), nullptr);
    EXPECT_EQ(column_named(cols, "MtM")->label, "Mark-to-Market Value (USD)");
    EXPECT_EQ(column_named(cols, "VaRPct")->label, "Value at Risk Percent");
    EXPECT_EQ(column_named(cols, "MtM")->format, "COMMA");
    EXPECT_EQ(column_named(cols, "MtM")->width, 16);
    EXPECT_EQ(column_named(cols, "NInst")->format, "F");
    // The file list names the data set once.
    EXPECT_EQ(object_->file_count, 1);
}

TEST_F(ResultDatasets, DetailedSimulationStatisticsCarryPercentileColumnsAfterMax) {
    options()->detailed = 1;
    options()->datasets = 1;
    RSKRESDS* d = open(21);
    ASSERT_NE(d, nullptr) << log();
    close(d);
    const auto cols = columns("SIMSTAT");
    const std::string all = names(cols);
    const std::string expected =
        "Max P_005 P_01 P_025 P_05 P_10 P_20 P_25 P_30 P_40 P_50 P_60 P_70 P_75 P_80 P_90 P_95 "
        "P_975 P_99 P_995 ";
    EXPECT_NE(all.find(expected), std::string::npos) << all;
    EXPECT_EQ(all.substr(all.size() - expected.size()), expected);
    EXPECT_EQ(column_named(cols, "P_975")->label, "Quantile at 97.5 Percent (USD)");
    EXPECT_NE(all.find("AnalysisName"), std::string::npos);   // DETAILED brings it
}

// FORMATS overrides a column's format whatever the case it is written in; other columns keep theirs.
TEST_F(ResultDatasets, FormatsOptionOverridesNamedColumnsOnly) {
    const char* text = "npl=F3.1, pl=f8.2;Value=BEST9.";
    ASSERT_EQ(rskopts(con, 248, options(), 0, 0, text, -1), 0) << log();
    options()->datasets = 1;
    RSKRESDS* d = open(9);
    ASSERT_NE(d, nullptr) << log();
    close(d);
    const auto cols = columns("SCEN");
    ASSERT_NE(column_named(cols, "PL"), nullptr) << names(cols);
    EXPECT_EQ(column_named(cols, "PL")->format, "F");
    EXPECT_EQ(column_named(cols, "PL")->width, 8);
    EXPECT_EQ(column_named(cols, "PL")->decimals, 2);
    EXPECT_EQ(column_named(cols, "Value")->format, "BEST");
    EXPECT_EQ(column_named(cols, "PLPct")->format, "COMMA");   // "PL=" does not reach PLPct
}

// A column named after a variable is defined once, in the first group that brings it.
TEST_F(ResultDatasets, VariableBroughtByTwoGroupsIsDefinedOnce) {
    RSKRESDS* d = &r()->descriptors[90];
    d->kind = 90;
    d->destination = RSKDEST_DATASET;
    const char* member = "TWOGROUPS";
    d->member.name = {32, 9, d->member.buffer};
    std::memcpy(d->member.buffer, member, 9);
    d->output_object = object_.get();
    qor_open_request request{};
    std::memcpy(request.libref, "RESTEST ", 8);
    request.member.length = 9;
    std::memcpy(request.member.text, member, 9);
    request.mode = QOR_OPEN_OUTPUT;
    ASSERT_EQ(xoopen(&d->dataset, &request), 0);
    RSKVARSWITCH sw{};
    sw.position = 1;
    sw.collateral_value = 1;
    sw.exposure = 1;
    EXPECT_EQ(define_variables(con, d, &sw), 0) << log();
    close(d);
    const auto cols = columns("TWOGROUPS");
    EXPECT_EQ(names(cols), "Holding ShortPosition ALPosition Currency Collateral Exposure ");
    EXPECT_EQ(column_named(cols, "Collateral")->format, "F");   // the position group's, not the value format
}

TEST_F(ResultDatasets, PercentDropsTheSignOfTheBase) {
    const double m = qor::missing();
    struct Case { double a, b, expected; };
    const Case cases[] = {
        {-5, -10, -50}, {5, -10, 50}, {3, 4, 75}, {1, 0, m}, {m, 2, m}, {2, m, m},
        {1e160, 0.5, m},            // would overflow
        {1e150, 0.5, 2e152},        // just inside
    };
    for (const Case& c : cases) {
        const double got = percent(c.a, c.b);
        if (qor::is_missing(c.expected))
            EXPECT_TRUE(qor::is_missing(got)) << c.a << " " << c.b;
        else
            EXPECT_DOUBLE_EQ(got, c.expected) << c.a << " " << c.b;
    }
}

// Rows of a P/L curve data set written through rskput and read back: result names, dates,
// percentages; a suppressed or closed descriptor writes nothing.
TEST_F(ResultDatasets, CurveRowsReadBack) {
    options()->datasets = 1;
    options()->detailed = 1;
    r()->longest_analysis_name = 5;
    RSKRESDS* d = open(7);
    ASSERT_NE(d, nullptr) << log();
    RSKANALYSIS analysis{};
    rskname(con, &analysis.name, "Shock", 5);
    analysis.kind = RSKANL_SCENARIO;
    RSKANLPROC proc{};
    proc.analysis = &analysis;
    proc.label = 5106;
    RSKROWCONTEXT& x = r()->context;
    x.analysis = &proc;
    x.analysis_number = 2;
    x.analysis_part = 1;
    x.analysis_parts = 1;
    x.datetime = 1;
    x.valuation_date = 1.5;
    RSKROWVALUES& w = r()->row;
    w.simulation_case = qor::missing();
    w.mtm = -10;
    w.pl = -5;
    w.value = 95;
    d->result_number = 7;
    ASSERT_EQ(rskput(con, d), 0);
    d->result_number = 0;            // keeps ResultNumber, blanks ResultName
    w.pl = 4;
    ASSERT_EQ(rskput(con, d), 0);
    d->suppress = 1;
    ASSERT_EQ(rskput(con, d), 0);
    d->suppress = 0;
    EXPECT_EQ(d->rows, 2);
    close(d);
    EXPECT_EQ(rskput(con, d), 0);    // closed: nothing
    EXPECT_EQ(d->rows, 2);

    qor_dataset* ds = read("PLCURVE");
    ASSERT_NE(ds, nullptr);
    auto num = [&](const char* name) {
        int number = 0;
        xvfind(ds, name, -1, &number, 0);
        double v = 0;
        xvget1f(ds, number, &v);
        return v;
    };
    auto text = [&](const char* name) {
        int number = 0;
        xvfind(ds, name, -1, &number, 0);
        char buffer[300] = {};
        int length = 0;
        xvget1c(ds, number, buffer, 256, &length);
        return std::string(buffer, static_cast<size_t>(length));
    };
    qor_obs_request request{};
    request.dataset = ds;
    ASSERT_EQ(xoget(&request, QOR_GET_NEXT), 0);
    EXPECT_EQ(text("ResultName"), "  7. Shock");
    EXPECT_EQ(num("ResultNumber"), 7);
    EXPECT_EQ(num("AnalysisNumber"), 2);
    EXPECT_EQ(text("AnalysisName"), "Shock");
    EXPECT_EQ(num("EvalDate"), 1);
    EXPECT_EQ(num("PLPct"), -50);    // a loss against a negative base stays negative
    ASSERT_EQ(xoget(&request, QOR_GET_NEXT), 0);
    EXPECT_EQ(text("ResultName"), "");
    EXPECT_EQ(num("ResultNumber"), 7);
    EXPECT_EQ(num("PLPct"), 40);
    EXPECT_EQ(xoget(&request, QOR_GET_NEXT), QOR_DS_END_OF_DATA);
    xoclose(ds, 0);
}

TEST_F(ResultDatasets, DateTimeValuationAndResultNameForms) {
    r()->context.datetime = 1;
    r()->context.valuation_date = 1.5;
    RSKRESDS d{};
    d.kind = 4;
    d.open = 1;
    ASSERT_EQ(rskput(con, &d), 0);
    EXPECT_EQ(r()->row.eval_date, 1);
    EXPECT_EQ(r()->row.datetime, 129600);

    RSKROWVALUES& w = r()->row;
    std::memset(w.analysis_name, ' ', 32);
    std::memcpy(w.analysis_name, "HistSim", 7);
    std::memset(w.simulation_part, ' ', 32);
    std::memcpy(w.simulation_part, "PL", 2);
    d.result_number = 3;
    struct Case { double sim_case, sim_time; int parts; const char* expected; };
    const double m = qor::missing();
    const Case cases[] = {
        {m, 0, 1, "  3. HistSim"},
        {m, 0, 4, "  3. HistSim 4"},
        {0, 2, 1, "  3. HistSim: 2. PL"},
        {0, m, 1, "  3. HistSim: -1. PL"},
        {2, 5, 1, "  3. HistSim: (2) 5. PL"},
    };
    for (const Case& c : cases) {
        w.simulation_case = c.sim_case;
        w.simulation_time = c.sim_time;
        r()->context.analysis_parts = c.parts;
        rskputr(con, &d);
        EXPECT_EQ(trimmed(w.result_name, 256), c.expected);
    }
}

// A market state row gives VALUES then CHANGES against the base case, and puts the values back.
TEST_F(ResultDatasets, MarketStateWritesValuesThenChangesAndRestores) {
    ASSERT_EQ(declare(Declare("RATE")), 0) << log();
    ASSERT_EQ(declare(Declare("SPOT")), 0) << log();
    ASSERT_EQ(declare(Declare("FLAT")), 0) << log();
    RSKVARIABLE* rate = find("RATE");
    RSKVARIABLE* spot = find("SPOT");
    RSKVARIABLE* flat = find("FLAT");
    double values[3] = {0.05, qor::missing(), 7};
    double bases[3] = {0.04, 100, 7};
    RSKVARIABLE* vars[3] = {rate, spot, flat};
    // Only these three factors carry values in this run.
    for (RSKVARIABLE* v = con->variables_head; v != nullptr; v = v->next)
        if (v->kind == 2 || v->kind == 9) v->value = nullptr;
    for (int i = 0; i < 3; ++i) {
        vars[i]->value = &values[i];
        vars[i]->base_value = &bases[i];
        vars[i]->data_type = 1;
    }
    options()->datasets = 1;
    RSKRESDS* d = open(91);
    ASSERT_NE(d, nullptr) << log();
    RSKSTATEDESC state{};
    state.index = 4;
    state.coordinate1 = state.coordinate2 = state.coordinate3 = -1;
    r()->context.state = &state;
    ASSERT_EQ(rskput(con, d), 0);
    EXPECT_EQ(d->rows, 1);           // one call, one count, two observations
    EXPECT_EQ(values[0], 0.05);
    EXPECT_TRUE(qor::is_missing(values[1]));
    EXPECT_EQ(values[2], 7);
    for (int i = 0; i < 3; ++i) vars[i]->value = nullptr;
    close(d);

    qor_dataset* ds = read("MKTSTATE");
    ASSERT_NE(ds, nullptr);
    int n_rate = 0, n_spot = 0, n_flat = 0, n_state = 0;
    xvfind(ds, "RATE", -1, &n_rate, 0);
    xvfind(ds, "SPOT", -1, &n_spot, 0);
    xvfind(ds, "FLAT", -1, &n_flat, 0);
    xvfind(ds, "StateNumber", -1, &n_state, 0);
    ASSERT_GT(n_rate * n_spot * n_flat * n_state, 0);
    qor_obs_request request{};
    request.dataset = ds;
    double v = 0;
    ASSERT_EQ(xoget(&request, QOR_GET_NEXT), 0);
    xvget1f(ds, n_rate, &v);
    EXPECT_EQ(v, 0.05);
    xvget1f(ds, n_state, &v);
    EXPECT_EQ(v, 5);
    ASSERT_EQ(xoget(&request, QOR_GET_NEXT), 0);
    xvget1f(ds, n_rate, &v);
    EXPECT_NEAR(v, 0.01, 1e-15);
    xvget1f(ds, n_spot, &v);
    EXPECT_TRUE(qor::is_missing(v));
    xvget1f(ds, n_flat, &v);
    EXPECT_EQ(qor::missing_code(v), 'N');
    EXPECT_EQ(xoget(&request, QOR_GET_NEXT), QOR_DS_END_OF_DATA);
    xoclose(ds, 0);
}

TEST_F(ResultDatasets, UnhandledKindReturnsOneAndStopsPrintingAfterTen) {
    RSKRESDS d{};
    d.kind = 50;
    d.open = 1;
    for (int i = 0; i < 11; ++i) EXPECT_EQ(rskput(con, &d), 1);
    EXPECT_EQ(count_of(log(), "rskput: unknown output data set type 50"), 10);
    EXPECT_EQ(r()->diagnostics, 11);
}

// The level pass: what each analysis contributes to the class levels of a database.
TEST_F(ResultDatasets, LevelPassCollectsDistinctClassValues) {
    RSKANALYSIS mtm{}, peq1{}, peq2{}, sens{};
    rskname(con, &mtm.name, "Base", 4);
    rskname(con, &peq1.name, "Equiv", 5);
    rskname(con, &peq2.name, "Equiv", 5);
    rskname(con, &sens.name, "Delta", 5);
    mtm.kind = RSKANL_MTM;
    peq1.kind = peq2.kind = RSKANL_POSEQ;
    sens.kind = RSKANL_SENSITIVITY;
    RSKANLPROC p_mtm{}, p_peq1{}, p_peq2{}, p_sens{};
    p_mtm.analysis = &mtm;
    p_peq1.analysis = &peq1;
    p_peq2.analysis = &peq2;
    p_sens.analysis = &sens;
    RSKSENSWORK sens_work{};   // a sensitivity without factors: its COMBINE levels are DELTA and GAMMA
    p_sens.work = &sens_work;
    RSKVARSWITCH sw{};
    sw.analysis_name = 1;

    // A mark-to-market run: SUMMARY holds only the level of the whole run.
    r()->analyses = &p_mtm;
    RSKRESDS summary{};
    summary.kind = 4;
    ASSERT_EQ(get_levels(con, &summary, &sw), 0);
    ASSERT_NE(summary.levels[RSKLEVEL_ANALYSIS_NAME], nullptr);
    EXPECT_EQ(zvcount(summary.levels[RSKLEVEL_ANALYSIS_NAME]), 1);
    EXPECT_EQ(zvseqno(summary.levels[RSKLEVEL_ANALYSIS_NAME], "Analysis Summary                "), 0);
    EXPECT_EQ(summary.level_pass, 0);

    // Two position-equivalent analyses of one name give one level and the sensitivity another;
    // a sensitivity adds none to a P/L curve; in COMBINE each position-equivalent row raises the
    // counter.
    p_mtm.next = &p_peq1;
    p_peq1.next = &p_peq2;
    p_peq2.next = &p_sens;
    RSKRESDS combine{};
    combine.kind = 3;
    ASSERT_EQ(get_levels(con, &combine, &sw), 0);
    EXPECT_EQ(zvcount(combine.levels[RSKLEVEL_ANALYSIS_NAME]), 2);
    RSKRESDS curve{};
    curve.kind = 7;
    ASSERT_EQ(get_levels(con, &curve, &sw), 0);
    EXPECT_EQ(zvcount(curve.levels[RSKLEVEL_ANALYSIS_NAME]), 0);
    r()->analyses = &p_peq1;
    p_peq1.next = nullptr;
    RSKRESDS one{};
    one.kind = 3;
    ASSERT_EQ(init_levels(con, &one, &sw), 0);
    ASSERT_EQ(process_analysis(con, &one, &p_peq1, nullptr), 0);
    EXPECT_EQ(one.level_pass, 1);
    for (RSKRESDS* d : {&summary, &combine, &curve, &one})
        for (value_set*& set : d->levels)
            if (set != nullptr) zvterm(set);
    r()->analyses = nullptr;
}

// DATASETS off with MDDBS on: SUMMARY makes no data set (its database cannot be written in this
// build, 598/2512), INSTVALS still makes its data set; an empty kind leaves nothing behind.
TEST_F(ResultDatasets, DatasetsOffLeavesOnlyTheAlwaysWrittenKinds) {
    options()->datasets = 0;
    options()->mddbs = 1;
    RSKRESDS* summary = open(4);
    ASSERT_NE(summary, nullptr) << log();
    EXPECT_EQ(summary->dataset, nullptr);
    EXPECT_EQ(summary->database, 0);
    EXPECT_NE(log().find("2512"), std::string::npos);
    RSKRESDS* inst = open(1);
    ASSERT_NE(inst, nullptr) << log();
    EXPECT_NE(inst->dataset, nullptr);
    close(inst);
    const auto cols = columns("INSTVALS");
    EXPECT_EQ(cols.front().name, "InstNumber");
    EXPECT_EQ(column_named(cols, "_Total_")->length, 8);   // MDDBS brings _Total_ into INSTVALS
    EXPECT_FALSE(member_exists("SUMMARY"));
}

// The total marker of class columns survives into PROC PRINT and into a raw export.
TEST_F(ResultDatasets, TotalMarkerReachesPrintAndRawExport) {
    ASSERT_EQ(declare(Declare("DESKNO", RSKVKIND_INSTRUMENT)), 0) << log();
    RSKVARIABLE* desk = find("DESKNO");
    double desk_value = 0;
    RSKCLASSVAR cv{desk, &desk_value, 8};
    r()->class_vars = &cv;
    r()->class_var_count = 1;
    r()->has_crossing = 1;
    options()->datasets = 1;
    options()->mddbs = 0;
    RSKRESDS* d = open(4);
    ASSERT_NE(d, nullptr) << log();
    RSKROWVALUES& w = r()->row;
    const double rows[][3] = {{7, 2, 10.25}, {qor::make_missing('_'), 3, 12.5}};
    for (const auto& row : rows) {
        desk_value = row[0];
        w.ninst = row[1];
        w.mtm = row[2];
        ASSERT_EQ(rskput(con, d), 0);
    }
    close(d);
    r()->class_vars = nullptr;
    r()->class_var_count = 0;

    const std::string csv = (dir_ / "summary.csv").string();
    const std::string code = "proc print data=RESTEST.summary; run;\n"
                             "proc export data=RESTEST.summary outfile=\"" + csv + "\" replace raw; run;\n";
    ASSERT_EQ(zsubmitz(code.c_str(), -1, static_cast<RSKSUBMITCTX*>(con->submission_context), 1, 0, nullptr), 0)
        << log();
    std::ifstream in(csv);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_EQ(text.str().substr(0, text.str().find('\n')), "DESKNO,NInst,NMissing,BaseDate,MtM");
    EXPECT_NE(text.str().find("\n._,3,"), std::string::npos) << text.str();
    EXPECT_NE(text.str().find(",12.5"), std::string::npos);
    EXPECT_NE(listing().find("_"), std::string::npos);
}

}  // namespace

namespace {

// The file entry of a new data set cannot be had: 598/2797 once, result 1, and the data set
// abandoned, so no member is left and the object lists nothing.
TEST_F(ResultDatasets, OutOfMemoryForTheFileEntryLeavesNoMember) {
    options()->datasets = 1;
    options()->mddbs = 0;
    // One opening first, so that the name look-ups of the columns have their buffers.
    RSKRESDS* warm = open(4);
    ASSERT_NE(warm, nullptr);
    close(warm);
    xomdel("RESTEST", "SUMMARY", "DATA");
    std::memset(static_cast<void*>(&r()->descriptors[4]), 0, sizeof(RSKRESDS));
    con->free_lists->output_files = nullptr;
    object_->files_head = object_->files_tail = nullptr;
    object_->file_count = 0;
    con->no_memory_reported = 0;
    const std::string before = log();
    qor_pool_fail_nth(1);
    int rc = 0;
    RSKRESDS* d = open(4, &rc);
    EXPECT_EQ(qor_pool_fail_nth(0), 0);   // the failure fired
    const std::string added = log().substr(before.size());
    EXPECT_EQ(rc, 1);
    EXPECT_EQ(d, nullptr);
    EXPECT_EQ(count_of(added, "598/2797"), 1) << added;
    EXPECT_EQ(object_->file_count, 0);
    EXPECT_EQ(r()->descriptors[4].dataset, nullptr);
    EXPECT_FALSE(member_exists("SUMMARY"));
    // The next opening has memory again and succeeds.
    EXPECT_NE(open(4), nullptr);
}

}  // namespace
