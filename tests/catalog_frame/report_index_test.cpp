// The report index over the report rows of two environments of a chain: one entry per name,
// owned by the later environment; names from descriptions or APPLNAME.APPLTYPE, cut to 32.
#include <fstream>

#include "catalog/report_index.h"
#include "catalog/forms_further.h"
#include "common/files/names.h"
#include "tests/catalog_frame/frame_fixture.h"
#include "tests/engine/dataset_writer.h"

namespace {

class ReportIndex : public FrameTest {
protected:
    void SetUp() override {
        FrameTest::SetUp();
        auto tbla = engine_routine<EngineSlot::rsktbla>();
        ASSERT_EQ(tbla(&con_, &tables_.tables[RSKTAB_REPORT_INDEX], 53, nullptr, con_.current_pool, con_.free_lists,
                       RSKSYM_ALPHABETICAL), 0);
        for (RSKENV* environment : {&parent_, &current_}) {
            std::memcpy(environment->path.buffer, directory_.data(), directory_.size());
            environment->path.name = RSKNAMEREC{1024, static_cast<uint16_t>(directory_.size()), environment->path.buffer};
        }
    }
    // The environment's data set of report rows, with its index member when asked.
    void rows(const char* environment, const std::vector<std::vector<std::string>>& values, bool indexed = true) {
        ASSERT_EQ(write_test_dataset("FTEST", environment,
                                     {{"APPLNAME", true, 8}, {"APPLTYPE", true, 8}, {"DESCRIPT", true, 84}}, values),
                  0);
        if (indexed) index_member(environment);
    }
    void index_member(const char* environment) {
        char file[4096];
        int length = 0;
        ASSERT_EQ(zxname(file, &length, environment, -1, "INDEX", directory_.data(), static_cast<int>(directory_.size())), 0);
        std::ofstream(std::string(file, static_cast<size_t>(length))) << "index";
    }
    RSKREPINDEX* entry(const char* name) {
        RSKNAMEREC key = name_of(name);
        return static_cast<RSKREPINDEX*>(catalog_routine<CatalogSlot::rssrpt>()(&con_, &key));
    }
};

TEST_F(ReportIndex, RowsOfTheChainGiveOneEntryPerNameOwnedByTheLaterEnvironment) {
    const std::string long_description = "A description of forty characters, cut!";
    rows("ENV0", {{"RISKAPP", "VAR", "Daily risk"}, {"RISKAPP", "PNL", ""}, {"OTHER", "X", long_description}});
    rows("ENV1", {{"NEWAPP", "VAR2", "Daily risk"}});
    ASSERT_EQ(load_report(&con_, &parent_), 0) << log();
    ASSERT_EQ(load_report(&con_, &current_), 0) << log();
    EXPECT_EQ(tables_.tables[RSKTAB_REPORT_INDEX].count, 3);

    RSKREPINDEX* daily = entry("daily risk");
    ASSERT_NE(daily, nullptr);
    EXPECT_EQ(daily->environment, &current_);
    EXPECT_EQ(daily->origin, RSKREPORT_REDEFINED);
    EXPECT_EQ(std::string(daily->application.buffer, daily->application.name.length), "NEWAPP");
    EXPECT_EQ(std::string(daily->application_type, 8), "VAR2    ");
    EXPECT_EQ(daily->kind, 1);

    RSKREPINDEX* unnamed = entry("RISKAPP.PNL");
    ASSERT_NE(unnamed, nullptr);
    EXPECT_EQ(unnamed->environment, &parent_);
    EXPECT_EQ(unnamed->origin, RSKREPORT_OTHER);
    EXPECT_NE(entry(long_description.substr(0, 32).c_str()), nullptr);

    EXPECT_EQ(catalog_routine<CatalogSlot::rssrptc>()(&con_), 0);
    EXPECT_EQ(tables_.tables[RSKTAB_REPORT_INDEX].count, 0);
    EXPECT_EQ(entry("daily risk"), nullptr);
    // The records went back to their free list and serve the next index.
    ASSERT_EQ(load_report(&con_, &current_), 0);
    EXPECT_EQ(entry("daily risk")->origin, RSKREPORT_FIRST_CURRENT);
}

TEST_F(ReportIndex, AnEnvironmentWithoutIndexOrColumnsHasNoReports) {
    rows("ENV0", {{"RISKAPP", "VAR", "Daily risk"}}, false);
    EXPECT_EQ(load_report(&con_, &parent_), 0);
    ASSERT_EQ(write_test_dataset("FTEST", "ENV1", {{"APPLNAME", true, 8}, {"DESCRIPT", true, 84}}, {{"A", "B"}}), 0);
    index_member("ENV1");
    EXPECT_EQ(load_report(&con_, &current_), 0);
    EXPECT_EQ(tables_.tables[RSKTAB_REPORT_INDEX].count, 0);
}

}  // namespace
