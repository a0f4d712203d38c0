// Access rights: the rights table over code, user, group, guest, mode and scope; the cache that
// follows the user and the record; records read from stored entries (never stored, stored,
// damaged); the "SECURITIES" sublist; listing and changing rights.
#include <sys/stat.h>

#include <string>

#include "catalog/access_rights.h"
#include "catalog/name_scrambling.h"
#include "host/catalog.h"
#include "host/files.h"
#include "host/save_support.h"
#include "host/lists.h"
#include "tests/engine/engine_fixture.h"

namespace {

constexpr uint32_t kActive = 0x200;

void set_record(RSKSEC* sec, const char* owner, const char* group, uint32_t code, uint32_t read = 1) {
    EngineTest::fill_security(sec, owner, group, code, read);
}

class AccessRights : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        directory_ = test_path("rights");
        ::mkdir(directory_.c_str(), 0700);
        ASSERT_EQ(xhlasn2("RTEST", directory_.c_str(), -1, nullptr), 0);
        std::memset(&environment_, 0, sizeof environment_);
        std::memcpy(environment_.libref, "RTEST   ", 8);
        std::memcpy(environment_.name.buffer, "DESKENV", 7);
        environment_.name.name = RSKNAMEREC{32, 7, environment_.name.buffer};
        set_record(&environment_.rights.security, "erin", "desk", 0x1FF);
        set_user("alice", "desk");
    }
    void TearDown() override {
        xhldas2("RTEST");
        qor_remove_tree(directory_.c_str());
        EngineTest::TearDown();
    }
    void set_user(const char* user, const char* group, bool guest = false) {
        std::memset(con_.user_name, ' ', 32);
        std::memset(con_.group_name, ' ', 32);
        std::memcpy(con_.user_name, user, std::strlen(user));
        std::memcpy(con_.group_name, group, std::strlen(group));
        con_.user_name_length = static_cast<uint32_t>(std::strlen(user));
        con_.group_name_length = static_cast<uint32_t>(std::strlen(group));
        con_.guest = guest ? 1 : 0;
        con_.default_rights = kActive | 0x1C4;
        con_.identity_read = 1;
    }
    int check(RSKRIGHTS* rights, int mode, int scope) {
        return rsssec(&con_, rights, mode, &environment_, "CURVES", 6, 22, scope);
    }
    // Writes the list as the entry NAME.TYPE of the environment's catalog.
    void store(qor_list* list, const char* entry) {
        ASSERT_EQ(slofile(list, std::string("RTEST.DESKENV.") + entry, 'W'), 0);
    }
    // A stored object list holding the SECURITIES of a record.
    void store_rights(const char* entry, const char* owner, const char* group, uint32_t code) {
        RSKSEC stored{};
        set_record(&stored, owner, group, code);
        qor_list* list = nullptr;
        ASSERT_NE(slnewl(&list, nullptr, 84), 0u);
        slinsc(list, "CALENDAR", QOR_SL_APPEND, "OBJTYPE");
        ASSERT_EQ(rsssecg(&con_, &stored, slid(list)), 0);
        store(list, entry);
        sldel(list, 0);
    }
    std::string directory_;
    RSKENV environment_{};
};

