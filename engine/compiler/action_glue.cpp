// The glue pushed for one action: the method's source at its first use, the entry label, the
// action number, trace switches, saved arguments, array refreshes, the call and the return.
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>
#include <strings.h>

#include "engine/compiler/compiler_driver.h"
#include "engine/compiler/program_phases.h"
#include "engine/model/control/out_of_memory.h"
#include "engine/model/services/compiler.h"
#include "engine/model/variables/variable_record.h"
#include "engine/model/variables/variables.h"

namespace {

constexpr int kTraceDetailed = 2;
constexpr int kResetClass = 5;

bool push_generated(RSKCON* con, const char* format, ...) __attribute__((format(printf, 2, 3)));

// Formats one generated statement into the handle's statement buffer and pushes it (mode 2,
// so a refusal is reported). True when the compiler took it.
bool push_generated(RSKCON* con, const char* format, ...) {
    RSKCMPCON* handle = con->compile_handle;
    va_list args;
    va_start(args, format);
    int n = std::vsnprintf(handle->statement, sizeof handle->statement, format, args);
    va_end(args);
    if (n < 0 || n >= static_cast<int>(sizeof handle->statement)) {
        xpslog("%1zA generated statement is longer than %i characters.", static_cast<int>(sizeof handle->statement) - 1);
        return false;
    }
    return rskpush(handle, handle->statement, 0, 2) <= 0;
}

RSKGENTRANS* method_of(const RSKACTION* action) { return static_cast<RSKGENTRANS*>(action->target); }

const char* detail_word(const RSKCON* con) { return con->trace_detail == kTraceDetailed ? "DETAILED" : "BRIEF"; }

bool push_trace(RSKCON* con, bool on, int number, const char* block) {
    // Two blanks after the comma that follows 'ON', so that ON and OFF lines align.
    return on ? push_generated(con, "call _TRACE( 'ON',  '%s', %i, '%s' );", detail_word(con), number, block)
              : push_generated(con, "call _TRACE( 'OFF', '%s', %i, '%s' );", detail_word(con), number, block);
}

// Pushes the method's source statements once per compile; the count refused.
int push_method_source(RSKCON* con, RSKACTION* action) {
    RSKCMPCON* handle = con->compile_handle;
    RSKGENTRANS* method = method_of(action);
    if (method->generated) return 0;
    action->first_line = handle->state == RSKCMP_PUSHING ? handle->statement_counter + 1 : 3;
    action->last_line = action->first_line + static_cast<int32_t>(method->statement_count) - 3;
    int refused = 0;
    std::string statement;
    for (int32_t i = 0; i < method->statement_count; ++i)
        if (rskpush(handle, rsk_pushed_statement(method->statements[i], &statement), 0, 2) > 0) ++refused;
    return refused;
}

}  // namespace

int rskact_reserve(RSKCON* con, RSKACTION* action, void* object, int32_t type_code) {
    RSKCMPCON* handle = con->compile_handle;
    int first = rskaref(handle);
    if (first < 0) return -1;
    int blocks = con->run_compile->execution_blocks < 1 ? 1 : con->run_compile->execution_blocks;
    for (int e = 0; e < blocks; ++e) {
        RSKREFENTRY* ref = &handle->references[first + e];
        ref->con = con;
        ref->action = action;
        ref->object = object;
        ref->type_code = type_code;
        ref->program = handle->compilation.program;
    }
    return first;
}

bool rsk_trace_named(const RSKCON* con, const RSKGENTRANS* method) {
    const char* names = con->run_trace.methods;
    const RSKNAMEREC& name = method->name.name;
    for (size_t at = 0; names != nullptr && at < con->run_trace.methods_size;) {
        size_t length = std::strlen(names + at);
        if (length == name.length && strncasecmp(names + at, name.text, length) == 0) return true;
        at += length + 1;
    }
    return false;
}

bool rskact_traced(const RSKCON* con, const RSKACTION* action) {
    const RSKGENTRANS* method = action->kind == RSKACTION_METHOD_CALL ? method_of(action) : nullptr;
    bool on = con->trace_mode == 1 || (con->trace_mode == 0 && method != nullptr && rsk_trace_named(con, method));
    if (method != nullptr && method->no_trace) on = false;
    return on;
}

int generate_gentrans(RSKCON* con, RSKACTION* action, int* traced_out) {
    RSKGENTRANS* method = method_of(action);
    int reset = -1;
    if (action->class_word == kResetClass && action->mode != 2 && method->reset_count > 1) {
        reset = rskact_reserve(con, action, method, 0);
        if (reset < 0) return 1;
    }
    bool ok = update_arrays(con, action, -1) == 0;
    const RSKNAMEREC& name = method->name.name;
    if (ok && reset >= 0) ok = push_generated(con, "call _RESET(%i, %i);", reset, 1);
    if (ok) ok = push_generated(con, "runmethod %.*s;", name.length, name.text);
    if (ok && reset >= 0) ok = push_generated(con, "call _RESET(%i, %i);", reset, 0);
    if (ok) ok = update_arrays(con, action, 1) == 0;
    // Without per-block programs, a traced output variable is shown after the call.
    if (ok && !con->run_compile->per_block_programs) {
        for (RSKSYMENTRY* arg = method->arguments; ok && arg != nullptr; arg = arg->next) {
            if (arg->variable == nullptr || !arg->updated || !rsk_trace_variable(con, arg->variable)) continue;
            ok = push_generated(con, "if _TRACECHECK(%i) then put 'After Method %.*s ' %.*s=;", action->label_number,
                                name.length, name.text, arg->name_length, arg->name);
            if (ok) *traced_out = 1;
        }
    }
    method->generated = 1;
    return ok ? 0 : 1;
}

