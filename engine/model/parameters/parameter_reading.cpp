// The pieces the parameter matrix readers share: finding the row identifier, _TYPE_ and the
// matrix's columns in the open data set, binding them to one observation's buffers, reading
// observation after observation, and the storage block of a run.
#include <cstring>

#include "common/memory/pool_memory.h"
#include "engine/model/control/out_of_memory.h"
#include "engine/model/parameters/parameter_reading.h"
#include "engine/model/services/files.h"
#include "engine/model/variables/variable_texts.h"
#include "host/missing.h"
#include "host/print.h"

namespace {

// The type of variable `number`; 0 when it cannot be described.
int type_of(qor_dataset* data, int number, qor_var_desc* desc) {
    if (xvname(data, number, desc) != 0) return 0;
    return desc->type;
}

void* general_alloc(RSKCON* con, size_t bytes, const char* label) {
    void* block = vmalcp_handler(con->general_pool, bytes, QOR_ALLOC_ZERO);
    if (block == nullptr) rsknomem(con, bytes, label);
    return block;
}

}  // namespace

int pmx_stripped(const char* text, int width, const char** start) {
    int from = 0;
    int to = width;
    while (to > 0 && (text[to - 1] == ' ' || text[to - 1] == '\0')) --to;
    while (from < to && text[from] == ' ') ++from;
    *start = text + from;
    return to - from;
}

int pmx_find_row_column(RSKCON*, RSKPARMATRIX* matrix, PmxSource* source) {
    const PmxNames& n = source->names;
    int number = 0;
    if (xvfind(source->data, n.row_column, n.row_column_length, &number, 0) == 0 && number > 0) {
        qor_var_desc desc{};
        if (type_of(source->data, number, &desc) == QOR_VAR_CHARACTER) {
            source->row_number = number;
            source->row_width = desc.length;
        } else {
            xpmlog(598, 2414, n.row_column_length, n.row_column, n.dataset_length, n.dataset, n.definition_length,
                   n.definition);
        }
    }
    if (source->row_number == 0 && matrix->linear_transformation) {
        xpmlog(598, 2417, n.row_column_length, n.row_column, RSK_NAME(matrix->name), n.dataset_length, n.dataset);
        return 1;
    }
    return 0;
}

int pmx_find_type_column(RSKCON*, PmxSource* source) {
    const PmxNames& n = source->names;
    int number = 0;
    qor_var_desc desc{};
    if (xvfind(source->data, "_TYPE_", 6, &number, 0) == 0 && number > 0 &&
        type_of(source->data, number, &desc) == QOR_VAR_CHARACTER) {
        source->type_number = number;
        return 0;
    }
    xpmlog(598, 2414, 6, "_TYPE_", n.dataset_length, n.dataset, n.definition_length, n.definition);
    return 1;
}

int pmx_find_columns(RSKCON* con, RSKPARMATRIX* matrix, PmxSource* source) {
    const PmxNames& n = source->names;
    if (!matrix->columns.known) {
        int32_t variables = 0;
        if (xoinfo(source->data, QOR_INFO_VARIABLES, &variables) != 0) variables = 0;
        int count = 0;
        qor_var_desc desc{};
        for (int v = 1; v <= variables; ++v)
            if (v != source->row_number && type_of(source->data, v, &desc) == QOR_VAR_NUMERIC) ++count;
        if (count == 0) {
            xpmlog(598, 1984, RSK_NAME(matrix->name));
            return 1;
        }
        if (rskpidm(con, &matrix->columns, count, 1) != 0) return 1;
        source->column_numbers_bytes = sizeof(int) * static_cast<size_t>(count);
        source->column_numbers = static_cast<int*>(general_alloc(con, source->column_numbers_bytes, "parameter matrix"));
        if (source->column_numbers == nullptr) return 1;
        int index = 0;
        for (int v = 1; v <= variables && index < count; ++v) {
            if (v == source->row_number || type_of(source->data, v, &desc) != QOR_VAR_NUMERIC) continue;
            rskpida(con, &matrix->columns, desc.name, desc.name_length, index);
            source->column_numbers[index++] = v;
        }
        return 0;
    }
    const int count = matrix->columns.count;
    source->column_numbers_bytes = sizeof(int) * static_cast<size_t>(count > 0 ? count : 1);
    source->column_numbers = static_cast<int*>(general_alloc(con, source->column_numbers_bytes, "parameter matrix"));
    if (source->column_numbers == nullptr) return 1;
    int result = 0;
    int found = 0;
    for (int c = 0; c < count; ++c) {
        const RSKIDENTRY& column = matrix->columns.entries[c];
        int number = 0;
        qor_var_desc desc{};
        if (column.length == 0 || xvfind(source->data, column.identifier, column.length, &number, 0) != 0 ||
            number == 0) {
            xpmlog(598, 2419, static_cast<int>(column.length), column.identifier, RSK_NAME(matrix->name),
                   n.dataset_length, n.dataset, n.definition_length, n.definition);
            result = 1;
        } else if (type_of(source->data, number, &desc) != QOR_VAR_NUMERIC) {
            xpmlog(598, 2413, static_cast<int>(column.length), column.identifier, n.dataset_length, n.dataset,
                   n.definition_length, n.definition);
            result = 1;
        } else {
            source->column_numbers[c] = number;
            ++found;
        }
    }
    if (found == 0 && result == 0) {
        xpmlog(598, 1984, RSK_NAME(matrix->name));
        result = 1;
    }
    return result;
}

