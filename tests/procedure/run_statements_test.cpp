// The project, report, time grid and run statements through the dispatcher over a started
// engine: what each stores, what the run driver is handed (a stand-in in its slot records it),
// and each refusal with its message.
#include <cstring>
#include <string>
#include <vector>

#include "engine/model/analyses/analyses.h"
#include "engine/model/projects/projects.h"
#include "engine/run/project_run.h"
#include "procedure/run_partitions.h"
#include "procedure/run_statements.h"
#include "tests/procedure/run_statements_fixture.h"

namespace {

// What the run driver stand-in was handed, copied while the call lasts.
struct DriverCall {
    int calls = 0;
    bool options_given = false;
    double alpha = 0;
    std::string currency;
    double date = 0;
    RSKRUNPARMS parms{};
    std::vector<RSKPORTENTRY> entries;
    std::vector<std::string> market_data;
};
DriverCall& driver() {
    static DriverCall call;
    return call;
}
int driver_answer = 0;

int driver_double(RSKCON*, RSKCATOBJ*, double date, const char* currency, const RSKNAMEREC*, const RSKNAMEREC*,
                  RSKOPTREC* options, RSKNAMELIST* market_data, const int32_t*, const RSKNAMEREC*, RSKRUNPARMS* parms,
                  const char*) {
    DriverCall& call = driver();
    ++call.calls;
    call.options_given = options != nullptr;
    call.alpha = options != nullptr ? options->alpha : 0;
    call.currency = currency != nullptr ? currency : "";
    call.date = date;
    call.parms = *parms;
    call.entries.assign(parms->entries, parms->entries + parms->entry_count);
    call.market_data.clear();
    for (const RSKNAMECELL* c = market_data != nullptr ? market_data->head : nullptr; c != nullptr; c = c->next)
        call.market_data.emplace_back(c->name.name.text, c->name.name.length);
    return driver_answer;
}

// The include and submission services, recorded.
std::vector<std::string> included;
int include_answer = 0;
int include_double(RSKCON*, const char* name, int length) {
    included.emplace_back(name, static_cast<size_t>(length));
    return include_answer;
}
struct Submission {
    std::string text;
    int run;
};
std::vector<Submission> submitted;
int submit_answer = 0;
int submit_double(const char* text, int, void*, int run, int, int) {
    submitted.push_back({text, run});
    return run != 0 ? submit_answer : 0;
}

RSKNAMEREC key(const char* text) {
    return RSKNAMEREC{0, static_cast<uint16_t>(std::strlen(text)), const_cast<char*>(text)};
}

class RunStatements : public RunStatementsTest {
protected:
    void SetUp() override {
        RunStatementsTest::SetUp();
        driver() = DriverCall{};
        driver_answer = 0;
        // The driver's slot has no slot type yet: it is saved and replaced by hand.
        saved_.emplace_back(static_cast<int>(EngineSlot::rskrun), slots_[static_cast<int>(EngineSlot::rskrun)]);
    }
    void use_driver_double() {
        slots_[static_cast<int>(EngineSlot::rskrun)] = reinterpret_cast<void*>(&driver_double);
    }
    RSKPROJECT* project(const char* name) {
        RSKNAMEREC n = key(name);
        RSKCATOBJ* object = engine_routine<EngineSlot::rskprj>()(con_, &n);
        return object != nullptr ? static_cast<RSKPROJECT*>(object->object) : nullptr;
    }
    static std::vector<std::string> names(const RSKNAMELIST& list) {
        std::vector<std::string> out;
        for (const RSKNAMECELL* c = list.head; c != nullptr; c = c->next)
            out.emplace_back(c->name.name.text, c->name.name.length);
        return out;
    }
};

// RUNQORFILE's file names: a path keeps ".qor" in any case and gets it otherwise; a file
// reference is used as written; a file that cannot be included is reported and fails.
TEST_F(RunStatements, RunqorfileNamesTheFileItIncludes) {
    included.clear();
    include_answer = 0;
    put<EngineSlot::rsksfde>(&include_double);
    EXPECT_EQ(run("RUNQORFILE 'a.QoR'; RUNQORFILE 'abc'; RUNQORFILE '.qor'; RUNQORFILE 'b.sas'; RUNQORFILE myref;"),
              (std::vector<int>{0, 0, 0, 0, 0}));
    EXPECT_EQ(included, (std::vector<std::string>{"a.QoR", "abc.qor", ".qor.qor", "b.sas.qor", "myref"}));
    include_answer = 3;
    EXPECT_EQ(run1("RUNQORFILE 'gone';"), 3);
    EXPECT_TRUE(logged("670/1093")) << log_;
    EXPECT_TRUE(logged("gone.qor")) << log_;
}

// SUBMIT queues each text, then runs them with the closing text; the run's code is the result.
TEST_F(RunStatements, SubmitQueuesThenRunsAndAnswersTheRunsCode) {
    submitted.clear();
    put<EngineSlot::zsubmit>(&submit_double);
    submit_answer = 0;
    EXPECT_EQ(run1("SUBMIT 'data a; x=1;' \"run;\";"), 0);
    ASSERT_EQ(submitted.size(), 3u);
    EXPECT_EQ(submitted[0].text, "data a; x=1;");
    EXPECT_EQ(submitted[0].run, 0);
    EXPECT_EQ(submitted[1].text, "run;");
    EXPECT_EQ(submitted[1].run, 0);
    EXPECT_NE(submitted[2].text.find("run;"), std::string::npos) << submitted[2].text;
    EXPECT_EQ(submitted[2].run, 1);
    submit_answer = 2;
    EXPECT_EQ(run1("SUBMIT 'data;set nothere;run;';"), 2);
    EXPECT_EQ(con_->error, 1u);
}

// PROJECT keeps what exists: a missing analysis is reported and left out, the rest is stored.
TEST_F(RunStatements, ProjectLeavesOutAMissingAnalysis) {
    ASSERT_EQ(run("MTM base; CUREXPOSURE now;"), (std::vector<int>{0, 0})) << log_;
    const int before = stores();
    EXPECT_EQ(run1("PROJECT p1 ANALYSIS=(base nope now) RUNDATE='15MAR2021'd NUMERAIRE=usd OUT=res ALPHA=0.05;"), 0)
        << log_;
    EXPECT_TRUE(logged("670/1145")) << log_;
    EXPECT_TRUE(logged("nope")) << log_;
    EXPECT_EQ(stores(), before + 1);
    RSKPROJECT* p = project("p1");
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(names(p->analyses), (std::vector<std::string>{"base", "now"}));
    EXPECT_EQ(p->default_date, 22354);          // 15 March 2021, days from 1 January 1960
    EXPECT_STREQ(p->numeraire, "USD");
    EXPECT_DOUBLE_EQ(p->options.alpha, 0.05);
    EXPECT_EQ(std::string(p->output.name.text, p->output.name.length), "res");
}

// RUNPROJECT runs a copy of the project's options with the statement's applied: the stored
// project is unchanged, and a run without options gets none (the driver takes the project's).
TEST_F(RunStatements, RunprojectOptionsApplyToTheRunOnly) {
    use_driver_double();
    ASSERT_EQ(run("MTM base; PROJECT p ANALYSIS=base ALPHA=0.05;"), (std::vector<int>{0, 0})) << log_;
    EXPECT_EQ(run1("RUNPROJECT p ALPHA=0.01;"), 0) << log_;
    EXPECT_EQ(driver().calls, 1);
    EXPECT_TRUE(driver().options_given);
    EXPECT_DOUBLE_EQ(driver().alpha, 0.01);
    EXPECT_DOUBLE_EQ(project("p")->options.alpha, 0.05);
    EXPECT_EQ(run1("RUNPROJECT p;"), 0);
    EXPECT_FALSE(driver().options_given);
    driver_answer = 1;
    EXPECT_EQ(run1("RUNPROJECT p;"), 1);       // the driver's code is the statement's
}

// A project that is not there is refused before any run.
TEST_F(RunStatements, RunprojectOfAMissingProjectRunsNothing) {
    use_driver_double();
    EXPECT_EQ(run1("RUNPROJECT nope;"), 1);
    EXPECT_TRUE(logged("670/1098")) << log_;
    EXPECT_EQ(driver().calls, 0);
}

// Until the run engine is built its slot answers for itself: the statement fails.
TEST_F(RunStatements, RunprojectWithoutTheRunEngineFails) {
    ASSERT_EQ(run("MTM base; PROJECT p ANALYSIS=base;"), (std::vector<int>{0, 0})) << log_;
    EXPECT_NE(run1("RUNPROJECT p;"), 0) << log_;
}

// The part options as the driver receives them, and what is refused or reported; a run that
// combines parts is itself whole.
TEST_F(RunStatements, PartOptionsReachTheDriver) {
    use_driver_double();
    ASSERT_EQ(run("MTM base; PROJECT p ANALYSIS=base;"), (std::vector<int>{0, 0})) << log_;
    struct Case {
        const char* options;
        int result;
        const char* message;     // "" when none
        int mode, portfolio_part, portfolio_parts, analysis_part, analysis_parts;
        int entry_kind;          // -1: no entry
        const char* file_ref;
        int entry_parts;
    } cases[] = {
        {"", 0, "", 4, 1, 1, 1, 1, -1, "", 0},
        {"PORTFOLIOPART=2 N_PORTFOLIOPARTS=3 ENDPART=3", 0, "", 3, 2, 3, 1, 1, -1, "", 0},
        {"PORTFOLIOPART=4 N_PORTFOLIOPARTS=3", 1, "670/1194", 0, 0, 0, 0, 0, -1, "", 0},
        {"ANALYSISPART=3 N_ANALYSISPARTS=2", 1, "670/1194", 0, 0, 0, 0, 0, -1, "", 0},
        {"PORTFOLIOPART=2", 0, "670/1192", 4, 1, 1, 1, 1, -1, "", 0},
        {"ENDPART=7", 0, "670/1198", 4, 1, 1, 1, 1, -1, "", 0},
        {"AGGREGATIONS N_PORTFOLIOPARTS=3 PARTLIB=parts", 0, "", 4, 1, 1, 1, 1, 2, "PARTS   ", 3},
        {"AGGREGATIONS N_PORTFOLIOPARTS=3 OUTLIB=res", 0, "", 4, 1, 1, 1, 1, 2, "RES     ", 3},
        {"RESULTS PORTFOLIOPART=1 N_PORTFOLIOPARTS=2 PARTLIB=parts", 0, "670/1197", 4, 1, 1, 1, 1, 1, "PARTS   ", 2},
        {"PORTFOLIOPART=1 N_PORTFOLIOPARTS=2 ANALYSISPART=1 N_ANALYSISPARTS=2", 0, "670/1195", 4, 1, 2, 1, 1, -1, "", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.options);
        log_.clear();
        driver().calls = 0;
        EXPECT_EQ(run1(std::string("RUNPROJECT p ") + c.options + ";"), c.result) << log_;
        if (*c.message != '\0') {
            EXPECT_TRUE(logged(c.message)) << log_;
        }
        if (c.result != 0) {
            EXPECT_EQ(driver().calls, 0);
            continue;
        }
        ASSERT_EQ(driver().calls, 1);
        const RSKRUNPARMS& parms = driver().parms;
        EXPECT_EQ(parms.mode, c.mode);
        EXPECT_EQ(parms.portfolio_part, c.portfolio_part);
        EXPECT_EQ(parms.portfolio_parts, c.portfolio_parts);
        EXPECT_EQ(parms.analysis_part, c.analysis_part);
        EXPECT_EQ(parms.analysis_parts, c.analysis_parts);
        if (c.entry_kind < 0) {
            EXPECT_EQ(parms.entry_count, 0);
            continue;
        }
        ASSERT_EQ(driver().entries.size(), 1u);
        const RSKPORTENTRY& entry = driver().entries[0];
        EXPECT_EQ(entry.kind, c.entry_kind);
        EXPECT_EQ(std::string(entry.file_ref, 8), c.file_ref);
        EXPECT_EQ(entry.portfolio_parts, c.entry_parts);
        EXPECT_EQ(parms.kind_counts[c.entry_kind], 1);
    }
}

// The run's market data are the statement's sources that exist; an unknown currency is said
// and passed on for the driver to refuse.
TEST_F(RunStatements, RunprojectSourcesAndCurrency) {
    use_driver_double();
    RSKCATOBJ* object = nullptr;
    RSKNAMEREC source = key("mkt");
    ASSERT_EQ(engine_routine<EngineSlot::rskidsd>()(con_, &object, &source, 2u, nullptr, nullptr, nullptr, nullptr), 0);
    ASSERT_EQ(run("MTM base; PROJECT p ANALYSIS=base;"), (std::vector<int>{0, 0})) << log_;
    EXPECT_EQ(run1("RUNPROJECT p MARKETDATA=(mkt gone) NUMERAIRE=xxx TIME='1JAN2020'd;"), 0) << log_;
    EXPECT_EQ(driver().market_data, (std::vector<std::string>{"mkt"}));
    EXPECT_TRUE(logged("670/1023")) << log_;
    EXPECT_TRUE(logged("Invalid currency code used xxx")) << log_;
    EXPECT_EQ(driver().currency, "XXX");
    EXPECT_EQ(driver().date, 21915);
}

// TIMEGRID leaves variables and methods to be rebuilt before the next statement that needs them.
TEST_F(RunStatements, TimegridMakesTheNextStatementRebuild) {
    EXPECT_EQ(run1("TIMEGRID g D=(1 7) M=3 Y=(1 2);"), 0) << log_;
    EXPECT_EQ(con_->variables_pending, 1u);
    EXPECT_EQ(con_->methods_pending, 1u);
    RSKNAMEREC grid = key("g");
    EXPECT_NE(engine_routine<EngineSlot::rsktgd>()(con_, &grid), nullptr);
    EXPECT_EQ(run1("MTM base;"), 0) << log_;
    EXPECT_EQ(con_->variables_pending, 0u);
    EXPECT_EQ(con_->methods_pending, 0u);
}

// The time unit codes: days, weeks, months and hours stay, anything else is years.
TEST(TimeUnits, OnlyKnownUnitsStay) {
    const double codes[] = {1, 2, 3, 4, 5, 0, 6, -1, 2.5};
    const int units[] = {1, 2, 3, 4, 5, 4, 4, 4, 4};
    for (size_t i = 0; i < sizeof codes / sizeof codes[0]; ++i) EXPECT_EQ(zozu::get_time_unit(codes[i]), units[i]) << codes[i];
}

}  // namespace
