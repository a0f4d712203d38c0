// Reading a LinTrans data set: the pattern rows of a linear transformation and the means and
// standard deviations of its columns, told apart by _TYPE_; and, to prepare a transformation,
// only the identifiers of its rows and columns.
#include <cstring>

#include "common/files/dataset.h"
#include "engine/model/parameters/parameter_reading.h"
#include "engine/model/services/files.h"
#include "engine/model/variables/variable_texts.h"
#include "host/print.h"

namespace {

bool type_is(const PmxSource& source, const char* word) {
    return std::strncmp(source.type_text, word, std::strlen(word)) == 0;
}

int open_source(PmxSource* source, mds* context) {
    source->data = context->data;
    source->names = pmx_names(context);
    if (source->data != nullptr) return 0;
    xpmlog(598, 2416, source->names.dataset_length, source->names.dataset, source->names.definition_length,
           source->names.definition);
    return 1;
}

}  // namespace

int read_lintrans_data(RSKCON* con, RSKPARMATRIX* matrix, mds* context) {
    PmxSource source;
    if (open_source(&source, context) != 0) return 1;
    int rc = pmx_find_row_column(con, matrix, &source);
    if (rc == 0 && (!matrix->rows.known || !matrix->columns.known)) {
        xpmlog(598, 1986, RSK_NAME(matrix->name));
        rc = 1;
    }
    if (rc == 0) rc = pmx_find_columns(con, matrix, &source);
    if (rc == 0) rc = pmx_find_type_column(con, &source);
    if (rc == 0) rc = pmx_storage(con, matrix);
    if (rc == 0) rc = pmx_bind(con, matrix, &source);
    const size_t columns = static_cast<size_t>(matrix->columns.count);
    while (rc == 0) {
        const int step = pmx_next(con, &source);
        if (step == 1) break;
        if (step != 0) {
            xebug("rskpmx0: read_lintrans_data: i/o error.");
            rc = 1;
            break;
        }
        double* target = nullptr;
        if (type_is(source, "MEAN")) {
            target = matrix->means;
        } else if (type_is(source, "STD")) {
            target = matrix->deviations;
        } else if (type_is(source, "PATTERN")) {
            const char* id = nullptr;
            const int length = pmx_stripped(source.identifier, source.row_width, &id);
            const RSKIDENTRY* entry = rskpid(con, &matrix->rows, id, length);
            if (entry == nullptr) continue;
            matrix->row_flags[entry->index] = 1.0;
            target = matrix->values + static_cast<size_t>(entry->index) * columns;
        }
        if (target == nullptr) continue;
        for (size_t c = 0; c < columns; ++c)
            if (source.column_numbers[c] > 0) target[c] = source.row_buffer[c];
    }
    pmx_release(con, &source);
    return rc;
}

int get_row_column_from_data(RSKCON* con, RSKPARMATRIX* matrix, mds* context) {
    PmxSource source;
    if (open_source(&source, context) != 0) return 1;
    int rc = pmx_find_row_column(con, matrix, &source);
    if (rc == 0) rc = pmx_find_columns(con, matrix, &source);
    // The pattern observations are the rows; the MEAN and STD observations are not.
    const bool typed = rc == 0 && pmx_find_type_column(con, &source) == 0;
    if (rc == 0) rc = pmx_bind(con, matrix, &source);
    if (rc == 0 && !matrix->rows.known) {
        int rows = 0;
        for (int step = pmx_next(con, &source); step != 1; step = pmx_next(con, &source)) {
            if (step != 0) {
                rc = 1;
                break;
            }
            if (!typed || type_is(source, "PATTERN")) ++rows;
        }
        qor_obs_request request{};
        request.dataset = source.data;
        if (rc == 0 && xopnt(&request, QOR_POINT_FIRST) != 0) rc = 1;
        if (rc == 0) rc = rskpidm(con, &matrix->rows, rows, 1);
        for (int row = 0; rc == 0 && row < rows;) {
            const int step = pmx_next(con, &source);
            if (step != 0) {
                rc = 1;
                break;
            }
            if (typed && !type_is(source, "PATTERN")) continue;
            const char* id = nullptr;
            const int length = pmx_stripped(source.identifier, source.row_width, &id);
            rskpida(con, &matrix->rows, id, length, row++);
        }
    }
    pmx_release(con, &source);
    if (rc == 0) matrix->rows.known = matrix->columns.known = 1;
    return rc;
}