TEST_F(AccessRights, RightsTableOverCodeUserGroupGuestModeAndScope) {
    const struct {
        uint32_t object;       // object owned by alice
        const char* object_group;
        uint32_t environment;  // environment owned by erin, group desk
        const char* user;
        const char* group;
        bool guest;
        int mode;
        int scope;
        int granted;
        const char* why;
    } cases[] = {
        {0x1C0, "desk", 0x1FF, "Guest", "", true, 2, 2, 1, "without the active bit everyone may do anything"},
        {kActive | 0x004, "desk", 0x1FF, "Guest", "", true, 4, 2, 1, "0x204: others, guests too, may read"},
        {kActive | 0x004, "desk", 0x1FF, "Guest", "", true, 2, 2, 0, "0x204: nobody may write"},
        {kActive | 0x004, "desk", 0x1FF, "alice", "desk", false, 2, 2, 0, "0x204: not even the owner"},
        {kActive | 0x020, "desk", 0x1FF, "bob", "desk", false, 4, 2, 1, "0x220: the owner's group may read"},
        {kActive | 0x020, "desk", 0x1FF, "bob", "ops", false, 4, 2, 0, "0x220: another group may not"},
        {kActive | 0x020, "desk", 0x1FF, "Guest", "desk", true, 4, 2, 0, "0x220: never a guest, group or not"},
        {kActive | 0x020, "", 0x1FF, "bob", "", false, 4, 2, 0, "two empty groups are no group"},
        {kActive | 0x1C0, "desk", 0x1FF, "alice", "desk", false, 1, 2, 1, "0x3C0: the owner, empty group rights"},
        {kActive | 0x1C0, "desk", 0x1FF, "ALICE", "ops", false, 2, 2, 1, "0x3C0: owner names ignore case"},
        {kActive | 0x1C0, "desk", 0x1FF, "bob", "desk", false, 4, 2, 0, "0x3C0: the group has nothing"},
        {kActive | 0x1C0, "desk", 0x1FF, "alice", "desk", true, 4, 2, 0, "0x3C0: a guest owner is only a guest"},
        {kActive | 0x010, "desk", 0x1FF, "alice", "desk", false, 2, 2, 1, "group write for the group"},
        {kActive | 0x110, "desk", 0x1FF, "alice", "desk", false, 4, 2, 1, "group lacks read: owner's read"},
        {kActive | 0x010, "desk", 0x1FF, "alice", "desk", false, 4, 2, 0, "group and owner lack read"},
        {kActive | 0x004, "desk", kActive, "Guest", "", true, 4, 3, 0, "scope 3: the environment refuses"},
        {kActive | 0x004, "desk", kActive, "Guest", "", true, 4, 4, 0, "scope 4: object then environment"},
        {kActive | 0x004, "desk", kActive, "Guest", "", true, 4, 1, 0, "scope 1: the environment only"},
        {kActive, "desk", kActive | 0x004, "Guest", "", true, 4, 1, 1, "scope 1 ignores the object"},
        {kActive, "desk", kActive | 0x004, "Guest", "", true, 4, 3, 0, "scope 3: then the object refuses"},
        {kActive | 0x004, "desk", kActive, "Guest", "", true, 4, 2, 1, "scope 2 ignores the environment"},
        {kActive, "desk", kActive, "Guest", "", true, 4, 7, 1, "any other scope grants"},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.why);
        set_user(k.user, k.group, k.guest);
        RSKRIGHTS object{};
        set_record(&object.security, "alice", k.object_group, k.object);
        set_record(&environment_.rights.security, "erin", "desk", k.environment);
        environment_.rights.cache = 0;
        EXPECT_EQ(check(&object, k.mode, k.scope), k.granted);
        EXPECT_EQ(check(&object, k.mode, k.scope), k.granted);   // again, from the cache
    }
}

TEST_F(AccessRights, CacheFollowsTheUserAndTheRecord) {
    RSKRIGHTS object{};
    set_record(&object.security, "alice", "desk", kActive | 0x1C0);
    EXPECT_EQ(check(&object, 4, 2), 1);
    EXPECT_NE(object.cache & 4, 0u);   // decided
    set_user("bob", "desk");           // another user: the owner's decision is not his
    EXPECT_EQ(check(&object, 4, 2), 0);
    set_user("alice", "desk");
    EXPECT_EQ(check(&object, 4, 2), 1);
    object.security.rights = kActive;  // rights changed behind the cache's back
    EXPECT_EQ(check(&object, 4, 2), 0);
}

