// Instrument types through the entry table: base chains and their faults, the delta-gamma
// action, action slots and method kinds, the record size in the stored layout, use counts that
// stay balanced, redefinition, and the listing of no types.
#include "tests/engine/definitions_fixture.h"

namespace {

constexpr uint32_t kInstrument = 3, kNum = 1, kChar = 2, kCurcode = 10, kVarRole = 201;

class InstrumentTypes : public DefinitionsTest {
protected:
    void SetUp() override {
        DefinitionsTest::SetUp();
        for (const char* n : {"A", "B", "C", "notional", "coupon"}) ASSERT_EQ(declare(n, kInstrument, kNum, kVarRole), 0) << log();
    }
    static std::string names(const RSKINSTTYPE* t) {
        std::string out;
        for (const RSKVARLINK* l = t->resolved_head; l != nullptr; l = l->next)
            out += std::string(l->variable->name.name.text, l->variable->name.name.length) + " ";
        return out;
    }
};

TEST_F(InstrumentTypes, BaseChainsResolveBaseMostFirstAndReportTheirFaults) {
    struct Case {
        const char* what;
        std::vector<std::pair<const char*, const char*>> types;   // name, base (defined in order)
        const char* initialised;
        int result;
        const char* message;
        const char* resolved;
    };
    const Case cases[] = {
        {"chain", {{"Swap", "Leg"}, {"Leg", "Root"}, {"Root", ""}}, "Swap", 0, nullptr, "A B C "},
        {"cycle", {{"X", "Y"}, {"Y", "X"}}, "X", 1, "598/1060", "B A "},
        {"self", {{"Z", "Z"}}, "Z", 1, "598/1060", "A "},
        {"missing base", {{"W", "Nowhere"}}, "W", 1, "598/1061", "A "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        // Each type declares one variable: the first A, the second B, the third C.
        const char* vars[] = {"C", "B", "A"};
        const size_t n = c.types.size();
        for (size_t i = 0; i < n; ++i) {
            RSKINSTTYPE* t = define_type(c.types[i].first, c.types[i].second);
            ASSERT_NE(t, nullptr);
            add_vars(t, {n == 3 ? vars[i] : (i == 0 ? "A" : "B")});
        }
        const size_t before = log().size();
        RSKINSTTYPE* target = type(c.initialised);
        EXPECT_EQ(init(target), c.result);
        const std::string said = log().substr(before);
        if (c.message) EXPECT_NE(said.find(c.message), std::string::npos) << said;
        else EXPECT_EQ(said.find("%1z"), std::string::npos) << said;
        EXPECT_EQ(names(target), c.resolved);
        for (size_t i = 0; i < n; ++i) engine_routine<EngineSlot::rskclsf>()(con, type(c.types[i].first));
    }
    for (const char* v : {"A", "B", "C"}) EXPECT_EQ(variable(v)->use_count, 0u) << v;
}

TEST_F(InstrumentTypes, QuadraticTypesPriceByDeltaGammaOnTheirLastVariable) {
    RSKINSTTYPE* t = define_type("Quad", "", 0, 1);
    add_vars(t, {"A", "B", "C"});
    EXPECT_EQ(init(t), 0) << log();
    EXPECT_EQ(std::string(t->price.name.name.text, t->price.name.name.length), "*Delta-Gamma*");
    EXPECT_EQ(t->price.kind, RSKACTION_DELTA_GAMMA);
    EXPECT_EQ(t->price.code, 3u);
    EXPECT_EQ(t->price.target, variable("C"));
}

TEST_F(InstrumentTypes, ActionSlotsCheckTheMethodKind) {
    auto actd = engine_routine<EngineSlot::rskactd>();
    RSKINSTTYPE* t = define_type("Bond");
    for (int i = 0; i < 10; ++i) EXPECT_EQ(actd(con, t, 2, "Iprep", -1), 0);
    EXPECT_EQ(actd(con, t, 2, "Iextra", -1), 1);
    EXPECT_EQ(t->input_count, 10);
    EXPECT_EQ(count_of(log(), "598/1214"), 1);
    // An input method must be of kind I, a pricing method of kind P; a missing method is no error.
    RSKINSTTYPE* u = define_type("Note");
    EXPECT_EQ(actd(con, u, 2, "Pbond", -1), 1);
    EXPECT_EQ(count_of(log(), "598/1218"), 1);
    EXPECT_EQ(actd(con, u, 3, "Tshift", -1), 1);
    EXPECT_EQ(count_of(log(), "598/1216"), 1);
    EXPECT_EQ(actd(con, u, 3, "missing", -1), 0);
    EXPECT_EQ(actd(con, u, 5, "Pbond", -1), 1);
    EXPECT_NE(log().find("rskactd: bad action code 5 for Note."), std::string::npos);
    // Initialisation checks again and reports the method that is missing (598/1202).
    EXPECT_EQ(count_of(log(), "598/1202"), 0);
    engine_routine<EngineSlot::rskclsi>()(con, u);
    EXPECT_EQ(count_of(log(), "598/1202"), 1) << log();
}

TEST_F(InstrumentTypes, RecordSizeFollowsTheStoredLayout) {
    // NUM 8 at 0; CHAR 10 takes 10 + 1 rounded to 12, plus 8 = 20, at 8; CURCODE 8 + 8 = 16 at 28.
    ASSERT_EQ(declare("price", kInstrument, kNum, kVarRole), 0);
    ASSERT_EQ(declare("issuer", kInstrument, kChar, kVarRole, 10), 0);
    ASSERT_EQ(declare("ccy", kInstrument, kCurcode, kVarRole), 0);
    RSKINSTTYPE* t = define_type("Layout");
    add_vars(t, {"price", "issuer", "ccy"});
    init(t);
    EXPECT_EQ(t->record_size, 8 + 20 + 16);
    EXPECT_EQ(t->currency_count, 1);
    // Without the Currency system variable the type is noted (598/1602); with it, not.
    EXPECT_EQ(count_of(log(), "598/1602"), 1);
    RSKINSTTYPE* u = define_type("WithCurrency");
    add_vars(u, {"price", "Currency", "Holding"});
    init(u);
    EXPECT_EQ(count_of(log(), "598/1602"), 1) << log();
    EXPECT_EQ(u->system_slots[RSKTSLOT_CURRENCY], variable("Currency"));
    EXPECT_EQ(u->system_slots[RSKTSLOT_HOLDING], variable("Holding"));
}

TEST_F(InstrumentTypes, UseCountsStayBalancedAcrossRebuildsAndRedefinition) {
    RSKINSTTYPE* base = define_type("Base");
    add_vars(base, {"A"});
    RSKINSTTYPE* derived = define_type("Derived", "Base");
    add_vars(derived, {"B"});
    auto clbi = engine_routine<EngineSlot::rskclbi>();
    for (int round = 0; round < 3; ++round) clbi(con);
    EXPECT_EQ(variable("A")->use_count, 2u);   // the base's and the derived type's resolution
    EXPECT_EQ(variable("B")->use_count, 1u);
    // Redefinition empties the type and keeps its place in the definition order.
    auto dflt = engine_routine<EngineSlot::rskdflt>();
    EXPECT_EQ(dflt(con, base, "A", -1, 1.5, nullptr, 0, 1), 0);
    EXPECT_EQ(dflt(con, base, "A", -1, 0, nullptr, 0, 7), 1);
    RSKINSTTYPE* again = define_type("Base");
    EXPECT_EQ(again, base);
    EXPECT_EQ(base->declared_count, 0);
    EXPECT_EQ(base->defaults_count, 0);
    EXPECT_EQ(variable("A")->use_count, 1u);
    EXPECT_EQ(con->memory_block->types_head, base);
    engine_routine<EngineSlot::rskclsf>()(con, derived);
    EXPECT_EQ(variable("A")->use_count, 0u);
    EXPECT_EQ(variable("B")->use_count, 0u);
    EXPECT_EQ(con->memory_block->types_count, 1);
}

TEST_F(InstrumentTypes, ListingOfNoTypesIsOneNote) {
    engine_routine<EngineSlot::rskclbp>()(con, 0);
    EXPECT_EQ(listing(), "598/16 NOTE: No instrument types are defined.\n");
}

}  // namespace

namespace {

// A parent environment's type that the user may not write is refused, not taken over; the same
// type in the current environment is redefined.
TEST_F(InstrumentTypes, ParentTypesWithoutWriteRightStayAsTheyWere) {
    RSKINSTTYPE* t = define_type("Shared");
    add_vars(t, {"A"});
    RSKENV parent{};
    engine_routine<EngineSlot::rskname>()(con, &parent.name, "PARENT", -1);
    parent.rights.security.rights = 0x200 | 0444;   // active, read only for everyone
    parent.rights.security.read = 1;
    t->environment = &parent;
    t->inheritance = 2;
    t->security.security.rights = 0x200 | 0444;
    t->security.security.read = 1;
    RSKINSTTYPE* out = nullptr;
    EXPECT_EQ(engine_routine<EngineSlot::rskclsd>()(con, &out, "Shared", -1, "", 0, "", 0, 0, 0,
                                                    con->current_environment), 1);
    EXPECT_NE(log().find("598/3803"), std::string::npos) << log();
    EXPECT_NE(log().find("598/3802"), std::string::npos);
    EXPECT_EQ(t->declared_count, 1);
    EXPECT_EQ(t->environment, &parent);
    // With the right to write, the definition takes the type over as an override (state 3).
    parent.rights.security.rights = 0x200 | 0666;
    parent.rights.cache = 0;
    t->security.security.rights = 0x200 | 0666;
    t->security.cache = 0;
    EXPECT_EQ(engine_routine<EngineSlot::rskclsd>()(con, &out, "Shared", -1, "", 0, "", 0, 0, 0,
                                                    con->current_environment), 0);
    EXPECT_EQ(out, t);
    EXPECT_EQ(t->inheritance, 3);
    EXPECT_EQ(t->declared_count, 0);
}

}  // namespace
