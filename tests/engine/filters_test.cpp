// Position filters, statistics lists and instrument filter expressions through the entry table:
// combining and its length limit, owned copies, checking names, compiled filters over values the
// test binds and changes, and every allocation failing in turn.
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "engine/model/filters/filters.h"
#include "engine/model/filters/instrument_filters.h"
#include "host/anchor.h"
#include "host/where.h"
#include "tests/engine/variables_fixture.h"

namespace {

enum : uint32_t { NUM = 1, CHAR = 2 };

class Filters : public VariableEngine {
protected:
    void SetUp() override {
        VariableEngine::SetUp();
        ASSERT_EQ(declare(Declare("notional", RSKVKIND_INSTRUMENT, NUM)), 0) << log();
        ASSERT_EQ(declare(Declare("ccy", RSKVKIND_INSTRUMENT, CHAR).length(3)), 0) << log();
        ASSERT_EQ(declare(Declare("usd1y", RSKVKIND_FACTOR, NUM)), 0) << log();
        ASSERT_EQ(declare(Declare("pv", RSKVKIND_OUTPUT, NUM)), 0) << log();
        ASSERT_EQ(rebuild(), 0) << log();
    }

    // A new filter on its catalog object; the record.
    RSKFILTER* define_filter(const char* name) {
        RSKNAMEREC key = name_of(name);
        RSKCATOBJ* object = nullptr;
        if (engine_routine<EngineSlot::rskwhrd>()(con, &object, &key, nullptr, nullptr) != 0) return nullptr;
        return object != nullptr ? static_cast<RSKFILTER*>(object->object) : nullptr;
    }
    int combine(RSKFILTER* filter, const std::string& text, int mode) {
        RSKNAMEREC expression{0, static_cast<uint16_t>(text.size()), const_cast<char*>(text.data())};
        return engine_routine<EngineSlot::rskwhra>()(con, filter, &expression, mode);
    }
    static std::string text_of(const RSKFILTER* f) { return f->text ? std::string(f->text, f->text_length) : ""; }
    size_t global_blocks() { return qor_pool_live_blocks(qor_global_gcb()->global_pool); }
};

TEST_F(Filters, CombiningGivesTheTextAndLengthOfEachMode) {
    struct Case {
        int mode;
        const char* expected;
    } cases[] = {
        {RSKWHR_AND, "(notional > 0) AND (ccy = 'USD')"},
        {RSKWHR_APPEND, "notional > 0 ccy = 'USD'"},
        {RSKWHR_OR, "(notional > 0) OR (ccy = 'USD')"},
        {7, "(notional > 0) OR (ccy = 'USD')"},
    };
    for (const Case& c : cases) {
        RSKFILTER* f = define_filter("f");
        ASSERT_NE(f, nullptr) << log();
        ASSERT_EQ(combine(f, "notional > 0", c.mode), 0);
        EXPECT_EQ(text_of(f), "notional > 0") << "P into an empty filter is P";
        ASSERT_EQ(combine(f, "ccy = 'USD'", c.mode), 0);
        EXPECT_EQ(text_of(f), c.expected) << c.mode;
        EXPECT_EQ(f->text_length, std::string(c.expected).size());
        EXPECT_EQ(f->text_capacity, f->text_length + 1);
        EXPECT_EQ(f->text[f->text_length], '\0');
    }
}

TEST_F(Filters, CombiningPastTheLimitIsRefusedAndLeavesTheFilter) {
    RSKFILTER* f = define_filter("big");
    ASSERT_NE(f, nullptr);
    const std::string piece(20000, 'x');
    // 20000, 40009, 60018: under the limit; the next would be 80027 (and wrap in 16 bits).
    for (int i = 0; i < 3; ++i) ASSERT_EQ(combine(f, piece, RSKWHR_AND), 0) << i;
    ASSERT_EQ(f->text_length, 60018u);
    const std::string before = text_of(f);
    EXPECT_EQ(combine(f, piece, RSKWHR_AND), 1);
    EXPECT_EQ(count_of(log(), "598/2182"), 1) << log();
    EXPECT_EQ(text_of(f), before);
    // Exactly at the limit is accepted; one byte more is not.
    RSKFILTER* g = define_filter("edge");
    ASSERT_EQ(combine(g, std::string(kRskFilterTextLimit - 1, 'y'), RSKWHR_AND), 0);
    EXPECT_EQ(combine(g, "z", RSKWHR_AND), 1);
    EXPECT_EQ(combine(g, "", RSKWHR_APPEND), 0);
    RSKFILTER* h = define_filter("edge2");
    ASSERT_EQ(combine(h, std::string(kRskFilterTextLimit - 2, 'y'), RSKWHR_AND), 0);
    EXPECT_EQ(combine(h, "z", RSKWHR_APPEND), 0);
    EXPECT_EQ(h->text_length, kRskFilterTextLimit);
    // Setting a text past the limit is refused the same way.
    const std::string huge(70000, 'q');
    RSKNAMEREC expression{0, 0, const_cast<char*>(huge.data())};
    expression.length = 65535;
    EXPECT_EQ(engine_routine<EngineSlot::rskwhru>()(con, h, &expression, nullptr, 0), 1);
    EXPECT_EQ(h->text_length, kRskFilterTextLimit);
}

TEST_F(Filters, SettingTheTextCopiesItAndClearingGivesTheCopiesBack) {
    RSKFILTER* f = define_filter("f");
    ASSERT_NE(f, nullptr);
    const size_t blocks = qor_pool_live_blocks(con->current_pool);
    std::string caller = "notional > 0 ccy = 'USD'";
    std::vector<int32_t> ends = {12, 24};
    RSKNAMEREC expression{0, static_cast<uint16_t>(caller.size()), caller.data()};
    ASSERT_EQ(engine_routine<EngineSlot::rskwhru>()(con, f, &expression, ends.data(), 2), 0);
    caller.assign(caller.size(), '#');
    ends = {0, 0};
    EXPECT_EQ(text_of(f), "notional > 0 ccy = 'USD'");
    ASSERT_EQ(f->end_count, 2u);
    EXPECT_EQ(f->ends[0], 12);
    EXPECT_EQ(f->ends[1], 24);
    EXPECT_EQ(qor_pool_live_blocks(con->current_pool), blocks + 2);
    EXPECT_EQ(engine_routine<EngineSlot::rskwhrc>()(con, f), 0);
    EXPECT_EQ(qor_pool_live_blocks(con->current_pool), blocks);
    EXPECT_EQ(f->text, nullptr);
    EXPECT_EQ(f->text_length, 0u);
    EXPECT_EQ(f->end_count, 0u);
    EXPECT_EQ(engine_routine<EngineSlot::rskwhrc>()(con, f), 0) << "clearing an empty filter frees nothing";
    EXPECT_EQ(qor_pool_live_blocks(con->current_pool), blocks);

    // End offsets that fall, or pass the text, are refused: the filter keeps what it had.
    std::string kept = "notional > 0";
    RSKNAMEREC first{0, static_cast<uint16_t>(kept.size()), kept.data()};
    ASSERT_EQ(engine_routine<EngineSlot::rskwhru>()(con, f, &first, nullptr, 0), 0);
    for (std::vector<int32_t> bad : {std::vector<int32_t>{5, 3}, std::vector<int32_t>{25}, std::vector<int32_t>{-1}}) {
        EXPECT_EQ(engine_routine<EngineSlot::rskwhru>()(con, f, &expression, bad.data(), static_cast<int>(bad.size())), 1);
        EXPECT_EQ(text_of(f), kept);
    }
    EXPECT_NE(log().find("rskwhru: the end offsets do not fit"), std::string::npos) << log();
}

TEST_F(Filters, RedefiningKeepsTheObjectAndEmptiesTheFilter) {
    RSKNAMEREC key = name_of("Big");
    RSKCATOBJ* first = nullptr;
    ASSERT_EQ(engine_routine<EngineSlot::rskwhrd>()(con, &first, &key, nullptr, nullptr), 0);
    auto* f = static_cast<RSKFILTER*>(first->object);
    ASSERT_EQ(combine(f, "notional > 1e6", RSKWHR_AND), 0);
    RSKNAMEREC lower = name_of("BIG");
    EXPECT_EQ(engine_routine<EngineSlot::rskwhr>()(con, &lower), first);
    RSKCATOBJ* again = nullptr;
    ASSERT_EQ(engine_routine<EngineSlot::rskwhrd>()(con, &again, &key, nullptr, nullptr), 0);
    EXPECT_EQ(again, first);
    EXPECT_EQ(again->object, f);
    EXPECT_EQ(f->text_length, 0u);
    ASSERT_EQ(combine(f, "ccy = 'EUR'", RSKWHR_AND), 0);
    const size_t at = listing().size();
    EXPECT_EQ(engine_routine<EngineSlot::rskwhrp>()(con, f), 0);
    const std::string shown = listing().substr(at);
    EXPECT_NE(shown.find("Filter Big"), std::string::npos) << shown;
    EXPECT_NE(shown.find("WHERE ccy = 'EUR'"), std::string::npos) << shown;
    RSKNAMEREC none = name_of("nosuch");
    EXPECT_EQ(engine_routine<EngineSlot::rskwhr>()(con, &none), nullptr);
}

TEST_F(Filters, CheckingTellsParseFailuresFromNameFailures) {
    struct Case {
        const char* text;
        int expected;
    } cases[] = {
        {"notional > 1e6 and ccy = 'USD'", 0},
        {"NOTIONAL in (1, 2, 3)", 0},
        {"notional > ", RSKWHR_PARSE_FAILED},
        {"(notional > 1", RSKWHR_PARSE_FAILED},
        {"nosuch > 1", RSKWHR_NAME_FAILED},
        {"usd1y > 0", RSKWHR_NAME_FAILED},   // a risk factor: role flags lack 0x01
        {"pv > 0", RSKWHR_NAME_FAILED},      // a computed output
    };
    RSKFILTER* f = define_filter("f");
    for (const Case& c : cases) {
        std::string text = c.text;
        RSKNAMEREC expression{0, static_cast<uint16_t>(text.size()), text.data()};
        ASSERT_EQ(engine_routine<EngineSlot::rskwhru>()(con, f, &expression, nullptr, 0), 0);
        EXPECT_EQ(engine_routine<EngineSlot::rskwhrv>()(con, f), c.expected) << c.text;
        EXPECT_EQ(engine_routine<EngineSlot::rskpsfv>()(con, c.text), c.expected == 0 ? 0 : kRskFilterFailed)
            << c.text;
    }
}

TEST_F(Filters, CompiledFilterSeesTheCurrentValues) {
    RSKVARIABLE* holding = find("Holding");
    RSKVARIABLE* notional = find("notional");
    RSKVARIABLE* ccy = find("ccy");
    ASSERT_TRUE(holding && notional && ccy);
    double holding_value = 0, notional_value = 0;
    char ccy_value[3] = {'U', 'S', 'D'};
    give_value(holding, &holding_value, 5);
    give_value(notional, &notional_value, 2e6);
    ccy->value = ccy_value;

    auto open = engine_routine<EngineSlot::rskpsfo>();
    auto eval = engine_routine<EngineSlot::rskpsfe>();
    auto close = engine_routine<EngineSlot::rskpsfc>();
    RSKINSTFILTER* by_holding = nullptr;
    ASSERT_EQ(open(con, "Holding > 0", -1, &by_holding), 0) << log();
    EXPECT_EQ(eval(by_holding), 1);
    holding_value = -3;
    EXPECT_EQ(eval(by_holding), 0);
    holding_value = qor::missing();
    EXPECT_EQ(eval(by_holding), 0) << "a missing value is below every number";
    EXPECT_EQ(close(by_holding), 0);

    RSKINSTFILTER* both = nullptr;
    const char* text = "notional > 1e6 and ccy = 'USD' or notional < 0";
    ASSERT_EQ(open(con, text, 30, &both), 0) << "only the first 30 bytes are the expression";
    EXPECT_EQ(std::string(both->text), "notional > 1e6 and ccy = 'USD'");
    EXPECT_EQ(both->count, 2);
    EXPECT_EQ(eval(both), 1);
    std::memcpy(ccy_value, "EUR", 3);
    EXPECT_EQ(eval(both), 0);
    std::memcpy(ccy_value, "USD", 3);
    notional_value = 1e6;
    EXPECT_EQ(eval(both), 0);
    close(both);

    RSKINSTFILTER* twice = nullptr;
    ASSERT_EQ(open(con, "notional > 0 and notional < 5e6", -1, &twice), 0);
    ASSERT_EQ(twice->count, 2) << "a name used twice gives two references";
    EXPECT_EQ(twice->head->variable, notional);
    EXPECT_EQ(twice->tail->variable, notional);
    close(twice);
}

TEST_F(Filters, FailedCompilesLeaveNothingBehind) {
    double value = 1;
    give_value(find("notional"), &value, 1);
    auto open = engine_routine<EngineSlot::rskpsfo>();
    struct Case {
        const char* text;
        int expected;
    } cases[] = {
        {"nosuch > 1", QOR_WHERE_NOT_FOUND},
        {"notional > 0 and nosuch = 2", QOR_WHERE_NOT_FOUND},
        {"usd1y > 0", QOR_WHERE_NOT_FOUND},
        {"ccy = 'USD'", QOR_WHERE_BAD_ARGUMENT},   // no value storage outside a run
        {"notional >", kRskFilterFailed},
        {"", kRskFilterFailed},
    };
    for (const Case& c : cases) {
        const size_t before = global_blocks();
        RSKINSTFILTER* f = reinterpret_cast<RSKINSTFILTER*>(&value);   // must come back null
        EXPECT_EQ(open(con, c.text, -1, &f), c.expected) << c.text;
        EXPECT_EQ(f, nullptr) << c.text;
        EXPECT_EQ(global_blocks(), before) << c.text;
    }
    EXPECT_EQ(engine_routine<EngineSlot::rskpsfe>()(nullptr), QOR_WHERE_BAD_ARGUMENT);
    EXPECT_EQ(engine_routine<EngineSlot::rskpsfc>()(nullptr), 0);
}

TEST_F(Filters, EveryAllocationOfACompileFailsInTurn) {
    double value = 1;
    give_value(find("notional"), &value, 1);
    auto open = engine_routine<EngineSlot::rskpsfo>();
    int failed = 0;
    for (long n = 1; n < 200; ++n) {
        const size_t before = global_blocks();
        RSKINSTFILTER* f = nullptr;
        qor_pool_fail_nth(n);
        int rc = open(con, "notional > 0 and notional < 9", -1, &f);
        const long left = qor_pool_fail_nth(0);
        if (left != 0) {
            ASSERT_EQ(rc, 0);
            engine_routine<EngineSlot::rskpsfc>()(f);
            EXPECT_EQ(global_blocks(), before);
            break;
        }
        ++failed;
        EXPECT_EQ(rc, kRskFilterFailed) << n;
        EXPECT_EQ(f, nullptr) << n;
        EXPECT_EQ(global_blocks(), before) << n;
    }
    EXPECT_GE(failed, 4) << "handle, text and two references";
}

TEST_F(Filters, EveryAllocationOfTheDefinitionsFailsInTurn) {
    struct Op {
        const char* name;
        std::function<int()> run;
    };
    int counter = 0;
    std::vector<Op> ops = {
        {"rskwhrd", [&] {
             const std::string name = "f" + std::to_string(++counter);
             if (define_filter(name.c_str()) != nullptr) return 0;
             // A failed definition leaves no filter record behind (catalog storage may keep the
             // object it made before its own allocation failed, without a record).
             RSKNAMEREC key = name_of(name.c_str());
             RSKCATOBJ* left = engine_routine<EngineSlot::rskwhr>()(con, &key);
             return left == nullptr || left->object == nullptr ? 1 : 2;
         }},
        {"rskwhra", [&] {
             RSKFILTER* f = define_filter("combined");
             if (f == nullptr) return 1;
             return combine(f, "notional > 0", RSKWHR_AND) | combine(f, "ccy = 'USD'", RSKWHR_AND);
         }},
        {"rskwhru", [&] {
             RSKFILTER* f = define_filter("set");
             if (f == nullptr) return 1;
             std::string text = "notional > 0";
             int32_t ends[1] = {12};
             RSKNAMEREC e{0, static_cast<uint16_t>(text.size()), text.data()};
             return engine_routine<EngineSlot::rskwhru>()(con, f, &e, ends, 1);
         }},
        {"rsktsgd/rsktsga", [&] {
             const std::string name = "s" + std::to_string(++counter);
             RSKNAMEREC key = name_of(name.c_str());
             RSKCATOBJ* object = nullptr;
             if (engine_routine<EngineSlot::rsktsgd>()(con, &object, &key, nullptr, nullptr) != 0)
                 return engine_routine<EngineSlot::rsktsg>()(con, &key) == nullptr ||
                                engine_routine<EngineSlot::rsktsg>()(con, &key)->object == nullptr
                            ? 1
                            : 2;
             auto* list = static_cast<RSKTRANSTATS*>(object->object);
             return engine_routine<EngineSlot::rsktsga>()(con, list, 2, "notional", -1, "avg", -1);
         }},
    };
    for (const Op& op : ops) {
        int failed = 0;
        for (long n = 1; n < 500; ++n) {
            con->no_memory_reported = 0;
            const size_t at = log().size();
            qor_pool_fail_nth(n);
            const int rc = op.run();
            const long left = qor_pool_fail_nth(0);
            const std::string said = log().substr(at);
            if (left != 0) {
                EXPECT_EQ(rc, 0) << op.name << said;
                break;
            }
            ++failed;
            EXPECT_EQ(rc, 1) << op.name << " allocation " << n;
            EXPECT_EQ(count_of(said, "598/2797"), 1) << op.name << " allocation " << n << said;
        }
        EXPECT_GE(failed, 1) << op.name;
    }
}

TEST_F(Filters, StatisticsListsAppendPrintAndEmptyOnRedefinition) {
    RSKNAMEREC key = name_of("st");
    RSKCATOBJ* object = nullptr;
    auto define = engine_routine<EngineSlot::rsktsgd>();
    auto add = engine_routine<EngineSlot::rsktsga>();
    ASSERT_EQ(define(con, &object, &key, nullptr, nullptr), 0);
    auto* list = static_cast<RSKTRANSTATS*>(object->object);
    ASSERT_EQ(add(con, list, 2, "notional", -1, "avg_notional", -1), 0);
    ASSERT_EQ(add(con, list, 5, "pv", 2, "", 0), 0);
    EXPECT_EQ(add(con, list, 5, "", 0, "x", -1), 1) << "a statistic needs a variable";
    ASSERT_EQ(list->count, 2);
    EXPECT_EQ(std::string(list->tail->variable.name.text, list->tail->variable.name.length), "pv");
    EXPECT_EQ(list->tail->result.name.length, 0);
    EXPECT_EQ(list->tail->type, 5);

    const size_t at = listing().size();
    ASSERT_EQ(engine_routine<EngineSlot::rsktsgp>()(con, list), 0);
    const std::string shown = listing().substr(at);
    for (const char* piece : {"Statistics list st", "Number of statistics: 2", "1. ", "avg_notional", "2. "})
        EXPECT_NE(shown.find(piece), std::string::npos) << piece << "\n" << shown;

    EXPECT_EQ(engine_routine<EngineSlot::rsktsg>()(con, &key), object);
    RSKCATOBJ* again = nullptr;
    ASSERT_EQ(define(con, &again, &key, nullptr, nullptr), 0);
    EXPECT_EQ(again, object);
    EXPECT_EQ(list->count, 0);
    EXPECT_EQ(list->head, nullptr);
    // The entries went back to their free list and are used again.
    RSKSTATENTRY* free_head = con->free_lists->statistics_entries;
    ASSERT_EQ(add(con, list, 1, "notional", -1, "total", -1), 0);
    EXPECT_EQ(list->head, free_head);
    EXPECT_EQ(engine_routine<EngineSlot::rsktsgf>()(con, list), 0);
    EXPECT_EQ(con->free_lists->statistics_lists, list);
}

}  // namespace

