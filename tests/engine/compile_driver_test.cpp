// The compiler driver over real compiles: echo of pushes, action blocks entered and switched in
// the run list, missing labels, run-time errors through the error hook, memory exhaustion.
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "engine/compiler/compiler_driver.h"
#include "engine/model/variables/variable_record.h"
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

// Method arguments declared for engine storage: what the program writes lands in the storage.
TEST_F(CompileDriverTest, SymbolEntriesAreDeclaredOnTheirStorageAndFoundAfterGeneration) {
    ASSERT_EQ(rskicmp(0, 0, &con_, 1), 0);
    double cell = 1.5, vector[3] = {1, 2, 3}, first = 10, second = 20;
    RSKVARIABLE e1{}, e2{};
    std::strcpy(e1.name.buffer, "E1");
    e1.name.name = RSKNAMEREC{kRskObjectNameCapacity, 2, e1.name.buffer};
    e1.value = &first;
    e1.value_class = 1;
    e2 = e1;
    std::strcpy(e2.name.buffer, "E2");
    e2.name.name.text = e2.name.buffer;
    e2.value = &second;
    RSKVARIABLE* elements[] = {&e1, &e2};
    struct Case {
        const char* name;
        int kind, first;
        void* data;
    } cases[] = {
        {"CELL", RSKSK_NUMBER, 0, &cell},
        {"VEC", RSKSK_VECTOR, 3, vector},
        {"TXT", RSKSK_CHAR, 0, nullptr},
        {"PAIR", RSKSK_VARIABLES, 2, elements},
    };
    for (const Case& c : cases) {
        RSKSYMENTRY entry{};
        entry.name = const_cast<char*>(c.name);
        entry.name_length = static_cast<int16_t>(std::strlen(c.name));
        EXPECT_NE(rsklsym(&entry, c.kind, c.first, 0, c.data, &con_, 0), nullptr) << c.name;
        EXPECT_EQ(entry.symbol, cmpsyms(program(), c.name, -1)) << c.name;
    }
    RSKACTION action{};
    ASSERT_EQ(rsksact(&con_, &action, RSKBLK_MAIN), 0);
    push_all({"cell = cell * 2;", "vec[3] = vec[1] + vec[2];", "pair[2] = pair[1] + 1;", "txt = 'abc';",
              "array loc[2] l1 l2;", "l2 = 7;", "return;"});
    ASSERT_EQ(rskgcmp(&con_), 0) << log();
    rskmact(&con_, nullptr, RSKBLK_MAIN, 1, 0);
    ASSERT_EQ(rskrcmp(&con_, nullptr, 1), 0) << log();
    EXPECT_EQ(cell, 3.0);
    EXPECT_EQ(vector[2], 3.0);
    EXPECT_EQ(second, 11.0);

    double* out = nullptr;
    EXPECT_EQ(lookup_sym(&con_, "CELL", 4, nullptr, &out), 0);
    EXPECT_EQ(out, &cell);
    EXPECT_EQ(lookup_sym(&con_, "TXT", 3, nullptr, &out), 1) << "only numeric symbols count";
    EXPECT_EQ(lookup_array(&con_, "LOC[2]", 6, &out), 0);
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(*out, 7.0);
    EXPECT_EQ(lookup_array(&con_, "LOC[3]", 6, &out), 1);
    EXPECT_EQ(lookup_array(&con_, "LOC[x]", 6, &out), 1);
    EXPECT_NE(log().find("Cannot find LOC[x] in postvar or postprice computation."), std::string::npos) << log();
}

// Each execution block runs its own instance on its own record, also on threads at once: the
// value structure of block e reads and writes block e's record only.
TEST_F(CompileDriverTest, EachExecutionBlockRunsItsOwnInstanceOnItsOwnRecord) {
    RSKRUNCOMPILE run{};
    RSKPROGRECORD records[2] = {};
    run.execution_blocks = 2;
    run.per_block_programs = 1;
    run.programs = records;
    con_.run_compile = &run;
    ASSERT_EQ(rskicmp(0, 0, &con_, 1), 0);
    cmp_member member{"P", CMP_MEMBER_NUMBER, 0};
    ASSERT_EQ(cmpinss(program(), "VALS", 4, &member, 1, 8), 0);
    ASSERT_EQ(cmpstri(program(), "VALS", 4, "VAL", 3, 1), 0);
    handle()->value_base_slot = cmpbasei(program(), "VAL", 3);
    ASSERT_GE(handle()->value_base_slot, 0);
    EXPECT_EQ(rskaref(handle()), 0);
    EXPECT_EQ(rskaref(handle()), 2) << "one reference entry per execution block";
    RSKACTION action{};
    ASSERT_EQ(rsksact(&con_, &action, RSKBLK_MAIN), 0);
    push_all({"p = p + 1;", "return;"});
    ASSERT_EQ(rskgcmp(&con_), 0) << log();
    double values[2] = {0, 1000};
    for (int e = 0; e < 2; ++e) {
        records[e].block = e;
        records[e].instance = rskcmpi(&con_, e);
        records[e].value_vector = &values[e];
        ASSERT_NE(records[e].instance, nullptr);
        rskmact(&con_, &action, RSKBLK_MAIN, 1, e);
    }
    EXPECT_EQ(rskcmpg(&con_, 1), program()) << "every block shares the one session";
    EXPECT_EQ(rskcmpi(&con_, 2), nullptr);
    std::thread threads[2];
    int failures[2] = {0, 0};
    for (int e = 0; e < 2; ++e)
        threads[e] = std::thread([&, e] {
            for (int s = 1; s <= 500; ++s) failures[e] += rskrcmp(&con_, &records[e], s);
        });
    for (std::thread& t : threads) t.join();
    EXPECT_EQ(failures[0] + failures[1], 0) << log();
    EXPECT_EQ(values[0], 500.0);
    EXPECT_EQ(values[1], 1500.0);
    EXPECT_GT(rskmcmp(&con_), 0u);
    rskecmp(&con_);
    con_.run_compile = nullptr;
}

// A wrapped program gets the special functions and stays its owner's when the compile ends.
TEST_F(CompileDriverTest, WrappedProgramStaysWithItsOwner) {
    cmp_session* own = nullptr;
    ASSERT_EQ(cmpints(&own, nullptr), 0);
    ASSERT_EQ(rskcmp0(&con_, own, 1, 0, nullptr), 0) << log();
    EXPECT_EQ(handle()->mode, 1);
    EXPECT_EQ(program(), own);
    EXPECT_EQ(rskocmp(handle(), CMP_OPTION_BUDGET, 1000), 0);
    rskecmp(&con_);
    EXPECT_EQ(cmpprss(own, "x = 1;", -1, nullptr, 0, nullptr, 0), CMP_ACCEPTED);
    EXPECT_EQ(cmpprss(own, "y = ;", -1, nullptr, 0, nullptr, 0), CMP_ERROR) << "reported by its own hooks";
    cmpends(own);
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
