// Calls from the procedure into the engine (vector 381) and catalog storage (vector 383): one
// forwarding routine per slot, named after the slot's routine; an absent table is a failure.
#pragma once
#include <cstdint>

#include "engine/tables/control_structure.h"
#include "host/parser.h"

struct member_name;

namespace zozu {

// Slot 2: builds the control structure in *out (0, or 1 with *out null).
int rskinit(RSKCON** out, int client_kind, uint32_t function_manager, uint32_t manager);
// Slot 3: rebuilds the run-time variables.
int rsk0(RSKCON* con);
// Slot 4: ends the engine instance and frees the control structure.
int rskterm(RSKCON* con);
// Slot 6: opens the audit file.
int rskadti(RSKCON* con);
// Slot 7: one audit line, message table/number with a date-time text and the user's name.
int rskadtp(RSKCON* con, int table, int number, int stamp_length, const char* stamp,
            int name_length, const char* name);
// Slot 95: rebuilds the instrument-type classes.
int rskclbi(RSKCON* con);
// Slot 270: compiles the environment's methods and transformations.
int rsktrn0(RSKCON* con);
// Slot 376: the UNITTEST statement.
int unittest_stmt(RSKCON* con, statement_node* node);
// Vector 383 slot 25: sets up the temporary environment.
int rssenvt(RSKCON* con);

// ---- Housekeeping statements (DEBUG ... DELETE) ----
// Slot 56: the code of a run option by name; 9 when there is none.
int rskcdoc(RSKCON* con, const char* name, int length);
// Slot 160: sets one option of a record (checks its range). 0 | 1.
int rskopts(RSKCON* con, int code, RSKOPTREC* record, int int_value, double value, const char* text, int length);
// Slot 159: prints the options of a record by group (3 all).
int rskoptp(RSKCON* con, const RSKOPTREC* record, int group);
// Slot 106: shows or hides currencies. Slot 107: lists them.
int rskcurm(RSKCON* con, const char* code, int mode);
int rskcurp(RSKCON* con, int all);
// Slots 203, 207, 206: adds, removes and lists search-path directories.
int rskpthd(RSKCON* con, const char* path, int length, int append, const char* libref);
int rskpthr(RSKCON* con, const char* path, int length);
int rskpthp(RSKCON* con);
// Slot 205: resolves a data-set specification of a member type: 0 found, 2 not, 1 error.
int rskpthg(RSKCON* con, const RSKNAMEREC* spec, const char* member_type, int for_read, char* library,
            member_name* member, char* path, int report);
// Slots 283, 292, 290, 294: looks up, prepares for a run, frees and lists variables.
RSKVARIABLE* rskvar(RSKCON* con, const RSKNAMEREC* name);
int rskvarm(RSKCON* con, RSKVARIABLE* variable);
int rskvarf(RSKCON* con, RSKVARIABLE* variable);
int rskvarp(RSKCON* con, RSKVARIABLE* variable, int selection);
// Slot 226: the entry of a name in a symbol table; null when none.
void* rsksym(RSKCON* con, const RSKSYMTAB* table, const RSKNAMEREC* name);
// Slots 96, 98, 94: looks up, frees and lists instrument types.
RSKINSTTYPE* rskcls(RSKCON* con, const char* name, int length);
int rskclsf(RSKCON* con, RSKINSTTYPE* type);
int rskclbp(RSKCON* con, int security);
// Listings of the PRINT statement: data types 59, roles 58, categories 36, FX 117, models 153.
int rskcdpt(RSKCON* con);
int rskcdpr(RSKCON* con);
int rskcatp(RSKCON* con);
int rskfxp(RSKCON* con);
int rskmodp(RSKCON* con, uint32_t kind);
// Vector 383: stores the environment's options (60), currency display (12) and the user's
// search paths (85).
int rssopta(RSKCON* con);
int rsscuds(RSKCON* con);
int rsspths(RSKCON* con);
// Slot 307: defines a filter (until the filter routines are built, the placeholder answers 1).
int rskwhrd(RSKCON* con);

}  // namespace zozu
