// Start-up and termination through the entry table: a script of slot calls between rskinit and
// rskterm, the search path under GENERIC, the sample library, the scratch directory, saving
// and library references at termination, a module that cannot be installed, and every
// out-of-memory path of start-up.
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <filesystem>
#include <map>
#include <optional>

#include "common/module/anchors.h"
#include "engine/model/control/startup.h"
#include "engine/tables/object_tables.h"
#include "engine/model/options/engine_options.h"
#include "engine/model/paths/search_path.h"
#include "engine/model/variables/variables.h"
#include "host/files.h"
#include "host/macro.h"
#include "host/options.h"
#include "host/submit.h"
#include "runtime/core/host_modules.h"
#include "runtime/core/step.h"
#include "tests/engine/engine_fixture.h"

namespace {

namespace fs = std::filesystem;

using InitFn = int (*)(RSKCON**, int, uint32_t, uint32_t);
using TermFn = int (*)(RSKCON*);

class StartUp : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        root_ = fs::path(::testing::TempDir()) / ("startup_" + std::to_string(::getpid()) + "_" +
                                                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(root_);
        fs::create_directories(root_ / "samples");
        set_env("RISKSAMP", (root_ / "samples").c_str());
        set_env("SEARCH_PATH", nullptr);
        set_env("DEZERIVO", nullptr);
        set_env("PWPATH", nullptr);
        set_env("AUDIT_FILE", nullptr);
        rskinit_ = engine_routine<EngineSlot::rskinit>();
        rskterm_ = engine_routine<EngineSlot::rskterm>();
        ASSERT_NE(rskinit_, nullptr);
        global_blocks_ = qor_pool_live_blocks(qor_global_gcb()->global_pool);
    }
    void TearDown() override {
        qor_pool_fail_nth(0);
        xoptbst("GENERIC", 0);
        xhldas2("RISKSAMP");
        for (auto& [name, value] : saved_env_) {
            if (value) setenv(name.c_str(), value->c_str(), 1);
            else unsetenv(name.c_str());
        }
        fs::remove_all(root_);
        EngineTest::TearDown();
    }

    void set_env(const char* name, const char* value) {
        if (!saved_env_.count(name)) {
            const char* old = std::getenv(name);
            saved_env_[name] = old ? std::optional<std::string>(old) : std::nullopt;
        }
        if (value) setenv(name, value, 1);
        else unsetenv(name);
    }

    // Start-up inside a step, as a procedure runs it: the result, or the step's end code + 10000.
    // With fail_nth, the nth allocation of start-up itself fails.
    int start(RSKCON** out, long fail_nth = 0) {
        qor_step* step = qor::runtime::begin_step("ZOZU", "", 0, 1);
        int rc;
        qor_pool_fail_nth(fail_nth);
        try {
            rc = rskinit_(out, 0, 0, 0);
        } catch (const qor::runtime::StepExit& exit) {
            rc = 10000 + exit.code;
        }
        qor_pool_fail_nth(0);
        qor::runtime::end_step(step);
        return rc;
    }

    // What start-up leaves behind once its structure is gone: nothing in the global pool, no
    // submission layer.
    void expect_nothing_left() {
        EXPECT_EQ(qor_pool_live_blocks(qor_global_gcb()->global_pool), global_blocks_);
        EXPECT_EQ(qor_submit_layer_active(), 0);
        EXPECT_EQ(engine_libraries(), 0);
    }

    // Libraries with generated names (the engine's own) that are still assigned.
    static int engine_libraries() {
        int n = 0, cursor = 0;
        qor_library_info info;
        while (xhlnxt2(&cursor, &info) == 0) n += info.libref[0] == 'X' ? 1 : 0;
        return n;
    }

    template <typename Fn>
    Fn slot(int s) { return vector_slot<Fn>(381, s); }

    fs::path root_;
    InitFn rskinit_ = nullptr;
    TermFn rskterm_ = nullptr;
    size_t global_blocks_ = 0;
    std::map<std::string, std::optional<std::string>> saved_env_;
};

