// Time grids and models through the entry table: unit conversion against hand-computed years,
// point order, the times array, redefinition, listings, and the out-of-memory paths.
#include <cmath>

#include "engine/model/models/models.h"
#include "engine/model/timegrids/time_grids.h"
#include "tests/engine/environment_objects_fixture.h"

namespace {

class TimeGrids : public EnvironmentObjects {
protected:
    RSKTIMEGRID* define(const char* name) {
        RSKNAMEREC key = name_of(name);
        RSKCATOBJ* object = nullptr;
        EXPECT_EQ(call<EngineSlot::rsktgdd>()(con, &object, &key, nullptr, nullptr), 0) << log();
        return object != nullptr ? static_cast<RSKTIMEGRID*>(object->object) : nullptr;
    }
    static std::vector<double> times(const RSKTIMEGRID* grid) {
        return std::vector<double>(grid->times, grid->times + grid->times_allocated);
    }
};

TEST_F(TimeGrids, UnitsConvertToYears) {
    struct Case { double value; uint32_t unit; double years; };
    const Case cases[] = {
        {365.25, RSKUNIT_DAY, 1.0},  {1, RSKUNIT_WEEK, 7 / 365.25}, {18, RSKUNIT_MONTH, 1.5},
        {2.5, RSKUNIT_YEAR, 2.5},    {8766, RSKUNIT_HOUR, 1.0},     {3, RSKUNIT_UNKNOWN, 3.0},
    };
    for (const Case& c : cases) {
        RSKTIMEPOINT point{};
        EXPECT_DOUBLE_EQ(rsktime(con, &point, c.value, c.unit), c.years) << c.value << " unit " << c.unit;
        EXPECT_EQ(point.unit, c.unit);
        EXPECT_EQ(point.value, c.value);
        EXPECT_DOUBLE_EQ(point.time, c.years);
    }
}

TEST_F(TimeGrids, PointsAreOrderedByTimeAndEqualTimesKeepTheirOrder) {
    RSKTIMEGRID* grid = define("Buckets");
    ASSERT_NE(grid, nullptr);
    auto add = call<EngineSlot::rsktgda>();
    EXPECT_EQ(add(con, grid, 1, RSKUNIT_YEAR), 0);
    EXPECT_EQ(add(con, grid, 6, RSKUNIT_MONTH), 0);
    EXPECT_EQ(add(con, grid, 30, RSKUNIT_DAY), 0);
    ASSERT_EQ(call<EngineSlot::rsktgde>()(con, grid), 0);
    const std::vector<double> expected = {0, 30 / 365.25, 0.5, 1};
    ASSERT_EQ(times(grid).size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) EXPECT_NEAR(times(grid)[i], expected[i], 1e-15) << i;
    EXPECT_NEAR(times(grid)[1], 0.0821355, 1e-7);

    // 12 months and 1 week equal points already there: each goes after its equal.
    EXPECT_EQ(add(con, grid, 12, RSKUNIT_MONTH), 0);
    EXPECT_EQ(add(con, grid, 7, RSKUNIT_DAY), 0);
    EXPECT_EQ(add(con, grid, 1, RSKUNIT_WEEK), 0);
    EXPECT_EQ(add(con, grid, -2, RSKUNIT_DAY), 0);   // reported and kept, first
    EXPECT_EQ(count_of(log(), "598/1190"), 1) << log();
    std::vector<std::pair<double, uint32_t>> order;
    for (const RSKTIMEPOINT* p = grid->head; p != nullptr; p = p->next) order.emplace_back(p->value, p->unit);
    const std::vector<std::pair<double, uint32_t>> wanted = {
        {-2, RSKUNIT_DAY}, {7, RSKUNIT_DAY}, {1, RSKUNIT_WEEK}, {30, RSKUNIT_DAY},
        {6, RSKUNIT_MONTH}, {1, RSKUNIT_YEAR}, {12, RSKUNIT_MONTH}};
    EXPECT_EQ(order, wanted);
    EXPECT_EQ(grid->count, 7u);
    EXPECT_EQ(grid->tail->value, 12);

    // Built again, the array follows the new count.
    ASSERT_EQ(call<EngineSlot::rsktgde>()(con, grid), 0);
    EXPECT_EQ(grid->times_allocated, 8u);
    EXPECT_NEAR(grid->times[1], -2 / 365.25, 1e-15);
}

TEST_F(TimeGrids, RedefinitionEmptiesTheGridOnItsObjectAndTheListingShowsThePoints) {
    RSKTIMEGRID* grid = define("Lags");
    call<EngineSlot::rsktgda>()(con, grid, 2, RSKUNIT_WEEK);
    call<EngineSlot::rsktgda>()(con, grid, 1, RSKUNIT_DAY);
    call<EngineSlot::rsktgde>()(con, grid);
    RSKNAMEREC key = name_of("LAGS");
    RSKCATOBJ* object = call<EngineSlot::rsktgd>()(con, &key);
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(object->object, grid);

    call<EngineSlot::rsktgdp>()(con, grid);
    const std::string text = listing();
    EXPECT_EQ(count_of(text, "598/2266"), 1) << text;
    EXPECT_NE(text.find("Number of time points: 2"), std::string::npos) << text;
    EXPECT_EQ(count_of(text, "598/2268"), 2);
    EXPECT_LT(text.find("1. 1 Day"), text.find("2. 2 Week")) << text;

    RSKTIMEGRID* again = define("lags");
    EXPECT_EQ(again, grid);
    EXPECT_EQ(grid->count, 0u);
    EXPECT_EQ(grid->head, nullptr);
    EXPECT_EQ(grid->times, nullptr);
    EXPECT_EQ(std::string(grid->name.name.text, grid->name.name.length), "lags");
    call<EngineSlot::rsktgdf>()(con, grid);
    EXPECT_EQ(con->free_lists->time_grids, grid);
}

TEST_F(TimeGrids, OutOfMemoryFailsOnceWithNothingAdded) {
    RSKTIMEGRID* grid = define("Grid");
    ASSERT_NE(grid, nullptr);
    auto add = [&] { return call<EngineSlot::rsktgda>()(con, grid, 1, RSKUNIT_YEAR); };
    EXPECT_GT(fail_each_allocation(add, [&] { return grid->count == 0 && grid->head == nullptr; }), 0);
    EXPECT_EQ(grid->count, 1u);
    auto build = [&] { return call<EngineSlot::rsktgde>()(con, grid); };
    EXPECT_GT(fail_each_allocation(build, [&] { return grid->times == nullptr && grid->times_allocated == 0; }), 0);
    EXPECT_EQ(grid->times[1], 1);
    EXPECT_EQ(count_of(log(), "598/2797"), 1) << log();
}

class Models : public EnvironmentObjects {};

TEST_F(Models, ARedefinitionKeepsTheFirstRecordAndRenewsItsDescription) {
    auto define = call<EngineSlot::rskmodd>();
    RSKNAMEREC first = name_of("first text");
    RSKNAMEREC second = name_of("second text");
    RSKMODEL* model = nullptr;
    RSKMODEL* again = nullptr;
    RSKMODEL* spec = nullptr;
    ASSERT_EQ(define(con, "Garch", -1, 4, &first, &model), 0);
    ASSERT_EQ(define(con, "garchXX", 5, 4, &second, &again), 0);
    ASSERT_EQ(define(con, "Garch", -1, kRskModelSpecKind, &first, &spec), 0);
    EXPECT_EQ(again, model);
    EXPECT_NE(spec, model);
    EXPECT_EQ(std::string(model->properties.description, model->properties.description_length), "second text");
    EXPECT_EQ(model->origin, 1u);
    EXPECT_EQ(model->environment, con->current_environment);

    RSKNAMEREC key = name_of("GARCH");
    EXPECT_EQ(call<EngineSlot::rskmod>()(con, &key), model);
    EXPECT_EQ(call<EngineSlot::rskmsp>()(con, &key), spec);

    // An inherited record redefined here becomes "inherited and redefined".
    model->origin = 2;
    model->environment = nullptr;
    ASSERT_EQ(define(con, "Garch", -1, 4, nullptr, nullptr), 0);
    EXPECT_EQ(model->origin, 3u);
    EXPECT_EQ(model->environment, con->current_environment);
}

TEST_F(Models, ListingsCountTheirOwnKindOnly) {
    call<EngineSlot::rskmodp>()(con, 4);
    EXPECT_EQ(count_of(listing(), "598/"), 1) << listing();
    EXPECT_EQ(count_of(listing(), "598/2275"), 1);

    RSKNAMEREC text = name_of("Two regimes");
    call<EngineSlot::rskmodd>()(con, "Switch", -1, 4, &text, nullptr);
    call<EngineSlot::rskmodd>()(con, "Arma", -1, 4, nullptr, nullptr);
    call<EngineSlot::rskmodp>()(con, 4);
    call<EngineSlot::rskmodp>()(con, kRskModelSpecKind);
    const std::string out = listing();
    EXPECT_NE(out.find("598/2277 Models: 2"), std::string::npos) << out;
    EXPECT_EQ(count_of(out, "598/2279"), 2);
    EXPECT_NE(out.find("Switch  Two regimes"), std::string::npos) << out;
    EXPECT_NE(out.find("WORK.Switch.MODPARMS"), std::string::npos) << out;
    EXPECT_EQ(count_of(out, "598/2276"), 1);
}

TEST_F(Models, OutOfMemoryLeavesNoRecord) {
    RSKNAMEREC key = name_of("Garch");
    RSKMODEL* model = nullptr;
    auto define = [&] { return call<EngineSlot::rskmodd>()(con, "Garch", -1, 4, nullptr, &model); };
    EXPECT_GT(fail_each_allocation(define, [&] {
        return model == nullptr && call<EngineSlot::rskmod>()(con, &key) == nullptr &&
               con->object_tables->tables[RSKTAB_MODELS].count == 0; }), 0);
    EXPECT_EQ(count_of(log(), "598/2797"), 1) << log();
    EXPECT_EQ(call<EngineSlot::rskmod>()(con, &key), model);
}

}  // namespace
