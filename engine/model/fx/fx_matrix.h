// The exchange-rate matrix: one entry per ordered currency pair the environment needs, quoted
// directly by a spot risk factor or derived as a cross rate over at most four direct pairs.
#pragma once
#include <cstdint>
#include "engine/tables/control_structure.h"
#include "engine/model/currencies/currency_table.h"

struct RSKVARIABLE;

constexpr int kRskFxLegs = 4;

// States of a pair entry.
enum : uint8_t {
    RSKFX_UNRESOLVED = 0,
    RSKFX_NO_RATE = 1,
    RSKFX_DIRECT = 2,                // slot 1 is the spot variable
    RSKFX_CROSS = 3,                 // product over the slots
    RSKFX_SAME = 4,                  // rate 1
};

// A pair entry of the matrix (taken from its free list, 100 at a time, zeroed).
struct RSKFXENTRY {
    RSKFXENTRY* next;                // pair list; also the free-list link
    void* spare;
    int16_t from_index;
    int16_t currency_index;
    RSKOBJNAME name;                 // "EUR->USD": from code, "->", currency code
    RSKVARIABLE* slots[kRskFxLegs];  // the risk factors whose values form the rate
    uint8_t inverted[kRskFxLegs];    // 1: that slot's value divides
    uint8_t state;
    uint8_t visited;                 // working mark of the path search
    // Run working storage (engine/run/): the rate is flagged for the current run and has a
    // change-mask bit and a slot in the market vectors; flagged rates are chained in flag order.
    struct {
        uint8_t flagged;
        int32_t mask_position;       // -1 none
        int32_t state_offset;        // -1 none
        double* value_address;       // its slot in the current market vector
        RSKFXENTRY* next_flagged;
        // Market states (engine/run/market_state*): reported missing or out of range this run.
        uint8_t reported;
    } run;
};

// The entry of the pair from `from` to `currency` (codes); null when none.
RSKFXENTRY* rskfx(RSKCON* con, const char* currency, const char* from);
// Creates the entry of the pair from `from` to `currency`; 1 when no memory (598/2797 once).
int rskfxa(RSKCON* con, RSKCURRENCY* currency, RSKCURRENCY* from, RSKFXENTRY** out);
// Resolves the rate that converts B into A and marks its risk factors as needed; null when a
// code is no currency or no entry can be had.
RSKFXENTRY* rskfx2(RSKCON* con, const char* a, const char* b);
// The same on currency records, without marking.
RSKFXENTRY* find_fx(RSKCON* con, RSKCURRENCY* a, RSKCURRENCY* b);
// The current value of a pair's rate in *out (missing when it cannot be formed). 0; 1 for no entry.
int rskfxv(const RSKFXENTRY* entry, double* out);
// Lists every pair. 0.
int rskfxp(RSKCON* con);
// Lists one pair (number 1). 0; 1 when there is no such pair.
int rskfxp1(RSKCON* con, const char* currency, const char* from);
// Prints one pair with its number.
int print_fx(RSKCON* con, const RSKFXENTRY* entry, int ordinal);
// Gives every entry of the pair list back to the free list and clears the matrix and counts.
void rskfx_clear(RSKCON* con);
