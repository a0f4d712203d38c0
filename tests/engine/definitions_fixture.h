// A started engine with its temporary environment, a data set library DEFS in a scratch
// directory, a stand-in for the methods compiler's look-up (slot 262) that knows methods of
// kinds I, P and T, and short-hands for the slots of variables, types and catalog data sets.
#pragma once
#include <filesystem>
#include <map>
#include <string>

#include "engine/model/control/startup.h"
#include "engine/model/services/compiler.h"
#include "engine/model/types/instrument_types.h"
#include "engine/model/variables/variables.h"
#include "runtime/storage/libraries.h"
#include "runtime/core/step.h"
#include "tests/engine/dataset_writer.h"
#include "tests/engine/engine_fixture.h"

// Methods the stand-in knows: the name's first letter says the kind ("Iprep" input, "Pbond"
// pricing, "Tshift" transformation).
inline RSKGENTRANS* methods_double(RSKCON*, const RSKNAMEREC* name) {
    static std::map<std::string, RSKGENTRANS> methods;
    if (name == nullptr || name->length == 0) return nullptr;
    const char kind = name->text[0];
    if (kind != 'I' && kind != 'P' && kind != 'T') return nullptr;
    std::string key(name->text, name->length);
    RSKGENTRANS& method = methods[key];
    std::memcpy(method.name.buffer, key.data(), std::min<size_t>(key.size(), 32));
    method.name.name = RSKNAMEREC{32, static_cast<uint16_t>(std::min<size_t>(key.size(), 32)), method.name.buffer};
    method.kind = kind;
    return &method;
}

class DefinitionsTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        dir_ = std::filesystem::path(::testing::TempDir()) /
               ("defs_" + std::to_string(::getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
        ASSERT_EQ(qor::runtime::assign_library("DEFS", dir_.string(), "V9"), 0);
        start();
        slots_ = const_cast<void**>(wivget(381)->slots);
        saved_method_slot_ = slots_[262];
        slots_[262] = reinterpret_cast<void*>(&methods_double);
    }
    void TearDown() override {
        slots_[262] = saved_method_slot_;
        qor_pool_fail_nth(0);
        if (con != nullptr) engine_routine<EngineSlot::rskterm>()(con);
        con = nullptr;
        std::filesystem::remove_all(dir_);
        EngineTest::TearDown();
    }

    // A control structure with the temporary environment, as a procedure step sets it up.
    void start() {
        qor_step* step = qor::runtime::begin_step("ZOZU", "", 0, 1);
        ASSERT_EQ(engine_routine<EngineSlot::rskinit>()(&con, 0, 0, 0), 0) << log();
        qor::runtime::end_step(step);
        ASSERT_EQ(catalog_routine<CatalogSlot::rssenvt>()(con), 0);
    }
    // A second, fresh control structure in place of the first (for round trips).
    void restart() {
        engine_routine<EngineSlot::rskterm>()(con);
        con = nullptr;
        start();
    }

    // Defines a variable through rskvard: kind, data type, role, length; 0 or the result.
    int declare(const char* name, uint32_t kind, uint32_t type, uint32_t role, int length = 0,
                const char* currency = nullptr, double maturity = qor::missing()) {
        RSKVARDEF request{};
        request.name = name;
        request.name_length = -1;
        request.kind = kind;
        request.data_type = type;
        request.role = role;
        request.length = length;
        request.maturity = maturity;
        request.maturity_unit = 4;
        request.scale = qor::missing();
        if (currency != nullptr) {
            request.currency = currency;
            request.currency_length = -1;
        }
        request.environment = con->current_environment;
        return engine_routine<EngineSlot::rskvard>()(con, nullptr, &request);
    }
    RSKVARIABLE* variable(const char* name) {
        RSKNAMEREC key = name_of(name);
        return engine_routine<EngineSlot::rskvar>()(con, &key);
    }
    RSKINSTTYPE* define_type(const char* name, const char* base = "", int cash_flows = 0, int quadratic = 0) {
        RSKINSTTYPE* type = nullptr;
        EXPECT_EQ(engine_routine<EngineSlot::rskclsd>()(con, &type, name, -1, base, -1, "described", -1,
                                                        cash_flows, quadratic, con->current_environment), 0)
            << log();
        return type;
    }
    int add_vars(RSKINSTTYPE* type, std::initializer_list<const char*> names) {
        int rc = 0;
        for (const char* n : names) rc |= engine_routine<EngineSlot::rskclsv>()(con, type, n, -1);
        return rc;
    }
    int init(RSKINSTTYPE* type) { return engine_routine<EngineSlot::rskclsi>()(con, type); }
    RSKINSTTYPE* type(const char* name) { return engine_routine<EngineSlot::rskcls>()(con, name, -1); }

    // Text between the first occurrence of `from` and the end, for listing comparisons.
    std::string listing_since(size_t at) { return listing().substr(at); }

    RSKCON* con = nullptr;
    std::filesystem::path dir_;
    void** slots_ = nullptr;
    void* saved_method_slot_ = nullptr;
};
