// Bad catalog data sets, one table: each case gives its message and a failure, never a crash,
// and afterwards the environment lists every variable once.
#include <fstream>
#include <functional>

#include "engine/model/datasets/catalog_datasets_api.h"
#include "tests/engine/definitions_fixture.h"

namespace {

using Reader = int (*)(RSKCON*, const char*, const char*, const char*);
using Rows = std::vector<std::vector<std::string>>;

const std::vector<TestColumn> kVarColumns = {{"NAME", true, 40}, {"KIND", true, 18}, {"TYPE", true, 18}, {"ROLE", true, 18}};
const std::vector<TestColumn> kTypeColumns = {{"INSTTYPE", true, 32}, {"TYPE", true, 10}, {"CONTENT", true, 256}};
const std::vector<TestColumn> kArrayColumns = {{"ARRAYNAM", true, 32}, {"TYPE", true, 16}, {"CONTENT", true, 256}};
const std::vector<TestColumn> kRefColumns = {{"NAME", true, 32}, {"REFVAR", true, 32}, {"REFKEY", true, 32}};

Rows repeated(int n, const std::function<std::vector<std::string>(int)>& row) {
    Rows rows;
    for (int i = 0; i < n; ++i) rows.push_back(row(i));
    return rows;
}

struct BadCase {
    const char* what;
    EngineSlot reader;
    std::vector<TestColumn> columns;   // empty: no data set is written
    Rows rows;
    std::vector<const char*> said;     // in the log, in this order
    const char* not_defined;           // a variable or type that must not exist afterwards
};

class BadCatalogData : public DefinitionsTest {
protected:
    Reader reader_of(EngineSlot slot) {
        switch (slot) {
        case EngineSlot::rskvarr: return engine_routine<EngineSlot::rskvarr>();
        case EngineSlot::rskclsr: return engine_routine<EngineSlot::rskclsr>();
        case EngineSlot::rskaryr: return engine_routine<EngineSlot::rskaryr>();
        case EngineSlot::rskrefr: return engine_routine<EngineSlot::rskrefr>();
        default: return engine_routine<EngineSlot::rskcatr>();
        }
    }
    // Every user variable appears once in the listing.
    void expect_listed_once(const char* what) {
        engine_routine<EngineSlot::rsk0>()(con);
        const size_t at = listing().size();
        engine_routine<EngineSlot::rskvarp>()(con, nullptr, 0);
        const std::string text = listing().substr(at);
        for (const RSKVARIABLE* v = con->variables_head; v != nullptr; v = v->next) {
            if (v->flags3 & RSKF3_INTERNAL_REFERENCE) continue;
            if (v->kind == 2 && v->data_type == 60) continue;
            const std::string line = " " + std::string(v->name.name.text, v->name.name.length) + "  Kind:";
            EXPECT_EQ(count_of(text, line), 1) << what << ": " << line;
        }
    }
};

TEST_F(BadCatalogData, EachCaseFailsWithItsMessage) {
    const std::string forty(40, 'x');
    const BadCase cases[] = {
        {"missing data set", EngineSlot::rskvarr, {}, {}, {"598/1001"}, nullptr},
        {"missing NAME", EngineSlot::rskvarr, {{"KIND", true, 18}, {"TYPE", true, 18}}, {{"F", "NUM"}}, {"598/1002"}, nullptr},
        {"numeric NAME", EngineSlot::rskvarr, {{"NAME", false, 8}, {"TYPE", true, 18}}, {{"1", "NUM"}}, {"598/1004"}, nullptr},
        {"character LENGTH", EngineSlot::rskvarr, {{"NAME", true, 8}, {"TYPE", true, 18}, {"LENGTH", true, 4}},
         {{"a", "NUM", "8"}}, {"598/1003"}, "a"},
        {"unknown KIND", EngineSlot::rskvarr, kVarColumns, {{"k", "WIDGET", "NUM", ""}}, {"598/1092", "598/1091"}, "k"},
        {"unknown TYPE", EngineSlot::rskvarr, kVarColumns, {{"t", "F", "BLOB", ""}}, {"598/1092"}, "t"},
        {"unknown ROLE", EngineSlot::rskvarr, kVarColumns, {{"r", "F", "NUM", "NOPE"}}, {"598/1092"}, "r"},
        {"_cashflow_ prefix", EngineSlot::rskvarr, kVarColumns, {{"_CashFlow_x", "F", "NUM", ""}},
         {"670/3525", "598/1093"}, "_CashFlow_x"},
        {"40-character NAME", EngineSlot::rskvarr, kVarColumns, {{forty, "F", "NUM", ""}}, {"598/1093"}, nullptr},
        {"21st failing row", EngineSlot::rskvarr, kVarColumns,
         [] {
             Rows rows = repeated(20, [](int) { return std::vector<std::string>{"", "F", "NUM", ""}; });
             rows.push_back({"late", "F", "NUM", ""});
             return rows;
         }(),
         {"598/1093", "598/1096"}, "late"},
        {"TRANS row", EngineSlot::rskclsr, kTypeColumns,
         {{"Fx", "VAR", "coupon"}, {"Fx", "TRANS", "Tshift"}, {"Fx", "VAR", "notional"}},
         {"rskactd: bad action code 5 for Fx.", "598/1079", "598/1083"}, nullptr},
        {"20 failing type groups", EngineSlot::rskclsr, kTypeColumns,
         repeated(21, [](int i) { return std::vector<std::string>{"T" + std::to_string(i), "TRANS", "x"}; }),
         {"598/1079", "598/1098"}, "T20"},
        {"20 failing array groups", EngineSlot::rskaryr, kArrayColumns,
         repeated(21, [](int i) { return std::vector<std::string>{"A" + std::to_string(i), "ELEMENT", "x"}; }),
         {"598/1084", "598/1097"}, "A20"},
        {"unknown array role", EngineSlot::rskaryr, kArrayColumns, {{"curve", "ROLE", "WIDGET"}}, {"598/3142"}, "curve"},
        {"references of a non-factor", EngineSlot::rskrefr, kRefColumns,
         {{"coupon", "RiskFactor", "c"}, {"usd1y", "RiskFactor", "one"}}, {"598/1671"}, nullptr},
        {"references of an inherited factor", EngineSlot::rskrefr, kRefColumns, {{"parent1y", "RiskFactor", "p"}},
         {"598/1672"}, nullptr},
        {"categories of an inherited factor", EngineSlot::rskcatr, {{"NAME", true, 32}, {"CATEGORY", true, 32}},
         {{"parent1y", "rates"}}, {"598/1674"}, nullptr},
    };
    for (const BadCase& c : cases) {
        SCOPED_TRACE(c.what);
        restart();
        ASSERT_EQ(declare("coupon", 3, 1, 201), 0);
        ASSERT_EQ(declare("notional", 3, 1, 201), 0);
        ASSERT_EQ(declare("usd1y", 2, 1, 321, 0, "USD", 1), 0);
        ASSERT_EQ(declare("parent1y", 2, 1, 321, 0, "USD", 1), 0);
        RSKENV parent{};
        engine_routine<EngineSlot::rskname>()(con, &parent.name, "PARENT", -1);
        variable("parent1y")->environment = &parent;
        if (!c.columns.empty()) {
            ASSERT_EQ(write_test_dataset("DEFS", "bad", c.columns, c.rows), 0);
        }
        const size_t before = log().size();
        EXPECT_NE(reader_of(c.reader)(con, "DEFS", c.columns.empty() ? "absent" : "bad", nullptr), 0);
        const std::string said = log().substr(before);
        size_t at = 0;
        for (const char* message : c.said) {
            at = said.find(message, at);
            EXPECT_NE(at, std::string::npos) << message << " in\n" << said;
        }
        if (c.not_defined != nullptr) {
            EXPECT_EQ(variable(c.not_defined), nullptr);
            EXPECT_EQ(type(c.not_defined), nullptr);
        }
        expect_listed_once(c.what);
        EXPECT_EQ(variable("parent1y")->reference_pair_count, 0u);
        EXPECT_EQ(variable("parent1y")->category_count, 0u);
        variable("parent1y")->environment = nullptr;
    }
}

TEST_F(BadCatalogData, ATransRowLeavesTheGroupsOtherRows) {
    ASSERT_EQ(declare("coupon", 3, 1, 201), 0);
    ASSERT_EQ(declare("notional", 3, 1, 201), 0);
    ASSERT_EQ(write_test_dataset("DEFS", "bad", kTypeColumns,
                                 {{"Fx", "VAR", "coupon"}, {"Fx", "TRANS", "Tshift"}, {"Fx", "VAR", "notional"},
                                  {"Next", "VAR", "coupon"}}), 0);
    engine_routine<EngineSlot::rskclsr>()(con, "DEFS", "bad", nullptr);
    ASSERT_NE(type("Fx"), nullptr);
    EXPECT_EQ(type("Fx")->declared_count, 2);
    ASSERT_NE(type("Next"), nullptr);
    EXPECT_EQ(type("Next")->declared_count, 1);
    // And a damaged data set is refused like a missing one.
    std::ofstream(dir_ / "broken.qor7bdat") << "not a data set at all";
    EXPECT_EQ(engine_routine<EngineSlot::rskclsr>()(con, "DEFS", "broken", nullptr), 1);
    EXPECT_NE(log().find("598/1001"), std::string::npos);
}

TEST_F(BadCatalogData, ReferencesAfterARefusedGroupAreRead) {
    ASSERT_EQ(declare("coupon", 3, 1, 201), 0);
    ASSERT_EQ(declare("usd1y", 2, 1, 321, 0, "USD", 1), 0);
    ASSERT_EQ(write_test_dataset("DEFS", "refs", kRefColumns,
                                 {{"coupon", "RiskFactor", "c"}, {"usd1y", "RiskFactor", "one"}}), 0);
    engine_routine<EngineSlot::rskrefr>()(con, "DEFS", "refs", nullptr);
    EXPECT_EQ(variable("usd1y")->reference_pair_count, 1u);
}

}  // namespace
