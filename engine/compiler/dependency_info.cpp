// Dependency information: every action of the run becomes a reader of the variables it reads and a
// writer of the parts it writes; a part written by two actions is refused. Also the report of
// variables that no action computes and the listing of the risk factors' dependency flags.
#include <cstring>

#include "engine/compiler/dependencies.h"
#include "engine/compiler/use_entries.h"
#include "engine/model/variables/variable_texts.h"
#include "engine/model/variables/variables.h"
#include "host/print.h"

namespace {

uint8_t part_bit(int part) { return static_cast<uint8_t>(128u >> (part % 8)); }

int writes_part(const RSKWRITERLINK* link, int part) { return (link->parts[part / 8] & part_bit(part)) != 0 ? 1 : 0; }

// Appends a reader link unless the action reads the variable already; arrays pass the reader on to
// their elements.
int add_lhs(RSKCON* con, RSKVARIABLE* variable, RSKACTION* action) {
    RSKVARDEPS& deps = variable->dependencies;
    bool present = false;
    for (RSKREADERLINK* link = deps.readers_first; link != nullptr && !present; link = link->next)
        present = link->action == action;
    if (!present) {
        auto* link = static_cast<RSKREADERLINK*>(dependency_alloc(con, sizeof(RSKREADERLINK), "reader link"));
        if (link == nullptr) return 1;
        link->action = action;
        if (deps.readers_last != nullptr) deps.readers_last->next = link;
        else deps.readers_first = link;
        deps.readers_last = link;
    }
    deps.flags |= RSKDEP_REF;
    if (is_open_array(variable) == 0) return 0;
    int rc = 0;
    for (int32_t i = 0, n = array_element_count(variable); i < n && rc == 0; ++i)
        if (variable->elements[i] != nullptr) rc = add_lhs(con, variable->elements[i], action);
    return rc;
}

// Registers the action as the writer of one part of the variable.
int add_rhs(RSKCON* con, RSKVARIABLE* variable, RSKACTION* action, int part) {
    RSKVARDEPS& deps = variable->dependencies;
    part &= 31;
    RSKWRITERLINK* own = nullptr;
    for (RSKWRITERLINK* link = deps.writers_first; link != nullptr; link = link->next) {
        if (link->action == action) {
            own = link;
        } else if (writes_part(link, part) != 0) {
            xpmlog(598, 2225, part, static_cast<int>(variable->name.name.length), variable->name.name.text);
            print_dependency_action(con, link->action, 1);
            print_dependency_action(con, action, 1);
            return 1;
        }
    }
    if (own != nullptr) {
        own->parts[part / 8] |= part_bit(part);
    } else {
        auto* link = static_cast<RSKWRITERLINK*>(dependency_alloc(con, sizeof(RSKWRITERLINK), "writer link"));
        auto* out = static_cast<RSKACTLINK*>(dependency_alloc(con, sizeof(RSKACTLINK), "output link"));
        if (link == nullptr || out == nullptr) return 1;
        link->action = action;
        link->parts[part / 8] = part_bit(part);
        if (deps.writers_last != nullptr) deps.writers_last->next = link;
        else deps.writers_first = link;
        deps.writers_last = link;
        out->variable = variable;
        if (action->outputs_last != nullptr) action->outputs_last->next = out;
        else action->outputs_first = out;
        action->outputs_last = out;
    }
    deps.flags |= RSKDEP_DEF;
    if (action->kind == RSKACTION_LINEAR_TRANS) deps.flags |= RSKDEP_BY_TRANSFORMATION;
    if (is_array(variable) == 0) return 0;
    int rc = 0;
    for (int32_t i = 0, n = array_element_count(variable); i < n && rc == 0; ++i)
        if (variable->elements[i] != nullptr) rc = add_rhs(con, variable->elements[i], action, 0);
    return rc;
}

// Marks every variable the action writes (and the elements of arrays it writes) as the output
// of an action that reads no data input.
void mark_input_free_outputs(RSKACTION* action) {
    for (RSKACTLINK* out = action->outputs_first; out != nullptr; out = out->next) {
        out->variable->dependencies.flags |= RSKDEP_INPUT_FREE_OUTPUT;
        for (int32_t i = 0, n = array_element_count(out->variable); i < n; ++i)
            if (out->variable->elements[i] != nullptr)
                out->variable->elements[i]->dependencies.flags |= RSKDEP_INPUT_FREE_OUTPUT;
    }
}

int add_gentrans(RSKCON* con, RSKACTION* action) {
    int rc = 0;
    bool data_input = false;
    for (RSKUSEENTRY* use = action_uses(action); use != nullptr; use = use->next) {
        if (use->variable == nullptr) continue;
        if (use->input != 0) {
            int code = add_lhs(con, use->variable, action);
            if (code > rc) rc = code;
            if (is_data_input(use) != 0) data_input = true;
        }
        if (use->output != 0) {
            int code = add_rhs(con, use->variable, action, use->part);
            if (code > rc) rc = code;
        }
    }
    if (!data_input) {
        action->resolution_state = RSKRES_INPUT_FREE;
        mark_input_free_outputs(action);
    }
    return rc;
}

int add_linear_trans(RSKCON* con, RSKACTION* action) {
    const auto* lt = static_cast<const RSKLINTRANS*>(action->target);
    if (lt == nullptr) return 0;
    int rc = 0;
    for (int32_t i = 0; i < lt->input_count; ++i) {
        int code = lt->inputs[i] != nullptr ? add_lhs(con, lt->inputs[i], action) : 0;
        if (code > rc) rc = code;
    }
    for (int32_t i = 0; i < lt->output_count; ++i) {
        int code = lt->outputs[i] != nullptr ? add_rhs(con, lt->outputs[i], action, 0) : 0;
        if (code > rc) rc = code;
    }
    return rc;
}

// Forgets the links of an earlier run: they lived in that run's pool.
void clear_links(RSKCON* con) {
    constexpr uint32_t kPerRun = RSKDEP_REF | RSKDEP_DEF | RSKDEP_BY_TRANSFORMATION | RSKDEP_INPUT_FREE_OUTPUT;
    for (RSKVARIABLE* v = con->variables_head; v != nullptr; v = v->next) {
        RSKVARDEPS& deps = v->dependencies;
        deps.writers_first = deps.writers_last = nullptr;
        deps.readers_first = deps.readers_last = nullptr;
        deps.flags &= ~kPerRun;
        deps.check = 0;
    }
}

// Arrays used for price make their elements used for price.
void spread_used_price(RSKCON* con) {
    for (RSKVARIABLE* v = con->variables_head; v != nullptr; v = v->next) {
        if ((v->dependencies.flags & RSKDEP_USED_PRICE) == 0) continue;
        for (int32_t i = 0, n = array_element_count(v); i < n; ++i)
            if (v->elements[i] != nullptr) v->elements[i]->dependencies.flags |= RSKDEP_USED_PRICE;
    }
}

void var_not_defined(RSKCON* con, RSKVARIABLE* v, int used_for_price) {
    const RSKVARDEPS& deps = v->dependencies;
    const RSKNAMEREC& name = v->name.name;
    if (deps.readers_first == nullptr) {
        bool special = con->system_variables != nullptr && v == con->system_variables->value;
        if (used_for_price != 0 && (deps.flags & RSKDEP_USED_PRICE) != 0 && !special)
            xpmlog(598, 1249, static_cast<int>(name.length), name.text);
        return;
    }
    char readers[512];
    int length = 0;
    for (RSKREADERLINK* link = deps.readers_first; link != nullptr; link = link->next) {
        const RSKNAMEREC& m = link->action->name.name;
        length += xpsstr(readers + length, static_cast<int>(sizeof readers) - length, length == 0 ? "%*s" : ", %*s",
                         static_cast<int>(m.length), m.text);
    }
    xpmlog(598, 1251, static_cast<int>(name.length), name.text, length, readers);
}

bool reported_class(const RSKVARIABLE* v) {
    return v->kind != 8 && v->kind != 9 && v->kind != RSKVKIND_COUNTERPARTY && v->kind != RSKVKIND_MITIGATION;
}

void check_one(RSKCON* con, RSKVARIABLE* v, int used_for_price) {
    const RSKVARDEPS& deps = v->dependencies;
    // Input data supplies a variable just as an action computes it.
    if ((deps.flags & (RSKDEP_DEF | RSKDEP_DATA)) != 0 || !reported_class(v)) return;
    bool read = deps.readers_first != nullptr;
    bool priced = used_for_price != 0 && (deps.flags & RSKDEP_USED_PRICE) != 0;
    if (read || priced) var_not_defined(con, v, used_for_price);
}

}  // namespace

