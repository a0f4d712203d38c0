// Risk-factor categories and cross-classifications through the entry table: redefinition,
// members, the class-variable rules of hierarchies, listings and the out-of-memory paths.
#include "engine/model/categories/categories.h"
#include "tests/engine/environment_objects_fixture.h"

namespace {

constexpr uint32_t kNum = 1;
constexpr uint32_t kChar = 2;
constexpr uint8_t kClassVariable = 0x02;

class Categories : public EnvironmentObjects {
protected:
    RSKCATEGORY* define(const char* name) {
        RSKNAMEREC key = name_of(name);
        RSKCATEGORY* category = nullptr;
        EXPECT_EQ(call<EngineSlot::rskcatd>()(con, &key, &category), 0) << log();
        return category;
    }
    RSKCROSSCLASS* define_cross(const char* name) {
        RSKNAMEREC key = name_of(name);
        RSKCATOBJ* object = nullptr;
        EXPECT_EQ(call<EngineSlot::rskccsd>()(con, &object, &key, nullptr, nullptr), 0) << log();
        return object != nullptr ? static_cast<RSKCROSSCLASS*>(object->object) : nullptr;
    }
};

TEST_F(Categories, RedefinitionEmptiesTheMembersAndKeepsTheEntry) {
    RSKVARIABLE* rate = variable("usd1y", RSKVKIND_FACTOR, kNum, 321, "USD");
    RSKVARIABLE* spot = variable("eurusd", RSKVKIND_FACTOR, kNum, 441, "USD");
    RSKCATEGORY* rates = define("Rates");
    ASSERT_NE(rates, nullptr);
    EXPECT_EQ(call<EngineSlot::rskcata>()(con, rates, rate), 0);
    EXPECT_EQ(call<EngineSlot::rskcata>()(con, rates, spot), 0);
    EXPECT_EQ(rates->count, 2u);
    RSKCATEGORY* fx = define("Fx");
    call<EngineSlot::rskcata>()(con, fx, spot);

    call<EngineSlot::rskcatp>()(con);
    std::string text = listing();
    EXPECT_NE(text.find("598/2341 Risk factor categories: 2"), std::string::npos) << text;
    EXPECT_NE(text.find("The 2 Risk Factors: usd1y eurusd"), std::string::npos) << text;
    EXPECT_LT(text.find("1. Fx"), text.find("2. Rates")) << text;

    EXPECT_EQ(define("RATES"), rates);
    EXPECT_EQ(rates->count, 0u);
    EXPECT_EQ(rates->head, nullptr);
    RSKNAMEREC key = name_of("rates");
    EXPECT_EQ(call<EngineSlot::rskcat>()(con, &key), rates);
    EXPECT_EQ(con->object_tables->tables[RSKTAB_CATEGORIES].count, 2);

    EXPECT_EQ(call<EngineSlot::rskcatf>()(con), 0);
    EXPECT_EQ(con->object_tables->tables[RSKTAB_CATEGORIES].count, 0);
    EXPECT_EQ(call<EngineSlot::rskcat>()(con, &key), nullptr);
    call<EngineSlot::rskcatp>()(con);
    EXPECT_EQ(count_of(listing(), "598/2340"), 1);
    // Both records went back to the free list and are reused.
    RSKCATEGORY* reused = define("Again");
    EXPECT_TRUE(reused == rates || reused == fx);
}

TEST_F(Categories, HierarchiesAcceptClassVariablesInstIdAndWarnForInstrumentVariables) {
    variable("Region", RSKVKIND_INSTRUMENT, kChar)->role_flags = kClassVariable;
    variable("Desk", RSKVKIND_INSTRUMENT, kChar);
    variable("usd1y", RSKVKIND_FACTOR, kNum, 321, "USD");
    // InstID and ALtype are the system variables made when the environment opened.
    RSKCROSSCLASS* cross = define_cross("ByRegion");
    ASSERT_NE(cross, nullptr);
    RSKHIERARCHY* hierarchy = nullptr;
    ASSERT_EQ(call<EngineSlot::rskccsa>()(con, cross, &hierarchy), 0);

    struct Case { const char* name; int result; const char* message; };
    const Case cases[] = {
        {"region", 0, nullptr}, {"Desk", 0, "598/1164"}, {"INSTID", 0, nullptr},
        {"usd1y", 1, "598/1163"}, {"Nowhere", 1, "598/1162"},
    };
    int added = 0;
    for (const Case& c : cases) {
        const std::string before = log();
        RSKNAMEREC key = name_of(c.name);
        EXPECT_EQ(call<EngineSlot::rskhier>()(con, cross, hierarchy, &key, 1), c.result) << c.name;
        const std::string said = log().substr(before.size());
        if (c.message != nullptr) EXPECT_EQ(count_of(said, c.message), 1) << c.name << said;
        else EXPECT_EQ(count_of(said, "598/"), 0) << c.name << said;
        added += c.result == 0;
    }
    EXPECT_EQ(hierarchy->count, static_cast<uint32_t>(added));
    EXPECT_EQ(cross->has_altype, 0);

    RSKHIERARCHY* second = nullptr;
    ASSERT_EQ(call<EngineSlot::rskccsa>()(con, cross, &second), 0);
    RSKNAMEREC altype = name_of("altype");
    EXPECT_EQ(call<EngineSlot::rskhier>()(con, cross, second, &altype, 0), 0);
    EXPECT_EQ(cross->has_altype, 1);
    EXPECT_EQ(cross->count, 2u);

    call<EngineSlot::rskccsp>()(con, cross);
    const std::string text = listing();
    EXPECT_NE(text.find("Hierarchy: * region * Desk * INSTID"), std::string::npos) << text;
    EXPECT_NE(text.find("Hierarchy: altype"), std::string::npos) << text;

    // Redefined: no hierarchies, no flag, the same record on the same object.
    EXPECT_EQ(define_cross("byregion"), cross);
    EXPECT_EQ(cross->count, 0u);
    EXPECT_EQ(cross->head, nullptr);
    EXPECT_EQ(cross->has_altype, 0);
    RSKNAMEREC key = name_of("BYREGION");
    ASSERT_NE(call<EngineSlot::rskccs>()(con, &key), nullptr);
    EXPECT_EQ(call<EngineSlot::rskccs>()(con, &key)->object, cross);
}

// Every allocation of each routine fails in turn: 598/2797 once, result 1, nothing linked.
TEST_F(Categories, OutOfMemoryLinksNothing) {
    RSKVARIABLE* rate = variable("usd1y", RSKVKIND_FACTOR, kNum, 321, "USD");
    variable("Region", RSKVKIND_INSTRUMENT, kChar)->role_flags = kClassVariable;
    const RSKSYMTAB& table = con->object_tables->tables[RSKTAB_CATEGORIES];

    RSKNAMEREC name = name_of("Rates");
    RSKCATEGORY* category = nullptr;
    EXPECT_GT(fail_each_allocation([&] { return call<EngineSlot::rskcatd>()(con, &name, &category); },
                                   [&] { return category == nullptr && table.count == 0 &&
                                                call<EngineSlot::rskcat>()(con, &name) == nullptr; }), 0);
    ASSERT_NE(category, nullptr);
    EXPECT_EQ(table.count, 1);

    EXPECT_GT(fail_each_allocation([&] { return call<EngineSlot::rskcata>()(con, category, rate); },
                                   [&] { return category->count == 0 && category->head == nullptr; }), 0);
    EXPECT_EQ(category->count, 1u);

    RSKCROSSCLASS* cross = define_cross("ByRegion");
    ASSERT_NE(cross, nullptr);
    RSKHIERARCHY* hierarchy = nullptr;
    EXPECT_GT(fail_each_allocation([&] { return call<EngineSlot::rskccsa>()(con, cross, &hierarchy); },
                                   [&] { return cross->count == 0 && cross->head == nullptr && hierarchy == nullptr; }), 0);
    ASSERT_NE(hierarchy, nullptr);
    RSKNAMEREC region = name_of("Region");
    EXPECT_GT(fail_each_allocation([&] { return call<EngineSlot::rskhier>()(con, cross, hierarchy, &region, 0); },
                                   [&] { return hierarchy->count == 0 && hierarchy->head == nullptr; }), 0);
    EXPECT_EQ(hierarchy->count, 1u);
    EXPECT_EQ(count_of(log(), "598/2797"), 1) << log();
    EXPECT_EQ(con->error, 1u);
}

}  // namespace