int generate_blocktrans(RSKCON* con, RSKACTION* action, int trace) {
    RSKGENTRANS* method = method_of(action);
    const RSKNAMEREC& name = method->name.name;
    for (int b = 0; b < kRskBlockTypes; ++b) {
        if (!(method->block_bits & (128 >> b))) continue;
        if (rsksact(con, action, b) != 0) return 1;
        const char* block = CMPMB_NAMES[b];
        int number = action->label_number;
        bool ok = push_generated(con, "_RSKACT_ = %d;", number);
        if (ok && trace) ok = push_trace(con, true, number, block);
        if (ok) ok = update_arrays(con, action, -1) == 0;
        if (ok) ok = push_generated(con, "runmethod %.*s %s;", name.length, name.text, block);
        if (ok) ok = update_arrays(con, action, 1) == 0;
        if (ok && trace) ok = push_trace(con, false, number, block);
        if (ok) ok = push_generated(con, "_RSKACT_ = 0;");
        if (ok) ok = push_generated(con, "return;");
        if (!ok) return 1;
    }
    method->generated = 1;
    return 0;
}

bool rsk_trace_variable(const RSKCON* con, const RSKVARIABLE* variable) {
    const char* names = con->run_trace.variables;
    const RSKNAMEREC& name = variable->name.name;
    for (size_t at = 0; names != nullptr && at < con->run_trace.variables_size;) {
        size_t length = std::strlen(names + at);
        if (length == name.length && strncasecmp(names + at, name.text, length) == 0) return true;
        at += length + 1;
    }
    return false;
}

cmp_symbol* rskact_value_symbol(RSKCON* con, RSKVARIABLE* value) {
    RSKCMPCON* handle = con->compile_handle;
    auto* entry = static_cast<RSKSYMENTRY*>(
        xmalloc_labelled(handle->pool, sizeof(RSKSYMENTRY), QOR_ALLOC_ZERO, "add elements to a list"));
    if (entry == nullptr) {
        rsknomem(con, sizeof(RSKSYMENTRY), "add elements to a list");   // 598/2797 once
        return nullptr;
    }
    handle->pool_bytes += sizeof(RSKSYMENTRY);
    static char value_name[] = "_value_";
    entry->name = value_name;
    entry->name_length = 7;
    entry->variable = value;
    entry->slot = -1;
    return rsklsym(entry, RSKSK_NUMBER, 8, 0, value->value, con, 0);
}

int generate_delta_gamma(RSKCON* con, RSKACTION* action) {
    int ref = rskact_reserve(con, action, action->target, 0);
    if (ref < 0) return 1;
    bool trace = con->trace_mode == 1 || (con->trace_categories & 8) != 0;
    int number = action->label_number;
    bool ok = !trace || push_trace(con, true, number, "MAIN");
    RSKVARIABLE* value = con->system_variables != nullptr ? con->system_variables->value : nullptr;
    if (ok && value != nullptr) {
        if (action->value_symbol == nullptr) {
            action->value_symbol = rskact_value_symbol(con, value);
            if (action->value_symbol == nullptr) return 1;
        }
        ok = push_generated(con, "%.*s = _DGVAL(%i, %i);", value->name.name.length, value->name.name.text, ref, number);
    }
    if (ok && trace) ok = push_trace(con, false, number, "MAIN");
    return ok ? 0 : 1;
}

int generate_linear_trans(RSKCON* con, RSKACTION* action) {
    int ref = rskact_reserve(con, action, action->target, 0);
    if (ref < 0) return 1;
    return push_generated(con, "call _LINTRANS(%i);", ref) ? 0 : 1;
}

int rskgact(RSKCON* con, RSKACTION* action, RSKINSTTYPE* type) {
    RSKCMPCON* handle = con->compile_handle;
    std::memset(action->sequence, 0, sizeof action->sequence);
    action->label_number = 0;
    handle->current_type = type;
    handle->generating = 1;
    handle->current_method = nullptr;
    handle->function_use = 0;
    bool trace = rskact_traced(con, action);
    if (action->kind == RSKACTION_METHOD_CALL) {
        if (method_of(action) == nullptr) return 1;
        handle->current_method = method_of(action);
        // The compiler resolves a name when its statement is pushed: the arguments are bound
        // before the source that uses them.
        int failed = link_arguments(con, action);
        if (failed != 0) return failed;
        int refused = push_method_source(con, action);
        if (refused != 0) return refused;
        if (method_of(action)->block_bits != 0) return generate_blocktrans(con, action, trace);
    }
    if (rsksact(con, action, RSKBLK_MAIN) != 0) return 1;
    int number = action->label_number;
    if (!push_generated(con, "_RSKACT_ = %d;", number)) return 1;
    if (trace && !push_trace(con, true, number, "MAIN")) return 1;
    int body_traced = 0;
    int rc;
    switch (action->kind) {
        case RSKACTION_METHOD_CALL: rc = generate_gentrans(con, action, &body_traced); break;
        case RSKACTION_DELTA_GAMMA: rc = generate_delta_gamma(con, action); break;
        case RSKACTION_LINEAR_TRANS: rc = generate_linear_trans(con, action); break;
        default: return 99;
    }
    if (rc != 0) return rc;
    if ((trace || body_traced) && !push_trace(con, false, number, "MAIN")) return 1;
    if (!push_generated(con, "_RSKACT_ = 0;") || !push_generated(con, "return;")) return 1;
    return 0;
}
