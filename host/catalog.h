// Catalog services: entry byte I/O (xc*), library and member directory services (xl*), catalog
// transactions, whole-catalog replace and the change stamp, and the result codes they share.
// Catalog entries live in catalog files; utility members are files.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "host/export.h"

struct qor_entry;        // an open entry (catalog entry or utility member)
struct qor_catalog;      // an open catalog of a library
struct qor_member_dir;   // a snapshot of a catalog's entries being walked

// Result codes. 0 is success; every failure is negative when read as an int, so callers that
// test "result < 0" and callers that test "result != 0" agree. 0x801 is not a failure of the
// service: a read met the end of the entry.
enum : uint32_t {
    QOR_C_END = 0x801,                 // end of entry: fewer bytes than asked were read
    QOR_C_NOT_FOUND = 0x80403806,      // entry, member or catalog file does not exist
    QOR_C_NULL = 0x80403807,           // a null handle or request argument
    QOR_C_NO_LIBRARY = 0x80403808,     // the library reference is not assigned
    QOR_C_BAD_REQUEST = 0x80403809,    // invalid name, member type or open mode
    QOR_C_NOT_CATALOG = 0x8040380A,    // the catalog file is not a catalog (not a database, ...)
    QOR_C_DAMAGED = 0x8040380B,        // the catalog file is damaged or truncated
    QOR_C_LOCKED = 0x8040380C,         // another process holds the catalog too long
    QOR_C_IO = 0x8040380D,             // the operating system refused a read or write
    QOR_C_READ_ONLY = 0x8040380E,      // write to an entry or catalog opened for input
    QOR_C_POSITION = 0x8040380F,       // position beyond the end of the entry
    QOR_C_EXISTS = 0x80403810,         // copy or rename target exists and replace was not asked
    QOR_C_IN_TRANSACTION = 0x80403811, // a transaction is already open on this catalog
    QOR_C_NO_TRANSACTION = 0x80403812, // commit or rollback without an open transaction
    QOR_C_NO_MEMORY = 0x80000803,      // memory exhausted
};

// Open modes (low byte) and flags of an entry open request.
enum : uint32_t {
    QOR_CO_INPUT = 0x1,          // read only; the entry must exist
    QOR_CO_OUTPUT = 0x2,         // write a new content that replaces the entry at close
    QOR_CO_UPDATE = 0x8,         // read and write the existing content; created when missing
    QOR_CO_STREAM = 0x2000000,   // byte-stream access (the only access there is; accepted)
    QOR_CO_CREATE = 0x4000000,   // create when missing (update and output always do)
    QOR_CO_TEMP = 0x80000000,    // anonymous temporary entry: no name, vanishes at close
};

// Close flags.
enum : int {
    QOR_CC_DISCARD = 0x1,        // forget what was written since open (the entry stays as it was)
};

// Copy options of xlmcopy: either bit asks to replace an existing target.
enum : int { QOR_LM_REPLACE = 0x30 };

// What an entry open names. Member types "UTILITY" and "PUTILITY" are files of their own in the
// library (the catalog name is ignored); every other type is an entry of the catalog file
// <library>/<catalog>.qor7bcat. Names and types are case-insensitive and blank-padding is
// ignored; names are 1 to 32 characters (a letter or '_', then letters, digits, '_'), types
// 1 to 8 letters, digits or '_'. A QOR_CO_TEMP request gives no name.
struct qor_entry_request {
    std::string_view libref;
    std::string_view catalog;
    std::string_view name;
    std::string_view type;
    std::string_view description;   // stored with a catalog entry written through this open
    uint32_t mode = QOR_CO_INPUT;
};

// One entry as a directory lists it. Times are host date-time values (seconds since
// 1 January 1960, with fractions of a second).
struct qor_member_info {
    std::string name;          // upper case, no padding
    std::string type;          // upper case, no padding
    std::string description;   // up to 256 bytes
    int64_t size = 0;          // bytes
    double created = 0;
    double modified = 0;
};

// Entry byte I/O -----------------------------------------------------------------------------

// Open an entry (created when missing unless the mode is input); stores the handle.
QOR_HOST_API int xcopen(const qor_entry_request& request, qor_entry** entry);
// Position at a byte offset, 0 to the entry's size.
QOR_HOST_API int xcpoint(qor_entry* entry, int64_t offset);
// Current byte offset.
QOR_HOST_API int xcnote(qor_entry* entry, int64_t* offset);
// Read up to `length` bytes at the position; 0 when all were read, QOR_C_END when the end came
// first. `got` (may be null) receives the number of bytes read.
QOR_HOST_API int xcread(qor_entry* entry, void* buffer, size_t length, size_t* got);
// Write bytes at the position (overwriting, then extending the entry).
QOR_HOST_API int xcwrite(qor_entry* entry, const void* buffer, size_t length);
// Write what a utility member holds in memory to its file (a no-op for catalog entries): 0, or
// the failure that a later close would report; the position is unchanged.
QOR_HOST_API int xcflush(qor_entry* entry);
// Close. A catalog entry opened for output or update is committed here, in one transaction;
// with QOR_CC_DISCARD nothing is committed. When the commit fails the handle stays open.
QOR_HOST_API int xcclose(qor_entry* entry, int flags);

