// The engine's and the catalog's entry tables: every slot filled, shared slots, the answer of
// routines not built yet, and withdrawal of the published vectors.
#include <set>

#include "tests/engine/engine_fixture.h"

namespace {

using EntryTable = EngineTest;

TEST_F(EntryTable, EverySlotFromOneTo401HoldsARoutine) {
    const qor_vector* vector = wivget(381);
    ASSERT_NE(vector, nullptr);
    ASSERT_EQ(vector->slot_count, 402);
    EXPECT_EQ(vector->slots[0], nullptr);
    std::set<void*> distinct;
    for (int s = 1; s <= 401; ++s) {
        SCOPED_TRACE(s);
        ASSERT_NE(vector->slots[s], nullptr);
        distinct.insert(vector->slots[s]);
    }
    EXPECT_EQ(vector->slots[74], vector->slots[91]);     // rskcsac
    EXPECT_EQ(vector->slots[232], vector->slots[312]);   // rsktbla
    EXPECT_EQ(distinct.size(), 399u);                    // no other slot shares a routine
}

TEST_F(EntryTable, MissingRoutinesNameThemselvesAndFail) {
    // Routines answering a code give 1; those answering a record give null.
    auto rskanlc = vector_slot<int (*)(RSKCON*)>(381, 11);
    EXPECT_EQ(rskanlc(&con_), 1);
    auto rskvar = vector_slot<void* (*)(RSKCON*, const RSKNAMEREC*)>(381, 283);
    RSKNAMEREC name = name_of("RATE");
    EXPECT_EQ(rskvar(&con_, &name), nullptr);
    auto is_exposure = vector_slot<int (*)(int)>(381, 401);
    EXPECT_EQ(is_exposure(3), 1);
    // The market data reader says "no such definition", so its callers go on.
    auto rskmdso = vector_slot<int (*)(RSKCON*, void*, int, int, const RSKNAMEREC*, void*, int)>(381, 147);
    EXPECT_EQ(rskmdso(&con_, nullptr, 8, 0, &name, nullptr, 0), 2);
    auto rskactd = vector_slot<int (*)(RSKCON*)>(381, 5);
    EXPECT_EQ(rskactd(&con_), 1);

    std::string text = log();
    EXPECT_NE(text.find("rskanlc: not yet available."), std::string::npos) << text;
    EXPECT_NE(text.find("rskvar: not yet available."), std::string::npos);
    EXPECT_NE(text.find("is_exposure_type_variable: not yet available."), std::string::npos);
    EXPECT_NE(text.find("rskmdso: not yet available."), std::string::npos);
    EXPECT_NE(text.find("rskactd: not yet available."), std::string::npos);
}

TEST_F(EntryTable, CatalogTableHasEverySlotAndAnswersNotYetForStorage) {
    const qor_vector* vector = wivget(383);
    ASSERT_NE(vector, nullptr);
    ASSERT_EQ(vector->slot_count, 130);
    EXPECT_EQ(vector->slots[0], nullptr);
    for (int s = 1; s <= 129; ++s) ASSERT_NE(vector->slots[s], nullptr) << s;
    // Saving cannot succeed without storage: it says so.
    auto rssenva = vector_slot<int (*)(RSKCON*)>(383, 18);
    EXPECT_EQ(rssenva(&con_), 1);
    auto info_map = vector_slot<int (*)(RSKCON*)>(383, 129);
    EXPECT_EQ(info_map(&con_), 1);
    std::string text = log();
    EXPECT_NE(text.find("rssenva: not yet available."), std::string::npos) << text;
    EXPECT_NE(text.find("create_im_publish_info: not yet available."), std::string::npos);
}

TEST_F(EntryTable, WithdrawnVectorsAreGoneUntilInstalledAgain) {
    auto rskatrm = vector_slot<int (*)()>(381, 1);
    ASSERT_NE(rskatrm, nullptr);
    EXPECT_EQ(rskatrm(), 0);
    EXPECT_EQ(wivget(381), nullptr);
    EXPECT_EQ(wivslot(381, 226), nullptr);
    EXPECT_NE(rskatrm(), 0);   // nothing left to withdraw
    ASSERT_EQ(wiinstl((14 << 16) | 381, "TOLVANEA", 1), 0);
    EXPECT_NE(wivslot(381, 226), nullptr);

    auto rskctrm = vector_slot<int (*)()>(383, 1);
    EXPECT_EQ(rskctrm(), 0);
    EXPECT_EQ(wivget(383), nullptr);
    ASSERT_EQ(wiinstl((14 << 16) | 383, "TOLVANEC", 1), 0);
}

}  // namespace
