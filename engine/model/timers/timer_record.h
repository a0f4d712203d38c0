// The timer record: a nested or interval timer of a timed step, with the project and run it
// belongs to, kept on the control structure's stack, a finished list or the free list.
#pragma once
#include <cstdint>
#include "engine/tables/control_structure.h"

struct RSKTIMER {
    RSKTIMER* next;                  // stack, finished list or free list
    int16_t id;                      // label line: message 598/id
    int16_t level;                   // nesting depth at the start
    double cpu;                      // running nested timer: start; then elapsed seconds
    double wall;
    double child_cpu;                // nested: time of the timers directly inside;
    double child_wall;               // interval: start of the current interval
    int32_t count;                   // completed intervals (nested timers: 1)
    char name[8];                    // blank-padded
    char label[32];
    int16_t label_length;
    int16_t state;                   // RSKTMR_*
    char project[32];                // blank-padded
    int16_t project_length;
    char run[32];                    // blank-padded
    int16_t run_length;
};
