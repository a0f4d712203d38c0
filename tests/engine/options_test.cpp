// Engine options reached through the entry table: defaults, the set rules with their bounds and
// messages, OUTALL, directories and formats, reading stored flags, copies and the listing.
#include <unistd.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <limits>

#include "host/missing.h"
#include "tests/engine/registry_fixture.h"

namespace {

using Optg = int (*)(RSKCON*, int, const RSKOPTREC*, int*, double*, const RSKNAMEREC**);
using Opts = int (*)(RSKCON*, int, RSKOPTREC*, int, double, const char*, int);
using Optp = int (*)(RSKCON*, const RSKOPTREC*, int);

class Options : public RegistryTest {
protected:
    void SetUp() override {
        RegistryTest::SetUp();
        optg = engine_routine<EngineSlot::rskoptg>();
        opts = engine_routine<EngineSlot::rskopts>();
        optp = engine_routine<EngineSlot::rskoptp>();
        record = &options_->current;
    }
    int get(int code) { return optg(&con_, code, record, nullptr, nullptr, nullptr); }
    double get_double(int code) {
        double v = -1;
        optg(&con_, code, record, nullptr, &v, nullptr);
        return v;
    }
    std::string get_text(int code) {
        const RSKNAMEREC* t = nullptr;
        optg(&con_, code, record, nullptr, nullptr, &t);
        return t != nullptr ? std::string(t->text, t->length) : "<none>";
    }
    int set(int code, int v) { return opts(&con_, code, record, v, 0, nullptr, 0); }
    int set_double(int code, double v) { return opts(&con_, code, record, 0, v, nullptr, 0); }
    int set_text(int code, const char* t) { return opts(&con_, code, record, 0, 0, t, -1); }
    Optg optg;
    Opts opts;
    Optp optp;
    RSKOPTREC* record = nullptr;
};

TEST_F(Options, DefaultsAndPercentiles) {
    const struct { int code; int value; } ints[] = {
        {105, 32}, {116, 3}, {106, 1}, {107, 2}, {108, 1}, {109, 1}, {110, 0}, {111, 5}, {202, 1},
        {204, 1}, {210, 1}, {214, 1}, {218, 1}, {235, 1}, {305, 1}, {307, 1}, {308, 1}, {309, 1},
        {326, 250}, {350, 256}, {200, 0}, {335, 0}, {100, 0}, {351, 0}, {306, 0},
    };
    for (const auto& c : ints) {
        SCOPED_TRACE(c.code);
        int out = -7;
        EXPECT_EQ(optg(&con_, c.code, record, &out, nullptr, nullptr), c.value);
    }
    EXPECT_DOUBLE_EQ(get_double(101), 0.05);
    EXPECT_DOUBLE_EQ(get_double(103), 0.000001);
    EXPECT_DOUBLE_EQ(get_double(114), 0.5);
    EXPECT_EQ(get_text(241), "COMMA16.2");
    EXPECT_EQ(get_text(245), "DATETIME18.");
    EXPECT_EQ(get_text(207), "");
    EXPECT_EQ(record->fmtdate.width, 9);
    EXPECT_STREQ(record->fmtvalue.name, "COMMA");
    EXPECT_NE(record->fmtvalue.handle, 0);
    EXPECT_DOUBLE_EQ(options_->percentiles[0], 0.005);
    EXPECT_DOUBLE_EQ(options_->percentiles[19], 1.0);
    EXPECT_EQ(log().find("ERROR"), std::string::npos) << log();   // every default format is valid
}

TEST_F(Options, IntegerOptionsAreKeptWithinTheirBounds) {
    const struct { int code; int asked; int stored; bool noted; } cases[] = {
        {105, 100, 128, true}, {105, 64, 64, false}, {105, 5000, 1024, true}, {105, 3, 8, true},
        {105, -4, 8, true},
        {111, 80, 50, false}, {111, -3, 1, false}, {111, 0, 1, false}, {111, 7, 7, false},
        {110, 40000, 40000, false}, {110, 70000, 65535, false}, {110, -1, 0, false},
        {350, 1000, 256, false}, {350, -2, 0, false},
        {106, 7, 3, false}, {116, 0, 1, false}, {204, 9, 2, false}, {205, 3, 2, false},
        {301, 5, 1, false}, {308, 255, 1, false}, {326, -9, -9, false}, {331, 123456, 123456, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.code) + " = " + std::to_string(c.asked));
        int before = count_of(log(), "598/1424");
        EXPECT_EQ(set(c.code, c.asked), 0);
        EXPECT_EQ(get(c.code), c.stored);
        EXPECT_EQ(count_of(log(), "598/1424") - before, c.noted ? 1 : 0);
    }
    EXPECT_NE(log().find("NDENSITY is a power of two from 8 to 1024: 128 is used in place of 100."),
              std::string::npos) << log();
    // Read only.
    EXPECT_EQ(set(218, 0), 1);
    EXPECT_EQ(get(218), 1);
}

