// The project-run block of the run engine: the current project and run, the timers that
// bracket compiled-program runs, and the state each part of a run keeps between its steps.
#pragma once
#include <cstdint>
#include "engine/tables/catalog_records.h"
#include "engine/tables/control_structure.h"
#include "engine/model/timers/timer_record.h"
#include "engine/output/aggregation_run.h"
#include "engine/output/result_datasets.h"
#include "engine/compiler/compile_control.h"
#include "engine/model/variables/run_fields.h"
#include "engine/run/thread_control.h"
#include "engine/run/pricing_run.h"
#include "engine/run/state_buffer.h"
#include "engine/files/results_file.h"
#include "engine/run/position_loop.h"
#include "engine/builtins/builtins.h"
#include "engine/builtins/cashflow_evaluation.h"
#include "engine/run/run_finish.h"
#include "engine/output/rskgds.h"

struct RSKLAG;
struct RSKANLPROC;
struct mds;
struct RSKTFILE;
struct RSKOPTREC;
struct RSKFXENTRY;
struct RSKVARIABLE;
struct RSKNAMECELL;

// Categories of the run's memory report (rskmemp), in the order it prints them.
enum : int {
    RSKMEM_INSTRUMENTS, RSKMEM_MARKET_VECTORS, RSKMEM_CHANGE_MASKS, RSKMEM_PROJECT_VARIABLES,
    RSKMEM_PRICING_RESULTS, RSKMEM_POSTPROCESSING, RSKMEM_THREADS, RSKMEM_CASH_FLOWS,
    RSKMEM_DELTA_GAMMA, RSKMEM_STATE_BUFFER, RSKMEM_PROGRAMS, RSKMEM_RESULTS,
    RSKMEM_CATEGORIES,
};

// The header of one market state at the start of each market vector.
struct RSKSTATEHEADER {
    char check[4];                   // "ZOZU"
    int32_t state;
    void* analysis;
    int16_t analysis_number;
    int16_t analysis_kind;
    void* names[2];
    int32_t simulation_case;
    int16_t draw;
    int16_t horizon;
    // Market-state buffer (engine/run/market_state*): the item within the analysis (scenario,
    // shock or grid point) that generated the state.
    int32_t item;
};

// The per-type timing record of a run ("instruments timing counts").
struct RSKTYPETIMING {
    struct RSKINSTTYPE* type;
    int64_t positions;
    int64_t pricings;
    int64_t reused;
    int64_t skipped;
    double seconds;
};

