// The aggregation set-up of a project run (rskrung) and the report of how many cross-classification
// cells and how much memory the run may need.
#pragma once
#include <cstdint>

#include "engine/tables/control_structure.h"

struct RSKPROJECT;
struct RSKCROSSCLASS;

// Cells that one crossing of k class variables with the given level counts can produce over n
// instruments: the sum over every subset S of the counts of min(n, product / product over S),
// minus 1 (the grand total is counted by the caller). Computed in double.
// Asks the aggregation engine (rskgrpd) to build the run's aggregation control over its
// cross-classification, keeps it in the run block and, with NOTES on, gives the cell report.
// 0, or the code of rskgrpd.
int rskrung(RSKCON* con, RSKPROJECT* project);

double rskrung_crossing_cells(const double* counts, int k, double n);

// The cell report of a run (NOTES on and at least one instrument): the upper bound of the cells
// of the cross-classification's crossings and of their memory, 598/4122 and 4123. A class variable
// without levels is left out with 598/4124, except "InstID", which counts the instruments.
// Answers the cell bound (0 when no report is given).
double rskrung_report(RSKCON* con, const RSKPROJECT* project, const RSKCROSSCLASS* cross, int32_t cell_size,
                      int32_t instruments, const RSKNAMEREC* instrument_data);
