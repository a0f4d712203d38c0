// Calls from the procedure into the engine (vector 381) and catalog storage (vector 383): one
// forwarding routine per slot, named after the slot's routine; an absent table is a failure.
#pragma once
#include <cstdint>

#include "engine/tables/control_structure.h"
#include "host/parser.h"

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

}  // namespace zozu

// ---- Definition statements (DECLARE, ARRAY, RFCATEGORY, INSTRUMENT, data sets) ----
struct member_name;
struct RSKVARDEF;

namespace zozu {

// Slot 49: data-type code of a text in a data-type table; 999 when unknown.
int rskcddt(RSKCON* con, int table, const char* text, int length);
// Slot 64: role code of a text for a variable class; 999 when unknown.
int rskcdva(RSKCON* con, int variable_class, const char* text, int length);
// Slot 45: action code of an action name; 0 when unknown.
int rskcdac(RSKCON* con, const char* text, int length);
// Slot 289: defines a variable; *out gets the record (or null).
int rskvard(RSKCON* con, RSKVARIABLE** out, const RSKVARDEF* request);
// Slot 286: adds an element pair (reference map) to a variable.
int rskvara(RSKCON* con, RSKVARIABLE* variable, const char* first, int first_length,
            const char* second, int second_length);
// Slot 287: adds an element name to a variable.
int rskvarb(RSKCON* con, RSKVARIABLE* variable, const char* name, int length);
// Slot 15: adds an element to an array variable.
int rskarya(RSKCON* con, RSKVARIABLE* array, const char* name, int length);
// Slot 34: defines a risk-factor category.
int rskcatd(RSKCON* con, const RSKNAMEREC* name, RSKCATEGORY** out);
// Slot 97: defines an instrument type.
int rskclsd(RSKCON* con, RSKINSTTYPE** out, const char* name, int name_length, const char* label,
            int label_length, const char* description, int description_length, int cash_flows,
            int quadratic, RSKENV* environment);
// Slot 102: adds a variable to an instrument type.
int rskclsv(RSKCON* con, RSKINSTTYPE* type, const char* name, int length);
// Slot 115: sets a variable's default value in an instrument type (number or text by flag).
int rskdflt(RSKCON* con, RSKINSTTYPE* type, const char* name, int length, double number,
            const char* text, int text_length, int flag);
// Slot 5: attaches a method to an action of an instrument type.
int rskactd(RSKCON* con, RSKINSTTYPE* type, int action, const char* method, int length);
// Slot 99: initialises an instrument type.
int rskclsi(RSKCON* con, RSKINSTTYPE* type);
// Slots 205 and 209: resolve a data set for reading or writing.
int rskpthg(RSKCON* con, const RSKNAMEREC* spec, const char* member_type, int for_read,
            char* library_out, member_name* member_out, char* path_out, int report);
int rskpthw(RSKCON* con, const char* spec, int length, const char* type, char* libref,
            member_name* member, char* physical, int report);
// The data-set readers and writers of the engine (slots 295/296, 215/216, 37/38, 19/20, 101/103),
// by slot: (library reference, member, data set name as written).
using DatasetRoutine = int (*)(RSKCON*, const char*, const char*, const char*);
DatasetRoutine dataset_routine(int slot);
// Vector 383 slot 11: stores an instrument type's actions in the catalog.
int rssclsa(RSKCON* con, RSKINSTTYPE* type, int mode);

}  // namespace zozu
