// The drivers that fetch and compile the methods a run's types name: the methods of the
// instrument types' actions, one method object on demand, and the method of a counterparty or
// mitigation type with its action in the run.
#include <strings.h>

#include "engine/compiler/dependencies.h"
#include "engine/compiler/method_objects.h"
#include "engine/model/control/startup.h"
#include "engine/model/types/instrument_types.h"
#include "engine/model/variables/variables.h"
#include "engine/tables/method_records.h"
#include "host/print.h"

namespace {

constexpr char kQuadValue[] = "QUAD_VALUE";
constexpr int kCompileMode = 2;
constexpr int kFetchedMode = 3;

bool names_quad_value(const RSKNAMEREC& name) {
    return name.length == sizeof kQuadValue - 1 && strncasecmp(name.text, kQuadValue, name.length) == 0;
}

void cannot_read(const RSKNAMEREC& method, const RSKNAMEREC& owner) {
    xpmlog(598, 3128, static_cast<int>(method.length), method.text, static_cast<int>(owner.length), owner.text);
}

// Fetches and compiles the method of one action of a type: the largest code.
int resolve_type_action(RSKCON* con, RSKINSTTYPE* type, RSKACTION* action) {
    if (!action->defined || action->kind == RSKACTION_DELTA_GAMMA) return 0;
    action->type = type;
    if (names_quad_value(action->name.name)) {
        // The type is valued by its stored quadratic approximation, not by a method.
        action->kind = RSKACTION_DELTA_GAMMA;
        action->target = con->system_variables != nullptr ? con->system_variables->quad_value : nullptr;
        return 0;
    }
    RSKGENTRANS* method = rsktrn(con, &action->name.name);
    if (method == nullptr) {
        cannot_read(action->name.name, type->name.name);
        return 1;
    }
    action->kind = RSKACTION_METHOD_CALL;
    action->target = method;
    return rskrsvt(con, method, 0);
}

}  // namespace

int rskrsvt(RSKCON* con, RSKGENTRANS* method, int) {
    if (method == nullptr) return 1;
    if (method->compiled) return 0;
    if (rsktrns(con, method, kCompileMode) == 0) return 0;
    xpmlog(598, 3133, static_cast<int>(method->name.name.length), method->name.name.text);
    return 1;
}

int rskrsv0(RSKCON* con) {
    if (con->memory_block == nullptr) return 0;
    int rc = 0;
    for (RSKINSTTYPE* t = con->memory_block->types_head; t != nullptr; t = t->next) {
        for (int i = 0; i < t->input_count && i < kRskInputActions; ++i) {
            int code = resolve_type_action(con, t, &t->inputs[i]);
            if (code > rc) rc = code;
        }
        for (RSKACTION* action : {&t->price, &t->fourth}) {
            int code = resolve_type_action(con, t, action);
            if (code > rc) rc = code;
        }
    }
    return rc;
}

int rskrsvm(RSKCON* con, RSKTYPEMETHOD* record, const RSKNAMEREC* type_name) {
    if (record == nullptr) return 1;
    record->method = rsktrn(con, &record->name.name);
    if (record->method == nullptr) {
        const RSKNAMEREC none{0, 0, nullptr};
        cannot_read(record->name.name, type_name != nullptr ? *type_name : none);
        return 1;
    }
    record->mode = kFetchedMode;
    int rc = rskrsvt(con, record->method, 0);
    if (rc != 0) return rc;
    RSKACTION& action = record->action;
    action.name = record->name;
    action.name.name.text = action.name.buffer;
    action.kind = RSKACTION_METHOD_CALL;
    action.target = record->method;
    action.defined = 1;
    RSKRUNCOMPILE* run = dependency_run(con);
    if (run != nullptr) append_action(run, &action);
    return 0;
}
