// The project-run block of the run engine: the current project and run, the timers that
// bracket compiled-program runs, and the state each part of a run keeps between its steps.
#pragma once
#include <cstdint>
#include "engine/tables/control_structure.h"
#include "engine/model/timers/timer_record.h"

struct RSKRUNBLOCK {
    RSKOBJNAME project_name;
    RSKOBJNAME run_name;
    RSKTIMER calibration_timer;      // an interval timer run empty, for the overheads
    RSKTIMER pricing_timer;          // pricing-method runs
    RSKTIMER method_timer;           // the other method runs

    // ---- positions and instrument files ----
    //      (fields of the position sources and instrument file definitions go here)

    // ---- run dates and the project ----
    //      (fields of the project check and run go here)

    // ---- lagged risk factors ----
    //      (lag state, saved values and work area go here)

    // ---- instrument filters ----
    void* instrument_file_context;   // the instrument file being read or written (files subsystem)
    void* filter_context;            // handed to the host evaluator by instrument filters

    // ---- run pool ----
    //      (the run pool's allocation counter goes here)
};
