// Library and file services of the host: library assignments, file references, directory
// listings, name building and the file operations (rename, make directory, remove).
#pragma once
#include "host/export.h"

// Paths handed between the host and the modules are at most QOR_PATH_MAX - 1 bytes; every path
// buffer that a caller passes holds QOR_PATH_MAX bytes.
enum : int { QOR_PATH_MAX = 1024 };

// Result codes of these services (xprrlog knows their texts). Lengths given as negative numbers
// mean a NUL-terminated argument throughout.
enum : int {
    QOR_FILE_END = 2049,                                        // end of a listing or walk
    QOR_FILE_NO_DIRECTORY = static_cast<int>(0x80001006u),      // the directory does not exist
    QOR_FILE_NOT_FOUND = static_cast<int>(0x80001007u),         // the file does not exist
    QOR_FILE_NOT_A_DIRECTORY = static_cast<int>(0x80001008u),   // the path is not a directory
    QOR_FILE_FAILED = static_cast<int>(0x80001009u),            // the operating system refused
    QOR_FILE_EMPTY_NAME = static_cast<int>(0x80001010u),        // an empty name
    QOR_FILE_TOO_LONG = static_cast<int>(0x80001011u),          // a path of QOR_PATH_MAX or more
    QOR_FILE_BAD_TYPE = static_cast<int>(0x80001015u),          // unknown member type
    QOR_FILE_EXISTS = static_cast<int>(0x8000102Eu),            // the directory already exists
    QOR_FILE_BAD_DEVICE = static_cast<int>(0x803FC004u),        // a device other than DISK
    QOR_FILE_NO_MEMORY = static_cast<int>(0x80000803u),         // memory exhausted
    QOR_LIB_NOT_ASSIGNED = static_cast<int>(0x80003806u),       // library or file reference unknown
    QOR_LIB_BAD_NAME = static_cast<int>(0x80003807u),           // not a valid library reference
    QOR_LIB_BAD_ENGINE = static_cast<int>(0x80003808u),         // engine other than V9, V612, DISK
};

// What the host tells about one assigned library. The path text belongs to the host and stays
// valid for the life of the process, also after the library is cleared.
struct qor_library_info {
    char libref[8];        // upper case, blank-padded
    char engine[8];        // blank-padded ("V9      ", "V612    ", "DISK    ")
    const char* path;      // the absolute directory, NUL-terminated, no trailing '/'
    int path_length;
    int read_only;         // 1: the library has the read-only attribute (host/save_support.h)
};

// --- Libraries (8-character fields may be NUL-terminated when shorter) ---
// Properties of an assigned library: 0; QOR_LIB_NOT_ASSIGNED; 86 for a null argument.
QOR_HOST_API int xhlinf2(const char* libref, qor_library_info* info);
// Assign a library to an existing directory (relative to the current directory when not
// absolute) with an engine (null or blank: "V9"). 0, or QOR_LIB_BAD_NAME, QOR_LIB_BAD_ENGINE,
// QOR_FILE_NO_DIRECTORY, QOR_FILE_TOO_LONG, QOR_FILE_EMPTY_NAME.
QOR_HOST_API int xhlasn2(const char* libref, const char* directory, int length, const char* engine);
// Deassign a library: 0; QOR_LIB_NOT_ASSIGNED (WORK cannot be deassigned).
QOR_HOST_API int xhldas2(const char* libref);
// Walk the assigned libraries in name order, WORK included: *cursor starts at 0 and moves on
// with every call; 0 and the next library, QOR_FILE_END after the last one.
QOR_HOST_API int xhlnxt2(int* cursor, qor_library_info* info);
// Whether a member of a type ("DATA", "CATALOG", ... blank-padded) exists: 0 exists; 1 does not;
// QOR_LIB_NOT_ASSIGNED; QOR_FILE_BAD_TYPE.
QOR_HOST_API int xdfxst2(const char* libref, const char* member, int length, const char* type);

// --- File references (8-character names; device null or "DISK") ---
// Assign a file reference to a path. A blank (or empty) name asks the host to choose one, which
// is written back into the 8 bytes of fileref. 0, or QOR_FILE_EMPTY_NAME, QOR_FILE_TOO_LONG,
// QOR_FILE_BAD_DEVICE.
QOR_HOST_API int xxrasgn(char* fileref, const char* path, int length, const char* device);
// Deassign a file reference: 0; QOR_LIB_NOT_ASSIGNED.
QOR_HOST_API int xxrdasg(const char* fileref);
// The absolute physical name of a file reference into a buffer of the given size (NUL-ended);
// *length gets its length. 0; QOR_LIB_NOT_ASSIGNED; QOR_FILE_TOO_LONG when it does not fit.
QOR_HOST_API int xxrinfo(const char* fileref, char* buffer, int size, int* length);
// Whether the file (or directory) of a file reference exists: 0; QOR_FILE_NOT_FOUND.
QOR_HOST_API int xxrexsp(const char* fileref);
// Delete the file of a file reference (never a directory; a symbolic link itself is removed):
// 0; QOR_FILE_NOT_FOUND; QOR_FILE_FAILED (also for a directory).
QOR_HOST_API int xxrdele(const char* fileref);