TEST_F(Options, RealOptionsAreClampedAndMissingValuesRefused) {
    EXPECT_EQ(set_double(101, 1.5), 0);
    EXPECT_DOUBLE_EQ(get_double(101), 0.9999);
    EXPECT_EQ(set_double(104, 0.001), 0);
    EXPECT_DOUBLE_EQ(get_double(104), 0.01);
    EXPECT_EQ(set_double(103, 1e-20), 0);
    EXPECT_DOUBLE_EQ(get_double(103), 1e-15);

    EXPECT_EQ(set_double(101, 0.2), 0);
    EXPECT_EQ(set_double(101, qor::make_missing()), 1);
    EXPECT_DOUBLE_EQ(get_double(101), 0.2);
    EXPECT_NE(log().find("rskopts: missing value for anal_alpha."), std::string::npos) << log();
    // Any other NaN would slip past the bounds just the same.
    EXPECT_EQ(set_double(114, std::numeric_limits<double>::quiet_NaN()), 1);
    EXPECT_DOUBLE_EQ(get_double(114), 0.5);
    EXPECT_NE(log().find("rskopts: missing value for anal_varoptdrop."), std::string::npos);

    EXPECT_EQ(set(99, 1), 1);
    EXPECT_EQ(set(213 + 1000, 1), 1);
    EXPECT_NE(log().find("rskopts: invalid option code 99."), std::string::npos);
}

TEST_F(Options, OutallSwitchesTheOutputFlagsButLeavesMitigationOn) {
    ASSERT_EQ(set(200, 1), 0);
    for (int code : {201, 202, 254, 212, 214, 213, 219, 335, 211, 251, 210, 272}) EXPECT_EQ(get(code), 1) << code;
    EXPECT_EQ(get(203), 0);   // RUNSUMMARY is not among them
    ASSERT_EQ(set(200, 0), 0);
    for (int code : {201, 202, 254, 212, 214, 213, 219, 211, 251, 210, 272}) EXPECT_EQ(get(code), 0) << code;
    EXPECT_EQ(get(335), 1);
    EXPECT_EQ(get(200), 0);
}

