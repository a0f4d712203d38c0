// The rebuild of the run-time view through the entry table: lists and reference maps, internal
// reference variables, exchange-rate pairs and cross rates with their values and listing, USE of
// a second spot variable, and lag grids that cannot be loaded.
#include <set>

#include "engine/model/symbols/symbol_table.h"
#include "engine/model/timegrids/time_grids.h"
#include "tests/engine/variables_fixture.h"

namespace {

enum : uint32_t { NUM = 1, ARRAY = 60, FACTOR = RSKVKIND_FACTOR, REFERENCE = RSKVKIND_REFERENCE };
enum : uint32_t { VAR = 301, IR = 321, IR_SPOT_GOV = 421, FX_SPOT = 441, IR_SHORT = 411 };

class Rebuild : public VariableEngine {
protected:
    // A spot rate from `from` to `currency` with a current value.
    RSKVARIABLE* spot(const char* name, const char* currency, const char* from, double* storage, double value) {
        RSKVARIABLE* v = nullptr;
        EXPECT_EQ(declare(Declare(name, FACTOR, NUM, FX_SPOT).currency(currency).from(from), &v), 0) << log();
        if (v != nullptr) give_value(v, storage, value);
        return v;
    }
    // The risk factor a reference map holds under a key; null when none.
    RSKVARIABLE* mapped(const char* map, const char* key) {
        RSKVARIABLE* reference = find(map);
        if (reference == nullptr || reference->value == nullptr) return nullptr;
        RSKNAMEREC rec = name_of(key);
        return static_cast<RSKVARIABLE*>(rsksym(con, static_cast<RSKSYMTAB*>(reference->value), &rec));
    }
    double rate(const char* a, const char* b) {
        RSKFXENTRY* entry = rskfx2(con, a, b);
        double value = 0;
        EXPECT_EQ(rskfxv(entry, &value), 0);
        return value;
    }
};

TEST_F(Rebuild, CrossRatesOverOneTwoAndThreeLegs) {
    double eur_usd, eur_jpy, gbp_eur, gbp_chf;
    spot("eurusd", "USD", "EUR", &eur_usd, 1.1);
    spot("eurjpy", "JPY", "EUR", &eur_jpy, 160.0);
    spot("gbpeur", "EUR", "GBP", &gbp_eur, 1.15);
    spot("gbpchf", "CHF", "GBP", &gbp_chf, 1.12);
    ASSERT_EQ(rebuild(), 0) << log();
    EXPECT_EQ(con->runtime_tables->currency_table.spot_pairs, 4);

    EXPECT_DOUBLE_EQ(rate("USD", "EUR"), 1.1);                     // direct
    EXPECT_DOUBLE_EQ(rate("EUR", "USD"), 1 / 1.1);                 // the direct pair inverted
    EXPECT_DOUBLE_EQ(rate("USD", "JPY"), 1.1 / 160.0);             // JPY -> EUR -> USD
    EXPECT_DOUBLE_EQ(rate("USD", "CHF"), 1.15 * 1.1 / 1.12);       // CHF -> GBP -> EUR -> USD
    EXPECT_DOUBLE_EQ(rate("CHF", "USD"), 1.12 / (1.15 * 1.1));
    EXPECT_EQ(rate("SEK", "SEK"), 1.0);
    EXPECT_TRUE(qor::is_missing(rate("USD", "SEK")));              // no path
    EXPECT_EQ(find("eurjpy")->needed_spot, 1);                     // rskfx2 marks its legs

    // A zero or missing leg makes the rate missing, never infinite.
    eur_jpy = 0;
    EXPECT_TRUE(qor::is_missing(rate("USD", "JPY")));
    eur_jpy = qor::missing();
    EXPECT_TRUE(qor::is_missing(rate("USD", "JPY")));

    EXPECT_EQ(engine_routine<EngineSlot::rskfxp>()(con), 0);
    std::string text = listing();
    EXPECT_NE(text.find("1/eurjpy * eurusd"), std::string::npos) << text;
    EXPECT_NE(text.find("Spot rate: eurusd"), std::string::npos) << text;
}

TEST_F(Rebuild, RebuildsReusePairsAndMakeInternalMapsOnce) {
    double v1, v2;
    spot("eurusd", "USD", "EUR", &v1, 1.1);
    spot("eurjpy", "JPY", "EUR", &v2, 160.0);
    ASSERT_EQ(rebuild(), 0) << log();
    rskfx2(con, "USD", "JPY");
    std::set<RSKFXENTRY*> first;
    for (RSKFXENTRY* e = con->runtime_tables->currency_table.pairs_head; e != nullptr; e = e->next) first.insert(e);
    const int count = con->variables_count;
    const std::string names = order();
    const size_t blocks = qor_pool_live_blocks(con->current_pool);
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(rebuild(), 0) << log();
        rskfx2(con, "USD", "JPY");
    }
    EXPECT_EQ(con->variables_count, count);   // the four standard maps are not made again
    EXPECT_EQ(order(), names);
    std::set<RSKFXENTRY*> later;
    for (RSKFXENTRY* e = con->runtime_tables->currency_table.pairs_head; e != nullptr; e = e->next) later.insert(e);
    EXPECT_EQ(later, first);                  // pair entries come back from their free list
    EXPECT_EQ(qor_pool_live_blocks(con->current_pool), blocks);   // a rebuild per statement does not grow
    EXPECT_EQ(count_of(order(), "RiskFactor "), 1);
    EXPECT_TRUE(consistent());
}

