// GET_FX_SPOT run by compiled programs: the base currency in any letter case, the caller's text
// left as written, and a currency without a rate up to the per-run cap.
#include <cstring>
#include <string>

#include "engine/model/arrays/arrays.h"
#include "engine/model/variables/variable_record.h"
#include "engine/model/variables/variables.h"
#include "engine/run/run_block.h"

#include "tests/engine/builtins_fixture.h"

class FxBuiltinTest : public BuiltinCallTest {};

TEST_F(FxBuiltinTest, TheBaseCurrencyIsOneAndTheTextStaysAsWritten) {
    // Outside a run the base currency is USD.
    cmp_instance* instance = build({"c = 'usd';", "x = GET_FX_SPOT(c);", "y = GET_FX_SPOT('Usd');"});
    ASSERT_NE(instance, nullptr) << log();
    ASSERT_EQ(cmpfrun(instance, 1), CMP_RUN_OK) << log();
    EXPECT_EQ(*number(instance, "X"), 1.0);
    EXPECT_EQ(*number(instance, "Y"), 1.0);
    char text[16];
    cmptext(instance, symbol("C"), text, sizeof text);
    EXPECT_STREQ(text, "usd");
}

TEST_F(FxBuiltinTest, ACurrencyWithoutARateIsMissingAndReportedUpToTheCap) {
    // EUR is a currency of the built-in table; no exchange rate links it to USD.
    std::memset(&con->run_block->builtins, 0, sizeof con->run_block->builtins);
    cmp_instance* instance = build({"do i = 1 to 41; x = GET_FX_SPOT('EUR'); end;", "y = GET_FX_SPOT('EUR');"});
    ASSERT_NE(instance, nullptr) << log();
    ASSERT_EQ(cmpfrun(instance, 1), CMP_RUN_OK) << log();
    EXPECT_TRUE(qor::is_missing(*number(instance, "X")));
    EXPECT_TRUE(qor::is_missing(*number(instance, "Y")));
    const std::string text = log();
    EXPECT_EQ(count_of(text, "670/3808"), 40) << text;
    EXPECT_EQ(count_of(text, "598/1739"), 1) << text;
}

// REGISTER_FX by a reference variable whose pair "EUR:USD" names the curve: the registration
// holds for the block's current position only, and a refused call registers nothing.
class FxRegistrationTest : public BuiltinCallTest {
protected:
    void SetUp() override {
        BuiltinCallTest::SetUp();
        ASSERT_EQ(declare(Declare("EURUSD", RSKVKIND_FACTOR, RSKDTYPE_ARRAY, 341).currency("USD").from("EUR")), 0) << log();
        curve_ = find("EURUSD");
        ASSERT_EQ(declare(Declare("FX1Y", RSKVKIND_FACTOR, 1, 341).currency("USD").from("EUR").maturity(1)), 0) << log();
        ASSERT_EQ(rskarya(con, curve_, "FX1Y", -1), 0) << log();
        ASSERT_EQ(declare(Declare("FXREF", RSKVKIND_REFERENCE, RSKDTYPE_ARRAY, 301)), 0) << log();
        ASSERT_EQ(rskvara(con, curve_, "FXREF", -1, "EUR:USD", -1), 0) << log();
        ASSERT_EQ(rebuild(), 0) << log();
        RSKRUNBLOCK* run = con->run_block;
        std::memset(&run->builtins, 0, sizeof run->builtins);
        run->cashflow_sections = 1;
        std::memcpy(run->valuation.currency, "EUR", 3);
        std::memcpy(run->currency, "USD", 3);
        run->pricing.positions_read = 5;
        run_.programs = records_;
    }
    void TearDown() override {
        close();
        run_.programs = nullptr;
        con->run_block->cashflow_sections = 0;
        BuiltinCallTest::TearDown();
    }
    RSKVARIABLE* curve_ = nullptr;
    RSKPROGRECORD records_[2] = {};
};

TEST_F(FxRegistrationTest, TheCurveHoldsForTheBlockAndPositionThatRegisteredIt) {
    handle_.execution_blocks = run_.execution_blocks = 2;
    ASSERT_NE(build({"call REGISTER_FX('FXREF', 'eur');"}, 2), nullptr) << log();
    cmp_instance* second = cmpinsb(handle_.compilation.program, 1);
    ASSERT_NE(second, nullptr);
    ASSERT_EQ(cmpfrun(second, 1), CMP_RUN_OK) << log();
    EXPECT_EQ(rskbif_registered_fx(con, 1), curve_);
    EXPECT_EQ(rskbif_registered_fx(con, 0), nullptr);   // the other block converts by the rate
    // The next instrument registers nothing: it converts by the state's rate.
    con->run_block->pricing.positions_read = 6;
    EXPECT_EQ(rskbif_registered_fx(con, 1), nullptr);
}

TEST_F(FxRegistrationTest, RefusedRegistrationsLeaveNothingRegistered) {
    const struct {
        const char* statement;
        const char* own;             // the instrument's currency
        int sections;                // 0: the run evaluates no cash flows
        const char* message;
    } rows[] = {
        {"call REGISTER_FX('FXREF', 'GBP');", "EUR", 1, "670/3614"},   // not the instrument's currency
        {"call REGISTER_FX('FXREF', 'gbp');", "GBP", 1, "670/3615"},   // no curve for GBP:USD
        {"call REGISTER_FX('FXREF', 'EUR');", "EUR", 0, nullptr},      // nothing to convert
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.statement);
        records_[0] = RSKPROGRECORD{};
        std::memcpy(con->run_block->valuation.currency, row.own, 3);
        con->run_block->cashflow_sections = row.sections;
        const size_t from = log().size();
        cmp_instance* instance = build({row.statement});
        ASSERT_NE(instance, nullptr) << log();
        EXPECT_EQ(cmpfrun(instance, 1), row.message != nullptr ? CMP_RUN_FAILED : CMP_RUN_OK) << log();
        EXPECT_EQ(rskbif_registered_fx(con, 0), nullptr);
        if (row.message != nullptr) {
            EXPECT_EQ(count_of(log().substr(from), row.message), 1) << log().substr(from);
        }
    }
    // Another argument count (which the compile-time check refuses) gives 670/3601 at run time.
    con->run_block->cashflow_sections = 1;
    cmp_arg_value args[4] = {};
    for (cmp_arg_value& a : args) a.kind = CMP_ARG_OMITTED;
    const cmp_function_record fn{"REGISTER_FX", &handle_};
    const cmp_exec_context exec{0, 1};
    EXPECT_EQ(rskregfx(&fn, args, 3, &exec, nullptr, nullptr), 1);
    EXPECT_EQ(count_of(log(), "670/3601"), 1) << log();
    EXPECT_EQ(rskbif_registered_fx(con, 0), nullptr);
}
