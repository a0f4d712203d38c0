// Symbol tables reached through the engine's entry table: definition and look-up of names,
// parent chains, ordered lists, clearing, growth, memory failures and concurrent look-ups.
#include <string>
#include <thread>
#include <algorithm>
#include <vector>

#include "engine/model/symbols/symbol_table.h"
#include "tests/engine/engine_fixture.h"

namespace {

using Tbla = int (*)(RSKCON*, RSKSYMTAB*, int, RSKSYMTAB*, qor_pool*, RSKFREELISTS*, uint32_t);
using Sym = void* (*)(RSKCON*, const RSKSYMTAB*, const RSKNAMEREC*);
using Symd = int (*)(RSKCON*, RSKSYMTAB*, const RSKNAMEREC*, void*);
using Symf = int (*)(RSKCON*, RSKSYMTAB*, const RSKNAMEREC*);
using Tblc = int (*)(RSKCON*, RSKSYMTAB*, int);
using Tblf = int (*)(RSKCON*, RSKSYMTAB*);
using Symp = int (*)(RSKCON*, const RSKSYMTAB*);

class SymbolTable : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        tbla = engine_routine<EngineSlot::rsktbla>();
        sym = engine_routine<EngineSlot::rsksym>();
        symd = engine_routine<EngineSlot::rsksymd>();
        symf = engine_routine<EngineSlot::rsksymf>();
        tblc = engine_routine<EngineSlot::rsktblc>();
        tblf = engine_routine<EngineSlot::rsktblf>();
        symp = engine_routine<EngineSlot::rsksymp>();
    }
    int make(RSKSYMTAB* table, int hint, uint32_t flags, RSKSYMTAB* parent = nullptr) {
        return tbla(&con_, table, hint, parent, con_.current_pool, con_.free_lists, flags);
    }
    void* find(const RSKSYMTAB* table, const char* text) {
        RSKNAMEREC name = name_of(text);
        return sym(&con_, table, &name);
    }
    int define(RSKSYMTAB* table, const char* text, void* object) {
        RSKNAMEREC name = name_of(text);
        return symd(&con_, table, &name, object);
    }
    static std::vector<std::string> list_of(const RSKSYMTAB& table) {
        std::vector<std::string> names;
        for (const RSKSYMBOL* s = table.list_head; s != nullptr; s = s->next_in_list)
            names.emplace_back(s->name, static_cast<size_t>(s->name_length));
        return names;
    }
    Tbla tbla;
    Sym sym;
    Symd symd;
    Symf symf;
    Tblc tblc;
    Tblf tblf;
    Symp symp;
    int a = 1, b = 2, c = 3;
};

TEST_F(SymbolTable, BucketCountsFollowTheHint) {
    const struct { int hint; int buckets; } cases[] = {
        {0, 1009}, {1, 1009}, {-7, 1009}, {2, 23}, {53, 59}, {101, 103}, {4001, 4001}, {2000000, 1024021},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.hint);
        RSKSYMTAB table;
        ASSERT_EQ(make(&table, k.hint, 0), 0);
        EXPECT_EQ(table.bucket_count, k.buckets);
        EXPECT_EQ(tblf(&con_, &table), 0);
        EXPECT_EQ(table.buckets, nullptr);
    }
    RSKSYMTAB sorted;
    ASSERT_EQ(make(&sorted, 53, RSKSYM_ALPHABETICAL), 0);
    EXPECT_EQ(sorted.flags, RSKSYM_ALPHABETICAL | RSKSYM_KEEP_LIST);   // order implies a list
}

TEST_F(SymbolTable, NamesMatchUpperCasedAndStripped) {
    RSKSYMTAB table;
    ASSERT_EQ(make(&table, 53, RSKSYM_KEEP_LIST), 0);
    EXPECT_EQ(define(&table, "Rate  ", &a), RSKSYM_ADDED);
    EXPECT_EQ(find(&table, "rate"), &a);
    EXPECT_EQ(find(&table, "RATE   "), &a);
    EXPECT_EQ(find(&table, "RAT"), nullptr);
    EXPECT_EQ(find(&table, "RATES"), nullptr);
    EXPECT_EQ(define(&table, "   ", &b), RSKSYM_FAILED);
    EXPECT_EQ(define(&table, "", &b), RSKSYM_FAILED);
    EXPECT_EQ(find(&table, "   "), nullptr);
    EXPECT_EQ(table.count, 1);
    // A second definition replaces the object and keeps count and list.
    EXPECT_EQ(define(&table, "RATE", &c), RSKSYM_REPLACED);
    EXPECT_EQ(find(&table, "Rate"), &c);
    EXPECT_EQ(table.count, 1);
    EXPECT_EQ(list_of(table), std::vector<std::string>{"RATE"});
    // Stored names are upper-cased, without the blanks.
    EXPECT_EQ(std::string(table.list_head->name, 4), "RATE");
}

