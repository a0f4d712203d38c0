// The drivers that fetch and compile what the instrument types, the projects and the
// counterparty or mitigation types name, through real method definitions: which actions join the
// run, in which order, and the message and code of every refusal.
#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include "engine/compiler/dependencies.h"
#include "engine/compiler/method_objects.h"
#include "engine/model/market/transformation_sets.h"
#include "engine/model/projects/projects.h"
#include "tests/engine/definitions_fixture.h"

namespace {

class MethodDrivers : public DefinitionsTest {
protected:
    void SetUp() override {
        DefinitionsTest::SetUp();
        slots_[262] = saved_method_slot_;   // the real method look-up
        ASSERT_EQ(declare("notional", 3, 1, 201), 0) << log();
        ASSERT_EQ(declare("rate", 2, 1, 301), 0) << log();
        ASSERT_EQ(engine_routine<EngineSlot::rsk0>()(con), 0) << log();
        run_.pool = xmpoolc(16384, 16384, 0);
        run_.execution_blocks = 1;
        con->run_compile = &run_;
    }
    void TearDown() override {
        if (con != nullptr) con->run_compile = nullptr;
        xmpoold(run_.pool);
        DefinitionsTest::TearDown();
    }

    // Defines a method with a body; with `deferred` it is installed without compiling.
    RSKGENTRANS* define(const std::string& name, char kind, const std::vector<std::string>& body, bool deferred = true) {
        RSKNAMEREC n{0, static_cast<uint16_t>(name.size()), const_cast<char*>(name.data())};
        RSKNAMEREC d{0, 0, nullptr};
        RSKCATOBJ* object = nullptr;
        EXPECT_EQ(rsktrnd(con, &object, &n, &d, kind, nullptr), 0) << log();
        auto* method = static_cast<RSKGENTRANS*>(object->object);
        static const char kWords[] = "ITPJVRSM";
        static const char* const kKinds[] = {"INPUT", "TRANS", "PRICE", "PROJECT", "POSTVAR", "POSTPRICE", "SCORE",
                                             "MITIGATION"};
        std::string source = "METHOD " + name + " KIND=" + kKinds[std::strchr(kWords, kind) - kWords];
        source.push_back('\0');
        for (const std::string& s : body) source += s + '\0';
        source += std::string("ENDMETHOD") + '\0';
        con->methods_deferred = deferred ? 1 : 0;
        rsktrni(con, method, source.data(), source.size(), static_cast<int>(body.size()) + 2, 0, nullptr, 0, 2);
        con->methods_deferred = 0;
        return method;
    }
    // A name list over names the test keeps.
    RSKNAMELIST list(std::initializer_list<const char*> names) {
        RSKNAMELIST l{};
        for (const char* n : names) {
            RSKNAMECELL& c = cells_.emplace_back();
            rskname(con, &c.name, n, -1);
            if (l.tail != nullptr) l.tail->next = &c;
            else l.head = &c;
            l.tail = &c;
        }
        return l;
    }
    RSKCATOBJ* define_set(const char* name, std::initializer_list<std::pair<uint32_t, const char*>> members) {
        RSKNAMEREC key = name_of(name);
        RSKCATOBJ* object = nullptr;
        EXPECT_EQ(engine_routine<EngineSlot::rskprsd>()(con, &object, &key, nullptr, nullptr), 0) << log();
        for (const auto& [kind, member] : members) {
            RSKNAMEREC m = name_of(member);
            engine_routine<EngineSlot::rskprsa>()(con, object, kind, &m);
        }
        return object;
    }
    // The run's actions: "name" for a method call, "name(lt)" for a linear transformation.
    std::string actions() {
        std::string text;
        for (RSKACTION* a = run_.actions_first; a != nullptr; a = a->next) {
            text += (text.empty() ? "" : " ") + std::string(a->name.name.text, a->name.name.length);
            if (a->kind == RSKACTION_LINEAR_TRANS) text += "(lt)";
        }
        return text;
    }

