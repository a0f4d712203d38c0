// Ordering of the actions: numbers them depth-first so that every action comes after the writers of
// its inputs, records in a bit matrix which action needs which, closes that relation (spreading the
// needed-for-price mark along it) and rejects loops. Also the matrix listing and rskrsvs.
#include <cstring>

#include "engine/compiler/dependencies.h"
#include "engine/compiler/use_entries.h"
#include "host/print.h"

namespace {

struct Ordering {
    RSKCON* con;
    RSKRUNCOMPILE* run;
    RSKDEPMATRIX* matrix;
    RSKACTION** by_index;
    int rc;
};

uint8_t* row(RSKDEPMATRIX* m, int32_t i) { return m->bits + static_cast<size_t>(i) * static_cast<size_t>(m->row_bytes); }

bool needs(RSKDEPMATRIX* m, int32_t i, int32_t j) { return (row(m, i)[j / 8] & RSKRSV_BITS[j % 8]) != 0; }

void mark_variable_used(RSKVARIABLE* v) {
    v->dependencies.flags |= RSKDEP_USED_PRICE;
    for (int32_t i = 0, n = array_element_count(v); i < n; ++i)
        if (v->elements[i] != nullptr) v->elements[i]->dependencies.flags |= RSKDEP_USED_PRICE;
}

// The action matters for prices: so do its data inputs.
void mark_usedprice(RSKACTION* action) {
    action->needed_for_price = 1;
    if (action->kind == RSKACTION_METHOD_CALL) {
        for (RSKUSEENTRY* use = action_uses(action); use != nullptr; use = use->next)
            if (is_data_input(use) != 0) mark_variable_used(use->variable);
    } else if (action->kind == RSKACTION_LINEAR_TRANS && action->target != nullptr) {
        const auto* lt = static_cast<const RSKLINTRANS*>(action->target);
        for (int32_t i = 0; i < lt->input_count; ++i)
            if (lt->inputs[i] != nullptr) mark_variable_used(lt->inputs[i]);
    }
}

bool writes_used_price(const RSKACTION* action) {
    for (RSKACTLINK* out = action->outputs_first; out != nullptr; out = out->next) {
        if ((out->variable->dependencies.flags & RSKDEP_USED_PRICE) != 0) return true;
        for (int32_t i = 0, n = array_element_count(out->variable); i < n; ++i) {
            RSKVARIABLE* e = out->variable->elements[i];
            if (e != nullptr && (e->dependencies.flags & RSKDEP_USED_PRICE) != 0) return true;
        }
    }
    return false;
}

// Reader needs writer.
void rsksdep(RSKDEPMATRIX* m, RSKACTION* reader, RSKACTION* writer) {
    uint8_t& byte = row(m, reader->index)[writer->index / 8];
    uint8_t bit = RSKRSV_BITS[writer->index % 8];
    if ((byte & bit) != 0) return;
    if (reader->needed_for_price != 0) mark_usedprice(writer);
    byte |= bit;
    reader->dependency_flags |= RSKACTF_NEEDS_OTHER;
    writer->dependency_flags |= RSKACTF_NEEDED_BY_OTHER;
}

bool linear_reads(const RSKACTION* reader, const RSKVARIABLE* v) {
    const auto* lt = static_cast<const RSKLINTRANS*>(reader->target);
    for (int32_t i = 0; lt != nullptr && i < lt->input_count; ++i)
        if (lt->inputs[i] == v) return true;
    return false;
}

bool is_element_of(const RSKVARIABLE* v, const RSKVARIABLE* array) {
    for (int32_t i = 0, n = array_element_count(array); i < n; ++i)
        if (array->elements[i] == v) return true;
    return false;
}

// Whether the reader really reads the variable that the writer's use entry (or, without one, any
// entry) writes.
int rskrsvi(Ordering& o, const RSKACTION* reader, const RSKUSEENTRY* written, const RSKVARIABLE* v) {
    if (reader->kind == RSKACTION_LINEAR_TRANS) return linear_reads(reader, v) ? 1 : 0;
    if (reader->kind != RSKACTION_METHOD_CALL) {
        if (reader->kind != RSKACTION_DELTA_GAMMA) {
            xebug("rskrsvi: bad action type.");
            o.rc = 99;
        }
        return 0;
    }
    for (RSKUSEENTRY* use = action_uses(reader); use != nullptr; use = use->next) {
        if (is_data_input(use) == 0) continue;
        if (use->variable == v) {
            if (written == nullptr || (use->kind == written->kind && use->code == written->code)) return 1;
        } else if (is_array(v) == 0 && is_open_array(use->variable) != 0 && is_element_of(v, use->variable)) {
            return 1;
        }
    }
    return 0;
}

void resolve_action(Ordering& o, RSKACTION* action);

void resolve_writers(Ordering& o, RSKVARIABLE* v) {
    for (RSKWRITERLINK* w = v->dependencies.writers_first; w != nullptr; w = w->next) resolve_action(o, w->action);
    if (is_array(v) == 0) return;
    for (int32_t i = 0, n = array_element_count(v); i < n; ++i)
        if (v->elements[i] != nullptr)
            for (RSKWRITERLINK* w = v->elements[i]->dependencies.writers_first; w != nullptr; w = w->next)
                resolve_action(o, w->action);
}

void link_readers(Ordering& o, RSKACTION* writer, const RSKUSEENTRY* written, RSKVARIABLE* v) {
    for (RSKREADERLINK* r = v->dependencies.readers_first; r != nullptr; r = r->next)
        if (r->action != writer && rskrsvi(o, r->action, written, v) != 0) rsksdep(o.matrix, r->action, writer);
    if (is_open_array(v) == 0) return;
    for (int32_t i = 0, n = array_element_count(v); i < n; ++i)
        if (v->elements[i] != nullptr) link_readers(o, writer, nullptr, v->elements[i]);
}

void resolve_action(Ordering& o, RSKACTION* action) {
    if (action->visited != 0) return;
    action->visited = 1;
    if (action->kind == RSKACTION_METHOD_CALL) {
        for (RSKUSEENTRY* use = action_uses(action); use != nullptr; use = use->next) {
            if (is_data_input(use) != 0) resolve_writers(o, use->variable);
            if (use->output != 0 && use->variable != nullptr) link_readers(o, action, use, use->variable);
        }
    } else if (action->kind == RSKACTION_LINEAR_TRANS) {
        const auto* lt = static_cast<const RSKLINTRANS*>(action->target);
        for (int32_t i = 0; lt != nullptr && i < lt->input_count; ++i)
            if (lt->inputs[i] != nullptr) resolve_writers(o, lt->inputs[i]);
        for (int32_t i = 0; lt != nullptr && i < lt->output_count; ++i)
            if (lt->outputs[i] != nullptr) link_readers(o, action, nullptr, lt->outputs[i]);
    } else if (action->kind != RSKACTION_DELTA_GAMMA) {
        xebug("rskrsv: resolve_action: bad action type.");
        o.rc = 99;
    }
    if (action->order == 0) action->order = static_cast<uint16_t>(++o.matrix->numbered);
}

// Warshall's closure with the intermediate action taken in order: when j needs i and i needs k,
// j needs k. A row is OR-ed in a byte at a time; each new bit goes through the side effects of
// rsksdep (needed for price spreads from reader to writer, the two flags).
void close_matrix(Ordering& o) {
    RSKDEPMATRIX* m = o.matrix;
    for (int32_t order = 0; order < m->numbered; ++order) {
        RSKACTION* mid = m->by_order[order];
        if ((mid->dependency_flags & RSKACTF_NEEDED_BY_OTHER) == 0) continue;
        const int32_t c = mid->index;
        const uint8_t* mid_row = row(m, c);
        for (int32_t j = 0; j < m->count; ++j) {
            if (j == c || !needs(m, j, c)) continue;
            uint8_t* j_row = row(m, j);
            RSKACTION* reader = o.by_index[j];
            for (int32_t b = 0; b < m->row_bytes; ++b) {
                uint8_t fresh = static_cast<uint8_t>(mid_row[b] & ~j_row[b]);
                if (fresh == 0) continue;
                j_row[b] |= fresh;
                reader->dependency_flags |= RSKACTF_NEEDS_OTHER;
                for (int t = 0; t < 8; ++t) {
                    if ((fresh & RSKRSV_BITS[t]) == 0) continue;
                    RSKACTION* writer = o.by_index[b * 8 + t];
                    if (reader->needed_for_price != 0) mark_usedprice(writer);
                    writer->dependency_flags |= RSKACTF_NEEDED_BY_OTHER;
                }
            }
        }
    }
}

// An action needed for price makes every action it needs needed for price. The closure spreads
// the mark only along the bits it adds; an action that became needed after its own bits were
// set would otherwise leave the actions it needs unmarked. The matrix is closed: one pass does.
void spread_needed(Ordering& o) {
    RSKDEPMATRIX* m = o.matrix;
    for (int32_t i = 0; i < m->count; ++i) {
        if (o.by_index[i]->needed_for_price == 0) continue;
        const uint8_t* r = row(m, i);
        for (int32_t k = 0; k < m->count; ++k)
            if ((r[k / 8] & RSKRSV_BITS[k % 8]) != 0 && o.by_index[k]->needed_for_price == 0) mark_usedprice(o.by_index[k]);
    }
}

void print_order(RSKCON* con, RSKDEPMATRIX* m) {
    xpmout(598, 2217);
    if (m->numbered == 0) xpsout(" ***None*** ");
    for (int32_t k = 0; k < m->numbered; ++k) {
        xps(" %2i. ", k + 1);
        print_dependency_action(con, m->by_order[k], 0);
    }
}

}  // namespace

