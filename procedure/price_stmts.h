// PRICE and GETRATES: the statements that run the mark-to-market and market-rates drivers.
#pragma once
#include "engine/tables/control_structure.h"
#include "host/parser.h"

namespace zozu {

// PRICE PORTFOLIO= [FILTER=] [RFTRANS=] [PROJECTMETHODS=] [CURRENCY=] [DATA=] [OUT=] [OUTLIB=]
// [OUTPATH=]: values every position of the instrument file. 0, or 1 (or the driver's code).
int price_stmt(RSKCON* con, statement_node* node);
// GETRATES [RFTRANS=] [PROJECTMETHODS=] [DATA=] [OUT=] [OUTLIB=] [OUTPATH=]: the transformed
// current market state into MKTRATES. 0, or the driver's code.
int getrates_stmt(RSKCON* con, statement_node* node);

}  // namespace zozu
