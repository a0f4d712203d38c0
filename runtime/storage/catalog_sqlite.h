// SQLite helpers shared by the catalog files' sources: a self-finalizing statement, the mapping of
// SQLite failures to catalog result codes, and the transaction wrapper of single writes.
#pragma once
#include <sqlite3.h>

#include <string>

#include "runtime/storage/catalog_internal.h"

namespace qor::runtime {

// The catalog file format this build writes (PRAGMA user_version).
constexpr int kCatalogFormatVersion = 2;

// A prepared statement that finalizes itself.
struct statement {
    sqlite3_stmt* s = nullptr;
    statement(sqlite3* db, const char* sql) { sqlite3_prepare_v2(db, sql, -1, &s, nullptr); }
    ~statement() { sqlite3_finalize(s); }
    statement(const statement&) = delete;
    statement& operator=(const statement&) = delete;
    explicit operator bool() const { return s != nullptr; }
};

// The code and reason for an SQLite failure on the catalog file (reported and logged).
int fail_sqlite(sqlite3* db, int rc, const std::string& path, const char* doing);
int exec(sqlite3* db, const char* sql);
// Runs one statement that returns at most one integer; answers the SQLite result.
int query_int(sqlite3* db, const char* sql, long long* value);
// Runs body inside a transaction of its own, or inside a savepoint of the caller's open
// transaction, so that a failing body leaves nothing behind either way. A transaction of its
// own advances the change stamp when it commits.
int in_transaction(catalog_db& c, const char* doing, int (*body)(catalog_db&, const void*), const void* arg);
// QOR_C_DAMAGED, reported, when a name or type read from the file breaks the naming rules (only
// damage puts one there).
int check_stored_name(catalog_db& c, const std::string& name, const std::string& type);
// Adds one to the change stamp inside the open transaction.
int advance_stamp(catalog_db& c);

}  // namespace qor::runtime