TEST_F(Rebuild, SecondSpotVariableReplacesTheFirstOnlyWhenUsed) {
    double a, b;
    RSKVARIABLE* first = spot("eurusd", "USD", "EUR", &a, 1.1);
    RSKVARIABLE* second = spot("eurusd2", "USD", "EUR", &b, 1.2);
    ASSERT_EQ(rebuild(), 0) << log();
    EXPECT_DOUBLE_EQ(rate("USD", "EUR"), 1.1);
    EXPECT_EQ(first->selected, 1);
    EXPECT_EQ(second->selected, 0);

    ASSERT_EQ(engine_routine<EngineSlot::rskvarm>()(con, second), 0) << log();
    EXPECT_EQ(con->variables_pending, 1);
    ASSERT_EQ(rebuild(), 0) << log();
    EXPECT_DOUBLE_EQ(rate("USD", "EUR"), 1.2);
    EXPECT_EQ(first->selected, 0);

    // USE takes only risk factors, and of those only spot exchange rates.
    RSKVARIABLE* ir = nullptr;
    ASSERT_EQ(declare(Declare("usd1y", FACTOR, NUM, IR).currency("USD").maturity(1), &ir), 0);
    EXPECT_EQ(engine_routine<EngineSlot::rskvarm>()(con, ir), 1);
    EXPECT_EQ(engine_routine<EngineSlot::rskvarm>()(con, find("InstType")), 1);
    EXPECT_EQ(count_of(log(), "598/1691"), 1);
    EXPECT_EQ(count_of(log(), "598/1690"), 1);
}

TEST_F(Rebuild, ReferenceMapsByNameRoleAndPair) {
    ASSERT_EQ(declare(Declare("usd1y", FACTOR, NUM, IR).currency("USD").maturity(1)), 0);
    ASSERT_EQ(declare(Declare("usdshort", FACTOR, NUM, IR_SHORT).currency("USD")), 0);
    ASSERT_EQ(declare(Declare("usdgov", FACTOR, ARRAY, IR_SPOT_GOV).currency("USD")), 0);
    ASSERT_EQ(declare(Declare("eurgov", FACTOR, ARRAY, IR_SPOT_GOV).currency("EUR")), 0);
    RSKVARIABLE* usd1y = find("usd1y");
    ASSERT_EQ(engine_routine<EngineSlot::rskvara>()(con, usd1y, "Benchmarks", -1, "ONEYEAR", -1), 0);
    // A user reference of role 721 with no map of its role's name gets a table of its own.
    ASSERT_EQ(declare(Declare("govcurve", REFERENCE, 104, 721).reference("usdgov")), 0) << log();
    rebuild();   // the arrays have no elements: that is the arrays' own fault, not the maps'
    EXPECT_EQ(count_of(log(), "598/163"), 0) << log();

    EXPECT_EQ(mapped("RiskFactor", "USD1Y"), usd1y);
    EXPECT_EQ(mapped("RF_Array", "usdgov"), find("usdgov"));
    EXPECT_EQ(mapped("IR_SHORT", "USD"), find("usdshort"));
    EXPECT_EQ(mapped("Benchmarks", "oneyear"), usd1y);
    EXPECT_EQ(mapped("govcurve", "USD"), find("usdgov"));
    EXPECT_EQ(mapped("govcurve", "EUR"), find("eurgov"));
    EXPECT_EQ(find("govcurve")->reference1, find("usdgov"));
    // The run's lists.
    const RSKRTBLOCK* rt = con->runtime_tables;
    EXPECT_EQ(rt->factor_count, 4 + 1);                    // and the system variable _date_
    EXPECT_EQ(rt->array_list.count, 2);
    EXPECT_EQ(rt->reference_count, 1);                     // internal maps not counted
    RSKNAMEREC name = name_of("USDGOV");
    EXPECT_EQ(rskvf(con, &name), find("usdgov"));

    // A second array of role 421 in one currency is refused in that role's map.
    ASSERT_EQ(declare(Declare("usdgov2", FACTOR, ARRAY, IR_SPOT_GOV).currency("USD")), 0);
    EXPECT_NE(rebuild(), 0);
    EXPECT_EQ(count_of(log(), "598/1636"), 1) << log();
    EXPECT_EQ(mapped("IR_SPOT_GOV", "USD"), find("usdgov"));
    // Maps made on demand go at the next rebuild and come back once.
    const int count = con->variables_count;
    rebuild();
    EXPECT_EQ(con->variables_count, count);
    EXPECT_TRUE(consistent());
}

