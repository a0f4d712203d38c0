// Catalog transactions spanning many writes, the change stamp, whole-catalog replace, catalogs of
// the first format brought up to date, and read-only libraries.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <string>

#include "host/catalog.h"
#include "host/files.h"
#include "host/save_support.h"
#include "runtime/storage/catalog_internal.h"
#include "runtime/storage/libraries.h"
#include "tests/support/scratch.h"

namespace fs = std::filesystem;

namespace {

class CatalogTransaction : public ::testing::Test {
protected:
    ScratchArea scratch;
    void SetUp() override {
        scratch.open("qor_ctx_");
        ASSERT_EQ(qor::runtime::assign_library("txlib", scratch.dir.string(), ""), 0);
    }
    void TearDown() override {
        qor::runtime::clear_library("txlib");
        scratch.close();
    }
    static qor_catalog* open(const char* name, int mode = QOR_CO_UPDATE) {
        qor_catalog* c = nullptr;
        EXPECT_EQ(xlopen("txlib", name, mode, &c), 0) << qor_catalog_error_text();
        return c;
    }
    static int put(qor_catalog* c, const char* name, const std::string& bytes) {
        qor_entry* e = nullptr;
        int code = xlmopen(c, name, "SLIST", QOR_CO_OUTPUT, &e);
        if (code != 0) return code;
        code = xcwrite(e, bytes.data(), bytes.size());
        int closed = xcclose(e, 0);
        if (closed != 0) xcclose(e, QOR_CC_DISCARD);   // a failed commit leaves the entry open
        return code != 0 ? code : closed;
    }
    // Every entry of a catalog as name -> bytes, read through a connection of its own.
    static std::map<std::string, std::string> contents(const char* catalog) {
        std::map<std::string, std::string> out;
        qor_catalog* c = nullptr;
        if (xlopen("txlib", catalog, QOR_CO_INPUT, &c) != 0) return {{"<unreadable>", ""}};
        qor_member_dir* d = nullptr;
        xldopen(c, "", &d);
        qor_member_info info;
        while (xldread(d, &info) == 0) {
            qor_entry* e = nullptr;
            xlmopen(c, info.name, info.type, QOR_CO_INPUT, &e);
            std::string bytes(static_cast<size_t>(info.size), '\0');
            xcread(e, bytes.data(), bytes.size(), nullptr);
            xcclose(e, 0);
            out[info.name + "." + info.type] = bytes;
        }
        xldclos(d);
        xlclose(c, 0);
        return out;
    }
    // The directory information of an entry of type SLIST.
    static qor_member_info info_of(qor_catalog* c, const char* name) {
        qor_member_info info;
        qor_entry* e = nullptr;
        EXPECT_EQ(xlmopen(c, name, "SLIST", QOR_CO_INPUT, &e), 0) << name;
        if (e != nullptr) {
            xlminfo(e, &info);
            xcclose(e, 0);
        }
        return info;
    }
    static int64_t stamp_of(const char* catalog) {
        qor_catalog* c = nullptr;
        if (xlopen("txlib", catalog, QOR_CO_INPUT, &c) != 0) return -1;
        int64_t stamp = -1;
        EXPECT_EQ(qor_catalog_stamp(c, &stamp), 0);
        xlclose(c, 0);
        return stamp;
    }
};

TEST_F(CatalogTransaction, WritesDeletesAndRenamesJoinAndCommitTogether) {
    qor_catalog* c = open("env");
    ASSERT_EQ(put(c, "KEEP", "k"), 0);
    ASSERT_EQ(put(c, "GONE", "g"), 0);
    ASSERT_EQ(qor_catalog_begin(c), 0);
    EXPECT_EQ(put(c, "A", "1"), 0);
    EXPECT_EQ(xlmdele(c, "GONE", "SLIST"), 0);
    EXPECT_EQ(xlmrenm(c, "KEEP", "SLIST", "KEPT"), 0);
    // A failing write inside takes back only itself.
    EXPECT_EQ(static_cast<uint32_t>(xlmrenm(c, "A", "SLIST", "KEPT")), QOR_C_EXISTS);
    // Another connection sees none of it until the commit.
    std::map<std::string, std::string> before = {{"GONE.SLIST", "g"}, {"KEEP.SLIST", "k"}};
    EXPECT_EQ(contents("env"), before);
    ASSERT_EQ(qor_catalog_commit(c), 0);
    std::map<std::string, std::string> after = {{"A.SLIST", "1"}, {"KEPT.SLIST", "k"}};
    EXPECT_EQ(contents("env"), after);
    xlclose(c, 0);
}

TEST_F(CatalogTransaction, RollbackCloseAndMisuseAreClear) {
    qor_catalog* c = open("env");
    ASSERT_EQ(put(c, "OLD", "o"), 0);
    int64_t stamp = stamp_of("env");
    std::map<std::string, std::string> only_old = {{"OLD.SLIST", "o"}};

    ASSERT_EQ(qor_catalog_begin(c), 0);
    EXPECT_EQ(static_cast<uint32_t>(qor_catalog_begin(c)), QOR_C_IN_TRANSACTION);   // no nesting
    EXPECT_NE(std::string(qor_catalog_error_text()).find("do not nest"), std::string::npos);
    EXPECT_EQ(put(c, "NEW", "n"), 0);
    EXPECT_EQ(qor_catalog_rollback(c), 0);
    EXPECT_EQ(contents("env"), only_old);
    EXPECT_EQ(static_cast<uint32_t>(qor_catalog_commit(c)), QOR_C_NO_TRANSACTION);
    EXPECT_EQ(static_cast<uint32_t>(qor_catalog_rollback(c)), QOR_C_NO_TRANSACTION);

    // Closing with a transaction open takes it back; an entry still open then commits alone.
    ASSERT_EQ(qor_catalog_begin(c), 0);
    EXPECT_EQ(put(c, "NEW", "n"), 0);
    qor_entry* late = nullptr;
    ASSERT_EQ(xlmopen(c, "LATE", "SLIST", QOR_CO_OUTPUT, &late), 0);
    xlclose(c, 0);
    EXPECT_EQ(contents("env"), only_old);
    EXPECT_EQ(stamp_of("env"), stamp);
    ASSERT_EQ(xcclose(late, 0), 0);
    EXPECT_EQ(contents("env").count("LATE.SLIST"), 1u);

    // A catalog opened for input has no transactions.
    qor_catalog* in = open("env", QOR_CO_INPUT);
    EXPECT_EQ(static_cast<uint32_t>(qor_catalog_begin(in)), QOR_C_READ_ONLY);
    xlclose(in, 0);
}

TEST_F(CatalogTransaction, ALockedCatalogRefusesTheBeginAfterTheBusyTimeout) {
    int previous = qor::runtime::set_catalog_busy_timeout(50);   // taken by each connection at open
    qor_catalog* first = open("env");
    qor_catalog* second = open("env");
    ASSERT_EQ(qor_catalog_begin(first), 0);
    EXPECT_EQ(static_cast<uint32_t>(qor_catalog_begin(second)), QOR_C_LOCKED);
    // A single write through another handle waits too, then fails without harm.
    EXPECT_EQ(static_cast<uint32_t>(put(second, "X", "x")), QOR_C_LOCKED);
    ASSERT_EQ(qor_catalog_commit(first), 0);
    EXPECT_EQ(qor_catalog_begin(second), 0);
    EXPECT_EQ(qor_catalog_commit(second), 0);
    qor::runtime::set_catalog_busy_timeout(previous);
    xlclose(first, 0);
    xlclose(second, 0);
}

// The stamp counts writing transactions of every handle and process; it is stored in the
// catalog, so it survives reopening, and two commits in the same second differ.
TEST_F(CatalogTransaction, ChangeStampAdvancesWithEveryWritingTransaction) {
    qor_catalog* c = open("env");
    int64_t s0 = -1, s = -1;
    ASSERT_EQ(qor_catalog_stamp(c, &s0), 0);
    EXPECT_EQ(s0, 0);
    ASSERT_EQ(put(c, "A", "1"), 0);                                    // +1: one write
    ASSERT_EQ(qor_catalog_begin(c), 0);
    for (const char* n : {"B", "C", "D"}) ASSERT_EQ(put(c, n, "x"), 0);
    ASSERT_EQ(qor_catalog_stamp(c, &s), 0);
    EXPECT_EQ(s, 1);                                                   // not yet committed
    ASSERT_EQ(qor_catalog_commit(c), 0);                               // +1: one transaction
    ASSERT_EQ(qor_catalog_begin(c), 0);
    ASSERT_EQ(qor_catalog_commit(c), 0);                               // +0: wrote nothing
    ASSERT_EQ(qor_catalog_begin(c), 0);
    ASSERT_EQ(put(c, "E", "e"), 0);
    ASSERT_EQ(qor_catalog_rollback(c), 0);                             // +0: taken back
    xlclose(c, 0);
    EXPECT_EQ(stamp_of("env"), 2);
    // Through xcopen (a connection of its own) and through a second handle.
    qor_entry_request r;
    r.libref = "txlib";
    r.catalog = "env";
    r.name = "F";
    r.type = "SLIST";
    r.mode = QOR_CO_OUTPUT;
    qor_entry* e = nullptr;
    ASSERT_EQ(xcopen(r, &e), 0);
    ASSERT_EQ(xcclose(e, 0), 0);
    EXPECT_EQ(stamp_of("env"), 3);
    // Many saves within one second: each is told apart.
    int64_t last = stamp_of("env");
    for (int i = 0; i < 20; ++i) {
        qor_catalog* again = open("env");
        ASSERT_EQ(put(again, "A", std::to_string(i)), 0);
        xlclose(again, 0);
        int64_t now = stamp_of("env");
        EXPECT_GT(now, last);
        last = now;
    }
}

TEST_F(CatalogTransaction, ReplaceCopiesOneSnapshotWithinTheTargetsTransaction) {
    qor_catalog* source = open("src");
    qor_catalog* target = open("dst");
    std::string big(300000, 'b');
    ASSERT_EQ(put(source, "ONE", "1"), 0);
    ASSERT_EQ(put(source, "BIG", big), 0);
    ASSERT_EQ(put(target, "ONE", "old"), 0);
    ASSERT_EQ(put(target, "STALE", "s"), 0);
    int64_t source_stamp = stamp_of("src");

    // Inside the target's transaction: an intent entry commits with it, or nothing does.
    ASSERT_EQ(qor_catalog_begin(target), 0);
    ASSERT_EQ(qor_catalog_replace(target, source), 0);
    ASSERT_EQ(put(target, "INTENT", "switch"), 0);
    ASSERT_EQ(qor_catalog_rollback(target), 0);
    std::map<std::string, std::string> old_target = {{"ONE.SLIST", "old"}, {"STALE.SLIST", "s"}};
    EXPECT_EQ(contents("dst"), old_target);

    ASSERT_EQ(qor_catalog_replace(target, source), 0);
    std::map<std::string, std::string> copied = {{"BIG.SLIST", big}, {"ONE.SLIST", "1"}};
    EXPECT_EQ(contents("dst"), copied);
    EXPECT_EQ(stamp_of("src"), source_stamp);   // reading the source writes nothing there

    // Entry times and descriptions travel with the entries.
    const qor_member_info from_info = info_of(source, "ONE"), to_info = info_of(target, "ONE");
    EXPECT_EQ(from_info.modified, to_info.modified);
    EXPECT_EQ(from_info.created, to_info.created);

    // Entries are compared whole, not by their times: bytes changed behind the catalog's back
    // (same times, same length) are put right by the next replace.
    xlclose(target, 0);
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open((scratch.dir / "dst.qor7bcat").c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, "UPDATE entries SET data = x'32' WHERE name = 'ONE'", nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(db);
    target = open("dst");
    ASSERT_EQ(qor_catalog_replace(target, source), 0);
    EXPECT_EQ(contents("dst"), copied);

    EXPECT_EQ(static_cast<uint32_t>(qor_catalog_replace(target, target)), QOR_C_BAD_REQUEST);
    qor_catalog* again = open("src");
    EXPECT_EQ(static_cast<uint32_t>(qor_catalog_replace(again, source)), QOR_C_BAD_REQUEST);
    qor_catalog* input = open("dst", QOR_CO_INPUT);
    EXPECT_EQ(static_cast<uint32_t>(qor_catalog_replace(input, source)), QOR_C_READ_ONLY);
    for (qor_catalog* c : {source, target, again, input}) xlclose(c, 0);
}

// A replace into a catalog of no entries (a working copy or backup being made) copies the file's
// pages: the same entries and times as a row copy, a change stamp past both catalogs' stamps,
// and nothing the source file carries besides our tables (such a source is copied row by row).
TEST_F(CatalogTransaction, ReplaceIntoAnEmptyCatalogCopiesEntriesOnly) {
    qor_catalog* source = open("src");
    std::string big(300000, 'b');
    ASSERT_EQ(put(source, "ONE", "1"), 0);
    ASSERT_EQ(put(source, "BIG", big), 0);
    for (int i = 0; i < 5; ++i) ASSERT_EQ(put(source, "ONE", "1"), 0);
    qor_catalog* target = open("dst");
    ASSERT_EQ(put(target, "GONE", "g"), 0);
    ASSERT_EQ(xlmdele(target, "GONE", "SLIST"), 0);   // empty again, with a stamp of its own
    const int64_t target_stamp = stamp_of("dst");
    const int64_t source_stamp = stamp_of("src");
    ASSERT_GT(source_stamp, target_stamp);
    ASSERT_EQ(qor_catalog_replace(target, source), 0);
    const std::map<std::string, std::string> copied = {{"BIG.SLIST", big}, {"ONE.SLIST", "1"}};
    EXPECT_EQ(contents("dst"), copied);
    EXPECT_GT(stamp_of("dst"), source_stamp);
    EXPECT_EQ(stamp_of("src"), source_stamp);
    ASSERT_EQ(put(target, "MORE", "m"), 0);   // the copy takes writes as any catalog does
    EXPECT_EQ(contents("dst").size(), 3u);
    const qor_member_info from_info = info_of(source, "ONE"), to_info = info_of(target, "ONE");
    EXPECT_EQ(from_info.modified, to_info.modified);
    xlclose(target, 0);
    xlclose(source, 0);

    // A source that carries a table of its own: only the entries reach the copy.
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open((scratch.dir / "src.qor7bcat").c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, "CREATE TABLE extra (x); INSERT INTO extra VALUES (1);", nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(db);
    source = open("src", QOR_CO_INPUT);
    target = open("dst2");
    ASSERT_EQ(qor_catalog_replace(target, source), 0);
    EXPECT_EQ(contents("dst2"), copied);
    xlclose(target, 0);
    xlclose(source, 0);
    ASSERT_EQ(sqlite3_open((scratch.dir / "dst2.qor7bcat").c_str(), &db), SQLITE_OK);
    sqlite3_stmt* st = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db, "SELECT count(*) FROM sqlite_schema WHERE name = 'extra'", -1, &st, nullptr),
              SQLITE_OK);
    ASSERT_EQ(sqlite3_step(st), SQLITE_ROW);
    EXPECT_EQ(sqlite3_column_int(st, 0), 0);
    sqlite3_finalize(st);
    sqlite3_close(db);
}

// A catalog of the first format (no stamp) reads as it is; opened for update it gains the stamp.
TEST_F(CatalogTransaction, FirstFormatCatalogsAreBroughtUpToDate) {
    std::string path = (scratch.dir / "old.qor7bcat").string();
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    const char* first_format =
        "CREATE TABLE entries (name TEXT NOT NULL, type TEXT NOT NULL, description BLOB NOT NULL DEFAULT x'',"
        " created_us INTEGER NOT NULL, modified_us INTEGER NOT NULL, data BLOB NOT NULL,"
        " PRIMARY KEY (name, type)) WITHOUT ROWID;"
        "INSERT INTO entries VALUES ('OLD', 'SLIST', x'', 1, 2, x'6F6C64');"
        "PRAGMA application_id = 1364152899; PRAGMA user_version = 1;";
    ASSERT_EQ(sqlite3_exec(db, first_format, nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);

    EXPECT_EQ(stamp_of("old"), 0);
    std::map<std::string, std::string> old_content = {{"OLD.SLIST", "old"}};
    EXPECT_EQ(contents("old"), old_content);
    qor_catalog* c = open("old");
    ASSERT_EQ(put(c, "NEW", "n"), 0);
    xlclose(c, 0);
    EXPECT_EQ(stamp_of("old"), 1);
    EXPECT_EQ(contents("old").size(), 2u);

    // A second-format catalog whose stamp row is gone has been tampered with.
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, "DELETE FROM catalog_state", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
    qor_catalog* damaged = nullptr;
    EXPECT_EQ(static_cast<uint32_t>(xlopen("txlib", "old", QOR_CO_INPUT, &damaged)), QOR_C_DAMAGED);
    EXPECT_NE(std::string(qor_catalog_error_text()).find("change stamp"), std::string::npos);
}

TEST_F(CatalogTransaction, ReadOnlyLibrariesRefuseEveryWrite) {
    qor_catalog* c = open("env");
    ASSERT_EQ(put(c, "A", "a"), 0);
    xlclose(c, 0);
    ASSERT_EQ(xhlsrdo("txlib", 1), 0);
    qor_library_info info;
    ASSERT_EQ(xhlinf2("TXLIB", &info), 0);
    EXPECT_EQ(info.read_only, 1);

    EXPECT_EQ(static_cast<uint32_t>(xlopen("txlib", "env", QOR_CO_UPDATE, &c)), QOR_C_READ_ONLY);
    EXPECT_NE(std::string(qor_catalog_error_text()).find("read-only"), std::string::npos);
    EXPECT_EQ(static_cast<uint32_t>(xlopen("txlib", "fresh", QOR_CO_UPDATE, &c)), QOR_C_READ_ONLY);
    EXPECT_FALSE(fs::exists(scratch.dir / "fresh.qor7bcat"));
    qor_entry_request r;
    r.libref = "txlib";
    r.catalog = "env";
    r.name = "A";
    r.type = "SLIST";
    r.mode = QOR_CO_UPDATE;
    qor_entry* e = nullptr;
    EXPECT_EQ(static_cast<uint32_t>(xcopen(r, &e)), QOR_C_READ_ONLY);
    r.type = "UTILITY";
    r.mode = QOR_CO_OUTPUT;
    EXPECT_EQ(static_cast<uint32_t>(xcopen(r, &e)), QOR_C_READ_ONLY);
    // Readers go on; an editor's open falls back to input and says so.
    bool refused = false;
    ASSERT_EQ(afzopen("txlib", "env", 'E', &c, &refused), 0);
    EXPECT_TRUE(refused);
    EXPECT_EQ(static_cast<uint32_t>(put(c, "B", "b")), QOR_C_READ_ONLY);
    xlclose(c, 0);
    std::map<std::string, std::string> unchanged = {{"A.SLIST", "a"}};
    EXPECT_EQ(contents("env"), unchanged);

    ASSERT_EQ(xhlsrdo("txlib", 0), 0);
    ASSERT_EQ(xhlinf2("TXLIB", &info), 0);
    EXPECT_EQ(info.read_only, 0);
    EXPECT_EQ(xlopen("txlib", "env", QOR_CO_UPDATE, &c), 0);
    xlclose(c, 0);
    EXPECT_EQ(xhlsrdo("nolib", 1), QOR_LIB_NOT_ASSIGNED);
}

}  // namespace
