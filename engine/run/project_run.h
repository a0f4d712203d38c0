// The project run: the run parameters a RUNPROJECT statement or the component hands the driver,
// the instrument-file entries of a run, and the routines of the driver and its preparation steps.
#pragma once
#include <cstddef>
#include <cstdint>

#include "engine/files/instrument_file.h"
#include "engine/tables/catalog_records.h"
#include "engine/tables/control_structure.h"

struct RSKPROJECT;
struct RSKANALYSIS;
struct RSKANLPROC;
struct RSKOPTREC;
struct RSKOUTOBJ;
struct RSKTFILE;
struct RSKNAMELIST;
struct RSKVARIABLE;

// Run modes (the end part): where a run stops.
enum : int32_t {
    RSKRUN_MODE_STATES = 1,          // after the market states and the results utility file
    RSKRUN_MODE_PRICING = 2,         // after pricing
    RSKRUN_MODE_AGGREGATION = 3,     // after the aggregation
    RSKRUN_MODE_COMPLETE = 4,        // the whole run (default)
};

// Kinds of instrument-file entries.
enum : int32_t {
    RSKPORT_PRICE = 0,               // positions read from the instrument file and priced
    RSKPORT_READ_PRICES = 1,         // prices read back from an earlier run's price data sets
    RSKPORT_READ_AGGREGATION = 2,    // an earlier aggregation read back, nothing priced
};

// Output object slots of a run (create_outobj's last argument is the slot number + 1).
enum : int { RSKOUT_STATES = 0, RSKOUT_PRICES = 1, RSKOUT_AGGREGATION = 2, RSKOUT_MAIN = 3, RSKOUT_SLOTS = 4 };

// One section of the "_cashflow_ buffer": the work vectors of one pricing block for the run's
// largest flow count (present values, converted amounts, converted second amounts).
struct RSKCFWORK {
    int32_t capacity;                // flows each vector holds
    double* present_values;
    double* converted;
    double* converted_second;
    // ---- per-state cash-flow evaluation (engine/builtins/cashflow_evaluation*): the block's
    // times to payment and repricing dates, the exchange-rate curve the position registered
    // (cleared at each position) and the rows kept until the calling thread writes them ----
    double* times;
    double* repricing;
    struct RSKVARIABLE* fx_curve;
    struct RSKCFROWS* rows;
};

// One time bucket's interval, when the project asks for interval names ("Time bucket interval
// list", 48 bytes each in the stored layout).
struct RSKBUCKETNAME {
    char interval[8];                // "DAY", "WEEK", "MONTH" or "YEAR", blank-padded
    int32_t count;                   // the grid point's count of that interval
    int32_t unit;                    // the grid point's unit code (1 to 4)
};

// An output variable of the run: its name, the variable and element it comes from, and its
// place in the results cell (set once every analysis has built).
struct RSKOUTVAR {
    RSKOUTVAR* next;                 // the next entry of its bucket
    RSKOUTVAR* next_in_order;        // the next entry in definition order
    RSKVARIABLE* variable;
    int32_t element_offset;          // bytes into the variable's value
    int32_t cell_offset;             // bytes into the results cell; -1 until placed
    int16_t name_length;
    char name[32];
};

// The run's output variables by name: 19 buckets, and the definition order.
constexpr int kRskOutVarBuckets = 19;
struct RSKOUTVARTABLE {
    RSKOUTVAR* buckets[kRskOutVarBuckets];
    RSKOUTVAR* first;
    RSKOUTVAR* last;
    int32_t count;
};

// One entry of the "base case output var work" area: a base-case output variable to define.
struct RSKBASEOUTV {
    RSKVARIABLE* variable;
    int32_t offset;                  // bytes into the variable's value
    int16_t name_length;
    char name[32];
};
constexpr int kRskBaseOutvChunk = 16;   // entries the area starts with and grows by

// One instrument file of a run: what it is called, where its earlier parts live, and the open
// instrument utility file with its header and filter state (the run block points at the current
// entry's file while it is priced).
struct RSKPORTENTRY {
    RSKOBJNAME name;                 // instrument file name (or price/aggregation data name)
    char file_ref[8];                // library reference of an earlier run's parts, blank-padded
    int32_t analysis_parts;          // parts of the earlier run this entry reads back
    int32_t portfolio_parts;
    int32_t current_part;            // the earlier part being read (1-based)
    char part_name[32];              // the part's price data name, blank-padded
    RSKCATOBJ* description;          // the instrument file definition (rsktdf), or null
    RSKTRANFILE file;                // opened for input by the run (zero-filled before)
    double positions;                // positions in the file (from its information member)
    int32_t kind;                    // RSKPORT_*
};

