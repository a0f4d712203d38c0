// Analyses and projects through the entry table: definition and redefinition in place, the
// listings by kind, project items with their warnings, the check before a run, the project's own
// copy of the options, and out of memory in every allocation of the define and add routines.
#include <cstring>
#include <functional>
#include <string>

#include "engine/model/analyses/analyses.h"
#include "engine/model/options/engine_options.h"
#include "engine/model/projects/projects.h"
#include "engine/run/run_block.h"
#include "host/missing.h"
#include "tests/engine/definitions_fixture.h"

namespace {

class AnalysesProjects : public DefinitionsTest {
protected:
    RSKANALYSIS* define_analysis(const char* name, uint32_t kind) {
        RSKNAMEREC key = name_of(name);
        RSKCATOBJ* object = nullptr;
        EXPECT_EQ(engine_routine<EngineSlot::rskanld>()(con, &object, &key, nullptr, nullptr), 0) << log();
        if (object == nullptr) return nullptr;
        auto* analysis = static_cast<RSKANALYSIS*>(object->object);
        analysis->kind = kind;
        return analysis;
    }
    RSKPROJECT* define_project(const char* name) {
        RSKNAMEREC key = name_of(name);
        RSKCATOBJ* object = nullptr;
        EXPECT_EQ(engine_routine<EngineSlot::rskprjd>()(con, &object, &key, nullptr, nullptr), 0) << log();
        return object != nullptr ? static_cast<RSKPROJECT*>(object->object) : nullptr;
    }
    int add(RSKPROJECT* project, int item, const char* text, double date = 0) {
        RSKNAMEREC name = name_of(text);
        return engine_routine<EngineSlot::rskprja>()(con, project, item, &name, date);
    }
    std::string print_analysis(RSKANALYSIS* analysis) {
        const size_t at = listing().size();
        engine_routine<EngineSlot::rskanlp>()(con, analysis);
        return listing().substr(at);
    }
};

TEST_F(AnalysesProjects, RedefiningAnAnalysisKeepsItsObjectAndRecordAndEmptiesItsLists) {
    RSKANALYSIS* analysis = define_analysis("Shock", RSKANL_SCENARIO);
    ASSERT_NE(analysis, nullptr);
    ASSERT_NE(add_analysis_entry(con, analysis, "usd1y", -1), nullptr);
    ASSERT_NE(add_analysis_entry(con, analysis, "eur1y", -1), nullptr);
    ASSERT_EQ(rsklsta(con, &analysis->names_head, &analysis->names_tail, "Value", -1), 0);
    ASSERT_EQ(rsklsta(con, &analysis->conditional_head, &analysis->conditional_tail, "Desk", -1), 0);
    RSKANLFACTOR* last_entry = analysis->entries_tail;
    RSKNAMEREC key = name_of("SHOCK");
    RSKCATOBJ* object = engine_routine<EngineSlot::rskanl>()(con, &key);
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(object->object, analysis);

    RSKANALYSIS* again = define_analysis("shock", RSKANL_MTM);
    EXPECT_EQ(again, analysis);
    EXPECT_EQ(engine_routine<EngineSlot::rskanl>()(con, &key), object);
    EXPECT_EQ(std::string(again->name.name.text, again->name.name.length), "shock");
    EXPECT_EQ(again->entries_head, nullptr);
    EXPECT_EQ(again->entry_count, 0);
    EXPECT_EQ(again->names_head, nullptr);
    EXPECT_EQ(again->conditional_head, nullptr);
    // The entries went back to their own free list, the last one given back on top.
    EXPECT_EQ(con->free_lists->analysis_entries, last_entry);

    // A freed record is the next one taken.
    engine_routine<EngineSlot::rskanlf>()(con, analysis);
    object->object = nullptr;
    EXPECT_EQ(define_analysis("Other", RSKANL_MTM), analysis);
}

TEST_F(AnalysesProjects, ListingsByKind) {
    struct Case {
        uint32_t kind;
        const char* shows;           // a line the listing must hold
        const char* logged;          // an internal-error line, or null
    };
    const Case cases[] = {
        {RSKANL_SENSITIVITY, "Theta: Yes", nullptr},
        {RSKANL_PVBP, "Analysis VaR1", "rskanlp: pvbp analysis not done yet."},
        {RSKANL_RISKMETRICS, "Analysis VaR1", "rskanlp: risk_metrics analysis not done yet."},
        {RSKANL_POSEQ, "Benchmark: usd10y", nullptr},
        {RSKANL_CASHFLOW, "Duration: Macaulay", nullptr},
        {RSKANL_HISTSIM, "Replications: 500", nullptr},
        {RSKANL_DELTANORMAL, "Input data set: COVS", nullptr},
        {99, "*No further info for this analysis type*", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.kind);
        RSKANALYSIS* a = define_analysis("VaR1", c.kind);
        ASSERT_NE(a, nullptr);
        a->sensitivity.theta = 1;
        a->duration_type = 1;
        a->simulation.replications = 500;
        a->evaluation_date = qor::missing();
        rskname(con, &a->input_data, "COVS", -1);
        ASSERT_NE(add_analysis_entry(con, a, "usd10y", -1), nullptr);
        const size_t log_at = log().size();
        const std::string text = print_analysis(a);
        EXPECT_NE(text.find(c.shows), std::string::npos) << text;
        EXPECT_NE(text.find("Analysis VaR1"), std::string::npos) << text;
        // The entry names follow for every kind but curves, surfaces and scenarios.
        EXPECT_NE(text.find("Risk factors: usd10y"), std::string::npos) << text;
        if (c.logged != nullptr) {
            EXPECT_NE(log().substr(log_at).find(c.logged), std::string::npos) << log();
        }
    }
}

TEST_F(AnalysesProjects, ScenarioListsEachPerturbationOnce) {
    RSKANALYSIS* a = define_analysis("Up", RSKANL_SCENARIO);
    ASSERT_NE(a, nullptr);
    a->perturbation_type = 3;
    RSKANLFACTOR* e = add_analysis_entry(con, a, "usd1y", -1);
    ASSERT_NE(e, nullptr);
    e->value = 0.01;
    e->perturbation_type = 2;
    const std::string text = print_analysis(a);
    EXPECT_NE(text.find("usd1y: 0.01"), std::string::npos) << text;
    EXPECT_EQ(text.find("Risk factors:"), std::string::npos) << text;
}

TEST_F(AnalysesProjects, ItemsWarnAboutMissingObjectsAndStoreThemAllTheSame) {
    define_analysis("Mtm", RSKANL_MTM);
    RSKPROJECT* p = define_project("P1");
    ASSERT_NE(p, nullptr);
    struct Case {
        int item;
        const char* text;
        int rc;
        const char* logged;          // message id, or null for none
    };
    const Case cases[] = {
        {RSKPRJ_ANALYSIS, "Mtm", 0, nullptr},
        {RSKPRJ_ANALYSIS, "Missing", 0, "598/1105"},
        {RSKPRJ_FILTER, "big", 0, "598/1103"},
        {RSKPRJ_NUMERAIRE, "usd", 0, nullptr},
        {RSKPRJ_NUMERAIRE, "US", 0, "598/1107"},
        {RSKPRJ_NUMERAIRE, "EURO", 0, "598/1107"},
        {RSKPRJ_NUMERAIRE, "XQZ", 0, "598/1107"},
        {RSKPRJ_PROJECT_METHOD, "Pbond", 0, nullptr},
        {RSKPRJ_POST_PRICING, "nomethod", 0, "598/1125"},
        {RSKPRJ_OUTPUT_LIBRARY, "OUTLIB", 0, nullptr},
        {14, "x", 1, "rskproja: invalid item_type=14"},
        {16, "x", 1, "rskproja: invalid item_type=16"},
        {0, "x", 1, "rskproja: invalid item_type=0"},
        {24, "x", 1, "rskproja: invalid item_type=24"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.item) + " " + c.text);
        const size_t at = log().size();
        EXPECT_EQ(add(p, c.item, c.text), c.rc);
        const std::string said = log().substr(at);
        if (c.logged != nullptr) {
            EXPECT_NE(said.find(c.logged), std::string::npos) << said;
        } else {
            EXPECT_EQ(said.find("WARNING"), std::string::npos) << said;
        }
    }
    // Both analyses are listed, the missing one too; the numeraire kept the valid code.
    ASSERT_NE(p->analyses.head, nullptr);
    EXPECT_EQ(std::string(p->analyses.head->name.buffer, 3), "Mtm");
    ASSERT_NE(p->analyses.head->next, nullptr);
    EXPECT_EQ(std::string(p->analyses.head->next->name.buffer, 7), "Missing");
    EXPECT_STREQ(p->numeraire, "USD");
    EXPECT_EQ(std::string(p->output_library, 8), "OUTLIB  ");
    ASSERT_NE(p->filters.head, nullptr);

