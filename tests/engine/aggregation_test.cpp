// The aggregation engine through the entry table: pages and base pages of cross-classifications,
// the hash table and its growth, cells against an independent group-by, the roll-up's callback
// order, sorted walks, the limits of a cross-classification and the out-of-memory paths.
#include <map>
#include <random>
#include <tuple>

#include "tests/engine/aggregation_fixture.h"

namespace {

using Aggregation = AggregationEngine;

TEST_F(Aggregation, PagesAndBasePagesFollowTheHierarchies) {
    // Class-variable bits: A 1, B 2, C 4 (S or ALtype take the next bit).
    struct Case {
        const char* title;
        std::vector<std::vector<std::string>> hierarchies;
        bool special_outside;
        bool special_is_a;
        bool al_request;
        std::vector<uint32_t> pages;
        std::vector<uint32_t> bases;
    };
    const Case cases[] = {
        {"nested", {{"A", "B", "C"}}, false, false, false, {7, 3, 1, 0}, {7}},
        {"B crossed", {{"A", "B*", "C"}}, false, false, false, {7, 6, 3, 2, 1, 0}, {7}},
        {"two hierarchies", {{"A", "B"}, {"C"}}, false, false, false, {3, 1, 4, 0}, {3, 4}},
        {"special outside", {{"A", "B"}}, true, false, false, {7, 3, 1, 0}, {7}},
        {"special inside", {{"A", "B"}}, false, true, false, {3, 1, 0}, {3}},
        {"A/L request", {{"A", "B"}}, false, false, true, {7, 5, 3, 1, 4, 0}, {7}},
    };
    class_variable("A", 4);
    class_variable("B", 4);
    class_variable("C");
    RSKVARIABLE* s = class_variable("S", 2);
    RSKNAMEREC a_name = name_of("A");
    int number = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        RSKCROSSCLASS* x = cross(("X" + std::to_string(++number)).c_str());
        for (const auto& h : c.hierarchies) hierarchy(x, h);
        x->al_request = c.al_request ? 1 : 0;
        RSKVARIABLE* special = c.special_outside ? s : c.special_is_a ? call<EngineSlot::rskvar>()(con, &a_name) : nullptr;
        RSKAGGCTL* control = build(x, special);
        ASSERT_NE(control, nullptr);
        EXPECT_EQ(page_masks(control), c.pages);
        EXPECT_EQ(base_masks(control), c.bases);
        EXPECT_EQ(control->special_bit, c.special_outside ? 4u : c.special_is_a ? 1u : 0u);
        EXPECT_EQ(x->al_request, c.al_request ? 3 : 0);   // ALtype became the third class variable
        // Every cross-classification has the grand total, whose key is all total markers.
        EXPECT_EQ(control->pages[control->page_count - 1]->mask, 0u);
    }
}

TEST_F(Aggregation, TableStartsFromThePageWeightAndDoublesToThePrimeBelow) {
    EXPECT_EQ(LargestPrime(16384), 16381u);
    EXPECT_EQ(LargestPrime(62), 61u);
    EXPECT_EQ(LargestPrime(122), 113u);
    EXPECT_EQ(LargestPrime(1), 1u);   // 1 counts as prime
    EXPECT_EQ(CalcHashTableSize(100000), 16381u);

    RSKVARIABLE* a = class_variable("A");
    RSKVARIABLE* b = class_variable("B");
    RSKCROSSCLASS* x = cross("AB");
    hierarchy(x, {"A", "B"});
    RSKAGGCTL* control = build(x);
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(call<EngineSlot::rskgrp5>()(con, control), 25 + 5 + 1);
    EXPECT_EQ(control->hash_size, 61u);
    EXPECT_EQ(call<EngineSlot::rskgrp4>()(con, control), 16 + 16 + 32);
    for (int i = 0; i < 62; ++i) {
        set_number(a, i % 7);
        set_number(b, i / 7);
        ASSERT_EQ(feed(control, 1), 0);
        EXPECT_EQ(control->hash_size, i < 61 ? 61u : 113u) << i;
    }
    EXPECT_EQ(control->table_builds, 2);
    // After the rehash every cell is still found: feeding the same keys makes no cell.
    for (int i = 0; i < 62; ++i) {
        set_number(a, i % 7);
        set_number(b, i / 7);
        int32_t sequence = 0;
        Observation o{1};
        ASSERT_EQ(call<EngineSlot::rskgrp0>()(con, control, add_observation, &o, &sequence), 0);
        EXPECT_EQ(sequence, i + 1);
    }
    EXPECT_EQ(call<EngineSlot::rskgrp3>()(con, control), 62);
}

