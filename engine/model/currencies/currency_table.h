// The currency table: the currencies that variables, instruments and market data may name,
// hashed by their three-letter codes, with the shown and used marks and the exchange-rate matrix.
#pragma once
#include <cstdint>
#include "engine/tables/control_structure.h"

constexpr int kRskCurrencyBuckets = 1013;
constexpr int kRskCurrencyNameCapacity = 32;
constexpr int kRskBuiltinCurrencies = 219;

struct RSKCURRENCY {
    RSKCURRENCY* next;               // next currency in the same hash bucket
    uint32_t key;                    // upper-cased letters in bits 8-15, 16-23, 24-31
    char code[3];
    uint8_t hidden;                  // 1 = not shown by the currency listing
    char name[kRskCurrencyNameCapacity];
    uint16_t name_length;
    int16_t index;                   // position in the table; row and column of the matrix
    int16_t used;                    // 1 when an exchange-rate risk factor names it
};

struct RSKFXENTRY;                    // exchange-rate pair entry of the exchange-rate matrix

// The currency table block, held in the run-time table block.
struct RSKCURTABLE {
    RSKCURRENCY* buckets[kRskCurrencyBuckets];
    RSKCURRENCY* currencies;         // the array, in table order
    int16_t count;
    int16_t shown;
    RSKFXENTRY* pairs_head;
    RSKFXENTRY* pairs_tail;
    int16_t pair_count;
    RSKFXENTRY** matrix;              // count x count; (i, j) is the pair from i to j
    int16_t spot_pairs;              // pairs that have a spot variable
    int32_t capacity;                // rows the array and the matrix were allocated for
};

struct RSKVARLINK;

// A run-time list of variables (links from the links free list) with its count.
struct RSKRTLIST {
    RSKVARLINK* head;
    RSKVARLINK* tail;
    int32_t count;
};

// The run-time table block: the run-time table of all variables, then the currency table.
struct RSKRTBLOCK {
    void* reserved;
    RSKSYMTAB variables;             // bucket hint 4001: risk factors and states by name (rskvf)
    RSKCURTABLE currency_table;

    // Variables: the run-time view that each rebuild makes afresh.
    RSKRTLIST system_list;
    RSKRTLIST instrument_list;       // kinds INSTRUMENT and OUTPUT
    RSKSYMTAB instrument_names;      // instrument-side names (instrument, output, counterparty,
                                     // mitigation and instrument-information system variables)
    int32_t instrument_count;        // kind 3
    int32_t output_count;            // kind 7
    RSKRTLIST reference_list;
    int32_t reference_count;         // without internal reference variables
    RSKRTLIST factor_list;           // risk factors and states
    int32_t factor_count;            // kind 2
    int32_t state_count;
    RSKRTLIST array_list;            // array risk factors
    RSKRTLIST lagged_list;           // risk factors with a lag time grid
    RSKRTLIST project_list;
    qor_pool* reference_map_pool;    // reference tables; made by each rebuild (16 KB blocks)
};

// One row of the built-in table of ISO 4217 currencies.
struct RSKCURCODE {
    char code[4];
    char numeric[4];                 // ISO numeric code or "***"; not read by the engine
    char name[36];                   // blank-padded to 26 characters
    uint32_t shown;                  // shown by default
};
extern const RSKCURCODE curcodes[kRskBuiltinCurrencies];

// Modes of rskcurm.
enum : int { RSKCUR_SHOW = 1, RSKCUR_HIDE = -1, RSKCUR_SHOW_USED = 3 };

// Builds the table at start-up: from the data set "currencies" of library "risksamp" when it
// yields currencies, else from the built-in table. 0; 1 when the data set cannot be read or
// memory is exhausted.
int fill_currency_table(RSKCON* con);
// Fills the table from the built-in rows (its array and matrix already allocated). 0.
int rskcur0(RSKCON* con);
// The currency of a three-letter code in any case; null when unknown.
RSKCURRENCY* rskcur(RSKCON* con, const char* code);
// Shows (1) or hides (-1) one currency, shows exactly the used ones (3), or shows (other
// positive modes) or hides (other negative modes) all. 1 when the named code is unknown.
int rskcurm(RSKCON* con, const char* code, int mode);
// Lists all currencies (all != 0) or the shown ones on the print file. 0.
int rskcurp(RSKCON* con, int all);

// Hash key of a code of up to three characters (a NUL ends it early).
uint32_t rskcur_key(const char* code);
// Enters the currency in its bucket.
void rskcur_enter(RSKCURTABLE* table, RSKCURRENCY* currency);
// Allocates the array and matrix for n currencies from the general pool. 0 or 1 (reported).
int rskcur_allocate(RSKCON* con, RSKCURTABLE* table, int n);
