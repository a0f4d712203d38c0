// Shared by the data set tests: a library in a fresh temporary directory, the log captured in
// a file, and short helpers to open data sets and define variables.
#pragma once
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "host/dataset.h"
#include "host/print.h"
#include "runtime/core/print_internal.h"
#include "runtime/storage/libraries.h"
#include "tests/support/scratch.h"

class DatasetTest : public ::testing::Test {
public:
    void SetUp() override {
        scratch.open("qor_ds_");
        dir = scratch.dir;
        ASSERT_EQ(qor::runtime::assign_library("dstest", dir.string(), ""), 0);
        xplogl(1024);   // long paths stay on one line
    }
    void TearDown() override {
        xplogl(132);
        qor::runtime::clear_library("dstest");
        scratch.close();
    }
    std::string log() { return scratch.log(); }
    static qor_open_request request(const char* member, int mode, const char* type = "DATA") {
        qor_open_request r;
        std::memset(&r, 0, sizeof r);
        std::memcpy(r.libref, "DSTEST  ", 8);
        r.member.length = static_cast<int16_t>(std::strlen(member));
        std::memcpy(r.member.text, member, std::strlen(member));
        std::memset(r.member_type, ' ', 8);
        std::memcpy(r.member_type, type, std::strlen(type));
        r.mode = mode;
        return r;
    }
    static qor_dataset* open(const char* member, int mode, int* rc_out = nullptr) {
        qor_open_request r = request(member, mode);
        qor_dataset* ds = nullptr;
        int rc = xoopen(&ds, &r);
        if (rc_out != nullptr) *rc_out = rc;
        return ds;
    }
    static qor_var_desc var(const char* name, int type, int length) {
        qor_var_desc d;
        xvnamei(&d);
        d.name_length = static_cast<int16_t>(std::strlen(name));
        std::memcpy(d.name, name, std::min<size_t>(std::strlen(name), sizeof d.name));
        d.type = static_cast<int16_t>(type);
        d.length = length;
        return d;
    }
    std::string file(const char* member) { return (dir / (std::string(member) + ".qor7bdat")).string(); }

    ScratchArea scratch;
    std::filesystem::path dir;
};

// Writes observations 1..n of a data set with a numeric X = i and a character C = "row<i>".
inline void write_rows(const char* member, int n) {
    qor_open_request r = DatasetTest::request(member, QOR_OPEN_OUTPUT);
    qor_dataset* ds = nullptr;
    ASSERT_EQ(xoopen(&ds, &r), 0);
    qor_putlist* put = nullptr;
    ASSERT_EQ(xvputi(ds, 2, &put), 0);
    double x = 0;
    char c[16];
    qor_var_desc dx = DatasetTest::var("X", QOR_VAR_NUMERIC, 8);
    qor_var_desc dc = DatasetTest::var("C", QOR_VAR_CHARACTER, 8);
    ASSERT_EQ(xvputd(put, &dx, &x, 8, nullptr), 0);
    ASSERT_EQ(xvputd(put, &dc, c, 8, nullptr), 0);
    xvpute(put);
    qor_obs_request q{};
    q.dataset = ds;
    for (int i = 1; i <= n; ++i) {
        x = i;
        std::snprintf(c, sizeof c, "row%-5d", i);
        ASSERT_EQ(xyvput(put, 0), 0);
        ASSERT_EQ(xoadd(&q), 0);
    }
    xvputt(put);
    ASSERT_EQ(xoclose(ds, 0), 0);
}
