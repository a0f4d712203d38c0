// The library registry: assignment rules, member files by type, and the WORK library.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>

#include "runtime/storage/libraries.h"

using namespace qor::runtime;

TEST(Libraries, AssignLookUpAndClear) {
    std::string dir = std::filesystem::temp_directory_path() / "qor_lib_test";
    std::filesystem::create_directories(dir);
    EXPECT_EQ(assign_library("risksamp", dir, ""), 0);
    EXPECT_EQ(library_directory("RISKSAMP  "), dir);
    EXPECT_EQ(library_engine("risksamp"), "V9");
    EXPECT_EQ(member_file("risksamp", "Currencies", "DATA    "), dir + "/currencies.qor7bdat");
    EXPECT_EQ(member_file("risksamp", "env", "CATALOG"), dir + "/env.qor7bcat");
    EXPECT_EQ(member_file("risksamp", "x", "NOSUCH"), "");
    EXPECT_EQ(member_file("risksamp", "../x", "DATA"), "");     // never leaves the directory
    EXPECT_EQ(member_file("nolib", "x", "DATA"), "");
    EXPECT_EQ(clear_library("risksamp"), 0);
    EXPECT_EQ(clear_library("risksamp"), 1);
    EXPECT_EQ(library_directory("risksamp"), "");
    std::filesystem::remove_all(dir);
}

TEST(Libraries, AssignmentErrors) {
    EXPECT_EQ(assign_library("9bad", "/tmp", ""), 1);
    EXPECT_EQ(assign_library("toolongname", "/tmp", ""), 1);
    EXPECT_EQ(assign_library("ok", "/nonexistent/dir", ""), 2);
    EXPECT_EQ(assign_library("ok", "/tmp", "ORACLE"), 3);
    EXPECT_EQ(assign_library("ok", "/tmp", "v612"), 0);
    EXPECT_EQ(library_engine("OK"), "V612");
    EXPECT_EQ(assign_library("work", "/tmp", ""), 1);   // WORK is the runtime's own
    clear_library("ok");
}

TEST(Libraries, WorkIsATemporaryDirectoryRemovedAtTheEnd) {
    std::string work = library_directory("WORK");
    ASSERT_FALSE(work.empty());
    struct stat st;
    ASSERT_EQ(stat(work.c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    EXPECT_EQ(library_directory("work"), work);
    remove_work_library();
    EXPECT_NE(stat(work.c_str(), &st), 0);
    EXPECT_NE(library_directory("WORK"), work);   // a new one on next use
    remove_work_library();
}
