// Reading prices back from ALLPRICE_P and ALLPRICE_V of one run or of several analysis parts:
// small members written by the test, values found state by state, and damaged members refused
// with a message naming what is wrong.
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/output/rskgds.h"
#include "engine/run/analysis_processing.h"
#include "engine/run/run_block.h"
#include "engine/tables/engine_table.h"
#include "host/files.h"
#include "host/missing.h"
#include "tests/engine/dataset_writer.h"
#include "tests/engine/variables_fixture.h"

namespace {

using Rows = std::vector<std::vector<std::string>>;

const std::vector<TestColumn> kPriceColumns = {{"InstNumber", false, 8}, {"InstID", true, 32}, {"InstType", true, 32}};
const std::vector<TestColumn> kValueColumns = {{"InstNumber", false, 8}, {"StateNumber", false, 8}, {"Value", false, 8}};

class PricesReadBack : public VariableEngine {
protected:
    void SetUp() override {
        VariableEngine::SetUp();
        dir_ = test_path("prices");
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
        ASSERT_EQ(xhlasn2("PRICES", dir_.c_str(), static_cast<int>(dir_.size()), "DISK"), 0);
        RSKINSTTYPE* type = nullptr;
        ASSERT_EQ(engine_routine<EngineSlot::rskclsd>()(con, &type, "Lin", -1, "", 0, "", 0, 0, 0,
                                                        con->current_environment),
                  0)
            << log();
        // One scenario-like analysis with three states.
        analysis_.kind = 5;
        analysis_.first_state = 0;
        analysis_.state_count = 3;
        con->run_block->analyses_head = &analysis_;
        prices_.assign(2 * 4, 0.0);
    }
    void TearDown() override {
        rskgdsc_pos(con, &reader_);
        con->run_block->analyses_head = nullptr;
        xhldas2("PRICES");
        std::filesystem::remove_all(dir_);
        VariableEngine::TearDown();
    }

    // Members of one part: base name "ALLPRICE" (one part) or the part's own name.
    void write(const char* base, const Rows& instruments, const Rows& values) {
        ASSERT_EQ(write_test_dataset("PRICES", (std::string(base) + "_P").c_str(), kPriceColumns, instruments), 0);
        ASSERT_EQ(write_test_dataset("PRICES", (std::string(base) + "_V").c_str(), kValueColumns, values), 0);
    }
    int open(const char* base, int parts, bool exposure = false) {
        std::memcpy(reader_.libref, "PRICES  ", 8);
        std::snprintf(reader_.base_name, sizeof reader_.base_name, "%s", base);
        reader_.part_count = parts;
        reader_.prices = prices_.data();
        reader_.price_capacity = static_cast<int32_t>(prices_.size() / 2);
        reader_.exposure = exposure ? 1 : 0;
        reader_.data_set = "WORK.BOOK";
        reader_.data_set_length = 9;
        return rskgdso_pos(con, &reader_);
    }
    // Reads instrument `number` with the identifier and type the instrument file gives.
    int read(int64_t number, const char* id, const char* type = "Lin") {
        reader_.instrument_number = number;
        reader_.inst_id = id;
        reader_.inst_id_length = static_cast<int32_t>(std::strlen(id));
        reader_.inst_type = type;
        reader_.inst_type_length = static_cast<int32_t>(std::strlen(type));
        return read_values(con, &reader_);
    }
    std::vector<double> values() const {
        std::vector<double> out;
        for (size_t i = 0; i < prices_.size(); i += 2) out.push_back(prices_[i]);
        return out;
    }

