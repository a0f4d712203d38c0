// The utility file wrapper: a member of type UTILITY used as a flat, byte-addressed scratch file
// in which the engine writes fixed-length records at known offsets and reads them back.
#pragma once
#include <cstdint>

#include "host/catalog.h"
#include "host/pool.h"

// Open modes given at creation; every open sets the mode to update.
enum : int { UTILFILE_WRITE = 1, UTILFILE_UPDATE = 3 };

struct utilfile {
    char libref[8];      // library reference, blank-padded (copied: the caller's text may go)
    char member[33];     // member name, NUL-terminated, at most 32 characters
    int open;            // 1 while open, else 0
    int mode;            // UTILFILE_WRITE or UTILFILE_UPDATE
    qor_entry* handle;   // the host's open entry while open
    int reserved;        // 0
    int64_t size;        // bytes the member holds: its length at open, grown by writes past it
};

// A closed utility file record from the pool (libref: up to 8 characters, blank-padded or
// NUL-ended; member: NUL-terminated, 1 to 32 characters). Null for a null or too long argument
// or when the pool is exhausted.
utilfile* new_utilfile(qor_pool* pool, const char* libref, const char* member, int mode);
// Open (the member is created when missing): 0 opened, 1 already open, 2 null record or any
// failure of the host's open.
int open_utilfile(utilfile* file);
// Close: 0 (also when not open); 1 for a null record or when the host's close fails (the file
// then stays open).
int close_utilfile(utilfile* file);
// Write length bytes at offset: 0 written or nothing to write (null buffer, length below 1);
// 1 offset beyond the size; 2 null record, not open, mode neither 1 nor 3, or host failure
// (the size is then unchanged).
int utility_write(utilfile* file, const void* buffer, int64_t length, int64_t offset);
// Read length bytes at offset: 0 read or nothing to read; 1 when offset + length is beyond the
// size; 2 null record, not open, mode 1, or host failure.
int utility_read(utilfile* file, void* buffer, int64_t length, int64_t offset);
// Close when still open and give the record back to the pool: 0.
int delete_utilfile(qor_pool* pool, utilfile* file);