int check_variables(RSKCON* con, int used_for_price) {
    for (RSKVARIABLE* v = con->variables_head; v != nullptr; v = v->next) {
        if (v->kind == RSKVKIND_FACTOR && is_array(v) != 0) {
            for (int32_t i = 0, n = array_element_count(v); i < n; ++i)   // check_array_defined
                if (v->elements[i] != nullptr) check_one(con, v->elements[i], used_for_price);
            continue;
        }
        check_one(con, v, used_for_price);
    }
    return 0;
}

void print_factors(RSKCON* con) {
    static const struct {
        uint32_t flag;
        const char* word;
    } kWords[] = {{RSKDEP_REF, " ref"},   {RSKDEP_DEF, " def"},   {RSKDEP_DATA, " data"},
                  {RSKDEP_CONST, " const"}, {RSKDEP_REQ, " req"}, {RSKDEP_USED_PRICE, " used_price"},
                  {RSKDEP_PRICE_ARG, " price_arg"}};
    xpmout(598, 2214);
    int number = 0;
    for (RSKVARIABLE* v = con->variables_head; v != nullptr; v = v->next) {
        if (v->kind != RSKVKIND_FACTOR) continue;
        char code[16];
        RskText type = type_text(con, v->data_type);
        if (type.length <= 0) type = RskText{xpsstr(code, sizeof code, "%i", static_cast<int>(v->data_type)), code};
        xps("%3i. %*.16s %w", ++number, static_cast<int>(v->name.name.length), v->name.name.text);
        xps("%*.10s %2i", type.length, type.text, static_cast<int>(v->length));
        if (v->dependencies.number != 0) xps(" varno=%3i", static_cast<int>(v->dependencies.number));
        for (const auto& w : kWords)
            if ((v->dependencies.flags & w.flag) != 0) xps("%s", w.word);
        xpsout("");
    }
}

