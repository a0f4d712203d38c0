// The open instrument utility file RSKTRANFILE and the routines that write, read, rewind,
// close and delete it, its information member, and the checks of each instrument's references.
#pragma once
#include <cstddef>
#include <cstdint>

#include "engine/files/instrument_file_layout.h"
#include "engine/tables/catalog_records.h"
#include "engine/tables/control_structure.h"

struct qor_entry;
struct RSKINSTFILTER;
struct RSKINSTTYPE;
struct RSKTFILE;
struct RSKTRANDUPS;

// An open instrument file (owned by the caller; zero-filled before the first open).
struct RSKTRANFILE {
    RSKTFILE* definition;            // the definition it was opened for
    uint8_t open;
    uint8_t error;                   // a read failed: every later read answers 2 until closed
    qor_entry* instruments;          // instrument member ('T')
    qor_entry* information;          // information member ('I')
    char libref[8];                  // blank-padded library reference of the members
    const RSKNAMEREC* filter_names;  // filter definitions of rsktraf, and their count
    int32_t filter_count;
    RSKINSTFILTER* filter;           // compiled filter expression, or null
    double written;                  // instruments written (input: the information header's count)
    uint8_t ranged;                  // read only instruments first..last (by number)
    int64_t first;
    int64_t last;
    int16_t types_used;              // NTYPES
    int16_t value_lists;             // NVALLIST
    double records_read;             // since open or rewind
    double accepted;
    uint32_t expected_fingerprint;   // record fingerprint every record must carry

    // Kept beside the fields above while the file is open.
    char mode;                       // 'I' or 'O'
    uint8_t swapped_names;           // written by the second library engine: name forms swapped
    uint8_t at_end;                  // the instrument member was read to its end
    double created;                  // the creation stamp both members carry
    int64_t instrument_bytes;        // input: size of each member
    int64_t information_bytes;
    unsigned char* values;           // value buffer of the largest value record met
    size_t values_capacity;
    unsigned char* block;            // buffer of the quadratic or cash-flow block
    size_t block_capacity;
    RSKTRANDUPS* duplicates;         // output: the duplicate-identifier table
    RSKINSTTYPE* current_type;       // the type of the instrument being written or read
    RSKINSTTYPE** used_types;        // the types_used types, in the order first met
    int32_t used_capacity;
    RSKINSTTYPE* refused_type;       // output: the last type refused for having both blocks
    unsigned char header[kTranHeaderBytes];
    unsigned char record[kTranRecordBytes];
};

// Codes of rsktra1 and its reader.
enum : int { RSKTRAN_END = -1, RSKTRAN_READ = 0, RSKTRAN_FAILED = 2 };
// Codes of rsktraw.
enum : int { RSKTRAW_WRITTEN = 0, RSKTRAW_FILTERED = 1, RSKTRAW_UNRESOLVED = 2, RSKTRAW_WRITE_FAILED = 3 };

// ---- entry-table routines ----
// Deletes the definition's two members (or moves them into the scratch directory when they are
// not the current environment's), then hands the definition to catalog storage: its result.
int rsktrad(RSKCON* con, RSKCATOBJ* definition);
// Starts a blank instrument of the type: its variables take their defaults.
void rsktrai(RSKCON* con, RSKINSTTYPE* type);
// Keeps the named filter definitions and compiles their joined clauses: 0, 1 or 99.
int rsktraf(RSKCON* con, RSKTRANFILE* file, const RSKNAMEREC* filters, int count);
// Writes the current instrument: RSKTRAW_* code.
int rsktraw(RSKCON* con, RSKTRANFILE* file, int unused, RSKINSTTYPE* type);
// Prints the current instrument.
void rsktrap(RSKCON* con, RSKTRANFILE* file, RSKINSTTYPE* type);
// Rewinds: bit 0 of the selector clear rewinds the instrument member, a positive selector the
// information member. 0, the larger failure, or 1 when the error flag is set.
int rsktra0(RSKCON* con, RSKTRANFILE* file, int selector);
// Opens the definition's file for input ('I') or output ('O'): 0, 1, or 99 for another mode.
int rsktrao(RSKCON* con, RSKTRANFILE* file, RSKCATOBJ* definition, int mode);
// Closes both members (an output file that was not completed leaves no member behind).
void rsktrac(RSKCON* con, RSKTRANFILE* file);
// Prepares the definition's directory for output ('O') or input without opening: 0 or 1.
int rsktras(RSKCON* con, RSKTRANFILE* file, RSKCATOBJ* definition, int mode);
// Reads the next instrument that passes the filter and range: 0 and its type, -1 at the end,
// 2 on a failure (and on every later call until the file is closed).
int rsktra1(RSKCON* con, RSKTRANFILE* file, RSKINSTTYPE** type_out);
// Writes the information member and commits both members: 0, 1 (out of memory), 2 (write
// failure; neither member replaces an older file).
int rsktriw(RSKCON* con, RSKTRANFILE* file);

// ---- run-engine routines ----
// Reads the information member: types used, and with load_values the value lists. 0, 1, or 99.
int rsktrir(RSKCON* con, RSKTRANFILE* file, int load_values);
// Prints the information member.
int rsktrip(RSKCON* con, RSKTRANFILE* file);
// Prepares the current instrument for pricing: its currencies are checked, its quadratic factors
// bound, its cash-flow and own currencies found convertible into the reporting currency, and its
// position values (holding, short and collateral flags, asset/liability position) and currency
// taken into the run's valuation record. 0, or 1 after a message (the instrument is marked
// failed), 99 without a current instrument.
int rsktrax(RSKCON* con);
// Flags what the run's used instrument types refer to: the exchange rates that convert their
// currencies and cash flows into the reporting currency, and the risk factors of their quadratic
// values (each marked used and needed). Marks the used types. 0, or 1 after a message.
int rsktrix(RSKCON* con);
// How flag_fx_ref finds a rate: as an exchange-rate pair (resolved over cross rates) or as a
// direct spot quote.
enum : int { RSKFXREF_PAIR = 0, RSKFXREF_SPOT = 1 };
// Flags the rate converting `from` into `currency` for the run: 0, or 1 after 598/1763 (a code
// that is no currency) or 598/1743 (598/1766 for a spot quote) when no valid rate exists.
int flag_fx_ref(RSKCON* con, const char* currency, const char* from, int role);
// Checks each currency of the conversion variable's value list and flags its rate into the
// reporting currency: 0, or 1 after 598/1749 or 598/1750.
int flag_cur_convert(RSKCON* con, RSKINSTTYPE* type, RSKVARIABLE* conversion, const RSKTFILE* definition);
// Checks every currency variable of the type on the current instrument (upper-casing each code
// in place): 0, or 1 after 598/1717 under the currency limit.
int get_currency(RSKCON* con, RSKINSTTYPE* type);

// The file being read or written for the run (set by rsktrao).
RSKTRANFILE* rsktran_current(RSKCON* con);
