// The housekeeping statements of a ZOZU step: debugging and tracing, options, currencies,
// search paths and files, preparing, printing and deleting objects.
#pragma once
#include "engine/tables/control_structure.h"
#include "host/parser.h"

namespace zozu {

int debug_stmt(RSKCON* con, statement_node* node);
int trace_stmt(RSKCON* con, statement_node* node);
int setoptions_stmt(RSKCON* con, statement_node* node);
int currencies_stmt(RSKCON* con, statement_node* node);
int setpath_stmt(RSKCON* con, statement_node* node);
int findfile_stmt(RSKCON* con, statement_node* node);
int use_stmt(RSKCON* con, statement_node* node);
int print_stmt(RSKCON* con, statement_node* node);
int delete_stmt(RSKCON* con, statement_node* node);
int filter_stmt(RSKCON* con, statement_node* node);

// Applies a statement's run options (the four lists from the run-options field) to an option
// record. Unknown options are reported (670/1152) and skipped; rskopts reports refused values.
// Always 0.
int get_options(RSKCON* con, const statement_node* node, RSKOPTREC* record);

}  // namespace zozu