TEST_F(Rebuild, FailuresOfOneVariableLeaveTheOthersBuilt) {
    ASSERT_EQ(declare(Declare("lagged", FACTOR, NUM, VAR).lag_grid("NOGRID")), 0) << log();
    ASSERT_EQ(declare(Declare("vola", FACTOR, NUM, 501).reference("nothere")), 0) << log();
    ASSERT_EQ(declare(Declare("after", FACTOR, NUM, VAR)), 0);
    EXPECT_EQ(rebuild(), 1);
    std::string text = log();
    EXPECT_EQ(count_of(text, "598/1633"), 1) << text;
    EXPECT_EQ(count_of(text, "598/1628"), 1) << text;
    RSKNAMEREC name = name_of("after");
    EXPECT_EQ(rskvf(con, &name), find("after"));
    EXPECT_EQ(con->runtime_tables->lagged_list.count, 0);
}

TEST_F(Rebuild, LagGridsAndVolatilitiesLinkTheirVariables) {
    RSKNAMEREC grid_name = name_of("LAGS3");
    RSKCATOBJ* object = nullptr;
    ASSERT_EQ(engine_routine<EngineSlot::rsktgdd>()(con, &object, &grid_name, nullptr, nullptr), 0) << log();
    auto* grid = static_cast<RSKTIMEGRID*>(object->object);
    for (double days : {1.0, 2.0, 3.0}) engine_routine<EngineSlot::rsktgda>()(con, grid, days, RSKUNIT_DAY);
    RSKVARIABLE* lagged = nullptr;
    ASSERT_EQ(declare(Declare("lagged", FACTOR, NUM, VAR).lag_grid("lags3"), &lagged), 0) << log();
    RSKVARIABLE* underlying = nullptr;
    RSKVARIABLE* vol = nullptr;
    ASSERT_EQ(declare(Declare("usd1y", FACTOR, NUM, IR).currency("USD").maturity(1), &underlying), 0);
    ASSERT_EQ(declare(Declare("usd1yvol", FACTOR, NUM, 501).reference("usd1y"), &vol), 0) << log();
    ASSERT_EQ(rebuild(), 0) << log();
    EXPECT_EQ(lagged->lag_grid, grid);
    EXPECT_EQ(lagged->element_count, 3 + 1);            // the current value and three lags
    EXPECT_EQ(lagged->storage_size, 8u * 3 + 8);
    EXPECT_EQ(con->runtime_tables->lagged_list.count, 1);
    EXPECT_EQ(underlying->reference1, vol);             // a rate finds its volatility
    EXPECT_EQ(vol->reference1, underlying);
}

TEST_F(Rebuild, CounterpartyNamesFindTheirVariable) {
    RSKVARIABLE* cpty = nullptr;
    ASSERT_EQ(declare(Declare("rating", RSKVKIND_COUNTERPARTY, 2, 901), &cpty), 0) << log();
    ASSERT_EQ(rebuild(), 0) << log();
    RSKNAMEREC name = name_of("RATING");
    EXPECT_EQ(rsksym(con, &con->runtime_tables->instrument_names, &name), cpty);
    EXPECT_EQ(cpty->flags4 & 0x20, 0x20);
}

}  // namespace
