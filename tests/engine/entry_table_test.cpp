// The engine's and the catalog's entry tables: every slot filled, shared slots, the answer of
// routines not built yet, and withdrawal of the published vectors.
#include <set>
#include <type_traits>
#include <utility>
#include <vector>

#include "engine/tables/catalog_table.h"
#include "engine/tables/engine_table.h"
#include "engine/tables/slot_placeholder.h"

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
    // Every engine slot holds its routine now; the placeholder a slot holds until then answers
    // 1 for a code and null for a record, and names the routine.
    struct Names {
        static const char* name(int slot) { return kEngineSlotNames[slot]; }
    };
    using CloseInput = SlotPlaceholder<Names, 339, int (*)(RSKCPTYDS*)>;
    EXPECT_EQ(CloseInput::call(nullptr), 1);
    using NewCounterparty = SlotPlaceholder<Names, 353, RSKCPTY* (*)(qor_pool*, const char*, RSKCPTYTYPE*, int32_t, RSKCPTYDS*)>;
    EXPECT_EQ(NewCounterparty::call(nullptr, "A", nullptr, 1, nullptr), nullptr);

    std::string text = log();
    EXPECT_NE(text.find("close_cpty_ds: not yet available."), std::string::npos) << text;
    EXPECT_NE(text.find("new_cpty: not yet available."), std::string::npos);
}

// Calls every unbuilt record slot through its own type: each must answer null, never an address
// made of a code.
template <size_t... I>
std::vector<int> record_slots_not_null(RSKCON* con, std::index_sequence<I...>) {
    std::vector<int> bad;
    auto check = [&](auto slot_constant) {
        constexpr EngineSlot slot = static_cast<EngineSlot>(decltype(slot_constant)::value);
        auto fn = engine_routine<slot>();
        if constexpr (std::is_same_v<engine_slot_t<slot>, UnbuiltEngineRecord>) {
            if (fn == nullptr || fn(con) != nullptr) bad.push_back(static_cast<int>(slot));
        }
    };
    (check(std::integral_constant<int, engine_table_detail::kUnbuiltRecordSlots[I]>{}), ...);
    return bad;
}

TEST_F(EntryTable, UnbuiltRecordSlotsAnswerNull) {
    constexpr size_t n = std::size(engine_table_detail::kUnbuiltRecordSlots);
    EXPECT_EQ(record_slots_not_null(&con_, std::make_index_sequence<n>()), std::vector<int>{});
}

TEST_F(EntryTable, SlotNamesFollowTheEnumeration) {
    // The enumeration and the names come from one list: spot checks at both ends and the shared
    // routines.
    EXPECT_STREQ(kEngineSlotNames[static_cast<int>(EngineSlot::rskatrm)], "rskatrm");
    EXPECT_STREQ(kEngineSlotNames[static_cast<int>(EngineSlot::rskcsac_again)], "rskcsac");
    EXPECT_STREQ(kEngineSlotNames[401], "is_exposure_type_variable");
    EXPECT_EQ(static_cast<int>(EngineSlot::fill_currency_table), 395);
    EXPECT_EQ(static_cast<int>(CatalogSlot::rssofiq), 57);
    EXPECT_STREQ(kCatalogSlotNames[129], "create_im_publish_info");
}

TEST_F(EntryTable, CatalogTableHasEverySlotAndAnswersNotYetForStorage) {
    const qor_vector* vector = wivget(383);
    ASSERT_NE(vector, nullptr);
    ASSERT_EQ(vector->slot_count, 130);
    EXPECT_EQ(vector->slots[0], nullptr);
    for (int s = 1; s <= 129; ++s) ASSERT_NE(vector->slots[s], nullptr) << s;
    // Saving cannot succeed without storage: it says so.
    auto rssimpx = catalog_routine<CatalogSlot::rssimpx>();
    EXPECT_EQ(rssimpx(&con_), 1);
    auto info_map = catalog_routine<CatalogSlot::create_im_publish_info>();
    EXPECT_EQ(info_map(&con_), 1);
    std::string text = log();
    EXPECT_NE(text.find("rssimpx: not yet available."), std::string::npos) << text;
    EXPECT_NE(text.find("create_im_publish_info: not yet available."), std::string::npos);
}

TEST_F(EntryTable, WithdrawnVectorsAreGoneUntilInstalledAgain) {
    auto rskatrm = engine_routine<EngineSlot::rskatrm>();
    ASSERT_NE(rskatrm, nullptr);
    EXPECT_EQ(rskatrm(), 0);
    EXPECT_EQ(wivget(381), nullptr);
    EXPECT_EQ(wivslot(381, 226), nullptr);
    EXPECT_NE(rskatrm(), 0);   // nothing left to withdraw
    ASSERT_EQ(wiinstl((14 << 16) | 381, "TOLVANEA", 1), 0);
    EXPECT_NE(wivslot(381, 226), nullptr);

    auto rskctrm = catalog_routine<CatalogSlot::rskctrm>();
    EXPECT_EQ(rskctrm(), 0);
    EXPECT_EQ(wivget(383), nullptr);
    ASSERT_EQ(wiinstl((14 << 16) | 383, "TOLVANEC", 1), 0);
}

}  // namespace
