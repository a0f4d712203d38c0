// Handlers of the definition statements: DECLARE, ARRAY/ARRAYS, RFCATEGORY/RFCATEGORIES,
// INSTRUMENT and the ten statements that move definitions between the environment and data sets.
#pragma once
#include "engine/tables/control_structure.h"
#include "host/parser.h"

namespace zozu {

int declare_stmt(RSKCON* con, statement_node* node);
// One class of DECLARE (index 0..7 in processing order): the largest code met.
int declare_variables(RSKCON* con, int class_index, const statement_node* node);
int array_stmt(RSKCON* con, statement_node* node);
int rfcategory_stmt(RSKCON* con, statement_node* node);
int instrument_stmt(RSKCON* con, statement_node* node);
// METHOD: defines a method from the statements up to ENDMETHOD, compiles it and stores it.
int method_stmt(RSKCON* con, statement_node* node);

int readvars_stmt(RSKCON* con, statement_node* node);
int writevars_stmt(RSKCON* con, statement_node* node);
int readrefs_stmt(RSKCON* con, statement_node* node);
int writerefs_stmt(RSKCON* con, statement_node* node);
int readcategories_stmt(RSKCON* con, statement_node* node);
int writecategories_stmt(RSKCON* con, statement_node* node);
int readarrays_stmt(RSKCON* con, statement_node* node);
int writearrays_stmt(RSKCON* con, statement_node* node);
int readtypes_stmt(RSKCON* con, statement_node* node);
int writetypes_stmt(RSKCON* con, statement_node* node);

}  // namespace zozu
