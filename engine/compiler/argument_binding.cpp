// Binding a method's arguments to the compiler before its source is pushed: each environment
// object is declared by the binder its kind and use code choose, at the storage it lives in.
#include "engine/compiler/compiler_driver.h"
#include "engine/compiler/program_phases.h"
#include "engine/model/arrays/arrays.h"
#include "engine/model/services/compiler.h"
#include "engine/model/variables/variable_record.h"
#include "engine/model/variables/variables.h"

namespace {

// Use codes of an argument that the binders tell apart.
enum : uint32_t {
    USE_ARRAY_HANDLE = 221, USE_ARRAY_ELEMENTS = 222, USE_ARRAY_FURTHER = 223, USE_ARRAY_DIM = 224,
    USE_DERIVATIVES1 = 225, USE_DERIVATIVES2 = 226, USE_VOLATILITY = 227, USE_CELL = 228,
    USE_LAG_VECTOR = 232, USE_LAG_COUNT = 234, USE_MATRIX_ROWS = 244, USE_MATRIX_COLUMNS = 245,
    USE_CASHFLOW_SUM = 256, USE_CASHFLOW_COUNT = 257,
};
enum : uint32_t { DTYPE_CHAR = 2, DTYPE_CHAR_LONG = 10, DTYPE_PARMAT = 70 };

// The collection a variable's storage belongs to: market values, instrument values, or none.
int storage_class(const RSKVARIABLE* variable) {
    switch (variable->kind) {
        case RSKVKIND_FACTOR:
        case RSKVKIND_STATE: return 1;
        case RSKVKIND_INSTRUMENT: return 2;
        default: return 0;
    }
}

// Declares one argument; a null storage address is reported and fails the binding.
int declare(RSKCON* con, RSKSYMENTRY* arg, int kind, int first, int second, void* data, int collect) {
    if (data == nullptr && collect == 0) {
        xpslog("%1zUnable to link %*s to CMP since addr is NULL.", arg->name_length, arg->name);
        return 1;
    }
    arg->symbol_kind = kind;
    return rsklsym(arg, kind, first, second, data, con, collect) == nullptr ? 1 : 0;
}

int dimension_of(const RSKVARIABLE* variable) { return static_cast<int>(variable->element_count); }

// The further value cells of a variable: the first and second derivatives (made on demand for
// an array), the maturities of an array; the value storage for the other codes.
void* value_cell(RSKCON* con, RSKVARIABLE* v, int32_t code) {
    switch (code) {
        case USE_DERIVATIVES1:
            if (v->data_type == RSKDTYPE_ARRAY && v->first_derivatives == nullptr) rskaryd(con, v, 1);
            return v->first_derivatives;
        case USE_DERIVATIVES2:
            if (v->data_type == RSKDTYPE_ARRAY && v->second_derivatives == nullptr) rskaryd(con, v, 2);
            return v->second_derivatives;
        case USE_ARRAY_FURTHER: return v->data_type == RSKDTYPE_ARRAY ? static_cast<void*>(v->maturities) : v->value;
        default: return v->value;
    }
}

// The cash-flow object: a count or sum is a number, the flows a vector of its dimension.
int cast_cashflow(RSKCON* con, RSKSYMENTRY* arg);

int cast_lag(RSKCON* con, RSKSYMENTRY* arg) {
    RSKVARIABLE* v = arg->variable;
    switch (arg->type_code) {
        case USE_LAG_COUNT: return declare(con, arg, RSKSK_NUMBER, 8, 0, &v->element_count, 0);
        case USE_LAG_VECTOR: return declare(con, arg, RSKSK_VECTOR, dimension_of(v), 0, v->value, storage_class(v));
        default: return declare(con, arg, RSKSK_VECTOR, dimension_of(v), 0, v->value, 0);
    }
}

int cast_default(RSKCON* con, RSKSYMENTRY* arg) {
    RSKVARIABLE* v = arg->variable;
    if (v->kind == RSKVKIND_LAGVAL || arg->type_code == USE_LAG_VECTOR || arg->type_code == USE_LAG_COUNT)
        return cast_lag(con, arg);
    int kind = v->value_class == 3 ? RSKSK_NUMBER_ADDRESS : v->value_class == 2 ? RSKSK_CHAR : RSKSK_NUMBER;
    switch (arg->type_code) {
        case USE_ARRAY_FURTHER:
        case USE_DERIVATIVES1:
        case USE_DERIVATIVES2:
        case USE_CELL: return declare(con, arg, kind, v->length, 0, value_cell(con, v, arg->type_code), 0);
        default: return declare(con, arg, kind, v->length, 0, v->value, storage_class(v));
    }
}

int cast_char(RSKCON* con, RSKSYMENTRY* arg) {
    RSKVARIABLE* v = arg->variable;
    return declare(con, arg, RSKSK_CHAR, v->length, 0, v->value, storage_class(v));
}

int cast_parameter_matrix(RSKCON* con, RSKSYMENTRY* arg) {
    RSKVARIABLE* v = arg->variable;
    if (arg->type_code == USE_MATRIX_ROWS || arg->type_code == USE_MATRIX_COLUMNS)
        return declare(con, arg, RSKSK_NUMBER, 8, 0, &v->element_count, 0);
    return declare(con, arg, RSKSK_MATRIX, dimension_of(v), 0, v->value, 0);
}

// An array whose element variables are themselves arguments, written by the method: bound as a
// vector of variables so that the elements and the array are one storage.
bool array_of_arguments(const RSKACTION* action, const RSKSYMENTRY* arg) {
    const RSKVARIABLE* v = arg->variable;
    if (!arg->updated || v->kind == RSKVKIND_REFERENCE || rsk_array_from_data(v)) return false;
    for (uint32_t i = 0; i < v->elements_allocated; ++i)
        for (const RSKSYMENTRY* other = static_cast<const RSKGENTRANS*>(action->target)->arguments; other != nullptr; other = other->next)
            if (v->elements != nullptr && other->variable == v->elements[i]) return true;
    return false;
}

int cast_array(RSKCON* con, RSKACTION* action, RSKSYMENTRY* arg) {
    RSKVARIABLE* v = arg->variable;
    int dim = dimension_of(v);
    switch (arg->type_code) {
        case USE_ARRAY_HANDLE:
        case USE_ARRAY_DIM: return declare(con, arg, RSKSK_NUMBER, 8, 0, &v->element_count, 0);
        case USE_ARRAY_FURTHER:
        case USE_DERIVATIVES1:
        case USE_DERIVATIVES2: {
            return declare(con, arg, RSKSK_VECTOR, dim, 0, value_cell(con, v, arg->type_code), 0);
        }
        default:
            if (array_of_arguments(action, arg)) return declare(con, arg, RSKSK_VARIABLES, dim, 0, v->value, storage_class(v));
            return declare(con, arg, RSKSK_VECTOR, dim, 0, v->value, storage_class(v));
    }
}

// A reference variable: its reference class says how the reference collection reaches it.
int cast_refarg(RSKCON* con, RSKACTION* action, RSKSYMENTRY* arg) {
    RSKVARIABLE* v = arg->variable;
    if (arg->updated && arg->type_code != USE_DERIVATIVES1 && arg->type_code != USE_DERIVATIVES2) {
        const RSKNAMEREC& method = static_cast<RSKGENTRANS*>(action->target)->name.name;
        xpslog("%1zReference var %*s cannot be updated by method %*s.", arg->name_length, arg->name,
               method.length, method.text);
        return 1;
    }
    if (v->data_type == RSKDTYPE_ARRAY) arg->reference_class = 'a';
    else if (v->data_type == DTYPE_PARMAT) arg->reference_class = 'm';
    else if (v->kind == RSKVKIND_LAGVAL || arg->type_code == USE_LAG_VECTOR) arg->reference_class = 'l';
    else if (arg->type_code == USE_VOLATILITY) arg->reference_class = 'v';
    else if (v->storage_type == 441) arg->reference_class = 'f';
    else arg->reference_class = 'n';
    return rskrsym(con, arg) == nullptr ? 1 : 0;
}

int cast_cashflow(RSKCON* con, RSKSYMENTRY* arg) {
    RSKVARIABLE* v = arg->variable;
    if (arg->type_code == USE_CASHFLOW_SUM || arg->type_code == USE_CASHFLOW_COUNT)
        return declare(con, arg, RSKSK_NUMBER, 8, 0, v->value, 0);
    return declare(con, arg, RSKSK_MATRIX, dimension_of(v), 0, v->value, 0);
}

}  // namespace

bool rsk_array_from_data(const RSKVARIABLE* array) { return array->time_grid_array != 0; }

int link_arguments(RSKCON* con, RSKACTION* action) {
    RSKGENTRANS* method = static_cast<RSKGENTRANS*>(action->target);
    if (method == nullptr || method->generated) return 0;
    int failed = 0;
    for (RSKSYMENTRY* arg = method->arguments; arg != nullptr; arg = arg->next) {
        RSKVARIABLE* v = arg->variable;
        if (v == nullptr) continue;
        arg->symbol = nullptr;
        arg->reference_class = 0;
        if (con->system_variables != nullptr && v == con->system_variables->cashflow) failed += cast_cashflow(con, arg);
        else if (v->kind == RSKVKIND_REFERENCE) failed += cast_refarg(con, action, arg);
        else if (v->data_type == DTYPE_CHAR || v->data_type == DTYPE_CHAR_LONG) failed += cast_char(con, arg);
        else if (v->data_type == RSKDTYPE_ARRAY) failed += cast_array(con, action, arg);
        else if (v->data_type == DTYPE_PARMAT) failed += cast_parameter_matrix(con, arg);
        else failed += cast_default(con, arg);
    }
    return failed;
}
