// Runtime-internal side of the catalog services: the shared SQLite connection of a catalog file,
// the open entry and catalog records, name rules, clock and the failure reporter.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "host/catalog.h"

struct sqlite3;
struct sqlite3_stmt;

namespace qor::runtime {

// One connection to one catalog file, shared by the catalog handle and the entries opened from it.
// A transaction begun by the caller (qor_catalog_begin) belongs to the connection: every write
// through it joins that transaction until commit or rollback.
struct catalog_db {
    sqlite3* db = nullptr;
    std::string path;
    bool writable = false;
    bool has_stamp = false;              // the change stamp table exists (format 2 and later)
    bool in_transaction = false;         // a caller's transaction is open
    int64_t changes_at_begin = 0;        // sqlite3_total_changes when it began
    sqlite3_stmt* read_statement = nullptr;   // the entry read, prepared once per connection
    ~catalog_db();
};

// An entry as stored in a catalog file.
struct stored_entry {
    std::string name, type, description;
    std::string data;
    int64_t created_us = 0, modified_us = 0;
};

// Upper-cased name or type without padding; empty when it breaks the rules (see host/catalog.h).
std::string catalog_name(std::string_view text);
std::string catalog_type(std::string_view text);
bool is_utility_type(const std::string& type);
// A caller's text as a message shows it: at most 40 bytes, unprintable bytes as '?'.
std::string shown_name(std::string_view text);   // "UTILITY" or "PUTILITY": a file of its own

int64_t clock_now_us();
double host_datetime_of_us(int64_t microseconds_since_1970);

// Record the reason of a failure for qor_catalog_error_text and, unless quiet, log it as an
// error. Returns the code so callers can write `return catalog_fail(...)`.
int catalog_fail(uint32_t code, const std::string& reason, bool quiet = false);
void catalog_clear_error();

// Open (and on first write create) the catalog file. Failures are reported and logged, except
// QOR_C_NOT_FOUND for a missing file opened for input.
int open_catalog_db(const std::string& path, bool writable, std::shared_ptr<catalog_db>* out);
// How long opens and commits wait for a lock held by another process (tests shorten it);
// returns the previous value.
QOR_HOST_API int set_catalog_busy_timeout(int milliseconds);
int catalog_busy_timeout();
// A caller's transaction on a connection (see qor_catalog_begin): begin refuses a second one.
int catalog_begin(catalog_db& db);
int catalog_commit(catalog_db& db);
int catalog_rollback(catalog_db& db);
// The connection's change stamp as committed (0 for a catalog that has no stamp yet).
int catalog_read_stamp(catalog_db& db, int64_t* stamp);
// Replace every entry of `target` with a snapshot of `source`'s entries, in one transaction (the
// caller's when one is open).
int catalog_replace_all(catalog_db& target, catalog_db& source);
// Read one entry: 0, QOR_C_NOT_FOUND, or a reported failure.
int catalog_read_entry(catalog_db& db, const std::string& name, const std::string& type, stored_entry* out);
// Replace or create one entry in one transaction (the creation time of an existing entry is kept).
int catalog_write_entry(catalog_db& db, const stored_entry& entry);
int catalog_delete_entry(catalog_db& db, const std::string& name, const std::string& type);
int catalog_rename_entry(catalog_db& db, const std::string& name, const std::string& type,
                         const std::string& new_name);
// Every entry's directory information (of one type when `type` is not empty), by name and type.
int catalog_list_entries(catalog_db& db, const std::string& type, std::vector<qor_member_info>* out);

// Path of the catalog file <libref>.<catalog>; a reported failure when the library is not
// assigned or the name is not valid.
int catalog_file_path(std::string_view libref, std::string_view catalog, std::string* path);

// QOR_C_READ_ONLY, reported, when the library has the read-only attribute; else 0.
int refuse_read_only_library(std::string_view libref);

// Utility members: files of their own in the library, read and written in place.
int member_file_open(const qor_entry_request& request, const std::string& name, const std::string& type,
                     qor_entry* entry);
int member_file_read(qor_entry* entry, void* buffer, size_t length, size_t* got);
int member_file_write(qor_entry* entry, const void* buffer, size_t length);
int member_file_close(qor_entry* entry, int flags);
// Writes what the member's window holds that is not yet in the file: 0 or a failure code.
int member_file_flush(qor_entry* entry);

}  // namespace qor::runtime

// An open entry: either a catalog entry held in memory until it is committed at close, or a
// utility member file read and written in place (output: a staging file renamed at close).
struct qor_entry {
    bool is_file = false;
    uint32_t access = QOR_CO_INPUT;   // QOR_CO_INPUT, QOR_CO_OUTPUT or QOR_CO_UPDATE
    bool temporary = false;
    int64_t position = 0;
    // catalog entry
    std::shared_ptr<qor::runtime::catalog_db> db;
    qor::runtime::stored_entry stored;
    bool must_commit = false;
    // utility member file
    int fd = -1;
    std::string path;            // the member file
    std::string staging_path;    // output: written here, renamed onto path at close
    int64_t size = 0;            // logical size: what the file holds plus unflushed writes
    // One window of the member in memory: bytes [window_start, window_start + window_fill) read
    // ahead, or written and not yet flushed (window_dirty). Sequential record I/O then costs
    // one system call per window, not one per record; the position stays exact.
    std::vector<char> window;
    int64_t window_start = 0;
    size_t window_fill = 0;
    bool window_dirty = false;
    int write_error = 0;         // errno of a failed flush; the member is then never committed
};

// An open catalog.
struct qor_catalog {
    std::shared_ptr<qor::runtime::catalog_db> db;
};

// A snapshot of a catalog's directory.
struct qor_member_dir {
    std::vector<qor_member_info> entries;
    size_t next = 0;
};
