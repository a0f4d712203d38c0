// Services of the risk analyses that the object model uses: the analysis definitions fill the
// fields of an analysis record beyond its name, kind and lists (entry-table slots 314 to 332).
#pragma once
#include "engine/tables/control_structure.h"

// Slots of the analysis definitions in the engine's entry table.
enum : int { RSKANALYSIS_FIRST_SLOT = 314, RSKANALYSIS_LAST_SLOT = 332 };
