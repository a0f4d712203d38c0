// The compiler driver over real compiles: echo of pushes, action blocks entered and switched in
// the run list, missing labels, run-time errors through the error hook, memory exhaustion.
#include <cstring>
#include <string>
#include <vector>

#include "engine/compiler/compiler_driver.h"
#include "host/anchor.h"
#include "tests/engine/engine_fixture.h"

namespace {

class CompileDriverTest : public EngineTest {
protected:
    void TearDown() override {
        rskecmp(&con_);
        EngineTest::TearDown();
    }
    RSKCMPCON* handle() { return con_.compile_handle; }
    cmp_session* program() { return handle()->compilation.program; }
    void push_all(const std::vector<std::string>& statements) {
        for (const std::string& s : statements) ASSERT_LE(rskpush(handle(), s.c_str(), 0, 2), 0) << s << log();
    }
    // An engine cell the program counts in.
    void bind(const char* name, double* cell) {
        cmp_symbol* symbol = cmpsymd(program(), name, -1, 'v', 'n');
        ASSERT_NE(symbol, nullptr);
        ASSERT_EQ(cmppdvb(program(), symbol, cell), 0);
    }
    static void name_action(RSKACTION* action, const char* name) {
        std::memcpy(action->name.buffer, name, std::strlen(name));
        action->name.name = RSKNAMEREC{kRskObjectNameCapacity, static_cast<uint16_t>(std::strlen(name)),
                                       action->name.buffer};
    }
};

TEST_F(CompileDriverTest, EchoPrintsTheHeadingOnceAndEveryStatementButTheEndMarker) {
    ASSERT_EQ(rskicmp(1, 0, &con_, 1), 0) << log();
    push_all({"a = 1;", "b = a + 1;"});
    EXPECT_EQ(rskpush(handle(), CMP_END_MARKER, 0, 2), CMP_COMPLETE);
    std::string out = listing();
    EXPECT_EQ(count_of(out, "598/3414"), 1) << out;
    EXPECT_EQ(count_of(out, "598/3411"), 2) << out;
    EXPECT_NE(out.find("    1  a = 1;"), std::string::npos) << out;
    EXPECT_NE(out.find("    2  b = a + 1;"), std::string::npos) << out;
    EXPECT_EQ(out.find("_q_U_i_T_"), std::string::npos) << out;
}

TEST_F(CompileDriverTest, RefusedStatementIsReportedAndKeepsTheErrorFlagUntilAGoodPush) {
    ASSERT_EQ(rskicmp(0, 0, &con_, 1), 0);
    EXPECT_GT(rskpush(handle(), "x = ;", 0, 1), 0);
    EXPECT_EQ(handle()->error_flag, 1);
    EXPECT_EQ(count_of(log(), "598/3433"), 0) << "mode 1 leaves the report to the caller";
    EXPECT_GT(rskpush(handle(), "y = ;", 0, 2), 0);
    EXPECT_EQ(count_of(log(), "598/3433"), 1) << log();
    EXPECT_LE(rskpush(handle(), "y = 2;", 0, 2), 0);
    EXPECT_EQ(handle()->error_flag, 0);
}

TEST_F(CompileDriverTest, RunListRunsExactlyTheActionsSwitchedOnEachOnce) {
    ASSERT_EQ(rskicmp(0, 0, &con_, 1), 0) << log();
    double first = 0, second = 0;
    bind("C1", &first);
    bind("C2", &second);
    RSKACTION a{}, b{}, never{};
    ASSERT_EQ(rsksact(&con_, &a, RSKBLK_MAIN), 0);
    push_all({"c1 = c1 + 1;", "return;"});
    ASSERT_EQ(rsksact(&con_, &b, RSKBLK_MAIN), 0);
    push_all({"c2 = c2 + 1;", "return;"});
    EXPECT_STREQ(a.label, "_ACT1");
    EXPECT_EQ(b.sequence[RSKBLK_MAIN], 2);
    ASSERT_EQ(rskgcmp(&con_), 0) << log();
    EXPECT_EQ(handle()->state, RSKCMP_GENERATED);

    struct Step {
        RSKACTION* action;
        int on;
        double first, second;   // counts after the switch and one run
    } steps[] = {
        {&never, 1, 0, 0},     // nothing on: nothing runs; an action never entered changes nothing
        {&a, 1, 1, 0},
        {&a, 1, 2, 0},         // on twice: still runs once per run
        {nullptr, 1, 3, 1},    // all on
        {&a, 0, 3, 2},
        {&a, 0, 3, 3},         // off twice changes nothing more
        {nullptr, 0, 3, 3},
    };
    for (const Step& s : steps) {
        rskmact(&con_, s.action, RSKBLK_MAIN, s.on, 0);
        EXPECT_EQ(rskrcmp(&con_, nullptr, 1), 0) << log();
        EXPECT_EQ(first, s.first);
        EXPECT_EQ(second, s.second);
        EXPECT_LE(handle()->active_counts[0], 2);
    }
}

// A refused push leaves the source incomplete, so a label can only be missing when the action's
// label changed after its entry: the program then lacks "_ACT9_MAIN".
TEST_F(CompileDriverTest, AnActionBlockWhoseLabelIsNotInTheProgramFailsGeneration) {
    ASSERT_EQ(rskicmp(0, 0, &con_, 1), 0);
    RSKACTION action{};
    ASSERT_EQ(rsksact(&con_, &action, RSKBLK_MAIN), 0);
    push_all({"return;"});
    std::strcpy(action.label, "_ACT9");
    EXPECT_EQ(rskgcmp(&con_), 1);
    std::string text = log();
    EXPECT_NE(text.find("598/3409"), std::string::npos) << text;
    EXPECT_NE(text.find("_ACT9_MAIN"), std::string::npos) << text;
    EXPECT_NE(text.find("598/3436"), std::string::npos) << text;
    EXPECT_EQ(handle()->state, RSKCMP_FAILED);
}

TEST_F(CompileDriverTest, ARefusedStatementFailsGenerationWithoutRunning) {
    ASSERT_EQ(rskicmp(0, 0, &con_, 1), 0);
    RSKACTION action{};
    action.label_number = 7;
    std::strcpy(action.label, "1BAD");   // not a label: its entry push is refused
    EXPECT_EQ(rsksact(&con_, &action, RSKBLK_MAIN), 1);
    EXPECT_EQ(rskgcmp(&con_), 1);
    EXPECT_NE(log().find("598/3438"), std::string::npos) << log();
    EXPECT_EQ(handle()->state, RSKCMP_FAILED);
    EXPECT_EQ(rskrcmp(&con_, nullptr, 1), 2);
}

TEST_F(CompileDriverTest, RunErrorNamesTheMethodTheLineWithinItAndThePhase) {
    ASSERT_EQ(rskicmp(0, 0, &con_, 1), 0);
    RSKACTION action{};
    name_action(&action, "PRICEIT");
    push_all({"METHOD PRICEIT;", "array a[2] a1 a2;", "i = 5;", "x = a[i];", "ENDMETHOD;"});
    action.first_line = 1;
    action.last_line = 5;
    ASSERT_EQ(rsksact(&con_, &action, RSKBLK_MAIN), 0);
    push_all({"runmethod PRICEIT;", "return;"});
    ASSERT_EQ(rskgcmp(&con_), 0) << log();
    rskrcmp_state(&con_, 'P');
    rskmact(&con_, &action, RSKBLK_MAIN, 1, 0);
    EXPECT_EQ(rskrcmp(&con_, nullptr, 1), 2);
    std::string text = log();
    EXPECT_NE(text.find("ERROR: Line 3 of pricing method PRICEIT: "), std::string::npos) << text;
}

TEST_F(CompileDriverTest, MissingCompilerFailsEveryCompile) {
    con_.compile_handle = rskxcmp();
    ASSERT_NE(handle(), nullptr);
    handle()->compiler_missing = 1;
    EXPECT_EQ(rskicmp(0, 0, &con_, 1), 1);
    EXPECT_EQ(rskicmp(0, 0, &con_, 0), 1);
    EXPECT_EQ(count_of(log(), "598/3401"), 2) << log();
}

TEST_F(CompileDriverTest, ExtensionAnswersWhetherAMethodIsDefined) {
    ASSERT_EQ(rskicmp(0, 0, &con_, 1), 0);
    push_all({"METHOD DONE;", "x = 1;", "ENDMETHOD;", "METHOD OPEN;"});
    EXPECT_EQ(rskcompm(program(), "done", 4), 1);
    EXPECT_EQ(rskcompm(program(), "OPEN", 4), 0);
    EXPECT_EQ(rskcompm(program(), "ABSENT", 6), 0);
}

// Every allocation of opening a compile, entering an action and making an extension fails in
// turn: each path reports, nothing crashes, and ending the compile gives every block back.
TEST_F(CompileDriverTest, ExhaustedMemoryIsReportedOnEveryPathAndEverythingIsFreed) {
    qor_pool* global = qor_global_gcb()->global_pool;
    size_t baseline = qor_pool_live_blocks(global);
    int failures = 0;
    for (long n = 1; n < 200; ++n) {
        con_.no_memory_reported = 0;
        qor_pool_fail_nth(n);
        int rc = rskicmp(0, 0, &con_, 1);
        bool fired = qor_pool_fail_nth(0) == 0;
        if (!fired) {
            EXPECT_EQ(rc, 0);
            break;
        }
        EXPECT_EQ(rc, 1) << n;
        ++failures;
    }
    EXPECT_GT(failures, 0);
    std::string text = log();
    EXPECT_NE(text.find("598/3401"), std::string::npos) << text;

    ASSERT_EQ(rskicmp(0, 0, &con_, 1), 0);
    RSKACTION action{};
    con_.no_memory_reported = 0;
    qor_pool_fail_nth(1);
    EXPECT_EQ(rsksact(&con_, &action, RSKBLK_MAIN), 1) << "an action that cannot be entered fails the compile";
    qor_pool_fail_nth(0);
    EXPECT_NE(log().find("transformation list"), std::string::npos) << log();

    for (long n = 1; n < 10; ++n) {
        cmp_session* session = nullptr;
        RSKCMPEXT* extension = nullptr;
        qor_pool_fail_nth(n);
        int rc = rskcompi(&session, &con_, nullptr, &extension);
        bool fired = qor_pool_fail_nth(0) == 0;
        if (rc == 0) {
            rskcompe(extension);
            cmpends(session);
        }
        if (!fired) break;
        EXPECT_EQ(rc, 1);
        EXPECT_EQ(session, nullptr);
    }
    text = log();
    EXPECT_TRUE(text.find("672/3000") != std::string::npos || text.find("672/3001") != std::string::npos) << text;

    rskecmp(&con_);
    EXPECT_EQ(con_.compile_handle, nullptr);
    EXPECT_EQ(qor_pool_live_blocks(global), baseline);
}

}  // namespace
