// Creating a member that must be new: a writer opened without leave to replace fails at close
// when another writer created the member meanwhile, and leaves that member and no temporary file.
#include <filesystem>
#include <string>
#include <vector>

#include "tests/runtime/dataset_fixture.h"

namespace {

int64_t observations(const char* member) {
    qor_dataset* ds = DatasetTest::open(member, QOR_OPEN_INPUT);
    if (ds == nullptr) return -1;
    int64_t n = 0;
    xoinfo(ds, QOR_INFO_OBSERVATIONS, &n);
    xoclose(ds, 0);
    return n;
}

// An output data set with one numeric variable and `rows` observations, not yet closed.
qor_dataset* written_but_open(const char* member, int mode, int rows) {
    qor_dataset* ds = DatasetTest::open(member, mode);
    if (ds == nullptr) return nullptr;
    qor_putlist* put = nullptr;
    double x = 0;
    qor_var_desc d = DatasetTest::var("Y", QOR_VAR_NUMERIC, 8);
    xvputi(ds, 1, &put);
    xvputd(put, &d, &x, 8, nullptr);
    xvpute(put);
    qor_obs_request q{};
    q.dataset = ds;
    for (int i = 0; i < rows; ++i) {
        x = i;
        xyvput(put, 0);
        xoadd(&q);
    }
    xvputt(put);
    return ds;
}

}  // namespace

TEST_F(DatasetTest, ANewMemberNeverReplacesOneCreatedMeanwhile) {
    struct Case {
        const char* name;
        int mode;
        bool created_meanwhile;
        int close_code;
        int64_t observations_after;   // 3: the other writer's member; 1: this writer's
    };
    const Case cases[] = {
        {"no-replace, member appeared", QOR_OPEN_OUTPUT | QOR_OPEN_NO_REPLACE, true,
         QOR_DS_MEMBER_EXISTS, 3},
        {"no-replace, still new", QOR_OPEN_OUTPUT | QOR_OPEN_NO_REPLACE, false, 0, 1},
        {"replace, last writer wins", QOR_OPEN_OUTPUT, true, 0, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        xomdel("DSTEST", "race", "DATA");
        qor_dataset* mine = written_but_open("race", c.mode, 1);
        ASSERT_NE(mine, nullptr);
        if (c.created_meanwhile) write_rows("race", 3);
        EXPECT_EQ(xoclose(mine, 0), c.close_code);
        EXPECT_EQ(observations("race"), c.observations_after);
        std::vector<std::string> left;
        for (const auto& e : std::filesystem::directory_iterator(dir))
            if (e.path().filename().string().find("race") == 0) left.push_back(e.path().filename());
        EXPECT_EQ(left, std::vector<std::string>{"race.qor7bdat"});
    }
}
