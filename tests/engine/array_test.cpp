// Arrays through the entry table: element checks, maturity sorting with names kept beside their
// elements, grid arrays with the cash-flow bucket point, rebuilds that free what they replace,
// values loaded and stored, derivatives, the listing and the out-of-memory paths.
#include <cmath>

#include "engine/model/arrays/arrays.h"
#include "engine/model/timegrids/time_grids.h"
#include "engine/model/variables/variables.h"
#include "host/missing.h"
#include "tests/engine/environment_objects_fixture.h"

namespace {

constexpr uint32_t kNum = 1;
constexpr uint32_t kChar = 2;
constexpr uint32_t kRoleVar = 301;
constexpr uint32_t kRoleIr = 321;
constexpr uint32_t kRoleFx = 341;
constexpr uint32_t kRoleFxSpot = 441;

// The direct routines: values and derivatives have no slot, the run engine calls them in-module.
class Arrays : public EnvironmentObjects {
protected:
    RSKVARIABLE* array(const char* name, uint32_t role, const char* currency = "USD") {
        return variable(name, RSKVKIND_FACTOR, RSKDTYPE_ARRAY, role, currency);
    }
    RSKVARIABLE* curve(uint32_t role) {
        variable("usd5y", RSKVKIND_FACTOR, kNum, kRoleIr, "USD", 5);
        variable("usd1y", RSKVKIND_FACTOR, kNum, kRoleIr, "USD", 1);
        variable("usd2y", RSKVKIND_FACTOR, kNum, kRoleIr, "USD", 2);
        RSKVARIABLE* usdcurve = array("usdcurve", role);
        for (const char* element : {"usd5y", "usd1y", "usd2y"}) EXPECT_EQ(add(usdcurve, element), 0) << log();
        return usdcurve;
    }
    int add(RSKVARIABLE* to, const char* element) { return call<EngineSlot::rskarya>()(con, to, element, -1); }
    int build(RSKVARIABLE* a) { return call<EngineSlot::rskaryb>()(con, a); }