    // The new items carry the default date and the counterparty flag.
    RSKNAMEREC none{0, 0, nullptr};
    EXPECT_EQ(engine_routine<EngineSlot::rskprja>()(con, p, RSKPRJ_DEFAULT_DATE, &none, 23000.0), 0);
    EXPECT_EQ(p->default_date, 23000.0);
    EXPECT_EQ(engine_routine<EngineSlot::rskprja>()(con, p, RSKPRJ_ALTYPE, &none, 1.0), 0);
    EXPECT_EQ(p->altype, 1);

    const size_t at = listing().size();
    engine_routine<EngineSlot::rskprjp>()(con, p);
    const std::string text = listing().substr(at);
    EXPECT_NE(text.find("Project P1"), std::string::npos) << text;
    EXPECT_NE(text.find("2. Missing"), std::string::npos) << text;
    EXPECT_NE(text.find("Numeraire: USD"), std::string::npos) << text;
    EXPECT_NE(text.find("Output library: OUTLIB"), std::string::npos) << text;
}

TEST_F(AnalysesProjects, CheckBeforeARunReportsEveryMissingObject) {
    define_analysis("Mtm", RSKANL_MTM);
    RSKPROJECT* p = define_project("P1");
    ASSERT_NE(p, nullptr);
    add(p, RSKPRJ_ANALYSIS, "Mtm");
    add(p, RSKPRJ_ANALYSIS, "Missing");
    add(p, RSKPRJ_MODEL, "NoModel");
    add(p, RSKPRJ_CROSS_CLASS, "NoCross");
    const size_t at = log().size();
    EXPECT_EQ(rskprj0(con, p), 1);
    const std::string said = log().substr(at);
    EXPECT_EQ(count_of(said, "598/1302"), 1) << said;   // no instrument data
    EXPECT_EQ(count_of(said, "598/1305"), 1) << said;   // Missing only
    EXPECT_EQ(count_of(said, "598/1309"), 1) << said;
    EXPECT_EQ(count_of(said, "598/1306"), 1) << said;
    EXPECT_EQ(con->run_block->cross_class, nullptr);
}