TEST_F(StartUp, AScriptOfSlotCallsRunsBetweenStartAndEnd) {
    RSKCON* con = nullptr;
    ASSERT_EQ(start(&con), 0) << log();
    ASSERT_NE(con, nullptr);
    EXPECT_EQ(con->client_kind, 0u);
    EXPECT_EQ(con->current_tables, con->object_tables);
    EXPECT_EQ(con->current_pool, con->object_pool);
    EXPECT_EQ(con->date_format.width, 9u);
    EXPECT_EQ(con->object_tables->tables[RSKTAB_PROJECTS].bucket_count, 59);
    EXPECT_EQ(con->object_tables->tables[RSKTAB_UNUSED20].buckets, nullptr);
    EXPECT_NE(wivget(383), nullptr);
    EXPECT_NE(wivget(418), nullptr);
    char reslib[16] = {};
    EXPECT_EQ(xjsymget(xalanch(), "RESLIB1", -1, reslib, sizeof reslib), 4);

    // The script: a directory on the search path, a name in a table, a look-up, the listing.
    std::string extra = (root_ / "extra").string();
    fs::create_directories(extra);
    EXPECT_EQ(slot<int (*)(RSKCON*, const char*, int, int, const char*)>(203)(con, extra.c_str(), -1, 1, nullptr), 0);
    RSKOBJNAME name;
    EXPECT_EQ(slot<int (*)(RSKCON*, RSKOBJNAME*, const char*, int)>(156)(con, &name, "Rate", -1), 0);
    int object = 7;
    RSKSYMTAB* projects = &con->object_tables->tables[RSKTAB_PROJECTS];
    EXPECT_EQ(slot<int (*)(RSKCON*, RSKSYMTAB*, const RSKNAMEREC*, void*)>(227)(con, projects, &name.name, &object), 0);
    EXPECT_EQ(slot<void* (*)(RSKCON*, const RSKSYMTAB*, const RSKNAMEREC*)>(226)(con, projects, &name.name), &object);
    EXPECT_EQ(slot<int (*)(RSKCON*)>(206)(con), 0);
    char libref[9] = {};
    std::memcpy(libref, con->search_path_tail->libref, 8);
    EXPECT_NE(listing().find(extra), std::string::npos);

    EXPECT_EQ(rskterm_(con), 0);
    qor_library_info info;
    EXPECT_NE(xhlinf2(libref, &info), 0);   // the engine's own references are gone
    expect_nothing_left();
    EXPECT_EQ(rskterm_(nullptr), 0);

    // The client ends by withdrawing the table.
    EXPECT_EQ(slot<int (*)()>(1)(), 0);
    EXPECT_EQ(wivget(381), nullptr);
    ASSERT_EQ(wiinstl((14 << 16) | 381, "TOLVANEA", 1), 0);
}

TEST_F(StartUp, GenericListingAndMissingSampleRoot) {
    set_env("RISKSAMP", nullptr);
    set_env("QORROOT", nullptr);
    xoptbst("GENERIC", 1);
    RSKCON* con = nullptr;
    ASSERT_EQ(start(&con), 0) << log();
    EXPECT_EQ(count_of(log(), "598/1295"), 1) << log();
    EXPECT_EQ(con->generic, 1u);
    slot<int (*)(RSKCON*)>(206)(con);
    std::string text = listing();
    EXPECT_EQ(count_of(text, "<System-specific pathname>"), 2) << text;   // WORK and "./"
    EXPECT_EQ(text.find(fs::current_path().string()), std::string::npos);
    rskterm_(con);

    set_env("RISKSAMP", ("\"" + (root_ / "samples").string() + "\"").c_str());
    ASSERT_EQ(start(&con), 0) << log();
    slot<int (*)(RSKCON*)>(206)(con);
    EXPECT_EQ(count_of(listing(), "<System-specific pathname>"), 2 + 3) << listing();
    rskterm_(con);
    expect_nothing_left();
}

TEST_F(StartUp, TheScratchDirectoryTakesTheNextFreeDigitAndGoesAtTheEnd) {
    RSKCON* con = nullptr;
    ASSERT_EQ(start(&con), 0);
    std::string work(con->work_path.name.text, con->work_path.name.length);
    fs::create_directories(fs::path(work) / "_garbage_can_0");
    ASSERT_EQ(rskgbgc(con), 0);
    std::string made(con->scratch_path, static_cast<size_t>(con->scratch_length));
    EXPECT_EQ(made, (fs::path(work) / "_garbage_can_1").string());
    EXPECT_TRUE(fs::is_directory(made));
    rskterm_(con);
    EXPECT_FALSE(fs::exists(made));
    EXPECT_TRUE(fs::exists(fs::path(work) / "_garbage_can_0"));
    fs::remove(fs::path(work) / "_garbage_can_0");
}

