// Record files behind a file reference: records written and read back line by line, records
// longer than allowed, and a failed or discarded write that leaves the old file as it was.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "host/files.h"

namespace fs = std::filesystem;

namespace {

class RecordFiles : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::path(::testing::TempDir()) /
              ("qor_rec_" + std::to_string(::getpid()) + "_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
        path = (dir / "list.txt").string();
        std::memset(fileref, ' ', 8);
        ASSERT_EQ(xxrasgn(fileref, path.c_str(), -1, "DISK"), 0);
    }
    void TearDown() override {
        xxrdasg(fileref);
        fs::remove_all(dir);
    }
    static qor_record_open block(int mode, int length = 16) { return {mode, 1, length, {0, 0, 0, 0}}; }
    std::string contents() const {
        std::ifstream in(path, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    int write_all(std::initializer_list<std::string> records, int discard = 0) {
        qor_record_open b = block(QOR_RECORD_WRITE);
        qor_record_file* file = nullptr;
        int rc = xxfopen(fileref, &b, &file);
        if (rc != 0) return rc;
        for (const std::string& r : records) {
            rc = xxfwrit(file, r.data(), static_cast<int>(r.size()));
            if (rc != 0) break;
        }
        const int closed = xxfclos(file, discard);
        return rc != 0 ? rc : closed;
    }

    fs::path dir;
    std::string path;
    char fileref[8];
};

TEST_F(RecordFiles, RecordsAreLinesWrittenWholeAndReadBackInOrder) {
    ASSERT_EQ(write_all({"REGION DESK", "", "TRADER"}), 0);
    EXPECT_EQ(contents(), "REGION DESK\n\nTRADER\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);   // no staging file left

    qor_record_open b = block(QOR_RECORD_READ);
    qor_record_file* file = nullptr;
    ASSERT_EQ(xxfopen(fileref, &b, &file), 0);
    char buffer[16];
    int length = -1;
    ASSERT_EQ(xxfread(file, buffer, sizeof buffer, &length), 0);
    EXPECT_EQ(std::string(buffer, static_cast<size_t>(length)), "REGION DESK");
    ASSERT_EQ(xxfread(file, buffer, sizeof buffer, &length), 0);
    EXPECT_EQ(length, 0);
    // A buffer too small for the record: the record is passed over.
    EXPECT_EQ(xxfread(file, buffer, 3, &length), QOR_RECORD_TOO_LONG);
    EXPECT_EQ(length, 6);
    EXPECT_EQ(xxfread(file, buffer, sizeof buffer, &length), QOR_FILE_END);
    EXPECT_EQ(xxfwrit(file, "x", 1), 86);   // opened for reading
    EXPECT_EQ(xxfclos(file, 0), 0);
}

TEST_F(RecordFiles, AFailedOrDiscardedWriteKeepsTheOldFile) {
    ASSERT_EQ(write_all({"OLD"}), 0);
    // A record longer than the record length is refused; what was written before it stays.
    EXPECT_EQ(write_all({"NEW", std::string(17, 'x')}), QOR_RECORD_TOO_LONG);
    EXPECT_EQ(contents(), "NEW\n");
    EXPECT_EQ(write_all({"NEWER"}, 1), 0);
    EXPECT_EQ(contents(), "NEW\n");

    qor_record_open b = block(QOR_RECORD_WRITE);
    qor_record_file* file = nullptr;
    ASSERT_EQ(xxfopen(fileref, &b, &file), 0);
    EXPECT_EQ(xxfwrit(file, std::string(17, 'x').data(), 17), QOR_RECORD_TOO_LONG);
    EXPECT_EQ(xxfclos(file, 1), 0);
    EXPECT_EQ(contents(), "NEW\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
}

TEST_F(RecordFiles, BadOpensSayWhy) {
    qor_record_open read = block(QOR_RECORD_READ);
    qor_record_file* file = nullptr;
    EXPECT_EQ(xxfopen(fileref, &read, &file), QOR_FILE_NOT_FOUND);
    EXPECT_EQ(file, nullptr);
    EXPECT_EQ(xxfopen("NOSUCH  ", &read, &file), QOR_LIB_NOT_ASSIGNED);
    qor_record_open bad = block(4115);
    EXPECT_EQ(xxfopen(fileref, &bad, &file), 86);
    qor_record_open zero = block(QOR_RECORD_WRITE, 0);
    EXPECT_EQ(xxfopen(fileref, &zero, &file), 86);
    // A directory that does not exist cannot take the staging file.
    char other[8];
    std::memset(other, ' ', 8);
    const std::string missing = (dir / "no" / "list.txt").string();
    ASSERT_EQ(xxrasgn(other, missing.c_str(), -1, "DISK"), 0);
    qor_record_open write = block(QOR_RECORD_WRITE);
    EXPECT_EQ(xxfopen(other, &write, &file), QOR_FILE_FAILED);
    xxrdasg(other);
}

}  // namespace
