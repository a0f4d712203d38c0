// A started engine for the tests of variables: rskinit inside a step, the temporary environment
// through the catalog (which makes the system variables and runs the first rebuild), rskterm at
// the end; and a definition request that tests fill field by field.
#pragma once
#include <string>

#include "engine/model/currencies/currency_table.h"
#include "engine/model/fx/fx_matrix.h"
#include "engine/model/variables/variables.h"
#include "host/missing.h"
#include "runtime/core/step.h"
#include "tests/engine/engine_fixture.h"

// A request with every text NUL-terminated and no maturity or scale.
struct Declare {
    RSKVARDEF request{};
    // Role 0 takes the plain role of the kind (VAR, or COMPUTED for outputs).
    explicit Declare(const char* name, uint32_t kind = RSKVKIND_FACTOR, uint32_t type = 1, uint32_t role = 0) {
        if (role == 0) role = kind == RSKVKIND_INSTRUMENT ? 201 : kind == RSKVKIND_OUTPUT ? 204 : 301;
        request.name = name;
        request.name_length = -1;
        request.kind = kind;
        request.data_type = type;
        request.role = role;
        request.maturity = qor::missing();
        request.scale = qor::missing();
    }
    Declare& length(int n) { request.length = n; return *this; }
    Declare& format(const char* text) { request.format = text; request.format_length = -1; return *this; }
    Declare& currency(const char* code) { request.currency = code; request.currency_length = -1; return *this; }
    Declare& from(const char* code) { request.from_currency = code; request.from_currency_length = -1; return *this; }
    Declare& maturity(double value, uint32_t unit = 4) { request.maturity = value; request.maturity_unit = unit; return *this; }
    Declare& reference(const char* name) { request.reference1 = name; request.reference1_length = -1; return *this; }
    Declare& lag_grid(const char* name) { request.lag_grid = name; request.lag_grid_length = -1; return *this; }
    Declare& label(const char* text) { request.label = text; request.label_length = -1; return *this; }
    Declare& scale(double value) { request.scale = value; return *this; }
};

class VariableEngine : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        step_ = qor::runtime::begin_step("ZOZU", "", 0, 1);
        ASSERT_EQ(engine_routine<EngineSlot::rskinit>()(&con, 0, 0, 0), 0) << log();
        ASSERT_EQ(catalog_routine<CatalogSlot::rssenvt>()(con), 0) << log();
    }
    void TearDown() override {
        qor_pool_fail_nth(0);
        if (con != nullptr) engine_routine<EngineSlot::rskterm>()(con);
        qor::runtime::end_step(step_);
        EngineTest::TearDown();
    }

    // Defines through the entry table: the result; *out gets the record.
    int declare(const Declare& d, RSKVARIABLE** out = nullptr) {
        RSKVARIABLE* v = nullptr;
        int rc = engine_routine<EngineSlot::rskvard>()(con, &v, &d.request);
        if (out != nullptr) *out = v;
        return rc;
    }
    RSKVARIABLE* find(const char* name) {
        RSKNAMEREC rec = name_of(name);
        return engine_routine<EngineSlot::rskvar>()(con, &rec);
    }
    int rebuild() { return engine_routine<EngineSlot::rsk0>()(con); }

    // The variables in definition order, by name.
    std::string order() {
        std::string names;
        for (RSKVARIABLE* v = con->variables_head; v != nullptr; v = v->next)
            names += std::string(v->name.name.text, v->name.name.length) + " ";
        return names;
    }
    // Table, list and count agree: every listed record is found under its name, once.
    bool consistent() {
        int n = 0;
        for (RSKVARIABLE* v = con->variables_head; v != nullptr; v = v->next) {
            ++n;
            if (find(std::string(v->name.name.text, v->name.name.length).c_str()) != v) return false;
            if (v->next == nullptr && v != con->variables_tail) return false;
        }
        return n == con->variables_count;
    }
    // Sets a numeric value storage for a variable (outside a run it has none).
    void give_value(RSKVARIABLE* v, double* storage, double value) {
        *storage = value;
        v->value = storage;
    }

    RSKCON* con = nullptr;
    qor_step* step_ = nullptr;
};
