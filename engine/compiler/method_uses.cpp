// The variable uses of a compiled method: after its statements compile, the compiler's data-flow
// analysis says which symbols each statement reads and writes, and those that are variables of
// the environment become the method's use entries, which dependency resolution reads.
#include <cstring>
#include <vector>

#include "common/memory/pool_memory.h"
#include "engine/compiler/compile_control.h"
#include "engine/compiler/method_objects.h"
#include "engine/compiler/use_entries.h"
#include "engine/model/control/out_of_memory.h"
#include "engine/model/variables/variables.h"
#include "host/compiler.h"
#include "host/kernel.h"

namespace {

RSKUSEENTRY* find_use(RSKUSEENTRY* first, const RSKVARIABLE* variable) {
    for (RSKUSEENTRY* use = first; use != nullptr; use = use->next)
        if (use->variable == variable) return use;
    return nullptr;
}

// The price a pricing method assigns (and its second value) is the result of each instrument's
// own action: the pricing actions of several types all assign it, and none of them feeds another,
// so the assignment is no output that dependency resolution orders.
bool own_result(RSKCON* con, const RSKGENTRANS* method, const RSKVARIABLE* variable) {
    const RSKSYSVARS* system = con->system_variables;
    return method->kind == 'P' && system != nullptr && (variable == system->value || variable == system->cashflow);
}

// Every environment variable a method uses is one of its arguments: the glue of a run binds it to
// the variable's storage before the method's source is pushed again.
int add_argument(RSKCON* con, RSKGENTRANS* method, RSKVARIABLE* variable) {
    auto* arg = static_cast<RSKSYMENTRY*>(vmalcp_handler(con->current_pool, sizeof(RSKSYMENTRY), QOR_ALLOC_ZERO));
    if (arg == nullptr) return 1;
    arg->name = variable->name.name.text;
    arg->name_length = static_cast<int16_t>(variable->name.name.length);
    arg->variable = variable;
    arg->object = variable;
    arg->type_code = 1;
    arg->slot = -1;
    RSKSYMENTRY** tail = &method->arguments;
    while (*tail != nullptr) tail = &(*tail)->next;
    *tail = arg;
    return 0;
}

// Adds the symbols one statement reads or writes (`which`) to the entries: 0, or 1 when memory
// runs out.
int add_symbols(RSKCON* con, RSKGENTRANS* method, cmp_session* session, int statement, int which,
                std::vector<cmp_symbol*>& symbols) {
    const int count = cmpdfuse(session, statement, which, nullptr, 0);
    if (count <= 0) return 0;
    symbols.resize(static_cast<size_t>(count));
    cmpdfuse(session, statement, which, symbols.data(), count);
    for (cmp_symbol* symbol : symbols) {
        const char* name = symbol != nullptr ? cmpsymname(symbol) : nullptr;
        if (name == nullptr) continue;
        RSKNAMEREC key{0, static_cast<uint16_t>(std::strlen(name)), const_cast<char*>(name)};
        RSKVARIABLE* variable = rskvar(con, &key);
        if (variable == nullptr) continue;   // a local of the method
        auto* first = static_cast<RSKUSEENTRY*>(method->uses);
        RSKUSEENTRY* use = find_use(first, variable);
        if (use == nullptr) {
            use = static_cast<RSKUSEENTRY*>(vmalcp_handler(con->current_pool, sizeof(RSKUSEENTRY), QOR_ALLOC_ZERO));
            if (use == nullptr) return 1;
            use->variable = variable;
            use->code = static_cast<int32_t>(variable->data_type);
            use->kind = static_cast<int32_t>(variable->kind);
            // Appended, so that the entries keep the order of first use.
            if (first == nullptr) {
                method->uses = use;
            } else {
                RSKUSEENTRY* last = first;
                while (last->next != nullptr) last = last->next;
                last->next = use;
            }
            if (add_argument(con, method, variable) != 0) return 1;
        }
        if (which == CMP_DF_READ) use->input = 1;
        else if (!own_result(con, method, variable)) use->output = 1;
    }
    return 0;
}

}  // namespace

void rsk_free_uses(RSKCON* con, RSKGENTRANS* method) {
    auto* use = static_cast<RSKUSEENTRY*>(method->uses);
    while (use != nullptr) {
        RSKUSEENTRY* next = use->next;
        vmfree_handler(con->current_pool, use, sizeof(RSKUSEENTRY), QOR_FREE_SIZED);
        use = next;
    }
    method->uses = nullptr;
    RSKSYMENTRY* arg = method->arguments;
    while (arg != nullptr) {
        RSKSYMENTRY* next = arg->next;
        vmfree_handler(con->current_pool, arg, sizeof(RSKSYMENTRY), QOR_FREE_SIZED);
        arg = next;
    }
    method->arguments = nullptr;
}

int rsk_method_uses(RSKCON* con, RSKGENTRANS* method, cmp_session* session) {
    rsk_free_uses(con, method);
    if (session == nullptr || cmpdfla(session) != 0) return 0;
    std::vector<cmp_symbol*> symbols;
    int rc = 0;
    // The pushes of the method: its statements, each one push numbered from 1.
    for (int statement = 1; rc == 0 && statement <= method->statement_count; ++statement) {
        rc = add_symbols(con, method, session, statement, CMP_DF_READ, symbols);
        if (rc == 0) rc = add_symbols(con, method, session, statement, CMP_DF_WRITE, symbols);
    }
    cmpdfre(session);
    if (rc != 0) {
        rsk_free_uses(con, method);
        rsknomem(con, sizeof(RSKUSEENTRY), "method variable uses");
    }
    return rc;
}
