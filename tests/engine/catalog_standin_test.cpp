// Catalog storage while it holds nothing: the temporary environment, defining and loading
// object headers, rights checks, property blocks and object kinds, all through vector 383.
#include "engine/tables/catalog_records.h"
#include "host/catalog.h"
#include "tests/engine/engine_fixture.h"

namespace {

using Ofid = int (*)(RSKCON*, RSKCATOBJ**, const RSKNAMEREC*, const RSKNAMEREC*, int32_t);
using Ofiq = void* (*)(RSKCON*, RSKCATOBJ*, int);

constexpr uint32_t kActive = 0x200;

class CatalogStandIn : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        std::memset(&tables_, 0, sizeof tables_);
        auto tbla = engine_routine<EngineSlot::rsktbla>();
        for (int t : {RSKTAB_ANALYSES, RSKTAB_CALENDARS})
            ASSERT_EQ(tbla(&con_, &tables_.tables[t], 53, nullptr, con_.current_pool, con_.free_lists,
                           RSKSYM_ALPHABETICAL), 0);
        con_.current_tables = &tables_;
        set_user("alice", "desk");
        ofid = catalog_routine<CatalogSlot::rssofid>();
        ofiq = catalog_routine<CatalogSlot::rssofiq>();
        ASSERT_EQ(catalog_routine<CatalogSlot::rssenvt>()(&con_), 0);   // rssenvt
        ASSERT_NE(con_.current_environment, nullptr);
    }
    void set_user(const char* user, const char* group) {
        std::memset(con_.user_name, ' ', 32);
        std::memset(con_.group_name, ' ', 32);
        std::memcpy(con_.user_name, user, std::strlen(user));
        std::memcpy(con_.group_name, group, std::strlen(group));
        con_.user_name_length = static_cast<uint32_t>(std::strlen(user));
        con_.group_name_length = static_cast<uint32_t>(std::strlen(group));
    }
    RSKCATOBJ* define(const char* text, int32_t kind, int expected = 0) {
        RSKNAMEREC name = name_of(text);
        RSKNAMEREC description = name_of("described");
        RSKCATOBJ* header = reinterpret_cast<RSKCATOBJ*>(&con_);   // must be cleared
        EXPECT_EQ(ofid(&con_, &header, &name, &description, kind), expected) << text;
        return header;
    }
    static void set_rights(RSKSEC* security, const char* owner, const char* group, uint32_t rights) {
        fill_security(security, owner, group, rights);
    }
    RSKOBJTABLES tables_{};
    Ofid ofid;
    Ofiq ofiq;
};

TEST_F(CatalogStandIn, TemporaryEnvironmentIsACatalogInWork) {
    RSKENV* environment = con_.current_environment;
    EXPECT_EQ(std::string(environment->name.name.text, environment->name.name.length), "TEMP___");
    EXPECT_EQ(std::string(environment->libref, 8), "WORK    ");
    EXPECT_EQ(std::string(environment->properties.description,
                          static_cast<size_t>(environment->properties.description_length)),
              "Temporary environment");
    EXPECT_EQ(std::string(environment->rights.security.owner, environment->rights.security.owner_length), "alice");
    EXPECT_EQ(con_.temporary_environment, 1);
    // The system variables are the engine's: asked for through its table.
    EXPECT_EQ(log().find("rskvar1: not yet available."), std::string::npos) << log();
    EXPECT_NE(con_.system_variables, nullptr);
    // A real catalog in WORK holding its INHERIT list.
    qor_catalog* catalog = nullptr;
    ASSERT_EQ(xlopen("WORK", "TEMP___", QOR_CO_INPUT, &catalog), 0);
    EXPECT_EQ(xlmfind(catalog, "INHERIT", "ZUDO12"), 0);
    xlclose(catalog, 0);
    // Ending the environment (no scratch directory) leaves it current.
    EXPECT_EQ(catalog_routine<CatalogSlot::rssenvx>()(&con_), 0);
    EXPECT_EQ(con_.current_environment, environment);
}

TEST_F(CatalogStandIn, EmptyCatalogHasNoStoredPathsEnvironmentsOrReports) {
    EXPECT_EQ(catalog_routine<CatalogSlot::rsspthl>()(&con_), 0);   // rsspthl: nothing saved, paths unchanged
    EXPECT_EQ(catalog_routine<CatalogSlot::rssenla>()(&con_), 0);   // rssenla: no environments listed
    RSKNAMEREC name = name_of("ANYREPORT");
    EXPECT_EQ(catalog_routine<CatalogSlot::rssrpt>()(&con_, &name), nullptr);
}