int rskrsvl(RSKCON* con) {
    RSKRUNCOMPILE* run = dependency_run(con);
    if (run == nullptr) return 0;
    RSKDEPMATRIX* m = &run->matrix;
    std::memset(m, 0, sizeof *m);
    run->action_count = 0;
    // The state lists are sized by the numbering: a new numbering makes new ones at the next state.
    run->states = run->states_normal = run->states_alternate = nullptr;

    // First pass: indexes; input-free actions are numbered at once, in list order.
    int32_t n = 0;
    for (RSKACTION* a = run->actions_first; a != nullptr; a = a->next) {
        a->index = n++;
        a->order = 0;
        a->dependency_flags = 0;
        if (a->resolution_state == RSKRES_INPUT_FREE) {
            a->order = static_cast<uint16_t>(++m->numbered);
        } else {
            a->visited = 0;
            a->resolution_state = 0;
        }
        a->needed_for_price = 0;
        if (writes_used_price(a)) mark_usedprice(a);
    }
    run->action_count = n;
    m->count = n;
    m->row_bytes = (n + 7) / 8;
    if (n == 0) {
        if ((con->debug_categories & RSKDEBUG_ON) != 0) print_order(con, m);
        return 0;
    }
    size_t bytes = static_cast<size_t>(n) * static_cast<size_t>(m->row_bytes);
    m->bits = static_cast<uint8_t*>(dependency_alloc(con, bytes, "dependency resolution matrix"));
    if (m->bits == nullptr) return 1;
    auto** by_index = static_cast<RSKACTION**>(dependency_alloc(con, sizeof(RSKACTION*) * n, "action index"));
    if (by_index == nullptr) return 1;
    for (RSKACTION* a = run->actions_first; a != nullptr; a = a->next) by_index[a->index] = a;

    Ordering o{con, run, m, by_index, 0};
    for (RSKACTION* a = run->actions_first; a != nullptr; a = a->next) resolve_action(o, a);
    if (o.rc != 0) return o.rc;

    m->by_order = static_cast<RSKACTION**>(dependency_alloc(con, sizeof(RSKACTION*) * n, "ordered transformation list"));
    if (m->by_order == nullptr) return 1;
    for (RSKACTION* a = run->actions_first; a != nullptr; a = a->next)
        if (a->order > 0 && a->order <= m->numbered) m->by_order[a->order - 1] = a;

    close_matrix(o);
    spread_needed(o);

    for (int32_t k = 0; k < m->numbered; ++k) {
        RSKACTION* a = m->by_order[k];
        if (needs(m, a->index, a->index)) {
            xpmlog(598, 2228);
            print_dependency_action(con, a, 1);
            return 1;
        }
    }
    if ((con->debug_categories & RSKDEBUG_ON) != 0) print_order(con, m);
    return 0;
}

