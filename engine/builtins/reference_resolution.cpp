// How the bodies find the environment object behind an argument: the engine variable an
// argument is bound to, a reference variable resolved for the current instrument type, and the
// exchange-rate curve an execution block registered for the current position.
#include <cstring>

#include "engine/builtins/builtin_support.h"
#include "engine/compiler/compile_control.h"
#include "engine/model/variables/variable_record.h"
#include "engine/model/variables/variables.h"
#include "engine/run/pricing_run.h"
#include "engine/run/run_block.h"

namespace {

bool bound_here(const RSKVARIABLE* v, const double* address, const RSKPROGRECORD* record) {
    if (v->value == address || v->run.record_address == address) return true;
    if (record == nullptr) return false;
    const auto* at = reinterpret_cast<const uint8_t*>(address);
    if (record->market_vector != nullptr && v->run.state_offset >= 0 &&
        reinterpret_cast<const uint8_t*>(record->market_vector) + v->run.state_offset == at)
        return true;
    if (record->value_vector != nullptr && v->run.record_offset >= 0 &&
        reinterpret_cast<const uint8_t*>(record->value_vector) + v->run.record_offset == at)
        return true;
    return record->row_vector != nullptr && v->run.row_offset >= 0 && record->row_vector + v->run.row_offset == address;
}

}  // namespace

const RSKCMPCON* builtin_handle(const cmp_function_record* fn) {
    return fn != nullptr ? static_cast<const RSKCMPCON*>(fn->context) : nullptr;
}

RSKVARIABLE* builtin_argument_variable(RSKCON* con, const cmp_exec_context* exec, const cmp_arg_value& a) {
    if (con == nullptr || a.kind == CMP_ARG_OMITTED) return nullptr;
    if (a.kind == CMP_ARG_ARRAY) {
        const char* name = a.symbol != nullptr ? cmpsymname(a.symbol) : nullptr;
        const size_t length = name != nullptr ? std::strlen(name) : 0;
        if (length == 0 || length > 32) return nullptr;
        RSKNAMEREC key{static_cast<uint16_t>(length), static_cast<uint16_t>(length), const_cast<char*>(name)};
        return rskvar(con, &key);
    }
    if (a.type != 'n' || a.number == nullptr || a.kind != CMP_ARG_VARIABLE) return nullptr;
    const RSKRUNCOMPILE* run = con->run_compile;
    const int block = exec != nullptr ? exec->block : 0;
    const RSKPROGRECORD* record =
        run != nullptr && run->programs != nullptr && block >= 0 && block < run->execution_blocks ? &run->programs[block] : nullptr;
    for (RSKVARIABLE* v = con->variables_head; v != nullptr; v = v->next)
        if (bound_here(v, a.number, record)) return v;
    return nullptr;
}

int resolve_reference(RSKCON* con, RSKREFCALL* record, RSKINSTTYPE* type, RSKVARIABLE* variable) {
    if (record->con == nullptr) {
        record->con = con;
        record->variable = variable;
        record->per_type = static_cast<uint8_t>(variable != nullptr && variable->kind == RSKVKIND_REFERENCE);
        record->type = nullptr;
        record->object = record->per_type ? nullptr : variable;
    }
    if (!record->per_type) return record->object != nullptr ? 0 : 1;
    if (record->type != type || record->object == nullptr) {
        record->type = type;
        record->object = type != nullptr && record->variable != nullptr ? rskvc(con, type, &record->variable->name.name) : nullptr;
    }
    return record->object != nullptr ? 0 : 1;
}

int resolve_reference2(RSKCON* con, RSKREFCALL* record, RSKINSTTYPE* type, RSKVARIABLE* variable) {
    return resolve_reference(con, record, type, variable);
}

RSKVARIABLE* rskbif_registered_fx(RSKCON* con, int block) {
    const RSKRUNCOMPILE* run = con != nullptr ? con->run_compile : nullptr;
    if (run == nullptr || run->programs == nullptr || block < 0 || block >= run->execution_blocks) return nullptr;
    const RSKPROGRECORD& record = run->programs[block];
    return record.fx_curve != nullptr && record.fx_position == builtin_position(con) ? record.fx_curve : nullptr;
}

int64_t builtin_position(RSKCON* con) {
    return con != nullptr && con->run_block != nullptr ? con->run_block->pricing.positions_read : 0;
}
