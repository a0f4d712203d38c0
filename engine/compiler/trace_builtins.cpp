// The trace frame functions that the generated glue calls around a method: _TRACE prints where a
// traced method starts and finishes within the trace window, _TRACECHECK tells the glue whether
// the current state is traced.
#include <cstring>
#include <strings.h>

#include "engine/compiler/special_functions.h"
#include "host/attention.h"
#include "host/print.h"

namespace {

RSKCMPCON* handle_of(const cmp_function_record* fn) {
    return fn != nullptr ? static_cast<RSKCMPCON*>(fn->context) : nullptr;
}

int text_of(const cmp_arg_value& a, const char** text) {
    if (a.text == nullptr || a.text->text == nullptr) {
        *text = "";
        return 0;
    }
    *text = a.text->text;
    int n = a.text->length;
    while (n > 0 && (*text)[n - 1] == ' ') --n;
    return n;
}

// Block type whose CMPMB_NAMES row starts like the argument; MAIN when none does.
int get_block(const char* text, int length) {
    for (int b = 0; b < kRskBlockTypes; ++b) {
        int n = static_cast<int>(std::strlen(CMPMB_NAMES[b]));
        if (length >= n && strncasecmp(text, CMPMB_NAMES[b], static_cast<size_t>(n)) == 0) return b;
    }
    return RSKBLK_MAIN;
}

// Whether the method is named by the TRACE statement's method selection (upper-cased names
// separated by blanks or commas).
bool method_selected(const RSKCON* con, const RSKNAMEREC& name) {
    const char* p = con->trace_method_selection;
    if (p == nullptr || name.length == 0) return false;
    const size_t n = name.length;
    while (*p != '\0') {
        while (*p == ' ' || *p == ',') ++p;
        size_t word = 0;
        while (p[word] != '\0' && p[word] != ' ' && p[word] != ',') ++word;
        if (word == n && strncasecmp(p, name.text, n) == 0) return true;
        p += word;
    }
    return false;
}

}  // namespace

int trace_window(RSKCON* con, int block, double state) {
    RSKRUNCOMPILE* run = con != nullptr ? con->run_compile : nullptr;
    if (run == nullptr) return 0;
    if (run->per_block_programs != 0) {
        if (run->trace_by_instrument == 0 || run->programs == nullptr || block < 0 || block >= run->execution_blocks)
            return 0;
        if (run->programs[block].instrument_number != run->trace_instrument) return 0;
    }
    return state >= run->trace_first_state && state <= run->trace_last_state ? 1 : 0;
}

int rsktrc(const cmp_function_record* fn, cmp_arg_value* args, int nargs, const cmp_exec_context* exec,
           cmp_instance*, void*) {
    xaktkiof();
    RSKCMPCON* handle = handle_of(fn);
    if (handle == nullptr || handle->con == nullptr || nargs < 4 || exec == nullptr) return CMP_BODY_OK;
    RSKCON* con = handle->con;
    const char* text = nullptr;
    int length = text_of(args[1], &text);
    bool on = length >= 2 && strncasecmp(text, "ON", 2) == 0;
    length = text_of(args[2], &text);
    int level = length > 0 && (text[0] == 'D' || text[0] == 'd') ? 2 : 1;
    int number = args[3].number != nullptr ? static_cast<int>(*args[3].number) : 0;
    if (number < 1 || number > handle->action_count) return CMP_BODY_OK;
    const RSKACTION* action = handle->actions[number - 1];
    length = text_of(args[4], &text);
    int block = get_block(text, length);

    bool delta_gamma = action->kind == RSKACTION_DELTA_GAMMA;
    bool traced = con->trace_mode == 1 || (con->trace_mode == 0 && (delta_gamma || method_selected(con, action->name.name)));
    if (con->trace_mode == 2 || !traced || trace_window(con, exec->block, exec->state) == 0) return CMP_BODY_OK;
    const RSKNAMEREC& name = action->name.name;
    if (on) {
        xpoflsh();
        if (delta_gamma) xpsout("--- Method QUAD_VALUE Starting.");
        else xpsout("--- Method %*s(%s) Execution Starting.", static_cast<int>(name.length), name.text, CMPMB_NAMES[block]);
    } else {
        if (delta_gamma) xpsout("--- Method QUAD_VALUE Execution Finished.");
        else xpsout("--- Method %*s(%s)  Execution Finished.", static_cast<int>(name.length), name.text, CMPMB_NAMES[block]);
        xpoflsh();
    }
    (void)level;   // the detailed trace (compiler option 3) is chosen when the program is generated
    return CMP_BODY_OK;
}

int rsktrcc(const cmp_function_record* fn, cmp_arg_value* args, int, const cmp_exec_context* exec, cmp_instance*,
            void*) {
    RSKCMPCON* handle = handle_of(fn);
    double answer = handle != nullptr && exec != nullptr && trace_window(handle->con, exec->block, exec->state) != 0 ? 1 : 0;
    if (args[0].number != nullptr) *args[0].number = answer;
    return CMP_BODY_OK;
}
