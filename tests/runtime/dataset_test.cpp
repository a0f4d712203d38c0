// Data set services: round trips of every type, length and description, number precision
// and special missing values bit for bit, sequential and positioned reading, update and
// delete, names, and what the services refuse.
#include <algorithm>
#include <cmath>
#include <vector>

#include "host/missing.h"
#include "tests/runtime/dataset_fixture.h"

namespace {

uint64_t bits(double x) { return qor::bits_of(x); }

// The double that keeps only the top `bytes` bytes of x: what a stored number must read back as.
double kept(double x, int bytes) {
    uint64_t mask = bytes == 8 ? ~0ULL : ~((1ULL << (8 * (8 - bytes))) - 1);
    return qor::double_of(qor::bits_of(x) & mask);
}

}  // namespace

TEST_F(DatasetTest, EveryLengthTypeAndDescriptionSurvivesAWriteAndRead) {
    const double values[] = {0.0, -0.0, 1.0, -2.5, 8192.0, 8193.0, 1.0 / 3.0, 1e300, -1e-300, 0.1,
                             qor::missing(), qor::make_missing('_'), qor::make_missing('A'),
                             qor::make_missing('Z')};
    const int n_values = sizeof values / sizeof values[0];
    qor_dataset* ds = open("Types", QOR_OPEN_OUTPUT);
    ASSERT_NE(ds, nullptr);
    qor_putlist* put = nullptr;
    ASSERT_EQ(xvputi(ds, 9, &put), 0);
    double num[6];
    for (int len = 3; len <= 8; ++len) {
        char name[8];
        std::snprintf(name, sizeof name, "N%d", len);
        qor_var_desc d = var(name, QOR_VAR_NUMERIC, len);
        std::snprintf(d.label, sizeof d.label, "Numeric of %d bytes", len);
        d.label_length = static_cast<int16_t>(std::strlen(d.label));
        std::strcpy(d.format, "COMMA");
        d.format_length = 5;
        d.format_width = 12;
        d.format_decimals = 2;
        std::strcpy(d.informat, "BEST");
        d.informat_length = 4;
        d.informat_width = 32;
        ASSERT_EQ(xvputd(put, &d, &num[len - 3], 8, nullptr), 0) << len;
    }
    std::string c1(1, ' '), c200(200, ' '), cmax(32767, ' ');
    qor_var_desc d1 = var("c1", QOR_VAR_CHARACTER, 1);
    qor_var_desc d200 = var("Leg.Date", QOR_VAR_CHARACTER, 200);
    qor_var_desc dmax = var("CMAX", QOR_VAR_CHARACTER, 32767);
    std::strcpy(dmax.format, "$CHAR");
    dmax.format_length = 5;
    ASSERT_EQ(xvputd(put, &d1, c1.data(), 1, nullptr), 0);
    ASSERT_EQ(xvputd(put, &d200, c200.data(), 3, nullptr), 0);   // shorter source: blank-padded
    ASSERT_EQ(xvputd(put, &dmax, cmax.data(), 32767, nullptr), 0);
    xvpute(put);
    ASSERT_EQ(xolabel(ds, "Every type", -1), 0);
    qor_obs_request q{};
    q.dataset = ds;
    for (int i = 0; i < n_values; ++i) {
        std::fill(num, num + 6, values[i]);
        c1[0] = static_cast<char>('a' + i);
        c200.replace(0, 3, "x" + std::to_string(10 + i));
        cmax[32766] = static_cast<char>('A' + i);
        ASSERT_EQ(xyvput(put, 0), 0);
        ASSERT_EQ(xoadd(&q), 0);
    }
    xvputt(put);
    ASSERT_EQ(xoclose(ds, 0), 0);

    ds = open("TYPES", QOR_OPEN_INPUT);
    ASSERT_NE(ds, nullptr);
    int64_t count = 0;
    int32_t nvars = 0;
    char label[QOR_DS_LABEL_MAX + 1];
    ASSERT_EQ(xoinfo(ds, QOR_INFO_OBSERVATIONS, &count), 0);
    ASSERT_EQ(xoinfo(ds, QOR_INFO_VARIABLES, &nvars), 0);
    ASSERT_EQ(xoinfo(ds, QOR_INFO_LABEL, label), 0);
    EXPECT_EQ(count, n_values);
    EXPECT_EQ(nvars, 9);
    EXPECT_STREQ(label, "Every type");
    qor_var_desc d;
    ASSERT_EQ(xvname(ds, 3, &d), 0);
    EXPECT_STREQ(d.name, "N5");
    EXPECT_EQ(d.type, QOR_VAR_NUMERIC);
    EXPECT_EQ(d.length, 5);
    EXPECT_STREQ(d.label, "Numeric of 5 bytes");
    EXPECT_STREQ(d.format, "COMMA");
    EXPECT_EQ(d.format_width, 12);
    EXPECT_EQ(d.format_decimals, 2);
    EXPECT_STREQ(d.informat, "BEST");
    EXPECT_EQ(d.informat_width, 32);
    ASSERT_EQ(xvname(ds, 8, &d), 0);
    EXPECT_STREQ(d.name, "Leg.Date");
    EXPECT_EQ(d.type, QOR_VAR_CHARACTER);
    EXPECT_EQ(d.length, 200);
    ASSERT_EQ(xvname(ds, 9, &d), 0);
    EXPECT_EQ(d.length, 32767);
    EXPECT_STREQ(d.format, "$CHAR");

    qor_getlist* get = nullptr;
    ASSERT_EQ(xvgeti(ds, 9, &get), 0);
    double got[6];
    std::string g1(1, '?'), g200(205, '?'), gmax(32767, '?');
    for (int len = 3; len <= 8; ++len) ASSERT_EQ(xvgetd(get, len - 2, &got[len - 3], 8), 0);
    ASSERT_EQ(xvgetd(get, 7, g1.data(), 1), 0);
    ASSERT_EQ(xvgetd(get, 8, g200.data(), 205), 0);    // wider destination: blank-padded
    ASSERT_EQ(xvgetd(get, 9, gmax.data(), 32767), 0);
    xvgete(get);
    q = {};
    q.dataset = ds;
    for (int i = 0; i < n_values; ++i) {
        ASSERT_EQ(xoget(&q, QOR_GET_NEXT), 0);
        ASSERT_EQ(xyvget(get, 0), 0);
        for (int len = 3; len <= 8; ++len)
            EXPECT_EQ(bits(got[len - 3]), bits(kept(values[i], len))) << "value " << i << " length " << len;
        EXPECT_EQ(g1[0], 'a' + i);
        EXPECT_EQ(g200, "x" + std::to_string(10 + i) + std::string(202, ' '));
        EXPECT_EQ(gmax[32766], 'A' + i);
        EXPECT_EQ(gmax[0], ' ');
    }
    EXPECT_EQ(xoget(&q, QOR_GET_NEXT), QOR_DS_END_OF_DATA);
    xvgett(get);
    xoclose(ds, 0);
}