TEST_F(Aggregation, KeysLongerThan1024BytesTakeNoMemoryPerLookUp) {
    RSKVARIABLE* text = class_variable("Text", 1500);
    RSKCROSSCLASS* x = cross("Long");
    hierarchy(x, {"Text"});
    RSKAGGCTL* control = build(x);
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(control->key_size, 1500);
    set_text(text, std::string(1400, 'k') + "one");
    ASSERT_EQ(feed(control, 1), 0);
    const size_t after_first = run_.run_pool_bytes;
    for (int i = 0; i < 100; ++i) ASSERT_EQ(feed(control, 1), 0);
    EXPECT_EQ(run_.run_pool_bytes, after_first);   // found again, nothing taken
    set_text(text, std::string(1400, 'k') + "two");
    ASSERT_EQ(feed(control, 1), 0);
    EXPECT_EQ(control->cell_count, 2);
    ASSERT_EQ(call<EngineSlot::rskgrps>()(con, control, add_cells, nullptr, nullptr), 0);
    EXPECT_EQ(control->cell_count, 3);   // and the grand total
}

// Reads a cell's key out of the key buffer as (region, desk), with "" and NaN for totals.
struct CellKey {
    std::string region;   // "+" for the total
    double desk;          // the total marker ._ for the total
};

TEST_F(Aggregation, EveryCellEqualsAnIndependentGroupByAndMissingSpreadsToParents) {
    RSKVARIABLE* region = class_variable("Region", 6);
    RSKVARIABLE* desk = class_variable("Desk");
    RSKCROSSCLASS* x = cross("ByDesk");
    hierarchy(x, {"Region", "Desk*"});
    RSKAGGCTL* control = build(x);
    ASSERT_NE(control, nullptr);

    // Reference sums per crossing, keyed by the values taking part (-1 / "" for absent ones).
    using Key = std::tuple<std::string, double>;
    std::map<Key, std::pair<double, double>> expected;
    std::mt19937 random(20261211);
    const char* regions[] = {"EMEA", "APAC", "AMER", "LATAM"};
    const std::string missing_region = "APAC";
    const double missing_desk = 3;
    auto add = [&](const Key& k, double value) {
        auto& e = expected[k];
        e.first += 1;
        e.second = std::isnan(e.second) || std::isnan(value) ? NAN : e.second + value;
    };
    bool missing_fed = false;
    for (int i = 0; i < 200; ++i) {
        const std::string r = regions[random() % 4];
        const double d = static_cast<double>(random() % 6);
        double value = static_cast<double>(random() % 1000) - 500.0;
        if (!missing_fed && r == missing_region && d == missing_desk) {
            value = NAN;
            missing_fed = true;
        }
        set_text(region, r);
        set_number(desk, d);
        ASSERT_EQ(feed(control, std::isnan(value) ? qor::missing() : value), 0);
        add({r, d}, value);
        add({r, -1}, value);
        add({"", d}, value);
        add({"", -1}, value);
    }
    ASSERT_TRUE(missing_fed);
    ASSERT_EQ(call<EngineSlot::rskgrps>()(con, control, add_cells, nullptr, nullptr), 0);
    EXPECT_EQ(run_.aggregation.error, 0);

    static std::map<Key, std::pair<double, double>>* seen_cells;
    std::map<Key, std::pair<double, double>> seen;
    seen_cells = &seen;
    static RSKAGGCTL* walked;
    walked = control;
    auto collect = [](RSKCON*, void* user_data) {
        const char* key = walked->key;
        const RSKCCVAR* r = walked->variables[0];
        const RSKCCVAR* d = walked->variables[1];
        std::string rv(key + r->offset, r->length);
        double dv;
        std::memcpy(&dv, key + d->offset, 8);
        const bool r_total = rv[0] == '+';
        const bool d_total = qor::missing_code(dv) == '_';
        while (!rv.empty() && rv.back() == ' ') rv.pop_back();
        const auto* cell = static_cast<const CountSum*>(user_data);
        const Key k{r_total ? "" : rv, d_total ? -1 : dv};
        EXPECT_EQ(seen_cells->count(k), 0u);
        (*seen_cells)[k] = {cell->count, qor::is_missing(cell->sum) ? NAN : cell->sum};
        return 0;
    };
    ASSERT_EQ(call<EngineSlot::rskgrp1>()(con, control, collect, nullptr, nullptr, 1), 0);
    EXPECT_EQ(run_.aggregation.output_cells, static_cast<int>(expected.size()));
    ASSERT_EQ(seen.size(), expected.size());
    int missing_cells = 0;
    for (const auto& [k, e] : expected) {
        SCOPED_TRACE(std::get<0>(k) + "/" + std::to_string(std::get<1>(k)));
        ASSERT_EQ(seen.count(k), 1u);
        EXPECT_EQ(seen[k].first, e.first);
        if (std::isnan(e.second)) {
            ++missing_cells;
            EXPECT_TRUE(std::isnan(seen[k].second));
        } else {
            EXPECT_EQ(seen[k].second, e.second);   // integer-valued sums are exact
        }
    }
    EXPECT_EQ(missing_cells, 4);   // its cell, its region, its desk and the grand total
}

