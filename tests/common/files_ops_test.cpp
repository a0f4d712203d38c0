// File operations: existence, directories, delete, rename, make, and clearing and removing
// directory trees (including the return codes that callers test for success).
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

#include "common/files/names.h"
#include "files_test_support.h"

namespace fs = std::filesystem;

namespace {

class FileOps : public FilesTest {};

TEST_F(FileOps, ExistenceDirectoriesAndDelete) {
    std::string f = file("a.txt"), d = dir("sub"), missing = (root / "none").string();
    EXPECT_EQ(zfexist(f.c_str(), -1), 0);
    EXPECT_EQ(zfexist(d.c_str(), -1), 0);
    EXPECT_EQ(zfexist(missing.c_str(), -1), 1);
    EXPECT_EQ(zfexist("", -1), 1);
    EXPECT_EQ(zisdir(d.c_str(), -1), 0);
    EXPECT_EQ(zisdir(f.c_str(), -1), 1);
    EXPECT_EQ(zisdir(missing.c_str(), -1), 1);
    EXPECT_EQ(zfildel(d.c_str(), -1), 1);        // a directory is not deleted as a file
    EXPECT_TRUE(fs::exists(d));
    EXPECT_EQ(zfildel(f.c_str(), -1), 0);
    EXPECT_FALSE(fs::exists(f));
    EXPECT_EQ(zfildel(f.c_str(), -1), 1);
}

TEST_F(FileOps, FullPathAndPhysicalName) {
    char buffer[QOR_PATH_MAX];
    int length = 0;
    ASSERT_EQ(zfulpth("", 0, buffer, &length), 0);
    EXPECT_EQ(std::string(buffer, static_cast<size_t>(length)), fs::current_path().string());
    ASSERT_EQ(zfulpth("x/../y/", -1, buffer, &length), 0);
    EXPECT_EQ(std::string(buffer, static_cast<size_t>(length)), (fs::current_path() / "y").string());
    char ref[8] = {' ', ' ', ' ', ' ', ' ', ' ', ' ', ' '};
    ASSERT_EQ(xxrasgn(ref, root.c_str(), -1, nullptr), 0);
    EXPECT_EQ(zpname(ref, buffer), 0);
    EXPECT_EQ(std::string(buffer), root.string());
    xxrdasg(ref);
    EXPECT_EQ(zpname(ref, buffer), 1);
    EXPECT_STREQ(buffer, "");
}

TEST_F(FileOps, RenameStaysInTheDirectoryAndReportsFailure) {
    std::string f = file("dir/old.txt", "payload");
    EXPECT_EQ(zmvfile(f.c_str(), -1, "new.txt", -1), 0);
    EXPECT_FALSE(fs::exists(f));
    std::ifstream in(root / "dir/new.txt");
    std::string text;
    in >> text;
    EXPECT_EQ(text, "payload");
    // The old file is gone now: the rename fails and says so.
    EXPECT_EQ(zmvfile(f.c_str(), -1, "other.txt", -1), 1);
    EXPECT_FALSE(fs::exists(root / "dir/other.txt"));
    // A file cannot replace a non-empty directory.
    file("dir/full/inside");
    std::string g = file("dir/g.txt");
    EXPECT_EQ(zmvfile(g.c_str(), -1, "full", -1), 1);
    EXPECT_TRUE(fs::exists(g));
    EXPECT_EQ(zmvfile(g.c_str(), -1, "", 0), 1);
}

TEST_F(FileOps, MakeDirectory) {
    std::string d = (root / "made").string();
    EXPECT_EQ(zmkdir((d + "/").c_str(), -1), 0);
    EXPECT_TRUE(fs::is_directory(d));
    EXPECT_EQ(zmkdir(d.c_str(), -1), QOR_FILE_EXISTS);
    EXPECT_EQ(zmkdir((root / "no/such").c_str(), -1), QOR_FILE_NO_DIRECTORY);
    EXPECT_EQ(zmkdir("", 0), QOR_FILE_EMPTY_NAME);
    EXPECT_EQ(zchmod(), 0);
}

TEST_F(FileOps, ClearDirectoryReturnsZeroOnSuccessAndWorksOnConstantText) {
    file("work/a.dat");
    file("work/sub/b.dat");
    file("outside/keep.dat");
    fs::create_directory_symlink(root / "outside", root / "work/link");
    // The name comes with blanks around it, in read-only storage.
    static const std::string padded = "   " + (root / "work").string() + "   ";
    const char* constant = padded.c_str();
    EXPECT_EQ(zclrdir(constant, static_cast<int>(padded.size())), 0);
    EXPECT_EQ(std::string(constant), padded);
    EXPECT_TRUE(fs::is_directory(root / "work"));
    EXPECT_TRUE(fs::is_empty(root / "work"));
    EXPECT_TRUE(fs::exists(root / "outside/keep.dat"));   // the link went, not its target
    EXPECT_EQ(zclrdir((root / "none").c_str(), -1), 0);     // nothing to clear
    EXPECT_EQ(zclrdir("   ", 3), 1);
}

TEST_F(FileOps, ClearingStopsAtTheDepthAndReportsIt) {
    file("deep/a/b/c.dat");
    file("deep/top.dat");
    EXPECT_EQ(zclrdir((root / "deep").c_str(), -1), 1);
    EXPECT_TRUE(fs::exists(root / "deep/a/b/c.dat"));
    EXPECT_EQ(zdelfil((root / "deep").c_str(), -1, 5), 0);
    EXPECT_TRUE(fs::is_empty(root / "deep"));
    EXPECT_EQ(zdelfil((root / "none").c_str(), -1, 1), -1);
    std::string f = file("plain.txt");
    EXPECT_EQ(zdelfil(f.c_str(), -1, 1), 1);
}

TEST_F(FileOps, ClearingLeavesANameThatWouldNotFitAPathAndSaysSo) {
    std::string deep = (root / std::string(200, 'd') / std::string(200, 'e') / std::string(200, 'f') /
                        std::string(200, 'g')).string();
    fs::create_directories(deep);
    std::string name(1024 - deep.size() - 1, 'n');   // with the "/" it reaches the limit
    std::ofstream(deep + "/" + name) << "x";
    std::ofstream(deep + "/short") << "x";
    EXPECT_EQ(zclrdir(deep.c_str(), -1), 1);
    EXPECT_TRUE(fs::exists(deep + "/" + name));
    EXPECT_FALSE(fs::exists(deep + "/short"));   // the walk went on past it
}

TEST_F(FileOps, RemoveDirectory) {
    file("tree/a.dat");
    file("tree/sub/b.dat");
    EXPECT_EQ(zrmdir((root / "tree").c_str(), -1), 0);
    EXPECT_FALSE(fs::exists(root / "tree"));
    EXPECT_EQ(zrmdir((root / "tree").c_str(), -1), 0);   // already gone
    EXPECT_EQ(zrmdir("", 0), 1);
    file("deeper/a/b/c.dat");
    EXPECT_EQ(zrmdir((root / "deeper").c_str(), -1), 1);
    EXPECT_TRUE(fs::exists(root / "deeper"));
}

}  // namespace
