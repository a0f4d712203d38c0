// The variable record RSKVARIABLE: one per variable of the current environment, taken from the
// variables free list. Its value storage is one block that value cells and rskvali fill.
#pragma once
#include <cstdint>
#include "engine/tables/control_structure.h"
#include "engine/model/names/name_records.h"
#include "engine/model/variables/dependency_fields.h"
#include "engine/model/variables/run_fields.h"

struct RSKCURRENCY;
struct RSKFXENTRY;

// Storage type codes of variable values.
enum : uint32_t {
    RSKSTORE_VOID = 1,
    RSKSTORE_DOUBLE = 2,
    RSKSTORE_CHAR = 3,
    RSKSTORE_SHORT = 4,
    RSKSTORE_INT = 5,
    RSKSTORE_LONG = 6,
    RSKSTORE_POINTER = 7,
    RSKSTORE_REF_STR = 41,
    RSKSTORE_CUR_STR = 42,
    RSKSTORE_QUADRATIC = 51,
    RSKSTORE_CASH_FLOWS = 52,
};

// Variable kinds and the data types that shape value storage.
enum : uint32_t {
    RSKVKIND_SYSTEM = 1,
    RSKVKIND_FACTOR = 2,
    RSKVKIND_INSTRUMENT = 3,
    RSKVKIND_LAGVAL = 4,
    RSKVKIND_PARMAT = 5,
    RSKVKIND_REFERENCE = 6,
    RSKVKIND_OUTPUT = 7,
    RSKVKIND_PROJECT = 8,
    RSKVKIND_STATE = 9,
    RSKVKIND_COUNTERPARTY = 11,
    RSKVKIND_MITIGATION = 12,
    RSKDTYPE_ARRAY = 60,
};

struct RSKVARIABLE {
    RSKVARIABLE* next;               // definition order
    RSKOBJNAME name;
    uint32_t kind;
    uint32_t role;
    uint32_t rollup;
    uint32_t comptype;
    int16_t group_length;
    char group[32];
    int16_t selected;
    uint8_t drop;
    uint8_t nofx;
    uint8_t noholding;
    uint8_t noshortpos;
    uint32_t varpost;
    uint8_t role_flags;              // 0x80 IR, 0x40 FX, 0x20 term, 0x10 volatility, kind checks
    uint8_t flags2;                  // 0x08: has a lag time grid
    uint8_t flags3;                  // 0x40: internal reference variable
    uint8_t flags4;
    uint32_t data_type;
    uint16_t value_class;            // 1 numeric, 2 character, 3 pointer
    uint16_t length;
    uint32_t storage_type;
    uint32_t storage_flags;
    uint32_t measurement_level;
    double element_count;            // DIMENSION
    RSKOBJNAME lag_grid_name;
    RSKTIMEGRID* lag_grid;
    uint8_t instrument_array;
    uint32_t storage_size;
    uint32_t value_size;
    uint32_t scope;
    void* value;                     // the value storage during a run
    RSKOBJNAME format_text;
    char format_name[32];
    uint32_t format_width;
    uint32_t format_decimals;
    uint32_t format_number;          // 99 = no format
    char currency[3];
    RSKCURRENCY* currency_row;
    char from_currency[3];
    RSKCURRENCY* from_currency_row;
    RSKFXENTRY* fx_pair;             // the pair of an exchange-rate risk factor (rebuild)
    double maturity;
    uint32_t maturity_unit;
    double maturity_time;
    RSKOBJNAME reference1_name;
    RSKVARIABLE* reference1;
    RSKOBJNAME reference2_name;
    RSKVARIABLE* reference2;
    double scale;
    uint32_t category_count;
    RSKNAMECELL* categories_head;
    RSKNAMECELL* categories_tail;
    uint8_t needed_spot;             // run-time marks set when a rate needs the variable
    uint8_t needed_forward;
    RSKVARLINK* rate_uses_head[2];   // rate-use links, owned by the rebuild
    RSKVARLINK* rate_uses_tail[2];
    uint32_t reference_pair_count;
    RSKNAMECELL* reference_pairs_head;
    RSKNAMECELL* reference_pairs_tail;
    RSKENV* environment;             // defining environment
    uint32_t creation;               // 12 when created
    uint32_t origin;                 // 1 own, 2 inherited, 3 inherited and redefined
    RSKPROPS properties;             // label
    uint32_t hash;

    // Arrays: element names in the order given, the resolved elements and their maturities, or
    // the time grid the array is laid on. Each vector keeps the count it was allocated with, so
    // that it goes back to the pool with the size it was taken with.
    RSKNAMECELL* element_names_head;
    RSKNAMECELL* element_names_tail;
    RSKVARIABLE** elements;          // null for an element not found
    uint32_t elements_allocated;
    RSKOBJNAME time_grid_name;
    RSKTIMEGRID* time_grid;
    double* maturities;
    uint32_t maturities_allocated;
    double* first_derivatives;
    uint32_t first_derivatives_allocated;
    double* second_derivatives;
    uint32_t second_derivatives_allocated;
    uint8_t time_grid_array;         // 1 = laid on a time grid

    // Instrument types: resolved types that hold this variable; it is not deleted while above 0.
    uint32_t use_count;