TEST_F(StartUp, AFailedStepIsNotSavedAndKeepLibLeavesLibrariesAssigned) {
    RSKCON* con = nullptr;
    ASSERT_EQ(start(&con), 0);
    std::string extra = (root_ / "extra").string();
    fs::create_directories(extra);
    ASSERT_EQ(rskpthd(con, extra.c_str(), -1, 1, nullptr), 0);   // not called through the slot:
    char libref[9] = {};                                           // the test's own copy
    std::memcpy(libref, con->search_path_tail->libref, 8);
    con->options->current.autosave = 1;
    con->options->current.keeplib = 1;
    con->error = 1;
    rskterm_(con);
    std::string text = log();
    EXPECT_NE(text.find("598/504"), std::string::npos) << text;
    EXPECT_EQ(text.find("rssenva"), std::string::npos);   // saving was not even tried
    qor_library_info info;
    EXPECT_EQ(xhlinf2(libref, &info), 0);
    EXPECT_GE(engine_libraries(), 2);   // "./" and the directory added
    int cursor = 0;
    while (xhlnxt2(&cursor, &info) == 0) {
        if (info.libref[0] != 'X') continue;
        char name[9] = {};
        std::memcpy(name, info.libref, 8);
        xhldas2(name);
        cursor = 0;
    }
    expect_nothing_left();
}

TEST_F(StartUp, PrivateLibraryAuditTrailAndPendingRebuilds) {
    std::string private_dir = (root_ / "private").string();
    fs::create_directories(private_dir);
    set_env("PWPATH", (root_ / "nowhere").c_str());
    RSKCON* con = nullptr;
    ASSERT_EQ(start(&con), 0);
    EXPECT_EQ(con->private_library, 0);
    EXPECT_NE(log().find("598/1292"), std::string::npos) << log();
    rskterm_(con);

    set_env("PWPATH", private_dir.c_str());
    std::string audit = (root_ / "audit.txt").string();
    set_env("AUDIT_FILE", audit.c_str());
    ASSERT_EQ(start(&con), 0);
    EXPECT_EQ(con->private_library, 1);
    qor_library_info info;
    EXPECT_EQ(xhlinf2("_QJ_", &info), 0);
    EXPECT_EQ(con->audit, 1);
    // Pending rebuilds run before a run; a rebuild that fails is reported.
    // A risk factor whose lag grid does not exist fails the rebuild.
    RSKVARDEF lagged{};
    lagged.name = "lagged";
    lagged.name_length = -1;
    lagged.kind = 2;
    lagged.data_type = 1;
    lagged.role = 301;
    lagged.lag_grid = "NOGRID";
    lagged.lag_grid_length = -1;
    ASSERT_EQ(engine_routine<EngineSlot::rskvard>()(con, nullptr, &lagged), 0) << log();
    EXPECT_EQ(con->variables_pending, 1);
    EXPECT_EQ(slot<int (*)(RSKCON*)>(3)(con), 1);   // rsk0
    rskterm_(con);
    std::ifstream in(audit);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_NE(text.str().find("session of user"), std::string::npos) << text.str();
    xhldas2("_QJ_");
    expect_nothing_left();
}

int refuse_install(int) { return 1; }

TEST_F(StartUp, AHostModuleThatCannotBeInstalledEndsTheStep) {
    wideprt((16 << 16) | 416);
    qor::runtime::host_module_install_fn installer = qor::runtime::find_host_module("qorras");
    qor::runtime::register_host_module("qorras", refuse_install);
    RSKCON* con = nullptr;
    EXPECT_EQ(start(&con), 10000 + 1012);
    qor::runtime::register_host_module("qorras", installer);
    EXPECT_EQ(con, nullptr);
    std::string text = log();
    EXPECT_NE(text.find("598/6000"), std::string::npos) << text;
    EXPECT_NE(text.find("module QORRAS could"), std::string::npos);   // the name without its blanks
    expect_nothing_left();
    ASSERT_EQ(start(&con), 0);
    rskterm_(con);
}

TEST_F(StartUp, EveryOutOfMemoryPathFailsCleanly) {
    RSKCON* con = nullptr;
    ASSERT_EQ(start(&con), 0);   // the function manager and the modules are up from here on
    rskterm_(con);
    int failures = 0;
    for (long n = 1; n < 100000; ++n) {
        SCOPED_TRACE(n);
        qor_print_set_log_file(log_path_.c_str());   // a fresh log per attempt
        con = reinterpret_cast<RSKCON*>(1);
        int rc = start(&con, n);
        if (rc == 0) {
            ASSERT_NE(con, nullptr);
            rskterm_(con);
            break;
        }
        ++failures;
        EXPECT_EQ(rc, 1);
        EXPECT_EQ(con, nullptr);
        EXPECT_NE(log().find("598/2797"), std::string::npos) << log();
        expect_nothing_left();
    }
    EXPECT_GT(failures, 20);
    expect_nothing_left();
}

}  // namespace
