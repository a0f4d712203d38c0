// What a run flags for the portfolio's instrument types (rsktrix) and how one instrument is
// prepared for pricing (rsktrax): quadratic factors, cash-flow and instrument currencies and
// their conversion into the reporting currency, and the position values.
#include <gtest/gtest.h>

#include <cstring>

#include "engine/files/instrument_file.h"
#include "engine/model/fx/fx_matrix.h"
#include "engine/run/project_run.h"
#include "tests/engine/instrument_file_fixture.h"

namespace {

class InstrumentReferences : public InstrumentFileTest {
protected:
    void SetUp() override {
        InstrumentFileTest::SetUp();
        if (HasFatalFailure()) return;
        std::memcpy(con->run_block->currency, "USD", 3);
        parms_.entries = &entry_;
        parms_.entry_count = 1;
    }
    void TearDown() override {
        if (con != nullptr) {
            if (entry_.file.open) engine_routine<EngineSlot::rsktrac>()(con, &entry_.file);
            con->run_block->parms = nullptr;
        }
        InstrumentFileTest::TearDown();
    }

    // A spot rate quoting `from` in `currency`, with the exchange-rate matrix rebuilt.
    int declare_spot(const char* name, const char* currency, const char* from) {
        RSKVARDEF request{};
        request.name = name;
        request.name_length = -1;
        request.kind = 2;
        request.data_type = kNum;
        request.role = 441;
        request.maturity = qor::missing();
        request.maturity_unit = 4;
        request.scale = qor::missing();
        request.currency = currency;
        request.currency_length = -1;
        request.from_currency = from;
        request.from_currency_length = -1;
        request.environment = con->current_environment;
        const int rc = engine_routine<EngineSlot::rskvard>()(con, nullptr, &request);
        return rc != 0 ? rc : engine_routine<EngineSlot::rsk0>()(con);
    }
    // Opens the written file as the run's only instrument file, as the run does.
    int open_for_run() {
        con->run_block->parms = &parms_;
        std::memset(static_cast<void*>(&entry_.file), 0, sizeof entry_.file);
        entry_.description = object_;
        if (engine_routine<EngineSlot::rsktrao>()(con, &entry_.file, object_, 'I') != 0) return 1;
        return rsktrir(con, &entry_.file, 1);
    }
    // The next instrument of the run's file, prepared: rsktrax's result (-1 at the end).
    int next_prepared() {
        RSKINSTTYPE* t = nullptr;
        const int read = engine_routine<EngineSlot::rsktra1>()(con, &entry_.file, &t);
        return read != 0 ? -1 : rsktrax(con);
    }
    void write_quad(const char* id, std::initializer_list<const char*> factors) {
        RSKSYSVARS* sv = con->system_variables;
        engine_routine<EngineSlot::rsktrai>()(con, type("Quad"));
        set_char(sv->inst_id, id);
        auto* q = static_cast<unsigned char*>(sv->quad_value->value);
        const auto n = static_cast<uint32_t>(factors.size());
        std::memcpy(q, &n, 4);
        int i = 0;
        for (const char* f : factors) std::memcpy(q + 8 + 40 * i++, f, std::strlen(f));
        ASSERT_EQ(engine_routine<EngineSlot::rsktraw>()(con, &file_, 0, type("Quad")), 0) << log();
    }
    void write_flows(const char* id, const char* codes) {
        RSKSYSVARS* sv = con->system_variables;
        engine_routine<EngineSlot::rsktrai>()(con, type("Flows"));
        set_char(sv->inst_id, id);
        set_char(variable("ccy"), "USD");
        auto* c = static_cast<unsigned char*>(sv->cash_flows->value);
        const auto m = static_cast<uint32_t>(std::strlen(codes) / 3);
        std::memcpy(c, &m, 4);
        std::memcpy(c + 8, codes, 3 * m);
        ASSERT_EQ(engine_routine<EngineSlot::rsktraw>()(con, &file_, 0, type("Flows")), 0) << log();
    }
    int complete() {
        const int rc = engine_routine<EngineSlot::rsktriw>()(con, &file_);
        close();
        return rc;
    }

