// The project-run block of the run engine: the current project and run, the timers that
// bracket compiled-program runs, and the state each part of a run keeps between its steps.
#pragma once
#include <cstdint>
#include "engine/tables/catalog_records.h"
#include "engine/tables/control_structure.h"
#include "engine/model/timers/timer_record.h"

struct RSKLAG;
struct RSKANLPROC;
struct mds;
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
    RSKCATOBJ* cross_class;          // current cross-classification, set by the project check
    int32_t instrument_file_count;   // instrument data files named for this run (0: the project's)
    struct RunFile {                 // the run engine keeps what it needs per file after the name
        RSKOBJNAME name;             // the instrument file definition
    } * instrument_files;

    // ---- lagged risk factors ----
    double base_date;                // host date of the run's base case; missing when unset
    double state_date;               // host date of the state being generated or priced
    RSKLAG* time_line;               // ages the lag grids need, latest date (smallest age) first
    mds* market_data;                // the run's open market data, read by date for lags
    uint8_t lag_values_wanted;       // the run asks for lagged values before it starts
    uint8_t lag_values_read;         // lagged values were read from market_data for this run
    // The run's lag state, cleared as one by rsklagc: per mode (index 0 mode 1, index 1 mode 2)
    // the count of lagged variables, the history's date array, its fill count and its switch.
    int32_t lag_counts[2];
    double* history_dates[2];
    int32_t history_fills[2];
    uint8_t history_on[2];
    int32_t history_capacity[2];     // states each mode's history holds (horizons - 1)
    // The saved value block the run engine keeps: copied back into place after the market data
    // has been read at earlier dates.
    void* saved_values;
    void* saved_values_target;
    size_t saved_values_bytes;
    RSKANLPROC* work_area;           // the active analysis's processing record

    // ---- instrument filters ----
    void* instrument_file_context;   // the instrument file being read or written (files subsystem)
    void* filter_context;            // handed to the host evaluator by instrument filters

    // ---- run pool ----
    size_t run_pool_bytes;           // bytes taken from the run pool during this run

    // ---- instrument utility files (engine/files/) ----
    struct RSKTRANFILE* transaction_file;    // the file being written or read, set at open
    int32_t transaction_internal_errors;     // internal errors of the file routines; 10 printed
    int32_t transaction_cases[5];            // cases of each portfolio message class (40 printed)
};
