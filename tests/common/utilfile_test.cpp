// The utility file wrapper: reads and writes at the edges of the member, sizes that follow what
// the member holds (also across a reopen), and every refusal of the host treated as a failure.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "common/files/utilfile.h"
#include "host/pool.h"
#include "runtime/storage/libraries.h"

namespace fs = std::filesystem;

namespace {

class UtilFile : public ::testing::Test {
protected:
    std::string dir;
    qor_pool* pool = nullptr;
    std::vector<char> hundred = std::vector<char>(100);
    void SetUp() override {
        dir = fs::temp_directory_path() / ("qor_utl_" + std::to_string(getpid()) + "_" +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
        ASSERT_EQ(qor::runtime::assign_library("utltest", dir, ""), 0);
        pool = xmpoolc(4096, 4096, 0);
        for (int i = 0; i < 100; ++i) hundred[static_cast<size_t>(i)] = static_cast<char>(i);
    }
    void TearDown() override {
        EXPECT_EQ(qor_pool_live_blocks(pool), 0u);
        xmpoold(pool);
        qor::runtime::clear_library("utltest");
        fs::remove_all(dir);
    }
};

TEST_F(UtilFile, ReadsAndWritesAtTheEdges) {
    utilfile* f = new_utilfile(pool, "UTLTEST ", "CPTYSTAGE", UTILFILE_WRITE);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->open, 0);
    ASSERT_EQ(open_utilfile(f), 0);
    EXPECT_EQ(f->mode, UTILFILE_UPDATE);
    EXPECT_EQ(open_utilfile(f), 1);                        // already open
    char buffer[200];
    ASSERT_EQ(utility_write(f, hundred.data(), 100, 0), 0);
    EXPECT_EQ(f->size, 100);
    EXPECT_EQ(utility_read(f, buffer, 40, 60), 0);         // ends exactly at the size
    EXPECT_EQ(buffer[0], 60);
    EXPECT_EQ(buffer[39], 99);
    EXPECT_EQ(utility_read(f, buffer, 40, 61), 1);         // one byte beyond
    EXPECT_EQ(utility_read(f, buffer, 1, 100), 1);         // offset = size
    EXPECT_EQ(utility_read(f, buffer, 1, -1), 1);
    EXPECT_EQ(utility_write(f, "abc", 3, 101), 1);         // beyond the size
    EXPECT_EQ(f->size, 100);
    EXPECT_EQ(utility_write(f, "abc", 3, 100), 0);         // offset = size appends
    EXPECT_EQ(f->size, 103);
    EXPECT_EQ(utility_write(f, "xyz", 3, 101), 0);         // straddles the end
    EXPECT_EQ(f->size, 104);
    // Overwriting inside the member does not make it longer.
    EXPECT_EQ(utility_write(f, "0123456789", 10, 0), 0);
    EXPECT_EQ(f->size, 104);
    EXPECT_EQ(utility_read(f, buffer, 1, 104), 1);
    EXPECT_EQ(utility_read(f, buffer, 104, 0), 0);
    EXPECT_EQ(std::string(buffer, 10), "0123456789");
    EXPECT_EQ(std::string(buffer + 100, 4), "axyz");
    // Nothing to read or write: 0, whatever the offset.
    EXPECT_EQ(utility_write(f, "abc", 0, 5000), 0);
    EXPECT_EQ(utility_write(f, nullptr, 5, 0), 0);
    EXPECT_EQ(utility_read(f, buffer, 0, 5000), 0);
    EXPECT_EQ(utility_read(f, nullptr, 5, 0), 0);
    EXPECT_EQ(f->size, 104);
    EXPECT_EQ(close_utilfile(f), 0);
    EXPECT_EQ(close_utilfile(f), 0);                       // not open: still 0
    EXPECT_EQ(fs::file_size(dir + "/cptystage.qor7butl"), 104u);
    EXPECT_EQ(delete_utilfile(pool, f), 0);
}

TEST_F(UtilFile, ReopenedMemberIsReadableAtItsRealSize) {
    utilfile* f = new_utilfile(pool, "utltest", "keep", UTILFILE_UPDATE);
    ASSERT_EQ(open_utilfile(f), 0);
    ASSERT_EQ(utility_write(f, hundred.data(), 100, 0), 0);
    ASSERT_EQ(close_utilfile(f), 0);
    ASSERT_EQ(open_utilfile(f), 0);
    EXPECT_EQ(f->size, 100);
    char buffer[10];
    EXPECT_EQ(utility_read(f, buffer, 10, 90), 0);
    EXPECT_EQ(buffer[9], 99);
    EXPECT_EQ(utility_write(f, "z", 1, 100), 0);           // appends at the real end
    EXPECT_EQ(f->size, 101);
    EXPECT_EQ(delete_utilfile(pool, f), 0);                 // closes the open member first
    EXPECT_EQ(fs::file_size(dir + "/keep.qor7butl"), 101u);
}

TEST_F(UtilFile, StateAndHostFailures) {
    EXPECT_EQ(new_utilfile(pool, "utltest", std::string(33, 'A').c_str(), 1), nullptr);
    EXPECT_EQ(new_utilfile(pool, "utltest", "", 1), nullptr);
    EXPECT_EQ(new_utilfile(nullptr, "utltest", "x", 1), nullptr);
    EXPECT_EQ(open_utilfile(nullptr), 2);
    EXPECT_EQ(close_utilfile(nullptr), 1);
    char buffer[4];
    EXPECT_EQ(utility_write(nullptr, "a", 1, 0), 2);
    EXPECT_EQ(utility_read(nullptr, buffer, 1, 0), 2);

    // Any refusal of the host's open is a failure, not only two of its codes.
    struct { const char* libref; const char* member; } refused[] = {
        {"nolib", "stage"},        // library not assigned
        {"utltest", "9bad"},       // member name not valid
        {"utltest", "a-b"},
    };
    for (auto& c : refused) {
        utilfile* f = new_utilfile(pool, c.libref, c.member, UTILFILE_UPDATE);
        ASSERT_NE(f, nullptr);
        EXPECT_EQ(open_utilfile(f), 2) << c.libref << " " << c.member;
        EXPECT_EQ(f->open, 0);
        EXPECT_EQ(delete_utilfile(pool, f), 0);
    }

    utilfile* f = new_utilfile(pool, "utltest", "state", UTILFILE_UPDATE);
    EXPECT_EQ(utility_write(f, "a", 1, 0), 2);             // not open
    EXPECT_EQ(utility_read(f, buffer, 1, 0), 2);
    ASSERT_EQ(open_utilfile(f), 0);
    f->mode = UTILFILE_WRITE;
    EXPECT_EQ(utility_write(f, "abcd", 4, 0), 0);
    EXPECT_EQ(utility_read(f, buffer, 4, 0), 2);           // write mode does not read
    f->mode = 2;
    EXPECT_EQ(utility_write(f, "abcd", 4, 0), 2);          // neither write nor update
    EXPECT_EQ(delete_utilfile(pool, f), 0);
}

}  // namespace
