// Limits on the messages of portfolio problems: per class the first 40 cases are detailed, the
// 41st gets the closing message, later ones are silent; internal errors stop after 10.
#pragma once
#include "engine/tables/control_structure.h"

// Classes of portfolio problems, each with its own count in the run.
enum : int {
    RSKTCLASS_REFERENCE = 0,         // reference not resolvable (closing 598/1733)
    RSKTCLASS_CURRENCY = 1,          // currency not defined (598/1718)
    RSKTCLASS_FX = 2,                // exchange-rate reference not defined (598/1739)
    RSKTCLASS_CONVERSION = 3,        // currency conversion not defined (598/1712)
    RSKTCLASS_SHORT_COLLATERAL = 4,  // short position with collateral (598/1996)
};
constexpr int kRskTranCaseLimit = 40;
constexpr int kRskTranInternalLimit = 10;

// Counts one case of the class: 1 when its detail message is to be given; at the 41st case the
// closing message is given here and 0 returned; 0 for later cases.
int rsktran_case(RSKCON* con, int problem_class);
// Counts an internal error of the file routines: 1 when it is to be printed (the first 10).
int rsktran_internal(RSKCON* con);
// Starts the counts afresh: every run and every READ has its own limits.
void rsktran_reset(RSKCON* con);
