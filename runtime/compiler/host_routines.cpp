// The host's own routines, installed into a session like the engine's special functions:
// DYNAMIC_ARRAY sizes a resizable matrix, CALLSUBR runs a method named by a value.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "host/compiler.h"
#include "runtime/compiler/lexer.h"
#include "runtime/compiler/parser.h"
#include "runtime/compiler/session.h"
#include "runtime/core/service_guard.h"

using namespace qor::cmp;

namespace {

int refuse(char* message, int size, const char* text) {
    std::snprintf(message, static_cast<size_t>(size), "%s", text);
    return 1;
}

// DYNAMIC_ARRAY(m, rows [, columns]): m a dynamic array or resizable matrix of as many dimensions.
int dynamic_check(void* context, cmp_call_node* call, char* message, int size) {
    auto* s = static_cast<cmp_session*>(context);
    if (call->nargs < 2 || call->nargs > 3) return refuse(message, size, "DYNAMIC_ARRAY takes 2 or 3 arguments");
    const cmp_arg_node& m = call->args[0];
    const cmp_symbol* sym = m.kind == CMP_ARG_ARRAY ? cmpsyms(s, m.text, m.text_length) : nullptr;
    if (!sym || !sym->matrix || !(sym->matrix_flags & CMP_MTX_RESIZABLE))
        return refuse(message, size, "The first argument of DYNAMIC_ARRAY must be a dynamic array");
    if (static_cast<int>(sym->dims.size()) != call->nargs - 1)
        return refuse(message, size, "DYNAMIC_ARRAY needs one extent for each dimension of the array");
    for (int i = 1; i < call->nargs; ++i)
        if (call->args[i].kind == CMP_ARG_OMITTED || call->args[i].type != 'n')
            return refuse(message, size, "The extents given to DYNAMIC_ARRAY must be numeric");
    call->args[0].flags[0] |= CMP_ARGF_BY_REFERENCE;   // the call changes the array
    return 0;
}

// An extent: a whole number from 0 (a missing or negative value fails the call).
bool extent_of(const cmp_arg_value& v, int& out) {
    double x = *v.number;
    if (std::isnan(x) || x < 0 || x > 65535) return false;
    out = static_cast<int>(std::trunc(x));
    return true;
}

int dynamic_body(const cmp_function_record*, cmp_arg_value* args, int nargs, const cmp_exec_context*,
                 cmp_instance* instance, void*) {
    int rows = 0, columns = 0;
    if (!extent_of(args[2], rows) || (nargs > 2 && !extent_of(args[3], columns))) return 1;
    if (nargs > 2 && columns == 0) return 1;   // two dimensions need at least one column
    return cmpmtrxs(instance, args[1].symbol, rows, columns) != 0 ? 1 : 0;
}

// CALLSUBR(name [, block]): character arguments.
int callsubr_check(void*, cmp_call_node* call, char* message, int size) {
    if (call->nargs < 1 || call->nargs > 2) return refuse(message, size, "CALLSUBR takes 1 or 2 arguments");
    for (int i = 0; i < call->nargs; ++i)
        if (call->args[i].kind == CMP_ARG_OMITTED || call->args[i].type != 'c')
            return refuse(message, size, "The arguments of CALLSUBR are a method name and a block name");
    if (call->nargs == 2 && call->args[1].kind == CMP_ARG_LITERAL &&
        block_type_of(std::string_view(call->args[1].text, static_cast<size_t>(call->args[1].text_length))) < 0)
        return refuse(message, size, "The block of CALLSUBR must be INIT, INST_INIT, MAIN, INST_TERM or TERM");
    return 0;
}

std::string word(const qor_namerec* r) {
    std::string_view v(r->text, r->length);
    size_t a = v.find_first_not_of(' '), b = v.find_last_not_of(' ');
    return a == std::string_view::npos ? std::string() : upper(v.substr(a, b - a + 1));
}

int callsubr_body(const cmp_function_record*, cmp_arg_value* args, int nargs, const cmp_exec_context*,
                  cmp_instance* instance, void*) {
    std::string name = word(args[1].text);
    int block = -1;
    if (nargs > 1) {
        block = block_type_of(word(args[2].text));
        if (block < 0) return 1;
    }
    auto found = instance->code->method_by_name.find(name);
    if (found != instance->code->method_by_name.end()) {
        const MethodRange& m = instance->code->methods[found->second];
        uint32_t pc = m.start;
        bool has_blocks = false;
        for (uint32_t b : m.blocks) has_blocks = has_blocks || b != MethodRange::kNone;
        if (block >= 0) {
            if (m.blocks[block] == MethodRange::kNone) return 1;
            pc = m.blocks[block];
        } else if (has_blocks) {
            if (m.blocks[2] == MethodRange::kNone) return 1;   // a method with blocks runs its MAIN
            pc = m.blocks[2];
        }
        int rc = instance->call_method(pc);
        // an early end inside the called method ends the caller's run the same way
        if (rc == CMP_RUN_ITERATION_ENDED) return CMP_BODY_END_ITERATION;
        if (rc == CMP_RUN_STOPPED) return CMP_BODY_STOP;
        return rc != 0 ? CMP_BODY_FAILED : CMP_BODY_OK;
    }
    return 1;   // no method of that name
}

int install(cmp_session* s, const char* name, cmp_check_fn check, cmp_body_fn body) {
    if (!s) return 1;
    cmp_special_def def{name, 0, nullptr, 0, 0, s, check, body, nullptr, 0};
    return cmpinst(s, &def);
}

}  // namespace

int cmpdyna(cmp_session* s) try { return install(s, "DYNAMIC_ARRAY", dynamic_check, dynamic_body); }
QOR_SERVICE_CATCH(1)

int cmpfrna(cmp_session* s) try { return install(s, "CALLSUBR", callsubr_check, callsubr_body); }
QOR_SERVICE_CATCH(1)
