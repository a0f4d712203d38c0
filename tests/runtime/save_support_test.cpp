// Services that saves build on: file times through a file reference, staged copies switched into
// place and settled after an interruption, the environment save lock within one process, the
// user profile library and the list cache switch.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "host/catalog.h"
#include "host/files.h"
#include "host/save_support.h"
#include "runtime/storage/libraries.h"
#include "tests/support/scratch.h"

namespace fs = std::filesystem;

namespace {

void write_text(const fs::path& path, const std::string& text) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

std::string read_text(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// A tree as one text: relative names with their content or link target, in name order.
std::string describe_tree(const fs::path& root) {
    if (!fs::exists(fs::symlink_status(root))) return "<missing>";
    std::vector<std::string> lines;
    for (auto& item : fs::recursive_directory_iterator(root)) {
        std::string name = fs::relative(item.path(), root).string();
        if (item.is_symlink()) lines.push_back(name + " -> " + fs::read_symlink(item.path()).string());
        else if (item.is_directory()) lines.push_back(name + "/");
        else lines.push_back(name + " = " + read_text(item.path()));
    }
    std::sort(lines.begin(), lines.end());
    std::string out;
    for (auto& l : lines) out += l + "\n";
    return out;
}

class SaveSupport : public ::testing::Test {
protected:
    ScratchArea scratch;
    void SetUp() override { scratch.open("qor_save_"); }
    void TearDown() override { scratch.close(); }
};

// 1 January 1970 is 3653 days after 1 January 1960: host time = Unix time + 315619200.
TEST_F(SaveSupport, FileTimeAndSizeThroughAFileReference) {
    fs::path file = scratch.dir / "data.bin";
    write_text(file, "12345");
    timespec times[2] = {{1000, 0}, {1700000000, 250000000}};   // access, modification
    ASSERT_EQ(utimensat(AT_FDCWD, file.c_str(), times, 0), 0);
    char ref[9] = "        ";
    ASSERT_EQ(xxrasgn(ref, file.c_str(), -1, "DISK"), 0);
    char buffer[512];
    int length = 0;
    ASSERT_EQ(xxrfinf(ref, QOR_FINFO_MODIFIED, buffer, sizeof buffer, &length), 0);
    EXPECT_EQ(length, 8);
    double modified = 0;
    std::memcpy(&modified, buffer, 8);
    EXPECT_DOUBLE_EQ(modified, 1700000000.25 + 315619200.0);
    ASSERT_EQ(xxrfinf(ref, QOR_FINFO_SIZE, buffer, sizeof buffer, &length), 0);
    int64_t size = 0;
    std::memcpy(&size, buffer, 8);
    EXPECT_EQ(size, 5);
    EXPECT_EQ(xxrfinf(ref, 99, buffer, sizeof buffer, &length), QOR_FILE_BAD_TYPE);
    EXPECT_EQ(xxrfinf(ref, QOR_FINFO_SIZE, buffer, 4, &length), QOR_FILE_TOO_LONG);
    fs::remove(file);
    EXPECT_EQ(xxrfinf(ref, QOR_FINFO_MODIFIED, buffer, sizeof buffer, &length), QOR_FILE_NOT_FOUND);
    ASSERT_EQ(xxrdasg(ref), 0);
    EXPECT_EQ(xxrfinf(ref, QOR_FINFO_MODIFIED, buffer, sizeof buffer, &length), QOR_LIB_NOT_ASSIGNED);
}

TEST_F(SaveSupport, StagedCopiesKeepContentModesAndLinksAndNeverOverwrite) {
    fs::path from = scratch.dir / "from", place = scratch.dir / "out";
    write_text(from / "a.txt", "alpha");
    write_text(from / "sub" / "deeper" / "b.bin", std::string("\0\1\2", 3));
    write_text(from / "empty.txt", "");
    fs::create_directories(from / "nothing");
    fs::create_symlink("a.txt", from / "link");
    fs::permissions(from / "a.txt", fs::perms::owner_read | fs::perms::owner_exec);

    std::string staged = place.string() + QOR_STAGED_SUFFIX, aside = place.string() + QOR_ASIDE_SUFFIX;
    ASSERT_EQ(qor_stage_directory(from.string(), staged), 0);
    EXPECT_EQ(describe_tree(staged), describe_tree(from));
    EXPECT_EQ(fs::status(fs::path(staged) / "a.txt").permissions(), fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_EQ(qor_stage_directory(from.string(), staged), QOR_FILE_EXISTS);   // never over a file
    EXPECT_EQ(describe_tree(staged), describe_tree(from));

    write_text(place / "old.txt", "old");
    ASSERT_EQ(qor_switch_into_place(staged, place.string(), aside), 0);
    EXPECT_EQ(describe_tree(place), describe_tree(from));
    EXPECT_EQ(read_text(fs::path(aside) / "old.txt"), "old");
    EXPECT_FALSE(fs::exists(staged));
    ASSERT_EQ(qor_remove_tree(aside), 0);
    EXPECT_FALSE(fs::exists(aside));
    EXPECT_EQ(qor_remove_tree(aside), 0);   // nothing there is no failure

    // A file replaced in one rename.
    fs::path file = scratch.dir / "one.txt";
    write_text(file, "before");
    ASSERT_EQ(qor_stage_file((from / "a.txt").string(), file.string() + QOR_STAGED_SUFFIX), 0);
    ASSERT_EQ(qor_switch_into_place(file.string() + QOR_STAGED_SUFFIX, file.string(), ""), 0);
    EXPECT_EQ(read_text(file), "alpha");

    EXPECT_EQ(qor_stage_file((scratch.dir / "absent").string(), (scratch.dir / "x").string()), QOR_FILE_NOT_FOUND);
    EXPECT_FALSE(fs::exists(scratch.dir / "x"));
    EXPECT_EQ(qor_stage_directory(file.string(), (scratch.dir / "y").string()), QOR_FILE_NOT_A_DIRECTORY);
    EXPECT_FALSE(fs::exists(scratch.dir / "y"));
    EXPECT_EQ(qor_switch_into_place((scratch.dir / "absent").string(), file.string(), ""), QOR_FILE_NOT_FOUND);
    EXPECT_EQ(read_text(file), "alpha");
}

// Each state a killed switch can leave, settled forward (the save committed) and back (it did not).
TEST_F(SaveSupport, SettlingFinishesOrTakesBackAnInterruptedSwitch) {
    fs::path place = scratch.dir / "out";
    fs::path staged = place.string() + QOR_STAGED_SUFFIX, aside = place.string() + QOR_ASIDE_SUFFIX;
    struct Case {
        const char* state;
        bool has_place, has_staged, has_aside;
    } cases[] = {
        {"staged, not switched", true, true, false},
        {"between the renames", false, true, true},
        {"switched, old not removed", true, false, true},
        {"nothing staged", true, false, false},
    };
    for (const Case& c : cases) {
        for (bool forward : {true, false}) {
            fs::remove_all(place);
            fs::remove_all(staged);
            fs::remove_all(aside);
            // "place" holds the old version unless the first rename moved it aside.
            bool switched = !c.has_staged && c.has_aside;
            if (c.has_place) write_text(place / "v.txt", switched ? "new" : "old");
            if (c.has_staged) write_text(staged / "v.txt", "new");
            if (c.has_aside) write_text(aside / "v.txt", "old");
            ASSERT_EQ(qor_settle_place(place.string(), forward ? 1 : 0), 0) << c.state;
            std::string expected = forward ? (c.has_staged || switched ? "new" : "old") : (switched ? "new" : "old");
            EXPECT_EQ(read_text(place / "v.txt"), expected) << c.state << (forward ? " forward" : " back");
            EXPECT_FALSE(fs::exists(staged)) << c.state;
            EXPECT_FALSE(fs::exists(aside)) << c.state;
        }
    }
    // The one-step copy takes back what an interrupted one left, then replaces.
    fs::remove_all(place);
    write_text(aside / "v.txt", "old");
    write_text(staged / "v.txt", "half");
    fs::path from = scratch.dir / "from";
    write_text(from / "v.txt", "new");
    ASSERT_EQ(qor_copy_into_place(from.string(), place.string()), 0);
    EXPECT_EQ(describe_tree(place), describe_tree(from));
    EXPECT_FALSE(fs::exists(staged));
    EXPECT_FALSE(fs::exists(aside));
}

TEST_F(SaveSupport, TheSaveLockWaitsThenFailsNamingTheHolder) {
    ASSERT_EQ(qor::runtime::assign_library("locklib", scratch.dir.string(), ""), 0);
    qor_env_lock* first = nullptr;
    qor_env_lock* second = nullptr;
    ASSERT_EQ(qor_lock_environment("locklib", "Desk", 100, &first), 0);
    EXPECT_TRUE(fs::exists(scratch.dir / "desk.qor7block"));
    EXPECT_EQ(static_cast<uint32_t>(qor_lock_environment("locklib", "DESK", 100, &second)), QOR_C_LOCKED);
    EXPECT_EQ(second, nullptr);
    std::string why = qor_catalog_error_text();
    EXPECT_NE(why.find("process " + std::to_string(getpid())), std::string::npos) << why;
    EXPECT_NE(why.find("100 ms"), std::string::npos) << why;
    // Another environment of the library has a lock of its own.
    ASSERT_EQ(qor_lock_environment("locklib", "base", 100, &second), 0);
    ASSERT_EQ(qor_unlock_environment(second), 0);
    ASSERT_EQ(qor_unlock_environment(first), 0);
    ASSERT_EQ(qor_lock_environment("locklib", "desk", 0, &second), 0);
    qor_unlock_environment(second);
    EXPECT_EQ(static_cast<uint32_t>(qor_lock_environment("nolib", "desk", 0, &second)), QOR_C_NO_LIBRARY);
    EXPECT_EQ(static_cast<uint32_t>(qor_lock_environment("locklib", "9bad", 0, &second)), QOR_C_BAD_REQUEST);
    qor::runtime::clear_library("locklib");
}

TEST_F(SaveSupport, TheUserProfileLibraryComesFromQORUSER) {
    fs::path profile = scratch.dir / "profile" / "nested";
    const char* saved = std::getenv("QORUSER");
    std::string previous = saved ? saved : "";
    qor::runtime::clear_library("QORUSER");
    setenv("QORUSER", profile.c_str(), 1);
    qor_library_info info;
    ASSERT_EQ(xhlinf2("QORUSER", &info), 0);
    EXPECT_EQ(std::string(info.path, info.path_length), profile.string());
    EXPECT_TRUE(fs::is_directory(profile));
    // Lists of the profile are stored there.
    qor_catalog* c = nullptr;
    ASSERT_EQ(xlopen("qoruser", "profile", QOR_CO_UPDATE, &c), 0);
    xlclose(c, 0);
    EXPECT_TRUE(fs::exists(profile / "profile.qor7bcat"));
    // A program's own assignment wins.
    fs::path other = scratch.dir / "other";
    fs::create_directories(other);
    ASSERT_EQ(qor::runtime::assign_library("QORUSER", other.string(), ""), 0);
    EXPECT_EQ(qor::runtime::library_directory("QORUSER"), other.string());
    qor::runtime::clear_library("QORUSER");
    if (saved) setenv("QORUSER", previous.c_str(), 1);
    else unsetenv("QORUSER");
    EXPECT_EQ(afcachi(nullptr), 0);
}

}  // namespace