// The variables of a pricing results row besides the computed outputs; the run driver names
// the optional ones, rskmem3 lays out those that are set (the value defaults to _Value_).
struct RSKROWVARIABLES {
    RSKVARIABLE* value;
    RSKVARIABLE* second_value;       // with the second-value flag
    RSKVARIABLE* cashflow_sums[2];   // when the sums are kept
    RSKVARIABLE* cashflow_derived[2];// when the derived pair is kept
    RSKVARIABLE* cashflow_vector;    // with the cash-flow vector switch
    RSKVARIABLE* mode_variables[2];  // run mode 1 or 3, run mode 2 or 3
    RSKVARIABLE* added_value;        // added to each position's value by the position loop
};

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
    RSKRUNRESULTS result_sets;       // descriptors per kind, the row record, the row context

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
    // ---- run working storage (engine/run/run_storage.h: rskmem0 ... rskmemf) ----
    // rskmem0 clears the whole block at the start of every run; the run driver then sets the
    // switches below before rskmem1 .. rskmem3 lay the vectors out.
    int32_t abort;                   // the run stops at once when set
    RSKOPTREC* options;              // the environment's current options
    RSKOBJNAME default_state_name;
    RSKOBJNAME* state_name;          // the run's state name; the default record until set
    RSKRUNCOMPILE compile;           // the run-time lists of the compiled programs
    RSKFREELISTS free_lists;         // records of the run (type tables, element cells) come from
                                     // the run pool through these lists, never the environment's
    uint8_t price_all_states;        // every market variable goes into the state
    uint8_t valuation_summary;       // used_price variables go into the state and the row
    uint8_t timing_counts;           // one timing record per instrument type
    uint8_t second_value;            // the row has a second value column
    uint8_t cashflow_sums;           // the row keeps the two cash-flow sums
    uint8_t cashflow_derived;        // and the two derived cash-flow values
    uint8_t cashflow_vector;         // and the cash-flow vector
    uint8_t raw_value;               // the row ends with the unscaled value
    int32_t cashflow_mode;           // 0 none, 1, 2 or 3: picks the mode variables
    int32_t state_count;             // market states of the run (not counting the base)
    RSKROWVARIABLES row_variables;

    // Instrument records (rskmem1).
    uint8_t* instrument_record;      // every instrument and reference variable, current values
    uint8_t* previous_record;        // the same layout, the previous instrument's values
    int32_t instrument_record_bytes;
    uint8_t* instruments_buffer;     // one value record of the largest type
    int32_t instruments_buffer_bytes;
    RSKTYPETIMING* timing;           // [type number], when timing_counts is set
    int32_t type_count;
    double position_value;           // bound to _Value_ outside the pricing row
    double* pricing_work;            // the delta-gamma pricing work vector
    int32_t pricing_work_count;

    // Change masks and market vectors (rskmem2).
    RSKFXENTRY* fx_first;            // exchange rates flagged for the run, in flag order
    RSKFXENTRY* fx_last;
    int32_t fx_count;
    int32_t mask_bits;
    int32_t mask_factors;            // risk factors among the mask bits
    int32_t mask_bytes;              // 4 x (bits + 31) / 32
    uint8_t* masks[2];               // the two change masks, allocated together
    int32_t state_size;              // header, mask, rates and the variables with a bit
    int32_t vector_size;             // the full market vector
    uint8_t* market_vectors[kRskMarketVectors];   // one zero-filled block of six vectors
    uint8_t* project_variables;
    int32_t project_variables_bytes;

    // Pricing results (rskmem3).
    double* results;                 // rows of row_doubles, from the kit pool
    int32_t row_doubles;
    int32_t row_count;               // state count + 2
    double* row0;
    double* row1;
    int32_t element_count;           // output elements of a row
    uint8_t* postprocessing[5];      // five byte vectors of element_count (+1 with the raw column)
    RSKVARLINK* elements_first;      // one cell per output element, in row order
    RSKVARLINK* elements_last;

    // Pricing threads.
    int32_t thread_count;
    int32_t threading;               // 1 when PAPC is above 0
    RSKTHREADCTL* master_block;
    RSKTHREADCTL* thread_blocks;

    // The memory report: bytes per category, added as each vector is allocated.
    uint64_t memory[RSKMEM_CATEGORIES];
    uint8_t aggregation_memory;      // the results category is the aggregation control's
    // ---- instrument utility files (engine/files/) ----
    struct RSKTRANFILE* transaction_file;    // the file being written or read, set at open
    int32_t transaction_internal_errors;     // internal errors of the file routines; 10 printed
    int32_t transaction_cases[5];            // cases of each portfolio message class (40 printed)

    // ---- project run driver and run preparation (engine/run/project_run*, run_preparation_*) ----
    struct RSKRUNPARMS* parms;               // the run parameters of this run
    struct RSKPORTENTRY* current_entry;      // the instrument-file entry being priced, or null
    RSKOPTREC* run_options;                  // the option block in force for the run
    struct RSKOUTOBJ* outputs[4];                   // output objects: states, prices, aggregation, main
    RSKCATOBJ* output_entries[4];            // and their catalog objects
    char currency[3];                        // reporting currency, upper case
    uint8_t currency_given;                  // 0 when the run fell back to "USD"
    uint8_t no_reuse;                        // identical consecutive instruments are priced again
    uint8_t market_data_failed;              // the market data could not be listed
    uint8_t fx_spot;                         // exchange-rate spot references are wanted
    uint8_t read_states;                     // states read back from earlier results
    uint8_t generate_states;                 // states generated by the analyses
    uint8_t regenerate;                      // states made afresh (earlier results not read)
    double valuation_date;                   // current valuation date (base_date holds the base)
    double start_time;                       // host date-time when the run started (its step 1)
    double phase_times[7];                   // seconds of the phases, for the summary
    int64_t states_priced;                   // states priced over all positions
    int64_t values_delivered;                // state values delivered to the analyses
    double positions_valued;                 // positions valued (the position loop adds to it)
    RSKANLPROC* analyses_head;               // processing records in project order
    RSKANLPROC* analyses_tail;
    int32_t analysis_count;
    int32_t states_to_price;                 // entries of the run's list of states to price
    int32_t results_header;                  // 88: the fixed head of a results cell
    int32_t results_cell_size;               // bytes of a results cell
    uint8_t* results_cell;
    int32_t longest_analysis_name;
    int32_t longest_variable_name;
    int32_t longest_label;
    struct RSKOUTVARTABLE* output_variables; // the run's output variables by name
    struct RSKBASEOUTV* base_outv;           // base case output var work (16 entries)
    int32_t base_outv_count;
    int32_t base_outv_capacity;
    int32_t* price_index;                    // per price slot: the state it prices
    uint8_t* priced_flags;                   // per price slot: priced
    int32_t price_slots;
    double cf_settings[2];                   // the project's cash-flow distribution and size
    uint8_t cf_flag;                         // its bucket-by flag
    uint8_t al_classification;               // asset/liability classification asked for
    double* cut_points;                      // "Time bucket cut points"
    double* cut_spare;                       // a vector of the same length, cleared
    int32_t cut_count;
    struct RSKBUCKETNAME* interval_list;     // "Time bucket interval list" (buckets - 1 entries)
    double* interval_values;
    int32_t cashflow_sections;               // "_cashflow_ buffer": one section per pricing block
    struct RSKCFWORK* cashflow_work;
    int32_t cf_leg_count;                    // cash-flow legs of the run
    int32_t* cf_leg_numbers;                 // "Cash Flow Numbers in Legs"
    double* cf_base_legs;                    // "Base Case Cash Flow Legs"
    double* cf_legs_out;                     // "Cash Flow Legs Out_Buff"

    // ---- mark-to-market and GETRATES (engine/run/mark_to_market*, market_rates*) ----
    struct mds* rate_sets[3];                // current values, standard deviations, lag series
    uint8_t time_series_needed;              // a market variable has a lag
    uint8_t building_base;                   // 1 while the base state is built or priced
    uint8_t states_failed;                   // the market states of the driver could not be built
    double run_date2;                        // the run date, kept for the valuation output
    RSKSTATEHEADER state_header;             // the header rskratx gives the current state
    RSKOBJNAME base_case;                    // the base-case pseudo analysis: "BASECASE"
    int32_t rate_states;                     // observations of the current-values data set
    uint8_t* rate_buffer;                    // full market vectors of those observations
    uint64_t rate_buffer_bytes;
    int32_t not_valued;                      // positions (or position-state pairs) without value
    struct RSKCURRENCY* currency_row;        // the reporting currency's record
    RSKINSTRUN valuation;                    // what the valuation rows read of the current position

    // ---- pricing of positions (engine/run/pricing_*.cpp) ----
    RSKPRICERUN pricing;

    // ---- READ driver (engine/files/instrument_read*) ----
    int32_t read_datasets;           // data sets named by the source being read
    int32_t read_unresolved;         // instruments refused for an unresolved currency or reference
    uint8_t read_write_failed;       // an instrument could not be written (a full disk)
    // ---- market-state buffer and market data sets (engine/run/market_state*,
    // engine/files/market_data_*) ----
    RSKSTATEBUF state_buffer;        // appended states, the base state and the change flags
    RSKNAMECELL* market_data_list;   // the run's market data definitions, searched first
    double* std_vector;              // the standard deviations of the market variables
    double* std_saved;               // their saved copy, put back before each volatility read
    int32_t std_count;
    double* covrow_vector;           // the covariance row of the market variables
    int32_t series_gaps;             // time-series gaps reported (598/2423, 5 printed)
    int32_t market_io_errors;        // read failures of market data (10 printed)
    // ---- pricing threads' worker team (engine/run/: allocate_threads makes it once per run,
    // rskteam_run calls it, rskmemf closes it) ----
    struct qor_team* worker_team;            // null: every block runs on the calling thread
    int32_t team_blocks;                     // blocks the team was made for
    int32_t team_workers;                    // workers running (the caller takes the others)
    // ---- results utility file (engine/files/results_file.*) ----
    RSKRESRUN results_file;
    // ---- position loop, roll-up, finish and output (engine/run/position_*, cell_*) ----
    RSKLOOPRUN loop;
    // ---- roll-up, finish and output of the cells (engine/run/run_rollup*, run_finish*,
    // run_write*) ----
    RSKCELLPHASES phases;
    // ---- scenario, P/L curve and P/L surface states (engine/analyses/shifted_states*) ----
    struct RSKSHIFTRUN {
        int64_t states_elsewhere;    // states of the other parts of a divided run counted so far
    } shifted_states;
    // ---- instrument references (engine/files/instrument_references.cpp): the current
    // instrument's conversion into the reporting currency, its failure mark, and the pairs
    // whose missing conversion rate was reported (each once per run) ----
    struct RSKFXENTRY* instrument_rate;      // null when the instrument is in the reporting currency
    uint8_t instrument_failed;               // a reference or currency of the instrument failed
    int32_t conversions_reported;
    char conversion_reported[40][6];         // from code, then to code
    // ---- pricing built-ins (engine/builtins/): failure counts and flags of the run ----
    RSKBUILTINRUN builtins;
    // ---- generated views and merges, states and prices read back (engine/output/rskgds*) ----
    RSKGDSRUN gds;
    // ---- cash-flow analyses (engine/analyses/cashflow_analysis*): what their builds ask of
    // the run, and the variables marked as cash-flow outputs ----
    struct RSKCFLRUN {
        uint8_t cash_flows;          // an analysis reports cash flows
        uint8_t macaulay;            // Macaulay durations and convexities wanted
        uint8_t modified;            // modified durations and convexities wanted
        int32_t bucket_mode;         // 0 none, 1 simple, 2 cumulative, 3 both
        int32_t output_columns;      // columns the marked cash-flow outputs add
        int32_t marked_count;
        RSKVARIABLE* marked[8];      // the variables marked as cash-flow outputs
    } cashflow_analyses;
    // ---- per-state cash-flow evaluation (engine/builtins/cashflow_evaluation*): the run's
    // settings, read by every pricing block ----
    RSKCFSETTINGS cashflow_eval;
};
