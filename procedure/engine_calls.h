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
// Slot 18: prints an array risk factor with its elements.
int rskaryp(RSKCON* con, RSKVARIABLE* array);
// Vector 383 slot 23: prints the current and held environments (with their rights when asked).
int rssenvp(RSKCON* con, int with_security);
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
// Slot 209: resolves a data set for writing (rskpthg, slot 205, is declared above).
int rskpthw(RSKCON* con, const char* spec, int length, const char* type, char* libref,
            member_name* member, char* physical, int report);
// The data-set readers and writers of the engine (slots 295/296, 215/216, 37/38, 19/20, 101/103),
// by slot: (library reference, member, data set name as written).
using DatasetRoutine = int (*)(RSKCON*, const char*, const char*, const char*);
DatasetRoutine dataset_routine(int slot);
// Vector 383 slot 11: stores an instrument type's actions in the catalog.
int rssclsa(RSKCON* con, RSKINSTTYPE* type, int mode);

}  // namespace zozu

// ---- Counterparty, mitigation, source and instrument data statements ----
struct dataset;
struct hash_item;
struct hash_table;
struct utilfile;
struct RSKCATOBJ;
struct interval_spec;
struct RSKCPTYCON;
struct RSKCPTYDS;
struct RSKCPTYMODEL;
struct RSKCPTYTYPE;
struct RSKCPTYVAR;
struct RSKMITIGATIONCON;
struct RSKMITDS;
struct RSKMITTYPE;

namespace zozu {

// Slots 354, 358, 357, 356, 355, 384: the counterparty container and the records it holds.
RSKCPTYCON* new_cpty_con(qor_pool* pool);
RSKCPTYVAR* new_cpty_var(qor_pool* pool, const char* name, const char* label, int32_t type, int32_t role,
                         int32_t offset, RSKVARIABLE* variable);
RSKCPTYTYPE* new_cpty_type(qor_pool* pool, const char* name, const char* method, RSKCPTYMODEL* model,
                           const char* label, int size_hint);
RSKCPTYMODEL* new_cpty_model(qor_pool* pool, void* compiled, int model_length, const char* model,
                             int function_length, const char* function);
RSKCPTYDS* new_cpty_ds(qor_pool* pool, const char* name, dataset* input, utilfile* output, int size_hint);
int cpty_add_super(qor_pool* pool, RSKCPTYTYPE* super, RSKCPTYTYPE* type);
// Slots 343, 344: free a counterparty type, a counterparty variable.
int delete_cpty_type(qor_pool* pool, RSKCPTYTYPE* type);
int delete_cpty_var(qor_pool* pool, RSKCPTYVAR* variable);
// Slots 389, 394: the catalog descriptors of the two containers.
RSKCATOBJ* new_cpty_catdesc(qor_pool* pool);
RSKCATOBJ* new_mit_catdesc(qor_pool* pool);
// Slots 364, 367, 366, 365, 352: the mitigation container and its records.
RSKMITIGATIONCON* new_mit_con(qor_pool* pool);
RSKCPTYVAR* new_mit_var(qor_pool* pool, const char* name, const char* label, int32_t type, int32_t role,
                        int32_t offset, RSKVARIABLE* variable);
RSKMITTYPE* new_mit_type(qor_pool* pool, const char* name, const char* method, const char* label, int size_hint);
RSKMITDS* new_mit_ds(qor_pool* pool, const char* name, dataset* input, int size_hint);
int mit_add_super(qor_pool* pool, RSKMITTYPE* super, RSKMITTYPE* type);
// Slots 362, 340, 350, 349, 351, 348, 347, 346: the common library's hash tables.
hash_table* new_hash_table(qor_pool* pool, int hint);
hash_item* create_hash_item(qor_pool* pool, const char* key, void* value);
int hash_insert(hash_table* table, hash_item* item);
hash_item* hash_query(const hash_table* table, const char* key);
hash_item* hash_remove(hash_table* table, const char* key);
hash_item* enumerate_table(const hash_table* table);
int del_hash_item(qor_pool* pool, hash_item* item);
int del_hash_table(qor_pool* pool, hash_table* table);
// Slots 359, 380, 345, 381: data set and utility file records.
dataset* new_dataset(qor_pool* pool, const char* libref, const char* member, int mode);
utilfile* new_utilfile(qor_pool* pool, const char* libref, const char* member, int mode);
int delete_dataset(qor_pool* pool, dataset* set);
int delete_utilfile(qor_pool* pool, utilfile* file);
// Slots of position sources (rskpos, rskposd, rskpdsd) and position data set definitions
// (rskdat, rskdatd, rskdata).
RSKCATOBJ* rskpos(RSKCON* con, const RSKNAMEREC* name);
int rskposd(RSKCON* con, RSKCATOBJ** out, const RSKNAMEREC* name, RSKCATOBJ* object);
int rskpdsd(RSKCON* con, RSKCATOBJ* object, const RSKNAMEREC* dataset);
RSKCATOBJ* rskdat(RSKCON* con, const RSKNAMEREC* name);
int rskdatd(RSKCON* con, RSKCATOBJ** out, const RSKNAMEREC* name, uint32_t format, const RSKNAMEREC* type,
            const RSKNAMEREC* dataset, RSKCATOBJ* object);
int rskdata(RSKCON* con, RSKCATOBJ* object, const RSKNAMEREC* variable, const RSKNAMEREC* column);
// Vector 383 slots 54, 57: stores an object in the catalog, loads one from it.
int rssofis(RSKCON* con, RSKCATOBJ* header, uint32_t list);
void* rssofiq(RSKCON* con, RSKCATOBJ* header, int access);
// Slots 141, 140, 298: market data set definitions (rskidsd, rskidsa) and the risk factor
// look-up of the run's table (rskvf).
int rskidsd(RSKCON* con, RSKCATOBJ** out, const RSKNAMEREC* name, uint32_t type, const interval_spec* interval,
            const RSKNAMEREC* row_column, const RSKNAMEREC* dataset, RSKCATOBJ* object);
int rskidsa(RSKCON* con, RSKCATOBJ* object, const RSKNAMEREC* risk_factor, const RSKNAMEREC* column);
RSKVARIABLE* rskvf(RSKCON* con, const RSKNAMEREC* name);

}  // namespace zozu
