// The housekeeping handlers on parsed statements: TRACE and DEBUG settings in the control
// structure, SETOPTIONS through the option slots, SETPATH actions and SAVE, against recording
// stand-ins of the engine and catalog tables.
#include <cstdio>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include "engine/tables/catalog_records.h"
#include "engine/tables/catalog_table.h"
#include "engine/tables/engine_table.h"
#include "host/kernel.h"
#include "procedure/housekeeping.h"
#include "runtime/core/step.h"
#include "tests/procedure/zozu_fixture.h"

namespace {

std::vector<std::string> g_calls;
int g_store_result = 0;

int rskcdoc_stub(RSKCON*, const char* name, int length) {
    std::string n(name, static_cast<size_t>(length));
    return n == "MAXTHREADS" ? 101 : n == "AUTOSAVE" ? 102 : n == "ALPHA" ? 103 : n == "FMTDATE" ? 104 : 9;
}
int rskopts_stub(RSKCON*, int code, RSKOPTREC*, int int_value, double value, const char* text, int length) {
    g_calls.push_back("opts " + std::to_string(code) + " " + std::to_string(int_value) + " " +
                      (value == value ? std::to_string(value) : std::string("missing")) + " " +
                      std::string(text, static_cast<size_t>(length)));
    return 0;
}
int rskpthd_stub(RSKCON*, const char* path, int length, int append, const char*) {
    g_calls.push_back("define " + std::string(path, static_cast<size_t>(length)) + " " + std::to_string(append));
    return 0;
}
int rskpthr_stub(RSKCON*, const char* path, int length) {
    g_calls.push_back("remove " + std::string(path, static_cast<size_t>(length)));
    return 0;
}
int store_stub(RSKCON*) {
    g_calls.push_back("store");
    return g_store_result;
}

int rskcurm_stub(RSKCON*, const char* code, int mode) {
    g_calls.push_back("curm " + std::string(code) + " " + std::to_string(mode));
    return std::string(code) == "XXX" ? 1 : 0;
}
// Listings record their name (and their argument when they take one).
template <int N>
int listing_stub(RSKCON*) {
    static const char* const kNames[] = {"path", "types", "roles", "categories", "fx"};
    g_calls.push_back(kNames[N]);
    return 0;
}
int rskoptp_stub(RSKCON*, const RSKOPTREC*, int group) { g_calls.push_back("options " + std::to_string(group)); return 0; }
int rskvarp_stub(RSKCON*, RSKVARIABLE*, int selection) { g_calls.push_back("variables " + std::to_string(selection)); return 0; }
int rskcurp_stub(RSKCON*, int all) { g_calls.push_back("currencies " + std::to_string(all)); return 0; }
// The method listing: every method, or the one named.
int rsktrnl_stub(RSKCON*, const RSKNAMEREC* name) {
    g_calls.push_back(name != nullptr ? "method " + std::string(name->text, name->length) : "methods");
    return 0;
}
int rskclbp_stub(RSKCON*, int) { g_calls.push_back("instruments"); return 0; }
int rskmodp_stub(RSKCON*, uint32_t kind) { g_calls.push_back("models " + std::to_string(kind)); return 0; }

// Objects of the DELETE test: two variables (one of them built in) and one instrument type.
char g_variable_x, g_builtin, g_bond;
RSKVARIABLE* rskvar_stub(RSKCON*, const RSKNAMEREC* name) {
    std::string n(name->text, name->length);
    return n == "x" ? reinterpret_cast<RSKVARIABLE*>(&g_variable_x)
                    : n == "InstType" ? reinterpret_cast<RSKVARIABLE*>(&g_builtin) : nullptr;
}
void* rsksym_stub(RSKCON*, const RSKSYMTAB*, const RSKNAMEREC* name) {
    return std::string(name->text, name->length) == "InstType" ? &g_builtin : nullptr;
}
RSKINSTTYPE* rskcls_stub(RSKCON*, const char* name, int length) {
    return std::string(name, static_cast<size_t>(length)) == "Bond" ? reinterpret_cast<RSKINSTTYPE*>(&g_bond) : nullptr;
}
int rskvarf_stub(RSKCON*, RSKVARIABLE* v) {
    g_calls.push_back(reinterpret_cast<char*>(v) == &g_variable_x ? "free x" : "free other");
    return 0;
}
int rskclsf_stub(RSKCON*, RSKINSTTYPE*) { g_calls.push_back("free type"); return 0; }
// Drops the entry of the current environment's catalog (ENV1) that the statement names.
int rssoflf_stub(RSKCON*, const char* libref, const char* catalog, int catalog_length, const char* member,
                 int member_length, const char* type) {
    bool right = std::string(libref, 8) == "WORK    " && std::string(catalog, catalog_length) == "ENV1" &&
                 std::string(member, member_length) == "Bond" && std::string(type, 8) == "ZUVU1   ";
    g_calls.push_back(right ? "drop entry" : "drop another entry");
    return 0;
}
int rssenvp_stub(RSKCON*, int with_security) {
    g_calls.push_back("environment " + std::to_string(with_security));
    return 0;
}
int rssobds_stub(int32_t kind, char* word) { return std::sprintf(word, "kind%d", kind); }

class Housekeeping : public ::testing::Test {
protected:
    void SetUp() override {
        static void* engine[kEngineTableSlots] = {};
        engine[56] = reinterpret_cast<void*>(&rskcdoc_stub);
        engine[160] = reinterpret_cast<void*>(&rskopts_stub);
        engine[203] = reinterpret_cast<void*>(&rskpthd_stub);
        engine[207] = reinterpret_cast<void*>(&rskpthr_stub);
        engine[106] = reinterpret_cast<void*>(&rskcurm_stub);
        engine[206] = reinterpret_cast<void*>(&listing_stub<0>);
        engine[59] = reinterpret_cast<void*>(&listing_stub<1>);
        engine[58] = reinterpret_cast<void*>(&listing_stub<2>);
        engine[36] = reinterpret_cast<void*>(&listing_stub<3>);
        engine[117] = reinterpret_cast<void*>(&listing_stub<4>);
        engine[159] = reinterpret_cast<void*>(&rskoptp_stub);
        engine[294] = reinterpret_cast<void*>(&rskvarp_stub);
        engine[107] = reinterpret_cast<void*>(&rskcurp_stub);
        engine[94] = reinterpret_cast<void*>(&rskclbp_stub);
        engine[263] = reinterpret_cast<void*>(&rsktrnl_stub);
        engine[153] = reinterpret_cast<void*>(&rskmodp_stub);
        engine[283] = reinterpret_cast<void*>(&rskvar_stub);
        engine[226] = reinterpret_cast<void*>(&rsksym_stub);
        engine[96] = reinterpret_cast<void*>(&rskcls_stub);
        engine[290] = reinterpret_cast<void*>(&rskvarf_stub);
        engine[98] = reinterpret_cast<void*>(&rskclsf_stub);
        static void* catalog[kCatalogTableSlots] = {};
        catalog[60] = reinterpret_cast<void*>(&store_stub);   // options
        catalog[85] = reinterpret_cast<void*>(&store_stub);   // search paths
        catalog[12] = reinterpret_cast<void*>(&store_stub);   // currency display
        catalog[49] = reinterpret_cast<void*>(&rssobds_stub);
        catalog[50] = reinterpret_cast<void*>(&rssoflf_stub);
        catalog[23] = reinterpret_cast<void*>(&rssenvp_stub);
        ASSERT_EQ(hiexprt(kEngineTableVectorCode, engine, kEngineTableSlots, nullptr), 0);
        ASSERT_EQ(hiexprt(kCatalogTableVectorCode, catalog, kCatalogTableSlots, nullptr), 0);
        g_calls.clear();
        g_store_result = 0;
        con_.general_pool = xmpoolc(4096, 4096, 0);
        con_.current_options = reinterpret_cast<RSKOPTREC*>(&option_record_);
        std::memcpy(environment_.libref, "WORK    ", 8);
        environment_.name.name = RSKNAMEREC{4, 4, const_cast<char*>("ENV1")};
        con_.current_environment = &environment_;
    }
    void TearDown() override {
        wideprt(kEngineTableVectorCode);
        wideprt(kCatalogTableVectorCode);
        xmpoold(con_.general_pool);
    }

