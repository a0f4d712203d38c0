// What the readers of parameter matrices share: the names their messages show, the columns of
// the open data set they read (the row identifier, _TYPE_ and the matrix's numeric columns),
// the storage block of a run, and the buffers one observation is read into.
#pragma once
#include <cstddef>
#include <cstdint>
#include "engine/model/parameters/parameter_matrices.h"
#include "host/dataset.h"

// Names for messages: the definition's, the data set's and the row identifier column's.
struct PmxNames {
    int definition_length;
    const char* definition;
    int dataset_length;
    const char* dataset;
    int row_column_length;
    const char* row_column;
};

// The open data set as a reader sees it: one get list binding the row identifier, _TYPE_ and
// the matrix's columns to buffers of one observation.
struct PmxSource {
    qor_dataset* data = nullptr;
    PmxNames names{};
    int row_number = 0;              // the row identifier column; 0 when there is none
    int row_width = 0;
    int type_number = 0;             // _TYPE_ (linear transformations); 0 when there is none
    int* column_numbers = nullptr;   // per matrix column; 0 for one not read
    size_t column_numbers_bytes = 0;
    double* row_buffer = nullptr;    // the observation's values, one per matrix column
    size_t row_buffer_bytes = 0;
    char* identifier = nullptr;      // the observation's row identifier
    char type_text[8] = {};
    qor_getlist* get = nullptr;
};

// The names of the context: definition, data set and its row identifier column ("_NAME_").
PmxNames pmx_names(mds* context);
// Step 1: the row identifier column (598/2414 when it is not character; a linear
// transformation needs it, 598/2417). 0 or 1.
int pmx_find_row_column(RSKCON* con, RSKPARMATRIX* matrix, PmxSource* source);
// _TYPE_: character, else 598/2414 and 1.
int pmx_find_type_column(RSKCON* con, PmxSource* source);
// Step 2: the columns: all numeric ones but the row identifier when none are known (598/1984
// when there are none), else each known one by name (598/2419 missing, 598/2413 not numeric,
// both fail the load). 0 or 1.
int pmx_find_columns(RSKCON* con, RSKPARMATRIX* matrix, PmxSource* source);
// Binds the row identifier, _TYPE_ and the columns found to the source's buffers. 0 or 1.
int pmx_bind(RSKCON* con, RSKPARMATRIX* matrix, PmxSource* source);
// The number of observations; -1 after 598/2415.
long pmx_observations(RSKCON* con, PmxSource* source);
// Reads the next observation into the buffers: 0, 1 at the end, -1 after 598/2415 or 2416.
int pmx_next(RSKCON* con, PmxSource* source);
// Gives back what the source holds (the data set stays open).
void pmx_release(RSKCON* con, PmxSource* source);
// The storage block for the matrix's rows and columns, values missing, flags 0, the column
// vector zeroed; means 0 and deviations 1 for a linear transformation. 0 or 1 (598/2797).
int pmx_storage(RSKCON* con, RSKPARMATRIX* matrix);
// The identifier's length without leading and trailing blanks; *start its first character.
int pmx_stripped(const char* text, int width, const char** start);
