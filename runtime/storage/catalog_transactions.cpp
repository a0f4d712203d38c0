// Transactions a caller spans over many writes of one catalog, the change stamp that every
// writing transaction advances, and the whole-catalog replace from a consistent snapshot.
#include <sys/stat.h>

#include <algorithm>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "host/save_support.h"
#include "runtime/core/service_guard.h"
#include "runtime/storage/catalog_sqlite.h"

namespace qor::runtime {

namespace {

int refuse_input_catalog(const catalog_db& c) {
    return catalog_fail(QOR_C_READ_ONLY, "Catalog " + c.path + " was opened for input and cannot be changed.");
}

// Whether two connections hold the same file (one path through a link is the same file).
bool same_file(const catalog_db& a, const catalog_db& b) {
    if (a.path == b.path) return true;
    struct stat sa, sb;
    return stat(a.path.c_str(), &sa) == 0 && stat(b.path.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

std::string column_text(sqlite3_stmt* s, int column) {
    const unsigned char* text = sqlite3_column_text(s, column);
    return text ? std::string(reinterpret_cast<const char*>(text), static_cast<size_t>(sqlite3_column_bytes(s, column)))
                : std::string();
}

// The bytes of a column as a view into the statement's current row (valid until it steps).
std::string_view column_view(sqlite3_stmt* s, int column) {
    const void* bytes = sqlite3_column_blob(s, column);
    const int length = sqlite3_column_bytes(s, column);
    return bytes != nullptr ? std::string_view(static_cast<const char*>(bytes), static_cast<size_t>(length))
                            : std::string_view();
}

// Whether the entries at the two statements' rows (name, type, description, created_us,
// modified_us, data) are the same in every column.
bool same_entry(sqlite3_stmt* a, sqlite3_stmt* b) {
    return sqlite3_column_int64(a, 3) == sqlite3_column_int64(b, 3) &&
           sqlite3_column_int64(a, 4) == sqlite3_column_int64(b, 4) && column_view(a, 2) == column_view(b, 2) &&
           sqlite3_column_bytes(a, 5) == sqlite3_column_bytes(b, 5) && column_view(a, 5) == column_view(b, 5);
}

struct EntryKey {
    std::string name, type;
    bool operator<(const EntryKey& other) const {   // the order of the key in the file (binary)
        return name != other.name ? name < other.name : type < other.type;
    }
    bool operator==(const EntryKey&) const = default;
};

EntryKey key_at(sqlite3_stmt* s) { return EntryKey{column_text(s, 0), column_text(s, 1)}; }

// The differences that make the target the source: keys to delete and keys to write.
struct ReplacePlan {
    std::vector<EntryKey> deletes, writes;
};

// Walks both catalogs in key order, checking every source name on the way. 0 or a failure code.
int plan_replace(catalog_db& target, catalog_db& source, ReplacePlan* plan) {
    const char* all = "SELECT name, type, description, created_us, modified_us, data FROM entries ORDER BY name, type";
    statement from(source.db, all);
    if (!from) return fail_sqlite(source.db, sqlite3_errcode(source.db), source.path, "cannot be read");
    statement to(target.db, all);
    if (!to) return fail_sqlite(target.db, sqlite3_errcode(target.db), target.path, "cannot be replaced");
    int from_rc = sqlite3_step(from.s), to_rc = sqlite3_step(to.s);
    EntryKey last_source;
    bool any_source = false;
    while (from_rc == SQLITE_ROW || to_rc == SQLITE_ROW) {
        if (from_rc == SQLITE_ROW) {
            EntryKey from_key = key_at(from.s);
            // Damage in the source must not travel into the target.
            int named = check_stored_name(source, from_key.name, from_key.type);
            if (named != 0) return named;
            if (any_source && from_key == last_source)   // only a damaged source lists one entry twice
                return catalog_fail(QOR_C_DAMAGED, "Catalog " + source.path + " is damaged: it holds entry " +
                                                       shown_name(from_key.name) + "." + shown_name(from_key.type) +
                                                       " twice.");
            if (to_rc == SQLITE_ROW) {
                EntryKey to_key = key_at(to.s);
                if (to_key < from_key) {
                    plan->deletes.push_back(std::move(to_key));
                    to_rc = sqlite3_step(to.s);
                    continue;
                }
                if (to_key == from_key) {
                    if (!same_entry(from.s, to.s)) plan->writes.push_back(from_key);
                    to_rc = sqlite3_step(to.s);
                } else {
                    plan->writes.push_back(from_key);
                }
            } else {
                plan->writes.push_back(from_key);
            }
            last_source = std::move(from_key);
            any_source = true;
            from_rc = sqlite3_step(from.s);
        } else {
            plan->deletes.push_back(key_at(to.s));
            to_rc = sqlite3_step(to.s);
        }
    }
    if (from_rc != SQLITE_DONE) return fail_sqlite(source.db, from_rc, source.path, "cannot be read");
    if (to_rc != SQLITE_DONE) return fail_sqlite(target.db, to_rc, target.path, "cannot be replaced");
    return 0;
}

// Body of the replace: the target is made equal to the source by deleting the entries the source
// lacks and writing those it holds differently, binding the source's column memory directly. An
// entry both hold alike is not written again, so a save after a small change writes little.
int copy_all_entries(catalog_db& target, const void* arg) {
    catalog_db& source = *static_cast<catalog_db*>(const_cast<void*>(arg));
    // One read transaction of the source: the plan and the copies see one snapshot of it,
    // whatever is committed there meanwhile.
    const bool own_read = sqlite3_get_autocommit(source.db) != 0;
    if (own_read && exec(source.db, "BEGIN") != SQLITE_OK)
        return fail_sqlite(source.db, sqlite3_errcode(source.db), source.path, "cannot be read");
    struct EndRead {
        sqlite3* db;
        bool own;
        ~EndRead() {
            if (own) exec(db, "COMMIT");
        }
    } end_read{source.db, own_read};

    ReplacePlan plan;
    int code = 0;
    try {
        code = plan_replace(target, source, &plan);
    } catch (const std::bad_alloc&) {   // the caller's transaction is rolled back on the code
        return catalog_fail(QOR_C_NO_MEMORY, "Out of memory replacing catalog " + target.path + ".");
    }
    if (code != 0) return code;
    statement remove(target.db, "DELETE FROM entries WHERE name = ?1 AND type = ?2");
    if (!remove) return fail_sqlite(target.db, sqlite3_errcode(target.db), target.path, "cannot be replaced");
    for (const EntryKey& key : plan.deletes) {
        sqlite3_bind_text(remove.s, 1, key.name.data(), static_cast<int>(key.name.size()), SQLITE_STATIC);
        sqlite3_bind_text(remove.s, 2, key.type.data(), static_cast<int>(key.type.size()), SQLITE_STATIC);
        int rc = sqlite3_step(remove.s);
        if (rc != SQLITE_DONE) return fail_sqlite(target.db, rc, target.path, "cannot be replaced");
        sqlite3_reset(remove.s);
    }
    statement read(source.db,
                   "SELECT name, type, description, created_us, modified_us, data FROM entries"
                   " WHERE name = ?1 AND type = ?2");
    if (!read) return fail_sqlite(source.db, sqlite3_errcode(source.db), source.path, "cannot be read");
    statement write(target.db,
                    "INSERT OR REPLACE INTO entries (name, type, description, created_us, modified_us, data)"
                    " VALUES (?1, ?2, ?3, ?4, ?5, ?6)");
    if (!write) return fail_sqlite(target.db, sqlite3_errcode(target.db), target.path, "cannot be replaced");
    for (const EntryKey& key : plan.writes) {
        sqlite3_bind_text(read.s, 1, key.name.data(), static_cast<int>(key.name.size()), SQLITE_STATIC);
        sqlite3_bind_text(read.s, 2, key.type.data(), static_cast<int>(key.type.size()), SQLITE_STATIC);
        int rc = sqlite3_step(read.s);
        if (rc != SQLITE_ROW) return fail_sqlite(source.db, rc == SQLITE_DONE ? SQLITE_CORRUPT : rc, source.path,
                                                 "cannot be read");
        for (int column = 0; column < 6; ++column) {
            int bound = column == 3 || column == 4
                            ? sqlite3_bind_int64(write.s, column + 1, sqlite3_column_int64(read.s, column))
                            : sqlite3_bind_value(write.s, column + 1, sqlite3_column_value(read.s, column));
            if (bound != SQLITE_OK) return fail_sqlite(target.db, bound, target.path, "cannot be replaced");
        }
        int written = sqlite3_step(write.s);
        if (written != SQLITE_DONE) return fail_sqlite(target.db, written, target.path, "cannot be replaced");
        sqlite3_reset(write.s);
        sqlite3_reset(read.s);
    }
    return 0;
}

// Whether the page copy below may stand in for the row copy: the target is a catalog of no
// entries outside any transaction, and the source holds exactly our two tables at our format
// (anything else a file may carry must not travel), with pages of the target's size.
bool may_copy_pages(catalog_db& target, catalog_db& source) {
    if (target.in_transaction || !source.has_stamp || !target.has_stamp) return false;
    long long entries = 0, objects = 0, version = 0, source_page = 0, target_page = 0;
    return query_int(target.db, "SELECT count(*) FROM (SELECT 1 FROM entries LIMIT 1)", &entries) == SQLITE_OK &&
           entries == 0 &&
           query_int(source.db, "SELECT count(*) FROM sqlite_schema", &objects) == SQLITE_OK && objects == 2 &&
           query_int(source.db,
                     "SELECT count(*) FROM sqlite_schema WHERE type = 'table' AND name IN ('entries', 'catalog_state')",
                     &objects) == SQLITE_OK &&
           objects == 2 && query_int(source.db, "PRAGMA user_version", &version) == SQLITE_OK &&
           version == kCatalogFormatVersion && query_int(source.db, "PRAGMA page_size", &source_page) == SQLITE_OK &&
           query_int(target.db, "PRAGMA page_size", &target_page) == SQLITE_OK && source_page == target_page;
}

// The replace of an empty catalog (a working copy or a backup being made): the source's pages
// copied whole, far faster than row by row, after its names were checked in the same snapshot.
// The target's change stamp then moves past both its own and the source's, so that no one who
// recorded it sees it unchanged. 1 when the copy could not be made (the target is as it was);
// a failure code after damage or a failing stamp.
int copy_pages(catalog_db& target, catalog_db& source) {
    long long target_stamp = 0;
    if (query_int(target.db, "SELECT stamp FROM catalog_state", &target_stamp) != SQLITE_OK) return 1;
    if (exec(source.db, "BEGIN") != SQLITE_OK) return 1;
    int code = 0;
    {
        statement names(source.db, "SELECT name, type FROM entries");
        int rc = names ? SQLITE_ROW : SQLITE_ERROR;
        while (code == 0 && (rc = sqlite3_step(names.s)) == SQLITE_ROW)
            code = check_stored_name(source, column_text(names.s, 0), column_text(names.s, 1));
        if (code == 0 && rc != SQLITE_DONE) code = fail_sqlite(source.db, rc, source.path, "cannot be read");
    }
    bool copied = false;
    if (code == 0) {
        sqlite3_backup* backup = sqlite3_backup_init(target.db, "main", source.db, "main");
        if (backup != nullptr) {
            copied = sqlite3_backup_step(backup, -1) == SQLITE_DONE;
            copied = sqlite3_backup_finish(backup) == SQLITE_OK && copied;
        }
    }
    exec(source.db, "COMMIT");
    if (code != 0) return code;
    if (!copied) return 1;
    long long source_stamp = 0;
    query_int(target.db, "SELECT stamp FROM catalog_state", &source_stamp);
    const std::string set =
        "UPDATE catalog_state SET stamp = " + std::to_string(std::max(target_stamp, source_stamp) + 1);
    const int rc = exec(target.db, set.c_str());
    return rc == SQLITE_OK ? 0 : fail_sqlite(target.db, rc, target.path, "cannot be written");
}

}  // namespace

int catalog_begin(catalog_db& c) {
    if (!c.writable) return refuse_input_catalog(c);
    if (c.in_transaction)
        return catalog_fail(QOR_C_IN_TRANSACTION,
                            "Catalog " + c.path + " already has a transaction open; transactions do not nest.");
    int rc = exec(c.db, "BEGIN IMMEDIATE");
    if (rc != SQLITE_OK) return fail_sqlite(c.db, rc, c.path, "cannot begin a transaction");
    c.in_transaction = true;
    c.changes_at_begin = sqlite3_total_changes64(c.db);
    return 0;
}

int catalog_commit(catalog_db& c) {
    if (!c.in_transaction)
        return catalog_fail(QOR_C_NO_TRANSACTION, "Catalog " + c.path + " has no transaction to commit.");
    int code = 0;
    if (sqlite3_total_changes64(c.db) != c.changes_at_begin) code = advance_stamp(c);
    qor_crash_point(QOR_CRASH_BEFORE_COMMIT);
    if (code == 0) {
        int rc = exec(c.db, "COMMIT");
        if (rc != SQLITE_OK) code = fail_sqlite(c.db, rc, c.path, "cannot commit its transaction");
    }
    if (code != 0) {
        exec(c.db, "ROLLBACK");   // a failed commit ends the transaction with nothing written
        c.in_transaction = false;
        return code;
    }
    c.in_transaction = false;
    qor_crash_point(QOR_CRASH_AFTER_COMMIT);
    return 0;
}

int catalog_rollback(catalog_db& c) {
    if (!c.in_transaction)
        return catalog_fail(QOR_C_NO_TRANSACTION, "Catalog " + c.path + " has no transaction to roll back.");
    c.in_transaction = false;
    int rc = exec(c.db, "ROLLBACK");
    // SQLite rolls back by itself after some failures; nothing is left open either way.
    if (rc != SQLITE_OK && !sqlite3_get_autocommit(c.db)) return fail_sqlite(c.db, rc, c.path, "cannot roll back");
    return 0;
}

int catalog_read_stamp(catalog_db& c, int64_t* stamp) {
    *stamp = 0;
    long long value = 0;
    int rc = query_int(c.db, "SELECT stamp FROM catalog_state", &value);
    // A first-format catalog has no stamp, unless another process brought it up to date since.
    if (rc != SQLITE_OK && !c.has_stamp) return 0;
    if (rc != SQLITE_OK) return fail_sqlite(c.db, rc, c.path, "cannot be read");
    *stamp = value;
    return 0;
}

int catalog_replace_all(catalog_db& target, catalog_db& source) {
    if (!target.writable) return refuse_input_catalog(target);
    if (same_file(target, source))
        return catalog_fail(QOR_C_BAD_REQUEST, "Catalog " + target.path + " cannot replace itself.");
    if (may_copy_pages(target, source)) {
        const int code = copy_pages(target, source);
        if (code != 1) return code;
    }
    return in_transaction(target, "cannot be replaced", copy_all_entries, &source);
}

}  // namespace qor::runtime

using namespace qor::runtime;

int qor_catalog_begin(qor_catalog* catalog) try {
    if (!catalog) return static_cast<int>(QOR_C_NULL);
    return catalog_begin(*catalog->db);
}
QOR_SERVICE_CATCH(static_cast<int>(QOR_C_NO_MEMORY))

int qor_catalog_commit(qor_catalog* catalog) try {
    if (!catalog) return static_cast<int>(QOR_C_NULL);
    return catalog_commit(*catalog->db);
}
QOR_SERVICE_CATCH(static_cast<int>(QOR_C_NO_MEMORY))

int qor_catalog_rollback(qor_catalog* catalog) try {
    if (!catalog) return static_cast<int>(QOR_C_NULL);
    return catalog_rollback(*catalog->db);
}
QOR_SERVICE_CATCH(static_cast<int>(QOR_C_NO_MEMORY))

int qor_catalog_replace(qor_catalog* target, qor_catalog* source) try {
    if (!target || !source) return static_cast<int>(QOR_C_NULL);
    return catalog_replace_all(*target->db, *source->db);
}
QOR_SERVICE_CATCH(static_cast<int>(QOR_C_NO_MEMORY))

int qor_catalog_stamp(qor_catalog* catalog, int64_t* stamp) try {
    if (!catalog || !stamp) return static_cast<int>(QOR_C_NULL);
    return catalog_read_stamp(*catalog->db, stamp);
}
QOR_SERVICE_CATCH(static_cast<int>(QOR_C_NO_MEMORY))
