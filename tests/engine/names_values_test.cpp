// Name records, name lists, heap strings and value cells: truncation and its message, case of
// stored names, list cells from the free list, and the initial state of value storage.
#include <cmath>
#include <vector>

#include "engine/model/names/name_records.h"
#include "engine/model/variables/value_cells.h"
#include "host/missing.h"
#include "tests/engine/engine_fixture.h"

namespace {

using NamesAndValues = EngineTest;

TEST_F(NamesAndValues, FillersCutLongNamesAndSaySo) {
    auto rskname = engine_routine<EngineSlot::rskname>();
    auto rskpnam = engine_routine<EngineSlot::rskpnam>();
    const std::string name33(33, 'N');
    RSKOBJNAME object{};
    EXPECT_EQ(rskname(&con_, &object, name33.c_str(), 33), 1);
    EXPECT_EQ(object.name.capacity, 32);
    EXPECT_EQ(object.name.length, 32);
    EXPECT_EQ(object.name.text, object.buffer);
    EXPECT_EQ(std::string(object.buffer, 32), std::string(32, 'N'));
    EXPECT_EQ(rskname(&con_, &object, "Exactly32CharactersLongName_0123", -1), 0);
    EXPECT_EQ(object.name.length, 32);

    const std::string path(1030, '/');
    RSKPATHNAME long_path{};
    EXPECT_EQ(rskpnam(&con_, &long_path, path.c_str(), -1), 1);
    EXPECT_EQ(long_path.name.length, 1024);
    EXPECT_EQ(long_path.name.capacity, 1024);

    std::string text = log();
    EXPECT_EQ(count_of(text, "598/97"), 2) << text;
    EXPECT_NE(text.find("of 33 characters is longer than 32"), std::string::npos);
}

TEST_F(NamesAndValues, EmptyNamesFailInEveryFiller) {
    auto rskname = engine_routine<EngineSlot::rskname>();
    auto rsknamx = engine_routine<EngineSlot::rsknamx>();
    auto rskpnam = engine_routine<EngineSlot::rskpnam>();
    RSKOBJNAME object{};
    RSKPATHNAME path{};
    RSKLIBNAME lib{};
    for (int length : {0, -1}) {
        object.name.length = path.name.length = lib.name.length = 9;
        EXPECT_EQ(rskname(&con_, &object, "", length), 1);
        EXPECT_EQ(object.name.length, 0);
        EXPECT_EQ(rsknamx(&con_, &object, "", length), 1);
        EXPECT_EQ(object.name.length, 0);
        EXPECT_EQ(rskpnam(&con_, &path, "", length), 1);
        EXPECT_EQ(path.name.length, 0);
        EXPECT_EQ(copy_libname(&con_, &lib, "", length), 1);
        EXPECT_EQ(lib.name.length, 0);
    }
    EXPECT_EQ(copy_libname(&con_, &lib, "RISKSAMPLE", -1), 1);
    EXPECT_EQ(std::string(lib.buffer, lib.name.length), "RISKSAMP");
    EXPECT_EQ(log().find("598/97"), log().rfind("598/97"));   // only the library reference was cut
}

TEST_F(NamesAndValues, DisplayNamesHaveOnlyTheirFirstLetterUpperCase) {
    auto rsknamx = engine_routine<EngineSlot::rsknamx>();
    const struct { const char* in; const char* out; } cases[] = {
        {"CASHFLOW", "Cashflow"}, {"cashFlow", "Cashflow"}, {"x", "X"}, {"2ND_LEG", "2nd_leg"},
    };
    for (const auto& k : cases) {
        RSKOBJNAME object{};
        EXPECT_EQ(rsknamx(&con_, &object, k.in, -1), 0);
        EXPECT_EQ(std::string(object.buffer, object.name.length), k.out);
    }
}

TEST_F(NamesAndValues, NameComparisonAndHeapStrings) {
    RSKNAMEREC a = name_of("RATE"), b = name_of("RATE"), c = name_of("rate"), d = name_of("RATES");
    EXPECT_EQ(rsknamc(&con_, &a, &b), 0);
    EXPECT_EQ(rsknamc(&con_, &a, &c), 1);
    EXPECT_EQ(rsknamc(&con_, &a, &d), 1);

    auto rskstr = engine_routine<EngineSlot::rskstr>();
    RSKNAMEREC copy{};
    EXPECT_EQ(rskstr(&con_, &copy, "a heap copy", -1), 0);
    EXPECT_EQ(copy.capacity, 11);
    EXPECT_EQ(copy.length, 11);
    EXPECT_EQ(std::string(copy.text, copy.length), "a heap copy");
    EXPECT_EQ(rskstr(&con_, &copy, "x", 0), 1);
    EXPECT_EQ(copy.text, nullptr);
    EXPECT_EQ(copy.capacity, 0);
    qor_pool_fail_nth(1);
    EXPECT_EQ(rskstr(&con_, &copy, "no room", -1), 1);
    EXPECT_EQ(copy.text, nullptr);
    EXPECT_NE(log().find("598/2797"), std::string::npos);
}

TEST_F(NamesAndValues, NameListsAppendAndReturnCellsWhole) {
    auto rsklsta = engine_routine<EngineSlot::rsklsta>();
    auto rsklstf = engine_routine<EngineSlot::rsklstf>();
    RSKNAMECELL *head = nullptr, *tail = nullptr;
    for (const char* n : {"ONE", "TWO", "THREE"}) ASSERT_EQ(rsklsta(&con_, &head, &tail, n, -1), 0);
    std::vector<std::string> names;
    for (RSKNAMECELL* c = head; c != nullptr; c = c->next) names.emplace_back(c->name.buffer, c->name.name.length);
    EXPECT_EQ(names, (std::vector<std::string>{"ONE", "TWO", "THREE"}));
    EXPECT_EQ(tail->next, nullptr);
    RSKNAMECELL* first = head;
    EXPECT_EQ(rsklstf(&con_, &head, &tail), 0);
    EXPECT_EQ(head, nullptr);
    EXPECT_EQ(tail, nullptr);
    EXPECT_EQ(free_lists_.name_cells, first);
    // The cells come back in the order they were in; a new list reuses them.
    ASSERT_EQ(rsklsta(&con_, &head, &tail, "FOUR", -1), 0);
    EXPECT_EQ(head, first);
    EXPECT_EQ(rsklstf(&con_, &head, &tail), 0);
    // With the free list used up and the pool failing: one message, result 1.
    free_lists_.name_cells = nullptr;
    qor_pool_fail_nth(1);
    EXPECT_EQ(rsklsta(&con_, &head, &tail, "FIVE", -1), 1);
    qor_pool_fail_nth(1);
    EXPECT_EQ(rsklsta(&con_, &head, &tail, "SIX", -1), 1);
    EXPECT_EQ(head, nullptr);
    std::string text = log();
    EXPECT_EQ(count_of(text, "598/2797"), 1) << text;
    EXPECT_NE(text.find("add elements to a list"), std::string::npos);
}

TEST_F(NamesAndValues, CharacterValuesHoldAtMost40Bytes) {
    auto rskvalc = engine_routine<EngineSlot::rskvalc>();
    auto rskvaln = engine_routine<EngineSlot::rskvaln>();
    RSKVARIABLE variable{};
    const std::string forty(40, 'c'), forty_one(41, 'c');
    RSKVALUECELL* cell = nullptr;
    EXPECT_EQ(rskvalc(&con_, &cell, &variable, forty.c_str(), -1), 0);
    ASSERT_NE(cell, nullptr);
    EXPECT_EQ(cell->type, 3u);
    EXPECT_EQ(cell->kind, 2u);
    EXPECT_EQ(cell->size, 40);
    EXPECT_EQ(cell->variable, &variable);
    EXPECT_EQ(cell->value.text.name.text, cell->value.text.buffer);
    EXPECT_EQ(std::string(cell->value.text.name.text, cell->value.text.name.length), forty);
    RSKVALUECELL* none = nullptr;
    EXPECT_EQ(rskvalc(&con_, &none, &variable, forty_one.c_str(), 41), 1);
    EXPECT_EQ(none, nullptr);
    EXPECT_NE(log().find("598/97"), std::string::npos);

    RSKVALUECELL* number = nullptr;
    EXPECT_EQ(rskvaln(&con_, &number, &variable, 2.5), 0);
    EXPECT_EQ(number->type, 2u);
    EXPECT_EQ(number->kind, 1u);
    EXPECT_EQ(number->size, 8);
    EXPECT_EQ(number->value.number, 2.5);
    // A returned cell is the next one handed out, cleared.
    rskvalf(&con_, cell);
    RSKVALUECELL* again = nullptr;
    EXPECT_EQ(rskvaln(&con_, &again, nullptr, 1.0), 0);
    EXPECT_EQ(again, cell);
    EXPECT_EQ(again->variable, nullptr);
}

TEST_F(NamesAndValues, ValuesPrintByTheirVariablesFormat) {
    auto rskvalp = engine_routine<EngineSlot::rskvalp>();
    RSKVARIABLE formatted{};
    formatted.format_width = 8;
    formatted.format_decimals = 3;
    RSKVARIABLE plain{};
    RSKVALUECELL *a = nullptr, *b = nullptr, *c = nullptr;
    ASSERT_EQ(rskvaln(&con_, &a, &formatted, 3.14159), 0);
    ASSERT_EQ(rskvaln(&con_, &b, &plain, 0.25), 0);
    ASSERT_EQ(rskvalc(&con_, &c, &plain, "USD", -1), 0);
    rskvalp(a);
    rskvalp(b);
    rskvalp(c);
    c->type = 9;
    rskvalp(c);
    std::string text = listing();
    EXPECT_NE(text.find("   3.142\n"), std::string::npos) << text;
    EXPECT_NE(text.find("0.25\n"), std::string::npos);
    EXPECT_NE(text.find("\"USD\"\n"), std::string::npos);
    EXPECT_NE(text.find("*unknown value type*"), std::string::npos);
}

TEST_F(NamesAndValues, StoredValuesFillTheVariablesStorage) {
    char text_storage[6];
    RSKVARIABLE text_variable{};
    text_variable.length = 6;
    text_variable.value = text_storage;
    RSKVALUECELL* cell = nullptr;
    ASSERT_EQ(rskvalc(&con_, &cell, &text_variable, "EUR", -1), 0);
    EXPECT_EQ(rskvalx(&con_, cell), 0);
    EXPECT_EQ(std::string(text_storage, 6), "EUR   ");
    ASSERT_EQ(rskvalc(&con_, &cell, &text_variable, "LONGER TEXT", -1), 0);
    EXPECT_EQ(rskvalx(&con_, cell), 0);
    EXPECT_EQ(std::string(text_storage, 6), "LONGER");

    double number_storage = 0;
    RSKVARIABLE number_variable{};
    number_variable.value = &number_storage;
    ASSERT_EQ(rskvaln(&con_, &cell, &number_variable, -7.5), 0);
    EXPECT_EQ(rskvalx(&con_, cell), 0);
    EXPECT_EQ(number_storage, -7.5);
    cell->type = 5;
    rskname(&con_, &number_variable.name, "ODD", -1);
    EXPECT_EQ(rskvalx(&con_, cell), 0);
    EXPECT_NE(log().find("rskvalx: unknown type code 5 for ODD."), std::string::npos) << log();
}

// Counts the missing values among `count` doubles stored from `at`.
int missing_count(const unsigned char* at, int count) {
    int n = 0;
    for (int i = 0; i < count; ++i) {
        double x;
        std::memcpy(&x, at + i * sizeof(double), sizeof x);
        if (qor::is_missing(x)) ++n;
    }
    return n;
}

TEST_F(NamesAndValues, InitialStateFollowsTheStorageType) {
    std::vector<unsigned char> storage(1024, 0xAB);
    RSKVARIABLE v{};
    v.value = storage.data();

    // QUADRATIC of dimension 3: header, 120 zero bytes, then 3, 1, 3 and 6 missing values.
    v.storage_type = RSKSTORE_QUADRATIC;
    v.element_count = 3.7;
    EXPECT_EQ(rskvali(&v), 0);
    for (int i = 0; i < 8 + 120; ++i) ASSERT_EQ(storage[i], 0) << i;
    const unsigned char* parts = storage.data() + 8 + 120;
    EXPECT_EQ(missing_count(parts, 3), 3);
    EXPECT_EQ(missing_count(parts + 3 * 8, 1), 1);
    EXPECT_EQ(missing_count(parts + 4 * 8, 3), 3);
    EXPECT_EQ(missing_count(parts + 7 * 8, 6), 6);
    EXPECT_EQ(storage[8 + 120 + 13 * 8], 0xAB);   // nothing written past the last part

    // CASH_FLOWS of dimension 5: header, 15 zero bytes, 5 and 5 missing values (unaligned).
    std::fill(storage.begin(), storage.end(), 0xAB);
    v.storage_type = RSKSTORE_CASH_FLOWS;
    v.element_count = 5;
    EXPECT_EQ(rskvali(&v), 0);
    for (int i = 0; i < 8 + 15; ++i) ASSERT_EQ(storage[i], 0) << i;
    EXPECT_EQ(missing_count(storage.data() + 23, 10), 10);
    EXPECT_EQ(storage[23 + 80], 0xAB);

    // An instrument array: header then n missing values; any other double: one missing value.
    std::fill(storage.begin(), storage.end(), 0xAB);
    v.storage_type = RSKSTORE_DOUBLE;
    v.kind = RSKVKIND_INSTRUMENT;
    v.data_type = RSKDTYPE_ARRAY;
    v.element_count = 4;
    EXPECT_EQ(rskvali(&v), 0);
    EXPECT_EQ(missing_count(storage.data() + 8, 4), 4);
    EXPECT_EQ(storage[8 + 32], 0xAB);
    v.kind = RSKVKIND_FACTOR;
    std::fill(storage.begin(), storage.end(), 0xAB);
    EXPECT_EQ(rskvali(&v), 0);
    EXPECT_EQ(missing_count(storage.data(), 1), 1);
    EXPECT_EQ(storage[8], 0xAB);

    // A missing or negative dimension writes no elements and never runs past the storage.
    std::fill(storage.begin(), storage.end(), 0xAB);
    v.storage_type = RSKSTORE_QUADRATIC;
    for (double bad : {qor::missing(), -3.0, 0.0}) {
        v.element_count = bad;
        EXPECT_EQ(rskvali(&v), 0);
        EXPECT_EQ(missing_count(storage.data() + 8, 1), 1);   // part 3 only
        EXPECT_EQ(storage[16], 0xAB);
    }
}

TEST_F(NamesAndValues, InitialStateOfTextPointerAndCurrencyStorage) {
    std::vector<unsigned char> storage(16, 0xAB);
    RSKVARIABLE v{};
    v.value = storage.data();
    v.storage_type = RSKSTORE_CHAR;
    v.length = 5;
    EXPECT_EQ(rskvali(&v), 0);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(storage.data()), 5), "     ");
    EXPECT_EQ(storage[5], 0xAB);

    std::fill(storage.begin(), storage.end(), 0xAB);
    v.storage_type = RSKSTORE_CUR_STR;
    EXPECT_EQ(rskvali(&v), 0);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(storage.data()), 3), "   ");
    for (int i = 3; i < 8; ++i) EXPECT_EQ(storage[i], 0) << i;

    std::fill(storage.begin(), storage.end(), 0xAB);
    v.storage_type = RSKSTORE_POINTER;
    EXPECT_EQ(rskvali(&v), 0);
    void* pointer = &v;
    std::memcpy(&pointer, storage.data(), sizeof pointer);
    EXPECT_EQ(pointer, nullptr);

    std::fill(storage.begin(), storage.end(), 0xAB);
    v.storage_type = RSKSTORE_REF_STR;
    EXPECT_EQ(rskvali(&v), 0);
    EXPECT_EQ(storage[0], 0xAB);

    v.storage_type = 99;
    rskname(&con_, &v.name, "STRANGE", -1);
    EXPECT_EQ(rskvali(&v), 0);
    EXPECT_NE(log().find("rskvali: unknown type code 99 for STRANGE."), std::string::npos);
}

}  // namespace
