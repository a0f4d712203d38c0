// GET_FX_SPOT run by compiled programs: the base currency in any letter case, the caller's text
// left as written, and a currency without a rate up to the per-run cap.
#include <cstring>
#include <string>

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
