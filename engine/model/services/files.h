// Services of instrument, market data and utility files that the object model uses: the open
// market data set record `mds` and the routines that open, read, position and close one.
#pragma once
#include <cstdint>
#include "common/intervals/interval_spec.h"
#include "engine/tables/control_structure.h"
#include "host/dataset.h"

struct RSKINPUTDS;
struct RSKANALYSIS;
struct RSKNAMECELL;
struct RSKVARLINK;
struct RSKVARIABLE;

// Open types: what a caller asks of a market data set.
enum : int {
    RSKMDS_CURRENT = 1,              // current values (Current definitions)
    RSKMDS_TIMESERIES = 2,           // time series by DATE
    RSKMDS_TIMESERIES_GAPS = 3,      // time series, gaps reported
    RSKMDS_NONE = 4,                 // refused
    RSKMDS_STD = 5,                  // standard deviations (Volatility)
    RSKMDS_COVARIANCE = 6,           // covariance matrix
    RSKMDS_SCENARIOS = 7,            // scenarios (Scenarios, else Changes)
    RSKMDS_LINTRANS = 8,             // linear transform: opened only
    RSKMDS_PARAMETERS = 9,           // parameters: opened only
    RSKMDS_CORRELATION = 10,         // correlation matrix
};

// Slot selectors: where a found risk factor's value is bound.
enum : int { RSKMDS_SLOT_CURRENT = 1, RSKMDS_SLOT_COVROW = 2, RSKMDS_SLOT_STD = 3 };

// An open market data set, owned by the caller and zero-filled by rskmdso. Closed (all zero)
// until rskmdso succeeds; positioned by the reads; closed by rskmdsc.
struct mds {
    RSKANALYSIS* analysis;           // the requesting analysis, or null
    RSKINPUTDS* definition;          // the definition opened (set once located)
    int32_t open_type;               // RSKMDS_*
    interval_spec interval;          // the requested interval (zero when none)
    uint32_t open;                   // the data set is open
    uint32_t end;                    // the reader is at the end of the data
    uint32_t error;                  // set: every read answers 99 until closed and reopened
    int32_t problems;                // binding failures so far (40 reported)
    int16_t member_length;           // the resolved member name
    char member[32];
    char libref[8];                  // blank-padded
    qor_dataset* data;               // the host data set, or null
    qor_getlist* get;                // the variable-get list, or null
    qor_obs_request reader;          // the sequential reader on `data`
    int32_t date_number;             // DATE: variable number (0 none), value, previous value
    double date;
    double previous_date;            // missing after open
    int32_t horizon_number;          // _HORIZON_: variable number (0 none) and value
    double horizon;
    int32_t type_number;             // _TYPE_: variable number (0 none) and value
    char type_value[32];
    int32_t name_number;             // the row-name column: variable number (0 none) and value
    char name_value[32];
    int32_t factor_count;            // risk factors found in the data set
    RSKVARIABLE** factors;           // and the list of them (control structure's pool)
    double* covariance;              // packed symmetric matrix, supplied by the caller
    double* deviations;              // standard-deviation vector, supplied by the caller
};

// Opens a market data set for `open_type`. `names`: the definitions to search (explicit names,
// no message when none matches), or null for the run's market data list and then the
// environment's. `interval` (may be null) is the interval wanted; `factors` (may be null) the
// risk factors to look for, else all of the environment. 0; 1 invalid open type; 2 no matching
// definition or a required column missing; 4 interval mismatch; 99 open, type or binding failure.
int rskmdso(RSKCON* con, mds* md, int open_type, RSKANALYSIS* analysis, const RSKNAMECELL* names,
            const interval_spec* interval, const RSKVARLINK* factors);
// Releases the get list and closes the data set when present. Always safe. 0.
int rskmdsc(RSKCON* con, mds* md);
// Reads one market state for the open type (current values, the series at `date`, standard
// deviations, or the covariance or correlation matrix). 0, 1 end of data or failure, 99.
int rskmdsr(RSKCON* con, mds* md, double date);
// Positions a time series before the first observation on or after `date` (the first one when
// missing), or rewinds a scenario data set. 0; 2 nothing on or after the date; 99.
int rskmds0(RSKCON* con, mds* md, double date);
// Reads the next observation of a time series or scenario data set; *date_out (may be null)
// gets its date. 0; 1 end of data; 3 gap; 5 missing or non-increasing DATE; 99.
int rskmds1(RSKCON* con, mds* md, double* date_out);
// Moves forward to the first observation whose stored DATE is on or after `date` and reads it;
// *date_out (may be null) gets its DATE. 0; 1 end of data; 99.
int rskmds2(RSKCON* con, mds* md, double date, double* date_out);
// Reads the next scenario: *date_out and *horizon_out (each may be null) get its DATE and
// _HORIZON_ (missing when absent). 0; 1 end of data; 99.
int rskmds3(RSKCON* con, mds* md, double* date_out, double* horizon_out);
// Marks the risk factors that the "Current" data set of the listed definitions holds (null: the
// run's list, then the environment's). 0, 2 none found, or the open code.
int rskmdsl(RSKCON* con, const RSKNAMECELL* names);

// The instrument utility file's routines (rsktrao, rsktraw, rsktra1, rsktriw, rsktrir, rsktrip ...).
#include "engine/files/instrument_file.h"
