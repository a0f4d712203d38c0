// Host services that environment saves build on besides catalog transactions: file times, the
// read-only attribute of libraries, staged copies renamed into place, a save lock per environment,
// the user profile library, the list cache switch and crash points for tests.
#pragma once
#include <cstdint>
#include <string_view>

#include "host/export.h"

// --- File information through a file reference -----------------------------------------------
// Information items of xxrfinf.
enum : int {
    QOR_FINFO_MODIFIED = 1,   // 8 bytes: double, host date-time of the last change (sub-second)
    QOR_FINFO_SIZE = 2,       // 8 bytes: int64_t, size in bytes
};
// One information item of the file (or directory) of a file reference into a buffer of `size`
// bytes; *length (may be null) gets the item's length. 0; QOR_LIB_NOT_ASSIGNED; QOR_FILE_NOT_FOUND;
// QOR_FILE_BAD_TYPE for an unknown item; QOR_FILE_TOO_LONG when the buffer is too small; 86 for a
// null argument. A catalog file's time is no change stamp (see qor_catalog_stamp).
QOR_HOST_API int xxrfinf(const char* fileref, int item, void* buffer, int size, int* length);

// --- Read-only libraries ------------------------------------------------------------------------
// Give an assigned library the read-only attribute (or take it away): catalogs and utility
// members of a read-only library open for input only; an update open answers QOR_C_READ_ONLY.
// xhlinf2 reports the attribute, which a library also carries when this process may not write
// its directory. 0; QOR_LIB_NOT_ASSIGNED; 86 for null.
QOR_HOST_API int xhlsrdo(const char* libref, int read_only);

// --- Staged copies ------------------------------------------------------------------------------
// A file or directory is replaced in three steps so that a process killed at any instant leaves
// either the old or the new one in place (and staging leftovers that the next save removes):
// copy it to a staging name beside its place, switch it into place, remove what was set aside.
// Staging and set-aside names are the place with these suffixes:
#define QOR_STAGED_SUFFIX ".qorstaged"
#define QOR_ASIDE_SUFFIX ".qoraside"
// Copy a file to `staged`, which must not exist (QOR_FILE_EXISTS): the data and the file are
// synced, then the directory holding it. A failure removes the partial copy. 0;
// QOR_FILE_NOT_FOUND; QOR_FILE_EXISTS; QOR_FILE_FAILED; QOR_FILE_NO_MEMORY.
QOR_HOST_API int qor_stage_file(std::string_view from, std::string_view staged);
// Copy a directory tree the same way: files, subdirectories and symbolic links (as links), each
// file and each directory synced. A failure removes the partial copy.
QOR_HOST_API int qor_stage_directory(std::string_view from, std::string_view staged);
// Put `staged` in the place of `place`: an existing `place` is first renamed to `aside` (which
// must not exist), then `staged` is renamed to `place` and the directory synced. A file may be
// switched with an empty `aside`: the rename then replaces the old file in one step. 0;
// QOR_FILE_NOT_FOUND (nothing staged); QOR_FILE_EXISTS (`aside` taken); QOR_FILE_FAILED.
QOR_HOST_API int qor_switch_into_place(std::string_view staged, std::string_view place, std::string_view aside);
// Remove a file, a symbolic link or a whole directory tree and sync the directory that held it;
// 0 also when nothing was there. QOR_FILE_FAILED when something stays.
QOR_HOST_API int qor_remove_tree(std::string_view path);
// After a process was killed while it replaced `place`: with roll_forward, finish the switch
// (the staged one takes the place, also when the kill came between the two renames); without,
// take it back (an old one set aside returns to its place). Either way the staging and set-aside
// leftovers are then removed. 0 also when there was nothing to settle; QOR_FILE_FAILED.
QOR_HOST_API int qor_settle_place(std::string_view place, int roll_forward);
// The three steps at once: copy `from` (file or directory) to <place>.qorstaged, switch it into
// place setting the old aside as <place>.qoraside, and remove that. An earlier interrupted call
// is taken back first (qor_settle_place without roll forward).
QOR_HOST_API int qor_copy_into_place(std::string_view from, std::string_view place);

// --- Save lock of an environment ------------------------------------------------------------------
struct qor_env_lock;
// Take the save lock of environment `name` in library `libref`: an exclusive lock on the file
// <library directory>/<lower-case name>.qor7block (made when missing, never removed). Held until
// qor_unlock_environment or the end of the process (also a killed one). Another holder, in this
// process or another, is waited for up to `timeout_ms` (negative: the catalog busy timeout);
// then QOR_C_LOCKED with a message naming the holder's process. QOR_C_NO_LIBRARY,
// QOR_C_BAD_REQUEST (name), QOR_C_IO, QOR_C_NO_MEMORY.
QOR_HOST_API int qor_lock_environment(std::string_view libref, std::string_view name, int timeout_ms,
                                      qor_env_lock** out);
QOR_HOST_API int qor_unlock_environment(qor_env_lock* lock);

// --- The user profile library -----------------------------------------------------------------------
// QORUSER is assigned on first use, unless a program assigned it: to the directory named by the
// environment variable QORUSER, else to $XDG_CONFIG_HOME/qor/user (~/.config/qor/user); the
// directory is made when missing (mode 0700). When none can be made QORUSER stays unassigned.

// --- List cache -----------------------------------------------------------------------------------
// Switch catalog caching on for a list workspace. This host reads and writes list entries
// through catalog transactions and keeps no cache of its own: the call does nothing and answers
// 0, so a save never depends on a cache being written back.
QOR_HOST_API int afcachi(const void* workspace);

// --- Crash points (tests) -------------------------------------------------------------------------
// Named points of a save. The host's services pass the first five; the catalog layer may name
// more. "staging" is reached after each file a staged copy has written.
#define QOR_CRASH_STAGING "staging"
#define QOR_CRASH_AFTER_STAGING "after-staging"
#define QOR_CRASH_BEFORE_COMMIT "before-commit"
#define QOR_CRASH_AFTER_COMMIT "after-commit"
#define QOR_CRASH_BETWEEN_RENAMES "between-renames"
// A process is killed with SIGKILL when it reaches the armed point for the nth time. Armed by
// the environment variable QOR_CRASH_POINT ("name" or "name:n", read once at the first point
// reached) or by qor_set_crash_point (null or empty name disarms).
QOR_HOST_API void qor_crash_point(const char* name);
QOR_HOST_API void qor_set_crash_point(const char* name, long nth);
