// Library references for directories: generated and component names, reuse of an existing
// reference to the same place, engines, the GENERIC option and member existence.
#include <cstring>
#include <fstream>

#include "common/files/names.h"
#include "files_test_support.h"
#include "host/options.h"

namespace {

std::string field(const char* f) { return std::string(f, 8); }

int library_count() {
    int cursor = 0, count = 0;
    qor_library_info info;
    while (xhlnxt2(&cursor, &info) == 0) ++count;
    return count;
}

class Libraries : public FilesTest {
protected:
    void TearDown() override {
        for (const std::string& libref : owned) xhldas2(libref.c_str());
        FilesTest::TearDown();
    }
    std::vector<std::string> owned;
};

TEST_F(Libraries, AssignsOnceAndReusesTheReferenceOfTheSamePlace) {
    std::string d = dir("env");
    char libref[8], path[QOR_PATH_MAX];
    int path_length = 0, fresh = -1;
    ASSERT_EQ(zlibnam(d.c_str(), -1, libref, path, &path_length, &fresh, nullptr), 0);
    owned.push_back(field(libref));
    EXPECT_EQ(libref[0], 'X');
    EXPECT_EQ(fresh, 1);
    EXPECT_STREQ(path, d.c_str());
    EXPECT_EQ(path_length, static_cast<int>(d.size()));
    const char* p = nullptr;
    int pl = 0;
    ASSERT_EQ(zlib2ph(libref, &p, &pl), 0);
    EXPECT_EQ(std::string(p, static_cast<size_t>(pl)), d);
    char engine[8];
    ASSERT_EQ(zlibeng(libref, engine), 0);
    EXPECT_EQ(field(engine), "V9      ");

    // The same directory, written another way: the existing reference, no new assignment.
    int before = library_count();
    char again[8];
    ASSERT_EQ(zlibnam((d + "/").c_str(), -1, again, nullptr, nullptr, &fresh, "V9      "), 0);
    EXPECT_EQ(field(again), field(libref));
    EXPECT_EQ(fresh, 0);
    EXPECT_EQ(library_count(), before);

    // Another engine is another library.
    char other[8];
    ASSERT_EQ(zlibnam(d.c_str(), -1, other, nullptr, nullptr, &fresh, "V612    "), 0);
    owned.push_back(field(other));
    EXPECT_NE(field(other), field(libref));
    EXPECT_EQ(fresh, 1);
    ASSERT_EQ(zlibeng(other, engine), 0);
    EXPECT_EQ(field(engine), "V612    ");
}

TEST_F(Libraries, FindsAUserLibraryOnTheDirectory) {
    std::string d = dir("mine");
    ASSERT_EQ(xhlasn2("MINE", d.c_str(), -1, nullptr), 0);
    owned.push_back("MINE");
    char libref[8];
    int fresh = -1;
    ASSERT_EQ(zlibnam(d.c_str(), -1, libref, nullptr, nullptr, &fresh, nullptr), 0);
    EXPECT_EQ(field(libref), "MINE    ");
    EXPECT_EQ(fresh, 0);
    qor_library_info info;
    ASSERT_EQ(xhlinf2("MINE", &info), 0);
    EXPECT_EQ(checkLibAssigned(&info, libref), 0);   // no other library on that directory
}

TEST_F(Libraries, ComponentNamesTakeADigitWhenTaken) {
    std::string a = dir("one/riskdata"), b = dir("two/riskdata"), c = dir("2024-q1");
    char libref[8];
    int fresh = 0;
    ASSERT_EQ(zlibnm2(a.c_str(), -1, libref, nullptr, nullptr, &fresh, nullptr), 0);
    owned.push_back(field(libref));
    EXPECT_EQ(field(libref), "RISKDATA");
    ASSERT_EQ(zlibnm2(b.c_str(), -1, libref, nullptr, nullptr, &fresh, nullptr), 0);
    owned.push_back(field(libref));
    EXPECT_EQ(field(libref), "RISKDAT0");
    ASSERT_EQ(zlibnm2((a + "/").c_str(), -1, libref, nullptr, nullptr, &fresh, nullptr), 0);
    EXPECT_EQ(field(libref), "RISKDATA");   // the same place again
    EXPECT_EQ(fresh, 0);
    std::string s = dir("env");
    ASSERT_EQ(zlibnm2(s.c_str(), -1, libref, nullptr, nullptr, &fresh, nullptr), 0);
    owned.push_back(field(libref));
    EXPECT_EQ(field(libref), "ENV     ");
    // A component that cannot be a library reference falls back to a generated name.
    ASSERT_EQ(zlibnm2(c.c_str(), -1, libref, nullptr, nullptr, &fresh, nullptr), 0);
    owned.push_back(field(libref));
    EXPECT_EQ(libref[0], 'X');
    EXPECT_EQ(fresh, 1);
}

TEST_F(Libraries, FailuresAreReportedAndGenericComesBack) {
    ASSERT_EQ(xoptbst("GENERIC", 1), 0);
    std::string missing = (root / "missing").string();
    char libref[8];
    int fresh = -1;
    EXPECT_EQ(zlibnam(missing.c_str(), -1, libref, nullptr, nullptr, &fresh, nullptr), 1);
    EXPECT_EQ(fresh, 0);
    EXPECT_EQ(zlibnam(root.c_str(), -1, libref, nullptr, nullptr, &fresh, "ORACLE  "), 1);
    int generic = 0;
    ASSERT_EQ(xoptbgt("GENERIC", &generic), 0);
    EXPECT_EQ(generic, 1);
    xoptbst("GENERIC", 0);
    EXPECT_EQ(log(),
              "ERROR: The directory does not exist.\n"
              "ERROR: Cannot assign libname to " + missing + ".\n"
              "ERROR: The library engine is not known.\n"
              "ERROR: Cannot assign libname to " + root.string() + ".\n");
    const char* p = nullptr;
    EXPECT_EQ(zlib2ph("NOSUCH  ", &p, nullptr), 1);
    EXPECT_EQ(p, nullptr);
    EXPECT_EQ(zlibeng("NOSUCH  ", libref), 1);
}

TEST_F(Libraries, MemberExistenceAcceptsViewsForData) {
    std::string d = dir("lib");
    ASSERT_EQ(xhlasn2("FLIB", d.c_str(), -1, nullptr), 0);
    owned.push_back("FLIB");
    file("lib/prices.qor7bdat");
    file("lib/deals.qor7bvew");
    file("lib/env.qor7bcat");
    EXPECT_EQ(zdfxst("FLIB    ", "Prices", -1, "DATA    "), 0);
    EXPECT_EQ(zdfxst("FLIB    ", "DEALS", -1, "data    "), 0);   // a view serves as data
    EXPECT_EQ(zdfxst("FLIB    ", "DEALS", -1, "DATASET "), 0);
    EXPECT_EQ(zdfxst("FLIB    ", "ENV", -1, "CATALOG "), 0);
    EXPECT_NE(zdfxst("FLIB    ", "ENV", -1, "PUTILITY"), 0);
    EXPECT_NE(zdfxst("FLIB    ", "NONE", -1, "DATA    "), 0);
    EXPECT_NE(zdfxst("FLIB    ", "ENV", -1, nullptr), 0);
    EXPECT_NE(zdfxst("NOLIB   ", "ENV", -1, "CATALOG "), 0);
}

}  // namespace
