// Shared by start-up and termination: the release of everything a control structure owns.
#pragma once
#include "engine/tables/control_structure.h"

// De-assigns the audit file, ends the submission context, deletes the pools and frees the
// blocks and the control structure itself. Null is ignored.
void rskrelease(RSKCON* con);
