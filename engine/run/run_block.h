// The project-run block of the run engine: the current project and run, the timers that
// bracket compiled-program runs, and the state each part of a run keeps between its steps.
#pragma once
#include <cstdint>
#include "engine/tables/catalog_records.h"
#include "engine/tables/control_structure.h"
#include "engine/model/timers/timer_record.h"
#include "engine/output/aggregation_run.h"
#include "engine/output/result_datasets.h"

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

    // ---- result data sets (engine/output/) ----
    RSKRUNRESULTS results;           // descriptors per kind, the row record, the row context

    // ---- aggregation over the cross-classification (engine/output/aggregation_*) ----
    RSKAGGRUN aggregation;

    // ---- analyses' run factors, output object and aggregation set-up (engine/analyses/,
    // engine/output/output_*, engine/output/cell_report.cpp) ----
    struct RSKRUNFACTOR* free_run_factors;   // run factor records; chunks of 100 from the run pool
    uint8_t own_states;              // the run generates its states (not read back from results)
    uint8_t factor_use_exempt;       // an analysis whose listed factors are all unused still runs
    uint8_t current_exposure;        // every price vector carries the current exposure first
    int32_t planned_states;          // states the analyses' builds announce
    RSKPROJECT* project;             // the running project (its archive option)
    struct RSKOUTOBJ* output_object; // the run's output object
    double run_time;                 // host date-time of the run
    struct RSKARCHIVEREC {           // the archive of the run while rskoutc closes the results
        uint8_t open;
        char libref[8];
        RSKOBJNAME member;           // the archive member: the value of SYSJOBID
        double run_time;
    } archive;
    int32_t cell_size;               // bytes of a cell of the aggregation
    int32_t instrument_count;        // instruments of the run's instrument file
    RSKOBJNAME instrument_data_name; // the instrument data set, for the cell report
};