    static std::vector<std::string> names(const RSKVARIABLE* a) {
        std::vector<std::string> out;
        for (const RSKNAMECELL* c = a->element_names_head; c != nullptr; c = c->next)
            out.emplace_back(c->name.name.text, c->name.name.length);
        return out;
    }
    static std::vector<std::string> elements(const RSKVARIABLE* a) {
        std::vector<std::string> out;
        for (uint32_t i = 0; i < a->elements_allocated; ++i)
            out.emplace_back(a->elements[i] ? std::string(a->elements[i]->name.name.text, a->elements[i]->name.name.length) : "-");
        return out;
    }
    static std::vector<double> maturities(const RSKVARIABLE* a) {
        return std::vector<double>(a->maturities, a->maturities + a->maturities_allocated);
    }
    std::string said_since(const std::string& before) { return log().substr(before.size()); }
};

TEST_F(Arrays, ElementsAreSortedByMaturityWithTheirNamesUnlessTheRoleIsVar) {
    RSKVARIABLE* usdcurve = curve(kRoleIr);
    EXPECT_EQ(usdcurve->element_count, 3);
    ASSERT_EQ(build(usdcurve), 0) << log();
    const std::vector<std::string> sorted = {"usd1y", "usd2y", "usd5y"};
    EXPECT_EQ(elements(usdcurve), sorted);
    EXPECT_EQ(names(usdcurve), sorted);
    EXPECT_EQ(maturities(usdcurve), (std::vector<double>{1, 2, 5}));
    EXPECT_EQ(usdcurve->value_size, 24u);

    // The listing puts each name beside its own element's maturity.
    call<EngineSlot::rskaryp>()(con, usdcurve);
    const std::string text = listing();
    EXPECT_NE(text.find("Element 1: usd1y\n    USD     1\n"), std::string::npos) << text;
    EXPECT_NE(text.find("Element 3: usd5y\n    USD     5\n"), std::string::npos) << text;

    RSKVARIABLE* weights = variable("weights", RSKVKIND_FACTOR, RSKDTYPE_ARRAY, kRoleVar);
    for (const char* element : {"usd5y", "usd1y", "usd2y"}) add(weights, element);
    ASSERT_EQ(build(weights), 0) << log();
    EXPECT_EQ(elements(weights), (std::vector<std::string>{"usd5y", "usd1y", "usd2y"}));
    EXPECT_EQ(maturities(weights), (std::vector<double>{5, 1, 2}));
}

TEST_F(Arrays, AMissingMaturitySortsNothing) {
    RSKVARIABLE* usdcurve = curve(kRoleIr);
    variables_[1].maturity_time = qor::missing();
    ASSERT_EQ(build(usdcurve), 0) << log();
    EXPECT_EQ(elements(usdcurve), (std::vector<std::string>{"usd5y", "usd1y", "usd2y"}));
}

TEST_F(Arrays, ElementChecksReportTheirMessage) {
    variable("eurusd", RSKVKIND_FACTOR, kNum, kRoleFxSpot, "USD")->from_currency[0] = 'E';
    std::memcpy(variables_.back().from_currency, "EUR", 3);
    variable("eurjpy", RSKVKIND_FACTOR, kNum, kRoleFxSpot, "JPY");
    std::memcpy(variables_.back().from_currency, "EUR", 3);
    variable("usd1y", RSKVKIND_FACTOR, kNum, kRoleIr, "USD", 1);
    variable("eur1y", RSKVKIND_FACTOR, kNum, kRoleIr, "EUR", 1);
    variable("label", RSKVKIND_FACTOR, kChar, 0);
    variable("notional", RSKVKIND_INSTRUMENT, kNum);
    RSKVARIABLE* fx = array("fxcurve", kRoleFx);
    std::memcpy(fx->from_currency, "EUR", 3);
    RSKVARIABLE* ir = array("ircurve", kRoleIr);
    RSKVARIABLE* plain = variable("plain", RSKVKIND_FACTOR, kNum, kRoleIr, "USD");

    struct Case { RSKVARIABLE* to; const char* element; int result; const char* message; };
    const Case cases[] = {
        {fx, "eurusd", 0, nullptr},       // FX_SPOT with the array's currencies
        {fx, "eurjpy", 1, "598/1689"},    // another currency
        {fx, "usd1y", 1, "598/1688"},     // an interest rate in an FX array
        {ir, "usd1y", 0, nullptr},
        {ir, "eur1y", 1, "598/1689"},
        {ir, "label", 1, "598/1687"},     // not numeric
        {ir, "notional", 1, "598/1683"},  // not a risk factor
        {ir, "nowhere", 1, "598/1683"},
        {plain, "usd1y", 1, "598/1681"},  // not an array
    };
    for (const Case& c : cases) {
        const std::string before = log();
        EXPECT_EQ(add(c.to, c.element), c.result) << c.element;
        const std::string said = said_since(before);
        if (c.message != nullptr) EXPECT_EQ(count_of(said, c.message), 1) << c.element << said;
        else EXPECT_EQ(count_of(said, "598/"), 0) << c.element << said;
    }
    EXPECT_EQ(plain->element_names_head, nullptr);

    // The build checks the elements again and reports every failing one before it stops.
    const std::string before = log();
    EXPECT_EQ(build(ir), 1);
    const std::string said = said_since(before);
    EXPECT_EQ(count_of(said, "598/1689"), 1) << said;
    EXPECT_EQ(count_of(said, "598/1687"), 1) << said;
    EXPECT_EQ(count_of(said, "598/1685"), 1) << said;   // notional is of kind INSTRUMENT
    EXPECT_EQ(count_of(said, "598/1683"), 1) << said;   // nowhere
}

TEST_F(Arrays, WhileLoadingUndefinedElementsAreAcceptedSilently) {
    RSKVARIABLE* usdcurve = array("usdcurve", kRoleIr);
    con->catalog_loading = 1;
    const std::string before = log();
    EXPECT_EQ(add(usdcurve, "later1"), 0);
    EXPECT_EQ(add(usdcurve, "later2"), 0);
    EXPECT_EQ(count_of(said_since(before), "598/"), 0);
    EXPECT_EQ(usdcurve->element_count, 2);
    con->catalog_loading = 0;
}

TEST_F(Arrays, NoElementsFailsTheBuild) {
    RSKVARIABLE* empty = array("empty", kRoleIr);
    EXPECT_EQ(build(empty), 1);
    EXPECT_EQ(count_of(log(), "598/1680"), 1) << log();
    empty->element_count = std::nan("");
    EXPECT_EQ(build(empty), 1);
    EXPECT_EQ(count_of(log(), "598/1680"), 2) << log();
}

TEST_F(Arrays, CashFlowBucketsOnAGridStartingLaterGetALeadingZero) {
    RSKNAMEREC grid_name = name_of("Quarterly");
    RSKCATOBJ* object = nullptr;
    ASSERT_EQ(call<EngineSlot::rsktgdd>()(con, &object, &grid_name, nullptr, nullptr), 0);
    auto* grid = static_cast<RSKTIMEGRID*>(object->object);
    call<EngineSlot::rsktgda>()(con, grid, 1, RSKUNIT_YEAR);
    call<EngineSlot::rsktgda>()(con, grid, 3, RSKUNIT_MONTH);

    struct Case { const char* name; std::vector<double> maturities; };
    const Case cases[] = {{"CumBucket", {0, 0.25, 1}}, {"CFBucket", {0, 0.25, 1}}, {"Profile", {0.25, 1}}};
    for (const Case& c : cases) {
        RSKVARIABLE* a = variable(c.name, RSKVKIND_SYSTEM, RSKDTYPE_ARRAY);
        a->time_grid_array = 1;
        call<EngineSlot::rskname>()(con, &a->time_grid_name, "quarterly", -1);
        ASSERT_EQ(build(a), 0) << c.name << log();
        EXPECT_EQ(a->time_grid, grid);
        EXPECT_EQ(a->element_count, static_cast<double>(c.maturities.size())) << c.name;
        EXPECT_EQ(maturities(a), c.maturities) << c.name;
        EXPECT_EQ(a->elements, nullptr);
        // Its values start missing, and loading from elements leaves them alone.
        double values[3] = {1, 1, 1};
        a->value = values;
        ASSERT_EQ(rskaryi(con, a), 0);
        EXPECT_EQ(rskaryl(con, a), 0);
        for (size_t i = 0; i < c.maturities.size(); ++i) EXPECT_TRUE(qor::is_missing(values[i])) << c.name;
        a->value = nullptr;
    }
    call<EngineSlot::rskaryp>()(con, &variables_.front());
    EXPECT_NE(listing().find("598/2034     Time grid: quarterly"), std::string::npos) << listing();
    RSKVARIABLE* lost = variable("Lost", RSKVKIND_FACTOR, RSKDTYPE_ARRAY);
    lost->time_grid_array = 1;
    call<EngineSlot::rskname>()(con, &lost->time_grid_name, "nogrid", -1);
    EXPECT_EQ(build(lost), 1);
    EXPECT_EQ(count_of(log(), "598/1682"), 1) << log();
}

// Rebuilds and clears give every vector back with the size it was taken with, even after
// elements were added in between.
TEST_F(Arrays, RebuildsAndClearsReturnWhatTheyAllocated) {
    RSKVARIABLE* usdcurve = curve(kRoleIr);
    variable("usd10y", RSKVKIND_FACTOR, kNum, kRoleIr, "USD", 10);
    const size_t before = qor_pool_live_blocks(con->current_pool);
    ASSERT_EQ(build(usdcurve), 0);
    const size_t built = qor_pool_live_blocks(con->current_pool);
    EXPECT_EQ(built, before + 2);
    ASSERT_EQ(build(usdcurve), 0);
    EXPECT_EQ(qor_pool_live_blocks(con->current_pool), built);
    ASSERT_EQ(rskaryd(con, usdcurve, 1), 0);
    ASSERT_EQ(rskaryd(con, usdcurve, 1), 0);
    EXPECT_EQ(qor_pool_live_blocks(con->current_pool), built + 1);

    ASSERT_EQ(add(usdcurve, "usd10y"), 0);
    EXPECT_EQ(usdcurve->element_count, 4);
    EXPECT_EQ(call<EngineSlot::rskaryc>()(con, usdcurve), 0);
    EXPECT_EQ(qor_pool_live_blocks(con->current_pool), before);
    EXPECT_EQ(usdcurve->element_count, 0);
    EXPECT_EQ(usdcurve->element_names_head, nullptr);
    EXPECT_EQ(usdcurve->maturities, nullptr);
}

TEST_F(Arrays, ValuesLoadAndStoreInElementOrder) {
    RSKVARIABLE* usdcurve = curve(kRoleIr);
    ASSERT_EQ(build(usdcurve), 0);
    double element_values[3] = {0.05, 0.01, 0.02};   // usd5y, usd1y, usd2y as defined
    for (int i = 0; i < 3; ++i) variables_[static_cast<size_t>(i)].value = &element_values[i];
    double values[3] = {};
    usdcurve->value = values;
    ASSERT_EQ(rskaryi(con, usdcurve), 0);
    EXPECT_EQ(std::vector<double>(values, values + 3), (std::vector<double>{0.01, 0.02, 0.05}));
    element_values[0] = 0.06;
    ASSERT_EQ(rskaryl(con, usdcurve), 0);
    EXPECT_EQ(values[2], 0.06);
    values[0] = 0.015;
    ASSERT_EQ(rskarys(con, usdcurve), 0);
    EXPECT_EQ(element_values[1], 0.015);

    // No elements: the internal error, and nothing is touched.
    RSKVARIABLE* empty = array("empty", kRoleIr);
    empty->value = values;
    EXPECT_EQ(rskaryl(con, empty), 1);
    EXPECT_EQ(rskarys(con, empty), 1);
    EXPECT_NE(log().find("rskaryl: no elements for array empty."), std::string::npos) << log();
    EXPECT_NE(log().find("rskarys: no elements for array empty."), std::string::npos) << log();
}

TEST_F(Arrays, DerivativesAreMissingWhereNoElementSuppliesOne) {
    RSKVARIABLE* usdcurve = curve(kRoleIr);
    ASSERT_EQ(add(usdcurve, "usd3y"), 1);           // not defined: the build fails on it
    EXPECT_EQ(build(usdcurve), 1);
    double first[3] = {50, 10, 20};
    double second[3] = {-5, -1, -2};
    for (int i = 0; i < 3; ++i) {
        variables_[static_cast<size_t>(i)].first_derivatives = &first[i];
        variables_[static_cast<size_t>(i)].second_derivatives = &second[i];
    }
    ASSERT_EQ(rskaryd(con, usdcurve, 1), 0);
    ASSERT_EQ(rskaryd(con, usdcurve, 2), 0);
    EXPECT_EQ(usdcurve->first_derivatives[0], 50);   // element order as given: not sorted
    EXPECT_EQ(usdcurve->second_derivatives[2], -2);
    EXPECT_TRUE(qor::is_missing(usdcurve->first_derivatives[3]));
    EXPECT_TRUE(qor::is_missing(usdcurve->second_derivatives[3]));
}

// The whole path: variables defined through rskvard out of maturity order, an IR curve over
// them, and the rebuild, which builds the array from the run's table of all variables.
TEST_F(Arrays, TheRebuildSortsACurveDefinedThroughTheEntryTable) {
    auto declare = [&](const char* name, uint32_t type, double maturity) {
        RSKVARDEF request{};
        request.name = name;
        request.name_length = -1;
        request.kind = RSKVKIND_FACTOR;
        request.data_type = type;
        request.role = kRoleIr;
        request.currency = "USD";
        request.currency_length = 3;
        request.maturity = maturity;
        request.maturity_unit = RSKUNIT_YEAR;
        request.scale = qor::missing();
        RSKVARIABLE* out = nullptr;
        EXPECT_EQ(call<EngineSlot::rskvard>()(con, &out, &request), 0) << name << log();
        return out;
    };
    declare("usd1y", kNum, 1);
    declare("usd5y", kNum, 5);
    declare("usd2y", kNum, 2);
    RSKVARIABLE* usdcurve = declare("usdcurve", RSKDTYPE_ARRAY, qor::missing());
    ASSERT_NE(usdcurve, nullptr);
    for (const char* element : {"usd5y", "usd1y", "usd2y"}) EXPECT_EQ(add(usdcurve, element), 0) << log();

    ASSERT_EQ(call<EngineSlot::rsk0>()(con), 0) << log();
    const std::vector<std::string> sorted = {"usd1y", "usd2y", "usd5y"};
    EXPECT_EQ(elements(usdcurve), sorted);
    EXPECT_EQ(names(usdcurve), sorted);
    EXPECT_EQ(maturities(usdcurve), (std::vector<double>{1, 2, 5}));

    // A second rebuild replaces the vectors without leaving the old ones behind.
    const size_t blocks = qor_pool_live_blocks(con->current_pool);
    ASSERT_EQ(call<EngineSlot::rsk0>()(con), 0) << log();
    EXPECT_EQ(qor_pool_live_blocks(con->current_pool), blocks);
    EXPECT_EQ(names(usdcurve), sorted);
}

TEST_F(Arrays, OutOfMemoryReportsOnceAndLinksNothing) {
    variable("usd1y", RSKVKIND_FACTOR, kNum, kRoleIr, "USD", 1);
    RSKVARIABLE* usdcurve = array("usdcurve", kRoleIr);
    EXPECT_GT(fail_each_allocation([&] { return add(usdcurve, "usd1y"); },
                                   [&] { return usdcurve->element_names_head == nullptr && usdcurve->element_count == 0; }), 0);
    EXPECT_EQ(names(usdcurve), std::vector<std::string>{"usd1y"});

    const size_t before = qor_pool_live_blocks(con->current_pool);
    EXPECT_EQ(fail_each_allocation([&] { return build(usdcurve); },
                                   [&] { return usdcurve->maturities == nullptr &&
                                                qor_pool_live_blocks(con->current_pool) <= before + 1; }), 2);
    EXPECT_EQ(maturities(usdcurve), std::vector<double>{1});
    EXPECT_EQ(fail_each_allocation([&] { return rskaryd(con, usdcurve, 1); },
                                   [&] { return usdcurve->first_derivatives == nullptr; }), 1);
    EXPECT_EQ(count_of(log(), "598/2797"), 1) << log();
}

}  // namespace