// The roll-up's calls as text: "k<kind>s<seen>" per roll-up, "w<phase>" per weighted call,
// "e" per page-entry call.
std::string* g_calls;
int log_rollup(RSKCON* con, void* t, void* s, int kind, int seen) {
    *g_calls += "k" + std::to_string(kind) + "s" + std::to_string(seen) + " ";
    return add_cells(con, t, s, kind, seen);
}
int log_weighted(RSKCON*, void*, int phase) {
    *g_calls += "w" + std::to_string(phase) + " ";
    return 0;
}
int log_entry(RSKCON*, void*) {
    *g_calls += "e ";
    return 0;
}

TEST_F(Aggregation, RollUpCallsKindsAndSeenFlagsInOrder) {
    std::string calls;
    g_calls = &calls;
    RSKVARIABLE* a = class_variable("A");
    RSKVARIABLE* s = class_variable("S", 2);
    RSKVARIABLE* al = con->system_variables->al_type;
    ASSERT_NE(al, nullptr);
    ASSERT_EQ(al->storage_type, RSKSTORE_CHAR);
    std::string al_value(al->length, ' ');
    void* const al_storage = al->value;
    al->value = al_value.data();

    // A/L roll-up: pages {A,AL}, {AL}, {A}, {}; the A/L page's cells reach the grand total
    // through kind 1, the first with seen 0.
    RSKCROSSCLASS* x = cross("AL");
    hierarchy(x, {"A"});
    x->al_request = 1;
    RSKAGGCTL* control = build(x);
    ASSERT_NE(control, nullptr);
    ASSERT_EQ(page_masks(control), (std::vector<uint32_t>{3, 2, 1, 0}));
    const std::pair<double, const char*> rows[] = {{1, "A"}, {2, "L"}, {1, "L"}};
    for (const auto& [number, type] : rows) {
        set_number(a, number);
        std::memset(al->value, ' ', al_value.size());
        static_cast<char*>(al->value)[0] = type[0];
        ASSERT_EQ(feed(control, 1), 0);
    }
    run_.aggregation.cashflow_by_al = 1;
    run_.aggregation.value_processing = 1;
    ASSERT_EQ(call<EngineSlot::rskgrps>()(con, control, log_rollup, log_weighted, nullptr), 0);
    EXPECT_EQ(calls,
              "k0s0 k0s0 k0s0 "          // {A,AL} into {A}
              "k0s0 k0s0 "               // {A} into {}
              "k0s0 k0s0 k0s0 "          // {A,AL} into {AL}
              "k1s0 k1s1 "               // {AL} into {} by A/L
              "w0 w0 "                   // end of {AL}
              "w0 w0 w0 ")               // end of {A,AL}
        << calls;

    // Special variable made a class variable: {S} is entered through the page-entry callback
    // and reaches the total through kind 2.
    calls.clear();
    run_.aggregation = RSKAGGRUN{};
    RSKCROSSCLASS* y = cross("SP");
    hierarchy(y, {"A"});
    y->special_as_class = 1;
    control = build(y, s);
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(y->special_as_class, 2);
    ASSERT_EQ(page_masks(control), (std::vector<uint32_t>{3, 2, 1, 0}));
    const std::pair<double, const char*> special_rows[] = {{1, "x"}, {2, "y"}};
    for (const auto& [number, value] : special_rows) {
        set_number(a, number);
        set_text(s, value);
        ASSERT_EQ(feed(control, 1), 0);
    }
    ASSERT_EQ(control->special_bit, 2u);
    ASSERT_EQ(call<EngineSlot::rskgrps>()(con, control, log_rollup, log_weighted, log_entry), 0);
    EXPECT_EQ(calls,
              "e e "                     // base page {A,S} entered
              "k0s0 k0s0 "               // {A,S} into {A}
              "k0s0 k0s0 "               // {A} into {}
              "k0s0 k0s0 "               // {A,S} into {S}
              "e e "                     // {S} entered
              "k2s0 k2s1 ")              // {S} into {} as special
        << calls;
    al->value = al_storage;
}

