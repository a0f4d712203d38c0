// Services of instrument, market data and utility files that the object model uses: opening
// market data set definitions and instrument utility files, and reading from them.
#pragma once
#include <cstdint>
#include "engine/tables/control_structure.h"

struct dataset;
struct RSKINPUTDS;
struct RSKTFILE;

// Market data set types that definitions open.
enum : int { RSKMDS_LINTRANS = 8, RSKMDS_PARAMETERS = 9 };

// An open market data set: the definition, the data set and its reader.
struct mds {
    RSKINPUTDS* definition;          // null when there is no such definition
    RSKOBJNAME display_name;
    dataset* data;
    void* reader;
};

// Opens the data set of the named definition for input: 0; 2 (or a context without definition)
// when there is no such definition; another code when it cannot be opened.
int rskmdso(RSKCON* con, mds* context, int type, int reserved, const RSKNAMEREC* name, void* selection,
            int reserved2);
// Closes what rskmdso or rskmds0 opened.
int rskmdsc(RSKCON* con, mds* context);
// Opens the market data and positions it at the date: 0 on success.
int rskmds0(RSKCON* con, mds* context, double date);
// Reads the market data at the date into the risk factors' current values: 0 read, 1 no more
// data, another value on failure; `date_out` gets the date read.
int rskmds2(RSKCON* con, mds* context, double date, double* date_out);

// The instrument utility file's routines (rsktrao, rsktraw, rsktra1, rsktriw, rsktrir, rsktrip ...).
#include "engine/files/instrument_file.h"