    std::string dir_;
    RSKANLPROC analysis_{};
    RSKVALREADER reader_{};
    std::vector<double> prices_;
};

TEST_F(PricesReadBack, OneRunGivesBaseAndStatesPerInstrument) {
    write("ALLPRICE", {{"1", "A", "Lin"}, {"2", "  B", "LIN "}},
          {{"1", "0", "10"}, {"1", "1", "11"}, {"1", "2", "-12"}, {"1", "3", "."},
           {"2", "0", "20"}, {"2", "1", "21"}, {"2", "2", "22"}, {"2", "3", "23"}});
    ASSERT_EQ(open("ALLPRICE", 1, true), 0) << log();
    ASSERT_EQ(read(1, "A"), 0) << log();
    EXPECT_EQ(prices_[0], 10);
    EXPECT_EQ(prices_[2], 11);
    EXPECT_EQ(prices_[4], -12);
    // The exposure is the positive part of the value, and missing where the value is.
    EXPECT_EQ(prices_[5], 0.0);
    EXPECT_TRUE(qor::is_missing(prices_[6]));
    EXPECT_TRUE(qor::is_missing(prices_[7]));
    // Identifier and type are compared stripped of blanks on either side; the type's case is the
    // file's own (its class is looked up by name).
    ASSERT_EQ(read(2, "B", "LIN"), 0) << log();
    EXPECT_EQ(values(), (std::vector<double>{20, 21, 22, 23}));
    EXPECT_EQ(reader_.instruments, 2);
}

// Two analysis parts: each holds the base case and its own states; consecutive states come from
// either part, and a part whose next row is the next instrument's waits.
TEST_F(PricesReadBack, TwoPartsDeliverStatesAlternately) {
    write("ALLPRICE_1_2_1_1", {{"1", "A", "Lin"}, {"3", "C", "Lin"}},
          {{"1", "0", "10"}, {"1", "1", "11"}, {"1", "3", "13"}, {"3", "0", "30"}, {"3", "1", "31"}, {"3", "3", "33"}});
    write("ALLPRICE_2_2_1_1", {{"1", "A", "Lin"}, {"3", "C", "Lin"}},
          {{"1", "0", "10"}, {"1", "2", "12"}, {"3", "0", "30"}, {"3", "2", "32"}});
    // Mark-to-market reads nothing; position equivalents read their states like the others.
    RSKANLPROC mtm{};
    mtm.kind = 1;
    mtm.next = &analysis_;
    analysis_.kind = 12;
    con->run_block->analyses_head = &mtm;
    ASSERT_EQ(open("ALLPRICE_%i_%i_1_1", 2), 0) << log();
    ASSERT_EQ(read(1, "A"), 0) << log();
    EXPECT_EQ(values(), (std::vector<double>{10, 11, 12, 13}));
    // Instrument 2 was skipped by the earlier run: 3 follows.
    ASSERT_EQ(read(3, "C"), 0) << log();
    EXPECT_EQ(values(), (std::vector<double>{30, 31, 32, 33}));
}

TEST_F(PricesReadBack, ATypeWithoutClassIsSkippedAndReadingGoesOn) {
    write("ALLPRICE", {{"1", "A", "Nope"}, {"2", "B", "Lin"}},
          {{"1", "0", "10"}, {"1", "1", "11"}, {"1", "2", "12"}, {"1", "3", "13"},
           {"2", "0", "20"}, {"2", "1", "21"}, {"2", "2", "22"}, {"2", "3", "23"}});
    ASSERT_EQ(open("ALLPRICE", 1), 0) << log();
    EXPECT_EQ(read(1, "A", "Nope"), -1);
    EXPECT_NE(log().find("598/1703"), std::string::npos) << log();
    EXPECT_EQ(reader_.skipped, 1);
    ASSERT_EQ(read(2, "B"), 0) << log();
    EXPECT_EQ(values(), (std::vector<double>{20, 21, 22, 23}));
}

// Damaged members: each is refused with the message that names the fault.
TEST_F(PricesReadBack, DamagedMembersAreRefused) {
    struct Case {
        const char* what;
        Rows instruments;
        Rows values;
        int read_first;              // instruments to read before the failing one
        const char* id;              // the identifier the failing read expects
        const char* message;
    };
    const Rows good_p = {{"1", "A", "Lin"}, {"2", "B", "Lin"}};
    const Case cases[] = {
        {"InstID changed", {{"1", "Z", "Lin"}}, {{"1", "0", "10"}}, 0, "A", "598/1767"},
        {"state row deleted", good_p, {{"1", "0", "10"}, {"1", "1", "11"}, {"1", "3", "13"}}, 0, "A", "598/1769"},
        {"an earlier instrument's row", good_p,
         {{"1", "0", "10"}, {"1", "1", "11"}, {"0", "2", "12"}, {"1", "3", "13"}}, 0, "A", "598/1768"},
        {"early end", {{"1", "A", "Lin"}},
         {{"1", "0", "10"}, {"1", "1", "11"}, {"1", "2", "12"}, {"1", "3", "13"}}, 1, "B", "598/1723"},
        {"missing StateNumber", good_p, {{"1", ".", "10"}}, 0, "A", "598/2852"},
        {"base row is not state 0", good_p, {{"1", "1", "11"}}, 0, "A", "598/1709"},
        {"base row of another instrument", good_p, {{"2", "0", "20"}}, 0, "A", "598/1719"},
    };
    for (const Case& c : cases) {
        rskgdsc_pos(con, &reader_);
        reader_ = RSKVALREADER{};
        write("ALLPRICE", c.instruments, c.values);
        ASSERT_EQ(open("ALLPRICE", 1), 0) << c.what << log();
        for (int i = 0; i < c.read_first; ++i) ASSERT_EQ(read(1, "A"), 0) << c.what << log();
        const size_t before = log().size();
        EXPECT_EQ(read(c.read_first + 1, c.id), 1) << c.what;
        EXPECT_NE(log().find(c.message, before), std::string::npos) << c.what << log().substr(before);
    }
}

TEST_F(PricesReadBack, MissingMembersAndColumnsAndUnknownKinds) {
    EXPECT_EQ(open("ALLPRICE", 1), 1);
    EXPECT_NE(log().find("PRICES.ALLPRICE_P"), std::string::npos) << log();
    rskgdsc_pos(con, &reader_);
    reader_ = RSKVALREADER{};
    ASSERT_EQ(write_test_dataset("PRICES", "ALLPRICE_P", kPriceColumns, {{"1", "A", "Lin"}}), 0);
    ASSERT_EQ(write_test_dataset("PRICES", "ALLPRICE_V", {{"InstNumber", false, 8}, {"StateNumber", false, 8}},
                                 {{"1", "0"}}),
              0);
    EXPECT_EQ(open("ALLPRICE", 1), 2);
    EXPECT_NE(log().find("The variable Value is not in PRICES.ALLPRICE_V"), std::string::npos) << log();
    rskgdsc_pos(con, &reader_);
    reader_ = RSKVALREADER{};
    write("ALLPRICE", {{"1", "A", "Lin"}}, {{"1", "0", "10"}, {"1", "1", "11"}});
    analysis_.kind = 11;
    ASSERT_EQ(open("ALLPRICE", 1), 0);
    EXPECT_EQ(read(1, "A"), 1);
    EXPECT_NE(log().find("read_values: unknown analysis type 11"), std::string::npos) << log();
}

}  // namespace