void print_dependencies(RSKCON* con) {
    RSKRUNCOMPILE* run = dependency_run(con);
    if (run == nullptr || run->matrix.bits == nullptr) return;
    RSKDEPMATRIX* m = &run->matrix;
    xpmout(598, 2201, static_cast<int>(m->numbered));
    for (int32_t k = 0; k < m->numbered; ++k) {
        RSKACTION* a = m->by_order[k];
        xps(" %2i. ", k + 1);
        print_dependency_action(con, a, 0);
        char list[1024];
        int length = 0;
        for (int32_t j = 0; j < m->numbered && length < static_cast<int>(sizeof list) - 16; ++j)
            if (needs(m, a->index, m->by_order[j]->index))
                length += xpsstr(list + length, static_cast<int>(sizeof list) - length, " %i", j + 1);
        if (length == 0) length = xpsstr(list, sizeof list, " (none)");
        xpmout(598, 2209, length, list);
    }
}

namespace {

void resolve_action2(RSKCON* con, RSKACTION* action, int* rc);

void mark_first_writer(RSKCON* con, RSKVARIABLE* v, int* rc) {
    RSKWRITERLINK* w = v->dependencies.writers_first;
    if (w != nullptr && w->action->needed_for_price == 0) resolve_action2(con, w->action, rc);
    if (is_array(v) == 0) return;
    for (int32_t i = 0, n = array_element_count(v); i < n; ++i)
        if (v->elements[i] != nullptr) {
            w = v->elements[i]->dependencies.writers_first;
            if (w != nullptr && w->action->needed_for_price == 0) resolve_action2(con, w->action, rc);
        }
}

void resolve_action2(RSKCON* con, RSKACTION* action, int* rc) {
    action->needed_for_price = 1;
    if (action->kind == RSKACTION_METHOD_CALL) {   // resolve_gentrans2
        for (RSKUSEENTRY* use = action_uses(action); use != nullptr; use = use->next)
            if (is_data_input(use) != 0) mark_first_writer(con, use->variable, rc);
    } else if (action->kind == RSKACTION_LINEAR_TRANS) {   // resolve_lintrans2
        const auto* lt = static_cast<const RSKLINTRANS*>(action->target);
        for (int32_t i = 0; lt != nullptr && i < lt->input_count; ++i)
            if (lt->inputs[i] != nullptr) mark_first_writer(con, lt->inputs[i], rc);
    } else if (action->kind != RSKACTION_DELTA_GAMMA) {
        xebug("rskrsvs: bad action type.");
        *rc = 99;
    }
}

}  // namespace

int rskrsvs(RSKCON* con, RSKVARIABLE* variable) {
    int rc = 0;
    RSKWRITERLINK* w = variable->dependencies.writers_first;
    if (w != nullptr && w->action->needed_for_price == 0) resolve_action2(con, w->action, &rc);
    return rc;
}
