// Timers of timed steps: nested timers kept as a stack in the control structure, interval
// timers owned by their callers, and the report of what they measured (log and _TIMING_).
#pragma once
#include <cstdint>
#include "engine/tables/control_structure.h"
#include "engine/model/timers/timer_record.h"
#include "engine/run/run_block.h"

constexpr int16_t kRskSelfTimeId = 7599;     // self-time record of a timer with nested timers

enum : int16_t {
    RSKTMR_UNSET = 0,
    RSKTMR_NESTED_RUNNING = 2,
    RSKTMR_INTERVAL_IDLE = 10,
    RSKTMR_INTERVAL_RUNNING = 20,
};


// Starts a nested timer (name cut to 8, label to 32; a negative length means NUL-ended).
// 0; 1 when no record can be had.
int rsktmr1(RSKCON* con, const char* name, int id, const char* label, int label_length);
// Stops the innermost nested timer, which must carry this id: 0, else 1 (reported).
int rsktmr2(RSKCON* con, int id);
// Initialises a caller-owned interval timer (whatever the timing flag). 0.
int rsktmri(RSKCON* con, RSKTIMER* timer, const char* name, int id, const char* label,
            int label_length);
// Starts and ends an interval of an initialised interval timer. 0.
int rsktmrs(RSKCON* con, RSKTIMER* timer);
int rsktmre(RSKCON* con, RSKTIMER* timer);
// Moves an interval timer's totals to the finished list and zeroes it: 0; 1 when no record
// can be had.
int rsktmro(RSKCON* con, RSKTIMER* timer);
// Measures the overheads of timing itself. 0.
int rsktmr0(RSKCON* con);
// Logs the overheads and the finished records and writes them as WORK._TIMING_, then empties
// the finished list: 0; 1 when the data set cannot be written.
int rsktmrt(RSKCON* con);

// A zeroed record from the timer free list, refilled `chunk` records at a time; null when the
// pool is exhausted (598/2797 once, error flag set).
RSKTIMER* rsktmr_take(RSKCON* con, int chunk);
// Appends a record to the finished list.
void rsktmr_finish(RSKCON* con, RSKTIMER* timer);
// Moves every finished record to the free list.
void rsktmr_release_finished(RSKCON* con);
// Copies a name into a blank-padded field of `width` bytes; the bytes kept (a negative length
// means NUL-ended).
int rsktmr_field(char* field, int width, const char* text, int length);
