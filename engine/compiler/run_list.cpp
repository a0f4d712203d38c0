// The run list of one market state: which actions run, which stay suppressed because the market
// state sets everything they compute, and which are off; then the change mask. Nothing here
// allocates after the first state.
#include <cstring>

#include "engine/compiler/dependencies.h"
#include "engine/compiler/use_entries.h"
#include "host/print.h"

namespace {

struct RunList {
    RSKCON* con;
    RSKRUNCOMPILE* run;
    bool tracing;
    bool suppressed;                 // some action was suppressed in this state
};

uint8_t& state_of(RSKRUNCOMPILE* run, const RSKACTION* a) { return run->states[a->order - 1]; }

bool numbered(const RSKRUNCOMPILE* run, const RSKACTION* a) { return a->order > 0 && a->order <= run->matrix.numbered; }

bool needs(const RSKDEPMATRIX& m, int32_t i, int32_t j) {
    return (m.bits[static_cast<size_t>(i) * static_cast<size_t>(m.row_bytes) + j / 8] & RSKRSV_BITS[j % 8]) != 0;
}

bool reads(const RSKVARIABLE* v, const RSKACTION* a) {
    for (RSKREADERLINK* r = v->dependencies.readers_first; r != nullptr; r = r->next)
        if (r->action == a) return true;
    return false;
}

void mark_inputs(RSKACTION* a, uint8_t bit) {
    if (a->kind == RSKACTION_METHOD_CALL) {
        for (RSKUSEENTRY* use = action_uses(a); use != nullptr; use = use->next)
            if (is_data_input(use) != 0) use->variable->dependencies.check |= bit;
    } else if (a->kind == RSKACTION_LINEAR_TRANS && a->target != nullptr) {
        const auto* lt = static_cast<const RSKLINTRANS*>(a->target);
        for (int32_t i = 0; i < lt->input_count; ++i)
            if (lt->inputs[i] != nullptr) lt->inputs[i]->dependencies.check |= bit;
    }
}

bool outputs_all_changed(const RSKACTION* a) {
    for (RSKACTLINK* out = a->outputs_first; out != nullptr; out = out->next)
        if (out->variable->dependencies.change == 0) return false;
    return true;
}

// Switches one action on unless it stays suppressed; answers whether it now runs.
bool activate_one(RunList& l, RSKACTION* a) {
    if (a->needed_for_price == 0 || !numbered(l.run, a)) return false;
    uint8_t& state = state_of(l.run, a);
    if (state == RSKSTATE_RUN) return false;
    if (state == RSKSTATE_SUPPRESSED && outputs_all_changed(a)) {
        if (l.tracing) {
            xpmlog(598, 2226);
            print_dependency_action(l.con, a, 1);
        }
        return false;
    }
    state = RSKSTATE_RUN;
    if (l.tracing && l.suppressed) mark_inputs(a, RSKDEP_READ_BY_ACTIVE);
    return true;
}

// Switches the action on, and with it every action that needs it. The matrix is closed, so the
// actions that need it directly or through others are all found in its column.
void activate_action(RunList& l, RSKACTION* a) {
    if (!activate_one(l, a) || (a->dependency_flags & RSKACTF_NEEDED_BY_OTHER) == 0) return;
    const RSKDEPMATRIX& m = l.run->matrix;
    for (int32_t k = 0; k < m.numbered; ++k) {
        RSKACTION* other = m.by_order[k];
        if (other != a && needs(m, other->index, a->index)) activate_one(l, other);
    }
}

void activate_readers(RunList& l, const RSKVARIABLE* v) {
    for (RSKREADERLINK* r = v->dependencies.readers_first; r != nullptr; r = r->next) activate_action(l, r->action);
}

void buildlist(RunList& l) {
    for (RSKVARIABLE* v = l.con->variables_head; v != nullptr; v = v->next) {
        const RSKVARDEPS& deps = v->dependencies;
        if (deps.change == 0 || deps.writers_first == nullptr) continue;
        if (deps.change == 1.0) {   // set by the market state: its writers need not run
            for (RSKWRITERLINK* w = deps.writers_first; w != nullptr; w = w->next) {
                RSKACTION* a = w->action;
                if (a->needed_for_price == 0 || !numbered(l.run, a) || state_of(l.run, a) == RSKSTATE_SUPPRESSED)
                    continue;
                if (reads(v, a) || a->resolution_state == RSKRES_INPUT_FREE) continue;
                state_of(l.run, a) = RSKSTATE_SUPPRESSED;
                l.suppressed = true;
                if (l.tracing) mark_inputs(a, RSKDEP_READ_BY_SUPPRESSED);
            }
        }
        activate_readers(l, v);
    }
    for (RSKVARIABLE* v = l.con->variables_head; v != nullptr; v = v->next)
        if (v->dependencies.change != 0 && v->dependencies.writers_first == nullptr) activate_readers(l, v);
}

void print_changed(RSKCON* con) {
    xpmout(598, 2216);
    bool any = false;
    for (int pass = 0; pass < 2; ++pass)
        for (RSKVARIABLE* v = con->variables_head; v != nullptr; v = v->next) {
            const RSKVARDEPS& deps = v->dependencies;
            if (deps.change == 0 || (deps.writers_first != nullptr) != (pass == 0)) continue;
            xps("%*s %w", static_cast<int>(v->name.name.length), v->name.name.text);
            any = true;
        }
    if (any) xpsout("");
    else xpsout(" *** none ***");
}

void print_run_list(RSKCON* con, RSKRUNCOMPILE* run) {
    xpmout(598, run->states == run->states_alternate ? 2213 : 2207);
    int shown = 0;
    for (int32_t k = 0; k < run->matrix.numbered; ++k) {
        if (run->states[k] != RSKSTATE_RUN) continue;
        xps("%2i. ", k + 1);
        print_dependency_action(con, run->matrix.by_order[k], 0);
        ++shown;
    }
    if (shown == 0) xpsout("  *** none ***");
}

}  // namespace

