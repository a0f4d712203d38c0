// Market data set definitions (MARKETDATA, catalog kind 38): where market data lives, its type
// and interval, the column naming its rows and which columns feed which risk factors. rskidsa
// takes the definition's object, as rskidsd hands it out; the other routines take the record.
#pragma once
#include <cstdint>
#include "common/intervals/interval_spec.h"
#include "engine/model/positions/mapping_cells.h"
#include "engine/tables/catalog_records.h"
#include "engine/tables/control_structure.h"

// Market data set types (registry of market data set types).
enum : uint32_t {
    RSKMDSTYPE_TIMESERIES = 1,
    RSKMDSTYPE_CURRENT = 3,
    RSKMDSTYPE_VOLATILITY = 4,
    RSKMDSTYPE_COVARIANCE = 5,
    RSKMDSTYPE_SCENARIOS = 6,
    RSKMDSTYPE_CHANGES = 7,
    RSKMDSTYPE_LINTRANS = 8,
    RSKMDSTYPE_PARAMETERS = 9,
    RSKMDSTYPE_CORRELATION = 10,
};

struct RSKINPUTDS {
    RSKINPUTDS* next;                // free-list link
    RSKOBJNAME name;
    uint32_t type;                   // RSKMDSTYPE_*
    // The interval of the data: a parsed interval, empty (kind 0) when the type has none, or the
    // "no interval" record (rsk_no_interval) when the reader is to detect it from the data.
    interval_spec interval;
    RSKPATHNAME dataset;             // the data set as named (the object's name when none given)
    RSKMAPLIST mappings;             // column -> risk factor, in order of definition
    int16_t row_column_length;       // the column naming the rows ("_NAME_" by default)
    char row_column[kRskColumnNameCapacity];
};

// The "no interval" record: kind unknown, no code, no text; the reader detects the interval.
void rsk_no_interval(interval_spec* interval);
// 1 when the interval is the "no interval" record.
int rsk_is_no_interval(const interval_spec* interval);

// The market data set definition object (kind 38) of that name, or null.
RSKCATOBJ* rskids(RSKCON* con, const RSKNAMEREC* name);
// Defines or redefines a market data set definition. Without `object` it is found or created
// through catalog storage. The data set is `dataset`, else the object's name; one not found along
// the search path is reported (598/2410) and the definition kept. `interval` is copied when
// given; without one TimeSeries, Covariance and Correlation get the "no interval" record and the
// other types an empty one. The row column is `row_column`, else "_NAME_". *out receives the
// object. 0, or 1 (no memory or a catalog refusal).
int rskidsd(RSKCON* con, RSKCATOBJ** out, const RSKNAMEREC* name, uint32_t type, const interval_spec* interval,
            const RSKNAMEREC* row_column, const RSKNAMEREC* dataset, RSKCATOBJ* object);
// Maps a column to a risk factor of the run's table (states refused: 598/2402) in the definition
// held by `object`. 0, or 1.
int rskidsa(RSKCON* con, RSKCATOBJ* object, const RSKNAMEREC* risk_factor, const RSKNAMEREC* column);
// Empties the definition: mappings, data set name and interval. 0.
int rskidsc(RSKCON* con, RSKINPUTDS* definition);
// Empties and zeroes the record and gives it back to the free list. 0.
int rskidsf(RSKCON* con, RSKINPUTDS* definition);
// Prints the definition. 0.
int rskidsp(RSKCON* con, const RSKINPUTDS* definition);
// Resolves the definition's data set for reading along the search path: 0 with its library
// reference (8 characters, blank padded) and member name; else non-zero, without messages.
int rskids_locate(RSKCON* con, const RSKINPUTDS* definition, char* libref, char* member, int* member_length);
