// BY-group reading (first. and last. flags, order checks, missing values first) and view
// members (stored program, the runner hook, and the clear error when there is no runner).
#include <vector>

#include "host/missing.h"
#include "tests/runtime/dataset_fixture.h"

namespace {

// Writes rows of (K character 2, V numeric) in the order given.
void write_groups(const char* member, const std::vector<std::pair<std::string, double>>& rows) {
    qor_open_request r = DatasetTest::request(member, QOR_OPEN_OUTPUT);
    qor_dataset* ds = nullptr;
    ASSERT_EQ(xoopen(&ds, &r), 0);
    qor_putlist* put = nullptr;
    xvputi(ds, 2, &put);
    char k[2];
    double v = 0;
    qor_var_desc dk = DatasetTest::var("K", QOR_VAR_CHARACTER, 2);
    qor_var_desc dv = DatasetTest::var("V", QOR_VAR_NUMERIC, 8);
    ASSERT_EQ(xvputd(put, &dk, k, 2, nullptr), 0);
    ASSERT_EQ(xvputd(put, &dv, &v, 8, nullptr), 0);
    qor_obs_request q{};
    q.dataset = ds;
    for (const auto& row : rows) {
        std::memcpy(k, (row.first + "  ").data(), 2);
        v = row.second;
        xyvput(put, 0);
        ASSERT_EQ(xoadd(&q), 0);
    }
    xvputt(put);
    ASSERT_EQ(xoclose(ds, 0), 0);
}

// "fl" flags of every observation read by BY K V: first.K last.K first.V last.V as 0/1.
std::vector<std::string> flags_of(const char* member, const bool* descending, int* rc_out) {
    qor_open_request r = DatasetTest::request(member, QOR_OPEN_INPUT);
    qor_dataset* ds = nullptr;
    std::vector<std::string> out;
    if (xoopen(&ds, &r) != 0) return out;
    qor_byreader* by = nullptr;
    int numbers[] = {1, 2};
    EXPECT_EQ(xvbyi(ds, 2, numbers, descending, &by), 0);
    bool first[2], last[2];
    int rc;
    while ((rc = xybyget(by, first, last)) == 0)
        out.push_back(std::string() + "01"[first[0]] + "01"[last[0]] + "01"[first[1]] + "01"[last[1]]);
    *rc_out = rc;
    xvbyt(by);
    xoclose(ds, 0);
    return out;
}

int run_count = 0;

// A view runner for the test: writes a two-row data set WORKV in the view's own library.
int test_runner(const char* libref, const char*, const char* program, size_t length, char out_libref[8],
                qor_member_name* out_member) {
    ++run_count;
    if (std::string(program, length) != "data workv; x=1; output; x=2; output; run;") return QOR_DS_BAD_REQUEST;
    write_groups("workv", {{"a", 1}, {"b", 2}});
    std::memset(out_libref, ' ', 8);
    std::memcpy(out_libref, libref, std::strlen(libref));
    out_member->length = 5;
    std::memcpy(out_member->text, "WORKV", 5);
    return 0;
}

}  // namespace

TEST_F(DatasetTest, ByGroupsGiveFirstAndLastFlags) {
    const double dot = qor::missing(), underscore = qor::make_missing('_'), a = qor::make_missing('A');
    write_groups("grouped", {{"a", underscore}, {"a", dot}, {"a", a}, {"a", a}, {"a", -1}, {"b", 1}, {"b", 1}, {"c", 5}});
    int rc = 0;
    EXPECT_EQ(flags_of("grouped", nullptr, &rc),
              (std::vector<std::string>{"1011", "0011", "0010", "0001", "0111", "1010", "0101", "1111"}));
    EXPECT_EQ(rc, QOR_DS_END_OF_DATA);

    write_groups("down", {{"b", 2}, {"b", 1}, {"a", 3}});
    bool descending[] = {true, true};
    EXPECT_EQ(flags_of("down", descending, &rc), (std::vector<std::string>{"1011", "0111", "1111"}));
    EXPECT_EQ(rc, QOR_DS_END_OF_DATA);
}

TEST_F(DatasetTest, ByGroupsOutOfOrderStopWithAMessage) {
    write_groups("unsorted", {{"a", 2}, {"a", 1}});
    int rc = 0;
    EXPECT_EQ(flags_of("unsorted", nullptr, &rc).size(), 1u);
    EXPECT_EQ(rc, QOR_DS_NOT_SORTED);
    EXPECT_NE(log().find("ERROR: The data set DSTEST.UNSORTED is not sorted by V: observation 2 is out of order."),
              std::string::npos) << log();
    // A number sorts after every missing value.
    write_groups("missing_last", {{"a", 1}, {"a", qor::missing()}});
    flags_of("missing_last", nullptr, &rc);
    EXPECT_EQ(rc, QOR_DS_NOT_SORTED);
}