// A 3-byte number keeps 12 bits of mantissa: integers to 8192 exactly, about 3 digits beyond.
TEST_F(DatasetTest, ShortNumbersKeepTheirLeadingBits) {
    EXPECT_EQ(kept(8192.0, 3), 8192.0);
    EXPECT_EQ(kept(8193.0, 3), 8192.0);
    EXPECT_EQ(kept(4095.0, 3), 4095.0);
    EXPECT_NEAR(kept(1.0 / 3.0, 3), 1.0 / 3.0, 1.0 / 3.0 / 4096);
    EXPECT_EQ(kept(123456789.0, 6), 123456789.0);   // 6 bytes: 36 bits of mantissa
    // Special missing values live in the top 16 bits and so survive every length.
    for (int code : {0, int{'_'}, int{'A'}, int{'Z'}}) EXPECT_EQ(qor::missing_code(kept(qor::make_missing(code), 3)), code);
}

TEST_F(DatasetTest, SequentialReadingRewindsStepsBackAndPointsToNotedObservations) {
    write_rows("seq", 5);
    qor_dataset* ds = open("seq", QOR_OPEN_INPUT);
    ASSERT_NE(ds, nullptr);
    qor_getlist* get = nullptr;
    double x = 0;
    ASSERT_EQ(xvgeti(ds, 1, &get), 0);
    ASSERT_EQ(xvgetd(get, 1, &x, 8), 0);
    qor_obs_request q{};
    q.dataset = ds;
    EXPECT_EQ(xyvget(get, 0), QOR_DS_NO_CURRENT);
    auto next = [&] { int rc = xoget(&q, QOR_GET_NEXT); if (rc == 0) xyvget(get, 0); return rc; };
    ASSERT_EQ(next(), 0);
    ASSERT_EQ(next(), 0);
    EXPECT_EQ(x, 2);
    qor_record_id id;
    q.note = &id;
    ASSERT_EQ(xonote(&q), 0);
    EXPECT_EQ(xopnt(&q, QOR_POINT_BACK), 0);
    ASSERT_EQ(next(), 0);
    EXPECT_EQ(x, 2);
    while (next() == 0) {}
    EXPECT_EQ(x, 5);
    EXPECT_EQ(xoget(&q, QOR_GET_NEXT), QOR_DS_END_OF_DATA);
    EXPECT_EQ(xopnt(&q, QOR_POINT_BACK), 0);   // after the end: the last one again
    ASSERT_EQ(next(), 0);
    EXPECT_EQ(x, 5);
    q.point_to = &id;
    ASSERT_EQ(xopnt(&q, QOR_POINT_RECORD), 0);
    ASSERT_EQ(next(), 0);
    EXPECT_EQ(x, 2);
    ASSERT_EQ(xopnt(&q, QOR_POINT_FIRST), 0);
    ASSERT_EQ(next(), 0);
    EXPECT_EQ(x, 1);
    q.observation = 4;
    ASSERT_EQ(xoget(&q, QOR_GET_BY_NUMBER), 0);
    double one = 0;
    ASSERT_EQ(xvget1f(ds, 1, &one), 0);
    EXPECT_EQ(one, 4);
    char c[20];
    int length = 0;
    ASSERT_EQ(xvget1c(ds, 2, c, 20, &length), 0);
    EXPECT_EQ(std::string(c, 20), "row4" + std::string(16, ' '));
    EXPECT_EQ(length, 4);
    EXPECT_EQ(xvget1c(ds, 1, c, 20, &length), QOR_DS_BAD_VARIABLE);   // X is numeric
    ASSERT_EQ(next(), 0);
    EXPECT_EQ(x, 5);
    q.observation = 6;
    EXPECT_EQ(xoget(&q, QOR_GET_BY_NUMBER), QOR_DS_END_OF_DATA);
    q.observation = 0;
    EXPECT_EQ(xoget(&q, QOR_GET_BY_NUMBER), QOR_DS_NO_OBSERVATION);
    xvgett(get);
    xoclose(ds, 0);
}

