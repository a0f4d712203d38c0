// Steps that the mark-to-market and GETRATES drivers share: the run date, audit notes, the output
// object of the run and its properties, and the name lists handed to routines that take arrays.
#pragma once
#include <cstdint>

#include "engine/tables/catalog_records.h"
#include "engine/tables/control_structure.h"

struct RSKNAMELIST;
struct RSKOUTOBJ;

// What differs between the drivers when they make their output object.
struct RSKDRVOUTPUT {
    const char* project;             // project name of the object: "MarkToMarket", ...
    const char* conflict_word;       // argument of 670/1180
    const char* null_object;         // internal error when the catalog gives no object
    int define_message;              // 598/number when the definition fails
    int open_message;                // 598/number when the object cannot be opened
    const RSKNAMEREC* portfolio;     // second argument of both messages, or null
    uint8_t default_name;            // an absent name becomes the project name
};

// The run date: the given one, or today when it is missing or not above 0 (1 January 2000 when
// the host option DATE is off). Stored in the run's date fields and the date system variable; the
// run start time is noted.
double rskdrv_run_date(RSKCON* con, double given);
// An audit note 598/number: with the user and the current date-time first when asked, then the
// name when one is given.
void rskdrv_audit(RSKCON* con, int number, const RSKNAMEREC* name, bool with_user);
// Defines, fetches and opens the output object of the driver: 0, or the failing step's code after
// its message. *entry and *object are set as far as they were made.
int rskdrv_output(RSKCON* con, const RSKDRVOUTPUT& how, const RSKNAMEREC* name, const RSKNAMEREC* path,
                  const char* library, RSKCATOBJ** entry, RSKOUTOBJ** object);
// Hands the run's properties (run date, currency, the object's names, options, market data
// sources, library) to catalog storage.
void rskdrv_properties(RSKCON* con, RSKOUTOBJ* object, const RSKNAMELIST* sources, const char* library);
// Stores the output object in the catalog: 0 or the catalog's code.
int rskdrv_store(RSKCON* con, RSKCATOBJ* entry);
// The names of a list as an array of name records from the run pool (null and 0 for an empty
// list); 1 when the array cannot be had.
int rskdrv_names(RSKCON* con, const RSKNAMELIST* list, RSKNAMEREC** names, int* count);
// Seconds since the run start as whole minutes and the remaining seconds.
void rskdrv_elapsed(RSKCON* con, double* minutes, double* seconds);
