// Variables through the entry table: the definition rules and their refusals, system variables
// and reserved names, deletion, current values, and out-of-memory on every allocation.
#include <cmath>
#include <functional>
#include <vector>

#include "engine/model/analyses/analysis_record.h"

#include "tests/engine/variables_fixture.h"

namespace {

using Variables = VariableEngine;

enum : uint32_t { NUM = 1, CHAR = 2, DATE = 3, DATETIME = 4, CURCODE = 10, ARRAY = 60 };
enum : uint32_t { FACTOR = RSKVKIND_FACTOR, INSTRUMENT = RSKVKIND_INSTRUMENT, OUTPUT = RSKVKIND_OUTPUT };
enum : uint32_t { VAR = 301, IR = 321, FX_SPOT = 441 };

TEST_F(Variables, LengthsFormatsAndSizesFollowTheDataType) {
    struct Case {
        const char* name;
        Declare request;
        uint16_t length;
        uint32_t storage_size;      // bytes in an instrument record: 4-byte alignment, 8-byte numbers
        const char* format;         // "" = none (format number 99)
        uint32_t width, decimals;
    };
    const Case cases[] = {
        {"char without length", Declare("c1", INSTRUMENT, CHAR), 32, 36 + 8, "", 0, 0},
        {"char of 10", Declare("c2", INSTRUMENT, CHAR).length(10), 10, 12 + 8, "", 0, 0},
        {"num of 20", Declare("n1", INSTRUMENT, NUM).length(20), 8, 8, "", 0, 0},
        {"num of 2", Declare("n2", INSTRUMENT, NUM).length(2), 3, 8, "", 0, 0},
        {"date of 2", Declare("d1", INSTRUMENT, DATE).length(2), 4, 8, "DATE9.", 9, 0},
        {"datetime", Declare("t1", RSKVKIND_SYSTEM, DATETIME, 999), 8, 8, "DATETIME17.", 17, 0},
        {"currency code", Declare("k1", INSTRUMENT, CURCODE).length(12), 3, 16, "", 0, 0},
        {"instrument array", Declare("a1", INSTRUMENT, ARRAY).length(5), 5, 8 * 5 + 8, "", 0, 0},
        {"output array", Declare("a2", OUTPUT, ARRAY), 8, 8 * 8, "", 0, 0},
        {"comma format", Declare("f1", INSTRUMENT, NUM).format("comma12.2"), 8, 8, "comma12.2", 12, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RSKVARIABLE* v = nullptr;
        ASSERT_EQ(declare(c.request, &v), 0) << log();
        ASSERT_NE(v, nullptr);
        EXPECT_EQ(v->length, c.length);
        EXPECT_EQ(v->storage_size, c.storage_size);
        EXPECT_EQ(std::string(v->format_text.name.text, v->format_text.name.length), c.format);
        EXPECT_EQ(v->format_width, c.width);
        EXPECT_EQ(v->format_decimals, c.decimals);
        if (*c.format == '\0') {
            EXPECT_EQ(v->format_number, 99u);
        }
    }
    EXPECT_TRUE(consistent());
}

TEST_F(Variables, RefusedNamesAndFaultyRequestsDefineNothing) {
    struct Case {
        const char* name;
        Declare request;
        std::vector<std::string> messages;
    };
    const Case cases[] = {
        {"reserved, any case", Declare("value"), {"598/1610"}},
        {"system variable", Declare("simulationcase"), {"598/1610"}},
        {"cash-flow prefix", Declare("_CashFlow_x"), {"670/3525"}},
        {"cash-flow prefix, other case", Declare("_CASHFLOW_total"), {"670/3525"}},
        {"unknown currency and format", Declare("bad", FACTOR, NUM, IR).currency("XXQ").format("NOSUCHFMT8."),
         {"598/1611", "598/1612"}},
        {"fx rate without currencies", Declare("fx", FACTOR, NUM, FX_SPOT), {"598/1613", "598/1624"}},
        {"negative maturity", Declare("m", FACTOR, NUM, IR).currency("USD").maturity(-1), {"598/1617"}},
        {"scale above 10", Declare("vola", FACTOR, NUM, 501).reference("x").scale(11), {"598/1621"}},
        {"40-character name", Declare("a_name_of_forty_characters_is_too_long_x"), {"598/97"}},
    };
    const int count = con->variables_count;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string before = log();
        RSKVARIABLE* v = reinterpret_cast<RSKVARIABLE*>(1);
        EXPECT_NE(declare(c.request, &v), 0);
        EXPECT_EQ(v, nullptr);
        std::string added = log().substr(before.size());
        for (const std::string& m : c.messages) EXPECT_NE(added.find(m), std::string::npos) << added;
    }
    EXPECT_EQ(con->variables_count, count);
    EXPECT_TRUE(consistent());
    EXPECT_EQ(declare(Declare("_cash")), 0) << log();   // shorter than the prefix
}

TEST_F(Variables, RiskFactorChecksRepairWhatTheyMay) {
    RSKVARIABLE* v = nullptr;
    ASSERT_EQ(declare(Declare("usd0", FACTOR, NUM, IR).currency("usd"), &v), 0) << log();
    EXPECT_EQ(count_of(log(), "598/1619"), 1);
    EXPECT_EQ(v->maturity, 0.0);
    EXPECT_EQ(std::string(v->currency, 3), "USD");
    EXPECT_EQ(v->measurement_level, 1u);
    // No note while the catalog loads.
    con->catalog_loading = 1;
    ASSERT_EQ(declare(Declare("usd00", FACTOR, NUM, IR).currency("USD")), 0);
    con->catalog_loading = 0;
    EXPECT_EQ(count_of(log(), "598/1619"), 1);
    // A maturity in days becomes years; a currency on a plain role is dropped with a warning.
    ASSERT_EQ(declare(Declare("usd3m", FACTOR, NUM, IR).currency("USD").maturity(73.05, 1), &v), 0);
    EXPECT_NEAR(v->maturity_time, 0.2, 1e-15);
    ASSERT_EQ(declare(Declare("plain", FACTOR, NUM, VAR).currency("EUR"), &v), 0);
    EXPECT_EQ(count_of(log(), "598/1609"), 1);
    EXPECT_EQ(std::string(v->currency, 3), "   ");
}

TEST_F(Variables, RedefinitionKeepsThePlaceAndMarksInheritedOnes) {
    ASSERT_EQ(declare(Declare("alpha_")), 0);
    ASSERT_EQ(declare(Declare("beta_")), 0);
    ASSERT_EQ(declare(Declare("delta_")), 0);
    RSKVARIABLE* beta = find("BETA_");
    beta->origin = 2;   // as if it came from an inherited environment
    RSKVARIABLE* again = nullptr;
    ASSERT_EQ(declare(Declare("beta_", INSTRUMENT, CHAR).label("Second"), &again), 0) << log();
    EXPECT_EQ(again, beta);
    EXPECT_EQ(count_of(log(), "598/1606"), 1);
    EXPECT_EQ(again->kind, INSTRUMENT);
    EXPECT_EQ(again->origin, 3u);
    EXPECT_EQ(std::string(again->properties.description, again->properties.description_length), "Second");
    std::string names = order();
    EXPECT_LT(names.find("alpha_"), names.find("beta_"));
    EXPECT_LT(names.find("beta_"), names.find("delta_"));
    // A faulty redefinition leaves the old one as it was.
    EXPECT_NE(declare(Declare("beta_", FACTOR, NUM, IR).currency("QQQ")), 0);
    EXPECT_EQ(find("beta_")->kind, INSTRUMENT);
    EXPECT_TRUE(consistent());
}

TEST_F(Variables, SystemVariablesAreMadeOnceAndStay) {
    RSKVARIABLE* collateral = find("collateral");
    ASSERT_NE(collateral, nullptr);
    EXPECT_EQ(find("Mitigant"), collateral);
    EXPECT_EQ(con->system_variables->collateral, collateral);
    RSKVARIABLE* inst_id = find("InstID");
    ASSERT_NE(inst_id, nullptr);
    EXPECT_EQ(inst_id->length, 256);
    EXPECT_EQ(inst_id->role_flags & 0x0A, 0);     // cleared after the instrument-information flags
    EXPECT_EQ(inst_id->flags2 & 0x40, 0);
    EXPECT_EQ(find("_date_")->kind, FACTOR);
    EXPECT_EQ(find("_date_")->measurement_level, 2u);
    EXPECT_EQ(find("SimulationMode")->flags3 & 0x14, 0x14);
    // The label is the message text.
    char text[300] = {};
    int length = 0;
    ASSERT_EQ(xpmtext(598, 5202, text, sizeof text, &length), 0);
    EXPECT_EQ(std::string(inst_id->properties.description, inst_id->properties.description_length),
              std::string(text, length));

    // Opening the environment again neither doubles nor redefines them.
    const int count = con->variables_count;
    ASSERT_EQ(engine_routine<EngineSlot::rskvar1>()(con), 0);
    EXPECT_EQ(con->variables_count, count);
    EXPECT_EQ(count_of(log(), "598/1606"), 0);

    // They cannot be deleted, nor can a reserved name.
    auto rskvarf = engine_routine<EngineSlot::rskvarf>();
    EXPECT_EQ(rskvarf(con, collateral), 1);
    EXPECT_EQ(rskvarf(con, find("_date_")), 1);
    EXPECT_EQ(find("Mitigant"), collateral);
    EXPECT_EQ(con->variables_count, count);
}

TEST_F(Variables, DeletionRefusesVariablesInUseAndFreesTheRest) {
    RSKVARIABLE* rate = nullptr;
    ASSERT_EQ(declare(Declare("rate", FACTOR, NUM, IR).currency("USD").maturity(1)), 0);
    rate = find("rate");
    auto rskvara = engine_routine<EngineSlot::rskvara>();
    auto rskvarb = engine_routine<EngineSlot::rskvarb>();
    ASSERT_EQ(rskvara(con, rate, "Curve", -1, "USD", -1), 0);
    ASSERT_EQ(rskvarb(con, rate, "Rates", -1), 0);
    EXPECT_EQ(rate->reference_pair_count, 1u);
    EXPECT_EQ(rate->category_count, 1u);
    // Only risk factors take pairs and categories.
    RSKVARIABLE* face = nullptr;
    ASSERT_EQ(declare(Declare("face", INSTRUMENT, NUM), &face), 0);
    EXPECT_EQ(rskvara(con, face, "Curve", -1, "USD", -1), 1);
    EXPECT_EQ(rskvarb(con, face, "Rates", -1), 1);
    EXPECT_EQ(count_of(log(), "598/1670"), 1);
    EXPECT_EQ(count_of(log(), "598/1675"), 1);

    auto rskvarf = engine_routine<EngineSlot::rskvarf>();
    rate->use_count = 1;   // an instrument type holds it
    EXPECT_EQ(rskvarf(con, rate), 1);
    EXPECT_EQ(find("rate"), rate);
    rate->use_count = 0;
    RSKNAMECELL* cells = con->free_lists->name_cells;
    EXPECT_EQ(rskvarf(con, rate), 0);
    EXPECT_EQ(find("rate"), nullptr);
    EXPECT_NE(con->free_lists->name_cells, cells);   // its three cells went back to the list
    EXPECT_EQ(con->free_lists->variables, rate);
    EXPECT_TRUE(consistent());
}

TEST_F(Variables, CurrentValuesNeedStorage) {
    RSKVARIABLE* code = nullptr;
    RSKVARIABLE* amount = nullptr;
    ASSERT_EQ(declare(Declare("code", INSTRUMENT, CHAR).length(5), &code), 0);
    ASSERT_EQ(declare(Declare("amount", INSTRUMENT, NUM), &amount), 0);
    auto rskvarc = engine_routine<EngineSlot::rskvarc>();
    auto rskvarn = engine_routine<EngineSlot::rskvarn>();
    // Outside a run there is no value storage: refused, nothing written.
    EXPECT_EQ(rskvarc(con, code, "AB", 2), 1);
    EXPECT_EQ(rskvarn(con, amount, 2.5), 1);
    char text[5];
    double number = 0;
    code->value = text;
    amount->value = &number;
    EXPECT_EQ(rskvarc(con, code, "AB", 2), 0);
    EXPECT_EQ(std::string(text, 5), "AB   ");
    EXPECT_EQ(rskvarc(con, code, "ABCDEFGH", -1), 0);
    EXPECT_EQ(std::string(text, 5), "ABCDE");
    EXPECT_EQ(rskvarn(con, amount, 2.5), 0);
    EXPECT_EQ(number, 2.5);
    EXPECT_EQ(rskvarn(con, code, 1.0), 1);   // not numeric
}

TEST_F(Variables, AnalysisKindTests) {
    struct Case {
        uint32_t kind, subtype;
        int simulation, sensitivity, scenario, mtm;
    };
    const Case cases[] = {
        {13, 5, 1, 0, 0, 0}, {13, 3, 0, 1, 0, 0}, {13, 2, 0, 0, 0, 0}, {13, 1, 0, 0, 1, 0},
        {13, 0, 0, 0, 0, 1}, {13, 7, 1, 0, 0, 0}, {13, 8, 0, 0, 0, 0}, {6, 0, 1, 0, 0, 0},
        {17, 0, 1, 0, 0, 0}, {10, 0, 0, 0, 0, 0}, {2, 0, 0, 1, 0, 0}, {5, 0, 0, 0, 1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.kind << "/" << c.subtype);
        RSKANALYSIS analysis{};
        analysis.kind = c.kind;
        analysis.subtype = c.subtype;
        EXPECT_EQ(engine_routine<EngineSlot::is_simulation>()(&analysis), c.simulation);
        EXPECT_EQ(engine_routine<EngineSlot::is_sensitivity>()(&analysis), c.sensitivity);
        EXPECT_EQ(engine_routine<EngineSlot::is_scenario>()(&analysis), c.scenario);
        EXPECT_EQ(engine_routine<EngineSlot::is_mtm>()(&analysis), c.mtm);
    }
    EXPECT_EQ(engine_routine<EngineSlot::is_simulation>()(nullptr), 0);

    // Output counts: the simulation counts only for simulations, _cash_ when it is needed.
    RSKANALYSIS analysis{};
    analysis.kind = 8;
    analysis.output_count = 3;
    analysis.simulation_output_counts[0] = 1;
    analysis.simulation_output_counts[2] = 2;
    auto outvars = engine_routine<EngineSlot::number_of_outvars>();
    EXPECT_EQ(outvars(con, &analysis), 6);
    con->system_variables->cash->needed_spot = 1;
    EXPECT_EQ(outvars(con, &analysis), 7);
    analysis.kind = 2;
    EXPECT_EQ(outvars(con, &analysis), 4);

    auto exposure = engine_routine<EngineSlot::is_exposure_type_variable>();
    EXPECT_EQ(exposure(con, find("Exposure")), 1);
    EXPECT_EQ(exposure(con, find("ModifiedCnvx")), 1);
    RSKVARIABLE* lower = nullptr;
    ASSERT_EQ(declare(Declare("Exposure_total", OUTPUT, NUM), &lower), 0) << log();
    EXPECT_EQ(exposure(con, lower), 0);
    lower->comptype = 3;
    EXPECT_EQ(exposure(con, lower), 1);
}

// Every allocation of a definition, a pair, a category and a rebuild fails in turn: one
// out-of-memory message, result 1, and table, list and count still agree.
TEST_F(Variables, OutOfMemoryOnEveryAllocation) {
    RSKVARIABLE* rate = nullptr;
    ASSERT_EQ(declare(Declare("rate", FACTOR, NUM, IR).currency("USD").maturity(1), &rate), 0);
    const std::function<int()> operations[] = {
        [&] { return declare(Declare("fresh_one", INSTRUMENT, CHAR).label("A label")); },
        [&] { return engine_routine<EngineSlot::rskvara>()(con, rate, "Curve", -1, "USD", -1); },
        [&] { return engine_routine<EngineSlot::rskvarb>()(con, rate, "Rates", -1); },
        [&] { return engine_routine<EngineSlot::rskvar0>()(con); },
    };
    int operation = 0;
    for (const auto& run : operations) {
        SCOPED_TRACE(operation++);
        bool failed_once = false;
        for (long n = 1; n < 200; ++n) {
            con->no_memory_reported = 0;
            // Empty free lists, so that every refill is an allocation that can fail.
            con->free_lists->variables = nullptr;
            con->free_lists->variable_links = nullptr;
            con->free_lists->name_cells = nullptr;
            con->free_lists->pair_entries = nullptr;
            std::string before = log();
            qor_pool_fail_nth(n);
            int rc = run();
            long left = qor_pool_fail_nth(0);
            std::string added = log().substr(before.size());
            if (left != 0) {   // the nth allocation was not reached: the operation ran through
                EXPECT_EQ(rc, 0) << added;
                break;
            }
            failed_once = true;
            EXPECT_EQ(rc, 1) << "allocation " << n << added;
            EXPECT_EQ(count_of(added, "598/2797") + count_of(added, "598/500"), 1) << "allocation " << n << added;
            EXPECT_TRUE(consistent()) << "allocation " << n;
            if (operation == 1) {
                EXPECT_EQ(find("fresh_one"), nullptr);
            }
        }
        EXPECT_TRUE(failed_once);
    }
    EXPECT_TRUE(consistent());
}

}  // namespace
