// Catalog data sets of definitions: an environment written to the five data sets and read into
// a fresh control structure lists the same; data sets of each kind checked in by an earlier
// build read into the same listing; bad input gives its message and a failure, and leaves
// every entry listed once.
#include <fstream>

#include "engine/model/datasets/catalog_datasets_api.h"
#include "tests/engine/definitions_fixture.h"

namespace {

namespace fs = std::filesystem;

constexpr uint32_t kFactor = 2, kInstrument = 3, kNum = 1, kChar = 2, kArray = 60;
constexpr uint32_t kIr = 321, kVarRole = 201;
const char* const kKinds[] = {"vars", "arrays", "types", "refs", "cats"};

class CatalogDatasets : public DefinitionsTest {
protected:
    // An environment with objects of every kind, none defined in alphabetical order.
    void define_environment() {
        ASSERT_EQ(declare("usd5y", kFactor, kNum, kIr, 0, "USD", 5), 0) << log();
        ASSERT_EQ(declare("usd1y", kFactor, kNum, kIr, 0, "USD", 1), 0);
        ASSERT_EQ(declare("usd2y", kFactor, kNum, kIr, 0, "USD", 2), 0);
        ASSERT_EQ(declare("notional", kInstrument, kNum, kVarRole), 0);
        ASSERT_EQ(declare("issuer", kInstrument, kChar, kVarRole, 20), 0);
        ASSERT_EQ(declare("coupon", kInstrument, kNum, kVarRole), 0);
        ASSERT_EQ(declare("usdcurve", kFactor, kArray, kIr, 0, "USD"), 0);
        RSKVARIABLE* curve = variable("usdcurve");
        for (const char* e : {"usd5y", "usd1y", "usd2y"}) ASSERT_EQ(engine_routine<EngineSlot::rskarya>()(con, curve, e, -1), 0) << log();
        ASSERT_EQ(engine_routine<EngineSlot::rskvara>()(con, variable("usd2y"), "RiskFactor", -1, "two", -1), 0);
        ASSERT_EQ(engine_routine<EngineSlot::rskvara>()(con, variable("usd1y"), "RiskFactor", -1, "one", -1), 0);
        ASSERT_EQ(engine_routine<EngineSlot::rskvarb>()(con, variable("usd5y"), "rates", -1), 0);
        ASSERT_EQ(engine_routine<EngineSlot::rskvarb>()(con, variable("usd1y"), "short", -1), 0);
        ASSERT_EQ(engine_routine<EngineSlot::rskvarb>()(con, variable("usd1y"), "rates", -1), 0);
        RSKINSTTYPE* swap = define_type("Swap", "Bond");
        add_vars(swap, {"notional"});
        RSKINSTTYPE* bond = define_type("Bond");
        add_vars(bond, {"coupon", "issuer", "Currency"});
        auto dflt = engine_routine<EngineSlot::rskdflt>();
        ASSERT_EQ(dflt(con, bond, "coupon", -1, 0.05, nullptr, 0, 1), 0);
        ASSERT_EQ(dflt(con, bond, "issuer", -1, 0, "Treasury", -1, 2), 0);
        auto actd = engine_routine<EngineSlot::rskactd>();
        ASSERT_EQ(actd(con, bond, 2, "Iprep", -1), 0);
        ASSERT_EQ(actd(con, bond, 3, "Pbond", -1), 0);
        RSKINSTTYPE* quad = define_type("Quad", "", 0, 1);
        add_vars(quad, {"notional", "coupon"});
    }
    // The listings that must agree: variables, arrays, types, categories.
    std::string listings() {
        engine_routine<EngineSlot::rsk0>()(con);
        engine_routine<EngineSlot::rskclbi>()(con);
        const size_t at = listing().size();
        engine_routine<EngineSlot::rskvarp>()(con, nullptr, 0);
        engine_routine<EngineSlot::rskvarp>()(con, nullptr, 2);
        engine_routine<EngineSlot::rskclbp>()(con, 0);
        engine_routine<EngineSlot::rskcatp>()(con);
        return listing().substr(at);
    }
    int write_all(const char* libref) {
        int rc = 0;
        rc |= engine_routine<EngineSlot::rskvarw>()(con, libref, "vars", nullptr);
        rc |= engine_routine<EngineSlot::rskaryw>()(con, libref, "arrays", nullptr);
        rc |= engine_routine<EngineSlot::rskclsw>()(con, libref, "types", nullptr);
        rc |= engine_routine<EngineSlot::rskrefw>()(con, libref, "refs", nullptr);
        rc |= engine_routine<EngineSlot::rskcatw>()(con, libref, "cats", nullptr);
        return rc;
    }
    // Reads the five data sets; the types reader ends with 598/1081 while the catalog cannot
    // store types, so its result is checked apart.
    void read_all(const char* libref) {
        EXPECT_EQ(engine_routine<EngineSlot::rskvarr>()(con, libref, "vars", nullptr), 0) << log();
        EXPECT_EQ(engine_routine<EngineSlot::rskaryr>()(con, libref, "arrays", nullptr), 0) << log();
        engine_routine<EngineSlot::rskclsr>()(con, libref, "types", nullptr);
        EXPECT_EQ(engine_routine<EngineSlot::rskrefr>()(con, libref, "refs", nullptr), 0) << log();
        EXPECT_EQ(engine_routine<EngineSlot::rskcatr>()(con, libref, "cats", nullptr), 0) << log();
    }
};

TEST_F(CatalogDatasets, WrittenEnvironmentReadsBackIntoTheSameListings) {
    define_environment();
    const std::string before = listings();
    ASSERT_EQ(write_all("DEFS"), 0) << log();
    restart();
    read_all("DEFS");
    EXPECT_EQ(listings(), before);
    // What the listings hold, independently of the round trip: definition order, the curve
    // sorted by maturity, the Bond's actions, the base-most variables of Swap first.
    EXPECT_LT(before.find("usd5y"), before.find("usd1y"));
    EXPECT_NE(before.find("Element 1: usd1y"), std::string::npos) << before;
    EXPECT_NE(before.find("Element 3: usd5y"), std::string::npos);
    EXPECT_NE(before.find("Action INPUT: Iprep"), std::string::npos);
    EXPECT_NE(before.find("Action PRICE: Pbond"), std::string::npos);
    EXPECT_NE(before.find("Action PRICE: *Delta-Gamma*"), std::string::npos);
    EXPECT_EQ(count_of(before, "Instrument type Swap"), 1);
    EXPECT_NE(before.find("Variables: 4"), std::string::npos);   // Swap: coupon issuer Currency notional
    // The types read are stored in the environment's catalog as well.
    EXPECT_EQ(count_of(log(), "598/1081"), 0) << log();
}

// The data sets under tests/engine/data/definitions were written by an earlier build from the
// environment above; they must keep reading into what defining it directly lists. Setting
// QOR_REWRITE_DEFINITIONS rewrites them from this build.
TEST_F(CatalogDatasets, CheckedInDataSetsReadIntoTheDefinedEnvironment) {
    const fs::path stored = fs::path(QOR_SOURCE_DIR) / "tests/engine/data/definitions";
    define_environment();
    const std::string defined = listings();
    if (std::getenv("QOR_REWRITE_DEFINITIONS") != nullptr) {
        fs::create_directories(stored);
        ASSERT_EQ(qor::runtime::assign_library("STORED", stored.string(), "V9"), 0);
        ASSERT_EQ(write_all("STORED"), 0);
    }
    // A copy, so that nothing the test does can change the checked-in files.
    const fs::path copy = dir_ / "stored";
    fs::create_directories(copy);
    for (const char* kind : kKinds)
        fs::copy_file(stored / (std::string(kind) + ".qor7bdat"), copy / (std::string(kind) + ".qor7bdat"));
    ASSERT_EQ(qor::runtime::assign_library("STORED", copy.string(), "V9"), 0);
    restart();
    read_all("STORED");
    EXPECT_EQ(listings(), defined);
}

}  // namespace