TEST_F(AccessRights, SeccodeRoundTrip) {
    // (code * 4) XOR 0xFFFFB47D as a signed 32-bit number, worked out by hand.
    const struct {
        int32_t code;
        double stored;
    } cases[] = {{0x3FF, -17535.0}, {0, -19331.0}, {-5, 19345.0}};
    for (const auto& k : cases) {
        EXPECT_EQ(seccode_of(static_cast<uint32_t>(k.code)), k.stored) << k.code;
        uint32_t back = 1;
        ASSERT_EQ(code_of_seccode(k.stored, &back), 0);
        EXPECT_EQ(static_cast<int32_t>(back), k.code);
    }
    uint32_t code = 0;
    ASSERT_EQ(code_of_seccode(4294949761.0, &code), 0);   // 0xFFFFBB81 stored unsigned
    EXPECT_EQ(code, 0x3FFu);
    for (double bad : {0.5, 1e10, -3e9, qor::missing(), 1.0 / 0.0}) EXPECT_EQ(code_of_seccode(bad, &code), 1) << bad;
}

TEST_F(AccessRights, SecuritiesSublistRoundTripAndReuse) {
    qor_list* list = nullptr;
    ASSERT_NE(slnewl(&list, nullptr, 84), 0u);
    slinsc(list, "FILTER", QOR_SL_APPEND, "OBJTYPE");
    RSKSEC none{};
    set_record(&none, "", "", kActive | 0x1FF);
    EXPECT_EQ(rsssecg(&con_, &none, slid(list)), 0);   // no owner: nothing written
    set_record(&none, "alice", "desk", 0x1FF);
    EXPECT_EQ(rsssecg(&con_, &none, slid(list)), 0);   // rights off: nothing written
    EXPECT_EQ(slcnt(list), 1);

    RSKSEC written{};
    set_record(&written, "alice", "Risk Desk Group", kActive | 0x1FF);
    ASSERT_EQ(rsssecg(&con_, &written, slid(list)), 0);
    set_record(&written, "alice", "Risk Desk Group", kActive | 0x1C4);
    ASSERT_EQ(rsssecg(&con_, &written, slid(list)), 0);   // the sublist is cleared and refilled
    EXPECT_EQ(slcnt(list), 2);
    qor_list* sub = nullptr;
    ASSERT_EQ(slgnl(list, "SECURITIES", &sub), 0);
    EXPECT_EQ(slcnt(sub), 3);
    std::string_view owner;
    ASSERT_EQ(slgnc(sub, "OWNER", &owner), 0);
    EXPECT_EQ(owner.size(), 48u);
    double stored = 0;
    ASSERT_EQ(slgnd(sub, "SECCODE", &stored), 0);
    EXPECT_EQ(stored, seccode_of(kActive | 0x1C4));

    RSKSEC read{};
    ASSERT_EQ(rsssecr(&con_, &read, slid(list)), 0);
    EXPECT_EQ(std::string(read.owner, read.owner_length), "alice");
    EXPECT_EQ(std::string(read.group, read.group_length), "Risk Desk Group");
    EXPECT_EQ(read.rights, kActive | 0x1C4);
    EXPECT_EQ(read.read, 1u);
    sldel(list, 0);
}

TEST_F(AccessRights, DamagedSecuritiesRefuseEveryone) {
    // Each sublist is damaged in one way; each leaves a record that refuses even its owner.
    const struct {
        const char* why;
        void (*damage)(qor_list* sub);
    } cases[] = {
        {"no SECCODE", [](qor_list* sub) { slditm(sub, slsrchn(sub, "SECCODE")); }},
        {"SECCODE not whole", [](qor_list* sub) { slsnd(sub, "SECCODE", 2.5); }},
        {"SECCODE without the active bit", [](qor_list* sub) { slsnd(sub, "SECCODE", seccode_of(0x1FF)); }},
        {"OWNER cut short", [](qor_list* sub) { slsnc(sub, "OWNER", "short"); }},
        {"GROUP missing", [](qor_list* sub) { slditm(sub, slsrchn(sub, "GROUP")); }},
        {"SECURITIES not a sublist", nullptr},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.why);
        qor_list* list = nullptr;
        ASSERT_NE(slnewl(&list, nullptr, 84), 0u);
        RSKSEC written{};
        set_record(&written, "alice", "desk", kActive | 0x1FF);
        ASSERT_EQ(rsssecg(&con_, &written, slid(list)), 0);
        qor_list* sub = nullptr;
        ASSERT_EQ(slgnl(list, "SECURITIES", &sub), 0);
        if (k.damage != nullptr)
            k.damage(sub);
        else
            slsnc(list, "SECURITIES", "text");
        RSKRIGHTS read{};
        EXPECT_EQ(rsssecr(&con_, &read.security, slid(list)), 1);
        EXPECT_EQ(read.security.read, 1u);
        EXPECT_EQ(check(&read, 4, 2), 0);
        sldel(list, 0);
    }
}

