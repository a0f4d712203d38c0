// Catalog files as SQLite databases: opening with the checks that say why a file is not a usable
// catalog, creating (or bringing up to date) the schema, and the one-transaction reads and writes
// of whole entries.
#include <sys/stat.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "runtime/storage/catalog_sqlite.h"
#include "runtime/storage/libraries.h"

namespace qor::runtime {

namespace {

constexpr int kApplicationId = 0x514F5243;   // "QORC": marks a file as one of our catalogs
// Format 2 adds the change stamp; a format 1 catalog opened for update is brought up to 2.
int busy_timeout_ms = 10000;   // how long an open or commit waits for another process

const char* kSchema =
    "CREATE TABLE entries ("
    " name TEXT NOT NULL,"
    " type TEXT NOT NULL,"
    " description BLOB NOT NULL DEFAULT x'',"
    " created_us INTEGER NOT NULL,"
    " modified_us INTEGER NOT NULL,"
    " data BLOB NOT NULL,"
    " PRIMARY KEY (name, type)) WITHOUT ROWID";

// One row: the change stamp, advanced by every transaction that writes.
const char* kStateSchema =
    "CREATE TABLE catalog_state (stamp INTEGER NOT NULL);"
    "INSERT INTO catalog_state (stamp) VALUES (0)";

// Whether a catalog file lies directly in the WORK library's directory.
bool in_work_library(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return false;
    const std::string work = library_directory("WORK");
    return !work.empty() && path.compare(0, slash, work) == 0 && slash == work.size();
}

// The entries table must have exactly our columns; anything else is not our catalog.
bool has_our_columns(sqlite3* db) {
    statement st(db, "SELECT name FROM pragma_table_info('entries') ORDER BY cid");
    if (!st) return false;
    const char* want[] = {"name", "type", "description", "created_us", "modified_us", "data"};
    size_t seen = 0;
    while (sqlite3_step(st.s) == SQLITE_ROW) {
        const unsigned char* col = sqlite3_column_text(st.s, 0);
        if (seen >= 6 || !col || std::strcmp(reinterpret_cast<const char*>(col), want[seen]) != 0)
            return false;
        ++seen;
    }
    return seen == 6;
}

// Runs change(db) (an SQLite code) in one immediate transaction; 0, or the failure reported as
// "<path> <failure>" with the transaction rolled back.
template <class Change>
int in_immediate_transaction(sqlite3* db, const std::string& path, const char* failure, Change change) {
    int rc = exec(db, "BEGIN IMMEDIATE");
    if (rc != SQLITE_OK) return fail_sqlite(db, rc, path, failure);
    rc = change();
    if (rc == SQLITE_OK) rc = exec(db, "COMMIT");
    if (rc != SQLITE_OK) {
        int code = fail_sqlite(db, rc, path, failure);
        exec(db, "ROLLBACK");
        return code;
    }
    return 0;
}

int create_schema(sqlite3* db, const std::string& path) {
    int rc = in_immediate_transaction(db, path, "cannot be created", [&] {
        long long tables = 0;
        int step = query_int(db, "SELECT count(*) FROM sqlite_schema", &tables);
        if (step != SQLITE_OK || tables != 0) return step;   // another process may have created it meanwhile
        step = exec(db, kSchema);
        if (step == SQLITE_OK) step = exec(db, kStateSchema);
        std::string mark = "PRAGMA application_id = " + std::to_string(kApplicationId);
        if (step == SQLITE_OK) step = exec(db, mark.c_str());
        std::string version = "PRAGMA user_version = " + std::to_string(kCatalogFormatVersion);
        if (step == SQLITE_OK) step = exec(db, version.c_str());
        return step;
    });
    if (rc != 0) return rc;
    // Readers keep reading while a writer commits.
    exec(db, "PRAGMA journal_mode = WAL");
    return 0;
}

// Brings a format 1 catalog to format 2: the change stamp table, in one transaction.
int add_stamp(sqlite3* db, const std::string& path) {
    return in_immediate_transaction(db, path, "cannot be brought up to date", [&] {
        long long version = 0;
        int step = query_int(db, "PRAGMA user_version", &version);
        if (step != SQLITE_OK || version != 1) return step;   // another process may have done it meanwhile
        step = exec(db, kStateSchema);
        if (step == SQLITE_OK) step = exec(db, ("PRAGMA user_version = " + std::to_string(kCatalogFormatVersion)).c_str());
        return step;
    });
}

// Checks (and when empty and writable, creates) the catalog layout.
int check_layout(sqlite3* db, const std::string& path, bool writable) {
    long long tables = 0, app_id = 0, version = 0;
    int rc = query_int(db, "SELECT count(*) FROM sqlite_schema", &tables);
    if (rc == SQLITE_OK) rc = query_int(db, "PRAGMA application_id", &app_id);
    if (rc == SQLITE_OK) rc = query_int(db, "PRAGMA user_version", &version);
    if (rc != SQLITE_OK) return fail_sqlite(db, rc, path, "cannot be opened");
    if (tables == 0 && app_id == 0) {
        if (!writable)
            return catalog_fail(QOR_C_NOT_CATALOG, "Catalog " + path + " cannot be opened: the file is empty.");
        return create_schema(db, path);
    }
    if (app_id != kApplicationId)
        return catalog_fail(QOR_C_NOT_CATALOG,
                            "Catalog " + path + " cannot be opened: the file is a database but not a catalog.");
    if (version > kCatalogFormatVersion)
        return catalog_fail(QOR_C_NOT_CATALOG, "Catalog " + path + " cannot be opened: it was written in format " +
                                                   std::to_string(version) + ", newer than this release reads (" +
                                                   std::to_string(kCatalogFormatVersion) + ").");
    if (version < 1 || !has_our_columns(db))
        return catalog_fail(QOR_C_DAMAGED, "Catalog " + path + " cannot be opened: its entry table is missing or altered.");
    if (version == 1) {
        if (!writable) return 0;   // read as it is: its stamp reads 0
        return add_stamp(db, path);
    }
    long long rows = 0;
    rc = query_int(db, "SELECT count(*) FROM catalog_state", &rows);
    if (rc != SQLITE_OK || rows != 1)
        return catalog_fail(QOR_C_DAMAGED, "Catalog " + path + " cannot be opened: its change stamp is missing or altered.");
    return 0;
}

std::string column_bytes(sqlite3_stmt* s, int column) {
    const void* bytes = sqlite3_column_blob(s, column);
    int length = sqlite3_column_bytes(s, column);
    return bytes && length > 0 ? std::string(static_cast<const char*>(bytes), length) : std::string();
}

std::string column_text(sqlite3_stmt* s, int column) {
    const unsigned char* text = sqlite3_column_text(s, column);
    int length = sqlite3_column_bytes(s, column);
    return text ? std::string(reinterpret_cast<const char*>(text), length) : std::string();
}

int step_done(catalog_db& c, statement& st, const char* doing) {
    if (!st) return fail_sqlite(c.db, sqlite3_errcode(c.db), c.path, doing);
    int rc = sqlite3_step(st.s);
    if (rc != SQLITE_DONE) return fail_sqlite(c.db, rc, c.path, doing);
    return 0;
}

int exists_in(catalog_db& c, const std::string& name, const std::string& type, bool* exists) {
    statement st(c.db, "SELECT 1 FROM entries WHERE name = ?1 AND type = ?2");
    if (!st) return fail_sqlite(c.db, sqlite3_errcode(c.db), c.path, "cannot be read");
    sqlite3_bind_text(st.s, 1, name.data(), static_cast<int>(name.size()), SQLITE_TRANSIENT);
    sqlite3_bind_text(st.s, 2, type.data(), static_cast<int>(type.size()), SQLITE_TRANSIENT);
    int rc = sqlite3_step(st.s);
    if (rc != SQLITE_ROW && rc != SQLITE_DONE) return fail_sqlite(c.db, rc, c.path, "cannot be read");
    *exists = rc == SQLITE_ROW;
    return 0;
}

// A file cut short loses its last pages without SQLite noticing (a short read is taken as zeros):
// the page count in the header must fit in the file. The header's count is valid only when its
// version mark matches its change counter, and while a log holds pages not yet folded back into
// the file, the file may rightly be shorter.
int check_not_truncated(const std::string& path, off_t file_size) {
    unsigned char header[100];
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return 0;   // the open that follows says why
    size_t got = std::fread(header, 1, sizeof header, f);
    std::fclose(f);
    if (got < sizeof header || std::memcmp(header, "SQLite format 3", 16) != 0) return 0;
    auto be32 = [&](int at) {
        return (uint32_t{header[at]} << 24) | (uint32_t{header[at + 1]} << 16) | (uint32_t{header[at + 2]} << 8) |
               uint32_t{header[at + 3]};
    };
    uint32_t page_size = (uint32_t{header[16]} << 8) | header[17];
    if (page_size == 1) page_size = 65536;
    if (be32(92) != be32(24) || page_size < 512) return 0;
    struct stat log;
    if (stat((path + "-wal").c_str(), &log) == 0 && log.st_size > 0) return 0;
    uint64_t expected = uint64_t{be32(28)} * page_size;
    if (static_cast<uint64_t>(file_size) >= expected) return 0;
    return catalog_fail(QOR_C_DAMAGED, "Catalog " + path + " cannot be opened: the file is damaged, truncated to " +
                                           std::to_string(file_size) + " of its " + std::to_string(expected) +
                                           " bytes.");
}

}  // namespace

int check_stored_name(catalog_db& c, const std::string& name, const std::string& type) {
    if (catalog_name(name) == name && catalog_type(type) == type) return 0;
    return catalog_fail(QOR_C_DAMAGED, "Catalog " + c.path + " is damaged: it holds an entry named \"" +
                                           shown_name(name) + "." + shown_name(type) + "\", which no entry can be.");
}

// The code and reason for an SQLite failure on the catalog file.
int fail_sqlite(sqlite3* db, int rc, const std::string& path, const char* doing) {
    std::string what = "Catalog " + path + " " + doing + ": ";
    std::string detail = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
    switch (rc & 0xFF) {
    case SQLITE_NOTADB:
        return catalog_fail(QOR_C_NOT_CATALOG, what + "the file is not a catalog (not a database).");
    case SQLITE_CORRUPT:
        return catalog_fail(QOR_C_DAMAGED, what + "the file is damaged or truncated (" + detail + ").");
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return catalog_fail(QOR_C_LOCKED, what + "the file is locked by another process.");
    case SQLITE_NOMEM:
        return catalog_fail(QOR_C_NO_MEMORY, what + "out of memory.");
    case SQLITE_READONLY:
        return catalog_fail(QOR_C_READ_ONLY, what + "the file cannot be written (" + detail + ").");
    case SQLITE_CANTOPEN:
    case SQLITE_IOERR:
    case SQLITE_PERM:
    case SQLITE_FULL:
        return catalog_fail(QOR_C_IO, what + detail + ".");
    default:
        return catalog_fail(QOR_C_DAMAGED, what + detail + ".");
    }
}

// Runs one statement that returns at most one integer; rc is the SQLite result.
int query_int(sqlite3* db, const char* sql, long long* value) {
    statement st(db, sql);
    if (!st) return sqlite3_errcode(db);
    int rc = sqlite3_step(st.s);
    if (rc == SQLITE_ROW) {
        *value = sqlite3_column_int64(st.s, 0);
        return SQLITE_OK;
    }
    return rc == SQLITE_DONE ? SQLITE_OK : rc;
}

int exec(sqlite3* db, const char* sql) { return sqlite3_exec(db, sql, nullptr, nullptr, nullptr); }

int in_transaction(catalog_db& c, const char* doing, int (*body)(catalog_db&, const void*), const void* arg) {
    if (!c.writable)
        return catalog_fail(QOR_C_READ_ONLY, "Catalog " + c.path + " was opened for input and cannot be changed.");
    // Inside the caller's transaction a failing write takes back only itself.
    const char* open = c.in_transaction ? "SAVEPOINT single_write" : "BEGIN IMMEDIATE";
    const char* undo = c.in_transaction ? "ROLLBACK TO single_write; RELEASE single_write" : "ROLLBACK";
    int rc = exec(c.db, open);
    if (rc != SQLITE_OK) return fail_sqlite(c.db, rc, c.path, doing);
    int code = body(c, arg);
    if (code == 0 && !c.in_transaction) code = advance_stamp(c);
    if (code != 0) {
        exec(c.db, undo);
        return code;
    }
    rc = exec(c.db, c.in_transaction ? "RELEASE single_write" : "COMMIT");
    if (rc != SQLITE_OK) {
        code = fail_sqlite(c.db, rc, c.path, doing);
        exec(c.db, undo);
        return code;
    }
    return 0;
}

int advance_stamp(catalog_db& c) {
    if (!c.has_stamp) return 0;
    int rc = exec(c.db, "UPDATE catalog_state SET stamp = stamp + 1");
    return rc == SQLITE_OK ? 0 : fail_sqlite(c.db, rc, c.path, "cannot be written");
}

catalog_db::~catalog_db() {
    sqlite3_finalize(read_statement);
    sqlite3_close_v2(db);
}

int set_catalog_busy_timeout(int milliseconds) {
    int previous = busy_timeout_ms;
    busy_timeout_ms = milliseconds;
    return previous;
}

int catalog_busy_timeout() { return busy_timeout_ms; }

int open_catalog_db(const std::string& path, bool writable, std::shared_ptr<catalog_db>* out) {
    struct stat st;
    bool exists = stat(path.c_str(), &st) == 0;
    if (!exists && !writable)
        return catalog_fail(QOR_C_NOT_FOUND, "Catalog " + path + " does not exist.", true);
    if (exists && !S_ISREG(st.st_mode))
        return catalog_fail(QOR_C_NOT_CATALOG, "Catalog " + path + " cannot be opened: it is not a regular file.");
    if (exists) {
        int code = check_not_truncated(path, st.st_size);
        if (code != 0) return code;
    }
    auto c = std::make_shared<catalog_db>();
    c->path = path;
    c->writable = writable;
    int flags = writable ? (SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE) : SQLITE_OPEN_READONLY;
    int rc = sqlite3_open_v2(path.c_str(), &c->db, flags | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) return fail_sqlite(c->db, rc, path, "cannot be opened");
    sqlite3_extended_result_codes(c->db, 1);
    sqlite3_busy_timeout(c->db, busy_timeout_ms);
    // A catalog file may come from anywhere: never let its schema run code or write outside the
    // ordinary tables.
    sqlite3_db_config(c->db, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
    sqlite3_db_config(c->db, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
    int code = check_layout(c->db, path, writable);
    if (code != 0) return code;
    long long version = 0;
    query_int(c->db, "PRAGMA user_version", &version);
    c->has_stamp = version >= 2;
    // Catalogs of WORK are scratch (working copies, the run's own lists): WORK goes with the run,
    // so their writes need not survive a power failure and skip the waits for the disk.
    if (writable) exec(c->db, in_work_library(path) ? "PRAGMA synchronous = OFF" : "PRAGMA synchronous = FULL");
    *out = std::move(c);
    return 0;
}

int catalog_read_entry(catalog_db& c, const std::string& name, const std::string& type, stored_entry* out) {
    // An environment opens thousands of entries one after the other: the statement is kept.
    if (c.read_statement == nullptr &&
        sqlite3_prepare_v3(c.db, "SELECT description, created_us, modified_us, data FROM entries WHERE name = ?1 AND type = ?2",
                           -1, SQLITE_PREPARE_PERSISTENT, &c.read_statement, nullptr) != SQLITE_OK)
        return fail_sqlite(c.db, sqlite3_errcode(c.db), c.path, "cannot be read");
    sqlite3_stmt* st = c.read_statement;
    struct done_with {   // leaves the statement reset and unbound on every path
        sqlite3_stmt* s;
        ~done_with() {
            sqlite3_reset(s);
            sqlite3_clear_bindings(s);
        }
    } reset{st};
    sqlite3_bind_text(st, 1, name.data(), static_cast<int>(name.size()), SQLITE_STATIC);
    sqlite3_bind_text(st, 2, type.data(), static_cast<int>(type.size()), SQLITE_STATIC);
    int rc = sqlite3_step(st);
    if (rc == SQLITE_DONE) return static_cast<int>(QOR_C_NOT_FOUND);
    if (rc != SQLITE_ROW) return fail_sqlite(c.db, rc, c.path, "cannot be read");
    out->name = name;
    out->type = type;
    out->description = column_bytes(st, 0);
    out->created_us = sqlite3_column_int64(st, 1);
    out->modified_us = sqlite3_column_int64(st, 2);
    out->data = column_bytes(st, 3);
    return 0;
}

int catalog_write_entry(catalog_db& c, const stored_entry& entry) {
    auto body = [](catalog_db& c, const void* arg) -> int {
        const stored_entry& e = *static_cast<const stored_entry*>(arg);
        statement st(c.db,
                     "INSERT INTO entries (name, type, description, created_us, modified_us, data)"
                     " VALUES (?1, ?2, ?3, ?4, ?5, ?6) ON CONFLICT (name, type) DO UPDATE SET"
                     " description = excluded.description, modified_us = excluded.modified_us,"
                     " data = excluded.data");
        if (st) {
            sqlite3_bind_text(st.s, 1, e.name.data(), static_cast<int>(e.name.size()), SQLITE_TRANSIENT);
            sqlite3_bind_text(st.s, 2, e.type.data(), static_cast<int>(e.type.size()), SQLITE_TRANSIENT);
            sqlite3_bind_blob(st.s, 3, e.description.data(), static_cast<int>(e.description.size()), SQLITE_STATIC);
            sqlite3_bind_int64(st.s, 4, e.created_us);
            sqlite3_bind_int64(st.s, 5, e.modified_us);
            sqlite3_bind_blob64(st.s, 6, e.data.data(), e.data.size(), SQLITE_STATIC);
        }
        return step_done(c, st, "cannot be written");
    };
    return in_transaction(c, "cannot be written", body, &entry);
}

int catalog_delete_entry(catalog_db& c, const std::string& name, const std::string& type) {
    struct args { const std::string *name, *type; } a{&name, &type};
    auto body = [](catalog_db& c, const void* arg) -> int {
        const args& a = *static_cast<const args*>(arg);
        statement st(c.db, "DELETE FROM entries WHERE name = ?1 AND type = ?2");
        if (st) {
            sqlite3_bind_text(st.s, 1, a.name->data(), static_cast<int>(a.name->size()), SQLITE_TRANSIENT);
            sqlite3_bind_text(st.s, 2, a.type->data(), static_cast<int>(a.type->size()), SQLITE_TRANSIENT);
        }
        int code = step_done(c, st, "cannot be written");
        if (code == 0 && sqlite3_changes(c.db) == 0) return static_cast<int>(QOR_C_NOT_FOUND);
        return code;
    };
    return in_transaction(c, "cannot be written", body, &a);
}

int catalog_rename_entry(catalog_db& c, const std::string& name, const std::string& type,
                         const std::string& new_name) {
    struct args { const std::string *name, *type, *new_name; } a{&name, &type, &new_name};
    auto body = [](catalog_db& c, const void* arg) -> int {
        const args& a = *static_cast<const args*>(arg);
        bool taken = false;
        int code = exists_in(c, *a.new_name, *a.type, &taken);
        if (code != 0) return code;
        if (taken) return static_cast<int>(QOR_C_EXISTS);
        statement st(c.db, "UPDATE entries SET name = ?3 WHERE name = ?1 AND type = ?2");
        if (st) {
            sqlite3_bind_text(st.s, 1, a.name->data(), static_cast<int>(a.name->size()), SQLITE_TRANSIENT);
            sqlite3_bind_text(st.s, 2, a.type->data(), static_cast<int>(a.type->size()), SQLITE_TRANSIENT);
            sqlite3_bind_text(st.s, 3, a.new_name->data(), static_cast<int>(a.new_name->size()), SQLITE_TRANSIENT);
        }
        code = step_done(c, st, "cannot be written");
        if (code == 0 && sqlite3_changes(c.db) == 0) return static_cast<int>(QOR_C_NOT_FOUND);
        return code;
    };
    if (name == new_name) {
        bool exists = false;
        int code = exists_in(c, name, type, &exists);
        return code != 0 ? code : exists ? 0 : static_cast<int>(QOR_C_NOT_FOUND);
    }
    return in_transaction(c, "cannot be written", body, &a);
}

int catalog_list_entries(catalog_db& c, const std::string& type, std::vector<qor_member_info>* out) {
    statement st(c.db,
                 "SELECT name, type, description, length(data), created_us, modified_us FROM entries"
                 " WHERE ?1 = '' OR type = ?1 ORDER BY name, type");
    if (!st) return fail_sqlite(c.db, sqlite3_errcode(c.db), c.path, "cannot be read");
    sqlite3_bind_text(st.s, 1, type.data(), static_cast<int>(type.size()), SQLITE_TRANSIENT);
    out->clear();
    int rc;
    while ((rc = sqlite3_step(st.s)) == SQLITE_ROW) {
        qor_member_info info;
        info.name = column_text(st.s, 0);
        info.type = column_text(st.s, 1);
        int code = check_stored_name(c, info.name, info.type);
        if (code != 0) return code;
        info.description = column_bytes(st.s, 2);
        info.size = sqlite3_column_int64(st.s, 3);
        info.created = host_datetime_of_us(sqlite3_column_int64(st.s, 4));
        info.modified = host_datetime_of_us(sqlite3_column_int64(st.s, 5));
        out->push_back(std::move(info));
    }
    if (rc != SQLITE_DONE) return fail_sqlite(c.db, rc, c.path, "cannot be read");
    return 0;
}

}  // namespace qor::runtime
