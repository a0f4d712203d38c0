// Calls from catalog storage into the engine's entry table (vector 381): the symbol tables and
// name fillers that hold catalog object headers. Each answers a failure when the table is absent.
#pragma once
#include "common/files/names.h"
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
// Removes a name from a symbol table; its result (1 when the table is absent).
int engine_rsksymf(RSKCON* con, RSKSYMTAB* table, const RSKNAMEREC* name);
// Resolves a catalog (or other member) for reading through the search paths: 0, else non-zero.
int engine_rskpthg(RSKCON* con, const RSKNAMEREC* spec, const char* type, char* libref, member_name* member,
                   char* path, int report);
// Resolves a member for writing (assigning its directory as a library): 0, else non-zero.
int engine_rskpthw(RSKCON* con, const char* spec, int length, const char* type, char* libref,
                   member_name* member, char* path, int report);
// Defines a search path; its result.
int engine_rskpthd(RSKCON* con, const char* path, int length, int append, const char* libref);
// Creates the standard tables (parts as rskaltb); the number of failed tables.
int engine_rskaltb(RSKCON* con, int parts);
// Ends the compile handle of the methods compiler.
void engine_rskecmp(RSKCON* con);
// Fills the currency table; its result.
int engine_fill_currency_table(RSKCON* con);
// Initialises the report-type names of the options block; its result.
int engine_rskgtyi(RSKCON* con);
// Removes a variable of the current environment; its result (1 when the engine cannot).
int engine_remove_variable(RSKCON* con, RSKVARIABLE* variable);
// After indexing: the parameter matrices' values, the reset of variables and lists (its failure
// sets variables_reset_failed) and the initialisation of instrument types (types_init_failed).
// Steps with nothing to work on are skipped. The codes that count toward indexing's result.
int engine_rebuild_after_index(RSKCON* con);