TEST_F(AccessRights, RecordsReadFromTheCatalog) {
    // Never stored: the record in memory holds (the old code granted all).
    RSKRIGHTS fresh{};
    set_record(&fresh.security, "alice", "desk", kActive | 0x1C0, 0);
    set_user("bob", "ops");
    EXPECT_EQ(check(&fresh, 4, 2), 0);
    set_user("alice", "desk");
    EXPECT_EQ(check(&fresh, 4, 2), 1);
    EXPECT_EQ(fresh.security.read, 0u);   // still unread: a later save may store it

    // Stored: the stored record replaces what memory held.
    store_rights("CURVES.RISK22", "alice", "desk", kActive | 0x004);
    RSKRIGHTS stored{};
    set_record(&stored.security, "nobody", "", 0x1FF, 0);
    set_user("Guest", "", true);
    EXPECT_EQ(check(&stored, 4, 2), 1);
    EXPECT_EQ(check(&stored, 2, 2), 0);
    EXPECT_EQ(std::string(stored.security.owner, stored.security.owner_length), "alice");
    EXPECT_EQ(stored.security.read, 1u);

    // The environment's own rights come from its INHERIT entry.
    store_rights("INHERIT.ZUDO12", "erin", "desk", kActive | 0x004);
    environment_.rights = RSKRIGHTS{};
    EXPECT_EQ(rssseck(&con_, &environment_), 1);
    EXPECT_NE(log().find("598/3801"), std::string::npos);

    // Stored without SECURITIES: an unprotected object.
    qor_list* plain = nullptr;
    ASSERT_NE(slnewl(&plain, nullptr, 84), 0u);
    slinsc(plain, "CALENDAR", QOR_SL_APPEND, "OBJTYPE");
    store(plain, "OPEN.RISK22");
    sldel(plain, 0);
    RSKRIGHTS open{};
    open.security.read = 0;
    EXPECT_EQ(rsssec(&con_, &open, 2, &environment_, "OPEN", 4, 22, 2), 1);
}

TEST_F(AccessRights, UnreadableEntryRefuses) {
    // An entry whose bytes are no list at all.
    qor_entry_request request;
    request.libref = "RTEST";
    request.catalog = "DESKENV";
    request.name = "CURVES";
    request.type = "RISK22";
    request.mode = QOR_CO_OUTPUT;
    qor_entry* entry = nullptr;
    ASSERT_EQ(xcopen(request, &entry), 0);
    ASSERT_EQ(xcwrite(entry, "not a list", 10), 0);
    ASSERT_EQ(xcclose(entry, 0), 0);
    RSKRIGHTS damaged{};
    set_record(&damaged.security, "alice", "desk", kActive | 0x1FF, 0);   // memory would grant
    EXPECT_EQ(check(&damaged, 4, 2), 0);
    EXPECT_EQ(damaged.security.rights, kActive);
}

