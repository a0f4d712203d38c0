// Pieces of the rebuild of the run-time view shared by its files: run-time list links, internal
// reference variables and the reference maps through which methods find risk factors by key.
#pragma once
#include "engine/model/currencies/currency_table.h"
#include "engine/model/variables/variables.h"

// Appends the variable to a run-time list: 0, or 1 when no link can be had (598/2797 once).
int link_variable(RSKCON* con, RSKRTLIST* list, RSKVARIABLE* variable);
// Gives every link of the list back to the links free list and empties it.
void release_list(RSKCON* con, RSKRTLIST* list);

// Deletes the reference maps of the last rebuild: internal variables made on demand go, the
// others forget their tables, the pool is deleted.
void clearRefTables(RSKCON* con);
// Creates the reference-map pool and finds or creates the four standard maps. 0 or 1.
int initRefMaps(RSKCON* con);
// Enters a risk factor in the maps of its own name, its reference pairs and its role.
int addRiskFactorToMaps(RSKCON* con, RSKVARIABLE* variable);
// Gives a user-declared reference variable its table (shared or its own). 0 or the largest code.
int process_reference_var(RSKCON* con, RSKVARIABLE* variable);