TEST_F(CatalogStandIn, DefiningFindsOrCreatesTheHeader) {
    RSKCATOBJ* header = define("Var1", 34);
    ASSERT_NE(header, nullptr);
    EXPECT_EQ(header->kind, 34);
    EXPECT_EQ(header->state, 1u);
    EXPECT_EQ(header->environment, con_.current_environment);
    EXPECT_EQ(std::string(header->name.buffer, header->name.name.length), "Var1");
    EXPECT_EQ(std::string(header->member_name.buffer, header->member_name.name.length), "Var1");
    EXPECT_EQ(std::string(header->properties.description,
                          static_cast<size_t>(header->properties.description_length)), "described");
    EXPECT_EQ(header->properties.state, 2u);
    EXPECT_GT(header->properties.modified, 0.0);
    EXPECT_EQ(std::string(header->rights.security.owner, header->rights.security.owner_length), "alice");
    RSKNAMEREC key = name_of("VAR1");
    EXPECT_EQ(engine_routine<EngineSlot::rsksym>()(&con_, &tables_.tables[RSKTAB_ANALYSES], &key), header);

    // Defined again under another spelling: the same header, renamed, still one object.
    header->object = &tables_;
    RSKCATOBJ* again = define("VAR1", 34);
    EXPECT_EQ(again, header);
    EXPECT_EQ(std::string(again->name.buffer, again->name.name.length), "VAR1");
    EXPECT_EQ(again->object, &tables_);
    EXPECT_EQ(tables_.tables[RSKTAB_ANALYSES].count, 1);
    // An object of another kind with the same name lives in its own table.
    EXPECT_NE(define("VAR1", 22), header);
}

TEST_F(CatalogStandIn, DefiningFailsWithAMessage) {
    EXPECT_EQ(define("X", 5, 1), nullptr);        // a kind without a table
    EXPECT_EQ(define("X", 99, 1), nullptr);
    EXPECT_EQ(define("X", 36, 1), nullptr);       // its table does not exist yet
    std::string text = log();
    EXPECT_EQ(count_of(text, "598/3100"), 2) << text;
    EXPECT_NE(text.find("rssofid: no object table for kind 36."), std::string::npos);

    con_.current_environment->rights.security.rights = kActive | 0700;   // owner only
    set_rights(&con_.current_environment->rights.security, "carol", "", kActive | 0700);
    EXPECT_EQ(define("X", 34, 1), nullptr);
    EXPECT_NE(log().find("598/3801"), std::string::npos);

    con_.current_environment = nullptr;
    EXPECT_EQ(define("X", 34, 1), nullptr);       // no environment at all
    EXPECT_NE(log().find("rssofid: no current environment."), std::string::npos);
}

TEST_F(CatalogStandIn, RightsGoOthersThenGroupThenOwner) {
    RSKRIGHTS rights{};
    auto rsssec = catalog_routine<CatalogSlot::rsssec>();
    const struct {
        const char* owner;
        const char* group;
        uint32_t code;
        int mode;
        int granted;
    } cases[] = {
        {"carol", "desk", 0700, 4, 1},            // security off: everything
        {"carol", "desk", kActive | 0004, 4, 1},  // others may read
        {"carol", "desk", kActive | 0040, 4, 1},  // the user's group may read
        {"carol", "desk", kActive | 0040, 2, 0},
        {"carol", "ops", kActive | 0040, 4, 0},   // another group
        {"ALICE", "ops", kActive | 0400, 4, 1},   // the owner, any case
        {"ALICE", "ops", kActive | 0500, 2, 0},
        {"ALICE", "ops", kActive | 0100, 1, 1},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(std::string(k.owner) + " " + std::to_string(k.code) + " mode " + std::to_string(k.mode));
        rights = RSKRIGHTS{};
        set_rights(&rights.security, k.owner, k.group, k.code);
        EXPECT_EQ(rsssec(&con_, &rights, k.mode, nullptr, "N", 1, 34, 2) != 0, k.granted != 0);
        // Asked again: answered from the cache with the same result.
        EXPECT_EQ(rsssec(&con_, &rights, k.mode, nullptr, "N", 1, 34, 2) != 0, k.granted != 0);
    }
    // A guest has only the rights of others, even as the owner.
    con_.guest = 1;
    rights = RSKRIGHTS{};
    set_rights(&rights.security, "alice", "desk", kActive | 0770);
    EXPECT_EQ(rsssec(&con_, &rights, 4, nullptr, "N", 1, 34, 2), 0);
    con_.guest = 0;
    // Scopes 3 and 4 need both records; other scopes grant.
    RSKENV* environment = con_.current_environment;
    set_rights(&environment->rights.security, "carol", "", kActive | 0700);
    environment->rights.cache = 0;
    rights = RSKRIGHTS{};
    EXPECT_EQ(rsssec(&con_, &rights, 4, environment, "N", 1, 34, 3), 0);
    EXPECT_EQ(rsssec(&con_, &rights, 4, environment, "N", 1, 34, 4), 0);
    EXPECT_NE(rsssec(&con_, &rights, 4, environment, "N", 1, 34, 2), 0);
    EXPECT_NE(rsssec(&con_, &rights, 4, environment, "N", 1, 34, 9), 0);
}