// Libraries, catalogs and members --------------------------------------------------------------

// Open the catalog <libref>.<catalog>: QOR_CO_INPUT (must exist) or QOR_CO_UPDATE (created when
// missing). Failures say why on the log (not for QOR_C_NOT_FOUND).
QOR_HOST_API int xlopen(std::string_view libref, std::string_view catalog, int mode,
                        qor_catalog** out);
// Close a catalog; entries opened from it stay usable until they are closed. A transaction still
// open (qor_catalog_begin) is rolled back.
QOR_HOST_API int xlclose(qor_catalog* catalog, int flags);
// Open a directory of the catalog's entries of one type (blank or empty: all types), sorted by
// name then type.
QOR_HOST_API int xldopen(qor_catalog* catalog, std::string_view type, qor_member_dir** out);
// Next entry of the directory; QOR_C_END after the last.
QOR_HOST_API int xldread(qor_member_dir* dir, qor_member_info* out);
QOR_HOST_API int xldclos(qor_member_dir* dir);
// Open an entry of an open catalog (modes as xcopen; the description is stored on write).
QOR_HOST_API int xlmopen(qor_catalog* catalog, std::string_view name, std::string_view type,
                         int mode, qor_entry** out, std::string_view description = {});
// Name, type, description, size and times of an open entry (size: as it stands now).
QOR_HOST_API int xlminfo(qor_entry* entry, qor_member_info* out);
// 0 when the entry exists, QOR_C_NOT_FOUND when not.
QOR_HOST_API int xlmfind(qor_catalog* catalog, std::string_view name, std::string_view type);
// Copy an entry to another (or the same) catalog under a new name; an existing target is
// replaced only with QOR_LM_REPLACE (else QOR_C_EXISTS). One transaction.
QOR_HOST_API int xlmcopy(qor_catalog* from, std::string_view name, std::string_view type,
                         qor_catalog* to, std::string_view new_name, int options);
// Append one text record to an entry opened for output or update: the bytes and a line feed.
QOR_HOST_API int xlmwrit(qor_entry* entry, std::string_view record);
// Close an entry opened with xlmopen (the same as xcclose).
QOR_HOST_API int xlmclos(qor_entry* entry, int flags);
// Delete an entry; QOR_C_NOT_FOUND when there was none.
QOR_HOST_API int xlmdele(qor_catalog* catalog, std::string_view name, std::string_view type);
// Rename an entry; QOR_C_EXISTS when the new name is taken, QOR_C_NOT_FOUND when the old is absent.
QOR_HOST_API int xlmrenm(qor_catalog* catalog, std::string_view name, std::string_view type,
                         std::string_view new_name);
// Open a catalog for an editor: 'B' (browse) opens for input; any other mode asks for update and
// falls back to input when the catalog cannot be written, setting *update_refused (may be null).
QOR_HOST_API int afzopen(std::string_view libref, std::string_view catalog, char mode,
                         qor_catalog** out, bool* update_refused);

// Transactions, whole-catalog replace and the change stamp ------------------------------------
// (docs/runtime-catalog-services.md: the contract that environment saves build on)

// Begin a transaction on a catalog opened for update: it takes the catalog's write lock (waiting
// up to the busy timeout for another process: QOR_C_LOCKED) and holds it to commit or rollback.
// Every write made through this catalog handle until then joins it: entries opened with xlmopen
// and closed meanwhile, xlmdele, xlmrenm, xlmcopy into it and qor_catalog_replace. A write that
// fails inside it takes back only itself. Entries opened with xcopen use a connection of their
// own and do not join (they wait for the lock like another process). A second begin on the same
// catalog is refused with QOR_C_IN_TRANSACTION (transactions do not nest); QOR_C_READ_ONLY for a
// catalog opened for input.
QOR_HOST_API int qor_catalog_begin(qor_catalog* catalog);
// Commit the open transaction: everything or, when the commit fails, nothing (the transaction is
// then rolled back and closed). Advances the change stamp when anything was written.
// QOR_C_NO_TRANSACTION when none is open.
QOR_HOST_API int qor_catalog_commit(qor_catalog* catalog);
// Take back everything written since qor_catalog_begin. QOR_C_NO_TRANSACTION when none is open.
// xlclose of a catalog with an open transaction rolls it back as well.
QOR_HOST_API int qor_catalog_rollback(qor_catalog* catalog);
// Replace every entry of `target` (opened for update) with the entries of `source` as they stand
// at one instant (a consistent snapshot, even while another process writes the source), keeping
// their descriptions and times; one transaction of the target (the open one when there is one).
// QOR_C_BAD_REQUEST when both are the same catalog file.
QOR_HOST_API int qor_catalog_replace(qor_catalog* target, qor_catalog* source);
// The catalog's change stamp: a count stored in the catalog that every committed transaction
// writing to it advances, whichever process or handle wrote. It survives closing and reopening
// and tells two saves apart even within one second. 0 for a catalog never written since its
// format gained the stamp. Inside an open transaction: the stamp as last committed.
QOR_HOST_API int qor_catalog_stamp(qor_catalog* catalog, int64_t* stamp);

// The reason of the last catalog failure of this thread ("" after a success of xcopen/xlopen).
QOR_HOST_API const char* qor_catalog_error_text();