TEST_F(Options, TextOptionsDirectoriesAndFormats) {
    std::string dir = ::testing::TempDir();
    std::string file = dir + "/options_not_a_directory_" + std::to_string(::getpid());
    std::ofstream(file) << "x";

    EXPECT_EQ(set_text(207, dir.c_str()), 0);
    EXPECT_EQ(get_text(207), dir);
    EXPECT_EQ(set_text(207, file.c_str()), 1);
    EXPECT_EQ(get_text(207), dir);
    EXPECT_NE(log().find("598/1421 ERROR: ARCHIVE=" + file + " does not name an existing directory"),
              std::string::npos) << log();
    EXPECT_EQ(set_text(207, ""), 0);
    EXPECT_EQ(get_text(207), "");
    std::remove(file.c_str());

    EXPECT_EQ(set_text(241, "NOSUCHFMT12.2"), 1);
    EXPECT_EQ(get_text(241), "COMMA16.2");
    EXPECT_NE(log().find("598/1441"), std::string::npos);
    EXPECT_EQ(set_text(244, "YYMMDD10."), 0);
    EXPECT_EQ(get_text(244), "YYMMDD10.");
    EXPECT_EQ(record->fmtdate.width, 10);

    EXPECT_EQ(set_text(248, "work.myfmts"), 0);
    EXPECT_EQ(get_text(248), "WORK.MYFMTS");
    EXPECT_EQ(set_text(288, "METALIBRARY"), 1);   // a library reference holds 8 characters
    EXPECT_EQ(get_text(288), "METALIBR");
    EXPECT_EQ(set_text(289, "Cube One"), 0);
    EXPECT_EQ(get_text(289), "Cube One");
}

TEST_F(Options, StoredFlagsReadAsOnOrOffAndCopiesKeepTheirOwnNames) {
    record->precise = 255;   // as records written with the former default hold it
    record->keeplib = 2;
    EXPECT_EQ(get(308), 1);
    EXPECT_EQ(get(301), 1);
    record->kernel = 2;
    EXPECT_EQ(get(106), 2);   // enumerations are read as stored

    RSKOPTREC copy;
    copy_options(&copy, record);
    ASSERT_EQ(set_text(289, "Changed"), 0);
    const RSKNAMEREC* name = nullptr;
    optg(&con_, 289, &copy, nullptr, nullptr, &name);
    ASSERT_NE(name, nullptr);
    EXPECT_EQ(name->text, copy.cube_name.buffer);
    EXPECT_EQ(name->length, 0);
    optg(&con_, 241, &copy, nullptr, nullptr, &name);
    EXPECT_EQ(name->text, copy.fmtvalue.text.buffer);
}

TEST_F(Options, ListingByGroup) {
    set(106, 2);
    ASSERT_EQ(optp(&con_, record, 3), 0);
    std::string all = listing();
    EXPECT_NE(all.find("598/6510 Risk engine options"), std::string::npos) << all;
    size_t system = all.find("598/6503 System options:");
    size_t analysis = all.find("598/6501 Analysis options:");
    size_t output = all.find("598/6502 Output options:");
    ASSERT_NE(system, std::string::npos);
    ASSERT_NE(analysis, std::string::npos);
    ASSERT_NE(output, std::string::npos);
    EXPECT_LT(system, analysis);
    EXPECT_LT(analysis, output);
    EXPECT_EQ(all.find("PRECISE"), std::string::npos);
    EXPECT_EQ(all.find("*unknown*"), std::string::npos);
    EXPECT_EQ(all.find("MDDBSTYLE"), std::string::npos);   // only while MDDBS is on
    EXPECT_NE(all.find("         KERNEL      : TRIANGULAR"), std::string::npos);
    EXPECT_NE(all.find("         ALPHA       :       0.05"), std::string::npos);
    EXPECT_NE(all.find("         MAXTHREADS  :        256"), std::string::npos);
    EXPECT_NE(all.find("         KEEPLIB     : OFF"), std::string::npos);
    EXPECT_NE(all.find("         VARDEF      : N"), std::string::npos);
    EXPECT_NE(all.find("         FMTVALUE    : \"COMMA16.2\""), std::string::npos);

    set(201, 1);
    ASSERT_EQ(optp(&con_, record, 2), 0);
    std::string out = listing().substr(all.size());
    EXPECT_EQ(out.find("System options"), std::string::npos);
    EXPECT_EQ(out.find("ALPHA"), std::string::npos);
    EXPECT_NE(out.find("MDDBSTYLE   : NORMAL"), std::string::npos) << out;
}

}  // namespace
