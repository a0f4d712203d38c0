// Start-up and termination of an engine instance: the control structure with its pools,
// blocks and tables, the scratch directory, and the deferred rebuilds before a run.
#pragma once
#include <cstdint>
#include "engine/tables/control_structure.h"

// The run-time block of arrays and instrument types. It begins with the list of every
// instrument type in definition order.
struct RSKMEMBLOCK {
    int32_t longest_type_name;       // longest type name ever defined
    RSKINSTTYPE* types_head;
    RSKINSTTYPE* types_tail;
    int32_t types_count;
    RSKSYMTAB symbols;               // bucket hint 1009, no list
};

// Parts of rskaltb.
enum : int { RSKALTB_ENVIRONMENT = 2, RSKALTB_RUNTIME = 4 };

// Creates a control structure in *out: 0; 1 after a message, with everything made so far
// released and *out null. Ends the step (xexit) when the host cannot give what the engine
// cannot run without: 1008 function manager, 9999 code submission, 1012 tables or modules.
int rskinit(RSKCON** out, int client_kind, uint32_t function_manager, uint32_t manager);
// Undoes rskinit and releases the control structure; a null pointer is ignored. 0.
int rskterm(RSKCON* con);
// Rebuilds the run-time variables: the result of rskvar0.
int rsk0(RSKCON* con);
// Runs the pending rebuilds before a run: 0; 1 when a rebuild failed (598/1269, 598/1270).
int rskpre0(RSKCON* con);
// Makes the scratch directory "_garbage_can_<digit>" in the work directory: 0 | 1.
int rskgbgc(RSKCON* con);
// Creates the symbol tables of the parts asked for (RSKALTB_*): the number that failed.
int rskaltb(RSKCON* con, int parts);
// Assigns the PWPATH directory as library "_QJ_" when PWPATH is set (598/1292 on failure). 0.
int get_pw_lib(RSKCON* con);
