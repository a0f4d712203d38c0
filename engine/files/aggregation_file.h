// The aggregation utility file: a PUTILITY member that carries the finest cells of a run's
// aggregation from one run part to the part that merges them (204-byte header, then records).
#pragma once
#include <cstdint>

#include "engine/tables/control_structure.h"

struct qor_entry;
struct RSKCCVAR;

// Layout of a member; docs/formats.md describes every field.
enum : int {
    kAggFileHeaderBytes = 204,
    kAggFileWeightsLengthAt = 188,   // u32: key bytes of a record (0: no key part)
    kAggFileValuesLengthAt = 192,    // u32: user-data bytes of a record
    kAggFileRecordCountAt = 196,     // u32: records the writer counted
};

// An open (or closed) aggregation member, filled by the caller before rskago.
struct RSKAGGFILE {
    char libref[8];                  // blank-padded library reference
    int16_t member_length;
    char member[32];
    unsigned char header[kAggFileHeaderBytes];
    int32_t open;
    int32_t error;                   // a read or write failed: reads give -1, a close discards output
    int32_t records;                 // records read since open or rewind, or written since open
    qor_entry* handle;
    void* weights;                   // the key part of a record (the aggregation's key buffer)
    void* values;                    // the user-data part of a record
    int32_t weights_length;
    int32_t values_length;
    int32_t record_count;            // records the writer stores in the header
    int32_t writing;                 // opened with 'O'
    // Class variables whose values are copied from the key part back into their value sources
    // after each record read (null: none).
    RSKCCVAR* restore;
};

// Opens the member: 'I' for input (reads the header and checks its title, stamp and both record
// lengths against the file record's), 'O' for output (builds and writes the header). 0; 99 for
// another mode; after 598/1748 (the file then closed): 1 for a header that does not match, else
// the host's code of the open, read or write.
int rskago(RSKCON* con, RSKAGGFILE* file, int mode);
// Writes one record ("WEIC" and the key when there is one, "DONE" and the user data): 0, or the
// host's write code after xprrlog (the member is then discarded at close).
int rskagw(RSKCON* con, RSKAGGFILE* file);
// Reads the next record: 0 one record; -1 end of member between records (or after an earlier
// failure); 1 a tag that is not "WEIC" or "DONE"; 2 a read failure, also a member that ends part
// way through a record (the error flag is then set).
int rskag1(RSKCON* con, RSKAGGFILE* file);
// Rewinds to the first record: 0; 1 when the error flag is set; 2 when the header cannot be read.
int rskag0(RSKCON* con, RSKAGGFILE* file);
// Closes the member when open (output is kept only when nothing failed), blanks the library
// reference and clears the open flag. 0; 1 for a null file or a failed close.
int rskagc(RSKCON* con, RSKAGGFILE* file);

// The header's stored record count, key length and user-data length (little-endian u32).
uint32_t rskag_header_word(const RSKAGGFILE* file, int offset);
