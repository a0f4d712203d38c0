// The list layer: failures leave their defined outputs and print the list, sorted insertion,
// object type checks, and the byte and path helpers kept beside it.
#include <cmath>
#include <ctime>
#include <functional>
#include <vector>

#include "catalog/catalog_lists.h"
#include "catalog/object_forms.h"
#include "host/missing.h"
#include "tests/catalog_frame/frame_fixture.h"

namespace {

class ListLayer : public FrameTest {
protected:
    void SetUp() override {
        FrameTest::SetUp();
        list_ = new_list();
        id_ = slid(list_);
        slinsc(list_, "FILTER", QOR_SL_APPEND, "OBJTYPE");
        slinsc(list_, "F1", QOR_SL_APPEND, "NAME");
        slinsd(list_, 70000, QOR_SL_APPEND, "BIG");
    }
    void TearDown() override {
        sldel(list_, 0);
        FrameTest::TearDown();
    }
    qor_list* list_ = nullptr;
    qor_list_id id_ = 0;
};

// Every failed get leaves its output defined, logs its message and prints the list once.
TEST_F(ListLayer, FailedGetsLeaveDefinedOutputsAndPrintTheList) {
    int16_t short_value = 0;
    double number = 0;
    RSOCHAR text{5, 5, "stale"};
    qor_list_id sublist = 99;
    struct Case {
        const char* what;
        std::function<int()> get;
        const char* message;
    };
    const std::vector<Case> cases = {
        {"missing short", [&] { return rsogets(id_, "NOPE", -1, &short_value); }, "598/105"},
        {"short out of range", [&] { return rsogets(id_, "BIG", 3, &short_value); }, "598/105"},
        {"missing number", [&] { return rsogetd(id_, "NOPE", 4, &number); }, "598/105"},
        {"missing text", [&] { return rsogetc(id_, "NOPE", -1, &text); }, "598/104"},
        {"missing sublist", [&] { return rsogetl(id_, "NOPE", -1, &sublist); }, "598/106"},
        {"text at a position past the end", [&] { return rsoitmc(id_, 9, &text); }, "598/140"},
        {"number at a text's position", [&] { return rsoitmd(id_, 1, &number); }, "598/142"},
        {"sublist at a number's position", [&] { return rsoitml(id_, 3, &sublist); }, "598/143"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const int printed = count_of(log(), "The invalid list: ");
        EXPECT_EQ(c.get(), 1);
        EXPECT_NE(log().find(c.message), std::string::npos) << log();
        EXPECT_EQ(count_of(log(), "The invalid list: "), printed + 1);
    }
    EXPECT_EQ(short_value, 32767);
    EXPECT_TRUE(qor::is_missing(number)) << number;
    EXPECT_EQ(text.length, 0u);
    EXPECT_EQ(text.text, nullptr);
    EXPECT_EQ(sublist, 0u);
    // A good read after them all, by a zero-terminated name.
    EXPECT_EQ(rsogetc(id_, "NAME", -1, &text), 0);
    EXPECT_EQ(std::string(text.text, text.length), "F1");
    EXPECT_EQ(text.capacity, 3u);
}

TEST_F(ListLayer, SortedInsertionKeepsEachValueOnce) {
    qor_list* sorted = new_list();
    for (const char* value : {"B", "A", "B", "C", "AB"}) {
        RSOCHAR v{0, std::strlen(value), value};
        EXPECT_EQ(rsosric(slid(sorted), &v, "", 0), 0) << value;
    }
    std::vector<std::string> got;
    for (int i = 1; i <= slcnt(sorted); ++i) {
        std::string_view text;
        slitmc(sorted, i, &text);
        got.emplace_back(text);
    }
    EXPECT_EQ(got, (std::vector<std::string>{"A", "AB", "B", "C"}));
    qor_list* numbers = new_list();
    for (double value : {3.0, -1.5, 3.0, 10.0, 0.0}) EXPECT_EQ(rsosrid(slid(numbers), value, "N", 1), 0);
    std::vector<double> values;
    for (int i = 1; i <= slcnt(numbers); ++i) {
        double at = 0;
        slitmd(numbers, i, &at);
        values.push_back(at);
    }
    EXPECT_EQ(values, (std::vector<double>{-1.5, 0.0, 3.0, 10.0}));
    sldel(sorted, 0);
    sldel(numbers, 0);
}

TEST_F(ListLayer, ObjectTypeCheckNamesTheExpectedTypeAndTheObject) {
    EXPECT_EQ(rsoltyp(id_, "FILTER"), 0);
    EXPECT_EQ(rsoltyp(id_, "OUTPUT"), 1);
    EXPECT_NE(log().find("598/120"), std::string::npos);
    EXPECT_NE(log().find("OUTPUT"), std::string::npos);
    EXPECT_EQ(rsoltyp(0, "OUTPUT"), 1);
    EXPECT_NE(log().find("598/117"), std::string::npos);
}

// Sets replace the first item of the name or append; a sublist set and got back is the same list.
TEST_F(ListLayer, SetsAppendsAndWholeListFiles) {
    RSOCHAR value{0, 2, "F2"};
    EXPECT_EQ(rsosetc(id_, "NAME", 4, &value), 0);
    EXPECT_EQ(rsosets(id_, "COUNT", -1, 7), 0);
    qor_list* sub = new_list();
    EXPECT_EQ(rsoinsl(id_, slid(sub), "SUB", -1), 0);
    qor_list_id got = 0;
    EXPECT_EQ(rsogetl(id_, "SUB", 3, &got), 0);
    EXPECT_EQ(got, slid(sub));
    sldel(sub, 0);
    int16_t count = 0;
    EXPECT_EQ(rsogets(id_, "COUNT", 5, &count), 0);
    EXPECT_EQ(count, 7);
    RSKLISTWS workspace{};
    const char entry[] = "FTEST.LISTS.SAVED.ZUDO12";
    EXPECT_EQ(rsosls(&workspace, entry, -1, id_, "kept", 4), 0) << log();
    qor_list* back = new_list();
    EXPECT_EQ(rsosll(&workspace, entry, -1, slid(back)), 0) << log();
    EXPECT_EQ(slcnt(back), slcnt(list_));
    EXPECT_EQ(rsosll(nullptr, entry, -1, slid(back)), 1);
    EXPECT_NE(log().find("rsosll: invalid ListId."), std::string::npos);
    EXPECT_EQ(rsosll(&workspace, "FTEST.LISTS.ABSENT.ZUDO12", -1, slid(back)), 1);
    EXPECT_NE(log().find("598/999"), std::string::npos);
    sldel(back, 0);
}

TEST_F(ListLayer, ByteSearchAndCopy) {
    EXPECT_EQ(vzsetl("", 0, 'a'), -1);
    EXPECT_EQ(vzsetl("abcabc", 6, 'c'), 2);
    EXPECT_EQ(vzsetl("abcabc", 2, 'c'), -1);
    char field[8] = "xyz....";
    wzbmdi(field, field + 3, 4);   // forward, a byte at a time: the head repeats
    EXPECT_EQ(std::string(field, 7), "xyzxyzx");
    wzbmdi("q", field, 0);
    EXPECT_EQ(field[0], 'x');
}

// Whole components decide whether a path lies under a directory, not a byte prefix.
TEST_F(ListLayer, PathsLieUnderADirectoryByWholeComponents) {
    struct Case {
        const char* path;
        const char* directory;
        bool under;
    };
    for (const Case& c : std::vector<Case>{{"/data/out/run1", "/data/out", true},
                                           {"/data/out", "/data/out/", true},
                                           {"/data//out/./run1", "/data/out", true},
                                           {"/data/out2/run1", "/data/out", false},
                                           {"/data", "/data/out", false},
                                           {"data/out", "/data/out", false},
                                           {"", "/data", false}})
        EXPECT_EQ(rss_path_under(c.path, c.directory), c.under) << c.path << " under " << c.directory;
}

TEST_F(ListLayer, FileTimeThroughAFileReference) {
    std::string file = directory_ + "/stamp.txt";
    FILE* out = std::fopen(file.c_str(), "w");
    std::fputs("x", out);
    std::fclose(out);
    double when = 0;
    EXPECT_EQ(zlastmt(file.c_str(), static_cast<int>(file.size()), QOR_FINFO_MODIFIED, &when), 0);
    // The host's date-times count seconds from 1960-01-01; 1960 to 1970 is 3653 days.
    const double unix_now = static_cast<double>(std::time(nullptr));
    EXPECT_NEAR(when, unix_now + 3653.0 * 86400.0, 120.0);
    std::string missing = directory_ + "/absent.txt";
    EXPECT_EQ(zlastmt(missing.c_str(), static_cast<int>(missing.size()), QOR_FINFO_MODIFIED, &when), 0);
    EXPECT_EQ(when, 0.0);
}

}  // namespace