    // Parses one statement and runs a handler on it, capturing the log.
    // fail_nth > 0 makes that allocation of the handler fail; a step exit is caught into exit_code_.
    int run(int (*handler)(RSKCON*, statement_node*), const std::string& statement, long fail_nth = 0) {
        ParsedStep step = parse_.parse(statement);
        EXPECT_EQ(step.code, 0) << step.log;
        if (step.nodes.size() != 2u) return -1;
        std::string path = ::testing::TempDir() + "housekeeping_" + std::to_string(::getpid()) + ".log";
        qor_print_set_log_file(path.c_str());
        qor_print_set_print_file((path + ".print").c_str());
        qor_print_set_msgids(true);
        int rc = -2;
        exit_code_ = 0;
        qor_pool_fail_nth(fail_nth);
        try {
            rc = handler(&con_, const_cast<statement_node*>(step.nodes[1]));
        } catch (const qor::runtime::StepExit& e) {
            exit_code_ = e.code;
        }
        qor_pool_fail_nth(0);
        xpoflsh(0);
        qor_print_set_log_file(nullptr);
        qor_print_set_print_file(nullptr);
        qor_print_set_msgids(false);
        std::stringstream s;
        for (const std::string& file : {path, path + ".print"}) {
            std::ifstream in(file);
            s << in.rdbuf();
            ::unlink(file.c_str());
        }
        log_ = s.str();
        return rc;
    }

