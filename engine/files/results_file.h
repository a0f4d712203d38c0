// The results utility file: one PUTILITY member per run part that keeps each analysis's state
// bookkeeping (ranges, counters, work vector, missed-value rows, factor and output names).
#pragma once
#include <cstdint>

#include "engine/tables/control_structure.h"

struct qor_entry;
struct RSKANLPROC;

// Layout of a member; docs/formats.md describes every field.
constexpr int kResHeaderBytes = 128;
constexpr int kResDescriptorBytes = 128;
constexpr int kResOutvEntryBytes = 44;       // u32 link (written 0), then a 40-byte name form
constexpr int kResFactorNameMax = 32;

// Member-name patterns of a run part's member.
enum : int32_t {
    RSKRES_NAME_PLAIN = 0,           // "SUTIL"
    RSKRES_NAME_ANALYSIS = 1,        // "SUTIL_i_n_1_1": analysis part i of n
    RSKRES_NAME_PORTFOLIO = 2,       // "SUTIL_1_1_i_n": portfolio part i of n
};

// Where a run reads its earlier results from.
enum : int32_t {
    RSKRES_SOURCE_NONE = 0,          // nothing is read back
    RSKRES_SOURCE_OWN = 1,           // this project's own earlier results (its write location)
    RSKRES_SOURCE_LOCATION = 2,      // the first of the output object's other result locations
};

// One output-variable entry read back from a member, chained in file order.
struct RSKRESOUTV {
    RSKRESOUTV* next;
    int16_t length;
    char name[32];
};

// The header of a member, decoded.
struct RSKRESHEAD {
    char title[24];
    char stamp[8];
    double created;
    double checksum;
    uint32_t state_size;             // bytes of one market state of the writing build (unchecked)
    uint32_t layout_count;           // the run's second state-layout count (unchecked)
    uint32_t states_generated;
    uint32_t states_held;            // index of the next state
    uint32_t analysis_part;
    uint32_t analysis_parts;
    uint32_t portfolio_part;
    uint32_t portfolio_parts;
    char location[32];               // the run's first result location, zero-filled
    uint32_t result_count;
    uint32_t descriptor_size;
};

// The descriptor of one analysis result, decoded.
struct RSKRESDESC {
    uint32_t ordinal;
    char name[32];
    int32_t name_length;
    uint32_t kind;
    uint32_t build_count;
    uint32_t first_state;
    uint32_t state_count;
    uint32_t work_length;
    uint32_t size_field;
    uint32_t horizons;
    uint32_t simulation_size;
    uint32_t missed_rows;
    uint32_t factor_count;
    uint32_t further_count;
    uint32_t outvar_field;
    uint32_t outvar_max;
    int64_t counters[4];
    uint32_t result_flags;
};

// An open (or closed) results member.
struct RSKRESFILE {
    char libref[8];                  // blank-padded library reference, upper case
    int16_t member_length;
    char member[32];
    char directory[1024];            // physical directory of the library (NUL-terminated)
    int32_t mode;                    // 'I' or 'O'
    unsigned char header[kResHeaderBytes];
    unsigned char descriptor[kResDescriptorBytes];
    int32_t first_member;            // member indexes to read, and the count named beside them
    int32_t last_member;
    int32_t parts;
    uint8_t is_first;                // the member being read is the first, the last of several
    uint8_t is_last;
    uint8_t merging;                 // several members of analysis parts are combined
    int32_t open;
    int32_t error;                   // a read or write failed: later reads give -1
    qor_entry* handle;
    int32_t pattern;                 // RSKRES_NAME_*
};

// What the run driver tells the results file about the run, and what reading back gives it.
struct RSKRESRUN {
    RSKANLPROC* results;             // the run's analysis results in run order (next links)
    int32_t analysis_part;           // a of A, p of P (0 counts as 1 of 1)
    int32_t analysis_parts;
    int32_t portfolio_part;
    int32_t portfolio_parts;
    char output_libref[8];           // result library of the run's output object
    char location[32];               // name of the run's first result location
    int32_t location_length;
    int64_t states_generated;        // market states the run part generated
    int64_t states_held;             // states it holds (index of the next state)
    uint32_t state_size;             // this build's in-memory size of one state
    uint32_t layout_count;
    uint8_t keep_states;             // the run keeps its states in the state buffer
    int32_t source;                  // RSKRES_SOURCE_*
    char source_libref[8];           // library read back from (blank: none given)
    int32_t own_parts;               // own results: the earlier run's analysis parts N
    int32_t location_analysis_parts; // a location: the A and P it records
    int32_t location_portfolio_parts;
    RSKRESFILE file;
};

// ---- The routines ----

// Opens file->member of file->libref: 'I' for input (reads and checks the start tag and the
// header), 'O' for output (builds the header from the run, writes "ZOZU" and it). 0; 99 for
// another mode; 1 for a start tag that is not "ZOZU", a foreign title (598/1334) or stamp
// (598/1335); 2 for a member missing on input (598/1333); else the host's code. Every failure
// gives 598/1748 (but a bad start tag) and closes the file.
int rskreso(RSKCON* con, RSKRESFILE* file, int mode);
// Closes the member when open; output is kept only when nothing failed. 0, 1 for a null file.
int rskresc(RSKCON* con, RSKRESFILE* file);
// Positions the member at 0 and reads its start tag and header again. 0; 1 with the error flag
// set; 2 when the bytes cannot be read.
int rskres0(RSKCON* con, RSKRESFILE* file);
// Reads the next analysis result into `result` (adopt: take the stored ranges over instead of
// checking them). 0; 1 a mismatch or damage; 2 a read failure (3 inside the name blocks); -1 for
// a file whose error flag is set, or null or not open.
int rskres1(RSKCON* con, RSKRESFILE* file, RSKANLPROC* result, int adopt);
// Writes the member of this run part into the output library. 0, or the failure code (the
// member is then discarded and an older one stays).
int rskresw(RSKCON* con);
// Reads the members the run's source designates into the run's analysis results. 0, 1 or 2.
int rskresr(RSKCON* con, int adopt);
// Compares the configuration checksum with every member that rskresr will read. 0 when all
// agree, or when the run reads nothing back; 1 after 598/1339, 1336, 1337 or 1330.
int rskress(RSKCON* con);

// Which members rskresr reads: sets libref, member indexes, count and pattern. 0, or 1 after
// 598/1330 when there is no location to read.
int setup_resfile(RSKCON* con, RSKRESFILE* file);
// Sets file->member to the pattern's name for member index i of `parts`.
void rskres_member_name(RSKRESFILE* file, int32_t pattern, int32_t index, int32_t parts);
// The configuration checksum of the run's analyses (below 1664407).
uint32_t compute_res_checksum(RSKCON* con);
// Adds one value to a checksum: (1289 c + v) mod 1664407, with a 64-bit intermediate.
uint32_t rskres_checksum_add(uint32_t checksum, uint32_t value);

// The header and descriptor images, decoded and encoded (little-endian).
void rskres_unpack_header(const unsigned char* bytes, RSKRESHEAD* head);
void rskres_pack_descriptor(const RSKRESDESC* desc, unsigned char* bytes);
void rskres_unpack_descriptor(const unsigned char* bytes, RSKRESDESC* desc);