TEST_F(AnalysesProjects, CheckBeforeARunPassesWhenEverythingLoads) {
    define_analysis("Mtm", RSKANL_MTM);
    RSKPROJECT* p = define_project("P1");
    ASSERT_NE(p, nullptr);
    add(p, RSKPRJ_ANALYSIS, "Mtm");
    // An instrument file object whose record is in memory stands for a defined file.
    RSKNAMEREC file = name_of("Book");
    RSKCATOBJ* object = nullptr;
    ASSERT_EQ(catalog_routine<CatalogSlot::rssofid>()(con, &object, &file, nullptr, RSKKIND_TFILE), 0);
    int stand_in = 0;
    object->object = &stand_in;
    add(p, RSKPRJ_INSTRUMENT_DATA, "Book");
    const size_t at = log().size();
    EXPECT_EQ(rskprj0(con, p), 0) << log().substr(at);

    // A run naming its own files checks those instead of the project's.
    RSKRUNBLOCK::RunFile files[2]{};
    rskname(con, &files[0].name, "Book", -1);
    rskname(con, &files[1].name, "Gone", -1);
    con->run_block->instrument_files = files;
    con->run_block->instrument_file_count = 2;
    const size_t at2 = log().size();
    EXPECT_EQ(rskprj0(con, p), 1);
    EXPECT_EQ(count_of(log().substr(at2), "598/1308"), 1) << log().substr(at2);
    con->run_block->instrument_files = nullptr;
    con->run_block->instrument_file_count = 0;
    object->object = nullptr;
}

