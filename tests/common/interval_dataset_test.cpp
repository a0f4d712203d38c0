// Interval detection and checking over data set variables: small data sets written to a
// temporary library, opened by name or by handle, and the codes for names, variables and reads.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "common/intervals/interval_detect.h"
#include "host/missing.h"
#include "host/print.h"
#include "runtime/core/print_internal.h"
#include "runtime/storage/libraries.h"

namespace {

// 2024 month starts (days from 1 Jan 1960, from Python's datetime), April left out.
const std::vector<double> kMonthsWithoutApril = {23376, 23407, 23436, 23497, 23528};

qor_open_request request_for(const char* libref, const char* member, int mode) {
    qor_open_request r;
    std::memset(&r, 0, sizeof r);
    std::memset(r.libref, ' ', 8);
    std::memcpy(r.libref, libref, std::strlen(libref));
    r.member.length = static_cast<int16_t>(std::strlen(member));
    std::memcpy(r.member.text, member, std::strlen(member));
    std::memcpy(r.member_type, "DATA    ", 8);
    r.mode = mode;
    return r;
}

qor_var_desc variable(const char* name, int type, int length) {
    qor_var_desc d;
    xvnamei(&d);
    d.name_length = static_cast<int16_t>(std::strlen(name));
    std::memcpy(d.name, name, std::strlen(name));
    d.type = static_cast<int16_t>(type);
    d.length = length;
    return d;
}

// Writes a data set with a character NAME (first) and a numeric DATE holding the values.
void write_dates(const char* libref, const char* member, const std::vector<double>& dates) {
    qor_open_request r = request_for(libref, member, QOR_OPEN_OUTPUT);
    qor_dataset* ds = nullptr;
    ASSERT_EQ(xoopen(&ds, &r), 0);
    qor_putlist* put = nullptr;
    ASSERT_EQ(xvputi(ds, 2, &put), 0);
    char name[8];
    double date = 0;
    qor_var_desc dn = variable("NAME", QOR_VAR_CHARACTER, 8);
    qor_var_desc dd = variable("DATE", QOR_VAR_NUMERIC, 8);
    ASSERT_EQ(xvputd(put, &dn, name, 8, nullptr), 0);
    ASSERT_EQ(xvputd(put, &dd, &date, 8, nullptr), 0);
    ASSERT_EQ(xvpute(put), 0);
    qor_obs_request q{};
    q.dataset = ds;
    for (double d : dates) {
        std::memcpy(name, "row     ", 8);
        date = d;
        ASSERT_EQ(xyvput(put, 0), 0);
        ASSERT_EQ(xoadd(&q), 0);
    }
    xvputt(put);
    ASSERT_EQ(xoclose(ds, 0), 0);
}

class IntervalDataset : public ::testing::Test {
protected:
    void SetUp() override {
        dir = std::filesystem::path(::testing::TempDir()) /
              ("qor_intds_" + std::to_string(::getpid()) + "_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
        ASSERT_EQ(qor::runtime::assign_library("intlib", dir.string(), ""), 0);
        log_path = dir.string() + ".log";
        ASSERT_EQ(qor_print_set_log_file(log_path.c_str()), 0);
        write_dates("INTLIB", "monthly", kMonthsWithoutApril);
    }
    void TearDown() override {
        qor_print_set_log_file(nullptr);
        qor::runtime::clear_library("intlib");
        std::filesystem::remove_all(dir);
        std::remove(log_path.c_str());
    }
    static interval_spec named(const char* text) {
        interval_spec spec;
        EXPECT_EQ(zintstr(text, -1, &spec), 0);
        return spec;
    }
    std::filesystem::path dir;
    std::string log_path;
};

}  // namespace

TEST_F(IntervalDataset, DetectsAndChecksByName) {
    interval_spec spec;
    interval_guess guess;
    EXPECT_EQ(zintdgd("intlib.monthly", -1, "date", -1, &spec, &guess), INTERVAL_CHECK_GAPS);
    EXPECT_EQ(std::string(spec.text, spec.text_length), "MONTH");
    EXPECT_EQ(guess.seasons, 12);
    EXPECT_EQ(std::string(guess.format_name, guess.format_name_length), "MONYY");

    const interval_spec month = named("MONTH"), qtr = named("QTR");
    double firstlast[2] = {0, 0};
    EXPECT_EQ(zintdcd("INTLIB.MONTHLY", -1, "DATE", -1, &month, firstlast), INTERVAL_CHECK_GAPS);
    EXPECT_EQ(firstlast[0], 23376);
    EXPECT_EQ(firstlast[1], 23528);
    EXPECT_EQ(zintdcd("intlib.monthly", 14, "DATE    ", 8, &qtr, nullptr),
              INTERVAL_CHECK_INCONSISTENT);

    write_dates("INTLIB", "twice", {23376, 23407, 23407, 23436});
    EXPECT_EQ(zintdcd("intlib.twice", -1, "date", -1, &month, firstlast), INTERVAL_CHECK_DUPLICATE);
    EXPECT_EQ(firstlast[1], 23407);   // the last value read, where the check stopped
    EXPECT_EQ(zintdgd("intlib.twice", -1, "date", -1, &spec, nullptr), INTERVAL_CHECK_DUPLICATE);
    EXPECT_EQ(spec.kind, INTERVAL_KIND_UNKNOWN);

    write_dates("INTLIB", "short", {23376, 23407});
    EXPECT_EQ(zintdgd("intlib.short", -1, "date", -1, &spec, nullptr), INTERVAL_SERIES_TOO_SHORT);
    write_dates("INTLIB", "empty", {});
    EXPECT_EQ(zintdcd("intlib.empty", -1, "date", -1, &month, firstlast), 0);
    EXPECT_TRUE(qor::is_missing(firstlast[0]) && qor::is_missing(firstlast[1]));
}

TEST_F(IntervalDataset, MemberAloneIsInWork) {
    write_dates("WORK", "intwork", {23376, 23407, 23436, 23467});
    interval_spec spec;
    EXPECT_EQ(zintdgd("intwork", -1, "date", -1, &spec, nullptr), INTERVAL_CHECK_CONTIGUOUS);
    EXPECT_EQ(spec.code, INTERVAL_MONTH);
    EXPECT_EQ(zintdgd("work.intwork", -1, "date", -1, &spec, nullptr), INTERVAL_CHECK_CONTIGUOUS);
    EXPECT_EQ(xomdel("WORK", "intwork", "DATA"), 0);
}

TEST_F(IntervalDataset, NamesAndVariablesRefused) {
    const interval_spec month = named("MONTH");
    struct row {
        const char* name;
        const char* var;
        int expected;
    };
    const std::vector<row> rows = {
        {"", "date", INTERVAL_DS_BAD_NAME},
        {"   ", "date", INTERVAL_DS_BAD_NAME},
        {"intlib.", "date", INTERVAL_DS_BAD_NAME},
        {".monthly", "date", INTERVAL_DS_BAD_NAME},
        {"a.b.c", "date", INTERVAL_DS_BAD_NAME},
        {"longlibref.monthly", "date", INTERVAL_DS_BAD_NAME},
        {"intlib.absent", "date", INTERVAL_DS_NOT_OPENED},
        {"nolib.monthly", "date", INTERVAL_DS_NOT_OPENED},
        {"intlib.monthly", "price", INTERVAL_DS_NO_VARIABLE},
        {"intlib.monthly", "", INTERVAL_DS_NO_VARIABLE},
        {"intlib.monthly", "name", INTERVAL_DS_NOT_NUMERIC},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(std::string(r.name) + " " + r.var);
        interval_spec spec;
        EXPECT_EQ(zintdgd(r.name, -1, r.var, -1, &spec, nullptr), r.expected);
        EXPECT_EQ(spec.kind, INTERVAL_KIND_UNKNOWN);
        EXPECT_EQ(zintdcd(r.name, -1, r.var, -1, &month, nullptr), r.expected);
    }
    interval_spec spec;
    EXPECT_EQ(zintdgd(nullptr, 0, "date", -1, &spec, nullptr), INTERVAL_DS_BAD_NAME);
    EXPECT_EQ(zintdgd("intlib.monthly", -1, nullptr, 0, &spec, nullptr), INTERVAL_DS_NO_VARIABLE);
    EXPECT_EQ(zintdcd("intlib.monthly", -1, "date", -1, nullptr, nullptr), INTERVAL_CHECK_NULL);
}

TEST_F(IntervalDataset, OpenHandleIsRewound) {
    qor_open_request r = request_for("INTLIB", "monthly", QOR_OPEN_INPUT);
    qor_dataset* ds = nullptr;
    ASSERT_EQ(xoopen(&ds, &r), 0);
    qor_obs_request q{};
    q.dataset = ds;
    ASSERT_EQ(xoget(&q, QOR_GET_NEXT), 0);
    ASSERT_EQ(xoget(&q, QOR_GET_NEXT), 0);   // the caller is part way through

    interval_spec spec;
    EXPECT_EQ(zintdgp(ds, 2, &spec, nullptr), INTERVAL_CHECK_GAPS);   // all five values read
    EXPECT_EQ(spec.code, INTERVAL_MONTH);
    double value = 0;
    ASSERT_EQ(xoget(&q, QOR_GET_NEXT), 0);
    ASSERT_EQ(xvget1f(ds, 2, &value), 0);
    EXPECT_EQ(value, 23376);   // back at the first observation

    const interval_spec month = named("MONTH");
    double firstlast[2];
    EXPECT_EQ(zintdcp(ds, 2, &month, firstlast), INTERVAL_CHECK_GAPS);
    EXPECT_EQ(firstlast[0], 23376);
    EXPECT_EQ(firstlast[1], 23528);
    EXPECT_EQ(zintdcp(ds, 1, &month, nullptr), INTERVAL_DS_NOT_NUMERIC);
    EXPECT_EQ(zintdcp(ds, 3, &month, nullptr), INTERVAL_DS_NO_VARIABLE);
    EXPECT_EQ(zintdgp(ds, 0, &spec, nullptr), INTERVAL_DS_NO_VARIABLE);
    EXPECT_EQ(zintdgp(nullptr, 2, &spec, nullptr), INTERVAL_CHECK_NULL);
    ASSERT_EQ(xoclose(ds, 0), 0);
}

TEST_F(IntervalDataset, ReadFailureIsReported) {
    // A data set still being written cannot be read back: the failure is a read error, never
    // a verdict on the interval.
    qor_open_request r = request_for("INTLIB", "growing", QOR_OPEN_OUTPUT);
    qor_dataset* ds = nullptr;
    ASSERT_EQ(xoopen(&ds, &r), 0);
    qor_putlist* put = nullptr;
    ASSERT_EQ(xvputi(ds, 1, &put), 0);
    double date = 23376;
    qor_var_desc dd = variable("DATE", QOR_VAR_NUMERIC, 8);
    ASSERT_EQ(xvputd(put, &dd, &date, 8, nullptr), 0);
    ASSERT_EQ(xvpute(put), 0);
    qor_obs_request q{};
    q.dataset = ds;
    ASSERT_EQ(xyvput(put, 0), 0);
    ASSERT_EQ(xoadd(&q), 0);
    const interval_spec month = named("MONTH");
    interval_spec spec;
    EXPECT_EQ(zintdcp(ds, 1, &month, nullptr), INTERVAL_DS_READ_ERROR);
    EXPECT_EQ(zintdgp(ds, 1, &spec, nullptr), INTERVAL_DS_READ_ERROR);
    xvputt(put);
    xoclose(ds, 1);
}
