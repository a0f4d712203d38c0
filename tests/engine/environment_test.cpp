// Environments through appendage C's entry table: creating and opening with parents, the
// flattened chain and its refusals, the temporary environment after a failed open, working
// copies and saving (nothing written without a change, lost updates seen by the change stamp,
// the backup, a failed save keeping the previous version), save as, deleting an environment,
// and running out of memory while an environment with two parents is chosen.
#include <sys/stat.h>

#include "tests/engine/environment_fixture.h"

namespace {

using namespace envtest;

std::string chain_names(const RSKCON* con) {
    std::string names;
    for (RSKENVCELL* cell = con->inherit_first; cell != nullptr; cell = cell->next)
        names += (names.empty() ? "" : " ") + std::string(cell->environment->name.buffer,
                                                          cell->environment->name.name.length);
    return names;
}

std::string with_nul(std::initializer_list<std::string> names) {
    std::string text;
    for (auto& name : names) text += name + std::string(1, '\0');
    return text;
}

TEST_F(EnvironmentTest, ParentsAreFlattenedIntoTheChainAndPrintedFromTheRoot) {
    ASSERT_NE(start(false), nullptr);
    ASSERT_EQ(choose(path("e1"), true, {}, "First"), 0) << log();
    ASSERT_EQ(choose(path("e2"), true, with_nul({path("e1")})), 0) << log();
    EXPECT_EQ(chain_names(con_ptr_), "e2 e1");
    // A new process opens e2 and finds its parent from the stored INHERIT list.
    ASSERT_NE(start(false), nullptr);
    ASSERT_EQ(choose(path("e2"), false), 0) << log();
    EXPECT_EQ(chain_names(con_ptr_), "e2 e1");
    ASSERT_EQ(catalog_routine<CatalogSlot::rssenvp>()(con_ptr_, 0), 0);
    std::string text = log();
    size_t e1 = text.rfind("Environment e1 in"), e2 = text.rfind("Environment e2 in");
    ASSERT_NE(e1, std::string::npos) << text;
    EXPECT_LT(e1, e2) << "the last parent first, the current environment last";
    EXPECT_NE(text.find("Description: First"), std::string::npos);
}

TEST_F(EnvironmentTest, RepeatsInTheChainAreRefusedAndTheTemporaryEnvironmentStands) {
    ASSERT_NE(start(true), nullptr);
    ASSERT_EQ(choose(path("e0"), true), 0);
    ASSERT_EQ(choose(path("e1"), true, with_nul({path("e0")})), 0);
    ASSERT_EQ(choose(path("e2"), true, with_nul({path("e0")})), 0);
    struct Case {
        const char* name;
        std::string parents;
    } cases[] = {
        {"e3", with_nul({path("e1"), path("e2")})},   // two parents sharing e0
        {"e4", with_nul({path("e4")})},               // itself
        {"e5", with_nul({path("e1"), path("e1")})},   // one parent named twice
    };
    for (const Case& c : cases) {
        EXPECT_EQ(choose(path(c.name), true, c.parents), 1) << c.name;
        std::string text = log();
        EXPECT_NE(text.find("598/3056"), std::string::npos) << c.name << text;
        EXPECT_NE(text.find("598/3055"), std::string::npos) << c.name;
        ASSERT_NE(con_ptr_->current_environment, nullptr);
        EXPECT_EQ(name_of_env(con_ptr_->current_environment), "TEMP___") << c.name;
        EXPECT_EQ(libref_of_env(con_ptr_->current_environment), "WORK");
        EXPECT_EQ(con_ptr_->temporary_environment, 1);
        EXPECT_EQ(con_ptr_->held_environment, nullptr);
    }
    // The chain printed with a refusal: the root, the chain so far and the repeated one.
    std::string text = log();
    size_t refusal = text.find("598/3056");
    EXPECT_NE(text.find("Environment e2 in", refusal), std::string::npos);
}

TEST_F(EnvironmentTest, ParentRequestsMergeOrReplaceAndFurtherParentsJoinTheChain) {
    ASSERT_NE(start(false), nullptr);
    for (const char* name : {"a", "b", "c"}) ASSERT_EQ(choose(path(name), true), 0);
    ASSERT_EQ(choose(path("e"), true, with_nul({path("a")})), 0);
    auto rssenvl = catalog_routine<CatalogSlot::rssenvl>();
    auto open_with = [&](const std::string& set, const std::string& add) {
        std::string where = path("e");
        return rssenvl(con_ptr_, where.data(), static_cast<int>(where.size()), nullptr, 0,
                       set.empty() ? nullptr : set.data(), static_cast<int>(set.size()),
                       add.empty() ? nullptr : add.data(), static_cast<int>(add.size()), 0, 0, nullptr, 0);
    };
    // INCLUDE= merges into the stored parents: b takes its position 1, before a (the chain
    // walks the parents from the last).
    ASSERT_EQ(open_with({}, with_nul({path("b")})), 0);
    EXPECT_EQ(chain_names(con_ptr_), "e a b");
    ASSERT_EQ(open_with({}, {}), 0);                      // and the merge was stored
    EXPECT_EQ(chain_names(con_ptr_), "e a b");
    ASSERT_EQ(open_with(with_nul({path("c")}), with_nul({path("b")})), 0);   // both: one request that replaces
    EXPECT_EQ(chain_names(con_ptr_), "e c b");
    // A further parent joins the chain (and a change on disk is told by the stamp).
    EXPECT_EQ(catalog_routine<CatalogSlot::rssench>()(con_ptr_, 1), 0);   // no held environment
    qor_list* more = nullptr;
    slnewl(&more, nullptr, 84);
    slinsc(more, path("a"), QOR_SL_APPEND, "");
    EXPECT_EQ(catalog_routine<CatalogSlot::rssenvv>()(con_ptr_, more), 0);
    sldel(more, 0);
    EXPECT_EQ(chain_names(con_ptr_), "e a c b");
    qor_catalog* catalog = nullptr;
    ASSERT_EQ(xlopen(libref_of_env(con_ptr_->current_environment), "e", QOR_CO_UPDATE, &catalog), 0);
    write_entry(catalog, "X", "RISK11", {{"VERSION", "A"}});
    xlclose(catalog, 0);
    EXPECT_EQ(catalog_routine<CatalogSlot::rssench>()(con_ptr_, 0), 1);
}

TEST_F(EnvironmentTest, SavingACopyLeavesTheEnvironmentsInUse) {
    ASSERT_NE(start(false), nullptr);
    ASSERT_EQ(choose(path("e1"), true), 0);
    write_version(con_ptr_->current_environment, "A");
    ASSERT_NE(start(true), nullptr);
    ASSERT_EQ(choose(path("e1"), false), 0);
    RSKENV* held = con_ptr_->held_environment;
    RSKENV* working = con_ptr_->current_environment;
    write_version(working, "B");
    std::string where = path("copy");
    EXPECT_EQ(catalog_routine<CatalogSlot::rsswebr>()(con_ptr_, where.data(), static_cast<int>(where.size()), nullptr, 0),
              0)
        << log();
    EXPECT_EQ(con_ptr_->held_environment, held);
    EXPECT_EQ(con_ptr_->current_environment, working);
    EXPECT_EQ(single_version(content_of(root_, "copy")), "B");
    EXPECT_EQ(single_version(content_of(root_, "e1")), "A");
}

TEST_F(EnvironmentTest, AMissingParentIsSkippedAndAnotherEngineIsRefused) {
    ASSERT_NE(start(false), nullptr);
    ASSERT_EQ(choose(path("e1"), true), 0);
    ASSERT_EQ(choose(path("e2"), true, with_nul({path("nosuch"), path("e1")})), 0);
    EXPECT_NE(log().find("598/3050"), std::string::npos);
    EXPECT_EQ(chain_names(con_ptr_), "e2 e1");
    fs::create_directories(root_ / "old");
    ASSERT_EQ(xhlasn2("OLDLIB", (root_ / "old").c_str(), static_cast<int>((root_ / "old").string().size()), "V612"), 0);
    EXPECT_EQ(choose("OLDLIB.e9", true), 1);
    EXPECT_NE(log().find("598/3083"), std::string::npos) << log();
    xhldas2("OLDLIB");
}

TEST_F(EnvironmentTest, ADamagedCatalogGivesTheTemporaryEnvironment) {
    std::ofstream(root_ / "bad.qor7bcat") << std::string(5000, 'x');
    ASSERT_NE(start(true), nullptr);
    EXPECT_EQ(choose(path("bad"), false), 1);
    EXPECT_NE(log().find("598/3053"), std::string::npos);
    EXPECT_EQ(name_of_env(con_ptr_->current_environment), "TEMP___");
    EXPECT_EQ(std::string(con_ptr_->current_environment->outpath.buffer).find(root_.string()), std::string::npos);
}

TEST_F(EnvironmentTest, OpeningSettlesOnlyItsOwnStagingLeftovers) {
    ASSERT_NE(start(false), nullptr);
    ASSERT_EQ(choose(path("e1"), true), 0);
    ASSERT_EQ(choose(path("e2"), true), 0);
    // What a killed save of e2 (before its commit) left beside its files.
    write_file(root_ / "e2.qor7bdat.qorstaged", "B");
    write_file(root_ / "e2" / "out1.qorstaged" / "part0", "B");
    ASSERT_NE(start(true), nullptr);
    ASSERT_EQ(choose(path("e1"), false), 0);
    EXPECT_TRUE(fs::exists(root_ / "e2.qor7bdat.qorstaged")) << "another environment's save is left alone";
    EXPECT_EQ(log().find("598/3086"), std::string::npos);
    ASSERT_EQ(choose(path("e2"), false), 0);
    EXPECT_NE(log().find("598/3086"), std::string::npos);
    EXPECT_FALSE(fs::exists(root_ / "e2.qor7bdat.qorstaged"));
    EXPECT_FALSE(fs::exists(root_ / "e2" / "out1.qorstaged"));
    EXPECT_FALSE(fs::exists(root_ / "e2" / "out1"));
}

TEST_F(EnvironmentTest, DamagedInheritListsNeverCrashAnOpen) {
    // Each case rewrites the INHERIT entry of a fresh environment, then opens it.
    struct Case {
        const char* label;
        void (*damage)(qor_list* list);
        int open;
    } cases[] = {
        {"parents as a number", [](qor_list* l) { slsnd(l, "INHERIT", 5); }, 0},
        {"parents of every type",
         [](qor_list* l) {
             qor_list* sub = nullptr;
             qor_list_id id = slnewl(&sub, nullptr, 84);
             slinsd(sub, 1, QOR_SL_APPEND, "");
             slinsc(sub, "", QOR_SL_APPEND, "");
             qor_list* empty = nullptr;
             slinsl(sub, slnewl(&empty, nullptr, 84), QOR_SL_APPEND, "");
             sldel(empty, 0);
             slinsc(sub, std::string(5000, 'x'), QOR_SL_APPEND, "");
             slsnl(l, "INHERIT", id);
             sldel(sub, 0);
         },
         0},
        {"output path as a number", [](qor_list* l) { slsnd(l, "OUTPATH", 1); }, 0},
        {"output path with a blank", [](qor_list* l) { slsnc(l, "OUTPATH", "/no such/dir"); }, 0},
        {"securities as text", [](qor_list* l) { slsnc(l, "SECURITIES", "owner"); }, 1},
    };
    int n = 0;
    for (const Case& c : cases) {
        std::string name = "d" + std::to_string(n++);
        ASSERT_NE(start(false), nullptr);
        ASSERT_EQ(choose(path(name), true), 0);
        qor_catalog* catalog = nullptr;
        ASSERT_EQ(xlopen(libref_of_env(con_ptr_->current_environment), name, QOR_CO_UPDATE, &catalog), 0);
        qor_list* list = nullptr;
        slnewl(&list, nullptr, 84);
        c.damage(list);
        qor_entry* entry = nullptr;
        ASSERT_EQ(xlmopen(catalog, "INHERIT", "ZUDO12", QOR_CO_OUTPUT, &entry), 0);
        afwrlst(entry, list);
        xlmclos(entry, 0);
        sldel(list, 0);
        xlclose(catalog, 0);
        ASSERT_NE(start(true), nullptr);
        EXPECT_EQ(choose(path(name), false), c.open) << c.label << log();
        ASSERT_NE(con_ptr_->current_environment, nullptr);
        if (c.open != 0) {
            EXPECT_EQ(name_of_env(con_ptr_->current_environment), "TEMP___") << c.label;
        }
    }
    // Bytes that are no list at all.
    ASSERT_NE(start(false), nullptr);
    ASSERT_EQ(choose(path("garbage"), true), 0);
    qor_catalog* catalog = nullptr;
    ASSERT_EQ(xlopen(libref_of_env(con_ptr_->current_environment), "garbage", QOR_CO_UPDATE, &catalog), 0);
    qor_entry* entry = nullptr;
    ASSERT_EQ(xlmopen(catalog, "INHERIT", "ZUDO12", QOR_CO_OUTPUT, &entry), 0);
    xcwrite(entry, "not a list at all", 17);
    xlmclos(entry, 0);
    xlclose(catalog, 0);
    ASSERT_NE(start(true), nullptr);
    EXPECT_EQ(choose(path("garbage"), false), 1);
    EXPECT_NE(log().find("598/3053"), std::string::npos);
}

TEST_F(EnvironmentTest, AWorkingCopyIsSavedOnlyWhenChangedAndTheBackupHoldsThePrevious) {
    ASSERT_NO_FATAL_FAILURE(open_copy_of_version_a());
    RSKENV* held = con_ptr_->held_environment;
    RSKENV* working = con_ptr_->current_environment;
    ASSERT_NE(held, nullptr);
    EXPECT_EQ(name_of_env(held), "e1");
    EXPECT_EQ(name_of_env(working), "_e10");
    EXPECT_EQ(libref_of_env(working), "WORK");
    EXPECT_EQ(single_version(content_of(std::string(working->path.buffer), "_e10")), "A");
    // Saving without a change writes nothing: the held catalog's stamp stays.
    int64_t before = 0, after = 0;
    qor_catalog* catalog = nullptr;
    auto stamp = [&](int64_t* out) {
        ASSERT_EQ(xlopen(libref_of_env(held), "e1", QOR_CO_INPUT, &catalog), 0);
        qor_catalog_stamp(catalog, out);
        xlclose(catalog, 0);
    };
    stamp(&before);
    EXPECT_EQ(save(), 0);
    stamp(&after);
    EXPECT_EQ(before, after);
    EXPECT_EQ(log().find("598/3047"), std::string::npos);
    // A change is saved whole; the backup then holds version A.
    write_version(working, "B");
    con_ptr_->environment_changed = 1;
    EXPECT_EQ(save(), 0) << log();
    EXPECT_NE(log().find("598/3047"), std::string::npos);
    Content saved = content_of(root_, "e1");
    EXPECT_EQ(single_version(saved), "B");
    EXPECT_EQ(saved.size(), static_cast<size_t>(kVariables + kObjects + 3 + 8 + 2));
    Content backup = content_of(root_ / "e1._backupdir_", "e1");
    EXPECT_EQ(single_version(backup), "A");
    EXPECT_EQ(backup.size(), saved.size());
    // Saving again without a change writes nothing.
    stamp(&before);
    EXPECT_EQ(save(), 0);
    stamp(&after);
    EXPECT_EQ(before, after);
}

TEST_F(EnvironmentTest, ASaveAfterAnotherSaveWarnsAndAFailedSaveKeepsThePreviousVersion) {
    ASSERT_NE(start(false), nullptr);
    ASSERT_EQ(choose(path("e1"), true), 0);
    write_version(con_ptr_->current_environment, "A");
    ASSERT_NE(start(true, false), nullptr);
    ASSERT_EQ(choose(path("e1"), false), 0);
    // Another writer changes the held environment (within the same second).
    qor_catalog* other = nullptr;
    ASSERT_EQ(xlopen(libref_of_env(con_ptr_->held_environment), "e1", QOR_CO_UPDATE, &other), 0);
    write_entry(other, "X1", "RISK11", {{"VERSION", "A"}});
    xlclose(other, 0);
    RSKENV* working = con_ptr_->current_environment;
    write_version(working, "B");
    // An output that cannot be copied (a special file in it) fails the save before its commit.
    fs::path fifo = fs::path(outpath_of_env(working)) / "out1" / "pipe";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    con_ptr_->environment_changed = 1;
    EXPECT_EQ(save(), 1);
    std::string text = log();
    EXPECT_NE(text.find("598/3075"), std::string::npos) << text;
    EXPECT_NE(text.find("598/3048"), std::string::npos);
    Content kept = content_of(root_, "e1");
    EXPECT_EQ(single_version(kept), "A");
    EXPECT_EQ(kept.count("X1.RISK11"), 1u);
    for (auto& item : fs::recursive_directory_iterator(root_))
        EXPECT_EQ(item.path().string().find(".qorstaged"), std::string::npos) << item.path();
    // Without the fault the save replaces the other writer's version (warned above).
    fs::remove(fifo);
    EXPECT_EQ(save(), 0) << log();
    EXPECT_EQ(single_version(content_of(root_, "e1")), "B");
    EXPECT_EQ(content_of(root_, "e1").count("X1.RISK11"), 0u);
}

// A switch that fails after the catalog's commit (a portfolio file whose place is taken by a
// directory) fails the save, and the backup puts the whole previous version back: catalog, data
// set and outputs, with no intent entry left behind.
TEST_F(EnvironmentTest, ASwitchFailingAfterTheCommitRestoresThePreviousVersionFromTheBackup) {
    ASSERT_NO_FATAL_FAILURE(open_copy_of_version_a());
    RSKENV* held = con_ptr_->held_environment;
    RSKENV* working = con_ptr_->current_environment;
    write_version(working, "B");
    const fs::path place = fs::path(outpath_of_env(held)) / "port.qor7bput";
    fs::remove(place);
    write_file(place / "inside", "A");
    con_ptr_->environment_changed = 1;
    EXPECT_EQ(save(), 1);
    EXPECT_NE(log().find("598/3048"), std::string::npos) << log();
    const Content kept = content_of(root_, "e1");
    EXPECT_EQ(single_version(kept), "A");
    EXPECT_EQ(kept.count("SAVEINTENT.QORSAVE"), 0u);
    EXPECT_TRUE(fs::is_directory(place));
    for (auto& item : fs::recursive_directory_iterator(root_))
        EXPECT_EQ(item.path().string().find(".qorstaged"), std::string::npos) << item.path();
}

TEST_F(EnvironmentTest, SaveAsRefusesAParentAndAReadOnlyTarget) {
    ASSERT_NE(start(false), nullptr);
    ASSERT_EQ(choose(path("base"), true), 0);
    fs::create_directories(root_ / "ro");
    ASSERT_NE(start(true), nullptr);
    ASSERT_EQ(choose(path("desk"), true, with_nul({path("base")})), 0);
    EXPECT_EQ(save_as(path("base")), 1);
    EXPECT_NE(log().find("598/3035"), std::string::npos) << log();
    ASSERT_EQ(xhlasn2("ROLIB", (root_ / "ro").c_str(), static_cast<int>((root_ / "ro").string().size()), nullptr), 0);
    ASSERT_EQ(xhlsrdo("ROLIB", 1), 0);
    EXPECT_EQ(save_as("ROLIB.copy"), 1);
    EXPECT_NE(log().find("598/3084"), std::string::npos) << log();
    EXPECT_TRUE(fs::is_empty(root_ / "ro"));
    xhldas2("ROLIB");
    // A save as elsewhere holds the new environment, which keeps the parent.
    EXPECT_EQ(save_as(path("copy")), 0) << log();
    EXPECT_EQ(name_of_env(con_ptr_->held_environment), "copy");
    ASSERT_NE(start(false), nullptr);
    ASSERT_EQ(choose(path("copy"), false), 0);
    EXPECT_EQ(chain_names(con_ptr_), "copy base");
    // Saved over an environment with a data set, one without leaves none behind.
    ASSERT_EQ(choose(path("old"), true), 0);
    write_version(con_ptr_->current_environment, "A");
    ASSERT_TRUE(fs::exists(root_ / "old.qor7bdat"));
    ASSERT_EQ(choose(path("copy"), false), 0);
    EXPECT_EQ(save_as(path("old")), 0) << log();
    EXPECT_FALSE(fs::exists(root_ / "old.qor7bdat"));
    EXPECT_FALSE(fs::exists(root_ / "old.qor7bndx"));
    for (auto& [item, version] : content_of(root_, "old")) EXPECT_EQ(item.find(".RISK"), std::string::npos) << item;
}

TEST_F(EnvironmentTest, NewOverAnExistingEnvironmentKeepsItInTheBackupAndDeleteRemovesItsFiles) {
    ASSERT_NE(start(false, true), nullptr);
    ASSERT_EQ(choose(path("e1"), true), 0);
    write_version(con_ptr_->current_environment, "A");
    ASSERT_EQ(choose(path("e1"), true), 0);
    EXPECT_NE(log().find("598/3052"), std::string::npos);
    EXPECT_EQ(single_version(content_of(root_ / "e1._backupdir_", "e1")), "A");
    for (auto& [item, version] : content_of(root_, "e1")) EXPECT_EQ(item.find(".RISK"), std::string::npos) << item;
    // DELETE ENVIRONMENT=: catalog, data set, index and the default output directory go.
    write_version(con_ptr_->current_environment, "A");
    ASSERT_EQ(choose(path("e2"), true), 0);
    std::string name = path("e1");
    EXPECT_EQ(catalog_routine<CatalogSlot::rssenvc>()(con_ptr_, name.data(), static_cast<int>(name.size())), 0)
        << log();
    EXPECT_FALSE(fs::exists(root_ / "e1.qor7bcat"));
    EXPECT_FALSE(fs::exists(root_ / "e1.qor7bdat"));
    EXPECT_FALSE(fs::exists(root_ / "e1"));
    // The environment in use cannot be deleted.
    name = path("e2");
    EXPECT_EQ(catalog_routine<CatalogSlot::rssenvc>()(con_ptr_, name.data(), static_cast<int>(name.size())), 0);
    EXPECT_NE(log().find("598/3074"), std::string::npos);
    EXPECT_TRUE(fs::exists(root_ / "e2.qor7bcat"));
}

TEST_F(EnvironmentTest, RightsDecideWhoMayOpenAndWhoMaySave) {
    auto be = [](RSKCON* con, const char* user, uint32_t rights, bool guest) {
        std::memset(con->user_name, ' ', 32);
        std::memcpy(con->user_name, user, std::strlen(user));
        con->user_name_length = static_cast<uint32_t>(std::strlen(user));
        std::memset(con->group_name, ' ', 32);
        con->group_name_length = 0;
        con->default_rights = rights;
        con->guest = guest ? 1 : 0;
    };
    struct Case {
        uint32_t code;
        int open;          // what opening as a guest gives
        int save;          // what saving a change gives then
        const char* message;
    } cases[] = {
        {0x3C0, 1, -1, "598/3804"},   // only the owner may read
        {0x204, 0, 1, "598/3801"},    // others may read, not write
        {0x206, 0, 0, "598/3047"},    // others may read and write
    };
    for (const Case& c : cases) {
        std::string name = "alice" + std::to_string(c.code);
        ASSERT_NE(start(false), nullptr);
        be(con_ptr_, "alice", c.code, false);
        ASSERT_EQ(choose(path(name), true), 0);
        write_version(con_ptr_->current_environment, "A");
        ASSERT_NE(start(true, false), nullptr);
        be(con_ptr_, "Guest", 7, true);
        EXPECT_EQ(choose(path(name), false), c.open) << c.code;
        if (c.open == 0) {
            write_version(con_ptr_->current_environment, "B");
            con_ptr_->environment_changed = 1;
            EXPECT_EQ(save(), c.save) << c.code;
        }
        EXPECT_NE(log().find(c.message), std::string::npos) << c.code;
        stop();
        EXPECT_EQ(single_version(content_of(root_, name)), c.save == 0 ? "B" : "A") << c.code;
    }
}

TEST_F(EnvironmentTest, EnvironmentsOfTheSearchPathsAreListedAndTheLastUsedIsRemembered) {
    ASSERT_NE(start(false), nullptr);
    ASSERT_EQ(choose(path("e1"), true), 0);
    ASSERT_EQ(choose(path("sample"), true), 0);
    std::string dir = root_.string();
    auto sample = catalog_routine<CatalogSlot::rssensm>();
    EXPECT_EQ(sample(con_ptr_, "sample", 6, dir.data(), static_cast<int>(dir.size()), nullptr, 1), 0);
    EXPECT_EQ(sample(con_ptr_, "sample", 6, dir.data(), static_cast<int>(dir.size()), nullptr, -1), 1);
    EXPECT_EQ(sample(con_ptr_, "e1", 2, dir.data(), static_cast<int>(dir.size()), nullptr, -1), 0);
    // A catalog without environment lists or objects is no environment.
    qor_catalog* plain = nullptr;
    ASSERT_EQ(xlopen(libref_of_env(con_ptr_->current_environment), "plain", QOR_CO_UPDATE, &plain), 0);
    xlclose(plain, 0);
    auto define_path = engine_routine<EngineSlot::rskpthd>();
    ASSERT_EQ(define_path(con_ptr_, dir.data(), static_cast<int>(dir.size()), 1, nullptr), 0) << log();
    // (WORK is searched too and may hold other environments of this process.)
    int count = catalog_routine<CatalogSlot::rssenla>()(con_ptr_);
    std::map<std::string, int> listed;
    for (int at = 0; at + 2 < con_ptr_->environment_names_used;) {
        int length = static_cast<unsigned char>(con_ptr_->environment_names[at + 1]);
        listed[std::string(con_ptr_->environment_names + at + 2, static_cast<size_t>(length))] =
            con_ptr_->environment_names[at];
        EXPECT_EQ(con_ptr_->environment_names[at + 2 + length], '\0');
        at += length + 3;
    }
    EXPECT_EQ(static_cast<int>(listed.size()), count);
    EXPECT_EQ(listed["e1"], 0);
    EXPECT_EQ(listed["sample"], 1);
    EXPECT_EQ(listed.count("plain"), 0u);
    // The last-used environment goes to the user profile.
    EXPECT_EQ(catalog_routine<CatalogSlot::rssenlt>()(con_ptr_), 0);
    qor_list* profile = nullptr;
    slnewl(&profile, nullptr, 84);
    ASSERT_EQ(slfile(profile, "QORUSER.PROFILE.RISKINIT", 'R', "SLIST"), 0);
    std::string_view last;
    ASSERT_EQ(slgnc(profile, "LAST-USED ZOZU ENVIRONMENT", &last), 0);
    EXPECT_EQ(std::string(last), (root_ / "sample.qor7bcat").string());
    sldel(profile, 0);
}

TEST_F(EnvironmentTest, OutOfMemoryWhileChoosingAnEnvironmentWithTwoParentsFailsCleanly) {
    ASSERT_NE(start(false), nullptr);
    ASSERT_EQ(choose(path("p1"), true), 0);
    ASSERT_EQ(choose(path("p2"), true), 0);
    ASSERT_EQ(choose(path("child"), true, with_nul({path("p1"), path("p2")})), 0);
    bool succeeded = false;
    for (long nth = 1; nth < 400 && !succeeded; ++nth) {
        ASSERT_NE(start(false), nullptr);
        size_t lists = qor_list_live_count();
        qor_pool_fail_nth(nth);
        int rc = choose(path("child"), false);
        qor_pool_fail_nth(0);
        EXPECT_EQ(qor_list_live_count(), lists) << nth;
        if (rc == 0 && chain_names(con_ptr_) == "child p2 p1") {
            succeeded = true;
        } else if (rc == 0) {
            // A parent that could not be read for want of memory is skipped with its note.
            EXPECT_NE(log().find("598/3050"), std::string::npos) << nth;
        } else {
            EXPECT_TRUE(rc == 1 || rc == 10000 + 1012) << nth << " " << rc;
            std::string text = log();
            EXPECT_TRUE(text.find("598/2797") != std::string::npos || text.find("598/500") != std::string::npos ||
                        text.find("598/3050") != std::string::npos || text.find("598/113") != std::string::npos)
                << nth;
        }
    }
    EXPECT_TRUE(succeeded);
}

}  // namespace