// Consecutive mode groups neighbours by K in the order written (b before a, then b again),
// and a rewind reads the current group again from its first observation.
TEST_F(DatasetTest, ConsecutiveGroupsNeedNoOrderAndRewind) {
    write_groups("insertion", {{"b", 2}, {"b", 1}, {"a", 3}, {"b", 4}});
    qor_open_request r = request("insertion", QOR_OPEN_INPUT);
    qor_dataset* ds = nullptr;
    ASSERT_EQ(xoopen(&ds, &r), 0);
    qor_byreader* by = nullptr;
    int k = 1;
    ASSERT_EQ(xvbyi(ds, 1, &k, nullptr, &by), 0);
    EXPECT_EQ(xvbyrew(by), QOR_DS_NO_CURRENT);
    ASSERT_EQ(xvbycon(by, 1), 0);
    // Each group read twice: "K:V" per observation, first. and last. as 0/1.
    std::string seen;
    bool first = false, last = false;
    int rc = 0;
    for (int pass = 0; (rc = xybyget(by, &first, &last)) == 0;) {
        char key[3] = {};
        double v = 0;
        xvget1c(ds, 1, key, 2, nullptr);
        xvget1f(ds, 2, &v);
        seen += std::string(key, 1) + std::to_string(static_cast<int>(v)) + "01"[first] + "01"[last] + " ";
        if (last && pass++ % 2 == 0) {
            ASSERT_EQ(xvbyrew(by), 0);
            seen += "| ";
        }
    }
    EXPECT_EQ(rc, QOR_DS_END_OF_DATA);
    EXPECT_EQ(seen, "b210 b101 | b210 b101 a311 | a311 b411 | b411 ");
    xvbyt(by);
    xoclose(ds, 0);
}

TEST_F(DatasetTest, ViewsStoreTheirProgramAndNeedARunner) {
    const std::string program = "data workv; x=1; output; x=2; output; run;";
    ASSERT_EQ(xovwrit("dstest", "Myview", program.data(), program.size()), 0);
    char text[100];
    size_t length = 0;
    ASSERT_EQ(xovread("dstest", "MYVIEW", text, sizeof text, &length), 0);
    EXPECT_EQ(std::string(text, length), program);
    EXPECT_EQ(xovread("dstest", "MYVIEW", text, 10, &length), QOR_DS_BAD_REQUEST);
    EXPECT_EQ(xovread("dstest", "none", text, sizeof text, &length), QOR_DS_NO_MEMBER);

    qor_view_runner previous = qor_set_view_runner(nullptr);
    qor_open_request r = request("myview", QOR_OPEN_INPUT, "VIEW");
    qor_dataset* ds = nullptr;
    EXPECT_EQ(xoopen(&ds, &r), QOR_DS_NO_VIEW_RUNNER);
    EXPECT_NE(log().find("ERROR: Views cannot be run in this build: the view DSTEST.myview was not opened."),
              std::string::npos) << log();
    r = request("myview", QOR_OPEN_OUTPUT, "DATAVIEW");
    EXPECT_EQ(xoopen(&ds, &r), QOR_DS_WRONG_MODE);

    qor_set_view_runner(test_runner);
    r = request("myview", QOR_OPEN_INPUT, "DATAVIEW");
    ASSERT_EQ(xoopen(&ds, &r), 0);
    EXPECT_EQ(run_count, 1);
    int64_t count = 0;
    xoinfo(ds, QOR_INFO_OBSERVATIONS, &count);
    EXPECT_EQ(count, 2);
    xoclose(ds, 0);

    // A damaged view file is refused like a damaged data set.
    std::ofstream(dir / "broken.qor7bvew") << "QOR7BVEW but not really";
    r = request("broken", QOR_OPEN_INPUT, "VIEW");
    EXPECT_EQ(xoopen(&ds, &r), QOR_DS_DAMAGED);
    EXPECT_EQ(run_count, 1);
    EXPECT_EQ(xomdel("dstest", "myview", "VIEW"), 0);
    EXPECT_EQ(xomdel("dstest", "myview", "VIEW"), QOR_DS_NO_MEMBER);
    qor_set_view_runner(previous);
}
