// Output objects: the named directory a project run writes its results into, assigned as the
// library RESLIB1 for the run, with the list of result files it holds and the archive of a run.
#pragma once
#include <cstdint>

#include "engine/tables/catalog_records.h"
#include "engine/tables/control_structure.h"
#include "engine/tables/output_records.h"

struct RSKRESDS;
struct RSKPROJECT;

constexpr int kRskOutputChunk = 10;          // output records per refill
constexpr int kRskOutputFileChunk = 10;      // file entries per refill

// ---- Entry-table routines (slots 161 to 166) ----

// The output object (catalog object of kind 39) of that name, or null.
RSKCATOBJ* rskout(RSKCON* con, const RSKNAMEREC* name);
// Defines or redefines an output object under the parent directory `path` (null or empty: the
// environment's directory) and makes (RSKOUTD_CREATE) or verifies (RSKOUTD_VERIFY) its
// directory; RSKOUTD_LOAD verifies without failing, for objects read back from the catalog. An
// empty name means "risk_results"; blanks and '/' become '_' (note 598/1402); "." and ".." are
// refused. `existing` is the catalog object when the caller has it; `description` goes to the
// catalog with a new object. *out gets the object or null. 0, or 1 after a message.
int rskoutd(RSKCON* con, RSKCATOBJ** out, const RSKNAMEREC* name, const RSKNAMEREC* description,
            const RSKNAMEREC* path, int create, RSKCATOBJ* existing);
enum : int { RSKOUTD_VERIFY = 0, RSKOUTD_CREATE = 1, RSKOUTD_LOAD = 2 };
// Gives the object's file entries and the object back to their free lists. 0.
int rskoutf(RSKCON* con, RSKOUTOBJ* object);
// Prints the object (lines 598/2191 to 2198). 0.
int rskoutp(RSKCON* con, RSKOUTOBJ* object);
// Finds the object's existing directory without making it: under `path` when given, else under
// the environment's directory (then the held environment's). 0 found, 1 not (path length 0).
int rskoutv(RSKCON* con, RSKOUTOBJ* object, RSKENV* environment, const RSKNAMEREC* path);
// Removes the object's stored results (its own directory only) and the object. 0 or 1.
int rskoutx(RSKCON* con, const RSKNAMEREC* name);

// ---- Run-time operations ----

// Opens the object for a run: with `open`, assigns its directory a libref and sets RESLIB1, and
// empties the file list; note 598/1400; copies project name, run name and run time. 0 or 1.
int rskouto(RSKCON* con, RSKOUTOBJ* object, int32_t role, int stored, int open);
// Closes the run's result data sets in the fixed order of kinds, appending them to the archive
// when the run names one; clears the run's result records. The largest code.
int rskoutc(RSKCON* con, RSKOUTOBJ* object);
// Closes one result data set: one without rows is deleted (MODCOV stays); a closed one is
// appended to the open archive. 0, or the host's close code.
int rskputc(RSKCON* con, RSKRESDS* result);

// Adds a file entry to the object's list; null after 598/2797.
RSKOUTFILE* rskout_add_file(RSKCON* con, RSKOUTOBJ* object, int32_t file_kind, int32_t result_kind,
                            const char* member, int member_length, const char* path, int path_length);
// Unlinks a file entry from the object's list and gives it back (tail and count kept right).
void rskout_remove_file(RSKCON* con, RSKOUTOBJ* object, RSKOUTFILE* file);

// ---- Archive of a run (the run block's archive record) ----

// Opens the archive in `path`: makes the path full and the directory when missing, assigns a
// libref and takes the member name from SYSJOBID. 0, or 1 after 598/1421, 1422 or 1423.
int rskarco(RSKCON* con, const char* path, int path_length, double run_time);
// Appends the member `member` of the object's library to the archive member. 0 or the code of
// the submission.
int rskarca(RSKCON* con, const RSKOUTOBJ* object, const char* member, int member_length);
// Closes the archive. 0.
int rskarcc(RSKCON* con);
