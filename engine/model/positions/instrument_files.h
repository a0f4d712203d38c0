// Instrument file definitions (catalog kind 37): the named record of an instrument utility file
// written by READ, its look-up, definition and listing.
#pragma once
#include <cstdint>
#include "engine/tables/catalog_records.h"
#include "engine/tables/control_structure.h"

constexpr int kRskMemberNameCapacity = 32;

struct RSKTFILE {
    RSKTFILE* next;                  // free-list link
    RSKOBJNAME name;
    RSKPATHNAME file_name;
    RSKOBJNAME second_name;          // supplied by the reader of instruments
    double date;                     // filled by the reader of instruments
    uint32_t count1;
    uint32_t count2;
    uint16_t field;
    int16_t data_member_length;      // the object's name
    char data_member[kRskMemberNameCapacity];
    int16_t info_member_length;      // the first 28 characters of the name, then "Info"
    char info_member[kRskMemberNameCapacity];
    RSKCATOBJ* object;               // the environment object that holds the record
    // Instrument utility files (engine/files/): the stored record keeps count1 = instruments
    // written (N), count2 = instrument types used (NTYPES) and field = value lists (NVALLIST);
    // the longest stripped InstType, InstID and InstSource values are kept in memory only.
    int16_t longest_type;
    int16_t longest_id;
    int16_t longest_source;
};

// Print modes of rsktdfp.
enum : int {
    RSKTDFP_DESCRIPTION = 0,
    RSKTDFP_INFORMATION = 1,
    RSKTDFP_INSTRUMENTS = 2,
    RSKTDFP_ALL = 3,
};

// The instrument file definition object (kind 37) of that name, or null.
RSKCATOBJ* rsktdf(RSKCON* con, const RSKNAMEREC* name);
// Defines or redefines an instrument file definition. Without `object` it is found or created
// through catalog storage. `second_name` is stored when given, `file_name` too. *out receives the
// object. 0, or 1 (no memory, a catalog refusal, or an information member name that another
// definition's already has).
int rsktdfd(RSKCON* con, RSKCATOBJ** out, const RSKNAMEREC* name, const RSKNAMEREC* second_name,
            const RSKNAMEREC* file_name, RSKCATOBJ* object);
// Empties the file name. 0.
int rsktdfc(RSKCON* con, RSKTFILE* definition);
// Empties and zeroes the record and gives it back to the free list. 0.
int rsktdff(RSKCON* con, RSKTFILE* definition);
// Prints the description (mode 0), the information member (1), the first `count` instruments (2)
// or all three (3), reading the file through the instrument file context `file` (the run
// block's when null). 0, or 1 when the run's storage or the file cannot be had (598/1751).
int rsktdfp(RSKCON* con, RSKTFILE* definition, void* file, int mode, int count);
