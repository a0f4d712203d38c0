// Binding the four module libraries: image records, program control nodes, appendage install
// through wiinstl, built-in host modules, and withdrawal of a published table.
#include <gtest/gtest.h>

#include <cstring>

#include "host/pool.h"

#include "common/hash/hash_table.h"
#include "host/kernel.h"

namespace {

struct Expected {
    const char* name;
    const char* pcn_name;   // 8 characters, blank-padded
    uint32_t kind;
};

const Expected kModules[] = {
    {"tolvane", "tolvane ", QOR_PCN_PROCEDURE},
    {"tolvanea", "tolvanea", QOR_PCN_APPENDAGE},
    {"tolvanec", "tolvanec", QOR_PCN_APPENDAGE},
    {"tolvix", "tolvix  ", QOR_PCN_APPENDAGE},
};

TEST(ModuleBinding, EachModuleAnswersWithItsImageRecord) {
    for (const Expected& m : kModules) {
        SCOPED_TRACE(m.name);
        const qor_image_info* image = qor_load_module(m.name);
        ASSERT_NE(image, nullptr);
        EXPECT_EQ(std::memcmp(image->text, "QOR_Image_Information=\0\0", 24), 0);
        EXPECT_EQ(image->magic, 0xB0BDEBEDu);
        EXPECT_EQ(image->version, 8u);
        EXPECT_EQ(std::memcmp(image->tail, "001", 4), 0);
        ASSERT_NE(image->pcns, nullptr);
        ASSERT_NE(image->pcns[0], nullptr);
        EXPECT_EQ(image->pcns[1], nullptr);   // exactly one node
        const qor_pcn* pcn = image->pcns[0];
        EXPECT_EQ(std::memcmp(pcn->marker, "\x00\x00\xFF\xFF", 4), 0);
        EXPECT_EQ(std::memcmp(pcn->name, m.pcn_name, 8), 0);
        EXPECT_EQ(pcn->kind, m.kind);
        EXPECT_NE(pcn->entry, nullptr);
        EXPECT_EQ(pcn->id, 9683u);
        EXPECT_EQ(pcn->tail, 15u);
        EXPECT_EQ(qor_load_module(m.name), image);   // loaded once
    }
}

TEST(ModuleBinding, LoaderRefusesBadNames) {
    EXPECT_EQ(qor_load_module("../etc"), nullptr);
    EXPECT_EQ(qor_load_module("nosuchmd"), nullptr);
    EXPECT_EQ(qor_load_module(""), nullptr);
}

TEST(ModuleBinding, InstallingAppendagesPublishesTheirTables) {
    ASSERT_EQ(wiinstl((14 << 16) | 381, "TOLVANEA", 1), 0);
    const qor_vector* a = wivget(381);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->slot_count, 402);
    EXPECT_EQ(wivslot(381, 0), nullptr);   // slot 0 is never a routine
    EXPECT_NE(wivslot(381, 1), nullptr);   // rskatrm
    EXPECT_EQ(wiinstl((14 << 16) | 381, "TOLVANEA", 1), 0);   // again: already there

    ASSERT_EQ(wiinstl(0x000E017F, "TOLVANEC", 1), 0);
    ASSERT_NE(wivget(383), nullptr);
    EXPECT_EQ(wivget(383)->slot_count, 130);

    // Slot 1 of each table withdraws it.
    auto withdraw = reinterpret_cast<int (*)()>(wivslot(383, 1));
    ASSERT_NE(withdraw, nullptr);
    EXPECT_EQ(withdraw(), 0);
    EXPECT_EQ(wivget(383), nullptr);
    EXPECT_EQ(wiinstl(0x000E017F, "TOLVANEC", 1), 0);   // the entry publishes it again
    EXPECT_NE(wivget(383), nullptr);
}

TEST(ModuleBinding, CommonRoutinesAreReachedThroughTheEngineTable) {
    ASSERT_EQ(wiinstl((14 << 16) | 381, "TOLVANEA", 1), 0);
    auto make_table = reinterpret_cast<decltype(&new_hash_table)>(wivslot(381, 362));
    auto make_item = reinterpret_cast<decltype(&create_hash_item)>(wivslot(381, 340));
    auto insert = reinterpret_cast<decltype(&hash_insert)>(wivslot(381, 350));
    auto query = reinterpret_cast<decltype(&hash_query)>(wivslot(381, 349));
    auto drop = reinterpret_cast<decltype(&del_hash_table)>(wivslot(381, 346));
    ASSERT_TRUE(make_table && make_item && insert && query && drop);
    qor_pool* pool = xmpoolc(0, 0, 0);
    hash_table* table = make_table(pool, 10);
    ASSERT_NE(table, nullptr);
    static char key[] = "RATE";
    int value = 7;
    hash_item* item = make_item(pool, key, &value);
    EXPECT_EQ(insert(table, item), 0);
    EXPECT_EQ(query(table, "RATE"), item);
    EXPECT_EQ(drop(pool, table), 0);
    EXPECT_EQ(qor_pool_live_blocks(pool), 0u);
    xmpoold(pool);
}

TEST(ModuleBinding, HostModulesInstallWithoutLibraries) {
    const struct { const char* name; int vector; } host_modules[] = {
        {"QORCMPA ", 139}, {"QORMODLA", 247}, {"QORRAS  ", 416}, {"QORZUQB ", 418}, {"QORFM   ", 63}};
    for (const auto& m : host_modules) {
        SCOPED_TRACE(m.name);
        EXPECT_EQ(wiinstl((3 << 16) | m.vector, m.name, 1), 0);
        EXPECT_NE(wivget(m.vector), nullptr);
        EXPECT_EQ(wivslot(m.vector, 5), nullptr);   // a service not provided answers null
    }
}

TEST(ModuleBinding, InstallFailuresAreCodesNotCrashes) {
    EXPECT_NE(wiinstl((14 << 16) | 700, "NOSUCHMD", 1), 0);
    EXPECT_EQ(wivget(700), nullptr);
    EXPECT_NE(wiinstl((14 << 16) | 701, "        ", 1), 0);
    // A module that is not an appendage cannot be installed as one.
    EXPECT_NE(wiinstl((14 << 16) | 702, "TOLVANE ", 1), 0);
}

TEST(Vectors, PublishLookUpWithdraw) {
    static void* slots[3] = {nullptr, reinterpret_cast<void*>(&wivget), nullptr};
    static void* other[3] = {nullptr, nullptr, nullptr};
    EXPECT_EQ(hiexprt(600, slots, 3, nullptr), 0);
    EXPECT_EQ(hiexprt(600, slots, 3, nullptr), 0);    // same table again
    EXPECT_EQ(hiexprt(600, other, 3, nullptr), 2);    // another table under a taken number
    EXPECT_EQ(wivslot(600, 1), reinterpret_cast<void*>(&wivget));
    EXPECT_EQ(wivslot(600, 2), nullptr);
    EXPECT_EQ(wivslot(600, 3), nullptr);               // past the end
    EXPECT_EQ(hiexprt(5000, slots, 3, nullptr), 1);   // out of range
    EXPECT_EQ(wideprt(600), 0);
    EXPECT_EQ(wideprt(600), 1);
    EXPECT_EQ(wivget(600), nullptr);
}

}  // namespace
