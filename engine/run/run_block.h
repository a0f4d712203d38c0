// The project-run block of the run engine: the current project and run, the timers that
// bracket compiled-program runs, and the state each part of a run keeps between its steps.
#pragma once
#include <cstdint>
#include "engine/tables/control_structure.h"
#include "engine/model/timers/timer_record.h"

struct RSKTFILE;

// An instrument data file of a run: the position data set definition or source it was read from
// and the instrument file definition it was written to.
struct RSKINSTDATAFILE {
    RSKOBJNAME name;
    RSKTFILE* definition;
};

struct RSKRUNBLOCK {
    RSKOBJNAME project_name;
    RSKOBJNAME run_name;
    RSKTIMER calibration_timer;      // an interval timer run empty, for the overheads
    RSKTIMER pricing_timer;          // pricing-method runs
    RSKTIMER method_timer;           // the other method runs

    // ---- positions and instrument files ----
    int32_t instrument_data_count;           // instrument data files of the run
    RSKINSTDATAFILE* instrument_data_files;  // their entries
    void* instrument_file;                   // context of the instrument file reader, or null

    // ---- run dates and the project ----
    //      (fields of the project check and run go here)

    // ---- lagged risk factors ----
    //      (lag state, saved values and work area go here)

    // ---- instrument filters ----
    //      (file and evaluation contexts go here)

    // ---- run pool ----
    //      (the run pool's allocation counter goes here)
};