TEST_F(Aggregation, SortedWalksPutTheTotalMarkerFirst) {
    RSKVARIABLE* n = class_variable("N");
    RSKCROSSCLASS* x = cross("ByN");
    hierarchy(x, {"N"});
    RSKAGGCTL* control = build(x);
    ASSERT_NE(control, nullptr);
    const double values[] = {3, qor::make_missing('_'), 1, qor::missing(), -2};
    for (double v : values) {
        set_number(n, v);
        ASSERT_EQ(feed(control, v), 0);
    }
    ASSERT_EQ(call<EngineSlot::rskgrp2>()(con, control), 0);
    EXPECT_EQ(control->sorted, 1);
    static std::vector<std::string>* order;
    std::vector<std::string> walked;
    order = &walked;
    auto name = [](const char* key) {
        double v;
        std::memcpy(&v, key, 8);
        if (qor::is_missing(v)) return std::string(qor::missing_code(v) == '_' ? "._" : ".");
        return std::to_string(static_cast<int>(v));
    };
    static decltype(name)* namer;
    namer = &name;
    static RSKAGGCTL* walking;
    walking = control;
    auto visit = [](RSKCON*, void*) {
        order->push_back((*namer)(walking->key));
        return 0;
    };
    ASSERT_EQ(call<EngineSlot::rskgrp1>()(con, control, visit, nullptr, nullptr, 0), 0);
    EXPECT_EQ(walked, (std::vector<std::string>{"._", ".", "-2", "1", "3"}));

    // The optimisation's walk: the count and key size first, then 0-based indexes in key order.
    walked.clear();
    auto begin = [](RSKCON*, void*, int count, int key_size) {
        order->push_back("n" + std::to_string(count) + "k" + std::to_string(key_size));
        return 0;
    };
    auto each = [](RSKCON*, void*, void*, int index, const char* key) {
        order->push_back(std::to_string(index) + ":" + (*namer)(key));
        return 0;
    };
    ASSERT_EQ(call<EngineSlot::rskgrp6>()(con, control, nullptr, each, begin), 0);
    EXPECT_EQ(walked, (std::vector<std::string>{"n5k8", "0:._", "1:.", "2:-2", "3:1", "4:3"}));
}

TEST_F(Aggregation, CrossClassificationsTheEngineCannotTakeAreRefusedByName) {
    EXPECT_EQ(call<EngineSlot::rskgrpd>()(con, nullptr, nullptr, nullptr, 16), 1);

    // A member whose variable has gone since the hierarchy was made.
    class_variable("Gone");
    RSKCROSSCLASS* x = cross("Stale");
    hierarchy(x, {"Gone"});
    call<EngineSlot::rskname>()(con, &x->head->head->name, "Vanished", -1);
    RSKAGGCTL* control = nullptr;
    EXPECT_EQ(call<EngineSlot::rskgrpd>()(con, x, nullptr, &control, 16), 2);
    EXPECT_NE(log().find("Vanished of cross-classification Stale"), std::string::npos) << log();
    EXPECT_EQ(call<EngineSlot::rskgrpx>()(con, control, "WORK"), 5);   // no class variables

    // 32 class variables do not fit the 32-bit crossings (a special one appended to 31 included).
    RSKCROSSCLASS* wide = cross("Wide");
    std::vector<std::string> names;
    for (int i = 0; i < 31; ++i) {
        names.push_back("V" + std::to_string(i));
        class_variable(names.back().c_str());
    }
    for (int i = 0; i < 31; ++i) hierarchy(wide, {names[static_cast<size_t>(i)]});
    RSKVARIABLE* extra = class_variable("Extra");
    EXPECT_EQ(call<EngineSlot::rskgrpd>()(con, wide, extra, &control, 16), 1);
    EXPECT_NE(log().find("Cross-classification Wide has more than 31 class variables"), std::string::npos);
    // 31 single-member hierarchies are fine: each walks two subsets.
    control = build(wide);
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(control->page_count, 32);
    EXPECT_EQ(control->base_count, 31);

    // A hierarchy of 21 levels would walk 2^21 subsets.
    RSKCROSSCLASS* deep = cross("Deep");
    std::vector<std::string> levels(names.begin(), names.begin() + 21);
    hierarchy(deep, levels);
    EXPECT_EQ(call<EngineSlot::rskgrpd>()(con, deep, nullptr, &control, 16), 1);
    EXPECT_NE(log().find("has more than 20 levels"), std::string::npos);
}

