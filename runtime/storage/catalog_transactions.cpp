// Transactions a caller spans over many writes of one catalog, the change stamp that every
// writing transaction advances, and the whole-catalog replace from a consistent snapshot.
#include <sys/stat.h>

#include <string>

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

// Body of the replace: empties the target and inserts the source's rows one by one, binding the
// source's column memory directly (no copy of an entry is made).
int copy_all_entries(catalog_db& target, const void* arg) {
    catalog_db& source = *static_cast<catalog_db*>(const_cast<void*>(arg));
    int rc = exec(target.db, "DELETE FROM entries");
    if (rc != SQLITE_OK) return fail_sqlite(target.db, rc, target.path, "cannot be replaced");
    // One statement reads one snapshot of the source, whatever is committed there meanwhile.
    statement read(source.db,
                   "SELECT name, type, description, created_us, modified_us, data FROM entries");
    if (!read) return fail_sqlite(source.db, sqlite3_errcode(source.db), source.path, "cannot be read");
    statement write(target.db,
                    "INSERT INTO entries (name, type, description, created_us, modified_us, data)"
                    " VALUES (?1, ?2, ?3, ?4, ?5, ?6)");
    if (!write) return fail_sqlite(target.db, sqlite3_errcode(target.db), target.path, "cannot be replaced");
    while ((rc = sqlite3_step(read.s)) == SQLITE_ROW) {
        // Damage in the source must not travel into the target.
        int named = check_stored_name(source, column_text(read.s, 0), column_text(read.s, 1));
        if (named != 0) return named;
        for (int column = 0; column < 6; ++column) {
            int bound = column == 3 || column == 4
                            ? sqlite3_bind_int64(write.s, column + 1, sqlite3_column_int64(read.s, column))
                            : sqlite3_bind_value(write.s, column + 1, sqlite3_column_value(read.s, column));
            if (bound != SQLITE_OK) return fail_sqlite(target.db, bound, target.path, "cannot be replaced");
        }
        int written = sqlite3_step(write.s);
        if ((written & 0xFF) == SQLITE_CONSTRAINT)   // only a damaged source lists one entry twice
            return catalog_fail(QOR_C_DAMAGED, "Catalog " + source.path + " is damaged: it holds entry " +
                                                   shown_name(column_text(read.s, 0)) + "." +
                                                   shown_name(column_text(read.s, 1)) + " twice.");
        if (written != SQLITE_DONE) return fail_sqlite(target.db, written, target.path, "cannot be replaced");
        sqlite3_reset(write.s);
    }
    if (rc != SQLITE_DONE) return fail_sqlite(source.db, rc, source.path, "cannot be read");
    return 0;
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
