// A started engine for tests of environment objects: rskinit inside a step, the temporary
// environment opened through catalog storage, slot calls typed by the entry table, and variable
// records that a test enters into the variable tables by hand.
#pragma once
#include <deque>

#include "engine/model/variables/variable_record.h"
#include "engine/model/currencies/currency_table.h"
#include "runtime/core/step.h"
#include "tests/engine/engine_fixture.h"

class EnvironmentObjects : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        qor_step* step = qor::runtime::begin_step("ZOZU", "", 0, 1);
        int rc = engine_routine<EngineSlot::rskinit>()(&con, 0, 0, 0);
        qor::runtime::end_step(step);
        ASSERT_EQ(rc, 0) << log();
        ASSERT_EQ(catalog_routine<CatalogSlot::rssenvt>()(con), 0) << log();
    }
    void TearDown() override {
        qor_pool_fail_nth(0);
        if (con != nullptr) engine_routine<EngineSlot::rskterm>()(con);
        EngineTest::TearDown();
    }

    template <EngineSlot S>
    static engine_slot_t<S> call() { return engine_routine<S>(); }

    // A variable record of the test, entered in the environment's variable table and, for the
    // run's view, in the table of all variables.
    RSKVARIABLE* variable(const char* name, uint32_t kind, uint32_t data_type, uint32_t role = 0,
                          const char* currency = "   ", double maturity_time = 0) {
        RSKVARIABLE& v = variables_.emplace_back();
        std::memset(static_cast<void*>(&v), 0, sizeof v);
        call<EngineSlot::rskname>()(con, &v.name, name, -1);
        v.kind = kind;
        v.data_type = data_type;
        v.role = role;
        std::memcpy(v.currency, currency, 3);
        std::memset(v.from_currency, ' ', 3);
        v.maturity_time = maturity_time;
        call<EngineSlot::rsksymd>()(con, &con->current_tables->tables[RSKTAB_VARIABLES], &v.name.name, &v);
        call<EngineSlot::rsksymd>()(con, &con->runtime_tables->variables, &v.name.name, &v);
        return &v;
    }

    // Fails each allocation of `op` in turn (the first, then the second, ...) until it runs
    // without reaching the failing one. Each failed run must answer 1 and leave `consistent`
    // true; the run that succeeds must answer 0. Answers the number of failed runs.
    template <typename Op, typename Check>
    int fail_each_allocation(Op op, Check consistent) {
        for (long n = 1; n < 1000; ++n) {
            qor_pool_fail_nth(n);
            const int rc = op();
            const long left = qor_pool_fail_nth(0);
            if (left != 0) {
                EXPECT_EQ(rc, 0) << "allocation " << n << log();
                return static_cast<int>(n - 1);
            }
            EXPECT_EQ(rc, 1) << "allocation " << n;
            EXPECT_TRUE(consistent()) << "allocation " << n;
        }
        ADD_FAILURE() << "the routine never ran out of allocations to fail";
        return -1;
    }

    RSKCON* con = nullptr;
    std::deque<RSKVARIABLE> variables_;
};