TEST_F(Aggregation, OutOfMemoryFailsOnceAndAFailedRehashKeepsTheTable) {
    RSKVARIABLE* a = class_variable("A");
    RSKVARIABLE* b = class_variable("B", 3);
    RSKCROSSCLASS* x = cross("AB");
    hierarchy(x, {"A", "B"});
    // Each allocation of the build in turn.
    const int failed = fail_each_allocation(
        [&] {
            RSKAGGCTL* c = nullptr;
            return call<EngineSlot::rskgrpd>()(con, x, nullptr, &c, 16);
        },
        [] { return true; });
    EXPECT_GE(failed, 8);
    EXPECT_EQ(count_of(log(), "598/2797"), 1);

    RSKAGGCTL* control = build(x);
    ASSERT_NE(control, nullptr);
    ASSERT_EQ(control->hash_size, 61u);   // pages {A,B}, {A}, {}: 2 x (25 + 5 + 1) = 62
    auto key = [&](int i) {
        set_number(a, i % 8);
        set_text(b, std::string(1, static_cast<char>('a' + i / 8)));
    };
    for (int i = 0; i < 61; ++i) {
        key(i);
        ASSERT_EQ(feed(control, i), 0);
    }
    ASSERT_EQ(control->cell_count, 61);
    // The 62nd cell: head, key and user data, then the new table, which is refused.
    key(61);
    qor_pool_fail_nth(4);
    EXPECT_EQ(feed(control, 61), 0);
    qor_pool_fail_nth(0);
    EXPECT_EQ(control->hash_size, 61u);
    EXPECT_EQ(control->cell_count, 62);
    key(62);
    EXPECT_EQ(feed(control, 62), 0);
    EXPECT_EQ(control->hash_size, 113u);

    // A cell that cannot be made fails the feed and marks the run.
    key(63);
    qor_pool_fail_nth(1);
    EXPECT_EQ(feed(control, 63), 1);
    qor_pool_fail_nth(0);
    EXPECT_EQ(run_.aggregation.error, 1);
    EXPECT_EQ(control->cell_count, 63);
    // The roll-up and the sort fail the same way.
    qor_pool_fail_nth(1);
    EXPECT_EQ(call<EngineSlot::rskgrps>()(con, control, add_cells, nullptr, nullptr), 1);
    qor_pool_fail_nth(1);
    EXPECT_EQ(call<EngineSlot::rskgrp2>()(con, control), 1);
    qor_pool_fail_nth(1);
    EXPECT_EQ(call<EngineSlot::rskgrp6>()(con, control, nullptr, [](RSKCON*, void*, void*, int, const char*) { return 0; },
                                          nullptr),
              1);
    qor_pool_fail_nth(0);
    EXPECT_EQ(count_of(log(), "598/2797"), 1);   // once per control structure

    // Clearing removes every cell and keeps pages and table.
    EXPECT_EQ(call<EngineSlot::rskgrpi>()(con, control), 0);
    EXPECT_EQ(call<EngineSlot::rskgrp3>()(con, control), 0);
    EXPECT_EQ(control->hash_size, 113u);
    key(1);
    EXPECT_EQ(feed(control, 1), 0);
    EXPECT_EQ(control->cell_count, 1);
}

}  // namespace
