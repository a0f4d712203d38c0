// Stored forms of analyses and projects: each kind is defined through the engine's entry table,
// written, read into a fresh control structure and written again (the two lists and listings
// must agree); damaged lists fail with their message and leave no object behind.
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "engine/model/analyses/analyses.h"
#include "engine/model/projects/projects.h"
#include "engine/model/services/analyses.h"
#include "host/lists.h"
#include "host/missing.h"
#include "host/pool.h"
#include "tests/engine/definitions_fixture.h"

namespace {

std::string encoded(qor_list* list) {
    std::string bytes;
    EXPECT_EQ(qor_list_encode(list, &bytes), 0);
    return bytes;
}

class Forms : public DefinitionsTest {
protected:
    static qor_list* new_list() {
        qor_list* list = nullptr;
        slnewl(&list, nullptr, 84);
        return list;
    }
    // Loads a list through the analysis reader; the analysis, or null when the reader failed.
    int load_analysis(qor_list* list, RSKANALYSIS** out) {
        RSKCATOBJ* header = nullptr;
        const int rc = catalog_routine<CatalogSlot::rssanls>()(con, slid(list), nullptr, 0, 0, &header, nullptr);
        *out = header != nullptr ? static_cast<RSKANALYSIS*>(header->object) : nullptr;
        return rc;
    }
    std::string print(RSKANALYSIS* a) {
        const size_t at = listing().size();
        engine_routine<EngineSlot::rskanlp>()(con, a);
        return listing().substr(at);
    }
    // Defines an analysis from a list (as a statement would, through the definitions), then
    // writes it, reads it into a fresh control structure and writes it again. `prepare` defines
    // what the analysis names (a source analysis) in each control structure first.
    void round_trip(qor_list* definition, const char* what, const std::function<void()>& prepare = {}) {
        SCOPED_TRACE(what);
        if (prepare) prepare();
        RSKANALYSIS* a = nullptr;
        ASSERT_EQ(load_analysis(definition, &a), 0) << log();
        ASSERT_NE(a, nullptr);
        qor_list* first = new_list();
        ASSERT_EQ(catalog_routine<CatalogSlot::rssanlg>()(con, a, slid(first), nullptr, 0, 0), 0) << log();
        const std::string printed = print(a);
        restart();
        if (prepare) prepare();
        RSKANALYSIS* again = nullptr;
        ASSERT_EQ(load_analysis(first, &again), 0) << log();
        qor_list* second = new_list();
        ASSERT_EQ(catalog_routine<CatalogSlot::rssanlg>()(con, again, slid(second), nullptr, 0, 0), 0) << log();
        EXPECT_EQ(encoded(first), encoded(second));
        EXPECT_EQ(print(again), printed);
        first_ = encoded(first);
        sldel(first, 0);
        sldel(second, 0);
    }
    // Defines an analysis of `kind` with no settings beyond its defaults.
    void define_source(const char* name, uint32_t kind);
    std::string first_;
};

// A list of an analysis: NAME, TYPE and a DETAILS list the caller fills.
struct AnalysisList {
    qor_list* list = nullptr;
    qor_list* details = nullptr;
    AnalysisList(const char* name, const std::string& type) {
        slnewl(&list, nullptr, 84);
        slnewl(&details, nullptr, 84);
        slinsc(list, "ANALYSIS", QOR_SL_APPEND, "OBJTYPE");
        slinsc(list, name, QOR_SL_APPEND, "NAME");
        slinsc(list, type, QOR_SL_APPEND, "TYPE");
    }
    ~AnalysisList() {
        sldel(details, 0);
        sldel(list, 0);
    }
    qor_list* done() {
        slinsl(list, slid(details), QOR_SL_APPEND, "DETAILS");
        return list;
    }
    void text(const char* name, const char* value) { slinsc(details, value, QOR_SL_APPEND, name); }
    void number(const char* name, double value) { slinsd(details, value, QOR_SL_APPEND, name); }
    void numbers(const char* name, std::initializer_list<double> values) {
        qor_list* sub = nullptr;
        slnewl(&sub, nullptr, 84);
        for (double v : values) slinsd(sub, v, QOR_SL_APPEND, "");
        slinsl(details, slid(sub), QOR_SL_APPEND, name);
        sldel(sub, 0);
    }
    void names(const char* name, std::initializer_list<const char*> values) {
        qor_list* sub = nullptr;
        slnewl(&sub, nullptr, 84);
        for (const char* v : values) slinsc(sub, v, QOR_SL_APPEND, "");
        slinsl(details, slid(sub), QOR_SL_APPEND, name);
        sldel(sub, 0);
    }
};

// The registry text of a kind (registry texts are not zero-terminated).
std::string type_text(RSKCON* con, int kind) {
    const char* text = nullptr;
    const int length = engine_routine<EngineSlot::rskcsat>()(con, kind, &text);
    return std::string(text, static_cast<size_t>(length));
}

void Forms::define_source(const char* name, uint32_t kind) {
    AnalysisList l(name, type_text(con, kind));
    if (kind == RSKANL_SCENARIO) l.names("FACTORS", {});
    RSKANALYSIS* a = nullptr;
    ASSERT_EQ(load_analysis(l.done(), &a), 0) << log();
}

void simulation_items(AnalysisList& l, bool horizons) {
    l.number("PL_FLAG", 1);
    l.number("EXP_FLAG", 0);
    l.number("RET_FLAG", 1);
    l.text("INPUTDS", "HIST");
    l.text("INTERVAL", "WEEKDAY");
    l.number("STARTDATE", 20000);
    l.number("ENDDATE", qor::missing());
    if (horizons) l.numbers("HLIST", {1, 5, 10});
    l.number("NDRAW", 500);
    l.number("SEED", 4711);
    l.number("SHOCK_COV", 1);
    l.number("WISHART", 2.5);
    l.text("ADJUSTMIS", "none");
    l.names("CONDITIONAL", {"Desk", "Book"});
    l.names("OUTVARS", {});
}

TEST_F(Forms, EveryAnalysisKindWithoutFactorEntriesSurvivesTheCatalog) {
    {
        AnalysisList l("Greeks", type_text(con, RSKANL_SENSITIVITY));
        l.number("THETA", 1);
        l.number("VEGA", 0);
        l.number("CRSGAM", 1);
        l.text("INSTTYPE", "BOND");
        round_trip(l.done(), "sensitivity without factors writes no FACTORS");
        EXPECT_EQ(first_.find("FACTORS"), std::string::npos);
    }
    {
        AnalysisList l("Shock", type_text(con, RSKANL_SCENARIO));
        l.names("FACTORS", {});
        l.text("DEFAULT_TYPE", "Relative");
        l.names("OUTVARS", {"Value", "Delta"});
        round_trip(l.done(), "scenario with a default type and output variables");
    }
    for (int kind : {RSKANL_COVSIM, RSKANL_MODELSIM, RSKANL_HISTSIM, RSKANL_SERIESSIM, RSKANL_POTEXP}) {
        AnalysisList l("Sim", type_text(con, kind));
        simulation_items(l, kind != RSKANL_HISTSIM);
        l.number("PIVOT", 0);
        l.text("COVDATA", "COVS");
        l.text("MATCH", "horizon");
        l.number("OVERLAP", 0);
        round_trip(l.done(), type_text(con, kind).c_str());
    }
    {
        AnalysisList l("Dn", "Delta-Normal");
        l.text("INPUTDS", "COVS");
        l.text("INTERVAL", "none");
        l.numbers("HLIST", {1, 10});
        l.names("MARGINAL", {"Desk"});
        round_trip(l.done(), "delta-normal keeps its horizons");
        EXPECT_NE(first_.find("HLIST"), std::string::npos);
    }
    {
        AnalysisList l("Peq", type_text(con, RSKANL_POSEQ));
        l.text("BENCHMARK", "ZERO10Y");
        l.number("BENCHTIME", 10);
        round_trip(l.done(), "position equivalents");
    }
    {
        AnalysisList l("Opt", type_text(con, RSKANL_OPTIMISATION));
        l.text("SIMULATION", "Sim");
        l.text("OBJECTIVE", "ES");
        l.text("SUBJECTTO", "return");
        l.numbers("HLIST", {1, 5, 10});
        l.text("LINCON", "LIN");
        l.numbers("CONSLIST", {0.1, 0.2, 0.3, 0.4, 0.5, 0.6});
        l.numbers("NELEMLIST", {1, 2, 3});
        l.text("VARKIND", "RETURN");
        round_trip(l.done(), "optimisation with three constraints", [&] { define_source("Sim", RSKANL_COVSIM); });
    }
}

// Cash flow: the words of each method, a named source analysis, and the borrowing methods whose
// code a stored list now keeps beside the (empty) name.
TEST_F(Forms, CashFlowMethodsKeepTheirCodes) {
    struct Case {
        const char* analysis;
        double method;               // METHOD item, or missing for an older list
        uint32_t loaded;
    };
    for (const Case& c : std::vector<Case>{{"", qor::missing(), 0}, {"traditional", qor::missing(), 0},
                                           {"EffectDur", qor::missing(), 2}, {"SCN1", qor::missing(), 99},
                                           {"", 4, 4}, {"SCN1", 1, 1}}) {
        SCOPED_TRACE(std::string(c.analysis) + " " + std::to_string(c.method));
        AnalysisList l("Cf", type_text(con, RSKANL_CASHFLOW));
        l.text("DURATION", "modified");
        l.text("BUCKETTYPE", "cumulativ");
        l.number("EVALDATE", 21000);
        l.text("ANALYSIS", c.analysis);
        if (!qor::is_missing(c.method)) l.number("METHOD", c.method);
        const auto prepare = [&] { define_source("SCN1", RSKANL_SCENARIO); };
        prepare();
        RSKANALYSIS* a = nullptr;
        ASSERT_EQ(load_analysis(l.done(), &a), 0) << log();
        EXPECT_EQ(a->kind, RSKANL_CASHFLOW);
        EXPECT_EQ(a->subtype, c.loaded);
        EXPECT_EQ(a->duration_type, 2);
        EXPECT_EQ(a->bucket_type, 2);
        EXPECT_EQ(a->evaluation_date, 21000);
        EXPECT_TRUE(qor::is_missing(a->more_dates));
        round_trip(l.list, "", prepare);
    }
}

// Damaged analysis lists: each load fails with its message.
TEST_F(Forms, DamagedAnalysisListsFailWithTheirMessage) {
    struct Case {
        const char* what;
        std::string type;
        double minimum, maximum, points;
        const char* objective;       // null: none; kind 17 only
        const char* message;
    };
    const std::string curve = type_text(con, RSKANL_PLCURVE);
    const std::string optimisation = type_text(con, RSKANL_OPTIMISATION);
    const std::vector<Case> cases = {
        {"one grid point", curve, 0, 1, 1, nullptr, "598/3012"},
        {"40000 grid points", curve, 0, 1, 40000, nullptr, "598/3012"},
        {"MIN equals MAX", curve, 1, 1, 10, nullptr, "598/3011"},
        {"no MIN", curve, qor::missing(), 1, 10, nullptr, "598/3009"},
        {"unknown TYPE", "Crystal Ball", 0, 1, 10, nullptr, "598/3000"},
        {"no objective", optimisation, 0, 0, 0, nullptr, "Optimization objective not specified."},
        {"unknown objective", optimisation, 0, 0, 0, "MEDIAN", "Unrecognized optimization objective."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        AnalysisList l("Bad", c.type);
        qor_list* factors = nullptr;
        slnewl(&factors, nullptr, 84);
        qor_list* factor = nullptr;
        slnewl(&factor, nullptr, 84);
        slinsc(factor, "RATE1Y", QOR_SL_APPEND, "NAME");
        slinsd(factor, c.minimum, QOR_SL_APPEND, "MIN");
        slinsd(factor, c.maximum, QOR_SL_APPEND, "MAX");
        slinsd(factor, c.points, QOR_SL_APPEND, "N");
        slinsl(factors, slid(factor), QOR_SL_APPEND, "RATE1Y");
        slinsl(l.details, slid(factors), QOR_SL_APPEND, "FACTORS");
        sldel(factor, 0);
        sldel(factors, 0);
        if (c.objective != nullptr) l.text("OBJECTIVE", c.objective);
        size_t at = log().size();
        RSKANALYSIS* a = nullptr;
        EXPECT_EQ(load_analysis(l.done(), &a), 1);
        EXPECT_NE(log().substr(at).find(c.message), std::string::npos) << log().substr(at);

        // Stored so and loaded through LOAD_OBJECT: nothing half-read stays, twice over.
        RSKNAMEREC key = name_of("Bad");
        RSKCATOBJ* header = engine_routine<EngineSlot::rskanl>()(con, &key);
        ASSERT_NE(header, nullptr);
        ASSERT_EQ(catalog_routine<CatalogSlot::rssofis>()(con, header, slid(l.list)), 0) << log();
        engine_routine<EngineSlot::rskanlf>()(con, static_cast<RSKANALYSIS*>(header->object));
        header->object = nullptr;
        for (int attempt = 0; attempt < 2; ++attempt) {
            at = log().size();
            EXPECT_EQ(catalog_routine<CatalogSlot::rssofiq>()(con, header, 4), nullptr);
            EXPECT_NE(log().substr(at).find(c.message), std::string::npos) << log().substr(at);
            EXPECT_EQ(header->object, nullptr);
        }
    }
}

// Out of memory at every allocation of a load with horizons and constraints: each failing load
// answers 1 (598/2797 names what could not be had), and the load that gets its memory succeeds.
TEST_F(Forms, OutOfMemoryWhileLoadingFailsTheLoad) {
    define_source("Sim", RSKANL_COVSIM);
    AnalysisList l("Opt", type_text(con, RSKANL_OPTIMISATION));
    l.text("SIMULATION", "Sim");
    l.text("OBJECTIVE", "RETURN");
    l.text("SUBJECTTO", "std");
    l.numbers("HLIST", {1, 5});
    l.numbers("CONSLIST", {0.1, 0.2, 0.3});
    l.numbers("NELEMLIST", {1, 2});
    qor_list* list = l.done();
    int failures = 0;
    for (long n = 1; n < 200; ++n) {
        con->no_memory_reported = 0;
        const size_t at = log().size();
        qor_pool_fail_nth(n);
        RSKANALYSIS* a = nullptr;
        const int rc = load_analysis(list, &a);
        qor_pool_fail_nth(0);
        if (rc == 0) break;
        if (log().find("598/2797", at) != std::string::npos) ++failures;
    }
    EXPECT_GE(failures, 3) << "horizons, constraint values and counts each allocate";
    RSKANALYSIS* a = nullptr;
    ASSERT_EQ(load_analysis(list, &a), 0) << log();
    EXPECT_EQ(a->optimisation.target_lists, 2);
    EXPECT_EQ(a->optimisation.target_counts[1], 2);
    EXPECT_EQ(a->optimisation.targets[1][1], 0.3);
}

// A surface of an odd number of factors and an optimisation without an objective word are not
// stored: each would load as something else, or not at all.
TEST_F(Forms, AnalysesThatCouldNotBeReadBackAreNotWritten) {
    RSKNAMEREC key = name_of("Surf");
    RSKCATOBJ* object = nullptr;
    ASSERT_EQ(engine_routine<EngineSlot::rskanld>()(con, &object, &key, nullptr, nullptr), 0);
    auto* a = static_cast<RSKANALYSIS*>(object->object);
    a->kind = RSKANL_PLSURFACE;
    for (const char* f : {"A", "B", "C"}) add_analysis_entry(con, a, f, 1);
    qor_list* list = new_list();
    EXPECT_EQ(catalog_routine<CatalogSlot::rssanlg>()(con, a, slid(list), nullptr, 0, 0), 1);
    EXPECT_NE(log().find("has 3 factors"), std::string::npos) << log();
    slclear(list);
    a->kind = RSKANL_OPTIMISATION;
    a->optimisation.objective = 9;
    EXPECT_EQ(catalog_routine<CatalogSlot::rssanlg>()(con, a, slid(list), nullptr, 0, 0), 1);
    slclear(list);
    a->kind = RSKANL_PVBP;
    EXPECT_EQ(catalog_routine<CatalogSlot::rssanlg>()(con, a, slid(list), nullptr, 0, 0), 1);
    EXPECT_NE(log().find("Unknown analysis type code 11."), std::string::npos) << log();
    sldel(list, 0);
}

}  // namespace

namespace {

class ProjectForms : public DefinitionsTest {
protected:
    RSKPROJECT* define(const char* name) {
        RSKNAMEREC key = name_of(name);
        RSKCATOBJ* object = nullptr;
        EXPECT_EQ(engine_routine<EngineSlot::rskprjd>()(con, &object, &key, nullptr, nullptr), 0) << log();
        return object != nullptr ? static_cast<RSKPROJECT*>(object->object) : nullptr;
    }
    void add(RSKPROJECT* p, int item, const char* text, double date = 0) {
        RSKNAMEREC name = name_of(text);
        ASSERT_EQ(engine_routine<EngineSlot::rskprja>()(con, p, item, &name, date), 0) << log();
    }
    int load(qor_list* list, RSKPROJECT** out) {
        RSKCATOBJ* header = nullptr;
        const int rc = catalog_routine<CatalogSlot::rssprjs>()(con, slid(list), nullptr, 0, 0, &header, nullptr);
        *out = header != nullptr ? static_cast<RSKPROJECT*>(header->object) : nullptr;
        return rc;
    }
    qor_list* write(RSKPROJECT* p) {
        qor_list* list = nullptr;
        slnewl(&list, nullptr, 84);
        EXPECT_EQ(catalog_routine<CatalogSlot::rssprjg>()(con, p, slid(list), nullptr, 0, 0), 0) << log();
        return list;
    }
    std::string print(RSKPROJECT* p) {
        const size_t at = listing().size();
        engine_routine<EngineSlot::rskprjp>()(con, p);
        return listing().substr(at);
    }
    // The smallest list a reader takes: every required item, nothing optional.
    static qor_list* minimal(const char* numeraire) {
        qor_list* list = nullptr;
        slnewl(&list, nullptr, 84);
        qor_list* none = nullptr;
        slnewl(&none, nullptr, 84);
        qor_list* options = nullptr;
        slnewl(&options, nullptr, 84);
        for (const char* set : {"ANALYSIS", "OUTPUT", "SYSTEM"}) slinsl(options, slid(none), QOR_SL_APPEND, set);
        slinsc(list, "PROJECT", QOR_SL_APPEND, "OBJTYPE");
        slinsc(list, "Small", QOR_SL_APPEND, "NAME");
        slinsc(list, "", QOR_SL_APPEND, "TRANSFILE");
        for (const char* n : {"FILTERS", "INPUTDATA", "PRSLIST", "ANALYSIS"}) slinsl(list, slid(none), QOR_SL_APPEND, n);
        slinsc(list, "", QOR_SL_APPEND, "STATISTICS");
        slinsc(list, "   ", QOR_SL_APPEND, "OUT");
        slinsc(list, "", QOR_SL_APPEND, "OUTPATH");
        slinsl(list, slid(options), QOR_SL_APPEND, "OPTIONS");
        slinsc(list, numeraire, QOR_SL_APPEND, "NUMERAIRE");
        slinsc(list, "", QOR_SL_APPEND, "CROSSCLASS");
        slinsd(list, 0, QOR_SL_APPEND, "NETSET");
        slinsd(list, qor::missing(), QOR_SL_APPEND, "NETTYPE");
        for (const char* n : {"MODELS", "REPORTS"}) slinsl(list, slid(none), QOR_SL_APPEND, n);
        for (const char* n : {"ALTYPE", "CFBUCKETBY", "CFBUCKETTYPE"}) slinsd(list, 1, QOR_SL_APPEND, n);
        sldel(options, 0);
        sldel(none, 0);
        return list;
    }
};

TEST_F(ProjectForms, AProjectSurvivesTheCatalogItemForItem) {
    RSKPROJECT* p = define("Daily");
    ASSERT_NE(p, nullptr);
    add(p, RSKPRJ_INSTRUMENT_DATA, "BOOK");
    add(p, RSKPRJ_FILTER, "LIVE");
    add(p, RSKPRJ_FILTER, "EUR");
    add(p, RSKPRJ_PRICING_SET, "CURVES");
    add(p, RSKPRJ_PROJECT_METHOD, "Tshift");
    add(p, RSKPRJ_POST_PRICING, "Pbond");
    add(p, RSKPRJ_ANALYSIS, "VAR99");
    add(p, RSKPRJ_MODEL, "GARCH");
    add(p, RSKPRJ_REPORT, "RISKREP");
    add(p, RSKPRJ_OUTPUT, "RESULTS");
    add(p, RSKPRJ_OUTPUT_PATH, "/tmp/out dir");
    add(p, RSKPRJ_OUTPUT_LIBRARY, "RLIB");
    add(p, RSKPRJ_NUMERAIRE, "usd");
    add(p, RSKPRJ_CROSS_CLASS, "BYDESK");
    add(p, RSKPRJ_NETSET, "");
    add(p, RSKPRJ_CF_BUCKET, "MONTHLY");
    add(p, RSKPRJ_DEFAULT_DATE, "", 22000);
    p->nettype = 1;
    p->cf_distribution = 2;
    p->cf_max_size = 250;
    p->cf_bucket_start = qor::missing();
    qor_list* first = write(p);
    const std::string printed = print(p);
    {
        std::string_view text;
        EXPECT_EQ(slgnc(first, "OUTLIB", &text), 0);
        EXPECT_EQ(text, "RLIB    ");
        EXPECT_EQ(slgnc(first, "NUMERAIRE", &text), 0);
        EXPECT_EQ(text, "USD");
        qor_list* filters = nullptr;
        ASSERT_EQ(slgnl(first, "FILTERS", &filters), 0);
        ASSERT_EQ(slcnt(filters), 2);
        EXPECT_EQ(slitmc(filters, 2, &text), 0);
        EXPECT_EQ(text, "EUR");
    }
    restart();
    RSKPROJECT* again = nullptr;
    ASSERT_EQ(load(first, &again), 0) << log();
    ASSERT_NE(again, nullptr);
    qor_list* second = write(again);
    EXPECT_EQ(encoded(first), encoded(second));
    EXPECT_EQ(print(again), printed);
    EXPECT_EQ(again->netset, 1);
    EXPECT_EQ(again->cf_max_size, 250);
    // Unknown instrument data and cross-classification are only warned about.
    EXPECT_NE(log().find("598/3030"), std::string::npos) << log();
    EXPECT_NE(log().find("598/3032"), std::string::npos) << log();
    sldel(first, 0);
    sldel(second, 0);
}

TEST_F(ProjectForms, OptionalItemsTakeTheirDefaults) {
    qor_list* list = minimal("");
    RSKPROJECT* p = nullptr;
    ASSERT_EQ(load(list, &p), 0) << log();
    EXPECT_EQ(p->cf_max_size, 10000);
    EXPECT_TRUE(qor::is_missing(p->default_date));
    EXPECT_TRUE(qor::is_missing(p->cf_distribution));
    EXPECT_TRUE(qor::is_missing(p->cf_bucket_start));
    EXPECT_EQ(p->output.name.length, 0) << "OUT of blanks sets no output name";
    EXPECT_EQ(p->netset, 0);
    EXPECT_EQ(p->nettype, 0);
    EXPECT_EQ(p->altype, 1);
    EXPECT_EQ(p->numeraire[0], '\0');
    slinsc(list, "  x", QOR_SL_APPEND, "OUTLIB");
    ASSERT_EQ(load(list, &p), 0) << log();
    EXPECT_EQ(std::string(p->output_library, 8), "        ");
    sldel(list, 0);
}

// Damaged project lists fail with their message; through LOAD_OBJECT the failed object is
// discarded, so a second load fails the same way.
TEST_F(ProjectForms, DamagedProjectListsLeaveNoObject) {
    struct Case {
        const char* what;
        const char* drop;            // item left out
        const char* numeraire;
        const char* message;
    };
    for (const Case& c : std::vector<Case>{{"unknown numeraire", "", "XXX", "598/3031"},
                                           {"no OPTIONS", "OPTIONS", "EUR", "598/106"},
                                           {"no STATISTICS", "STATISTICS", "EUR", "598/104"}}) {
        SCOPED_TRACE(c.what);
        qor_list* list = minimal(c.numeraire);
        if (*c.drop) slditm(list, slsrchn(list, c.drop));
        RSKPROJECT* p = nullptr;
        size_t at = log().size();
        EXPECT_EQ(load(list, &p), 1);
        EXPECT_NE(log().substr(at).find(c.message), std::string::npos) << log().substr(at);

        RSKNAMEREC key = name_of("Small");
        RSKCATOBJ* header = engine_routine<EngineSlot::rskprj>()(con, &key);
        ASSERT_NE(header, nullptr);
        ASSERT_EQ(catalog_routine<CatalogSlot::rssofis>()(con, header, slid(list)), 0) << log();
        engine_routine<EngineSlot::rskprjf>()(con, static_cast<RSKPROJECT*>(header->object));
        header->object = nullptr;
        for (int attempt = 0; attempt < 2; ++attempt) {
            at = log().size();
            EXPECT_EQ(catalog_routine<CatalogSlot::rssofiq>()(con, header, 4), nullptr);
            EXPECT_NE(log().substr(at).find(c.message), std::string::npos) << log().substr(at);
            EXPECT_EQ(header->object, nullptr);
        }
        sldel(list, 0);
    }
}

}  // namespace

namespace {

// Kinds whose factors are added through the factor entries of the analyses: they run once those
// entries are in the engine's table.
constexpr bool kFactorEntriesBuilt = !std::is_invocable_v<engine_slot_t<EngineSlot::rsafacg>, RSKCON*>;

qor_list* grid(const char* name, double minimum, double maximum, double points, const std::string& type) {
    qor_list* g = nullptr;
    slnewl(&g, nullptr, 84);
    slinsc(g, name, QOR_SL_APPEND, "NAME");
    slinsd(g, minimum, QOR_SL_APPEND, "MIN");
    slinsd(g, maximum, QOR_SL_APPEND, "MAX");
    slinsd(g, points, QOR_SL_APPEND, "N");
    slinsc(g, type, QOR_SL_APPEND, "TYPE");
    return g;
}

std::string perturbation(RSKCON* con, int code) {
    const char* text = nullptr;
    const int length = engine_routine<EngineSlot::rskcspt>()(con, code, &text);
    return std::string(text, static_cast<size_t>(length));
}

TEST_F(Forms, KindsWithFactorsSurviveTheCatalog) {
    if (!kFactorEntriesBuilt) GTEST_SKIP() << "the factor entries of the analyses are not in the table yet";
    {
        AnalysisList l("Greeks", type_text(con, RSKANL_SENSITIVITY));
        l.names("FACTORS", {"RATE1Y", "RATE2Y"});
        round_trip(l.done(), "sensitivity with factors");
    }
    {
        AnalysisList l("Shock", type_text(con, RSKANL_SCENARIO));
        qor_list* factors = nullptr;
        slnewl(&factors, nullptr, 84);
        const char* names[] = {"F1", "F2", "F3", "F4"};
        for (int code = 1; code <= 4; ++code) {
            qor_list* f = nullptr;
            slnewl(&f, nullptr, 84);
            slinsc(f, names[code - 1], QOR_SL_APPEND, "NAME");
            slinsd(f, 0.25 * code, QOR_SL_APPEND, "VALUE");
            slinsc(f, perturbation(con, code), QOR_SL_APPEND, "TYPE");
            slinsl(factors, slid(f), QOR_SL_APPEND, names[code - 1]);
            sldel(f, 0);
        }
        slinsl(l.details, slid(factors), QOR_SL_APPEND, "FACTORS");
        sldel(factors, 0);
        round_trip(l.done(), "a scenario factor of every perturbation type");
    }
    {
        AnalysisList l("Curve", type_text(con, RSKANL_PLCURVE));
        qor_list* factors = nullptr;
        slnewl(&factors, nullptr, 84);
        qor_list* g = grid("RATE1Y", -0.01, 0.01, 2, perturbation(con, 2));
        slinsl(factors, slid(g), QOR_SL_APPEND, "RATE1Y");
        sldel(g, 0);
        g = grid("RATE1Y", -0.02, 0.02, 32767, perturbation(con, 3));
        slinsl(factors, slid(g), QOR_SL_APPEND, "RATE1Y");
        sldel(g, 0);
        slinsl(l.details, slid(factors), QOR_SL_APPEND, "FACTORS");
        sldel(factors, 0);
        round_trip(l.done(), "a curve whose factor was redefined, at both ends of the grid sizes");
    }
    {
        AnalysisList l("Surface", type_text(con, RSKANL_PLSURFACE));
        qor_list* pairs = nullptr;
        slnewl(&pairs, nullptr, 84);
        qor_list* pair = nullptr;
        slnewl(&pair, nullptr, 84);
        for (const char* n : {"RATE1Y", "VOL1Y"}) {
            qor_list* g = grid(n, 0, 1, 5, perturbation(con, 2));
            slinsl(pair, slid(g), QOR_SL_APPEND, n);
            sldel(g, 0);
        }
        slinsl(pairs, slid(pair), QOR_SL_APPEND, "");
        sldel(pair, 0);
        slinsl(l.details, slid(pairs), QOR_SL_APPEND, "SURFACE");
        sldel(pairs, 0);
        round_trip(l.done(), "a surface pair");
    }
    {
        AnalysisList l("Cf", type_text(con, RSKANL_CASHFLOW));
        l.names("FACTORS", {"RATE1Y", "RATE5Y"});
        l.text("ANALYSIS", "PARTIALDUR");
        round_trip(l.done(), "partial durations with their factors");
    }
}

}  // namespace
