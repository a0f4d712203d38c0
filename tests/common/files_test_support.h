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
#include "tests/support/scratch.h"

class FilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        scratch.open("qor_files_");
        root = scratch.dir;
        qor_print_set_msgids(true);
    }
    void TearDown() override {
        qor_print_set_msgids(false);
        scratch.close();
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
    std::string log() { return scratch.log(); }
    ScratchArea scratch;
    std::filesystem::path root;
};