int pmx_bind(RSKCON* con, RSKPARMATRIX* matrix, PmxSource* source) {
    const int columns = matrix->columns.count;
    source->row_buffer_bytes = sizeof(double) * static_cast<size_t>(columns > 0 ? columns : 1);
    source->row_buffer = static_cast<double*>(general_alloc(con, source->row_buffer_bytes, "parameter matrix"));
    if (source->row_buffer == nullptr) return 1;
    if (source->row_number > 0) {
        source->identifier = static_cast<char*>(general_alloc(con, static_cast<size_t>(source->row_width), "parameter matrix"));
        if (source->identifier == nullptr) return 1;
    }
    const PmxNames& n = source->names;
    int rc = xvgeti(source->data, columns + 2, &source->get);
    if (rc == 0 && source->row_number > 0) rc = xvgetd(source->get, source->row_number, source->identifier, source->row_width);
    if (rc == 0 && source->type_number > 0)
        rc = xvgetd(source->get, source->type_number, source->type_text, static_cast<int>(sizeof source->type_text));
    for (int c = 0; c < columns && rc == 0; ++c)
        if (source->column_numbers[c] > 0) rc = xvgetd(source->get, source->column_numbers[c], &source->row_buffer[c], 8);
    if (rc == 0) rc = xvgete(source->get);
    if (rc != 0) {
        if (rc == QOR_DS_NO_STORAGE) {
            rsknomem(con, 0, "parameter matrix");
        } else {
            xpmlog(598, 2416, n.dataset_length, n.dataset, n.definition_length, n.definition);
        }
        return 1;
    }
    return 0;
}

long pmx_observations(RSKCON*, PmxSource* source) {
    int64_t observations = 0;
    if (xoinfo(source->data, QOR_INFO_OBSERVATIONS, &observations) != 0 || observations < 0) {
        const PmxNames& n = source->names;
        xpmlog(598, 2415, n.dataset_length, n.dataset, n.definition_length, n.definition);
        return -1;
    }
    return static_cast<long>(observations);
}

int pmx_next(RSKCON*, PmxSource* source) {
    qor_obs_request request{};
    request.dataset = source->data;
    const PmxNames& n = source->names;
    const int rc = xoget(&request, QOR_GET_NEXT);
    if (rc == QOR_DS_END_OF_DATA) return 1;
    if (rc != 0) {
        xpmlog(598, 2415, n.dataset_length, n.dataset, n.definition_length, n.definition);
        return -1;
    }
    if (xyvget(source->get, 0) != 0) {
        xpmlog(598, 2416, n.dataset_length, n.dataset, n.definition_length, n.definition);
        return -1;
    }
    return 0;
}

void pmx_release(RSKCON* con, PmxSource* source) {
    xvgett(source->get);
    source->get = nullptr;
    if (source->column_numbers != nullptr)
        vmfree_handler(con->general_pool, source->column_numbers, source->column_numbers_bytes, QOR_FREE_SIZED);
    source->column_numbers = nullptr;
    if (source->row_buffer != nullptr)
        vmfree_handler(con->general_pool, source->row_buffer, source->row_buffer_bytes, QOR_FREE_SIZED);
    source->row_buffer = nullptr;
    if (source->identifier != nullptr)
        vmfree_handler(con->general_pool, source->identifier, static_cast<size_t>(source->row_width), QOR_FREE_SIZED);
    source->identifier = nullptr;
}

int pmx_storage(RSKCON* con, RSKPARMATRIX* matrix) {
    const size_t rows = static_cast<size_t>(matrix->rows.count);
    const size_t columns = static_cast<size_t>(matrix->columns.count);
    const size_t doubles = columns + rows + rows * columns + (matrix->linear_transformation ? 2 * columns : 0);
    const size_t bytes = sizeof(double) * (doubles > 0 ? doubles : 1);
    auto* block = static_cast<double*>(rskpmx_run_alloc(con, bytes));
    if (block == nullptr) {
        rsknomem(con, bytes, "parameter matrix");
        return 1;
    }
    matrix->storage = block;
    matrix->storage_bytes = bytes;
    matrix->column_vector = block;                 // zeroed with the block
    matrix->row_flags = block + columns;           // 0: no row seen yet
    matrix->values = matrix->row_flags + rows;
    const double missing = qor::missing();
    for (size_t i = 0; i < rows * columns; ++i) matrix->values[i] = missing;
    if (matrix->linear_transformation) {
        matrix->means = matrix->values + rows * columns;
        matrix->deviations = matrix->means + columns;
        for (size_t c = 0; c < columns; ++c) matrix->deviations[c] = 1.0;
    } else {
        matrix->means = matrix->deviations = nullptr;
    }
    matrix->run_pool = con->run_pool;
    return 0;
}
