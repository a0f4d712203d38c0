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
