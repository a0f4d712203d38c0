// The pricing tests' fixture: a started engine with the definitions of the pricing run stand-in
// (tests/engine/pricing_run.h), GENERIC on, and the run given back after each test.
#pragma once
#include "host/options.h"
#include "tests/engine/definitions_fixture.h"
#include "tests/engine/pricing_run.h"

class PricingHarness : public DefinitionsTest {
protected:
    void SetUp() override {
        DefinitionsTest::SetUp();
        xoptbst("GENERIC", 1);
        ASSERT_EQ(run_.define(con), 0) << log();
    }
    void TearDown() override {
        run_.finish();
        xoptbst("GENERIC", 0);
        DefinitionsTest::TearDown();
    }
    // A fresh run of the same definitions: the old run's compile and storage given back.
    void restart_run() { run_.finish(); }
    void prepare(int papc, int states, const std::vector<std::string>& main, const std::vector<std::string>& inst_init = {}) {
        ASSERT_EQ(run_.prepare(papc, states, main, inst_init), 0) << log();
    }
    RSKRUNBLOCK* run() { return run_.run(); }
    RSKPRICERUN& pricing() { return run_.pricing(); }
    RSKVARIABLE* variable(const char* name) { return run_.variable(name); }

    PricingRun run_;
};
