// The aggregation set-up of a project run and the report of how many cross-classification cells
// and how much memory the run may need.
#pragma once
#include <cstdint>

#include "engine/tables/control_structure.h"

struct RSKPROJECT;

// Asks the aggregation engine (rskgrpd) to build the aggregation structure of the run's
// aggregation control, keeps it in the run block and, with NOTES on, reports the cell estimate.
// 0, or the code of rskgrpd.
int rskrung(RSKCON* con, RSKPROJECT* project);

// Cells that one crossing of k class variables with the given level counts can produce over n
// instruments: the sum over every subset S of the counts of min(n, product / product over S),
// minus 1 (the grand total is counted by the caller). Computed in double.
double rskrung_crossing_cells(const double* counts, int k, double n);
