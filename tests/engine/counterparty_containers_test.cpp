// The counterparty and mitigation containers through the entry table: super-types pass their
// method, model and variables on, and freeing a container gives back every block it took.
#include <cstring>
#include <string>

#include "common/files/dataset.h"
#include "common/files/utilfile.h"
#include "common/hash/hash_table.h"
#include "engine/tables/counterparty_records.h"
#include "tests/engine/engine_fixture.h"

namespace {

class CounterpartyContainers : public EngineTest {
protected:
    qor_pool* pool() { return con_.object_pool; }
    char* pool_text(const char* text) {
        auto* copy = static_cast<char*>(pool()->allocate(pool(), std::strlen(text) + 1, QOR_ALLOC_ZERO));
        std::memcpy(copy, text, std::strlen(text) + 1);
        return copy;
    }

    // A variable entered in a table under its own name.
    RSKCPTYVAR* add_var(hash_table* table, const char* name, int32_t role) {
        RSKCPTYVAR* v = engine_routine<EngineSlot::new_cpty_var>()(pool(), name, nullptr, RSKCPTYVT_NUMERIC, role,
                                                                  role == RSKCPTYROLE_OUTPUT ? 0 : -1, nullptr);
        EXPECT_NE(v, nullptr);
        EXPECT_EQ(hash_insert(table, create_hash_item(pool(), v->name, v)), HASH_INSERTED);
        return v;
    }
};

TEST_F(CounterpartyContainers, SuperTypeAndFreeingEverything) {
    const size_t before = qor_pool_live_blocks(pool());
    RSKCPTYCON* c = engine_routine<EngineSlot::new_cpty_con>()(pool());
    ASSERT_NE(c, nullptr);
    ASSERT_NE(c->catalog, nullptr);
    EXPECT_EQ(std::string(c->catalog->name.buffer, c->catalog->name.name.length), "RSKCPTYCON");
    EXPECT_EQ(c->catalog->kind, 26);
    c->variables = new_hash_table(pool(), 4);
    c->types = new_hash_table(pool(), 10);
    RSKCPTYVAR* rating = add_var(c->variables, "RATING", RSKCPTYROLE_INPUT);
    RSKCPTYVAR* pd = add_var(c->variables, "_PD_", RSKCPTYROLE_OUTPUT);

    RSKCPTYMODEL* model = engine_routine<EngineSlot::new_cpty_model>()(pool(), nullptr, 6, "MERTON", 0, nullptr);
    RSKCPTYTYPE* corp =
        engine_routine<EngineSlot::new_cpty_type>()(pool(), "CORP", "CORPSCORE", model, "Corporates", 4);
    RSKCPTYTYPE* bank = engine_routine<EngineSlot::new_cpty_type>()(pool(), "BANK", nullptr, nullptr, nullptr, 4);
    ASSERT_TRUE(corp && bank);
    hash_insert(corp->variables, create_hash_item(pool(), rating->name, rating));
    hash_insert(corp->variables, create_hash_item(pool(), pd->name, pd));
    hash_insert(bank->variables, create_hash_item(pool(), pd->name, pd));
    bank->variable_count = 1;
    ASSERT_EQ(engine_routine<EngineSlot::cpty_add_super>()(pool(), corp, bank), 0);
    EXPECT_EQ(bank->super, corp);
    EXPECT_STREQ(bank->method, "CORPSCORE");
    ASSERT_NE(bank->model, nullptr);
    EXPECT_STREQ(bank->model->model, "MERTON");
    EXPECT_NE(bank->model, corp->model);          // each type owns its model
    EXPECT_EQ(bank->variables->item_count, 2u);
    EXPECT_EQ(bank->variable_count, 3);           // both of the base's count, the one held again too
    EXPECT_EQ(engine_routine<EngineSlot::cpty_add_super>()(pool(), nullptr, bank), 0);
    EXPECT_EQ(engine_routine<EngineSlot::cpty_add_super>()(pool(), corp, nullptr), 1);
    hash_insert(c->types, create_hash_item(pool(), corp->name, corp));
    hash_insert(c->types, create_hash_item(pool(), bank->name, bank));

    // A data set (its texts copies in the pool, as the statements make them) with its own column
    // copies.
    dataset* input = new_dataset(pool(), pool_text("WORK"), pool_text("CPTY"), DATASET_READ);
    utilfile* output = new_utilfile(pool(), "WORK", "CPTY", UTILFILE_WRITE);
    RSKCPTYDS* set = engine_routine<EngineSlot::new_cpty_ds>()(pool(), "CD", input, output, 10);
    ASSERT_NE(set, nullptr);
    add_var(set->columns, "RATING", RSKCPTYROLE_INPUT);
    c->datasets = new_hash_table(pool(), 10);
    hash_insert(c->datasets, create_hash_item(pool(), set->name, set));

    ASSERT_EQ(engine_routine<EngineSlot::delete_cpty_con>()(pool(), c), 0);
    EXPECT_EQ(qor_pool_live_blocks(pool()), before);
}

TEST_F(CounterpartyContainers, MitigationSuperTypeAndCatalogName) {
    RSKMITIGATIONCON* m = engine_routine<EngineSlot::new_mit_con>()(pool());
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(std::string(m->catalog->name.buffer, m->catalog->name.name.length), "RSKMITIGATIONCON");
    EXPECT_EQ(m->catalog->kind, 27);
    RSKMITTYPE* guar = engine_routine<EngineSlot::new_mit_type>()(pool(), "GUAR", "GUARANTEE", nullptr, 4);
    RSKMITTYPE* coll = engine_routine<EngineSlot::new_mit_type>()(pool(), "COLL", nullptr, "Collateral", 4);
    ASSERT_TRUE(guar && coll);
    RSKMITVAR* haircut = engine_routine<EngineSlot::new_mit_var>()(pool(), "HAIRCUT", nullptr, RSKCPTYVT_NUMERIC,
                                                                  RSKCPTYROLE_INPUT, -1, nullptr);
    hash_insert(guar->variables, create_hash_item(pool(), haircut->name, haircut));
    ASSERT_EQ(engine_routine<EngineSlot::mit_add_super>()(pool(), guar, coll), 0);
    EXPECT_STREQ(coll->method, "GUARANTEE");
    EXPECT_NE(hash_query(coll->variables, "HAIRCUT"), nullptr);
    // The creation entries refuse what they need and do not get.
    EXPECT_EQ(engine_routine<EngineSlot::new_mit_type>()(pool(), nullptr, nullptr, nullptr, 4), nullptr);
    EXPECT_EQ(engine_routine<EngineSlot::new_mit_ds>()(pool(), "MD", nullptr, 4), nullptr);
    EXPECT_EQ(engine_routine<EngineSlot::new_cpty_var>()(nullptr, "X", nullptr, 0, 0, 0, nullptr), nullptr);
}

}  // namespace
