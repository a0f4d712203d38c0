// The project-run block of the run engine: the current project and run, the timers that
// bracket compiled-program runs, and the state each part of a run keeps between its steps.
#pragma once
#include <cstdint>
#include "engine/tables/catalog_records.h"
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
    RSKCATOBJ* cross_class;          // current cross-classification, set by the project check
    int32_t instrument_file_count;   // instrument data files named for this run (0: the project's)
    struct RunFile {                 // the run engine keeps what it needs per file after the name
        RSKOBJNAME name;             // the instrument file definition
    } * instrument_files;

    // ---- lagged risk factors ----
    //      (lag state, saved values and work area go here)

    // ---- instrument filters ----
    //      (file and evaluation contexts go here)

    // ---- run pool ----
    //      (the run pool's allocation counter goes here)
};
