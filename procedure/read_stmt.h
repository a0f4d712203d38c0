// The READ statement's handler: position data sets into an instrument file.
#pragma once
#include "engine/tables/control_structure.h"
#include "host/parser.h"

namespace zozu {

// READ source [SOURCES=(...)] [FILTER=(...)] [OUT=file] [OUTLIB=libref] [PATH='directory'].
int read_stmt(RSKCON* con, statement_node* node);

}  // namespace zozu
