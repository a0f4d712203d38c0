// Test support: a fresh temporary directory for each test with the log redirected into a file
// beside it, removed again at the end; the fixtures of the storage tests build on it.
#pragma once
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "host/print.h"
#include "runtime/core/print_internal.h"

struct ScratchArea {
    std::filesystem::path dir;
    std::string log_path;

    // A directory named after the prefix, the process and the running test; the log goes to
    // <dir>.log until close().
    void open(const std::string& prefix) {
        dir = std::filesystem::path(::testing::TempDir()) /
              (prefix + std::to_string(::getpid()) + "_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
        log_path = dir.string() + ".log";
        ASSERT_EQ(qor_print_set_log_file(log_path.c_str()), 0);
    }
    void close() {
        qor_print_set_log_file(nullptr);
        std::error_code ignored;
        std::filesystem::permissions(dir, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ignored);
        std::filesystem::remove_all(dir, ignored);
        std::remove(log_path.c_str());
    }
    // Everything logged since open().
    std::string log() const {
        xpoflsh(0);
        std::ifstream in(log_path);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
};
