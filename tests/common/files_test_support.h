// A scratch directory and a captured log for the tests of the names-and-files routines.
#pragma once
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "host/print.h"
#include "runtime/core/print_internal.h"

class FilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        root = std::filesystem::path(::testing::TempDir()) /
               ("qor_files_" + std::to_string(::getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(root);
        std::filesystem::create_directories(root);
        log_path = root.string() + ".log";
        ASSERT_EQ(qor_print_set_log_file(log_path.c_str()), 0);
        qor_print_set_msgids(true);
    }
    void TearDown() override {
        qor_print_set_msgids(false);
        qor_print_set_log_file(nullptr);
        std::filesystem::remove(log_path);
        std::filesystem::permissions(root, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add);
        std::filesystem::remove_all(root);
    }
    // A path below the scratch directory, made as a directory or a file with some text.
    std::string dir(const std::string& name) {
        std::filesystem::create_directories(root / name);
        return (root / name).string();
    }
    std::string file(const std::string& name, const std::string& text = "x") {
        std::filesystem::create_directories((root / name).parent_path());
        std::ofstream(root / name) << text;
        return (root / name).string();
    }
    std::string log() {
        xpoflsh(0);
        std::ifstream in(log_path);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    std::filesystem::path root;
    std::string log_path;
};