    // Lagged risk factors (run-time): the lag points are the lag grid's times (0 first), the
    // lagged values the value storage (index 0 the current value, i the value at point i).
    double* lag_previous;            // the previous state's values, one per lag point
    uint8_t lag_mode;                // 0 none, 1 named by the analysis, 2 depends on the state
    int32_t lag_pending;             // lag points still to be read from market data
    double* lag_history;             // this variable's values in the history block of its mode
    double lag_in_analysis;          // 1 while the current analysis names the risk factor

    // Parameter matrices: how the compiled methods use a parameter variable's matrix.
    uint8_t parameter_use;           // RSKPMXUSE_* bits
    // Dependency resolution of the methods compiler: writers, readers, flags and change state.
    RSKVARDEPS dependencies;
    // Methods compiling (engine/compiler/, program phases): the exposure output depends on it.
    uint8_t exposure_dependency;

    // Result output (engine/output/): what decides the variable's columns in result data sets.
    uint16_t use_mask;               // non-zero: the run uses it; bit value 4: the date factor column
    uint16_t output_mark;            // a column of it is defined in the data set being opened
    uint8_t class_flags;             // RSKVAROUT_CLASS, RSKVAROUT_ARRAY
    uint8_t output_switch;           // the variable is to be written
    uint32_t exclusion1;             // exclusion markers: non-zero keeps it out of the columns
    uint8_t exclusion2;
    uint16_t exclusion3;
    uint8_t factor_modes;            // bit m set: a risk factor of risk-factor mode m
    double* base_value;              // a risk factor's base-case value during a run, or null
    // Analyses' run factor lists (engine/analyses/): what the run knows of the variable.
    uint8_t run_used;                // the run's instruments use the variable
    uint8_t not_used_mark;           // RSKUNUSED_*: noted as not used in this run
    int16_t market_found;            // the run's market data found the variable
    uint8_t model_mark;              // 1 or 3: in the model specification's list
    int32_t market_order;            // order key of the market data
    int32_t level_count;             // distinct values in the run's instrument data (0 unknown)
    // Run working storage (engine/run/): where the current run placed the variable.
    RSKVARRUN run;
    // Instrument utility files (engine/files/): the distinct values the portfolio gives the
    // variable, collected while a file is written and read back from its information member.
    struct value_set* value_list;    // while writing; null when the variable keeps no list
    int32_t value_count;             // values of the list read back (sorted, value_width each)
    int16_t value_width;
    char* values;
    size_t values_bytes;             // bytes of `values` as allocated
    // The READ driver (engine/files/instrument_read*): per data set, the number of the data set
    // variable bound to this variable and whether it is bound.
    int32_t read_number;
    uint16_t read_found;
    uint8_t pool_value;              // its value storage came from the run pool (rskmemf clears it)
    // Project run preparation (engine/run/): the variable's uses in the current run.
    uint8_t analysis_mark;           // set by the analysis being built (cleared before each build)
    uint8_t analysis_use;            // an enabled analysis of the run uses it
    uint8_t outside_pricing;         // neither an analysis nor a pricing method reads it
    // Market data sets (engine/files/market_data_*): what the last data set opened found of the
    // risk factor, where its values go, and which kinds of market data supplied it.
    int32_t mds_number;              // its variable number in that data set; 0 none
    uint8_t mds_found;               // found there (numeric)
    int16_t matrix_index;            // row and column in the caller's matrix; -2 none
    double* std_address;             // its slot in the run's standard-deviation vector, or null
    double* covrow_address;          // its slot in the run's covariance-row vector, or null
    uint8_t from_current[2];         // supplied by current market data
    uint8_t from_std;                // supplied with a standard deviation
    uint8_t from_series;             // supplied by a time series read with gaps reported
    // Finite-difference analyses (engine/analyses/sensitivity*, delta_normal*): the delta and
    // gamma the instrument's methods supplied for the current position (null or missing: none).
    double* method_delta;
    double* method_gamma;
};

// Bits of RSKVARIABLE::class_flags.
enum : uint8_t { RSKVAROUT_CLASS = 0x01, RSKVAROUT_ARRAY = 0x08 };

// Uses of a parameter variable: its matrix is loaded for every run, or when a run asks.
enum : uint8_t { RSKPMXUSE_ALWAYS = 0x01, RSKPMXUSE_RUN = 0x02 };

// A link of a run-time list of variables (24 bytes in the stored layout; sizes in memory come
// from sizeof): taken from the links free list, 1000 at a time.
struct RSKVARLINK {
    RSKVARLINK* next;
    RSKVARIABLE* variable;
    void* words[4];                  // working words of the list's owner
};

// Scopes of system variables.
enum : uint32_t { RSKSCOPE_SIMULATION = 1, RSKSCOPE_VALUATION = 2 };

// Flags of the variable record.
enum : uint8_t {
    RSKROLEF_IR = 0x80,
    RSKROLEF_FX = 0x40,
    RSKROLEF_TERM = 0x20,
    RSKROLEF_VOLATILITY = 0x10,
    RSKROLEF_POSITION_DATA = 0x04,   // position data may supply the variable
    RSKROLEF_INSTRUMENT_SIDE = 0x08, // resolvable in instrument types
    RSKF2_LAG_GRID = 0x08,
    RSKF3_INTERNAL_REFERENCE = 0x40,
    RSKF3_REBUILD_MADE = 0x20,       // made by every rebuild (the four standard maps)
};