    RSKRUNPARMS parms_{};
    RSKPORTENTRY entry_{};
};

constexpr uint32_t kFlagged = RSKDEP_USED_PRICE | RSKDEP_PRICE_ARG;

TEST_F(InstrumentReferences, QuadraticFactorsAreFlaggedBoundAndUnknownOnesRefused) {
    ASSERT_EQ(declare("r1", 2, kNum, 321, 0, "USD", 1), 0) << log();
    ASSERT_EQ(engine_routine<EngineSlot::rsk0>()(con), 0) << log();   // the run's table of risk factors
    give_storage_all();
    ASSERT_EQ(open('O'), 0) << log();
    write_quad("Q1", {"r1"});
    write_quad("Q2", {"r1", "nofactor"});
    ASSERT_EQ(complete(), 0) << log();
    ASSERT_EQ(open_for_run(), 0) << log();

    EXPECT_EQ(rsktrix(con), 1);
    EXPECT_NE(log().find("Reference key nofactor of variable Quad_Value is not defined"), std::string::npos) << log();
    RSKVARIABLE* r1 = variable("r1");
    EXPECT_EQ(r1->dependencies.flags & kFlagged, kFlagged);
    EXPECT_EQ(r1->run.flags_added & kFlagged, kFlagged);   // taken back when the run ends
    EXPECT_EQ(type("Quad")->run.used, 1);
    EXPECT_EQ(type("Call")->run.used, 0);

    // Each instrument binds its factors; the unknown name fails that instrument alone.
    EXPECT_EQ(next_prepared(), 0) << log();
    RSKVARIABLE* bound = nullptr;
    std::memcpy(&bound, static_cast<unsigned char*>(con->system_variables->quad_value->value) + 8 + 32, sizeof bound);
    EXPECT_EQ(bound, r1);
    EXPECT_EQ(con->run_block->instrument_failed, 0);
    EXPECT_EQ(next_prepared(), 1);
    EXPECT_EQ(con->run_block->instrument_failed, 1);
    EXPECT_NE(log().find("Factor 2 of the quadratic value of instrument type Quad (InstID Q2) names nofactor"),
              std::string::npos)
        << log();
}

TEST_F(InstrumentReferences, CashFlowsInAnotherCurrencyNeedTheirRate) {
    ASSERT_EQ(open('O'), 0) << log();
    write_flows("F1", "USDeur");
    ASSERT_EQ(complete(), 0) << log();

    // Without a quote for EUR in USD the flows cannot be converted.
    ASSERT_EQ(open_for_run(), 0) << log();
    EXPECT_EQ(rsktrix(con), 1);
    EXPECT_NE(log().find("Exchange rate from EUR to USD is not defined."), std::string::npos) << log();
    EXPECT_EQ(con->run_block->fx_count, 0);
    EXPECT_EQ(next_prepared(), 1);
    EXPECT_NE(log().find("No valid exchange rate converts currency EUR into the reporting currency USD"),
              std::string::npos)
        << log();
    engine_routine<EngineSlot::rsktrac>()(con, &entry_.file);

    // With the quote the rate joins the run once and its risk factor is flagged.
    ASSERT_EQ(declare_spot("eurusd", "USD", "EUR"), 0) << log();
    give_storage_all();
    ASSERT_EQ(open_for_run(), 0) << log();
    EXPECT_EQ(rsktrix(con), 0) << log();
    ASSERT_NE(con->run_block->fx_first, nullptr);
    EXPECT_EQ(con->run_block->fx_first->slots[0], variable("eurusd"));
    EXPECT_EQ(variable("eurusd")->dependencies.flags & kFlagged, kFlagged);
    EXPECT_EQ(next_prepared(), 0) << log();
}

TEST_F(InstrumentReferences, PositionValuesAndInstrumentCurrency) {
    RSKINSTTYPE* held = define_type("Held");
    add_vars(held, {"strike", "Holding", "ShortPosition", "ALPosition", "Currency"});
    ASSERT_EQ(init(held), 0) << log();
    give_storage_all();
    RSKSYSVARS* sv = con->system_variables;
    struct Case {
        double holding, short_flag, al;
        const char* currency;
    };
    // Holding 2.5; a non-positive or missing holding is held as 0; -0.6 rounds to -1; a missing
    // asset/liability position is 1.
    const Case cases[] = {{2.5, 0, 1, "USD"}, {-3, 7, -0.6, "usd"}, {qor::missing(), 0, qor::missing(), "EUR"},
                          {4, 0, 2, "EUR"}};
    ASSERT_EQ(open('O'), 0) << log();
    int k = 0;
    for (const Case& c : cases) {
        engine_routine<EngineSlot::rsktrai>()(con, held);
        set_char(sv->inst_id, "H" + std::to_string(++k));
        set_num(variable("strike"), 1);
        set_num(sv->holding, c.holding);
        set_num(sv->short_position, c.short_flag);
        set_num(sv->al_position, c.al);
        set_char(sv->currency, c.currency);
        ASSERT_EQ(engine_routine<EngineSlot::rsktraw>()(con, &file_, 0, held), 0) << log();
    }
    ASSERT_EQ(complete(), 0) << log();
    ASSERT_EQ(open_for_run(), 0) << log();
    EXPECT_EQ(rsktrix(con), 1);   // EUR has no rate into USD

    const RSKINSTRUN& v = con->run_block->valuation;
    EXPECT_EQ(next_prepared(), 0) << log();
    EXPECT_EQ(v.holding, 2.5);
    EXPECT_EQ(v.short_position, 0);
    EXPECT_EQ(v.al_position, 1);
    EXPECT_EQ(std::string(v.currency, 3), "USD");
    EXPECT_EQ(next_prepared(), 0) << log();
    EXPECT_EQ(v.holding, 0.0);
    EXPECT_EQ(v.short_position, 1);
    EXPECT_EQ(v.al_position, -1);
    EXPECT_EQ(next_prepared(), 1);
    EXPECT_EQ(v.holding, 0.0);
    EXPECT_EQ(v.al_position, 1);
    EXPECT_EQ(std::string(v.currency, 3), "EUR");
    EXPECT_EQ(next_prepared(), 1);
    EXPECT_EQ(v.holding, 4.0);
    // The missing EUR conversion is reported once for the run, not once per instrument.
    const std::string text = log();
    const std::string message = "converts currency EUR into the reporting currency USD (instrument type Held";
    const size_t first = text.find(message);
    ASSERT_NE(first, std::string::npos) << text;
    EXPECT_EQ(text.find(message, first + 1), std::string::npos) << text;
    EXPECT_EQ(next_prepared(), -1);
}

}  // namespace
