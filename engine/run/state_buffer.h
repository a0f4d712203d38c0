// The market-state buffer of a run: the states appended so far (header, change mask and the
// values of the variables with a mask bit), the base state, and what each append starts from.
#pragma once
#include <cstdint>
#include "engine/tables/control_structure.h"

struct RSKVARIABLE;
struct RSKPROGRECORD;
struct RSKRESDS;
struct RSKSTATEHEADER;

// Read-back values of a state taken from earlier results (rskmktx1), in this order.
enum : int {
    RSKMKT_READ_STATE = 0,           // state number
    RSKMKT_READ_ANALYSIS = 1,        // analysis number
    RSKMKT_READ_ITEM = 2,            // item within the analysis
    RSKMKT_READ_SIM1 = 3,            // simulation case, draw and horizon (1-based; missing: none)
    RSKMKT_READ_SIM2 = 4,
    RSKMKT_READ_SIM3 = 5,
    RSKMKT_READ_VALUES = 6,
};

// The internal errors of rskmkti printed per run.
constexpr int32_t kRskMktInternalErrors = 10;
// The exchange rates reported by rskmktx per run before the closing 598/1716.
constexpr int32_t kRskMktBadRates = 40;

struct RSKSTATEBUF {
    uint8_t* states;                 // capacity x state size bytes (the run allocates it)
    int64_t capacity;                // states the buffer holds; an append beyond is refused
    int32_t appended;                // states appended in this run part: rskmkti's bound
    int32_t append_index;            // index of the next append
    uint8_t keep;                    // the run keeps its states in the buffer
    uint8_t read_back;               // states come back from earlier results (rskmktx1)
    uint8_t resolve_every;           // market actions are resolved again for every state
    uint8_t* base;                   // the base state (state size bytes); null: the saved base
                                     // market vector
    RSKVARIABLE* saved_variable;     // its 8-byte value, saved by the run, starts every state
    uint8_t saved_value[8];
    RSKPROGRECORD* market_program;   // the compiled market program (null: block 0's program)
    RSKSTATEHEADER* prepared;        // the header rskmktx copies into the current state (null:
                                     // the current state's own header is kept)
    double read_values[RSKMKT_READ_VALUES];   // rskmktx1's numbers, set by the reader
    RSKOBJNAME read_names[2];        // rskmktx1's two variable names (blank: none)
    int32_t bad_rates;               // exchange rates found missing or out of range
    int32_t internal_errors;         // rskmkti's internal errors of this run
    RSKRESDS* output;                // the state output data set when open, else null
    RSKRESDS* second_output;         // the second state data set the analysis asks for, or null
};
