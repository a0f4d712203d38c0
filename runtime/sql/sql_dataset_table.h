// The virtual-table module "qor_dataset": a data set of a query run as a read-only SQLite table,
// numbers as REAL (missing values as code blobs), character values right-trimmed.
#pragma once
#include <sqlite3.h>

#include <string>

namespace qor::runtime::sql {

class QueryRun;

// Registers the module on a connection for the sources of `run`: SQLITE_OK or SQLite's code.
// A table is made with CREATE VIRTUAL TABLE temp.name USING qor_dataset(<source index>).
int register_dataset_module(sqlite3* db, QueryRun* run);

// The declared type of a column: "REAL_S<source>_V<variable>" or
// "CHAR_<length>_S<source>_V<variable>" (SQLite reads REAL and TEXT affinity from them), so that
// a result column taken straight from a data set can find its variable again.
std::string declared_type(bool numeric, int length, size_t source, int variable);
// Reads a declared type back: false when it is not one of ours.
bool parse_declared_type(const char* type, bool* numeric, int* length, size_t* source,
                         int* variable);

}  // namespace qor::runtime::sql
