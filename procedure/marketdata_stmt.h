// The MARKETDATA statement's handler: defines a market data set definition and stores it.
#pragma once
#include "engine/tables/control_structure.h"
#include "host/parser.h"

namespace zozu {

int marketdata_stmt(RSKCON* con, statement_node* node);

}  // namespace zozu
