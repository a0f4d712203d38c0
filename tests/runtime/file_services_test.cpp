// Host library and file services: the library walk, relative assignments, host-chosen file
// reference names, sorted listings, name services and renames across file systems.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "host/files.h"
#include "runtime/storage/libraries.h"

namespace fs = std::filesystem;

namespace {

class FileServices : public ::testing::Test {
protected:
    void SetUp() override {
        root = fs::path(::testing::TempDir()) /
               ("qor_fsvc_" + std::to_string(::getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(root);
        fs::create_directories(root);
    }
    void TearDown() override { fs::remove_all(root); }
    fs::path root;
};

TEST_F(FileServices, LibraryWalkIsInNameOrderWithWork) {
    ASSERT_EQ(xhlasn2("ZLAST", root.c_str(), -1, "DISK"), 0);
    ASSERT_EQ(xhlasn2("alpha", root.c_str(), -1, nullptr), 0);
    std::vector<std::string> names;
    int cursor = 0;
    qor_library_info info;
    while (xhlnxt2(&cursor, &info) == 0) names.emplace_back(info.libref, 8);
    EXPECT_EQ(names, (std::vector<std::string>{"ALPHA   ", "WORK    ", "ZLAST   "}));
    ASSERT_EQ(xhlinf2("zlast", &info), 0);
    EXPECT_EQ(std::string(info.engine, 8), "DISK    ");
    EXPECT_EQ(std::string(info.path), root.string());
    const char* held = info.path;
    EXPECT_EQ(xhldas2("ZLAST"), 0);
    EXPECT_EQ(std::string(held), root.string());   // a path handed out stays readable
    EXPECT_EQ(xhlinf2("ZLAST", &info), QOR_LIB_NOT_ASSIGNED);
    EXPECT_EQ(xhldas2("ZLAST"), QOR_LIB_NOT_ASSIGNED);
    EXPECT_EQ(xhldas2("WORK"), QOR_LIB_NOT_ASSIGNED);
    EXPECT_EQ(xhldas2("ALPHA"), 0);
}

TEST_F(FileServices, AssignmentCodes) {
    fs::path saved = fs::current_path();
    fs::create_directories(root / "rel");
    fs::current_path(root);
    EXPECT_EQ(xhlasn2("REL", "rel/./", -1, nullptr), 0);
    fs::current_path(saved);
    qor_library_info info;
    ASSERT_EQ(xhlinf2("REL", &info), 0);
    EXPECT_EQ(std::string(info.path), (root / "rel").string());   // absolute, normal
    EXPECT_EQ(xhlasn2("REL", (root / "none").c_str(), -1, nullptr), QOR_FILE_NO_DIRECTORY);
    EXPECT_EQ(xhlasn2("1REL", root.c_str(), -1, nullptr), QOR_LIB_BAD_NAME);
    EXPECT_EQ(xhlasn2("REL", root.c_str(), -1, "ORACLE"), QOR_LIB_BAD_ENGINE);
    EXPECT_EQ(xhlasn2("REL", "", 0, nullptr), QOR_FILE_EMPTY_NAME);
    std::string long_path = "/" + std::string(QOR_PATH_MAX, 'x');
    EXPECT_EQ(xhlasn2("REL", long_path.c_str(), -1, nullptr), QOR_FILE_TOO_LONG);
    std::ofstream(root / "rel/prices.qor7bdat") << "x";
    EXPECT_EQ(xdfxst2("REL", "PRICES", -1, "DATA    "), 0);
    EXPECT_EQ(xdfxst2("REL", "PRICES", -1, "VIEW    "), 1);
    EXPECT_EQ(xdfxst2("REL", "PRICES", -1, "NOTYPE  "), QOR_FILE_BAD_TYPE);
    EXPECT_EQ(xdfxst2("NOLIB", "PRICES", -1, "DATA    "), QOR_LIB_NOT_ASSIGNED);
    xhldas2("REL");
}

TEST_F(FileServices, FileReferencesAndSortedListings) {
    for (const char* name : {"b.txt", "A.txt", "c"}) std::ofstream(root / name) << "x";
    fs::create_directory(root / "dir");
    fs::create_directory_symlink(root / "dir", root / "link");
    char first[8], second[8];
    std::memset(first, ' ', 8);
    std::memset(second, ' ', 8);
    ASSERT_EQ(xxrasgn(first, root.c_str(), -1, nullptr), 0);
    ASSERT_EQ(xxrasgn(second, root.c_str(), -1, "DISK    "), 0);
    EXPECT_EQ(std::string(first, 3), "#LN");
    EXPECT_NE(std::string(first, 8), std::string(second, 8));
    EXPECT_EQ(xxrasgn(second, root.c_str(), -1, "TAPE    "), QOR_FILE_BAD_DEVICE);
    qor_directory* listing = nullptr;
    ASSERT_EQ(xxrdopn(first, &listing), 0);
    std::vector<std::string> names;
    qor_directory_entry entry;
    while (xxdnext(listing, &entry) == 0)
        names.push_back(std::string(entry.name, static_cast<size_t>(entry.length)) +
                        (entry.is_directory ? "/" : ""));
    EXPECT_EQ(xxdnext(listing, &entry), QOR_FILE_END);
    EXPECT_EQ(xxdclos(listing), 0);
    EXPECT_EQ(names, (std::vector<std::string>{"./", "../", "A.txt", "b.txt", "c", "dir/", "link"}));
    EXPECT_EQ(xxrdasg(first), 0);
    EXPECT_EQ(xxrdasg(first), QOR_LIB_NOT_ASSIGNED);
    EXPECT_EQ(xxrdopn(first, &listing), QOR_LIB_NOT_ASSIGNED);
    ASSERT_EQ(xxrasgn(second, (root / "c").c_str(), -1, nullptr), 0);
    EXPECT_EQ(xxrdopn(second, &listing), QOR_FILE_NOT_A_DIRECTORY);
    ASSERT_EQ(xxrasgn(second, (root / "none").c_str(), -1, nullptr), 0);
    EXPECT_EQ(xxrdopn(second, &listing), QOR_FILE_NO_DIRECTORY);
    EXPECT_EQ(xxrexsp(second), QOR_FILE_NOT_FOUND);
    EXPECT_EQ(xxrdele(second), QOR_FILE_NOT_FOUND);
    xxrdasg(second);
}

TEST_F(FileServices, NameServices) {
    char buffer[QOR_PATH_MAX];
    int length = 0;
    ASSERT_EQ(xxname("/a/b", -1, "c.txt", -1, buffer, sizeof buffer, &length), 0);
    EXPECT_STREQ(buffer, "/a/b/c.txt");
    ASSERT_EQ(xxname("/a/b/", -1, "/abs/c", -1, buffer, sizeof buffer, &length), 0);
    EXPECT_STREQ(buffer, "/abs/c");
    EXPECT_EQ(xxname("/a", -1, "", 0, buffer, sizeof buffer, &length), QOR_FILE_EMPTY_NAME);
    EXPECT_EQ(xxname("/a", -1, "name", -1, buffer, 6, &length), QOR_FILE_TOO_LONG);
    ASSERT_EQ(xxname2("/a/b/c.txt", -1, buffer, sizeof buffer, &length), 0);
    EXPECT_STREQ(buffer, "/a/b");
    ASSERT_EQ(xxname2("/top", -1, buffer, sizeof buffer, &length), 0);
    EXPECT_STREQ(buffer, "/");
    ASSERT_EQ(xxname2("file", -1, buffer, sizeof buffer, &length), 0);
    EXPECT_EQ(std::string(buffer), fs::current_path().string());
    char text[] = "MiXeD_1.QOR";
    wzstrlo(text, text, 8);
    EXPECT_STREQ(text, "mixed_1.QOR");
}

TEST_F(FileServices, RenameAcrossFileSystemsCopiesAndDeletes) {
    struct stat a, b;
    if (stat("/dev/shm", &b) != 0 || stat(root.c_str(), &a) != 0 || a.st_dev == b.st_dev)
        GTEST_SKIP() << "needs /dev/shm on another file system than the temporary directory";
    fs::path other = fs::path("/dev/shm") / root.filename();
    fs::create_directories(other);
    std::ofstream(root / "f.dat") << "content";
    fs::create_directories(root / "tree/sub");
    std::ofstream(root / "tree/sub/x") << "deep";
    std::string from = (root / "f.dat").string(), to = (other / "g.dat").string();
    EXPECT_EQ(xxrenam(from.c_str(), -1, to.c_str(), -1), 0);
    EXPECT_FALSE(fs::exists(from));
    std::ifstream in(to);
    std::string text;
    in >> text;
    EXPECT_EQ(text, "content");
    std::string tree = (root / "tree").string(), moved = (other / "tree").string();
    EXPECT_EQ(xxrenam(tree.c_str(), -1, moved.c_str(), -1), 0);
    EXPECT_FALSE(fs::exists(tree));
    EXPECT_TRUE(fs::exists(other / "tree/sub/x"));
    EXPECT_EQ(xxrenam(from.c_str(), -1, to.c_str(), -1), QOR_FILE_NOT_FOUND);
    fs::remove_all(other);
}

TEST_F(FileServices, MakeAndRemove) {
    std::string d = (root / "d").string();
    EXPECT_EQ(xxmkdir(d.c_str(), -1, nullptr), 0);
    EXPECT_EQ(xxmkdir(d.c_str(), -1, "DISK    "), QOR_FILE_EXISTS);
    EXPECT_EQ(xxmkdir(d.c_str(), -1, "TAPE    "), QOR_FILE_BAD_DEVICE);
    std::ofstream(root / "d/x") << "x";
    EXPECT_EQ(wxremov(d.c_str(), -1), QOR_FILE_FAILED);   // not empty
    EXPECT_EQ(wxremov((root / "d/x").c_str(), -1), 0);
    EXPECT_EQ(wxremov(d.c_str(), -1), 0);
    EXPECT_EQ(wxremov(d.c_str(), -1), QOR_FILE_NOT_FOUND);
}

}  // namespace
