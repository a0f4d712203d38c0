// Shared helpers of the catalog data sets of definitions (variables, types, arrays, references,
// categories): opening with the right message, labelled output columns, input columns checked by
// name and kind, row values, and BY-group reading in the order the rows were written.
#pragma once
#include <cstdint>
#include "engine/tables/control_structure.h"
#include "host/dataset.h"

// A column of a catalog data set: name, host type, width and the message whose text labels it.
struct RskColumn {
    const char* name;
    int type;                        // QOR_VAR_NUMERIC or QOR_VAR_CHARACTER
    int length;
    int label;                       // message of table 598
};

// A catalog data set named for messages as "LIBREF.MEMBER" (or the caller's name).
struct RskCatalogDataset {
    qor_dataset* handle;
    qor_byreader* groups;
    char name[50];
};

// Opens for input or output (QOR_OPEN_*); 0, or 1 after 598/1001.
int rskds_open(RskCatalogDataset* ds, const char* libref, const char* member, const char* dsname, int mode);
// Closes; keep 0 abandons what was written. 0, or 1 after the host's message.
int rskds_close(RskCatalogDataset* ds, int keep);
// Defines the output columns in order, bound to `sources` (doubles for numeric columns, buffers
// of the column's width for character ones). 0, or 1 after the host's message (*put freed).
int rskds_define(RskCatalogDataset* ds, const RskColumn* columns, int count, void* const* sources,
                 qor_putlist** put);
// Appends the bound values as the next row. 0, or 1 after the host's message.
int rskds_put(RskCatalogDataset* ds, qor_putlist* put);
// Ends a write: frees the column bindings and closes, keeping the data set only when no row
// failed (a failed write leaves the previous data set in place). 0, or 1.
int rskds_finish(RskCatalogDataset* ds, qor_putlist* put, int failed);
// Finds an input column: its number in *number (0 when absent). 0; 1 after 598/1002 when a
// required column is absent, 598/1003 (numeric expected) or 598/1004 (character expected).
int rskds_column(RskCatalogDataset* ds, const char* name, int type, int required, int* number);
// Starts BY-group reading over one column, groups of neighbouring equal values. 0 or 1.
int rskds_groups(RskCatalogDataset* ds, int column);
// Reads the next row of the groups: 0 and *last (the row ends its group); 1 at the end or on
// a failure (after the host's message).
int rskds_next(RskCatalogDataset* ds, bool* first, bool* last);
// Reads the current group again from its first row. 0 or 1.
int rskds_rewind(RskCatalogDataset* ds);
// Reads the next row without groups: 0; 1 at the end or on a failure.
int rskds_row(RskCatalogDataset* ds);
// Column values of the current row: text stripped of leading and trailing blanks into `out`
// (capacity bytes, not terminated) with its length; a number (missing when absent or unset).
int rskds_text(RskCatalogDataset* ds, int number, char* out, int capacity);
double rskds_number(RskCatalogDataset* ds, int number);
// Blank-fills `field` of `width` bytes and copies at most width bytes of text into it.
void rskds_fill(char* field, int width, const char* text, int length);
