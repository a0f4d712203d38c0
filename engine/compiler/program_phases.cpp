// The compile phases of a project run, in the order the run engine calls them: N opens the
// session, I generates input actions, T transformations, P pricing and everything after it.
#include "engine/compiler/compiler_driver.h"
#include "engine/compiler/program_data_vector.h"
#include "engine/compiler/program_phases.h"
#include "engine/model/services/compiler.h"

namespace {

// Sets the end marker after a phase; the generation result, or 0 when the source is complete.
int close_phase(RSKCON* con, int generated, char phase) {
    RSKCMPCON* handle = con->compile_handle;
    int rc = rskpush(handle, CMP_END_MARKER, handle->echo_argument, 2) < 0 ? 0 : generated;
    handle->extension->phase = phase;
    return rc;
}

int larger(int a, int b) { return a > b ? a : b; }

void forget_generated(RSKACTION* action) {
    if (action->kind == RSKACTION_METHOD_CALL && action->target != nullptr)
        static_cast<RSKGENTRANS*>(action->target)->generated = 0;
}

}  // namespace

int rskgen0(RSKCON* con) {
    RSKRUNCOMPILE* run = con->run_compile;
    // Statements are echoed with the ECHO option or the code-generation debug category.
    int echo = con->echo != 0 || (con->debug_categories & RSKDEBUG_CODEGEN) != 0;
    int rc = rskicmp(echo, 0, con, 1);
    if (rc != 0) return rc;
    RSKCMPCON* handle = con->compile_handle;
    cmp_session* session = handle->compilation.program;
    if (run->programs != nullptr) run->programs[0].program = session;
    // Every method the run's actions call is pushed again in this compile.
    for (RSKACTION* a = run->actions_first; a != nullptr; a = a->next) forget_generated(a);
    for (int phase = 2; phase <= 3; ++phase) {
        RSKINSTTYPE* type = nullptr;
        for (RSKACTION* a = rsk_first_type_action(con, phase, &type); a != nullptr;
             a = rsk_next_type_action(con, phase, &type, a))
            forget_generated(a);
    }
    handle->extension->phase = 'N';
    return define_action_cell(con) != 0 ? 1 : rc;
}

int define_action_cell(RSKCON* con) {
    RSKCMPCON* handle = con->compile_handle;
    cmp_session* session = handle->compilation.program;
    cmp_symbol* symbol = cmpsymd(session, "_RSKACT_", 8, 'v', 'n');
    handle->extension->action_symbol = symbol;
    return symbol == nullptr ? 1 : 0;
}

int rskgen1(RSKCON* con) {
    if (con->static_trace.input && con->run_compile->base_case) trace_methods(con, 2);
    int rc = generate_classmethods(con, 2);
    return close_phase(con, rc, 'I');
}

int rskgen2(RSKCON* con) {
    generate_projmethods(con);   // failures are reported by the pushes; the phase goes on
    int rc = generate_rftmethods(con);
    return close_phase(con, rc, 'T');
}

int rskgen3(RSKCON* con) {
    RSKRUNCOMPILE* run = con->run_compile;
    RSKCMPCON* handle = con->compile_handle;
    if (con->static_trace.price && run->base_case) trace_methods(con, 3);
    int rc = rskmcmp_init(con);
    struct Step {
        char kind;
        int (*generate)(RSKCON*);
    };
    static const Step steps[] = {
        {'S', rskgencpty},
        {'M', rskgenmitigation},
        {'P', [](RSKCON* c) { return generate_classmethods(c, 3); }},
        {'J', generate_projmethods},
        {'V', generate_postvarmethods},
        {'R', generate_postprcmethods},
    };
    for (const Step& step : steps) {
        handle->method_kind = step.kind;
        rc = larger(rc, step.generate(con));
    }
    rskmcmp_final(con);   // a refused declaration has been reported; the phase goes on
    rskpush(handle, CMP_END_MARKER, handle->echo_argument, 2);
    if (getOutVarDeps(con, run) != 0) return 1;
    handle->extension->phase = 'P';
    return rc;
}
