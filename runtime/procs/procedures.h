// Procedures built into the runtime: each runs a step itself and returns its end code.
#pragma once
#include "host/anchor.h"

namespace qor::runtime {

using builtin_procedure_fn = int (*)(qor_step* step);

// The built-in procedure of an upper-case name; null when the name is not one.
builtin_procedure_fn find_builtin_procedure(const char* name);

// PROC OPTIONS: lists every host option and its value on the print file.
int proc_options(qor_step* step);

// PROC IMPORT: reads a CSV file with a header row into a data set.
int proc_import(qor_step* step);

// PROC EXPORT: writes a data set to a CSV file with a header row.
int proc_export(qor_step* step);

// PROC PRINT: lists a data set's observations on the print file.
int proc_print(qor_step* step);

// PROC SQL: CREATE TABLE and CREATE VIEW over the library's data sets and views.
int proc_sql(qor_step* step);

// PROC SORT: a stable sort by BY variables, in memory or by merging sorted runs in WORK.
int proc_sort(qor_step* step);

// PROC TRANSPOSE: observations become variables, per BY group, named by an ID variable.
int proc_transpose(qor_step* step);

// PROC DATASETS: deletes and copies the members of a library.
int proc_datasets(qor_step* step);

// PROC APPEND: adds the observations of DATA= to BASE= (created when missing).
int proc_append(qor_step* step);

}  // namespace qor::runtime
