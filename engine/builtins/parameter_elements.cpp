// PMXELEM: an element, a row or a column of a parameter matrix, the keys given by position
// (numbers from 1) or by label. Rows and columns are copied into the method's array, never bound
// to the matrix, so that a method cannot change the run's data under other threads.
#include <atomic>
#include <cmath>
#include <cstring>

#include "engine/builtins/builtin_support.h"
#include "engine/compiler/compile_control.h"
#include "engine/compiler/special_functions.h"
#include "engine/model/parameters/parameter_matrices.h"
#include "engine/model/services/catalog.h"
#include "engine/model/variables/variable_record.h"
#include "engine/model/variables/variable_texts.h"
#include "host/print.h"

namespace {

constexpr const char* kName = "PMXELEM";

// The result array: its element addresses and count after sizing a resizable one to `wanted`.
// A fixed array keeps its length.
double* const* result_cells(cmp_instance* instance, cmp_arg_value& result, int wanted, int* count) {
    *count = 0;
    if (result.kind != CMP_ARG_ARRAY) return nullptr;
    if (result.symbol != nullptr && cmpmtrxs(instance, result.symbol, wanted, 0) == 0) {
        double* const* cells = cmpmtrxa(instance, result.symbol);
        if (cells != nullptr) {
            *count = wanted;
            return cells;
        }
    }
    *count = result.count;
    return result.elements;
}

// Copies n values `stride` apart (all missing when `from` is null) into the result; a fixed
// array shorter than n gets its first values and 598/2850.
int copy_vector(cmp_instance* instance, cmp_arg_value& result, const double* from, int n, int stride) {
    int length = 0;
    double* const* cells = result_cells(instance, result, n, &length);
    if (cells == nullptr) return 1;
    for (int i = 0; i < length; ++i)
        *cells[i] = from != nullptr && i < n ? from[static_cast<long>(i) * stride] : qor::missing();
    if (length < n) {
        const char* name = result.symbol != nullptr ? cmpsymname(result.symbol) : "";
        xpmlog(598, 2850, static_cast<int>(std::strlen(name)), name, length, n);
    }
    return 0;
}

}  // namespace

RSKPARMATRIX* builtin_matrix(RSKCON* con, const RSKVARIABLE* variable) {
    if (con == nullptr || variable == nullptr || variable->kind != RSKVKIND_PARMAT) return nullptr;
    RSKCATOBJ* object = rskpmx(con, &variable->name.name);
    if (object == nullptr) return nullptr;
    auto* matrix = static_cast<RSKPARMATRIX*>(object->object);
    return matrix != nullptr && matrix->values != nullptr ? matrix : nullptr;
}

int get_pmx_index(RSKCON* con, const RSKPARMATRIX* matrix, int columns, const cmp_arg_value& key, int* index) {
    const RSKIDMAP& map = columns ? matrix->columns : matrix->rows;
    *index = -1;
    if (key.type == 'n') {
        const double position = key.number != nullptr ? *key.number : qor::missing();
        if (qor::is_missing(position) || position < 1 || position >= static_cast<double>(map.count) + 1) {
            if (rskbif_count(con, RSKBIF_MATRIX, kName) != 0)
                xpmlog(598, 3329, RSK_NAME(matrix->name), columns ? "column" : "row", map.count);
            return 1;
        }
        *index = static_cast<int>(std::trunc(position)) - 1;
        return 0;
    }
    char label[40];
    const int length = builtin_text(key, label, sizeof label);
    const RSKIDENTRY* entry = length > 0 ? rskpid(con, &map, label, length) : nullptr;
    if (entry == nullptr) {
        if (rskbif_count(con, RSKBIF_MATRIX, kName) != 0) xpmlog(598, 3322, length, label);
        return 1;
    }
    *index = entry->index;
    return 0;
}

int rskpme(const cmp_function_record* fn, cmp_arg_value* args, int nargs, const cmp_exec_context* exec,
           cmp_instance* instance, void* hidden) {
    RSKCON* con = builtin_con(fn);
    auto* record = static_cast<RSKREFCALL*>(hidden);
    if (record == nullptr) {
        xpmlog(598, 3928, kName);
        return 1;
    }
    RSKBUILTINRUN* run = builtin_run(con);
    if (run != nullptr && std::atomic_ref<uint8_t>(run->pricing_failed).load() != 0) return 1;
    if (nargs < 4) return 1;
    const bool row_given = args[2].kind != CMP_ARG_OMITTED;
    const bool column_given = args[3].kind != CMP_ARG_OMITTED;
    const int kind = !column_given ? RSKLP_PMX_ROW : !row_given ? RSKLP_PMX_COLUMN : RSKLP_PMX_ELEMENT;
    if (kind == RSKLP_PMX_ELEMENT && args[4].number != nullptr) *args[4].number = qor::missing();

    const RSKCMPCON* handle = builtin_handle(fn);
    RSKVARIABLE* named = record->con == nullptr ? builtin_argument_variable(con, exec, args[1]) : nullptr;
    RSKPARMATRIX* matrix = nullptr;
    if (resolve_reference(con, record, handle != nullptr ? handle->current_type : nullptr, named) == 0)
        matrix = builtin_matrix(con, record->object);
    if (matrix == nullptr) {
        if (rskbif_count(con, RSKBIF_MATRIX, kName) != 0) {
            const RSKVARIABLE* v = record->variable;
            xpmlog(598, 1971, v != nullptr ? static_cast<int>(v->name.name.length) : 0, v != nullptr ? v->name.name.text : "");
        }
        if (kind != RSKLP_PMX_ELEMENT) copy_vector(instance, args[4], nullptr, 0, 1);
        return 1;
    }
    const int m = matrix->rows.count;
    const int n = matrix->columns.count;
    int row = -1, column = -1;
    if (row_given && get_pmx_index(con, matrix, 0, args[2], &row) != 0) row = -1;
    if (column_given && get_pmx_index(con, matrix, 1, args[3], &column) != 0) column = -1;
    switch (kind) {
    case RSKLP_PMX_ELEMENT:
        if (row >= 0 && column >= 0 && args[4].number != nullptr)
            *args[4].number = matrix->values[static_cast<long>(row) * n + column];
        return 0;
    case RSKLP_PMX_ROW:
        return copy_vector(instance, args[4], row >= 0 ? matrix->values + static_cast<long>(row) * n : nullptr, n, 1);
    default:
        return copy_vector(instance, args[4], column >= 0 ? matrix->values + column : nullptr, m, n);
    }
}
