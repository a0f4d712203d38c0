// Array refreshes around a method call: an array argument whose elements are variables of their
// own is copied in before the call (_ARRU ..., 1) and, when the method writes it, back after (0).
#include <cstdio>

#include "engine/compiler/compiler_driver.h"
#include "engine/compiler/program_phases.h"
#include "engine/model/services/compiler.h"
#include "engine/model/variables/variable_record.h"

int update_array(RSKCON* con, RSKSYMENTRY* argument, int when) {
    RSKCMPCON* handle = con->compile_handle;
    int first = rskaref(handle);
    if (first < 0) return 1;
    int blocks = con->run_compile->execution_blocks < 1 ? 1 : con->run_compile->execution_blocks;
    for (int e = 0; e < blocks; ++e) {
        RSKREFENTRY* ref = &handle->references[first + e];
        ref->con = con;
        ref->object = argument->variable;
        ref->type_code = argument->type_code;
    }
    int n = std::snprintf(handle->statement, sizeof handle->statement, "call _ARRU( %i, %.*s, %i );", first,
                          argument->name_length, argument->name, when < 0 ? 1 : 0);
    if (n < 0 || n >= static_cast<int>(sizeof handle->statement)) return 1;
    return rskpush(handle, handle->statement, 0, 2) > 0 ? 1 : 0;
}

int update_arrays(RSKCON* con, RSKACTION* action, int when) {
    if (con->compile_handle->current_type != nullptr || action->target == nullptr || action->kind != RSKACTION_METHOD_CALL) return 0;
    int failed = 0;
    for (RSKSYMENTRY* arg = static_cast<RSKGENTRANS*>(action->target)->arguments; arg != nullptr; arg = arg->next) {
        const RSKVARIABLE* v = arg->variable;
        if (v == nullptr || arg->symbol == nullptr || cmpsymkind(arg->symbol) == 'a') continue;
        if (v->data_type != RSKDTYPE_ARRAY || arg->type_code != 222 || rsk_array_from_data(v)) continue;
        if (when > 0 && !arg->updated) continue;
        failed += update_array(con, arg, when);
    }
    return failed;
}
