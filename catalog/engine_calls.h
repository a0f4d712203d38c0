// Calls from catalog storage into the engine's entry table (vector 381): the symbol tables and
// name fillers that hold catalog object headers. Each answers a failure when the table is absent.
#pragma once
#include "engine/tables/control_structure.h"

// The object of a name in a symbol table (and its parents); null when not found.
void* engine_rsksym(RSKCON* con, const RSKSYMTAB* table, const RSKNAMEREC* name);
// Defines a name in a symbol table: 0 added, 1 replaced, 2 failed.
int engine_rsksymd(RSKCON* con, RSKSYMTAB* table, const RSKNAMEREC* name, void* object);
// Fills an object name (capacity 32).
int engine_rskname(RSKCON* con, RSKOBJNAME* rec, const char* text, int length);
// Resets the variable model of the current environment; its result.
int engine_rskvar0(RSKCON* con);
// Creates the system variables of the current environment; its result.
int engine_rskvar1(RSKCON* con);
// Removes a name from a symbol table (nothing when absent).
int engine_rsksymf(RSKCON* con, RSKSYMTAB* table, const RSKNAMEREC* name);
// Removes a variable of the current environment; its result (1 when the engine cannot).
int engine_remove_variable(RSKCON* con, RSKVARIABLE* variable);
// After indexing: the parameter matrices' values, the reset of variables and lists (its failure
// sets variables_reset_failed) and the initialisation of instrument types (types_init_failed).
// Steps with nothing to work on are skipped. The codes that count toward indexing's result.
int engine_rebuild_after_index(RSKCON* con);