int rskrsvv(RSKCON* con, RSKVARIABLE* variable) {
    if (variable->dependencies.change != 0) return 1;
    RSKRUNCOMPILE* run = dependency_run(con);
    if (run == nullptr || run->states == nullptr) return 0;
    for (RSKWRITERLINK* w = variable->dependencies.writers_first; w != nullptr; w = w->next)
        if (numbered(run, w->action) && state_of(run, w->action) == RSKSTATE_RUN) return 1;
    return 0;
}

void rskrsvz(RSKCON* con) {
    for (RSKVARIABLE* v = con->variables_head; v != nullptr; v = v->next) {
        v->dependencies.change = 0;
        v->dependencies.change2 = 0;
    }
}

int rskrsvx(RSKCON* con, int all, int trace) {
    RSKRUNCOMPILE* run = dependency_run(con);
    if (run == nullptr || run->actions_first == nullptr) return 0;
    const int32_t count = run->matrix.numbered;
    if (run->states == nullptr) {
        if (run->states_normal == nullptr && count > 0) {
            run->states_normal = static_cast<uint8_t*>(dependency_alloc(con, static_cast<size_t>(count), "transformation list"));
            if (run->states_normal == nullptr) return 1;
        }
        run->states = run->states_normal;
    }
    if (run->mask_positions > 0 && run->change_mask == nullptr && allocate_change_mask(con, run->mask_positions) != 0)
        return 1;
    if (count > 0) std::memset(run->states, 0, static_cast<size_t>(count));
    for (RSKVARIABLE* v = con->variables_head; v != nullptr; v = v->next) v->dependencies.check = 0;

    RunList l{con, run, trace != 0 || (con->debug_categories & RSKDEBUG_ON) != 0, false};
    if (all != 0 || run->run_everything != 0) {
        if (count > 0) std::memset(run->states, RSKSTATE_RUN, static_cast<size_t>(count));
    } else {
        buildlist(l);
    }
    if (l.tracing && l.suppressed)
        for (RSKVARIABLE* v = con->variables_head; v != nullptr; v = v->next) {
            const RSKVARDEPS& deps = v->dependencies;
            constexpr uint8_t kBoth = RSKDEP_READ_BY_ACTIVE | RSKDEP_READ_BY_SUPPRESSED;
            if (deps.readers_first != nullptr && (deps.check & kBoth) == kBoth)
                xpmlog(598, 2227, static_cast<int>(v->name.name.length), v->name.name.text);
        }
    if (all == 0 && (con->trace_categories & RSKTRACE_SETVARS) != 0) print_changed(con);
    if ((con->trace_categories & RSKTRACE_RFTORDER) != 0) print_run_list(con, run);
    setup_changemask(con);
    return 0;
}

int rskrsvb(RSKCON* con) {
    RSKRUNCOMPILE* run = dependency_run(con);
    if (run == nullptr) return 0;
    for (RSKVARIABLE* v = con->variables_head; v != nullptr; v = v->next)
        v->dependencies.change = (v->dependencies.flags & RSKDEP_DATA) != 0 ? 2.0 : 0.0;
    if (run->states_alternate == nullptr && run->matrix.numbered > 0) {
        run->states_alternate =
            static_cast<uint8_t*>(dependency_alloc(con, static_cast<size_t>(run->matrix.numbered), "transformation list"));
        if (run->states_alternate == nullptr) return 1;
    }
    run->states = run->states_alternate;
    int rc = rskrsvx(con, 1, 1);
    run->states = run->states_normal;
    return rc;
}
