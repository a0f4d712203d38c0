// The statement dispatcher against an engine table of recording stand-ins: which deferred
// rebuilds run before which statements, failures, unknown names, the dispatch table, rights codes.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <deque>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "engine/tables/control_structure.h"
#include "host/kernel.h"
#include "host/print.h"
#include "procedure/zozu_dispatch.h"
#include "procedure/zozu_grammar.h"
#include "runtime/core/print_internal.h"

namespace {

constexpr int kEngineTable = (14 << 16) | 381;

std::vector<std::string> g_calls;
int g_rsk0_result = 0;
const statement_node* g_unittest_node = nullptr;

int rsk0_stub(RSKCON*) { g_calls.push_back("rsk0"); return g_rsk0_result; }
int rskclbi_stub(RSKCON*) { g_calls.push_back("rskclbi"); return 0; }
int rsktrn0_stub(RSKCON*) { g_calls.push_back("rsktrn0"); return 0; }
int unittest_stub(RSKCON*, statement_node* node) {
    g_calls.push_back("unittest_stmt");
    g_unittest_node = node;
    return 0;
}

class Dispatch : public ::testing::Test {
protected:
    void SetUp() override {
        static void* slots[402] = {};
        slots[3] = reinterpret_cast<void*>(&rsk0_stub);
        slots[95] = reinterpret_cast<void*>(&rskclbi_stub);
        slots[270] = reinterpret_cast<void*>(&rsktrn0_stub);
        slots[376] = reinterpret_cast<void*>(&unittest_stub);
        ASSERT_EQ(hiexprt(kEngineTable, slots, 402, nullptr), 0);
        g_calls.clear();
        g_rsk0_result = 0;
        g_unittest_node = nullptr;
        con_ = RSKCON{};
        log_ = ::testing::TempDir() + "dispatch_" + std::to_string(::getpid()) + ".log";
        qor_print_set_log_file(log_.c_str());
    }
    void TearDown() override {
        qor_print_set_log_file(nullptr);
        ::unlink(log_.c_str());
        wideprt(kEngineTable);
    }

    int run(const char* name) {
        nodes_.emplace_back();
        statement_node& node = nodes_.back();
        node = statement_node{};
        std::memset(node.name, ' ', sizeof node.name);
        std::memcpy(node.name, name, std::strlen(name));
        return zozu::rspstmt(&con_, &node);
    }
    void pend_all() { con_.variables_pending = con_.types_pending = con_.methods_pending = 1; }
    std::string log() {
        xpoflsh(0);
        std::ifstream in(log_);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }

    RSKCON con_{};
    std::deque<statement_node> nodes_;
    std::string log_;
};

using Calls = std::vector<std::string>;

TEST_F(Dispatch, DefinitionsKeepRebuildsPendingUntilAStatementNeedsThem) {
    pend_all();
    run("DECLARE");
    run("declare");
    EXPECT_EQ(g_calls, Calls{});
    EXPECT_TRUE(con_.variables_pending && con_.types_pending && con_.methods_pending);
    run("PROJECT");
    EXPECT_EQ(g_calls, (Calls{"rsk0", "rskclbi", "rsktrn0"}));
    EXPECT_FALSE(con_.variables_pending || con_.types_pending || con_.methods_pending);
    run("PROJECT");
    EXPECT_EQ(g_calls.size(), 3u);   // nothing was pending any more
}

TEST_F(Dispatch, EachRebuildHasItsOwnExemptions) {
    struct Case { const char* statement; Calls calls; };
    const Case cases[] = {
        {"TIMEGRID", {"rskclbi"}},
        {"INSTRUMENT", {"rsk0", "rsktrn0"}},
        {"METHOD", {"rsk0", "rskclbi"}},
        {"READTYPES", {"rsk0", "rsktrn0"}},
        {"READVARS", {}}, {"READARRAYS", {}}, {"ARRAY", {}}, {"ARRAYS", {}},
        {"LAG", {"rsk0", "rskclbi", "rsktrn0"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.statement);
        g_calls.clear();
        pend_all();
        run(c.statement);
        EXPECT_EQ(g_calls, c.calls);
    }
}

TEST_F(Dispatch, AFailedRebuildIsRecordedAndTheStatementStillRuns) {
    con_.variables_pending = 1;
    g_rsk0_result = 3;
    EXPECT_EQ(run("UNITTEST"), 0);
    EXPECT_EQ(g_calls, (Calls{"rsk0", "unittest_stmt"}));
    EXPECT_EQ(con_.variables_failed, 1);
    EXPECT_EQ(con_.error, 0u);
    g_rsk0_result = 0;
    con_.variables_pending = 1;
    run("UNITTEST");
    EXPECT_EQ(con_.variables_failed, 0);
}

TEST_F(Dispatch, NamesAreUpperCasedAndTheEngineGetsTheNode) {
    EXPECT_EQ(run("unittest"), 0);
    ASSERT_NE(g_unittest_node, nullptr);
    EXPECT_EQ(std::string(g_unittest_node->name, 9), "UNITTEST ");
}

TEST_F(Dispatch, UnknownAndUnbuiltStatementsFailAndSetTheErrorFlag) {
    EXPECT_EQ(run("lag"), 1);
    EXPECT_EQ(con_.error, 1u);
    con_.error = 0;
    EXPECT_EQ(run("CONVERT"), 1);
    EXPECT_EQ(con_.error, 1u);
    std::string text = log();
    EXPECT_NE(text.find("ZOZU: \"LAG\" statement not recognized."), std::string::npos) << text;
    EXPECT_NE(text.find("convert_stmt: not yet available."), std::string::npos) << text;
}

// Every statement the grammar stores reaches a row of the table, except LAG.
TEST(DispatchTable, EveryGrammarStatementHasAHandlerRow) {
    for (int i = 0; i < zozu::kStatementCount; ++i) {
        const qor_statement_schema& s = zozu::kStatements[i];
        std::istringstream names(s.stored_name != nullptr ? s.stored_name : s.names);
        for (std::string name; names >> name;) {
            SCOPED_TRACE(name);
            const zozu::HandlerEntry* e = zozu::find_handler(name.c_str(), static_cast<int>(name.size()));
            if (name == "LAG") EXPECT_EQ(e, nullptr);
            else EXPECT_NE(e, nullptr);
        }
    }
    for (const char* extra : {"USE", "SCENARIOS", "PARAMETERS"})
        EXPECT_NE(zozu::find_handler(extra, static_cast<int>(std::strlen(extra))), nullptr) << extra;
}

TEST(SecurityAccess, AccessOptionsAndTheGuest) {
    struct Case { std::vector<int> bits; bool guest; int code; };
    const Case cases[] = {
        {{}, false, 0}, {{}, true, 7}, {{12, 13}, false, 0},
        {{11}, false, 512}, {{11, 12}, false, 768},
        {{11, 13, 14, 15, 16}, false, 512 + 240}, {{11, 17, 18, 19, 20}, false, 512 + 15},
        {{11, 13}, true, 512 + 128 + 7},
    };
    for (const Case& c : cases) {
        statement_node node{};
        for (int k : c.bits) node.options[(k - 1) / 8] |= static_cast<uint8_t>(0x80 >> ((k - 1) % 8));
        RSKCON con{};
        con.guest = c.guest ? 1 : 0;
        EXPECT_EQ(zozu::get_security_access(&con, &node), c.code) << c.bits.size();
    }
}

}  // namespace
