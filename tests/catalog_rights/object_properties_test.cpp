// Object properties: taken from an entry's list (with and without PROPERTIES), written back into
// a stored entry together with its SECURITIES.
#include <string>

#include "catalog/access_rights.h"
#include "catalog/catalog_settings.h"
#include "host/kernel.h"
#include "tests/catalog_rights/settings_fixture.h"

namespace {

TEST_F(CatalogSettings, ObjectProperties) {
    // No PROPERTIES: the time is now, the description empty.
    qor_list* bare = new_list();
    RSKPROPS block{};
    const double before = wzdttme();
    ASSERT_EQ(rssptya(con, &block, slid(bare)), 0);
    EXPECT_EQ(block.state, 2u);
    EXPECT_GE(block.modified, before);
    EXPECT_LE(block.modified, wzdttme());
    EXPECT_EQ(block.description_length, 0);
    // A block set here keeps its own text when the entry has none.
    RSKPROPS own{};
    RSKNAMEREC text = name_of("mine");
    rssptyd(con, &own, &text, nullptr);
    ASSERT_EQ(rssptya(con, &own, slid(bare)), 0);
    EXPECT_EQ(std::string(own.description, static_cast<size_t>(own.description_length)), "mine");
    sldel(bare, 0);

    // Written to an entry: PROPERTIES and SECURITIES replaced, other items kept.
    qor_list* stored = new_list();
    slinsc(stored, "CALENDAR", QOR_SL_APPEND, "OBJTYPE");
    qor_list* old = new_list();
    slinsc(old, "old text", QOR_SL_APPEND, "DESC");
    slinsl(stored, slid(old), QOR_SL_APPEND, "PROPERTIES");
    sldel(old, 0);
    ASSERT_EQ(slofile(stored, "RTEST.DESKENV.CURVES.RISK22", 'W'), 0);
    sldel(stored, 0);
    RSKPROPS block2{};
    RSKNAMEREC desc = name_of("Zero curves");
    RSKPROPS source{};
    source.state = 2;
    source.modified = 1234.5;
    rssptyd(con, &block2, &desc, &source);
    RSKSEC security{};
    std::memset(security.owner, ' ', 32);
    std::memset(security.group, ' ', 32);
    std::memcpy(security.owner, "alice", 5);
    security.owner_length = 5;
    security.rights = kRightsActive | 0x1FF;
    RSKNAMEREC name = name_of("CURVES");
    ASSERT_EQ(rssptys(con, &environment_, &name, 22, &block2, &security), 0);
    qor_list* back = new_list();
    ASSERT_EQ(slofile(back, "RTEST.DESKENV.CURVES.RISK22", 'R'), 0);
    EXPECT_EQ(slcnt(back), 3);   // OBJTYPE, PROPERTIES, SECURITIES
    RSKPROPS read{};
    ASSERT_EQ(rssptya(con, &read, slid(back)), 0);
    EXPECT_EQ(std::string(read.description, static_cast<size_t>(read.description_length)), "Zero curves");
    EXPECT_EQ(read.modified, 1234.5);
    RSKSEC rights{};
    EXPECT_EQ(rsssecr(con, &rights, slid(back)), 0);
    EXPECT_EQ(std::string(rights.owner, rights.owner_length), "alice");
    sldel(back, 0);
    RSKNAMEREC absent = name_of("NOSUCH");
    EXPECT_EQ(rssptys(con, &environment_, &absent, 22, &block2, &security), 1);
}

}  // namespace