namespace {

TEST_F(Filters, ARecordThatCannotBeHadLeavesNoObject) {
    using Define = int (*)(RSKCON*, RSKCATOBJ**, const RSKNAMEREC*, const RSKNAMEREC*, RSKCATOBJ*);
    using Find = RSKCATOBJ* (*)(RSKCON*, const RSKNAMEREC*);
    struct Case {
        const char* name;
        Define define;
        Find find;
    } cases[] = {
        {"rskwhrd", engine_routine<EngineSlot::rskwhrd>(), engine_routine<EngineSlot::rskwhr>()},
        {"rsktsgd", engine_routine<EngineSlot::rsktsgd>(), engine_routine<EngineSlot::rsktsg>()},
    };
    for (const Case& c : cases) {
        // The free list is empty: the first allocation is the chunk of records.
        RSKNAMEREC key = name_of("first");
        RSKCATOBJ* object = nullptr;
        qor_pool_fail_nth(1);
        EXPECT_EQ(c.define(con, &object, &key, nullptr, nullptr), 1) << c.name;
        qor_pool_fail_nth(0);
        EXPECT_EQ(object, nullptr) << c.name;
        EXPECT_EQ(c.find(con, &key), nullptr) << c.name;
        EXPECT_EQ(c.define(con, &object, &key, nullptr, nullptr), 0) << c.name;
        EXPECT_NE(object->object, nullptr) << c.name;
    }
}

}  // namespace