TEST_F(CatalogStandIn, LoadingAnswersOnlyWhatIsInMemory) {
    EXPECT_EQ(ofiq(&con_, nullptr, 4), nullptr);
    RSKCATOBJ* header = define("CURVES", 22);
    ASSERT_NE(header, nullptr);
    EXPECT_EQ(ofiq(&con_, header, 0), nullptr);   // no record yet and no stored entry
    EXPECT_NE(log().find("598/3104"), std::string::npos);
    int record = 0;
    header->object = &record;
    EXPECT_EQ(ofiq(&con_, header, 0), &record);
    EXPECT_EQ(ofiq(&con_, header, 4), &record);
    // Rights that refuse reading to this user refuse the load.
    set_rights(&header->rights.security, "carol", "ops", kActive | 0600);
    header->rights.cache = 0;
    EXPECT_EQ(ofiq(&con_, header, 4), nullptr);
    EXPECT_EQ(ofiq(&con_, header, 0), &record);   // internal fetches check nothing
    std::string text = log();
    EXPECT_EQ(count_of(text, "598/3804"), 1) << text;
    EXPECT_NE(text.find("calendar: you may not read CURVES."), std::string::npos) << text;
}

TEST_F(CatalogStandIn, PropertyBlocksKeepAtMost256Bytes) {
    auto ptyd = catalog_routine<CatalogSlot::rssptyd>();
    RSKPROPS block{};
    const std::string long_text(300, 'd');
    RSKNAMEREC description = name_of(long_text.c_str());
    EXPECT_EQ(ptyd(&con_, &block, &description, nullptr), 0);
    EXPECT_EQ(block.description_length, 256);
    EXPECT_EQ(block.state, 1u);
    RSKPROPS source{};
    source.state = 2;
    source.modified = 12345.0;
    RSKNAMEREC shorter = name_of("short");
    char* buffer = block.description;
    EXPECT_EQ(ptyd(&con_, &block, &shorter, &source), 0);
    EXPECT_EQ(block.description, buffer);   // the buffer is large enough and kept
    EXPECT_EQ(std::string(block.description, static_cast<size_t>(block.description_length)), "short");
    EXPECT_EQ(block.state, 2u);
    EXPECT_EQ(block.modified, 12345.0);
    // No memory for a larger buffer: the description is left empty, nothing else fails.
    RSKPROPS fresh{};
    qor_pool_fail_nth(1);
    EXPECT_EQ(ptyd(&con_, &fresh, &description, nullptr), 0);
    EXPECT_EQ(fresh.description_length, 0);
    EXPECT_EQ(fresh.description, nullptr);
}

TEST_F(CatalogStandIn, KindsMapToMemberTypesAndDescriptions) {
    auto obex = catalog_routine<CatalogSlot::rssobex>();
    auto obds = catalog_routine<CatalogSlot::rssobds>();
    char type[8];
    EXPECT_EQ(obex(34, type), 0);
    EXPECT_EQ(std::string(type, 8), "RISK4   ");
    EXPECT_EQ(obex(4, type), 0);
    EXPECT_EQ(std::string(type, 8), "MODPARMS");
    EXPECT_EQ(obex(41, type), 1);
    EXPECT_EQ(std::string(type, 8), "        ");
    char text[40];
    qor_print_set_msgids(false);   // the text itself, as messages quote it
    int length = obds(34, text);
    qor_print_set_msgids(true);
    EXPECT_EQ(std::string(text, static_cast<size_t>(length)), "analysis");
    EXPECT_EQ(obds(32, text), obds(33, text));
    EXPECT_EQ(obds(5, text), -1);
    EXPECT_NE(log().find("598/3100"), std::string::npos);
}

}  // namespace
