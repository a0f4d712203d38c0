// A test bed for the engine's entry table: appendages A and C installed as the host installs
// them, the log and listing captured with message numbers, and a control structure with pools.
#pragma once
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "engine/tables/catalog_table.h"
#include "engine/tables/control_structure.h"
#include "engine/tables/engine_table.h"
#include "engine/tables/object_tables.h"
#include "host/kernel.h"
#include "host/pool.h"
#include "host/print.h"
#include "runtime/core/print_internal.h"

// The routine in a slot of a published vector, typed as the caller declares it.
template <typename Fn>
Fn vector_slot(int vector, int slot) {
    return reinterpret_cast<Fn>(wivslot(vector, slot));
}

// A name record over a literal or a string the test keeps alive.
inline RSKNAMEREC name_of(const char* text) {
    return RSKNAMEREC{0, static_cast<uint16_t>(std::strlen(text)), const_cast<char*>(text)};
}

class EngineTest : public ::testing::Test {
public:
    // A path of this test alone in the temporary directory: prefix, process and test name.
    static std::string test_path(const char* prefix) {
        return ::testing::TempDir() + "/" + prefix + "_" + std::to_string(::getpid()) + "_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name();
    }
    // Fills a security record: blank-padded owner and group, rights code and the read mark.
    static void fill_security(RSKSEC* security, const char* owner, const char* group, uint32_t rights,
                              uint32_t read = 1) {
        std::memset(security->owner, ' ', 32);
        std::memset(security->group, ' ', 32);
        std::memcpy(security->owner, owner, std::strlen(owner));
        std::memcpy(security->group, group, std::strlen(group));
        security->owner_length = static_cast<uint32_t>(std::strlen(owner));
        security->group_length = static_cast<uint32_t>(std::strlen(group));
        security->rights = rights;
        security->read = read;
    }

protected:
    void SetUp() override {
        ASSERT_EQ(wiinstl((14 << 16) | 381, "TOLVANEA", 1), 0);
        ASSERT_EQ(wiinstl((14 << 16) | 383, "TOLVANEC", 1), 0);
        std::string base = test_path("engine");
        log_path_ = base + ".log";
        print_path_ = base + ".lst";
        ASSERT_EQ(qor_print_set_log_file(log_path_.c_str()), 0);
        ASSERT_EQ(qor_print_set_print_file(print_path_.c_str()), 0);
        qor_print_set_msgids(true);
        make_control_structure();
    }

    void TearDown() override {
        qor_pool_fail_nth(0);
        xmpoold(con_.general_pool);
        xmpoold(con_.object_pool);
        qor_print_set_msgids(false);
        qor_print_set_log_file(nullptr);
        qor_print_set_print_file(nullptr);
        std::remove(log_path_.c_str());
        std::remove(print_path_.c_str());
    }

    // The parts of a control structure that names, lists, values and tables need.
    void make_control_structure() {
        std::memset(&con_, 0, sizeof con_);
        con_.general_pool = xmpoolc(16384, 16384, 2);
        con_.object_pool = xmpoolc(16384, 16384, 2);
        con_.current_pool = con_.object_pool;
        con_.free_lists = &free_lists_;
        std::memset(&free_lists_, 0, sizeof free_lists_);
    }

    std::string log() { return read(log_path_); }
    std::string listing() { return read(print_path_); }

    static std::string read(const std::string& path) {
        xpoflsh(0);
        std::ifstream in(path);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    static int count_of(const std::string& text, const std::string& piece) {
        int n = 0;
        for (size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + 1)) ++n;
        return n;
    }

    RSKCON con_{};
    RSKFREELISTS free_lists_{};
    std::string log_path_, print_path_;
};