TEST_F(DatasetTest, UpdateRewritesAndDeletesOnlyWhenClosed) {
    write_rows("upd", 5);
    qor_dataset* ds = open("upd", QOR_OPEN_UPDATE);
    ASSERT_NE(ds, nullptr);
    qor_putlist* put = nullptr;
    double x = 0;
    ASSERT_EQ(xvputi(ds, 2, &put), 0);
    qor_var_desc dx = var("x", QOR_VAR_NUMERIC, 8);
    ASSERT_EQ(xvputd(put, &dx, &x, 8, nullptr), 0);
    qor_var_desc dnew = var("NEW", QOR_VAR_NUMERIC, 8);
    EXPECT_EQ(xvputd(put, &dnew, &x, 8, nullptr), QOR_DS_LAYOUT_FIXED);
    xvpute(put);
    qor_obs_request q{};
    q.dataset = ds;
    q.observation = 3;
    ASSERT_EQ(xoget(&q, QOR_GET_BY_NUMBER), 0);
    x = 30;
    ASSERT_EQ(xyvput(put, 0), 0);
    ASSERT_EQ(xoupd(&q), 0);
    q.observation = 2;
    ASSERT_EQ(xodel(&q), 0);            // by number, the current one being 3
    q.observation = 0;
    x = 6;
    ASSERT_EQ(xyvput(put, 0), 0);
    ASSERT_EQ(xoadd(&q), 0);
    xvputt(put);
    // The member is unchanged until the update is closed.
    qor_dataset* before = open("upd", QOR_OPEN_INPUT);
    int64_t count = 0;
    xoinfo(before, QOR_INFO_OBSERVATIONS, &count);
    EXPECT_EQ(count, 5);
    xoclose(before, 0);
    ASSERT_EQ(xoclose(ds, 0), 0);

    ds = open("upd", QOR_OPEN_INPUT);
    xoinfo(ds, QOR_INFO_OBSERVATIONS, &count);
    ASSERT_EQ(count, 5);
    std::vector<double> xs;
    std::vector<std::string> cs;
    q = {};
    q.dataset = ds;
    while (xoget(&q, QOR_GET_NEXT) == 0) {
        double v;
        char c[8];
        xvget1f(ds, 1, &v);
        xvget1c(ds, 2, c, 4, nullptr);
        xs.push_back(v);
        cs.emplace_back(c, 4);
    }
    EXPECT_EQ(xs, (std::vector<double>{1, 30, 4, 5, 6}));
    // The rewrite kept C, the variable outside the put list; the added one has blanks.
    EXPECT_EQ(cs, (std::vector<std::string>{"row1", "row3", "row4", "row5", "    "}));
    xoclose(ds, 0);
}