int rskrsvd(RSKCON* con, int flag) {
    RSKRUNCOMPILE* run = dependency_run(con);
    if (run == nullptr) return 0;
    clear_links(con);
    spread_used_price(con);
    int rc = 0;
    for (RSKACTION* a = run->actions_first; a != nullptr; a = a->next) {
        a->visited = 0;
        a->resolution_state = 0;
        a->outputs_first = a->outputs_last = nullptr;
    }
    for (RSKACTION* a = run->actions_first; a != nullptr; a = a->next) {
        int code = 0;
        switch (a->kind) {
        case RSKACTION_METHOD_CALL: code = add_gentrans(con, a); break;
        case RSKACTION_LINEAR_TRANS: code = add_linear_trans(con, a); break;
        case RSKACTION_DELTA_GAMMA: break;
        default:
            xebug("rskrsvd: get_dependencies: bad action type %i.", static_cast<int>(a->kind));
            code = 99;
        }
        if (code > rc) rc = code;
    }
    if (rc != 0) return rc;
    rc = rskrsvl(con);
    // After the ordering, which completes the used_price marks.
    if ((con->trace_categories & RSKTRACE_FACTORS) != 0) print_factors(con);
    if (rc == 0 && (con->trace_categories & RSKTRACE_DEPS) != 0) print_dependencies(con);
    if (rc == 0) check_variables(con, flag);
    return rc;
}