// The run parameters of one RUNPROJECT (or component) run.
struct RSKRUNPARMS {
    int32_t mode;                    // RSKRUN_MODE_*; 4 when not given
    int32_t analysis_part;           // 1-based, with the count of analysis parts
    int32_t analysis_parts;
    int32_t portfolio_part;          // 1-based, with the count of portfolio parts
    int32_t portfolio_parts;
    char results_ref[8];             // results utility file reference; blanks when none
    uint8_t read_states;             // read market states back from earlier results
    uint8_t generate_states;         // set by rskrun0: states are generated in this run
    uint8_t regenerate;              // set by rskrun0: states made afresh, not read back
    int32_t state_sources;           // sources of read-back states (1)
    char output_library[8];          // output library reference; blanks when none
    RSKPORTENTRY* entries;
    int32_t entry_count;
    int32_t kind_counts[3];          // entries of kinds 0, 1 and 2
};

// ---- the driver (entry-table slot 223) ----

// Runs one project: `project` is the catalog object of the project (fetched by the caller). The
// optional arguments may be null (currency: 3 characters; names: name records; library: 8
// blank-padded characters). 0 success, 1 a reported failure, 100 the results file could not be
// read, -1 no position priced; the run storage is freed whatever happened.
int rskrun(RSKCON* con, RSKCATOBJ* project, double valuation_date, const char* currency,
           const RSKNAMEREC* output_name, const RSKNAMEREC* output_path, RSKOPTREC* options,
           RSKNAMELIST* market_data, const int32_t* reports, const RSKNAMEREC* run_name, RSKRUNPARMS* parms,
           const char* output_library);

// Fills `parms` with the defaults of a complete run of the project's own instrument file.
void rskrun_default_parms(RSKRUNPARMS* parms);

// ---- run preparation and market states ----

// One processing record per analysis of the project, chained in project order. 0 or the largest
// failure code.
int rskruna(RSKCON* con, RSKPROJECT* project);
// Builds every analysis's result structures and sizes the run's result storage: 0, 1, or the
// code of the results file reader.
int rskrun0(RSKCON* con, RSKPROJECT* project);
// Prices the base case and produces the market states of every analysis: 1 when a step failed.
int rskrun1(RSKCON* con, RSKPROJECT* project);
// Divides the states to price among the thread blocks (the master block prices the base case).
int assign_threads(RSKCON* con);

// Internal steps of the preparation, each 0 or 1.
int build_result(RSKCON* con, RSKANLPROC* record);
int generate_states(RSKCON* con, RSKANLPROC* record);
int read_states(RSKCON* con, RSKANLPROC* record);
int find_analysis_output(RSKCON* con, RSKANALYSIS* analysis);
int flag_zozu_factors(RSKCON* con, RSKANLPROC* record, int bit);
int allocate_results_cell(RSKCON* con);
int allocate_pricing(RSKCON* con);
int allocate_buffer(RSKCON* con);
int define_outvar0(RSKCON* con);
int getbaseOutVInfo(RSKCON* con, RSKVARIABLE* variable, int32_t name_length, const char* name, int32_t offset);

// ---- position loop, roll-up, finish and output (engine/run/, position loop and phases) ----

// Prices one instrument file: 0, the largest code of the positions' steps, 1 on a fatal step,
// or -1 when no position was valued.
int rskrun2(RSKCON* con, RSKPORTENTRY* entry);
// Roll-up with the post-pricing methods, finish with the post-valuation methods, output.
int rskrun3(RSKCON* con);
int rskrun4(RSKCON* con);
int rskrun5(RSKCON* con);

// ---- driver steps ----

// The project's cash-flow settings and time buckets into the run block. 0 or 1.
int get_cf_setting(RSKCON* con, RSKPROJECT* project);
// The "_cashflow_ buffer": one section per pricing block. 0 or 1.
int prepare_cashflow(RSKCON* con);
// The cash-flow leg vectors. 0 or 1.
int prepare_cf_legs(RSKCON* con);
// Defines, fetches and opens the run's output object into slot `slot` (1 states .. 4 main). 0 or 1.
int create_outobj(RSKCON* con, RSKPROJECT* project, const RSKNAMEREC* name, const RSKNAMEREC* path,
                  const char* library, int slot);
// Tells the pricing and the results and aggregation utility members the run's analyses, parts, output library and
// states; called once the output object is open and again once the states are made.
void link_run_results(RSKCON* con);
// Marks the spot-rate references of the run's exchange rates.
int flag_fx_spot(RSKCON* con);
// Prints the run summary to the output; `times` are the seven phase times in seconds.
int print_summary(RSKCON* con, const double* times);