// Update passes over many read blocks: rewrites, deletions and additions in one open, read
// back in the same open and after closing, against the same edits made on a plain vector.
TEST_F(DatasetTest, UpdatePassesOverManyObservationsKeepEveryEdit) {
    const int n = 40000;   // 16-byte observations: a pass crosses several read blocks
    write_rows("big", n);
    std::vector<double> model(n);
    for (int i = 0; i < n; ++i) model[static_cast<size_t>(i)] = i + 1;
    qor_dataset* ds = open("big", QOR_OPEN_UPDATE);
    ASSERT_NE(ds, nullptr);
    double x = 0;
    qor_putlist* put = nullptr;
    ASSERT_EQ(xvputi(ds, 1, &put), 0);
    qor_var_desc dx = var("X", QOR_VAR_NUMERIC, 8);
    ASSERT_EQ(xvputd(put, &dx, &x, 8, nullptr), 0);
    xvpute(put);
    qor_obs_request q{};
    q.dataset = ds;
    size_t at = 0;   // position in the model of the observation just read
    while (xoget(&q, QOR_GET_NEXT) == 0) {
        double v = 0;
        ASSERT_EQ(xvget1f(ds, 1, &v), 0);
        ASSERT_EQ(v, model[at]) << "first pass, position " << at;
        long original = std::lround(v);
        if (original % 7 == 0) {   // delete: the next read gives the observation after it
            ASSERT_EQ(xodel(&q), 0);
            model.erase(model.begin() + static_cast<long>(at));
            continue;
        }
        if (original % 3 == 0) {
            x = -v;
            ASSERT_EQ(xyvput(put, 0), 0);
            ASSERT_EQ(xoupd(&q), 0);
            model[at] = -v;
        }
        ++at;
    }
    for (int i = 1; i <= 3; ++i) {
        x = 1e6 + i;
        ASSERT_EQ(xyvput(put, 0), 0);
        ASSERT_EQ(xoadd(&q), 0);
        model.push_back(x);
    }
    // A second pass in the same open, backwards by number, sees every edit.
    for (int64_t k = static_cast<int64_t>(model.size()); k >= 1; k -= 97) {
        q.observation = k;
        ASSERT_EQ(xoget(&q, QOR_GET_BY_NUMBER), 0);
        double v = 0;
        xvget1f(ds, 1, &v);
        ASSERT_EQ(v, model[static_cast<size_t>(k - 1)]) << "second pass, observation " << k;
    }
    xvputt(put);
    ASSERT_EQ(xoclose(ds, 0), 0);

    ds = open("big", QOR_OPEN_INPUT);
    ASSERT_NE(ds, nullptr);
    q = {};
    q.dataset = ds;
    std::vector<double> back;
    while (xoget(&q, QOR_GET_NEXT) == 0) {
        double v = 0;
        xvget1f(ds, 1, &v);
        back.push_back(v);
    }
    EXPECT_EQ(back.size(), static_cast<size_t>(n - n / 7 + 3));
    EXPECT_TRUE(back == model);
    xoclose(ds, 0);
}