namespace {

// Row rules of READVARS: the format built from FORMAT, FORMATL and FORMATD; a short KIND means
// an instrument variable; a blank ROLE takes the kind's default; COMPUTED makes an output.
TEST_F(CatalogDatasets, ReadvarsRowRules) {
    ASSERT_EQ(write_test_dataset("DEFS", "rules",
                                 {{"NAME", true, 32}, {"KIND", true, 18}, {"TYPE", true, 18}, {"ROLE", true, 18},
                                  {"FORMAT", true, 18}, {"FORMATL", false, 8}, {"FORMATD", false, 8},
                                  {"MUNIT", true, 18}, {"MATURITY", false, 8}, {"CURRENCY", true, 3}},
                                 {{"amount", "F", "NUM", "", "comma", "12", "2", "", ".", ""},
                                  {"width", "", "NUM", "", "best.", "10", ".", "", ".", ""},
                                  {"result", "INSTRUMENT", "NUM", "COMPUTED", "", ".", ".", "", ".", ""},
                                  {"rate", "FACTOR", "NUM", "IR", "", ".", ".", "days", "30", "USD"}}),
              0);
    ASSERT_EQ(engine_routine<EngineSlot::rskvarr>()(con, "DEFS", "rules", nullptr), 0) << log();
    auto format = [&](const char* name) {
        const RSKVARIABLE* v = variable(name);
        return v ? std::string(v->format_text.name.text, v->format_text.name.length) : "?";
    };
    EXPECT_EQ(format("amount"), "COMMA12.2");
    EXPECT_EQ(format("width"), "BEST10.");
    EXPECT_EQ(variable("amount")->kind, 3u);
    EXPECT_EQ(variable("amount")->role, 201u);
    EXPECT_EQ(variable("result")->kind, 7u);
    EXPECT_EQ(variable("rate")->maturity_unit, 1u);   // DAY, by its first letter
    EXPECT_NEAR(variable("rate")->maturity_time, 30.0 / 365.25, 1e-12);   // days over the mean year
}

// PRINT RISKFACTORS counts scalar risk factors only and lists the arrays apart.
TEST_F(CatalogDatasets, RiskFactorListingCountsScalarsAndShowsArrays) {
    ASSERT_EQ(declare("usd1y", kFactor, kNum, kIr, 0, "USD", 1), 0);
    ASSERT_EQ(declare("usd2y", kFactor, kNum, kIr, 0, "USD", 2), 0);
    ASSERT_EQ(declare("curve", kFactor, kArray, kIr, 0, "USD"), 0);
    for (const char* e : {"usd2y", "usd1y"}) engine_routine<EngineSlot::rskarya>()(con, variable("curve"), e, -1);
    engine_routine<EngineSlot::rsk0>()(con);
    const size_t at = listing().size();
    engine_routine<EngineSlot::rskvarp>()(con, nullptr, 2);
    const std::string text = listing().substr(at);
    // The system risk factor _date_ and the two scalars; the curve only under the arrays.
    EXPECT_NE(text.find("Risk factors: 3"), std::string::npos) << text;
    EXPECT_EQ(count_of(text, "  Kind: Risk Factor"), 3);
    EXPECT_NE(text.find("Array risk factors: 1"), std::string::npos);
}

}  // namespace