    ZozuParse parse_;
    RSKCON con_{};
    RSKENV environment_{};
    double option_record_[8] = {};
    std::string log_;
    int exit_code_ = 0;
};

TEST_F(Housekeeping, TraceLevelsModeSelectionsCategoriesAndThread) {
    struct Case {
        const char* statement;
        int low, high, mode;
        uint32_t categories;
        const char* selection;
        std::vector<const char*> logged;
    };
    const Case cases[] = {
        {"TRACE LEVEL=(1 5) ON;", 1, 5, 1, 0, nullptr, {}},
        // A range that runs backwards is reported and the full range traced.
        {"TRACE LEVEL=(5 2) OFF;", 0, 9, 2, 0, nullptr, {"670/1100", "670/1101"}},
        {"TRACE 'bond*' ALL;", 0, 9, 0, RSKTRACE_ALL, "BOND*", {}},
        {"TRACE NONE;", 0, 9, 0, 0, "BOND*", {}},
        {"TRACE FACTORS pricing exec;", 0, 9, 0, RSKTRACE_FACTORS | RSKTRACE_PRICE, "BOND*", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.statement);
        EXPECT_EQ(run(&zozu::trace_stmt, c.statement), 0);
        EXPECT_EQ(con_.trace_level_low, c.low);
        EXPECT_EQ(con_.trace_level_high, c.high);
        EXPECT_EQ(con_.trace_mode, c.mode);
        EXPECT_EQ(con_.trace_categories, c.categories);
        EXPECT_EQ(con_.trace_detail, 1);   // unset detail becomes brief
        if (c.selection != nullptr) {
            ASSERT_NE(con_.trace_selection, nullptr);
            EXPECT_STREQ(con_.trace_selection, c.selection);
        }
        for (const char* piece : c.logged) EXPECT_NE(log_.find(piece), std::string::npos) << log_;
    }
    EXPECT_EQ(run(&zozu::trace_stmt, "TRACE DETAILED METHOD='price_*' THREAD=2 SUBMITS LIST TRACE;"), 0);
    EXPECT_EQ(con_.trace_detail, 2);
    EXPECT_STREQ(con_.trace_method_selection, "PRICE_*");
    EXPECT_EQ(con_.trace_thread, 1);
    EXPECT_EQ(con_.trace_thread_on, 1);
    EXPECT_EQ(con_.trace_submits + con_.trace_list + con_.trace_trace, 3);
    EXPECT_EQ(con_.trace_debug + con_.trace_print, 0);
    // Thread 0 would be stored as -1: refused, the earlier selection stays.
    EXPECT_EQ(run(&zozu::trace_stmt, "TRACE THREAD=0;"), 0);
    EXPECT_EQ(con_.trace_thread, 1);
    EXPECT_NE(log_.find("THREAD="), std::string::npos) << log_;
}

TEST_F(Housekeeping, DebugWordsSetCategoriesAndPrintNotesInOrder) {
    EXPECT_EQ(run(&zozu::debug_stmt, "DEBUG ALL NOMEMORY timer;"), 0);
    EXPECT_EQ(con_.debug_categories, ~uint32_t{RSKDEBUG_MEMORY});
    size_t all = log_.find("All debug options turned ON.");
    size_t memory = log_.find("Memory management debug option turned OFF.");
    size_t timer = log_.find("Timer option turned ON.");
    ASSERT_NE(all, std::string::npos) << log_;
    ASSERT_NE(memory, std::string::npos) << log_;
    ASSERT_NE(timer, std::string::npos) << log_;
    EXPECT_LT(all, memory);
    EXPECT_EQ(run(&zozu::debug_stmt, "DEBUG OFF DETAILS;"), 0);
    EXPECT_EQ(con_.debug_categories, uint32_t{RSKDEBUG_DETAILED});
    EXPECT_EQ(con_.debug_detail, 1u);
}

TEST_F(Housekeeping, SetoptionsPassesValuesByTypeAndSkipsUnknownOptions) {
    EXPECT_EQ(run(&zozu::setoptions_stmt, "SETOPTIONS MAXTHREADS=4 NOAUTOSAVE ALPHA=0.05 FMTDATE=DATE9. NOSEARCH;"), 0);
    ASSERT_EQ(g_calls.size(), 5u);
    EXPECT_EQ(g_calls[0], "opts 101 4 4.000000 ");
    EXPECT_EQ(g_calls[1].rfind("opts 102 0 missing", 0), 0u) << g_calls[1];
    EXPECT_EQ(g_calls[2].rfind("opts 103 0 0.050000", 0), 0u) << g_calls[2];
    EXPECT_EQ(g_calls[3], "opts 104 0 missing DATE9.");
    EXPECT_EQ(g_calls[4], "store");
    EXPECT_NE(log_.find("670/1152"), std::string::npos) << log_;   // SEARCH is not known here
    // A store that fails loses the settings: the statement fails with it.
    g_store_result = 1;
    EXPECT_EQ(run(&zozu::setoptions_stmt, "SETOPTIONS MAXTHREADS=2;"), 1);
}

TEST_F(Housekeeping, SetpathRemovesStalePathsAndSaveNeedsEveryPath) {
    std::string here = ::testing::TempDir();
    EXPECT_EQ(run(&zozu::setpath_stmt, "PATH '" + here + "' REMOVE=('/no/such/dir');"), 0);
    ASSERT_EQ(g_calls.size(), 2u);
    EXPECT_EQ(g_calls[0], "define " + here + " 1");
    EXPECT_EQ(g_calls[1], "remove /no/such/dir");   // a stale directory can still be removed
    g_calls.clear();
    EXPECT_EQ(run(&zozu::setpath_stmt, "PATH SAVE '/no/such' '" + here + "';"), 0);
    EXPECT_NE(log_.find("670/1035"), std::string::npos) << log_;
    EXPECT_NE(log_.find("670/1177"), std::string::npos) << log_;
    EXPECT_EQ(g_calls, std::vector<std::string>{"define " + here + " 1"});   // nothing stored
    g_calls.clear();
    EXPECT_EQ(run(&zozu::setpath_stmt, "PATH SAVE '" + here + "';"), 0);
    EXPECT_EQ(g_calls.back(), "store");
}

TEST_F(Housekeeping, CurrenciesKeepHidesAllFirstAndTheStoreDecides) {
    EXPECT_EQ(run(&zozu::currencies_stmt, "CURRENCIES KEEP=(USD EUR) DROP=(JPY XXX);"), 0);
    EXPECT_EQ(g_calls, (std::vector<std::string>{"curm  -2", "curm USD 1", "curm EUR 1", "curm JPY -1", "curm XXX -1", "store"}));
    EXPECT_NE(log_.find("XXX is not known"), std::string::npos) << log_;
    g_calls.clear();
    EXPECT_EQ(run(&zozu::currencies_stmt, "CURRENCIES ALL;"), 0);
    EXPECT_EQ(g_calls, (std::vector<std::string>{"curm  2", "store"}));
    g_store_result = 1;
    EXPECT_EQ(run(&zozu::currencies_stmt, "CURRENCIES NONE;"), 1);
}

TEST_F(Housekeeping, PrintSectionsFollowTheTableOrderAndAllPrintsEvery) {
    EXPECT_EQ(run(&zozu::print_stmt, "PRINT VARIABLES CURRENCIES PATH OPTIONS MODELS;"), 0);
    EXPECT_EQ(g_calls, (std::vector<std::string>{"path", "options 3", "variables 0", "currencies 0", "models 4"}));
    g_calls.clear();
    // Listings that this build cannot print are reported and fail the statement; the others run.
    EXPECT_EQ(run(&zozu::print_stmt, "PRINT ALL;"), 1);
    EXPECT_EQ(g_calls, (std::vector<std::string>{"path", "environment 1", "options 3", "types", "roles",
                                                 "variables 0", "variables 2", "categories", "currencies 0",
                                                 "currencies 1", "fx", "instruments", "methods", "models 6",
                                                 "models 4"}));
    EXPECT_NE(log_.find("No Array Variables are Defined."), std::string::npos) << log_;
    for (const char* listing : {"function", "data source"})
        EXPECT_NE(log_.find(std::string("the ") + listing + " listing"), std::string::npos) << log_;
}

TEST_F(Housekeeping, FilterBuffersOutOfMemoryNameTheirLabel) {
    const std::string statement = "FILTER big WHERE='notional > 1e6\n and coupon > 0';";
    struct Case {
        long fail_nth;
        const char* label;
    };
    for (const Case& c : {Case{1, "filter string"}, Case{2, "line breaks"}}) {
        SCOPED_TRACE(c.label);
        size_t live = qor_pool_live_blocks(con_.general_pool);
        EXPECT_EQ(run(&zozu::filter_stmt, statement, c.fail_nth), 1);
        EXPECT_NE(log_.find("598/2797"), std::string::npos) << log_;
        EXPECT_NE(log_.find(c.label), std::string::npos) << log_;
        EXPECT_LE(qor_pool_live_blocks(con_.general_pool), live);   // nothing left behind
    }
    // Without the engine's filter routines the filter cannot be defined: reported, never success.
    EXPECT_EQ(run(&zozu::filter_stmt, statement), 1);
    EXPECT_NE(log_.find("670/1082"), std::string::npos) << log_;
    EXPECT_NE(log_.find("big"), std::string::npos) << log_;
}

TEST_F(Housekeeping, DeleteRemovesWhatItFindsKeepsBuiltinsAndNeverSucceedsIdly) {
    struct Case {
        const char* statement;
        int result;
        std::vector<std::string> calls;
        std::vector<const char*> logged;
        bool variables_stale, types_stale;
    };
    const Case cases[] = {
        {"DELETE VARIABLE=x;", 0, {"free x"}, {}, true, true},
        {"DELETE VARIABLE=InstType;", 1, {}, {"670/1034", "InstType"}, false, false},
        {"DELETE INSTRUMENT=Bond;", 0, {"drop entry", "free type"}, {}, false, true},
        {"DELETE PROJECT=nope;", 1, {}, {"670/1030", "kind30 nope", "DELETE"}, false, false},
        // Kinds in their fixed order whatever the order written: the variable before the type.
        {"DELETE INSTRUMENT=Bond VARIABLE=x;", 0, {"free x", "drop entry", "free type"}, {}, true, true},
        {"DELETE METHOD=m;", 1, {}, {"method m"}, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.statement);
        g_calls.clear();
        con_.variables_pending = con_.types_pending = con_.methods_pending = 0;
        EXPECT_EQ(run(&zozu::delete_stmt, c.statement), c.result);
        EXPECT_EQ(g_calls, c.calls);
        for (const char* piece : c.logged) EXPECT_NE(log_.find(piece), std::string::npos) << log_;
        EXPECT_EQ(con_.variables_pending != 0, c.variables_stale);
        EXPECT_EQ(con_.methods_pending != 0, c.variables_stale);
        EXPECT_EQ(con_.types_pending != 0, c.types_stale);
    }
}

TEST_F(Housekeeping, TraceSelectionOutOfMemoryEndsTheStepAndKeepsTheOldSelection) {
    ASSERT_EQ(run(&zozu::trace_stmt, "TRACE 'old';"), 0);
    for (const char* statement : {"TRACE 'new';", "TRACE METHOD='new';"}) {
        SCOPED_TRACE(statement);
        EXPECT_EQ(run(&zozu::trace_stmt, statement, 1), -2);
        EXPECT_EQ(exit_code_, 1016);
        EXPECT_NE(log_.find("598/500"), std::string::npos) << log_;
        EXPECT_STREQ(con_.trace_selection, "OLD");
    }
    EXPECT_EQ(con_.trace_method_selection, nullptr);
}

}  // namespace