// --- Directory listings ---
struct qor_directory;   // an open listing, owned by the host
struct qor_directory_entry {
    const char* name;   // valid until the next xxdnext or xxdclos
    int length;
    int is_directory;   // 1 for a real directory; a symbolic link is never one
};
// Open the directory of a file reference for listing: 0 and the handle; QOR_FILE_NO_DIRECTORY
// when nothing is there, QOR_FILE_NOT_A_DIRECTORY for another kind of file, QOR_FILE_FAILED.
QOR_HOST_API int xxrdopn(const char* fileref, qor_directory** listing);
// The next entry, in byte order of the names ("." and ".." are listed too): 0; QOR_FILE_END;
// 86 for a null argument.
QOR_HOST_API int xxdnext(qor_directory* listing, qor_directory_entry* entry);
// Close a listing: 0; 86 for null.
QOR_HOST_API int xxdclos(qor_directory* listing);

// --- Names ---
// Join a directory and a name ("/" between them unless the directory ends with one; an absolute
// name is taken as it is) into a buffer of size bytes: 0; QOR_FILE_EMPTY_NAME; QOR_FILE_TOO_LONG.
QOR_HOST_API int xxname(const char* directory, int directory_length, const char* name,
                        int name_length, char* buffer, int size, int* length);
// The absolute directory that holds a path (relative paths start at the current directory),
// without a trailing "/" except for the root: 0; QOR_FILE_EMPTY_NAME; QOR_FILE_TOO_LONG.
QOR_HOST_API int xxname2(const char* path, int length, char* buffer, int size, int* out_length);
// Lower-case length bytes (ASCII letters) from source into destination; the two may be one.
QOR_HOST_API void wzstrlo(const char* source, char* destination, int length);

// --- File operations ---
// Rename a file or directory; across file systems the file is copied and the old one removed.
// 0; QOR_FILE_NOT_FOUND; QOR_FILE_EMPTY_NAME; QOR_FILE_FAILED.
QOR_HOST_API int xxrenam(const char* old_name, int old_length, const char* new_name, int new_length);
// Make one directory (its parent must exist): 0; QOR_FILE_EXISTS; QOR_FILE_NO_DIRECTORY for a
// missing parent; QOR_FILE_EMPTY_NAME; QOR_FILE_BAD_DEVICE; QOR_FILE_FAILED.
QOR_HOST_API int xxmkdir(const char* path, int length, const char* device);
// Remove a file or an empty directory: 0; QOR_FILE_NOT_FOUND; QOR_FILE_FAILED.
QOR_HOST_API int wxremov(const char* path, int length);

// --- Record files: a text file read or written one record (line) at a time through a file
// reference. Output goes to a staging file in the same directory, renamed into place at close.
struct qor_record_file;   // an open record file, owned by the host
enum : int {
    QOR_RECORD_READ = 4113,                                     // open-block modes
    QOR_RECORD_WRITE = 4114,
    QOR_RECORD_TOO_LONG = static_cast<int>(0x80001020u),        // a record longer than allowed
};
// The open block: mode (QOR_RECORD_READ or QOR_RECORD_WRITE), format 1 (records end with a new
// line), the longest record in bytes (1 to 32767), the rest 0.
struct qor_record_open {
    int mode;
    int format;
    int record_length;
    int reserved[4];
};
// Open the file of a file reference: 0 and the handle; QOR_LIB_NOT_ASSIGNED; QOR_FILE_NOT_FOUND
// (reading a file that is not there); QOR_FILE_FAILED; 86 for a null argument or a bad block.
QOR_HOST_API int xxfopen(const char* fileref, const qor_record_open* block, qor_record_file** file);
// Write one record of length bytes: 0; QOR_RECORD_TOO_LONG above the record length (nothing is
// written); QOR_FILE_FAILED; 86 for a file opened for reading.
QOR_HOST_API int xxfwrit(qor_record_file* file, const char* record, int length);
// Read the next record into a buffer of size bytes (no NUL is added); *length gets its length.
// 0; QOR_FILE_END after the last record; QOR_RECORD_TOO_LONG when the record exceeds the record
// length or the buffer (the record is passed over); QOR_FILE_FAILED; 86 for a file being written.
QOR_HOST_API int xxfread(qor_record_file* file, char* buffer, int size, int* length);
// Close: a written file replaces the old one unless discard is non-zero or a write failed (then
// the old file stays as it was). 0; QOR_FILE_FAILED when the new file could not be put in place;
// 86 for null.
QOR_HOST_API int xxfclos(qor_record_file* file, int discard);
