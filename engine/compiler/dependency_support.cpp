// Helpers shared by the files of dependency resolution: the run record, memory, array elements,
// what counts as a data input, and the short print of an action.
#include <cstring>

#include "engine/compiler/dependencies.h"
#include "engine/compiler/use_entries.h"
#include "engine/model/services/compiler.h"
#include "host/pool.h"
#include "host/print.h"

RSKRUNCOMPILE* dependency_run(RSKCON* con) { return con != nullptr ? con->run_compile : nullptr; }

void dependency_no_memory(RSKCON* con, size_t bytes, const char* label) {
    RSKRUNCOMPILE* run = dependency_run(con);
    con->compile_error = 1;
    if (run != nullptr && run->memory_reported != 0) return;
    xpmlog(598, 2797, static_cast<long>(bytes), label);
    if (run != nullptr) run->memory_reported = 1;
}

void* dependency_alloc(RSKCON* con, size_t bytes, const char* label) {
    RSKRUNCOMPILE* run = dependency_run(con);
    qor_pool* pool = run != nullptr ? run->pool : nullptr;
    if (pool == nullptr && con->compile_handle != nullptr) pool = con->compile_handle->pool;
    if (pool == nullptr) pool = con->current_pool;
    void* block = pool != nullptr ? xmalloc_labelled(pool, bytes, QOR_ALLOC_ZERO, label) : nullptr;
    if (block == nullptr) dependency_no_memory(con, bytes, label);
    return block;
}

int is_array(const RSKVARIABLE* variable) { return variable->data_type == RSKDTYPE_ARRAY ? 1 : 0; }

int is_open_array(const RSKVARIABLE* variable) {
    return is_array(variable) != 0 && (variable->dependencies.flags & RSKDEP_OPAQUE_ARRAY) == 0 ? 1 : 0;
}

int32_t array_element_count(const RSKVARIABLE* variable) {
    if (is_array(variable) == 0 || variable->elements == nullptr) return 0;
    double dimension = variable->element_count;
    if (!(dimension > 0)) return 0;   // also a missing dimension
    uint32_t count = dimension >= static_cast<double>(variable->elements_allocated)
                         ? variable->elements_allocated
                         : static_cast<uint32_t>(dimension);
    return static_cast<int32_t>(count);
}

int is_data_input(const RSKUSEENTRY* use) {
    if (use->input == 0 || use->variable == nullptr) return 0;
    if (use->kind == RSKUSE_KIND_LAGVAL || use->kind == RSKUSE_KIND_PARMAT) return 0;
    if (use->code == RSKUSE_CODE_221 || use->code == RSKUSE_CODE_223 || use->code == RSKUSE_CODE_228) return 0;
    if ((use->variable->dependencies.flags & RSKDEP_CONST) != 0) return 0;
    return 1;
}

RSKUSEENTRY* action_uses(const RSKACTION* action) {
    if (action->kind != RSKACTION_METHOD_CALL || action->target == nullptr) return nullptr;
    return static_cast<RSKUSEENTRY*>(static_cast<const RSKGENTRANS*>(action->target)->uses);
}

RSKSYMENTRY* action_arguments(const RSKACTION* action) {
    if (action == nullptr || action->kind != RSKACTION_METHOD_CALL || action->target == nullptr) return nullptr;
    return static_cast<const RSKGENTRANS*>(action->target)->arguments;
}

void print_dependency_action(RSKCON*, const RSKACTION* action, int to_log) {
    const RSKNAMEREC& name = action->name.name;
    const char* what = action->kind == RSKACTION_METHOD_CALL    ? "method"
                       : action->kind == RSKACTION_DELTA_GAMMA  ? "delta-gamma valuation"
                       : action->kind == RSKACTION_LINEAR_TRANS ? "linear transformation"
                                                                : "action";
    if (to_log != 0) xpslog("      %s %*s", what, static_cast<int>(name.length), name.text);
    else xpsout("%s %*s", what, static_cast<int>(name.length), name.text);
}
