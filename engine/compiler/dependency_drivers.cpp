// The drivers that collect a run's actions from the instrument types: their input actions and
// their pricing actions, each method checked against the variables its type declares. Actions
// join the run-compile record's list once, in the order the drivers meet them.
#include "engine/compiler/dependencies.h"
#include "engine/compiler/use_entries.h"
#include "engine/model/services/compiler.h"
#include "engine/model/control/startup.h"
#include "engine/model/types/instrument_types.h"
#include "engine/model/variables/variables.h"
#include "engine/tables/engine_table.h"
#include "host/print.h"

void append_action(RSKRUNCOMPILE* run, RSKACTION* action) {
    for (RSKACTION* a = run->actions_first; a != nullptr; a = a->next)
        if (a == action) return;
    action->next = nullptr;
    if (run->actions_last != nullptr) run->actions_last->next = action;
    else run->actions_first = action;
    run->actions_last = action;
    ++run->action_count;
}

namespace {

RSKGENTRANS* method_of(RSKCON* con, RSKINSTTYPE* type, RSKACTION* action) {
    if (action->target == nullptr) check_action(con, type, action, 0);
    return static_cast<RSKGENTRANS*>(action->target);
}

// Every instrument variable the method uses must be declared for the type.
int check_declared(RSKCON* con, RSKINSTTYPE* type, RSKACTION* action, bool input) {
    int rc = 0;
    const RSKNAMEREC& tname = type->name.name;
    const RSKNAMEREC& mname = action->name.name;
    for (RSKUSEENTRY* use = action_uses(action); use != nullptr; use = use->next) {
        RSKVARIABLE* v = use->variable;
        if (v == nullptr || v->kind != RSKVKIND_INSTRUMENT || rskvc(con, type, &v->name.name) != nullptr) continue;
        const RSKNAMEREC& vname = v->name.name;
        if (input)
            xpslog("%%1z%*s is used in input method %*s but is not declared as a variable for the %*s Instrument.",
                   static_cast<int>(vname.length), vname.text, static_cast<int>(mname.length), mname.text,
                   static_cast<int>(tname.length), tname.text);
        else
            xpmlog(598, 1211, static_cast<int>(vname.length), vname.text, static_cast<int>(mname.length), mname.text,
                   static_cast<int>(tname.length), tname.text);
        rc = 1;
    }
    return rc;
}

}  // namespace

int rskrsv5(RSKCON* con, RSKINSTTYPE* type, RSKACTION* action) { return check_declared(con, type, action, false); }

int rskrsv4(RSKCON* con, RSKINSTTYPE* type) {
    RSKRUNCOMPILE* run = dependency_run(con);
    if (run == nullptr) return 0;
    RSKACTION* action = &type->price;
    if (action->defined == 0) {
        xpmlog(598, 1210, static_cast<int>(type->name.name.length), type->name.name.text);
        return 1;
    }
    action->type = type;
    if (action->kind == RSKACTION_DELTA_GAMMA) {
        append_action(run, action);
        return 0;
    }
    if (action->kind != RSKACTION_METHOD_CALL) {
        xebug("rskrsv3: bad action type %i for %*s", static_cast<int>(action->kind),
              static_cast<int>(type->name.name.length), type->name.name.text);
        return 99;
    }
    if (method_of(con, type, action) == nullptr) {
        xpmlog(598, 1202, static_cast<int>(type->name.name.length), type->name.name.text,
               static_cast<int>(action->name.name.length), action->name.name.text);
        return 1;
    }
    int rc = rskrsv5(con, type, action);
    append_action(run, action);
    return rc;
}

int rskrsv3(RSKCON* con) {
    int rc = 0;
    if (con->memory_block == nullptr) return 0;
    for (RSKINSTTYPE* t = con->memory_block->types_head; t != nullptr; t = t->next) {
        int code = rskrsv4(con, t);
        if (code > rc) rc = code;
    }
    return rc;
}

int rskrsv1(RSKCON* con) {
    RSKRUNCOMPILE* run = dependency_run(con);
    if (run == nullptr || con->memory_block == nullptr) return 0;
    int rc = 0;
    for (RSKINSTTYPE* t = con->memory_block->types_head; t != nullptr; t = t->next) {
        for (int i = 0; i < t->input_count && i < kRskInputActions; ++i) {
            RSKACTION* action = &t->inputs[i];
            if (action->defined == 0) continue;
            if (action->kind != RSKACTION_METHOD_CALL) {
                xebug("rskrsv1: Bad action type for input action %*s", static_cast<int>(action->name.name.length),
                      action->name.name.text);
                rc = 99;
                continue;
            }
            action->type = t;
            if (method_of(con, t, action) == nullptr) {
                xpmlog(598, 1202, static_cast<int>(t->name.name.length), t->name.name.text,
                       static_cast<int>(action->name.name.length), action->name.name.text);
                rc = rc > 1 ? rc : 1;
                continue;
            }
            int code = check_declared(con, t, action, true);
            if (code > rc) rc = code;
            append_action(run, action);
        }
    }
    return rc;
}
