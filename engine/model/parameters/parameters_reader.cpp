// Reading a Parameters data set into a matrix: rows named by the row identifier column (or
// one unnamed row per observation), the numeric columns the matrix names (or all of them),
// and each observation's values stored in its row.
#include <cstring>

#include "common/files/dataset.h"
#include "engine/model/parameters/parameter_reading.h"
#include "engine/model/services/files.h"
#include "engine/model/variables/variable_texts.h"
#include "host/print.h"

namespace {

// Steps 1 to 4: the columns, the rows, the storage and the bindings. 0 or 1.
int prepare(RSKCON* con, RSKPARMATRIX* matrix, PmxSource* source, bool* rows_known) {
    if (pmx_find_row_column(con, matrix, source) != 0) return 1;
    if (pmx_find_columns(con, matrix, source) != 0) return 1;
    *rows_known = matrix->rows.known != 0;
    if (!*rows_known) {
        // One row per observation, named by its identifier when it has one.
        const long observations = pmx_observations(con, source);
        if (observations < 0 || rskpidm(con, &matrix->rows, static_cast<int>(observations), 1) != 0) return 1;
    } else if (source->row_number == 0) {
        const PmxNames& n = source->names;
        xpmlog(598, 1985, RSK_NAME(matrix->name), n.dataset_length, n.dataset);
        return 1;
    }
    if (pmx_storage(con, matrix) != 0) return 1;
    return pmx_bind(con, matrix, source);
}

// Step 6: a named row the data did not hold.
int report_absent_rows(RSKPARMATRIX* matrix, const PmxSource& source) {
    const PmxNames& n = source.names;
    for (int r = 0; r < matrix->rows.count; ++r) {
        if (matrix->row_flags[r] > 0) continue;
        const RSKIDENTRY& row = matrix->rows.entries[r];
        xpmlog(598, 2409, static_cast<int>(row.length), row.identifier, RSK_NAME(matrix->name), n.dataset_length,
               n.dataset, n.definition_length, n.definition);
    }
    return 0;
}

}  // namespace

int read_data(RSKCON* con, RSKPARMATRIX* matrix, mds* context) {
    PmxSource source;
    source.data = context->data;
    source.names = pmx_names(context);
    if (source.data == nullptr) {
        xpmlog(598, 2415, source.names.dataset_length, source.names.dataset, source.names.definition_length,
               source.names.definition);
        return 1;
    }
    bool rows_known = false;
    int rc = prepare(con, matrix, &source, &rows_known);
    const int columns = matrix->columns.count;
    const size_t row_bytes = sizeof(double) * static_cast<size_t>(columns);
    for (int observation = 0; rc == 0; ++observation) {
        const int step = pmx_next(con, &source);
        if (step == 1) break;
        if (step != 0) {
            rc = 1;
            break;
        }
        if (!rows_known && observation >= matrix->rows.count) break;   // the data set grew meanwhile
        int row = observation;
        if (source.row_number > 0) {
            const char* id = nullptr;
            const int length = pmx_stripped(source.identifier, source.row_width, &id);
            if (!rows_known) {
                rskpida(con, &matrix->rows, id, length, row);
            } else {
                const RSKIDENTRY* entry = rskpid(con, &matrix->rows, id, length);
                if (entry == nullptr) continue;
                row = entry->index;
                matrix->row_flags[row] = 1.0;
            }
        }
        // Columns not read keep their missing values.
        double* values = matrix->values + static_cast<size_t>(row) * static_cast<size_t>(columns);
        if (source.column_numbers != nullptr) {
            for (int c = 0; c < columns; ++c)
                if (source.column_numbers[c] > 0) values[c] = source.row_buffer[c];
        } else {
            std::memcpy(values, source.row_buffer, row_bytes);
        }
    }
    if (rc == 0 && rows_known) report_absent_rows(matrix, source);
    pmx_release(con, &source);
    return rc;
}
