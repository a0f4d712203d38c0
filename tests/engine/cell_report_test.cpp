// The cell report of an aggregation run: the bound of cells per crossing against counts worked
// out by hand, the InstID rule, variables without levels, GENERIC and the NOTES switch.
#include <deque>
#include <string>
#include <vector>

#include "engine/model/categories/categories.h"
#include "engine/model/names/name_records.h"
#include "engine/model/projects/projects.h"
#include "engine/model/variables/variable_record.h"
#include "engine/output/cell_report.h"
#include "engine/run/run_block.h"
#include "host/options.h"
#include "tests/engine/definitions_fixture.h"

namespace {

TEST(CellBound, SubsetsOfLevelCountsOverTheInstruments) {
    struct Case {
        std::vector<double> counts;
        double n;
        double cells;                // worked out by hand
    };
    const Case cases[] = {
        {{10, 20}, 1000, 200 + 20 + 10 + 1 - 1},
        {{10, 20}, 50, 50 + 20 + 10 + 1 - 1},
        {{}, 7, 0},
        {{4}, 3, 3 + 1 - 1},
        // 2 x 3 x 5 = 30 over 100: 30 + 15 + 10 + 6 + 5 + 3 + 2 + 1 - 1.
        {{2, 3, 5}, 100, 30 + 15 + 10 + 6 + 5 + 3 + 2 + 1 - 1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(rskrung_crossing_cells(c.counts.data(), static_cast<int>(c.counts.size()), c.n), c.cells);
}

class CellReport : public DefinitionsTest {
protected:
    void SetUp() override {
        DefinitionsTest::SetUp();
        for (const char* name : {"Region", "Desk", "Empty"}) ASSERT_EQ(declare(name, RSKVKIND_INSTRUMENT, 2, 201, 8), 0);
        variable("Region")->level_count = 10;
        variable("Desk")->level_count = 20;
        rskname(con, &project_.name, "P1", -1);
        rskname(con, &cross_.name, "ByDesk", -1);
        xoptbgt("NOTES", &notes_);
        xoptbst("NOTES", 1);
    }
    void TearDown() override {
        xoptbst("NOTES", notes_);
        con->generic = 0;
        DefinitionsTest::TearDown();
    }
    // One crossing (hierarchy) of the named members.
    void crossing(std::initializer_list<const char*> members) {
        RSKHIERARCHY& h = hierarchies_.emplace_back();
        for (const char* m : members) {
            RSKHIERCELL& cell = cells_.emplace_back();
            rskname(con, &cell.name, m, -1);
            if (h.tail == nullptr) h.head = &cell;
            else h.tail->next = &cell;
            h.tail = &cell;
        }
        if (cross_.tail == nullptr) cross_.head = &h;
        else cross_.tail->next = &h;
        cross_.tail = &h;
    }
    double report(int instruments) {
        RSKNAMEREC data = name_of("WORK.POS");
        return rskrung_report(con, &project_, &cross_, 64, instruments, &data);
    }

    RSKPROJECT project_{};
    RSKCROSSCLASS cross_{};
    std::deque<RSKHIERARCHY> hierarchies_;
    std::deque<RSKHIERCELL> cells_;
    int notes_ = 0;
};

TEST_F(CellReport, CountsEveryCrossingAndTheGrandTotal) {
    crossing({"Region", "Desk"});
    size_t at = log().size();
    EXPECT_EQ(report(1000), 231);
    std::string said = log().substr(at);
    EXPECT_NE(said.find("598/4122"), std::string::npos) << said;
    EXPECT_NE(said.find("231"), std::string::npos);
    // 64 bytes x 231 cells + 511.9 = 15295.9 bytes: 14 KB.
    EXPECT_NE(said.find("14 KB"), std::string::npos) << said;
    EXPECT_NE(said.find("598/4123"), std::string::npos);
    EXPECT_EQ(report(50), 81);

    // InstID without levels counts the instruments; a variable without levels is left out.
    crossing({"InstID"});
    crossing({"Empty", "Desk"});
    at = log().size();
    EXPECT_EQ(report(50), 81 + (50 + 1 - 1) + (20 + 1 - 1));
    said = log().substr(at);
    EXPECT_EQ(count_of(said, "598/4124"), 1) << said;
    EXPECT_NE(said.find("Empty"), std::string::npos);

    con->generic = 1;
    at = log().size();
    report(50);
    said = log().substr(at);
    EXPECT_NE(said.find("of -1 bytes"), std::string::npos) << said;
    EXPECT_NE(said.find("-1 KB"), std::string::npos) << said;
}

TEST_F(CellReport, SilentWithoutNotesOrInstruments) {
    crossing({"Region", "Desk"});
    const size_t at = log().size();
    EXPECT_EQ(report(0), 0);
    xoptbst("NOTES", 0);
    EXPECT_EQ(report(1000), 0);
    EXPECT_EQ(log().find("598/4122", at), std::string::npos);
}

TEST_F(CellReport, SetUpBuildsTheControlThenReports) {
    crossing({"Region", "Desk"});
    RSKCATOBJ header{};
    header.object = &cross_;
    RSKRUNBLOCK* block = con->run_block;
    block->cell_size = 64;
    block->instrument_count = 1000;
    rskname(con, &block->instrument_data_name, "WORK.POS", -1);
    // Without a cross-classification nothing is done.
    size_t at = log().size();
    EXPECT_EQ(rskrung(con, &project_), 0);
    EXPECT_EQ(log().find("598/4122", at), std::string::npos);

    block->cross_class = &header;
    at = log().size();
    EXPECT_EQ(rskrung(con, &project_), 0) << log().substr(at);
    EXPECT_NE(block->aggregation.control, nullptr);
    EXPECT_EQ(block->aggregation.cross, &cross_);
    const size_t report = log().find("598/4122", at);
    ASSERT_NE(report, std::string::npos) << log().substr(at);
    EXPECT_NE(log().find(" 231 ", report), std::string::npos) << log().substr(at);
    block->cross_class = nullptr;
}

}  // namespace
