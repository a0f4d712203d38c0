// The SHOCKS rows of a random stream: one row per deviate of a draw, numbered from 1, carrying the
// scaled deviate, read back through the host's data set reader.
#include <filesystem>
#include <memory>
#include <string>

#include "common/distributions/normal.h"
#include "engine/analyses/random_streams.h"
#include "engine/output/output_object.h"
#include "engine/output/result_datasets.h"
#include "engine/run/run_block.h"
#include "host/dataset.h"
#include "host/files.h"
#include "tests/engine/variables_fixture.h"

namespace {

class ShocksRows : public VariableEngine {
protected:
    void SetUp() override {
        VariableEngine::SetUp();
        dir_ = std::filesystem::path(test_path("shocks"));
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
        const std::string path = dir_.string();
        ASSERT_EQ(xhlasn2("SHKTEST", path.c_str(), static_cast<int>(path.size()), "DISK"), 0);
        object_ = std::make_unique<RSKOUTOBJ>();
        std::memcpy(object_->libref, "SHKTEST ", 8);
        object_->path = object_->path_buffer;
        std::memcpy(object_->path_buffer, path.data(), path.size());
        object_->path_length = static_cast<int16_t>(path.size());
        if (con->run_pool == nullptr) {
            con->run_pool = con->general_pool;
            borrowed_pool_ = true;
        }
        rskres_run(con)->row = RSKROWVALUES{};
    }
    void TearDown() override {
        RSKRESDS& d = rskres_run(con)->descriptors[RSKRES_SHOCKS];
        if (d.definition != nullptr) xvputt(d.definition);
        if (d.dataset != nullptr) xoclose(d.dataset, 0);
        std::memset(static_cast<void*>(rskres_run(con)), 0, sizeof(RSKRUNRESULTS));
        if (borrowed_pool_) con->run_pool = nullptr;
        xhldas2("SHKTEST");
        std::filesystem::remove_all(dir_);
        VariableEngine::TearDown();
    }

    std::filesystem::path dir_;
    std::unique_ptr<RSKOUTOBJ> object_;
    bool borrowed_pool_ = false;
};

TEST_F(ShocksRows, OneDrawOfDimensionTwelveWritesTwelveNumberedRows) {
    RSKRESDS* d = nullptr;
    ASSERT_EQ(rskputd(con, &d, object_.get(), RSKRES_SHOCKS), 0) << log();
    ASSERT_NE(d, nullptr);
    constexpr int32_t kDimension = 12;
    RSKRANSTREAM stream;
    ASSERT_EQ(rsarani(con, RSKRAN_LECUYER, kDimension, 31, &stream, con->general_pool), 0);
    double first[kDimension], zeros[kDimension];
    ASSERT_EQ(rsaranv(con, first, kDimension, &stream, 2.0), 0);
    ASSERT_EQ(rsaranv(con, zeros, kDimension, &stream, 0.0), 0);   // scale 0: zeros, rows still written
    EXPECT_EQ(d->rows, 2 * kDimension);
    char member[40] = {};
    std::memcpy(member, d->member.name.text, d->member.name.length);
    xvputt(d->definition);
    d->definition = nullptr;
    ASSERT_EQ(xoclose(d->dataset, 0), 0);
    d->dataset = nullptr;
    d->open = 0;

    qor_open_request request{};
    std::memcpy(request.libref, "SHKTEST ", 8);
    request.member.length = static_cast<int16_t>(std::strlen(member));
    std::memcpy(request.member.text, member, std::strlen(member));
    request.mode = QOR_OPEN_INPUT;
    qor_dataset* ds = nullptr;
    ASSERT_EQ(xoopen(&ds, &request), 0) << member;
    int i_number = 0, z_number = 0;
    ASSERT_EQ(xvfind(ds, "_I_", -1, &i_number, 0), 0);
    ASSERT_EQ(xvfind(ds, "_Z_", -1, &z_number, 0), 0);
    qor_obs_request reader{};
    reader.dataset = ds;
    for (int row = 0; row < 2 * kDimension; ++row) {
        ASSERT_EQ(xoget(&reader, QOR_GET_NEXT), 0);
        double i = 0, z = 0;
        xvget1f(ds, i_number, &i);
        xvget1f(ds, z_number, &z);
        EXPECT_EQ(i, row % kDimension + 1);
        EXPECT_EQ(z, row < kDimension ? first[row] : 0.0);
    }
    EXPECT_EQ(xoget(&reader, QOR_GET_NEXT), QOR_DS_END_OF_DATA);
    xoclose(ds, 0);
}

}  // namespace
