// Output specifications: libref.member, bare members in WORK, the type's own extension, paths
// that get a library of their own, and the messages for names that cannot be used.
#include <cstring>

#include "common/files/names.h"
#include "files_test_support.h"
#include "runtime/storage/libraries.h"

namespace {

class OutputSpec : public FilesTest {
protected:
    void TearDown() override {
        for (const std::string& libref : owned) xhldas2(libref.c_str());
        FilesTest::TearDown();
    }
    std::vector<std::string> owned;
};

struct Resolved {
    int rc;
    std::string libref, member, physical;
    int fresh;
};

Resolved resolve(const std::string& spec, const char* type = "DATA    ", int report = 1) {
    Resolved r;
    char libref[8] = {'?', '?', '?', '?', '?', '?', '?', '?'};
    member_name member{};
    char physical[QOR_PATH_MAX] = "";
    r.fresh = -1;
    r.rc = zoutfil(spec.c_str(), -1, type, libref, &member, physical, &r.fresh, report);
    r.libref.assign(libref, 8);
    r.member.assign(member.text, static_cast<size_t>(member.length));
    r.physical = physical;
    return r;
}

TEST_F(OutputSpec, LibrefMemberAndWork) {
    std::string work = qor::runtime::library_directory("WORK");
    std::string d = dir("risk");
    ASSERT_EQ(xhlasn2("RISK", d.c_str(), -1, nullptr), 0);
    owned.push_back("RISK");
    const struct {
        const char* spec;
        const char* libref;
        const char* member;
        std::string physical;
    } cases[] = {
        {"WORK.ABC", "WORK    ", "ABC", work + "/abc.qor7bdat"},
        {"ABC", "WORK    ", "ABC", work + "/abc.qor7bdat"},
        {"Abc.QOR7BDAT", "WORK    ", "Abc", work + "/abc.qor7bdat"},
        {"risk.Prices", "RISK    ", "Prices", d + "/prices.qor7bdat"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.spec);
        Resolved r = resolve(c.spec);
        EXPECT_EQ(r.rc, 0);
        EXPECT_EQ(r.libref, c.libref);
        EXPECT_EQ(r.member, c.member);
        EXPECT_EQ(r.physical, c.physical);
        EXPECT_EQ(r.fresh, 0);
    }
    Resolved r = resolve("risk.env", "CATALOG ");
    EXPECT_EQ(r.physical, d + "/env.qor7bcat");
    EXPECT_EQ(log(), "");
}

TEST_F(OutputSpec, PathGetsALibraryOfItsOwn) {
    std::string d = dir("out");
    Resolved r = resolve(d + "/abc");
    ASSERT_EQ(r.rc, 0);
    owned.push_back(r.libref);
    EXPECT_EQ(r.libref[0], 'X');
    EXPECT_EQ(r.member, "abc");
    EXPECT_EQ(r.fresh, 1);
    EXPECT_EQ(r.physical, d + "/abc.qor7bdat");
    const char* path = nullptr;
    int length = 0;
    ASSERT_EQ(zlib2ph(r.libref.c_str(), &path, &length), 0);
    EXPECT_EQ(std::string(path, static_cast<size_t>(length)), d);
    // Again: the same library, and the caller does not own it a second time.
    Resolved again = resolve(d + "/def.qor7bdat");
    EXPECT_EQ(again.rc, 0);
    EXPECT_EQ(again.libref, r.libref);
    EXPECT_EQ(again.member, "def");
    EXPECT_EQ(again.fresh, 0);
}

TEST_F(OutputSpec, NamesThatCannotBeUsed) {
    std::string long_member(33, 'm');
    std::string missing = (root / "missing").string() + "/";
    EXPECT_EQ(resolve(long_member).rc, 1);
    EXPECT_EQ(resolve("a-b").rc, 1);
    EXPECT_EQ(resolve("bad-lib.abc").rc, 1);
    EXPECT_EQ(resolve("nolib.abc").rc, 1);
    EXPECT_EQ(resolve(missing + "abc").rc, 1);
    EXPECT_EQ(log(),
              "598/1456 ERROR: " + long_member +
                  " is not a valid member name: use 1 to 32 letters, digits or underscores.\n"
              "598/1456 ERROR: a-b is not a valid member name: use 1 to 32 letters, digits or "
              "underscores.\n"
              "598/1456 ERROR: bad-lib is not a valid library name: use 1 to 32 letters, digits "
              "or underscores.\n"
              "598/1457 ERROR: The name bad-lib.abc cannot be used to write a file.\n"
              "598/1455 ERROR: Library reference NOLIB is not assigned.\n"
              "598/1457 ERROR: The name nolib.abc cannot be used to write a file.\n"
              "598/1458 ERROR: The directory " + missing +
                  " does not exist or is not a directory.\n");
}

TEST_F(OutputSpec, QuietUnlessAMissingDirectory) {
    std::string f = file("plain");
    EXPECT_EQ(resolve("a-b", "DATA    ", 0).rc, 1);
    EXPECT_EQ(resolve("nolib.abc", "DATA    ", 0).rc, 1);   // the library's own message stays
    EXPECT_EQ(resolve(f + "/abc", "DATA    ", 0).rc, 1);    // a file is not a directory
    EXPECT_EQ(log(),
              "598/1455 ERROR: Library reference NOLIB is not assigned.\n"
              "598/1458 ERROR: The directory " + f +
                  "/ does not exist or is not a directory.\n");
}

TEST_F(OutputSpec, SplittingAloneLeavesTheLibrefBlank) {
    const char *dir = nullptr, *member = nullptr;
    int dl = -1, ml = -1;
    char libref[8];
    ASSERT_EQ(process_file_name("/tmp/x/abc.txt", -1, &dir, &dl, &member, &ml, libref, "DATA    "), 0);
    EXPECT_EQ(std::string(dir, static_cast<size_t>(dl)), "/tmp/x/");
    EXPECT_EQ(std::string(member, static_cast<size_t>(ml)), "abc");
    EXPECT_EQ(std::string(libref, 8), "        ");
}

}  // namespace