TEST_F(SymbolTable, ChildFindsParentNamesButRemovesOnlyItsOwn) {
    RSKSYMTAB parent, child;
    ASSERT_EQ(make(&parent, 53, RSKSYM_KEEP_LIST), 0);
    ASSERT_EQ(make(&child, 23, RSKSYM_KEEP_LIST, &parent), 0);
    ASSERT_EQ(define(&parent, "Spot", &a), RSKSYM_ADDED);
    ASSERT_EQ(define(&child, "Local", &b), RSKSYM_ADDED);
    EXPECT_EQ(find(&child, "SPOT"), &a);
    EXPECT_EQ(find(&parent, "LOCAL"), nullptr);
    RSKNAMEREC spot = name_of("spot");
    EXPECT_EQ(symf(&con_, &child, &spot), 0);
    EXPECT_EQ(find(&child, "SPOT"), &a);
    EXPECT_EQ(parent.count, 1);
    // A long name defined only in the parent is still found through a child that never held one.
    const std::string long_name(300, 'Q');
    ASSERT_EQ(define(&parent, long_name.c_str(), &c), RSKSYM_ADDED);
    EXPECT_EQ(find(&child, long_name.c_str()), &c);
    // The child's own definition hides the parent's.
    ASSERT_EQ(define(&child, "SPOT", &c), RSKSYM_ADDED);
    EXPECT_EQ(find(&child, "spot"), &c);
    EXPECT_EQ(symf(&con_, &child, &spot), 0);
    EXPECT_EQ(find(&child, "spot"), &a);
}

TEST_F(SymbolTable, AlphabeticalListHoldsTheFirst1001InOrder) {
    RSKSYMTAB table;
    ASSERT_EQ(make(&table, 101, RSKSYM_ALPHABETICAL), 0);
    // Names in descending order, so every insertion among the first 1001 lands at the head.
    std::vector<std::string> names;
    for (int i = 0; i < 2000; ++i) {
        char text[16];
        std::snprintf(text, sizeof text, "N%04d", 1999 - i);
        names.emplace_back(text);
        ASSERT_EQ(define(&table, text, &a), RSKSYM_ADDED) << text;
    }
    EXPECT_EQ(table.count, 2000);
    std::vector<std::string> listed = list_of(table);
    ASSERT_EQ(listed.size(), 2000u);
    std::vector<std::string> first(names.begin(), names.begin() + 1001);
    std::sort(first.begin(), first.end());
    EXPECT_TRUE(std::equal(first.begin(), first.end(), listed.begin()));
    EXPECT_TRUE(std::equal(names.begin() + 1001, names.end(), listed.begin() + 1001));
    EXPECT_EQ(table.list_tail->name_length, 5);
    EXPECT_EQ(std::string(table.list_tail->name, 5), "N0000");
    for (const std::string& n : names) ASSERT_EQ(find(&table, n.c_str()), &a) << n;
}

TEST_F(SymbolTable, RemovingKeepsListAndTailRight) {
    RSKSYMTAB table;
    ASSERT_EQ(make(&table, 23, RSKSYM_ALPHABETICAL), 0);
    for (const char* n : {"DELTA", "ALPHA", "CHARLIE", "BRAVO"}) ASSERT_EQ(define(&table, n, &a), 0);
    EXPECT_EQ(list_of(table), (std::vector<std::string>{"ALPHA", "BRAVO", "CHARLIE", "DELTA"}));
    RSKNAMEREC last = name_of("delta"), first = name_of("alpha"), missing = name_of("echo");
    EXPECT_EQ(symf(&con_, &table, &last), 0);
    EXPECT_EQ(std::string(table.list_tail->name, 7), "CHARLIE");
    EXPECT_EQ(symf(&con_, &table, &first), 0);
    EXPECT_EQ(symf(&con_, &table, &missing), 0);
    EXPECT_EQ(list_of(table), (std::vector<std::string>{"BRAVO", "CHARLIE"}));
    EXPECT_EQ(table.count, 2);
    EXPECT_EQ(find(&table, "DELTA"), nullptr);
    // A removed symbol is the next one handed out, name buffer included.
    RSKSYMBOL* freed = free_lists_.symbols;
    ASSERT_NE(freed, nullptr);
    ASSERT_EQ(define(&table, "ECHO", &b), 0);
    EXPECT_EQ(table.list_tail, freed);
    EXPECT_EQ(list_of(table), (std::vector<std::string>{"BRAVO", "CHARLIE", "ECHO"}));
}

