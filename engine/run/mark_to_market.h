// The two drivers that run the engine without a project: mark-to-market (PRICE, every position in
// each observation of the current market data) and GETRATES (the current market state after the
// transformations), with the rate routines that open, prepare, build and print a market state.
#pragma once
#include <cstdint>

#include "engine/tables/control_structure.h"

struct RSKNAMELIST;
struct RSKRESDS;

// Open types of the three market data sets the rate routines keep in the run block.
enum : int { RSKRATE_CURRENT = 0, RSKRATE_STD = 1, RSKRATE_LAGS = 2, RSKRATE_SETS = 3 };

// Prices every position of the instrument file definition `portfolio` in the current market state,
// or in every observation of the current-values data set, into INSTVALS of an output object
// named "MarkToMarket" unless named. Lists and optional arguments may be null (currency: 3
// characters; library: 8 blank-padded characters). 0 success, -1 when no position was valued,
// otherwise the largest code of the failing steps (a failed market state or pricing included).
int rskmtm(RSKCON* con, const RSKNAMEREC* portfolio, const RSKNAMELIST* filters,
           const RSKNAMELIST* transformation_sets, const RSKNAMELIST* project_methods,
           RSKNAMELIST* market_data, double run_date, const char* currency, const RSKNAMEREC* output_name,
           const RSKNAMEREC* output_path, const char* output_library);

// Builds the current market state with the market and transformation methods and writes it as
// the one observation of MKTRATES. 0 success, otherwise the largest code of the failing steps
// (a state that could not be built included: nothing is written then).
int rskrate(RSKCON* con, const RSKNAMELIST* transformation_sets, const RSKNAMELIST* project_methods,
            RSKNAMELIST* market_data, double run_date, const RSKNAMEREC* output_name,
            const RSKNAMEREC* output_path, const char* output_library);

// The position loop of mark-to-market: every position of the open instrument file priced in each
// buffered state (or the current one), one observation each into `valuations` when given. The
// largest code of the position steps.
int apply_action(RSKCON* con, RSKRESDS* valuations);

// Opens the current values, standard deviations and (when a market variable has a lag) the lag
// time series of the run's market data list: 0, or the sum of the sources' codes (a missing
// standard-deviation source alone gives 1).
int rskrato(RSKCON* con, double run_date);
// Closes the current-values and standard-deviation data sets when open.
int rskratc(RSKCON* con);
// Prepares the market vectors and variables before the first state. 0.
int rskrati(RSKCON* con);
// Builds the current market state from the next observation of the current values: 0, or the
// failing step's code after 598/1321.
int rskratx(RSKCON* con);
// Observations of the current-values data set; the host's count, else counted by reading and the
// reader rewound. 0 when the data set is not open.
int64_t rsk_rate_observations(RSKCON* con, struct mds* set);
// Prints the current market state (state -1: the base) to the output. 0.
int rskratp(RSKCON* con, int32_t state);