// The widest data set: every variable defined, found by name in any case, written and read
// back; one more is refused. (Each definition looks up its name; this runs in well under a second.)
TEST_F(DatasetTest, TheWidestDataSetIsDefinedFoundAndReadBack) {
    const int n = 32767;
    qor_dataset* ds = open("wide", QOR_OPEN_OUTPUT);
    ASSERT_NE(ds, nullptr);
    std::vector<double> values(n);
    qor_putlist* put = nullptr;
    ASSERT_EQ(xvputi(ds, n + 1, &put), 0);
    for (int i = 0; i < n; ++i) {
        std::string name = "Col" + std::to_string(i + 1);
        qor_var_desc d = var(name.c_str(), QOR_VAR_NUMERIC, 8);
        int number = 0;
        ASSERT_EQ(xvputd(put, &d, &values[static_cast<size_t>(i)], 8, &number), 0) << name;
        ASSERT_EQ(number, i + 1);
        values[static_cast<size_t>(i)] = 0.5 * i;
    }
    qor_var_desc again = var("COL77", QOR_VAR_NUMERIC, 8);   // an existing name binds to it
    int number = 0;
    double spare = 0;
    ASSERT_EQ(xvputd(put, &again, &spare, 8, &number), 0);
    EXPECT_EQ(number, 77);
    qor_putlist* more = nullptr;
    ASSERT_EQ(xvputi(ds, 1, &more), 0);
    qor_var_desc extra = var("ONE_MORE", QOR_VAR_NUMERIC, 8);
    EXPECT_EQ(xvputd(more, &extra, &spare, 8, nullptr), QOR_DS_BAD_VARIABLE);
    xvputt(more);
    qor_obs_request q{};
    q.dataset = ds;
    spare = -1;   // bound last to COL77
    ASSERT_EQ(xyvput(put, 0), 0);
    ASSERT_EQ(xoadd(&q), 0);
    xvputt(put);
    ASSERT_EQ(xoclose(ds, 0), 0);

    ds = open("wide", QOR_OPEN_INPUT);
    ASSERT_NE(ds, nullptr);
    int32_t count = 0;
    xoinfo(ds, QOR_INFO_VARIABLES, &count);
    EXPECT_EQ(count, n);
    for (int i = 0; i < n; ++i) {
        std::string lower = "col" + std::to_string(i + 1);
        ASSERT_EQ(xvfind(ds, lower.c_str(), -1, &number, 0), 0) << lower;
        ASSERT_EQ(number, i + 1);
    }
    EXPECT_EQ(xvfind(ds, "col32768", -1, &number, 0), QOR_DS_NOT_FOUND);
    q = {};
    q.dataset = ds;
    ASSERT_EQ(xoget(&q, QOR_GET_NEXT), 0);
    double v = 0;
    for (int k : {1, 2, 1000, n}) {
        ASSERT_EQ(xvget1f(ds, k, &v), 0);
        EXPECT_EQ(v, 0.5 * (k - 1)) << k;
    }
    ASSERT_EQ(xvget1f(ds, 77, &v), 0);
    EXPECT_EQ(v, -1);
    xoclose(ds, 0);
}

TEST_F(DatasetTest, AbandonedOutputAndUpdateLeaveTheMemberAsItWas) {
    write_rows("keep", 3);
    auto count_of = [&] {
        int64_t n = -1;
        qor_dataset* ds = open("keep", QOR_OPEN_INPUT);
        if (ds != nullptr) { xoinfo(ds, QOR_INFO_OBSERVATIONS, &n); xoclose(ds, 0); }
        return n;
    };
    qor_dataset* ds = open("keep", QOR_OPEN_OUTPUT);
    ASSERT_NE(ds, nullptr);
    EXPECT_EQ(xoclose(ds, 1), 0);
    EXPECT_EQ(count_of(), 3);
    ds = open("keep", QOR_OPEN_UPDATE);
    qor_obs_request q{};
    q.dataset = ds;
    q.observation = 1;
    ASSERT_EQ(xodel(&q), 0);
    EXPECT_EQ(xoclose(ds, 1), 0);
    EXPECT_EQ(count_of(), 3);
    // Nothing but the member is left in the library.
    int files = 0;
    for (auto& entry : std::filesystem::directory_iterator(dir)) { (void)entry; ++files; }
    EXPECT_EQ(files, 1);
}

