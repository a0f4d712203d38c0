// Running out of memory in host services and steps: each scenario runs once for every n, with the
// n-th allocation of the process failing (pool or operator new), until it runs through without
// reaching n. Every run must end in success with the right result or in the service's error
// answer with a message in the log; nothing may escape, crash or leak (the sanitizer build
// checks leaks at exit).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "host/catalog.h"
#include "host/compiler.h"
#include "host/formats.h"
#include "host/lists.h"
#include "host/macro.h"
#include "host/pool.h"
#include "host/save_support.h"
#include "runtime/storage/libraries.h"
#include "runtime/submit/program_runner.h"
#include "tests/support/scratch.h"

namespace fs = std::filesystem;

namespace {

// What one armed run gave: the scenario's answer (0: done and checked) and whether the armed
// allocation was reached.
struct ArmedRun {
    int answer;
    bool reached;
};

// The scenario must not allocate in its own code while armed (a failure there would be the
// test's, not the service's): it uses literals and fixed buffers only.
template <typename Scenario>
ArmedRun run_armed(long n, Scenario scenario) {
    qor_pool_fail_nth(n);
    int answer = scenario();
    long left = qor_pool_fail_nth(0);
    return {answer, left == 0};
}

// Runs the scenario for n = 1, 2, ... until it completes without reaching the n-th allocation.
// `error_answers` lists what the scenario may answer on failure besides 0, each with a message.
// Returns the number of runs in which a failure was injected.
template <typename Scenario>
long fail_each_allocation(ScratchArea& scratch, const std::vector<int>& error_answers,
                          Scenario scenario) {
    xmemdef();
    for (long n = 1; n < 100000; ++n) {
        std::string before = scratch.log();
        ArmedRun run{};
        try {
            run = run_armed(n, scenario);
        } catch (const std::exception& e) {
            qor_pool_fail_nth(0);
            ADD_FAILURE() << "an exception escaped at allocation " << n << ": " << e.what();
            return n;
        }
        std::string logged = scratch.log().substr(before.size());
        if (!run.reached) {
            EXPECT_EQ(run.answer, 0) << "the unarmed run failed";
            xmemdef();
            return n - 1;
        }
        if (run.answer != 0) {
            bool known = std::find(error_answers.begin(), error_answers.end(), run.answer) !=
                         error_answers.end();
            EXPECT_TRUE(known) << "allocation " << n << " gave answer " << run.answer;
            EXPECT_NE(logged.find("ERROR"), std::string::npos)
                << "allocation " << n << " failed without a message (answer " << run.answer << ")";
            if (::testing::Test::HasFailure()) return n;
        }
    }
    ADD_FAILURE() << "the scenario never completed";
    return 0;
}

class AllocationFailure : public ::testing::Test {
protected:
    void SetUp() override { scratch.open("qor_memory_"); }
    void TearDown() override {
        qor_pool_fail_nth(0);
        scratch.close();
    }
    ScratchArea scratch;
};

// Declaring, compiling, generating and running a method: y = rate * 2 + 1.
int compile_and_run() {
    cmp_session* s = nullptr;
    int rc = cmpints(&s, nullptr);
    if (rc != 0) {
        cmpends(s);
        return 100;
    }
    double rate = 3, y = 0;
    cmp_symbol* r = cmpsymd(s, "rate", -1, 'v', 'n');
    cmp_symbol* out = r ? cmpsymd(s, "y", -1, 'v', 'n') : nullptr;
    int answer = 0;
    const char* statement = "y = rate * 2 + 1;";
    if (!r || !out) answer = 101;
    else if (cmppdvb(s, r, &rate) != 0 || cmppdvb(s, out, &y) != 0) answer = 102;
    else if (cmpprss(s, statement, -1, nullptr, 0, nullptr, 0) != 0) answer = 103;
    else if (cmpprss(s, CMP_END_MARKER, -1, nullptr, 0, nullptr, 0) != CMP_COMPLETE) answer = 104;
    else if (cmpgen(s, 1) != 0) answer = 105;
    else if (cmpfrun(cmpinsb(s, 0), 0) != 0) answer = 106;
    else if (y != 7) answer = 999;
    cmpends(s);
    return answer;
}

TEST_F(AllocationFailure, MethodCompilerServicesAnswerTheirErrors) {
    ASSERT_EQ(compile_and_run(), 0);
    long injected =
        fail_each_allocation(scratch, {100, 101, 102, 103, 104, 105, 106}, compile_and_run);
    EXPECT_GT(injected, 20);
}

qor_entry_request entry(uint32_t mode) {
    qor_entry_request r;
    r.libref = "MEMTEST";
    r.catalog = "cat";
    r.name = "rates";
    r.type = "risk13";
    r.mode = mode;
    return r;
}

// Writing a catalog entry and reading it back.
int catalog_round_trip() {
    const char bytes[] = "0123456789abcdef";
    qor_entry* e = nullptr;
    int code = xcopen(entry(QOR_CO_OUTPUT), &e);
    if (code != 0) return code;
    code = xcwrite(e, bytes, sizeof bytes);
    int closed = xcclose(e, 0);
    if (code != 0 || closed != 0) return code != 0 ? code : closed;
    char back[sizeof bytes] = {};
    size_t got = 0;
    code = xcopen(entry(QOR_CO_INPUT), &e);
    if (code != 0) return code;
    code = xcread(e, back, sizeof back, &got);
    closed = xcclose(e, 0);
    if (code != 0 || closed != 0) return code != 0 ? code : closed;
    return got == sizeof bytes && std::memcmp(back, bytes, got) == 0 ? 0 : 999;
}

TEST_F(AllocationFailure, CatalogEntryServicesAnswerTheirErrors) {
    fs::path dir = scratch.dir / "lib";
    fs::create_directories(dir);
    ASSERT_EQ(qor::runtime::assign_library("memtest", dir.string(), ""), 0);
    ASSERT_EQ(catalog_round_trip(), 0);
    long injected = fail_each_allocation(scratch, {static_cast<int>(QOR_C_NO_MEMORY)},
                                         catalog_round_trip);
    EXPECT_GT(injected, 5);
    qor::runtime::clear_library("memtest");
}

// Checks a copy of the list made below: the currency, and one copied sublist in both places
// where the original holds its own.
int check_list_copy(const qor_list* copy, const qor_list* original_sub) {
    std::string_view currency;
    qor_list* curve = nullptr;
    qor_list* again = nullptr;
    int answer = slgnc(copy, "currency", &currency);
    if (!answer && currency != "EUR") answer = 999;
    if (!answer) answer = slgnl(copy, "curve", &curve);
    if (!answer) answer = slgnl(copy, "again", &again);
    if (!answer && (curve != again || curve == original_sub || slcnt(curve) != 1)) answer = 999;
    return answer;
}

// A list holding one sublist twice, copied, then stored and read back into the copy. Whatever
// fails, every list made here is freed again (a list left registered answers 998).
int list_round_trip() {
    const size_t lists_before = qor_list_live_count();
    qor_list* list = nullptr;
    qor_list* sub = nullptr;
    qor_list* copy = nullptr;
    int answer = 0;
    if (!slnewl(&list, nullptr, 0)) return 200;
    if (!slnewl(&sub, nullptr, 0)) answer = 200;
    if (!answer) answer = slinsd(sub, 0.25, QOR_SL_APPEND, "rate");
    if (!answer) answer = slinsl(list, slid(sub), QOR_SL_APPEND, "curve");
    if (!answer) answer = slinsc(list, "EUR", QOR_SL_APPEND, "currency");
    if (!answer) answer = slinsl(list, slid(sub), QOR_SL_APPEND, "again");
    if (!answer && !slnewl(&copy, nullptr, 0)) answer = 200;
    if (!answer && !slcopy(list, copy)) answer = 201;
    if (!answer) answer = check_list_copy(copy, sub);
    std::string stored;
    if (!answer) answer = qor_list_encode(list, &stored);
    if (!answer) answer = qor_list_decode(stored.data(), stored.size(), copy, nullptr);
    if (!answer) answer = check_list_copy(copy, sub);
    if (copy) sldel(copy, 0);
    if (sub) sldel(sub, 0);
    sldel(list, 0);
    if (qor_list_live_count() != lists_before) return 998;
    return answer;
}

TEST_F(AllocationFailure, ListServicesAnswerTheirErrors) {
    const size_t lists_before = qor_list_live_count();
    ASSERT_EQ(list_round_trip(), 0);
    // 200: slnewl answered no list; 201: slcopy answered no copy. Both log why.
    long injected =
        fail_each_allocation(scratch, {QOR_SL_NO_MEMORY, 200, 201}, list_round_trip);
    EXPECT_GT(injected, 5);
    EXPECT_EQ(qor_list_live_count(), lists_before);
}

// Setting, reading and removing a macro variable.
int macro_round_trip() {
    qor_macro_table* table = xalanch();
    int code = xjsympc(table, "MEMVAR", -1, "a value long enough to need the heap", -1);
    if (code != 0) return code;
    char buffer[64];
    int n = xjsymget(table, "MEMVAR", -1, buffer, sizeof buffer);
    if (n < 0) return -n;
    if (std::strcmp(buffer, "a value long enough to need the heap") != 0) return 999;
    return xjsymdel(table, "MEMVAR", -1);
}

TEST_F(AllocationFailure, MacroServicesAnswerTheirErrors) {
    ASSERT_EQ(macro_round_trip(), 0);
    long injected = fail_each_allocation(scratch, {QOR_MACRO_NO_MEMORY}, macro_round_trip);
    EXPECT_GT(injected, 0);
}

// Writing a value with a written format (a text long enough to need the heap) and reading it
// back with an informat.
int format_round_trip() {
    char text[64];
    int length = 0;
    int code = xpfmt(1234567.891, "COMMA32.3", -1, text, sizeof text, &length);
    if (code != 0) return code;
    double value = 0.0;
    code = xfin(text, length, "COMMA32.", -1, &value);
    if (code != 0) return code;
    return value == 1234567.891 ? 0 : 999;
}

TEST_F(AllocationFailure, FormatServicesAnswerTheirErrors) {
    ASSERT_EQ(format_round_trip(), 0);
    long injected = fail_each_allocation(scratch, {QOR_FORMAT_NO_MEMORY}, format_round_trip);
    EXPECT_GT(injected, 0);
}

// A program whose step imports a CSV file: a step stopped by running out of memory ends with a
// message and a non-zero code, and the program goes on.
TEST_F(AllocationFailure, AStepThatRunsOutOfMemoryEndsWithAMessage) {
    fs::path dir = scratch.dir / "lib";
    fs::create_directories(dir);
    ASSERT_EQ(qor::runtime::assign_library("memtest", dir.string(), ""), 0);
    {
        std::ofstream csv(scratch.dir / "in.csv");
        csv << "name,amount\nalpha,1.5\nbeta,2.25\ngamma,-3\n";
    }
    const std::string program = "proc import datafile='" + (scratch.dir / "in.csv").string() +
                                "' out=memtest.rows dbms=csv replace; run;\n";
    const std::string name = "memory.qor";
    auto run = [&] {
        qor::runtime::ProgramResult result = qor::runtime::run_program_text(program, name);
        return result.worst_code;
    };
    ASSERT_EQ(run(), 0);
    long injected = fail_each_allocation(scratch, {-1}, [&] {
        int code = run();
        return code == 0 ? 0 : -1;   // any non-zero code will do; the message is checked
    });
    EXPECT_GT(injected, 20);
    EXPECT_TRUE(fs::exists(dir / "rows.qor7bdat")) << "the last, unfailed run imports";
    qor::runtime::clear_library("memtest");
}

// The save services, each where it allocates: a transaction of two entries (checked to have
// committed both or neither), the change stamp, a whole-catalog replace, a directory copied into
// place and the save lock. Paths are made before the runs are armed.
char g_from[512], g_place[512];
long g_save_run = 0;

int read_small_entry(qor_catalog* c, const char* name, char* out, size_t size) {
    qor_entry* e = nullptr;
    int code = xlmopen(c, name, "SLIST", QOR_CO_INPUT, &e);
    if (code == static_cast<int>(QOR_C_NOT_FOUND)) return 0;
    if (code != 0) return code;
    code = xcread(e, out, size - 1, nullptr);
    xcclose(e, 0);
    return code == static_cast<int>(QOR_C_END) ? 0 : code;
}

int write_small_entry(qor_catalog* c, const char* name, const char* text) {
    qor_entry* e = nullptr;
    int code = xlmopen(c, name, "SLIST", QOR_CO_OUTPUT, &e);
    if (code != 0) return code;
    code = xcwrite(e, text, std::strlen(text));
    int closed = xcclose(e, 0);
    if (closed != 0) xcclose(e, QOR_CC_DISCARD);
    return code != 0 ? code : closed;
}

int save_services_round() {
    qor_catalog* c = nullptr;
    int code = xlopen("memtest", "env", QOR_CO_UPDATE, &c);
    if (code != 0) return code;
    char a[32] = {}, b[32] = {}, text[32];
    code = read_small_entry(c, "A", a, sizeof a);
    if (code == 0) code = read_small_entry(c, "B", b, sizeof b);
    if (code == 0 && std::strcmp(a, b) != 0) code = 998;   // a run before committed half of its pair
    std::snprintf(text, sizeof text, "%ld", ++g_save_run);
    if (code == 0) code = qor_catalog_begin(c);
    if (code == 0) code = write_small_entry(c, "A", text);
    if (code == 0) code = write_small_entry(c, "B", text);
    if (code == 0) code = qor_catalog_commit(c);
    int64_t stamp = 0;
    if (code == 0) code = qor_catalog_stamp(c, &stamp);
    if (code == 0 && stamp < 1) code = 997;
    qor_catalog* copy = nullptr;
    if (code == 0) code = xlopen("memtest", "copy", QOR_CO_UPDATE, &copy);
    if (code == 0) code = qor_catalog_replace(copy, c);
    if (copy) xlclose(copy, 0);
    if (code == 0) code = qor_copy_into_place(g_from, g_place);
    qor_env_lock* lock = nullptr;
    if (code == 0) code = qor_lock_environment("memtest", "env", 0, &lock);
    if (lock) qor_unlock_environment(lock);
    xlclose(c, 0);   // rolls back a transaction a failure left open
    return code;
}

TEST_F(AllocationFailure, SaveServicesAnswerTheirErrors) {
    fs::path dir = scratch.dir / "lib";
    fs::create_directories(dir / "out" / "sub");
    std::ofstream(dir / "out" / "sub" / "f.txt") << "content";
    std::snprintf(g_from, sizeof g_from, "%s", (dir / "out").c_str());
    std::snprintf(g_place, sizeof g_place, "%s", (dir / "placed").c_str());
    ASSERT_EQ(qor::runtime::assign_library("memtest", dir.string(), ""), 0);
    ASSERT_EQ(save_services_round(), 0);
    long injected = fail_each_allocation(scratch, {static_cast<int>(QOR_C_NO_MEMORY)}, save_services_round);
    EXPECT_GT(injected, 20);
    EXPECT_TRUE(fs::exists(dir / "placed" / "sub" / "f.txt"));
    EXPECT_FALSE(fs::exists(std::string(g_place) + QOR_STAGED_SUFFIX));
    qor::runtime::clear_library("memtest");
}

}  // namespace
