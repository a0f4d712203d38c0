// Out of memory in instrument types and the catalog data set readers: each allocation fails in
// turn; the operation answers 1 after exactly one 598/2797 (a reader may then stop with
// 598/500), and lists, tables and counts still agree.
#include "engine/model/datasets/catalog_datasets_api.h"
#include "tests/engine/definitions_fixture.h"

namespace {

class DefinitionsMemory : public DefinitionsTest {
protected:
    // Fails allocation 1, 2, ... of op (after prepare, on a fresh control structure when asked)
    // until op no longer reaches the failing one. The number of failed runs.
    template <typename Prepare, typename Op>
    int fail_each_allocation(bool fresh, Prepare prepare, Op op) {
        for (long n = 1; n < 3000; ++n) {
            if (fresh || n == 1) {
                restart();
                prepare();
            }
            con->no_memory_reported = 0;
            const size_t before = log().size();
            qor_pool_fail_nth(n);
            const int rc = op();
            const long left = qor_pool_fail_nth(0);
            const std::string said = log().substr(before);
            if (left != 0) {
                EXPECT_EQ(rc, 0) << "allocation " << n << said;
                return static_cast<int>(n - 1);
            }
            EXPECT_EQ(rc, 1) << "allocation " << n << said;
            EXPECT_EQ(count_of(said, "598/2797"), 1) << "allocation " << n << said;
            EXPECT_TRUE(consistent()) << "allocation " << n;
        }
        ADD_FAILURE() << "the operation never ran out of allocations to fail";
        return -1;
    }
    // Every type of the list is in the table and the counts agree; the same for variables.
    bool consistent() {
        int types = 0;
        for (RSKINSTTYPE* t = con->memory_block->types_head; t != nullptr; t = t->next) {
            ++types;
            if (type(std::string(t->name.name.text, t->name.name.length).c_str()) != t) return false;
            int resolved = 0;
            for (const RSKVARLINK* l = t->resolved_head; l != nullptr; l = l->next) ++resolved;
            if (resolved != t->resolved_count) return false;
        }
        if (types != con->memory_block->types_count) return false;
        if (con->current_tables->tables[RSKTAB_INSTTYPES].count != types) return false;
        int variables = 0;
        for (RSKVARIABLE* v = con->variables_head; v != nullptr; v = v->next) {
            ++variables;
            if (variable(std::string(v->name.name.text, v->name.name.length).c_str()) != v) return false;
        }
        return variables == con->variables_count;
    }
    void declare_instrument_variables() {
        for (const char* n : {"coupon", "notional", "issuer"}) ASSERT_EQ(declare(n, 3, 1, 201), 0);
    }
};

TEST_F(DefinitionsMemory, TypeDefinitionAndInitialisation) {
    auto clsd = engine_routine<EngineSlot::rskclsd>();
    auto clsv = engine_routine<EngineSlot::rskclsv>();
    auto dflt = engine_routine<EngineSlot::rskdflt>();
    auto clsi = engine_routine<EngineSlot::rskclsi>();
    int runs = fail_each_allocation(true, [&] { declare_instrument_variables(); }, [&] {
        RSKINSTTYPE* t = nullptr;
        if (clsd(con, &t, "Bond", -1, "", 0, "a bond", -1, 0, 0, con->current_environment) != 0) return 1;
        for (const char* n : {"coupon", "notional", "issuer", "Currency"})
            if (clsv(con, t, n, -1) != 0) return 1;
        if (dflt(con, t, "coupon", -1, 0.05, nullptr, 0, 1) != 0) return 1;
        if (dflt(con, t, "issuer", -1, 0, "Treasury", -1, 2) != 0) return 1;
        return clsi(con, t);
    });
    EXPECT_GT(runs, 4);
}

TEST_F(DefinitionsMemory, EveryReader) {
    // The five data sets of a small environment, written once.
    declare_instrument_variables();
    ASSERT_EQ(declare("usd1y", 2, 1, 321, 0, "USD", 1), 0);
    ASSERT_EQ(declare("usd2y", 2, 1, 321, 0, "USD", 2), 0);
    ASSERT_EQ(declare("curve", 2, 60, 321, 0, "USD"), 0);
    for (const char* e : {"usd2y", "usd1y"}) ASSERT_EQ(engine_routine<EngineSlot::rskarya>()(con, variable("curve"), e, -1), 0);
    ASSERT_EQ(engine_routine<EngineSlot::rskvara>()(con, variable("usd1y"), "RiskFactor", -1, "one", -1), 0);
    ASSERT_EQ(engine_routine<EngineSlot::rskvarb>()(con, variable("usd2y"), "rates", -1), 0);
    RSKINSTTYPE* t = define_type("Bond");
    add_vars(t, {"coupon", "notional"});
    engine_routine<EngineSlot::rskdflt>()(con, t, "coupon", -1, 0.05, nullptr, 0, 1);
    engine_routine<EngineSlot::rskactd>()(con, t, 3, "Pbond", -1);
    ASSERT_EQ(engine_routine<EngineSlot::rskvarw>()(con, "DEFS", "vars", nullptr), 0);
    ASSERT_EQ(engine_routine<EngineSlot::rskaryw>()(con, "DEFS", "arrays", nullptr), 0);
    ASSERT_EQ(engine_routine<EngineSlot::rskclsw>()(con, "DEFS", "types", nullptr), 0);
    ASSERT_EQ(engine_routine<EngineSlot::rskrefw>()(con, "DEFS", "refs", nullptr), 0);
    ASSERT_EQ(engine_routine<EngineSlot::rskcatw>()(con, "DEFS", "cats", nullptr), 0);

    auto read_vars = [&] { return engine_routine<EngineSlot::rskvarr>()(con, "DEFS", "vars", nullptr); };
    EXPECT_GT(fail_each_allocation(true, [] {}, read_vars), 0);
    EXPECT_GT(fail_each_allocation(true, [&] { read_vars(); },
                                   [&] { return engine_routine<EngineSlot::rskaryr>()(con, "DEFS", "arrays", nullptr); }), 0);
    // The types reader ends with 598/1081 while the catalog cannot store types: only the
    // definitions are checked, through a reader that answers 0 once they all went in.
    auto read_types = [&] {
        engine_routine<EngineSlot::rskclsr>()(con, "DEFS", "types", nullptr);
        RSKINSTTYPE* bond = type("Bond");
        return bond != nullptr && bond->declared_count == 2 && bond->defaults_count == 1 && bond->price.defined &&
                       con->no_memory_reported == 0
                   ? 0
                   : 1;
    };
    EXPECT_GT(fail_each_allocation(true, [&] { read_vars(); }, read_types), 0);
    EXPECT_GT(fail_each_allocation(true, [&] { read_vars(); },
                                   [&] { return engine_routine<EngineSlot::rskrefr>()(con, "DEFS", "refs", nullptr); }), 0);
    EXPECT_GT(fail_each_allocation(true, [&] { read_vars(); },
                                   [&] { return engine_routine<EngineSlot::rskcatr>()(con, "DEFS", "cats", nullptr); }), 0);
}

}  // namespace