TEST_F(DatasetTest, NamesAreCutMatchedWithoutCaseAndChecked) {
    qor_dataset* ds = open("names", QOR_OPEN_OUTPUT);
    ASSERT_NE(ds, nullptr);
    qor_putlist* put = nullptr;
    ASSERT_EQ(xvputi(ds, 10, &put), 0);
    double x = 1;
    const std::string forty = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmn";
    qor_var_desc d = var(forty.c_str(), QOR_VAR_NUMERIC, 8);
    d.name_length = 40;
    int number = 0;
    ASSERT_EQ(xvputd(put, &d, &x, 8, &number), 0);
    EXPECT_EQ(number, 1);
    struct { const char* name; int type; int length; int width; int rc; } cases[] = {
        {"Mixed", QOR_VAR_NUMERIC, 3, 8, 0},
        {"MIXED", QOR_VAR_NUMERIC, 8, 8, 0},               // the same variable again
        {"mixed", QOR_VAR_CHARACTER, 8, 8, QOR_DS_BAD_VARIABLE},   // same name, other type
        {"two words", QOR_VAR_NUMERIC, 8, 8, QOR_DS_BAD_VARIABLE},
        {"", QOR_VAR_NUMERIC, 8, 8, QOR_DS_BAD_VARIABLE},
        {"N2", QOR_VAR_NUMERIC, 2, 8, QOR_DS_BAD_VARIABLE},
        {"N9", QOR_VAR_NUMERIC, 9, 8, QOR_DS_BAD_VARIABLE},
        {"NW", QOR_VAR_NUMERIC, 8, 4, QOR_DS_BAD_VARIABLE},   // numbers come as doubles
        {"C0", QOR_VAR_CHARACTER, 0, 1, QOR_DS_BAD_VARIABLE},
        {"CBIG", QOR_VAR_CHARACTER, 32768, 1, QOR_DS_BAD_VARIABLE},
        {"T3", 3, 8, 8, QOR_DS_BAD_VARIABLE},
    };
    char buffer[8] = {};
    for (const auto& c : cases) {
        qor_var_desc v = var(c.name, c.type, c.length);
        void* source = c.type == QOR_VAR_CHARACTER ? static_cast<void*>(buffer) : &x;
        EXPECT_EQ(xvputd(put, &v, source, c.width, nullptr), c.rc) << c.name;
    }
    xvputt(put);
    qor_obs_request q{};
    q.dataset = ds;
    ASSERT_EQ(xoadd(&q), 0);
    ASSERT_EQ(xvputi(ds, 1, &put), 0);
    qor_var_desc late = var("LATE", QOR_VAR_NUMERIC, 8);
    EXPECT_EQ(xvputd(put, &late, &x, 8, nullptr), QOR_DS_LAYOUT_FIXED);
    xvputt(put);
    ASSERT_EQ(xoclose(ds, 0), 0);

    ds = open("names", QOR_OPEN_INPUT);
    ASSERT_EQ(xvname(ds, 1, &d), 0);
    EXPECT_EQ(std::string(d.name), forty.substr(0, 32));
    EXPECT_EQ(xvfind(ds, "abcdefghijklmnopqrstuvwxyzABCDEF", -1, &number, 0), 0);
    EXPECT_EQ(number, 1);
    EXPECT_EQ(xvfind(ds, forty.c_str(), 40, &number, 0), 0);   // a long name is cut too
    EXPECT_EQ(xvfind(ds, "mixed   ", 8, &number, 0), 0);
    EXPECT_EQ(number, 2);
    ASSERT_EQ(xvname(ds, 2, &d), 0);
    EXPECT_STREQ(d.name, "Mixed");
    EXPECT_EQ(d.length, 3);
    EXPECT_EQ(xvfind(ds, "Q", -1, &number, 0), QOR_DS_NOT_FOUND);
    EXPECT_EQ(number, 0);
    EXPECT_EQ(xvname(ds, 3, &d), QOR_DS_NOT_FOUND);
    xoclose(ds, 0);
}

