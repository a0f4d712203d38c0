// What dependency resolution keeps on each variable: the actions that write and read it, the flags
// that the factor listing prints, the per-state change value and change-mask position, and
// whether _RESET restores the variable after a method updated it.
#pragma once
#include <cstdint>

struct RSKACTION;

// A writer of a variable: the action and the parts (bit 128 >> (p mod 8) of byte p / 8) it writes.
struct RSKWRITERLINK {
    RSKWRITERLINK* next;
    RSKACTION* action;
    uint8_t parts[4];                // part indexes 0-31
};

// A reader of a variable.
struct RSKREADERLINK {
    RSKREADERLINK* next;
    RSKACTION* action;
};

// Flags of RSKVARDEPS::flags; the first seven are the words of the factor listing.
enum : uint32_t {
    RSKDEP_REF = 0x1,                // read by an action
    RSKDEP_DEF = 0x2,                // written by an action
    RSKDEP_DATA = 0x4,               // supplied by input data
    RSKDEP_CONST = 0x8,              // constant: not a data dependency
    RSKDEP_REQ = 0x10,               // required
    RSKDEP_USED_PRICE = 0x20,        // used for price
    RSKDEP_PRICE_ARG = 0x40,         // pricing argument: has a change-mask position
    RSKDEP_BY_TRANSFORMATION = 0x80, // written by a linear transformation
    RSKDEP_INPUT_FREE_OUTPUT = 0x100,  // written by an action that reads no data input
    RSKDEP_OPAQUE_ARRAY = 0x200,     // an array whose elements are not looked into
    RSKDEP_OUTPUT_VECTOR = 0x400,    // named by OUTV_ELEM: the run collects its statistics
};

// Check bits of RSKVARDEPS::check (tracing of suppressed actions).
enum : uint8_t { RSKDEP_READ_BY_ACTIVE = 1, RSKDEP_READ_BY_SUPPRESSED = 2 };

struct RSKVARDEPS {
    RSKWRITERLINK* writers_first;
    RSKWRITERLINK* writers_last;
    RSKREADERLINK* readers_first;
    RSKREADERLINK* readers_last;
    uint32_t flags;                  // RSKDEP_*
    double change;                   // 0 unchanged, 1 set by the market state, else changed
    double change2;                  // second change word, cleared with the first
    int32_t mask_position;           // bit of the change mask, while RSKDEP_PRICE_ARG is set
    uint8_t check;                   // RSKDEP_READ_BY_*
    int32_t number;                  // variable number; 0: none
    double reset_setting;            // _RESET: 1 restores the value a method updated, 0 keeps it
};
