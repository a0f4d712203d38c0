// A started engine in a temporary environment for the tests of the project, analysis and run
// statements: runs parsed statements through the dispatcher, keeps the log, and lets a test put
// its own routine into an engine slot for the length of one test.
#pragma once
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "engine/tables/catalog_table.h"
#include "engine/tables/engine_table.h"
#include "host/kernel.h"
#include "procedure/engine_calls.h"
#include "procedure/zozu_dispatch.h"
#include "runtime/core/step.h"
#include "tests/procedure/zozu_fixture.h"

class RunStatementsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(wiinstl((14 << 16) | 381, "TOLVANEA", 1), 0);
        ASSERT_EQ(wiinstl((14 << 16) | 383, "TOLVANEC", 1), 0);
        dir_ = std::filesystem::path(::testing::TempDir()) /
               ("runstmt_" + std::to_string(::getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_ / "user");
        setenv("QORUSER", (dir_ / "user").c_str(), 1);
        log_path_ = (dir_ / "log").string();
        step_ = qor::runtime::begin_step("ZOZU", "", 0, 1);
        ASSERT_EQ(zozu::rskinit(&con_, 0, 0, 0), 0);
        ASSERT_NE(con_, nullptr);
        ASSERT_EQ(zozu::rssenvt(con_), 0);
        slots_ = const_cast<void**>(wivget(381)->slots);
    }
    void TearDown() override {
        for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) slots_[it->first] = it->second;
        if (con_ != nullptr) zozu::rskterm(con_);
        if (step_ != nullptr) qor::runtime::end_step(step_);
        std::filesystem::remove_all(dir_);
        engine_routine<EngineSlot::rskatrm>()();
        catalog_routine<CatalogSlot::rskctrm>()();
    }

    // Puts a routine into an engine slot until the test ends.
    template <EngineSlot S>
    void put(engine_slot_t<S> routine) {
        saved_.emplace_back(static_cast<int>(S), slots_[static_cast<int>(S)]);
        slots_[static_cast<int>(S)] = reinterpret_cast<void*>(routine);
    }

    // Parses the statements and runs each through the dispatcher; the result of each, in order.
    // The log of the run is added to log_.
    std::vector<int> run(const std::string& statements) {
        ParsedStep parsed = parser_.parse(statements);
        EXPECT_EQ(parsed.code, 0) << parsed.log;
        qor_print_set_log_file(log_path_.c_str());
        qor_print_set_msgids(true);
        std::vector<int> results;
        for (size_t i = 1; i < parsed.nodes.size(); ++i)
            results.push_back(zozu::rspstmt(con_, const_cast<statement_node*>(parsed.nodes[i])));
        xpoflsh(0);
        qor_print_set_log_file(nullptr);
        qor_print_set_msgids(false);
        std::ifstream in(log_path_);
        std::stringstream text;
        text << in.rdbuf();
        log_ += text.str();
        return results;
    }
    // The single result of one statement.
    int run1(const std::string& statement) {
        std::vector<int> results = run(statement);
        EXPECT_EQ(results.size(), 1u) << statement;
        return results.empty() ? -1 : results[0];
    }
    bool logged(const std::string& text) const { return log_.find(text) != std::string::npos; }

    RSKCON* con_ = nullptr;
    qor_step* step_ = nullptr;
    ZozuParse parser_;
    std::filesystem::path dir_;
    std::string log_path_;
    std::string log_;
    void** slots_ = nullptr;
    std::vector<std::pair<int, void*>> saved_;
};