TEST_F(SymbolTable, ClearedTableIsEmptyAndReusesItsSymbols) {
    for (int free_names : {0, 1}) {
        SCOPED_TRACE(free_names);
        RSKSYMTAB table;
        ASSERT_EQ(make(&table, 23, RSKSYM_KEEP_LIST), 0);
        for (const char* n : {"ONE", "TWO", "THREE"}) ASSERT_EQ(define(&table, n, &a), 0);
        const size_t live = qor_pool_live_blocks(con_.current_pool);
        EXPECT_EQ(tblc(&con_, &table, free_names), 0);
        EXPECT_EQ(table.count, 0);
        EXPECT_EQ(table.list_head, nullptr);
        EXPECT_EQ(table.list_tail, nullptr);
        EXPECT_EQ(find(&table, "ONE"), nullptr);
        // Freed names went back to the pool; kept ones stay with their symbols.
        EXPECT_EQ(qor_pool_live_blocks(con_.current_pool), free_names ? live - 3 : live);
        RSKSYMBOL* reused = free_lists_.symbols;
        ASSERT_EQ(define(&table, "FOUR", &b), RSKSYM_ADDED);
        EXPECT_EQ(table.list_head, reused);
        EXPECT_EQ(find(&table, "four"), &b);
        EXPECT_EQ(tblf(&con_, &table), 0);
    }
}

TEST_F(SymbolTable, CrowdedTableGrowsAndKeepsEveryName) {
    RSKSYMTAB table;
    ASSERT_EQ(make(&table, 5, 0), 0);
    ASSERT_EQ(table.bucket_count, 23);
    for (int i = 0; i < 3000; ++i) {
        std::string n = "V" + std::to_string(i);
        ASSERT_EQ(define(&table, n.c_str(), &a), RSKSYM_ADDED) << n;
    }
    EXPECT_GT(table.bucket_count, 23);
    for (int i = 0; i < 3000; ++i) {
        std::string n = "v" + std::to_string(i);
        ASSERT_EQ(find(&table, n.c_str()), &a) << n;
    }
}

TEST_F(SymbolTable, MemoryFailuresReportOnceAndFail) {
    RSKSYMTAB table;
    qor_pool_fail_nth(1);
    EXPECT_EQ(make(&table, 53, 0), 1);   // the bucket array
    ASSERT_EQ(make(&table, 53, 0), 0);
    qor_pool_fail_nth(1);
    EXPECT_EQ(define(&table, "KEY", &a), RSKSYM_FAILED);   // the key buffer
    EXPECT_EQ(table.key_capacity, 0);
    qor_pool_fail_nth(2);
    EXPECT_EQ(define(&table, "KEY", &a), RSKSYM_FAILED);   // the symbol chunk
    qor_pool_fail_nth(1);
    EXPECT_EQ(define(&table, "KEY", &a), RSKSYM_FAILED);   // the symbol's name
    EXPECT_EQ(table.count, 0);
    EXPECT_EQ(find(&table, "KEY"), nullptr);
    qor_pool_fail_nth(0);
    EXPECT_EQ(define(&table, "KEY", &a), RSKSYM_ADDED);
    EXPECT_EQ(find(&table, "key"), &a);
    EXPECT_EQ(con_.no_memory_reported, 1u);
    std::string text = log();
    EXPECT_EQ(count_of(text, "598/2797"), 1) << text;
    EXPECT_NE(text.find("hash table"), std::string::npos);
}

TEST_F(SymbolTable, PrintListsTheSymbolsInOrder) {
    RSKSYMTAB table;
    ASSERT_EQ(make(&table, 23, RSKSYM_ALPHABETICAL), 0);
    for (const char* n : {"Zeta", "alpha"}) ASSERT_EQ(define(&table, n, &a), 0);
    symp(&con_, &table);
    std::string text = listing();
    size_t heading = text.find("598/95");
    size_t alpha = text.find("ALPHA");
    size_t zeta = text.find("ZETA");
    ASSERT_NE(heading, std::string::npos) << text;
    ASSERT_NE(alpha, std::string::npos);
    ASSERT_NE(zeta, std::string::npos);
    EXPECT_LT(heading, alpha);
    EXPECT_LT(alpha, zeta);
    EXPECT_EQ(count_of(text, "598/96"), 2);
}

// Pricing threads look names up while nothing defines: the look-ups must only read.
// (Run under the thread sanitizer to check for races.)
TEST_F(SymbolTable, ConcurrentLookUpsFindEveryName) {
    RSKSYMTAB parent, table;
    ASSERT_EQ(make(&parent, 53, 0), 0);
    ASSERT_EQ(make(&table, 211, RSKSYM_ALPHABETICAL, &parent), 0);
    std::vector<int> objects(500);
    for (int i = 0; i < 500; ++i) {
        std::string n = "FACTOR_" + std::to_string(i);
        ASSERT_EQ(define(i % 2 ? &parent : &table, n.c_str(), &objects[i]), 0);
    }
    std::vector<int> failures(8, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([&, t] {
            for (int round = 0; round < 20; ++round)
                for (int i = 0; i < 500; ++i) {
                    std::string n = "factor_" + std::to_string(i) + std::string(t % 3, ' ');
                    RSKNAMEREC name = name_of(n.c_str());
                    if (sym(&con_, &table, &name) != &objects[i]) ++failures[t];
                }
        });
    }
    for (std::thread& th : threads) th.join();
    for (int t = 0; t < 8; ++t) EXPECT_EQ(failures[t], 0) << t;
}

}  // namespace