TEST_F(DatasetTest, OpenRequestsAndModesAreChecked) {
    int rc = 0;
    EXPECT_EQ(open("absent", QOR_OPEN_INPUT, &rc), nullptr);
    EXPECT_EQ(rc, QOR_DS_NO_MEMBER);
    EXPECT_EQ(open("absent", QOR_OPEN_UPDATE, &rc), nullptr);
    EXPECT_EQ(rc, QOR_DS_NO_MEMBER);
    EXPECT_EQ(open("absent", 0x4, &rc), nullptr);
    EXPECT_EQ(rc, QOR_DS_BAD_REQUEST);
    qor_open_request r = request("x", QOR_OPEN_INPUT);
    std::memcpy(r.libref, "NOLIB   ", 8);
    qor_dataset* ds = nullptr;
    EXPECT_EQ(xoopen(&ds, &r), QOR_DS_NO_LIBRARY);
    r = request("x", QOR_OPEN_INPUT);
    r.member.length = 33;
    EXPECT_EQ(xoopen(&ds, &r), QOR_DS_BAD_REQUEST);
    r = request("x", QOR_OPEN_INPUT, "CATALOG");
    EXPECT_EQ(xoopen(&ds, &r), QOR_DS_BAD_REQUEST);
    EXPECT_EQ(xoopen(&ds, nullptr), QOR_DS_NULL_ARGUMENT);

    write_rows("modes", 2);
    ds = open("modes", QOR_OPEN_INPUT | 0x4000000);
    ASSERT_NE(ds, nullptr);
    qor_putlist* put = nullptr;
    qor_obs_request q{};
    q.dataset = ds;
    EXPECT_EQ(xvputi(ds, 1, &put), QOR_DS_WRONG_MODE);
    EXPECT_EQ(xoadd(&q), QOR_DS_WRONG_MODE);
    EXPECT_EQ(xodel(&q), QOR_DS_WRONG_MODE);
    EXPECT_EQ(xoreopn(ds, QOR_OPEN_UPDATE), QOR_DS_WRONG_MODE);
    xoclose(ds, 0);
    ds = open("out", QOR_OPEN_OUTPUT);
    q.dataset = ds;
    EXPECT_EQ(xoget(&q, QOR_GET_NEXT), QOR_DS_WRONG_MODE);   // nothing to read yet
    EXPECT_EQ(xoadd(&q), QOR_DS_BAD_VARIABLE);                 // no variables
    EXPECT_EQ(xoreopn(ds, 0x14000000 | QOR_OPEN_UPDATE), 0);
    EXPECT_EQ(xoget(&q, QOR_GET_NEXT), QOR_DS_END_OF_DATA);
    xoclose(ds, 0);
}

TEST_F(DatasetTest, MembersAreDeletedAndRenamedWithoutReplacing) {
    write_rows("one", 1);
    write_rows("two", 2);
    EXPECT_EQ(xomren("dstest", "one", "two", "DATA"), QOR_DS_MEMBER_EXISTS);
    EXPECT_EQ(xomren("dstest", "one", "three", "DATA"), 0);
    EXPECT_EQ(xomren("dstest", "one", "four", "DATA"), QOR_DS_NO_MEMBER);
    EXPECT_EQ(xomdel("dstest", "two", ""), 0);
    EXPECT_EQ(xomdel("dstest", "two", "DATA"), QOR_DS_NO_MEMBER);
    EXPECT_EQ(xomdel("dstest", "three", "CATALOG"), QOR_DS_BAD_REQUEST);
    EXPECT_EQ(xomdel("nolib", "three", "DATA"), QOR_DS_NO_LIBRARY);
    qor_dataset* ds = open("THREE", QOR_OPEN_INPUT);
    ASSERT_NE(ds, nullptr);
    int64_t count = 0;
    xoinfo(ds, QOR_INFO_OBSERVATIONS, &count);
    EXPECT_EQ(count, 1);
    xoclose(ds, 0);
}

TEST_F(DatasetTest, SortKeysAndTimesAreKept) {
    write_rows("sorted", 1);
    qor_dataset* ds = open("sorted", QOR_OPEN_UPDATE);
    qor_sort_keys keys{2, {2, -1}};
    ASSERT_EQ(xosortk(ds, &keys), 0);
    qor_sort_keys bad{1, {3}};
    EXPECT_EQ(xosortk(ds, &bad), QOR_DS_BAD_VARIABLE);
    double created = 0;
    xoinfo(ds, QOR_INFO_CREATED, &created);
    ASSERT_EQ(xoclose(ds, 0), 0);
    ds = open("sorted", QOR_OPEN_INPUT);
    qor_sort_keys got{};
    double created_after = 0, modified = 0;
    xoinfo(ds, QOR_INFO_SORT_KEYS, &got);
    xoinfo(ds, QOR_INFO_CREATED, &created_after);
    xoinfo(ds, QOR_INFO_MODIFIED, &modified);
    EXPECT_EQ(got.count, 2);
    EXPECT_EQ(got.numbers[0], 2);
    EXPECT_EQ(got.numbers[1], -1);
    EXPECT_EQ(created_after, created);
    EXPECT_GE(modified, created);
    EXPECT_GT(created, 1.6e9);
    xoclose(ds, 0);
}
