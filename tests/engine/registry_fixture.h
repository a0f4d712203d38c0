// A control structure with its code registries, role and type tables and options built as
// start-up builds them, for the tests of registries, options and the audit log.
#pragma once
#include <memory>
#include <string>

#include "engine/model/registries/code_registries.h"
#include "engine/model/options/engine_options.h"
#include "engine/model/registries/role_combinations.h"
#include "tests/engine/engine_fixture.h"

class RegistryTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        ASSERT_EQ(get_codes(&con_), 0);
        roles_ = std::make_unique<RSKROLETYPES>();
        con_.role_types = roles_.get();
        ASSERT_EQ(get_roles(&con_), 0);
        options_ = std::make_unique<RSKOPTIONS>();
        con_.options = options_.get();
        ASSERT_EQ(default_options(&con_), 0);
    }

    // The text a code-to-text routine hands back.
    static std::string text_of(int length, const char* text) {
        return std::string(text, static_cast<size_t>(length));
    }

    std::unique_ptr<RSKROLETYPES> roles_;
    std::unique_ptr<RSKOPTIONS> options_;
};