TEST_F(AnalysesProjects, AProjectKeepsTheOptionsOfItsDefinition) {
    auto opts = engine_routine<EngineSlot::rskopts>();
    ASSERT_EQ(opts(con, 101, con->current_options, 0, 0.01, nullptr, 0), 0) << log();
    ASSERT_EQ(opts(con, 241, con->current_options, 0, 0, "COMMA12.2", -1), 0) << log();
    RSKPROJECT* p = define_project("P1");
    ASSERT_NE(p, nullptr);
    ASSERT_EQ(opts(con, 101, con->current_options, 0, 0.05, nullptr, 0), 0);
    ASSERT_EQ(opts(con, 241, con->current_options, 0, 0, "BEST8.", -1), 0) << log();
    EXPECT_EQ(p->options.alpha, 0.01);
    const RSKNAMEREC& format = p->options.fmtvalue.text.name;
    EXPECT_EQ(format.text, p->options.fmtvalue.text.buffer);
    EXPECT_EQ(std::string(format.text, format.length), "COMMA12.2");

    // Redefining takes the options of that moment.
    RSKPROJECT* again = define_project("P1");
    EXPECT_EQ(again, p);
    EXPECT_EQ(p->options.alpha, 0.05);
    EXPECT_EQ(p->analyses.head, nullptr);
}

TEST_F(AnalysesProjects, RemovingAProjectIsNotWritten) {
    RSKPROJECT* p = define_project("P1");
    const size_t at = log().size();
    EXPECT_EQ(engine_routine<EngineSlot::rskprjr>()(con, p), 1);
    EXPECT_NE(log().substr(at).find("rskprjr: project remove function not written yet."), std::string::npos);
}

// Out of memory: every allocation of the define and add routines fails in turn; each failure
// answers 1 after one 598/2797 and leaves no object without its record.
TEST_F(AnalysesProjects, EveryAllocationFailsInTurn) {
    struct Op {
        const char* what;
        std::function<int()> run;
        std::function<bool()> linked;   // nothing half-linked after a failure
    };
    auto analysis_named = [&](const char* n) {
        RSKNAMEREC key = name_of(n);
        RSKCATOBJ* o = engine_routine<EngineSlot::rskanl>()(con, &key);
        return o == nullptr || o->object != nullptr;
    };
    auto project_named = [&](const char* n) {
        RSKNAMEREC key = name_of(n);
        RSKCATOBJ* o = engine_routine<EngineSlot::rskprj>()(con, &key);
        return o == nullptr || o->object != nullptr;
    };
    const Op ops[] = {
        {"rskanld",
         [&] {
             RSKNAMEREC key = name_of("A1");
             RSKCATOBJ* o = nullptr;
             return engine_routine<EngineSlot::rskanld>()(con, &o, &key, nullptr, nullptr);
         },
         [&] { return analysis_named("A1"); }},
        {"rskprjd",
         [&] {
             RSKNAMEREC key = name_of("P1");
             RSKCATOBJ* o = nullptr;
             return engine_routine<EngineSlot::rskprjd>()(con, &o, &key, nullptr, nullptr);
         },
         [&] { return project_named("P1"); }},
    };
    for (const Op& op : ops) {
        SCOPED_TRACE(op.what);
        int failures = 0;
        for (long n = 1; n < 500; ++n) {
            restart();
            con->no_memory_reported = 0;
            const size_t before = log().size();
            qor_pool_fail_nth(n);
            const int rc = op.run();
            const long left = qor_pool_fail_nth(0);
            const std::string said = log().substr(before);
            if (left != 0) break;
            ++failures;
            EXPECT_EQ(rc, 1) << "allocation " << n << said;
            EXPECT_EQ(count_of(said, "598/2797"), 1) << "allocation " << n << said;
            EXPECT_TRUE(op.linked()) << "allocation " << n;
        }
        EXPECT_GT(failures, 0);
    }

    // rskprja: the name cells of the lists run out while a project exists.
    for (long n = 1; n < 200; ++n) {
        restart();
        RSKPROJECT* p = define_project("P3");
        ASSERT_NE(p, nullptr);
        con->no_memory_reported = 0;
        const size_t before = log().size();
        qor_pool_fail_nth(n);
        int rc = 0;
        for (int i = 0; i < 150 && rc == 0; ++i) rc = add(p, RSKPRJ_PROJECT_METHOD, ("Pm" + std::to_string(i)).c_str());
        const long left = qor_pool_fail_nth(0);
        const std::string said = log().substr(before);
        if (left != 0) {
            EXPECT_EQ(rc, 0);
            break;
        }
        EXPECT_EQ(rc, 1) << "allocation " << n << said;
        EXPECT_EQ(count_of(said, "598/2797"), 1) << "allocation " << n << said;
        int cells = 0;
        for (const RSKNAMECELL* c = p->project_methods.head; c != nullptr; c = c->next) ++cells;
        EXPECT_EQ(p->project_methods.tail == nullptr, cells == 0);
    }
}

}  // namespace