    RSKRUNCOMPILE run_{};
    std::deque<RSKNAMECELL> cells_;
};

TEST_F(MethodDrivers, TypeMethodsAreFetchedAndCompiledOnce) {
    RSKGENTRANS* price = define("pbond", 'P', {"_value_ = notional * rate"});
    RSKGENTRANS* broken = define("pbad", 'P', {"_value_ = notional *"});
    EXPECT_EQ(price->compiled, 0);
    RSKINSTTYPE* bond = define_type("Bond");
    RSKINSTTYPE* bad = define_type("Bad");
    RSKINSTTYPE* gone = define_type("Gone");
    RSKINSTTYPE* quad = define_type("Quad");
    for (RSKINSTTYPE* t : {bond, bad, gone, quad}) ASSERT_EQ(add_vars(t, {"notional"}), 0);
    auto attach = [&](RSKINSTTYPE* t, const char* method) {
        engine_routine<EngineSlot::rskactd>()(con, t, 3, method, -1);
    };
    attach(bond, "pbond");
    attach(bad, "pbad");
    attach(gone, "pmissing");
    attach(quad, "quad_value");
    const size_t at = log().size();
    EXPECT_EQ(rskrsv0(con), 1);
    const std::string text = log().substr(at);
    EXPECT_EQ(price->compiled, 1);
    EXPECT_EQ(broken->compiled, 0);
    EXPECT_EQ(bond->price.target, price);
    EXPECT_EQ(count_of(text, "598/3133"), 1) << text;
    EXPECT_NE(text.find("pbad"), std::string::npos);
    EXPECT_EQ(count_of(text, "598/3128"), 1) << text;
    EXPECT_NE(text.find("Gone"), std::string::npos);
    EXPECT_EQ(quad->price.kind, RSKACTION_DELTA_GAMMA);
    EXPECT_EQ(quad->price.target, con->system_variables->quad_value);
    // A compiled method is not compiled again.
    price->statement_count = -1;   // a recompile would now fail
    EXPECT_EQ(rskrsvt(con, price, 0), 0);
}

TEST_F(MethodDrivers, TransformationSetsBecomeActionsInMemberOrder) {
    define("shift", 'T', {"rate = rate + 0.01"});
    define("scale", 'T', {"rate = rate * 2"});
    define("pbond", 'P', {"_value_ = notional * rate"});
    define_set("inner", {{RSKPRS_METHOD, "scale"}});
    define_set("outer", {{RSKPRS_METHOD, "shift"}, {RSKPRS_SET, "inner"}, {RSKPRS_METHOD, "later"}});
    define_set("wrong", {{RSKPRS_METHOD, "pbond"}});
    define_set("self", {{RSKPRS_SET, "self"}});
    struct Case {
        const char* set;
        int report;
        int rc;
        const char* actions;
        const char* message;   // null: none
    } cases[] = {
        {"outer", 1, 0, "shift scale", "598/1222"},   // "later" is not defined yet
        {"outer", 0, 0, "shift scale", nullptr},
        {"wrong", 1, 1, "", "598/1228"},
        {"nothing", 1, 1, "", "598/1226"},
        {"self", 1, 1, "", "598/1223"},
    };
    for (const Case& c : cases) {
        run_.actions_first = run_.actions_last = nullptr;
        run_.action_count = 0;
        const size_t at = log().size();
        RSKNAMELIST sets = list({c.set});
        EXPECT_EQ(rskrsv2(con, &sets, c.report), c.rc) << c.set;
        EXPECT_EQ(actions(), c.actions) << c.set;
        const std::string text = log().substr(at);
        if (c.message != nullptr) {
            EXPECT_NE(text.find(c.message), std::string::npos) << c.set << text;
        } else {
            EXPECT_EQ(text.find("598/12"), std::string::npos) << c.set << text;
        }
    }
}

TEST_F(MethodDrivers, ProjectPostValuationAndPostPricingMethodsKeepToTheirKind) {
    define("proj", 'J', {"rate = 0.05"});
    define("pv", 'V', {"x = 1"});
    define("pp", 'R', {"y = 2"});
    struct Case {
        int (*driver)(RSKCON*, const RSKNAMELIST*);
        const char* name;
        int rc;
        const char* word;   // in 598/1126
    } cases[] = {
        {rskrsv6, "proj", 0, nullptr}, {rskrsv6, "pv", 1, "project"},
        {rskrsv7, "pv", 0, nullptr},   {rskrsv7, "pp", 1, "post-valuation"},
        {rskrsv8, "pp", 0, nullptr},   {rskrsv8, "missing", 1, "post-pricing"},
    };
    for (const Case& c : cases) {
        run_.actions_first = run_.actions_last = nullptr;
        const size_t at = log().size();
        RSKNAMELIST methods = list({c.name});
        EXPECT_EQ(c.driver(con, &methods), c.rc) << c.name;
        const std::string text = log().substr(at);
        if (c.word == nullptr) {
            EXPECT_EQ(actions(), c.name);
            EXPECT_EQ(static_cast<RSKGENTRANS*>(run_.actions_first->target)->compiled, 1);
        } else {
            EXPECT_EQ(actions(), "");
            EXPECT_NE(text.find("598/1126"), std::string::npos) << text;
            EXPECT_NE(text.find(c.word), std::string::npos) << text;
        }
    }
}

TEST_F(MethodDrivers, ACounterpartyTypeMethodJoinsTheRun) {
    define("cptymodel", 'T', {"rate = rate"});
    RSKTYPEMETHOD record{};
    rskname(con, &record.name, "cptymodel", -1);
    record.kind = 11;
    RSKNAMEREC type = name_of("Swaps");
    ASSERT_EQ(rskrsvm(con, &record, &type), 0) << log();
    EXPECT_EQ(record.mode, 3);
    ASSERT_NE(record.method, nullptr);
    EXPECT_EQ(record.method->compiled, 1);
    EXPECT_EQ(run_.actions_first, &record.action);
    EXPECT_EQ(record.action.target, record.method);

    RSKTYPEMETHOD missing{};
    rskname(con, &missing.name, "nomodel", -1);
    const size_t at = log().size();
    EXPECT_EQ(rskrsvm(con, &missing, &type), 1);
    EXPECT_NE(log().find("598/3128", at), std::string::npos);
    EXPECT_EQ(run_.actions_first->next, nullptr);
}

}  // namespace
