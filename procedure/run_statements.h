// Handlers of the statements that define what a run combines (projects, cross classifications,
// transformation sets, time grids, parameter matrices, reports, statistics lists) and of the
// statements that start runs or include and submit code.
#pragma once
#include "engine/tables/control_structure.h"
#include "host/parser.h"

struct RSKRUNPARMS;

namespace zozu {

int crossclass_stmt(RSKCON* con, statement_node* node);
int rftrans_stmt(RSKCON* con, statement_node* node);
int timegrid_stmt(RSKCON* con, statement_node* node);
int parameter_stmt(RSKCON* con, statement_node* node);
// REPORT: a batch report, or a web report when any web field is given.
int report_stmt(RSKCON* con, statement_node* node);
int webreport_stmt(RSKCON* con, statement_node* node);
int statistics_stmt(RSKCON* con, statement_node* node);
int project_stmt(RSKCON* con, statement_node* node);
int runproject_stmt(RSKCON* con, statement_node* node);
int runqorfile_stmt(RSKCON* con, statement_node* node);
int submit_stmt(RSKCON* con, statement_node* node);
int runwebreport_stmt(RSKCON* con, statement_node* node);

// The time unit code of a grid point: 1, 2, 3 and 5 stay, every other code is 4 (years).
int get_time_unit(double code);

// The file RUNQORFILE includes: the path as given when it ends in ".qor" (any case) and is at
// least five characters long, else the path with ".qor" appended. Writes at most `capacity`
// bytes with the NUL; the length, or -1 when it does not fit.
int qor_file_name(const char* path, int length, char* out, int capacity);

}  // namespace zozu