TEST_F(AccessRights, ListingAndChangingRights) {
    RSKRIGHTS rights{};
    set_record(&rights.security, "alice", "desk", kActive | 0x1E4);   // owner rwx, group r, all r
    set_user("bob", "desk");
    qor_list* list = nullptr;
    ASSERT_NE(slnewl(&list, nullptr, 84), 0u);
    ASSERT_EQ(rssseca(&con_, &rights, &environment_, "CURVES", 6, 22, 2, slid(list)), 0);
    const struct {
        const char* item;
        double value;
    } expected[] = {{"READ_SELF", 1}, {"WRITE_SELF", 1}, {"EXEC_SELF", 1}, {"READ_GROUP", 1},
                    {"WRITE_GROUP", 0}, {"EXEC_GROUP", 0}, {"READ_ALL", 1},   {"WRITE_ALL", 0},
                    {"EXEC_ALL", 0},  {"READ", 1},       {"WRITE", 0},       {"EXEC", 0},
                    {"CHANGE_SEC", 0}};
    ASSERT_EQ(slcnt(list), 15);
    std::string_view text;
    ASSERT_EQ(slitmc(list, 1, &text), 0);
    EXPECT_EQ(text, "alice");
    for (int i = 0; i < 13; ++i) {
        std::string_view name;
        double value = -1;
        slni(list, i + 3, &name);
        slitmd(list, i + 3, &value);
        EXPECT_EQ(name, expected[i].item);
        EXPECT_EQ(value, expected[i].value) << expected[i].item;
    }
    sldel(list, 0);
    // Without a list: eleven printed lines; a code without the active bit shows as 511.
    RSKRIGHTS open{};
    set_record(&open.security, "alice", "desk", 0x004);
    ASSERT_EQ(rssseca(&con_, &open, &environment_, "CURVES", 6, 22, 2, 0), 0);
    std::string printed = listing();
    EXPECT_NE(printed.find("Write by group: Yes"), std::string::npos) << printed;
    EXPECT_NE(printed.find("Owner         : alice"), std::string::npos) << printed;

    // Changing: bob is neither owner nor writer.
    qor_list* change = nullptr;
    ASSERT_NE(slnewl(&change, nullptr, 84), 0u);
    slinsd(change, 0, QOR_SL_APPEND, "READ_ALL");
    slinsd(change, 0, QOR_SL_APPEND, "EXEC_SELF");
    slinsd(change, qor::missing(), QOR_SL_APPEND, "WRITE_ALL");   // missing counts as set
    EXPECT_EQ(rsssecs(&con_, &rights, &environment_, "CURVES", 6, 22, 0, slid(change)), -1);
    EXPECT_EQ(rights.security.rights, kActive | 0x1E4u);
    set_user("alice", "ops");
    EXPECT_EQ(check(&rights, 4, 2), 1);
    EXPECT_EQ(rsssecs(&con_, &rights, &environment_, "CURVES", 6, 22, 0, slid(change)), 0);
    EXPECT_EQ(rights.security.rights, kActive | 0x1BBu);   // all set but READ_ALL and EXEC_SELF
    EXPECT_EQ(rights.cache, 0u);
    // A record without owner takes the user's identity.
    RSKRIGHTS unowned{};
    ASSERT_EQ(rsssecs(&con_, &unowned, &environment_, "X", 1, 22, 0, slid(change)), 0);
    EXPECT_EQ(std::string(unowned.security.owner, unowned.security.owner_length), "alice");
    EXPECT_EQ(std::string(unowned.security.group, unowned.security.group_length), "ops");
    // A guest is never the owner, even under the owner's name.
    set_user("alice", "", true);
    set_record(&rights.security, "alice", "", kActive | 0x1C0);
    EXPECT_EQ(rsssecs(&con_, &rights, &environment_, "CURVES", 6, 22, 0, slid(change)), -1);
    sldel(change, 0);
    // rsssecd: a record without owner first becomes the user's.
    RSKSEC bare{};
    set_user("carol", "desk");
    EXPECT_EQ(rsssecd(&con_, &bare, kActive | 0x004), 0);
    EXPECT_EQ(std::string(bare.owner, bare.owner_length), "carol");
    EXPECT_EQ(bare.rights, kActive | 0x004u);
}

}  // namespace
