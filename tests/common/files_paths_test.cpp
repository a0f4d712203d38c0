// Path texts, member types and physical names: splitting, joining, comparing, extensions and
// name checks, with the cases that callers rely on.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "common/files/names.h"

namespace {

struct Split {
    const char* spec;
    int directory_length;
    const char* name;
    const char* extension;   // null: no extension
};

TEST(FilePaths, ChopSplitsDirectoryNameAndExtension) {
    const Split cases[] = {
        {"a/b/c.txt", 4, "c", "txt"},   {"a/b/", 2, "b", nullptr},  {"c.tar.gz", 0, "c", "tar.gz"},
        {"abc", 0, "abc", nullptr},     {"/x", 1, "x", nullptr},    {"/", 0, "", nullptr},
        {"a/b.d/", 2, "b.d", nullptr},  {"WORK.ABC", 0, "WORK", "ABC"}, {"", 0, "", nullptr},
    };
    for (const Split& c : cases) {
        SCOPED_TRACE(c.spec);
        // Outputs start with values a routine that forgets them would leave behind.
        const char* dir = nullptr;
        const char* name = nullptr;
        const char* ext = "stale";
        int dl = -7, nl = -7, el = -7;
        EXPECT_EQ(zchopst(c.spec, -1, &dir, &dl, &name, &nl, &ext, &el), 0);
        EXPECT_EQ(dir, c.spec);
        EXPECT_EQ(dl, c.directory_length);
        EXPECT_EQ(std::string(name, static_cast<size_t>(nl)), c.name);
        if (c.extension) {
            ASSERT_NE(ext, nullptr);
            EXPECT_EQ(std::string(ext, static_cast<size_t>(el)), c.extension);
        } else {
            EXPECT_EQ(ext, nullptr);
            EXPECT_EQ(el, 0);
        }
    }
    // Every output may be left out; an explicit length stops before the rest of the text.
    EXPECT_EQ(zchopst("a/b/c.txt", -1, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr), 0);
    const char* name = nullptr;
    int nl = 0;
    zchopst("dir/name.ext", 8, nullptr, nullptr, &name, &nl, nullptr, nullptr);
    EXPECT_EQ(std::string(name, static_cast<size_t>(nl)), "name");
}

TEST(FilePaths, CompareJoinAndClassify) {
    EXPECT_EQ(zfphcom("/a/b/", -1, "/a/b", -1), 0);
    EXPECT_EQ(zfphcom("/a/b", -1, "/a/B", -1), 1);          // case counts
    EXPECT_EQ(zfphcom("/a/b//", -1, "/a/b", -1), 1);        // one "/" only
    EXPECT_EQ(zfphcom(nullptr, 0, "/a", -1), 1);
    EXPECT_EQ(zdhpth("/abs", -1), 0);
    EXPECT_EQ(zdhpth("rel/x", -1), 0);
    EXPECT_EQ(zdhpth("name/", -1), 1);
    EXPECT_EQ(zdhpth("name", -1), 1);
    EXPECT_EQ(zcomstr("abc", "ABC", 3), 0);
    EXPECT_EQ(zcomstr("abc", "ABD", 3), 1);
    EXPECT_EQ(zcomstr("abc", "xyz", 0), 0);

    char out[QOR_PATH_MAX];
    EXPECT_EQ(zlnknam(out, "/dir", -1, "file", -1), 9);
    EXPECT_STREQ(out, "/dir/file");
    EXPECT_EQ(zlnknam(out, "/dir/", -1, "file", 4), 9);
    EXPECT_STREQ(out, "/dir/file");
    EXPECT_EQ(zlnknam(out, nullptr, 0, "file", -1), 4);
    EXPECT_STREQ(out, "file");
    std::string long_dir(QOR_PATH_MAX - 3, 'd');
    EXPECT_EQ(zlnknam(out, long_dir.c_str(), -1, "file", -1), -1);   // never a cut path
    EXPECT_STREQ(out, "");
}

TEST(FilePaths, CheckNameAcceptsOneTo32WordCharacters) {
    EXPECT_EQ(check_name("Risk_2024", -1), 0);
    EXPECT_EQ(check_name(std::string(32, 'a').c_str(), -1), 0);
    EXPECT_EQ(check_name(std::string(33, 'a').c_str(), -1), 1);
    EXPECT_EQ(check_name("a-b", -1), 1);
    EXPECT_EQ(check_name("a b", -1), 1);
    EXPECT_EQ(check_name("", -1), 1);
}

TEST(MemberTypes, ExtensionOfEachType) {
    const std::pair<const char*, const char*> cases[] = {
        {"CATALOG ", "qor7bcat"}, {"DATA    ", "qor7bdat"}, {"DATASET ", "qor7bdat"},
        {"UTILITY ", "qor7butl"}, {"PUTILITY", "qor7bput"}, {"INDEX   ", "qor7bndx"},
        {"MDDB    ", "qor7bmdb"}, {"VIEW    ", "qor7bvew"}, {"DATAVIEW", "qor7bvew"},
        {"DATA", "qor7bdat"},   // a shorter NUL-terminated text is read blank-padded
    };
    for (const auto& [type, extension] : cases) {
        char out[9] = {};
        EXPECT_EQ(zfilext(type, out), 0) << type;
        EXPECT_STREQ(out, extension) << type;
    }
    char out[8];
    EXPECT_EQ(zfilext("data    ", out), ZN_BAD_TYPE);
    EXPECT_EQ(zfilext("FORMAT  ", out), ZN_BAD_TYPE);
    EXPECT_EQ(zfilext(nullptr, out), ZN_BAD_TYPE);
}

TEST(MemberTypes, ChangeExtension) {
    char path[QOR_PATH_MAX];
    int length = -1;
    std::strcpy(path, "report.txt");
    EXPECT_EQ(zchfext(path, &length, "DATA    "), 0);
    EXPECT_STREQ(path, "report.qor7bdat");
    EXPECT_EQ(length, 15);
    std::strcpy(path, "dir.v2/report");
    length = 13;
    EXPECT_EQ(zchfext(path, &length, "CATALOG "), 0);
    EXPECT_STREQ(path, "dir.v2/report.qor7bcat");
    std::strcpy(path, "a/b/");
    length = -1;
    EXPECT_EQ(zchfext(path, &length, "DATA    "), 1);
    EXPECT_STREQ(path, "a/b/");
    for (const char* type : {"        ", "*       ", "NOSUCH  "}) {
        std::strcpy(path, "report.txt");
        EXPECT_EQ(zchfext(path, &length, type), ZN_BAD_TYPE) << type;
    }
    EXPECT_EQ(zchfext(path, &length, nullptr), ZN_BAD_TYPE);
    std::string long_name(QOR_PATH_MAX - 5, 'n');
    std::strcpy(path, long_name.c_str());
    length = -1;
    EXPECT_EQ(zchfext(path, &length, "DATA    "), ZN_TOO_LONG);
}

TEST(MemberTypes, PhysicalName) {
    char out[QOR_PATH_MAX];
    int length = 0;
    EXPECT_EQ(zxname(out, &length, "Prices", -1, "DATA    ", "/lib", -1), 0);
    EXPECT_STREQ(out, "/lib/prices.qor7bdat");
    EXPECT_EQ(length, 20);
    EXPECT_EQ(zxname(out, nullptr, "ENV", 3, "CATALOG ", "/lib/   ", -1), 0);   // blanks dropped
    EXPECT_STREQ(out, "/lib/env.qor7bcat");
    EXPECT_EQ(zxname(out, &length, "Notes", -1, "*       ", "d", 1), 0);
    EXPECT_STREQ(out, "d/notes");
    EXPECT_EQ(zxname(out, &length, "Notes", -1, nullptr, nullptr, 0), 0);
    EXPECT_STREQ(out, "notes");
    EXPECT_EQ(zxname(out, &length, "x", -1, "NOSUCH  ", "/lib", -1), ZN_BAD_TYPE);
    EXPECT_EQ(zxname(out, &length, "", -1, "DATA    ", "/lib", -1), ZN_EMPTY_NAME);
    std::string long_dir(QOR_PATH_MAX - 10, 'd');
    EXPECT_EQ(zxname(out, &length, "abc", -1, "DATA    ", long_dir.c_str(), -1), ZN_TOO_LONG);
}

TEST(LibraryNames, GeneratedNamesFollowTheirRecurrence) {
    // Reference values worked out by hand and with an independent script of the recurrence
    // h = h * 1021 + byte, then h = h * 1021 mod 1000003 per character.
    char out[9] = {};
    znammgl(out, 3, 'X', "a", 1, 0, 0);
    EXPECT_EQ(std::string(out, 3), "XBO");
    znammgl(out, 3, 'X', "a", 1, 1, 0);
    EXPECT_EQ(std::string(out, 3), "X74");
    const char* dir = "/data/risk/environments/2024";
    znammgl(out, 8, 'X', dir, -1, 0, 0);
    EXPECT_EQ(std::string(out, 8), "X0J0189Y");   // the text's hash wraps at 2^32
    znammgl(out, 8, 'X', dir, -1, 0, 1);
    EXPECT_EQ(std::string(out, 8), "X0IJ2XCU");
    znammgl(out, 8, 'X', dir, -1, 1, 0);
    EXPECT_EQ(std::string(out, 8), "X2181292");
}

}  // namespace
