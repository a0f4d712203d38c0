// PROC SORT through the program runner: the order of missing values and numbers written out by
// hand, stability, DESCENDING, the sort keys left in the header, the external merge under a
// tiny SORTSIZE checked against std::stable_sort, and a failed sort leaving the member as it was.
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "host/missing.h"
#include "host/options.h"
#include "runtime/submit/program_runner.h"
#include "tests/runtime/dataset_fixture.h"

namespace {

struct Row {
    double key;
    double tag;
    std::string text;
};

void write_keyed(const char* member, const std::vector<Row>& rows) {
    qor_dataset* ds = DatasetTest::open(member, QOR_OPEN_OUTPUT);
    ASSERT_NE(ds, nullptr);
    qor_putlist* put = nullptr;
    ASSERT_EQ(xvputi(ds, 3, &put), 0);
    double key = 0, tag = 0;
    char text[4];
    qor_var_desc dk = DatasetTest::var("key", QOR_VAR_NUMERIC, 8);
    qor_var_desc dt = DatasetTest::var("tag", QOR_VAR_NUMERIC, 8);
    qor_var_desc dc = DatasetTest::var("text", QOR_VAR_CHARACTER, 3);
    ASSERT_EQ(xvputd(put, &dk, &key, 8, nullptr), 0);
    ASSERT_EQ(xvputd(put, &dt, &tag, 8, nullptr), 0);
    ASSERT_EQ(xvputd(put, &dc, text, 3, nullptr), 0);
    xvpute(put);
    qor_obs_request q{};
    q.dataset = ds;
    for (const Row& r : rows) {
        key = r.key;
        tag = r.tag;
        std::snprintf(text, sizeof text, "%-3s", r.text.c_str());
        ASSERT_EQ(xyvput(put, 0), 0);
        ASSERT_EQ(xoadd(&q), 0);
    }
    xvputt(put);
    ASSERT_EQ(xoclose(ds, 0), 0);
}

std::vector<double> column(const char* member, int number) {
    std::vector<double> out;
    qor_dataset* ds = DatasetTest::open(member, QOR_OPEN_INPUT);
    if (ds == nullptr) return out;
    qor_obs_request q{};
    q.dataset = ds;
    while (xoget(&q, QOR_GET_NEXT) == 0) {
        double v = 0;
        xvget1f(ds, number, &v);
        out.push_back(v);
    }
    xoclose(ds, 0);
    return out;
}

int run(const std::string& program) { return qor::runtime::run_program_text(program, "test").worst_code; }

class ProcSort : public DatasetTest {};

TEST_F(ProcSort, MissingValuesComeFirstInTheirOrderAndTiesKeepTheirPlace) {
    const double m = qor::missing(), under = qor::make_missing(95), a = qor::make_missing('A'),
                 z = qor::make_missing('Z');
    // key, tag: tags say where each observation must end up.
    write_keyed("MIXED", {{3, 11, "c"}, {z, 5, "z"}, {-0.0, 8, "n"}, {m, 2, "m"}, {-1e300, 6, "x"},
                          {under, 1, "u"}, {0, 9, "p"}, {a, 4, "a"}, {m, 3, "m"}, {-2, 7, "y"},
                          {std::nan(""), 10, "q"}});
    // Expected order by tag: ._ then the three '.' (a NaN that is not a host missing value counts
    // as '.') in input order, .A, .Z, then the numbers with -0 and 0 equal.
    ASSERT_EQ(run("proc sort data=dstest.mixed out=dstest.sorted; by key; run;"), 0) << log();
    std::vector<double> tags = column("SORTED", 2);
    EXPECT_EQ(tags, (std::vector<double>{1, 2, 3, 10, 4, 5, 6, 7, 8, 9, 11}));
    ASSERT_EQ(run("proc sort data=dstest.mixed out=dstest.down; by descending key text; run;"), 0) << log();
    EXPECT_EQ(column("DOWN", 2), (std::vector<double>{11, 8, 9, 7, 6, 5, 4, 2, 3, 10, 1}));
    // The keys recorded in the header: key descending, then text.
    qor_dataset* ds = open("DOWN", QOR_OPEN_INPUT);
    ASSERT_NE(ds, nullptr);
    qor_sort_keys keys{};
    ASSERT_EQ(xoinfo(ds, QOR_INFO_SORT_KEYS, &keys), 0);
    EXPECT_EQ(keys.count, 2);
    EXPECT_EQ(keys.numbers[0], -1);
    EXPECT_EQ(keys.numbers[1], 3);
    xoclose(ds, 0);
}

TEST_F(ProcSort, ExternalMergeGivesTheStableSortOfMemory) {
    std::mt19937 random(19);
    std::vector<Row> rows;
    for (int i = 0; i < 3000; ++i)
        rows.push_back({static_cast<double>(random() % 40), static_cast<double>(i), std::string(1, static_cast<char>('a' + random() % 3))});
    write_keyed("BIG", rows);
    std::vector<Row> expected = rows;
    std::stable_sort(expected.begin(), expected.end(), [](const Row& x, const Row& y) {
        if (x.text != y.text) return x.text > y.text;   // DESCENDING text
        return x.key < y.key;
    });
    // 19-byte observations and their 24-byte sort entries: 512 bytes hold 11, so 273 runs,
    // merged 16 at a time into 18 runs, then into 2, then once more.
    ASSERT_EQ(run("options sortsize=512; proc sort data=dstest.big out=dstest.merged; by descending text key; run;"
                  "options sortsize=268435456;"),
              0)
        << log();
    std::vector<double> tags = column("MERGED", 2);
    ASSERT_EQ(tags.size(), expected.size());
    for (size_t i = 0; i < tags.size(); ++i) ASSERT_EQ(tags[i], expected[i].tag) << "observation " << i + 1;
    std::string text = log();
    EXPECT_NE(text.find("merge passes: 3"), std::string::npos) << text;
    // No run is left behind in WORK.
    for (const auto& entry : std::filesystem::directory_iterator(qor::runtime::library_directory("WORK")))
        EXPECT_EQ(entry.path().filename().string().find(".sortrun"), std::string::npos) << entry.path();
}

TEST_F(ProcSort, AFailedSortLeavesTheMemberAsItWas) {
    write_rows("KEEPME", 5);
    std::string before;
    {
        std::ifstream in(file("KEEPME"), std::ios::binary);
        before.assign(std::istreambuf_iterator<char>(in), {});
    }
    EXPECT_NE(run("proc sort data=dstest.keepme; by x nosuch; run;"), 0);
    std::ifstream in(file("KEEPME"), std::ios::binary);
    std::string after(std::istreambuf_iterator<char>(in), {});
    EXPECT_EQ(after, before);
    EXPECT_NE(log().find("BY variable nosuch is not in DSTEST.KEEPME on line 1"), std::string::npos) << log();
}

}  // namespace
